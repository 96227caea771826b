#include "platform/uninstall_entry.h"

#include <system_error>

bool writeUninstallEntry(const UninstallEntry&) { return true; }
std::optional<std::string> uninstallEntryLocation() { return std::nullopt; }
bool removeUninstallEntry() { return true; }
bool uninstallHasWindow() { return false; }

bool removeInstalledFile(const std::filesystem::path& file) {
  std::error_code ec;
  std::filesystem::remove(file, ec);
  return !ec;
}

bool removeOwnFile(const std::filesystem::path& file, const std::filesystem::path&) {
  // A running program's file may be unlinked: it lives on until it ends.
  std::error_code ec;
  std::filesystem::remove(file, ec);
  return !ec;
}
