// Fuzz target for the preset patch: every line of the input goes through
// the line parser, and a parsed line is applied to a small INI text. Checks
// that the parts are trimmed and cut at the right brackets, and that the
// key then sits in its section.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "discovery/text_path.h"
#include "install/configuration.h"
#include "platform/ini_file.h"

namespace {

bool trimmed(const std::string& s) { return trimWhitespace(s) == s; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string patch(reinterpret_cast<const char*>(data), size);
  for (const std::string& line : splitIniLines(patch)) {
    PresetLine p;
    if (!parsePresetLine(line, p)) continue;
    if (!trimmed(p.file) || !trimmed(p.section) || !trimmed(p.key) || !trimmed(p.value)) std::abort();
    if (p.file.find('[') != std::string::npos || p.section.find(']') != std::string::npos ||
        p.key.find('=') != std::string::npos) {
      std::abort();
    }
    const std::string t = trimWhitespace(line);
    if (t.empty() || t[0] == '#') std::abort();
    if (presetLineApplies(p, false) && toLowerAscii(p.file) != "tkr.ini") std::abort();
    if (!presetLineApplies(p, true)) std::abort();

    std::vector<std::string> ini = {"[Video]", "width = 800", "", "[Native]", "scale = stretch"};
    const std::size_t before = ini.size();
    setIniValueInLines(ini, p.section, p.key, p.value);
    if (ini.size() > before + 3) std::abort();
  }
  return 0;
}
