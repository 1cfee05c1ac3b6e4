// Lane matching engine on hand-built gels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "analysis/vx_match.h"
#include "base/ks_alert.h"
#include "engine/std_numeric.h"
#include "match_fixture.h"
#include "res_fixture.h"
#include "test_support.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"

using namespace matchtest;

TEST(MatchCoefficients, RoundHalfUpAndGuardDenominators) {
  EXPECT_EQ(vx_jaccard(3, 4, 3), 75);
  EXPECT_EQ(vx_dice(3, 4, 3), 86);
  EXPECT_EQ(vx_pct_ref(3, 4, 3), 100);
  EXPECT_EQ(vx_jaccard(0, 0, 0), 0);
  EXPECT_EQ(vx_dice(0, 0, 0), 0);
  EXPECT_EQ(vx_pct_ref(0, 5, 0), 0);
  EXPECT_EQ(vx_pct_ref(8, 0, 1), 13);  // 12.5 rounds up
}

TEST(MatchKeys, SixtyBandsEndInDigits) {
  std::string keys;
  for (int i = 0; i < 60; ++i) keys += vx_band_key(i);
  EXPECT_EQ(keys, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz01234567");
}

TEST(MatchLanes, ScoresByMethodAndKeepsThresholdScore) {
  Gel g("gel");
  g.lane_with(1, {10, 40, 70});
  g.lane_with(2, {10, 40, 70});      // identical
  g.lane_with(3, {10, 40, 70, 95});  // three of four pair
  g.lane_with(4, {25});              // nothing pairs
  CONTROL ctl = plain_control(1);
  struct Case {
    int method;
    int lane2, lane3;
  } cases[] = {{0, 100, 75}, {1, 100, 86}, {2, 100, 100}};
  for (const Case& c : cases) {
    MatchRun r;
    run(r, g, 1, {g.image()}, ctl, 0, c.method);
    ASSERT_EQ(r.rc, 0);
    ASSERT_EQ(r.req.num_results, 3) << "threshold 0 keeps every visited lane but the reference";
    EXPECT_EQ(r.lane(2)->percent, c.lane2);
    EXPECT_EQ(r.lane(3)->percent, c.lane3);
    EXPECT_EQ(r.lane(4)->percent, 0);
    EXPECT_EQ(r.lane(4)->num_pairs, 0);
    EXPECT_EQ(r.lane(4)->pairs, nullptr);
    EXPECT_EQ(r.req.num_ref_bands, 3);
  }
  MatchRun at;  // a score equal to the threshold stays, one below goes
  run(at, g, 1, {g.image()}, ctl, 75, 0);
  EXPECT_NE(at.lane(3), nullptr);
  MatchRun above;
  run(above, g, 1, {g.image()}, ctl, 76, 0);
  EXPECT_EQ(above.lane(3), nullptr);
  EXPECT_NE(above.lane(2), nullptr);
}

TEST(MatchLanes, PairsIdenticalLanesAtDistanceZeroWithKeys) {
  Gel g("gel");
  g.lane_with(1, {10, 40, 70});
  g.lane_with(2, {10, 40, 70});
  MatchRun r;
  run(r, g, 1, {g.image()}, plain_control(0));
  ASSERT_EQ(r.req.num_results, 1);
  const LANE_MATCH* m = r.res[0];
  ASSERT_EQ(m->num_pairs, 3);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(m->pairs[k].ref, k);
    EXPECT_EQ(m->pairs[k].cand, k);
    EXPECT_EQ(m->pairs[k].key, 'A' + k);
  }
}

TEST(MatchLanes, TiesGoToLowerReferenceThenLowerLaneIndex) {
  Gel g("gel");
  // Reference bands at Rf 0.40 and 0.60, lane bands at 0.50: both distances are 0.10, the
  // lower reference index takes the band.
  g.lane_with(1, {40, 60});
  g.lane_with(2, {50});
  // One reference band at 0.50, lane bands at 0.40 and 0.60: the lower lane index wins.
  g.lane_with(3, {50});
  g.lane_with(4, {40, 60});
  CONTROL ctl = plain_control(20);
  MatchRun a;
  run(a, g, 1, {g.image()}, ctl);
  ASSERT_EQ(a.lane(2)->num_pairs, 1);
  EXPECT_EQ(a.lane(2)->pairs[0].ref, 0);
  MatchRun b;
  run(b, g, 3, {g.image()}, ctl);
  ASSERT_EQ(b.lane(4)->num_pairs, 1);
  EXPECT_EQ(b.lane(4)->pairs[0].cand, 0);
}

