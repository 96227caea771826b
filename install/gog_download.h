#pragma once
// The player's GOG download as innoextract sees it: the listing of what an
// installer will write, and what went wrong when an extraction failed (a
// part of the download missing, cut short or damaged, a full disk, an
// installer newer than this innoextract).

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// innoextract's "--list --list-sizes --silent" output: one "<bytes> <path>"
// line per file the extraction writes.
struct InstallerListing {
  bool listed = false;  // at least one file was listed
  std::uint64_t bytes = 0;
};
InstallerListing parseInstallerListing(std::string_view output);

// The command line of that listing.
std::string innoextractListCommand(const std::string& innoextract, const std::string& installer);

enum class ExtractionFault {
  None,              // the files are out, and whole
  PartMissing,       // a .bin part of the download is not there
  PartDamaged,       // a part is cut short or its data cannot be read
  ChecksumMismatch,  // a file came out, but not with the bytes the game shipped
  WriteFailed,       // innoextract could not write a file (a full disk?)
  NewerSetup,        // made by an Inno Setup newer than this innoextract reads
  Other,             // any other failure
};

struct ExtractionReport {
  ExtractionFault fault = ExtractionFault::None;
  std::string part;          // the file name innoextract named, for the part faults
  std::string setupVersion;  // for NewerSetup
};

// What innoextract's standard error says of an extraction that ended with
// (succeeded) or without exit code 0. A checksum mismatch is a fault even
// with exit code 0: innoextract reports it only as a warning.
ExtractionReport readExtractionErrors(std::string_view errors, bool succeeded);

// The ERROR line of a broken download (PartMissing, PartDamaged,
// ChecksumMismatch), naming the part beside installer.
std::string brokenDownloadLine(const ExtractionReport& report, const std::string& installer);

// The line for room the extraction needs in folder but does not have.
std::string scratchSpaceLine(const std::filesystem::path& folder, std::uint64_t needed, std::uint64_t free);
