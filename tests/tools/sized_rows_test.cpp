// Sizes in the band report after the commands a user runs on a gel of straight lanes with bands
// at known rows: Define... with a lane info file and Find Bands (the file gives the ladder's
// sizes), or rows of lanes defined one after another before Find Bands and sized with the Size
// Stds tool's automatic assignment. Every band's size is checked against sizes worked out by
// hand, before and after File > Save and a reopen.
#include <gtest/gtest.h>

#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "../shell/gel_fixture.h"
#include "../shell/lane_size_report.h"
#include "analysis/band_rep.h"
#include "analysis/rep_cfg.h"
#include "base/ks_msg.h"
#include "engine/std_numeric.h"
#include "gel_record.h"
#include "model/control.h"
#include "model/report_cfg.h"
#include "model/std_list.h"
#include "model/task_state.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_image_win.h"
#include "shell/gt_main.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_std_tools.h"
#include "tools/ln_info.h"
#include "when_shown.h"

namespace {

// One lane of the gel: its centre column, the rows it spans and its bands' rows.
struct GelLane {
  int x, top, bottom;
  std::vector<int> rows;
};

using Reported = shelltest::ReportedSize;

class SizedRows : public shelltest::OpenImagesTest {
 protected:
  void SetUp() override {
    OpenImagesTest::SetUp();
    toolstest::load_resources();
    ln_info_done();
  }
  void TearDown() override {
    std_sasn_dismiss();
    band_rep_dismiss();
    gt_tool_wins_dismiss_all();
    ln_info_done();
    g_bSuppress = FALSE;
    CONTROL* ctl = gt_get_control();
    ctl->size_stdset = 0;
    ctl->size_stdset_path[0] = '\0';
    TKT_SetImageMapping(false);
    OpenImagesTest::TearDown();
  }

  // A 2-byte gel: ground 5 % of full scale, lanes 36 pixels wide at 10 %, gaussian bands.
  std::string write_gel(const std::string& name, int w, int h, const std::vector<GelLane>& lanes) {
    return shelltest::write_kes_image(dir + "/" + name + ".kes", w, h, 2, [lanes](int x, int y) {
      double v = 3000;
      for (const GelLane& l : lanes) {
        if (std::abs(x - l.x) > 18 || y < l.top || y > l.bottom) continue;
        v = 6000;
        for (int r : l.rows) v += 48000 * std::exp(-0.5 * (y - r) * (y - r) / 9.0);
      }
      return static_cast<unsigned>(std::min(v, 65000.0));
    });
  }

  // Define... answered with a block of `n` lanes divided evenly (with `info` chosen as the lane
  // info file when given), the block's corners clicked on the image, then Find Bands OK. Without
  // an info file the band refinement dialog that opens is closed, keeping the bands; with
  // `find` false the Find Bands window is left open.
  void define_block(IMAGE_REC* im, int n, int left, int top, int right, int bottom,
                    const std::string& info, bool find) {
    if (!info.empty()) TKT_AnswerChooser({info});
    QTimer::singleShot(0, [n, info] {
      TK_OBJ d = TKT_FindWindow("ln_info", "ln_info_win");
      if (!d) return;
      if (!info.empty()) {
        // The dialog keeps the file picked last: the toggle goes off and on again for this one.
        if (WGT_GetValue(RES_GetSub(d, 5)) != 0) TKT_Click(RES_GetSub(d, 5));
        TKT_Click(RES_GetSub(d, 5));
      } else {
        if (WGT_GetValue(RES_GetSub(d, 5)) != 0) TKT_Click(RES_GetSub(d, 5));
        TKT_Pick(RES_GetSub(d, 3), 1);
        TKT_Type(RES_GetSub(d, 0), std::to_string(n).c_str());
        if (WGT_GetValue(RES_GetSub(d, 4)) != 0) TKT_Click(RES_GetSub(d, 4));
      }
      TKT_Click(RES_GetSub(d, 1));
    });
    main_winNfySelMenuBar(win_, GT_CMD_DEFINE_LANES);
    ASSERT_EQ(gt_get_state(), TS_FIND_LANES_EVEN);
    TKT_SetImageMapping(true, im->img_ptr->zoom[0], im->img_ptr->scale);
    TK_OBJ area = static_cast<TK_OBJ>(im->draw_area);
    for (auto [x, y] : {std::pair{left, top}, {right, top}, {right, bottom}, {left, bottom}}) {
      TKT_Press(area, x, y);
      TKT_Release(area, x, y);
    }
    EVENT_Flush();
    if (find) find_bands();
  }

