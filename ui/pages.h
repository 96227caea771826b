#pragma once
// The content of the five wizard pages.

#include <string>
#include <string_view>

struct SDL_Renderer;
struct WizardState;
struct FrameInput;

// Draws the content of state.page and acts on the frame's click.
void drawPageContent(SDL_Renderer* renderer, WizardState& state, FrameInput& input);

// What the pages show of a text after "...": its last 60 bytes when it is
// longer than 63 bytes, else the whole text (and no "...").
std::string_view displayTail(std::string_view text);
