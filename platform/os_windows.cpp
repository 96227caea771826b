// The Windows side of the operating system seam: the Win32 calls the wizard
// makes, with UTF-8 text on our side and UTF-16 paths on the system's.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cwchar>

#include "platform/os.h"

namespace fs = std::filesystem;

namespace {

constexpr DWORD kPathBuffer = 260;

// A narrow text from a Win32 call. With the UTF-8 code page selected by the
// manifest the system's narrow texts are UTF-8; on a system that ignores the
// manifest they are in the ANSI code page, and are converted from it.
std::string narrowToUtf8(const char* text) {
  if (GetACP() == CP_UTF8) return text;
  const int wide = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (wide <= 0) return text;
  std::wstring w(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, w.data(), wide);
  w.resize(static_cast<std::size_t>(wide - 1));
  return pathToUtf8(fs::path(w));
}

}  // namespace

// The environment is read and written through the wide calls, so a value
// outside ASCII survives whatever the code page.
std::optional<std::string> envValue(const char* name) {
  const std::optional<fs::path> wideName = pathFromUtf8(name);
  if (!wideName) return std::nullopt;
  SetLastError(0);
  const DWORD size = GetEnvironmentVariableW(wideName->c_str(), nullptr, 0);
  if (size == 0) return std::nullopt;  // unset
  std::wstring value(size, L'\0');
  const DWORD length = GetEnvironmentVariableW(wideName->c_str(), value.data(), size);
  if (length >= size) return std::nullopt;
  value.resize(length);
  return pathToUtf8(fs::path(value));
}

char pathSeparator() { return '\\'; }

std::optional<fs::path> pathFromUtf8(std::string_view text) {
  if (text.empty()) return fs::path();
  const int size = static_cast<int>(text.size());
  const int wide = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (wide <= 0) return std::nullopt;
  std::wstring w(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, w.data(), wide);
  return fs::path(std::move(w));
}

std::string pathToUtf8(const fs::path& path) {
  const std::wstring& w = path.native();
  if (w.empty()) return {};
  const int size = static_cast<int>(w.size());
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, w.data(), size, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), size, out.data(), bytes, nullptr, nullptr);
  return out;
}

std::string homeFallback() { return "C:\\Users"; }

std::string prefixBaseFallback(const std::string& home) { return home; }

bool hasFixedWindowsLocations() { return true; }

std::string knownFolder(KnownFolder which) {
  const KNOWNFOLDERID& id = which == KnownFolder::Desktop          ? FOLDERID_Desktop
                            : which == KnownFolder::Downloads      ? FOLDERID_Downloads
                            : which == KnownFolder::Programs       ? FOLDERID_Programs
                            : which == KnownFolder::CommonPrograms ? FOLDERID_CommonPrograms
                                                                   : FOLDERID_ProgramData;
  // Asked not to verify: a folder that does not exist is then named too,
  // and the caller looks whether it exists.
  PWSTR path = nullptr;
  std::string result;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path)) && path) {
    result = pathToUtf8(fs::path(path));
  }
  CoTaskMemFree(path);
  return result;
}

namespace {

std::wstring registryText(HKEY key, const wchar_t* name) {
  DWORD bytes = 0;
  if (RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS || bytes == 0) {
    return {};
  }
  std::wstring text(bytes / sizeof(wchar_t), L'\0');
  if (RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, text.data(), &bytes) != ERROR_SUCCESS) return {};
  text.resize(wcsnlen(text.c_str(), text.size()));
  return text;
}

}  // namespace

std::vector<GogGameRecord> gogGameRecords() {
  std::vector<GogGameRecord> records;
  for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
    HKEY games = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\GOG.com\\Games", 0, KEY_READ | view, &games) != ERROR_SUCCESS) {
      continue;
    }
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
      DWORD length = 256;
      if (RegEnumKeyExW(games, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      HKEY game = nullptr;
      if (RegOpenKeyExW(games, name, 0, KEY_READ | view, &game) != ERROR_SUCCESS) continue;
      GogGameRecord record{pathToUtf8(fs::path(registryText(game, L"gameName"))),
                           pathToUtf8(fs::path(registryText(game, L"path")))};
      RegCloseKey(game);
      if (!record.name.empty() && !record.path.empty()) records.push_back(std::move(record));
    }
    RegCloseKey(games);
  }
  return records;
}

