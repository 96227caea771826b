#pragma once
// The wizard's own file and folder browser, drawn in the page area.

#include <string>
#include <vector>

struct FileBrowserEntry {
  std::string name;  // bare name, a drive root, or the parent entry's label
  bool isDir = false;
};

inline constexpr const char* kDrivesDir = "DRIVES:";
inline constexpr const char* kParentEntry = ".. (Parent Folder)";

struct FileBrowser {
  bool isOpen = false;
  bool folderMode = false;
  int target = 0;          // 0: gamePath, 1: modArchivePath
  std::string currentDir;  // "DRIVES:" stands for the drive list
  std::vector<FileBrowserEntry> entries;
  int scroll = 0;

  // Opens on startDir, or on the home folder when startDir is no folder.
  void open(const std::string& startDir, bool pickFolder, int pickTarget);
  // Lists currentDir (or the drives) anew and scrolls to the top.
  void refresh();
};
