#pragma once
// Small text and path helpers that every part of the wizard uses. They hold
// no state and never fail: a failed query turns into a fallback value.

#include <string>
#include <string_view>

// Folds A-Z to a-z; every other byte, UTF-8 included, is kept.
std::string toLowerAscii(std::string text);
// Whether text ends with suffix, ignoring ASCII letter case.
bool endsWithNoCase(std::string_view text, std::string_view suffix);
// Strips leading and trailing space, tab, CR and LF.
std::string trimWhitespace(std::string_view text);
// base + separator + name, with no separator doubled and nothing normalised.
std::string joinPath(std::string_view base, std::string_view name);
// Whether a relative name ("/" or "\\" between parts) stays inside the
// folder it is joined to: not empty, not absolute, no drive letter, and no
// empty, "." or ".." part.
bool nameStaysInside(std::string_view name);
// USERPROFILE when set and not empty, else the platform's fallback.
std::string homeDir();
// Whether a UTF-8 path names a regular file / a directory (links followed).
bool pathIsFile(const std::string& path);
bool pathIsDir(const std::string& path);
// The folder of the running setup executable, or "." when unknown.
std::string executableDir();

// The user's Downloads folder: the one in the home folder when it exists,
// else the one the system names (moved elsewhere) when that exists, else
// the one in the home folder.
std::string downloadsDir();
// The user's desktop: the one in the home folder when it exists, else the
// one the system names (OneDrive moves it) when that exists; empty when
// neither exists.
std::string desktopDir();
