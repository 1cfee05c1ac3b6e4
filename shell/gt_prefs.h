// The preferences dialog: six pages that edit a working copy of the control record, committed
// whole on OK; Save writes the working copy to a preferences file, Load reads one into it.
#pragma once

#include "model/control.h"
#include "toolkit/tk_types.h"

// Parts of "prefs_win" of module "prefs".
enum PrefsPart : int {
  PREFS_OK = 4,
  PREFS_CANCEL = 5,
  PREFS_LOAD = 6,
  PREFS_SAVE = 7,
  PREFS_TABS = 8,        // group of the six tab buttons
  PREFS_PAGE_FIRST = 10, // page k is part PREFS_PAGE_FIRST + k
};

// Runs the dialog over the owner on the control record; 1 after OK, 0 after Cancel or the close
// box (or when the working copy cannot be made).
int prefs_activate(TK_OBJ owner, CONTROL* ctl);
// At start-up: the first page current, the interpolation methods taken from the record at the
// next opening.
void prefs_init();
// Copies the interpolation methods chosen on the standards page into the record.
void prefs_set_control_ptr(CONTROL* ctl);
// The page each tab button shows, and the current page (kept between openings).
int prefs_page_of_tab(int tab);
int prefs_current_page();
// Interpolation methods and the entries of the size and concentration lists that show them.
int prefs_interp_entry(int method);
int prefs_interp_method(int entry);
