#pragma once
// The content of the five wizard pages.

#include <string>

struct SDL_Renderer;
struct WizardState;
struct FrameInput;

// Draws the content of state.page and acts on the frame's click.
void drawPageContent(SDL_Renderer* renderer, WizardState& state, FrameInput& input);

// A text longer than 63 bytes shown as "..." and its last 60 bytes.
std::string shortenForDisplay(const std::string& text);
