#include "ui/file_browser_view.h"

#include "app/frame.h"
#include "app/wizard_state.h"

void runFileBrowserView(SDL_Renderer*, WizardState&, FrameInput& input) { input.clicked = false; }
