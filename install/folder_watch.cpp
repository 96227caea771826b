#include "install/folder_watch.h"

#include <algorithm>
#include <system_error>

#include "platform/stop.h"

namespace fs = std::filesystem;

FolderFingerprint fingerprint(const fs::path& folder) {
  FolderFingerprint print;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
       !ec && it != end; it.increment(ec)) {
    std::error_code entry;
    if (it->is_symlink(entry)) continue;
    ++print.files;
    if (it->is_regular_file(entry)) print.bytes += it->file_size(entry);
    const fs::file_time_type written = it->last_write_time(entry);
    if (!entry && written > print.latest) print.latest = written;
  }
  return print;
}

FolderWatch::FolderWatch(fs::path watched, StepProgress* bar, std::optional<Clock::duration> limit)
    : folder(std::move(watched)), progress(bar), stallLimit(limit) {
  // The bar moves at least once a second while bytes flow; a stall is
  // seen within a quarter of its limit.
  every = std::chrono::milliseconds(500);
  if (stallLimit) every = std::min<Clock::duration>(every, *stallLimit / 4);
  if (stallLimit) last = fingerprint(folder);
  changed = looked = Clock::now();
}

ChildOutcome FolderWatch::run(const std::string& commandLine) {
  ChildWatch watch;
  watch.keepGoing = [this] { return keepGoing(); };
  return runProcessWatched(commandLine, "", watch);
}

bool FolderWatch::keepGoing() {
  if (stopRequested()) return false;
  // Without a total for the bar and without a stall limit a walk tells
  // nothing: the folder is not walked while the child writes into it.
  if (!stallLimit && !(progress && progress->total > 0)) return true;
  const Clock::time_point now = Clock::now();
  if (now - looked < every) return true;
  looked = now;
  const FolderFingerprint print = fingerprint(folder);
  if (progress) progress->show(print.bytes);
  if (!(print == last)) {
    last = print;
    changed = now;
  }
  stalled = stallLimit && now - changed >= *stallLimit;
  return !stalled;
}
