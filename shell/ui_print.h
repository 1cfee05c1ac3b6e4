// Printing: every printout goes through ui_print, to a printer picked in the print dialog or to
// a PostScript file when the user chooses printing to a file. The print defaults are one
// program-wide page set-up (toolkit/tk_print.h); ui_print restores them after every print,
// whatever the dialog changed and however the print ended.
#pragma once

#include "base/kstypes.h"
#include "toolkit/tk_print.h"
#include "toolkit/tk_types.h"

// Prints the widget (a drawing area what it shows, or the part inside `rect`, or with a page
// set-up in mode 2 (`extra` 2) its whole canvas; a chart or text its whole picture), fitted to
// the page, with the page set-up `page` (null: the print defaults). Nothing is printed
// when the dialog is cancelled or no file name is given; a print file that cannot be written
// shows ui_msg 243 and keeps an older file of that name.
void ui_print(TK_OBJ widget, const char* folder, const TkRect* rect, const TkPageSetup* page);
// Prints the whole widget with orientation 1 and the extra field 2.
void ui_print_widget(TK_OBJ widget, const char* folder);
// Sets the paper type of the print defaults: US letter (1) when TRUE, A4 (15) otherwise.
void ui_print_pagesetup(BOOL us_letter);
BOOL ui_print_us_letter();  // the print defaults' paper is US letter
// The print-file chooser ("lanes.ps" in folder, "." when none): the chosen path (a static
// buffer) or null when nothing was chosen or the user said no to replacing a file (ui_msg 270).
// The old file is not touched here: the print replaces it only once the new one is written.
const char* ui_get_filename(const char* folder);
// The command "Print Image Photo": reads the ini entry PhotoPrinter ("sheet", "roll" or
// "none"; another value prints as "sheet"; a missing one shows an alert).
void gt_print_photo_activate();
// Prints the current image window on the photo page (4 x 6 inches, 18-point margins).
void ks_photo_print(int roll, int orientation);
// Page Setup: a modal dialog that edits the paper type of the print defaults. TRUE on OK.
BOOL ui_page_setup_activate(TK_OBJ owner);