std::string executableFileName() {
  char buffer[kPathBuffer] = {};
  const DWORD length = GetModuleFileNameA(nullptr, buffer, kPathBuffer);
  if (length == 0 || length >= kPathBuffer) return {};
  return narrowToUtf8(buffer);
}

std::string tempDirectory() {
  char buffer[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH) return {};
  return narrowToUtf8(buffer);
}

std::uint32_t currentProcessId() { return GetCurrentProcessId(); }

std::optional<std::uint64_t> freeDiskBytes(const std::string& path) {
  // The narrow call takes text in the process code page, UTF-8 here; a
  // non-ASCII path is measured through the wide call so it is never mangled.
  std::optional<fs::path> p = pathFromUtf8(path);
  if (!p) return std::nullopt;
  ULARGE_INTEGER freeForUser{};
  if (!GetDiskFreeSpaceExW(p->c_str(), &freeForUser, nullptr, nullptr)) return std::nullopt;
  return static_cast<std::uint64_t>(freeForUser.QuadPart);
}

std::vector<std::string> logicalDrives() {
  char buffer[512] = {};
  const DWORD length = GetLogicalDriveStringsA(511, buffer);
  std::vector<std::string> drives;
  DWORD i = 0;
  while (i < length && i < 511) {
    const std::string drive(buffer + i);
    if (!drive.empty()) drives.push_back(drive);
    i += static_cast<DWORD>(drive.size()) + 1;
  }
  return drives;
}

std::string searchProgram(const std::string& name) {
  char buffer[kPathBuffer] = {};
  const DWORD length = SearchPathA(nullptr, name.c_str(), nullptr, kPathBuffer, buffer, nullptr);
  // A result as long as the buffer or longer is the size it would need: the
  // buffer then holds nothing usable.
  if (length == 0 || length >= kPathBuffer) return {};
  return narrowToUtf8(buffer);
}

void setEnvValue(const char* name, const std::optional<std::string>& value) {
  const std::optional<fs::path> wideName = pathFromUtf8(name);
  const std::optional<fs::path> wideValue = pathFromUtf8(value ? *value : std::string());
  if (!wideName || !wideValue) return;
  // The C runtime's copy and the system's copy (which children inherit) are
  // both set; _wputenv_s with an empty value removes the variable.
  _wputenv_s(wideName->c_str(), wideValue->c_str());
  SetEnvironmentVariableW(wideName->c_str(), value ? wideValue->c_str() : nullptr);
}

bool narrowTextIsUtf8() { return GetACP() == CP_UTF8; }

namespace {

bool diskFullCode(DWORD code) { return code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL; }

FileResult failedWith(DWORD code) { return diskFullCode(code) ? FileResult::DiskFull : FileResult::Failed; }

}  // namespace

bool isDiskFullError(const std::error_code& error) {
  if (error.category() == std::system_category() && diskFullCode(static_cast<DWORD>(error.value()))) return true;
  return error.category() == std::generic_category() && error.value() == ENOSPC;
}

bool isFileHeldError(const std::error_code& error) {
  return error.category() == std::system_category() &&
         (error.value() == ERROR_SHARING_VIOLATION || error.value() == ERROR_LOCK_VIOLATION);
}

namespace {

// Clears the read-only attribute of an existing file; false when it had
// none or it could not be cleared.
bool clearReadOnly(const fs::path& file) {
  const DWORD attributes = GetFileAttributesW(file.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      !(attributes & FILE_ATTRIBUTE_READONLY)) {
    return false;
  }
  return SetFileAttributesW(file.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY}) != 0;
}

// Whether the source of a failed copy is what could not be read.
bool sourceUnreadable(const fs::path& from) {
  const HANDLE h = CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return true;
  CloseHandle(h);
  return false;
}

// Moves from over to; a read-only to is replaced all the same, as a setup
// program does. error is set when it failed.
bool moveOver(const fs::path& from, const fs::path& to, DWORD& error) {
  constexpr DWORD kFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  if (MoveFileExW(from.c_str(), to.c_str(), kFlags)) return true;
  error = GetLastError();
  if (error != ERROR_ACCESS_DENIED || !clearReadOnly(to)) return false;
  if (MoveFileExW(from.c_str(), to.c_str(), kFlags)) return true;
  error = GetLastError();
  return false;
}

}  // namespace

namespace {

// Notes the size of the file being copied; the copy goes on.
DWORD CALLBACK noteCopySize(LARGE_INTEGER total, LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, DWORD, DWORD, HANDLE,
                            HANDLE, LPVOID size) {
  *static_cast<std::uint64_t*>(size) = static_cast<std::uint64_t>(total.QuadPart);
  return PROGRESS_CONTINUE;
}

}  // namespace

