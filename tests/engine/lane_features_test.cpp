#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/ks_mem.h"
#include "engine/lane_features.h"
#include "engine/lane_profile.h"
#include "lane_fixture.h"

using enginetest::add_point;
using enginetest::positions;
using enginetest::profile_lane;
using LanePtr = std::unique_ptr<LANE, enginetest::LaneDeleter>;

namespace {

LanePtr lane_with(const std::vector<int>& prof, int top, int bot, int th = 0, int th2 = 0) {
  LanePtr lane(profile_lane(prof));
  lane->min_top_band_thick = top;
  lane->min_bot_band_thick = bot;
  lane->band_threshold = th;
  lane->band_threshold2 = th2;
  return lane;
}

std::vector<int> flat_with(int n, std::initializer_list<std::pair<int, int>> values, int base = 10) {
  std::vector<int> v(n, base);
  for (auto [i, x] : values) v[i] = x;
  return v;
}

TEST(FeatureLists, SortedInsertFindAndDelete) {
  LanePtr lane(profile_lane({1, 2, 3}));
  LN_FEAT* head = lane->peak;
  for (int pos : {5, 1, 3}) {
    LN_FEAT* n = ln_make_feat_node();
    n->feat.y = pos;
    EXPECT_EQ(ln_add(head, n, "Peak"), 1);
  }
  LN_FEAT* dup = ln_make_feat_node();
  dup->feat.y = 3;
  EXPECT_EQ(ln_add(head, dup, "Peak"), 0);
  ks_free(dup);
  EXPECT_EQ(positions(head), (std::vector<int>{1, 3, 5}));

  LN_FEAT *prev = nullptr, *node = nullptr;
  EXPECT_EQ(ln_find(head, 4, &prev, &node), 0);
  EXPECT_EQ(prev->feat.y, 3);
  EXPECT_EQ(node, nullptr);
  EXPECT_EQ(ln_find(head, 0, &prev, &node), 0);
  EXPECT_EQ(prev, head);
  EXPECT_EQ(ln_find(head, 5, &prev, &node), 1);
  EXPECT_EQ(node->feat.y, 5);

  LN_FEAT* gone = ln_del(head, 3, "Peak");
  ASSERT_NE(gone, nullptr);
  ks_free(gone);
  EXPECT_EQ(ln_del(head, 3, "Peak"), nullptr);
  EXPECT_EQ(positions(head), (std::vector<int>{1, 5}));
}

// Narrow peak with the 3-wide kernel (thickness 2): D(j) = 10 (2 v[j] - v[j-1] - v[j+1]).
// D < 1 on 0..7, >= 1 on 8, < 1 on 9..19: inflection points 0, 7, 9, 19; valleys at the middle
// of the first flat stretch (0..5 -> 2) and of the last (11..19 -> 15); the peak at 8.
const std::vector<int> kNarrow = flat_with(20, {{6, 12}, {7, 20}, {8, 30}, {9, 20}, {10, 12}});

TEST(StandardDetector, HandComputedFeatures) {
  struct Case {
    const char* what;
    std::vector<int> prof;
    int top, bot, th, th2, clean, split;
    std::vector<int> peaks, valleys, infl;
  };
  // A concave bump 6..14 (second differences all negative) peaking at 10 between flat 10s:
  // inflection points 0, 5, 15, 24, span 15 - 5 + 1 = 11.
  const std::vector<int> bump =
      flat_with(25, {{6, 15}, {7, 19}, {8, 22}, {9, 24}, {10, 25}, {11, 24}, {12, 22}, {13, 19},
                     {14, 15}});
  // A three-row plateau under the 5-wide kernel: positive run 8..10, peak in its middle.
  const std::vector<int> plateau = flat_with(20, {{7, 15}, {8, 20}, {9, 20}, {10, 20}, {11, 15}});
  // One-row dot of 100: with the 15-wide kernel (thickness 8) the positive run is 5 rows and
  // the span between the inflection points 7, narrower than the thickness: deleted. With the
  // 13-wide kernel (thickness 7) it stays.
  const std::vector<int> dot = flat_with(40, {{20, 110}});
  const Case cases[] = {
      {"flat, valleys kept", std::vector<int>(40, 7), 5, 5, 0, 0, 0, 0, {}, {0, 19, 39}, {0, 39}},
      {"flat, valleys cleaned", std::vector<int>(40, 7), 5, 5, 0, 0, 1, 0, {}, {0, 39}, {0, 39}},
      {"narrow peak", kNarrow, 2, 2, 0, 0, 1, 0, {8}, {0, 2, 15, 19}, {0, 7, 9, 19}},
      // Rise 20 below the threshold 25: the peak goes, and with rise_low > 10 the higher valley
      // (equal: the left one, 2) goes with it.
      {"peak under threshold", kNarrow, 2, 2, 25, 0, 0, 0, {}, {0, 15, 19}, {0, 7, 9, 19}},
      {"peak under threshold, cleaned", kNarrow, 2, 2, 25, 0, 1, 0, {}, {0, 19}, {0, 7, 9, 19}},
      // Both thresholds: rise_high 20 >= lo 20 and rise_low 20 >= hi 20.
      {"peak at both thresholds", kNarrow, 2, 2, 20, 20, 1, 0, {8}, {0, 2, 15, 19}, {0, 7, 9, 19}},
      {"plateau centre", plateau, 3, 3, 0, 0, 1, 0, {9}, {0, 3, 15, 19}, {0, 7, 11, 19}},
      {"dot narrower than thickness", dot, 8, 8, 0, 0, 1, 0, {}, {0, 39}, {0, 17, 23, 39}},
      {"dot kept", dot, 7, 7, 0, 0, 1, 0, {20}, {0, 8, 31, 39}, {0, 17, 23, 39}},
      // Wide peak, split off: it moves to 5 + 11 / 2 = 10.
      {"wide bump", bump, 2, 2, 0, 0, 1, 0, {10}, {0, 2, 19, 24}, {0, 5, 15, 24}},
      // Split on: 2 x 2.5 + 0.5 <= 11, so the peak moves to 5 + 11 / 3 = 8, a valley and an
      // inflection point go to 5 + 11 / 2 = 10 and a second peak to 8 + 3 = 11.
      {"wide bump split", bump, 2, 2, 0, 0, 1, 1, {8, 11}, {0, 2, 10, 19, 24}, {0, 5, 10, 15, 24}},
  };
  for (const auto& c : cases) {
    LanePtr lane = lane_with(c.prof, c.top, c.bot, c.th, c.th2);
    ln_detect_features(lane.get(), c.clean, c.split);
    EXPECT_EQ(positions(lane->peak), c.peaks) << c.what;
    EXPECT_EQ(positions(lane->valley), c.valleys) << c.what;
    EXPECT_EQ(positions(lane->infl_pt), c.infl) << c.what;
  }
}

TEST(StandardDetector, PeakWidthByteIsTheSegmentThickness) {
  // Thickness ramp 3 -> 13 over ten segments on a long profile: peaks low down get wider bytes.
  std::vector<int> prof(400, 10);
  // Each band about as thick as its part of the lane expects.
  for (int k = -6; k <= 6; ++k) prof[40 + k] = 10 + 100 * std::exp(-k * k / 8.0);
  for (int k = -15; k <= 15; ++k) prof[360 + k] = 10 + 100 * std::exp(-k * k / 50.0);
  LanePtr lane = lane_with(prof, 3, 13);
  ln_detect_features(lane.get(), 1, 0);
  ASSERT_EQ(positions(lane->peak), (std::vector<int>{40, 360}));
  EXPECT_EQ(lane->peak->next->band_fw, 3);
  EXPECT_EQ(lane->peak->next->next->band_fw, 13);
}

TEST(StandardDetector, ProfileAsLongAsKernelPlusThreeIsOneSegment) {
  // Thicknesses 3 and 8: kernel 19, P = 22. A 22-row lane gives step 0.
  std::vector<int> prof = flat_with(22, {{10, 20}, {11, 40}, {12, 20}});
  LanePtr lane = lane_with(prof, 3, 8);
  ln_detect_features(lane.get(), 1, 0);
  EXPECT_EQ(positions(lane->peak), (std::vector<int>{11}));
  EXPECT_EQ(lane->peak->next->band_fw, 3);
  // Shorter than the kernel of its thickness: no features at all.
  LanePtr tiny = lane_with({5, 9, 5}, 5, 5);
  ln_detect_features(tiny.get(), 1, 0);
  EXPECT_TRUE(positions(tiny->peak).empty());
  EXPECT_TRUE(positions(tiny->valley).empty());
}

// A noisy gel-like profile: Gaussian bands of different heights and widths, one of them a
// shoulder on the flank of a bigger band, over a sloping background with deterministic noise.
std::vector<int> noisy_profile() {
  const struct {
    double c, h, s;
  } bands[] = {{30, 400, 3}, {70, 250, 4}, {82, 120, 3}, {130, 600, 5}, {175, 90, 3}, {210, 300, 4}};
  std::vector<int> v(240);
  unsigned seed = 12345;
  for (int i = 0; i < 240; ++i) {
    double y = 100 + 0.3 * i;
    for (const auto& b : bands) y += b.h * std::exp(-(i - b.c) * (i - b.c) / (2 * b.s * b.s));
    seed = seed * 1103515245u + 12345u;
    y += static_cast<int>((seed >> 16) % 7) - 3;
    v[i] = static_cast<int>(y);
  }
  return v;
}

TEST(StandardDetector, NoisyProfileAgreesWithScipyPeaks) {
  // scipy.signal.find_peaks(v, prominence=10) on this profile gives 30, 70, 82, 130, 175, 210.
  // With both thresholds 20 (a rise above both valleys, like a prominence) the detector finds
  // the same bands; the shoulder lands at 83, the middle between its inflection points, where
  // scipy takes the highest sample (82).
  const std::vector<int> scipy = {30, 70, 82, 130, 175, 210};
  LanePtr lane = lane_with(noisy_profile(), 5, 5, 20, 20);
  ln_detect_features(lane.get(), 1, 0);
  const std::vector<int> found = positions(lane->peak);
  ASSERT_EQ(found.size(), scipy.size());
  for (size_t k = 0; k < found.size(); ++k) EXPECT_NEAR(found[k], scipy[k], 1) << k;
  EXPECT_EQ(found[2], 83);
  // With the small threshold of the baseline step, noise wiggles on the background count too.
  LanePtr noisy = lane_with(noisy_profile(), 5, 5, 3, 0);
  ln_detect_features(noisy.get(), 1, 0);
  EXPECT_GT(positions(noisy->peak).size(), scipy.size());
}

TEST(PeakSelection, KeepsTheHighestAboveThePercentCut) {
  //                      heights 100, 15, 90, 50, 30 at 2, 5, 8, 11, 14
  std::vector<int> prof(17, 0);
  const int pos[] = {2, 5, 8, 11, 14}, hgt[] = {100, 15, 90, 50, 30};
  struct Case {
    int max_detect, pct;
    std::vector<int> kept;
  } cases[] = {{3, 20, {2, 8, 11}}, {10, 20, {2, 8, 11, 14}}, {10, 0, {2, 5, 8, 11, 14}},
               {10, 50, {2, 8, 11}}, {1, 0, {2}}};
  for (const auto& c : cases) {
    LanePtr lane(profile_lane(prof));
    for (int k = 0; k < 5; ++k) {
      lane->data_values[pos[k]] = hgt[k] + 7;
      add_point(lane->peak, pos[k], hgt[k] + 7);
    }
    ln_calc_baseline(lane.get());
    for (int i = 0; i < 17; ++i) lane->baseline_values[i] = 7;
    lane->max_detect = c.max_detect;
    lane->pct_threshold = c.pct;
    EXPECT_EQ(ln_sel(lane.get()), static_cast<int>(c.kept.size()));
    EXPECT_EQ(positions(lane->peak), c.kept) << c.max_detect << " " << c.pct;
  }
}

TEST(Baselines, ArrayJoinsPointsWithRoundedLines) {
  LanePtr lane(profile_lane(std::vector<int>(10, 0)));
  ln_calc_baseline(lane.get());
  EXPECT_EQ(std::vector<int>(lane->baseline_values, lane->baseline_values + 10),
            std::vector<int>(10, 0));
  add_point(lane->baseline, 4, 9);
  ln_calc_baseline(lane.get());
  EXPECT_EQ(std::vector<int>(lane->baseline_values, lane->baseline_values + 10),
            std::vector<int>(10, 9));
  ln_free_feat_list(lane->baseline);
  add_point(lane->baseline, 2, 10);
  add_point(lane->baseline, 6, 20);
  ln_calc_baseline(lane.get());
  EXPECT_EQ(std::vector<int>(lane->baseline_values, lane->baseline_values + 10),
            (std::vector<int>{10, 10, 10, 13, 15, 18, 20, 20, 20, 20}));
  // Falling lines round with floor(x + 0.5): -2.5 gives -3, where truncation would give -2.
  ln_free_feat_list(lane->baseline);
  add_point(lane->baseline, 0, 0);
  add_point(lane->baseline, 4, -6);
  add_point(lane->baseline, 30, 50);  // beyond the profile: not written past its end
  ln_calc_baseline(lane.get());
  EXPECT_EQ(std::vector<int>(lane->baseline_values, lane->baseline_values + 5),
            (std::vector<int>{0, -1, -3, -4, -6}));
}

TEST(Baselines, ValueAtARowInterpolatesWithTruncation) {
  LanePtr lane(enginetest::make_lane({{50, 100}, {50, 119}}, std::vector<int>(20, 0)));
  add_point(lane->baseline, 2, 10);
  add_point(lane->baseline, 6, 20);
  EXPECT_EQ(ln_baseline_at(103, lane.get()), 0);  // no background
  lane->bckgrnd_type = 1;
  const struct {
    int y, v;
  } rows[] = {{100, 10}, {102, 10}, {103, 12}, {105, 17}, {106, 20}, {119, 20}};
  for (const auto& r : rows) EXPECT_EQ(ln_baseline_at(r.y, lane.get()), r.v) << r.y;
  // Rows in one walk: the same values, also before the lane, past its points and without a
  // background.
  auto rows_agree = [&] {
    std::vector<int> walked(40);
    ln_baseline_rows(90, 129, lane.get(), walked.data());
    for (int y = 90; y < 130; ++y) EXPECT_EQ(walked[y - 90], ln_baseline_at(y, lane.get())) << y;
  };
  rows_agree();
  ln_free_feat_list(lane->baseline);
  add_point(lane->baseline, 0, 5);
  add_point(lane->baseline, 4, -20);
  EXPECT_EQ(ln_baseline_at(101, lane.get()), 0);  // 5 + (-25) / 4 = -1, never negative
  rows_agree();
  lane->bckgrnd_type = 0;
  rows_agree();
}

TEST(Baselines, AngleLimitsWhichValleysJoin) {
  // Valleys on a steep ramp (slope 2 per row) and one low valley.
  std::vector<int> prof(40);
  for (int i = 0; i < 40; ++i) prof[i] = 100 + 2 * i;
  prof[30] = 50;
  for (int angle : {0, 45, 70}) {
    LanePtr lane(profile_lane(prof));
    lane->max_angle = angle;
    for (int p : {0, 10, 20, 30, 39}) add_point(lane->valley, p, prof[p]);
    ln_bslop(lane.get(), lane->valley);
    // Lowest first (30); at 70 degrees (tangent 2.75) row 0 joins (slope 50 / 30 to row 30, no
    // neighbour above), row 10 does not (slope 70 / 20 to row 30).
    const std::vector<int> expect = angle == 70 ? std::vector<int>{0, 30} : std::vector<int>{30};
    EXPECT_EQ(positions(lane->baseline), expect) << angle;
    EXPECT_EQ(lane->num_base_ptrs, static_cast<int>(expect.size()));
  }
  // A gentle ramp: every valley joins at 45 degrees, none at 0.
  std::vector<int> gentle(40);
  for (int i = 0; i < 40; ++i) gentle[i] = 100 + i / 4;
  LanePtr lane(profile_lane(gentle));
  lane->max_angle = 45;
  for (int p : {0, 10, 20, 30, 39}) add_point(lane->valley, p, gentle[p]);
  ln_bslop(lane.get(), lane->valley);
  EXPECT_EQ(positions(lane->baseline), (std::vector<int>{0, 10, 20, 30, 39}));
}

TEST(Baselines, AdjustmentFollowsDipsAndCorrectionClips) {
  // Flat 100 with a dip to 60 at 12 and a shallower one to 90 at 30; valleys at the ends only.
  std::vector<int> prof(40, 100);
  prof[11] = 80;
  prof[12] = 60;
  prof[13] = 80;
  prof[30] = 90;
  LanePtr lane(profile_lane(prof));
  lane->max_angle = 45;
  add_point(lane->valley, 0, 100);
  add_point(lane->valley, 39, 100);
  ln_bcorr(lane.get());
  // The first pass adds the deepest dip of the one stretch (12); the next pass finds 30 below
  // the line 60 -> 100 (and 11, 13 are on it). Joining again at 45 degrees: from 60 at 12 the
  // slope to 100 at 0 is 3.3, too steep; so only the lowest point and those gentle from it stay.
  EXPECT_EQ(positions(lane->baseline), (std::vector<int>{12}));
  for (int i = 0; i < 40; ++i) EXPECT_LE(lane->baseline_values[i], prof[i]) << i;
  EXPECT_EQ(lane->baseline_values[12], 60);

  LN_FEAT* list = nullptr;
  LanePtr flat(profile_lane(std::vector<int>(10, 5)));
  EXPECT_EQ(ln_badj(flat.get(), &list), 0);  // no baseline points: nothing to adjust
  EXPECT_EQ(list, nullptr);
}

// The adjustment as first written: in each pass the whole baseline built again and every
// stretch between points searched, for comparison with the pass that searches only the
// stretches the last one split.
int adjust_pass_by_pass(LANE* lane) {
  if (!lane->baseline || !lane->baseline->next) return 0;
  const int n = lane->num_data_values;
  const int* v = lane->data_values;
  int added_any = 0;
  for (;;) {
    ln_calc_baseline(lane);
    const int* base = lane->baseline_values;
    std::vector<int> bounds{0};
    std::vector<LN_FEAT*> nodes{nullptr};
    for (LN_FEAT* p = lane->baseline->next; p; p = p->next) {
      bounds.push_back(p->feat.y);
      nodes.push_back(p);
    }
    bounds.push_back(n - 1);
    int added = 0;
    for (size_t k = 0; k + 1 < bounds.size(); ++k) {
      const int a = std::max(0, bounds[k]), z = std::min(n - 1, bounds[k + 1]);
      int best = -1, depth = 0;
      for (int i = a; i < z; ++i) {
        if (v[i] < base[i] && base[i] - v[i] > depth) {
          depth = base[i] - v[i];
          best = i;
        }
      }
      if (best < 0) continue;
      LN_FEAT* node = ln_make_feat_node();
      node->feat.y = best;
      node->feat.x = v[best];
      LN_FEAT* from = nodes[k] && nodes[k]->feat.y < best ? nodes[k] : lane->baseline;
      if (ln_add(from, node, "Baseline"))
        ++added;
      else
        ks_free(node);
    }
    if (!added) break;
    added_any = 1;
  }
  lane->num_base_ptrs = static_cast<int>(positions(lane->baseline).size());
  return added_any;
}

// Links points (position, value) into an empty list in the order given, sorted or not.
void link_points(LN_FEAT* head, const std::vector<std::pair<int, int>>& points) {
  LN_FEAT** link = &head->next;
  for (auto [pos, value] : points) {
    LN_FEAT* node = ln_make_feat_node();
    node->feat.y = pos;
    node->feat.x = value;
    *link = node;
    link = &node->next;
  }
}

std::vector<std::pair<int, int>> points_of(const LN_FEAT* head) {
  std::vector<std::pair<int, int>> out;
  for (const LN_FEAT* p = head ? head->next : nullptr; p; p = p->next)
    out.push_back({p->feat.y, p->feat.x});
  return out;
}

// Noisy profiles with bands over a sloping background, and baseline points on the profile, off
// it, outside it and out of order: the adjustment adds the points, counts them, builds the
// baseline array and hands back the list that the pass-by-pass adjustment gives.
TEST(Baselines, AdjustmentEqualsThePassByPassRebuild) {
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> noise(0, 40), coin(0, 3);
  for (int rep = 0; rep < 400; ++rep) {
    const int n = 5 + rep % 97 * 4;
    std::vector<int> prof(n);
    for (int i = 0; i < n; ++i)
      prof[i] = 500 + i * (rep % 7 - 3) + noise(rng) + (i % 23 < 4 ? 300 : 0);
    std::vector<std::pair<int, int>> points;
    for (int i = 0; i < n; ++i) {
      if (coin(rng) != 0) continue;
      const int kind = rep % 4;
      points.push_back({i, kind == 1 ? prof[i] + noise(rng) - 20 : prof[i]});
    }
    if (rep % 4 == 2) points.insert(points.begin(), {-7, 450});   // before the profile
    if (rep % 4 == 2) points.push_back({n + 9, 700});              // past its end
    if (rep % 4 == 3) std::shuffle(points.begin(), points.end(), rng);  // out of order
    const std::string what = "rep " + std::to_string(rep) + ", n " + std::to_string(n);
    LanePtr got(profile_lane(prof)), want(profile_lane(prof));
    link_points(got->baseline, points);
    link_points(want->baseline, points);
    LN_FEAT* list = nullptr;
    ASSERT_EQ(ln_badj(got.get(), &list), adjust_pass_by_pass(want.get())) << what;
    EXPECT_EQ(points_of(got->baseline), points_of(want->baseline)) << what;
    std::vector<int> listed = positions(want->baseline);  // the list handed back is sorted
    std::sort(listed.begin(), listed.end());
    listed.erase(std::unique(listed.begin(), listed.end()), listed.end());
    EXPECT_EQ(positions(list), listed) << what;
    EXPECT_EQ(got->num_base_ptrs, want->num_base_ptrs) << what;
    ASSERT_EQ(got->baseline_values == nullptr, want->baseline_values == nullptr) << what;
    if (got->baseline_values) {
      EXPECT_EQ(std::vector<int>(got->baseline_values, got->baseline_values + n),
                std::vector<int>(want->baseline_values, want->baseline_values + n))
          << what;
    }
    ln_free_feat_list_all(list);
  }
}

// The points that join the baseline, lowest first, as first written: each candidate's
// neighbours found by bisection in a sorted array of the points taken so far.
std::vector<std::pair<int, int>> joined_by_bisection(const std::vector<int>& prof,
                                                     const std::vector<int>& candidates,
                                                     int angle) {
  const int n = static_cast<int>(prof.size());
  struct Cand {
    int pos, value;
  };
  std::vector<Cand> cand;
  for (int p : candidates) cand.push_back({p, p >= 0 && p < n ? prof[p] : 0});
  std::stable_sort(cand.begin(), cand.end(), [](const Cand& a, const Cand& b) { return a.value < b.value; });
  const double tangent = std::tan(angle * M_PI / 180.0);
  std::vector<std::pair<int, int>> taken;  // (position, value), ascending
  auto slope = [](const std::pair<int, int>* q, const Cand& c) {
    if (!q || q->first == c.pos) return 0.0;
    return std::abs(static_cast<double>(c.value - q->second) / (c.pos - q->first));
  };
  for (size_t k = 0; k < cand.size(); ++k) {
    const Cand& c = cand[k];
    auto at = std::lower_bound(taken.begin(), taken.end(), std::make_pair(c.pos, INT_MIN));
    const std::pair<int, int>* before = at != taken.begin() ? &*(at - 1) : nullptr;
    const std::pair<int, int>* after = at != taken.end() ? &*at : nullptr;
    if (k > 0 && !(slope(before, c) < tangent && slope(after, c) < tangent)) continue;
    if (after && after->first == c.pos) continue;  // already a point there
    taken.insert(at, {c.pos, c.value});
  }
  return taken;
}

// Candidates in profile order and out of it, repeated, outside the profile, at every angle
// from flat to steep: the baseline takes the points the bisection takes.
TEST(Baselines, JoiningPointsEqualsTheBisection) {
  std::mt19937 rng(9);
  std::uniform_int_distribution<int> noise(0, 60), coin(0, 2);
  for (int rep = 0; rep < 300; ++rep) {
    const int n = 3 + rep % 150 * 3;
    std::vector<int> prof(n);
    const int floor = rep % 2 ? 400 : -(1 << 20);  // values of either sign, bytes of all four
    for (int i = 0; i < n; ++i) prof[i] = floor + noise(rng) + (i % 17 < 3 ? 200 : 0);
    std::vector<int> cand;
    for (int i = 0; i < n; ++i)
      if (coin(rng) == 0) cand.push_back(i);
    if (rep % 3 == 1) {
      cand.push_back(-4);
      cand.push_back(n + 2);
      if (!cand.empty()) cand.push_back(cand[cand.size() / 2]);
      std::shuffle(cand.begin(), cand.end(), rng);
    }
    for (int angle : {0, 3, 30, 60, 89}) {
      LanePtr lane(profile_lane(prof));
      lane->max_angle = angle;
      std::vector<std::pair<int, int>> valleys;
      for (int p : cand) valleys.push_back({p, 0});
      link_points(lane->valley, valleys);
      ln_bslop(lane.get(), lane->valley);
      const auto want = joined_by_bisection(prof, cand, angle);
      const std::string what = "rep " + std::to_string(rep) + ", angle " + std::to_string(angle);
      EXPECT_EQ(points_of(lane->baseline), want) << what;
      EXPECT_EQ(lane->num_base_ptrs, static_cast<int>(want.size())) << what;
    }
  }
}

// Lines rising and falling, long and short, between values up to the ends of the int range and
// between points outside the profile: each row holds floor(x + 0.5) of its line, held to the int
// range.
TEST(Baselines, ArrayRowsEqualTheRoundedLineOfTheirStretch) {
  std::mt19937 rng(17);
  std::uniform_int_distribution<int> any(INT_MIN, INT_MAX), small(-3000, 3000), coin(0, 3);
  for (int rep = 0; rep < 300; ++rep) {
    const int n = 1 + rep % 61 * 7;
    LanePtr lane(profile_lane(std::vector<int>(n, 0)));
    std::vector<std::pair<int, int>> pts;
    for (int pos = -coin(rng) * 5; pos < n + 10; pos += 1 + coin(rng) * 9)
      pts.push_back({pos, rep % 3 == 0 ? any(rng) : small(rng)});
    link_points(lane->baseline, pts);
    ln_calc_baseline(lane.get());
    ASSERT_NE(lane->baseline_values, nullptr);
    for (int r = 0; r < n; ++r) {
      // The rows before the first point and from the last on take their value.
      int want = r <= pts.front().first ? pts.front().second : pts.back().second;
      for (size_t k = 0; k + 1 < pts.size(); ++k) {
        const auto [py, px] = pts[k];
        const auto [qy, qx] = pts[k + 1];
        if (r < py || r > qy) continue;
        const double slope = static_cast<double>(static_cast<long long>(qx) - px) / (qy - py);
        const double v = std::floor((static_cast<double>(r) - py) * slope + px + 0.5);
        want = v <= INT_MIN ? INT_MIN : (v >= INT_MAX ? INT_MAX : static_cast<int>(v));
      }
      ASSERT_EQ(lane->baseline_values[r], want) << "rep " << rep << ", row " << r;
    }
  }
}

std::vector<int> gaussians(int n, std::initializer_list<std::pair<int, int>> bands, double sd) {
  std::vector<int> v(n);
  for (int i = 0; i < n; ++i) {
    double y = 20;
    for (auto [c, h] : bands) y += h * std::exp(-(i - c) * (i - c) / (2 * sd * sd));
    v[i] = static_cast<int>(y);
  }
  return v;
}

TEST(AlternativeDetector, PeaksPerFifthAboveTheThreshold) {
  // A strong band in the first fifth and a band twenty times weaker in the last, over a flat
  // zero stretch in the middle fifths (no excess: those chunks stay unscaled).
  std::vector<int> prof = gaussians(300, {{40, 2000}, {250, 100}}, 8);
  for (int i = 120; i < 180; ++i) prof[i] = 0;
  struct Case {
    int threshold;
    std::vector<int> peaks;
  } cases[] = {
      {0, {}},  // T = 40: a normalised value never exceeds it
      {5, {40, 250}},  // each band is the largest of its own fifth
  };
  for (const auto& c : cases) {
    LanePtr lane = lane_with(prof, 8, 16, c.threshold);
    ln_calc_baseline(lane.get());
    ln_det2(lane.get(), nullptr);
    EXPECT_EQ(positions(lane->peak), c.peaks) << c.threshold;
    // Each peak has its upper bound in the inflection list and its lower one in the valley
    // list, around it.
    const auto up = positions(lane->infl_pt), down = positions(lane->valley);
    ASSERT_EQ(up.size(), c.peaks.size());
    ASSERT_EQ(down.size(), c.peaks.size());
    for (size_t k = 0; k < c.peaks.size(); ++k) {
      EXPECT_LT(up[k], c.peaks[k]);
      EXPECT_GT(down[k], c.peaks[k]);
      EXPECT_EQ(lane->peak->next->band_fw, 8);
    }
  }
}

TEST(AlternativeDetector, FilteredCurveHasItsMaximaAtTheBands) {
  // Two bands on a flat excess: the filtered second derivative peaks at their centres, and is
  // written only where the filters' windows fit.
  LanePtr lane = lane_with(gaussians(300, {{100, 500}, {200, 500}}, 8), 8, 16);
  std::vector<int> E(300), F(300, 0);
  ASSERT_EQ(ln_2nd(lane.get(), E.data(), F.data()), 0);
  EXPECT_EQ(E[100], 520);
  int best = 60;
  for (int i = 60; i < 140; ++i) best = F[i] > F[best] ? i : best;
  EXPECT_EQ(best, 100);
  best = 160;
  for (int i = 160; i < 240; ++i) best = F[i] > F[best] ? i : best;
  EXPECT_EQ(best, 200);
  // The top filter (thickness 8: width 71) leaves its first 35 outputs unwritten.
  for (int i = 0; i < 35; ++i) EXPECT_EQ(F[i], 0) << i;
  LanePtr too_short = lane_with(std::vector<int>(60, 5), 8, 16);
  std::vector<int> e(60), f(60);
  EXPECT_EQ(ln_2nd(too_short.get(), e.data(), f.data()), -1);
}

}  // namespace
