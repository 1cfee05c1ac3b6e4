// The command dispatcher and the main window's own procedure. Every command identifier of the
// menu bar and the toolbar reaches main_winNfySelMenuBar, which first lets it through the gate of
// its class (idle state, an open image window) and then runs the row of its command table that
// names it; an identifier that no row names does nothing beyond the gate.
#pragma once

#include "shell/gt_cmd.h"
#include "toolkit/tk_types.h"

// Runs a command for the main window `win`; 0 stands for the menu entry being chosen.
int main_winNfySelMenuBar(TK_OBJ win, int command);
// Whether a row of the command table names the identifier.
bool gt_dispatch_handles(int command);
// Help files are opened by the desktop; the opener gives a code above 32 on success, 2 for a
// missing file and 31 for a file the desktop cannot open. Null restores the desktop's opener.
using GtHelpOpener = int (*)(const char* path);
void gt_set_help_opener(GtHelpOpener opener);
// The last command identifier the dispatcher received (0 before the first).
int gt_dispatch_last_command();
// The last command identifier that the gate let through (0 before the first).
int gt_dispatch_last_run();

// The main window's procedure: a menu choice goes to the dispatcher; the close box asks about
// unsaved images (Cancel keeps the window), closes the tool windows, writes the preferences file
// "gt_init.prf" in the write folder and ends the main window. Exit and the desktop's shutdown
// write the preferences the same way; a cancelled question writes nothing.
long S_gt_main_winNfy(TK_OBJ win, int event);
