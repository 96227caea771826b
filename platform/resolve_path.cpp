#include "platform/resolve_path.h"

#include <string>
#include <system_error>

#include "discovery/text_path.h"
#include "platform/os.h"

namespace fs = std::filesystem;

namespace {

bool pathExists(const fs::path& p) {
  std::error_code ec;
  const fs::file_status st = fs::status(p, ec);
  return !ec && st.type() != fs::file_type::not_found && st.type() != fs::file_type::none;
}

bool isDirectory(const fs::path& p) {
  std::error_code ec;
  return fs::is_directory(p, ec) && !ec;
}

}  // namespace

fs::path resolvePathNoCase(const fs::path& base, std::string_view relative) {
  const std::optional<fs::path> rel = pathFromUtf8(relative);
  if (!rel) return {};
  const fs::path direct = base / *rel;
  if (pathExists(direct)) return direct;

  fs::path current = base;
  std::size_t start = 0;
  while (start <= relative.size()) {
    std::size_t end = relative.find('/', start);
    if (end == std::string_view::npos) end = relative.size();
    const std::string_view piece = relative.substr(start, end - start);
    start = end + 1;
    if (!piece.empty()) {
      const std::optional<fs::path> name = pathFromUtf8(piece);
      if (!name) return {};
      if (pathExists(current / *name)) {
        current /= *name;
      } else {
        if (!isDirectory(current)) return {};
        const std::string wanted = toLowerAscii(std::string(piece));
        bool found = false;
        std::error_code ec;
        std::vector<FolderEntry> entries;
        listFolder(current, entries, ec);  // what it listed before an error still counts
        for (const FolderEntry& e : entries) {
          if (toLowerAscii(e.utf8) == wanted) {
            current /= e.name;
            found = true;
            break;
          }
        }
        if (!found) return {};
      }
    }
    if (end == relative.size()) break;
  }
  return current;
}
