#include "install/uninstall.h"

#include <algorithm>
#include <cstdint>
#include <system_error>
#include <string_view>

#include "app/wizard_state.h"
#include "discovery/text_path.h"
#include "install/engine.h"
#include "install/install_run.h"
#include "install/locations.h"
#include "platform/ini_file.h"
#include "platform/os.h"
#include "platform/uninstall_entry.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kFileTag = "file ";
constexpr std::string_view kShortcutTag = "shortcut ";

bool present(const fs::path& p) {
  std::error_code ec;
  return fs::symlink_status(p, ec).type() != fs::file_type::not_found && !ec;
}

// The names a shortcut of Setup's has: the desktop's and Start Menu's, and
// the desktop launcher made where no shortcut could be.
bool isShortcutName(const fs::path& file) {
  const std::string name = pathToUtf8(file.filename());
  return name == "Thrask Kovarra Native Port.lnk" || name == "Play Thrask Kovarra.bat";
}

// Whether a shortcut still leads into the installation: its bytes name the
// installation folder, as text (a launcher, a link's own path) or as UTF-16
// (a link's working folder). Letter case aside.
bool leadsInto(const fs::path& shortcut, const fs::path& prefix) {
  std::error_code ec;
  if (!fs::is_regular_file(shortcut, ec) || fs::file_size(shortcut, ec) > 1024 * 1024) return false;
  const std::string bytes = toLowerAscii(readTextFile(shortcut));
  const std::string folder = toLowerAscii(pathToUtf8(prefix));
  if (bytes.find(folder) != std::string::npos) return true;
  std::string wide;
  for (const wchar_t c : prefix.wstring()) {
    const wchar_t low = c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    wide += static_cast<char>(low & 0xff);
    wide += static_cast<char>((low >> 8) & 0xff);
  }
  return bytes.find(wide) != std::string::npos;
}

// A listed name inside the installation: relative, no "..", no root.
std::optional<fs::path> insidePath(const fs::path& prefix, const std::string& relative) {
  const std::optional<fs::path> name = pathFromUtf8(relative);
  if (!name || name->empty() || name->has_root_name() || name->has_root_directory()) return std::nullopt;
  for (const fs::path& part : *name) {
    if (part == ".." || part == "." || part.empty()) return std::nullopt;
  }
  return (prefix / *name).make_preferred();
}

// The first link on the way from prefix down to file (file itself too).
std::optional<fs::path> linkOnTheWay(const fs::path& prefix, const fs::path& file) {
  fs::path at = prefix;
  for (const fs::path& part : file.lexically_relative(prefix)) {
    at /= part;
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(at, ec))) return at;
  }
  return std::nullopt;
}

fs::path recordPath(const fs::path& prefix) { return prefix / kUninstallFolder / kRecordName; }

std::string refusedLine(const fs::path& record, const std::string& entry, const char* why) {
  return "ERROR: The list of installed files \"" + pathToUtf8(record) + "\" names \"" + entry + "\", " + why +
         ". Nothing was removed. Run Setup again to repair the installation, then uninstall it.";
}

}  // namespace

std::string recordText(const std::vector<std::string_view>& files, const std::vector<std::string_view>& shortcuts) {
  std::string text =
      "# The files Setup installed into this folder and the shortcuts it made. The uninstaller removes\n"
      "# these and nothing else.\n";
  std::size_t size = text.size();
  for (const std::string_view file : files) size += kFileTag.size() + file.size() + 1;
  for (const std::string_view shortcut : shortcuts) size += kShortcutTag.size() + shortcut.size() + 1;
  text.reserve(size);
  for (const std::string_view file : files) text.append(kFileTag).append(file).append("\n");
  for (const std::string_view shortcut : shortcuts) text.append(kShortcutTag).append(shortcut).append("\n");
  return text;
}

InstallRecord parseRecord(const std::string& text) {
  InstallRecord record;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(kFileTag, 0) == 0) {
      record.files.push_back(line.substr(kFileTag.size()));
    } else if (line.rfind(kShortcutTag, 0) == 0) {
      record.shortcuts.push_back(line.substr(kShortcutTag.size()));
    }
  }
  return record;
}

