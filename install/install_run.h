#pragma once
// The working values of one installation run, passed from step to step.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "install/tree_walk.h"
#include "platform/os.h"

struct WizardState;

struct InstallRun {
  std::filesystem::path exeDir;      // folder of the running setup executable
  std::filesystem::path packageDir;  // holds installer/ and bin/
  std::filesystem::path prefixDir;   // root of the installation
  std::filesystem::path gameDir;     // prefixDir/game
  std::filesystem::path workDir;     // scratch folder; empty when none
  std::filesystem::path sourceDir;   // folder with the GOG base files
  bool modInstalled = false;         // the mod layers were copied in this run
  std::string languageCode = "en";
  InstallLock lock;                  // held from the locations on
};

// Ends the run as failed: the ERROR line, the scratch folder removed (when
// one was made), the installation's lock dropped, running cleared. Always
// returns false, for `return fail(...)`.
bool failInstall(WizardState& state, InstallRun& run, std::string_view errorLine);

// Removes the scratch folder with everything in it, errors ignored.
void removeWorkDir(const InstallRun& run);

// The ERROR lines of a full disk and of a folder the walk could not list.
std::string diskFullLine(const std::filesystem::path& folder);
std::string unreadableFolderLine(const WalkError& error);

// The copies of one step into the installation. Single files that fail are
// passed over; a full disk or a folder that cannot be listed ends them, and
// failure is then the step's ERROR line.
struct StepCopies {
  std::optional<std::string> failure;

  // Takes the result of placing one file; false when the step must stop.
  bool placed(FileResult result, const std::filesystem::path& target) {
    if (result != FileResult::DiskFull) return true;
    failure = diskFullLine(target.parent_path());
    return false;
  }
  void walked(const std::optional<WalkError>& error) {
    if (error && !failure) failure = unreadableFolderLine(*error);
  }
};
