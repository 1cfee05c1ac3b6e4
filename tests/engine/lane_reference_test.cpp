// The row statistics, feature detection, baseline points, band baselines and the bound pick,
// held fixed: their results on every case below must equal the ones recorded in
// lane_results.txt, also under settings the whole-chain fixture never takes (thickness ramps,
// thresholds, valley clean-up, splitting, steep and gentle angles, rows out of order). The
// profiles are the real ladder gel's lanes when the gel can be read here, and synthetic gel-like
// profiles always. Lists and arrays are compared as digests of their values; a mismatch names
// the case and the quantity. With VX_RECORD_LANE_RESULTS=1 the file is written from the current
// code instead.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/lane_features.h"
#include "engine/lane_profile.h"
#include "engine/lane_stats.h"
#include "engine/mj_bounds.h"
#include "ladder_gel.h"
#include "lane_fixture.h"
#include "recorded_results.h"

namespace {

using LanePtr = std::unique_ptr<LANE, enginetest::LaneDeleter>;
using vxtest::Digest;
using vxtest::Results;

const char kRecord[] = "VX_RECORD_LANE_RESULTS";

std::filesystem::path results_file() {
  return vxtest::source_dir() / "tests/engine/lane_results.txt";
}

// Cases on the real gel's lanes, missing where the gel cannot be analysed here.
bool on_gel(const std::string& key) {
  return key.find("ladder gel") != std::string::npos;
}

std::string fmt(const char* f, auto... v) {
  char s[160];
  std::snprintf(s, sizeof s, f, v...);
  return s;
}

// A list's length and a digest of its nodes' positions, values and band widths.
std::string list_digest(const LN_FEAT* head) {
  Digest d;
  int n = 0;
  for (const LN_FEAT* p = head ? head->next : nullptr; p; p = p->next, ++n) {
    d.add(p->feat.y);
    d.add(p->feat.x);
    d.add(p->band_fw);
  }
  return std::to_string(n) + " " + d.hex();
}

// Gel-like profiles: Gaussian bands of varied heights and widths on a sloping background with
// noise (plateaus and ties included), long enough for ten thickness segments.
std::vector<std::vector<int>> synthetic_profiles() {
  std::vector<std::vector<int>> out;
  std::mt19937 rng(20261210);
  for (int n : {60, 450, 1800}) {
    std::vector<int> v(n);
    std::uniform_real_distribution<double> centre(0, n), height(20, 900), width(1.5, 9);
    std::vector<std::array<double, 3>> bands(n / 25);
    for (auto& b : bands) b = {centre(rng), height(rng), width(rng)};
    std::uniform_int_distribution<int> noise(-4, 4);
    for (int i = 0; i < n; ++i) {
      double y = 300 - 0.05 * i;
      for (const auto& b : bands)
        y += b[1] * std::exp(-(i - b[0]) * (i - b[0]) / (2 * b[2] * b[2]));
      v[i] = static_cast<int>(y) / 3 * 3 + noise(rng);
    }
    out.push_back(v);
  }
  return out;
}

struct Profile {
  std::string name;
  std::vector<int> values;
};

// The profiles the routines run on: the synthetic ones, and the real gel's lanes (when it can be
// analysed here), each also reversed. `gel_missing` says why the gel's are not there.
std::vector<Profile> profiles(std::string* gel_missing) {
  std::vector<Profile> out;
  for (auto& v : synthetic_profiles())
    out.push_back({fmt("synthetic %04zu", v.size()), std::move(v)});
  vxtest::LadderGel g;
  if (!vxtest::analyse_ladder_gel(&g)) {
    *gel_missing = g.skip.empty() ? "the ladder gel cannot be analysed" : g.skip;
    return out;
  }
  for (size_t i = 0; i < g.lanes.size(); ++i) {
    const LANE* l = g.lanes[i];
    std::vector<int> v(l->data_values, l->data_values + l->num_data_values);
    out.push_back({fmt("ladder gel lane %zu", i + 1), v});
    std::reverse(v.begin(), v.end());
    out.push_back({fmt("ladder gel lane %zu reversed", i + 1), v});
  }
  return out;
}

// The results of one test on every profile, under the test's section of the recorded file.
struct ProfileResults {
  std::string section;
  std::string gel_missing;  // why the gel's profiles are not there, when they are not
  std::vector<Profile> profs = profiles(&gel_missing);
  Results got;

