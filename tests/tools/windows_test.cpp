// The tools' windows as a user sees them: annotations over an image, the histogram, line
// profile and surface plot windows. With VX_GRAB_DIR set, each test leaves PNG pictures there.
#include <gtest/gtest.h>

#include <QPushButton>
#include <algorithm>
#include <cstdlib>

#include "../shell/image_view_fixture.h"
#include "kes_file.h"
#include "toolkit/tk_chart.h"
#include "toolkit/tk_test.h"
#include "tools/ui_hist.h"
#include "tools/ui_illus.h"
#include "tools/ui_illus_obj.h"
#include "tools/ui_plot.h"
#include "tools/ui_prof.h"
#include "tools/ui_results.h"

namespace {

void load(const char* module) {
  const std::string file = std::string(module) + ".res";
  RES_OpenFile(module, (vxtest::source_dir() / "resources" / file).c_str());
}

void grab(TK_OBJ w, const std::string& name) {
  if (const char* dir = std::getenv("VX_GRAB_DIR")) TKT_Grab(w, (std::string(dir) + "/" + name).c_str());
}

class Windows : public ::testing::Test {
 protected:
  void SetUp() override {
    shelltest::ensure_gui();
    for (const char* m : {"ui_hist", "ui_prof", "ui_plot", "ui_msg"}) load(m);
    TKT_Enable(true);
    path = dir.file("gel.kes");
    ASSERT_TRUE(toolstest::write_kes(path, 120, 90, 2, [](int x, int y) {
      const double d = (x - 60.0) * (x - 60.0) + (y - 45.0) * (y - 45.0);
      return unsigned(4000 + 30000 * std::exp(-d / 400.0) + 20 * x);
    }));
  }
  void TearDown() override { TKT_Enable(false); }
  vxtest::TempDir dir;
  std::string path;
};

}  // namespace

TEST_F(Windows, AnnotationsPaintOverTheImageAndRubberBandsEraseCleanly) {
  shelltest::ImageView v(330, 170);
  IMG_DATA* d = v.image->img_ptr;
  ui_illus_set_controls(IllusControls{.color = 0, .line_width = 1, .arrows = 3, .grid_spacing = 1});
  ui_illus_set_state(ILLUS_CLOSED);
  auto make = [&](int type, std::initializer_list<int> words) {
    COMM_OBJ* o = ui_illus_obj_create(d, type, 0, 0);
    int i = 0;
    for (int w : words) static_cast<int*>(o->data)[i++] = w;
    ui_illus_set_encomp_rect(d, o);
    return o;
  };
  make(COMM_T_BOX, {10, 10, 60, 40});
  make(COMM_T_CIRCLE, {100, 30, 20});
  make(COMM_T_LINE, {140, 20, 220, 60});
  make(COMM_T_ARC, {10, 60, 60, 100});
  make(COMM_T_GRID, {80, 70, 160, 120, 1});
  // The point-list kinds: polygon, polyline, the second polygon kind and a free-hand stroke.
  auto points = [&](int type, std::initializer_list<COMM_PT> pts) {
    COMM_OBJ* o = ui_illus_obj_create(d, type, 0, 0);
    COMM_PT* block = static_cast<COMM_PT*>(ks_alloc_msg(pts.size() * sizeof(COMM_PT)));
    std::copy(pts.begin(), pts.end(), block);
    if (type == COMM_T_FREE) {
      static_cast<COMM_FREE_DATA*>(o->data)->points = block;
      static_cast<COMM_FREE_DATA*>(o->data)->count = static_cast<int32_t>(pts.size());
    } else {
      static_cast<COMM_POLY_DATA*>(o->data)->points = block;
      static_cast<COMM_POLY_DATA*>(o->data)->count = static_cast<int32_t>(pts.size());
    }
    ui_illus_set_encomp_rect(d, o);
  };
  points(COMM_T_POLYGON, {{180, 90}, {230, 110}, {190, 150}});
  points(COMM_T_POLYLINE, {{250, 20}, {280, 50}, {300, 20}, {320, 50}});
  points(COMM_T_POLYGON2, {{250, 80}, {320, 80}, {285, 110}});
  points(COMM_T_FREE, {{245, 140}, {255, 130}, {265, 145}, {275, 130}, {285, 145}, {295, 130}, {305, 145}, {315, 135}});
  make(COMM_T_LINE2, {100, 150, 220, 160});
  COMM_OBJ* text = ui_illus_obj_create(d, COMM_T_TEXT, 0, 0);
  auto* td = static_cast<COMM_TEXT_DATA*>(text->data);
  td->x = 20, td->y = 130, td->len = 4;
  td->string = static_cast<char*>(ks_alloc_msg(5));
  std::memcpy(td->string, "Note", 5);
  ui_illus_set_encomp_rect(d, text);

  tk::widget(v.win)->resize(360, 210);  // the whole picture in view
  const QImage& img = v.expose();
  EXPECT_EQ(v.px(35, 10), 0xFF0000u);   // the box's top edge in red
  EXPECT_EQ(v.px(100, 10), 0xFF0000u);  // the circle's top
  grab(v.win, "annotations.png");

  // A rubber band drawn twice leaves the picture as it was.
  const QImage before = img.copy();
  ui_illus_rubber_config(v.area);
  const std::vector<IllusShape> band = ui_illus_obj_outline(text, -30, -5);
  ui_illus_draw_shapes(v.area, d, band);
  EVENT_Flush();
  EXPECT_NE(v.backing(), before);
  ui_illus_draw_shapes(v.area, d, band);
  EVENT_Flush();
  EXPECT_EQ(v.backing(), before);
  io_free_commentary(static_cast<COMM_OBJ*>(d->annot_first));
  d->annot_first = d->annot_last = d->annot_selected = nullptr;
}

