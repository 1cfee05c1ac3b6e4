// Waiting for a window to be gone from the display before another is shown.
#pragma once

#include <functional>

#include "toolkit/tk_types.h"

// Ends the window as WIN_Terminate does and runs `then` once the window has gone: taken off the
// screen and destroyed, so that a window manager has seen it go before `then` shows another
// window. At once when the window never had a window on the display; after a few seconds at the
// latest.
void WIN_TerminateThen(TK_OBJ win, std::function<void()> then);
