#include "ui/draw.h"

#include <gtest/gtest.h>

#include "tests/canvas.h"

namespace {

TEST(Rectangles, FillAndOutline) {
  Canvas c;
  fillRect(c.renderer, 10, 10, 20, 10, 1, 2, 3);
  drawRect(c.renderer, 10, 10, 20, 10, 4, 5, 6);
  EXPECT_EQ(c.pixel(15, 15), (Rgb{1, 2, 3}));
  EXPECT_EQ(c.pixel(10, 10), (Rgb{4, 5, 6}));
  EXPECT_EQ(c.pixel(29, 19), (Rgb{4, 5, 6}));
  EXPECT_EQ(c.pixel(30, 15), (Rgb{0, 0, 0}));
  EXPECT_EQ(c.pixel(15, 20), (Rgb{0, 0, 0}));
}

TEST(PointInRect, IncludesTopLeftExcludesBottomRight) {
  const SDL_Rect r{10, 20, 5, 4};
  EXPECT_TRUE(pointInRect(r, 10, 20));
  EXPECT_TRUE(pointInRect(r, 14, 23));
  EXPECT_FALSE(pointInRect(r, 15, 20));
  EXPECT_FALSE(pointInRect(r, 10, 24));
  EXPECT_FALSE(pointInRect(r, 9, 20));
}

struct ButtonLook {
  Rgb fill, outline;
};

ButtonLook drawAndRead(const Button& b, int mx, int my) {
  Canvas c;
  drawButton(c.renderer, b, mx, my);
  return {c.pixel(b.rect.x + 2, b.rect.y + 2), c.pixel(b.rect.x, b.rect.y)};
}

TEST(DrawButton, ColoursForEachLook) {
  const SDL_Rect r{100, 100, 96, 30};
  auto normal = drawAndRead({r, "", false, true}, 0, 0);
  EXPECT_EQ(normal.fill, (Rgb{48, 48, 64}));
  EXPECT_EQ(normal.outline, (Rgb{110, 110, 136}));
  auto hovered = drawAndRead({r, "", false, true}, 100, 100);
  EXPECT_EQ(hovered.fill, (Rgb{64, 64, 82}));
  auto primary = drawAndRead({r, "", true, true}, 0, 0);
  EXPECT_EQ(primary.fill, (Rgb{138, 78, 36}));
  EXPECT_EQ(primary.outline, (Rgb{210, 145, 85}));
  auto primaryHovered = drawAndRead({r, "", true, true}, 195, 129);
  EXPECT_EQ(primaryHovered.fill, (Rgb{162, 96, 46}));
  auto justOutside = drawAndRead({r, "", true, true}, 196, 129);
  EXPECT_EQ(justOutside.fill, (Rgb{138, 78, 36}));
}

TEST(DrawButton, DisabledNeverShowsHover) {
  const SDL_Rect r{100, 100, 96, 30};
  for (bool primary : {false, true}) {
    auto look = drawAndRead({r, "", primary, false}, 120, 110);
    EXPECT_EQ(look.fill, (Rgb{42, 42, 54}));
    EXPECT_EQ(look.outline, (Rgb{70, 70, 86}));
  }
}

// The bounding box of pixels in colour c.
SDL_Rect inkBox(const Canvas& c, Rgb ink) {
  int x0 = 9999, y0 = 9999, x1 = -1, y1 = -1;
  for (int y = 0; y < 520; ++y)
    for (int x = 0; x < 860; ++x)
      if (c.pixel(x, y) == ink) {
        x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
      }
  return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

TEST(DrawButton, LabelIsCentredWithTruncatingDivision) {
  Canvas c;
  // "HH": 2 characters, left edge 100 + (96 - 18) / 2 = 139, top 100 + (30 - 8) / 2 = 111.
  drawButton(c.renderer, {{100, 100, 96, 30}, "HH", false, true}, 0, 0);
  const SDL_Rect box = inkBox(c, {248, 248, 252});
  EXPECT_EQ(box.x, 139 + 1);  // H's leftmost lit column is 1
  EXPECT_EQ(box.y, 111 + 1);  // and its first row is empty
  Canvas d;
  drawButton(d.renderer, {{100, 100, 20, 30}, "HHHH", false, false}, 0, 0);
  // Wider than the button: (20 - 36) / 2 = -8, so it starts left of it.
  EXPECT_EQ(inkBox(d, {115, 115, 130}).x, 92 + 1);
}

TEST(DrawCheckboxRow, TickedClearAndHoverBand) {
  Canvas c;
  drawCheckboxRow(c.renderer, 98, true, "", 0, 0);
  EXPECT_EQ(c.pixel(234, 98), (Rgb{185, 115, 55}));
  EXPECT_EQ(c.pixel(240, 104), (Rgb{165, 98, 44}));
  EXPECT_EQ(c.pixel(235, 99), (Rgb{32, 32, 44}));

  drawCheckboxRow(c.renderer, 200, false, "", 693, 198);
  EXPECT_EQ(c.pixel(234, 200), (Rgb{110, 110, 135}));
  EXPECT_EQ(c.pixel(240, 206), (Rgb{45, 45, 60}));

  // The hover band ends at x = 693 and y + 18.
  drawCheckboxRow(c.renderer, 300, false, "", 750, 300);
  EXPECT_EQ(c.pixel(240, 306), (Rgb{32, 32, 44}));
  drawCheckboxRow(c.renderer, 400, false, "", 300, 418);
  EXPECT_EQ(c.pixel(240, 406), (Rgb{32, 32, 44}));
}

TEST(DrawCheckboxRow, LabelAt258) {
  Canvas c;
  drawCheckboxRow(c.renderer, 98, false, "H", 0, 0);
  const SDL_Rect box = inkBox(c, {235, 235, 242});
  EXPECT_EQ(box.x, 259);
  EXPECT_EQ(box.y, 103);
}

}  // namespace
