// The install job: the steps of one installation in their fixed order, on
// the worker thread (or on the main thread in an unattended run).

#include <exception>
#include <filesystem>
#include <new>
#include <string_view>
#include <system_error>

#include "app/wizard_state.h"
#include "install/base_game.h"
#include "install/configuration.h"
#include "install/engine.h"
#include "install/install_run.h"
#include "install/locations.h"
#include "install/mod_layers.h"
#include "install/portraits.h"
#include "install/uninstall.h"
#include "platform/os.h"
#include "platform/stop.h"

namespace fs = std::filesystem;

void notePlaced(InstallRun& run, const fs::path& target) {
  const fs::path relative = target.lexically_relative(run.prefixDir);
  if (!relative.empty() && *relative.begin() != "..") run.placed.push_back(genericUtf8(relative));
}

void removeWorkDir(const InstallRun& run) {
  if (run.workDir.empty()) return;
  std::error_code ec;
  fs::remove_all(run.workDir, ec);
}

bool failInstall(WizardState& state, InstallRun& run, std::string_view errorLine) {
  // The exit must be taken even when the line cannot be logged (no memory
  // left): the scratch folder goes and running is cleared all the same.
  // A step that failed because the player asked to stop (its child ended,
  // its copies cut short) says so, whatever it saw.
  try {
    state.logLine(std::string(stopRequested() ? kStoppedLine : errorLine));
  } catch (...) {
  }
  removeWorkDir(run);
  run.workLock.release();
  run.lock.release();
  state.running.store(false);
  return false;
}

std::string diskFullLine(const fs::path& folder) {
  return "ERROR: The disk is full: Setup could not write into \"" + pathToUtf8(folder) +
         "\". Free some space on that drive, then run Setup again.";
}

std::string unreadableFolderLine(const WalkError& error) {
  return "ERROR: Could not read the folder \"" + pathToUtf8(error.folder) + "\" (" + error.error.message() +
         "), so the game would be incomplete. Check that you may open it, then run Setup again.";
}

namespace {

// A system's text for an error, without the full stop some systems end it with.
std::string causeOf(const std::error_code& error) {
  std::string text = error.message();
  while (!text.empty() && (text.back() == '.' || text.back() == ' ' || text.back() == '\r' || text.back() == '\n')) {
    text.pop_back();
  }
  return text;
}

}  // namespace

std::optional<std::string> fileFailedLine(const fs::path& source, const fs::path& target, const FileFailure& why) {
  std::error_code ec;
  if (!source.empty() && fs::equivalent(source, target, ec)) return std::nullopt;
  if (why.readingSource) {
    return "ERROR: Could not read \"" + pathToUtf8(source) + "\" (" + causeOf(why.error) +
           "), so the game would be incomplete. Check that you may open it, then run Setup again.";
  }
  if (isFileHeldError(why.error)) {
    return "ERROR: Could not replace \"" + pathToUtf8(target) +
           "\": another program (the game?) has it open. Close that program, then run Setup again.";
  }
  return "ERROR: Could not write \"" + pathToUtf8(target) + "\" (" + causeOf(why.error) +
         "). Check that you may change the files in that folder, then run Setup again.";
}

namespace {

bool runSteps(WizardState& state, InstallRun& run) {
  settleLocations(run);
  // No scratch folder exists before makeWorkDir: the failures up to there
  // have nothing to remove.
  if (!run.lock.acquire(run.prefixDir)) {
    return failInstall(state, run,
                       "ERROR: Another setup is already installing into \"" + pathToUtf8(run.prefixDir) +
                           "\". Wait until it has finished, then run Setup again.");
  }
  if (const std::optional<std::uint64_t> free =
          freeDiskBytes(pathToUtf8(freeSpaceProbe(run.prefixDir, run.gameDir)))) {
    if (const std::optional<std::string> error = freeSpaceError(*free)) return failInstall(state, run, *error);
  }
  if (const std::optional<std::string> error = makeWorkDir(run)) return failInstall(state, run, *error);
  for (const std::string& line : removeLeftoverWorkDirs(run)) state.logLine(line);

  // A stop the player asked for is honoured between the steps too.
  const auto stopped = [&] { return stopRequested() && !failInstall(state, run, kStoppedLine); };
  if (stopped()) return false;
  state.progress.store(20);
  state.logLine("Locating GOG Classic base files...");
  if (!acquireBaseGame(state, run) || stopped()) return false;
  if (!installModLayers(state, run) || stopped()) return false;
  if (!installPortraits(state, run) || stopped()) return false;
  configureGame(state, run);
  if (stopped()) return false;
  if (!installEngine(state, run)) return false;
  return registerInstallation(state, run);
}

// The failure exit for whatever the job threw; called inside a catch.
void failOnException(WizardState& state, InstallRun& run) {
  std::string line;
  try {
    try {
      throw;
    } catch (const std::bad_alloc&) {
      line = "ERROR: Setup ran out of memory. Close other programs, then run Setup again.";
    } catch (const std::exception& e) {
      line = std::string("ERROR: Setup stopped on an unexpected error: ") + e.what();
    } catch (...) {
      line = "ERROR: Setup stopped on an unexpected error.";
    }
  } catch (...) {
  }
  failInstall(state, run, line.empty() ? std::string_view("ERROR: Setup ran out of memory.") : line);
}

}  // namespace

void WizardState::runInstallation() {
  running.store(true);
  succeeded.store(false);
  progress.store(10);

  // A closing console waits for this run to take its work back.
  struct Marked {
    Marked() { markJobRunning(true); }
    ~Marked() { markJobRunning(false); }
  } marked;
  InstallRun run;
  // Nothing thrown inside the job may end the process: it ends the job
  // through its failure exit like any other failure.
  try {
    if (!runSteps(*this, run)) return;
    removeWorkDir(run);
    run.workLock.release();
    run.lock.release();
    progress.store(100);
    logLine("Installation completed successfully (" + run.languageCode + ")!");
  } catch (...) {
    failOnException(*this, run);
    return;
  }
  succeeded.store(true);
  page.store(WizardPage::Complete);
  running.store(false);
}
