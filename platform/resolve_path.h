#pragma once
// Finding a file or folder by a relative path whose letter case may differ
// from the names on disk.

#include <filesystem>
#include <string_view>

// The path as it exists under base, or an empty path. relative uses "/" as
// its only separator; a name that exists as given is returned in the
// caller's case, others in the case they have on disk (the first match in
// listing order wins). Every filesystem error counts as absence.
std::filesystem::path resolvePathNoCase(const std::filesystem::path& base, std::string_view relative);
