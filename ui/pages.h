#pragma once
// The content of the five wizard pages.

#include <string>
#include <string_view>

struct SDL_Renderer;
struct WizardState;
struct FrameInput;

// Draws the content of state.page and acts on the frame's click.
void drawPageContent(SDL_Renderer* renderer, WizardState& state, FrameInput& input);

