#pragma once
// Where an installation reads from and writes to, and the free-space check.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "install/install_run.h"

inline constexpr std::uint64_t kRequiredFreeBytes = 1200ull * 1024 * 1024;

// The installation folder: TKR_SETUP_PREFIX, else LOCALAPPDATA's
// TKR-Native-Port, else the system's fallback for it.
std::filesystem::path installPrefixDir();

// Sets exeDir, packageDir, prefixDir and gameDir, and creates gameDir.
void settleLocations(InstallRun& run);

// The ERROR line for this many free bytes, or nothing when they are enough.
std::optional<std::string> freeSpaceError(std::uint64_t freeBytes);

// Sets workDir ("tkr-win64-work-" + process id in the temporary folder) and
// creates it empty and private (a leftover of that name is emptied, or a
// "-N" name taken where it cannot be); leaves it empty when the system has
// no temporary folder. The ERROR line when every name is taken by what it
// may not use.
std::optional<std::string> makeWorkDir(InstallRun& run);

// Removes the scratch folders that earlier runs left in the same temporary
// folder (a run killed outright, a power cut): the user's own, held by no
// running Setup; links inside them are removed, never followed. Returns a
// line for each one that could not be removed.
std::vector<std::string> removeLeftoverWorkDirs(const InstallRun& run);
