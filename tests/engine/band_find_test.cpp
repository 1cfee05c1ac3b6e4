#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "engine/band_find.h"
#include "engine/lane_features.h"
#include "engine/lane_profile.h"
#include "lane_fixture.h"

using enginetest::make_lane;
using LanePtr = std::unique_ptr<LANE, enginetest::LaneDeleter>;

namespace {

struct Chain {
  SPOT* head = sp_make_spot();
  ~Chain() { ln_free_bands(head); }
  std::vector<SPOT*> bands() const {
    std::vector<SPOT*> out;
    for (SPOT* b = head->next; b; b = b->next) out.push_back(b);
    return out;
  }
  SPOT* add(int x, int y, int thickness) {
    SPOT* b = sp_make_spot();
    b->x = x;
    b->y = y;
    b->thickness = thickness;
    b->lane_width = 10;
    sp_add_spot(b, head);
    return b;
  }
};

// A profile of narrow peaks (10, 12, 20, 30, 20, 12, 10) centred on the given indexes.
std::vector<int> peaks_profile(int n, std::initializer_list<int> centres, int height = 30) {
  std::vector<int> v(n, 10);
  for (int c : centres) {
    v[c - 2] = 12;
    v[c - 1] = 10 + height * 2 / 3;
    v[c] = 10 + height;
    v[c + 1] = 10 + height * 2 / 3;
    v[c + 2] = 12;
  }
  return v;
}

LanePtr gel_lane(int x, int y0, const std::vector<int>& prof, int thick = 2) {
  LanePtr lane(make_lane({{x, y0}, {x, y0 + static_cast<int>(prof.size()) - 1}}, prof));
  lane->min_top_band_thick = lane->min_bot_band_thick = thick;
  return lane;
}

TEST(BandFinding, OneBandPerPeakWithRowsBoundsAndValues) {
  LanePtr lane = gel_lane(50, 100, peaks_profile(40, {10, 25}));
  lane->left_width = 4;
  lane->right_width = 6;
  Chain chain;
  LANE* lanes[] = {lane.get()};
  EXPECT_EQ(ln_find_bands(lanes, 1, -1, -1, chain.head, nullptr, LN_ANALYSIS_STD, nullptr, 1), 2);
  const auto bands = chain.bands();
  ASSERT_EQ(bands.size(), 2u);
  // Linked after the head: the lower band comes first.
  EXPECT_EQ(bands[0]->y, 125);
  EXPECT_EQ(bands[1]->y, 110);
  const SPOT* b = bands[1];
  EXPECT_EQ(b->x, 51);  // ln_center_x: 50 + (4 + 6) / 2 - 4
  // The second derivative is positive on 9..11, so the inflection points around index 10 are 8
  // (end of the valley run above) and 12 (start of the one below): rows 108..112.
  EXPECT_EQ(b->thickness, 5);
  EXPECT_EQ(b->lane_width, 10);
  EXPECT_DOUBLE_EQ(b->area, 50.0);
  EXPECT_EQ(b->band_fw, 2);
  EXPECT_EQ(b->od, 40);
  EXPECT_EQ(b->number, 1);
  EXPECT_EQ(bands[0]->number, 2);
  // The feature lists are emptied at the end.
  EXPECT_EQ(lane->peak->next, nullptr);
  EXPECT_EQ(lane->valley->next, nullptr);
}

TEST(BandFinding, RowRangeLimitsRemovalAndNewBands) {
  LanePtr lane = gel_lane(50, 100, peaks_profile(60, {10, 30, 50}));
  LANE* lanes[] = {lane.get()};
  Chain chain;
  chain.add(50, 105, 3);
  chain.add(50, 135, 3);
  chain.add(50, 155, 3);
  chain.add(200, 135, 3);  // another lane's band
  // Detect off: only the lane's bands in the range go.
  EXPECT_EQ(ln_find_bands(lanes, 1, 120, 140, chain.head, nullptr, LN_ANALYSIS_STD, nullptr, 0), 0);
  std::vector<int> rows;
  for (SPOT* b : chain.bands()) rows.push_back(b->y);
  // Chain order is newest first; the other lane's band at 135 stays.
  EXPECT_EQ(rows, (std::vector<int>{135, 155, 105}));
  // A first row below the first centre row: new bands stay at their own rows (130), inside the
  // range only.
  EXPECT_EQ(ln_find_bands(lanes, 1, 120, 140, chain.head, nullptr, LN_ANALYSIS_STD, nullptr, 1), 1);
  rows.clear();
  for (SPOT* b : chain.bands()) rows.push_back(b->y);
  EXPECT_EQ(rows, (std::vector<int>{130, 135, 155, 105}));
  // First row -1: every band of the lane goes, and all three peaks come back.
  EXPECT_EQ(ln_find_bands(lanes, 1, -1, -1, chain.head, nullptr, LN_ANALYSIS_STD, nullptr, 1), 3);
  rows.clear();
  for (SPOT* b : chain.bands()) rows.push_back(b->y);
  EXPECT_EQ(rows, (std::vector<int>{150, 130, 110, 135}));
  // A flat lane has no peaks and gets no bands.
  LanePtr flat = gel_lane(300, 100, std::vector<int>(60, 10));
  LANE* flat_lanes[] = {flat.get()};
  EXPECT_EQ(ln_find_bands(flat_lanes, 1, -1, -1, chain.head, nullptr, LN_ANALYSIS_STD, nullptr, 1), 0);
}

// Lanes whose strips overlap: a band in both belongs to each. A band a lane makes that lies in a
// later lane is that lane's old band and goes when the later lane's bands are found.
TEST(BandFinding, OverlappingLanesShareTheirBands) {
  LanePtr a = gel_lane(50, 100, peaks_profile(60, {10, 30}));
  LanePtr b = gel_lane(54, 100, std::vector<int>(60, 10));  // flat: makes no bands
  LanePtr c = gel_lane(200, 100, peaks_profile(60, {20}));
  LANE* lanes[] = {a.get(), nullptr, b.get(), c.get()};
  Chain chain;
  chain.add(54, 120, 3);  // in a and b
  chain.add(50, 120, 3);  // in a and b, same row
  chain.add(62, 140, 3);  // in no lane
  chain.add(200, 110, 3);  // in c
  chain.add(54, 105, 3);  // in a and b

  // One walk gives each lane what the lane-by-lane search gives: rows ascending, equal rows in
  // chain order.
  std::vector<std::vector<SPOT*>> by_lane;
  ASSERT_TRUE(ln_bands_by_lane(chain.head, lanes, 4, &by_lane));
  ASSERT_EQ(by_lane.size(), 4u);
  EXPECT_TRUE(by_lane[1].empty());
  for (int i : {0, 2, 3}) {
    SPOT** found = nullptr;
    const int n = ln_find_bands_in_lane(chain.head, &found, lanes[i], nullptr, nullptr);
    EXPECT_EQ(std::vector<SPOT*>(found, found + n), by_lane[i]) << "lane " << i;
    ks_free(found);
  }
  EXPECT_EQ(by_lane[0].size(), 3u);
  EXPECT_EQ(by_lane[2].size(), 3u);
  EXPECT_EQ(by_lane[3].size(), 1u);

  // Finding bands again: lane a's new bands at 110 and 130 lie in lane b too, so b removes them;
  // c's band is made anew and the band in no lane stays.
  EXPECT_EQ(ln_find_bands(lanes, 4, -1, -1, chain.head, nullptr, LN_ANALYSIS_STD, nullptr, 1), 3);
  std::vector<int> rows;
  for (SPOT* s : chain.bands()) rows.push_back(s->y);
  EXPECT_EQ(rows, (std::vector<int>{120, 140}));
}

TEST(BandFinding, PeakValueRaisedToBaseline) {
  LanePtr lane = gel_lane(50, 0, peaks_profile(40, {20}));
  lane->bckgrnd_type = 1;
  enginetest::add_point(lane->baseline, 0, 45);
  Chain chain;
  LANE* lanes[] = {lane.get()};
  ASSERT_EQ(ln_find_bands(lanes, 1, -1, -1, chain.head, nullptr, LN_ANALYSIS_STD, nullptr, 1), 1);
  EXPECT_EQ(chain.head->next->baseline, 45);
  EXPECT_EQ(chain.head->next->od, 45);
}

std::vector<int> gauss_profile(int n, std::initializer_list<std::pair<int, int>> bands, double s) {
  std::vector<int> v(n);
  for (int i = 0; i < n; ++i) {
    double y = 20;
    for (auto [c, h] : bands) y += h * std::exp(-(i - c) * (i - c) / (2 * s * s));
    v[i] = static_cast<int>(y);
  }
  return v;
}

TEST(BandFinding, AlternativeDetectorBoundsFollowEachPeak) {
  const auto prof = gauss_profile(300, {{60, 300}, {150, 900}, {240, 500}}, 8);
  auto run = [&](int max_detect) {
    LanePtr lane = gel_lane(50, 0, prof, 8);
    lane->max_detect = max_detect;
    lane->pct_threshold = 0;
    lane->band_threshold = 20;
    Chain chain;
    LANE* lanes[] = {lane.get()};
    ln_find_bands(lanes, 1, -1, -1, chain.head, nullptr, LN_ANALYSIS_ALT, nullptr, 1);
    std::vector<std::vector<int>> out;
    for (SPOT* b : chain.bands()) out.push_back({b->y, b->thickness, b->band_fw});
    return out;
  };
  const auto all = run(0);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[1][0], 150);
  EXPECT_EQ(all[1][2], 8);
  // Keeping only the highest peak (the second in the list) keeps its own bounds, not those of
  // the first entries of the bound lists.
  const auto one = run(1);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0], all[1]);
  // Too short for the filters: nothing found.
  LanePtr short_lane = gel_lane(50, 0, gauss_profile(40, {{20, 500}}, 3), 8);
  ln_det2(short_lane.get(), nullptr);
  EXPECT_EQ(short_lane->peak->next, nullptr);
}

