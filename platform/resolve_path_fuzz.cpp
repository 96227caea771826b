// Fuzz target for the case-insensitive path lookup on a generated tree:
// names in mixed case, a case-only twin, non-ASCII and spaced names, a link
// to a folder and a link that loops. The input is the relative path asked
// for. Checks that an answer exists on disk and, for a path that stays
// inside the tree, that it names the same parts in another letter case.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "discovery/text_path.h"
#include "platform/os.h"
#include "platform/resolve_path.h"

namespace fs = std::filesystem;

namespace {

fs::path base;

void touch(const fs::path& p) {
  fs::create_directories(p.parent_path());
  std::ofstream(p) << "x";
}

// The parts of a "/" path, empty ones dropped, joined again.
std::string withoutEmptyParts(const std::string& path) {
  std::string out;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) out += (out.empty() ? "" : "/") + path.substr(start, end - start);
    start = end + 1;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  base = fs::temp_directory_path() / ("tkr-resolve-fuzz-" + std::to_string(getpid()));
  fs::remove_all(base);
  for (const char* f : {"Data/Maps/m.rvm", "Data/QVSFaces/BigFaces/200.rvi", "DATA/Other.rvk",
                        "data-va/Tkr.ini", "Sp\xC3\xA4ter Ordner/a b.txt", "file.txt", "Data/x/y/z/deep.rvi"}) {
    touch(base / f);
  }
  fs::create_directory_symlink("Data", base / "Link");
  fs::create_directory_symlink(".", base / "Data" / "Loop");
  std::atexit([] {
    std::error_code ec;
    fs::remove_all(base, ec);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 512) return 0;
  const std::string relative(reinterpret_cast<const char*>(data), size);
  if (relative.find('\0') != std::string::npos) return 0;  // not a name a caller can pass
  const fs::path found = resolvePathNoCase(base, relative);
  if (found.empty()) return 0;
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(found, ec)) || ec) std::abort();
  // An absolute path or one with "." or ".." parts may leave the tree.
  if (relative[0] == '/' || !nameStaysInside(withoutEmptyParts(relative))) return 0;
  if (relative.find('\\') != std::string::npos) return 0;  // a plain letter on this system
  const std::string asked = withoutEmptyParts(relative);
  if (asked.empty()) return 0;
  const std::string got = withoutEmptyParts(genericUtf8(found.lexically_relative(base)));
  if (toLowerAscii(got) != toLowerAscii(asked)) std::abort();
  return 0;
}
