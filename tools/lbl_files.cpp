// The label grids' cells and files.
#include "tools/lbl_files.h"

#include <algorithm>
#include <fstream>

#include "base/io_file_set.h"
#include "base/ks_choose.h"

const char LBL_NOT_SET[] = "<not set>";
const char LBL_REMOVE[] = "<remove>";

namespace {

// At most `cap` bytes of the text.
std::string cut(std::string_view t, int cap) {
  return std::string(t.substr(0, std::min<std::size_t>(t.size(), static_cast<std::size_t>(cap))));
}

bool write_whole(const std::string& text, const char* path) {
  if (!path || !*path) return false;
  IoFileSet set;
  return set.put(path, text.data(), text.size()) && set.commit();
}

// The lines of a file, without their line ends (LF or CRLF). false when it cannot be opened.
bool read_lines(const char* path, std::vector<std::string>* lines) {
  if (!path) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines->push_back(std::move(line));
  }
  return true;
}

std::string_view skip_blanks(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  return s.substr(i);
}

// Fields separated by commas, every double quote dropped.
std::vector<std::string> plain_fields(std::string_view line) {
  std::vector<std::string> out(1);
  for (char ch : line) {
    if (ch == ',')
      out.emplace_back();
    else if (ch != '"')
      out.back() += ch;
  }
  return out;
}

// Fields of a label file line: a field that opens with a quote runs to a quote that a comma or
// the line's end follows; other quotes are dropped.
std::vector<std::string> quoted_fields(std::string_view line) {
  std::vector<std::string> out;
  std::size_t i = 0;
  for (;;) {
    std::string f;
    if (i < line.size() && line[i] == '"') {
      ++i;
      for (; i < line.size(); ++i) {
        if (line[i] == '"' && (i + 1 == line.size() || line[i + 1] == ',')) {
          ++i;
          break;
        }
        if (line[i] != '"') f += line[i];
      }
    } else {
      for (; i < line.size() && line[i] != ','; ++i)
        if (line[i] != '"') f += line[i];
    }
    out.push_back(std::move(f));
    if (i >= line.size()) break;
    ++i;  // the comma
  }
  return out;
}

std::string quoted(const std::string& s) { return '"' + s + '"'; }

int index_of(const std::vector<std::string>& names, const std::string& name) {
  for (std::size_t k = 0; k < names.size(); ++k)
    if (names[k] == name) return static_cast<int>(k);
  return -1;
}

}  // namespace

void LabelCells::resize(int c, int r, int max_len) {
  cols = std::max(0, c);
  rows = std::max(0, r);
  cap = max_len;
  cell.assign(static_cast<std::size_t>(cols) * rows, std::string());
}

void LabelCells::clear() {
  for (std::string& s : cell) s.clear();
}

void LabelCells::set(int r, int c, std::string_view text) {
  if (r < 0 || c < 0 || r >= rows || c >= cols) return;
  cell[static_cast<std::size_t>(r) * cols + c] = cut(text, cap);
}

bool lbl_row_has_value(const LabelCells& g, int row, int from_col) {
  if (row < 1 || row > g.rows) return false;
  for (int c = std::max(1, from_col); c <= g.cols; ++c)
    if (!g.at(row - 1, c - 1).empty()) return true;
  return false;
}

bool lbl_any_value_from(const LabelCells& g, int row) {
  for (int r = std::max(1, row); r <= g.rows; ++r)
    if (lbl_row_has_value(g, r, 1)) return true;
  return false;
}

bool lbl_row_not_number(const LabelCells& g, int row) {
  if (row < 1 || row > g.rows) return false;
  for (int c = 0; c < g.cols; ++c) {
    const std::string& s = g.at(row - 1, c);
    if (!s.empty() && !ks_valok(s.c_str())) return true;
  }
  return false;
}

bool lbl_any_not_number(const LabelCells& g) {
  for (int r = 1; r <= g.rows; ++r)
    if (lbl_row_not_number(g, r)) return true;
  return false;
}

bool lbl_category_less(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return !a.empty() && b.empty();
  return a < b;  // std::string compares bytes as unsigned
}

int lbl_lanechar_write(const LabelCells& g, const std::vector<std::string>& saved_as,
                       const char* path) {
  if (g.cols <= 0 || g.rows <= 0) return -1;
  std::string out;
  const int n = std::min({g.rows, LBL_BOX_ROWS, static_cast<int>(saved_as.size())});
  for (int r = 0; r < n; ++r) {
    const std::string& name = saved_as[static_cast<std::size_t>(r)];
    if (name.empty() || name == LBL_NOT_SET || name == LBL_REMOVE) continue;
    out += quoted(name);
    for (int c = 0; c < g.cols; ++c) out += ',' + quoted(g.at(r, c));
    out += '\n';
  }
  return write_whole(out, path) ? 0 : -1;
}