TEST(BandThickness, MostFrequentNearThePreviousValue) {
  Chain chain;
  // Thicknesses: 4 x3, 9 x3, 6 x1, 300 (ignored), rows 10..17 (and one at row 90).
  const int th[] = {4, 9, 4, 9, 6, 4, 9, 300};
  for (int i = 0; i < 8; ++i) chain.add(10, 10 + i, th[i]);
  chain.add(10, 90, 5);
  const struct {
    int r1, r2, min, prev, want;
  } cases[] = {
      {10, 17, 1, 0, 4},    // no previous value: the smallest of the most frequent
      {10, 17, 1, 4, 4},    // equal to the previous value
      {10, 17, 1, 9, 9},    // 4 is below it, 9 equals it: returned at once
      {10, 17, 1, 7, 4},    // 9 is above 7 with 4 seen before: the smaller one
      {10, 17, 1, 12, 9},   // both below: the last visited
      {10, 17, 8, 0, -1},   // 7 counted bands, fewer than 8
      {30, 40, 1, 0, 0},    // no band
      {90, 90, 1, 0, 5},
  };
  for (const auto& c : cases)
    EXPECT_EQ(sp_hgt(chain.head, c.r1, c.r2, c.min, c.prev), c.want) << c.prev << " " << c.min;
}