TEST_F(Windows, HistogramWindowChartsTheRectangle) {
  IMAGE_REC im{};
  std::snprintf(im.file_path, sizeof im.file_path, "%s", path.c_str());
  ui_hist_activate(nullptr, &im, {30, 20}, {90, 70}, nullptr);
  TK_OBJ win = TKT_FindWindow("ui_hist", "ui_hist_win");
  ASSERT_NE(win, nullptr);
  EXPECT_STREQ(WIN_GetTitle(win), "Histogram : gel");
  TK_OBJ chart = RES_GetSub(win, 1);
  const HistData h = ui_hist_compute(path.c_str(), {30, 20}, {90, 70});
  EXPECT_EQ(CHART_GetCount(chart), static_cast<int>(h.bins.size()));
  EXPECT_EQ(h.total, 61 * 51);
  EVENT_Flush();
  grab(win, "histogram.png");
  TKT_Close(win);
  EVENT_Flush();
  EXPECT_EQ(TKT_FindWindow("ui_hist", "ui_hist_win"), nullptr);

  // Close is the window's default button: Return closes the window and prints nothing.
  ui_hist_activate(nullptr, &im, {30, 20}, {90, 70}, nullptr);
  win = TKT_FindWindow("ui_hist", "ui_hist_win");
  ASSERT_NE(win, nullptr);
  auto* close = qobject_cast<QPushButton*>(tk::widget(RES_GetSub(win, 2)));
  ASSERT_NE(close, nullptr);
  EXPECT_TRUE(close->isDefault());
  TKT_KeyAtFocus(win, Qt::Key_Return);
  EVENT_Flush();
  EXPECT_EQ(TKT_FindWindow("ui_hist", "ui_hist_win"), nullptr);
  EXPECT_EQ(TKT_Unanswered(), 0);
}

TEST_F(Windows, LineProfileWindowChartsTheLine) {
  ui_prof_activate(nullptr, path.c_str(), {0, 45}, {500, 45}, nullptr);
  TK_OBJ win = TKT_FindWindow("ui_prof", "ui_prof_win");
  ASSERT_NE(win, nullptr);
  EXPECT_EQ(CHART_GetCount(RES_GetSub(win, 1)), 118);  // the far point moved to the edge
  EVENT_Flush();
  grab(win, "profile.png");
  TKT_Click(RES_GetSub(win, 2));
  EVENT_Flush();
  EXPECT_EQ(TKT_FindWindow("ui_prof", "ui_prof_win"), nullptr);
}

TEST_F(Windows, SurfacePlotDrawsInEachOrientation) {
  ui_plot_activate(nullptr, path.c_str(), {20, 10}, {100, 80}, nullptr);
  TK_OBJ win = TKT_FindWindow("ui_plot", "ui_plot_win");
  ASSERT_NE(win, nullptr);
  EXPECT_STREQ(WIN_GetTitle(win), "Surface Plot : gel");
  TK_OBJ area = RES_GetSub(win, 2);
  for (int o = 0; o < 4; ++o) {
    TKT_Pick(RES_GetSub(win, 1), o);
    EVENT_Flush();
    const QImage& b = tk::area(area)->backing();
    int dark = 0;
    for (int y = 0; y < b.height(); ++y)
      for (int x = 0; x < b.width(); ++x) dark += (b.pixel(x, y) & 0xFFFFFF) == 0;
    EXPECT_GT(dark, 500) << o;
    grab(win, "plot" + std::to_string(o) + ".png");
  }
  TKT_Close(win);
  EVENT_Flush();
}
