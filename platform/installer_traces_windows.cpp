// What a GOG installer run silently leaves on the machine, noted before it
// runs and taken back after its files were moved out of the scratch folder:
// registry keys under a few watched paths (each key's values), and the
// files under a few watched folders (each file's bytes).

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <map>
#include <string>
#include <system_error>
#include <vector>

#include "platform/os.h"

namespace fs = std::filesystem;

namespace {

struct Value {
  DWORD type = 0;
  std::vector<BYTE> data;
  bool operator==(const Value&) const = default;
};
using Key = std::map<std::wstring, Value>;  // value name -> value

// One watched registry place: a root, a view and a path whose subkeys are
// the records (one uninstall entry, one game).
struct Place {
  HKEY root;
  REGSAM view;
  const wchar_t* path;
};
constexpr const wchar_t* kUninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const wchar_t* kGogGames = L"SOFTWARE\\GOG.com\\Games";
const Place kPlaces[] = {
    {HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, kUninstall}, {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kUninstall},
    {HKEY_CURRENT_USER, KEY_WOW64_64KEY, kUninstall},  {HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, kGogGames},
    {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kGogGames},
};
constexpr std::size_t kPlaceCount = sizeof(kPlaces) / sizeof(kPlaces[0]);

Key readKey(HKEY key) {
  Key values;
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD nameLength = 16384, type = 0, bytes = 0;
    if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) break;
    Value v{type, std::vector<BYTE>(bytes)};
    nameLength = 16384;
    if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, v.data.data(), &bytes) != ERROR_SUCCESS) continue;
    v.data.resize(bytes);
    values[std::wstring(name, nameLength)] = std::move(v);
  }
  return values;
}

