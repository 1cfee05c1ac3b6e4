#include "viewer/matrix_dialog.h"

#include <cstdio>

#include "docview/wait_cursor.h"
#include "viewer/global_options.h"
#include "viewer/resource.h"
#include "viewer/velto_doc.h"
#include "viewer/velto_view.h"

namespace velto {

namespace {
constexpr int kColumnsShown = 4;

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
  // The row headers show the labels whole; the column headers, of a bounded width, show their
  // ends (where labels that share a beginning differ) and the whole label as their tooltip.
  grid->FitColumnWidth("100.0");
  // At its opening size the dialog shows the row headers and the first few columns of values,
  // as far as the screen allows.
  WidenTo(grid->WidthToShow(kColumnsShown));
  SetWindowText(scale == 1 ? "Distance Matrix" : "Similarity Matrix");
  return true;
}

void MatrixDialog::OnSize(int w, int h) {
  if (docview::CGridCtrl* grid = GetGrid(IDC_GRID)) grid->MoveWindow(0, 0, w, h);
}

}  // namespace velto
