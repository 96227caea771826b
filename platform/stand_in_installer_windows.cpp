// For tests: a 64-bit stand-in for a GOG installer that registers itself as
// the real one does when run with /VERYSILENT ... /DIR=<folder>: the game's
// files in the folder, an uninstall entry and GOG's record of the game in
// the 32-bit registry view, a Start Menu group in the common Programs
// folder, a settings file in the common application data folder, and
// itself as unins000.exe in the folder. Run as unins000.exe it takes all of
// that away again, as the real uninstaller does.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr const wchar_t* kEntry =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{TKR-STAND-IN-1207658888}_is1";
constexpr const wchar_t* kRecord = L"SOFTWARE\\GOG.com\\Games\\1207658888";

fs::path known(const KNOWNFOLDERID& id) {
  PWSTR path = nullptr;
  fs::path result;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path)) && path) result = path;
  CoTaskMemFree(path);
  return result;
}

void setText(const wchar_t* keyPath, const wchar_t* name, const std::wstring& text) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_WRITE | KEY_WOW64_32KEY, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

void write(const fs::path& file, const std::wstring& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << fs::path(text).string();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const fs::path menu = known(FOLDERID_CommonPrograms) / L"GOG.com" / L"Thrask Kovarra";
  const fs::path settings = known(FOLDERID_ProgramData) / L"GOG.com" / L"Thrask Kovarra";
  std::error_code ec;

  if (_wcsicmp(fs::path(self).filename().c_str(), L"unins000.exe") == 0) {
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kEntry, KEY_WOW64_32KEY, 0);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kRecord, KEY_WOW64_32KEY, 0);
    fs::remove_all(menu, ec);
    fs::remove(menu.parent_path(), ec);  // only when empty
    fs::remove_all(settings, ec);
    fs::remove(settings.parent_path(), ec);
    return 0;
  }

  fs::path dir;
  for (int i = 1; i < argc; ++i) {
    const std::wstring a = argv[i];
    if (a.rfind(L"/DIR=", 0) == 0) dir = a.substr(5);
  }
  if (dir.empty()) return 2;
  write(dir / L"Data" / L"stand-in.rvk", L"the game, installed by the stand-in");
  fs::copy_file(self, dir / L"unins000.exe", fs::copy_options::overwrite_existing, ec);
  const std::wstring where = dir.wstring() + L"\\";
  setText(kEntry, L"DisplayName", L"Thrask Kovarra");
  setText(kEntry, L"InstallLocation", where);
  setText(kEntry, L"UninstallString", L"\"" + (dir / L"unins000.exe").wstring() + L"\"");
  setText(kRecord, L"gameName", L"Thrask Kovarra");
  setText(kRecord, L"path", dir.wstring());
  write(menu / L"Thrask Kovarra.lnk", L"shortcut to " + where);
  write(menu / L"Uninstall Thrask Kovarra.lnk", L"shortcut to " + where + L"unins000.exe");
  write(settings / L"gog-settings.cfg", L"installed into " + where);
  return 0;
}