int lbl_lanechar_read(LabelCells& g, const std::vector<std::string>& rows, const char* path,
                      std::vector<LblSkippedLine>* skipped) {
  if (skipped) skipped->clear();
  if (g.cols <= 0 || g.rows <= 0) return -1;
  std::vector<std::string> lines;
  if (!read_lines(path, &lines)) return -1;
  g.clear();
  // A row takes the first line that names its category: a later line of the same name (two
  // row boxes saved under one category) would lay other values over it.
  std::vector<bool> filled(static_cast<std::size_t>(g.rows), false);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::vector<std::string> f = quoted_fields(skip_blanks(lines[i]));
    const std::string name = cut(f[0], LBL_NAME_LEN);
    const int r = index_of(rows, name);
    if (r < 0 || r >= g.rows) continue;
    if (filled[static_cast<std::size_t>(r)]) {
      if (skipped) skipped->push_back({static_cast<int>(i) + 1, name});
      continue;
    }
    filled[static_cast<std::size_t>(r)] = true;
    for (int c = 0; c < g.cols && c + 1 < static_cast<int>(f.size()); ++c) g.set(r, c, f[c + 1]);
  }
  return 0;
}

int lbl_cat_write(const std::vector<std::string>& names, const char* path) {
  std::string out;
  for (const std::string& n : names) out += quoted(cut(n, LBL_NAME_LEN)) + '\n';
  return write_whole(out, path) ? 0 : -1;
}

int lbl_sel_write(const LabelCells& g, const char* path) {
  int last = 0;
  for (int r = 1; r <= g.rows; ++r)
    if (lbl_row_has_value(g, r, 1)) last = r;
  std::string out;
  for (int r = 0; r < last; ++r) {
    int end = 0;
    for (int c = 0; c < g.cols; ++c)
      if (!g.at(r, c).empty()) end = c + 1;
    for (int c = 0; c < end; ++c) out += (c ? "," : "") + quoted(g.at(r, c));
    out += '\n';
  }
  return write_whole(out, path) ? 0 : -1;
}

int lbl_sel_read(LabelCells& g, const std::vector<std::string>& categories, const char* path,
                 const LblGoOn& go_on) {
  std::vector<std::string> lines;
  if (!read_lines(path, &lines)) return -1;
  bool over = lines.size() > static_cast<std::size_t>(LBL_SEL_ROWS);
  for (const std::string& l : lines)
    if (std::count(l.begin(), l.end(), ',') + 1 > LBL_SEL_COLS) over = true;
  if (over && go_on && !go_on()) return -1;
  g.clear();
  const std::size_t n = std::min(lines.size(), categories.size());
  for (std::size_t i = 0; i < n; ++i) {
    const std::vector<std::string> f = plain_fields(skip_blanks(lines[i]));
    const int k = index_of(categories, cut(f[0], LBL_CELL_LEN));
    if (k < 0 || k >= std::min(g.rows, LBL_SEL_ROWS)) continue;  // no row for that category
    for (int c = 0; c < g.cols && c < static_cast<int>(f.size()); ++c) g.set(k, c, f[c]);
  }
  return 0;
}

int lbl_std_write(const LabelCells& g, const char* path) {
  int last = 0;
  for (int r = 1; r <= g.rows; ++r)
    if (lbl_row_has_value(g, r, 1)) last = r;
  std::string out;
  for (int r = 0; r < last; ++r) out += g.at(r, 0) + '\n';
  return write_whole(out, path) ? 0 : -1;
}

int lbl_std_read(LabelCells& g, const char* path, const LblGoOn& go_on) {
  std::vector<std::string> lines;
  if (!read_lines(path, &lines)) return -1;
  bool over = lines.size() > static_cast<std::size_t>(LBL_STD_ROWS);
  for (const std::string& l : lines)
    if (l.find(',') != std::string::npos) over = true;
  if (over && go_on && !go_on()) return -1;
  g.clear();
  const int n = std::min(static_cast<int>(lines.size()), std::min(g.rows, LBL_STD_ROWS));
  for (int i = 0; i < n && g.cols > 0; ++i) g.set(i, 0, plain_fields(skip_blanks(lines[i]))[0]);
  return 0;
}
