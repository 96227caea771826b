#include "ui/chrome.h"

#include "app/wizard_state.h"
#include "ui/draw.h"
#include "ui/font.h"

namespace {

constexpr const char* kStepLabels[5] = {"1. Welcome", "2. GOG Game Files", "3. Setup Options",
                                        "4. Installing", "5. Complete"};

void text(SDL_Renderer* r, int x, int y, const char* s, Rgb c, int scale = 1) {
  drawText(r, x, y, s, scale, c.r, c.g, c.b, 999);
}

}  // namespace

void drawChrome(SDL_Renderer* r, const WizardState& state) { drawChromeAt(r, state.page.load()); }

void drawChromeAt(SDL_Renderer* r, int page) {
  fillRect(r, 0, 0, 860, 520, palette::background);
  fillRect(r, 0, 0, 210, 462, palette::sidebarFill);
  fillRect(r, 0, 0, 6, 462, palette::accent);
  drawRect(r, 0, 0, 210, 462, palette::sidebarOutline);
  text(r, 20, 26, "BRASKWELL", {195, 130, 75});
  text(r, 20, 48, "THRASK", palette::titleText, 2);
  text(r, 20, 70, "KOVARRA", palette::titleText, 2);
  text(r, 20, 96, "Native 64-Bit Port", palette::subtitleText);
  text(r, 20, 112, "Version 1.0.4", {75, 175, 135});

  for (int i = 0; i < 5; ++i) {
    const int y = 167 + 34 * i;
    Rgb c;
    if (i == page) {
      fillRect(r, 14, y - 8, 182, 24, palette::accent);
      c = {255, 255, 255};
    } else if (i < page) {
      c = {95, 195, 155};
    } else {
      c = {135, 135, 150};
    }
    text(r, 24, y, kStepLabels[i], c);
  }

  text(r, 20, 424, "Windows x86_64", {120, 120, 138});
  fillRect(r, 210, 0, 650, 68, palette::bandFill);
  drawRect(r, 210, 0, 650, 68, palette::headerOutline);
  fillRect(r, 0, 462, 860, 58, palette::bandFill);
  drawRect(r, 0, 462, 860, 58, palette::footerOutline);
}
