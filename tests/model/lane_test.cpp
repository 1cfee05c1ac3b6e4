// Lane and band records: defaults, deep copy and frees, the bands of a lane, band numbers and
// the OD of a band.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <utility>
#include <vector>

#include "base/ks_mem.h"
#include "model_fixtures.h"
#include "model/lane.h"
#include "model/quant.h"
#include "model/spot.h"

namespace {

using vxtest::make_chain;
using vxtest::make_lane;

std::vector<SPOT*> chain_vec(SPOT* head) {
  std::vector<SPOT*> v;
  for (SPOT* b = head->next; b; b = b->next) v.push_back(b);
  return v;
}

LN_FEAT* add_feat(LN_FEAT* after, int value, int pos, int fw) {
  LN_FEAT* n = ln_make_feat_node();
  n->feat.x = value;
  n->feat.y = pos;
  n->band_fw = fw;
  n->next = after->next;
  after->next = n;
  return n;
}

LANECHAR* make_char(const char* name, const char* value) {
  auto* c = ks_new_rec<LANECHAR>();
  std::strncpy(c->name, name, 20);
  std::strncpy(c->value, value, 20);
  return c;
}

}  // namespace

TEST(LaneRecords, ConstructorsSetTheirDefaults) {
  LANE* lane = ln_make_lane();
  ASSERT_NE(lane, nullptr);
  for (LN_FEAT* head : {lane->baseline, lane->peak, lane->valley, lane->infl_pt}) {
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->feat.x, -1);
    EXPECT_EQ(head->feat.y, -1);
    EXPECT_EQ(head->next, nullptr);
  }
  EXPECT_EQ(lane->next, nullptr);
  EXPECT_EQ(lane->owned_block, nullptr);
  EXPECT_EQ(lane->num_center_points, 0);
  ln_free_lane(lane);

  SPOT* band = sp_make_spot();
  ASSERT_NE(band, nullptr);
  for (int i = 0; i < SP_BOUNDS; ++i) {
    EXPECT_EQ(band->bound_x[i], -1) << i;
    EXPECT_EQ(band->bound_y[i], -1) << i;
  }
  EXPECT_EQ(band->extra1, 0);
  EXPECT_EQ(band->extra2, 1);
  EXPECT_EQ(band->f1, 0u);
  EXPECT_EQ(band->result, nullptr);
  ln_free_bands(band);

  SPOT_REGION* r = sp_make_region();
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->name[0], '\0');
  EXPECT_EQ(r->f, 0u);
  for (double d : {r->min_ii, r->max_ii, r->min_i, r->max_i, r->min_area, r->max_area})
    EXPECT_EQ(d, -1.0);
  EXPECT_EQ(r->min_spot_size, 6);
  EXPECT_EQ(r->min_spot_intensity, 20);
  EXPECT_EQ(r->setting_a, 3);
  EXPECT_EQ(r->setting_b, 6);
  EXPECT_EQ(r->region_number, 0);
  sp_free_regions(r);

  QUANT_RES* res = mj_res_alloc();
  ASSERT_NE(res, nullptr);
  EXPECT_EQ(res->status, 0u);
  EXPECT_EQ(res->win, nullptr);
  mj_res_free(&res);
}

TEST(LaneRecords, FeatureListFreeKeepsTheHead) {
  LANE* lane = ln_make_lane();
  LN_FEAT* a = add_feat(lane->peak, 10, 5, 3);
  add_feat(a, 20, 9, 4);
  ln_free_feat_list(lane->peak);
  EXPECT_EQ(lane->peak->next, nullptr);
  EXPECT_EQ(lane->peak->feat.y, -1);
  ln_free_lane(lane);
  ln_free_lane(nullptr);  // ignored
}

