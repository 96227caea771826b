#include "ui/font.h"

#include <gtest/gtest.h>

#include "tests/canvas.h"

namespace {

constexpr Rgb kBg{0, 0, 0};
constexpr Rgb kInk{200, 100, 50};

// Whether the 8x8 cell at (x, y) at this scale shows exactly the glyph rows.
void expectGlyph(const Canvas& c, int x, int y, int scale, const Glyph& rows) {
  for (int row = 0; row < 8; ++row) {
    for (int col = 0; col < 8; ++col) {
      const bool lit = rows[row] & (1u << col);
      for (int dy = 0; dy < scale; ++dy) {
        for (int dx = 0; dx < scale; ++dx) {
          EXPECT_EQ(c.pixel(x + col * scale + dx, y + row * scale + dy), lit ? kInk : kBg)
              << "row " << row << " col " << col;
        }
      }
    }
  }
}

int litPixels(const Canvas& c, int x0, int y0, int w, int h) {
  int n = 0;
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) n += !(c.pixel(x, y) == kBg);
  return n;
}

TEST(FontTable, GlyphsMatchTheTable) {
  EXPECT_EQ(glyphFor('A'), (Glyph{0x00, 0x18, 0x3C, 0x66, 0x66, 0x7E, 0x66, 0x66}));
  EXPECT_EQ(glyphFor('0'), (Glyph{0x00, 0x3C, 0x66, 0x76, 0x6E, 0x66, 0x66, 0x3C}));
  EXPECT_EQ(glyphFor('/'), (Glyph{0x80, 0xC0, 0x60, 0x30, 0x18, 0x0C, 0x06, 0x03}));
  EXPECT_EQ(glyphFor('&'), (Glyph{0x1C, 0x36, 0x36, 0x1C, 0x6E, 0x3B, 0x33, 0x6E}));
  EXPECT_EQ(glyphFor('w'), (Glyph{0x00, 0x00, 0x00, 0x63, 0x63, 0x6B, 0x7F, 0x36}));
  EXPECT_EQ(glyphFor('~'), (Glyph{0x00, 0x00, 0x00, 0x6E, 0x3B, 0x00, 0x00, 0x00}));
  EXPECT_EQ(glyphFor(' '), (Glyph{}));
  EXPECT_EQ(glyphFor('_'), (Glyph{0, 0, 0, 0, 0, 0, 0, 0xFF}));
}

TEST(FontTable, BytesOutsidePrintableAsciiShowTheQuestionMark) {
  const Glyph question = glyphFor('?');
  EXPECT_EQ(question, (Glyph{0x00, 0x3C, 0x66, 0x30, 0x18, 0x00, 0x18, 0x18}));
  for (int b = 0; b < 32; ++b) EXPECT_EQ(glyphFor(static_cast<unsigned char>(b)), question) << b;
  for (int b = 127; b < 256; ++b) EXPECT_EQ(glyphFor(static_cast<unsigned char>(b)), question) << b;
}

TEST(DrawText, DrawsLitPixelsOnlyAtScaleOneAndTwo) {
  Canvas c;
  drawText(c.renderer, 10, 10, "A/", 1, kInk.r, kInk.g, kInk.b, 999);
  expectGlyph(c, 10, 10, 1, glyphFor('A'));
  expectGlyph(c, 19, 10, 1, glyphFor('/'));  // advance 9 at scale 1

  drawText(c.renderer, 100, 100, "&w", 2, kInk.r, kInk.g, kInk.b, 999);
  expectGlyph(c, 100, 100, 2, glyphFor('&'));
  expectGlyph(c, 117, 100, 2, glyphFor('w'));  // advance 17 at scale 2
}

TEST(DrawText, EmptyTextDrawsNothing) {
  Canvas c;
  drawText(c.renderer, 10, 10, "", 1, kInk.r, kInk.g, kInk.b, 999);
  EXPECT_EQ(litPixels(c, 0, 0, 40, 30), 0);
}

TEST(DrawText, MultiByteLetterShowsOneQuestionMarkPerByte) {
  Canvas c;
  drawText(c.renderer, 10, 10, "\xC3\x84", 1, kInk.r, kInk.g, kInk.b, 999);
  expectGlyph(c, 10, 10, 1, glyphFor('?'));
  expectGlyph(c, 19, 10, 1, glyphFor('?'));
  EXPECT_EQ(litPixels(c, 28, 10, 20, 8), 0);
}

TEST(DrawText, MaxCharsLimitsTheTextButTheFirstCharacterAlwaysShows) {
  Canvas c;
  const std::string seventy(70, 'H');
  drawText(c.renderer, 0, 10, seventy, 1, kInk.r, kInk.g, kInk.b, 64);
  expectGlyph(c, 63 * 9, 10, 1, glyphFor('H'));
  EXPECT_EQ(litPixels(c, 64 * 9, 10, 8 * 9, 8), 0);

  drawText(c.renderer, 0, 100, "HH", 1, kInk.r, kInk.g, kInk.b, 0);
  expectGlyph(c, 0, 100, 1, glyphFor('H'));
  EXPECT_EQ(litPixels(c, 9, 100, 9, 8), 0);

  drawText(c.renderer, 0, 200, "HH", 1, kInk.r, kInk.g, kInk.b, -5);
  expectGlyph(c, 0, 200, 1, glyphFor('H'));
  EXPECT_EQ(litPixels(c, 9, 200, 9, 8), 0);
}

}  // namespace
