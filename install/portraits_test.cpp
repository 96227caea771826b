#include "install/portraits.h"

#include <gtest/gtest.h>

#include "tests/face_archive.h"
#include "tests/install_fixture.h"

namespace {

namespace fs = std::filesystem;

TEST(PortraitNames, TheTwentyNumbersOnly) {
  for (const char* yes : {"BigFaces/200.rvi", "bigfaces/219.RVI", "200.rvi", "x/ 205.rvi"}) {
    EXPECT_EQ(isPortraitEntryName(yes), std::string(yes) != "x/ 205.rvi") << yes;
  }
  for (const char* no : {"BigFaces/0200.rvi", "BigFaces/220.rvi", "BigFaces/200a.rvi", "BigFaces/199.rvi",
                         "BigFaces/200.rvk", "BigFaces/+200.rvi", "BigFaces/-200.rvi"}) {
    EXPECT_FALSE(isPortraitEntryName(no)) << no;
  }
}

TEST(LeadingNumber, ReadsLikeAtoi) {
  EXPECT_EQ(leadingNumber(" 7<"), 7);
  EXPECT_EQ(leadingNumber("\t-3"), -3);
  EXPECT_EQ(leadingNumber("+12x"), 12);
  EXPECT_EQ(leadingNumber("abc"), 0);
  EXPECT_GT(leadingNumber("99999999999999999999999"), 0);  // saturates, no overflow
}

struct FaceArchive : testing::Test {
  TempDir t;
  fs::path write(const FaceArchiveBuilder& b) { return t.write("Faces.rvk", b.bytes()); }
};

TEST_F(FaceArchive, ExtractsSelectedEntriesAndNeverOverwrites) {
  FaceArchiveBuilder b;
  b.add("BigFaces\\200.rvi", "two hundred").add("bigfaces\\219.RVI", "last")
      .add("BigFaces\\201.rvi", "deleted", 1).add("BigFaces\\0200.rvi", "x").add("Other\\a.rvi", "y");
  const fs::path archive = write(b);
  t.write("out/bigfaces/219.RVI", "mine");
  installPortraitPack(archive, t.sub("out"));
  EXPECT_EQ(readFileBytes(t.sub("out/BigFaces/200.rvi")), "two hundred");
  EXPECT_EQ(readFileBytes(t.sub("out/bigfaces/219.RVI")), "mine");
  EXPECT_FALSE(fs::exists(t.sub("out/BigFaces/201.rvi")));
  EXPECT_FALSE(fs::exists(t.sub("out/BigFaces/0200.rvi")));
}

TEST_F(FaceArchive, EntrySizeFollowsTheVersion) {
  for (std::uint16_t version : {511, 512}) {
    FaceArchiveBuilder b;
    b.version = version;
    b.add("BigFaces\\203.rvi", "v" + std::to_string(version));
    const auto entries = readPortraitEntries(write(b));
    ASSERT_EQ(entries.size(), 1u) << version;
    EXPECT_EQ(entries[0].name, "BigFaces/203.rvi");
  }
}

TEST_F(FaceArchive, DamagedAndHostileArchivesExtractNothingHarmful) {
  EXPECT_TRUE(readPortraitEntries(t.write("short.rvk", std::string(100, 'x'))).empty());
  EXPECT_TRUE(readPortraitEntries(t.sub("missing.rvk")).empty());
  for (std::int32_t count : {0, -1, 0x7FFFFFFF}) {
    FaceArchiveBuilder b;
    b.add("BigFaces\\200.rvi", "x");
    b.overrideCount = true;
    b.countOverride = count;
    EXPECT_TRUE(readPortraitEntries(write(b)).empty()) << count;
  }
  FaceArchiveBuilder b;
  b.add("..\\..\\200.rvi", "escape").add("C:\\200.rvi", "drive").add("\\BigFaces\\200.rvi", "absolute")
      .add("BigFaces\\..\\210.rvi", "dotdot").add("BigFaces\\211.rvi", "past the end")
      .add(std::string(256, 'a'), "no NUL").add("BigFaces\\212.rvi", "huge");
  b.entries[4].offsetOverride = 0x7FFFFFF0;
  b.entries[6].lengthOverride = 0xFFFFFFFF;
  EXPECT_TRUE(readPortraitEntries(write(b)).empty());
  installPortraitPack(t.sub("Faces.rvk"), t.sub("deep/out"));
  EXPECT_FALSE(fs::exists(t.sub("deep/out")));
  EXPECT_FALSE(fs::exists(t.sub("200.rvi")));
}

struct Portraits : InstallSandbox {
  void SetUp() override {
    InstallSandbox::SetUp();
    root.write("src/Data/a.rvk");
    state.gamePath = root.subStr("src");
  }
  void pack(const std::string& base, const std::string& snippet) {
    root.write("package/installer/custom_qvs_faces/QVSFaces/BigFaces/300.rvi", "pack 300");
    root.write("package/installer/custom_qvs_faces/QVSPortraits_base.xml", base);
    root.write("package/installer/custom_qvs_faces/QVSPortraits_snippet.xml", snippet);
  }
};

TEST_F(Portraits, TableFromBothSourcesFirstBlockPerIdWins) {
  root.write("src/Data/QVSFaces/BigFaces/200.rvi", "game");  // copied by the base step
  root.write("src/Data/QVSFaces/BigFaces/201.rvi", "game");
  pack("<?xml?>\r\n<QVSPORTRAITSLIST>\r\n<QVS><PortraitId>200</PortraitId></QVS>\r\n"
       "<QVS>\r\n  <PortraitId> 201</PortraitId>\r\n</QVS>\r\n<!-- c -->\r\n",
       "<QVS><PortraitId>201</PortraitId><x/></QVS>\n<QVS><PortraitId>300</PortraitId></QVS>\n"
       "<QVS><PortraitId>abc</PortraitId></QVS><QVS><PortraitId>-3</PortraitId></QVS>"
       "<QVS><PortraitId>999</PortraitId></QVS><QVS>unterminated");
  install();
  EXPECT_TRUE(logged("Installing 40 custom animated Q.V.S. portraits (v6.1)..."));
  const std::string expected =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<QVSPORTRAITSLIST>\n"
      "\t<QVS><PortraitId>200</PortraitId></QVS>\n"
      "\t<QVS>\r\n  <PortraitId> 201</PortraitId>\r\n</QVS>\n"
      "\t<QVS><PortraitId>300</PortraitId></QVS>\n"
      "</QVSPORTRAITSLIST>\n";
  EXPECT_EQ(readFileBytes(gameDir() / "Data/TableData/QVSPortraits.xml"), expected);
  EXPECT_EQ(readFileBytes(gameDir() / "Data/QVSFaces/BigFaces/300.rvi"), "pack 300");
  EXPECT_FALSE(fs::exists(gameDir() / "Data-Torvane"));
}

TEST_F(Portraits, EveryLayerGetsThePackAndTheTable) {
  root.write("mod/Data-VA/x");
  root.write("mod/Data-Torvane/t");
  root.write("mod/Profiles/UserProfile_TKRVA/p");
  state.modArchivePath = root.subStr("mod");
  pack("<QVS><PortraitId>300</PortraitId></QVS>", "");
  install();
  for (const char* layer : {"Data", "Data-Torvane", "Profiles/UserProfile_TKRVA"}) {
    EXPECT_TRUE(fs::exists(gameDir() / layer / "QVSFaces/BigFaces/300.rvi")) << layer;
    EXPECT_TRUE(fs::exists(gameDir() / layer / "TableData/QVSPortraits.xml")) << layer;
  }
}

TEST_F(Portraits, NoAcceptedBlockLeavesTheGamesTableAlone) {
  root.write("src/Data/TableData/QVSPortraits.xml", "the game's own");
  pack("<QVS><PortraitId>777</PortraitId></QVS>", "");
  install();
  EXPECT_EQ(readFileBytes(gameDir() / "Data/TableData/QVSPortraits.xml"), "the game's own");
  EXPECT_TRUE(state.succeeded.load());
}

TEST_F(Portraits, FaceArchiveInTheGameIsExtractedOnce) {
  FaceArchiveBuilder b;
  b.add("BigFaces\\200.rvi", "from archive").add("BigFaces\\207.rvi", "seven");
  root.write("src/Data/FACES.RVK", b.bytes());
  install();
  EXPECT_EQ(readFileBytes(gameDir() / "Data/QVSFaces/BigFaces/207.rvi"), "seven");
  fs::remove(gameDir() / "Data/QVSFaces/BigFaces/207.rvi");
  install();  // 200 is there: the archive is not read again
  EXPECT_FALSE(fs::exists(gameDir() / "Data/QVSFaces/BigFaces/207.rvi"));
}

}  // namespace

