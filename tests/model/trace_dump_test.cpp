// Trace dumps of lanes and marker lists write their lines when the log is on.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "base/ks_mem.h"
#include "base/slog.h"
#include "model/lane.h"
#include "model/std_list.h"
#include "test_support.h"

TEST(TraceDumps, LaneAndMarkerListLines) {
  vxtest::TempDir dir;
  {
    std::ofstream m(dir.path() / "slgmtch.txt");
    m << "0 ln_*\n0 std_*\n";
  }
  slog_reset();
  slog_init(dir.path().c_str());

  LANE* head = ln_make_lane();
  LANE* lane = ln_make_lane();
  head->next = lane;
  std::strcpy(lane->lane_name, "L1");
  lane->num_center_points = 2;
  lane->center_coords = static_cast<LN_POINT*>(ks_alloc_msg(2 * sizeof(LN_POINT)));
  lane->center_coords[1] = {7, 9};
  lane->num_data_values = 2;
  lane->data_values = static_cast<int32_t*>(ks_alloc_msg(2 * sizeof(int32_t)));
  lane->data_values[1] = 42;  // no baseline values: only the profile is dumped
  LN_FEAT* peak = ln_make_feat_node();
  peak->feat.x = 42;
  peak->feat.y = 1;
  lane->peak->next = peak;
  ln_slog_lane_list("lanes", head);
  ln_slog_feat_list(lane->valley, nullptr);

  STD_LIST* list = std_list_create();
  STD_MARKER mk{};
  mk.x = 1.5;
  mk.value = 300;
  mk.lane_num = 2;
  std_list_append(list, &mk);
  std_slgstd(list);
  std_list_free(list);
  ln_free_lanes(head);
  slog_reset();

  std::ifstream in(dir.path() / "slglog.txt");
  std::stringstream ss;
  ss << in.rdbuf();
  std::string log = ss.str();
  for (const char* want :
       {"in_lane->lane_name = 'L1'", "in_lane->center_coords[1] = 7,9",
        "in_lane->data_values[0001] =       42", "curr_feat->feat.x = 42", "in_message = 'null'",
        "in_lane->f.split_bands = 0", "is dirty", "int method 0, _used 0",
        "at (1.5,0.0), value 300.000", "lane_num 2, row_num 0"})
    EXPECT_NE(log.find(want), std::string::npos) << want << "\n" << log;
  EXPECT_EQ(log.find("baseline_values["), std::string::npos);
}