FileResult copyFileReplacing(const fs::path& from, const fs::path& to, FileFailure* why, bool) {
  bool clearedReadOnly = false;
  for (int attempt = 0;; ++attempt) {
    std::uint64_t size = 0;
    if (CopyFileExW(from.c_str(), to.c_str(), why ? noteCopySize : nullptr, &size, nullptr, 0)) {
      if (why) why->copiedBytes = size;
      return FileResult::Done;
    }
    const DWORD error = GetLastError();
    // A read-only target (CopyFileW gives the copy the source's attributes,
    // so a game from a disc leaves read-only files) is replaced all the
    // same; one held open (the running game, a virus scanner) is tried
    // again for about two seconds.
    if (error == ERROR_ACCESS_DENIED && !clearedReadOnly && clearReadOnly(to)) {
      clearedReadOnly = true;
      continue;
    }
    if ((error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) && attempt < 40) {
      Sleep(50);
      continue;
    }
    if (why) {
      why->error.assign(static_cast<int>(error), std::system_category());
      why->readingSource = !diskFullCode(error) && sourceUnreadable(from);
    }
    return failedWith(error);
  }
}

fs::path freeSpaceProbe(const fs::path& prefixDir, const fs::path&) {
  return prefixDir.root_name() / prefixDir.root_directory();
}

std::string genericUtf8(const fs::path& path) {
  return pathToUtf8(fs::path(path.generic_wstring()));
}

bool replaceFile(const fs::path& from, const fs::path& to) {
  DWORD error = 0;
  return moveOver(from, to, error);
}

bool moveFolder(const fs::path& from, const fs::path& to) {
  // Without MOVEFILE_REPLACE_EXISTING: never over anything.
  return MoveFileExW(from.c_str(), to.c_str(), 0) != 0;
}

bool listFolder(const fs::path& folder, std::vector<FolderEntry>& entries, std::error_code& error) {
  entries.clear();
  error.clear();
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileExW((folder / L"*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                       nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) {
    error.assign(static_cast<int>(GetLastError()), std::system_category());
    return false;
  }
  struct Closer {
    HANDLE h;
    ~Closer() { FindClose(h); }
  } closer{find};
  do {
    const wchar_t* name = data.cFileName;
    if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) continue;
    FolderEntry e;
    e.name = name;
    e.utf8 = pathToUtf8(fs::path(e.name));
    const DWORD a = data.dwFileAttributes;
    e.isLink = (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    e.isFolder = (a & FILE_ATTRIBUTE_DIRECTORY) && !e.isLink;
    e.isFile = !(a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_DEVICE);
    entries.push_back(std::move(e));
  } while (FindNextFileW(find, &data));
  const DWORD last = GetLastError();
  if (last == ERROR_NO_MORE_FILES) return true;
  error.assign(static_cast<int>(last), std::system_category());
  return false;
}

bool sameVolume(const fs::path& a, const fs::path& b) {
  wchar_t va[MAX_PATH + 1] = {}, vb[MAX_PATH + 1] = {};
  if (!GetVolumePathNameW(a.c_str(), va, MAX_PATH + 1) || !GetVolumePathNameW(b.c_str(), vb, MAX_PATH + 1)) {
    return false;
  }
  return CompareStringOrdinal(va, -1, vb, -1, TRUE) == CSTR_EQUAL;
}

namespace {

// A virus scanner or an indexer may hold a file that was just written for a
// moment: a replace that meets a sharing violation is tried again for up to
// about two seconds.
bool moveOverRetrying(const fs::path& from, const fs::path& to, DWORD& error) {
  for (int attempt = 0;; ++attempt) {
    if (moveOver(from, to, error)) return true;
    // A file held open is refused as a sharing violation or, by some
    // systems, as access denied.
    const DWORD attributes = GetFileAttributesW(to.c_str());
    const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                      (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
                       !(attributes & FILE_ATTRIBUTE_READONLY));
    if (!held || attempt >= 40) return false;
    Sleep(50);
  }
}

constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

}  // namespace

bool NewFile::open(const fs::path& wanted) {
  if (!settleTarget(wanted)) return false;
  const DWORD old = GetFileAttributesW(target.c_str());
  keepMode = old != INVALID_FILE_ATTRIBUTES && !(old & FILE_ATTRIBUTE_DIRECTORY);
  keptMode = keepMode ? old : 0;
  // A fresh name made exclusively: it can never be a file of the user's.
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = target;
    temp += L".~tkr" + std::to_wstring(counter++);
    const HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      handle = reinterpret_cast<std::intptr_t>(h);
      return true;
    }
    const DWORD code = GetLastError();
    if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
      error.assign(static_cast<int>(code), std::system_category());
      result = failedWith(code);
      break;
    }
  }
  if (result == FileResult::Done) {
    result = FileResult::Failed;
    error.assign(ERROR_FILE_EXISTS, std::system_category());
  }
  temp.clear();
  return false;
}

