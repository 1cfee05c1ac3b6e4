// The matrix dialog: the document's whole distance or similarity matrix in a grid, labels in the
// header row and column. Cells are formatted when the grid shows them, so a thousand lanes cost
// nothing until they are seen.
#pragma once

#include <string>

#include "docview/dialog.h"

namespace velto {

class CVeltoDoc;

// The text of grid cell (row, col): the labels in row 0 and column 0, else the value of taxa
// row - 1 and col - 1 with one decimal (similarity for scale type 0, distance for 1), cut to the
// 19 characters a cell holds.
std::string MatrixCellText(const CVeltoDoc& doc, int scale_type, int row, int col);
class MatrixDialog : public docview::CDialog {
 public:
  explicit MatrixDialog(CVeltoDoc& doc);
  bool OnInitDialog() override;
  void OnSize(int w, int h) override;

 private:
  CVeltoDoc& doc_;
};

}  // namespace velto
