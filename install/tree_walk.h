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

// Calls onFile(file, relative) for each regular file; onFile returns false
// to stop the walk. A root that cannot be opened yields no files and no
// error; a folder below it that cannot be listed ends the walk with its
// WalkError, since the files it holds would be missing from the copy.
template <typename OnFile>
std::optional<WalkError> forEachRegularFile(const std::filesystem::path& root, OnFile&& onFile,
                                            bool insideRootOnly = false) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path canonicalRoot = insideRootOnly ? fs::canonical(root, ec) : fs::path();
  if (ec) return std::nullopt;
  fs::recursive_directory_iterator it(root, fs::directory_options::none, ec);
  if (ec) return std::nullopt;
  // The folder that holds the entries of each depth: a failed step names
  // the folder it was reading, or the one it was about to enter.
  std::vector<fs::path> folders{root};
  const fs::recursive_directory_iterator end;
  while (it != end) {
    const std::size_t depth = static_cast<std::size_t>(it.depth());
    std::error_code typeError;
    const bool entersFolder = it->is_directory(typeError) && !it->is_symlink(typeError);
    if (entersFolder) {
      folders.resize(depth + 2);
      folders[depth + 1] = it->path();
    } else if (it->is_regular_file(typeError) && !typeError) {
      const fs::path& file = it->path();
      if (!(insideRootOnly && it->is_symlink(typeError) && !linkTargetInside(file, canonicalRoot))) {
        if (!onFile(file, genericUtf8(file.lexically_relative(root)))) return std::nullopt;
      }
    }
    it.increment(ec);
    if (ec) return WalkError{entersFolder ? folders[depth + 1] : folders[depth], ec};
  }
  return std::nullopt;
}

// Creates the parent folders of target and copies file over it.
inline FileResult copyIntoPlace(const std::filesystem::path& file, const std::filesystem::path& target) {
  std::error_code ec;
  std::filesystem::create_directories(target.parent_path(), ec);
  if (ec && isDiskFullError(ec)) return FileResult::DiskFull;
  return copyFileReplacing(file, target);
}

// The same, but moving file with a rename where one can (the same drive),
// and copying it where not.
inline FileResult moveIntoPlace(const std::filesystem::path& file, const std::filesystem::path& target) {
  std::error_code ec;
  std::filesystem::create_directories(target.parent_path(), ec);
  if (ec && isDiskFullError(ec)) return FileResult::DiskFull;
  if (replaceFile(file, target)) return FileResult::Done;
  return copyFileReplacing(file, target);
}
