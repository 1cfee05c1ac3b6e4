// The surface plot: reading and turning the area, and the polygons drawn.
#include <gtest/gtest.h>

#include "kes_file.h"
#include "test_support.h"
#include "toolkit/tk_res.h"
#include "tools/ui_plot.h"

namespace {
std::vector<int> flat(const PlotPicture& p) {
  std::vector<int> out;
  for (const auto& poly : p.polys)
    for (TkPoint q : poly) out.push_back(q.x), out.push_back(q.y);
  return out;
}
}  // namespace

TEST(Plot, CornersInAnyOrderReadTheSameArea) {
  vxtest::TempDir dir;
  const std::string path = dir.file("g.kes");
  ASSERT_TRUE(toolstest::write_kes(path, 30, 20, 1, [](int x, int y) { return unsigned(x * 3 + y * 5); }));
  const std::vector<std::array<int, 4>> orders = {{4, 3, 12, 9}, {12, 9, 4, 3}, {4, 9, 12, 3}, {12, 3, 4, 9}};
  std::vector<int> first;
  for (auto o : orders) {
    int rect[4] = {o[0], o[1], o[2], o[3]};
    PlotArea a;
    ASSERT_TRUE(ui_plot_read(path.c_str(), rect, &a));
    EXPECT_EQ(a.w, 9);
    EXPECT_EQ(a.h, 7);
    const auto pic = flat(ui_plot_picture(a, 400, 300));
    if (first.empty()) first = pic;
    EXPECT_EQ(pic, first);
  }
  int outside[4] = {-10, 5, 99, 99};
  PlotArea a;
  ASSERT_TRUE(ui_plot_read(path.c_str(), outside, &a));
  EXPECT_EQ((std::vector<int>(outside, outside + 4)), (std::vector<int>{0, 5, 28, 18}));
  EXPECT_FALSE(ui_plot_read(dir.file("none.kes").c_str(), outside, &a));
}

TEST(Plot, TurnsMoveLinesAndColumns) {
  PlotArea a;
  a.w = 3, a.h = 2;
  a.v = {1, 2, 3, 4, 5, 6};
  const PlotArea half = ui_plot_turn(a, 2);
  EXPECT_EQ(half.v, (std::vector<unsigned>{6, 5, 4, 3, 2, 1}));
  const PlotArea left = ui_plot_turn(a, 1);
  EXPECT_EQ(left.w, 2);
  EXPECT_EQ(left.h, 3);
  EXPECT_EQ(left.v, (std::vector<unsigned>{3, 6, 2, 5, 1, 4}));
  const PlotArea right = ui_plot_turn(a, 3);
  EXPECT_EQ(right.v, (std::vector<unsigned>{4, 1, 5, 2, 6, 3}));
  EXPECT_EQ(ui_plot_turn(ui_plot_turn(a, 1), 3).v, a.v);
}

TEST(Plot, PictureScalesAndItsLimits) {
  PlotArea a;
  a.w = 6, a.h = 5;
  a.v.assign(30, 200);
  const PlotPicture p = ui_plot_picture(a, 300, 200);
  EXPECT_GT(p.ys, 0.0);  // a constant area still has height
  EXPECT_GT(p.xs, 0.0);
  ASSERT_EQ(p.polys.size(), 2u + (5 - 2));  // two faces and one polygon per line but the last two
  EXPECT_EQ(p.modes.front(), 4);
  EXPECT_EQ(p.modes[1], 5);
  EXPECT_EQ(p.polys[1].size(), 5u + 2);     // w - 1 profile points and two base points
  for (const auto& poly : p.polys)
    for (TkPoint q : poly) {
      EXPECT_GE(q.x, 40);
      EXPECT_LE(q.x, 300 - 40);
      EXPECT_LE(q.y, 200 - 60);
    }
  // Nothing in an area no larger than the margins, or for too few columns or lines.
  EXPECT_TRUE(ui_plot_picture(a, 80, 200).polys.empty());
  EXPECT_TRUE(ui_plot_picture(a, 300, 60).polys.empty());
  PlotArea narrow = a;
  narrow.w = 1, narrow.v.assign(5, 7);
  EXPECT_TRUE(ui_plot_picture(narrow, 300, 200).polys.empty());
  PlotArea shallow = a;
  shallow.h = 2, shallow.v.assign(12, 7);
  EXPECT_TRUE(ui_plot_picture(shallow, 300, 200).polys.empty());
  if (!RES_GetString("ui_msg", "StrL1", 255))
    RES_OpenFile("ui_msg", (vxtest::source_dir() / "resources/ui_msg.res").c_str());
  EXPECT_EQ(ui_plot_caption(a, 200, 2), "Lines 0 to 3, columns 0 to 5, highest value 200, turned half round");
}
