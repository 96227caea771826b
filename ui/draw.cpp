#include "ui/draw.h"

#include "ui/font.h"

void fillRect(SDL_Renderer* renderer, int x, int y, int w, int h, std::uint8_t r, std::uint8_t g,
              std::uint8_t b) {
  SDL_SetRenderDrawColor(renderer, r, g, b, 255);
  const SDL_Rect rect{x, y, w, h};
  SDL_RenderFillRect(renderer, &rect);
}

void drawRect(SDL_Renderer* renderer, int x, int y, int w, int h, std::uint8_t r, std::uint8_t g,
              std::uint8_t b) {
  SDL_SetRenderDrawColor(renderer, r, g, b, 255);
  const SDL_Rect rect{x, y, w, h};
  SDL_RenderDrawRect(renderer, &rect);
}

std::string_view displayTail(std::string_view text, std::size_t maxBytes) {
  return text.size() <= maxBytes ? text : text.substr(text.size() - (maxBytes - 3));
}

void drawShortenedText(SDL_Renderer* renderer, int x, int y, std::string_view text, std::size_t maxBytes,
                       Rgb c) {
  const std::string_view tail = displayTail(text, maxBytes);
  if (tail.size() != text.size()) {
    drawText(renderer, x, y, "...", 1, c.r, c.g, c.b, 999);
    x += 3 * kGlyphAdvance;
  }
  drawText(renderer, x, y, tail, 1, c.r, c.g, c.b, 999);
}

void drawCheckboxRow(SDL_Renderer* renderer, int y, bool ticked, std::string_view label,
                     int mouseX, int mouseY) {
  const bool hovered = mouseX >= 234 && mouseX <= 693 && mouseY >= y - 2 && mouseY < y + 18;
  fillRect(renderer, 234, y, 16, 16, hovered ? palette::checkHover : palette::checkFill);
  if (ticked) {
    drawRect(renderer, 234, y, 16, 16, palette::checkOutlineTicked);
    fillRect(renderer, 237, y + 3, 10, 10, palette::checkMark);
  } else {
    drawRect(renderer, 234, y, 16, 16, palette::checkOutline);
  }
  const Rgb t = palette::checkLabel;
  drawText(renderer, 258, y + 4, label, 1, t.r, t.g, t.b, 999);
}

void drawButton(SDL_Renderer* renderer, const Button& button, int mouseX, int mouseY) {
  const SDL_Rect& r = button.rect;
  Rgb fill, outline, text;
  if (!button.enabled) {
    fill = palette::disabledFill;
    outline = palette::disabledOutline;
    text = palette::disabledText;
  } else {
    const bool hovered = pointInRect(r, mouseX, mouseY);
    text = palette::buttonText;
    if (button.primary) {
      fill = hovered ? palette::primaryHover : palette::accent;
      outline = palette::primaryOutline;
    } else {
      fill = hovered ? palette::buttonHover : palette::buttonFill;
      outline = palette::buttonOutline;
    }
  }
  fillRect(renderer, r.x, r.y, r.w, r.h, fill);
  drawRect(renderer, r.x, r.y, r.w, r.h, outline);
  const int length = static_cast<int>(button.label.size());
  drawText(renderer, r.x + (r.w - kGlyphAdvance * length) / 2, r.y + (r.h - 8) / 2, button.label, 1, text.r,
           text.g, text.b, 999);
}
