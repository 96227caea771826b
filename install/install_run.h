#pragma once
// The working values of one installation run, passed from step to step.

#include <filesystem>
#include <string>

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
};

// Ends the run as failed: the ERROR line, the scratch folder removed (when
// one was made), running cleared. Always returns false, for `return fail(...)`.
bool failInstall(WizardState& state, InstallRun& run, const std::string& errorLine);

// Removes the scratch folder with everything in it, errors ignored.
void removeWorkDir(const InstallRun& run);
