// The standards fit chart, the lane profile window and the fractions report, opened from the
// main window's commands over open images.
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/band_rep.h"
#include "analysis/compare.h"
#include "base/ks_ini.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "engine/lane_geometry.h"
#include "gel_fixture.h"
#include "model/std_list.h"
#include "model/task_state.h"
#include "shell/gt_misc.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_image_win.h"
#include "shell/gt_overlay.h"
#include "shell/ih_draw.h"
#include "toolkit/tk_area.h"
#include "toolkit/tk_chart.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_print.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_report_wins.h"
#include "tools/gt_std_tools.h"
#include "tools/ln_prf_win.h"

namespace {

int count_bands(const IMAGE_REC* im) {
  int n = 0;
  for (const SPOT* b = im->bands->next; b; b = b->next) ++n;
  return n;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Renders a PostScript file with Ghostscript; the number of dark pixels of the page.
int dark_pixels_of_print(const std::string& ps, const std::string& png) {
  const std::string cmd = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r72 -o " + png + " " + ps +
                          " >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) return -1;
  const QImage out(png.c_str());
  if (const char* d = std::getenv("VX_GRAB_DIR"))  // the rendered page, to be looked at
    out.save((std::string(d) + "/print_" + ps.substr(ps.find_last_of('/') + 1) + ".png").c_str());
  int dark = 0;
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x) dark += qGray(out.pixel(x, y)) < 100;
  return dark;
}

class ReportWins : public shelltest::OpenImagesTest {
 protected:
  void TearDown() override {
    gt_report_wins_dismiss_all();
    OpenImagesTest::TearDown();
  }
  static void grab(TK_OBJ w, const char* name) {
    if (const char* d = std::getenv("VX_GRAB_DIR")) TKT_Grab(w, (std::string(d) + "/" + name).c_str());
  }
  IMAGE_REC* open_gel(const char* name = "gel") {
    IMAGE_REC* im = open(shelltest::write_gel(dir, name, 300, 220));
    EXPECT_NE(im, nullptr);
    return im;
  }
  // A selected lane at column x from row top to bottom with the given profile (one value a row)
  // and a flat baseline, and a band at each of band_rows.
  LANE* add_lane(IMAGE_REC* im, int x, int top, const std::vector<int>& profile, const char* name,
                 const std::vector<int>& band_rows, int baseline = 0) {
    const int n = static_cast<int>(profile.size());
    shelltest::add_lane_and_band(im, x, top, top + n - 1, band_rows.empty() ? top : band_rows[0]);
    LANE* lane = im->lanes->next;
    while (lane->next) lane = lane->next;
    lane->lane_number = im->lane_hdr->num_lanes;
    std::snprintf(lane->lane_name, sizeof lane->lane_name, "%s", name);
    lane->num_data_values = n;
    lane->data_values = static_cast<int32_t*>(ks_alloc_msg(n * sizeof(int32_t)));
    lane->baseline_values = static_cast<int32_t*>(ks_alloc_msg(n * sizeof(int32_t)));
    for (int i = 0; i < n; ++i) lane->data_values[i] = profile[static_cast<std::size_t>(i)], lane->baseline_values[i] = baseline;
    lane->bckgrnd_type = 1;
    lane->f |= LN_F_SELECTED;
    im->num_sel_lanes++;
    for (std::size_t k = 1; k < band_rows.size(); ++k) {
      SPOT* b = sp_make_spot();
      b->x = x;
      b->y = band_rows[k];
      b->f1 = 2;
      for (int i = 0; i < SP_BOUNDS; ++i) b->bound_x[i] = b->bound_y[i] = -1;
      sp_add_spot(b, im->bands);
    }
    return lane;
  }
  static std::vector<int> hill(int n, int peak, int height) {
    std::vector<int> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) v[static_cast<std::size_t>(i)] = 20 + std::max(0, height - std::abs(i - peak) * 4);
    return v;
  }
  static void set_size_stds(IMAGE_REC* im, int x, const std::vector<double>& rows, const std::vector<double>& values,
                            int method) {
    if (!im->size_stdp) {
      im->size_stdp = static_cast<STD_LIST**>(ks_alloc_msg(sizeof(STD_LIST*)));
      im->size_stdp[0] = std_list_create();
      im->lane_hdr->num_tiers = 1;
    }
    STD_LIST* list = im->size_stdp[0];
    list->count = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      STD_MARKER m;
      std_marker_clear(&m);
      m.x = x, m.y = rows[i], m.ix = x, m.iy = static_cast<int>(rows[i]);
      m.value = values[i];
      m.lane_num = 1;
      m.flags = STD_M_VALID;
      std_list_append(list, &m);
    }
    list->clean = 0;
    list->int_method = method;
  }
};

