// The densitometry tool window on a lane of a small gel, driven inside its modal loop.
#include <gtest/gtest.h>

#include <QTimer>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "dtool_fixture.h"
#include "toolkit/tk_chart.h"
#include "toolkit/tk_print.h"
#include "toolkit/tk_test.h"
#include "tools/gt_dtool.h"


TEST(DtoolLaneWidth, TypedWidthsAreHeldToTenToAHundred) {
  EXPECT_EQ(dtool_parse_lane_width("5"), 10);
  EXPECT_EQ(dtool_parse_lane_width("250"), 100);
  EXPECT_EQ(dtool_parse_lane_width("text"), 100);
  EXPECT_EQ(dtool_parse_lane_width("0"), 100);
  EXPECT_EQ(dtool_parse_lane_width("40"), 40);
}

TEST_F(DtoolWindow, BandsAreFoundEditedAndTheFileTakesOver) {
  int bands = 0;
  const int code = run([&](TK_OBJ win) {
    DtState& s = dtool_state();
    EXPECT_NE(dtool_current_lane(), nullptr);
    EXPECT_EQ(dtool_current_lane(), s.lane);
    EXPECT_NE(dtool_current_lane(), head->next);  // a copy
    bands = static_cast<int>(s.bands.size());
    TK_OBJ width = RES_GetSub(win, 2);
    TKT_Type(width, "5", true);
    EXPECT_STREQ(WGT_GetText(width), "10");
    TKT_Type(width, "250", true);
    EXPECT_STREQ(WGT_GetText(width), "100");

    // Clicking a band selects it, clicking it again deselects it.
    ASSERT_GT(s.bands.size(), 0u);
    const int peak = s.bands[0].peak;
    dtool_click_row(peak);
    EXPECT_EQ(s.selected, 0);
    EXPECT_TRUE(WGT_IsEnabled(RES_GetSub(win, 6)));
    dtool_click_row(peak);
    EXPECT_EQ(s.selected, -1);
    EXPECT_FALSE(WGT_IsEnabled(RES_GetSub(win, 6)));

    // The lane strip shows the lane's pixels; a click near its top selects the first band.
    TK_OBJ strip = RES_GetSub(win, 11);
    WGT_Redraw(strip);
    EVENT_Flush();
    const QImage& sb = tk::area(strip)->backing();
    int grey = 0;
    for (int y = 0; y < sb.height(); ++y)
      for (int x = 0; x < sb.width(); ++x) grey += qGray(sb.pixel(x, y)) > 20 && qGray(sb.pixel(x, y)) < 235;
    EXPECT_GT(grey, 100);
    TKT_Press(strip, 5, 1);
    TKT_Release(strip, 5, 1);
    EXPECT_EQ(s.selected, 0);
    TKT_Press(strip, 5, 1);
    TKT_Release(strip, 5, 1);
    EXPECT_EQ(s.selected, -1);

    // The same with the mouse on the chart; then the selected band's upper handle dragged.
    TK_OBJ chart = RES_GetSub(win, 10);
    EVENT_Flush();
    const TkRect plot = CHART_GetPlotRect(chart);
    const int axis = plot.y + plot.h - 1;
    TKT_Press(chart, CHART_XToPixel(chart, peak), plot.y + 10);
    TKT_Release(chart, CHART_XToPixel(chart, peak), plot.y + 10);
    ASSERT_EQ(s.selected, 0);
    int pk = 0, lo = 0, hi = 0;
    dtool_band_bounds(0, &pk, &lo, &hi);
    const int hx = CHART_XToPixel(chart, hi);
    EXPECT_EQ(dtool_handle_at(chart, {hx, axis}), 2);
    EXPECT_EQ(dtool_handle_at(chart, {CHART_XToPixel(chart, lo) + 1, axis - 2}), 1);
    EXPECT_EQ(dtool_handle_at(chart, {hx, axis - 10}), 0);
    TKT_Press(chart, hx, axis);
    TKT_Drag(chart, CHART_XToPixel(chart, hi + 3), axis);
    TKT_Drag(chart, CHART_XToPixel(chart, hi + 6), axis);
    TKT_Release(chart, CHART_XToPixel(chart, hi + 6), axis);
    int pk2 = 0, lo2 = 0, hi2 = 0;
    dtool_band_bounds(0, &pk2, &lo2, &hi2);
    EXPECT_EQ(lo2, lo);
    EXPECT_EQ(hi2, hi + 6);
    dtool_click_row(peak);  // deselect
    EXPECT_EQ(s.selected, -1);

    // Add peak: bounds r -+ round(0.02 (n - 1)); the tool pointer over the chart meanwhile.
    TKT_Click(RES_GetSub(win, 5));
    TKT_Send(chart, TK_EV_ENTER);
    EXPECT_EQ(WGT_GetPointer(chart), 1);
    dtool_click_row(80);
    EXPECT_EQ(WGT_GetPointer(chart), 0);
    const DT_BAND& added = s.bands[static_cast<std::size_t>(s.selected)];
    EXPECT_EQ(added.peak, 80);
    EXPECT_EQ(added.lo_infl, 80 - 2);
    EXPECT_EQ(added.hi_infl, 80 + 2);
    if (const char* d = std::getenv("VX_GRAB_DIR")) TKT_Grab(win, (std::string(d) + "/dtool.png").c_str());

    // With the boundaries file in use, clicks do nothing and the edits are disabled.
    vxtest::write_text(dir.file("b.txt"), "0.1, 0.3, first\n0.5, 0.8, second\n");
    TKT_AnswerChooser({dir.file("b.txt")});
    TKT_Click(RES_GetSub(win, 15));
    TKT_Click(RES_GetSub(win, 14));
    EXPECT_EQ(s.use_file, 1);
    EXPECT_EQ(s.bands.size(), 2u);
    dtool_click_row(s.bands[0].peak);
    EXPECT_EQ(s.selected, -1);
    for (int p : {5, 6, 7, 8}) EXPECT_FALSE(WGT_IsEnabled(RES_GetSub(win, p))) << p;
    EXPECT_NE(std::string(WGT_GetText(RES_GetSub(win, 9))).find("n/a"), std::string::npos);
    // Lines at each band's middle and one more at the first band's lower bound, where the file's
    // first interval starts.
    WGT_Redraw(chart);
    EVENT_Flush();
    const QImage& cb = tk::area(chart)->backing();
    auto line_at = [&](int row) {
      const int x = CHART_XToPixel(chart, row);
      int dark = 0;
      for (int y = plot.y; y < plot.y + plot.h; ++y) dark += qGray(cb.pixel(x, y)) < 100;
      return dark > plot.h * 8 / 10;
    };
    int fpk = 0, flo = 0, fhi = 0;
    dtool_band_bounds(0, &fpk, &flo, &fhi);
    EXPECT_EQ(flo, 8);  // 0.1 of 89 rows
    EXPECT_TRUE(line_at(fpk));
    EXPECT_TRUE(line_at(flo));
    EXPECT_FALSE(line_at(fhi));

    // The readout over the chart: the row as a fraction of the lane, the value below the pointer.
    TKT_Move(chart, CHART_XToPixel(chart, 44.5), plot.y + plot.h / 2);
    char ty[40];
    dtool_readout_text(1, CHART_PixelToY(chart, plot.y + plot.h / 2), ty, sizeof ty);
    EXPECT_EQ(std::string(WGT_GetText(RES_GetSub(win, 19))), std::string("0.50, ") + ty);
    char tx[40] = "x";
    dtool_readout_text(0, -3.0, tx, sizeof tx);  // outside the lane: nothing
    EXPECT_STREQ(tx, "");
    if (const char* d = std::getenv("VX_GRAB_DIR")) TKT_Grab(win, (std::string(d) + "/dtool_file.png").c_str());
    // Chart and report printed to PostScript files.
    for (int item : {2, 3}) {
      TKT_AnswerPrint(1);
      TKT_AnswerChooser({dir.file("p" + std::to_string(item) + ".ps")});
      TKT_Pick(RES_GetSub(win, 3), item);
    }
    TKT_Click(RES_GetSub(win, 4));
  });
  EXPECT_EQ(code, 1);
  for (int item : {2, 3}) {
    const std::string png = dir.file("p.png");
    const std::string cmd = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r72 -o " + png + " " +
                            dir.file("p" + std::to_string(item) + ".ps") + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << item;
    const QImage out(png.c_str());
    int dark = 0;
    for (int y = 0; y < out.height(); ++y)
      for (int x = 0; x < out.width(); ++x) dark += qGray(out.pixel(x, y)) < 100;
    EXPECT_GT(dark, 50) << item;
  }
  EXPECT_EQ(bands, 2);
  EXPECT_EQ(info.bUseBounds, 1);
  EXPECT_EQ(std::string(info.bounds_path), dir.file("b.txt"));
  EXPECT_EQ(info.iLaneWidth, 100);
  EXPECT_EQ(dtool_current_lane(), nullptr);
}