TEST(LaneRecords, CloneIsADeepCopyAndBothFreeCleanly) {
  LANE* src = make_lane({{10, 0}, {12, 50}}, 4, 5);
  std::strcpy(src->lane_name, "A lane name of 23 char");  // 22 characters
  src->lane_number = 7;
  src->tier_num = 2;
  src->norm_ii = 1.5;
  src->f = LN_F_SELECTED | LN_F_SPLIT_BANDS;
  src->res_w1 = 99;  // not copied
  src->num_data_values = 3;
  src->data_values = static_cast<int32_t*>(ks_alloc_msg(3 * sizeof(int32_t)));
  src->baseline_values = static_cast<int32_t*>(ks_alloc_msg(3 * sizeof(int32_t)));
  for (int i = 0; i < 3; ++i) {
    src->data_values[i] = 100 + i;
    src->baseline_values[i] = 10 + i;
  }
  add_feat(add_feat(src->peak, 300, 1, 6), 200, 2, 7);
  add_feat(src->baseline, 5, 0, 0);
  src->num_lane_chars = 2;
  src->num_labeled_chars = 1;
  src->lane_chars = static_cast<LANECHAR**>(ks_alloc_msg(2 * sizeof(LANECHAR*)));
  src->lane_chars[0] = make_char("Species", "E. coli");
  src->lane_chars[1] = make_char("", "unlabelled");
  src->owned_block = ks_alloc_msg(16);

  LANE* c = ln_clone_lane(src);
  ASSERT_NE(c, nullptr);
  EXPECT_STREQ(c->lane_name, "A lane name of 23 cha");  // cut to 21
  EXPECT_EQ(c->lane_number, 7);
  EXPECT_EQ(c->tier_num, 2);
  EXPECT_EQ(c->norm_ii, 1.5);
  EXPECT_EQ(c->f, src->f);
  EXPECT_EQ(c->left_width, 4);
  EXPECT_EQ(c->right_width, 5);
  EXPECT_EQ(c->res_w1, 0);
  EXPECT_EQ(c->owned_block, nullptr);
  EXPECT_EQ(c->next, nullptr);
  ASSERT_NE(c->center_coords, src->center_coords);
  EXPECT_EQ(c->center_coords[1].x, 12);
  EXPECT_EQ(c->center_coords[1].y, 50);
  ASSERT_NE(c->data_values, src->data_values);
  EXPECT_EQ(c->data_values[2], 102);
  EXPECT_EQ(c->baseline_values[2], 12);
  // Feature lists copied node by node, head included.
  ASSERT_NE(c->peak, src->peak);
  EXPECT_EQ(c->peak->feat.y, -1);
  ASSERT_NE(c->peak->next, nullptr);
  EXPECT_EQ(c->peak->next->feat.x, 300);
  EXPECT_EQ(c->peak->next->band_fw, 6);
  ASSERT_NE(c->peak->next->next, nullptr);
  EXPECT_EQ(c->peak->next->next->feat.y, 2);
  EXPECT_EQ(c->peak->next->next->next, nullptr);
  EXPECT_EQ(c->baseline->next->feat.x, 5);
  EXPECT_EQ(c->valley->next, nullptr);
  // Characteristics: entries of its own.
  EXPECT_EQ(c->num_lane_chars, 2);
  EXPECT_EQ(c->num_labeled_chars, 1);
  ASSERT_NE(c->lane_chars, src->lane_chars);
  ASSERT_NE(c->lane_chars[0], src->lane_chars[0]);
  EXPECT_STREQ(c->lane_chars[0]->name, "Species");
  EXPECT_STREQ(c->lane_chars[1]->value, "unlabelled");

  // Changing the source leaves the copy alone.
  src->data_values[0] = -1;
  src->peak->next->feat.x = -1;
  std::strcpy(src->lane_chars[0]->value, "changed");
  EXPECT_EQ(c->data_values[0], 100);
  EXPECT_EQ(c->peak->next->feat.x, 300);
  EXPECT_STREQ(c->lane_chars[0]->value, "E. coli");

  // Each frees what it holds, characteristics included (the sanitizer checks for leaks).
  ln_free_lane(src);
  ln_free_lane(c);
  EXPECT_EQ(ln_clone_lane(nullptr), nullptr);
}

TEST(LaneRecords, CloneOfALaneWithoutProfileOrCharacteristics) {
  LANE* src = ln_make_lane();
  src->num_data_values = 5;  // count without arrays
  LANE* c = ln_clone_lane(src);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->data_values, nullptr);
  EXPECT_EQ(c->lane_chars, nullptr);
  EXPECT_EQ(c->num_lane_chars, 0);
  ln_free_lane(src);
  ln_free_lane(c);
}