TEST(MatchLanes, SelfNeverMatchedButSameNumberElsewhereIs) {
  Gel a("first"), b("FIRST_copy");
  a.lane_with(1, {10, 50});
  b.lane_with(1, {10, 50});
  Gel same_name("First");  // the reference image's name in another case is the same image
  same_name.lane_with(1, {10, 50});
  MatchRun r;
  run(r, a, 1, {a.image(), b.image(), same_name.image()}, plain_control());
  ASSERT_EQ(r.req.num_results, 1);
  EXPECT_STREQ(r.res[0]->name, "FIRST_copy");
}

// Gels of one name kept in two folders are two images: the other folder's lane of the
// reference's number is matched; the reference's own file, however its path is written, is not.
TEST(MatchLanes, SameNamedGelOfAnotherFolderIsAnotherImage) {
  Gel a("gel"), b("gel"), same("gel");
  for (Gel* g : {&a, &b, &same}) g->lane_with(1, {10, 50});
  MATCH_IMAGE ia = a.image(), ib = b.image(), isame = same.image();
  std::snprintf(ib.path, sizeof ib.path, "/day2/gel.kes");
  std::snprintf(isame.path, sizeof isame.path, "%s", ia.path);
  MatchRun r;
  std::snprintf(r.req.path, sizeof r.req.path, "%s", ia.path);
  run(r, a, 1, {ia, ib, isame}, plain_control());
  ASSERT_EQ(r.req.num_results, 1);
  EXPECT_STREQ(r.res[0]->path, "/day2/gel.kes");
}

TEST(MatchLanes, BandCountLimit) {
  Gel g("gel");
  g.lane_with(1, {10});
  g.lane_with(2, {10, 30, 50, 70});  // three bands more than the reference
  g.lane_with(3, {10, 30, 50});      // two more
  for (auto [limit, want] : {std::pair{2, 1}, std::pair{3, 2}, std::pair{100, 2}}) {
    MatchRun r;
    run(r, g, 1, {g.image()}, plain_control(), 0, 0, 0, 0, limit);
    EXPECT_EQ(r.req.num_results, want) << "limit " << limit;
  }
}

TEST(MatchLanes, OnePassExchangeOfCrossedLaneIndices) {
  Gel g("gel");
  // Size mode: the greedy pairs reference band 0 (size 100) with lane band 1 and reference
  // band 1 (size 200) with lane band 0; the pass puts the lane indices back in order.
  g.lane(1);
  g.band(1, 10, 100);
  g.band(1, 20, 200);
  g.lane(2);
  g.band(2, 10, 200);
  g.band(2, 20, 100);
  MatchRun r;
  run(r, g, 1, {g.image()}, plain_control(1));
  ASSERT_EQ(r.req.num_results, 1);
  const LANE_MATCH* m = r.res[0];
  ASSERT_EQ(m->num_pairs, 2);
  EXPECT_EQ(m->pairs[0].ref, 0);
  EXPECT_EQ(m->pairs[0].cand, 0);
  EXPECT_EQ(m->pairs[0].key, 'A');
  EXPECT_EQ(m->pairs[1].ref, 1);
  EXPECT_EQ(m->pairs[1].cand, 1);
  EXPECT_EQ(m->pairs[1].key, 'B');
}

TEST(MatchLanes, SpacingCheckSkipsTheRemovedPairsSuccessor) {
  Gel g("gel");
  // Pairs (100,100), (200,105), (300,700). The first spacing fails (100 against 5): the second
  // pair goes, and the third is not compared with the first (it would fail: 200 against 600).
  g.lane(1);
  g.band(1, 10, 100);
  g.band(1, 20, 200);
  g.band(1, 30, 300);
  g.lane(2);
  g.band(2, 10, 100);
  g.band(2, 20, 105);
  g.band(2, 30, 700);
  MatchRun r;
  run(r, g, 1, {g.image()}, plain_control(40), 0, 2, 90);
  ASSERT_EQ(r.req.num_results, 1);
  EXPECT_EQ(r.res[0]->num_pairs, 2);
  EXPECT_EQ(r.res[0]->percent, 67);
  EXPECT_EQ(r.res[0]->pairs[1].ref, 2);

  // Bands without sizes score 0 and fail the spacing check: of three pairs the second goes and
  // the third, compared with nothing, stays.
  Gel rf("rf");
  rf.lane_with(1, {10, 40, 70});
  rf.lane_with(2, {10, 40, 70});
  MatchRun s;
  run(s, rf, 1, {rf.image()}, plain_control(1), 0, 2, 10);
  EXPECT_EQ(s.res[0]->num_pairs, 2);
}

