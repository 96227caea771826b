// Whole writes: the new content appears at once or not at all, under the
// user's file as the user had it (mode, a link to it), never under the
// name of another file of the user's; on Windows a replace blocked for a
// moment by another program holding the file is tried again.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/os.h"
#include "tests/temp_dir.h"

namespace {

namespace fs = std::filesystem;

std::size_t entriesIn(const fs::path& folder) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++n;
  return n;
}

TEST(NewFile, ReplacesWholeKeepsTheModeAndTakesNoNameOfTheUsers) {
  TempDir t;
  const fs::path file = t.write("Tkr.ini", "old");
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const fs::perms before = fs::status(file).permissions();
  t.write("Tkr.ini.~tkr0", "a file of the user's");
  EXPECT_EQ(writeFileWhole(file, "new text"), FileResult::Done);
  EXPECT_EQ(readFileBytes(file), "new text");
  EXPECT_EQ(fs::status(file).permissions(), before);
  EXPECT_EQ(readFileBytes(t.sub("Tkr.ini.~tkr0")), "a file of the user's");
  EXPECT_EQ(writeFileWhole(t.sub("Play.bat"), "@echo off\r\n"), FileResult::Done);
  EXPECT_EQ(entriesIn(t.path), 3u);  // nothing left beside them

  // A write that cannot be finished leaves the old file and no fresh one.
  EXPECT_EQ(writeFileWhole(t.sub("missing/folder/x.ini"), "x"), FileResult::Failed);
  {
    NewFile cut;
    ASSERT_TRUE(cut.open(file));
    cut.write("half", 4);
  }  // never committed
  EXPECT_EQ(readFileBytes(file), "new text");
  EXPECT_EQ(entriesIn(t.path), 3u);
}

TEST(NewFile, ALinkStaysALinkAndItsTargetGetsTheText) {
  TempDir t;
  const fs::path real = t.write("real/Tkr.ini", "old");
  std::error_code ec;
  fs::create_symlink(real, t.sub("Tkr.ini"), ec);
  if (ec) GTEST_SKIP() << "no symbolic links here: " << ec.message();
  EXPECT_EQ(writeFileWhole(t.sub("Tkr.ini"), "new"), FileResult::Done);
  EXPECT_TRUE(fs::is_symlink(t.sub("Tkr.ini")));
  EXPECT_EQ(readFileBytes(real), "new");
  EXPECT_EQ(entriesIn(t.sub("real")), 1u);
}

#ifdef _WIN32
TEST(NewFile, AReplaceHeldUpByAnotherProgramIsTriedAgain) {
  TempDir t;
  const fs::path file = t.write("QVSPortraits.xml", "old");
  // A scanner that holds the file, sharing nothing, for a third of a second.
  const HANDLE held = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread release([held] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    CloseHandle(held);
  });
  EXPECT_EQ(writeFileWhole(file, "new"), FileResult::Done);
  release.join();
  EXPECT_EQ(readFileBytes(file), "new");
  EXPECT_EQ(entriesIn(t.path), 1u);
}
#endif

}  // namespace
