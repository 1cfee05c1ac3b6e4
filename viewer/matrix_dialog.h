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
// A label as the grid's column header shows it: a label "image:lane:name" keeps the start of the
// image name and the lane number ("gel_of\u2026:12"); any other label its first characters.
// Cut texts end in an ellipsis.
std::string MatrixColumnHeader(const std::string& label);
// A label as the grid's row header shows it: a long image name is cut as in the column headers,
// the lane number and name follow, and the whole is cut after 24 characters.
std::string MatrixRowHeader(const std::string& label);

class MatrixDialog : public docview::CDialog {
 public:
  explicit MatrixDialog(CVeltoDoc& doc);
  bool OnInitDialog() override;
  void OnSize(int w, int h) override;

 private:
  CVeltoDoc& doc_;
};

}  // namespace velto
