#pragma once
// The INI key writer and the whole-file reader used by the install job.
//
// An INI file is a list of lines split at LF (one trailing CR dropped).
// Headers are "[name]" lines (text after the "]" ignored), ";" and "#"
// lines are comments, "key = value" lines are keys; names compare without
// ASCII letter case. Untouched lines pass through byte for byte; every line
// is written back ending in CR LF.

#include <filesystem>
#include <string>
#include <vector>

// Sets key in section (both created when missing) and rewrites the file.
// A file that exists but cannot be read is left as it is, and so is one
// whose new text cannot be written whole.
void setIniValue(const std::filesystem::path& path, const std::string& section,
                 const std::string& key, const std::string& value);

// The same edit on lines in memory, for the writer and its tests.
void setIniValueInLines(std::vector<std::string>& lines, const std::string& section,
                        const std::string& key, const std::string& value);

// Splits file contents into lines the way the writer reads them.
std::vector<std::string> splitIniLines(const std::string& contents);

// The whole file in binary mode, or empty when it cannot be opened.
std::string readTextFile(const std::filesystem::path& path);
