// Finding the game installer or folder and the mod archive without the
// user's help: two environment overrides, four folders scanned, and a list
// of usual game folders.

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/wizard_state.h"
#include "discovery/text_path.h"
#include "platform/os.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kInstallerPrefix = "setup_thrask_kovarra";
constexpr std::string_view kInstallerSuffix = ".exe";
constexpr std::string_view kExcludedEdition = "cindral";
constexpr std::string_view kModArchiveName = "sci-7609-va.7z";
constexpr std::string_view kGameName = "Thrask Kovarra";

constexpr const char* kHomeCandidates[] = {
    "GOG Games/Thrask Kovarra Cindral",
    "GOG Games/Thrask Kovarra",
    "Games/GOG/Thrask Kovarra Cindral",
    "Games/GOG/Thrask Kovarra",
    "Games/Thrask Kovarra",
    ".local/share/Steam/steamapps/common/Thrask Kovarra",
    "gamedata/TKR-Vestrova",
};

constexpr const char* kFixedCandidates[] = {
    "C:\\GOG Games\\Thrask Kovarra Cindral",
    "C:\\GOG Games\\Thrask Kovarra",
    "C:\\Program Files (x86)\\GOG Galaxy\\Games\\Thrask Kovarra Cindral",
    "C:\\Program Files (x86)\\GOG Galaxy\\Games\\Thrask Kovarra",
    "C:\\Program Files (x86)\\Steam\\steamapps\\common\\Thrask Kovarra",
};

// Whether two folder names name one folder: compared without letter case
// and trailing separators.
bool sameFolderName(std::string a, std::string b) {
  for (std::string* s : {&a, &b}) {
    while (!s->empty() && (s->back() == '/' || s->back() == '\\')) s->pop_back();
  }
  return toLowerAscii(a) == toLowerAscii(b);
}

bool looksLikeInstaller(const std::string& lowered) {
  return lowered.rfind(kInstallerPrefix, 0) == 0 && endsWithNoCase(lowered, kInstallerSuffix) &&
         lowered.find(kExcludedEdition) == std::string::npos;
}

// Lists one folder in the platform's order and fills what is still empty.
void scanFolder(WizardState& state, const std::string& folder) {
  std::optional<fs::path> dir = pathFromUtf8(folder);
  if (!dir) return;
  std::error_code ec;
  fs::directory_iterator it(*dir, fs::directory_options::skip_permission_denied, ec);
  // An error while listing ends the listing of this folder; what was found
  // so far stays.
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code typeError;
    if (!it->is_regular_file(typeError) || typeError) continue;
    const std::string name = pathToUtf8(it->path().filename());
    const std::string lowered = toLowerAscii(name);
    if (state.gamePath.empty() && looksLikeInstaller(lowered)) {
      state.gamePath = joinPath(folder, name);
      state.gamePathIsInstaller = true;
    } else if (state.modArchivePath.empty() && lowered == kModArchiveName) {
      state.modArchivePath = joinPath(folder, name);
    }
  }
}

}  // namespace

void WizardState::autoDetectSources() {
  const std::string home = homeDir();

  if (std::optional<std::string> gog = envValue("TKR_SETUP_GOG_PATH")) {
    if (pathIsFile(*gog)) {
      gamePath = *gog;
      gamePathIsInstaller = true;
    } else if (pathIsDir(*gog)) {
      gamePath = *gog;
      gamePathIsInstaller = false;
    }
  }
  if (std::optional<std::string> mod = envValue("TKR_SETUP_MOD_PATH")) {
    if (pathIsFile(*mod) || pathIsDir(*mod)) modArchivePath = *mod;
  }

  // The four usual folders, then the Downloads folder the system names
  // when the user moved it elsewhere.
  const std::string downloads = joinPath(home, "Downloads");
  const std::string moved = knownFolder(KnownFolder::Downloads);
  const std::string folders[] = {downloads, joinPath(home, "Desktop"), ".", home,
                                 sameFolderName(moved, downloads) ? std::string() : moved};
  for (const std::string& folder : folders) {
    if (!gamePath.empty() && !modArchivePath.empty()) break;
    if (folder.empty() || !pathIsDir(folder)) continue;
    scanFolder(*this, folder);
  }

  if (!gamePath.empty()) return;
  for (const char* relative : kHomeCandidates) {
    const std::string candidate = joinPath(home, relative);
    if (pathIsDir(candidate)) {
      gamePath = candidate;
      gamePathIsInstaller = false;
      return;
    }
  }
  if (!hasFixedWindowsLocations()) return;
  for (const char* candidate : kFixedCandidates) {
    if (pathIsDir(candidate)) {
      gamePath = candidate;
      gamePathIsInstaller = false;
      return;
    }
  }
  // Where GOG's installer recorded the game, when the user installed it
  // elsewhere: the edition Cindral first, as in the candidates above.
  const std::vector<GogGameRecord> records = gogGameRecords();
  for (const bool cindral : {true, false}) {
    for (const GogGameRecord& record : records) {
      if (record.name.rfind(kGameName, 0) != 0) continue;
      if ((toLowerAscii(record.name).find(kExcludedEdition) != std::string::npos) != cindral) continue;
      if (pathIsDir(record.path)) {
        gamePath = record.path;
        gamePathIsInstaller = false;
        return;
      }
    }
  }
}
