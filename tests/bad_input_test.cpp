// The hand-made bad inputs of tests/corpus/bad (written by its make.py) and
// a few too big to keep in the repository, run through the steps that read
// them: the face archive reader, the INI writer, the preset patch and the
// portrait table builder. Each must finish, keep the user's bytes and write
// nothing outside its folder.

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "discovery/text_path.h"
#include "install/configuration.h"
#include "install/portraits.h"
#include "platform/ini_file.h"
#include "platform/resolve_path.h"
#include "tests/install_fixture.h"

namespace {

namespace fs = std::filesystem;

fs::path corpus(const std::string& relative) { return *pathFromUtf8(std::string(TKR_CORPUS_DIR) + "/bad/" + relative); }

std::set<fs::path> everyFileUnder(const fs::path& root) {
  std::set<fs::path> files;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    files.insert(it->path());
  }
  return files;
}

TEST(BadFaceArchives, EachYieldsOnlyItsSafePortraits) {
  std::ifstream expected(corpus("faces/expected.txt"));
  std::string name;
  std::size_t count = 0, files = 0;
  while (expected >> name >> count) {
    SCOPED_TRACE(name);
    ++files;
    TempDir t;
    const fs::path archive = t.sub("game/Data/Faces.rvk");
    fs::create_directories(archive.parent_path());
    fs::copy_file(corpus("faces/" + name), archive);
    EXPECT_EQ(readPortraitEntries(archive).size(), count);
    installPortraitPack(archive, t.sub("game/Data/QVSFaces"));
    std::size_t written = 0;
    for (const fs::path& p : everyFileUnder(t.path)) {
      if (p == archive || fs::is_directory(p)) continue;
      const std::string relative = genericUtf8(p.lexically_relative(t.sub("game/Data/QVSFaces")));
      EXPECT_TRUE(nameStaysInside(relative)) << pathToUtf8(p);
      EXPECT_TRUE(isPortraitEntryName(relative)) << relative;
      ++written;
    }
    // Windows without long-path support cannot make the 256-byte name under
    // the temp folder: that one portrait is then skipped, like any file
    // that cannot be written.
    if (hasFixedWindowsLocations() && name == "name-256-no-nul.rvk") {
      EXPECT_GE(written + 1, count);
    } else {
      EXPECT_EQ(written, count);
    }
  }
  EXPECT_EQ(files, 15u);
}

// Whether the lines of before appear, in order, among the lines of after.
bool keepsEveryLine(const std::vector<std::string>& before, const std::vector<std::string>& after) {
  std::size_t i = 0;
  for (const std::string& line : after) {
    if (i < before.size() && line == before[i]) ++i;
  }
  return i == before.size();
}

void expectIniEditKeepsTheRest(const fs::path& file, const std::string& original) {
  setIniValue(file, "Native", "scale", "fit");
  const std::string after = readTextFile(file);
  const std::vector<std::string> lines = splitIniLines(after);
  std::vector<std::string> originalLines = splitIniLines(original);
  // The edited key's own line is the one line allowed to change.
  std::erase_if(originalLines, [](const std::string& l) {
    const std::string t = toLowerAscii(trimWhitespace(l));
    return t.rfind("scale", 0) == 0 && t.find('=') != std::string::npos;
  });
  EXPECT_TRUE(keepsEveryLine(originalLines, lines));
  EXPECT_NE(toLowerAscii(after).find("scale = fit\r\n"), std::string::npos);
  EXPECT_FALSE(fs::exists(fs::path(file) += ".tkr-new"));
}

TEST(BadIniFiles, TheKeyIsSetAndEveryOtherLineKept) {
  std::size_t files = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(corpus("ini"))) {
    SCOPED_TRACE(pathToUtf8(entry.path().filename()));
    ++files;
    TempDir t;
    const std::string original = readTextFile(entry.path());
    const fs::path file = t.write("Tkr.ini", original);
    expectIniEditKeepsTheRest(file, original);
  }
  EXPECT_GE(files, 8u);
}

