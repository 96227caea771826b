#pragma once
// One frame of the wizard's immediate-mode interface, callable without a
// window: the SDL event loop only fills FrameInput, and runFrame draws the
// whole window into any renderer and acts on that input.

#include <SDL.h>

#include "ui/draw.h"

struct WizardState;

struct FrameInput {
  int mouseX = 0;
  int mouseY = 0;
  bool clicked = false;
  bool quitRequested = false;

  // Escape presses and wheel turns of this frame, in the order they came.
  struct KeyOrWheel {
    bool escape;  // false: a wheel turn of wheelY
    int wheelY;
    bool repeated = false;  // an Escape sent again by a held key
  };
  static constexpr int kMaxQueued = 64;
  KeyOrWheel queued[kMaxQueued];
  int queuedCount = 0;
};

// Starts a new frame's input: the click and the queued keys are cleared,
// the mouse position is kept.
void beginFrame(FrameInput& input);

// Folds one SDL event into the frame's input.
void feedEvent(FrameInput& input, const SDL_Event& event);

// The navigation bar as it stands before the page content runs.
struct NavigationBar {
  Button back, next, cancel;
};
NavigationBar buildNavigationBar(const WizardState& state);

// Draws and runs one frame (chrome, page or browser, navigation bar).
// Returns false when the wizard should end after this frame.
bool runFrame(SDL_Renderer* renderer, WizardState& state, FrameInput& input);

// The command line that Finish starts, and its working folder.
struct FinishLaunch {
  std::string commandLine;
  std::string workingDirectory;
};
FinishLaunch finishLaunchCommand();
