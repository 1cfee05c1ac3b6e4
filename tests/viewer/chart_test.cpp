// The chart library: translators, the reversible legend, line angles and the distance scale.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "viewer/chart.h"

using namespace velto;
using docview::CPoint;

namespace {

TEST(Translators, LinearRoundsHalfAwayFromZeroAndInverts) {
  LinearTranslator<float, int> t;
  t.Set(0.0f, 1.0f, 0, 1);
  EXPECT_EQ(t.ToPixel(-0.5f), -1);
  EXPECT_EQ(t.ToPixel(0.5f), 1);
  EXPECT_EQ(t.ToPixel(0.49f), 0);

  LinearTranslator<double, int> d;
  d.Set(0.0, 1.0, -460, -600);
  EXPECT_EQ(d.ToPixel(1.0 / 3), -507);
  EXPECT_DOUBLE_EQ(d.ToValue(-600), 1.0);

  d.scale = 0;  // an empty range
  EXPECT_EQ(d.ToValue(123), d.low);
  // A value far outside the page is held a billion units away, never converted undefined.
  EXPECT_EQ(t.ToPixel(1e30f), 1000000000);
  EXPECT_EQ(t.ToPixel(-1e30f), -1000000000);
  EXPECT_EQ(t.ToPixel(std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST(Translators, LogarithmicPlacesLargerValuesLeftAndEqualValuesAtTheStart) {
  LogarithmicTranslator<float, int> t;
  t.Set(1000.0f, 10.0f, 1400, 2100);  // largest at the start
  EXPECT_EQ(t.ToPixel(1000.0f), 1400);
  EXPECT_EQ(t.ToPixel(10.0f), 2100);
  EXPECT_EQ(t.ToPixel(100.0f), 1750);
  EXPECT_NEAR(t.ToValue(1750), 100.0f, 0.01f);
  float lo, hi;
  t.ValueRange(lo, hi);
  EXPECT_NEAR(lo, 1000.0f, 0.01f);
  EXPECT_NEAR(hi, 10.0f, 0.01f);

  t.Set(42.0f, 42.0f, 1400, 2100);
  EXPECT_EQ(t.scale, 0.0);
  EXPECT_EQ(t.ToPixel(42.0f), 1400);
}

TEST(ChartLegend, ReversedLabelIsTheSimilarity) {
  LinearTranslator<float, int> t;
  t.Set(100.0f, 0.0f, 0, 1000);
  ReversibleChartLegend<LinearTranslator<float, int>> forward(&t, false), reversed(&t, true);
  int at30 = t.ToPixel(30.0f);
  EXPECT_EQ(forward.Label(at30), "30");
  EXPECT_EQ(reversed.Label(at30), "70");
  EXPECT_EQ(reversed.Label(0), "0");
  EXPECT_EQ(reversed.Label(1000), "100");
}

TEST(Line, AnglesAndTheZeroLengthError) {
  const double pi = 4 * std::atan(1.0);
  struct Case {
    CPoint a, b;
    double angle;
  } cases[] = {
      {{0, 0}, {10, 0}, 0.0},       {{10, 0}, {0, 0}, pi},
      {{0, 0}, {0, 10}, pi * 0.5},  // down the screen, y growing
      {{0, 10}, {0, 0}, pi * 1.5},  {{0, 0}, {10, 10}, pi / 4},
      {{0, 0}, {-10, -10}, -3 * pi / 4},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ((Line{c.a, c.b}.Angle()), c.angle);
  try {
    Line{{3, 4}, {3, 4}}.Angle();
    FAIL() << "no exception for a zero-length line";
  } catch (const ChartLibException& e) {
    EXPECT_STREQ(e.what(), "Line::Angle(): result is undefined when length is 0");
  }
}

TEST(DistanceChartScale, ElevenTicksWithTurnedLabels) {
  auto dev = std::make_shared<docview::RecordingDevice>();  // 254 pixels per inch
  VeltoDC dc{docview::CDC(dev)};
  dc.SetMapMode(docview::MM_LOMETRIC);
  LinearTranslator<float, int> t;
  t.Set(0.0f, 1000.0f, 0, 1000);
  ReversibleChartLegend<LinearTranslator<float, int>> legend(&t, false);
  DistanceChartScale scale;
  scale.Set(dc, 11, {0, 0}, {1000, 0}, &legend);
  EXPECT_DOUBLE_EQ(scale.angle(), 4 * std::atan(1.0) / 2);
  EXPECT_EQ(scale.TickLength(dc), 254 * 5 / 72);
  EXPECT_EQ(scale.font().GetLogFont().lfHeight, -35);  // 10 points at 254 units per inch
  scale.Draw(dc);

  ASSERT_EQ(dev->lines.size(), 12u);  // the axis, then 11 ticks
  EXPECT_EQ(dev->lines[0].points, (std::vector<CPoint>{{0, 0}, {1000, 0}}));
  ASSERT_EQ(dev->texts.size(), 11u);
  for (int i = 0; i < 11; ++i) {
    const auto& tick = dev->lines[static_cast<std::size_t>(i) + 1].points;
    EXPECT_EQ(tick[0].x, 100 * i);
    EXPECT_EQ(tick[1].x, 100 * i);
    EXPECT_EQ(tick[0].y - tick[1].y, 2 * (scale.TickLength(dc) / 2));
    const auto& label = dev->texts[static_cast<std::size_t>(i)];
    EXPECT_EQ(label.text, std::to_string(100 * i));
    EXPECT_EQ(label.escapement, -600);
    EXPECT_EQ(label.align, docview::TA_BOTTOM);
    EXPECT_EQ(label.at.x, 100 * i + scale.TickLength(dc) / 2);
  }
  // Fewer than two ticks become two.
  scale.Set(dc, 0, {0, 0}, {1000, 0}, &legend);
  EXPECT_EQ(scale.ticks(), 2);
}

}  // namespace
