#include "platform/resolve_path.h"

#include <gtest/gtest.h>

#include "tests/temp_dir.h"

namespace {

namespace fs = std::filesystem;

TEST(ResolvePathNoCase, DirectHitKeepsTheCallersCase) {
  TempDir t;
  t.write("Data/Faces.rvk");
  EXPECT_EQ(resolvePathNoCase(t.path, "Data/Faces.rvk"), t.path / "Data/Faces.rvk");
}

TEST(ResolvePathNoCase, OtherCaseGivesTheNameOnDisk) {
  TempDir t;
  t.write("DATA/faces.RVK");
  const fs::path found = resolvePathNoCase(t.path, "Data/Faces.rvk");
  ASSERT_FALSE(found.empty());
  EXPECT_TRUE(fs::equivalent(found, t.sub("DATA/faces.RVK")));
  // On a case-sensitive filesystem the scan gives the case on disk.
  if (!fs::exists(t.sub("Data"))) {
    EXPECT_EQ(found, t.path / "DATA" / "faces.RVK");
  }
}

TEST(ResolvePathNoCase, EmptyPiecesAreSkipped) {
  TempDir t;
  t.write("Data/Maps/x");
  EXPECT_FALSE(resolvePathNoCase(t.path, "/data//maps/X/").empty());
  EXPECT_EQ(resolvePathNoCase(t.path, ""), t.path / "");
}

TEST(ResolvePathNoCase, NothingFound) {
  TempDir t;
  t.write("file.txt");
  EXPECT_TRUE(resolvePathNoCase(t.path, "FILE.TXT/anything").empty());
  EXPECT_TRUE(resolvePathNoCase(t.path, "missing").empty());
  EXPECT_TRUE(resolvePathNoCase(t.sub("no-such-base"), "x").empty());
  EXPECT_TRUE(resolvePathNoCase(t.sub("no-such-base"), "a/b").empty());
}

TEST(ResolvePathNoCase, OnlyAsciiLettersFold) {
  TempDir t;
  t.write("\xC3\xA4rger.txt");  // a lower-case a with diaeresis
  EXPECT_TRUE(resolvePathNoCase(t.path, "\xC3\x84RGER.TXT").empty() ||
              fs::exists(t.path / *pathFromUtf8("\xC3\x84RGER.TXT")));
  EXPECT_FALSE(resolvePathNoCase(t.path, "\xC3\xA4RGER.TXT").empty());
}

TEST(ResolvePathNoCase, FirstListedOfTwoCaseTwinsWins) {
  TempDir t;
  t.write("Twin", "upper");
  if (fs::exists(t.sub("twin"))) GTEST_SKIP() << "the filesystem ignores letter case";
  t.write("twin", "lower");
  std::string firstListed;
  for (const auto& e : fs::directory_iterator(t.path)) {
    firstListed = pathToUtf8(e.path().filename());
    break;
  }
  EXPECT_EQ(resolvePathNoCase(t.path, "TWIN"), t.path / firstListed);
}

}  // namespace
