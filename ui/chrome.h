#pragma once
// The frame drawn around every page: background, sidebar with the step list,
// header band and footer band.

struct SDL_Renderer;
struct WizardState;

void drawChrome(SDL_Renderer* renderer, const WizardState& state);
