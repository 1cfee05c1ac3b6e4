// Match matrix texts: see matr_text.h.
#include "analysis/matr_text.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "model/match_matrix.h"
#include "analysis/matr_velto.h"
#include "analysis/num_text.h"
#include "base/ks_choose.h"
#include "base/ks_msg.h"
#include "io/byte_io.h"

namespace {

const char* const kParamLabels[5] = {
    "Match Method:", "Band Size % Tolerance:", "InterBand Spacing % Tolerance:",
    "Volume % Tolerance:", "Lane Match % Threshold:"};

std::string param_value(const MATCH_MATRIX* mr, int k) {
  switch (k) {
    case 0: return matr_method_name(mr->method);
    case 1: return num_fixed(mr->band_size_tol, 3);
    case 2: return num_fixed(mr->spacing_tol, 3);
    case 3: return num_fixed(mr->volume_tol, 3);
    default: return num_fixed(mr->match_threshold, 3);
  }
}

std::string pad_right(std::string s, std::size_t w) {
  if (s.size() < w) s.append(w - s.size(), ' ');
  return s;
}
std::string pad_left(std::string s, std::size_t w) {
  if (s.size() < w) s.insert(0, w - s.size(), ' ');
  return s;
}
std::string label(const MATCH_MATRIX* mr, int i) {
  const char* l = ks_mr_label(mr, i);
  return l ? l : "";
}

}  // namespace

std::vector<std::string> matr_param_lines(const MATCH_MATRIX* mr) {
  std::vector<std::string> out;
  for (int k = 0; k < 5; ++k) out.push_back(pad_right(kParamLabels[k], 33) + param_value(mr, k));
  return out;
}

int matr_rounded_similarity(const MATCH_MATRIX* mr, int i, int j) {
  return static_cast<int>(ks_mr_similarity(mr, i, j) + 0.5);
}

std::string matr_text_view(const MATCH_MATRIX* mr) {
  std::string t;
  for (const std::string& l : matr_param_lines(mr)) t += l + "\n";
  t += "\n\n";
  const int n = ks_mr_count(mr);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < i; ++j)
      t += pad_right(label(mr, i), 20) + " " + pad_right(label(mr, j), 20) + " " +
           num_fixed(ks_mr_similarity(mr, i, j), 1, 5) + "\n";
  return t;
}

int matr_table_rows(const MATCH_MATRIX* mr) { return ks_mr_count(mr) + 7; }
int matr_table_cols(const MATCH_MATRIX* mr) { return ks_mr_count(mr) + 2; }

std::string matr_table_cell(const MATCH_MATRIX* mr, int row, int col) {
  const int n = ks_mr_count(mr);
  if (row < 0 || col < 0 || row >= n + 7 || col >= n + 2) return "";
  if (row == 0) return col >= 2 ? std::to_string(col - 1) : "";
  if (row <= 5) {
    if (col == 1) return kParamLabels[row - 1];
    if (col == 2) return param_value(mr, row - 1);
    return "";
  }
  if (row == 6) return "";
  const int i = row - 7;
  if (col == 0) return std::to_string(row - 6);
  if (col == 1) return label(mr, i);
  return pad_left(std::to_string(matr_rounded_similarity(mr, i, col - 2)), 3);
}

std::string matr_picture_row_label(const MATCH_MATRIX* mr, int i) {
  const char* l = ks_mr_label(mr, i);
  char num[16];
  std::snprintf(num, sizeof num, "%4d: ", i + 1);
  std::string text = std::string(num) + (l ? l : "");
  if (text.size() < 26) text.resize(26, ' ');
  return text;
}

int matr_picture_label_chars(const MATCH_MATRIX* mr) {
  std::size_t longest = 20;
  for (int i = 0; i < ks_mr_count(mr); ++i)
    if (const char* l = ks_mr_label(mr, i)) longest = std::max(longest, std::strlen(l));
  // Six characters of row number before the label and one blank after it; a label beyond any
  // sensible length still leaves the header a bounded width.
  return static_cast<int>(std::min<std::size_t>(longest, 4096)) + 7;
}

std::string matr_copy_text(const MATCH_MATRIX* mr, int first_col, int first_row, int ncols,
                           int nrows) {
  if (ncols == 0 && nrows == 0) return "";
  const int rows = matr_table_rows(mr), cols = matr_table_cols(mr);
  if (first_col == 0) first_col = 1, ncols = cols;
  if (first_row == 0) first_row = 1, nrows = rows;
  const int last_col = std::min(first_col + ncols, cols), last_row = std::min(first_row + nrows, rows);
  std::string t;
  for (int r = first_row; r < last_row; ++r) {
    for (int c = first_col; c < last_col; ++c) t += matr_table_cell(mr, r, c) + "\t";
    t += "\n";
  }
  return t;
}

std::string matr_export_text(const MATCH_MATRIX* mr, int view) {
  const int n = ks_mr_count(mr);
  std::string t = std::to_string(n) + "\nVX " + std::to_string(mr->method);
  for (double v : {mr->band_size_tol, mr->spacing_tol, mr->volume_tol, mr->match_threshold})
    t += " " + num_fixed(v, 6);
  t += "\n";
  if (view == MATR_VIEW_TEXT) {
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < i; ++j)
        t += pad_left(label(mr, i), 20) + " " + pad_left(label(mr, j), 20) + " " +
             num_fixed(ks_mr_similarity(mr, i, j), 1, 5) + "\n";
    return t;
  }
  const std::string sep = view == MATR_VIEW_TABLE ? "," : " ";
  for (int i = 0; i < n; ++i) {
    t += label(mr, i) + sep + " ";
    for (int j = 0; j < i; ++j) {
      if (j > 0) t += sep;
      t += num_fixed(ks_mr_similarity(mr, i, j), 1, 5);
    }
    t += "\n";
  }
  return t;
}

const char* matr_export_filter(int view) {
  return view == MATR_VIEW_TABLE ? "Text Files (*.txt)\0*.txt\0All Files (*.*)\0*.*\0"
                                 : "CSV Files (*.csv)\0*.csv\0All Files (*.*)\0*.*\0";
}

const char* matr_export_ext(int view) { return view == MATR_VIEW_TABLE ? ".txt" : ".csv"; }

int matr_export(const MATCH_MATRIX* mr, int view, const char* folder) {
  char path[1024] = "";
  if (io_win32_savefile(path, sizeof path, "Save Match Results...", folder, nullptr,
                        matr_export_filter(view), matr_export_ext(view)) != 1)
    return 0;
  const std::string text = matr_export_text(mr, view);
  if ((access(path, F_OK) == 0 && access(path, W_OK) != 0) ||
      !io_write_file_replace(path, text.data(), text.size())) {
    mh_send_msg(1, ui_msg(244), path);
    return 0;
  }
  return 1;
}
