#pragma once
// For tests: a file held open the way a running game holds its data, so
// that no other program may write or replace it. Only Windows has such
// holds; elsewhere hold() says so by returning false.

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

struct HeldFile {
#ifdef _WIN32
  HANDLE handle = INVALID_HANDLE_VALUE;
  bool hold(const std::filesystem::path& file) {
    handle = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
    return handle != INVALID_HANDLE_VALUE;
  }
  void release() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
  }
#else
  bool hold(const std::filesystem::path&) { return false; }
  void release() {}
#endif
  ~HeldFile() { release(); }
};
