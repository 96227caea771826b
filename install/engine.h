#pragma once
// The engine for the settled language, its self-test, Play.bat and the
// desktop shortcut (or a launcher on the desktop when that cannot be made).

#include <filesystem>
#include <optional>
#include <string>

#include "install/install_run.h"

// The bytes of Play.bat for a language code.
std::string playBatText(const std::string& languageCode);

// The PowerShell command that makes the desktop shortcut. A single quote in
// a path is doubled, as PowerShell's quoted strings need.
std::string shortcutCommand(const std::string& shortcut, const std::string& engine,
                            const std::string& gameDir);

// The desktop launcher's bytes. A "%" in a path is doubled, as batch files need.
std::string desktopLauncherText(const std::string& gameDir, const std::string& engine);

// Copies from over to, unless both name the very same file; the ERROR line
// when it cannot be placed.
std::optional<std::string> installFile(const std::filesystem::path& from, const std::filesystem::path& to);

// Runs the stage; false when the job failed.
bool installEngine(WizardState& state, InstallRun& run);
