#include "platform/run_command.h"

#include "platform/child_process.h"
#include "platform/stop.h"

bool runCommand(const std::string& commandLine, const std::string& workingDirectory) {
  ChildWatch watch;
  watch.keepGoing = [] { return !stopRequested(); };
  return runProcessWatched(commandLine, workingDirectory, watch).succeeded;
}
