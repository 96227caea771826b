#include "ui/file_browser_view.h"

#include <filesystem>

#include "app/frame.h"
#include "app/wizard_state.h"
#include "discovery/text_path.h"
#include "platform/os.h"
#include "ui/draw.h"
#include "ui/font.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRows = 11;

void text(SDL_Renderer* r, int x, int y, std::string_view s, Rgb c) {
  drawText(r, x, y, s, 1, c.r, c.g, c.b, 999);
}

// The folder above dir, or nothing for a root (its own parent) or a bare name.
std::string parentOf(const std::string& dir) {
  std::optional<fs::path> p = pathFromUtf8(dir);
  if (!p || !p->has_parent_path()) return {};
  const fs::path parent = p->parent_path();
  if (parent == *p) return {};
  return pathToUtf8(parent);
}

void pick(WizardState& s, const std::string& path, bool isFolder) {
  if (s.browser.target == 1) {
    s.modArchivePath = path;
  } else {
    s.gamePath = path;
    s.gamePathIsInstaller = isFolder ? false : endsWithNoCase(path, ".exe");
  }
  s.browser.isOpen = false;
}

void rowAction(WizardState& s, int index) {
  FileBrowser& b = s.browser;
  const FileBrowserEntry entry = b.entries[static_cast<std::size_t>(index)];
  if (b.currentDir == kDrivesDir) {
    b.currentDir = entry.name;
    b.refresh();
  } else if (index != 0 && entry.isDir) {
    b.currentDir = joinPath(b.currentDir, entry.name);
    b.refresh();
  } else if (index != 0) {
    pick(s, joinPath(b.currentDir, entry.name), false);
  } else {
    const std::string parent = parentOf(b.currentDir);
    b.currentDir = parent.empty() ? std::string(kDrivesDir) : parent;
    b.refresh();
  }
}

}  // namespace

void runFileBrowserView(SDL_Renderer* r, WizardState& s, FrameInput& in) {
  FileBrowser& b = s.browser;
  text(r, 234, 18, b.folderMode ? "SELECT GAME FOLDER" : "SELECT FILE", palette::titleText);
  drawShortenedText(r, 234, 38, b.currentDir, 64, palette::subtitleText);
  fillRect(r, 234, 82, 596, 310, palette::troughFill);
  drawRect(r, 234, 82, 596, 310, {95, 90, 120});

  for (int row = 0; row < kRows; ++row) {
    // A row's action may list another folder; the rows after it show that one.
    const int index = b.scroll + row;
    if (index >= static_cast<int>(b.entries.size())) break;
    const int y = 88 + 27 * row;
    const bool hovered = in.mouseX >= 238 && in.mouseX <= 825 && in.mouseY >= y && in.mouseY < y + 25;
    if (hovered) fillRect(r, 238, y, 588, 25, {50, 48, 70});
    const FileBrowserEntry& e = b.entries[static_cast<std::size_t>(index)];
    // "[DIR]  " or "[FILE] " and the name, cut to 62 bytes in all with
    // "..." after a cut.
    const Rgb colour = e.isDir ? Rgb{225, 175, 110} : Rgb{145, 225, 185};
    constexpr std::size_t kTag = 7, kLabel = 62;
    text(r, 246, y + 8, e.isDir ? "[DIR]  " : "[FILE] ", colour);
    const std::string_view name = std::string_view(e.name).substr(0, kLabel - kTag);
    text(r, 246 + static_cast<int>(kTag) * kGlyphAdvance, y + 8, name, colour);
    if (e.name.size() > kLabel - kTag) {
      text(r, 246 + static_cast<int>(kLabel) * kGlyphAdvance, y + 8, "...", colour);
    }
    if (hovered && in.clicked) {
      in.clicked = false;
      rowAction(s, index);
    }
  }

  const int count = static_cast<int>(b.entries.size());
  const Button up{{234, 402, 120, 28}, "Scroll Up", false, b.scroll > 0};
  const Button down{{362, 402, 120, 28}, "Scroll Down", false, b.scroll + kRows < count};
  const Button useFolder{{490, 402, 166, 28}, "Use This Folder", true, b.folderMode};
  const Button back{{664, 402, 110, 28}, "Back", false, true};
  drawButton(r, up, in.mouseX, in.mouseY);
  drawButton(r, down, in.mouseX, in.mouseY);
  if (b.folderMode) drawButton(r, useFolder, in.mouseX, in.mouseY);
  drawButton(r, back, in.mouseX, in.mouseY);
  if (in.clicked && b.isOpen) {
    auto over = [&](const Button& x) { return x.enabled && pointInRect(x.rect, in.mouseX, in.mouseY); };
    if (over(up)) {
      --b.scroll;
    } else if (over(down)) {
      ++b.scroll;
    } else if (over(useFolder)) {
      if (b.currentDir != kDrivesDir) pick(s, b.currentDir, true);  // the drive list is no folder
    } else if (over(back)) {
      b.isOpen = false;
    }
  }
  in.clicked = false;
}
