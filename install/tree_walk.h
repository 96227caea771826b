#pragma once
// Walking a folder tree for the copy steps: every regular file (a link to
// a file counts as one; links to folders are not followed), with its path
// relative to the root in generic form ("/"), as UTF-8.
//
// With insideRootOnly, a link whose target lies outside the root is passed
// over: a tree from a download must not make the job copy the user's other
// files into the installation.

#include <filesystem>
#include <string>
#include <system_error>

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

template <typename OnFile>
void forEachRegularFile(const std::filesystem::path& root, OnFile&& onFile, bool insideRootOnly = false) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path canonicalRoot = insideRootOnly ? fs::canonical(root, ec) : fs::path();
  if (ec) return;
  fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec);
  // A folder that cannot be listed ends the walk; what was copied stays.
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::error_code typeError;
    if (!it->is_regular_file(typeError) || typeError) continue;
    const fs::path& file = it->path();
    if (insideRootOnly && it->is_symlink(typeError) && !linkTargetInside(file, canonicalRoot)) continue;
    onFile(file, genericUtf8(file.lexically_relative(root)));
  }
}

// Creates the parent folders of target and copies file over it; errors ignored.
inline void copyIntoPlace(const std::filesystem::path& file, const std::filesystem::path& target) {
  std::error_code ec;
  std::filesystem::create_directories(target.parent_path(), ec);
  copyFileReplacing(file, target);
}

// The same, but moving file with a rename where one can (the same drive),
// and copying it where not; errors ignored.
inline void moveIntoPlace(const std::filesystem::path& file, const std::filesystem::path& target) {
  std::error_code ec;
  std::filesystem::create_directories(target.parent_path(), ec);
  if (!replaceFile(file, target)) copyFileReplacing(file, target);
}
