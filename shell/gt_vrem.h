// The later steps of a Vrem run (gt_vrem_run 1: size, 2: quantify). Each is called by the
// window that finishes the step before it: it turns the quick help to the step's page, presses
// the selection-mode button the step needs and sends the step's command to the dispatcher as if
// the user had chosen it. Outside a run they do nothing (the report step still turns the quick
// help to its page).
#pragma once

void gt_vrem_step_lanes();   // page 1, lanes mode, Define lanes (1061)
void gt_vrem_step_bands();   // page 3, bands mode, Edit bands (12)
void gt_vrem_step_stds();    // page 4, size (size run) or concentration standards mode, Add (143)
void gt_vrem_step_report();  // page 5, lanes mode, Report Active Image (148), then the run ends
