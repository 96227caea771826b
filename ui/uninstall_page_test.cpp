#include "ui/uninstall_page.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "app/frame.h"
#include "tests/canvas.h"
#include "tests/temp_dir.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRemoveX = 650, kCancelX = 760, kNavY = 490;

// An installation of two listed files, a saved game of the player's, and
// the record.
void makeInstallation(const fs::path& prefix, const std::string& extraLine = "") {
  fs::create_directories(prefix / "game" / "Saves");
  fs::create_directories(prefix / "Uninstall");
  std::ofstream(prefix / "Play.bat") << "play";
  std::ofstream(prefix / "game" / "Tkr.ini") << "ini";
  std::ofstream(prefix / "game" / "Saves" / "slot1.sav") << "save";
  std::ofstream(prefix / "Uninstall" / "installed-files.txt")
      << "file Play.bat\nfile game/Tkr.ini\nfile Uninstall/installed-files.txt\n" << extraLine;
}

bool clickAt(UninstallView& view, int x, int y) {
  Canvas canvas;
  FrameInput input;
  input.mouseX = x;
  input.mouseY = y;
  input.clicked = true;
  return runUninstallFrame(canvas.renderer, view, input);
}

TEST(UninstallPage, CancelRemovesNothingRemoveRemovesTheListedFilesOnly) {
  TempDir dir;
  const fs::path prefix = dir.path / "TKR-Native-Port";
  makeInstallation(prefix);

  UninstallView cancelled;
  cancelled.plan = planUninstall(prefix);
  ASSERT_FALSE(cancelled.plan.refusal);
  EXPECT_EQ(cancelled.plan.files.size(), 3u);
  EXPECT_FALSE(clickAt(cancelled, kCancelX, kNavY));
  EXPECT_FALSE(cancelled.done);
  EXPECT_TRUE(fs::exists(prefix / "Play.bat"));

  UninstallView view;
  view.plan = planUninstall(prefix);
  EXPECT_TRUE(clickAt(view, kRemoveX, kNavY));  // Remove: the window stays, with what was done
  for (int i = 0; i < 6000 && !view.done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(view.done);
  EXPECT_TRUE(view.succeeded);
  EXPECT_FALSE(fs::exists(prefix / "Play.bat"));
  EXPECT_FALSE(fs::exists(prefix / "game" / "Tkr.ini"));
  EXPECT_FALSE(fs::exists(prefix / "Uninstall"));
  EXPECT_TRUE(fs::exists(prefix / "game" / "Saves" / "slot1.sav"));
  ASSERT_FALSE(view.lines.empty());
  EXPECT_NE(view.lines.back().find("saved games and other files you made are in it"), std::string::npos);
  EXPECT_FALSE(clickAt(view, kRemoveX, kNavY));  // now Close
}

TEST(UninstallPage, ARefusedListLeavesRemoveDisabled) {
  TempDir dir;
  const fs::path prefix = dir.path / "TKR-Native-Port";
  for (const char* line : {"file ../elsewhere.txt\n", "file game/Saves\n", "shortcut relative.lnk\n"}) {
    SCOPED_TRACE(line);
    makeInstallation(prefix, line);
    UninstallView view;
    view.plan = planUninstall(prefix);
    ASSERT_TRUE(view.plan.refusal);
    EXPECT_EQ(view.plan.refusal->rfind("ERROR: The list of installed files", 0), 0u);
    EXPECT_TRUE(clickAt(view, kRemoveX, kNavY));
    EXPECT_FALSE(view.done);
    EXPECT_TRUE(fs::exists(prefix / "Play.bat"));
  }
  UninstallView none;
  none.plan = planUninstall(dir.path / "nothing-here");
  ASSERT_TRUE(none.plan.refusal);
  EXPECT_NE(none.plan.refusal->find("There is no installation"), std::string::npos);
}

}  // namespace
