#pragma once
// Flat rectangles, the push button and the check-box row. Every routine sets
// the draw colour itself and keeps no state between calls.

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct Rgb {
  std::uint8_t r, g, b;
};

// The wizard's colours by role.
namespace palette {
inline constexpr Rgb background{22, 21, 31};
inline constexpr Rgb sidebarFill{34, 28, 44};
inline constexpr Rgb sidebarOutline{62, 54, 76};
inline constexpr Rgb accent{138, 78, 36};
inline constexpr Rgb primaryHover{162, 96, 46};
inline constexpr Rgb primaryOutline{210, 145, 85};
inline constexpr Rgb bandFill{28, 27, 40};
inline constexpr Rgb headerOutline{56, 54, 72};
inline constexpr Rgb footerOutline{62, 58, 78};
inline constexpr Rgb titleText{245, 245, 250};
inline constexpr Rgb subtitleText{165, 165, 182};
inline constexpr Rgb headingText{220, 150, 90};
inline constexpr Rgb panelFill{30, 29, 44};
inline constexpr Rgb panelOutline{115, 72, 42};
inline constexpr Rgb troughFill{16, 15, 24};
inline constexpr Rgb positiveText{95, 200, 155};
inline constexpr Rgb positiveTextBright{95, 205, 155};
inline constexpr Rgb progressFill{45, 145, 110};
inline constexpr Rgb logFill{14, 13, 20};
inline constexpr Rgb logOutline{64, 62, 84};
inline constexpr Rgb logText{185, 195, 210};
inline constexpr Rgb buttonFill{48, 48, 64};
inline constexpr Rgb buttonHover{64, 64, 82};
inline constexpr Rgb buttonOutline{110, 110, 136};
inline constexpr Rgb disabledFill{42, 42, 54};
inline constexpr Rgb disabledOutline{70, 70, 86};
inline constexpr Rgb disabledText{115, 115, 130};
inline constexpr Rgb buttonText{248, 248, 252};
inline constexpr Rgb checkFill{32, 32, 44};
inline constexpr Rgb checkHover{45, 45, 60};
inline constexpr Rgb checkOutline{110, 110, 135};
inline constexpr Rgb checkOutlineTicked{185, 115, 55};
inline constexpr Rgb checkMark{165, 98, 44};
inline constexpr Rgb checkLabel{235, 235, 242};
}  // namespace palette

struct Button {
  SDL_Rect rect{};
  std::string_view label;  // a literal or other text that outlives the frame
  bool primary = false;
  bool enabled = true;
};

// x <= mx < x + w and y <= my < y + h: the hit rule of every widget.
inline bool pointInRect(const SDL_Rect& r, int mx, int my) {
  return mx >= r.x && mx < r.x + r.w && my >= r.y && my < r.y + r.h;
}

void fillRect(SDL_Renderer* renderer, int x, int y, int w, int h, std::uint8_t r, std::uint8_t g,
              std::uint8_t b);
void drawRect(SDL_Renderer* renderer, int x, int y, int w, int h, std::uint8_t r, std::uint8_t g,
              std::uint8_t b);
inline void fillRect(SDL_Renderer* renderer, int x, int y, int w, int h, Rgb c) {
  fillRect(renderer, x, y, w, h, c.r, c.g, c.b);
}
inline void drawRect(SDL_Renderer* renderer, int x, int y, int w, int h, Rgb c) {
  drawRect(renderer, x, y, w, h, c.r, c.g, c.b);
}

// What is shown of a text after "...": its last maxBytes - 3 bytes when it
// is longer than maxBytes, else the whole text (and no "...").
std::string_view displayTail(std::string_view text, std::size_t maxBytes = 63);

// Draws text shortened that way, "..." and the tail, without building a
// string.
void drawShortenedText(SDL_Renderer* renderer, int x, int y, std::string_view text, std::size_t maxBytes,
                       Rgb c);

// One option row with its box at x = 234; the caller handles the click.
void drawCheckboxRow(SDL_Renderer* renderer, int y, bool ticked, std::string_view label,
                     int mouseX, int mouseY);

// One push button, with a hover look when enabled and under the mouse.
void drawButton(SDL_Renderer* renderer, const Button& button, int mouseX, int mouseY);
