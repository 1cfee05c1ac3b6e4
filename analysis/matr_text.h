// The texts of the match matrix window's three views (parameter block, text list, table cells),
// its export files and its table copies. Numbers are written in the C notation whatever the
// locale. Views: 1 picture, 2 text, 3 table.
#pragma once

#include <string>
#include <vector>

struct MATCH_MATRIX;

enum MatrView : int { MATR_VIEW_PICTURE = 1, MATR_VIEW_TEXT = 2, MATR_VIEW_TABLE = 3 };

// The five parameter lines, without line ends.
std::vector<std::string> matr_param_lines(const MATCH_MATRIX* mr);
// A similarity as the picture and the table show it: the value plus 0.5, truncated.
int matr_rounded_similarity(const MATCH_MATRIX* mr, int i, int j);
// The picture's row header: "%4d: %-20s" with the row number from 1 and the whole label, and
// the characters of the header before the body's first column (the longest such line and a
// blank).
std::string matr_picture_row_label(const MATCH_MATRIX* mr, int i);
int matr_picture_label_chars(const MATCH_MATRIX* mr);
// The text view: the parameter block, a blank line, then "label i, label j, similarity" lines.
std::string matr_text_view(const MATCH_MATRIX* mr);
// The table: N + 7 rows and N + 2 columns; a cell's text.
int matr_table_rows(const MATCH_MATRIX* mr);
int matr_table_cols(const MATCH_MATRIX* mr);
std::string matr_table_cell(const MATCH_MATRIX* mr, int row, int col);
// The tab-separated text of a table selection (first column or row 0: whole rows or columns).
std::string matr_copy_text(const MATCH_MATRIX* mr, int first_col, int first_row, int ncols,
                           int nrows);
// The export file of a view, and the filter list and extension its chooser offers.
std::string matr_export_text(const MATCH_MATRIX* mr, int view);
const char* matr_export_filter(int view);
const char* matr_export_ext(int view);
// Asks for the export file in `folder` and writes it whole; a failed write shows ui_msg 244
// with the path and keeps any earlier file. 1 written, 0 cancelled or failed.
int matr_export(const MATCH_MATRIX* mr, int view, const char* folder);
