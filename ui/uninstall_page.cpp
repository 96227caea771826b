#include "ui/uninstall_page.h"

#include <string_view>

#include "app/frame.h"
#include "platform/os.h"
#include "ui/chrome.h"
#include "ui/draw.h"
#include "ui/font.h"

namespace {

void text(SDL_Renderer* r, int x, int y, std::string_view s, Rgb c, int maxChars = 999) {
  drawText(r, x, y, s, 1, c.r, c.g, c.b, maxChars);
}

// A long line in rows of at most width characters, broken at spaces.
std::vector<std::string> wrapped(const std::string& line, std::size_t width) {
  std::vector<std::string> rows;
  std::string rest = line;
  while (rest.size() > width) {
    std::size_t cut = rest.rfind(' ', width);
    if (cut == std::string::npos || cut == 0) cut = width;
    rows.push_back(rest.substr(0, cut));
    rest = rest.substr(cut == width ? cut : cut + 1);
  }
  rows.push_back(rest);
  return rows;
}

}  // namespace

bool runUninstallFrame(SDL_Renderer* r, UninstallView& view, const FrameInput& input) {
  // While the files go, the window stays: a close waits for the end.
  bool keepGoing = !input.quitRequested || view.running.load();
  for (int i = 0; i < input.queuedCount; ++i) {
    if (input.queued[i].escape && !input.queued[i].repeated && !view.running.load()) keepGoing = false;
  }
  drawChromeAt(r, -1);
  text(r, 234, 18, "UNINSTALL THRASK KOVARRA NATIVE PORT", palette::titleText);
  text(r, 234, 38, "Remove the game from this computer; your saved games stay", palette::subtitleText);

  const Rgb body{225, 225, 235}, bullet{215, 215, 228};
  if (!view.done && !view.running) {
    text(r, 234, 94, "Setup will remove what it installed, and nothing else:", body);
    fillRect(r, 234, 120, 596, 170, palette::panelFill);
    drawRect(r, 234, 120, 596, 170, palette::panelOutline);
    if (view.plan.refusal) {
      int y = 136;
      for (const std::string& row : wrapped(*view.plan.refusal, 70)) {
        text(r, 250, y, row, {235, 120, 110});
        y += 18;
      }
    } else {
      text(r, 250, 136, "WHAT WILL BE REMOVED:", palette::headingText);
      text(r, 250, 160, "* " + std::to_string(view.plan.files.size()) + " files Setup installed", bullet);
      text(r, 250, 180, "* The Desktop and Start Menu shortcuts", bullet);
      text(r, 250, 200, "* The entry in Windows' list of programs", bullet);
      text(r, 250, 228, "Folder:", palette::headingText);
      text(r, 322, 228, pathToUtf8(view.plan.prefix), bullet, 61);
      text(r, 250, 256, "Saved games and other files you made there are kept.", palette::positiveText);
    }
    text(r, 234, 322, "Click 'Remove' to uninstall Thrask Kovarra Native Port now.", {240, 240, 248});
  } else {
    if (view.running) {
      text(r, 234, 94, "Removing Thrask Kovarra Native Port, please wait...", body);
    } else {
      text(r, 234, 94,
           view.succeeded ? "Thrask Kovarra Native Port has been uninstalled." : "Uninstalling did not finish.",
           view.succeeded ? palette::positiveTextBright : Rgb{235, 120, 110});
    }
    fillRect(r, 234, 120, 596, 290, palette::logFill);
    drawRect(r, 234, 120, 596, 290, palette::logOutline);
    int y = 132;
    std::lock_guard<std::mutex> lock(view.linesMutex);
    for (const std::string& line : view.lines) {
      for (const std::string& row : wrapped(line, 72)) {
        if (y > 392) break;
        text(r, 244, y, row, palette::logText, 72);
        y += 18;
      }
    }
  }

  const bool running = view.running.load(), done = view.done.load();
  const Button remove{{636, 477, 102, 30}, done ? "Close" : "Remove", true, done || (!running && !view.plan.refusal)};
  const Button cancel{{748, 477, 94, 30}, "Cancel", false, !done && !running};
  drawButton(r, remove, input.mouseX, input.mouseY);
  drawButton(r, cancel, input.mouseX, input.mouseY);
  if (input.clicked) {
    if (remove.enabled && pointInRect(remove.rect, input.mouseX, input.mouseY)) {
      if (done) {
        keepGoing = false;
      } else {
        view.running = true;
        view.worker = std::thread([&view] {
          const bool ok = runUninstall(view.plan, [&view](const std::string& line) {
            std::lock_guard<std::mutex> lock(view.linesMutex);
            view.lines.push_back(line);
          });
          view.succeeded = ok;
          view.done = true;
          view.running = false;
        });
      }
    } else if (cancel.enabled && pointInRect(cancel.rect, input.mouseX, input.mouseY)) {
      keepGoing = false;
    }
  }
  return keepGoing;
}
