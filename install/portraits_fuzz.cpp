// Fuzz target for what the portrait step reads from the user's files: the
// face archive (written to a scratch file, then read in place and
// extracted) and the portrait table sources. Checks that nothing is written
// outside the target folder and that the table keeps its fixed frame.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "install/portraits.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fs::path scratch = fs::temp_directory_path() / ("tkr-portraits-fuzz-" + std::to_string(getpid()));
  std::error_code ec;
  fs::remove_all(scratch, ec);
  fs::create_directories(scratch / "out", ec);
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream(scratch / "Faces.rvk", std::ios::binary) << bytes;
  }
  for (const DataArchiveEntry& e : readPortraitEntries(scratch / "Faces.rvk")) {
    if (static_cast<std::uint64_t>(e.offset) + e.length > size) std::abort();
    if (!isPortraitEntryName(e.name)) std::abort();
  }
  installPortraitPack(scratch / "Faces.rvk", scratch / "out");
  // Only files under out/ may have appeared, besides the archive itself.
  for (const auto& entry : fs::directory_iterator(scratch)) {
    const std::string name = entry.path().filename().string();
    if (name != "out" && name != "Faces.rvk") std::abort();
  }

  // The same bytes as table sources, against a game with the images of
  // portraits 200 to 209 only.
  static const fs::path game = [] {
    const fs::path g = scratch.parent_path() / (scratch.filename().string() + "-game");
    for (int n = 200; n < 210; ++n) {
      fs::create_directories(g / "Data/QVSFaces/BigFaces");
      std::ofstream(g / "Data/QVSFaces/BigFaces" / (std::to_string(n) + ".rvi")) << "x";
    }
    return g;
  }();
  int accepted = 0;
  const std::string table = buildPortraitTable(bytes, game, &accepted);
  const std::string head = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<QVSPORTRAITSLIST>\n";
  const std::string tail = "</QVSPORTRAITSLIST>\n";
  if (table.rfind(head, 0) != 0 || accepted < 0 || accepted > 10) std::abort();
  if (table.size() < head.size() + tail.size() || table.compare(table.size() - tail.size(), tail.size(), tail) != 0) {
    std::abort();
  }
  if (accepted == 0 && table != head + tail) std::abort();
  return 0;
}