TEST(BandSplitting, EqualPartsWithValuesFromTheirLane) {
  std::vector<int> prof(100);
  for (int i = 0; i < 100; ++i) prof[i] = 1000 + i;
  LanePtr lane = gel_lane(50, 100, prof);
  LANE* lanes[] = {lane.get()};
  const struct {
    int sens;
    std::vector<int> rows;  // chain order after the split: new parts first
    int thickness;
  } cases[] = {
      // f 0.55: 30 / (10 x 0.55) = 5.45 -> 5 parts of 6; the band moves to 150 + 3 - 15.
      {10, {162, 156, 150, 144, 138}, 6},
      // f 1.4 + 0.05: 30 / 14.5 -> 2 parts of 15 from 150 + 7 - 15.
      {0, {157, 142}, 15},
      // f 0.55 - 11 x 0.05 = 0 at 21 and negative beyond: no split.
      {21, {150}, 30},
      {25, {150}, 30},
  };
  for (const auto& c : cases) {
    Chain chain;
    SPOT* b = chain.add(50, 150, 30);
    b->band_fw = 7;
    const int added = sp_split(chain.head, 100, 199, c.sens, 0.0, 10.0, lanes, 1);
    EXPECT_EQ(added, static_cast<int>(c.rows.size()) - 1) << c.sens;
    std::vector<int> rows;
    for (SPOT* s : chain.bands()) {
      rows.push_back(s->y);
      EXPECT_EQ(s->thickness, c.thickness);
      if (added == 0) continue;
      EXPECT_EQ(s->od, 1000 + s->y - 100);
      EXPECT_EQ(s->band_fw, 7);
      EXPECT_DOUBLE_EQ(s->area, 10.0 * c.thickness);
    }
    EXPECT_EQ(rows, c.rows) << c.sens;
  }
  // A high sensitivity against a thin expected band (f 0.25 at 16, expected 2: 30 / 0.5 = 60
  // parts) would leave parts of no rows at all: the band is cut into one-row parts at most.
  {
    Chain chain;
    chain.add(50, 150, 30);
    EXPECT_EQ(sp_split(chain.head, 100, 199, 16, 0.0, 2.0, lanes, 1), 29);
    std::vector<int> rows;
    for (SPOT* s : chain.bands()) {
      EXPECT_EQ(s->thickness, 1);
      rows.push_back(s->y);
    }
    std::sort(rows.begin(), rows.end());
    for (int k = 0; k < 30; ++k) EXPECT_EQ(rows[k], 135 + k);
  }
  // A band whose parts would leave every lane stays whole.
  Chain chain;
  chain.add(500, 150, 30);
  EXPECT_EQ(sp_split(chain.head, 100, 199, 10, 0.0, 10.0, lanes, 1), 0);
  EXPECT_EQ(chain.head->next->thickness, 30);

  // A narrow lane that bends away below the band: the parts keep the band's x, so the lower
  // ones would lie outside every lane, never to be found (or replaced) again. The band stays.
  LanePtr bent(make_lane({{50, 100}, {50, 150}, {80, 199}}, prof, 1));
  LANE* bent_lanes[] = {bent.get()};
  Chain kinked;
  kinked.add(50, 150, 30);
  EXPECT_EQ(sp_split(kinked.head, 100, 199, 10, 0.0, 10.0, bent_lanes, 1), 0);
  EXPECT_EQ(kinked.head->next->thickness, 30);
  EXPECT_EQ(kinked.head->next->y, 150);
}

