#pragma once
// The installation as the system lists it among the user's programs, and
// the removal of the uninstaller's own files while it runs.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

// The per-user uninstall entry (no administrator rights needed). Linux
// keeps no such list: there each call does nothing and says so.
struct UninstallEntry {
  std::string installLocation;  // the installation folder
  std::string displayIcon;      // the installed engine
  std::string uninstallString;
  std::string quietUninstallString;
  std::uint32_t estimatedSizeKiB = 0;
};

// Writes (or rewrites) the entry; false when the system refused it.
bool writeUninstallEntry(const UninstallEntry& entry);
// The entry's InstallLocation, when there is an entry.
std::optional<std::string> uninstallEntryLocation();
// Removes the entry; true when none is left.
bool removeUninstallEntry();

// Whether the uninstaller shows its page in the wizard's window unless told
// to be quiet (Windows); elsewhere it works from the console only.
bool uninstallHasWindow();

// Removes an installed file; one marked read-only (a game copied from a
// disc keeps that mark) goes all the same. False when it stays.
bool removeInstalledFile(const std::filesystem::path& file);

// Removes a file of the running program (its executable or a library it
// loaded). Windows will not remove those while they run but will move
// them: the file goes into aside (a folder on its volume) and that folder
// is removed at the user's next log-on. False when the file stays where
// it is.
bool removeOwnFile(const std::filesystem::path& file, const std::filesystem::path& aside);
