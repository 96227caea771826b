#pragma once
// What the copies of a run are about to add to the installation, counted
// before the first of them: the bytes its volume must take and the longest
// path they make.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "install/install_run.h"

// The characters a NewFile's fresh name adds to its target's name
// (".~tkr" and a number).
inline constexpr std::size_t kNewFileNameExtra = 10;

struct CopyPlan {
  std::uint64_t bytes = 0;
  std::uint64_t copyBytes = 0;  // the bytes the copies write, moves not counted
  std::uint64_t baseCopyBytes = 0;  // of those, the base game's (planBeforeBaseCopy)
  std::size_t longestPath = 0;  // in the system's own characters
  // Of the base files (planBeforeBaseCopy): how many go into the game, and
  // whether every file of the source goes, as it is (no link, none left
  // out), so that the whole folder may move in one rename.
  std::size_t baseFiles = 0;
  bool baseWhole = true;
  std::vector<std::string>* baseNames = nullptr;  // when given, gets each base file's path in the installation
  // The targets' tree is known to be empty: no target is looked at.
  bool targetsAbsent = false;

  // One file copied to target (an absolute path). A file it replaces counts
  // only by what it grows; one moved by a rename on the same volume counts
  // nothing. extraName is added to the target's length (a whole write).
  void add(const std::filesystem::path& source, const std::filesystem::path& target, bool moved = false,
           std::size_t extraName = 0) {
    std::error_code ec;
    longestPath = std::max(longestPath, target.native().size() + extraName);
    if (moved) return;
    const std::uintmax_t size = std::filesystem::file_size(source, ec);
    if (ec) return;
    copyBytes += size;
    std::uintmax_t existing = targetsAbsent ? 0 : std::filesystem::file_size(target, ec);
    if (ec) existing = 0;
    if (size > existing) bytes += size - existing;
  }
  void addPath(const std::filesystem::path& target, std::size_t extraName = 0) {
    longestPath = std::max(longestPath, target.native().size() + extraName);
  }
};

// The installation folder, absolute, for measuring paths.
std::filesystem::path absoluteGameDir(const InstallRun& run);

// The ERROR line when the plan's paths pass the system's limit or its bytes
// do not fit on the prefix's volume; nothing when the copies can go ahead.
std::optional<std::string> copyPlanError(const InstallRun& run, const CopyPlan& plan);

// The plan of the whole run as far as it is known before the base copy:
// the base files (renamed: moved on one volume), a mod folder, the portrait
// pack and the engine. Fills plan; returns the walk error of any tree it
// could not list.
std::optional<WalkError> planBeforeBaseCopy(const WizardState& state, const InstallRun& run,
                                            const std::filesystem::path& sourceData, bool renamed, CopyPlan& plan);
