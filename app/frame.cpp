#include "app/frame.h"

#include "app/wizard_state.h"
#include "discovery/text_path.h"
#include "platform/os.h"
#include "platform/stop.h"
#include "ui/chrome.h"
#include "ui/file_browser_view.h"
#include "ui/pages.h"

void beginFrame(FrameInput& input) {
  input.clicked = false;
  input.quitRequested = false;
  input.queuedCount = 0;
}

namespace {

void queue(FrameInput& input, bool escape, int wheelY, bool repeated = false) {
  if (input.queuedCount < FrameInput::kMaxQueued) {
    input.queued[input.queuedCount++] = {escape, wheelY, repeated};
  }
}

// Escape and the wheel act on the state in the order they arrived, before
// anything is drawn. Returns false when an Escape ends the wizard.
bool applyKeysAndWheel(WizardState& state, const FrameInput& input) {
  bool keepGoing = true;
  FileBrowser& browser = state.browser;
  for (int i = 0; i < input.queuedCount; ++i) {
    const FrameInput::KeyOrWheel& k = input.queued[i];
    if (k.escape) {
      if (state.running.load()) continue;
      if (browser.isOpen) {
        browser.isOpen = false;
      } else if (!k.repeated) {
        keepGoing = false;  // only a fresh press ends the wizard, never a held key
      }
    } else if (browser.isOpen) {
      const int count = static_cast<int>(browser.entries.size());
      if (k.wheelY > 0 && browser.scroll >= 1) {
        --browser.scroll;
      } else if (k.wheelY < 0 && browser.scroll + 10 < count) {
        ++browser.scroll;
      }
    }
  }
  return keepGoing;
}

void runFinish(const WizardState& state) {
  if (!state.launchAfterFinish) return;
  const FinishLaunch launch = finishLaunchCommand();
  startProcessDetached(launch.commandLine, launch.workingDirectory);
}

}  // namespace

void feedEvent(FrameInput& input, const SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT:
      input.quitRequested = true;
      break;
    case SDL_KEYDOWN:
      if (event.key.keysym.sym == SDLK_ESCAPE) queue(input, true, 0, event.key.repeat != 0);
      break;
    case SDL_MOUSEMOTION:
      input.mouseX = event.motion.x;
      input.mouseY = event.motion.y;
      break;
    case SDL_MOUSEBUTTONDOWN:
      if (event.button.button == SDL_BUTTON_LEFT) {
        input.clicked = true;
        input.mouseX = event.button.x;
        input.mouseY = event.button.y;
      }
      break;
    case SDL_MOUSEWHEEL:
      queue(input, false, event.wheel.y);
      break;
    default:
      break;
  }
}

NavigationBar buildNavigationBar(const WizardState& state) {
  const int page = state.page.load();
  const bool browserClosed = !state.browser.isOpen;
  const bool running = state.running.load();
  NavigationBar bar;
  bar.back = {{530, 477, 96, 30}, "< Back", false, browserClosed && (page == 1 || page == 2)};
  const char* nextLabel = page == 2 ? "Install" : page == 4 ? "Finish" : "Next >";
  bar.next = {{636, 477, 102, 30}, nextLabel, true,
              browserClosed && !(page == 1 && state.gamePath.empty()) && !(page == 3 && running)};
  bar.cancel = {{748, 477, 94, 30}, "Cancel", false, browserClosed && !running && page <= 3};
  return bar;
}

FinishLaunch finishLaunchCommand() {
  std::string base;
  if (std::optional<std::string> local = envValue("LOCALAPPDATA")) {
    base = *local;
  } else {
    base = prefixBaseFallback(homeDir());
  }
  const std::string prefix = joinPath(base, "TKR-Native-Port");
  return {"cmd.exe /C \"" + joinPath(prefix, "Play.bat") + "\"", joinPath(prefix, "game")};
}

bool runFrame(SDL_Renderer* renderer, WizardState& state, FrameInput& input) {
  bool keepGoing = applyKeysAndWheel(state, input);
  // A window closed during the installation stops the job (the process
  // then waits the moment it takes); so does a stop signal.
  if (input.quitRequested && state.workerActive.load()) requestStop();
  if (input.quitRequested || stopRequested()) keepGoing = false;

  drawChrome(renderer, state);
  const NavigationBar bar = buildNavigationBar(state);
  if (state.browser.isOpen) {
    runFileBrowserView(renderer, state, input);
  } else {
    drawPageContent(renderer, state, input);
  }
  drawButton(renderer, bar.back, input.mouseX, input.mouseY);
  drawButton(renderer, bar.next, input.mouseX, input.mouseY);
  drawButton(renderer, bar.cancel, input.mouseX, input.mouseY);

  if (input.clicked && !state.browser.isOpen) {
    const int mx = input.mouseX, my = input.mouseY;
    if (bar.back.enabled && pointInRect(bar.back.rect, mx, my)) {
      state.page.store(state.page.load() - 1);
    } else if (bar.next.enabled && pointInRect(bar.next.rect, mx, my)) {
      const int page = state.page.load();
      if (page <= 1) {
        state.page.store(page + 1);
      } else if (page == WizardPage::Options) {
        state.page.store(WizardPage::Installing);
        startInstallWorker(state);
      } else if (page == WizardPage::Complete) {
        runFinish(state);
        keepGoing = false;
      }
    } else if (bar.cancel.enabled && pointInRect(bar.cancel.rect, mx, my)) {
      keepGoing = false;
    }
  }
  return keepGoing;
}
