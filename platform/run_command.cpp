#include "platform/run_command.h"

#include "platform/os.h"

bool runCommand(const std::string& commandLine, const std::string& workingDirectory) {
  return runProcessAndWait(commandLine, workingDirectory);
}