TEST(BadIniFiles, BomStaysFirstAndNulBytesPassThrough) {
  TempDir t;
  const fs::path bom = t.write("bom.ini", readTextFile(corpus("ini/utf8-bom.ini")));
  setIniValue(bom, "Video", "width", "1024");
  EXPECT_EQ(readTextFile(bom).substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_NE(readTextFile(bom).find("width = 1024\r\n"), std::string::npos);
  const fs::path nul = t.write("with-nul.ini", readTextFile(corpus("ini/nul-bytes.ini")));
  setIniValue(nul, "Native", "scale", "fit");
  const std::string after = readTextFile(nul);
  EXPECT_NE(after.find(std::string("na\0me=va\0lue\r\n", 14)), std::string::npos)
      << testing::PrintToString(after);
}

TEST(BadIniFiles, TenMebibytesAsLinesAndAsOneLineWithoutLf) {
  TempDir t;
  std::string lines;
  lines.reserve(10 << 20);
  for (int i = 0; lines.size() < (10u << 20); ++i) lines += "key" + std::to_string(i) + "=value\n";
  const std::string oneLine(10 << 20, 'x');
  for (const std::string* text : {static_cast<const std::string*>(&lines), &oneLine}) {
    const fs::path file = t.write("big.ini", *text);
    setIniValue(file, "Native", "scale", "fit");
    const std::string after = readTextFile(file);
    EXPECT_GT(after.size(), text->size());
    EXPECT_EQ(after.substr(0, 10), text->substr(0, 10));
    EXPECT_EQ(after.substr(after.size() - 25), "\r\n[Native]\r\nscale = fit\r\n");
  }
}

struct BadPatch : InstallSandbox {};

TEST_F(BadPatch, MalformedLinesAreSkippedAndNothingLeavesTheGame) {
  root.write("src/Data/a.rvk");
  state.gamePath = root.subStr("src");
  root.write("package/installer/preset/default.ini-patch", readTextFile(corpus("patch/malformed.ini-patch")));
  const std::set<fs::path> before = everyFileUnder(root.path);
  install();
  EXPECT_TRUE(state.succeeded.load());
  const std::string tkr = readTextFile(resolvePathNoCase(gameDir(), "Tkr.ini"));
  EXPECT_NE(tkr.find("good = 1\r\n"), std::string::npos);
  EXPECT_EQ(tkr.find("semi"), std::string::npos);
  for (const fs::path& p : everyFileUnder(root.path)) {
    if (before.count(p) || p == root.sub("record.txt")) continue;
    EXPECT_EQ(pathToUtf8(p).rfind(root.subStr("prefix"), 0), 0u) << pathToUtf8(p);
  }
  EXPECT_FALSE(fs::exists(root.sub("outside.ini")));
}

struct BadPortraitSources : testing::Test {
  TempDir t;
  void SetUp() override {
    for (int n : {200, 201, 202, 203, 205, 206}) {
      t.write("game/Data/QVSFaces/BigFaces/" + std::to_string(n) + ".rvi");
    }
  }
  std::string build(const std::string& sources, int* accepted) {
    return buildPortraitTable(sources, t.sub("game"), accepted);
  }
};

TEST_F(BadPortraitSources, BrokenBlocksEndTheListCleanly) {
  int accepted = -1;
  std::string table = build(readTextFile(corpus("portraits/unterminated.xml")), &accepted);
  // The first "<QVS>" runs to the first "</QVS>": one block, for id 200.
  EXPECT_EQ(accepted, 1);
  EXPECT_NE(table.find("<PortraitId>200</PortraitId>"), std::string::npos);
  EXPECT_EQ(table.find("<PortraitId>202"), std::string::npos);

  table = build(readTextFile(corpus("portraits/nested-and-odd.xml")), &accepted);
  EXPECT_EQ(accepted, 3);  // 203, 205 (atoi reads "205abc"), 200
  EXPECT_EQ(table.rfind("</QVSPORTRAITSLIST>\n"), table.size() - 20);

  build(readTextFile(corpus("portraits/only-close-tags.xml")), &accepted);
  EXPECT_EQ(accepted, 0);
}

TEST_F(BadPortraitSources, TenThousandBlocks) {
  std::string sources;
  for (int i = 0; i < 10000; ++i) {
    sources += "<QVS><PortraitId>" + std::to_string(200 + i % 7) + "</PortraitId><Name>n" +
               std::to_string(i) + "</Name></QVS>\n";
  }
  int accepted = 0;
  const std::string table = build(sources, &accepted);
  EXPECT_EQ(accepted, 6);  // one per id with an image; 204 has none
  EXPECT_NE(table.find("<Name>n0</Name>"), std::string::npos);
  EXPECT_EQ(table.find("<Name>n7</Name>"), std::string::npos);  // a later block of a seen id
}

}  // namespace
