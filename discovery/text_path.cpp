#include "discovery/text_path.h"

#include <filesystem>
#include <system_error>

#include "platform/os.h"

namespace fs = std::filesystem;

std::string toLowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool endsWithNoCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  return toLowerAscii(std::string(text.substr(text.size() - suffix.size()))) ==
         toLowerAscii(std::string(suffix));
}

std::string trimWhitespace(std::string_view text) {
  constexpr std::string_view blanks = " \t\r\n";
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(blanks);
  return std::string(text.substr(first, last - first + 1));
}

std::string joinPath(std::string_view base, std::string_view name) {
  std::string out(base);
  if (base.empty()) return std::string(name);
  if (base.back() != '/' && base.back() != '\\') out += pathSeparator();
  out += name;
  return out;
}

std::string homeDir() {
  std::optional<std::string> profile = envValue("USERPROFILE");
  if (profile && !profile->empty()) return *profile;
  return homeFallback();
}

namespace {

fs::file_type typeOf(const std::string& path) {
  if (path.empty()) return fs::file_type::none;
  std::optional<fs::path> p = pathFromUtf8(path);
  if (!p) return fs::file_type::none;
  std::error_code ec;
  const fs::file_status st = fs::status(*p, ec);
  if (ec) return fs::file_type::none;
  return st.type();
}

}  // namespace

bool pathIsFile(const std::string& path) { return typeOf(path) == fs::file_type::regular; }

bool pathIsDir(const std::string& path) { return typeOf(path) == fs::file_type::directory; }

std::string executableDir() {
  const std::string file = executableFileName();
  if (file.empty()) return ".";
  std::optional<fs::path> p = pathFromUtf8(file);
  if (!p) return ".";
  return pathToUtf8(p->parent_path());
}

bool nameStaysInside(std::string_view name) {
  if (name.empty() || name[0] == '/' || name[0] == '\\' || name.find(':') != std::string_view::npos) {
    return false;
  }
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view part = name.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") return false;
    start = end + 1;
  }
  return true;
}

namespace {

// The folder of that name in the home folder when it exists, else the
// known folder when that exists, else (ownWhenNeither) the first or nothing.
std::string ownOrMoved(const char* name, KnownFolder which, bool ownWhenNeither) {
  std::string own = joinPath(homeDir(), name);
  if (pathIsDir(own)) return own;
  std::string moved = knownFolder(which);
  if (!moved.empty() && pathIsDir(moved)) return moved;
  return ownWhenNeither ? own : std::string();
}

}  // namespace

std::string downloadsDir() { return ownOrMoved("Downloads", KnownFolder::Downloads, true); }

std::string desktopDir() { return ownOrMoved("Desktop", KnownFolder::Desktop, false); }