TEST(LaneRecords, FreeingALaneListReleasesOldCharacteristicTexts) {
  LANE* head = ln_make_lane();
  LANE* lane = ln_make_lane();
  head->next = lane;
  lane->old_lane_chars = static_cast<char**>(ks_alloc_msg(LN_OLD_CHARS * sizeof(char*)));
  for (int i = 0; i < 3; ++i) lane->old_lane_chars[i] = static_cast<char*>(ks_alloc_msg(20));
  ln_free_lanes(head);  // leak-free under the sanitizer
}

TEST(LaneBands, CollectedBandsAreTheLanesSortedByRowInChainOrderOnTies) {
  LANE* lane = make_lane({{50, 0}, {50, 200}}, 10, 10);
  // Chain order: rows 90, 20, 90, 150; one band outside the lane (x 80).
  SPOT* head = make_chain({{52, 90}, {48, 20}, {45, 90}, {80, 60}, {55, 150}});
  auto c = chain_vec(head);
  SPOT** arr = nullptr;
  int n = ln_find_bands_in_lane(head, &arr, lane, nullptr, nullptr);
  ASSERT_EQ(n, 4);
  ASSERT_NE(arr, nullptr);
  EXPECT_EQ(arr[0], c[1]);
  EXPECT_EQ(arr[1], c[0]);
  EXPECT_EQ(arr[2], c[2]);
  EXPECT_EQ(arr[3], c[4]);
  ks_free(arr);

  ln_renum_bands(lane, head, 0);
  EXPECT_EQ(c[1]->number, 1);
  EXPECT_EQ(c[0]->number, 2);  // same row: chain order gives consecutive numbers
  EXPECT_EQ(c[2]->number, 3);
  EXPECT_EQ(c[4]->number, 4);
  EXPECT_EQ(c[3]->number, 0);  // not in the lane

  ln_free_bands(head);
  ln_free_lane(lane);
}

TEST(LaneBands, PredicateListAndFailures) {
  LANE* list = ln_make_lane();
  LANE* a = make_lane({{50, 0}, {50, 200}}, 10, 10);
  LANE* b = make_lane({{65, 0}, {65, 200}}, 10, 10);  // overlaps a over x 55..60
  list->next = a;
  a->next = b;
  SPOT* head = make_chain({{45, 10}, {58, 20}, {50, 30}});
  auto c = chain_vec(head);
  c[2]->f1 = SP_F1_INACTIVE_A;

  SPOT** arr = nullptr;
  // With the lane list, the band in the overlap belongs to neither lane.
  EXPECT_EQ(ln_find_bands_in_lane(head, &arr, a, list, nullptr), 2);
  EXPECT_EQ(arr[0], c[0]);
  EXPECT_EQ(arr[1], c[2]);
  ks_free(arr);
  EXPECT_EQ(ln_find_bands_in_lane(head, &arr, a, nullptr, nullptr), 3);
  ks_free(arr);
  EXPECT_EQ(ln_find_bands_in_lane(head, &arr, b, list, nullptr), 0);
  EXPECT_EQ(arr, nullptr);

  auto active = [](SPOT* s) -> int { return sp_is_active(s); };
  EXPECT_EQ(ln_find_bands_in_lane(head, &arr, a, nullptr, active), 2);
  EXPECT_EQ(arr[1], c[1]);
  ks_free(arr);

  arr = reinterpret_cast<SPOT**>(head);  // stale value is replaced
  EXPECT_EQ(ln_find_bands_in_lane(head, &arr, nullptr, nullptr, nullptr), -1);
  EXPECT_EQ(arr, nullptr);

  // all_lanes numbers the bands of the given lane and every later one.
  SPOT* head2 = make_chain({{50, 40}, {65, 10}, {50, 5}, {75, 60}});
  auto c2 = chain_vec(head2);
  ln_renum_bands(a, head2, 1);
  EXPECT_EQ(c2[2]->number, 1);
  EXPECT_EQ(c2[0]->number, 2);
  EXPECT_EQ(c2[1]->number, 1);  // lane b
  EXPECT_EQ(c2[3]->number, 2);  // lane b
  ln_free_bands(head2);
  ln_free_bands(head);
  ln_free_lanes(list);
}

