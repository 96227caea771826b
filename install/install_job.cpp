// The install job: runs the installation steps in order on the worker
// thread (or on the main thread in an unattended run).

#include "app/wizard_state.h"

void WizardState::runInstallation() {
  running.store(true);
  succeeded.store(false);
  progress.store(10);
  logLine("Starting installation...");
  logLine("ERROR: the installation steps are not part of this build yet.");
  running.store(false);
}