namespace {

// Bytes this process has read through read calls so far (Linux), or -1.
long long bytesReadSoFar() {
  std::ifstream io("/proc/self/io");
  std::string name;
  long long value = -1;
  while (io >> name >> value) {
    if (name == "rchar:") return value;
  }
  return -1;
}

TEST(FaceArchiveReads, OnlyTheHeaderTheTableAndTheTwentyEntries) {
  if (bytesReadSoFar() < 0) GTEST_SKIP() << "no read counter on this system";
  // 300 MiB with 20,000 entries of 15 KiB each, sparse on disk: the twenty
  // portraits are scattered among them.
  TempDir t;
  const fs::path archive = t.sub("Faces.rvk");
  constexpr std::uint32_t kEntries = 20000, kSize = 15 * 1024 + 400;
  constexpr std::uint64_t kData = 532;
  std::string table;
  std::uint64_t portraitBytes = 0;
  {
    std::ofstream out(archive, std::ios::binary);
    std::string header(532, '\0');
    FaceArchiveBuilder::put32(header, 512, kEntries);
    header[522] = 0;
    header[523] = 2;  // version 512
    out << header;
    for (std::uint32_t i = 0; i < kEntries; ++i) {
      const bool portrait = i % 1000 == 7;
      const std::string name = portrait ? "BigFaces\\" + std::to_string(200 + i / 1000) + ".rvi"
                                        : "Other\\face" + std::to_string(i) + ".rvi";
      std::string rec(280, '\0');
      std::memcpy(rec.data(), name.data(), name.size());
      FaceArchiveBuilder::put32(rec, 256, static_cast<std::uint32_t>(kData + std::uint64_t{i} * kSize));
      FaceArchiveBuilder::put32(rec, 260, kSize);
      table += rec;
      if (portrait) {
        out.seekp(static_cast<std::streamoff>(kData + std::uint64_t{i} * kSize));
        out << std::string(kSize, 'p');
        portraitBytes += kSize;
      }
    }
    out.seekp(static_cast<std::streamoff>(kData + std::uint64_t{kEntries} * kSize));
    out << table;
  }
  ASSERT_GT(fs::file_size(archive), 300u << 20);

  const long long before = bytesReadSoFar();
  installPortraitPack(archive, t.sub("out"));
  const long long read = bytesReadSoFar() - before;
  for (int n = 200; n < 220; ++n) {
    EXPECT_EQ(fs::file_size(t.sub("out/BigFaces/" + std::to_string(n) + ".rvi")), kSize);
  }
  // Reads come in whole stream buffers: the header's may run on, and each
  // seek to a portrait may read one buffer beyond its data.
  const long long wanted = 532 + static_cast<long long>(table.size()) + portraitBytes;
  EXPECT_LE(read, wanted + 21 * 8192) << "read " << read << ", wanted " << wanted;
  RecordProperty("bytes_read", std::to_string(read));
  RecordProperty("bytes_wanted", std::to_string(wanted));
  EXPECT_LT(read, static_cast<long long>(fs::file_size(archive) / 20));
}

}  // namespace
