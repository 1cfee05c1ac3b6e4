// The later steps of a Vrem run (gt_vrem_run 1: size, 2: quantify). Each is called by the
// window that finishes the step before it: it turns the quick help to the step's page, presses
// the selection-mode button the step needs and sends the step's command to the dispatcher as if
// the user had chosen it. Outside a run they do nothing (the report step still turns the quick
// help to its page).
#pragma once

#include "toolkit/tk_types.h"

void gt_vrem_step_lanes();   // page 1, lanes mode, Define lanes (1061)
void gt_vrem_step_bands();   // page 3, bands mode, Edit bands (12)
void gt_vrem_step_stds();    // page 4, size (size run) or concentration standards mode, Add (143)
void gt_vrem_step_report();  // page 5, lanes mode, Report Active Image (148), then the run ends

// Ends `win`, the window that finishes a step, and then takes the next step (one of the four
// above). During a run the step waits until the window has gone from the screen, so that the
// dialog it opens is not shown while the closing window is still being taken down (a window
// manager can leave such a dialog unmapped, and the program then looks frozen behind a modal
// dialog nobody sees). Outside a run the step is taken at once.
void gt_vrem_close_then(TK_OBJ win, void (*step)());
