#include "platform/uninstall_entry.h"

#include <windows.h>

#include <string>
#include <system_error>

#include "platform/os.h"

namespace fs = std::filesystem;

namespace {

constexpr const wchar_t* kEntryKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TKR-Native-Port";
constexpr const wchar_t* kRunOnceKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

std::wstring wide(const std::string& utf8) {
  const std::optional<fs::path> path = pathFromUtf8(utf8);
  return path ? path->native() : std::wstring();
}

bool setText(HKEY key, const wchar_t* name, const std::wstring& value) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool setNumber(HKEY key, const wchar_t* name, DWORD value) {
  return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
         ERROR_SUCCESS;
}

}  // namespace

bool writeUninstallEntry(const UninstallEntry& entry) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kEntryKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  bool ok = setText(key, L"DisplayName", L"Thrask Kovarra Native Port");
  ok = setText(key, L"DisplayVersion", L"1.0.4") && ok;
  ok = setText(key, L"Publisher", L"Braskwell") && ok;
  ok = setText(key, L"InstallLocation", wide(entry.installLocation)) && ok;
  ok = setText(key, L"DisplayIcon", wide(entry.displayIcon)) && ok;
  ok = setText(key, L"UninstallString", wide(entry.uninstallString)) && ok;
  ok = setText(key, L"QuietUninstallString", wide(entry.quietUninstallString)) && ok;
  ok = setNumber(key, L"EstimatedSize", entry.estimatedSizeKiB) && ok;
  ok = setNumber(key, L"NoModify", 1) && ok;
  ok = setNumber(key, L"NoRepair", 1) && ok;
  RegCloseKey(key);
  return ok;
}

std::optional<std::string> uninstallEntryLocation() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kEntryKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return std::nullopt;
  DWORD type = 0, bytes = 0;
  std::wstring text;
  if (RegQueryValueExW(key, L"InstallLocation", nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
      type == REG_SZ) {
    text.resize(bytes / sizeof(wchar_t) + 1);
    if (RegQueryValueExW(key, L"InstallLocation", nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()),
                         &bytes) != ERROR_SUCCESS) {
      text.clear();
    }
    text.resize(wcsnlen(text.c_str(), text.size()));
  }
  RegCloseKey(key);
  return pathToUtf8(fs::path(text));
}

bool removeUninstallEntry() {
  const LSTATUS status = RegDeleteKeyW(HKEY_CURRENT_USER, kEntryKey);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool uninstallHasWindow() { return true; }

bool removeInstalledFile(const fs::path& file) {
  if (DeleteFileW(file.c_str())) return true;
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;  // gone already
  const DWORD attributes = GetFileAttributesW(file.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return false;
  if (!SetFileAttributesW(file.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) return false;
  if (DeleteFileW(file.c_str())) return true;
  SetFileAttributesW(file.c_str(), attributes);  // it stays, as it was
  return false;
}

namespace {

// Has the system's own cmd.exe run commands at the user's next log-on.
bool atNextLogOn(const std::wstring& name, const std::wstring& commands) {
  wchar_t system[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(system, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  const std::wstring command = L"\"" + std::wstring(system) + L"\\cmd.exe\" /c " + commands;
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunOnceKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  const bool ok = setText(key, name.c_str(), command);
  RegCloseKey(key);
  return ok;
}

}  // namespace

bool removeOwnFile(const fs::path& file, const fs::path& aside) {
  if (DeleteFileW(file.c_str())) return true;
  // A running program's file may still be moved on its volume: out of the
  // installation into aside, which goes at the next log-on.
  std::error_code ec;
  fs::create_directories(aside, ec);
  const fs::path moved = aside / file.filename();
  if (MoveFileExW(file.c_str(), moved.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    atNextLogOn(L"TKR-Native-Port uninstaller", L"rd /s /q \"" + aside.native() + L"\"");
    return true;
  }
  fs::remove(aside, ec);
  // Another volume: the file itself goes at the next log-on, and with it
  // its folder and the installation's when they are empty then.
  const fs::path folder = file.parent_path();
  return atNextLogOn(L"TKR-Native-Port uninstaller " + file.filename().native(),
                     L"del /f /q \"" + file.native() + L"\" & rd \"" + folder.native() + L"\" & rd \"" +
                         folder.parent_path().native() + L"\"");
}
