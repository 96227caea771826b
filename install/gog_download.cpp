#include "install/gog_download.h"

#include <cctype>

#include "discovery/text_path.h"
#include "platform/os.h"

InstallerListing parseInstallerListing(std::string_view output) {
  InstallerListing listing;
  std::size_t start = 0;
  while (start < output.size()) {
    std::size_t end = output.find('\n', start);
    if (end == std::string_view::npos) end = output.size();
    const std::string_view line = output.substr(start, end - start);
    start = end + 1;
    std::size_t digits = 0;
    std::uint64_t size = 0;
    bool overflow = false;
    while (digits < line.size() && std::isdigit(static_cast<unsigned char>(line[digits]))) {
      const std::uint64_t next = size * 10 + static_cast<std::uint64_t>(line[digits] - '0');
      overflow = overflow || next / 10 != size;
      size = next;
      ++digits;
    }
    // A size, one blank, a name: anything else is not a listed file.
    if (digits == 0 || overflow || digits + 1 >= line.size() || line[digits] != ' ') continue;
    listing.listed = true;
    listing.bytes += size;
  }
  return listing;
}

std::string innoextractListCommand(const std::string& innoextract, const std::string& installer) {
  return "\"" + innoextract + "\" --list --list-sizes --gog --silent \"" + installer + "\"";
}

namespace {

bool contains(std::string_view text, std::string_view what) { return text.find(what) != std::string_view::npos; }

// The text between the double quotes that follow the first occurrence of
// key in text; empty when there is none.
std::string quotedAfter(std::string_view text, std::string_view key) {
  const std::size_t at = text.find(key);
  if (at == std::string_view::npos) return {};
  const std::size_t open = text.find('"', at + key.size());
  const std::size_t eol = text.find('\n', at);
  if (open == std::string_view::npos || open > eol) return {};
  const std::size_t close = text.find('"', open + 1);
  if (close == std::string_view::npos || close > eol) return {};
  return std::string(text.substr(open + 1, close - open - 1));
}

// The first line of text that mentions a slice and names a file in quotes.
std::string damagedSlice(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    if (contains(line, "slice")) {
      if (std::string name = quotedAfter(line, "slice"); !name.empty()) return name;
    }
    start = end + 1;
  }
  return {};
}

// The version after "Unexpected setup data version: ", up to the line's end.
std::string setupVersion(std::string_view text) {
  constexpr std::string_view key = "Unexpected setup data version: ";
  const std::size_t at = text.find(key);
  if (at == std::string_view::npos) return {};
  std::size_t end = at + key.size();
  while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
  return std::string(text.substr(at + key.size(), end - at - key.size()));
}

}  // namespace

ExtractionReport readExtractionErrors(std::string_view errors, bool succeeded) {
  ExtractionReport report;
  const std::string lowered = toLowerAscii(std::string(errors));
  if (!succeeded) {
    if (std::string part = quotedAfter(errors, "could not open slice"); !part.empty()) {
      return {ExtractionFault::PartMissing, part, {}};
    }
    if (std::string part = damagedSlice(errors); !part.empty()) return {ExtractionFault::PartDamaged, part, {}};
  }
  if (contains(lowered, "checksum mismatch") || contains(lowered, "mismatched output checksums")) {
    return {ExtractionFault::ChecksumMismatch, {}, {}};
  }
  if (succeeded) return report;
  if (contains(errors, "Stream error while extracting files")) return {ExtractionFault::PartDamaged, {}, {}};
  if (contains(errors, "Error writing file")) return {ExtractionFault::WriteFailed, {}, {}};
  if (std::string version = setupVersion(errors); !version.empty()) {
    return {ExtractionFault::NewerSetup, {}, version};
  }
  return {ExtractionFault::Other, {}, {}};
}

namespace {

// The part as a path beside the installer: innoextract names a part by its
// file name, or by the path it opened.
std::string partBeside(const std::string& part, const std::string& installer) {
  if (part.empty()) return installer;
  const std::size_t slash = part.find_last_of("/\\");
  const std::string name = slash == std::string::npos ? part : part.substr(slash + 1);
  const std::size_t folderEnd = installer.find_last_of("/\\");
  if (folderEnd == std::string::npos) return name;
  return installer.substr(0, folderEnd + 1) + name;
}

}  // namespace

std::string brokenDownloadLine(const ExtractionReport& report, const std::string& installer) {
  switch (report.fault) {
    case ExtractionFault::PartMissing:
      return "ERROR: The installer's part \"" + partBeside(report.part, installer) +
             "\" is missing. Put all of the game's setup_\u2026.exe and setup_\u2026-N.bin files from GOG into "
             "one folder, then run Setup again.";
    case ExtractionFault::ChecksumMismatch:
      return "ERROR: The GOG installer \"" + installer +
             "\" is damaged: a file in it does not match its checksum. Download the installer and its .bin "
             "parts again from GOG, then run Setup again.";
    default:
      return "ERROR: The installer's part \"" + partBeside(report.part, installer) +
             "\" is damaged or incomplete. Download it again from GOG, then run Setup again.";
  }
}

std::string scratchSpaceLine(const std::filesystem::path& folder, std::uint64_t needed, std::uint64_t free) {
  constexpr std::uint64_t kMiB = 1024 * 1024;
  return "ERROR: Not enough free disk space in \"" + pathToUtf8(folder) + "\": unpacking the GOG installer needs " +
         std::to_string((needed + kMiB - 1) / kMiB) + " MiB, but only " + std::to_string(free / kMiB) +
         " MiB are free. Free some space on that drive, then run Setup again.";
}
