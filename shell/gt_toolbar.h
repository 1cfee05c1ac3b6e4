// The main window's toolbar: 23 buttons (parts 0..22 of main-window part 2). Resting the
// pointer on a button shows its help text in the status line (unless the program is busy or
// the line already shows a text); leaving clears it (unless busy); pressing it sends the
// button's command to the dispatcher. Add, Delete and Copy depend on the selection mode.
#pragma once

#include "toolkit/tk_types.h"

constexpr int GT_TOOLBAR_BUTTONS = 23;

void gt_toolbar_attach(TK_OBJ toolbar);  // attaches gt_toolbar_buttonNfy to every button
long gt_toolbar_buttonNfy(TK_OBJ button, int event);
// The command of a button in a selection mode (0 for a button outside 0..22).
int gt_toolbar_command(int button, int mode);
// The gt_msg help text number of a button in a selection mode; 0 when there is none (Add and
// Delete in a mode outside 0..3).
int gt_toolbar_help(int button, int mode);
