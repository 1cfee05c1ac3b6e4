// The cells of the label grids (lane label values, categories, lane selections, standard sets)
// and the files they are saved in. Nothing here reaches a window: the grids' dialogs and the
// fuzz targets share it.
//
// Files are written whole through a temporary file beside the target that is renamed over it,
// so a failed write leaves the previous file as it was. Lines end in LF; CRLF is read too.
//
// Label file "lanechar.csv": one line per saved row: the row's category and its cells, each in
// double quotes, separated by commas ("dose","10","","high"). On reading, a line goes to the
// row of the category its first field names (other lines, and later lines naming a category
// already loaded, are passed over); a quote closes a cell only where a comma or the line's end
// follows it, so a comma inside quotes belongs to the cell; other quotes are dropped. Blanks
// before the first field are passed over.
//
// Categories file: one line per name, in double quotes.
//
// Lane selection file ".sel": up to 10 lines, line k for the k-th category: the category and up
// to four values, quoted, separated by commas, up to the row's last value; a row without values
// is an empty line. A line is read into the row of the category its first field names.
//
// Standard set file ".std": up to 100 lines, one value each as typed, empty rows as empty lines.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Columns by rows of texts, row after row; every text at most `cap` bytes.
struct LabelCells {
  int cols = 0, rows = 0, cap = 20;
  std::vector<std::string> cell;

  void resize(int c, int r, int max_len);
  void clear();
  const std::string& at(int r, int c) const { return cell[static_cast<std::size_t>(r) * cols + c]; }
  void set(int r, int c, std::string_view text);  // cut to cap
};

inline constexpr int LBL_BOX_ROWS = 10;      // rows of the label grid that have a row box (saved)
inline constexpr int LBL_SEL_ROWS = 10;      // rows of the selection grid
inline constexpr int LBL_SEL_COLS = 5;       // the category and four values
inline constexpr int LBL_STD_ROWS = 100;     // rows of the standard set grid
inline constexpr int LBL_CAT_ROWS = 100;     // rows of the categories grid (at least)
inline constexpr int LBL_NAME_LEN = 20;      // a category name or a label value
inline constexpr int LBL_CELL_LEN = 19;      // a selection or standard set cell
extern const char LBL_NOT_SET[];             // "<not set>": a row box without choice
extern const char LBL_REMOVE[];              // "<remove>": a row left out of the file

// Row tests, rows and columns from 1: a non-empty cell in the row from column `from_col` on; a
// non-empty cell in any row from `row` on; a non-empty cell in the row that is not a number;
// such a cell in any row.
bool lbl_row_has_value(const LabelCells& g, int row, int from_col);
bool lbl_any_value_from(const LabelCells& g, int row);
bool lbl_row_not_number(const LabelCells& g, int row);
bool lbl_any_not_number(const LabelCells& g);

// The order of category names: an empty name after every other, others byte by byte.
bool lbl_category_less(const std::string& a, const std::string& b);

// Label file. `saved_as[r]` is the category that row r is saved under (empty, "<not set>" or
// "<remove>": the row is left out); only the first ten rows are saved. 0, or -1 when the grid
// has no cells or the file cannot be written.
int lbl_lanechar_write(const LabelCells& g, const std::vector<std::string>& saved_as,
                       const char* path);
// A line of a label file that was not loaded: its number (from 1) and the category it names.
struct LblSkippedLine {
  int line = 0;
  std::string category;
};
// Clears every cell, then fills the rows whose category (`rows[r]`) a line names. A line naming
// a category that an earlier line already filled is passed over and listed in *skipped (when
// given; cleared first). 0, or -1 when the grid has no cells or the file cannot be opened (cells
// then unchanged).
int lbl_lanechar_read(LabelCells& g, const std::vector<std::string>& rows, const char* path,
                      std::vector<LblSkippedLine>* skipped = nullptr);

// Categories file of `names`. 0, or -1 when it cannot be written.
int lbl_cat_write(const std::vector<std::string>& names, const char* path);

// Asked when a file holds more than its grid can take: true goes on with what fits.
using LblGoOn = std::function<bool()>;

// Selection file. The reader fills row k from a line whose first field is categories[k] (k
// below ten); a line naming another text is passed over. At most as many lines are read as
// there are categories. -1 when the file cannot be opened or `go_on` declines an oversized
// file (more than 10 lines, or a line of more than 5 fields); the cells are then unchanged.
int lbl_sel_write(const LabelCells& g, const char* path);
int lbl_sel_read(LabelCells& g, const std::vector<std::string>& categories, const char* path,
                 const LblGoOn& go_on);

// Standard set file. The reader asks `go_on` about more than 100 lines or a line holding a
// comma; it loads line i into row i, the text before the first comma.
int lbl_std_write(const LabelCells& g, const char* path);
int lbl_std_read(LabelCells& g, const char* path, const LblGoOn& go_on);
