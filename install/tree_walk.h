#pragma once
// Walking a folder tree for the copy steps: every regular file (a link to
// a file counts as one; links to folders are not followed), with its path
// relative to the root in generic form ("/"), as UTF-8.
//
// With insideRootOnly, a link whose target lies outside the root is passed
// over: a tree from a download must not make the job copy the user's other
// files into the installation.

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "platform/os.h"

inline bool linkTargetInside(const std::filesystem::path& link, const std::filesystem::path& canonicalRoot) {
  std::error_code ec;
  const std::filesystem::path target = std::filesystem::canonical(link, ec);
  if (ec) return false;
  auto r = canonicalRoot.begin();
  auto t = target.begin();
  for (; r != canonicalRoot.end(); ++r, ++t) {
    if (t == target.end() || *r != *t) return false;
  }
  return true;
}

// A folder inside the tree that could not be listed: the walk stopped there.
struct WalkError {
  std::filesystem::path folder;
  std::error_code error;
};

namespace tree_walk_detail {

// Depth first, in the order each folder lists: an entry, then (for a
// folder) everything below it, then the next entry. The relative path is
// built as the walk descends, never split again.
template <typename OnFile>
std::optional<WalkError> walkFolder(const std::filesystem::path& folder, std::string& relative,
                                    const std::vector<FolderEntry>& entries, OnFile& onFile,
                                    const std::filesystem::path* canonicalRoot, bool& stopped, bool* plain) {
  const std::size_t base = relative.size();
  std::vector<FolderEntry> inner;
  for (const FolderEntry& e : entries) {
    relative.resize(base);
    relative += e.utf8;
    if (e.isFolder) {
      const std::filesystem::path sub = folder / e.name;
      std::error_code ec;
      if (!listFolder(sub, inner, ec)) return WalkError{sub, ec};
      relative += '/';
      if (plain && inner.empty()) *plain = false;
      if (std::optional<WalkError> error = walkFolder(sub, relative, inner, onFile, canonicalRoot, stopped, plain)) {
        return error;
      }
      if (stopped) return std::nullopt;
    } else if (e.isFile) {
      if (plain && e.isLink) *plain = false;
      const std::filesystem::path file = folder / e.name;
      if (canonicalRoot && e.isLink && !linkTargetInside(file, *canonicalRoot)) continue;
      if (!onFile(file, relative, e.isLink)) {
        stopped = true;
        return std::nullopt;
      }
    } else if (plain) {
      *plain = false;  // a link to a folder, a broken link, a device
    }
  }
  relative.resize(base);
  return std::nullopt;
}

}  // namespace tree_walk_detail

// Calls onFile(file, relative, isLink) for each regular file; onFile returns false
// to stop the walk. A root that cannot be opened yields no files and no
// error; a folder below it that cannot be listed ends the walk with its
// WalkError, since the files it holds would be missing from the copy.
// plain, when given, is cleared when the tree holds anything but folders
// and the regular files in them (a link, an empty folder, a device).
template <typename OnFile>
std::optional<WalkError> forEachRegularFile(const std::filesystem::path& root, OnFile&& onFile,
                                            bool insideRootOnly = false, bool* plain = nullptr) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path canonicalRoot = insideRootOnly ? fs::canonical(root, ec) : fs::path();
  if (ec) return std::nullopt;
  std::vector<FolderEntry> entries;
  if (!listFolder(root, entries, ec)) return std::nullopt;
  std::string relative;
  bool stopped = false;
  return tree_walk_detail::walkFolder(root, relative, entries, onFile, insideRootOnly ? &canonicalRoot : nullptr,
                                      stopped, plain);
}

// Creates folder with its missing parents. Only a full disk counts: any
// other failure shows up in the write into the folder.
inline FileResult createFolders(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return ec && isDiskFullError(ec) ? FileResult::DiskFull : FileResult::Done;
}

// Creates the parent folders of target and copies file over it; why tells
// a failure's cause.
inline FileResult copyIntoPlace(const std::filesystem::path& file, const std::filesystem::path& target,
                                FileFailure* why = nullptr) {
  if (createFolders(target.parent_path()) == FileResult::DiskFull) return FileResult::DiskFull;
  return copyFileReplacing(file, target, why);
}
