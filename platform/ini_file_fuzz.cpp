// Fuzz target for the INI writer: random file contents, section, key and
// value. Checks that every line outside the edit passes through unchanged,
// that the key then reads back with its value, and that every line ends in
// CR LF when written.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "discovery/text_path.h"
#include "platform/ini_file.h"

namespace {

// Takes one NUL-free, LF-free name from the input.
std::string takeName(const std::uint8_t*& data, std::size_t& size, std::size_t max) {
  std::string out;
  while (size > 0 && out.size() < max) {
    const char c = static_cast<char>(*data);
    ++data;
    --size;
    if (c == '\0') break;
    if (c == '\n' || c == '\r') continue;
    out += c;
  }
  return out;
}

// The value the key has in the first section of that name, as a reader that
// follows the same rules sees it.
bool readBack(const std::vector<std::string>& lines, const std::string& section,
              const std::string& key, std::string& value) {
  bool inSection = false, seenSection = false;
  for (const std::string& raw : lines) {
    const std::string t = trimWhitespace(raw);
    if (!t.empty() && t[0] == '[' && t.find(']') != std::string::npos) {
      if (seenSection) return false;
      inSection = toLowerAscii(trimWhitespace(t.substr(1, t.find(']') - 1))) == toLowerAscii(section);
      seenSection = inSection;
      continue;
    }
    if (!inSection || t.empty() || t[0] == ';' || t[0] == '#') continue;
    const std::size_t eq = t.find('=');
    if (eq == std::string::npos) continue;
    if (toLowerAscii(trimWhitespace(t.substr(0, eq))) != toLowerAscii(key)) continue;
    value = raw.substr(raw.find('=') + 1);
    return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string section = takeName(data, size, 16);
  std::string key = takeName(data, size, 16);
  const std::string value = takeName(data, size, 16);
  // Names that a reader could not find again are outside the writer's
  // contract: brackets in a section, "=", ";", "#" or blanks around a key.
  section = trimWhitespace(section);
  key = trimWhitespace(key);
  if (section.find_first_of("[]") != std::string::npos || key.empty() ||
      key.find_first_of("=[]") != std::string::npos || key[0] == ';' || key[0] == '#') {
    return 0;
  }
  const std::string contents(reinterpret_cast<const char*>(data), size);

  const std::vector<std::string> before = splitIniLines(contents);
  std::vector<std::string> after = before;
  setIniValueInLines(after, section, key, value);

  // Every line outside the edit passes through: one line changed in place,
  // one line inserted, or a separator, header and key appended.
  const std::size_t n = before.size();
  if (after.size() == n) {
    std::size_t differing = 0;
    for (std::size_t i = 0; i < n; ++i) differing += after[i] != before[i];
    if (differing > 1) std::abort();
  } else if (after.size() == n + 1) {
    std::size_t p = 0;
    while (p < n && after[p] == before[p]) ++p;
    for (std::size_t i = p; i < n; ++i) {
      if (after[i + 1] != before[i]) std::abort();
    }
  } else if (after.size() == n + 2 || after.size() == n + 3) {
    for (std::size_t i = 0; i < n; ++i) {
      if (after[i] != before[i]) std::abort();
    }
  } else {
    std::abort();
  }

  std::string readValue;
  if (!readBack(after, section, key, readValue)) std::abort();
  if (trimWhitespace(readValue) != trimWhitespace(value)) std::abort();

  std::string written;
  for (const std::string& line : after) written += line + "\r\n";
  if (splitIniLines(written) != after && !after.empty()) {
    // Only a line that itself ends in CR can differ when read again.
    bool endsInCr = false;
    for (const std::string& line : after) endsInCr = endsInCr || (!line.empty() && line.back() == '\r');
    if (!endsInCr) std::abort();
  }
  return 0;
}