void NewFile::write(const void* data, std::size_t size) {
  if (handle == -1 || result != FileResult::Done) return;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(handle), p, chunk, &written, nullptr) || written == 0) {
      const DWORD code = GetLastError();
      error.assign(static_cast<int>(code), std::system_category());
      result = failedWith(code);
      return;
    }
    p += written;
    size -= written;
  }
}

FileResult NewFile::commit() {
  if (handle == -1) {
    if (result == FileResult::Done) {
      result = FileResult::Failed;
      error.assign(ERROR_INVALID_HANDLE, std::system_category());
    }
    return result;
  }
  const HANDLE h = reinterpret_cast<HANDLE>(handle);
  handle = -1;
  const auto failed = [this](DWORD code) {
    error.assign(static_cast<int>(code), std::system_category());
    result = failedWith(code);
  };
  if (!CloseHandle(h) && result == FileResult::Done) failed(GetLastError());
  DWORD code = 0;
  if (result == FileResult::Done && !moveOverRetrying(temp, target, code)) failed(code);
  if (result == FileResult::Done && keepMode && (keptMode & kKeptAttributes) != FILE_ATTRIBUTE_ARCHIVE) {
    SetFileAttributesW(target.c_str(), keptMode & kKeptAttributes);
  }
  if (result != FileResult::Done) DeleteFileW(temp.c_str());
  temp.clear();
  return result;
}

void NewFile::discard() {
  if (handle != -1) {
    CloseHandle(reinterpret_cast<HANDLE>(handle));
    handle = -1;
  }
  if (!temp.empty()) DeleteFileW(temp.c_str());
  temp.clear();
}

bool makePrivateFolder(const fs::path& folder, std::error_code& error) {
  error.clear();
  // The new folder inherits the temporary folder's protection: the user's own.
  if (CreateDirectoryW(folder.c_str(), nullptr)) return true;
  error.assign(static_cast<int>(GetLastError()), std::system_category());
  return false;
}

bool isOwnFolder(const fs::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool InstallLock::acquire(const fs::path& prefixDir) {
  release();
  // A named mutex for the installation folder, the way setup programs
  // guard themselves: its name comes from the folder's full path in lower
  // case, and the system drops it when the process ends in any way.
  std::error_code ec;
  std::wstring full = fs::absolute(prefixDir, ec).lexically_normal().native();
  if (ec) full = prefixDir.native();
  while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
  if (!full.empty()) CharLowerBuffW(full.data(), static_cast<DWORD>(full.size()));
  std::uint64_t hash = 14695981039346656037ull;
  for (wchar_t c : full) {
    hash ^= static_cast<std::uint16_t>(c == L'/' ? L'\\' : c);
    hash *= 1099511628211ull;
  }
  wchar_t name[64];
  swprintf(name, 64, L"Local\\TKR-Setup-install-%016llx", static_cast<unsigned long long>(hash));
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
  if (!mutex) return true;
  const DWORD wait = WaitForSingleObject(mutex, 0);
  if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
    handle = reinterpret_cast<std::intptr_t>(mutex);
    return true;
  }
  CloseHandle(mutex);
  return wait != WAIT_TIMEOUT;
}

void InstallLock::release() {
  if (handle == -1) return;
  ReleaseMutex(reinterpret_cast<HANDLE>(handle));
  CloseHandle(reinterpret_cast<HANDLE>(handle));
  handle = -1;
}

std::optional<std::size_t> installPathLimit() {
  // Long paths count only where the system has them switched on and the
  // manifest declares the program ready for them; both are in this answer.
  using LongPathsEnabled = BOOLEAN(WINAPI*)();
  if (const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
    const auto enabled = reinterpret_cast<LongPathsEnabled>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlAreLongPathsEnabled")));
    if (enabled && enabled()) return std::nullopt;
  }
  return MAX_PATH - 1;
}

void ignoreBrokenPipe() {}
