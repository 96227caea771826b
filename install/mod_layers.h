#pragma once
// The optional mod: unpacked with 7-Zip (or tar) unless it is a folder, its
// layer folder found, and its files laid over the installation.

#include <string>

#include "install/install_run.h"

std::string sevenZipCommand(const std::string& sevenZip, const std::string& outputDir,
                            const std::string& archive);
std::string tarCommand(const std::string& archive, const std::string& outputDir);

// Whether a mod file (its lowered relative path) stays out of the copy.
bool excludedFromModCopy(const std::string& loweredRelative);

// Runs the step and sets run.modInstalled; false when the job failed.
bool installModLayers(WizardState& state, InstallRun& run);
