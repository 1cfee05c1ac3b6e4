// Keeping tool windows off the image: a window placed by percent of the screen that would lie
// over the main window (its title bar, mode bar and the work area of the image windows) moves
// beside it.
#pragma once

#include "toolkit/tk_types.h"

// Moves `win` (already placed) to the right of the main window when it overlaps the main
// window and the screen has room there, else to its left when there is room, keeping its
// height on the screen. A window with no room beside the main window moves down to the top of
// the work area when it starts above it, and beside the current image's window (right, else
// left) when it lies across it and the screen has room there.
void gt_place_beside_main(TK_OBJ win);
