#pragma once
// Walking a folder tree for the copy steps: every regular file (a link to
// a file counts as one; links to folders are not followed), with its path
// relative to the root in generic form ("/"), as UTF-8.

#include <filesystem>
#include <string>
#include <system_error>

#include "platform/os.h"

template <typename OnFile>
void forEachRegularFile(const std::filesystem::path& root, OnFile&& onFile) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec);
  // A folder that cannot be listed ends the walk; what was copied stays.
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::error_code typeError;
    if (!it->is_regular_file(typeError) || typeError) continue;
    const fs::path& file = it->path();
    onFile(file, genericUtf8(file.lexically_relative(root)));
  }
}

// Creates the parent folders of target and copies file over it; errors ignored.
inline void copyIntoPlace(const std::filesystem::path& file, const std::filesystem::path& target) {
  std::error_code ec;
  std::filesystem::create_directories(target.parent_path(), ec);
  copyFileReplacing(file, target);
}
