// The image tools on an image window: lines and rectangles dragged at several zooms and in every
// direction, the tools' size limits, crops and the close box, the rubber band and the readout.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/ks_msg.h"
#include "image_view_fixture.h"
#include "shell/ui_tools.h"
#include "shell_fixture.h"
#include "tools/ui_illus.h"
#include "tools/ui_results.h"
#include "toolkit/tk_test.h"

namespace {

std::vector<std::pair<TkPoint, TkPoint>> s_crops;
void record_crop(const TkPoint* a, const TkPoint* b) { s_crops.emplace_back(*a, *b); }

class Tools : public ::testing::Test {
 protected:
  void SetUp() override {
    shelltest::load_resources();
    TKT_Enable(true);
    view_ = std::make_unique<shelltest::ImageView>(160, 120);
    s_crops.clear();
  }
  void TearDown() override {
    ui_tools_dismiss();
    TKT_SetImageMapping(false);
    view_.reset();
    TKT_Enable(false);
  }
  void open(int tool) {
    ui_tools_activate(view_->win, view_->area, tool, record_crop, view_->image->img_ptr, nullptr);
  }
  // A drag from a to b in image pixels at the view's zoom.
  void drag(TkPoint a, TkPoint b) {
    TKT_Press(view_->area, a.x, a.y);
    TKT_Drag(view_->area, (a.x + b.x) / 2, (a.y + b.y) / 2);
    TKT_Drag(view_->area, b.x, b.y);
    TKT_Release(view_->area, b.x, b.y);
  }
  std::unique_ptr<shelltest::ImageView> view_;
};

bool same(TkPoint a, TkPoint b) { return a.x == b.x && a.y == b.y; }

TEST_F(Tools, RectanglesAndLinesAtEachZoom) {
  for (int zoom : {1, 3, -2}) {
    SCOPED_TRACE(zoom);
    view_->zoom(zoom);
    TKT_SetImageMapping(true, zoom, 1.0);
    // Rectangles dragged in all four directions reach the histogram with their corners as
    // dragged.
    const TkPoint c{30, 30};
    for (TkPoint d : {TkPoint{8, 6}, TkPoint{-8, 6}, TkPoint{8, -6}, TkPoint{-8, -6}}) {
      const int before = ui_hist_last().calls;
      open(UI_TOOL_HISTOGRAM);
      const TkPoint e{c.x + d.x, c.y + d.y};
      drag(c, e);
      ASSERT_EQ(ui_hist_last().calls, before + 1) << d.x << "," << d.y;
      EXPECT_TRUE(same(ui_hist_last().start, c));
      EXPECT_TRUE(same(ui_hist_last().end, e));
      EXPECT_EQ(ui_tools_window(), nullptr);
      EXPECT_FALSE(ui_tools_any_on());
    }
    // A surface plot dragged up and left.
    const int plots = ui_plot_last().calls;
    open(UI_TOOL_SURFACE);
    drag(TkPoint{50, 50}, TkPoint{20, 40});
    EXPECT_EQ(ui_plot_last().calls, plots + 1);
    // A slice 4 wide and 6 high opens the line profile.
    const int profs = ui_prof_last().calls;
    open(UI_TOOL_SLICE);
    drag(TkPoint{10, 10}, TkPoint{14, 16});
    EXPECT_EQ(ui_prof_last().calls, profs + 1);
    EXPECT_TRUE(same(ui_prof_last().end, TkPoint{14, 16}));
  }
}

TEST_F(Tools, SizeLimits) {
  TKT_SetImageMapping(true, 1, 1.0);
  struct Case {
    int tool;
    TkPoint a, b;
    bool opens;
  } cases[] = {
      {UI_TOOL_HISTOGRAM, {20, 20}, {25, 24}, false},  // 5 x 4
      {UI_TOOL_HISTOGRAM, {20, 20}, {25, 25}, true},   // 5 x 5
      {UI_TOOL_SURFACE, {20, 20}, {24, 40}, false},    // 4 wide
      {UI_TOOL_SLICE, {20, 20}, {23, 26}, true},       // 3 x 6
      {UI_TOOL_SLICE, {20, 20}, {16, 24}, false},      // 4 x 4
  };
  for (const Case& c : cases) {
    const UiResultCall& last = c.tool == UI_TOOL_SLICE       ? ui_prof_last()
                               : c.tool == UI_TOOL_SURFACE ? ui_plot_last()
                                                           : ui_hist_last();
    const int before = last.calls;
    open(c.tool);
    ASSERT_NE(ui_tools_window(), nullptr);
    drag(c.a, c.b);
    EXPECT_EQ(last.calls, before + (c.opens ? 1 : 0)) << c.tool << " " << c.b.x << "," << c.b.y;
    EXPECT_EQ(ui_tools_window(), nullptr);  // one-shot tools close either way
  }
}

TEST_F(Tools, CropsThenCloseBox) {
  view_->zoom(3);
  TKT_SetImageMapping(true, 3, 1.0);
  open(UI_TOOL_CROP);
  TK_OBJ win = ui_tools_window();
  ASSERT_NE(win, nullptr);
  EXPECT_STREQ(WIN_GetTitle(win), "Crop");
  drag(TkPoint{10, 10}, TkPoint{30, 20});
  drag(TkPoint{40, 30}, TkPoint{20, 10});  // up and left
  EXPECT_TRUE(WIN_IsShown(win));
  EXPECT_TRUE(ui_tools_any_on());
  TKT_Close(win);
  ASSERT_EQ(s_crops.size(), 3u);
  EXPECT_TRUE(same(s_crops[0].first, TkPoint{10, 10}) && same(s_crops[0].second, TkPoint{30, 20}));
  EXPECT_TRUE(same(s_crops[1].first, TkPoint{40, 30}) && same(s_crops[1].second, TkPoint{20, 10}));
  EXPECT_TRUE(same(s_crops[2].first, TkPoint{-1, -1}) && same(s_crops[2].second, TkPoint{-1, -1}));
  EXPECT_EQ(ui_tools_window(), nullptr);
  EXPECT_FALSE(ui_tools_any_on());

  // The abandon button ends cropping without a call.
  open(UI_TOOL_CROP);
  TKT_Click(RES_GetSub(ui_tools_window(), UI_TOOLS_ABANDON));
  EXPECT_EQ(s_crops.size(), 3u);
  EXPECT_EQ(ui_tools_window(), nullptr);
}

TEST_F(Tools, RubberBandAndReadout) {
  TKT_SetImageMapping(true, 1, 1.0);
  const QImage clean = view_->expose().copy();
  open(UI_TOOL_HISTOGRAM);
  TKT_Press(view_->area, 20, 20);
  TKT_Drag(view_->area, 60, 50);
  EVENT_Flush();
  // The band's left edge shows over the image while dragging.
  EXPECT_NE(view_->px(20, 35), clean.pixel(20, 35) & 0xFFFFFF);
  if (const char* dir = std::getenv("VX_GRAB_DIR")) {
    TKT_Grab(view_->win, (std::string(dir) + "/tools_image.png").c_str());
    TKT_Grab(ui_tools_window(), (std::string(dir) + "/tools_window.png").c_str());
  }
  TKT_Drag(view_->area, 70, 60);
  TKT_Release(view_->area, 70, 60);
  EVENT_Flush();
  // Erased by drawing it again: the image is as before.
  EXPECT_EQ(view_->backing().copy(), clean);

  // Readout: inside the image the point and the value; on the edge nothing.
  IMG_DATA* d = view_->image->img_ptr;
  TK_OBJ status = RES_GetSub(view_->win, 1);
  TkPoint p{10, 7};
  ui_tools_show_pixel(nullptr, d, status, &p);
  EXPECT_STREQ(mh_status_text(), ("1:1  (10,7)  " + std::to_string(shelltest::grey_of(10, 7))).c_str());
  for (TkPoint q : {TkPoint{0, 7}, TkPoint{10, 0}, TkPoint{159, 7}, TkPoint{10, 200}}) {
    mh_status_message(status, 0, "%s", "before");
    ui_tools_show_pixel(nullptr, d, status, &q);
    EXPECT_STREQ(mh_status_text(), "before") << q.x << "," << q.y;
  }
}

TEST_F(Tools, AnnotateAndNone) {
  open(UI_TOOL_NONE);
  EXPECT_FALSE(ui_tools_any_on());
  open(UI_TOOL_ANNOTATE);
  EXPECT_TRUE(ui_tools_annotate_on());
  EXPECT_TRUE(ui_illus_is_open());
  EXPECT_EQ(ui_tools_window(), nullptr);
  TKT_SetImageMapping(true, 1, 1.0);
  TKT_Press(view_->area, 33, 44);
  TKT_Release(view_->area, 33, 44);
  EXPECT_TRUE(same(ui_illus_last_point(), TkPoint{33, 44}));
  ui_tools_dismiss();
  EXPECT_FALSE(ui_illus_is_open());
}

}  // namespace
