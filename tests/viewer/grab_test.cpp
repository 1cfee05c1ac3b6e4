// Pictures of the viewer's windows on the sample match file: the main frame with each view, with
// bands shown and hidden, fitted to the window and not, and the options and matrix dialogs. The
// pictures land in $VX_GRAB_DIR when it is set (to be looked at), else in the test's folder.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>

#include "docview/dialog.h"
#include "docview/test_hooks.h"
#include "velto_fixture.h"
#include "viewer/resource.h"

using namespace velto;

namespace {

// Pixels darker than mid-grey in the picture's middle band (below the menus and toolbar).
int DarkPixels(const std::string& png) {
  QImage img(QString::fromStdString(png));
  int dark = 0;
  for (int y = img.height() / 4; y < img.height() * 9 / 10; ++y)
    for (int x = 0; x < img.width(); ++x)
      if (qGray(img.pixel(x, y)) < 128) ++dark;
  return dark;
}

class Grabs : public vtest::VeltoTest {
 protected:
  void SetUp() override {
    VeltoTest::SetUp();
    // The real display and the default printer's A4 page, as a user sees them.
    docview::SetDeviceFactory(nullptr);
    const char* d = std::getenv("VX_GRAB_DIR");
    out_ = d && *d ? std::string(d) : dir_.str();
  }
  std::string Png(const std::string& name) { return out_ + "/" + name + ".png"; }
  std::string out_;
};

TEST_F(Grabs, MainFrameWithEachView) {
  struct Case {
    const char* name;
    unsigned command;  // 0: the empty view
    bool bands, fit;
  } cases[] = {
      {"upgma", ID_GRAPH_UPGMA, false, false},          {"upgma_bands", ID_GRAPH_UPGMA, true, false},
      {"upgma_fit", ID_GRAPH_UPGMA, false, true},       {"minimum", ID_GRAPH_MIN_LINKAGE, false, false},
      {"maximum", ID_GRAPH_MAX_LINKAGE, true, false},  {"nbrjoin", ID_GRAPH_NEAREST_NEIGHBOR, false, false},
      {"nbrjoin_bands_fit", ID_GRAPH_NEAREST_NEIGHBOR, true, true},
      {"contig", ID_GRAPH_CONTIG_MAP, false, false},    {"contig_bands", ID_GRAPH_CONTIG_MAP, true, false},
      {"contig_fit", ID_GRAPH_CONTIG_MAP, true, true},  {"empty", 0, false, false},
  };
  for (const Case& c : cases) {
    auto& app = NewApp();
    app.WriteProfileInt("Velto", "ShowBands", c.bands ? 1 : 0);
    app.WriteProfileInt("Velto", "FitToWindow", c.fit ? 1 : 0);
    app.WriteProfileInt("Velto", "InitialView", c.command ? 2 : 0);
    app_.reset();
    ASSERT_TRUE(Start({vtest::SampleDir() + "/sample12.csv"}));
    if (c.command) app_->MainFrame()->RouteCommand(c.command);
    std::string png = Png(std::string("frame_") + c.name);
    ASSERT_TRUE(app_->MainFrame()->Grab(png)) << png;
    if (c.command)
      EXPECT_GT(DarkPixels(png), 500) << c.name;
    else
      EXPECT_EQ(DarkPixels(png), 0) << c.name;
  }
}

TEST_F(Grabs, ScrolledToTheEndOfATallPicture) {
  std::vector<std::string> labels;
  std::vector<std::vector<int>> sims;
  for (int i = 0; i < 60; ++i) {
    labels.push_back("lane " + std::to_string(i + 1));
    std::vector<int> row;
    for (int j = 0; j < i; ++j) row.push_back(i / 3 == j / 3 ? 90 : 30);
    sims.push_back(row);
  }
  ASSERT_TRUE(Start({WriteMatch("tall.csv", vtest::MatchText(labels, sims))}));
  auto* view = dynamic_cast<docview::CScrollView*>(app_->MainFrame()->GetActiveView());
  ASSERT_NE(view, nullptr);
  docview::PumpMessages();
  view->ScrollToPosition({0, 100000});
  EXPECT_GT(view->GetScrollPosition().y, 0);
  std::string png = Png("frame_upgma_scrolled");
  ASSERT_TRUE(app_->MainFrame()->Grab(png));
  EXPECT_GT(DarkPixels(png), 500);
}

TEST_F(Grabs, Menus) {
  ASSERT_TRUE(Start({vtest::SampleDir() + "/sample12.csv"}));
  for (const char* menu : {"&File", "&View", "&Graph", "&Help"}) {
    std::string name = std::string("menu_") + (menu + 1);
    EXPECT_TRUE(app_->MainFrame()->GrabMenu(menu, Png(name))) << menu;
  }
}

TEST_F(Grabs, OptionsAndMatrixDialogs) {
  ASSERT_TRUE(Start({vtest::SampleDir() + "/sample12.csv"}));
  bool grabbed = false;
  docview::test::SetDialogProc([&](docview::CDialog& d) { grabbed = d.Grab(Png("dialog_options")); });
  app_->MainFrame()->RouteCommand(ID_VIEW_OPTIONS);
  EXPECT_TRUE(grabbed);
  grabbed = false;
  docview::test::SetDialogProc([&](docview::CDialog& d) {
    d.Resize(640, 360);
    grabbed = d.Grab(Png("dialog_matrix"));
  });
  app_->MainFrame()->RouteCommand(ID_GRAPH_MATRIX);
  EXPECT_TRUE(grabbed);
  docview::test::SetDialogProc([&](docview::CDialog& d) { grabbed = d.Grab(Png("dialog_about")); });
  app_->MainFrame()->RouteCommand(docview::ID_APP_ABOUT);
}

}  // namespace
