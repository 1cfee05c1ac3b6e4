#include "viewer/matrix_dialog.h"

#include <algorithm>
#include <cstdio>

#include "docview/wait_cursor.h"
#include "viewer/global_options.h"
#include "viewer/resource.h"
#include "viewer/velto_doc.h"
#include "viewer/velto_view.h"

namespace velto {

namespace {
docview::DialogTemplate MatrixTemplate() {
  docview::DialogTemplate t;
  t.title = "Similarity Matrix";
  t.w = 186;
  t.h = 145;
  t.resizable = true;
  t.controls = {{docview::DialogControl::Grid, IDC_GRID, "", 0, 0, 186, 145}};
  return t;
}
}  // namespace

std::string MatrixCellText(const CVeltoDoc& doc, int scale_type, int row, int col) {
  if (row == 0 && col == 0) return {};
  if (row == 0) return doc.Label(static_cast<std::size_t>(col - 1));
  if (col == 0) return doc.Label(static_cast<std::size_t>(row - 1));
  float d = doc.Distance(static_cast<std::size_t>(row - 1), static_cast<std::size_t>(col - 1));
  double v = scale_type == 0 ? 100.0 - d : d;
  // A cell holds 20 characters: a value from a damaged file is cut, never overflows.
  char buf[20];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  return buf;
}

namespace {
constexpr std::size_t kHeaderStart = 6;  // characters of the image name a column header keeps
constexpr std::size_t kHeaderWhole = 10;  // characters of another label it keeps
constexpr std::size_t kRowStart = 10;     // characters of the image name a row header keeps
constexpr std::size_t kRowWhole = 24;     // characters of a row header

// The first `keep` characters (UTF-8 code points) of a text, with an ellipsis when it was cut.
std::string cut(const std::string& text, std::size_t keep) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (chars++ == keep) return text.substr(0, i) + "\u2026";
  }
  return text;
}

bool all_digits(const std::string& s) {
  if (s.empty()) return false;
  for (char ch : s)
    if (ch < '0' || ch > '9') return false;
  return true;
}
}  // namespace

std::string MatrixColumnHeader(const std::string& label) {
  const std::size_t first = label.find(':');
  if (first != std::string::npos) {
    const std::size_t second = label.find(':', first + 1);
    const std::string lane = label.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    if (all_digits(lane)) return cut(label.substr(0, first), kHeaderStart) + ":" + lane;
  }
  return cut(label, kHeaderWhole);
}

std::string MatrixRowHeader(const std::string& label) {
  const std::size_t first = label.find(':');
  if (first == std::string::npos) return cut(label, kRowWhole);
  return cut(cut(label.substr(0, first), kRowStart) + label.substr(first), kRowWhole);
}

MatrixDialog::MatrixDialog(CVeltoDoc& doc) : docview::CDialog(MatrixTemplate()), doc_(doc) {}

bool MatrixDialog::OnInitDialog() {
  docview::CWaitCursor wait;
  docview::CDialog::OnInitDialog();
  int n = static_cast<int>(doc_.TaxonCount());
  if (n == 0) return true;
  docview::CGridCtrl* grid = GetGrid(IDC_GRID);
  if (!grid) return true;
  grid->SetRows(n + 1);
  grid->SetCols(n + 1);
  int scale = Options().GetScaleType();
  const CVeltoDoc* doc = &doc_;
  grid->SetCellSource([doc, scale](int r, int c) { return MatrixCellText(*doc, scale, r, c); });
  // Narrow columns, as wide as the widest short header or value, so that the dialog shows
  // values beside the row names; the headers keep each lane's image and number.
  grid->SetColumnHeaderSource([doc](int c) { return MatrixColumnHeader(doc->Label(static_cast<std::size_t>(c - 1))); });
  grid->FitColumnWidth("100.0");
  grid->SetRowHeaderSource([doc](int r) { return MatrixRowHeader(doc->Label(static_cast<std::size_t>(r - 1))); });
  SetWindowText(scale == 1 ? "Distance Matrix" : "Similarity Matrix");
  return true;
}

void MatrixDialog::OnSize(int w, int h) {
  if (docview::CGridCtrl* grid = GetGrid(IDC_GRID)) grid->MoveWindow(0, 0, w, h);
}

}  // namespace velto
