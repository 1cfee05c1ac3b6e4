// The contig map window offscreen: threshold slider, contig layout, clicks, closing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "analysis/cntg_win.h"
#include "analysis/contig.h"
#include "cluster_fixture.h"
#include "res_fixture.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"

using namespace clustertest;

namespace {
int g_row = -1;
void row_op(const MATCH_MATRIX*, int row) { g_row = row; }
}  // namespace

TEST(ContigWindow, SliderSetsTheThresholdAndClicksReportLanes) {
  analysistest::load_messages();
  TKT_Enable(true);
  // Two groups of close lanes far from each other.
  Mr m = matrix(6, [](int i, int j) { return (i < 3) == (j < 3) ? 5.0f + i + j : 80.0f; });
  DNDR_HOST host;
  host.row_op = row_op;
  TK_OBJ win = cntg_activate(nullptr, m.get(), host);
  ASSERT_NE(win, nullptr);
  EXPECT_EQ(cntg_threshold(win), 50);  // the middle of the slider's range
  const DNDR_REC* rec = cntg_win_record(win);
  ASSERT_EQ(dndr_leaf_count(rec), 6);
  const CNTG_LAYOUT l = cntg_build(m.get(), rec->leaf_order, cntg_threshold(win));
  EXPECT_EQ(l.lanes.back().contig, 1);  // two contigs at 50
  if (const char* dir = std::getenv("VX_GRAB_DIR"))
    TKT_Grab(win, (std::string(dir) + "/contig_50.png").c_str());
  TK_OBJ slider = RES_GetSub(win, 0);
  WGT_SetValue(slider, 10);
  TKT_Send(slider, 150);
  EXPECT_STREQ(WGT_GetText(RES_GetSub(win, 6)), "10");
  if (const char* dir = std::getenv("VX_GRAB_DIR"))
    TKT_Grab(win, (std::string(dir) + "/contig_10.png").c_str());
  TK_OBJ area = RES_GetSub(win, 3);
  const int y = ks_scale_to_pixel(&rec->position_scale, 4.0) - CANVAS_GetVisible(area).y;
  TKT_Press(area, 30, y);
  EXPECT_EQ(g_row, dndr_leaf_at(rec, 4));
  WIN_Terminate(win);
  TKT_Enable(false);
}