  // Lanes by hand: Define... point by point; for each lane (x, top, bottom) its top clicked and
  // its bottom double-clicked; then Done, which opens Find Bands.
  void define_by_hand(IMAGE_REC* im, const std::vector<GelLane>& lanes) {
    QTimer::singleShot(0, [] {
      TK_OBJ d = TKT_FindWindow("ln_info", "ln_info_win");
      if (!d) return;
      if (WGT_GetValue(RES_GetSub(d, 5)) != 0) TKT_Click(RES_GetSub(d, 5));
      TKT_Pick(RES_GetSub(d, 3), 0);
      TKT_Click(RES_GetSub(d, 1));
    });
    main_winNfySelMenuBar(win_, GT_CMD_DEFINE_LANES);
    ASSERT_EQ(gt_get_state(), TS_DEFINE_LANES);
    TKT_SetImageMapping(true, im->img_ptr->zoom[0], im->img_ptr->scale);
    TK_OBJ area = static_cast<TK_OBJ>(im->draw_area);
    for (const GelLane& l : lanes) {
      TKT_Press(area, l.x, l.top);
      TKT_Release(area, l.x, l.top);
      TKT_Press(area, l.x, l.bottom);
      TKT_Release(area, l.x, l.bottom);
      TKT_DoubleClick(area, l.x, l.bottom);
      EVENT_Flush();
    }
    TK_OBJ def = TKT_FindWindow("def_ln", "def_ln_win");
    ASSERT_NE(def, nullptr);
    TKT_Click(RES_GetSub(def, 1));  // Done
    EVENT_Flush();
  }

  void find_bands() {
    TK_OBJ fd_bnd = TKT_FindWindow("fd_bnd", "fd_bnd_win");
    ASSERT_NE(fd_bnd, nullptr);
    const auto refined = vxtest::when_shown("refd_bnd", "refd_bnd_win", [](TK_OBJ w) { TKT_Close(w); });
    TKT_Click(RES_GetSub(fd_bnd, 0));
    EVENT_Flush();
    EXPECT_EQ(gt_get_state(), TS_IDLE);
  }

  // Size Stds, Add: Logarithmic, the standard set `set` assigned automatically, OK, then a
  // click on the ladder at (x, y) and OK in the assignment window.
  void size_ladder(IMAGE_REC* im, const std::string& set, int x, int y) {
    TKT_Click(mode_button(2));  // Size Stds
    TKT_AnswerChooser({set});
    const auto asked = vxtest::when_shown("std_size", "std_size_win", [](TK_OBJ d) {
      TKT_Pick(RES_GetSub(d, 5), 1);  // Logarithmic
      if (WGT_GetValue(RES_GetSub(d, 7)) == 0) TKT_Click(RES_GetSub(d, 7));
      if (WGT_GetValue(RES_GetSub(d, 8)) == 0) TKT_Click(RES_GetSub(d, 8));
      TKT_Click(RES_GetSub(d, 3));
    });
    TKT_Click(RES_GetSub(part(GT_MAIN_TOOLBAR), 8));  // Add
    EVENT_Flush();
    ASSERT_TRUE(*asked) << "no Size Stds dialog";
    TK_OBJ sasn = TKT_FindWindow("std_sasn", "std_sasn_win");
    ASSERT_NE(sasn, nullptr);
    TKT_SetImageMapping(true, im->img_ptr->zoom[0], im->img_ptr->scale);
    TKT_Press(static_cast<TK_OBJ>(im->draw_area), x, y);
    TKT_Release(static_cast<TK_OBJ>(im->draw_area), x, y);
    TKT_Click(RES_GetSub(sasn, 2));  // OK
    EVENT_Flush();
    EXPECT_EQ(gt_get_state(), TS_IDLE);
  }

