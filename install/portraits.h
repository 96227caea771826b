#pragma once
// The portrait step: twenty portraits from the game's face archive, the
// custom portrait pack, and the rebuilt portrait table.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "install/install_run.h"

// One usable entry of the face archive.
struct DataArchiveEntry {
  std::string name;  // "/" between folders
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
};

// Whether an archive entry name (with "/") is one of the portraits 200 to 219.
bool isPortraitEntryName(const std::string& name);

// The selected entries of a face archive, in table order; empty for an
// archive that cannot be read or is damaged. Entries whose data lies outside
// the file, or whose names could escape the target folder, are left out.
std::vector<DataArchiveEntry> readPortraitEntries(const std::filesystem::path& archive);

// Extracts the selected entries under portraitFolder, never overwriting a
// file; each one written whole. DiskFull stops it at once. written, when
// given, gets each file written.
FileResult installPortraitPack(const std::filesystem::path& archivePath,
                         const std::filesystem::path& portraitFolder,
                         std::vector<std::filesystem::path>* written = nullptr);

// "atoi" as the table sources use it: blanks, a sign, digits.
long long leadingNumber(const std::string& text, std::size_t from = 0);

// The portrait table built from the two sources; accepted counts the blocks.
std::string buildPortraitTable(const std::string& sources, const std::filesystem::path& gameDir,
                               int* accepted = nullptr);

// Adds the portrait pack's copies (and the tables' paths) to plan.
struct CopyPlan;
std::optional<WalkError> planPortraitPack(const std::filesystem::path& packageDir,
                                          const std::filesystem::path& gameDir, CopyPlan& plan);

// Runs the step; false when the job failed (only a full disk or a pack
// folder that cannot be listed fail it; other problems are passed over).
bool installPortraits(WizardState& state, InstallRun& run);