// ---------------------------------------------------------------------------------------------
// Standards fit chart

TEST_F(ReportWins, FitChartRegressionCaptionMatchesLeastSquaresAndSavesAndPrints) {
  IMAGE_REC* im = open_gel();
  ASSERT_NE(im, nullptr);
  LANE* lane = add_lane(im, 60, 10, hill(200, 60, 300), "A", {60});
  // One lane's standards, each row's location its y (expected numbers from
  // scipy.stats.linregress([40, 60, 85, 110, 150], [1000, 700, 500, 300, 100])).
  set_size_stds(im, 60, {40, 60, 85, 110, 150}, {1000, 700, 500, 300, 100}, 4);
  im->cur_lane = nullptr;  // the first selected lane gives the column
  (void)lane;
  main_winNfySelMenuBar(win_, GT_CMD_SIZE_CURVE);
  TK_OBJ w = std_fit_window();
  ASSERT_NE(w, nullptr);
  const StdFitData& d = std_fit_last();
  EXPECT_EQ(d.series, 3);
  EXPECT_DOUBLE_EQ(d.x[0], 40.0);
  EXPECT_DOUBLE_EQ(d.x[127], 40.0 + 127 * 110.0 / 128);
  int marks = 0;
  for (int m : d.mark) marks += m;
  EXPECT_EQ(marks, 5);
  EXPECT_NE(d.caption.find("Size = -7.938005 * Migration + 1226.482480 (r = -0.9788)"), std::string::npos) << d.caption;
  EXPECT_NE(d.caption.find("Linear Scale"), std::string::npos);
  EXPECT_EQ(d.x_max, 150.0);
  EXPECT_EQ(d.x_step, 15.0);
  EXPECT_NE(std::string(WIN_GetTitle(w)).find("Size Standards Fit : "), std::string::npos);

  // Save: 128 lines of x, standards and curve.
  const std::string csv = dir + "/fit.csv";
  TKT_AnswerChooser({csv});
  TKT_Click(RES_GetSub(w, 4));
  const std::string text = read_file(csv);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 128) << text.substr(0, 200);
  EXPECT_EQ(text.substr(0, text.find('\n')).find("40.000000,"), 0u) << text.substr(0, 80);
  EXPECT_EQ(std::count(text.begin(), text.begin() + static_cast<long>(text.find('\n')), ','), 2);

  // Print to a PostScript file, rendered.
  const std::string ps = dir + "/fit.ps";
  TKT_AnswerPrint(1);
  TKT_AnswerChooser({ps});
  TKT_Click(RES_GetSub(w, 0));
  EXPECT_GT(dark_pixels_of_print(ps, dir + "/fit.png"), 50);
  grab(w, "std_fit_regression.png");

  // One draw per scale switch; the logarithmic caption.
  const int before = std_fit_draw_count();
  TKT_Pick(RES_GetSub(w, 1), 1);
  EXPECT_EQ(std_fit_draw_count(), before + 1);
  EXPECT_NE(std_fit_last().caption.find("Logarithmic Scale"), std::string::npos);
  grab(w, "std_fit_log.png");
  // Opening again keeps the scale and draws once.
  gt_std_fit_activate(win_, im, GT_STD_FIT_SIZE);
  EXPECT_EQ(std_fit_draw_count(), before + 2);
  EXPECT_EQ(WGT_GetChoice(RES_GetSub(w, 1)), 1);
  TKT_Pick(RES_GetSub(w, 1), 0);

  // The fit chart closes with its image.
  gt_image_clear_modified(im);
  WIN_Terminate(gt_get_img_window(0));
  EVENT_Flush();
  EXPECT_EQ(std_fit_window(), nullptr);
}

