// The matrix dialog's column headers and widths: long lane labels keep their image and lane
// number, and the dialog at its own size shows values beside the row names.
#include <gtest/gtest.h>

#include <QtWidgets/QHeaderView>
#include <QtWidgets/QTableView>
#include <cstdlib>
#include <string>
#include <vector>

#include "docview/dialog.h"
#include "docview/test_hooks.h"
#include "velto_fixture.h"
#include "viewer/matrix_dialog.h"
#include "viewer/resource.h"
#include "viewer/velto_doc.h"

using namespace velto;

TEST(MatrixHeaders, KeepTheStartOfTheLabelAndTheLaneNumber) {
  struct Case {
    const char* label;
    const char* header;
  } cases[] = {
      {"gel:1:", "gel:1"},
      {"gel:12:sample", "gel:12"},
      {"gel_of_the_day:12:sample twelve", "gel_of\u2026:12"},
      {"Solo", "Solo"},
      {"a label without any lane", "a label wi\u2026"},
      {"gel:x:name", "gel:x:name"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(MatrixColumnHeader(c.label), c.header) << c.label;
  // Row names keep more: the image's start, the lane number and the lane's name.
  EXPECT_EQ(MatrixRowHeader("gel:12:sample"), "gel:12:sample");
  EXPECT_EQ(MatrixRowHeader("gel_of_the_day:3:L3"), "gel_of_the\u2026:3:L3");
  EXPECT_EQ(MatrixRowHeader("gel_of_the_day_2026:12:sample twelve"), "gel_of_the\u2026:12:sample tw\u2026");
  EXPECT_EQ(MatrixRowHeader("gel_of_the_day_2026:12:a very long lane name"), "gel_of_the\u2026:12:a very lo\u2026");
  EXPECT_EQ(MatrixRowHeader("Solo"), "Solo");
}

class MatrixDialogSize : public vtest::VeltoTest {};

TEST_F(MatrixDialogSize, ShowsValuesBesideTheRowNames) {
  NewApp();
  std::vector<std::string> labels;
  std::vector<std::vector<int>> sims;
  for (int i = 0; i < 12; ++i) {
    labels.push_back("gel_of_the_day_2026:" + std::to_string(i + 1) + ":sample " + std::to_string(i + 1));
    sims.push_back(std::vector<int>(static_cast<std::size_t>(i), 80));
  }
  CVeltoDoc doc;
  ASSERT_TRUE(doc.OnOpenDocument(WriteMatch("long.csv", vtest::MatchText(labels, sims))));
  bool seen = false;
  docview::test::SetDialogProc([&](docview::CDialog& d) {
    seen = true;
    docview::CGridCtrl* grid = d.GetGrid(IDC_GRID);
    ASSERT_NE(grid, nullptr);
    auto* view = static_cast<QTableView*>(grid->widget);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(grid->GetText(0, 12), labels[11]);  // the grid's cell keeps the whole label
    EXPECT_EQ(grid->GetColumnHeader(12), "gel_of\u2026:12");
    EXPECT_EQ(grid->GetRowHeader(12), "gel_of_the\u2026:12:sample 12");
    EXPECT_EQ(view->model()->headerData(11, Qt::Horizontal, Qt::DisplayRole).toString().toStdString(), "gel_of\u2026:12");
    // At the dialog's own size a whole column of values and part of the next stand beside the
    // row names.
    const int shown = view->viewport()->width();
    EXPECT_LE(view->columnViewportPosition(0) + view->columnWidth(0), shown)
        << "viewport " << shown << ", column width " << view->columnWidth(0);
    EXPECT_LT(view->columnViewportPosition(1), shown);
    if (const char* dir = std::getenv("VX_GRAB_DIR")) d.Grab(std::string(dir) + "/velto_matrix_dialog.png");
    d.ClickButton(docview::IDOK);
  });
  MatrixDialog(doc).DoModal();
  EXPECT_TRUE(seen);
}
