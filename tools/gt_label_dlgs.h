// The lane label editors: the label values of the selected lanes ("Labels: Values..."), the
// program's list of label categories, lane selection files and standard sets. Each is a modal
// dialog around a label grid (tools/gt_label_grid.h) whose files are in tools/lbl_files.h.
#pragma once

#include "model/image_rec.h"
#include "toolkit/tk_types.h"

struct LANE;

// Label values of the selected lanes from `first` on: 1 when the user confirmed with OK (the
// values are then in the lanes), 0 otherwise. Only the values mode is built: `sel_files` is 0.
int gt_char_lane_activate(TK_OBJ owner, LANE* first, int sel_files);
// "Labels: Values...": the dialog for the image's first selected lane; the image is marked
// modified on OK.
void gt_lane_chars(TK_OBJ owner, IMAGE_REC* image);
// The distinct category names over the selected lanes from `first` on, sorted (empty names
// last): their number (0 on allocation failure). The list lasts until the next call.
int gt_ch_lane_unique(LANE* first);
const char* gt_unique_label(int idx);     // the idx-th name; "Bad Index" when idx < 0
int gt_unique_idx(const char* name);      // its index, -1 when absent
// The label file of the open dialog's grid (the row boxes say which rows are saved, and as
// which category): 0, or -1 when the grid has no cells or the file cannot be written / read.
// Reading loads each line into the row of its category; a line naming a category that an
// earlier line filled is left out, and the user is told which lines were.
int ch_lane_write(TK_OBJ grid, const char* path);
int ch_lane_read(TK_OBJ grid, const char* path);
void ch_lane_save_as(TK_OBJ win);

// The categories editor: saving the list makes it the control record's list.
void gt_crt_cat_activate(TK_OBJ owner);
// Fills the grid from the control record, names sorted, empty cells last.
void crt_cat_lbox_load(TK_OBJ grid);
// Saves the grid's names (gaps closed up): 0 saved or chooser cancelled, 1 failed.
int crt_cat_lbox_write(TK_OBJ grid);
// Asks for the file, writes the names and gives them to the control record: TRUE when written
// (or the chooser was cancelled), FALSE otherwise.
int cat_util_write(int count, const char* const* names);

// The lane selection file editor (needs at least one category).
void gt_ctr_sel_activate(TK_OBJ owner);
int crt_sel_write(TK_OBJ grid, const char* path);
int crt_sel_read(const char* path, TK_OBJ grid);
void crt_sel_dest_proc(TK_OBJ win, int flag);

// The standard set editor.
void gt_crt_std_activate(TK_OBJ owner);
int crt_std_write(const char* path, TK_OBJ grid);
int crt_std_read(const char* path, TK_OBJ grid);
void crt_std_dest_proc(TK_OBJ win, int flag);
