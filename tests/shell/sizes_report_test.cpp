// Sizes in the band report: a ladder lane and two sample lanes, size standards assigned to the
// ladder in the Size Stds assignment window from a standard set, then Report > Active Image. The
// size column of every band is checked against sizes worked out by hand for each method.
#include <gtest/gtest.h>

#include <QTimer>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/band_rep.h"
#include "analysis/rep_cfg.h"
#include "engine/std_numeric.h"
#include "gel_fixture.h"
#include "lane_size_report.h"
#include "model/control.h"
#include "model/report_cfg.h"
#include "model/std_list.h"
#include "model/task_state.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_std_tools.h"

namespace {

constexpr int kLadderX = 60;
constexpr int kSampleX[] = {150, 240};
constexpr int kTop = 10, kBottom = 510;

class SizesReport : public shelltest::OpenImagesTest {
 protected:
  void TearDown() override {
    std_sasn_dismiss();
    band_rep_dismiss();
    CONTROL* ctl = gt_get_control();
    ctl->size_stdset = 0;
    ctl->size_stdset_path[0] = '\0';
    TKT_SetImageMapping(false);
    OpenImagesTest::TearDown();
  }

  // The gel with its three straight lanes (ladder first, numbered 1 to 3) and their bands.
  IMAGE_REC* gel(const std::vector<int>& ladder_rows, const std::vector<int>& sample_rows) {
    IMAGE_REC* im = open(shelltest::write_gel(dir, "gel", 320, 520));
    if (!im) return nullptr;
    const int xs[] = {kLadderX, kSampleX[0], kSampleX[1]};
    for (int k = 0; k < 3; ++k) {
      const std::vector<int>& rows = k == 0 ? ladder_rows : sample_rows;
      shelltest::add_lane_and_band(im, xs[k], kTop, kBottom, rows[0]);
      LANE* lane = im->lanes->next;
      while (lane->next) lane = lane->next;
      lane->lane_number = k + 1;
      for (std::size_t i = 1; i < rows.size(); ++i) {
        SPOT* b = sp_make_spot();
        b->x = xs[k];
        b->y = rows[i];
        b->f1 = 2;
        for (int j = 0; j < SP_BOUNDS; ++j) b->bound_x[j] = b->bound_y[j] = -1;
        sp_add_spot(b, im->bands);
      }
    }
    // The size standards list that finding bands gives an image.
    if (!im->size_stdp) {
      im->size_stdp = static_cast<STD_LIST**>(ks_alloc_msg(sizeof(STD_LIST*)));
      im->size_stdp[0] = std_list_create();
      im->lane_hdr->num_tiers = 1;
    }
    return im;
  }

  // Size Stds with the given method: the assignment window opened as the size dialog's OK opens
  // it (the dialog offers four of the methods; the others come with stored lists), the standard
  // set assigned automatically by a click on the ladder lane, then OK.
  void size_stds(IMAGE_REC* im, int method, const std::vector<double>& values) {
    const std::string set = dir + "/ladder.std";
    {
      std::ofstream out(set);
      for (double v : values) out << std::setprecision(17) << v << "\n";
    }
    CONTROL* ctl = gt_get_control();
    ctl->size_stdset = 1;
    std::snprintf(ctl->size_stdset_path, sizeof ctl->size_stdset_path, "%s", set.c_str());
    std::snprintf(ctl->size_unit, sizeof ctl->size_unit, "bp");
    ctl->size_digits = 3;
    TKT_Click(mode_button(2));  // Size Stds
    gt_set_state(TS_SIZE_STDS);
    gt_std_size_asgn_activate(win_, "ladder.std", nullptr, method, STD_EXT_NONE, 0, 0, 1);
    TK_OBJ sasn = TKT_FindWindow("std_sasn", "std_sasn_win");
    ASSERT_NE(sasn, nullptr);
    TKT_SetImageMapping(true, im->img_ptr->zoom[0], im->img_ptr->scale);
    TKT_Press(static_cast<TK_OBJ>(im->draw_area), kLadderX, 250);
    TKT_Release(static_cast<TK_OBJ>(im->draw_area), kLadderX, 250);
    ASSERT_EQ(im->pending_stds->count, static_cast<int>(values.size()));
    TKT_Click(RES_GetSub(sasn, 2));  // OK
    EVENT_Flush();
    EXPECT_EQ(gt_get_state(), TS_IDLE);
  }

