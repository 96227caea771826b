#pragma once
// A fresh folder for one test, removed with everything in it afterwards.

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <thread>

#include "platform/os.h"

struct TempDir {
  std::filesystem::path path;

  TempDir() {
    static std::atomic<int> counter{0};
    path = std::filesystem::temp_directory_path() /
           ("tkr-test-" + std::to_string(currentProcessId()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, or a path under it, as UTF-8 text.
  std::string str() const { return pathToUtf8(path); }
  std::filesystem::path sub(const std::string& utf8Relative) const {
    return path / *pathFromUtf8(utf8Relative);
  }
  std::string subStr(const std::string& utf8Relative) const { return pathToUtf8(sub(utf8Relative)); }

  // Writes a file (parents made) and returns its path.
  std::filesystem::path write(const std::string& utf8Relative, const std::string& bytes = "x") const {
    const std::filesystem::path p = sub(utf8Relative);
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  std::filesystem::path mkdir(const std::string& utf8Relative) const {
    const std::filesystem::path p = sub(utf8Relative);
    std::filesystem::create_directories(p);
    return p;
  }
};

// Removes a folder tree, trying again for up to ten seconds: under Wine a
// child that has ended may hold its working folder a moment longer. The
// error that remains, if any.
inline std::error_code removeAllRetrying(const std::filesystem::path& p) {
  std::error_code ec;
  for (int attempt = 0; attempt < 200; ++attempt) {
    std::filesystem::remove_all(p, ec);
    if (!ec) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return ec;
}

inline std::string readFileBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
