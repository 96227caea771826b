#include "install/configuration.h"

#include "app/wizard_state.h"
#include "discovery/text_path.h"
#include "platform/ini_file.h"
#include "platform/os.h"
#include "platform/resolve_path.h"

namespace fs = std::filesystem;

bool parsePresetLine(const std::string& raw, PresetLine& out) {
  const std::string line = trimWhitespace(raw);
  if (line.empty() || line[0] == '#') return false;
  const std::size_t open = line.find('[');
  const std::size_t close = line.find(']');
  if (close == std::string::npos) return false;
  const std::size_t eq = line.find('=', close);
  if (open == std::string::npos || eq == std::string::npos) return false;
  if (open > close) return false;  // "x]y[z=..." has no section between them
  out.file = trimWhitespace(std::string_view(line).substr(0, open));
  out.section = trimWhitespace(std::string_view(line).substr(open + 1, close - open - 1));
  out.key = trimWhitespace(std::string_view(line).substr(close + 1, eq - close - 1));
  out.value = trimWhitespace(std::string_view(line).substr(eq + 1));
  return true;
}

bool presetLineApplies(const PresetLine& line, bool modInstalled) {
  if (modInstalled) return true;
  return toLowerAscii(line.file) == "tkr.ini" && toLowerAscii(line.key) != "vfs_config_ini";
}

std::string settleLanguageCode(int languageIndex, const fs::path& gameDir) {
  if (languageIndex >= 1 && languageIndex < kLanguageCount) return kLanguages[languageIndex].code;
  for (const auto& [archive, code] : {std::pair{"Data/German.rvk", "de"},
                                      std::pair{"Data/Polish.rvk", "pl"},
                                      std::pair{"Data/Russian.rvk", "ru"}}) {
    if (!resolvePathNoCase(gameDir, archive).empty()) return code;
  }
  return "en";
}

namespace {

// An INI file under the game folder: an existing one in another letter case
// is the one written, so one file results on every filesystem.
fs::path gameIniFile(const fs::path& gameDir, const std::string& relative) {
  fs::path existing = resolvePathNoCase(gameDir, relative);
  if (!existing.empty()) return existing;
  return gameDir / pathFromUtf8(relative).value_or(fs::path(relative));
}

}  // namespace

void configureGame(WizardState& state, InstallRun& run) {
  state.progress.store(90);
  state.logLine("Applying Classic-First preset & Native SDL2 configuration...");

  const fs::path patch = run.packageDir / "installer" / "preset" / "default.ini-patch";
  if (pathIsFile(pathToUtf8(patch))) {
    for (const std::string& line : splitIniLines(readTextFile(patch))) {
      PresetLine p;
      if (!parsePresetLine(line, p) || !presetLineApplies(p, run.modInstalled)) continue;
      // A patch names files of the game: never one outside the game folder.
      if (!nameStaysInside(p.file)) continue;
      const fs::path ini = gameIniFile(run.gameDir, p.file);
      setIniValue(ini, p.section, p.key, p.value);
      notePlaced(run, ini);
    }
  }

  const fs::path tkrIni = gameIniFile(run.gameDir, "Tkr.ini");
  setIniValue(tkrIni, "Native", "input", "pad,touch,mouse,keyboard");
  setIniValue(tkrIni, "Native", "adult_content", state.enableAdultContent ? "1" : "0");
  setIniValue(tkrIni, "Native", "coop", state.enableCoop ? "1" : "0");
  setIniValue(tkrIni, "Native", "scale", "fit");
  setIniValue(tkrIni, "Native", "filter", "linear");
  notePlaced(run, tkrIni);

  run.languageCode = settleLanguageCode(state.languageIndex, run.gameDir);
}
