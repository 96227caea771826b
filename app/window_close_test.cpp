// A real window (SDL's dummy video driver, so no display is needed) closed
// during a running install, the way the event loop in main does it: the
// frame asks the job to stop, the loop ends, the window goes, and the
// process waits for the job, which ends its child program, takes its work
// back and frees the installation's lock. Run in the ThreadSanitizer
// build, this shows the handover is race-free.

#include <SDL.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <thread>

#include "app/frame.h"
#include "install/install_run.h"
#include "platform/child_process.h"
#include "platform/stop.h"
#include "tests/install_fixture.h"

namespace {

namespace fs = std::filesystem;

struct WindowClose : InstallSandbox {
  void SetUp() override {
    InstallSandbox::SetUp();
    installStandIn(root.sub("tools"), "innoextract.exe");
    installStandIn(root.sub("tools"), "7z.exe");
    installStandIn(root.sub("dl"), "setup_tk.exe");
    root.write("dl/SCI-7609-VA.7z");
    env.set("TKR_CHILD_DATA_innoextract", "Thrask Kovarra Classic/Data/a.rvk")
        .set("TKR_CHILD_DATA_setup_tk", "Thrask Kovarra Classic/Data/a.rvk")
        .set("TKR_CHILD_DATA_7z", "Vestrova/Data-VA/Maps/va.rvm");
  }
  void TearDown() override { clearStopRequest(); }

  // Clicks Install on the Options page, then closes the window once
  // closeNow() says so; returns once the job has ended.
  std::unique_ptr<WizardState> installAndClose(const std::function<bool(const WizardState&)>& closeNow) {
    EXPECT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Window* window = SDL_CreateWindow("t", 0, 0, 860, 520, SDL_WINDOW_HIDDEN);
    EXPECT_NE(window, nullptr) << SDL_GetError();
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    EXPECT_NE(renderer, nullptr) << SDL_GetError();

    // The state outlives the window, as the process's own does.
    auto state = std::make_unique<WizardState>();
    state->page.store(WizardPage::Options);
    state->gamePath = root.subStr("dl/setup_tk.exe");
    state->gamePathIsInstaller = true;
    state->modArchivePath = root.subStr("dl/SCI-7609-VA.7z");
    testing::internal::CaptureStdout();

    FrameInput input;
    bool keepGoing = true, started = false, quitSent = false;
    for (int frame = 0; keepGoing && frame < 1000000; ++frame) {
      beginFrame(input);
      if (!started) {
        SDL_Event click{};
        click.type = SDL_MOUSEBUTTONDOWN;
        click.button.button = SDL_BUTTON_LEFT;
        click.button.x = 650;
        click.button.y = 490;  // Install
        SDL_PushEvent(&click);
        started = true;
      } else if (!quitSent && closeNow(*state)) {
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
        quitSent = true;
      }
      SDL_Event event;
      while (SDL_PollEvent(&event)) feedEvent(input, event);
      keepGoing = runFrame(renderer, *state, input);
      SDL_RenderPresent(renderer);
    }
    EXPECT_FALSE(keepGoing);
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    waitForInstallWorker(*state);
    output = testing::internal::GetCapturedStdout();
    return state;
  }

  // After a stop: the scratch folder is gone, the lock is free, and a run
  // with quick tools completes the installation.
  void expectStoppedThenCompletes(WizardState& stopped) {
    EXPECT_FALSE(stopped.succeeded.load());
    EXPECT_FALSE(stopped.running.load());
    {
      std::lock_guard<std::mutex> lock(stopped.logMutex);
      EXPECT_EQ(stopped.statusText, kStoppedLine) << output;
    }
    EXPECT_FALSE(fs::exists(workDir()));
    InstallLock lock;
    EXPECT_TRUE(lock.acquire(root.sub("prefix")) && lock.handle >= 0);
    lock.release();
    clearStopRequest();
    env.unset("TKR_CHILD_SLEEP_MS").unset("TKR_CHILD_PID");
    state.page.store(WizardPage::Installing);
    state.gamePath = stopped.gamePath;
    state.gamePathIsInstaller = true;
    state.modArchivePath = stopped.modArchivePath;
    // Under Wine a tool ended a moment ago may still hold on for a while
    // (a run right after it then fails once): polled, a few runs at most.
    for (int run = 0; run == 0 || (run < 5 && !state.succeeded.load()); ++run) install();
    EXPECT_TRUE(state.succeeded.load()) << output;
    EXPECT_TRUE(fs::exists(gameDir() / "Data-VA/Maps/va.rvm"));
  }
};

// Each row makes one tool slow (two minutes) and closes the window once
// it runs: the tool is ended at once, not waited for.
TEST_F(WindowClose, DuringEachSlowToolTheToolIsEndedAndTheJobStops) {
  struct Row {
    const char* name;
    const char* slow;  // the stand-in that sleeps
    bool innoextractFails;
  };
  const Row rows[] = {
      {"innoextract", "innoextract", false},
      {"the GOG installer run silently", "setup_tk", true},
      {"7-Zip", "7z", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const fs::path pidFile = root.sub(std::string(row.slow) + ".pid");
    env.set("TKR_CHILD_EXIT_innoextract", row.innoextractFails ? "1" : "0")
        .set(("TKR_CHILD_SLEEP_MS_" + std::string(row.slow)).c_str(), "120000")
        .set(("TKR_CHILD_PID_" + std::string(row.slow)).c_str(), pathToUtf8(pidFile));
    std::uint32_t pid = 0;
    const auto stopped = installAndClose([&](const WizardState&) {
      std::ifstream(pidFile) >> pid;
      return pid != 0;
    });
    env.unset(("TKR_CHILD_SLEEP_MS_" + std::string(row.slow)).c_str())
        .unset(("TKR_CHILD_PID_" + std::string(row.slow)).c_str());
    ASSERT_NE(pid, 0u);
    EXPECT_FALSE(processRunning(pid));
    expectStoppedThenCompletes(*stopped);
    fs::remove(pidFile);
  }
}

TEST_F(WindowClose, AtEveryStepTheJobStopsOrHasFinished) {
  std::set<int> closedDuring;
  for (const int closeAt : {10, 20, 40, 55, 68, 80, 90, 100}) {
    SCOPED_TRACE(closeAt);
    env.set("TKR_CHILD_SLEEP_MS", "150");  // slow tools, so that a close can land while each runs
    int closedAt = 0;
    const auto stopped = installAndClose([&](const WizardState& s) {
      // (running is set by the worker itself, so it may not be true yet.)
      if (s.progress.load() < closeAt && s.workerActive.load()) return false;
      // The step the bar is in: between two step values it moves.
      closedAt = 100;
      if (s.workerActive.load()) {
        for (int step : {10, 20, 40, 55, 68, 80, 90}) closedAt = s.progress.load() >= step ? step : closedAt;
      }
      return true;
    });
    closedDuring.insert(closedAt);
    if (stopped->succeeded.load()) {
      EXPECT_FALSE(fs::exists(workDir()));
      EXPECT_TRUE(fs::exists(gameDir() / "Data-VA/Maps/va.rvm"));
    } else {
      expectStoppedThenCompletes(*stopped);
    }
    clearStopRequest();
    EXPECT_FALSE(removeAllRetrying(root.sub("prefix")));
  }
  // The closes land in different steps (which ones depends on how fast
  // frames and child processes are: under Wine a frame is slow).
  std::string seen;
  for (int p : closedDuring) seen += " " + std::to_string(p);
  EXPECT_GE(closedDuring.size(), 4u) << seen;
  EXPECT_TRUE(closedDuring.count(55)) << seen;
}

}  // namespace
