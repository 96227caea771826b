#pragma once
// A window-less drawing target for tests: an 860x520 ARGB8888 surface with
// SDL's software renderer on it, and pixel read-back.

#include <SDL.h>

#include <cstdint>
#include <cstring>
#include <ostream>

#include "ui/draw.h"

struct Canvas {
  SDL_Surface* surface = nullptr;
  SDL_Renderer* renderer = nullptr;

  Canvas() {
    surface = SDL_CreateRGBSurfaceWithFormat(0, 860, 520, 32, SDL_PIXELFORMAT_ARGB8888);
    renderer = SDL_CreateSoftwareRenderer(surface);
    clear({0, 0, 0});
  }
  ~Canvas() {
    SDL_DestroyRenderer(renderer);
    SDL_FreeSurface(surface);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  void clear(Rgb c) {
    SDL_SetRenderDrawColor(renderer, c.r, c.g, c.b, 255);
    SDL_RenderClear(renderer);
  }

  Rgb pixel(int x, int y) const {
    const auto* row = static_cast<const std::uint8_t*>(surface->pixels) + y * surface->pitch;
    std::uint32_t v;
    std::memcpy(&v, row + x * 4, 4);
    return {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v)};
  }
};

inline bool operator==(Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

inline std::ostream& operator<<(std::ostream& os, Rgb c) {
  return os << "(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ")";
}
