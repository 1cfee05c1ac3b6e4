// The matrix dialog's header row and column: each taxon's label whole, so that lanes whose labels
// differ only at the end read apart, in columns wide enough to show it.
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

class MatrixHeaders : public vtest::VeltoTest {};

TEST_F(MatrixHeaders, ShowEachLabelWhole) {
  // Labels that share their first characters and differ after them, as the matcher writes them.
  const std::vector<std::string> labels = {"sample_1:1", "sample_2:1", "sample_2:12:lane twelve",
                                           "gel_of_the_day_2026:3:L3", "Solo"};
  std::vector<std::vector<int>> sims;
  for (std::size_t i = 0; i < labels.size(); ++i) sims.push_back(std::vector<int>(i, 80));
  ASSERT_TRUE(Start({WriteMatch("labels.csv", vtest::MatchText(labels, sims))}));
  bool seen = false;
  docview::test::SetDialogProc([&](docview::CDialog& d) {
    seen = true;
    docview::CGridCtrl* grid = d.GetGrid(IDC_GRID);
    ASSERT_NE(grid, nullptr);
    auto* view = static_cast<QTableView*>(grid->widget);
    ASSERT_NE(view, nullptr);
    const QFontMetrics heads = view->horizontalHeader()->fontMetrics();
    for (int i = 0; i < static_cast<int>(labels.size()); ++i) {
      const QString label = QString::fromStdString(labels[static_cast<std::size_t>(i)]);
      EXPECT_EQ(view->model()->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString(), label);
      EXPECT_EQ(view->model()->headerData(i, Qt::Vertical, Qt::DisplayRole).toString(), label);
      EXPECT_GE(view->columnWidth(i), heads.horizontalAdvance(label)) << labels[static_cast<std::size_t>(i)];
    }
    if (const char* dir = std::getenv("VX_GRAB_DIR")) d.Grab(std::string(dir) + "/velto_matrix_dialog.png");
    d.ClickButton(docview::IDOK);
  });
  app_->MainFrame()->RouteCommand(ID_GRAPH_MATRIX);
  EXPECT_TRUE(seen);
}
