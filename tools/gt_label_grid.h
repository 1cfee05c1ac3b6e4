// The label grid that the label values, categories, lane selection and standard set editors
// share: a toolkit grid over LabelCells, with heading texts, the information line's texts and
// the rows an edit may begin in.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "toolkit/tk_types.h"
#include "tools/lbl_files.h"

struct LabelGrid {
  LabelCells cells;
  std::vector<std::string> col_heads;  // column headings
  std::vector<std::string> row_heads;  // row headings
  std::vector<std::string> row_names;  // names of the rows in the information line
  std::function<bool(int row)> editable;  // rows from 0; null: every row
};

// Makes the group part a label grid of cols x rows cells of at most `cap` bytes; the grid owns
// the LabelGrid and frees it when it is destroyed.
LabelGrid* lbl_grid_attach(TK_OBJ group, int cols, int rows, int cap);
LabelGrid* lbl_grid(TK_OBJ grid);
// Shows the cells and headings afresh (after a load or a change of the headings).
void lbl_grid_redraw(TK_OBJ grid);

// What the label editors' dialogs share.
// Ends a cell edit in progress in the window's label grid.
void lbl_end_edit(TK_OBJ win);
// A modal label dialog's close box and its buttons that end the modal loop with 1 and with 0:
// each ends a cell edit in progress first.
long S_lbl_winNfy(TK_OBJ win, int event);
long S_lbl_OKNfy(TK_OBJ button, int event);
long S_lbl_CancelNfy(TK_OBJ button, int event);
// Save chooser, then the overwrite question for an existing file: 1 write to *path, 0 the
// chooser was cancelled, -1 the user declined to replace the file.
int lbl_ask_save(std::string* path, const char* caption, const char* folder, const char* file,
                 const char* filter, const char* ext);
// Open chooser: true with *path when a file was picked.
bool lbl_ask_open(std::string* path, const char* caption, const char* folder, const char* filter,
                  const char* ext);
// A reader's question about an oversized file: gt_msg `msg` asked yes/no; only "no" declines.
LblGoOn lbl_go_on(int msg);
// A load marks the current image modified (with no image open, nothing).
void lbl_mark_current_modified();

// Save and Load of the lane selection and standard set editors, whose grid is part 1.
struct LblFileKind {
  const char* save_caption;
  const char* open_caption;
  int folder;  // CTL_DIR_ folder of the control record
  const char* filter;
  const char* ext;
};
// Save: a cell edit ended; gt_msg 152 for a grid without values (and, with `numbers`, 153 for
// a value that is not a number); the save chooser and the overwrite question; `write`, and
// ui_msg 243 when it fails.
void lbl_save_grid(TK_OBJ win, const LblFileKind& kind, bool numbers,
                   int (*write)(const LabelCells& cells, const char* path));
// Load: a cell edit ended; the open chooser; `read` into the grid, and the current image marked
// modified when it read the file.
void lbl_load_grid(TK_OBJ win, const LblFileKind& kind, int (*read)(const char* path, TK_OBJ grid));
