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

int runWindow(WizardState& state, const std::optional<std::string>& screenshotPath) {
  SDL_SetMainReady();
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "SDL_Init failed: %s\n", SDL_GetError());
    return 1;
  }
  SDL_Window* window =
      SDL_CreateWindow("Thrask Kovarra: Vestrova \xE2\x80\x94 Setup Wizard (v1.0.4)",
                       SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 860, 520, SDL_WINDOW_SHOWN);
  if (!window) {
    std::fprintf(stderr, "SDL_CreateWindow failed: %s\n", SDL_GetError());
    SDL_Quit();
    return 1;
  }
  const Uint32 flags = screenshotPath ? SDL_RENDERER_SOFTWARE
                                      : (SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
  SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, flags);
  if (!renderer) renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
  if (!renderer) {
    std::fprintf(stderr, "SDL_CreateRenderer failed: %s\n", SDL_GetError());
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 1;
  }

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

int main(int, char**) {
  // The state lives until the process ends: a window close may come while
  // the detached worker still runs, and the process waits for it below.
  limitLibrarySearch();
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
