// The standards tools: the size and concentration standards configuration dialogs, the modeless
// assignment windows that collect standard points by clicks on an image (task states 8 and 9),
// the value dialog, and the reading of standard set files (one value per line).
//
// An assignment belongs to the image that was current when its window opened: clicks on other
// images are ignored, OK commits into that image and Cancel, the close box or a dismiss discard
// its pending points. When that image's window closes, the assignment ends first.
#pragma once

#include "model/image_rec.h"
#include "toolkit/tk_types.h"

struct TkFile;

// The value dialog's answers that are no value.
constexpr double GT_STD_NO_VALUE = -99999.0;   // empty text or Cancel
constexpr double GT_STD_BAD_VALUE = -99998.0;  // text that is no number
constexpr int GT_STD_VALUE_LEN = 256;          // capacity of a value text

void gt_std_size_config_activate(TK_OBJ owner);
void gt_std_conc_config_activate(TK_OBJ owner);
void gt_std_size_asgn_activate(TK_OBJ owner, const char* name, TkFile* file, int interp, int extrap,
                               int use_repeats, int repeat_length, int auto_assign);
void gt_std_conc_asgn_activate(TK_OBJ owner, const char* name, TkFile* file, int interp, int extrap,
                               int set_switch);
// The image's concentration list, made (with its cell) when missing; null when out of memory.
STD_LIST* gt_std_conc_list(IMAGE_REC* image);
void std_sasn_dismiss();
void std_casn_dismiss();

// Next value text of the open set file into `out` (GT_STD_VALUE_LEN characters); nothing is
// written when no file is open or it has no more lines. With auto-assign on, the end of the size
// set file gives "-1" and the file starts again at its first line.
void gt_std_size_set_val(char* out);
void std_casn_next_value(char* out);
long std_sasn_get_auto();
// A committed point that automatic assignment removed from its tier list: kept by the
// assignment and put back when it ends without OK.
void std_sasn_take_point(const STD_MARKER* m);
// The image an assignment in progress belongs to (null when none is open).
IMAGE_REC* std_sasn_image();
IMAGE_REC* std_casn_image();
// An image is going away: the assignments and the standards line on it end first, as their
// close boxes end them.
void gt_std_image_closing(IMAGE_REC* image);

// Modal value dialog: the entered value, GT_STD_NO_VALUE or GT_STD_BAD_VALUE.
void gt_std_val_activate(TK_OBJ owner, double* value);
// The value of a value text: its number, GT_STD_NO_VALUE when empty, GT_STD_BAD_VALUE otherwise.
double gt_std_parse_value(const char* text);

// The tooltip of a set switch: `text` with every backslash doubled, at most 247 characters.
void gt_std_set_tooltip(TK_OBJ part, const char* text);
// Opens the set file at `path` for reading: the file object, or null (message 80 shown when the
// file cannot be opened; a file object that cannot be made is reported for `caller`).
TkFile* gt_std_open_set(const char* path, const char* caller);
void gt_std_close_set(TkFile** file);
// A configuration dialog's set switch part from the stored switch and path: the set file reopened
// (its name part into `name`, 256 characters), the tooltip set; a file that cannot be opened
// turns the switch off and empties the path. The open file, or null.
TkFile* gt_std_reopen_stored(int* set_switch, char* path, char* name, const char* caller, TK_OBJ part);
// A configuration dialog's set switch changed (its value already toggled): off forgets the set;
// on asks for a set file (the chooser) and opens it into *file, storing its path and name.
enum { GT_STD_SET_OFF = 0, GT_STD_SET_OPENED = 1, GT_STD_SET_CANCELLED = 2, GT_STD_SET_FAILED = 3 };
int gt_std_set_switch(TK_OBJ part, int* set_switch, char* path, char* name, TkFile** file);
// The image's pending points thrown away (an empty list in their place).
void gt_std_renew_pending(IMAGE_REC* image);
// Ends an assignment: its window and image statics cleared, the pending points discarded unless
// committed, state 0 (on the image, when committed), the image redrawn, the set file closed.
void gt_std_asn_end(TK_OBJ* win, IMAGE_REC** image, TkFile** file, bool committed);
// An assignment window's OK or Cancel: the button's action on the window in *win, then a
// guided run goes on to its report step.
long gt_std_asn_button(TK_OBJ button, int event, TK_OBJ* win, void (*action)(TK_OBJ win));

// Standard point selection (selection modes 2 and 3) and the standards line (state 6).
void gt_std_size_select(TK_OBJ area, const int* rect, IMAGE_REC* image, int extend);
void gt_std_conc_select(TK_OBJ area, const int* rect, IMAGE_REC* image, int extend);
int std_point_is_std(int x, int y, STD_LIST* a, STD_LIST* b);
void gt_std_modify_line(TK_OBJ owner, IMAGE_REC* image);
void gt_std_mod_activate(TK_OBJ owner);
void std_mod_dismiss();
// Puts p as the line's point in the lane, replacing the point that lies in it; x order is kept.
void std_line_put(IMAGE_REC* image, LANE* lane, STD_MARKER* p);
void std_line_snap_bands();
void std_line_apply();
void std_line_cancel();
void gt_std_slog(const char* tag, IMAGE_REC* image);
