#pragma once
// Drives the wizard's frames without a window: synthetic SDL events go
// through the same FrameInput path as the real event loop.

#include <SDL.h>

#include <initializer_list>

#include "app/frame.h"
#include "app/wizard_state.h"
#include "tests/canvas.h"

inline SDL_Event mouseDown(int x, int y, Uint8 button = SDL_BUTTON_LEFT) {
  SDL_Event e{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.button = button;
  e.button.x = x;
  e.button.y = y;
  return e;
}
inline SDL_Event mouseMotion(int x, int y) {
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.x = x;
  e.motion.y = y;
  return e;
}
inline SDL_Event key(SDL_Keycode code) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.keysym.sym = code;
  return e;
}
inline SDL_Event wheel(int y) {
  SDL_Event e{};
  e.type = SDL_MOUSEWHEEL;
  e.wheel.y = y;
  return e;
}
inline SDL_Event quit() {
  SDL_Event e{};
  e.type = SDL_QUIT;
  return e;
}

struct Wizard {
  Canvas canvas;
  WizardState state;
  FrameInput input;

  // One frame with these events; returns whether the wizard goes on.
  bool frame(std::initializer_list<SDL_Event> events = {}) {
    beginFrame(input);
    for (const SDL_Event& e : events) feedEvent(input, e);
    return runFrame(canvas.renderer, state, input);
  }
  bool click(int x, int y) { return frame({mouseDown(x, y)}); }
};

