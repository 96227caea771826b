#pragma once
// The game's configuration: the preset patch, the engine's Native keys and
// the language code.

#include <string>

#include "install/install_run.h"

struct PresetLine {
  std::string file, section, key, value;
};

// Parses one line of the preset patch ("file[section]key=value"); false for
// comments, blank and malformed lines.
bool parsePresetLine(const std::string& line, PresetLine& out);

// Whether a preset line applies: every line with the mod installed, else
// only lines for tkr.ini other than vfs_config_ini.
bool presetLineApplies(const PresetLine& line, bool modInstalled);

// The language code for a language index, looking at the game's language
// archives for Auto (and for an index outside the table).
std::string settleLanguageCode(int languageIndex, const std::filesystem::path& gameDir);

// Runs the step; it cannot fail.
void configureGame(WizardState& state, InstallRun& run);
