#include "app/wizard_state.h"

#include <chrono>
#include <cstdio>
#include <thread>

void WizardState::logLine(const std::string& line) {
  // Printing may block (a paused console, a pipe nobody reads): it happens
  // under printMutex alone, which keeps the printed order, never under
  // logMutex, which every frame of the Installing page takes.
  std::lock_guard<std::mutex> printing(printMutex);
  {
    std::lock_guard<std::mutex> lock(logMutex);
    logLines.push_back(line);
    if (logLines.size() > kLogLinesKept) logLines.erase(logLines.begin());
    statusText = line;
  }
  std::fprintf(stdout, "[TKR-Setup] %s\n", line.c_str());
  std::fflush(stdout);
}

void installWorker(WizardState* state) {
  state->runInstallation();
  // The last touch of the state: once this store is seen, the state may go.
  state->workerActive.store(false);
}

void startInstallWorker(WizardState& state) {
  state.workerActive.store(true);
  std::thread(installWorker, &state).detach();
}

void waitForInstallWorker(WizardState& state) {
  while (state.workerActive.load()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}
