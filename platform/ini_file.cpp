#include "platform/ini_file.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "discovery/text_path.h"
#include "platform/os.h"

namespace fs = std::filesystem;

namespace {

bool isHeader(const std::string& trimmed) {
  return !trimmed.empty() && trimmed[0] == '[' && trimmed.find(']') != std::string::npos;
}

std::string headerName(const std::string& trimmed) {
  return trimWhitespace(std::string_view(trimmed).substr(1, trimmed.find(']') - 1));
}

bool isComment(const std::string& trimmed) {
  return !trimmed.empty() && (trimmed[0] == ';' || trimmed[0] == '#');
}

bool sameName(const std::string& a, const std::string& b) { return toLowerAscii(a) == toLowerAscii(b); }

}  // namespace

std::vector<std::string> splitIniLines(const std::string& contents) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < contents.size()) {
    std::size_t end = contents.find('\n', start);
    const bool last = end == std::string::npos;
    if (last) end = contents.size();
    std::string line = contents.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

void setIniValueInLines(std::vector<std::string>& lines, const std::string& section,
                        const std::string& key, const std::string& value) {
  std::size_t header = lines.size();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string t = trimWhitespace(lines[i]);
    if (isHeader(t) && sameName(headerName(t), section)) {
      header = i;
      break;
    }
  }
  if (header == lines.size()) {
    if (!lines.empty() && !lines.back().empty()) lines.emplace_back();
    lines.push_back("[" + section + "]");
    lines.push_back(key + " = " + value);
    return;
  }

  std::size_t end = header + 1;
  while (end < lines.size() && !isHeader(trimWhitespace(lines[end]))) ++end;

  std::size_t lastNonBlank = header;
  for (std::size_t i = header + 1; i < end; ++i) {
    const std::string t = trimWhitespace(lines[i]);
    if (t.empty()) continue;
    lastNonBlank = i;
    if (isComment(t)) continue;
    const std::size_t eq = t.find('=');
    if (eq == std::string::npos) continue;
    if (!sameName(trimWhitespace(std::string_view(t).substr(0, eq)), key)) continue;
    std::string changed = lines[i].substr(0, lines[i].find('='));
    if (changed.empty() || (changed.back() != ' ' && changed.back() != '\t')) changed += ' ';
    lines[i] = changed + "= " + value;
    return;
  }
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastNonBlank + 1), key + " = " + value);
}

namespace {

enum class ReadResult { Read, Missing, Unreadable };

// Reads a whole regular file: a folder, a device or a read error is
// Unreadable, a path that is not there is Missing.
ReadResult readWhole(const fs::path& path, std::string& contents) {
  contents.clear();
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (st.type() == fs::file_type::not_found) {
    // A link whose target is missing is still something the user owns.
    const fs::file_status link = fs::symlink_status(path, ec);
    return link.type() == fs::file_type::symlink ? ReadResult::Unreadable : ReadResult::Missing;
  }
  if (ec || st.type() != fs::file_type::regular) return ReadResult::Unreadable;
  // Running out of memory is not a file that cannot be read: it is thrown
  // on, to end the job, rather than taken for an empty file.
  std::ifstream in(path, std::ios::binary);
  if (!in) return ReadResult::Unreadable;
  contents.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) return ReadResult::Unreadable;
  return ReadResult::Read;
}

}  // namespace

std::string readTextFile(const fs::path& path) {
  std::string contents;
  if (readWhole(path, contents) != ReadResult::Read) contents.clear();
  return contents;
}

void setIniValue(const fs::path& path, const std::string& section, const std::string& key,
                 const std::string& value) {
  std::string contents;
  // A file that is there but cannot be read (no permission, a folder) is
  // left alone rather than replaced by one section and key.
  if (readWhole(path, contents) == ReadResult::Unreadable) return;
  std::vector<std::string> lines = splitIniLines(contents);
  setIniValueInLines(lines, section, key, value);

  std::error_code ec;
  if (path.has_parent_path()) fs::create_directories(path.parent_path(), ec);
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  // The new text goes to a fresh file beside the old one and replaces it
  // only once it is whole: a full disk never leaves the user's file cut
  // short. The file keeps its mode, and a link keeps pointing at it.
  writeFileWhole(path, text);
}