bool registerInstallation(WizardState& state, InstallRun& run) {
  const fs::path folder = run.prefixDir / kUninstallFolder;
  if (createFolders(folder) == FileResult::DiskFull) return failInstall(state, run, diskFullLine(folder));

  // Where the system lists the installation, the uninstaller it starts is
  // this program, with the library beside it; elsewhere the player runs
  // Setup itself with --uninstall.
  const std::optional<fs::path> self = pathFromUtf8(executableFileName());
  if (uninstallHasWindow() && self && !self->empty()) {
    for (const fs::path& from : {*self, self->parent_path() / "SDL2.dll"}) {
      std::error_code ec;
      if (!fs::is_regular_file(from, ec)) continue;
      const fs::path to = folder / from.filename();
      if (const std::optional<std::string> line = installFile(from, to)) return failInstall(state, run, *line);
      notePlaced(run, to);
    }
  }
  const fs::path record = recordPath(run.prefixDir);
  notePlaced(run, record);

  // What earlier installs listed and is still there stays listed. The
  // names are viewed where they lie, sorted and counted once: a game of
  // 100,000 files is not copied again for this.
  const InstallRecord earlier = present(record) ? parseRecord(readTextFile(record)) : InstallRecord{};
  std::vector<std::string_view> files, shortcuts;
  files.reserve(earlier.files.size() + run.placed.size());
  for (const std::string& file : earlier.files) {
    const std::optional<fs::path> path = insidePath(run.prefixDir, file);
    if (path && present(*path)) files.push_back(file);
  }
  files.insert(files.end(), run.placed.begin(), run.placed.end());
  for (const std::string& shortcut : earlier.shortcuts) {
    const std::optional<fs::path> path = pathFromUtf8(shortcut);
    if (path && present(*path)) shortcuts.push_back(shortcut);
  }
  shortcuts.insert(shortcuts.end(), run.shortcuts.begin(), run.shortcuts.end());
  for (std::vector<std::string_view>* list : {&files, &shortcuts}) {
    std::sort(list->begin(), list->end());
    list->erase(std::unique(list->begin(), list->end()), list->end());
  }

  FileFailure why;
  const FileResult written = writeFileWhole(record, recordText(files, shortcuts), &why);
  if (const std::optional<std::string> line = fileResultLine(written, record, why)) {
    return failInstall(state, run, *line);
  }

  if (uninstallHasWindow()) {
    UninstallEntry entry;
    entry.installLocation = pathToUtf8(run.prefixDir);
    entry.displayIcon = pathToUtf8(run.prefixDir / "bin" / ("tkr-" + run.languageCode + ".exe"));
    const std::string uninstaller = self ? pathToUtf8(folder / self->filename()) : std::string();
    entry.uninstallString = "\"" + uninstaller + "\" --uninstall";
    entry.quietUninstallString = entry.uninstallString + " /S";
    std::uint64_t bytes = 0;
    for (const std::string_view file : files) {
      std::error_code ec;
      const std::uintmax_t size = fs::file_size(run.prefixDir / *pathFromUtf8(file), ec);
      if (!ec) bytes += size;
    }
    entry.estimatedSizeKiB = static_cast<std::uint32_t>(std::min<std::uint64_t>((bytes + 1023) / 1024, 0xffffffffu));
    if (!writeUninstallEntry(entry)) {
      return failInstall(state, run,
                         "ERROR: Could not add Thrask Kovarra Native Port to Windows' list of programs (the "
                         "registry refused it). Run Setup again.");
    }
  }
  return true;
}

fs::path uninstallPrefix() {
  const std::optional<fs::path> self = pathFromUtf8(executableFileName());
  if (self && !self->empty()) {
    const fs::path folder = self->parent_path();
    if (folder.filename() == kUninstallFolder && present(recordPath(folder.parent_path()))) return folder.parent_path();
  }
  return installPrefixDir();
}

