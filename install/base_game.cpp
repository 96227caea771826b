#include "install/base_game.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "app/wizard_state.h"
#include "discovery/text_path.h"
#include "install/copy_plan.h"
#include "install/copy_pool.h"
#include "install/folder_watch.h"
#include "install/gog_download.h"
#include "install/mod_layers.h"
#include "install/step_progress.h"
#include "install/tree_walk.h"
#include "platform/child_process.h"
#include "platform/os.h"
#include "platform/resolve_path.h"
#include "platform/stop.h"

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

// Nothing at all is at p, not even a link.
bool nothingAt(const fs::path& p) {
  std::error_code ec;
  return fs::symlink_status(p, ec).type() == fs::file_type::not_found;
}

bool isDirectory(const fs::path& p) {
  std::error_code ec;
  return !p.empty() && fs::is_directory(p, ec);
}

// "innoextract 1.9": the first line of its --version, or a plain name.
std::string innoextractVersion(const std::string& innoextract) {
  ChildWatch watch;
  watch.keepOutput = true;
  const ChildOutcome outcome = runProcessWatched("\"" + innoextract + "\" --version", "", watch);
  std::string line = outcome.output.substr(0, outcome.output.find_first_of("\r\n"));
  if (!outcome.succeeded || line.rfind("innoextract ", 0) != 0) return "This innoextract";
  return line;
}

// innoextract beside the setup executable wins over one on the search path.
std::string findInnoextract(const InstallRun& run) {
  const std::string searched = searchProgram("innoextract.exe");
  const std::string beside = pathToUtf8(run.exeDir / "innoextract.exe");
  if (pathIsFile(beside)) return beside;
  return searched;
}

std::string stalledLine(const std::string& installer) {
  const auto limit = installerStallLimit;
  const auto minutes = std::chrono::duration_cast<std::chrono::minutes>(limit);
  const std::string span = minutes == limit
                               ? std::to_string(minutes.count()) + " minutes"
                               : std::to_string(std::chrono::duration_cast<std::chrono::seconds>(limit).count()) +
                                     " seconds";
  return "ERROR: The GOG installer \"" + installer + "\" stopped responding: it wrote nothing for " + span +
         ". Check that all of the game's setup files from GOG are complete and in one folder, then run Setup "
         "again.";
}

// Whether the extraction's volume is full: innoextract says only that it
// could not write a file.
bool scratchVolumeFull(const fs::path& folder) {
  const std::optional<std::uint64_t> free = freeDiskBytes(pathToUtf8(folder));
  return free && *free < 1024 * 1024;
}

