#include "ui/pages.h"

#include "app/frame.h"
#include "app/wizard_state.h"

void drawPageContent(SDL_Renderer*, WizardState&, FrameInput&) {}
