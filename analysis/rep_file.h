// Report files: the CSV text of a report grid, and saving a report's text or CSV through the
// file chooser, the overwrite question and the safe writer (an old file stays whole until the
// new one is complete).
#pragma once

#include <string>
#include <vector>

#include "toolkit/tk_types.h"

// The CSV text of a grid: per row, every column up to `cols`, a cell with text as the text in
// double quotes (quotes inside doubled) and a comma, an empty cell as a lone comma; a line end
// after each row.
std::string rep_csv(const std::vector<std::vector<std::string>>& grid, int cols);

// Replaces the file with `content` as a whole. True when the new file is in place; false (the
// old file untouched) otherwise.
bool rep_write_file(const std::string& path, const std::string& content);

// Asks for a file name and writes `content` to it: `csv` picks the CSV filters and extension,
// else the text ones. The extension is appended when the name does not hold it; an existing
// file is replaced only after the question (ui_msg 270) is answered Yes. A failed write shows
// gt_msg 132 and keeps the old file. Returns 1 when written, 0 otherwise.
// The chooser opens in `folder` and is titled "Save " with `what` (the report window's title), so
// that it says what is saved. With add_ext false the name is used as picked.
int rep_save_as(const std::string& content, bool csv, const char* folder, const char* what = nullptr,
                bool add_ext = true);

// Prints a report's text or table as shown, into `folder` when printed to a file, on the print
// defaults with the picture brought to 0.9 of the printable width and height.
void rep_print(TK_OBJ widget, const char* folder);
