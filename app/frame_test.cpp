#include "app/frame.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/wizard_state.h"
#include "discovery/text_path.h"
#include "platform/os.h"
#include "platform/run_command.h"
#include "tests/canvas.h"
#include "tests/env_guard.h"
#include "tests/stand_ins.h"
#include "tests/temp_dir.h"
#include "tests/wizard_driver.h"

namespace {

constexpr int kBackX = 540, kNextX = 650, kCancelX = 760, kNavY = 490;

struct NavCase {
  int page;
  bool gamePathSet;
  bool running;
  const char* nextLabel;
  bool back, next, cancel;
};

TEST(NavigationBar, LabelsAndEnabledRules) {
  const NavCase cases[] = {
      {-1, false, false, "Next >", false, true, true},
      {0, false, false, "Next >", false, true, true},
      {1, false, false, "Next >", true, false, true},
      {1, true, false, "Next >", true, true, true},
      {2, true, false, "Install", true, true, true},
      {3, true, false, "Next >", false, true, true},
      {3, true, true, "Next >", false, false, false},
      {4, true, false, "Finish", false, true, false},
      {9, true, false, "Next >", false, true, false},
  };
  for (const NavCase& c : cases) {
    WizardState s;
    s.page = c.page;
    if (c.gamePathSet) s.gamePath = "x";
    s.running = c.running;
    const NavigationBar bar = buildNavigationBar(s);
    SCOPED_TRACE(c.page);
    EXPECT_EQ(bar.back.label, "< Back");
    EXPECT_EQ(bar.next.label, c.nextLabel);
    EXPECT_EQ(bar.cancel.label, "Cancel");
    EXPECT_EQ(bar.back.enabled, c.back);
    EXPECT_EQ(bar.next.enabled, c.next);
    EXPECT_EQ(bar.cancel.enabled, c.cancel);
    EXPECT_TRUE(bar.next.primary);
    EXPECT_FALSE(bar.back.primary);
  }
}

TEST(NavigationBar, EverythingDisabledWhileTheBrowserIsOpen) {
  for (int page : {0, 1, 2, 3, 4}) {
    WizardState s;
    s.page = page;
    s.gamePath = "x";
    s.browser.isOpen = true;
    const NavigationBar bar = buildNavigationBar(s);
    EXPECT_FALSE(bar.back.enabled || bar.next.enabled || bar.cancel.enabled) << page;
  }
}

TEST(NavigationBar, RectanglesAndDisabledLook) {
  Wizard w;
  w.state.page = 1;
  w.frame({mouseMotion(kNextX, kNavY)});
  // Next is disabled with no game path: grey, even under the mouse.
  EXPECT_EQ(w.canvas.pixel(640, 480), (Rgb{42, 42, 54}));
  EXPECT_EQ(w.canvas.pixel(636, 477), (Rgb{70, 70, 86}));
  EXPECT_EQ(w.canvas.pixel(535, 480), (Rgb{48, 48, 64}));   // Back, normal
  EXPECT_EQ(w.canvas.pixel(530, 477), (Rgb{110, 110, 136}));
  w.state.gamePath = "x";
  w.frame();
  EXPECT_EQ(w.canvas.pixel(640, 480), (Rgb{162, 96, 46}));  // primary, hovered
  EXPECT_EQ(w.canvas.pixel(841, 506), (Rgb{110, 110, 136}));  // Cancel's far corner
}

TEST(Transitions, NextBackAndTheGamePathGuard) {
  Wizard w;
  EXPECT_TRUE(w.click(kNextX, kNavY));
  EXPECT_EQ(w.state.page.load(), 1);
  EXPECT_TRUE(w.click(kNextX, kNavY));  // no game path: disabled
  EXPECT_EQ(w.state.page.load(), 1);
  w.state.gamePath = "setup.exe";
  EXPECT_TRUE(w.click(kNextX, kNavY));
  EXPECT_EQ(w.state.page.load(), 2);
  EXPECT_TRUE(w.click(kBackX, kNavY));
  EXPECT_EQ(w.state.page.load(), 1);
  EXPECT_TRUE(w.click(kBackX, kNavY));
  EXPECT_EQ(w.state.page.load(), 0);
  EXPECT_TRUE(w.click(kBackX, kNavY));  // disabled on the Welcome page
  EXPECT_EQ(w.state.page.load(), 0);
}

TEST(Transitions, PagesOutsideTheRange) {
  Wizard w;
  w.state.page = -1;
  EXPECT_TRUE(w.click(kNextX, kNavY));
  EXPECT_EQ(w.state.page.load(), 0);

  Wizard nine;
  nine.state.page = 9;
  EXPECT_TRUE(nine.click(kNextX, kNavY));
  EXPECT_TRUE(nine.click(kCancelX, kNavY));
  EXPECT_TRUE(nine.click(kBackX, kNavY));
  EXPECT_EQ(nine.state.page.load(), 9);
  EXPECT_FALSE(nine.frame({key(SDLK_ESCAPE)}));
}

TEST(Transitions, InstallingPageNextDoesNothingAndCancelEnds) {
  Wizard w;
  w.state.page = 3;
  EXPECT_TRUE(w.click(kNextX, kNavY));
  EXPECT_EQ(w.state.page.load(), 3);
  EXPECT_FALSE(w.click(kCancelX, kNavY));
}

TEST(Transitions, FinishEndsTheWizard) {
  Wizard w;
  w.state.page = 4;
  w.state.launchAfterFinish = false;
  EXPECT_TRUE(w.click(kCancelX, kNavY));  // Cancel is disabled on Complete
  EXPECT_FALSE(w.click(kNextX, kNavY));
}

TEST(Transitions, ClickOutsideEveryWidgetChangesNothing) {
  Wizard w;
  w.state.page = 2;
  EXPECT_TRUE(w.click(627, kNavY));  // the gap between Back and Next
  EXPECT_TRUE(w.click(kNextX, 476));
  EXPECT_EQ(w.state.page.load(), 2);
}

TEST(Transitions, InstallHandsOffToOneWorker) {
  TempDir t;  // the job it starts writes here, never into the user's home
  EnvGuard env;
  env.set("TKR_SETUP_PREFIX", t.subStr("prefix")).set("TKR_PKG_DIR", t.subStr("package"));
  Wizard w;
  w.state.page = 2;
  w.state.gamePath = "setup.exe";
  testing::internal::CaptureStdout();
  EXPECT_TRUE(w.click(kNextX, kNavY));
  EXPECT_EQ(w.state.page.load(), WizardPage::Installing);
  waitForInstallWorker(w.state);
  testing::internal::GetCapturedStdout();
  EXPECT_FALSE(w.state.running.load());
  EXPECT_FALSE(w.state.logLines.empty());
}

TEST(Events, EscapeEndsClosesTheBrowserOrIsIgnoredWhileRunning) {
  Wizard w;
  w.state.running = true;
  EXPECT_TRUE(w.frame({key(SDLK_ESCAPE)}));
  EXPECT_TRUE(w.frame({key(SDLK_a)}));
  w.state.running = false;
  w.state.browser.isOpen = true;
  EXPECT_TRUE(w.frame({key(SDLK_ESCAPE)}));
  EXPECT_FALSE(w.state.browser.isOpen);
  w.state.browser.isOpen = true;
  EXPECT_FALSE(w.frame({key(SDLK_ESCAPE), key(SDLK_ESCAPE)}));
  // A held Escape: its repeats close the browser but never end the wizard.
  SDL_Event held = key(SDLK_ESCAPE);
  held.key.repeat = 1;
  w.state.browser.isOpen = true;
  EXPECT_TRUE(w.frame({held, held}));
  EXPECT_FALSE(w.state.browser.isOpen);
  EXPECT_TRUE(w.frame({held}));
}

TEST(Events, WindowCloseEndsEvenWhileRunning) {
  Wizard w;
  w.state.running = true;
  w.state.page = 3;
  EXPECT_FALSE(w.frame({quit()}));
}

TEST(Events, TwoClicksInOneFrameCountOnceAtTheLastPosition) {
  Wizard w;
  w.state.gamePath = "x";
  w.frame({mouseDown(kNextX, kNavY), mouseMotion(10, 10), mouseDown(kNextX, kNavY)});
  EXPECT_EQ(w.state.page.load(), 1);
  // The click's position is the last mouse event's: here a motion away from Next.
  w.frame({mouseDown(kNextX, kNavY), mouseMotion(10, 10)});
  EXPECT_EQ(w.state.page.load(), 1);
}

TEST(Events, OnlyTheLeftButtonClicksAndThePositionPersists) {
  Wizard w;
  w.frame({mouseDown(kNextX, kNavY, SDL_BUTTON_RIGHT)});
  EXPECT_EQ(w.state.page.load(), 0);
  EXPECT_EQ(w.input.mouseX, 0);
  w.frame({mouseMotion(12, 34)});
  w.frame();
  EXPECT_EQ(w.input.mouseX, 12);
  EXPECT_EQ(w.input.mouseY, 34);
  EXPECT_FALSE(w.input.clicked);
}

TEST(Events, WheelScrollsTheOpenBrowserOneStepPastScrollDown) {
  Wizard w;
  w.state.browser.entries.resize(11);
  w.frame({wheel(-1)});  // closed browser: the wheel does nothing
  EXPECT_EQ(w.state.browser.scroll, 0);
  w.state.browser.isOpen = true;
  w.frame({wheel(-1), wheel(-3), wheel(0)});
  EXPECT_EQ(w.state.browser.scroll, 1);  // 1 + 10 is not less than 11
  w.frame({wheel(2), wheel(1)});
  EXPECT_EQ(w.state.browser.scroll, 0);
}

TEST(Chrome, StepListHighlightsTheCurrentPage) {
  Wizard w;
  w.state.page = 2;
  w.frame();
  EXPECT_EQ(w.canvas.pixel(15, 235 - 8), (Rgb{138, 78, 36}));   // band of step 3
  EXPECT_EQ(w.canvas.pixel(15, 201 - 8), (Rgb{34, 28, 44}));    // no band on step 2
  EXPECT_EQ(w.canvas.pixel(3, 100), (Rgb{138, 78, 36}));        // accent strip
  EXPECT_EQ(w.canvas.pixel(500, 30), (Rgb{28, 27, 40}));        // header band
  EXPECT_EQ(w.canvas.pixel(500, 440), (Rgb{22, 21, 31}));       // below the page content
  EXPECT_EQ(w.canvas.pixel(100, 470), (Rgb{28, 27, 40}));       // footer band
}

TEST(FinishLaunch, CommandLineAndFolderUnderLocalAppData) {
  EnvGuard env;
  env.set("LOCALAPPDATA", "/base dir").set("TKR_SETUP_PREFIX", "/ignored");
  const char sep = pathSeparator();
  const std::string prefix = std::string("/base dir") + sep + "TKR-Native-Port";
  const FinishLaunch launch = finishLaunchCommand();
  EXPECT_EQ(launch.commandLine, "cmd.exe /C \"" + prefix + sep + "Play.bat\"");
  EXPECT_EQ(launch.workingDirectory, prefix + sep + "game");
}

TEST(FinishLaunch, FinishEndsTheWizardWhenTheLaunchFails) {
  EnvGuard env;
  env.set("LOCALAPPDATA", "/nonexistent-tkr-folder");
  Wizard w;
  w.state.page = 4;
  EXPECT_FALSE(w.click(kNextX, kNavY));
}

// A cmd.exe and a powershell.exe lying beside the setup and in the working
// folder (the player unpacked the zip into Downloads, where anything a web
// page sent lies too) never run: Finish starts the system's own cmd.exe,
// which runs Play.bat, and PowerShell is the system's. Linux has neither,
// and runs neither planted one.
TEST(FinishLaunch, PlantedCmdAndPowerShellNeverRun) {
  TempDir root;
  EnvGuard env;
  const std::filesystem::path prefix = root.sub("TKR-Native-Port");
  const std::filesystem::path besideSetup = *pathFromUtf8(executableDir());
  std::vector<std::filesystem::path> planted;
  for (const std::filesystem::path& folder : {besideSetup, prefix / "game"}) {
    for (const char* name : {"cmd.exe", "powershell.exe"}) planted.push_back(installStandIn(folder, name));
  }
  struct Unplant {
    std::vector<std::filesystem::path>& files;
    ~Unplant() {
      for (const auto& f : files) std::filesystem::remove(f);
    }
  } unplant{planted};
  env.set("LOCALAPPDATA", root.str()).set("TKR_CHILD_RECORD", root.subStr("record.txt"));
  const std::filesystem::path marker = root.sub("launched.txt");
  root.write("TKR-Native-Port/Play.bat", "@echo launched> \"" + pathToUtf8(marker) + "\"\r\n");

  EXPECT_EQ(runCommand("powershell -NoProfile -Command exit", pathToUtf8(prefix / "game")),
            hasFixedWindowsLocations());  // Wine's own PowerShell exits 0
  Wizard w;
  w.state.page = 4;
  EXPECT_FALSE(w.click(kNextX, kNavY));  // Finish, with Launch ticked
  if (hasFixedWindowsLocations()) {
    // The system's cmd.exe ran Play.bat (polled: up to 30 s for a slow start).
    for (int i = 0; i < 3000 && !std::filesystem::exists(marker); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(std::filesystem::exists(marker));
  }
  EXPECT_FALSE(std::filesystem::exists(root.sub("record.txt"))) << readFileBytes(root.sub("record.txt"));
}

}  // namespace
