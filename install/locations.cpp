#include "install/locations.h"

#include <filesystem>
#include <system_error>

#include "discovery/text_path.h"
#include "platform/os.h"

namespace fs = std::filesystem;

namespace {

fs::path asPath(const std::string& utf8) { return pathFromUtf8(utf8).value_or(fs::path()); }

bool isDirectory(const fs::path& p) {
  std::error_code ec;
  return fs::is_directory(p, ec);
}

}  // namespace

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

  if (const std::optional<std::string> prefix = envValue("TKR_SETUP_PREFIX")) {
    run.prefixDir = asPath(*prefix);
  } else if (const std::optional<std::string> local = envValue("LOCALAPPDATA")) {
    run.prefixDir = asPath(joinPath(*local, "TKR-Native-Port"));
  } else {
    run.prefixDir = asPath(joinPath(prefixBaseFallback(homeDir()), "TKR-Native-Port"));
  }

  run.gameDir = run.prefixDir / "game";
  std::error_code ec;
  fs::create_directories(run.gameDir, ec);
}

std::optional<std::string> freeSpaceError(std::uint64_t freeBytes) {
  if (freeBytes >= kRequiredFreeBytes) return std::nullopt;
  return "ERROR: Need >= 1.2 GB free disk space (" + std::to_string(freeBytes / 1048576) +
         " MiB free).";
}

void makeWorkDir(InstallRun& run) {
  const std::string temp = tempDirectory();
  if (temp.empty()) {
    run.workDir.clear();
    return;
  }
  run.workDir = asPath(temp) / ("tkr-win64-work-" + std::to_string(currentProcessId()));
  std::error_code ec;
  fs::create_directories(run.workDir, ec);
}
