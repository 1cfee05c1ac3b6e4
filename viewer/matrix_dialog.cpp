#include "viewer/matrix_dialog.h"

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
  // Row 0 and column 0 hold the labels whole, so that lanes whose labels differ only at the end
  // stay apart; every column is as wide as the widest label or value.
  grid->FitColumnWidth("100.0");
  SetWindowText(scale == 1 ? "Distance Matrix" : "Similarity Matrix");
  return true;
}

void MatrixDialog::OnSize(int w, int h) {
  if (docview::CGridCtrl* grid = GetGrid(IDC_GRID)) grid->MoveWindow(0, 0, w, h);
}

}  // namespace velto