  // Report > Active Image with the columns lane, Y and size: the size text of each band by lane
  // and row.
  std::map<std::pair<int, int>, std::string> report() {
    const std::string text = shelltest::run_lane_y_size_report(win_);
    if (const char* d = std::getenv("VX_GRAB_DIR"); d && band_rep_window())
      TKT_Grab(band_rep_window(), (std::string(d) + "/sizes_report_" +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".png").c_str());
    std::istringstream head(shelltest::lane_y_size_head(text));
    for (std::string line; std::getline(head, line);) {
      if (line.find("Lane #") != std::string::npos) {
        EXPECT_NE(line.find("bp"), std::string::npos) << line;
      }
    }
    std::map<std::pair<int, int>, std::string> sizes;
    for (const shelltest::ReportedSize& r : shelltest::lane_y_size_rows(text)) sizes[{r.lane, r.y}] = r.size;
    return sizes;
  }
};

struct Expect {
  int lane, y;
  double size;
};

void check(const std::map<std::pair<int, int>, std::string>& got, const std::vector<Expect>& want,
           double tolerance) {
  for (const Expect& e : want) {
    SCOPED_TRACE("lane " + std::to_string(e.lane) + " row " + std::to_string(e.y));
    auto it = got.find({e.lane, e.y});
    ASSERT_NE(it, got.end()) << "no report line";
    char* end = nullptr;
    const double size = std::strtod(it->second.c_str(), &end);
    ASSERT_TRUE(!it->second.empty() && *end == '\0') << "no size: \"" << it->second << "\"";
    EXPECT_NEAR(size, e.size, tolerance) << it->second;
  }
}

// The 1 kb Plus ladder of the demo's standard set, placed log-linearly as on an agarose gel.
const std::vector<double> kPlus = {10000, 8000, 6000, 5000, 4000, 3000, 2000, 1500, 1200,
                                   1000,  800,  700,  600,  500,  400,  300,  200,  100};
int plus_row(double bp) { return static_cast<int>(std::lround(40 + 220 * (4 - std::log10(bp)))); }

TEST_F(SizesReport, RobustThatCannotFitSizesByReciprocal) {
  std::vector<int> ladder;
  for (double v : kPlus) ladder.push_back(plus_row(v));
  // Sample bands on the 3000, 1000 and 200 bp rows, and one between the 800 and 700 bp rows.
  const std::vector<int> samples = {plus_row(3000), plus_row(1000), 288, plus_row(200)};
  IMAGE_REC* im = gel(ladder, samples);
  ASSERT_NE(im, nullptr);
  size_stds(im, STD_ROBUST, kPlus);
  if (HasFatalFailure()) return;
  const auto got = report();
  std::vector<Expect> want;
  for (std::size_t i = 0; i < kPlus.size(); ++i) want.push_back({1, ladder[i], kPlus[i]});
  for (int lane : {2, 3}) {
    want.push_back({lane, plus_row(3000), 3000});
    want.push_back({lane, plus_row(1000), 1000});
    want.push_back({lane, plus_row(200), 200});
  }
  check(got, want, 0.0005);
  for (int lane : {2, 3}) {
    const std::string between = got.count({lane, 288}) ? got.at({lane, 288}) : "";
    const double size = std::atof(between.c_str());
    EXPECT_TRUE(size > 700 && size < 800) << "lane " << lane << ": \"" << between << "\"";
  }
  for (LANE* l = im->lanes->next; l; l = l->next) EXPECT_EQ(l->int_method, STD_RECIPROCAL);
}

// A ladder of 100 x 2^i bp, one every 50 rows: log10(size) falls linearly down the lane.
const std::vector<double> kDoubling = {12800, 6400, 3200, 1600, 800, 400, 200, 100};
int doubling_row(int i) { return 90 + 50 * i; }  // 12800 at 90 .. 100 at 440

TEST_F(SizesReport, LineFitMethodsSizeSampleLanesFromTheLadder) {
  std::vector<int> ladder;
  for (std::size_t i = 0; i < kDoubling.size(); ++i) ladder.push_back(doubling_row(static_cast<int>(i)));
  const std::vector<int> samples = {115, 265, 340, 365, 415};
  struct Case {
    int method;
    double scale;  // the ladder's values are kDoubling times scale
    bool hundreds;  // sizes rounded to a whole multiple of 100
  };
  // Molecular weights in bp; isoelectric points 3.5 at the bottom to 11.8 at the top (2^(1/4)
  // a step).
  const Case cases[] = {{STD_MOLE_WGT, 1.0, true}, {STD_IEF, -1.0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.method);
    auto value_at = [&](double y) {
      // By hand: 100 * 2^((440 - y) / 50) bp, or 3.5 * 2^((440 - y) / 200).
      return c.scale > 0 ? 100 * std::pow(2.0, (440 - y) / 50) : 3.5 * std::pow(2.0, (440 - y) / 200);
    };
    std::vector<double> values;
    for (int y : ladder) values.push_back(value_at(y));
    IMAGE_REC* im = gel(ladder, samples);
    ASSERT_NE(im, nullptr);
    size_stds(im, c.method, values);
    if (HasFatalFailure()) return;
    std::vector<Expect> want;
    for (std::size_t i = 0; i < values.size(); ++i) want.push_back({1, ladder[i], values[i]});
    for (int lane : {2, 3})
      for (int y : samples) {
        const double v = value_at(y);
        want.push_back({lane, y, c.hundreds ? std::floor(v / 100 + 0.5) * 100 : v});
      }
    check(report(), want, 0.0005 + (c.hundreds ? 0.0 : 1e-6));
    band_rep_dismiss();
    gt_image_clear_modified(im);
    WIN_Terminate(gt_get_img_window(0));
    EVENT_Flush();
  }
}

// The exponential method: on a row the row's value, halfway between two rows 200 bp apart the
// larger value plus ln(1/2).
TEST_F(SizesReport, ExponentialOnAndBetweenRows) {
  std::vector<int> ladder;
  for (std::size_t i = 0; i < kDoubling.size(); ++i) ladder.push_back(doubling_row(static_cast<int>(i)));
  const std::vector<int> samples = {doubling_row(4), doubling_row(5), 365, doubling_row(7)};
  IMAGE_REC* im = gel(ladder, samples);
  ASSERT_NE(im, nullptr);
  size_stds(im, STD_EXPONENTIAL, kDoubling);
  if (HasFatalFailure()) return;
  std::vector<Expect> want;
  for (std::size_t i = 0; i < kDoubling.size(); ++i) want.push_back({1, ladder[i], kDoubling[i]});
  for (int lane : {2, 3}) {
    want.push_back({lane, doubling_row(4), 800});
    want.push_back({lane, doubling_row(5), 400});
    want.push_back({lane, 365, 400 + std::log(0.5)});
    want.push_back({lane, doubling_row(7), 100});
  }
  check(report(), want, 0.0005);
}

}  // namespace
