// The wizard's entry point: the shared state, the three automation
// variables, and the window with its event loop.

#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "app/frame.h"
#include "app/wizard_state.h"
#include "platform/os.h"
#include "platform/stop.h"
#include "platform/uninstall_entry.h"
#include "ui/uninstall_page.h"

namespace {

constexpr const char* kDefaultInstaller =
    "~/Downloads/setup_thrask_kovarra_classic_6.08dlc_(67213).exe";

void saveScreenshot(SDL_Renderer* renderer, const std::string& path) {
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, 860, 520, 32, SDL_PIXELFORMAT_ARGB8888);
  if (!surface) return;
  if (SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, surface->pixels,
                           surface->pitch) == 0) {
    if (SDL_RWops* out = SDL_RWFromFile(path.c_str(), "wb")) SDL_SaveBMP_RW(surface, out, 1);
  }
  SDL_FreeSurface(surface);
}

// The wizard's window, 860x520; null after the failure was said.
struct Window {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
};

Window openWindow(bool software) {
  SDL_SetMainReady();
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "SDL_Init failed: %s\n", SDL_GetError());
    return {};
  }
  Window w;
  w.window = SDL_CreateWindow("Thrask Kovarra: Vestrova \xE2\x80\x94 Setup Wizard (v1.0.4)", SDL_WINDOWPOS_CENTERED,
                              SDL_WINDOWPOS_CENTERED, 860, 520, SDL_WINDOW_SHOWN);
  if (!w.window) {
    std::fprintf(stderr, "SDL_CreateWindow failed: %s\n", SDL_GetError());
    SDL_Quit();
    return {};
  }
  const Uint32 flags = software ? SDL_RENDERER_SOFTWARE : (SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
  w.renderer = SDL_CreateRenderer(w.window, -1, flags);
  if (!w.renderer) w.renderer = SDL_CreateRenderer(w.window, -1, SDL_RENDERER_SOFTWARE);
  if (!w.renderer) {
    std::fprintf(stderr, "SDL_CreateRenderer failed: %s\n", SDL_GetError());
    SDL_DestroyWindow(w.window);
    SDL_Quit();
    return {};
  }
  return w;
}

// --uninstall [/S]: the page in the window, or (with /S, and always where
// the system has no such window) the removal with its lines on the console.
// Exit code 0 when every listed file is gone.
int runUninstaller(bool quiet, const std::optional<std::string>& screenshotPath) {
  UninstallView view;
  view.plan = planUninstall(uninstallPrefix());
  if ((quiet || !uninstallHasWindow()) && !screenshotPath) {
    return runUninstall(view.plan, [](const std::string& line) {
      std::fprintf(stdout, "[TKR-Setup] %s\n", line.c_str());
      std::fflush(stdout);
    }) ? 0 : 1;
  }
  const Window w = openWindow(screenshotPath.has_value());
  if (!w.renderer) return 1;
  FrameInput input;
  for (int frame = 1;; ++frame) {
    beginFrame(input);
    SDL_Event event;
    while (SDL_PollEvent(&event)) feedEvent(input, event);
    const bool keepGoing = runUninstallFrame(w.renderer, view, input);
    if (screenshotPath && frame > 4) {
      saveScreenshot(w.renderer, *screenshotPath);
      break;
    }
    SDL_RenderPresent(w.renderer);
    if (!keepGoing) break;
    SDL_Delay(16);
  }
  SDL_DestroyRenderer(w.renderer);
  SDL_DestroyWindow(w.window);
  SDL_Quit();
  if (screenshotPath) return 0;
  return view.done && view.succeeded ? 0 : 1;
}

int runWindow(WizardState& state, const std::optional<std::string>& screenshotPath) {
  const Window w = openWindow(screenshotPath.has_value());
  if (!w.renderer) return 1;
  SDL_Window* window = w.window;
  SDL_Renderer* renderer = w.renderer;
  FrameInput input;
  int screenshotCounter = 0;
  bool keepGoing = true;
  while (keepGoing) {
    beginFrame(input);
    SDL_Event event;
    while (SDL_PollEvent(&event)) feedEvent(input, event);
    keepGoing = runFrame(renderer, state, input);
    if (screenshotPath) {
      ++screenshotCounter;
      if (screenshotCounter > 4) {
        saveScreenshot(renderer, *screenshotPath);
        SDL_RenderPresent(renderer);
        break;
      }
    }
    SDL_RenderPresent(renderer);
    SDL_Delay(16);
  }

  SDL_DestroyRenderer(renderer);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // The state lives until the process ends: a window close may come while
  // the detached worker still runs, and the process waits for it below.
  limitLibrarySearch();
  bool uninstall = false, quiet = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--uninstall") uninstall = true;
    if (arg == "/S" || arg == "/s") quiet = true;
  }
  if (uninstall) {
    ignoreBrokenPipe();
    return runUninstaller(quiet, envValue("TKR_SETUP_SCREENSHOT"));
  }
  static WizardState state;
  ignoreBrokenPipe();
  // Ctrl+C, a closed console or terminal, SIGTERM: the job stops and takes
  // its work back before the process ends.
  catchStopSignals();
  state.autoDetectSources();

  const std::optional<std::string> screenshotPath = envValue("TKR_SETUP_SCREENSHOT");
  if (std::optional<std::string> step = envValue("TKR_SETUP_STEP")) {
    state.page.store(std::atoi(step->c_str()));
    if (state.gamePath.empty()) {
      state.gamePath = kDefaultInstaller;
      state.gamePathIsInstaller = true;
    }
  }
  if (envValue("TKR_SETUP_AUTORUN")) {
    state.runInstallation();
    return state.succeeded.load() ? 0 : 1;
  }

  const int code = runWindow(state, screenshotPath);
  if (state.workerActive.load()) requestStop();
  waitForInstallWorker(state);
  return code;
}
