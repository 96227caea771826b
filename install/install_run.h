#pragma once
// The working values of one installation run, passed from step to step.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "install/tree_walk.h"
#include "platform/os.h"
#include "platform/stop.h"

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
  // What this run placed, for the record an uninstall works from: files
  // relative to prefixDir in generic form ("/"), shortcuts as full paths.
  std::vector<std::string> placed;
  std::vector<std::string> shortcuts;
  InstallLock lock;                  // held from the locations on
  InstallLock workLock;              // the scratch folder's own, while it is in use
};

// The last line of a run the player stopped (a window close, Ctrl+C, a
// closing console).
inline constexpr std::string_view kStoppedLine =
    "ERROR: Installation stopped before it finished. Run Setup again to complete it.";

// Ends the run as failed: the ERROR line, the scratch folder removed (when
// one was made), the installation's lock dropped, running cleared. Always
// returns false, for `return fail(...)`.
bool failInstall(WizardState& state, InstallRun& run, std::string_view errorLine);

// Notes a file this run placed at target, a path inside prefixDir.
void notePlaced(InstallRun& run, const std::filesystem::path& target);

// Removes the scratch folder with everything in it, errors ignored.
void removeWorkDir(const InstallRun& run);

// The ERROR lines of a full disk and of a folder the walk could not list.
std::string diskFullLine(const std::filesystem::path& folder);
std::string unreadableFolderLine(const WalkError& error);

// The ERROR line of one file that success promises but that could not be
// placed at target (from source, empty for a file the job writes itself):
// a source that cannot be read, a target held open by another program, or
// one that cannot be written. Nothing when source and target are one file,
// which then already holds its bytes.
std::optional<std::string> fileFailedLine(const std::filesystem::path& source, const std::filesystem::path& target,
                                          const FileFailure& why);

// The ERROR line for how placing one file at target went (nothing when
// done): a full disk names its folder, any other failure the file.
inline std::optional<std::string> fileResultLine(FileResult result, const std::filesystem::path& target,
                                                 const FileFailure& why = {},
                                                 const std::filesystem::path& source = {}) {
  if (result == FileResult::Done) return std::nullopt;
  if (result == FileResult::DiskFull) return diskFullLine(target.parent_path());
  return fileFailedLine(source, target, why);
}

// The copies of one step into the installation. A full disk, a file that
// cannot be placed or a folder that cannot be listed ends them, and failure
// is then the step's ERROR line.
struct StepCopies {
  std::optional<std::string> failure;

  // Takes the result of placing one file; false when the step must stop
  // (also when the player asked to stop).
  bool placed(FileResult result, const std::filesystem::path& target, const FileFailure& why = {},
              const std::filesystem::path& source = {}) {
    failure = fileResultLine(result, target, why, source);
    if (!failure && stopRequested()) failure = std::string(kStoppedLine);
    return !failure;
  }
  void walked(const std::optional<WalkError>& error) {
    if (error && !failure) failure = unreadableFolderLine(*error);
  }
};
