// A real window (SDL's dummy video driver, so no display is needed) closed
// at every step of a running install, the way the event loop in main does
// it: the loop ends, the window goes, and the process waits for the job.
// Run in the ThreadSanitizer build, this shows the handover is race-free.

#include <SDL.h>
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "app/frame.h"
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
    // Slow tools, so that a close can land while each of them runs.
    env.set("TKR_CHILD_DATA_innoextract", "Thrask Kovarra Classic/Data/a.rvk")
        .set("TKR_CHILD_DATA_7z", "Vestrova/Data-VA/Maps/va.rvm")
        .set("TKR_CHILD_SLEEP_MS", "150");
  }
};

TEST_F(WindowClose, AtEveryStepTheJobFinishesAndCleansUp) {
  std::set<int> closedDuring;
  for (const int closeAt : {10, 20, 40, 55, 68, 80, 90, 100}) {
    SCOPED_TRACE(closeAt);
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Window* window = SDL_CreateWindow("t", 0, 0, 860, 520, SDL_WINDOW_HIDDEN);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    ASSERT_NE(renderer, nullptr) << SDL_GetError();

    // The state outlives the window, as the process's own does.
    auto state = std::make_unique<WizardState>();
    state->page.store(WizardPage::Options);
    state->gamePath = root.subStr("dl/setup_tk.exe");
    state->gamePathIsInstaller = true;
    state->modArchivePath = root.subStr("dl/SCI-7609-VA.7z");
    testing::internal::CaptureStdout();

    FrameInput input;
    bool keepGoing = true, started = false, quitSent = false;
    for (int frame = 0; keepGoing && frame < 100000; ++frame) {
      beginFrame(input);
      if (!started) {
        SDL_Event click{};
        click.type = SDL_MOUSEBUTTONDOWN;
        click.button.button = SDL_BUTTON_LEFT;
        click.button.x = 650;
        click.button.y = 490;  // Install
        SDL_PushEvent(&click);
        started = true;
      } else if (!quitSent && (state->progress.load() >= closeAt || !state->workerActive.load())) {
        // (running is set by the worker itself, so it may not be true yet.)
        closedDuring.insert(state->workerActive.load() ? state->progress.load() : 100);
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
    testing::internal::GetCapturedStdout();

    EXPECT_TRUE(state->succeeded.load());
    EXPECT_FALSE(state->running.load());
    EXPECT_FALSE(fs::exists(workDir()));
    EXPECT_TRUE(fs::exists(gameDir() / "Data-VA/Maps/va.rvm"));
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
