#include "install/portraits.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <set>
#include <system_error>

#include "app/wizard_state.h"
#include "discovery/text_path.h"
#include "install/copy_plan.h"
#include "install/step_progress.h"
#include "install/tree_walk.h"
#include "platform/ini_file.h"
#include "platform/os.h"
#include "platform/resolve_path.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kHeaderSize = 532;
constexpr std::size_t kCopyChunk = 64 * 1024;
constexpr std::size_t kTableBlock = 1024 * 1024;

std::uint32_t le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

long long leadingNumber(const std::string& text, std::size_t i) {
  while (i < text.size() && isBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value < 1'000'000'000'000LL) value = value * 10 + (text[i] - '0');  // saturates, never overflows
  }
  return negative ? -value : value;
}

bool isPortraitEntryName(const std::string& name) {
  if (!endsWithNoCase(name, ".rvi")) return false;
  const std::size_t slash = name.rfind('/');
  const std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
  const long long number = leadingNumber(file);
  if (number < 200 || number > 219) return false;
  return toLowerAscii(file) == std::to_string(number) + ".rvi";
}

std::vector<DataArchiveEntry> readPortraitEntries(const fs::path& archive) {
  std::vector<DataArchiveEntry> selected;
  std::ifstream in(archive, std::ios::binary);
  if (!in) return selected;
  unsigned char header[kHeaderSize];
  if (!in.read(reinterpret_cast<char*>(header), kHeaderSize)) return selected;
  const std::int32_t count = static_cast<std::int32_t>(le32(header + 512));
  const unsigned version = header[522] | static_cast<unsigned>(header[523]) << 8;
  const std::uint64_t entrySize = version > 511 ? 280 : 276;

  std::error_code ec;
  const std::uint64_t fileSize = fs::file_size(archive, ec);
  if (ec || count <= 0) return selected;
  const std::uint64_t tableSize = static_cast<std::uint64_t>(count) * entrySize;  // no overflow in 64 bits
  if (fileSize <= tableSize + 531) return selected;

  // The table is read in large blocks and each record looked at in place:
  // a name that cannot be a portrait costs no string.
  in.seekg(static_cast<std::streamoff>(fileSize - tableSize));
  const std::size_t perBlock = std::max<std::size_t>(1, kTableBlock / entrySize);
  std::vector<unsigned char> block(perBlock * entrySize);
  std::int64_t left = count;
  while (left > 0) {
    const auto records = static_cast<std::size_t>(std::min<std::int64_t>(left, std::int64_t(perBlock)));
    if (!in.read(reinterpret_cast<char*>(block.data()), static_cast<std::streamsize>(records * entrySize))) break;
    left -= static_cast<std::int64_t>(records);
    for (std::size_t r = 0; r < records; ++r) {
      const unsigned char* entry = block.data() + r * entrySize;
      const char* rawName = reinterpret_cast<const char*>(entry);
      const std::size_t nameLength = strnlen(rawName, 256);
      if (entry[264] != 0 || !endsWithNoCase(std::string_view(rawName, nameLength), ".rvi")) continue;
      std::string name(rawName, nameLength);
      for (char& c : name) {
        if (c == '\\') c = '/';
      }
      if (!isPortraitEntryName(name) || !nameStaysInside(name)) continue;
      DataArchiveEntry e{name, le32(entry + 256), le32(entry + 260)};
      if (static_cast<std::uint64_t>(e.offset) + e.length > fileSize) continue;  // data past the end
      selected.push_back(std::move(e));
    }
  }
  return selected;
}

FileResult installPortraitPack(const fs::path& archivePath, const fs::path& portraitFolder,
                               std::vector<fs::path>* written) {
  const std::vector<DataArchiveEntry> entries = readPortraitEntries(archivePath);
  if (entries.empty()) return FileResult::Done;
  std::ifstream in(archivePath, std::ios::binary);
  if (!in) return FileResult::Failed;
  std::vector<char> buffer(kCopyChunk);
  for (const DataArchiveEntry& e : entries) {
    const fs::path target = portraitFolder / *pathFromUtf8(e.name);
    std::error_code ec;
    if (fs::is_regular_file(target, ec)) continue;
    if (createFolders(target.parent_path()) == FileResult::DiskFull) return FileResult::DiskFull;
    // Each portrait appears whole or not at all: a later run keeps what it
    // finds, so a cut-short one would stay cut short.
    NewFile out;
    if (!out.open(target)) {
      if (out.result == FileResult::DiskFull) return FileResult::DiskFull;
      continue;
    }
    in.clear();
    in.seekg(static_cast<std::streamoff>(e.offset));
    std::uint64_t left = e.length;
    while (left > 0 && out.result == FileResult::Done) {
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
      if (!in.read(buffer.data(), static_cast<std::streamsize>(n))) break;
      out.write(buffer.data(), n);
      left -= n;
    }
    if (left > 0 && out.result == FileResult::Done) continue;  // the archive ended early: nothing kept
    const FileResult committed = out.commit();
    if (committed == FileResult::DiskFull) return FileResult::DiskFull;
    if (committed == FileResult::Done && written) written->push_back(target);
  }
  return FileResult::Done;
}

