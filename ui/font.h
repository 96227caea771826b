#pragma once
// The built-in 8x8 bitmap font and the text routine.
//
// One glyph per character code 32 to 126; byte 0 is the top row, and in each
// byte bit 0 is the leftmost pixel. Every other byte draws the question mark.

#include <array>
#include <cstdint>
#include <string_view>

struct SDL_Renderer;

using Glyph = std::array<std::uint8_t, 8>;

// The glyph drawn for one byte of text.
const Glyph& glyphFor(unsigned char byte);

// Pixels from one glyph to the next at scale 1 (8 wide and one apart).
inline constexpr int kGlyphAdvance = 9;

// Draws at most maxChars bytes of text (the first one always) with the
// top-left of the first glyph at (x, y), one filled square per lit pixel.
void drawText(SDL_Renderer* renderer, int x, int y, std::string_view text, int scale,
              std::uint8_t r, std::uint8_t g, std::uint8_t b, int maxChars);
