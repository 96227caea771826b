#include "install/copy_plan.h"

#include <system_error>

#include "app/wizard_state.h"
#include "install/base_game.h"
#include "install/mod_layers.h"
#include "install/portraits.h"

namespace fs = std::filesystem;

fs::path absoluteGameDir(const InstallRun& run) {
  std::error_code ec;
  fs::path game = fs::absolute(run.gameDir, ec);
  return ec ? run.gameDir : game.lexically_normal();
}

std::optional<std::string> copyPlanError(const InstallRun& run, const CopyPlan& plan) {
  const std::string prefix = pathToUtf8(run.prefixDir);
  if (const std::optional<std::size_t> limit = installPathLimit(); limit && plan.longestPath > *limit) {
    return "ERROR: The installation folder's path \"" + prefix +
           "\" is too long: the game's files would pass Windows' limit of " + std::to_string(*limit + 1) +
           " characters by " + std::to_string(plan.longestPath - *limit) +
           ". Choose a shorter folder, then run Setup again.";
  }
  constexpr std::uint64_t kMiB = 1024 * 1024;
  const std::optional<std::uint64_t> free = freeDiskBytes(pathToUtf8(freeSpaceProbe(run.prefixDir, run.gameDir)));
  if (free && plan.bytes > *free) {
    return "ERROR: Not enough free disk space in \"" + prefix + "\": the game needs " +
           std::to_string((plan.bytes + kMiB - 1) / kMiB) + " MiB, but only " + std::to_string(*free / kMiB) +
           " MiB are free. Free some space on that drive, then run Setup again.";
  }
  return std::nullopt;
}

std::optional<WalkError> planBeforeBaseCopy(const WizardState& state, const InstallRun& run,
                                            const fs::path& sourceData, bool renamed, CopyPlan& plan) {
  const fs::path game = absoluteGameDir(run);
  if (std::optional<WalkError> error = planBaseCopy(sourceData, game / "Data", renamed, plan)) return error;
  plan.baseCopyBytes = plan.copyBytes;
  // A mod folder is known now; an archive is counted once it is unpacked.
  if (const fs::path modRoot = modFolderRoot(state.modArchivePath); !modRoot.empty()) {
    if (std::optional<WalkError> error = planModCopy(modRoot, game, false, plan)) return error;
  }
  if (std::optional<WalkError> error = planPortraitPack(run.packageDir, game, plan)) return error;

  // The engine: the largest of the package's, as the language is settled
  // only after the configuration.
  const fs::path bin = game.parent_path() / "bin";
  std::uint64_t largestEngine = 0;
  for (const Language& language : kLanguages) {
    const std::string name = "tkr-" + std::string(language.code) + ".exe";
    CopyPlan one;
    one.add(run.packageDir / "bin" / name, bin / name);
    largestEngine = std::max(largestEngine, one.bytes);
    plan.addPath(bin / name);
  }
  plan.bytes += largestEngine;
  plan.add(run.packageDir / "bin" / "SDL2.dll", bin / "SDL2.dll");
  plan.addPath(game.parent_path() / "Play.bat", kNewFileNameExtra);
  return std::nullopt;
}
