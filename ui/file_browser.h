#pragma once
// The wizard's own file and folder browser, drawn in the page area.

#include <string>
#include <vector>

struct FileBrowserEntry {
  std::string name;  // bare name, a drive root, or the parent entry's label
  bool isDir = false;
};

struct FileBrowser {
  bool isOpen = false;
  bool folderMode = false;
  int target = 0;          // 0: gamePath, 1: modArchivePath
  std::string currentDir;  // "DRIVES:" stands for the drive list
  std::vector<FileBrowserEntry> entries;
  int scroll = 0;
};
