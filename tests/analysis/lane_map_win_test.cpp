// The lane map window offscreen: a plain map by Rf, a lane match map by size, closing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "analysis/lane_map.h"
#include "analysis/lane_map_win.h"
#include "match_fixture.h"
#include "res_fixture.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"

using namespace matchtest;

namespace {
void grab(TK_OBJ win, const char* name) {
  if (const char* d = std::getenv("VX_GRAB_DIR")) TKT_Grab(win, (std::string(d) + "/" + name).c_str());
}
}  // namespace

TEST(LaneMapWindow, MatchMapBySizeAndPlainMapByRf) {
  analysistest::load_messages();
  TKT_Enable(true);
  Gel g("gel");
  g.lane(1);
  for (int k = 0; k < 6; ++k) g.band(1, 10 + 15 * k, 1000.0 / (k + 1));
  for (int lane = 2; lane <= 5; ++lane) {
    g.lane(lane);
    for (int k = 0; k < 6; ++k)
      if ((k + lane) % 3) g.band(lane, 10 + 15 * k + lane % 2, 1000.0 / (k + 1) * (1 + 0.01 * lane));
  }
  MatchRun r;
  run(r, g, 1, {g.image()}, plain_control(3));
  ASSERT_EQ(r.req.num_results, 4);

  // The lane match map: the reference first, then each matched lane.
  LANE_MAP* map = lmap_new();
  const int ref = lmap_add_lane(map, "", "gel", "1", r.req.num_ref_bands);
  lmap_fill_lane(lmap_get_lane(map, ref), r.req.ref_lane, r.req.ref_bands, nullptr, 0);
  map->ref = lmap_get_lane(map, ref);
  for (int i = 0; i < r.req.num_results; ++i) {
    const LANE_MATCH* m = r.res[i];
    const int k = lmap_add_lane(map, m->path, m->name, m->label, m->num_bands);
    lmap_fill_lane(lmap_get_lane(map, k), m->lane, m->bands, m, r.req.num_ref_bands);
  }
  TK_OBJ win = lmap_activate(map);
  ASSERT_NE(win, nullptr);
  EXPECT_TRUE(lmap_win_by_size(win));
  grab(win, "lane_match_map.png");
  TKT_Pick(RES_GetSub(win, 0), 1);
  EXPECT_FALSE(lmap_win_by_size(win));
  WIN_Terminate(win);

  // A plain map without sizes is drawn by Rf, its units option disabled.
  LANE_MAP* plain = lmap_new();
  for (int i = 0; i < r.req.num_results; ++i) {
    const LANE_MATCH* m = r.res[i];
    const int k = lmap_add_lane(plain, m->path, m->name, m->label, m->num_bands);
    lmap_fill_lane(lmap_get_lane(plain, k), m->lane, m->bands, nullptr, 0);
    for (double& s : lmap_get_lane(plain, k)->size) s = 0;
  }
  plain->has_sizes = 0;
  TK_OBJ pw = lmap_activate(plain);
  ASSERT_NE(pw, nullptr);
  EXPECT_FALSE(lmap_win_by_size(pw));
  grab(pw, "lane_map.png");
  WIN_Terminate(pw);
  TKT_Enable(false);
}
