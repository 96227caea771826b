#pragma once
// A child program that writes into a folder, watched through that folder:
// the bytes in it move the bar, a stop the player asks for ends the child,
// and (when a stall limit is set) so does a folder where nothing has grown
// or changed for that long.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "install/step_progress.h"
#include "platform/child_process.h"

// The files and bytes under a folder and its latest change: one value that
// changes whenever anything in it grows or is written.
struct FolderFingerprint {
  std::uintmax_t files = 0, bytes = 0;
  std::filesystem::file_time_type latest{};
  bool operator==(const FolderFingerprint&) const = default;
};
FolderFingerprint fingerprint(const std::filesystem::path& folder);

struct FolderWatch {
  using Clock = std::chrono::steady_clock;

  std::filesystem::path folder;
  StepProgress* progress = nullptr;
  std::optional<Clock::duration> stallLimit;
  bool stalled = false;  // the child was ended for writing nothing

  // Its fingerprint is taken now: a stall counts from here.
  FolderWatch(std::filesystem::path watched, StepProgress* bar,
              std::optional<Clock::duration> limit = std::nullopt);

  // Runs commandLine (hidden, with no working folder) under this watch.
  ChildOutcome run(const std::string& commandLine);
  // The question a ChildWatch asks; for a run that keeps more of the child.
  bool keepGoing();

 private:
  FolderFingerprint last;
  Clock::time_point changed, looked;
  Clock::duration every;
};
