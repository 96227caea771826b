#pragma once
// The base game: an installer unpacked (innoextract, else the installer in
// silent mode) or a folder used as it is; its Data folder copied into the
// installation.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "install/install_run.h"

// The two command lines, exactly as the tools receive them.
std::string innoextractCommand(const std::string& innoextract, const std::string& outputDir,
                               const std::string& installer);
std::string silentInstallerCommand(const std::string& installer, const std::string& outputDir);

// How long the GOG installer run silently may go without writing anything
// into its folder before it is taken for hung (waiting for a part of the
// download, or for an answer in a window nobody sees) and ended. Tests
// shorten it.
inline std::chrono::milliseconds installerStallLimit = std::chrono::minutes(3);

// Whether a base-game file (its lowered relative path) stays out of the copy.
bool excludedFromBaseCopy(const std::string& loweredRelative);

// Adds the base copy from sourceData into targetData to plan; renamed:
// its files are moved by a rename on one volume.
struct CopyPlan;
std::optional<WalkError> planBaseCopy(const std::filesystem::path& sourceData,
                                      const std::filesystem::path& targetData, bool renamed, CopyPlan& plan);

// The Data folder of the game in sourceDir, or an empty path: looked up in
// sourceDir itself and in its "Thrask Kovarra Classic" subfolder, and, with
// alsoInApp (an innoextract output folder), then the same way in its "app"
// subfolder. sourceDir becomes the folder that holds the Data folder found.
std::filesystem::path findGameData(std::filesystem::path& sourceDir, bool alsoInApp);

// Runs the step; false when the job failed (its ERROR line is logged).
bool acquireBaseGame(WizardState& state, InstallRun& run);
