#include "discovery/text_path.h"

#include <gtest/gtest.h>

#include "platform/os.h"
#include "tests/env_guard.h"
#include "tests/temp_dir.h"

namespace {

TEST(ToLowerAscii, FoldsOnlyAsciiCapitals) {
  EXPECT_EQ(toLowerAscii("Setup_Thrask_Kovarra.EXE"), "setup_thrask_kovarra.exe");
  EXPECT_EQ(toLowerAscii("\xC3\x84@[`{Z"), "\xC3\x84@[`{z");
  EXPECT_EQ(toLowerAscii(std::string("A\0B", 3)), std::string("a\0b", 3));
}

TEST(EndsWithNoCase, SuffixRules) {
  EXPECT_TRUE(endsWithNoCase("Archive.7Z", ".7z"));
  EXPECT_FALSE(endsWithNoCase("exe", ".exe"));
  EXPECT_TRUE(endsWithNoCase("anything", ""));
  EXPECT_TRUE(endsWithNoCase(".EXE", ".exe"));
  EXPECT_FALSE(endsWithNoCase("setup.exe.part", ".exe"));
}

TEST(TrimWhitespace, OnlySpaceTabCrLf) {
  EXPECT_EQ(trimWhitespace("\t key \r\n"), "key");
  EXPECT_EQ(trimWhitespace(" \t\r\n "), "");
  EXPECT_EQ(trimWhitespace(""), "");
  EXPECT_EQ(trimWhitespace("\vkey\f"), "\vkey\f");
  EXPECT_EQ(trimWhitespace("  a b  "), "a b");
}

TEST(JoinPath, SeparatorRules) {
  const std::string sep(1, pathSeparator());
  EXPECT_EQ(joinPath("", "Downloads"), "Downloads");
  EXPECT_EQ(joinPath("C:\\Users\\ann\\", "Desktop"), "C:\\Users\\ann\\Desktop");
  EXPECT_EQ(joinPath("C:/games/", "x"), "C:/games/x");
  EXPECT_EQ(joinPath("C:\\Users\\ann", "GOG Games/Thrask Kovarra"),
            "C:\\Users\\ann" + sep + "GOG Games/Thrask Kovarra");
  EXPECT_EQ(joinPath("/home/ann", ""), "/home/ann" + sep);
}

TEST(HomeDir, ProfileThenThePlatformFallback) {
  EnvGuard env;
  env.set("USERPROFILE", "/profile/ann");
  EXPECT_EQ(homeDir(), "/profile/ann");
  env.set("USERPROFILE", "");
  EXPECT_EQ(homeDir(), homeFallback());
  env.unset("USERPROFILE");
  EXPECT_EQ(homeDir(), homeFallback());
  EXPECT_FALSE(homeFallback().empty());
}

TEST(PathTests, FilesFoldersAndNothing) {
  TempDir t;
  t.write("file.txt");
  t.mkdir("folder");
  EXPECT_FALSE(pathIsFile(""));
  EXPECT_FALSE(pathIsDir(""));
  EXPECT_TRUE(pathIsFile(t.subStr("file.txt")));
  EXPECT_FALSE(pathIsDir(t.subStr("file.txt")));
  EXPECT_TRUE(pathIsDir(t.subStr("folder")));
  EXPECT_FALSE(pathIsFile(t.subStr("folder")));
  EXPECT_FALSE(pathIsFile(t.subStr("missing")));
  EXPECT_FALSE(pathIsDir("Q:\\no\\such\\drive"));
}

TEST(PathTests, NonAsciiNamesRoundTrip) {
  TempDir t;
  const std::string name = "Spiele \xC3\x84";
  const std::string folder = joinPath(t.str(), name);
  ASSERT_TRUE(std::filesystem::create_directory(*pathFromUtf8(folder)));
  EXPECT_TRUE(pathIsDir(folder));
  const std::string file = joinPath(folder, "S\xC3\xA4ve.txt");
  std::ofstream(*pathFromUtf8(file)) << "x";
  EXPECT_TRUE(pathIsFile(file));
  EXPECT_EQ(pathToUtf8(*pathFromUtf8(file)), file);
  // The listing gives back the same UTF-8 bytes.
  bool seen = false;
  for (const auto& e : std::filesystem::directory_iterator(t.path)) {
    seen = seen || pathToUtf8(e.path().filename()) == name;
  }
  EXPECT_TRUE(seen);
}

TEST(PathTests, InvalidUtf8NeverEndsTheProcess) {
  EXPECT_FALSE(pathIsDir("\xFF\xFE bad"));
  EXPECT_FALSE(pathIsFile("bad \xC3"));
}

TEST(ExecutableDir, IsTheFolderOfTheRunningProgram) {
  const std::string dir = executableDir();
  ASSERT_NE(dir, ".");
  EXPECT_TRUE(pathIsDir(dir));
  EXPECT_NE(dir.back(), pathSeparator());
  EXPECT_FALSE(executableFileName().empty());
  EXPECT_TRUE(pathIsFile(executableFileName()));
}

TEST(Environment, ValuesRoundTripAsUtf8) {
  EnvGuard env;
  env.set("TKR_TEST_UTF8", "Spiele \xC3\x84");
  EXPECT_EQ(envValue("TKR_TEST_UTF8"), "Spiele \xC3\x84");
  env.set("TKR_TEST_UTF8", "");
  EXPECT_EQ(envValue("TKR_TEST_UTF8"), "");
  env.unset("TKR_TEST_UTF8");
  EXPECT_EQ(envValue("TKR_TEST_UTF8"), std::nullopt);
}

TEST(NameStaysInside, RelativeNamesOnly) {
  for (const char* ok : {"a", "Data/x.ini", "Data\\x.ini", "a..b/c", ".hidden"}) EXPECT_TRUE(nameStaysInside(ok)) << ok;
  for (const char* bad : {"", "/etc/x", "\\x", "C:x", "C:\\x", "../x", "a/../../x", "a\\..\\x", "a//b", "./a", "a/."}) {
    EXPECT_FALSE(nameStaysInside(bad)) << bad;
  }
}

}  // namespace