TEST(LaneBands, BandOdTakesProfileAndBaselineAtTheBandsRow) {
  struct Case {
    const char* what;
    int bckgrnd_type;
    int band_y;
    int data, base;        // profile and baseline at row 12 (index 2)
    int want_od, want_bl;  // -777: unchanged
  };
  const Case cases[] = {
      {"od above baseline", 1, 12, 80, 30, 80, 30},
      {"od below baseline is raised", 1, 12, 20, 30, 30, 30},
      {"negative od below a positive baseline", 1, 12, -5, 30, 30, 30},
      {"negative baseline below the od", 1, 12, 5, -30, 5, -30},
      {"no background: baseline 0, od kept", 0, 12, 80, 30, 80, 0},
      {"row above the profile", 1, 9, 80, 30, -777, -777},
      {"row below the profile", 1, 15, 80, 30, -777, -777},
  };
  for (const Case& k : cases) {
    LANE* lane = make_lane({{50, 10}, {50, 14}}, 5, 5);
    lane->bckgrnd_type = k.bckgrnd_type;
    lane->num_data_values = 5;
    lane->data_values = static_cast<int32_t*>(ks_alloc_msg(5 * sizeof(int32_t)));
    lane->baseline_values = static_cast<int32_t*>(ks_alloc_msg(5 * sizeof(int32_t)));
    lane->data_values[2] = k.data;
    lane->baseline_values[2] = k.base;
    SPOT* band = sp_make_spot();
    band->y = k.band_y;
    band->od = -777;
    band->baseline = -777;
    ln_band_od(lane, band);
    EXPECT_EQ(band->od, k.want_od) << k.what;
    EXPECT_EQ(band->baseline, k.want_bl) << k.what;
    ln_free_bands(band);
    ln_free_lane(lane);
  }
}

TEST(BandChain, AddDeleteAndActive) {
  SPOT* head = make_chain({{1, 1}, {2, 2}});
  auto c = chain_vec(head);
  SPOT* extra = sp_make_spot();
  sp_add_spot(extra, c[0]);
  EXPECT_EQ(chain_vec(head), (std::vector<SPOT*>{c[0], extra, c[1]}));

  SPOT* stranger = sp_make_spot();
  sp_del_spot(stranger, head);  // not in the chain: nothing happens
  EXPECT_EQ(chain_vec(head).size(), 3u);
  ln_free_bands(stranger);

  sp_del_spot(extra, head);
  EXPECT_EQ(chain_vec(head), (std::vector<SPOT*>{c[0], c[1]}));
  sp_del_spot(c[1], head);  // the last one
  EXPECT_EQ(chain_vec(head), (std::vector<SPOT*>{c[0]}));

  struct {
    uint32_t f1;
    BOOL active;
  } cases[] = {{0, TRUE},
               {SP_F1_INACTIVE_A, FALSE},
               {SP_F1_INACTIVE_B, FALSE},
               {SP_F1_INACTIVE_A | SP_F1_INACTIVE_B, FALSE},
               {SP_F1_TOOL_MARK | 0xF, TRUE}};
  for (auto k : cases) {
    c[0]->f1 = k.f1;
    EXPECT_EQ(sp_is_active(c[0]), k.active) << k.f1;
  }
  ln_free_bands(head);
}

TEST(AnalysisList, EntriesAreClearedFourWordRecords) {
  ANALYSIS_ENTRY** list = io_alloc_analysis_list(3);
  ASSERT_NE(list, nullptr);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(list[i], nullptr);
    list[i] = io_alloc_analysis_entry();
    ASSERT_NE(list[i], nullptr);
    EXPECT_EQ(list[i]->type, 0);
    EXPECT_EQ(list[i]->record, nullptr);
  }
  ks_freelist_msg(reinterpret_cast<void**>(list), 3);
}
