// The Windows side of the operating system seam: the Win32 calls the wizard
// makes, with UTF-8 text on our side and UTF-16 paths on the system's.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdlib>

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

bool runProcessAndWait(const std::string& commandLine, const std::string& workingDirectory) {
  std::string buffer = commandLine;
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup,
                      &info)) {
    return false;
  }
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD exitCode = 1;
  GetExitCodeProcess(info.hProcess, &exitCode);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return exitCode == 0;
}

void startProcessDetached(const std::string& commandLine, const std::string& workingDirectory) {
  std::string buffer = commandLine;
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                     workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup,
                     &info)) {
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
  }
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

bool copyFileReplacing(const fs::path& from, const fs::path& to) {
  return CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
}

fs::path freeSpaceProbe(const fs::path& prefixDir, const fs::path&) {
  return prefixDir.root_name() / prefixDir.root_directory();
}

std::string genericUtf8(const fs::path& path) {
  return pathToUtf8(fs::path(path.generic_wstring()));
}

bool replaceFile(const fs::path& from, const fs::path& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