  // Report > Active Image with the columns lane, Y and size.
  std::vector<Reported> report() {
    std::vector<Reported> out = shelltest::lane_y_size_rows(shelltest::run_lane_y_size_report(win_));
    band_rep_dismiss();
    return out;
  }

  // File > Save, the window closed, the gel opened again.
  IMAGE_REC* save_and_reopen(IMAGE_REC* im) {
    const std::string path = im->file_path;
    gt_set_image_ptr(im);
    main_winNfySelMenuBar(win_, GT_CMD_SAVE);
    EXPECT_EQ(im->modified, 0) << "not saved";
    gt_image_clear_modified(im);
    WIN_Terminate(static_cast<TK_OBJ>(im->window));
    EVENT_Flush();
    IMAGE_REC* again = open(path);
    if (again) gt_set_image_ptr(again);
    return again;
  }

  void close(IMAGE_REC* im) {
    gt_image_clear_modified(im);
    WIN_Terminate(static_cast<TK_OBJ>(im->window));
    EVENT_Flush();
  }
};

// A band of the gel (lane number, row) and the size it must be reported with; a NaN size asks
// only for a size strictly between lo and hi.
struct Want {
  int lane, row;
  double size;
  double lo = 0, hi = 0;  // with size NaN: lo < size < hi
};

// The report holds exactly the gel's bands (matched within 2 rows), each with its size.
void check(const std::vector<Reported>& got, const std::vector<Want>& want, double tolerance) {
  EXPECT_EQ(got.size(), want.size());
  for (const Want& w : want) {
    SCOPED_TRACE("lane " + std::to_string(w.lane) + " row " + std::to_string(w.row));
    auto it = std::find_if(got.begin(), got.end(), [&](const Reported& r) {
      return r.lane == w.lane && std::abs(r.y - w.row) <= 2;
    });
    ASSERT_NE(it, got.end()) << "not reported";
    char* end = nullptr;
    const double size = std::strtod(it->size.c_str(), &end);
    ASSERT_TRUE(!it->size.empty() && *end == '\0') << "no size: \"" << it->size << "\"";
    if (std::isnan(w.size)) {
      EXPECT_GT(size, w.lo);
      EXPECT_LT(size, w.hi);
    } else {
      EXPECT_NEAR(size, w.size, tolerance) << it->size;
    }
  }
}

// The ladder: 12800 bp down to 100 bp, one every 50 rows (rows 90 to 440), so that log2(size)
// falls linearly down the lane; an isoelectric ladder 11.8 to 3.5 on the same rows; for the
// regression, which fits one straight line, 1500 down to 450 on a line.
constexpr int kLadderRows[] = {90, 140, 190, 240, 290, 340, 390, 440};
double bp_at(double y) { return 100 * std::pow(2.0, (440 - y) / 50); }
double pi_at(double y) { return 3.5 * std::pow(2.0, (440 - y) / 200); }
// Sample bands: on the 3200 and 400 bp rows, and between rows.
constexpr int kSampleRows[] = {115, 190, 265, 340, 365, 415};

// Applying a lane info file whose ladder stands first, last or in two lanes, for each method
// the file can give: the ladder's bands take the file's sizes, the samples' bands are sized
// from them. Before and after File > Save and a reopen.
TEST_F(SizedRows, AnInfoFilesLaddersSizeEverySampleLane) {
  g_bSuppress = TRUE;  // a reopened robust list tells that it becomes logarithmic
  const int xs[] = {60, 150, 240, 330};
  struct Layout {
    const char* what;
    std::vector<int> ladders;  // lane numbers
  };
  const Layout layouts[] = {{"ladder first", {1}}, {"ladder last", {4}}, {"two ladders", {1, 4}}};
  int run = 0;
  const int methods[] = {STD_RECIPROCAL, STD_LOGARITHMIC, STD_ROBUST,   STD_LINEAR,
                         STD_REGRESSION, STD_EXPONENTIAL, STD_MOLE_WGT, STD_IEF};
  for (const Layout& layout : layouts) {
    for (int method : methods) {
      SCOPED_TRACE(std::string(layout.what) + ", method " + std::to_string(method));
      auto value_at = [method](double y) {
        return method == STD_IEF ? pi_at(y) : method == STD_REGRESSION ? 1500 - 3 * (y - 90) : bp_at(y);
      };
      auto is_ladder = [&](int lane) {
        return std::count(layout.ladders.begin(), layout.ladders.end(), lane) > 0;
      };
      std::vector<GelLane> lanes;
      std::string sizes;
      for (int k = 1; k <= 4; ++k) {
        GelLane l{xs[k - 1], 60, 480, {}};
        if (is_ladder(k)) {
          l.rows.assign(std::begin(kLadderRows), std::end(kLadderRows));
          for (int r : kLadderRows) {
            char v[64];
            std::snprintf(v, sizeof v, "%.17g", value_at(r));
            sizes += (r == kLadderRows[0] ? "" : ",") + std::string(v);
          }
        } else {
          l.rows.assign(std::begin(kSampleRows), std::end(kSampleRows));
        }
        sizes += "\n";
        lanes.push_back(l);
      }
      const std::string info = dir + "/gel.inf";
      std::ofstream(info) << "# Kestrin Lane Info File\n4,0\n0\n0\n0\n0\n"
                          << "L1\nL2\nL3\nL4\n-1\n-1\n-1\n-1\n"
                          << "7,0,0,0,0\n7,0,0,0,0\n7,0,0,0,0\n7,0,0,0,0\n"
                          << sizes << method << ",0\n\n\n\n\n0,0\n";
      // A gel of its own name each time: the saved analysis of the one before stays beside it.
      IMAGE_REC* im = open(write_gel("gel" + std::to_string(++run), 400, 520, lanes));
      ASSERT_NE(im, nullptr);
      gt_set_image_ptr(im);
      define_block(im, 4, 15, 60, 375, 480, info, true);
      if (HasFatalFailure()) return;
      // Each ladder band of the file stands in the size list as a marker of its lane.
      ASSERT_TRUE(im->size_stdp && im->size_stdp[0]);
      for (int ladder : layout.ladders) {
        int markers = 0;
        const STD_LIST* list = im->size_stdp[0];
        for (int i = 0; i < list->count; ++i)
          markers += list->records[i].lane_num == ladder && (list->records[i].flags & STD_M_VALID);
        EXPECT_EQ(markers, 8) << "lane " << ladder;
      }

      std::vector<Want> want;
      for (int k = 1; k <= 4; ++k) {
        if (is_ladder(k)) {
          for (int r : kLadderRows)
            want.push_back({k, r, value_at(r)});
          continue;
        }
        for (int r : kSampleRows) {
          const bool on_row = (r - 90) % 50 == 0;
          const int below = 90 + (r - 90) / 50 * 50;
          const double hi = value_at(below), lo = value_at(below + 50), v = value_at(r);
          const double nan = std::nan("");
          switch (method) {
            case STD_LOGARITHMIC:
            case STD_IEF:         // log-linear ladders: the rule itself
            case STD_REGRESSION:  // a ladder on a straight line: the line itself
              want.push_back({k, r, v});
              break;
            case STD_MOLE_WGT:  // the line through the ladder, whole hundreds
              want.push_back({k, r, std::floor(v / 100 + 0.5) * 100});
              break;
            case STD_LINEAR:  // straight between the rows around the band
              want.push_back({k, r, on_row ? v : hi + (lo - hi) * (r - below) / 50.0});
              break;
            case STD_EXPONENTIAL:  // halfway: the larger value plus ln(1/2)
              if (r == 365) want.push_back({k, r, 400 + std::log(0.5)});
              else want.push_back(on_row ? Want{k, r, v} : Want{k, r, nan, lo, hi});
              break;
            default:
              want.push_back(on_row ? Want{k, r, v} : Want{k, r, nan, lo, hi});
          }
        }
      }
      const double tolerance = 0.05 + 1e-9;  // the report gives one decimal
      {
        SCOPED_TRACE("as applied");
        check(report(), want, tolerance);
      }
      im = save_and_reopen(im);
      ASSERT_NE(im, nullptr);
      {
        SCOPED_TRACE("saved and reopened");
        check(report(), want, tolerance);
      }
      close(im);
    }
  }
}

// Rows of lanes (two combs, or three) defined one after another by hand before Find Bands, or
// as one block per row: every row has its own size standards list, so Size Stds opens and its
// automatic assignment on each row's ladder sizes that row's samples from that ladder. A block's
// lanes stay pending in the Find Bands window, and Define... waits until it has ended.
TEST_F(SizedRows, RowsDefinedOneAfterAnotherAreSizedFromTheirOwnLadders) {
  // Row t spans rows 20 + 200 t .. 190 + 200 t; its ladder (lane 1 of the row, at x 60) has
  // five bands 30 rows apart, 1600 bp down to 100 bp, and its samples (x 150 and 240) bands on
  // two ladder rows and halfway between two. Each row's ladder stands a few rows lower than
  // the one before, so a row sized from another's ladder gets other sizes.
  struct Row {
    int top, bottom, shift;
  };
  auto ladder_rows = [](const Row& r) {
    std::vector<int> v;
    for (int i = 0; i < 5; ++i) v.push_back(r.top + 30 + r.shift + 30 * i);
    return v;
  };
  auto bp = [](const Row& r, double y) { return 100 * std::pow(2.0, (r.top + 150 + r.shift - y) / 30); };
  auto sample_rows = [&](const Row& r) {
    const std::vector<int> l = ladder_rows(r);
    return std::vector<int>{l[1], l[1] + 15, l[3]};
  };
  const std::string set = dir + "/ladder.std";
  std::ofstream(set) << "1600\n800\n400\n200\n100\n";
  struct Case {
    const char* what;
    int rows;
    bool blocks;  // a block of three lanes per row, else every lane by hand
  };
  const Case cases[] = {{"two rows by hand", 2, false},
                        {"three rows by hand", 3, false},
                        {"two rows, a block each", 2, true}};
  int run = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Row> rows;
    std::vector<GelLane> lanes;
    for (int t = 0; t < c.rows; ++t) {
      rows.push_back({20 + 200 * t, 190 + 200 * t, 6 * t});
      lanes.push_back({60, rows[t].top, rows[t].bottom, ladder_rows(rows[t])});
      for (int x : {150, 240}) lanes.push_back({x, rows[t].top, rows[t].bottom, sample_rows(rows[t])});
    }
    IMAGE_REC* im = open(write_gel("rows" + std::to_string(++run), 300, 200 * c.rows, lanes));
    ASSERT_NE(im, nullptr);
    gt_set_image_ptr(im);
    if (c.blocks) {
      for (const Row& r : rows) {
        define_block(im, 3, 15, r.top, 285, r.bottom, "", false);
        if (HasFatalFailure()) return;
        {
          // While the block's lanes wait in Find Bands, Define... is not taken.
          const auto asked =
              vxtest::when_shown("ln_info", "ln_info_win", [](TK_OBJ d) { TKT_Close(d); });
          main_winNfySelMenuBar(win_, GT_CMD_DEFINE_LANES);
          EVENT_Flush();
          EXPECT_FALSE(*asked);
          EXPECT_EQ(gt_get_state(), TS_FIND_BANDS);
        }
        find_bands();
        if (HasFatalFailure()) return;
      }
    } else {
      define_by_hand(im, lanes);
      if (HasFatalFailure()) return;
      find_bands();
    }
    ASSERT_EQ(im->lane_hdr->num_tiers, c.rows);
    for (int t = 0; t < c.rows; ++t) {
      SCOPED_TRACE("row " + std::to_string(t + 1));
      size_ladder(im, set, 60, rows[t].top + 90);
      if (HasFatalFailure()) return;
    }
    std::vector<Want> want;
    for (int t = 0; t < c.rows; ++t) {
      for (int y : ladder_rows(rows[t])) want.push_back({3 * t + 1, y, bp(rows[t], y)});
      for (int k : {2, 3})
        for (int y : sample_rows(rows[t])) want.push_back({3 * t + k, y, bp(rows[t], y)});
    }
    {
      SCOPED_TRACE("sized");
      check(report(), want, 0.05 + 1e-9);
    }
    im = save_and_reopen(im);
    ASSERT_NE(im, nullptr);
    EXPECT_EQ(im->lane_hdr->num_tiers, c.rows);
    {
      SCOPED_TRACE("saved and reopened");
      check(report(), want, 0.05 + 1e-9);
    }
    close(im);
  }
}