// The subkeys of one place with their values.
std::map<std::wstring, Key> readPlace(const Place& place) {
  std::map<std::wstring, Key> keys;
  HKEY parent = nullptr;
  if (RegOpenKeyExW(place.root, place.path, 0, KEY_READ | place.view, &parent) != ERROR_SUCCESS) return keys;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD length = 256;
    if (RegEnumKeyExW(parent, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY sub = nullptr;
    if (RegOpenKeyExW(parent, name, 0, KEY_READ | place.view, &sub) != ERROR_SUCCESS) continue;
    keys[name] = readKey(sub);
    RegCloseKey(sub);
  }
  RegCloseKey(parent);
  return keys;
}

void writeKey(const Place& place, const std::wstring& name, const Key& wanted, const Key& now) {
  const std::wstring path = std::wstring(place.path) + L"\\" + name;
  HKEY key = nullptr;
  if (RegCreateKeyExW(place.root, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE | place.view, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  for (const auto& [valueName, value] : now) {
    if (!wanted.count(valueName)) RegDeleteValueW(key, valueName.c_str());
  }
  for (const auto& [valueName, value] : wanted) {
    const auto it = now.find(valueName);
    if (it != now.end() && it->second == value) continue;
    RegSetValueExW(key, valueName.c_str(), 0, value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
  }
  RegCloseKey(key);
}

void deleteKey(const Place& place, const std::wstring& name) {
  HKEY parent = nullptr;
  if (RegOpenKeyExW(place.root, place.path, 0, KEY_READ | KEY_WRITE | place.view, &parent) != ERROR_SUCCESS) return;
  RegDeleteTreeW(parent, name.c_str());
  RegDeleteKeyExW(parent, name.c_str(), place.view, 0);
  RegCloseKey(parent);
}

// The watched folders: both Start Menus and GOG's folder in the common
// application data folder.
std::vector<fs::path> watchedFolders() {
  std::vector<fs::path> folders;
  for (const KnownFolder which : {KnownFolder::CommonPrograms, KnownFolder::Programs}) {
    if (const std::string f = knownFolder(which); !f.empty()) folders.push_back(*pathFromUtf8(f));
  }
  if (const std::string data = knownFolder(KnownFolder::ProgramData); !data.empty()) {
    folders.push_back(*pathFromUtf8(data) / L"GOG.com");
  }
  return folders;
}

std::string readBytes(const fs::path& file) {
  std::string bytes;
  const HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return bytes;
  char buffer[65536];
  DWORD n = 0;
  while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
  CloseHandle(h);
  return bytes;
}

// Every file under a folder (links not followed), by full path.
void readFolder(const fs::path& folder, std::map<fs::path, std::string>& files, std::vector<fs::path>* folders) {
  std::vector<FolderEntry> entries;
  std::error_code ec;
  if (!listFolder(folder, entries, ec)) return;
  for (const FolderEntry& e : entries) {
    const fs::path p = folder / e.name;
    if (e.isFolder) {
      if (folders) folders->push_back(p);
      readFolder(p, files, folders);
    } else if (e.isFile && !e.isLink) {
      files[p] = readBytes(p);
    }
  }
}

bool startsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
  return text.size() >= prefix.size() &&
         CompareStringOrdinal(text.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                              static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

std::wstring textOf(const Value& v) {
  if (v.type != REG_SZ && v.type != REG_EXPAND_SZ) return {};
  std::wstring text(reinterpret_cast<const wchar_t*>(v.data.data()), v.data.size() / sizeof(wchar_t));
  return text.substr(0, text.find(L'\0'));
}

}  // namespace

// The keys of a place's path, from the deepest up to the one below
// SOFTWARE ("SOFTWARE\GOG.com\Games", "SOFTWARE\GOG.com").
std::vector<std::wstring> pathKeys(const wchar_t* path) {
  std::vector<std::wstring> keys;
  std::wstring p = path;
  while (p.find(L'\\') != std::wstring::npos) {
    keys.push_back(p);
    p.resize(p.rfind(L'\\'));
  }
  return keys;
}

bool keyExists(HKEY root, REGSAM view, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

struct InstallerTraces::Snapshot {
  std::map<std::wstring, Key> keys[kPlaceCount];
  std::vector<bool> pathExisted[kPlaceCount];  // each of pathKeys(place.path)
  std::map<fs::path, std::string> files;
  std::vector<fs::path> folders;
};

void InstallerTraces::record() {
  auto snapshot = std::make_shared<Snapshot>();
  for (std::size_t i = 0; i < kPlaceCount; ++i) {
    snapshot->keys[i] = readPlace(kPlaces[i]);
    for (const std::wstring& key : pathKeys(kPlaces[i].path)) {
      snapshot->pathExisted[i].push_back(keyExists(kPlaces[i].root, kPlaces[i].view, key));
    }
  }
  for (const fs::path& folder : watchedFolders()) {
    std::error_code ec;
    if (fs::is_directory(folder, ec)) snapshot->folders.push_back(folder);
    readFolder(folder, snapshot->files, &snapshot->folders);
  }
  before = std::move(snapshot);
}

void InstallerTraces::undo(const fs::path& installDir) {
  if (!before) return;
  // A new uninstall entry of the installation in installDir: its own
  // uninstaller takes away what the installer did.
  std::error_code ec;
  const std::wstring dir = fs::absolute(installDir, ec).lexically_normal().native();
  const fs::path uninstaller = installDir / L"unins000.exe";
  const auto newEntries = [&] {
    int count = 0;
    for (std::size_t i = 0; i < kPlaceCount; ++i) {
      if (kPlaces[i].path != kUninstall) continue;
      for (const auto& [name, values] : readPlace(kPlaces[i])) {
        if (before->keys[i].count(name)) continue;
        const auto location = values.find(L"InstallLocation");
        if (location != values.end() && startsWithNoCase(textOf(location->second), dir)) ++count;
      }
    }
    return count;
  };
  if (newEntries() > 0 && fs::is_regular_file(uninstaller, ec)) {
    runProcessAndWait("\"" + pathToUtf8(uninstaller) + "\" /VERYSILENT /SUPPRESSMSGBOXES /NORESTART", "");
    // The uninstaller may finish in a copy of itself that it starts from
    // the temporary folder: its entry going is the sign it is done (a
    // minute at most).
    for (int wait = 0; wait < 600 && newEntries() > 0; ++wait) Sleep(100);
  }
  // Whatever is still different is put back as it was.
  for (std::size_t i = 0; i < kPlaceCount; ++i) {
    const std::map<std::wstring, Key> now = readPlace(kPlaces[i]);
    for (const auto& [name, values] : now) {
      const auto was = before->keys[i].find(name);
      if (was == before->keys[i].end()) {
        deleteKey(kPlaces[i], name);
      } else if (!(was->second == values)) {
        writeKey(kPlaces[i], name, was->second, values);
      }
    }
    for (const auto& [name, values] : before->keys[i]) {
      if (!now.count(name)) writeKey(kPlaces[i], name, values, {});
    }
    // Keys the installer made on the way (GOG.com\Games) go once empty.
    const std::vector<std::wstring> keys = pathKeys(kPlaces[i].path);
    for (std::size_t k = 0; k < keys.size(); ++k) {
      if (!before->pathExisted[i][k]) RegDeleteKeyExW(kPlaces[i].root, keys[k].c_str(), kPlaces[i].view, 0);
    }
  }
  std::map<fs::path, std::string> files;
  std::vector<fs::path> folders;
  for (const fs::path& folder : watchedFolders()) {
    if (fs::is_directory(folder, ec)) folders.push_back(folder);
    readFolder(folder, files, &folders);
  }
  for (const auto& [file, bytes] : files) {
    if (!before->files.count(file)) DeleteFileW(file.c_str());
  }
  for (const auto& [file, bytes] : before->files) {
    const auto now = files.find(file);
    if (now != files.end() && now->second == bytes) continue;
    fs::create_directories(file.parent_path(), ec);
    writeFileWhole(file, bytes);
  }
  // New folders go once empty, the deepest first.
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
    bool known = false;
    for (const fs::path& f : before->folders) known = known || f == *it;
    if (!known) RemoveDirectoryW(it->c_str());
  }
  before.reset();
}
