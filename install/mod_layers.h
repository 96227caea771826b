#pragma once
// The optional mod: unpacked with 7-Zip (or tar) unless it is a folder, its
// layer folder found, and its files laid over the installation.

#include <filesystem>
#include <optional>
#include <string>

#include "install/install_run.h"

std::string sevenZipCommand(const std::string& sevenZip, const std::string& outputDir,
                            const std::string& archive);
std::string tarCommand(const std::string& archive, const std::string& outputDir);

// Whether a mod file (its lowered relative path) stays out of the copy.
bool excludedFromModCopy(const std::string& loweredRelative);

// The mod's layer folder when the mod is a folder the user chose; empty
// when it is an archive, missing, or holds no layer folder.
std::filesystem::path modFolderRoot(const std::string& modArchivePath);

// Adds the copy of the mod tree at modRoot into gameDir (absolute) to plan;
// with moved, files other than links are renamed into place.
struct CopyPlan;
std::optional<WalkError> planModCopy(const std::filesystem::path& modRoot, const std::filesystem::path& gameDir,
                                     bool moved, CopyPlan& plan);

// Runs the step and sets run.modInstalled; false when the job failed.
bool installModLayers(WizardState& state, InstallRun& run);
