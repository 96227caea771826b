#include "ui/file_browser.h"

#include <gtest/gtest.h>

#include "discovery/text_path.h"
#include "tests/env_guard.h"
#include "tests/temp_dir.h"
#include "tests/wizard_driver.h"

namespace {

std::vector<std::string> names(const FileBrowser& b) {
  std::vector<std::string> out;
  for (const FileBrowserEntry& e : b.entries) out.push_back((e.isDir ? "D:" : "F:") + e.name);
  return out;
}

int rowY(int row) { return 88 + 27 * row + 5; }

TEST(FileBrowserRefresh, ParentFirstThenFoldersThenFilesByteWise) {
  TempDir t;
  t.mkdir("alpha");
  t.mkdir("Zeta");
  t.mkdir(".hidden");
  t.write("b.txt");
  t.write("Setup.EXE");
  t.write("a.txt");
  t.write(".dotfile");
  FileBrowser b;
  b.open(t.str(), false, 0);
  EXPECT_EQ(names(b), (std::vector<std::string>{"D:.. (Parent Folder)", "D:Zeta", "D:alpha",
                                                "F:Setup.EXE", "F:a.txt", "F:b.txt"}));
  b.open(t.str(), true, 0);
  EXPECT_EQ(names(b), (std::vector<std::string>{"D:.. (Parent Folder)", "D:Zeta", "D:alpha"}));
}

TEST(FileBrowserRefresh, UnreadableOrMissingFolderListsOnlyTheParent) {
  FileBrowser b;
  b.currentDir = "/no/such/folder/tkr";
  b.scroll = 4;
  b.refresh();
  EXPECT_EQ(names(b), (std::vector<std::string>{"D:.. (Parent Folder)"}));
  EXPECT_EQ(b.scroll, 0);
}

TEST(FileBrowserRefresh, DriveListHasNoParentEntry) {
  FileBrowser b;
  b.currentDir = "DRIVES:";
  b.refresh();
  ASSERT_FALSE(b.entries.empty());
  for (const FileBrowserEntry& e : b.entries) {
    EXPECT_TRUE(e.isDir);
    EXPECT_NE(e.name, ".. (Parent Folder)");
  }
}

TEST(FileBrowserOpen, FallsBackToTheHomeFolder) {
  EnvGuard env;
  TempDir home;
  env.set("USERPROFILE", home.str());
  FileBrowser b;
  b.open(home.subStr("missing"), false, 1);
  EXPECT_TRUE(b.isOpen);
  EXPECT_EQ(b.currentDir, home.str());
  EXPECT_EQ(b.target, 1);
}

struct BrowserView : testing::Test {
  TempDir t;
  Wizard w;
  void SetUp() override { w.state.page = WizardPage::GameFiles; }
};

TEST_F(BrowserView, PickingFilesByTarget) {
  t.write("Setup.EXE");
  t.write("setup.zip");
  w.state.browser.open(t.str(), false, 0);
  w.click(400, rowY(1));  // Setup.EXE
  EXPECT_FALSE(w.state.browser.isOpen);
  EXPECT_EQ(w.state.gamePath, joinPath(t.str(), "Setup.EXE"));
  EXPECT_TRUE(w.state.gamePathIsInstaller);
  w.state.browser.open(t.str(), false, 0);
  w.click(400, rowY(2));
  EXPECT_EQ(w.state.gamePath, joinPath(t.str(), "setup.zip"));
  EXPECT_FALSE(w.state.gamePathIsInstaller);
  w.state.gamePathIsInstaller = true;
  w.state.browser.open(t.str(), false, 1);
  w.click(400, rowY(1));
  EXPECT_EQ(w.state.modArchivePath, joinPath(t.str(), "Setup.EXE"));
  EXPECT_TRUE(w.state.gamePathIsInstaller);
  EXPECT_EQ(w.state.page.load(), WizardPage::GameFiles);
}

TEST_F(BrowserView, FoldersParentAndUseThisFolder) {
  t.mkdir("sub/inner");
  w.state.browser.open(t.str(), true, 0);
  w.click(400, rowY(1));  // sub
  EXPECT_EQ(w.state.browser.currentDir, joinPath(t.str(), "sub"));
  w.click(400, rowY(0));  // parent
  EXPECT_EQ(std::filesystem::path(w.state.browser.currentDir), t.path);
  w.click(400, rowY(1));
  w.click(500, 410);  // Use This Folder
  EXPECT_FALSE(w.state.browser.isOpen);
  EXPECT_EQ(w.state.gamePath, joinPath(t.str(), "sub"));
  EXPECT_FALSE(w.state.gamePathIsInstaller);
}

TEST_F(BrowserView, RootParentLeadsToTheDrivesAndADriveBack) {
  const std::string root = logicalDrives().front();
  w.state.browser.open(root, true, 1);
  w.click(400, rowY(0));
  EXPECT_EQ(w.state.browser.currentDir, "DRIVES:");
  w.click(500, 410);  // Use This Folder in the drive list does nothing
  EXPECT_TRUE(w.state.browser.isOpen);
  EXPECT_EQ(w.state.modArchivePath, "");
  w.state.browser.open(root, true, 1);
  w.click(400, rowY(0));
  w.click(400, rowY(0));  // the first drive
  EXPECT_EQ(w.state.browser.currentDir, root);
}

TEST_F(BrowserView, ScrollButtonsAndTheWheel) {
  for (int i = 0; i < 10; ++i) t.mkdir("d" + std::to_string(i));
  w.state.browser.open(t.str(), true, 0);
  ASSERT_EQ(w.state.browser.entries.size(), 11u);
  w.click(400, 410);  // Scroll Down: disabled, 0 + 11 is not less than 11
  EXPECT_EQ(w.state.browser.scroll, 0);
  w.frame({wheel(-1)});
  EXPECT_EQ(w.state.browser.scroll, 1);
  w.frame({wheel(-1)});
  EXPECT_EQ(w.state.browser.scroll, 1);
  w.click(300, 410);  // Scroll Up
  EXPECT_EQ(w.state.browser.scroll, 0);
  t.mkdir("d10");
  w.state.browser.refresh();
  w.click(400, 410);
  EXPECT_EQ(w.state.browser.scroll, 1);
}

TEST_F(BrowserView, BackAndEscapeCloseWithoutAPickAndEveryClickIsConsumed) {
  w.state.browser.open(t.str(), false, 0);
  w.frame();
  EXPECT_EQ(w.canvas.pixel(491, 403), (Rgb{22, 21, 31}));  // no Use This Folder in file mode
  w.click(500, 410);
  EXPECT_TRUE(w.state.browser.isOpen);
  w.click(700, 410);  // Back
  EXPECT_FALSE(w.state.browser.isOpen);
  EXPECT_TRUE(w.state.gamePath.empty());
  w.state.browser.open(t.str(), false, 0);
  w.frame({key(SDLK_ESCAPE)});
  EXPECT_FALSE(w.state.browser.isOpen);
}

TEST_F(BrowserView, LongRowsAndPathsAreCut) {
  const std::string longName(80, 'n');
  t.write(longName);
  w.state.browser.open(t.str(), false, 0);
  w.frame();
  // "[FILE] " + 55 bytes + "..." = 65 characters from x = 246.
  const int end = 246 + 9 * 65;
  bool inkAfter = false, inkBefore = false;
  for (int x = end; x < end + 30; ++x) inkAfter |= w.canvas.pixel(x, 88 + 27 + 8 + 4) == (Rgb{145, 225, 185});
  for (int x = end - 30; x < end; ++x) inkBefore |= w.canvas.pixel(x, 88 + 27 + 8 + 4) == (Rgb{145, 225, 185});
  EXPECT_FALSE(inkAfter);
  EXPECT_TRUE(inkBefore);
}

// A walk through the pages as a user makes it, picking the installer by hand.
TEST(ScriptedWalk, WelcomeToInstallWithTheBrowser) {
  TempDir home;
  EnvGuard env;
  env.set("USERPROFILE", home.str()).unset("TKR_SETUP_GOG_PATH").unset("TKR_SETUP_MOD_PATH");
  home.write("Downloads/Games/my_setup.exe");
  Wizard w;
  w.click(650, 490);  // Next
  ASSERT_EQ(w.state.page.load(), 1);
  w.click(650, 490);  // no source yet
  ASSERT_EQ(w.state.page.load(), 1);
  w.click(300, 160);  // Browse GOG .exe...
  ASSERT_TRUE(w.state.browser.isOpen);
  w.click(650, 490);  // the navigation bar is locked while browsing
  EXPECT_EQ(w.state.page.load(), 1);
  w.click(400, rowY(1));  // Games
  w.click(400, rowY(1));  // my_setup.exe
  EXPECT_FALSE(w.state.browser.isOpen);
  EXPECT_EQ(w.state.gamePath, joinPath(joinPath(joinPath(home.str(), "Downloads"), "Games"),
                                       "my_setup.exe"));
  w.click(650, 490);
  ASSERT_EQ(w.state.page.load(), 2);
  w.click(400, 100);  // co-op off
  w.click(234 + 196 + 10, 254);  // English
  EXPECT_FALSE(w.state.enableCoop);
  EXPECT_EQ(w.state.languageIndex, 1);
  w.click(540, 490);  // Back, then Next again
  w.click(650, 490);
  EXPECT_EQ(w.state.page.load(), 2);
}

}  // namespace