TEST(BandSplitting, FindBandsSplitsBandsThickerThanTheGelsTypicalBand) {
  // Eight lanes of five narrow bands (thickness 5) and one wide band: 40 narrow bands make the
  // typical thickness 5, and the wide band is cut into parts of about that size.
  std::vector<LanePtr> owned;
  std::vector<LANE*> lanes;
  for (int l = 0; l < 8; ++l) {
    auto prof = peaks_profile(200, {20, 50, 80, 110, 140});
    for (int k = -12; k <= 12; ++k) prof[175 + k] = 10 + static_cast<int>(40 - 0.25 * k * k);
    owned.push_back(gel_lane(50 + 40 * l, 0, prof));
    owned.back()->f |= LN_F_SPLIT_BANDS;
    owned.back()->min_bot_band_thick = 2;
    lanes.push_back(owned.back().get());
  }
  Chain chain;
  const int made = ln_find_bands(lanes.data(), 8, -1, -1, chain.head, nullptr, LN_ANALYSIS_STD,
                                 nullptr, 1);
  int narrow = 0, parts = 0;
  for (SPOT* b : chain.bands()) {
    if (b->y < 160) {
      ++narrow;
      EXPECT_EQ(b->thickness, 5);
    } else {
      ++parts;
      EXPECT_LE(b->thickness, 9);
    }
  }
  EXPECT_EQ(narrow, 40);
  EXPECT_GT(parts, 8);
  EXPECT_EQ(made, narrow + parts);
}

// A concave bump of half-width k over a flat 10.
void bump(std::vector<int>& v, int centre, int k) {
  for (int x = -k + 1; x <= k - 1; ++x) v[centre + x] = 10 + 3 * (k * k - x * x);
}

TEST(BandSplitting, ThicknessFallingDownTheGelUsesSliceLines) {
  // Eight lanes of 1200 rows: with thickness 6 (11-wide kernel) bumps of half-width 6 and 5 give
  // bands 11 rows thick in the upper half and 9 in the lower half, so the typical thickness falls down the gel
  // (negative slope). The slices' values are then made non-increasing going up, which flattens
  // every line to the lowest slice's 9: a 15-row band near the top is cut in two (15 / (9 x 0.75)
  // >= 2), where the least-squares line (about 11.5 there) would have left it whole.
  std::vector<LanePtr> owned;
  std::vector<LANE*> lanes;
  for (int l = 0; l < 8; ++l) {
    std::vector<int> prof(1200, 10);
    bump(prof, 30, l == 0 ? 9 : 6);
    for (int c = 90; c < 600; c += 60) bump(prof, c, 6);
    for (int c = 630; c < 1200; c += 60) bump(prof, c, 5);
    owned.push_back(gel_lane(40 + 40 * l, 0, prof, 6));
    owned.back()->f |= LN_F_SPLIT_BANDS;
    lanes.push_back(owned.back().get());
  }
  Chain chain;
  const int made = ln_find_bands(lanes.data(), 8, -1, -1, chain.head, nullptr, LN_ANALYSIS_STD,
                                 nullptr, 1);
  std::vector<std::pair<int, int>> top;  // (row, thickness) of the first lane's bands above 60
  int thick11 = 0, thick9 = 0;
  for (SPOT* b : chain.bands()) {
    if (b->x == 40 && b->y < 60) top.insert(top.begin(), {b->y, b->thickness});
    if (b->y >= 60 && b->y < 600) thick11 += b->thickness == 11;
    if (b->y >= 600) thick9 += b->thickness == 9;
  }
  EXPECT_EQ(thick11, 8 * 9);  // 11-row bands are not cut by a 9-row line (11 / 6.75 < 2)
  EXPECT_EQ(thick9, 8 * 10);
  // The first lane's band at 30 (half-width 9: 15 rows): parts of 7 rows from 30 + 3 - 7.
  EXPECT_EQ(top, (std::vector<std::pair<int, int>>{{26, 7}, {33, 7}}));
  EXPECT_EQ(made, 8 * 20 + 1);
}

}  // namespace
