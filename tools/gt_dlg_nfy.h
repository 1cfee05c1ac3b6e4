// Notify procedures that many dialogs share, and the pattern of the band and lane tools'
// windows: a modeless tool window keeps its handle in one static of its file, sets a task state
// while it is open, and returns the state to 0 from its window procedure when it goes away
// (event 171), whichever way it was ended.
#pragma once

#include "toolkit/tk_types.h"

// A modal dialog's window: the close box ends the modal loop with 0.
long S_modal_winNfy(TK_OBJ win, int event);
// OK and Cancel of a modal dialog: activation ends the modal loop with 1 / 0.
long S_OK_PButNfy(TK_OBJ button, int event);
long S_Cancel_PButNfy(TK_OBJ button, int event);
// A button that stores `value` in *slot on activation, then ends the modal loop with `result`
// (dialogs that remember which button ended them, or whether their changes stand).
long gt_modal_end_with(TK_OBJ button, int event, int* slot, int value, long result);
// Close of a modeless window: activation ends the window.
long S_Close_PButNfy(TK_OBJ button, int event);
// A toggle or value field whose value is read later: its activation is consumed.
long S_swallow_activateNfy(TK_OBJ w, int event);
// A text field whose text is read later: Enter is consumed.
long S_swallow_textNfy(TK_OBJ w, int event);
// A list whose pick fills a field: the picked row's text becomes the list's text.
long S_list_pickNfy(TK_OBJ list, int event);

// The steps a modeless tool window takes when it opens: procedures attached (window first, then
// parts by index; null entries skipped), owner set, window initialised. Null when the layout is
// missing.
struct GtPartNfy {
  int index;
  TkNfy proc;
};
TK_OBJ gt_tool_win_load(const char* module, TK_OBJ owner, TkNfy win_proc, const GtPartNfy* parts,
                        int n_parts);
// Places the window (per cent across and down) and shows it.
void gt_tool_win_show(TK_OBJ win, int x_pct, int y_pct);
// Ends the window held in *slot: the slot is read, the window terminated while the slot is
// still set (so that its event 171 undoes the tool's work and ends its state), then cleared.
void gt_tool_win_dismiss(TK_OBJ* slot);
// The window procedure's common part for a modeless tool window: the close box ends the window
// (its event 171 then does the rest); every event goes to the window default.
long gt_tool_win_default(TK_OBJ win, int event);
// Event 171 with the static still set (the window did not end by its confirming button):
// the static is cleared and the tool's undo runs.
void gt_tool_win_end(TK_OBJ* slot, void (*undo)());
// A button that ends its window: on activation `action` runs (with the window), the static is
// cleared and the window terminated.
long gt_tool_win_button(TK_OBJ button, int event, TK_OBJ* slot, void (*action)(TK_OBJ win));
// Add Band's and Edit Band's OK: the quantify toggle (part 2) stored in the control record.
void gt_tool_store_quant(TK_OBJ win);
// The standards step of the band tools that may have changed standards: recomputes the current
// image's standard values when they changed.
void gt_tool_stds_update();
