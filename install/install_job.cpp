// The install job: the steps of one installation in their fixed order, on
// the worker thread (or on the main thread in an unattended run).

#include <filesystem>
#include <system_error>

#include "app/wizard_state.h"
#include "install/base_game.h"
#include "install/configuration.h"
#include "install/engine.h"
#include "install/install_run.h"
#include "install/locations.h"
#include "install/mod_layers.h"
#include "install/portraits.h"
#include "platform/os.h"

namespace fs = std::filesystem;

void removeWorkDir(const InstallRun& run) {
  if (run.workDir.empty()) return;
  std::error_code ec;
  fs::remove_all(run.workDir, ec);
}

bool failInstall(WizardState& state, InstallRun& run, const std::string& errorLine) {
  state.logLine(errorLine);
  removeWorkDir(run);
  state.running.store(false);
  return false;
}

namespace {

bool runSteps(WizardState& state, InstallRun& run) {
  settleLocations(run);
  if (const std::optional<std::uint64_t> free =
          freeDiskBytes(pathToUtf8(freeSpaceProbe(run.prefixDir, run.gameDir)))) {
    if (const std::optional<std::string> error = freeSpaceError(*free)) {
      // No scratch folder exists yet: nothing to remove.
      state.logLine(*error);
      state.running.store(false);
      return false;
    }
  }
  makeWorkDir(run);

  state.progress.store(20);
  state.logLine("Locating GOG Classic base files...");
  if (!acquireBaseGame(state, run)) return false;
  if (!installModLayers(state, run)) return false;
  installPortraits(state, run);
  configureGame(state, run);
  return installEngine(state, run);
}

}  // namespace

void WizardState::runInstallation() {
  running.store(true);
  succeeded.store(false);
  progress.store(10);

  InstallRun run;
  if (!runSteps(*this, run)) return;

  removeWorkDir(run);
  progress.store(100);
  logLine("Installation completed successfully (" + run.languageCode + ")!");
  succeeded.store(true);
  page.store(WizardPage::Complete);
  running.store(false);
}