std::string buildPortraitTable(const std::string& src, const fs::path& gameDir, int* accepted) {
  const fs::path roots[] = {gameDir / "Data", gameDir / "Data-Torvane",
                            gameDir / "Profiles" / "UserProfile_TKRVA"};
  std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<QVSPORTRAITSLIST>\n";
  std::set<long long> seen;
  int count = 0;
  std::size_t pos = 0;
  while (true) {
    const std::size_t open = src.find("<QVS>", pos);
    if (open == std::string::npos) break;
    const std::size_t close = src.find("</QVS>", open);
    if (close == std::string::npos) break;
    const std::size_t end = close + 6;
    pos = end;
    const std::string_view block(src.data() + open, end - open);
    const std::size_t id = block.find("<PortraitId>");
    if (id == std::string_view::npos) continue;
    const long long number = leadingNumber(std::string(block), id + 12);
    if (number <= 0 || seen.count(number)) continue;
    const std::string image = "QVSFaces/BigFaces/" + std::to_string(number) + ".rvi";
    bool found = false;
    for (const fs::path& root : roots) {
      if (!resolvePathNoCase(root, image).empty()) {
        found = true;
        break;
      }
    }
    if (!found) continue;
    seen.insert(number);
    out += '\t';
    out += block;
    out += '\n';
    ++count;
  }
  out += "</QVSPORTRAITSLIST>\n";
  if (accepted) *accepted = count;
  return out;
}

namespace {

// The folders that get the pack and the table: Data, and the mod's
// Data-Torvane and profile folders where they exist.
std::vector<fs::path> portraitLayers(const fs::path& game) {
  std::error_code ec;
  std::vector<fs::path> layers = {game / "Data"};
  for (const fs::path& layer : {game / "Data-Torvane", game / "Profiles" / "UserProfile_TKRVA"}) {
    if (fs::is_directory(layer, ec)) layers.push_back(layer);
  }
  return layers;
}

}  // namespace

std::optional<WalkError> planPortraitPack(const fs::path& packageDir, const fs::path& gameDir, CopyPlan& plan) {
  const fs::path packImages = packageDir / "installer" / "custom_qvs_faces" / "QVSFaces";
  std::error_code ec;
  if (!fs::is_directory(packImages, ec)) return std::nullopt;
  const std::vector<fs::path> layers = portraitLayers(gameDir);
  for (const fs::path& layer : layers) plan.addPath(layer / "TableData" / "QVSPortraits.xml", kNewFileNameExtra);
  return forEachRegularFile(packImages, [&](const fs::path& file, const std::string& relative, bool) {
    const fs::path inLayer = *pathFromUtf8(relative);
    for (const fs::path& layer : layers) plan.add(file, layer / "QVSFaces" / inLayer);
    return true;
  });
}

bool installPortraits(WizardState& state, InstallRun& run) {
  state.progress.store(80);
  state.logLine("Installing 40 custom animated Q.V.S. portraits (v6.1)...");

  const fs::path& game = run.gameDir;
  const fs::path portraitFolder = game / "Data" / "QVSFaces";
  const fs::path archive = resolvePathNoCase(game, "Data/Faces.rvk");
  if (!archive.empty() && resolvePathNoCase(portraitFolder, "BigFaces/200.rvi").empty()) {
    std::vector<fs::path> written;
    if (installPortraitPack(archive, portraitFolder, &written) == FileResult::DiskFull) {
      return failInstall(state, run, diskFullLine(portraitFolder));
    }
    for (const fs::path& file : written) notePlaced(run, file);
  }

  const fs::path pack = run.packageDir / "installer" / "custom_qvs_faces";
  const fs::path packImages = pack / "QVSFaces";
  std::error_code ec;
  if (!fs::is_directory(packImages, ec)) return true;

  const std::vector<fs::path> layers = portraitLayers(game);
  CopyPlan plan;
  planPortraitPack(run.packageDir, game, plan);
  StepProgress bar(state.progress, 80, 90, plan.copyBytes);
  StepCopies copies;
  for (const fs::path& layer : layers) {
    const fs::path folder = layer / "QVSFaces";
    copies.walked(forEachRegularFile(packImages, [&](const fs::path& file, const std::string& relative, bool) {
      const fs::path target = folder / *pathFromUtf8(relative);
      FileFailure why;
      const FileResult result = copyIntoPlace(file, target, &why);
      if (result == FileResult::Done) {
        bar.add(why.copiedBytes);
        notePlaced(run, target);
      }
      return copies.placed(result, target, why, file);
    }));
    if (copies.failure) return failInstall(state, run, *copies.failure);
  }

  int accepted = 0;
  const std::string table =
      buildPortraitTable(readTextFile(pack / "QVSPortraits_base.xml") + "\n" +
                             readTextFile(pack / "QVSPortraits_snippet.xml"),
                         game, &accepted);
  // With no block accepted the game's own tables stay: an empty list would
  // take every portrait away.
  if (accepted == 0) return true;
  for (const fs::path& layer : layers) {
    const fs::path target = layer / "TableData" / "QVSPortraits.xml";
    FileFailure why;
    FileResult written = createFolders(target.parent_path());
    if (written != FileResult::DiskFull) written = writeFileWhole(target, table, &why);
    if (!copies.placed(written, target, why)) return failInstall(state, run, *copies.failure);
    notePlaced(run, target);
  }
  return true;
}
