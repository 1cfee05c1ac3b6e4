// The distance method dialog: picks one of four tree-building methods for the dendrogram.
#pragma once

#include "toolkit/tk_types.h"

// Parts of "WinDistMthd" (module "gt_mma"), by index.
enum GtMmaPart : int {
  GT_MMA_CHOICE1 = 0,  // choices 1..4 are parts 0..3
  GT_MMA_CHOICE4 = 3,
  GT_MMA_OK = 4,
  GT_MMA_CANCEL = 5,
};

// Shows the dialog with choice `method` on and returns the chosen method 1..4, or 0 when the
// user cancels or closes it, or when `method` is outside 1..4 (then nothing is shown). Choice 4
// cannot be picked here (a click on it changes nothing); a dialog opened with it keeps it.
int gt_mma_activate(int method);
long gt_mma_ok(TK_OBJ button, int event);
long gt_mma_cancel(TK_OBJ button, int event);