// Rows of lanes made by the lane copy command: the source gel's one row (a ladder and two
// samples, defined as a block and found) is selected and dropped at both rows of a second gel,
// which had no lanes or whose Define... was begun as a block and cancelled at Find Bands. Each
// row has its own size standards list, so Size Stds on each row's ladder sizes that row.
TEST_F(SizedRows, RowsMadeByLaneCopyAreSizedFromTheirOwnLadders) {
  // Rows as in the gel above: row t spans rows 20 + 200 t .. 190 + 200 t, its ladder five
  // bands 30 rows apart from 30 rows below its top (1600 bp halving every 30 rows), its samples
  // on the second ladder row, halfway to the third and on the fourth.
  auto ladder = [](int top) {
    return std::vector<int>{top + 30, top + 60, top + 90, top + 120, top + 150};
  };
  auto samples = [](int top) { return std::vector<int>{top + 60, top + 75, top + 120}; };
  auto bp = [](int top, double y) { return 1600 * std::pow(2.0, (top + 30 - y) / 30); };
  auto row_lanes = [&](int top) {
    return std::vector<GelLane>{{60, top, top + 170, ladder(top)},
                                {150, top, top + 170, samples(top)},
                                {240, top, top + 170, samples(top)}};
  };
  const std::string set = dir + "/ladder.std";
  std::ofstream(set) << "1600\n800\n400\n200\n100\n";
  struct Case {
    const char* what;
    bool cancelled_define;  // a block placed on the second gel and Find Bands cancelled first
  };
  const Case cases[] = {{"onto a gel without lanes", false}, {"after a cancelled Define", true}};
  int run = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ++run;
    IMAGE_REC* src = open(write_gel("src" + std::to_string(run), 300, 210, row_lanes(20)));
    ASSERT_NE(src, nullptr);
    std::vector<GelLane> lanes = row_lanes(20);
    for (const GelLane& l : row_lanes(220)) lanes.push_back(l);
    IMAGE_REC* dst = open(write_gel("dst" + std::to_string(run), 300, 400, lanes));
    ASSERT_NE(dst, nullptr);
    if (c.cancelled_define) {
      gt_set_image_ptr(dst);
      define_block(dst, 3, 15, 20, 285, 190, "", false);
      if (HasFatalFailure()) return;
      TK_OBJ fd_bnd = TKT_FindWindow("fd_bnd", "fd_bnd_win");
      ASSERT_NE(fd_bnd, nullptr);
      TKT_Click(RES_GetSub(fd_bnd, 1));  // Cancel
      EVENT_Flush();
      ASSERT_EQ(gt_get_state(), TS_IDLE);
      ASSERT_TRUE(!dst->lanes || !dst->lanes->next);
    }
    // The source's row: three lanes 90 pixels wide, centred on 60, 150 and 240.
    gt_set_image_ptr(src);
    define_block(src, 3, 15, 20, 285, 190, "", true);
    if (HasFatalFailure()) return;
    // All its lanes selected and copied; the group (centred on x 150, y 105) dropped on both
    // rows of the second gel; OK with band detection on.
    TKT_Click(mode_button(1));  // Lanes
    main_winNfySelMenuBar(win_, GT_CMD_SELECT_ALL);
    ASSERT_EQ(src->num_sel_lanes, 3);
    main_winNfySelMenuBar(win_, GT_CMD_COPY_LANES);
    ASSERT_EQ(gt_get_state(), TS_COPY_LANES);
    TKT_SetImageMapping(true, dst->img_ptr->zoom[0], dst->img_ptr->scale);
    for (int y : {105, 305}) {
      TKT_Press(static_cast<TK_OBJ>(dst->draw_area), 150, y);
      TKT_Release(static_cast<TK_OBJ>(dst->draw_area), 150, y);
    }
    EVENT_Flush();
    TK_OBJ cpy = TKT_FindWindow("ln_cpy", "ln_cpy_win");
    ASSERT_NE(cpy, nullptr);
    if (WGT_GetValue(RES_GetSub(cpy, 4)) == 0) TKT_Click(RES_GetSub(cpy, 4));  // detect
    TKT_Click(RES_GetSub(cpy, 1));
    EVENT_Flush();
    ASSERT_EQ(gt_get_state(), TS_IDLE);
    close(src);
    gt_set_image_ptr(dst);
    ASSERT_EQ(dst->lane_hdr->num_lanes, 6);
    EXPECT_EQ(dst->lane_hdr->num_tiers, 2);  // the upper row in tier 0, none left empty
    for (int t = 0; t < 2; ++t) {
      SCOPED_TRACE("row " + std::to_string(t + 1));
      size_ladder(dst, set, 60, 20 + 200 * t + 90);
      if (HasFatalFailure()) return;
    }
    std::vector<Want> want;
    for (int t = 0; t < 2; ++t) {
      const int top = 20 + 200 * t;
      for (int y : ladder(top)) want.push_back({3 * t + 1, y, bp(top, y)});
      for (int k : {2, 3})
        for (int y : samples(top)) want.push_back({3 * t + k, y, bp(top, y)});
    }
    {
      SCOPED_TRACE("sized");
      check(report(), want, 0.05 + 1e-9);
    }
    dst = save_and_reopen(dst);
    ASSERT_NE(dst, nullptr);
    {
      SCOPED_TRACE("saved and reopened");
      check(report(), want, 0.05 + 1e-9);
    }
    close(dst);
  }
}

