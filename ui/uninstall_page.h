#pragma once
// The uninstaller's one page in the wizard's window: what will be removed,
// from which folder, and Remove / Cancel; then what was done, and Close.

#include <SDL.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "install/uninstall.h"

struct FrameInput;

struct UninstallView {
  UninstallPlan plan;
  // Remove runs the uninstall on a worker, so that the window keeps
  // drawing what it says; the view waits for it when it goes.
  std::thread worker;
  std::atomic<bool> running{false};
  std::atomic<bool> done{false};  // the uninstall ran to its end
  std::atomic<bool> succeeded{false};
  std::mutex linesMutex;
  std::vector<std::string> lines;  // what the uninstall said, under linesMutex

  UninstallView() = default;
  UninstallView(const UninstallView&) = delete;
  UninstallView& operator=(const UninstallView&) = delete;
  ~UninstallView() {
    if (worker.joinable()) worker.join();
  }
};

// Draws the page and acts on the frame's click; false once the window is to
// close (Cancel, Close, Escape or the window's own close).
bool runUninstallFrame(SDL_Renderer* renderer, UninstallView& view, const FrameInput& input);
