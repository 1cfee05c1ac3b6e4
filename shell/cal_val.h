// The step value dialog: asks for the optical density of a calibration step.
#pragma once

#include "toolkit/tk_types.h"

// Parts of "cal_val_win" (module "cal_val"), by index.
enum CalValPart : int {
  CAL_VAL_TEXT = 0,  // the value, filled with the next line of the standard set file
  CAL_VAL_OK = 1,
  CAL_VAL_CANCEL = 2,
};

// Runs the modal dialog over `owner` and stores in *out the value typed, CAL_STEP_INVALID
// (engine/cal_strip.h) for a text that is not a number, or CAL_STEP_CANCEL for an empty text or
// Cancel. Returns the modal result (1 OK, 0 Cancel or close box).
long cal_val_activate(TK_OBJ owner, double* out);
