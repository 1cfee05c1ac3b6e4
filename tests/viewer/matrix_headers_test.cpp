// The matrix dialog's header row and column: each taxon's label whole in the header column, so
// that lanes whose labels differ only at the end read apart; column headers of a bounded width
// that keep the labels' two ends, with the whole label as their tooltip, so that values show
// beside long labels when the dialog opens; columns the user may widen.
#include <gtest/gtest.h>

#include <QtWidgets/QHeaderView>
#include <QtWidgets/QTableView>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "docview/dialog.h"
#include "docview/test_hooks.h"
#include "velto_fixture.h"
#include "viewer/matrix_dialog.h"
#include "viewer/resource.h"
#include "viewer/velto_doc.h"

using namespace velto;

class MatrixHeaders : public vtest::VeltoTest {
 protected:
  // Opens Graph > Matrix on a file of these labels and hands the grid's view to `look`.
  void OpenMatrix(const std::vector<std::string>& labels, const std::function<void(QTableView*)>& look) {
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
      look(view);
      if (const char* dir = std::getenv("VX_GRAB_DIR"))
        d.Grab(std::string(dir) + "/velto_matrix_" + std::to_string(labels.size()) + ".png");
      d.ClickButton(docview::IDOK);
    });
    app_->MainFrame()->RouteCommand(ID_GRAPH_MATRIX);
    EXPECT_TRUE(seen);
  }
};

TEST_F(MatrixHeaders, ShortLabelsShowWholeInBothHeaders) {
  // Labels that share their first characters and differ after them, as the matcher writes them.
  const std::vector<std::string> labels = {"sample_1:1", "sample_2:1", "sample_2:12:lane 12", "Solo"};
  OpenMatrix(labels, [&](QTableView* view) {
    const QFontMetrics heads = view->horizontalHeader()->fontMetrics();
    for (int i = 0; i < static_cast<int>(labels.size()); ++i) {
      const QString label = QString::fromStdString(labels[static_cast<std::size_t>(i)]);
      EXPECT_EQ(view->model()->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString(), label);
      EXPECT_EQ(view->model()->headerData(i, Qt::Vertical, Qt::DisplayRole).toString(), label);
      EXPECT_GE(view->columnWidth(i), heads.horizontalAdvance(label)) << label.toStdString();
    }
  });
}

TEST_F(MatrixHeaders, LongLabelsKeepTheirEndsAndLeaveRoomForTheValues) {
  // 86 characters each, alike up to the lane at the end.
  std::vector<std::string> labels;
  for (int i = 1; i <= 6; ++i) {
    std::string label = "/data/gels/2026/december/experiment_with_a_rather_long_name/gel_number_7:lane " +
                        std::to_string(i) + ":L" + std::to_string(i);
    label.insert(label.find(":lane"), 86 - label.size(), 'x');
    ASSERT_EQ(label.size(), 86u);
    labels.push_back(label);
  }
  docview::test::SetScreenSize(1920, 1080);
  OpenMatrix(labels, [&](QTableView* view) {
    QHeaderView* columns = view->horizontalHeader();
    const QFontMetrics heads = columns->fontMetrics();
    const int whole = heads.horizontalAdvance(QString::fromStdString(labels[0]));
    std::vector<QString> shown;
    for (int i = 0; i < static_cast<int>(labels.size()); ++i) {
      const QString label = QString::fromStdString(labels[static_cast<std::size_t>(i)]);
      // The header column shows each label whole.
      EXPECT_GE(view->verticalHeader()->width(), heads.horizontalAdvance(label));
      // A column header is far narrower than its label, shows the label's two ends, and gives
      // it whole as its tooltip.
      EXPECT_LT(view->columnWidth(i), whole / 2);
      EXPECT_EQ(view->model()->headerData(i, Qt::Horizontal, Qt::ToolTipRole).toString(), label);
      shown.push_back(view->model()->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString());
      EXPECT_TRUE(shown.back().startsWith("/da")) << shown.back().toStdString();
      EXPECT_TRUE(shown.back().endsWith(label.right(3))) << shown.back().toStdString();
      EXPECT_LE(heads.horizontalAdvance(shown.back()), view->columnWidth(i)) << shown.back().toStdString();
    }
    EXPECT_NE(shown[0], shown[5]);
    // At the opening size the header column and the first four columns of values show whole.
    const int viewport = view->viewport()->width();
    EXPECT_LE(view->columnViewportPosition(3) + view->columnWidth(3), viewport)
        << "the viewport is " << viewport << " pixels wide";
    EXPECT_LE(view->window()->frameGeometry().width(), 1920);
    // The user widens a column to read its label whole.
    EXPECT_EQ(columns->sectionResizeMode(2), QHeaderView::Interactive);
    columns->resizeSection(2, whole + 20);
    EXPECT_EQ(view->columnWidth(2), whole + 20);
    EXPECT_EQ(view->model()->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString().toStdString(), labels[2]);
  });
}