TEST(MatchLanes, VolumeCheckRemovesPairsBelowTolerance) {
  Gel g("gel");
  LANE* ref = g.lane(1);
  ref->norm_ii = 2.0;  // volumes are amounts over the lane's normalising intensity
  g.band(1, 10, 0, 20);
  g.band(1, 50, 0, 20);
  g.lane(2);
  g.band(2, 10, 0, 10);  // volume 10 against 10: 100
  g.band(2, 50, 0, 3);   // 3 against 10: 30
  MatchRun r;
  run(r, g, 1, {g.image()}, plain_control(1), 0, 2, 0, 50);
  ASSERT_EQ(r.res[0]->num_pairs, 1);
  EXPECT_EQ(r.res[0]->pairs[0].ref, 0);
}

TEST(MatchLanes, ReferenceWithoutBandsScoresZeroAndMissingReferenceFails) {
  Gel g("gel");
  g.lane(1);  // no bands
  g.lane_with(2, {10});
  MatchRun r;
  run(r, g, 1, {g.image()}, plain_control());
  ASSERT_EQ(r.rc, 0);
  EXPECT_EQ(r.req.num_ref_bands, 0);
  EXPECT_EQ(r.lane(2)->percent, 0);
  MatchRun missing;
  run(missing, g, 9, {g.image()}, plain_control());
  EXPECT_EQ(missing.rc, -1);
  EXPECT_EQ(missing.res, nullptr);
}

TEST(MatchLanes, LaneWithoutExtentHasRfZero) {
  Gel g("gel");
  g.lane_with(1, {0});
  LANE* flat = g.lane(2, 0, 0);  // first and last centre points on one row
  (void)flat;
  g.band(2, 0);
  MatchRun r;
  run(r, g, 1, {g.image()}, plain_control(1));
  ASSERT_NE(r.lane(2), nullptr);
  EXPECT_EQ(r.lane(2)->num_pairs, 1);
}

TEST(MatchLanes, SelectionWithoutTableTakesListMarkedLanes) {
  Gel g("gel");
  g.lane_with(1, {10});
  LANE* marked = g.lane_with(2, {10});
  g.lane_with(3, {10});
  marked->f |= LN_F_LIST_MARK;
  MATCH_REQUEST req{};
  std::snprintf(req.name, sizeof req.name, "gel");
  req.ref_lane_number = 1;
  req.band_count_limit = 100;
  LANE_MATCH** res = nullptr;
  CONTROL ctl = plain_control();
  ASSERT_EQ(vx_match_lanes(&req, &res, nullptr, 1, 0, &g.image(), &g.image(), 1, 0, &ctl, 0), 0);
  ASSERT_EQ(req.num_results, 1);
  EXPECT_EQ(res[0]->lane_number, 2);
  vx_free_matches(res, req.num_results);
  ks_free(req.ref_bands);
}

TEST(MatchLanes, StartLaneLimitsOnlyTheFirstImage) {
  Gel a("a"), b("b");
  a.lane_with(1, {10});
  a.lane_with(2, {10});
  a.lane_with(3, {10});
  b.lane_with(1, {10});
  CONTROL ctl = plain_control();
  auto count = [&](int start) {
    MATCH_REQUEST req{};
    std::snprintf(req.name, sizeof req.name, "a");
    req.ref_lane_number = 1;
    req.band_count_limit = 100;
    LANE_MATCH** res = nullptr;
    MATCH_IMAGE imgs[] = {a.image(), b.image()};
    vx_match_lanes(&req, &res, nullptr, 0, start, &a.image(), imgs, 2, 0, &ctl, 0);
    const int n = req.num_results;
    vx_free_matches(res, n);
    ks_free(req.ref_bands);
    return n;
  };
  EXPECT_EQ(count(0), 3);
  EXPECT_EQ(count(3), 2);  // a:3 and b:1
  EXPECT_EQ(count(7), 1);  // no such lane: the first image gives nothing
}

