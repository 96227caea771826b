#include "ui/pages.h"

#include <gtest/gtest.h>

#include "discovery/text_path.h"
#include "tests/env_guard.h"
#include "tests/temp_dir.h"
#include "tests/wizard_driver.h"

namespace {

// Whether any pixel of the colour lies in the rectangle.
bool anyPixel(const Canvas& c, SDL_Rect r, Rgb colour) {
  for (int y = r.y; y < r.y + r.h; ++y)
    for (int x = r.x; x < r.x + r.w; ++x)
      if (c.pixel(x, y) == colour) return true;
  return false;
}

TEST(DisplayTail, KeepsTheLastSixtyBytes) {
  const std::string a63(63, 'a');
  EXPECT_EQ(displayTail(a63), a63);
  const std::string hundred = std::string(40, 'x') + std::string(60, 'y');
  EXPECT_EQ(displayTail(hundred), std::string(60, 'y'));
  EXPECT_EQ(displayTail(std::string(64, 'b')).size(), 60u);
}

TEST(WelcomePage, TextsInTheirColours) {
  Wizard w;
  w.frame();
  EXPECT_TRUE(anyPixel(w.canvas, {234, 18, 400, 8}, {245, 245, 250}));
  EXPECT_TRUE(anyPixel(w.canvas, {250, 268, 400, 8}, {95, 200, 155}));
  EXPECT_EQ(w.canvas.pixel(234, 144), (Rgb{115, 72, 42}));  // panel outline
  EXPECT_EQ(w.canvas.pixel(240, 150), (Rgb{30, 29, 44}));   // panel fill
}

struct GameFilesPage : testing::Test {
  TempDir home;
  EnvGuard env;
  Wizard w;
  void SetUp() override {
    env.set("USERPROFILE", home.str()).unset("TKR_SETUP_GOG_PATH").unset("TKR_SETUP_MOD_PATH");
    home.mkdir("Downloads");
    w.state.page = WizardPage::GameFiles;
  }
};

TEST_F(GameFilesPage, FieldColoursFollowTheGamePath) {
  w.frame();
  EXPECT_EQ(w.canvas.pixel(234, 108), (Rgb{180, 80, 95}));
  EXPECT_TRUE(anyPixel(w.canvas, {244, 120, 420, 8}, {220, 140, 165}));
  w.state.gamePath = "C:\\Games\\TK";
  w.frame();
  EXPECT_EQ(w.canvas.pixel(234, 108), (Rgb{80, 175, 95}));
  EXPECT_TRUE(anyPixel(w.canvas, {244, 120, 100, 8}, {140, 230, 165}));
  EXPECT_EQ(w.canvas.pixel(234, 230), (Rgb{85, 85, 110}));
}

TEST_F(GameFilesPage, ReScanFillsTheFieldOnTheNextFrame) {
  home.write("Downloads/setup_thrask_kovarra_classic_1.exe");
  w.click(700, 160);
  EXPECT_EQ(w.canvas.pixel(234, 108), (Rgb{180, 80, 95}));  // drawn before the test
  EXPECT_EQ(w.state.gamePath, joinPath(joinPath(home.str(), "Downloads"),
                                       "setup_thrask_kovarra_classic_1.exe"));
  EXPECT_TRUE(w.state.gamePathIsInstaller);
  w.frame();
  EXPECT_EQ(w.canvas.pixel(234, 108), (Rgb{80, 175, 95}));
}

TEST_F(GameFilesPage, BrowseButtonsOpenTheBrowserTheirWay) {
  w.click(300, 160);
  EXPECT_TRUE(w.state.browser.isOpen);
  EXPECT_FALSE(w.state.browser.folderMode);
  EXPECT_EQ(w.state.browser.target, 0);
  EXPECT_EQ(w.state.browser.currentDir, joinPath(home.str(), "Downloads"));
  w.state.browser.isOpen = false;

  w.click(500, 160);
  EXPECT_TRUE(w.state.browser.isOpen);
  EXPECT_TRUE(w.state.browser.folderMode);
  EXPECT_EQ(w.state.browser.currentDir, home.str());
  w.state.browser.isOpen = false;

  w.click(300, 280);
  EXPECT_TRUE(w.state.browser.isOpen);
  EXPECT_FALSE(w.state.browser.folderMode);
  EXPECT_EQ(w.state.browser.target, 1);
}

// Without Downloads in the home folder, the browser starts in the one the
// system names (Windows; moved elsewhere), else in the home folder.
TEST_F(GameFilesPage, MissingDownloadsFallsBackToTheSystemsThenHome) {
  std::filesystem::remove(home.sub("Downloads"));
  w.click(300, 160);
  const std::string moved = knownFolder(KnownFolder::Downloads);
  EXPECT_EQ(w.state.browser.currentDir, !moved.empty() && pathIsDir(moved) ? moved : home.str());
}

TEST_F(GameFilesPage, UseBaseGameOnlyWithAMod) {
  w.click(500, 280);
  EXPECT_FALSE(w.state.browser.isOpen);
  EXPECT_EQ(w.canvas.pixel(443, 271), (Rgb{42, 42, 54}));  // disabled
  w.state.modArchivePath = std::string(100, 'm');
  w.frame();
  EXPECT_TRUE(anyPixel(w.canvas, {244, 242, 30, 8}, {195, 195, 212}));  // "..." first
  w.click(500, 280);
  EXPECT_TRUE(w.state.modArchivePath.empty());
}

TEST(OptionsPage, CheckBoxBandsReachX793AndDoNotConsumeTheClick) {
  Wizard w;
  w.state.page = WizardPage::Options;
  w.click(750, 100);
  EXPECT_FALSE(w.state.enableCoop);
  w.click(793, 117);
  EXPECT_TRUE(w.state.enableCoop);
  w.click(794, 100);
  EXPECT_TRUE(w.state.enableCoop);
  w.click(234, 130);
  EXPECT_FALSE(w.state.createShortcuts);
  w.click(400, 185);
  EXPECT_TRUE(w.state.enableAdultContent);
  w.click(400, 186);  // one below the band
  EXPECT_TRUE(w.state.enableAdultContent);
  w.click(400, 125);  // between two bands
  EXPECT_FALSE(w.state.createShortcuts);
}

TEST(OptionsPage, LanguageButtons) {
  Wizard w;
  w.state.page = WizardPage::Options;
  w.frame();
  EXPECT_EQ(w.canvas.pixel(236, 246), (Rgb{138, 78, 36}));  // Auto is primary
  w.click(234 + 196 * 2 + 10, 280 + 10);                     // Russkiy
  EXPECT_EQ(w.state.languageIndex, 5);
  w.frame();
  EXPECT_EQ(w.canvas.pixel(236, 246), (Rgb{48, 48, 64}));
  EXPECT_EQ(w.canvas.pixel(234 + 392 + 2, 282), (Rgb{162, 96, 46}));  // primary, hovered
  w.click(234 + 196 + 10, 244 + 10);  // English
  EXPECT_EQ(w.state.languageIndex, 1);
  w.click(234 + 184 + 5, 250);  // the gap between two buttons
  EXPECT_EQ(w.state.languageIndex, 1);
}

TEST(InstallingPage, ProgressBarAndLog) {
  Wizard w;
  w.state.page = WizardPage::Installing;
  w.frame();
  EXPECT_EQ(w.canvas.pixel(237, 121), (Rgb{16, 15, 24}));  // no fill at 0
  EXPECT_TRUE(anyPixel(w.canvas, {234, 94, 200, 8}, {235, 235, 245}));  // "Ready to install."
  w.state.progress = 100;
  testing::internal::CaptureStdout();
  for (int i = 1; i <= 13; ++i) w.state.logLine(std::string(70, 'H'));
  testing::internal::GetCapturedStdout();
  w.frame();
  EXPECT_EQ(w.canvas.pixel(236 + 591, 141), (Rgb{45, 145, 110}));
  EXPECT_EQ(w.canvas.pixel(236 + 592, 141), (Rgb{16, 15, 24}));  // 592 wide, then the trough
  // 12 lines, the last at y = 370; each cut at 64 characters.
  EXPECT_TRUE(anyPixel(w.canvas, {244, 370, 9 * 64, 8}, {185, 195, 210}));
  EXPECT_FALSE(anyPixel(w.canvas, {244 + 9 * 64, 172, 60, 210}, {185, 195, 210}));
  EXPECT_FALSE(anyPixel(w.canvas, {244, 388, 500, 8}, {185, 195, 210}));
}

TEST(InstallingPage, OnePercentFillsFivePixels) {
  Wizard w;
  w.state.page = WizardPage::Installing;
  w.state.progress = 1;  // 592 > 99: a 5-pixel bar
  w.frame();
  EXPECT_EQ(w.canvas.pixel(240, 130), (Rgb{45, 145, 110}));
  EXPECT_EQ(w.canvas.pixel(241, 130), (Rgb{16, 15, 24}));
}

TEST(CompletePage, LaunchBoxToggles) {
  Wizard w;
  w.state.page = WizardPage::Complete;
  w.frame();
  EXPECT_EQ(w.canvas.pixel(234, 290), (Rgb{185, 115, 55}));
  w.click(790, 309);
  EXPECT_FALSE(w.state.launchAfterFinish);
  w.click(790, 310);
  EXPECT_FALSE(w.state.launchAfterFinish);
  w.click(234, 288);
  EXPECT_TRUE(w.state.launchAfterFinish);
}

}  // namespace
