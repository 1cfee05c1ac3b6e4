// Start-up of the main program: the resource file, the trace log, the ini files, the main
// window with its mode bar, toolbar, workspace, mode list and status line, the saved
// preferences, and the event loop until the main window ends.
#pragma once

#include "toolkit/tk_types.h"

// Runs the program; the arguments are only traced. 0 after the main window has ended; 1 when
// the resource file or the main window cannot be loaded or the start-up ini is unusable.
int gt_main(int argc, char** argv);
// Builds, fills and shows the main window; null when its layout cannot be loaded.
TK_OBJ gt_main_activate();
// Presses the mode button of the selection mode that the preferences saved; a mode outside
// 0..3 presses none.
void gt_press_saved_mode(TK_OBJ main_win);
// The write folder as the ini entry WriteDir gives it at start-up.
const char* gt_main_write_dir();
// Milliseconds the start-up logo stays (2000; tests shorten it).
void gt_set_logo_wait(int ms);