// Deviation tables ----------------------------------------------------------------------------

namespace {
DEV_TABLE table(std::initializer_list<std::pair<double, double>> rows) {
  DEV_TABLE t{};
  for (auto [s, d] : rows) {
    t.size[t.nrows] = s;
    t.dev[t.nrows] = d;
    ++t.nrows;
  }
  t.descending = t.nrows >= 2 && t.size[1] < t.size[0];
  return t;
}
}  // namespace

TEST(DeviationTable, LookupsAscendingDescendingAndOneRow) {
  const double mid = std_linlog_interpolate(100, 1000, 10, 50, 500, 1);
  ASSERT_GT(mid, 10);
  ASSERT_LT(mid, 50);
  DEV_TABLE up = table({{100, 10}, {1000, 5}, {10000, 5}});
  DEV_TABLE down = table({{10000, 5}, {1000, 5}, {100, 10}});
  DEV_TABLE one = table({{500, 4}});
  struct Case {
    const DEV_TABLE* t;
    double v, want;
  } cases[] = {
      {&up, 50, 5},        {&up, 100, 10},     {&up, 500, mid},  {&up, 5000, 250},
      {&up, 20000, 1000},  {&down, 20000, 1000}, {&down, 50, 5}, {&down, 100, 10},
      {&down, 500, mid},   {&down, 5000, 250}, {&one, 10, 0.4},  {&one, 9000, 360},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(vx_table_deviation(c.t, c.v), c.want, 1e-9)
        << (c.t == &up ? "up" : c.t == &down ? "down" : "one") << " at " << c.v;
}

TEST(DeviationTable, ReaderSkipsShortLinesReadsWordsAsZeroAndKeepsThirtyRows) {
  vxtest::TempDir dir;
  CONTROL ctl{};
  std::snprintf(ctl.match_dev_file, sizeof ctl.match_dev_file, "%s", dir.file("dev.csv").c_str());
  {
    std::ofstream f(ctl.match_dev_file);
    f << "size only\n,,\n" << std::string(300, ' ') << "100, 10\r\nabc,7,extra\n";
    for (int i = 0; i < 40; ++i) f << 200 + i << ",5\n";
  }
  DEV_TABLE t{};
  ASSERT_EQ(vx_read_match_deviation_table(&ctl, &t), 30);
  EXPECT_EQ(t.size[0], 100);
  EXPECT_EQ(t.dev[0], 10);
  EXPECT_EQ(t.size[1], 0);  // "abc"
  EXPECT_EQ(t.dev[1], 7);
  EXPECT_EQ(t.descending, 1);
  EXPECT_EQ(t.size[29], 227);
}

TEST(DeviationTable, MissingOrEmptyTableMatchesNothing) {
  analysistest::load_messages();
  vxtest::TempDir dir;
  TKT_Enable(true);
  Gel g("gel");
  g.lane_with(1, {10});
  g.lane_with(2, {10});
  for (const char* content : {static_cast<const char*>(nullptr), "one field\n\n"}) {
    CONTROL ctl = plain_control();
    const std::string path = dir.file(content ? "empty.csv" : "missing.csv");
    if (content) std::ofstream(path) << content;
    std::snprintf(ctl.match_dev_file, sizeof ctl.match_dev_file, "%s", path.c_str());
    const long alerts = ks_alert_count();
    TKT_AnswerAlert(1);
    MatchRun r;
    run(r, g, 1, {g.image()}, ctl);
    EXPECT_EQ(r.rc, -1);
    EXPECT_EQ(r.res, nullptr);
    EXPECT_EQ(ks_alert_count(), alerts + 1);
    EXPECT_NE(ks_alert_last_text().find(path), std::string::npos) << ks_alert_last_text();
  }
  TKT_Enable(false);
}

TEST(DeviationTable, OneRowTableAppliesItsPercentInSizeMode) {
  vxtest::TempDir dir;
  CONTROL ctl = plain_control(0);
  std::snprintf(ctl.match_dev_file, sizeof ctl.match_dev_file, "%s", dir.file("t.csv").c_str());
  std::ofstream(ctl.match_dev_file) << "1000,10\n";
  Gel g("gel");
  g.lane(1);
  g.band(1, 10, 100);
  g.lane(2);
  g.band(2, 10, 109);  // 9 apart; allowed 10 + 10.9
  g.lane(3);
  g.band(3, 10, 125);  // 25 apart; allowed 10 + 12.5
  MatchRun r;
  run(r, g, 1, {g.image()}, ctl);
  EXPECT_EQ(r.lane(2)->num_pairs, 1);
  EXPECT_EQ(r.lane(3)->num_pairs, 0);
}

// The all-lanes match looks each lane's bands up once and keeps only scores: on random gels,
// by Rf and by size, with spacing, volume and threshold checks and a deviation table, every
// reference's scores through one shared cache equal the full results of the plain match, and
// the results through the cache equal them too.
TEST(MatchLanes, ScoresThroughTheCacheEqualThePlainMatch) {
  vxtest::TempDir dir;
  const std::string table = dir.file("dev.csv");
  std::ofstream(table) << "100,4\n2000,2\n";
  std::mt19937 rng(11);
  std::vector<std::unique_ptr<Gel>> gels;
  std::vector<MATCH_IMAGE> images;
  for (int g = 0; g < 4; ++g) {
    gels.push_back(std::make_unique<Gel>("gel" + std::to_string(g)));
    for (int l = 1; l <= 6; ++l) {
      gels.back()->lane(l);
      const int nb = std::uniform_int_distribution<int>(0, 12)(rng);
      for (int b = 0; b < nb; ++b) {
        const int row = std::uniform_int_distribution<int>(1, 99)(rng);
        // Lanes 5 and 6 are unsized: in size mode their bands pair with nothing.
        gels.back()->band(l, row, l >= 5 ? 0.0 : 2000.0 - 15.0 * row,
                          std::uniform_int_distribution<int>(50, 150)(rng));
      }
    }
    images.push_back(gels.back()->image());
  }
  struct Case {
    double size_tol;
    bool with_table;
    int method;
    double threshold, spacing, volume;
  } cases[] = {{5, false, 0, 0, 0, 0}, {2, false, 1, 0, 50, 20}, {8, true, 2, 30, 40, 0},
               {3, true, 0, 0, 0, 60}};
  for (const Case& c : cases) {
    CONTROL ctl = plain_control(c.size_tol);
    if (c.with_table) std::snprintf(ctl.match_dev_file, sizeof ctl.match_dev_file, "%s", table.c_str());
    std::unique_ptr<VX_MATCH_CACHE, void (*)(VX_MATCH_CACHE*)> cache(vx_match_cache_new(),
                                                                      vx_match_cache_free);
    for (int g = 0; g < 4; ++g)
      for (int l = 1; l <= 6; ++l) {
        MatchRun plain;
        run(plain, *gels[g], l, images, ctl, c.threshold, c.method, c.spacing, c.volume);
        ASSERT_EQ(plain.rc, 0);
        MATCH_REQUEST req = plain.req;
        req.ref_bands = nullptr;
        std::vector<LANE_SCORE> scores;
        ASSERT_EQ(vx_match_scores(&req, &scores, nullptr, 0, 0, &gels[g]->image(), images.data(),
                                  4, 0, &ctl, 0, cache.get()),
                  0);
        ks_free(req.ref_bands);
        ASSERT_EQ(int(scores.size()), plain.req.num_results) << "gel " << g << " lane " << l;
        for (int k = 0; k < plain.req.num_results; ++k) {
          EXPECT_EQ(scores[k].lane, plain.res[k]->lane);
          EXPECT_EQ(scores[k].percent, plain.res[k]->percent);
        }
        MatchRun cached;
        cached.req = plain.req;
        cached.req.ref_bands = nullptr;
        cached.rc = vx_match_lanes(&cached.req, &cached.res, nullptr, 0, 0, &gels[g]->image(),
                                   images.data(), 4, 0, &ctl, 0, cache.get());
        ASSERT_EQ(cached.rc, 0);
        ASSERT_EQ(cached.req.num_results, plain.req.num_results);
        for (int k = 0; k < plain.req.num_results; ++k) {
          const LANE_MATCH *a = cached.res[k], *b = plain.res[k];
          EXPECT_EQ(a->percent, b->percent);
          ASSERT_EQ(a->num_pairs, b->num_pairs);
          for (int p = 0; p < a->num_pairs; ++p) {
            EXPECT_EQ(a->pairs[p].ref, b->pairs[p].ref);
            EXPECT_EQ(a->pairs[p].cand, b->pairs[p].cand);
          }
          ASSERT_EQ(a->num_bands, b->num_bands);
          for (int j = 0; j < a->num_bands; ++j) EXPECT_EQ(a->bands[j], b->bands[j]);
        }
      }
  }
}

// The pairing against the repeated smallest-entry scan written out plainly: on crowded random
// gels (bands sharing rows, so that many distances tie and a band may pair with several), by
// Rf and by size, the pairs of every lane through the cache and without it are those of the
// scan, which takes the smallest (distance, reference index, lane index) entry whose row and
// column are both free until none is left, then exchanges crossed lane indices in one pass.
TEST(MatchLanes, PairsEqualTheRepeatedSmallestEntryScan) {
  std::mt19937 rng(29);
  for (const bool sized : {false, true}) {
    std::vector<std::unique_ptr<Gel>> gels;
    std::vector<MATCH_IMAGE> images;
    for (int g = 0; g < 3; ++g) {
      gels.push_back(std::make_unique<Gel>("crowd" + std::to_string(g)));
      for (int l = 1; l <= 8; ++l) {
        gels.back()->lane(l);
        const int nb = std::uniform_int_distribution<int>(1, 14)(rng);
        for (int b = 0; b < nb; ++b) {
          const int row = 3 * std::uniform_int_distribution<int>(1, 30)(rng);
          gels.back()->band(l, row, sized ? 2000.0 - 15.0 * row : 0.0, 100);
        }
      }
      images.push_back(gels.back()->image());
    }
    const double tol = 8;
    const CONTROL ctl = plain_control(tol);
    std::unique_ptr<VX_MATCH_CACHE, void (*)(VX_MATCH_CACHE*)> cache(vx_match_cache_new(),
                                                                      vx_match_cache_free);
    int checked = 0;
    for (int g = 0; g < 3; ++g)
      for (int l = 1; l <= 8; ++l)
        for (const bool cached : {false, true}) {
          MatchRun r;
          std::snprintf(r.req.name, sizeof r.req.name, "%s", gels[g]->image().name);
          r.req.ref_lane_number = l;
          r.req.band_count_limit = 100;
          r.rc = vx_match_lanes(&r.req, &r.res, nullptr, 0, 0, &gels[g]->image(), images.data(),
                                3, 0, &ctl, 0, cached ? cache.get() : nullptr);
          ASSERT_EQ(r.rc, 0);
          const int na = r.req.num_ref_bands;
          auto value = [&](const SPOT* s) { return sized ? s->size : s->y / 100.0; };
          auto dev = [&](const SPOT* s) { return value(s) * tol / 100.0; };
          for (int k = 0; k < r.req.num_results; ++k) {
            const LANE_MATCH* m = r.res[k];
            struct E {
              double d;
              int i, j;
            };
            std::vector<E> open;
            for (int i = 0; i < na; ++i)
              for (int j = 0; j < m->num_bands; ++j) {
                const SPOT *a = r.req.ref_bands[i], *b = m->bands[j];
                const double d = std::fabs(value(a) - value(b));
                if (d <= dev(a) + dev(b)) open.push_back({d, i, j});
              }
            std::vector<int> row(na, -1);
            while (!open.empty()) {
              std::size_t best = 0;
              for (std::size_t e = 1; e < open.size(); ++e) {
                const E &x = open[e], &y = open[best];
                if (x.d < y.d || (x.d == y.d && (x.i < y.i || (x.i == y.i && x.j < y.j))))
                  best = e;
              }
              const E taken = open[best];
              row[taken.i] = taken.j;
              std::erase_if(open, [&](const E& e) { return e.i == taken.i || e.j == taken.j; });
            }
            std::vector<std::pair<int, int>> want;
            for (int i = 0; i < na; ++i)
              if (row[i] >= 0) want.push_back({i, row[i]});
            for (std::size_t p = 0; p + 1 < want.size(); ++p)
              if (want[p].second > want[p + 1].second) std::swap(want[p].second, want[p + 1].second);
            ASSERT_EQ(m->num_pairs, int(want.size())) << "gel " << g << " lane " << l;
            for (int p = 0; p < m->num_pairs; ++p) {
              EXPECT_EQ(m->pairs[p].ref, want[p].first);
              EXPECT_EQ(m->pairs[p].cand, want[p].second);
            }
            ++checked;
          }
        }
    EXPECT_GT(checked, 300);
  }
}