// An analysis file whose rows of lanes carry no size standards list (the image was saved with
// none): once opened, every row has an empty list and Size Stds sizes each row from its ladder.
TEST_F(SizedRows, AFileWhoseRowsLackAListGetsEmptyOnes) {
  std::vector<GelLane> lanes;
  for (int t = 0; t < 2; ++t) {
    const int top = 20 + 200 * t;
    lanes.push_back({60, top, top + 170, {top + 30, top + 60, top + 90, top + 120, top + 150}});
    lanes.push_back({150, top, top + 170, {top + 60, top + 75, top + 120}});
  }
  IMAGE_REC* im = open(write_gel("nolist", 220, 400, lanes));
  ASSERT_NE(im, nullptr);
  gt_set_image_ptr(im);
  define_by_hand(im, lanes);
  if (HasFatalFailure()) return;
  find_bands();
  ASSERT_EQ(im->lane_hdr->num_tiers, 2);
  // Saved without any size standards list.
  for (int t = 0; t < 2; ++t)
    if (im->size_stdp[t]) std_list_free(im->size_stdp[t]);
  ks_free(im->size_stdp);
  im->size_stdp = nullptr;
  im->mod_tier = nullptr;
  im->modified = 1;
  im = save_and_reopen(im);
  ASSERT_NE(im, nullptr);
  ASSERT_EQ(im->lane_hdr->num_tiers, 2);
  ASSERT_NE(im->size_stdp, nullptr);
  for (int t = 0; t < 2; ++t) {
    ASSERT_NE(im->size_stdp[t], nullptr) << "row " << t + 1;
    EXPECT_EQ(im->size_stdp[t]->count, 0);
  }
  const std::string set = dir + "/ladder.std";
  std::ofstream(set) << "1600\n800\n400\n200\n100\n";
  for (int t = 0; t < 2; ++t) {
    SCOPED_TRACE("row " + std::to_string(t + 1));
    size_ladder(im, set, 60, 20 + 200 * t + 90);
    if (HasFatalFailure()) return;
  }
  // By hand: 1600 bp 30 rows below the row's top, halving every 30 rows.
  std::vector<Want> want;
  for (const GelLane& l : lanes)
    for (int y : l.rows) {
      const int top = l.top;
      want.push_back({l.x == 60 ? (top < 200 ? 1 : 3) : (top < 200 ? 2 : 4), y,
                      1600 * std::pow(2.0, (top + 30 - y) / 30.0)});
    }
  check(report(), want, 0.05 + 1e-9);
  close(im);
}

}  // namespace
