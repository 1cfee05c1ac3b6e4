// "Report Lane Map" over open images: the map of the selected lanes, a click showing a lane in
// its image window, and the lane order dialog rearranging the map.
#include <gtest/gtest.h>

#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <string>

#include "analysis/lane_map.h"
#include "gel_fixture.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_image_win.h"
#include "shell/gt_show_lanes.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"

namespace {

class LaneMapCommand : public shelltest::OpenImagesTest {
 protected:
  void SetUp() override {
    OpenImagesTest::SetUp();
    im = open(shelltest::write_gel(dir, "gel", 200, 150));
    ASSERT_NE(im, nullptr);
    // Three lanes; the first and third are selected, the third carries a name.
    for (int k = 0; k < 3; ++k) shelltest::add_lane_and_band(im, 30 + 60 * k, 10, 140, 40 + 30 * k);
    int number = 1;
    for (LANE* l = im->lanes->next; l; l = l->next) l->lane_number = number++;
    LANE* third = im->lanes->next->next->next;
    std::strcpy(third->lane_name, "ctrl");
    im->lanes->next->f |= LN_F_SELECTED;
    third->f |= LN_F_SELECTED;
    im->num_sel_lanes = 2;
    gt_set_image_ptr(im);
  }
  void TearDown() override {
    while (TK_OBJ w = TKT_FindWindow("ln_map", "WinLaneMap")) WIN_Terminate(w);
    OpenImagesTest::TearDown();
  }
  IMAGE_REC* im = nullptr;
};

std::vector<std::string> legend(const LANE_MAP* map) {
  std::vector<std::string> out;
  for (int i = 0; i < lmap_lane_count(map); ++i) out.push_back(map->texts[i]);
  return out;
}

TEST_F(LaneMapCommand, MapsTheSelectedLanesShowsAClickedLaneAndReorders) {
  main_winNfySelMenuBar(win_, GT_CMD_REPORT_LANE_MAP);
  TK_OBJ win = TKT_FindWindow("ln_map", "WinLaneMap");
  ASSERT_NE(win, nullptr);
  auto* map = static_cast<LANE_MAP*>(RES_GetData(win));
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(legend(map), (std::vector<std::string>{"A:  gel:1\n", "B:  gel:3:ctrl\n"}));
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(lmap_get_lane(map, i)->nbands, 1);
    EXPECT_GT(lmap_get_lane(map, i)->rf[0], 0.0);
  }
  EXPECT_LT(lmap_get_lane(map, 0)->rf[0], lmap_get_lane(map, 1)->rf[0]);  // band rows 40 and 100
  if (const char* d = std::getenv("VX_GRAB_DIR")) TKT_Grab(win, (std::string(d) + "/report_lane_map.png").c_str());

  // A press on the second column shows lane 3 in the image window as its only selected lane.
  TK_OBJ area = RES_GetSub(win, 2);
  const int x = ks_scale_to_pixel(&map->hscale, 1.5);
  TKT_Press(area, x, CANVAS_GetVisible(area).h / 2);
  EXPECT_EQ(gt_show_count(), 1);
  EXPECT_FALSE(im->lanes->next->f & LN_F_SELECTED);
  EXPECT_TRUE(im->lanes->next->next->next->f & LN_F_SELECTED);

  // The order dialog: lane "gel:3:ctrl" put first, then OK.
  ASSERT_TRUE(WGT_IsEnabled(RES_GetSub(win, 4)));
  QTimer::singleShot(0, [] {
    TK_OBJ dlg = TKT_FindWindow("ln_order", "ln_order_win");
    ASSERT_NE(dlg, nullptr);
    TK_OBJ panel = RES_GetSub(dlg, 0);
    TKT_Pick(RES_GetSub(panel, 0), 1);
    TKT_Click(RES_GetSub(panel, 3));
    TKT_Click(RES_GetSub(dlg, 1));
  });
  TKT_Click(RES_GetSub(win, 4));
  EXPECT_EQ(legend(map), (std::vector<std::string>{"A:  gel:3:ctrl\n", "B:  gel:1\n"}));
}

TEST_F(LaneMapCommand, NoSelectedLaneOpensNothing) {
  for (LANE* l = im->lanes->next; l; l = l->next) l->f &= ~LN_F_SELECTED;
  main_winNfySelMenuBar(win_, GT_CMD_REPORT_LANE_MAP);
  EXPECT_EQ(TKT_FindWindow("ln_map", "WinLaneMap"), nullptr);
}

// Gels of one name from two folders, both open: a click on day 2's lane in the map shows that
// lane in day 2's window and leaves day 1's selection as it was; day 1's gel, saved, reopens
// with its own lanes.
class SameNamedGelsLaneMap : public shelltest::OpenImagesTest {
 protected:
  void TearDown() override {
    while (TK_OBJ w = TKT_FindWindow("ln_map", "WinLaneMap")) WIN_Terminate(w);
    OpenImagesTest::TearDown();
  }
};

TEST_F(SameNamedGelsLaneMap, AClickShowsTheLaneInTheGelOfItsOwnFolder) {
  IMAGE_REC* a = open_saved_gel("day1", "gel", 200, {40, 70, 100});
  IMAGE_REC* b = open_saved_gel("day2", "gel", 220, {50, 90});
  ASSERT_TRUE(a && b);
  LANE* a3 = a->lanes->next->next->next;
  a3->f |= LN_F_SELECTED;
  a->num_sel_lanes = 1;
  b->lanes->next->f |= LN_F_SELECTED;
  b->num_sel_lanes = 1;
  gt_set_image_ptr(a);
  main_winNfySelMenuBar(win_, GT_CMD_REPORT_LANE_MAP);
  TK_OBJ win = TKT_FindWindow("ln_map", "WinLaneMap");
  ASSERT_NE(win, nullptr);
  auto* map = static_cast<LANE_MAP*>(RES_GetData(win));
  ASSERT_NE(map, nullptr);
  ASSERT_EQ(legend(map), (std::vector<std::string>{"A:  gel:3:day1-3\n", "B:  gel:1:day2-1\n"}));

  TK_OBJ area = RES_GetSub(win, 2);
  TKT_Press(area, ks_scale_to_pixel(&map->hscale, 1.5), CANVAS_GetVisible(area).h / 2);
  EXPECT_EQ(b->cur_lane, b->lanes->next);
  EXPECT_TRUE(b->lanes->next->f & LN_F_SELECTED);
  EXPECT_FALSE(a->lanes->next->f & LN_F_SELECTED);
  EXPECT_TRUE(a3->f & LN_F_SELECTED);

  const std::string a_path = a->file_path;
  gt_set_image_ptr(a);
  main_winNfySelMenuBar(win_, GT_CMD_SAVE);
  gt_image_clear_modified(b);
  while (gt_get_num_img_windows() > 0) WIN_Terminate(gt_get_img_window(0));
  EVENT_Flush();
  a = open(a_path);
  ASSERT_NE(a, nullptr);
  std::vector<std::string> names;
  for (LANE* l = a->lanes->next; l; l = l->next) names.push_back(l->lane_name);
  EXPECT_EQ(names, (std::vector<std::string>{"day1-1", "day1-2", "day1-3"}));
}

}  // namespace
