#include "install/locations.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "discovery/text_path.h"
#include "platform/child_process.h"
#include "platform/os.h"

namespace fs = std::filesystem;

namespace {

fs::path asPath(const std::string& utf8) { return pathFromUtf8(utf8).value_or(fs::path()); }

bool isDirectory(const fs::path& p) {
  std::error_code ec;
  return fs::is_directory(p, ec);
}

}  // namespace

fs::path installPrefixDir() {
  if (const std::optional<std::string> prefix = envValue("TKR_SETUP_PREFIX")) return asPath(*prefix);
  if (const std::optional<std::string> local = envValue("LOCALAPPDATA")) {
    return asPath(joinPath(*local, "TKR-Native-Port"));
  }
  return asPath(joinPath(prefixBaseFallback(homeDir()), "TKR-Native-Port"));
}

void settleLocations(InstallRun& run) {
  run.exeDir = asPath(executableDir());

  const std::optional<std::string> pkg = envValue("TKR_PKG_DIR");
  const fs::path candidate = pkg ? asPath(*pkg) : run.exeDir.parent_path();
  if (isDirectory(candidate / "installer")) {
    run.packageDir = candidate;
  } else if (isDirectory(run.exeDir / "installer")) {
    run.packageDir = run.exeDir;
  } else {
    run.packageDir = candidate;
  }

  run.prefixDir = installPrefixDir();

  run.gameDir = run.prefixDir / "game";
  std::error_code ec;
  fs::create_directories(run.gameDir, ec);
}

std::optional<std::string> freeSpaceError(std::uint64_t freeBytes) {
  if (freeBytes >= kRequiredFreeBytes) return std::nullopt;
  return "ERROR: Need >= 1.2 GB free disk space (" + std::to_string(freeBytes / 1048576) +
         " MiB free).";
}

namespace {

// Removes what a folder holds, never following a link (a link is removed
// itself, not what it leads to); false when anything stays.
bool emptyFolder(const fs::path& folder) {
  std::vector<FolderEntry> entries;
  std::error_code ec;
  if (!listFolder(folder, entries, ec)) return false;
  bool emptied = true;
  for (const FolderEntry& e : entries) {
    const fs::path entry = folder / e.name;
    if (e.isFolder && !emptyFolder(entry)) emptied = false;
    if (!fs::remove(entry, ec) || ec) emptied = false;
  }
  return emptied;
}

}  // namespace

std::optional<std::string> makeWorkDir(InstallRun& run) {
  const std::string temp = tempDirectory();
  if (temp.empty()) {
    run.workDir.clear();
    return std::nullopt;
  }
  const fs::path base = asPath(temp);
  std::error_code ec;
  fs::create_directories(base, ec);
  // The scratch folder belongs to this run alone: made afresh and private.
  // A leftover of the same name (a crashed run whose process id came back)
  // is emptied when it is a folder of this user's own; where it cannot be
  // (another user's, a link, in use), the next free name is taken.
  const std::string name = "tkr-win64-work-" + std::to_string(currentProcessId());
  fs::path unmade;
  // A folder once made is handed over by a move, which cannot fail: no
  // failed allocation may leave it made but unknown to the failure exit.
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = base / (attempt == 0 ? name : name + "-" + std::to_string(attempt));
    if (makePrivateFolder(candidate, ec)) {
      run.workDir = std::move(candidate);
      run.workLock.acquire(run.workDir);
      return std::nullopt;
    }
    const bool exists = fs::exists(fs::symlink_status(candidate, ec));
    if (exists && isOwnFolder(candidate) && emptyFolder(candidate) && fs::remove(candidate, ec) &&
        makePrivateFolder(candidate, ec)) {
      run.workDir = std::move(candidate);
      run.workLock.acquire(run.workDir);
      return std::nullopt;
    }
    if (!exists && unmade.empty()) unmade = candidate;
  }
  // No folder could be made (a temporary folder that cannot be written):
  // a name where nothing lies, which the steps that need it fail to use.
  if (!unmade.empty()) {
    run.workDir = std::move(unmade);
    return std::nullopt;
  }
  return "ERROR: Could not make a scratch folder in \"" + pathToUtf8(base) +
         "\": every name Setup tried is taken. Empty that folder, then run Setup again.";
}

namespace {

// The process id in a scratch folder's name ("tkr-win64-work-<pid>" or
// "tkr-win64-work-<pid>-<n>"); nothing for any other name.
std::optional<std::uint64_t> scratchFolderPid(const std::string& name) {
  constexpr std::string_view kStem = "tkr-win64-work-";
  if (name.rfind(kStem, 0) != 0) return std::nullopt;
  std::uint64_t pid = 0;
  std::size_t i = kStem.size(), digits = 0;
  for (; i < name.size() && name[i] >= '0' && name[i] <= '9' && digits < 12; ++i, ++digits) {
    pid = pid * 10 + static_cast<std::uint64_t>(name[i] - '0');
  }
  if (digits == 0) return std::nullopt;
  if (i < name.size()) {
    if (name[i] != '-' || i + 1 == name.size()) return std::nullopt;
    for (++i; i < name.size(); ++i) {
      if (name[i] < '0' || name[i] > '9') return std::nullopt;
    }
  }
  return pid;
}

}  // namespace

std::vector<std::string> removeLeftoverWorkDirs(const InstallRun& run) {
  std::vector<std::string> lines;
  if (run.workDir.empty()) return lines;
  const fs::path base = run.workDir.parent_path();
  std::vector<FolderEntry> entries;
  std::error_code ec;
  if (!listFolder(base, entries, ec)) return lines;
  const std::uint32_t self = currentProcessId();
  for (const FolderEntry& e : entries) {
    const std::optional<std::uint64_t> pid = scratchFolderPid(e.utf8);
    if (!pid || !e.isFolder) continue;
    const fs::path folder = base / e.name;
    if (folder == run.workDir || !isOwnFolder(folder)) continue;
    // A running Setup holds its scratch folder's lock; the process id in
    // the name also covers the moment between making the folder and
    // locking it (a folder of this process's own id is a leftover, as
    // this run holds another).
    if (*pid != self && processRunning(static_cast<std::uint32_t>(*pid))) continue;
    {
      InstallLock probe;
      if (!probe.acquire(folder) || probe.handle < 0) continue;
    }
    if (emptyFolder(folder) && fs::remove(folder, ec) && !ec) continue;
    lines.push_back("Could not remove the scratch folder \"" + pathToUtf8(folder) +
                    "\" that an earlier Setup left behind" + (ec ? " (" + ec.message() + ")" : std::string()) +
                    ". Delete it to free its space.");
  }
  return lines;
}
