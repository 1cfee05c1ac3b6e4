// Printing: the page count, page-high slices that meet without a row lost or drawn twice, fit to
// window on one page, print preview, and a real print through the print dialog to a PDF file
// that Ghostscript renders.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "docview/test_hooks.h"
#include "velto_fixture.h"
#include "viewer/dendrogram_view.h"
#include "viewer/resource.h"

using namespace velto;

namespace {

// `n` lanes in pairs of close lanes, every lane with a few bands.
std::string ManyLanes(int n, const std::string& method = "Dice") {
  std::vector<std::string> labels;
  std::vector<std::vector<int>> sims;
  std::vector<std::vector<float>> bands;
  for (int i = 0; i < n; ++i) {
    labels.push_back("lane, " + std::to_string(i + 1));
    std::vector<int> row;
    for (int j = 0; j < i; ++j) row.push_back(i / 2 == j / 2 ? 95 : 10 + (i * 7 + j * 3) % 60);
    sims.push_back(row);
    bands.push_back({2000.0f - i, 900.0f + i, 150.0f + i});
  }
  std::string text = vtest::MatchText(labels, sims, bands);
  text.replace(text.find("Dice"), 4, method);
  return text;
}

class Printing : public vtest::VeltoTest {
 protected:
  DendrogramView* View() { return dynamic_cast<DendrogramView*>(app_->MainFrame()->GetActiveView()); }
  bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }
};

TEST_F(Printing, PagesAreSlicesThatMeetExactly) {
  ASSERT_TRUE(Start({WriteMatch("many.csv", ManyLanes(150))}));
  DendrogramView* view = View();
  ASSERT_NE(view, nullptr);
  // 480 + 40 * 150 units over pages of 2970: three pages.
  EXPECT_EQ(view->Extent().cy, 6480);
  ASSERT_EQ(view->PageCount(), 3u);

  std::map<std::string, int> pages_of_label;
  for (unsigned page = 1; page <= 3; ++page) {
    auto m = vtest::FixedMetrics();
    m.printing = true;
    auto dev = std::make_shared<docview::RecordingDevice>(m);
    docview::CDC dc(dev);
    docview::CPrintInfo info;
    info.m_nCurPage = page;
    view->OnPrepareDC(&dc, &info);
    view->OnPrint(&dc, &info);
    for (const auto& t : dev->texts)
      if (t.text.rfind("lane, ", 0) == 0 && t.device_y >= 0 && t.device_y < m.page_h)
        ++pages_of_label[t.text];
  }
  EXPECT_EQ(pages_of_label.size(), 150u);
  for (const auto& [label, count] : pages_of_label) EXPECT_EQ(count, 1) << label;

  // Fitted to the window, the whole picture goes onto one page and fills it.
  app_->MainFrame()->RouteCommand(ID_VIEW_FIT_TO_WINDOW);
  EXPECT_EQ(view->PageCount(), 1u);
  auto m = vtest::FixedMetrics();
  m.printing = true;
  auto dev = std::make_shared<docview::RecordingDevice>(m);
  docview::CDC dc(dev);
  docview::CPrintInfo info;
  view->OnPrepareDC(&dc, &info);
  view->OnPrint(&dc, &info);
  EXPECT_EQ(dc.LPtoDP(docview::CPoint{2100, -6480}), (docview::CPoint{2100, 2970}));
}

TEST_F(Printing, ThroughThePrintDialogToPdfAndPreview) {
  if (docview::PrinterInstalled()) GTEST_SKIP() << "a printer is installed";
  docview::SetDeviceFactory(nullptr);  // the real default printer: a PDF file on A4
  std::string text = ManyLanes(150, std::string(300, 'P'));
  ASSERT_TRUE(Start({WriteMatch("many.csv", text)}));
  DendrogramView* view = View();
  ASSERT_NE(view, nullptr);
  unsigned pages = view->PageCount();
  EXPECT_GE(pages, 2u);

  int previewed = -1;
  docview::test::SetPreviewProc([&](int n) { previewed = n; });
  app_->MainFrame()->RouteCommand(docview::ID_FILE_PRINT_PREVIEW);
  EXPECT_EQ(previewed, static_cast<int>(pages));

  const char* keep = std::getenv("VX_GRAB_DIR");
  std::string out = keep && *keep ? std::string(keep) : dir_.str();
  std::string pdf = out + "/print.pdf";
  docview::test::AnswerPrintDialog(pdf);
  app_->MainFrame()->RouteCommand(docview::ID_FILE_PRINT);
  ASSERT_TRUE(std::filesystem::exists(pdf));
  std::filesystem::create_directories(dir_.file("pages"));
  ASSERT_TRUE(Run("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pnggray -r40 -sOutputFile=" +
                  dir_.file("pages") + "/p%d.png " + pdf));
  unsigned rendered = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir_.file("pages"))) (void)e, ++rendered;
  EXPECT_EQ(rendered, pages);

  // Fitted: one page.
  app_->MainFrame()->RouteCommand(ID_VIEW_FIT_TO_WINDOW);
  std::string fit = out + "/print_fit.pdf";
  docview::test::AnswerPrintDialog(fit);
  app_->MainFrame()->RouteCommand(docview::ID_FILE_PRINT);
  std::filesystem::create_directories(dir_.file("fit"));
  ASSERT_TRUE(Run("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pnggray -r40 -sOutputFile=" +
                  dir_.file("fit") + "/p%d.png " + fit));
  rendered = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir_.file("fit"))) (void)e, ++rendered;
  EXPECT_EQ(rendered, 1u);

  // The empty view prints nothing; a cancelled dialog prints nothing.
  app_->MainFrame()->RouteCommand(ID_GRAPH_UPGMA);
  docview::test::AnswerPrintDialog("");
  app_->MainFrame()->RouteCommand(docview::ID_FILE_PRINT);
  EXPECT_EQ(docview::test::Unanswered(), 0);
}

}  // namespace
