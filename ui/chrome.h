#pragma once
// The frame drawn around every page: background, sidebar with the step list,
// header band and footer band.

struct SDL_Renderer;
struct WizardState;

void drawChrome(SDL_Renderer* renderer, const WizardState& state);
// The same frame with the step of page lit (none when it is no step).
void drawChromeAt(SDL_Renderer* renderer, int page);
