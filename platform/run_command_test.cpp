#include "platform/run_command.h"

#include <gtest/gtest.h>

#include <chrono>

#include "discovery/text_path.h"
#include "platform/os.h"
#include "tests/env_guard.h"
#include "tests/temp_dir.h"

namespace {

// The recording stand-in built beside the tests; the search finds it in the
// test executable's own folder (and on Linux without the ".exe").
std::string childPath() { return searchProgram("tkr_test_child.exe"); }

struct Recorded {
  std::string cwd;
  std::vector<std::string> args;
};

Recorded readRecord(const std::filesystem::path& file) {
  Recorded r;
  std::ifstream in(file, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "--") break;
    if (line.rfind("prog=", 0) == 0) continue;
    if (line.rfind("cwd=", 0) == 0) {
      r.cwd = line.substr(4);
    } else {
      r.args.push_back(line);
    }
  }
  return r;
}

TEST(SearchProgram, FindsTheChildBesideTheExecutable) {
  const std::string child = childPath();
  ASSERT_FALSE(child.empty());
  EXPECT_TRUE(pathIsFile(child));
  EXPECT_TRUE(searchProgram("no-such-program-tkr.exe").empty());
  EXPECT_TRUE(searchProgram("").empty());
}

TEST(SearchProgram, ExeNamesFindTheRealToolsOfThisMachine) {
  // On Linux "innoextract.exe" and "7zz.exe" find Debian's innoextract and 7zz.
  if (hasFixedWindowsLocations()) GTEST_SKIP() << "Windows searches for the .exe itself";
  EnvGuard env;
  env.set("PATH", "/usr/bin:/bin");
  for (const char* tool : {"innoextract", "7zz", "tar"}) {
    const std::string found = searchProgram(std::string(tool) + ".exe");
    if (found.empty()) continue;  // not installed here
    EXPECT_EQ(std::filesystem::path(found).filename(), tool);
  }
}

TEST(RunCommand, ExitCodes) {
  EnvGuard env;
  const std::string line = "\"" + childPath() + "\"";
  for (int code : {0, 1, 255}) {
    env.set("TKR_CHILD_EXIT", std::to_string(code));
    EXPECT_EQ(runCommand(line, ""), code == 0) << code;
  }
}

TEST(RunCommand, MissingProgramFailsAtOnce) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(runCommand("no-such-program-tkr.exe --version", ""));
  EXPECT_FALSE(runCommand("\"C:\\no\\such\\dir\\tool.exe\" x", ""));
  EXPECT_FALSE(runCommand("", ""));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(RunCommand, ChildEndingAbnormallyFails) {
  EnvGuard env;
  env.set("TKR_CHILD_ABORT", "1");
  EXPECT_FALSE(runCommand("\"" + childPath() + "\"", ""));
}

TEST(RunCommand, ArgumentsArriveUnchangedAndNoShellRuns) {
  TempDir t;
  EnvGuard env;
  const std::filesystem::path record = t.sub("record.txt");
  env.set("TKR_CHILD_RECORD", pathToUtf8(record));
  const std::string line = "\"" + childPath() +
                           "\" x -y \"-o" + t.subStr("out dir") +
                           "\" \"$HOME\" `echo hi` a;b x|y * \"\" \"trailing\\\\\" q\\\"uote";
  ASSERT_TRUE(runCommand(line, ""));
  const Recorded r = readRecord(record);
  const std::vector<std::string> expected = {
      "x", "-y", "-o" + t.subStr("out dir"), "$HOME", "`echo", "hi`", "a;b", "x|y", "*", "",
      "trailing\\", "q\"uote"};
  EXPECT_EQ(r.args, expected);
  EXPECT_FALSE(std::filesystem::exists(t.sub("out dir")));
}

TEST(RunCommand, NonAsciiArgumentsWhereTheSystemPassesUtf8) {
  if (!narrowTextIsUtf8()) {
    GTEST_SKIP() << "this system ignores the manifest's UTF-8 code page (Wine 8 does)";
  }
  TempDir t;
  EnvGuard env;
  const std::filesystem::path record = t.sub("record.txt");
  env.set("TKR_CHILD_RECORD", pathToUtf8(record));
  ASSERT_TRUE(runCommand("\"" + childPath() + "\" \"Spiele \xC3\x84\"", ""));
  EXPECT_EQ(readRecord(record).args, std::vector<std::string>{"Spiele \xC3\x84"});
}

TEST(RunCommand, WorkingDirectory) {
  TempDir t;
  EnvGuard env;
  const std::filesystem::path record = t.sub("record.txt");
  env.set("TKR_CHILD_RECORD", pathToUtf8(record));
  const std::string line = "\"" + childPath() + "\"";
  t.mkdir("work");
  ASSERT_TRUE(runCommand(line, t.subStr("work")));
  ASSERT_TRUE(runCommand(line, ""));
  std::ifstream in(record, std::ios::binary);
  std::string prog, first, sep1, prog2, second;
  std::getline(in, prog);
  std::getline(in, first);
  std::getline(in, sep1);
  std::getline(in, prog2);
  std::getline(in, second);
  const auto canon = [](const std::string& p) {
    std::error_code ec;
    return std::filesystem::weakly_canonical(*pathFromUtf8(p), ec);
  };
  EXPECT_EQ(canon(first.substr(4)), canon(t.subStr("work")));
  EXPECT_EQ(canon(second.substr(4)), std::filesystem::current_path());
  EXPECT_FALSE(runCommand(line, t.subStr("missing")));
}

}  // namespace
