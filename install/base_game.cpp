#include "install/base_game.h"

#include <filesystem>
#include <system_error>

#include "app/wizard_state.h"
#include "discovery/text_path.h"
#include "install/copy_plan.h"
#include "install/copy_pool.h"
#include "install/tree_walk.h"
#include "platform/os.h"
#include "platform/resolve_path.h"
#include "platform/run_command.h"

namespace fs = std::filesystem;

std::string innoextractCommand(const std::string& innoextract, const std::string& outputDir,
                               const std::string& installer) {
  return "\"" + innoextract + "\" --gog --silent --output-dir \"" + outputDir + "\" \"" + installer +
         "\"";
}

std::string silentInstallerCommand(const std::string& installer, const std::string& outputDir) {
  return "\"" + installer + "\" /VERYSILENT /SUPPRESSMSGBOXES /NORESTART /DIR=\"" + outputDir + "\"";
}

bool excludedFromBaseCopy(const std::string& lowered) {
  return endsWithNoCase(lowered, ".exe") || endsWithNoCase(lowered, ".dll") ||
         endsWithNoCase(lowered, ".ico") || lowered.rfind("goggame", 0) == 0 ||
         lowered == "thumbs.db" || lowered == "desktop.ini";
}

namespace {

bool isDirectory(const fs::path& p) {
  std::error_code ec;
  return !p.empty() && fs::is_directory(p, ec);
}

// innoextract beside the setup executable wins over one on the search path.
std::string findInnoextract(const InstallRun& run) {
  const std::string searched = searchProgram("innoextract.exe");
  const std::string beside = pathToUtf8(run.exeDir / "innoextract.exe");
  if (pathIsFile(beside)) return beside;
  return searched;
}

// Unpacks the installer into workDir/gog-ext; false when both tools failed.
// byInnoextract tells which tool succeeded; traces holds what the machine
// looked like before the installer itself ran.
bool extractInstaller(WizardState& state, InstallRun& run, bool& byInnoextract, InstallerTraces& traces) {
  const fs::path extractDir = run.workDir / "gog-ext";
  std::error_code ec;
  fs::create_directories(extractDir, ec);
  const std::string out = pathToUtf8(extractDir);

  const std::string innoextract = findInnoextract(run);
  if (!innoextract.empty()) {
    state.logLine("Extracting GOG installer via innoextract...");
    if (runCommand(innoextractCommand(innoextract, out, state.gamePath), "")) {
      run.sourceDir = extractDir;
      byInnoextract = true;
      return true;
    }
  }
  state.logLine("Running GOG installer silently (please wait)...");
  traces.record();
  if (runCommand(silentInstallerCommand(state.gamePath, out), "")) {
    run.sourceDir = extractDir;
    return true;
  }
  return false;
}

}  // namespace

fs::path findGameData(fs::path& sourceDir, bool alsoInApp) {
  const auto lookIn = [](fs::path& folder) {
    const fs::path classic = resolvePathNoCase(folder, "Thrask Kovarra Classic");
    if (isDirectory(classic) && !resolvePathNoCase(classic, "Data").empty()) folder = classic;
    return resolvePathNoCase(folder, "Data");
  };
  fs::path top = sourceDir;
  fs::path data = lookIn(top);
  if (!data.empty() || !alsoInApp) {
    sourceDir = top;
    return data;
  }
  // innoextract writes what the installer puts into its application folder
  // under "app", and the installer's other targets (tmp, commonappdata)
  // beside it: the game is in there.
  fs::path app = resolvePathNoCase(sourceDir, "app");
  if (!isDirectory(app)) return {};
  data = lookIn(app);
  if (!data.empty()) sourceDir = app;
  return data;
}

namespace {

bool acquireBaseGameWith(WizardState& state, InstallRun& run, InstallerTraces& traces, const fs::path& extractDir) {
  run.sourceDir = pathFromUtf8(state.gamePath).value_or(fs::path());
  const bool installer = state.gamePathIsInstaller || endsWithNoCase(state.gamePath, ".exe");
  bool byInnoextract = false;
  const auto fail = [&](std::string_view line) {
    traces.undo(extractDir);
    return failInstall(state, run, line);
  };
  if (installer && !extractInstaller(state, run, byInnoextract, traces)) {
    return fail("ERROR: Failed to extract GOG .exe. Try pointing to an installed GOG folder.");
  }

  const fs::path sourceData = findGameData(run.sourceDir, byInnoextract);
  if (sourceData.empty()) return fail("ERROR: Could not find Data/ folder inside GOG source.");

  // Files an extraction wrote into the scratch folder are ours: they are
  // moved into place (a rename on the same volume, a copy elsewhere), and
  // the ones left out go with the scratch folder.
  const bool extracted = installer && !run.workDir.empty();
  const bool renamed = extracted && sameVolume(run.workDir, run.gameDir);

  // Room and path lengths are checked before the first copy, so that
  // nothing is copied in vain.
  {
    CopyPlan plan;
    if (const std::optional<WalkError> error = planBeforeBaseCopy(state, run, sourceData, renamed, plan)) {
      return fail(unreadableFolderLine(*error));
    }
    if (const std::optional<std::string> error = copyPlanError(run, plan)) return fail(*error);
  }

  state.progress.store(40);
  state.logLine("Copying GOG Data/*.rvk and base assets...");
  const fs::path targetData = run.gameDir / "Data";
  std::error_code ec;
  fs::create_directories(targetData, ec);
  int copied = 0;  // counted once attempted, whether the copy worked or not
  const std::optional<std::string> failure = placeTree(
      sourceData, extracted, /*insideRootOnly=*/false,
      [&](const std::string& relative, const std::string& lowered) -> std::optional<fs::path> {
        if (excludedFromBaseCopy(lowered)) return std::nullopt;
        return targetData / *pathFromUtf8(relative);
      },
      &copied);
  if (failure) return fail(*failure);
  traces.undo(extractDir);
  state.logLine("Copied " + std::to_string(copied) + " base file(s) from GOG copy.");
  return true;
}

}  // namespace

bool acquireBaseGame(WizardState& state, InstallRun& run) {
  // The installer run silently installs the game into the scratch folder
  // as if the player had: what it registered is taken back once its files
  // are out of there, on every way out of this step, a thrown one too.
  InstallerTraces traces;
  const fs::path extractDir = run.workDir / "gog-ext";
  try {
    return acquireBaseGameWith(state, run, traces, extractDir);
  } catch (...) {
    traces.undo(extractDir);
    throw;
  }
}

std::optional<WalkError> planBaseCopy(const fs::path& sourceData, const fs::path& targetData, bool renamed,
                                      CopyPlan& plan) {
  return forEachRegularFile(sourceData, [&](const fs::path& file, const std::string& relative, bool isLink) {
    if (excludedFromBaseCopy(toLowerAscii(relative))) return true;
    plan.add(file, targetData / *pathFromUtf8(relative), renamed && !isLink);
    return true;
  });
}