// Unpacks the installer into workDir/gog-ext: innoextract first (after a
// look at what it will write), the installer itself when innoextract is
// missing or refuses it for a reason other than a broken download. Returns
// the ERROR line that ends the job, or nothing once the files are out.
// byInnoextract tells which tool succeeded; traces holds what the machine
// looked like before the installer itself ran.
std::optional<std::string> extractInstaller(WizardState& state, InstallRun& run, bool& byInnoextract,
                                            InstallerTraces& traces) {
  const fs::path extractDir = run.workDir / "gog-ext";
  std::error_code ec;
  fs::create_directories(extractDir, ec);
  const std::string out = pathToUtf8(extractDir);

  const std::string innoextract = findInnoextract(run);
  InstallerListing files;
  std::string newerSetup;  // said before the failure line when nothing else works
  if (!innoextract.empty()) {
    // The installer's header says how much the extraction writes: a
    // scratch drive without that room fails now, not once it is full.
    ChildWatch listing;
    listing.keepOutput = true;
    listing.keepGoing = [] { return !stopRequested(); };
    const ChildOutcome listed = runProcessWatched(innoextractListCommand(innoextract, state.gamePath), "", listing);
    files = listed.succeeded ? parseInstallerListing(listed.output) : InstallerListing{};
    const std::optional<std::uint64_t> free = freeDiskBytes(pathToUtf8(extractDir));
    if (files.listed && free && files.bytes > *free) return scratchSpaceLine(run.workDir, files.bytes, *free);

    state.logLine("Extracting GOG installer via innoextract...");
    // The bar follows the bytes in the output folder against the listing.
    StepProgress bar(state.progress, 20, 40, files.bytes);
    FolderWatch watch(extractDir, &bar);
    ChildWatch extraction;
    extraction.keepErrors = true;
    extraction.keepGoing = [&watch] { return watch.keepGoing(); };
    const ChildOutcome extracted = runProcessWatched(innoextractCommand(innoextract, out, state.gamePath), "", extraction);
    if (stopRequested()) return std::string(kStoppedLine);
    const ExtractionReport report = readExtractionErrors(extracted.errors, extracted.succeeded);
    switch (report.fault) {
      case ExtractionFault::None:
        run.sourceDir = extractDir;
        byInnoextract = true;
        return std::nullopt;
      case ExtractionFault::PartMissing:
      case ExtractionFault::PartDamaged:
      case ExtractionFault::ChecksumMismatch:
        // The installer itself cannot succeed on a broken download either
        // (it would wait for the missing part for ever).
        return brokenDownloadLine(report, state.gamePath);
      case ExtractionFault::WriteFailed:
        if (scratchVolumeFull(extractDir)) {
          fs::remove_all(extractDir, ec);
          const std::optional<std::uint64_t> freed = freeDiskBytes(pathToUtf8(run.workDir));
          if (files.listed && freed) return scratchSpaceLine(run.workDir, files.bytes, *freed);
          return diskFullLine(run.workDir);
        }
        break;
      case ExtractionFault::NewerSetup:
        newerSetup = innoextractVersion(innoextract) + " cannot read the GOG installer \"" + state.gamePath +
                     "\": it was made by a newer Inno Setup (setup data version " + report.setupVersion + ").";
        break;
      case ExtractionFault::Other:
        break;
    }
  }
  state.logLine("Running GOG installer silently (please wait)...");
  traces.record();
  // An installer that writes nothing into its folder for the stall limit
  // waits for something nobody will give it: it is ended.
  StepProgress bar(state.progress, 20, 40, files.bytes);
  FolderWatch watch(extractDir, &bar, installerStallLimit);
  const ChildOutcome installed = watch.run(silentInstallerCommand(state.gamePath, out));
  if (installed.succeeded) {
    run.sourceDir = extractDir;
    return std::nullopt;
  }
  if (stopRequested()) return std::string(kStoppedLine);
  if (watch.stalled) return stalledLine(state.gamePath);
  if (!newerSetup.empty()) state.logLine(newerSetup);
  return std::string("ERROR: Failed to extract GOG .exe. Try pointing to an installed GOG folder.");
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
  if (installer) {
    if (const std::optional<std::string> failure = extractInstaller(state, run, byInnoextract, traces)) {
      return fail(*failure);
    }
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
  const fs::path targetData = run.gameDir / "Data";
  std::error_code ec;
  const bool targetsNew = nothingAt(targetData);
  std::uint64_t baseBytes = 0;
  std::size_t baseFiles = 0;
  bool baseWhole = false;
  // Where the whole folder may move, the plan's walk notes the names.
  const std::size_t placedBefore = run.placed.size();
  {
    CopyPlan plan;
    if (renamed && targetsNew) plan.baseNames = &run.placed;
    if (const std::optional<WalkError> error = planBeforeBaseCopy(state, run, sourceData, renamed, plan)) {
      return fail(unreadableFolderLine(*error));
    }
    if (const std::optional<std::string> error = copyPlanError(run, plan)) return fail(*error);
    baseBytes = plan.baseCopyBytes;
    baseFiles = plan.baseFiles;
    baseWhole = plan.baseWhole;
  }

  state.progress.store(40);
  // The bar goes on to the value of the step after this one.
  const bool modArchive = !state.modArchivePath.empty() && !pathIsDir(state.modArchivePath);
  const int next = modArchive ? 55 : !modFolderRoot(state.modArchivePath).empty() ? 68 : 80;
  StepProgress bar(state.progress, 40, next, baseBytes);
  state.logLine("Copying GOG Data/*.rvk and base assets...");
  // Extracted files that all go into a game folder that is not there yet
  // go in one rename of their folder; otherwise file by file.
  bool moved = false;
  if (renamed && targetsNew && baseWhole && baseFiles > 0) {
    fs::create_directories(run.gameDir, ec);
    moved = moveFolder(sourceData, targetData);
  }
  int copied = 0;  // counted once attempted, whether the copy worked or not
  if (moved) {
    copied = static_cast<int>(baseFiles);
  } else {
    run.placed.resize(placedBefore);  // noted for the move that did not happen
    fs::create_directories(targetData, ec);
    const std::optional<std::string> failure = placeTree(
        sourceData, extracted, /*insideRootOnly=*/false,
        [&](const std::string& relative, const std::string& lowered) -> std::optional<fs::path> {
          if (excludedFromBaseCopy(lowered)) return std::nullopt;
          run.placed.push_back("game/Data/" + relative);
          return targetData / *pathFromUtf8(relative);
        },
        &copied, &bar, targetsNew);
    if (failure) return fail(*failure);
  }
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
  // A game folder that is not there yet has no file to replace.
  const bool wasAbsent = plan.targetsAbsent;
  plan.targetsAbsent = nothingAt(targetData);
  bool plain = true;
  std::optional<WalkError> error = forEachRegularFile(
      sourceData,
      [&](const fs::path& file, const std::string& relative, bool isLink) {
        if (excludedFromBaseCopy(toLowerAscii(relative))) {
          plan.baseWhole = false;
          return true;
        }
        ++plan.baseFiles;
        if (plan.baseNames) plan.baseNames->push_back("game/Data/" + relative);
        plan.add(file, targetData / *pathFromUtf8(relative), renamed && !isLink);
        return true;
      },
      /*insideRootOnly=*/false, &plain);
  plan.baseWhole = plan.baseWhole && plain;
  plan.targetsAbsent = wasAbsent;
  return error;
}
