// Image windows with the tools' resources loaded and hand-made lanes: the set-up that the lane
// tool tests share. Tool windows left open by a test are closed before its images.
#pragma once

#include <cstdio>

#include "../shell/gel_fixture.h"
#include "base/ks_mem.h"
#include "gel_record.h"
#include "tools/gt_tool_wins.h"

namespace toolstest {

class LaneToolTest : public shelltest::OpenImagesTest {
 protected:
  void SetUp() override {
    OpenImagesTest::SetUp();
    load_resources();
    ctl = gt_get_control();
  }
  void TearDown() override {
    gt_tool_wins_dismiss_all();
    OpenImagesTest::TearDown();
  }
  // A confirmed lane of rows 20..120 at column x, widths 9, named, optionally selected.
  static LANE* add_lane(IMAGE_REC* im, int x, bool selected, const char* name) {
    LANE* lane = ln_make_lane();
    lane->num_center_points = 2;
    lane->center_coords = static_cast<LN_POINT*>(ks_alloc_msg(2 * sizeof(LN_POINT)));
    lane->center_coords[0] = {x, 20};
    lane->center_coords[1] = {x, 120};
    lane->left_width = lane->right_width = 9;
    lane->f = LN_F_TOOL_MARK | (selected ? LN_F_SELECTED : 0u);
    std::snprintf(lane->lane_name, sizeof lane->lane_name, "%s", name);
    gt_lane_set_tier(im, lane, "test");
    gt_lane_insert(im->lanes, lane);
    im->lane_hdr->num_lanes++;
    im->has_lanes = 1;
    if (selected) im->num_sel_lanes++;
    return lane;
  }
  CONTROL* ctl = nullptr;
};

}  // namespace toolstest
