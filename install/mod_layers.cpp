#include "install/mod_layers.h"

#include <filesystem>
#include <system_error>

#include "app/wizard_state.h"
#include "discovery/seven_zip.h"
#include "discovery/text_path.h"
#include "install/copy_plan.h"
#include "install/copy_pool.h"
#include "install/folder_watch.h"
#include "install/step_progress.h"
#include "install/tree_walk.h"
#include "platform/os.h"
#include "platform/resolve_path.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kMarker = "Data-VA";

bool isDirectory(const fs::path& p) {
  std::error_code ec;
  return fs::is_directory(p, ec);
}

bool holdsMarker(const fs::path& folder) { return !resolvePathNoCase(folder, kMarker).empty(); }

// The folder that holds the marker: the root itself, or the first folder
// directly inside it that does. Empty when neither.
fs::path findModRoot(const fs::path& root) {
  if (holdsMarker(root)) return root;
  std::error_code ec;
  std::vector<FolderEntry> entries;
  listFolder(root, entries, ec);
  for (const FolderEntry& e : entries) {
    const fs::path entry = root / e.name;
    if (isDirectory(entry) && holdsMarker(entry)) return entry;
  }
  return {};
}

}  // namespace

std::string sevenZipCommand(const std::string& sevenZip, const std::string& outputDir,
                            const std::string& archive) {
  return "\"" + sevenZip + "\" x -y \"-o" + outputDir + "\" \"" + archive + "\"";
}

std::string tarCommand(const std::string& archive, const std::string& outputDir) {
  return "tar.exe -xf \"" + archive + "\" -C \"" + outputDir + "\"";
}

bool excludedFromModCopy(const std::string& lowered) {
  return lowered.rfind("data-va/music/", 0) == 0 || lowered.rfind("data-zu/", 0) == 0 ||
         lowered.rfind("multiplayer/", 0) == 0 || endsWithNoCase(lowered, ".exe") ||
         lowered.find("/savedgames/") != std::string::npos;
}

bool installModLayers(WizardState& state, InstallRun& run) {
  run.modInstalled = false;
  const std::string& archive = state.modArchivePath;
  if (archive.empty()) return true;

  const bool unpacked = !pathIsDir(archive);
  fs::path root;
  if (!unpacked) {
    root = *pathFromUtf8(archive);
  } else {
    const fs::path extractDir = run.workDir / "mod-ext";
    std::error_code ec;
    fs::create_directories(extractDir, ec);
    const std::string sevenZip = findSevenZip();
    state.logLine("Unpacking Vestrova archive...");
    state.progress.store(55);
    const std::string out = pathToUtf8(fs::path(extractDir).make_preferred());
    const std::string command =
        sevenZip.empty() ? tarCommand(archive, out) : sevenZipCommand(sevenZip, out, archive);
    // The bar follows the bytes unpacked against twice the archive's size
    // (what such an archive about unpacks to), one short of the next step.
    std::error_code sized;
    const std::uintmax_t archiveBytes = fs::file_size(*pathFromUtf8(archive), sized);
    StepProgress bar(state.progress, 55, 68, sized ? 0 : 2 * static_cast<std::uint64_t>(archiveBytes));
    FolderWatch watch(extractDir, &bar);
    if (!watch.run(command).succeeded) {
      return failInstall(state, run,
                         "ERROR: Installing .7z mod needs 7-Zip (7z.exe), or use Base Game.");
    }
    root = extractDir;
  }

  root = findModRoot(root);
  if (root.empty()) return true;  // no layer folder: the base game alone

  // An unpacked archive is counted now, before its copy (a mod folder was
  // counted with the base game). Its files are ours: they are moved into
  // place, which spares a copy, the removal of the copy's source, and on
  // the same volume any new room; links among them are copied.
  // A mod folder is walked once more only for the bar's total.
  CopyPlan plan;
  const std::optional<WalkError> error =
      planModCopy(root, absoluteGameDir(run), unpacked && sameVolume(root, run.gameDir), plan);
  if (unpacked) {
    if (error) return failInstall(state, run, unreadableFolderLine(*error));
    if (const std::optional<std::string> line = copyPlanError(run, plan)) return failInstall(state, run, *line);
  }

  state.logLine("Installing TKR Torvane + Vestrova 1.4 mod layers...");
  state.progress.store(68);
  StepProgress bar(state.progress, 68, 80, plan.copyBytes);
  // A folder the user chose is only read; unpacked files are moved.
  const std::optional<std::string> failure = placeTree(
      root, unpacked, /*insideRootOnly=*/true,
      [&](const std::string& relative, const std::string& lowered) -> std::optional<fs::path> {
        if (excludedFromModCopy(lowered)) return std::nullopt;
        run.placed.push_back("game/" + relative);
        return run.gameDir / *pathFromUtf8(relative);
      },
      nullptr, &bar);
  if (failure) return failInstall(state, run, *failure);
  run.modInstalled = true;
  return true;
}

std::optional<WalkError> planModCopy(const fs::path& modRoot, const fs::path& gameDir, bool moved, CopyPlan& plan) {
  return forEachRegularFile(modRoot, [&](const fs::path& file, const std::string& relative, bool isLink) {
    if (excludedFromModCopy(toLowerAscii(relative))) return true;
    plan.add(file, gameDir / *pathFromUtf8(relative), moved && !isLink);
    return true;
  }, /*insideRootOnly=*/true);
}

fs::path modFolderRoot(const std::string& modArchivePath) {
  if (modArchivePath.empty() || !pathIsDir(modArchivePath)) return {};
  return findModRoot(*pathFromUtf8(modArchivePath));
}
