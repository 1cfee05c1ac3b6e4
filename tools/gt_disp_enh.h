// The display enhancement dialog (colour map, level and width).
#pragma once

#include "toolkit/tk_types.h"

// Runs the dialog over the open image windows (each window's client data is its image record).
void gt_enh_disp_activate(const TK_OBJ* windows, int n);
