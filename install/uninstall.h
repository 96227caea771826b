#pragma once
// The record of what Setup installed, written as an installation's last
// file, and the uninstall that works from it: every listed file goes,
// then the shortcuts that still lead into the installation, the folders
// left empty and the system's entry. Nothing unlisted is touched.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct WizardState;
struct InstallRun;

// The folder inside the installation with the uninstaller and the record.
inline constexpr const char* kUninstallFolder = "Uninstall";
inline constexpr const char* kRecordName = "installed-files.txt";

struct InstallRecord {
  std::vector<std::string> files;      // relative to the installation, "/" between names
  std::vector<std::string> shortcuts;  // full paths
};

// The record's text, and the record read back from it.
std::string recordText(const std::vector<std::string_view>& files, const std::vector<std::string_view>& shortcuts);
InstallRecord parseRecord(const std::string& text);

// The last step of a successful install: the uninstaller copied into the
// installation, the record (what earlier installs listed and is still
// there, and what this run placed) written whole, and the system's entry.
// False after the failure exit.
bool registerInstallation(WizardState& state, InstallRun& run);

// What an uninstall of the installation at prefix will do, checked before
// anything is removed.
struct UninstallPlan {
  std::filesystem::path prefix;
  std::vector<std::filesystem::path> files;      // every listed file, inside prefix
  std::vector<std::filesystem::path> shortcuts;  // the listed shortcuts
  std::optional<std::string> refusal;            // the ERROR line when nothing may be removed
};

// The installation the uninstaller works on: the one it was copied into
// (its own folder's parent, when that holds a record), else the one Setup
// installs into.
std::filesystem::path uninstallPrefix();
UninstallPlan planUninstall(const std::filesystem::path& prefix);

// Removes what plan lists; each line is handed to log as it comes, the
// last one says what was kept. True when every listed file is gone.
bool runUninstall(const UninstallPlan& plan, const std::function<void(const std::string&)>& log);
