// The command dispatcher and the main window's own procedure. Every command identifier of the
// menu bar and the toolbar reaches main_winNfySelMenuBar, which first lets it through the gate of
// its class (idle state, an open image window) and then runs it. Served so far: Open (101), Close
// (103), Close All (104), Save (105), Save All (106), Quit (113), About (172), the zoom commands
// (1081 to 1083, 10001 to 10018), the Window menu (20000..29999), the recent files
// (30000..30003), Page Setup (109), the prints (110, 1105, 1106), Crop (133), Equalize (136),
// the image tools (165 to 167) and the imports (1001 to 1004); every other identifier is traced
// and does nothing.
#pragma once

#include "shell/gt_cmd.h"
#include "toolkit/tk_types.h"

// Runs a command for the main window `win`; 0 stands for the menu entry being chosen.
int main_winNfySelMenuBar(TK_OBJ win, int command);
// The last command identifier the dispatcher received (0 before the first).
int gt_dispatch_last_command();

// The main window's procedure: a menu choice goes to the dispatcher; the close box asks about
// unsaved images (Cancel keeps the window), closes the tool windows, writes the preferences file
// "gt_init.prf" in the write folder and ends the main window.
long S_gt_main_winNfy(TK_OBJ win, int event);