UninstallPlan planUninstall(const fs::path& prefix) {
  UninstallPlan plan;
  plan.prefix = prefix.lexically_normal();
  if (!plan.prefix.empty() && !plan.prefix.has_filename()) plan.prefix = plan.prefix.parent_path();
  const fs::path record = recordPath(plan.prefix);
  if (!present(record)) {
    plan.refusal = "ERROR: There is no installation of Thrask Kovarra Native Port in \"" + pathToUtf8(plan.prefix) +
                   "\" (no list of installed files). Nothing was removed.";
    return plan;
  }
  const InstallRecord listed = parseRecord(readTextFile(record));
  for (const std::string& file : listed.files) {
    const std::optional<fs::path> path = insidePath(plan.prefix, file);
    if (!path) {
      plan.refusal = refusedLine(record, file, "which is outside the installation folder");
      return plan;
    }
    if (const std::optional<fs::path> link = linkOnTheWay(plan.prefix, *path)) {
      plan.refusal = refusedLine(record, file, "which is or lies behind a link");
      return plan;
    }
    std::error_code ec;
    if (fs::is_directory(fs::symlink_status(*path, ec))) {
      plan.refusal = refusedLine(record, file, "which is a folder, not a file Setup installed");
      return plan;
    }
    plan.files.push_back(*path);
  }
  for (const std::string& shortcut : listed.shortcuts) {
    const std::optional<fs::path> path = pathFromUtf8(shortcut);
    if (!path || !path->is_absolute() || !isShortcutName(*path)) {
      plan.refusal = refusedLine(record, shortcut, "which is not a shortcut of Setup's");
      return plan;
    }
    plan.shortcuts.push_back(*path);
  }
  return plan;
}

bool runUninstall(const UninstallPlan& plan, const std::function<void(const std::string&)>& log) {
  if (plan.refusal) {
    log(*plan.refusal);
    return false;
  }
  const std::string prefix = pathToUtf8(plan.prefix);
  // Not while a setup installs into the same folder.
  InstallLock lock;
  if (!lock.acquire(plan.prefix)) {
    log("ERROR: Setup is installing into \"" + prefix +
        "\" right now. Wait until it has finished, then run the uninstaller again.");
    return false;
  }
  log("Removing Thrask Kovarra Native Port from \"" + prefix + "\"...");
  const fs::path ownFolder = plan.prefix / kUninstallFolder;
  // The game's files first; the uninstaller's own folder last, so that a
  // failed run can be run again.
  std::optional<fs::path> stuck;
  std::vector<fs::path> folders;
  std::vector<fs::path> own;
  fs::path lastFolder;
  for (const fs::path& file : plan.files) {
    if (file.parent_path() != lastFolder) {
      lastFolder = file.parent_path();
      for (fs::path up = lastFolder; up != plan.prefix && up.native().size() > plan.prefix.native().size();
           up = up.parent_path()) {
        folders.push_back(up);
      }
    }
    if (file.parent_path() == ownFolder) {
      own.push_back(file);
      continue;
    }
    if (present(file) && !removeInstalledFile(file) && !stuck) stuck = file;
  }
  const auto stuckLine = [](const fs::path& file) {
    return "ERROR: Could not remove \"" + pathToUtf8(file) +
           "\": another program (the game?) has it open. Close it, then run the uninstaller again.";
  };
  if (stuck) {
    log(stuckLine(*stuck));
    return false;
  }
  for (const fs::path& shortcut : plan.shortcuts) {
    std::error_code ec;
    if (present(shortcut) && leadsInto(shortcut, plan.prefix)) fs::remove(shortcut, ec);
  }
  // The uninstaller's own files: its program and library cannot go while it
  // runs on Windows, and are moved out of the way instead.
  const fs::path aside = *pathFromUtf8(joinPath(tempDirectory(), "tkr-uninstall-" + std::to_string(currentProcessId())));
  for (const fs::path& file : own) {
    if (!present(file) || removeInstalledFile(file)) continue;
    if (!removeOwnFile(file, aside) && !stuck) stuck = file;
  }
  // The folders left empty, deepest first, then the installation's own.
  std::sort(folders.begin(), folders.end(), [](const fs::path& a, const fs::path& b) {
    return a.native().size() != b.native().size() ? a.native().size() > b.native().size() : a.native() < b.native();
  });
  folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
  folders.push_back(ownFolder);
  for (const fs::path& folder : folders) {
    std::error_code ec;
    if (fs::is_directory(fs::symlink_status(folder, ec)) && fs::is_empty(folder, ec) && !ec) fs::remove(folder, ec);
  }
  if (stuck) {
    log(stuckLine(*stuck));
    return false;
  }
  removeUninstallEntry();
  std::error_code ec;
  if (fs::is_empty(plan.prefix, ec) && !ec) fs::remove(plan.prefix, ec);
  if (present(plan.prefix)) {
    log("Thrask Kovarra Native Port was removed. The folder \"" + prefix +
        "\" was kept: saved games and other files you made are in it.");
  } else {
    log("Thrask Kovarra Native Port was removed.");
  }
  return true;
}
