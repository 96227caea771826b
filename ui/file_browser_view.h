#pragma once
// The browser view: drawn in the page area while the browser is open.

struct SDL_Renderer;
struct WizardState;
struct FrameInput;

// Draws the open browser and acts on (and always consumes) the frame's click.
void runFileBrowserView(SDL_Renderer* renderer, WizardState& state, FrameInput& input);
