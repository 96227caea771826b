#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include "tests/temp_dir.h"

namespace {

// The file's bytes after one setIniValue on the given contents (or none).
std::string afterSet(const std::string* contents, const std::string& section, const std::string& key,
                     const std::string& value) {
  TempDir t;
  const auto file = t.sub("x.ini");
  if (contents) std::ofstream(file, std::ios::binary) << *contents;
  setIniValue(file, section, key, value);
  return readFileBytes(file);
}
std::string afterSet(const std::string& contents, const std::string& section = "Native",
                     const std::string& key = "coop", const std::string& value = "1") {
  return afterSet(&contents, section, key, value);
}

TEST(SplitIniLines, LfSplitsOneCrDropped) {
  EXPECT_EQ(splitIniLines(""), std::vector<std::string>{});
  EXPECT_EQ(splitIniLines("a\n"), std::vector<std::string>{"a"});
  EXPECT_EQ(splitIniLines("a\r\n\nb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(splitIniLines("a\r\r\nb\rc"), (std::vector<std::string>{"a\r", "b\rc"}));
  EXPECT_EQ(splitIniLines("\n"), std::vector<std::string>{""});
}

TEST(SetIniValue, NewFileAndNewSection) {
  EXPECT_EQ(afterSet(nullptr, "Native", "coop", "1"), "[Native]\r\ncoop = 1\r\n");
  EXPECT_EQ(afterSet("a=1"), "a=1\r\n\r\n[Native]\r\ncoop = 1\r\n");
  EXPECT_EQ(afterSet("a=1\n\n"), "a=1\r\n\r\n[Native]\r\ncoop = 1\r\n");  // no second separator
  EXPECT_EQ(afterSet("a=1\n  \n"), "a=1\r\n  \r\n\r\n[Native]\r\ncoop = 1\r\n");
}

TEST(SetIniValue, HeadersMatchWithoutCaseAndWithTrailingText) {
  EXPECT_EQ(afterSet("[native]\ncoop=0\n"), "[native]\r\ncoop = 1\r\n");
  EXPECT_EQ(afterSet("[ Native ]\ncoop=0\n"), "[ Native ]\r\ncoop = 1\r\n");
  EXPECT_EQ(afterSet("[Native] ; engine\ncoop=0\n"), "[Native] ; engine\r\ncoop = 1\r\n");
}

TEST(SetIniValue, ChangedKeyKeepsIndentationAndCase) {
  EXPECT_EQ(afterSet("[Native]\nCoop=0\n"), "[Native]\r\nCoop = 1\r\n");
  EXPECT_EQ(afterSet("[Native]\n  coop\t= 0 ; note\n"), "[Native]\r\n  coop\t= 1\r\n");
  EXPECT_EQ(afterSet("[Native]\ncoop = 0\n"), "[Native]\r\ncoop = 1\r\n");
  EXPECT_EQ(afterSet("[Native]\ncoop=\n"), "[Native]\r\ncoop = 1\r\n");
}

TEST(SetIniValue, CommentsNeverMatchAndNewKeysFollowTheLastNonBlankLine) {
  EXPECT_EQ(afterSet("[Native]\n; coop = 0\n\n\n[Other]\n"),
            "[Native]\r\n; coop = 0\r\ncoop = 1\r\n\r\n\r\n[Other]\r\n");
  EXPECT_EQ(afterSet("[Native]\n# coop = 0\n"), "[Native]\r\n# coop = 0\r\ncoop = 1\r\n");
  EXPECT_EQ(afterSet("[Native]\n\n\n[B]\n"), "[Native]\r\ncoop = 1\r\n\r\n\r\n[B]\r\n");
}

TEST(SetIniValue, OnlyTheFirstSectionAndTheFirstKeyCount) {
  EXPECT_EQ(afterSet("[Native]\na=1\n[Native]\ncoop=0\n"),
            "[Native]\r\na=1\r\ncoop = 1\r\n[Native]\r\ncoop=0\r\n");
  EXPECT_EQ(afterSet("[Native]\ncoop=0\ncoop=2\n"), "[Native]\r\ncoop = 1\r\ncoop=2\r\n");
  EXPECT_EQ(afterSet("coop=0\n[Native]\n"), "coop=0\r\n[Native]\r\ncoop = 1\r\n");
}

TEST(SetIniValue, LineEndingsBecomeCrLfAndInnerCrStays) {
  EXPECT_EQ(afterSet("[Native]\nx=a\rb\nlast"), "[Native]\r\nx=a\rb\r\nlast\r\ncoop = 1\r\n");
}

TEST(SetIniValue, NamesFoldOnlyAsciiAndValuesAreWrittenAsGiven) {
  EXPECT_EQ(afterSet("[\xC3\x84]\n", "\xC3\xA4", "k", "v"), "[\xC3\x84]\r\n\r\n[\xC3\xA4]\r\nk = v\r\n");
  EXPECT_EQ(afterSet("", "S", "k", " spaced = \"v\" "), "[S]\r\nk =  spaced = \"v\" \r\n");
}

TEST(SetIniValue, UnreadableFileIsLeftUntouched) {
  TempDir t;
  t.mkdir("folder.ini");  // exists, cannot be read as a file
  setIniValue(t.sub("folder.ini"), "Native", "coop", "1");
  EXPECT_TRUE(std::filesystem::is_directory(t.sub("folder.ini")));
}

TEST(SetIniValue, TheNewTextNeverTakesTheNameOfAUserFile) {
  TempDir t;
  const auto file = t.write("Tkr.ini", "[Display]\r\nwidth = 800\r\n");
  t.write("Tkr.ini.tkr-new", "mine");  // a name a user's file may have
  t.mkdir("Tkr.ini.tkr-new.d/blocked");
  setIniValue(file, "Native", "coop", "1");
  EXPECT_EQ(readFileBytes(file), "[Display]\r\nwidth = 800\r\n\r\n[Native]\r\ncoop = 1\r\n");
  EXPECT_EQ(readFileBytes(t.sub("Tkr.ini.tkr-new")), "mine");
  setIniValue(t.sub("other.ini"), "Native", "coop", "1");
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(t.path)) ++entries;
  EXPECT_EQ(entries, 4u);  // the two INI files and the user's two: nothing left beside them
}

TEST(SetIniValue, CreatesParentFolders) {
  TempDir t;
  setIniValue(t.sub("a/b/c.ini"), "S", "k", "v");
  EXPECT_EQ(readFileBytes(t.sub("a/b/c.ini")), "[S]\r\nk = v\r\n");
}

TEST(ReadTextFile, WholeFileInBinary) {
  TempDir t;
  EXPECT_EQ(readTextFile(t.sub("missing")), "");
  t.write("f", std::string("a\r\nb\0c", 6));
  EXPECT_EQ(readTextFile(t.sub("f")), std::string("a\r\nb\0c", 6));
}

}  // namespace
