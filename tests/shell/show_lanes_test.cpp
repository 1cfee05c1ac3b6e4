// Lane display windows on real image windows: which windows a list of lanes brings up, how they
// are laid out, the selected lane, the rows of a match matrix, and the lane texts that name no
// lane.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gel_file_fixture.h"
#include "model_fixtures.h"
#include "shell/gt_open.h"
#include "shell/gt_show_lanes.h"
#include "shell_fixture.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_widget.h"

namespace {

class ShowLanesTest : public shelltest::MainWindowTest {
 protected:
  // Opens a gel "name" of w x h pixels with lanes 1..n, lane k at x = 20k from y 10 to h - 10,
  // 6 pixels to the left and 8 to the right of its centre line.
  IMAGE_REC* open_gel(const std::string& name, int w, int h, int n) {
    const std::string path =
        shelltest::write_kes_image(ws_->file(name + ".kes"), w, h, 1,
                                   [](int x, int y) { return (x + 2 * y) & 0xFF; });
    gt_load_image_path(path.c_str());
    IMAGE_REC* im = gt_find_image_by_name((name + ".kes").c_str());
    EXPECT_NE(im, nullptr);
    if (!im) return nullptr;
    LANE* tail = im->lanes;
    for (int k = 1; k <= n; ++k) {
      LANE* l = vxtest::make_lane({{20 * k, 10}, {20 * k + 2, h / 2}, {20 * k, h - 10}}, 6, 8);
      l->lane_number = k;
      std::snprintf(l->lane_name, sizeof l->lane_name, "lane%d", k);
      tail->next = l;
      tail = l;
      im->lane_hdr->num_lanes++;
    }
    im->has_lanes = n;
    im->has_bands = 1;  // the lanes are drawn
    return im;
  }
  static TK_OBJ window_of(IMAGE_REC* im) { return static_cast<TK_OBJ>(im->window); }
  static int x_of(IMAGE_REC* im) { return WIN_GetRect(window_of(im)).x; }
  static std::vector<int> selected(IMAGE_REC* im) {
    std::vector<int> s;
    for (LANE* l = im->lanes->next; l; l = l->next)
      if (l->f & LN_F_SELECTED) s.push_back(l->lane_number);
    return s;
  }
  // A list entry as the matching code hands them over: name, path and lane number.
  static IMAGE_REC entry(IMAGE_REC* im, int lane) {
    IMAGE_REC e{};
    std::strcpy(e.image_name, im->image_name);
    std::strcpy(e.file_path, im->file_path);
    e.lane_field = lane;
    return e;
  }
};

TEST_F(ShowLanesTest, RunsOfOneImageShowOneWindowAndWindowsStandSideBySide) {
  IMAGE_REC* a = open_gel("a", 120, 90, 4);
  IMAGE_REC* b = open_gel("b", 120, 90, 4);
  ASSERT_TRUE(a && b);
  // Every lane is 2 + 6 + 8 = 16 image pixels wide and 70 high: windows of 88 x 142.
  std::vector<IMAGE_REC> e = {entry(a, 2), entry(a, 3), entry(b, 1), entry(a, 4)};
  std::vector<IMAGE_REC*> list;
  for (auto& x : e) list.push_back(&x);
  gt_show_images(list.data(), static_cast<int>(list.size()));
  EXPECT_EQ(gt_show_count(), 3);  // A, B, A again
  EXPECT_EQ(gt_show_next_x(), 4 + 3 * (88 + 4));
  EXPECT_EQ(selected(a), std::vector<int>{4});  // the last shown lane of A is its only selection
  EXPECT_EQ(selected(b), std::vector<int>{1});
  EXPECT_EQ(a->num_sel_lanes, 1);
  EXPECT_EQ(a->cur_lane->lane_number, 4);
  EXPECT_EQ(x_of(b), 4 + 88 + 4);
  EXPECT_EQ(x_of(a), 4 + 2 * (88 + 4));
  EXPECT_EQ(WIN_GetRect(window_of(a)).y, 40);

  std::vector<IMAGE_REC> six(6, entry(b, 2));
  list.clear();
  for (auto& x : six) list.push_back(&x);
  gt_show_images(list.data(), 6);
  EXPECT_EQ(gt_show_count(), 1);
  EXPECT_EQ(selected(b), std::vector<int>{2});
}

TEST_F(ShowLanesTest, FourToARowAndTallLanesAreCut) {
  IMAGE_REC* a = open_gel("a", 140, 90, 5);
  IMAGE_REC* tall = open_gel("tall", 60, 600, 1);
  ASSERT_TRUE(a && tall);
  gt_show_reset();
  for (int k = 1; k <= 5; ++k) {
    gt_show_lane_1(a->file_path, a->image_name, std::to_string(k).c_str());
    EXPECT_EQ(x_of(a), k == 5 ? 4 : 4 + (k - 1) * 92) << k;
  }
  tall->img_ptr->zoom[0] = 2;  // 580 rows shown 1160 high: taller than the workspace
  gt_show_reset();
  gt_show_lane_1(tall->file_path, tall->image_name, "1");
  int r[4];
  gt_show_lane_rect(tall, tall->lanes->next, r);
  const int client_h = WGT_GetRect(gt_get_workspace()).h;
  ASSERT_LT(client_h, 1160);
  EXPECT_EQ(r[3], client_h - 152);
  EXPECT_EQ(r[2], 32);  // (2 + 6 + 8) x 2
  EXPECT_EQ(r[0], (20 - 6) * 2);

  // Lanes far out on a large image at high zoom stand beyond 32,767 displayed pixels.
  LANE* far = vxtest::make_lane({{4000, 3500}, {4010, 3600}}, 6, 8);
  tall->img_ptr->zoom[0] = 10;
  gt_show_lane_rect(tall, far, r);
  EXPECT_EQ(r[0], 39940);
  EXPECT_EQ(r[1], 35000);
  EXPECT_EQ(r[2], 240);
  tall->img_ptr->zoom[0] = -4;  // a reduction shows a quarter
  gt_show_lane_rect(tall, far, r);
  EXPECT_EQ(r[0], 998);
  EXPECT_EQ(r[2], 6);
  ln_free_lane(far);
}

TEST_F(ShowLanesTest, ScrollsTheLaneIntoView) {
  IMAGE_REC* a = open_gel("wide", 900, 120, 40);
  ASSERT_NE(a, nullptr);
  TK_OBJ area = static_cast<TK_OBJ>(a->draw_area);
  CANVAS_ScrollTo(area, 0, 0);
  gt_show_reset();
  gt_show_lane_1(a->file_path, a->image_name, "40");  // centre x 800, 6 to the left
  const TkRect vis = CANVAS_GetVisible(area);
  EXPECT_LE(vis.x, 794);
  EXPECT_GE(vis.x + vis.w, 794 + 14);
  EXPECT_EQ(selected(a), std::vector<int>{40});
}

TEST_F(ShowLanesTest, FindsWindowsByNameWithoutExtensionAndOpensOnlyWhenNoneShowsTheImage) {
  IMAGE_REC* a = open_gel("gel", 120, 90, 3);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(gt_find_image_window("GEL.tif"), window_of(a));
  gt_show_lane_1(a->file_path, "gel.other", "2");
  EXPECT_EQ(gt_get_num_img_windows(), 1);
  EXPECT_EQ(selected(a), std::vector<int>{2});

  // A closed image is opened from its path.
  const std::string path = a->file_path;
  gt_unload_all();
  ASSERT_EQ(gt_get_num_img_windows(), 0);
  gt_show_lane_1(path.c_str(), "gel.kes", "1");
  EXPECT_EQ(gt_get_num_img_windows(), 1);
  gt_show_lane_1((ws_->dir().str() + "/missing.kes").c_str(), "missing.kes", "1");
  EXPECT_EQ(gt_get_num_img_windows(), 1);
}

TEST_F(ShowLanesTest, MatrixRowsNameTheirLaneByNumberAndName) {
  IMAGE_REC* a = open_gel("gel", 120, 90, 4);
  ASSERT_NE(a, nullptr);
  MATCH_MATRIX* mr = ks_mr_new(4);
  ks_mr_set_entry(mr, 0, "gel:3:ladder", a->file_path);
  ks_mr_set_entry(mr, 1, "gel:3", a->file_path);
  ks_mr_set_entry(mr, 2, "gel", a->file_path);       // no ':' : an empty lane text
  ks_mr_set_entry(mr, 3, "gel:31:x", a->file_path);  // lane 31 is not lane 3
  gt_show_reset();
  gt_show_matrix_row(mr, 0);
  EXPECT_EQ(selected(a), std::vector<int>{3});
  EXPECT_EQ(gt_show_count(), 1);
  a->lanes->next->f |= LN_F_SELECTED;
  gt_show_matrix_row(mr, 1);
  EXPECT_EQ(selected(a), std::vector<int>{3});
  EXPECT_EQ(gt_show_count(), 2);
  for (int row : {2, 3}) {  // the window is shown, nothing else happens
    gt_show_matrix_row(mr, row);
    EXPECT_EQ(gt_show_count(), 2);
    EXPECT_EQ(selected(a), std::vector<int>{3});
  }
  EXPECT_EQ(gt_show_find_lane(a, "x"), nullptr);
  EXPECT_EQ(gt_show_find_lane(a, "4:"), a->lanes->next->next->next->next);
  ks_mr_free(mr);

  char out[6];
  const char* rest = gt_show_split_token(':', "abcdefgh:3", sizeof out, out);
  EXPECT_STREQ(out, "abcde");
  EXPECT_STREQ(rest, "3");
}

TEST_F(ShowLanesTest, PictureOfFiveLanesOfThreeImages) {
  IMAGE_REC* a = open_gel("alpha", 140, 160, 3);
  IMAGE_REC* b = open_gel("beta", 140, 160, 3);
  IMAGE_REC* c = open_gel("gamma", 140, 160, 3);
  ASSERT_TRUE(a && b && c);
  std::vector<IMAGE_REC> e = {entry(a, 1), entry(b, 2), entry(c, 3), entry(a, 2), entry(b, 3)};
  std::vector<IMAGE_REC*> list;
  for (auto& x : e) list.push_back(&x);
  gt_show_images(list.data(), 5);
  EXPECT_EQ(gt_show_count(), 5);
  const std::string png = ws_->file("show_lanes.png");
  ASSERT_TRUE(TKT_Grab(win_, png.c_str()));
  if (const char* keep = std::getenv("VX_KEEP_GRABS"))
    std::filesystem::copy_file(png, std::string(keep) + "/show_lanes.png",
                               std::filesystem::copy_options::overwrite_existing);
}

}  // namespace
