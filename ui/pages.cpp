#include "ui/pages.h"

#include <cstdio>
#include <mutex>

#include "app/frame.h"
#include "app/wizard_state.h"
#include "discovery/text_path.h"
#include "ui/draw.h"
#include "ui/file_browser.h"
#include "ui/font.h"

namespace {

void text(SDL_Renderer* r, int x, int y, std::string_view s, Rgb c, int maxChars = 999) {
  drawText(r, x, y, s, 1, c.r, c.g, c.b, maxChars);
}

void header(SDL_Renderer* r, const char* title, const char* second,
            Rgb secondColour = palette::subtitleText) {
  text(r, 234, 18, title, palette::titleText);
  text(r, 234, 38, second, secondColour);
}

void panel(SDL_Renderer* r, int x, int y, int w, int h, Rgb outline) {
  fillRect(r, x, y, w, h, palette::panelFill);
  drawRect(r, x, y, w, h, outline);
}

bool hit(const Button& b, const FrameInput& in) {
  return in.clicked && b.enabled && pointInRect(b.rect, in.mouseX, in.mouseY);
}

// The check-box rows take clicks across 234..793, wider than their hover band.
bool rowClicked(const FrameInput& in, int top, int bottom) {
  return in.clicked && in.mouseX >= 234 && in.mouseX <= 793 && in.mouseY >= top &&
         in.mouseY <= bottom;
}

void welcomePage(SDL_Renderer* r) {
  header(r, "WELCOME TO THE THRASK KOVARRA SETUP WIZARD",
         "Graphical Setup Wizard for Windows 64-Bit (x86_64)");
  const Rgb body{225, 225, 235}, bullet{215, 215, 228}, note{175, 175, 190};
  text(r, 234, 94, "This wizard will install the completed native 64-bit port of", body);
  text(r, 234, 112, "Thrask Kovarra: Vestrova (v1.0.4) on your system.", body);
  panel(r, 234, 144, 596, 152, palette::panelOutline);
  text(r, 250, 160, "WHAT THIS INSTALLER DOES AUTOMATICALLY:", palette::headingText);
  text(r, 250, 184, "* Installs the native 64-bit Windows x86_64 SDL2 engine", bullet);
  text(r, 250, 204, "* Finds your GOG Classic installer (.exe) or game folder", bullet);
  text(r, 250, 224, "* Configures Classic 1999 CTH & 1-6 Player Gamepad Co-op", bullet);
  text(r, 250, 244, "* Creates Desktop & Start Menu launch shortcuts", bullet);
  text(r, 250, 268, "* 100% Graphical Wizard - no terminal commands needed!", palette::positiveText);
  text(r, 234, 326, "Requirement: Your own legal copy of Thrask Kovarra from GOG", note);
  text(r, 234, 344, "(Thrask Kovarra: Cindral includes the required Classic DLC).", note);
  text(r, 234, 392, "Click 'Next >' to choose your GOG game files.", {240, 240, 248});
}

void gameFilesPage(SDL_Renderer* r, WizardState& s, FrameInput& in) {
  header(r, "SELECT YOUR GOG GAME FILES",
         "Choose your downloaded GOG Classic .exe installer or game folder");
  const Rgb label{235, 235, 245};
  text(r, 234, 88, "1. GOG Classic Installer (.exe) or Installed Game Folder:", label);
  const bool haveGame = !s.gamePath.empty();
  fillRect(r, 234, 108, 596, 32, palette::troughFill);
  drawRect(r, 234, 108, 596, 32, haveGame ? Rgb{80, 175, 95} : Rgb{180, 80, 95});
  if (haveGame) {
    drawShortenedText(r, 244, 120, s.gamePath, 63, {140, 230, 165});
  } else {
    text(r, 244, 120, "Not found automatically - click Browse below...", {220, 140, 165});
  }

  const Button browseExe{{234, 148, 198, 28}, "Browse GOG .exe...", true, true};
  const Button browseFolder{{442, 148, 214, 28}, "Browse Game Folder...", false, true};
  const Button rescan{{666, 148, 164, 28}, "Re-Scan Downloads", false, true};
  drawButton(r, browseExe, in.mouseX, in.mouseY);
  drawButton(r, browseFolder, in.mouseX, in.mouseY);
  drawButton(r, rescan, in.mouseX, in.mouseY);
  // The home folder is read only when a button needs it, not every frame.
  if (hit(browseExe, in)) {
    s.browser.open(downloadsDir(), false, 0);
    in.clicked = false;
  } else if (hit(browseFolder, in)) {
    s.browser.open(homeDir(), true, 0);
    in.clicked = false;
  } else if (hit(rescan, in)) {
    s.autoDetectSources();
    in.clicked = false;
  }

  text(r, 234, 210, "2. Vestrova 1.4 Mod Archive SCI-7609-VA.7z (Optional):", label);
  fillRect(r, 234, 230, 596, 32, palette::troughFill);
  drawRect(r, 234, 230, 596, 32, {85, 85, 110});
  if (s.modArchivePath.empty()) {
    text(r, 244, 242, "None selected (will install ready-to-play base game)", {195, 195, 212});
  } else {
    drawShortenedText(r, 244, 242, s.modArchivePath, 63, {195, 195, 212});
  }
  const Button browseMod{{234, 270, 198, 28}, "Browse Mod (.7z)...", false, true};
  const Button baseGame{{442, 270, 164, 28}, "Use Base Game", false, !s.modArchivePath.empty()};
  drawButton(r, browseMod, in.mouseX, in.mouseY);
  drawButton(r, baseGame, in.mouseX, in.mouseY);
  if (hit(browseMod, in)) {
    s.browser.open(downloadsDir(), false, 1);
    in.clicked = false;
  } else if (hit(baseGame, in)) {
    s.modArchivePath.clear();
    in.clicked = false;
  }

  panel(r, 234, 324, 596, 86, {70, 68, 92});
  text(r, 248, 338, "TIP FOR BEGINNERS:", palette::headingText);
  text(r, 248, 358, "Simply save setup_thrask_kovarra_classic_*.exe from your", {200, 200, 215});
  text(r, 248, 376, "GOG library into your Downloads folder and click Re-Scan!", {200, 200, 215});
}

void optionsPage(SDL_Renderer* r, WizardState& s, FrameInput& in) {
  header(r, "CHOOSE INSTALLATION OPTIONS",
         "Customize Co-op, Language, and Shortcuts before installing");
  drawCheckboxRow(r, 98, s.enableCoop, "Enable 1-6 Player Local Controller Co-op (--coop)",
                  in.mouseX, in.mouseY);
  drawCheckboxRow(r, 132, s.createShortcuts, "Create Desktop & Application Menu Shortcuts",
                  in.mouseX, in.mouseY);
  drawCheckboxRow(r, 166, s.enableAdultContent,
                  "Enable Uncensored Adult NPC Content (--adult-content on)", in.mouseX, in.mouseY);
  if (rowClicked(in, 96, 117)) {
    s.enableCoop = !s.enableCoop;
  } else if (rowClicked(in, 130, 151)) {
    s.createShortcuts = !s.createShortcuts;
  } else if (rowClicked(in, 164, 185)) {
    s.enableAdultContent = !s.enableAdultContent;
  }

  text(r, 234, 218, "Game Language (auto-verified against your GOG files):", {235, 235, 245});
  for (int j = 0; j < kLanguageCount; ++j) {
    const Button b{{234 + 196 * (j % 3), 244 + 36 * (j / 3), 184, 28}, kLanguages[j].label,
                   j == s.languageIndex, true};
    drawButton(r, b, in.mouseX, in.mouseY);
    if (hit(b, in)) s.languageIndex = j;
  }

  panel(r, 234, 336, 596, 78, palette::panelOutline);
  const Rgb line{215, 215, 228};
  text(r, 248, 352, "Install Location: %LOCALAPPDATA%\\TKR-Native-Port", line);
  text(r, 248, 372, "Launcher Script:  %LOCALAPPDATA%\\TKR-Native-Port\\Play.bat", line);
  text(r, 248, 392, "Click 'Install' to configure and install the game now.", palette::positiveText);
}

void installingPage(SDL_Renderer* r, WizardState& s) {
  header(r, "INSTALLING THRASK KOVARRA NATIVE PORT",
         "Please wait while Setup installs and configures the game...");
  const int progress = s.progress.load();
  fillRect(r, 234, 118, 596, 26, palette::troughFill);
  drawRect(r, 234, 118, 596, 26, palette::accent);
  if (progress * 592 > 99) fillRect(r, 236, 120, progress * 592 / 100, 22, palette::progressFill);
  char percent[16];
  std::snprintf(percent, sizeof percent, "%d%%", progress);
  text(r, 520, 127, percent, {255, 255, 255});
  fillRect(r, 234, 160, 596, 250, palette::logFill);
  drawRect(r, 234, 160, 596, 250, palette::logOutline);

  std::lock_guard<std::mutex> lock(s.logMutex);
  text(r, 234, 94, s.statusText, {235, 235, 245}, 64);
  for (std::size_t j = 0; j < s.logLines.size(); ++j) {
    text(r, 244, 172 + 18 * static_cast<int>(j), s.logLines[j], palette::logText, 64);
  }
}

void completePage(SDL_Renderer* r, WizardState& s, FrameInput& in) {
  header(r, "COMPLETING THE THRASK KOVARRA SETUP WIZARD",
         "Thrask Kovarra: Vestrova (v1.0.4) is ready to play!", palette::positiveTextBright);
  const Rgb body{230, 230, 240}, bullet{220, 220, 232};
  text(r, 234, 98, "Setup has finished installing Thrask Kovarra Native Port", body);
  text(r, 234, 118, "on your computer.", body);
  panel(r, 234, 150, 596, 110, {80, 175, 125});
  text(r, 250, 168, "HOW TO START THE GAME ANYTIME:", palette::positiveTextBright);
  text(r, 250, 192, "* Desktop / Start Menu: Click 'Thrask Kovarra Native Port'", bullet);
  text(r, 250, 214, "* Batch Script: %LOCALAPPDATA%\\TKR-Native-Port\\Play.bat", bullet);
  text(r, 250, 236, "* Fullscreen Toggle: Press F11 or Alt+Enter in-game", bullet);
  drawCheckboxRow(r, 290, s.launchAfterFinish, "Launch Thrask Kovarra: Vestrova now", in.mouseX,
                  in.mouseY);
  if (rowClicked(in, 288, 309)) s.launchAfterFinish = !s.launchAfterFinish;
}

}  // namespace

void drawPageContent(SDL_Renderer* renderer, WizardState& state, FrameInput& input) {
  switch (state.page.load()) {
    case WizardPage::Welcome:
      welcomePage(renderer);
      break;
    case WizardPage::GameFiles:
      gameFilesPage(renderer, state, input);
      break;
    case WizardPage::Options:
      optionsPage(renderer, state, input);
      break;
    case WizardPage::Installing:
      installingPage(renderer, state);
      break;
    case WizardPage::Complete:
      completePage(renderer, state, input);
      break;
    default:
      break;
  }
}