TEST_F(ReportWins, FitChartCurveFallbacksInterceptSignAndSharedSamples) {
  IMAGE_REC* im = open_gel();
  ASSERT_NE(im, nullptr);
  add_lane(im, 60, 10, hill(200, 60, 300), "A", {60});
  struct Case {
    const char* name;
    std::vector<double> rows, values;
    const char* sign;  // in the equation
    bool tail_fallback;
  };
  const Case cases[] = {
      {"rising: negative intercept", {40, 60, 85, 110, 150}, {10, 30, 55, 80, 120}, " - ", false},
      {"falling below 0 at the end", {40, 60, 85, 110, 150}, {1000, 800, 500, 200, 10}, " + ", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    set_size_stds(im, 60, c.rows, c.values, 4);
    gt_std_fit_activate(win_, im, GT_STD_FIT_SIZE);
    const StdFitData& d = std_fit_last();
    const std::string eq = d.caption.substr(d.caption.find('\n') + 1);
    EXPECT_NE(eq.find(c.sign), std::string::npos) << eq;
    EXPECT_EQ(eq.find("- -"), std::string::npos) << eq;
    // No sample is left at or below 0; samples past the last positive one are 1.0.
    for (double v : d.curve) EXPECT_GT(v, 0.0);
    EXPECT_EQ(d.curve[127] == 1.0, c.tail_fallback);
  }
  // Two rows nearest to one sample mark it once.
  set_size_stds(im, 60, {100, 101, 400}, {1000, 990, 100}, 4);
  gt_std_fit_activate(win_, im, GT_STD_FIT_SIZE);
  const StdFitData& d = std_fit_last();
  int marks = 0;
  for (int m : d.mark) marks += m;
  EXPECT_EQ(marks, 2);
  EXPECT_EQ(d.mark[0], 1);
  EXPECT_TRUE(d.stds[0] == 1000 || d.stds[0] == 990) << d.stds[0];

  // An empty list shows an empty chart.
  im->size_stdp[0]->count = 0;
  gt_std_fit_activate(win_, im, GT_STD_FIT_SIZE);
  EXPECT_EQ(std_fit_last().series, 0);
  EXPECT_EQ(CHART_GetData(RES_GetSub(std_fit_window(), 2)), nullptr);
  // With no points the command does not open it.
  std_fit_dismiss();
  main_winNfySelMenuBar(win_, GT_CMD_SIZE_CURVE);
  EXPECT_EQ(std_fit_window(), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Lane profile window

TEST(LaneProfile, DataPointSmoothsOverThreeFourAndFiveValuesAndSubtracts) {
  const int data[] = {10, 20, 30, 40, 50, 60, 70, 80};
  const int base[] = {1, 1, 1, 1, 1, 1, 1, 1};
  struct Case {
    int sub, smooth, index, want;
  } cases[] = {
      {0, 0, 3, 40},        {1, 0, 3, 39},  {0, 0, 99, 80},          // index held to n - 1
      {0, 1, 0, 20},        {0, 1, 1, 25},  {0, 1, 4, 50},           // 3, 4 and 5 values
      {0, 1, 7, 70},        {0, 1, 6, 65},  {1, 1, 4, 49},           // the end, one before it
  };
  for (const Case& c : cases)
    EXPECT_EQ(profile_data_point(c.sub, c.smooth, c.index, 5, 8, data, base), c.want)
        << c.sub << c.smooth << " at " << c.index;
  // Means are truncated toward zero; short profiles clip the window.
  const int neg[] = {-1, -2, 0};
  EXPECT_EQ(profile_data_point(0, 1, 0, 5, 3, neg, nullptr), -1);
  EXPECT_EQ(profile_data_point(0, 1, 0, 5, 1, data, nullptr), 10);
}

TEST_F(ReportWins, ProfileStacksTwoLanesAndLinksChartAndImageBothWays) {
  IMAGE_REC* im = open_gel();
  ASSERT_NE(im, nullptr);
  // Lane A has a band outside its profile and a band inside.
  add_lane(im, 60, 10, hill(180, 50, 300), "A", {50, 205});
  add_lane(im, 150, 10, hill(180, 120, 200), "", {120});
  // A selected lane without a profile is left out.
  shelltest::add_lane_and_band(im, 240, 10, 190, 100);
  for (LANE* l = im->lanes->next; l; l = l->next)
    if (!l->data_values) l->f |= LN_F_SELECTED, im->num_sel_lanes++;
  im->cur_lane = im->lanes->next;
  gt_get_control()->ln_prf_offset = 1;
  gt_get_control()->ln_prf_show_bands = 1;
  main_winNfySelMenuBar(win_, GT_CMD_REPORT_LANE_PROFILE);
  TK_OBJ w = ln_prf_window();
  ASSERT_NE(w, nullptr);
  PRF_LANE* a = ln_prf_lanes();
  ASSERT_NE(a, nullptr);
  ASSERT_NE(a->next, nullptr);
  EXPECT_EQ(a->next->next, nullptr);
  EXPECT_EQ(ln_prf_offset(0), 0);
  EXPECT_EQ(ln_prf_offset(1), 320 + 12);
  EXPECT_EQ(std::string(ln_prf_caption()), "Lane Profile (gel.kes:A is the bottom profile)");
  EXPECT_EQ(a->data_values[a->n + 40], 1);  // band row 50 - y0 10
  int marks = 0;
  for (int i = 0; i < a->n; ++i) marks += a->data_values[a->n + i];
  EXPECT_EQ(marks, 1);  // the band at row 205 lies beyond the profile
  EXPECT_TRUE(WGT_IsEnabled(RES_GetSub(w, 5)));
  grab(w, "ln_prf_offset.png");

  // Offset off: a click on the chart counts the profile index from 1 at the plot's left edge,
  // round(x range / width) + 1, on the curve the jump from the image points at.
  TKT_Click(RES_GetSub(w, 5));
  TK_OBJ chart = RES_GetSub(w, 0);
  const TkRect plot = CHART_GetPlotRect(chart);
  auto index_at = [&](int x) { return static_cast<int>(std::floor((x - plot.x) * 179.0 / plot.w + 0.5)) + 1; };
  for (int k : {0, 17, 40, 111, 178}) {
    SCOPED_TRACE(k);
    TkPoint px{};
    ASSERT_EQ(ln_prf_jump_to_profile(im, TkPoint{60, 10 + k}, &px), 1);
    PRF_LANE* hit = nullptr;
    EXPECT_EQ(ln_prf_click_index(chart, px, &hit), index_at(px.x));
    EXPECT_EQ(hit, a);
  }
  PRF_LANE* edge = nullptr;
  EXPECT_EQ(ln_prf_click_index(chart, TkPoint{plot.x, plot.y + plot.h - 2}, &edge), 1);
  // A click there jumps to that row of the image, with short marks on the lane's edges in the
  // selected colour of the preferences.
  gt_get_control()->disp_codes[DISP_COL_SELECTED] = 2;  // cyan
  TkPoint px{};
  ASSERT_EQ(ln_prf_jump_to_profile(im, TkPoint{60, 10 + 70}, &px), 1);
  const int row = 10 + index_at(px.x);
  TKT_Press(chart, px.x, px.y);
  TKT_Release(chart, px.x, px.y);
  {
    auto area = static_cast<TK_OBJ>(im->draw_area);
    const QImage& b = tk::area(area)->backing();
    const TkPoint left = ih_map_point(area, 60 - 9 - 1, row - 2, im->img_ptr);
    EXPECT_EQ(b.pixel(left.x, left.y) & 0xFFFFFF, 0x00FFFFu);
  }
  // Shift-click on lane A's curve adds a band at that row, and its mark shows.
  const int before = count_bands(im);
  TKT_Press(chart, px.x, px.y, true, TK_MOD_SHIFT);
  TKT_Release(chart, px.x, px.y, true, TK_MOD_SHIFT);
  EXPECT_EQ(count_bands(im), before + 1);
  a = ln_prf_lanes();
  EXPECT_EQ(a->data_values[a->n + row - 10], 1);
  grab(w, "ln_prf_band_added.png");

  // The other button in an image window in lanes mode is handed to the window.
  gt_set_sel_mode(1, mode_button(1));
  TKT_SetImageMapping(true);
  TKT_Press(static_cast<TK_OBJ>(im->draw_area), 60, 40, false);
  TKT_Release(static_cast<TK_OBJ>(im->draw_area), 60, 40, false);
  TKT_SetImageMapping(false);

  // Printing the chart.
  const std::string ps = dir + "/prf.ps";
  TKT_AnswerPrint(1);
  TKT_AnswerChooser({ps});
  TKT_Click(RES_GetSub(w, 1));
  EXPECT_GT(dark_pixels_of_print(ps, dir + "/prf.png"), 50);

  // Closing stores the switches.
  TKT_Click(RES_GetSub(w, 2));
  EXPECT_EQ(ln_prf_window(), nullptr);
  EXPECT_EQ(gt_get_control()->ln_prf_offset, 0);
  EXPECT_EQ(gt_get_control()->ln_prf_show_bands, 1);
}

TEST_F(ReportWins, ProfileTakesFifteenLanesOfAThousandPointsAndRefusesTheSixteenthOnce) {
  gt_lane_profile_activate(win_);  // no image: an empty chart
  ASSERT_NE(ln_prf_window(), nullptr);
  EXPECT_EQ(CHART_GetData(RES_GetSub(ln_prf_window(), 0)), nullptr);
  PRF_LANE* first = nullptr;
  PRF_LANE** tail = &first;
  for (int k = 0; k < 17; ++k) {
    auto* l = static_cast<PRF_LANE*>(ks_alloc_msg(sizeof(PRF_LANE)));
    l->n = 1000;
    l->lane_number = k + 1;
    l->data_values = static_cast<int*>(ks_alloc_msg(sizeof(int) * 2000));
    l->baseline_values = static_cast<int*>(ks_alloc_msg(sizeof(int) * 1000));
    l->image_name = static_cast<char*>(ks_alloc_msg(IMG_PATH_LEN));
    for (int i = 0; i < 1000; ++i) l->data_values[i] = (i * (k + 3)) % 97;
    *tail = l;
    tail = &l->next;
  }
  ln_prf_set_lanes(first);
  TKT_AnswerAlert(1);
  EXPECT_EQ(ln_prf_init("test", first), 15);
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(168));
  EXPECT_EQ(TKT_Unanswered(), 0);  // shown once
  EXPECT_EQ(CHART_GetPerPoint(RES_GetSub(ln_prf_window(), 0)), 16);
  EXPECT_EQ(CHART_GetCount(RES_GetSub(ln_prf_window(), 0)), 1000);
}

// ---------------------------------------------------------------------------------------------
// Fractions report

class Fractions : public ReportWins {
 protected:
  void write_fractions(const char* name, const std::string& text) {
    std::ofstream(ws_->write_dir() + name) << text;
  }
  // A lane of rows 10..109 with bands at the given Rf per cent and amounts.
  LANE* lane_with_bands(IMAGE_REC* im, const std::vector<std::pair<int, double>>& bands) {
    LANE* lane = add_lane(im, 60, 10, hill(100, 50, 200), "7", {});
    // The band the lane helper made is dropped; bands go at the rows of the given Rf.
    while (im->bands->next) sp_del_spot(im->bands->next, im->bands);
    for (const auto& [rf, amount] : bands) {
      int y = 10;
      while (y < 109 && static_cast<int>(ln_y_to_rf(y, lane) * 100 + 0.05) < rf) ++y;
      SPOT* b = sp_make_spot();
      b->x = 60, b->y = y, b->f1 = 2, b->amount = amount;
      for (int i = 0; i < SP_BOUNDS; ++i) b->bound_x[i] = b->bound_y[i] = -1;
      sp_add_spot(b, im->bands);
    }
    im->has_bands = 1;
    return lane;
  }
  const std::string kProtein =
      "; serum\nSerum Proteins\n10, 30, 0, 55, 65, Albumin\n40, 50, 0, 2, 5, Alpha1\n"
      "40, 50, 10, 7, 12, Alpha2\n60, 80, 0, 10, 20, Gamma\n";
};

TEST_F(Fractions, ShareDecidesBetweenOverlappingFractions) {
  IMAGE_REC* im = open_gel();
  ASSERT_NE(im, nullptr);
  LANE* lane = lane_with_bands(im, {{45, 1.0}});
  write_fractions("protein_fractions.txt", kProtein);
  char title[100];
  ASSERT_EQ(fractions_file_usable("protein_fractions.txt", title, sizeof title), 4);
  ASSERT_EQ(ln_pres_use_fractions(4), 1);
  SPOT* band = im->bands->next;
  struct Case {
    double share;
    const char* want;
  } cases[] = {{0.12, "Alpha2"}, {0.08, "Alpha1"}, {0.10, "Alpha2"}, {0.0005, nullptr}};
  for (const Case& c : cases) {
    FRACTION* f = band_find_fraction(c.share, band, lane);
    EXPECT_STREQ(f ? f->name : nullptr, c.want) << c.share;
  }
  band->y = 105;  // outside every range
  EXPECT_EQ(band_find_fraction(0.5, band, lane), nullptr);
}

TEST_F(Fractions, TableInEnglishAndFrenchAndPrintFillsTheDate) {
  IMAGE_REC* im = open_gel();
  ASSERT_NE(im, nullptr);
  lane_with_bands(im, {{20, 60.0}, {45, 12.0}, {70, 18.0}, {90, 10.0}});
  write_fractions("protein_fractions.txt", kProtein);
  ASSERT_EQ(ks_put_inientry(KS_INI_FRACTIONS_REPORT_INFORMATION, 0, "Printed <date><cr>by the lab"), 1);
  main_winNfySelMenuBar(win_, GT_CMD_REPORT_PROTEIN_FRACTIONS);
  TK_OBJ w = ln_prf_window();
  ASSERT_NE(w, nullptr);
  EXPECT_STREQ(WIN_GetTitle(w), "Serum Proteins");
  EXPECT_EQ(std::string(ln_pres_table()),
            "Fractions      %    Normals  %\n"
            "  Albumin     60.0  55.0 - 65.0\n"
            "   Alpha2     12.0   7.0 - 12.0\n"
            "    Gamma     18.0  10.0 - 20.0\n"
            "        4     10.0\n");
  EXPECT_FALSE(WGT_IsShown(RES_GetSub(w, 5)));
  EXPECT_STREQ(WGT_GetText(RES_GetSub(w, 8)), "Patient:\n");
  grab(w, "ln_pres_english.png");

  // Print: today's date and a line break in the information text; the ini keeps the template.
  const std::string ps = dir + "/pres.ps";
  TKT_AnswerPrint(1);
  TKT_AnswerChooser({ps});
  TKT_Click(RES_GetSub(w, 1));
  char date[KS_DATE_LEN];
  EXPECT_EQ(std::string(WGT_GetText(RES_GetSub(w, 11))), std::string("Printed ") + ks_date(date) + "\nby the lab");
  EXPECT_TRUE(WGT_IsShown(RES_GetSub(w, 1)));
  EXPECT_GT(dark_pixels_of_print(ps, dir + "/pres.png"), 50);
  int is_int = 0, v = 0;
  char text[KS_INI_VALUE_LEN];
  ks_get_inientry(KS_INI_FRACTIONS_REPORT_INFORMATION, &is_int, &v, text);
  EXPECT_STREQ(text, "Printed <date><cr>by the lab");

  // In French.
  ASSERT_EQ(ks_put_inientry(KS_INI_FRACTIONS_REPORT_LANGUAGE, 0, "francais"), 1);
  main_winNfySelMenuBar(win_, GT_CMD_REPORT_PROTEIN_FRACTIONS);
  w = ln_prf_window();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(std::string(ln_pres_table()).substr(0, 31), "Fractions      %    Normales %\n");
  // The commentary window in French, with the support medium.
  TKT_Click(RES_GetSub(w, 3));
  TK_OBJ cw = TKT_FindWindow("ln_pres", "commentary_win");
  ASSERT_NE(cw, nullptr);
  EXPECT_STREQ(WIN_GetTitle(cw), "Entrez Commentaire");
  EXPECT_STREQ(WGT_GetText(RES_GetSub(cw, 3)), "Spécifier le type des médias");
  EXPECT_FALSE(WGT_IsEnabled(RES_GetSub(cw, 4)));
  TKT_Type(RES_GetSub(cw, 0), "Profil normal");
  TKT_Click(RES_GetSub(cw, 3));
  EXPECT_TRUE(WGT_IsEnabled(RES_GetSub(cw, 4)));
  TKT_Pick(RES_GetSub(cw, 4), 1);
  grab(cw, "ln_pres_commentary.png");
  TKT_Click(RES_GetSub(cw, 1));
  EXPECT_EQ(TKT_FindWindow("ln_pres", "commentary_win"), nullptr);
  EXPECT_STREQ(WGT_GetText(RES_GetSub(w, 12)), "Commentaire\nProfil normal");
  EXPECT_STREQ(WGT_GetText(RES_GetSub(w, 13)), "Proteines sur [ ]Acetate de Cellulose   [x]Gel d'agarose");
  grab(w, "ln_pres_french.png");
}

TEST_F(Fractions, FaultyFileGivesNoReportAndTheTwoWindowsNeverShareALayout) {
  IMAGE_REC* im = open_gel();
  ASSERT_NE(im, nullptr);
  lane_with_bands(im, {{20, 60.0}, {45, 12.0}});
  // The profile window is open; the report closes it first.
  main_winNfySelMenuBar(win_, GT_CMD_REPORT_LANE_PROFILE);
  ASSERT_NE(ln_prf_window(), nullptr);
  write_fractions("hemoglobin_fractions.txt", "10, 30, 0, 55, 65, HbA\n");
  main_winNfySelMenuBar(win_, GT_CMD_REPORT_HB_FRACTIONS);
  ASSERT_NE(ln_prf_window(), nullptr);
  EXPECT_EQ(TKT_FindWindow("ln_prf", "ln_prf_win"), nullptr);
  EXPECT_NE(TKT_FindWindow("ln_pres", "ln_pres_win"), nullptr);
  EXPECT_STREQ(WIN_GetTitle(ln_prf_window()), "Hemoglobin Fractions");  // no title line: the default
  // The profile window in turn closes the report.
  main_winNfySelMenuBar(win_, GT_CMD_REPORT_LANE_PROFILE);
  EXPECT_EQ(TKT_FindWindow("ln_pres", "ln_pres_win"), nullptr);
  EXPECT_NE(TKT_FindWindow("ln_prf", "ln_prf_win"), nullptr);
  ln_prf_dismiss();

  // One bad line among good ones: no report and no window; a missing file the same.
  for (const std::string& text : {std::string("10, 30, 0, 55, 65, HbA\n40, 40, 0, 1, 2, HbS\n"), std::string()}) {
    write_fractions("hemoglobin_fractions.txt", text);
    main_winNfySelMenuBar(win_, GT_CMD_REPORT_HB_FRACTIONS);
    EXPECT_EQ(ln_prf_window(), nullptr);
    EXPECT_EQ(TKT_FindWindow("ln_pres", "ln_pres_win"), nullptr);
  }
  std::remove((ws_->write_dir() + "hemoglobin_fractions.txt").c_str());
  main_winNfySelMenuBar(win_, GT_CMD_REPORT_HB_FRACTIONS);
  EXPECT_EQ(ln_prf_window(), nullptr);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The standards assignment and its guided run

TEST_F(ReportWins, AssignmentOkCancelAndConfigurationCancelTakeTheGuidedReportStep) {
  IMAGE_REC* im = open_gel();
  ASSERT_NE(im, nullptr);
  // Without bands the report command stops at once (its parameters dialog is not wanted here).
  set_size_stds(im, 60, {}, {}, 1);
  struct Case {
    const char* name;
    int run;
    void (*open)(TK_OBJ);
    int button;  // of the assignment window; 0: the configuration dialog is cancelled
  } cases[] = {
      {"size OK", 1, [](TK_OBJ o) { gt_std_size_asgn_activate(o, "", nullptr, 1, 0, 0, 0, 0); }, 2},
      {"size Cancel", 1, [](TK_OBJ o) { gt_std_size_asgn_activate(o, "", nullptr, 1, 0, 0, 0, 0); }, 3},
      {"conc OK", 2, [](TK_OBJ o) { gt_std_conc_asgn_activate(o, "", nullptr, 0, 0, 0); }, 2},
      {"conc Cancel", 2, [](TK_OBJ o) { gt_std_conc_asgn_activate(o, "", nullptr, 0, 0, 0); }, 3},
      {"size configuration Cancel", 1, gt_std_size_config_activate, 0},
      {"conc configuration Cancel", 2, gt_std_conc_config_activate, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    gt_vrem_run = c.run;
    main_winNfySelMenuBar(win_, 999999);  // nothing sent since
    if (c.button == 0) {
      QTimer::singleShot(0, [] {
        for (const char* m : {"std_size", "std_conc"})
          if (TK_OBJ d = TKT_FindWindow(m, (std::string(m) + "_win").c_str()))
            TKT_Click(RES_GetSub(d, std::string(m) == "std_size" ? 4 : 6));
      });
      c.open(win_);
    } else {
      gt_set_state(c.run == 1 ? TS_SIZE_STDS : TS_CONC_STDS);
      c.open(win_);
      TK_OBJ w = TKT_FindWindow(c.run == 1 ? "std_sasn" : "std_casn", c.run == 1 ? "std_sasn_win" : "std_casn_win");
      ASSERT_NE(w, nullptr);
      TKT_Click(RES_GetSub(w, c.button));
    }
    // The step waits until the closing window has gone from the screen.
    EXPECT_TRUE(QTest::qWaitFor([] { return gt_vrem_run == 0; }, 5000));
    EXPECT_EQ(gt_dispatch_last_command(), GT_CMD_REPORT_ACTIVE_IMAGE);
    EXPECT_EQ(gt_get_state(), 0);
    band_rep_dismiss();
  }
}

TEST_F(ReportWins, DoubleClickOnALaneInLanesModeOpensTheProfile) {
  IMAGE_REC* im = open_gel();
  ASSERT_NE(im, nullptr);
  add_lane(im, 60, 10, hill(180, 50, 300), "A", {50});
  gt_set_sel_mode(0, mode_button(0));
  TK_OBJ area = static_cast<TK_OBJ>(im->draw_area);
  TKT_SetImageMapping(true);
  TKT_DoubleClick(area, 60, 60);  // bands mode: the compare report, no profile
  EXPECT_EQ(ln_prf_window(), nullptr);
  ASSERT_NE(compare_window(), nullptr);
  compare_dismiss();
  gt_set_sel_mode(1, mode_button(1));
  TKT_Press(area, 60, 60);
  TKT_Release(area, 60, 60);
  TKT_DoubleClick(area, 60, 60);
  TKT_SetImageMapping(false);
  ASSERT_NE(ln_prf_window(), nullptr);
  ASSERT_NE(ln_prf_lanes(), nullptr);
  EXPECT_STREQ(ln_prf_lanes()->lane_name, "A");
  EXPECT_FALSE(WGT_IsEnabled(RES_GetSub(ln_prf_window(), 5)));  // one lane: no stacking
}

// The standards line of a selected row, shown in its image window in task state 6.
TEST_F(ReportWins, StandardsLinePicture) {
  IMAGE_REC* im = open_gel();
  ASSERT_NE(im, nullptr);
  for (int x : {60, 150, 240}) add_lane(im, x, 10, hill(200, 90, 200), "", {40, 100, 160});
  set_size_stds(im, 0, {}, {}, 1);
  STD_LIST* list = im->size_stdp[0];
  for (LANE* l = im->lanes->next; l; l = l->next)
    for (int k = 0; k < 3; ++k) {
      STD_MARKER m;
      std_marker_clear(&m);
      m.x = m.ix = l->center_coords[0].x;
      m.y = m.iy = 40 + 60 * k + (l->lane_number % 2) * 4;
      m.value = 600 - 200 * k, m.lane_num = l->lane_number, m.flags = STD_M_VALID;
      std_list_append(list, &m);
    }
  gt_set_sel_mode(2, mode_button(2));
  gt_set_image_ptr(im);
  const int r[4] = {105, 104, 105, 104};
  gt_std_size_select(static_cast<TK_OBJ>(im->draw_area), r, im, 0);
  ASSERT_EQ(im->num_sel_size2, 1);
  main_winNfySelMenuBar(win_, GT_CMD_MODIFY_STDS_LINE);
  EXPECT_EQ(gt_get_state(), TS_MODIFY_STDS_LINE);
  ASSERT_NE(im->std_line, nullptr);
  EXPECT_GE(im->std_line->count, 3);  // a point in each lane
  WGT_Redraw(static_cast<TK_OBJ>(im->draw_area));
  grab(static_cast<TK_OBJ>(im->window), "std_line_state6.png");
  if (TK_OBJ mod = TKT_FindWindow("std_mod", "std_mod_win")) grab(mod, "std_mod.png");
  std_mod_dismiss();
  EXPECT_EQ(gt_get_state(), 0);
}
