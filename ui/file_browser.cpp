#include "ui/file_browser.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "discovery/text_path.h"
#include "platform/os.h"

namespace fs = std::filesystem;

void FileBrowser::open(const std::string& startDir, bool pickFolder, int pickTarget) {
  isOpen = true;
  folderMode = pickFolder;
  target = pickTarget;
  currentDir = pathIsDir(startDir) ? startDir : homeDir();
  refresh();
}

void FileBrowser::refresh() {
  entries.clear();
  scroll = 0;
  if (currentDir == kDrivesDir) {
    for (std::string& drive : logicalDrives()) entries.push_back({std::move(drive), true});
    return;
  }
  entries.push_back({kParentEntry, true});

  std::vector<std::string> folders, files;
  if (std::optional<fs::path> dir = pathFromUtf8(currentDir)) {
    std::error_code ec;
    fs::directory_iterator it(*dir, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
      std::string name = pathToUtf8(it->path().filename());
      if (name.empty() || name[0] == '.') continue;
      std::error_code typeError;
      const fs::file_status st = it->status(typeError);  // follows links
      if (typeError) continue;
      if (fs::is_directory(st)) {
        folders.push_back(std::move(name));
      } else if (!folderMode && fs::is_regular_file(st)) {
        files.push_back(std::move(name));
      }
    }
  }
  std::sort(folders.begin(), folders.end());
  std::sort(files.begin(), files.end());
  for (std::string& f : folders) entries.push_back({std::move(f), true});
  for (std::string& f : files) entries.push_back({std::move(f), false});
}