TEST_F(DtoolWindow, NoSelectedLaneOpensNothingAndCancelReturnsZero) {
  head->next->f = 0;
  EXPECT_EQ(gt_dtool_activate(&info, nullptr), 0);
  EXPECT_EQ(TKT_FindWindow("dtool", "dtool_win"), nullptr);
  head->next->f = LN_F_SELECTED;
  EXPECT_EQ(run([](TK_OBJ win) { TKT_Click(RES_GetSub(win, 17)); }), 0);
}

TEST_F(DtoolWindow, StripLabelsOfCloseBandsDoNotOverprint) {
  std::vector<DtStripLabel> labels;
  std::vector<int> peaks;
  run([&](TK_OBJ win) {
    DtState& s = dtool_state();
    // Three bands a few rows apart, closer than a label is high on the strip.
    for (int row : {78, 81, 84}) {
      TKT_Click(RES_GetSub(win, 5));
      dtool_click_row(row);
    }
    dtool_click_row(s.bands[0].peak);  // select and deselect: nothing selected
    dtool_click_row(s.bands[0].peak);
    TK_OBJ strip = RES_GetSub(win, 11);
    WGT_Redraw(strip);
    EVENT_Flush();
    labels = dtool_strip_labels();
    for (std::size_t i = 0; i < s.bands.size(); ++i) peaks.push_back(s.bands[i].peak);
    if (const char* d = std::getenv("VX_GRAB_DIR")) TKT_Grab(win, (std::string(d) + "/dtool_close_bands.png").c_str());
    TKT_Click(RES_GetSub(win, 17));
  });
  ASSERT_EQ(peaks.size(), 5u);
  ASSERT_EQ(labels.size(), peaks.size());
  for (std::size_t i = 0; i < labels.size(); ++i) {
    EXPECT_EQ(labels[i].text, std::to_string(i + 1));
    for (std::size_t j = 0; j < i; ++j) {
      const TkRect& a = labels[i].box;
      const TkRect& b = labels[j].box;
      EXPECT_FALSE(a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h)
          << "labels " << labels[j].text << " and " << labels[i].text << " overlap";
    }
  }
  // Each label stays on its band's row, the lower band's below the higher one's.
  for (std::size_t i = 1; i < labels.size(); ++i) {
    if (peaks[i] > peaks[i - 1]) {
      EXPECT_GT(labels[i].box.y, labels[i - 1].box.y);
    }
  }
}
