#include "install/engine.h"

#include <filesystem>
#include <optional>
#include <utility>
#include <system_error>

#include "app/wizard_state.h"
#include "discovery/text_path.h"
#include "install/install_run.h"
#include "platform/os.h"
#include "platform/run_command.h"

namespace fs = std::filesystem;

namespace {

std::string doubled(const std::string& text, char c) {
  std::string out;
  for (char x : text) {
    out += x;
    if (x == c) out += c;
  }
  return out;
}

}  // namespace

std::optional<std::string> installFile(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  if (fs::exists(to, ec) && fs::equivalent(from, to, ec)) return std::nullopt;
  FileFailure why;
  const FileResult result = copyFileReplacing(from, to, &why);
  return fileResultLine(result, to, why, from);
}

std::string playBatText(const std::string& code) {
  return "@echo off\r\ncd /d \"%~dp0game\"\r\nstart \"\" \"%~dp0bin\\tkr-" + code + ".exe\" %*\r\n";
}

std::string shortcutCommand(const std::string& shortcut, const std::string& engine,
                            const std::string& gameDir) {
  return "powershell -NoProfile -ExecutionPolicy Bypass -Command \"$s=(New-Object -COM "
         "WScript.Shell).CreateShortcut('" +
         doubled(shortcut, '\'') + "');$s.TargetPath='" + doubled(engine, '\'') +
         "';$s.WorkingDirectory='" + doubled(gameDir, '\'') + "';$s.Save()\"";
}

std::string desktopLauncherText(const std::string& gameDir, const std::string& engine) {
  return "@echo off\r\ncd /d \"" + doubled(gameDir, '%') + "\"\r\nstart \"\" \"" +
         doubled(engine, '%') + "\" %*\r\n";
}

bool installEngine(WizardState& state, InstallRun& run) {
  const fs::path binDir = run.prefixDir / "bin";
  const FileResult folder = createFolders(binDir);

  const std::string engineName = "tkr-" + run.languageCode + ".exe";
  const fs::path engineSource = run.packageDir / "bin" / engineName;
  const fs::path sdlSource = run.packageDir / "bin" / "SDL2.dll";
  if (!pathIsFile(pathToUtf8(engineSource)) || !pathIsFile(pathToUtf8(sdlSource))) {
    return failInstall(state, run,
                       "ERROR: Missing Windows binary (" + pathToUtf8(engineSource) + ") or SDL2.dll.");
  }
  const fs::path engine = binDir / engineName;
  // A full disk, or an engine that cannot be replaced, is named as such,
  // not left for the self-test to blame on the engine.
  if (folder == FileResult::DiskFull) return failInstall(state, run, diskFullLine(binDir));
  for (const auto& [from, to] : {std::pair{engineSource, engine}, std::pair{sdlSource, binDir / "SDL2.dll"}}) {
    if (const std::optional<std::string> error = installFile(from, to)) return failInstall(state, run, *error);
  }

  notePlaced(run, engine);
  notePlaced(run, binDir / "SDL2.dll");
  if (!runCommand("\"" + pathToUtf8(engine) + "\" --version", pathToUtf8(run.gameDir))) {
    return failInstall(state, run, "ERROR: Installed executable self-test failed.");
  }

  FileFailure why;
  const fs::path playBat = run.prefixDir / "Play.bat";
  const FileResult written = writeFileWhole(playBat, playBatText(run.languageCode), &why);
  if (const std::optional<std::string> error = fileResultLine(written, playBat, why)) {
    return failInstall(state, run, *error);
  }
  notePlaced(run, playBat);

  if (!state.createShortcuts) return true;
  // The desktop in the home folder, else where the system keeps it.
  if (const std::string desktop = desktopDir(); !desktop.empty()) {
    const std::string shortcut = joinPath(desktop, "Thrask Kovarra Native Port.lnk");
    if (runCommand(shortcutCommand(shortcut, pathToUtf8(engine), pathToUtf8(run.gameDir)), "")) {
      if (pathIsFile(shortcut)) run.shortcuts.push_back(shortcut);
    } else {
      const std::string launcher = joinPath(desktop, "Play Thrask Kovarra.bat");
      if (writeFileWhole(*pathFromUtf8(launcher), desktopLauncherText(pathToUtf8(run.gameDir), pathToUtf8(engine))) ==
          FileResult::Done) {
        run.shortcuts.push_back(launcher);
      }
    }
  }
  // The same shortcut in the Start Menu (Windows only); a failure is passed
  // over, as for the desktop.
  if (const std::string programs = knownFolder(KnownFolder::Programs); !programs.empty() && pathIsDir(programs)) {
    const std::string shortcut = joinPath(programs, "Thrask Kovarra Native Port.lnk");
    if (runCommand(shortcutCommand(shortcut, pathToUtf8(engine), pathToUtf8(run.gameDir)), "") &&
        pathIsFile(shortcut)) {
      run.shortcuts.push_back(shortcut);
    }
  }
  return true;
}
