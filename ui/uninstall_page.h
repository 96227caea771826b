#pragma once
// The uninstaller's one page in the wizard's window: what will be removed,
// from which folder, and Remove / Cancel; then what was done, and Close.

#include <SDL.h>

#include <string>
#include <vector>

#include "install/uninstall.h"

struct FrameInput;

struct UninstallView {
  UninstallPlan plan;
  std::size_t ownFiles = 0;  // the files of the plan Setup itself placed (all of them)
  bool done = false;         // Remove was clicked and the uninstall ran
  bool succeeded = false;
  std::vector<std::string> lines;  // what the uninstall said
};

// Draws the page and acts on the frame's click; false once the window is to
// close (Cancel, Close, Escape or the window's own close).
bool runUninstallFrame(SDL_Renderer* renderer, UninstallView& view, const FrameInput& input);