  // The profiles themselves are listed too, so that a changed input shows as such rather than as
  // a changed result.
  explicit ProfileResults(std::string sec) : section(std::move(sec)) {
    for (const Profile& p : profs) {
      Digest d;
      d.bytes(p.values.data(), sizeof(int) * p.values.size());
      got[section + p.name + " profile"] = std::to_string(p.values.size()) + " " + d.hex();
    }
  }

  // Compares with the recorded file; recording needs every case, the gel's included.
  void expect_recorded() const {
    if (vxtest::recording(kRecord) && !gel_missing.empty())
      FAIL() << "cannot record without the ladder gel: " << gel_missing;
    vxtest::expect_recorded(kRecord, results_file(), section, got, 100, on_gel);
  }
};

LanePtr lane_of(const std::vector<int>& prof) {
  LanePtr lane(enginetest::profile_lane(prof, 50, 7));
  lane->bckgrnd_type = 1;
  return lane;
}

void set_detection(LANE* l, int top, int bot, int th, int th2) {
  l->min_top_band_thick = top;
  l->min_bot_band_thick = bot;
  l->band_threshold = th;
  l->band_threshold2 = th2;
}

// The statistics of rows from ln_row_stats and, for each row whose values fit, from its 16- and
// 8-bit forms: a digest of each form's results over the rows.
std::string row_stats(const std::vector<std::vector<int>>& rows, Digest* inputs) {
  Digest d32, d16, d8;
  auto put = [](Digest& d, bool ok, const LnRowStats& s) {
    d.add(ok);
    d.add(s.value);
    d.add(s.side_mean);
    d.add(s.spike);
  };
  for (const std::vector<int>& s : rows) {
    const int n = static_cast<int>(s.size());
    inputs->bytes(s.data(), sizeof(int) * s.size());
    LnRowStats got{};
    put(d32, ln_row_stats(s.data(), n, &got), got);
    const auto [lo, hi] = std::minmax_element(s.begin(), s.end());
    const bool fit16 = *lo >= 0 && *hi <= 65535, fit8 = *lo >= 0 && *hi <= 255;
    d16.add(fit16);
    if (fit16) {
      std::vector<uint8_t> s16;
      for (int v : s)
        s16.insert(s16.end(), {static_cast<uint8_t>(v & 0xff), static_cast<uint8_t>(v >> 8)});
      got = {};
      put(d16, ln_row_stats_le16(s16.data(), n, &got), got);
    }
    d8.add(fit8);
    if (fit8) {
      const std::vector<uint8_t> s8(s.begin(), s.end());
      got = {};
      put(d8, ln_row_stats_u8(s8.data(), n, &got), got);
    }
  }
  return "int " + d32.hex() + " 16-bit " + d16.hex() + " 8-bit " + d8.hex();
}

TEST(RecordedResults, RowStatisticsOfRandomAndTiedRows) {
  Results got;
  Digest inputs;
  std::mt19937 rng(7);
  // Narrow value ranges make ties for the brightest sample; wide and negative ones test the
  // sums.
  const struct { int lo, hi; } ranges[] = {{0, 3}, {0, 255}, {0, 65535}, {-40000, 40000}};
  for (const auto& r : ranges) {
    std::uniform_int_distribution<int> value(r.lo, r.hi);
    for (int n = 1; n <= 140; ++n) {
      std::vector<std::vector<int>> rows(20, std::vector<int>(n));
      for (auto& s : rows)
        for (int& x : s) x = value(rng);
      got[fmt("row stats, %d..%d, %03d samples", r.lo, r.hi, n)] = row_stats(rows, &inputs);
    }
  }
  // A row whose 16-bit sum needs more than 32 bits, the brightest sample late in it.
  std::vector<int> wide(70001, 65000);
  wide[69000] = 65535;
  got["row stats, 70001 bright samples"] = row_stats({wide}, &inputs);
  got["row stats, inputs"] = inputs.hex();
  vxtest::expect_recorded(kRecord, results_file(), "row stats, ", got, 100);
}

TEST(RecordedResults, FeaturesUnderEverySetting) {
  const struct {
    int top, bot, th, th2;
  } settings[] = {{5, 5, 3, 0}, {5, 5, 1000, 0}, {2, 9, 3, 0},  {9, 2, 20, 5},
                  {3, 3, 0, 0}, {0, 0, 5, 40},   {8, 16, 3, 0}, {16, 8, 1, 2}};
  ProfileResults r("features, ");
  for (const Profile& prof : r.profs) {
    // One lane for all settings in turn, so that each detection starts from the lists the last
    // one left.
    LanePtr lane = lane_of(prof.values);
    for (const auto& s : settings) {
      for (int clean : {0, 1}) {
        for (int split : {0, 1}) {
          set_detection(lane.get(), s.top, s.bot, s.th, s.th2);
          ln_detect_features(lane.get(), clean, split);
          r.got[r.section + prof.name +
                fmt(", thickness %02d/%02d, thresholds %d/%d, clean %d, split %d", s.top, s.bot,
                    s.th, s.th2, clean, split)] = "peaks " + list_digest(lane->peak) + " valleys " +
                                                  list_digest(lane->valley) + " inflections " +
                                                  list_digest(lane->infl_pt);
        }
      }
    }
  }
  r.expect_recorded();
}

TEST(RecordedResults, BaselinesAndTheirWalk) {
  ProfileResults r("baseline, ");
  for (const Profile& prof : r.profs) {
    LanePtr lane = lane_of(prof.values);
    LANE* l = lane.get();
    for (int angle : {30, 3, 85}) {
      for (int th : {3, 40}) {
        set_detection(l, 5, 5, th, 0);
        l->max_angle = angle;
        ln_detect_features(l, 0, 0);
        ln_bcorr(l);
        const std::string what =
            r.section + prof.name + fmt(", angle %02d, threshold %02d", angle, th);
        const int n = l->num_data_values;
        Digest values;
        values.bytes(l->baseline_values, sizeof(int32_t) * n);
        r.got[what] = "points " + list_digest(l->baseline) + " counted " +
                      std::to_string(l->num_base_ptrs) + " values " + values.hex();

        // The adjustment alone, from the points as they stand, with the list it hands back.
        LN_FEAT* list = nullptr;
        const int added = ln_badj(l, &list);
        r.got[what + ", adjusted again"] = "returns " + std::to_string(added) + " list " +
                                           list_digest(list) + " points " +
                                           list_digest(l->baseline);
        ln_free_feat_list_all(list);

        // The baseline row by row, ascending from above the lane to below it with uneven steps,
        // then from a row back up: the walk gives what each lookup gives.
        LnBaselineWalk walk(l);
        const int y0 = l->center_coords[0].y;
        for (int y = y0 - 3, step = 1; y <= y0 + n + 3; y += step, step = step % 7 + 1)
          ASSERT_EQ(walk.at(y), ln_baseline_at(y, l)) << what << ", row " << y;
        for (int y : {y0 + n / 2, y0 + n / 2, y0 + 1, y0 + n - 1, y0 - 50})
          ASSERT_EQ(walk.at(y), ln_baseline_at(y, l)) << what << ", row " << y;
      }
    }
  }
  r.expect_recorded();
}

TEST(RecordedResults, BoundPickStopsAfterTheReach) {
  // Second-derivative-like profiles: runs of either sign of random lengths and heights, so that
  // crossings fall before, at and after each reach, with leading non-positive runs and without.
  // Each length has 20 profiles; their picks for each s are held as one digest.
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> run(1, 12), height(0, 90), lead(0, 1);
  constexpr int kReaches[] = {0, 2, 5, 11, 30};
  std::vector<std::array<Digest, 5>> picks(151);
  Digest inputs;
  for (int rep = 0; rep < 3000; ++rep) {
    std::vector<int> d;
    bool positive = lead(rng) == 1;
    const int n = 1 + rep % 150;
    while (static_cast<int>(d.size()) < n) {
      const int len = run(rng), h = height(rng);
      for (int k = 0; k < len && static_cast<int>(d.size()) < n; ++k)
        d.push_back(positive ? 1 + h : -h);
      positive = !positive;
    }
    inputs.bytes(d.data(), sizeof(int) * d.size());
    for (int k = 0; k < 5; ++k) {
      int out = 7;
      picks[n][k].add(mj_bndp(d.data(), 0, n, kReaches[k], 0, 0, 0, &out));
      picks[n][k].add(out);
    }
  }
  Results got;
  for (int n = 1; n <= 150; ++n) {
    std::string v;
    for (int k = 0; k < 5; ++k) v += fmt("%ss %d ", k ? " " : "", kReaches[k]) + picks[n][k].hex();
    got[fmt("bound pick, %03d values", n)] = v;
  }
  got["bound pick, inputs"] = inputs.hex();
  vxtest::expect_recorded(kRecord, results_file(), "bound pick, ", got, 100);
}

}  // namespace
