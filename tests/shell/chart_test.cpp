// Chart helpers: scales, scroll-area fit, tree, off-screen surface, the chart's CSV text and
// the chart and text savers; pictures of the chart widget.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/ks_msg.h"
#include "shell/gt_chart.h"
#include "shell/ui_print.h"
#include "shell/ui_text_export.h"
#include "shell_fixture.h"
#include "test_support.h"
#include "toolkit/tk_area.h"
#include "toolkit/tk_chart.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"

namespace {

TEST(ChartScale, ToAndFromPixel) {
  ks_scale s;
  struct Case {
    int type;
    double min, max;
    int p0, p1;
    double v;
    int want;
  } cases[] = {
      {1, 1, 100, 0, 200, 10, 100},         // log: 10 halfway
      {0, 0, 10, 0, 100, 2.5, 25},          // linear
      {0, 0, 10, 300, 100, 10, 100},        // upward axis: larger values, smaller pixels
      {0, 0, 10, 300, 100, 5, 200},
      {1, 0, 100, 7, 200, 10, 7},           // log with min 0: pix0
      {1, -5, 100, 7, 200, 10, 7},          // log with min below 0
      {1, 1, 100, 7, 200, 0, 7},            // log of a value at 0
      {1, 1, 100, 7, 200, -3, 7},
      {0, 5, 5, 7, 200, 5, 7},              // f(max) = f(min)
      {0, 0, 10, 7, 7, 5, 7},               // pix1 = pix0
      {0, 0, 1, 0, 100, 1e300, INT_MAX},    // far outside: held to the int range
      {0, 0, 1, 0, 100, -1e300, INT_MIN},
      {0, 0, 1, 0, 100, NAN, 0},
  };
  for (const Case& c : cases) {
    ks_scale_init(&s, c.type, c.min, c.max, c.p0, c.p1);
    EXPECT_EQ(ks_scale_to_pixel(&s, c.v), c.want) << c.type << " " << c.min << " " << c.v;
  }
  // Round trip within one pixel's worth of value, both kinds and directions.
  for (int type : {0, 1})
    for (auto [p0, p1] : {std::pair{0, 500}, std::pair{400, 20}}) {
      ks_scale_init(&s, type, 1, 1000, p0, p1);
      for (double v : {1.0, 3.7, 42.0, 999.0}) {
        const double back = ks_scale_from_pixel(&s, ks_scale_to_pixel(&s, v));
        const double step = type ? v * (std::exp(std::log(1000.0) / std::abs(p1 - p0)) - 1)
                                 : 999.0 / std::abs(p1 - p0);
        EXPECT_NEAR(back, v, step) << type << " " << v;
      }
    }
  // Degenerate scales give min back.
  ks_scale_init(&s, 1, -1, 10, 0, 100);
  EXPECT_EQ(ks_scale_from_pixel(&s, 50), -1);
  ks_scale_init(&s, 0, 3, 10, 9, 9);
  EXPECT_EQ(ks_scale_from_pixel(&s, 50), 3);
}

TEST(ChartHelpers, SareaFitTreeAndSurface) {
  struct Case {
    TkRect cur, content, want;
  } cases[] = {
      {{0, 0, 0, 50}, {3, 4, 10, 20}, {3, 4, 10, 20}},         // empty current: content as is
      {{0, 0, 100, 0}, {3, 4, 10, 20}, {3, 4, 10, 20}},
      {{0, 0, 100, 50}, {-5, 10, 200, 10}, {-5, 0, 200, 50}},  // grown to both edges
      {{10, 10, 100, 50}, {20, 20, 10, 10}, {10, 10, 100, 50}},  // inside: unchanged
      {{10, 10, 100, 50}, {0, 0, 0, 10}, {10, 10, 100, 50}},   // empty content: unchanged
  };
  for (const Case& c : cases) {
    const TkRect r = ks_sarea_fit_rect(c.cur, c.content);
    EXPECT_EQ(std::vector<int>({r.x, r.y, r.w, r.h}),
              std::vector<int>({c.want.x, c.want.y, c.want.w, c.want.h}));
  }

  static std::vector<int> freed;
  freed.clear();
  int a = 1, b = 2, c = 3;
  ks_tree* l = ks_tree_new(&a);
  ks_tree* root = ks_tree_join(l, ks_tree_new(&b), &c);
  EXPECT_TRUE(ks_tree_is_leaf(l));
  EXPECT_FALSE(ks_tree_is_leaf(root));
  EXPECT_EQ(ks_tree_data(ks_tree_right(root)), &b);
  ks_tree_free(root, [](void* p) { freed.push_back(*static_cast<int*>(p)); });
  EXPECT_EQ(freed, (std::vector<int>{1, 2, 3}));  // bottom-up, left first
  ks_tree_free(ks_tree_join(ks_tree_new(&a), nullptr, &b), nullptr);  // data left alone
  EXPECT_EQ(a, 1);

  ks_memdc* dc = ks_memdc_create(nullptr, 30, 20);
  ASSERT_NE(dc, nullptr);
  TkImage* bm = ks_memdc_get_bitmap(dc);
  EXPECT_EQ(bm->width(), 46);
  EXPECT_EQ(bm->height(), 36);
  EXPECT_EQ(bm->pixel(0, 0), 255u);
  EXPECT_EQ(bm->pixel(45, 35), 255u);
  EXPECT_EQ(bm->colours()[255] & 0xFFFFFF, 0xFFFFFFu);
  ks_memdc_delete(dc);
  EXPECT_EQ(ks_memdc_get_bitmap(nullptr), nullptr);
  EXPECT_EQ(ks_memdc_create(nullptr, -1, 5), nullptr);
}

// A window with a chart, a text and a readout label.
const char* kRes = R"(module h19chart
window chart_win {
  title "Chart"
  size 480 320
  part 0 area plot { size 460 280 }
  part 1 text report { }
  part 2 label readout { label "" }
}
)";

class ChartWin : public ::testing::Test {
 protected:
  void SetUp() override {
    shelltest::load_resources();
    if (!RES_HasWindow("h19chart", "chart_win")) {
      ASSERT_TRUE(RES_OpenText(kRes));
    }
    TKT_Enable(true);
    win_ = WIN_Load("h19chart", "chart_win");
    ASSERT_NE(win_, nullptr);
    WIN_Init(win_);
    chart_ = RES_GetSub(win_, 0);
    CHART_Attach(chart_);
    WIN_Show(win_);
  }
  void TearDown() override {
    WIN_Terminate(win_);
    TKT_Enable(false);
  }
  std::string file(const std::string& n) const { return dir_.file(n); }
  TK_OBJ win_ = nullptr, chart_ = nullptr;
  vxtest::TempDir dir_;
};

TEST_F(ChartWin, CsvPerTypeAndXColumn) {
  const uint8_t u8[] = {1, 2, 250, 4, 5, 6};
  const uint16_t u16[] = {1, 2, 65535, 4, 5, 6};
  const int32_t i32[] = {-1, 2, -70000, 4, 5, 6};
  const double d[] = {0.5, 2, 3.25, 4, 5, 6};
  struct Case {
    const void* block;
    int type, a, c, xcol;
    const char* want;
  } cases[] = {
      {u8, 1, 2, 3, 0, "1,2\n250,4\n5,6\n"},
      {u8, 4, 3, 2, 1, "1,0.000,2,250\n4,0.500,5,6\n"},
      {u16, 2, 2, 3, 1, "1,0.000,2\n65535,0.333,4\n5,0.667,6\n"},
      {u16, 5, 6, 1, 0, "1,2,65535,4,5,6\n"},
      {i32, 3, 3, 2, 0, "-1,2,-70000\n4,5,6\n"},
      {i32, 6, 2, 3, 1, "-1,0.000,2\n-70000,0.333,4\n5,0.667,6\n"},
      {d, 7, 2, 3, 0, "0.500000,2.000000\n3.250000,4.000000\n5.000000,6.000000\n"},
      // One value per line: x runs 1/C, 2/C, ... and wraps to 0 on the last line.
      {u8, 1, 1, 4, 1, "1,0.250\n2,0.500\n250,0.750\n4,0.000\n"},
  };
  for (const Case& c : cases) {
    CHART_SetData(chart_, c.block, c.type, c.a, c.c);
    EXPECT_EQ(ks_chart_csv(chart_, c.xcol), c.want) << c.type << " " << c.a << " " << c.xcol;
  }
  CHART_SetData(chart_, nullptr, 1, 2, 3);
  EXPECT_EQ(ks_chart_csv(chart_, 1), "");
}

TEST_F(ChartWin, SaveAsReplacesOnlyAfterYesAndAWholeWrite) {
  const int32_t data[] = {1, 2, 3, 4};
  const std::string path = file("chart.csv");
  vxtest::write_bytes(path, {'o', 'l', 'd'});
  const auto old = vxtest::read_bytes(path);

  // A chart without data: no chooser, the file stays.
  ks_chart_save_as(chart_, dir_.str().c_str(), 0);
  EXPECT_EQ(TKT_Unanswered(), 0);
  EXPECT_EQ(vxtest::read_bytes(path), old);

  CHART_SetData(chart_, data, 3, 2, 2);
  // No to the replace question: untouched.
  TKT_AnswerChooser({path});
  TKT_AnswerAlert(1);
  ks_chart_save_as(chart_, dir_.str().c_str(), 0);
  EXPECT_EQ(vxtest::read_bytes(path), old);

  // A write that fails (file size limit standing in for a full disk): ui_msg 243, old file kept,
  // no temporary file left.
  {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim{}, small{};
    getrlimit(RLIMIT_FSIZE, &lim);
    small = lim;
    small.rlim_cur = 2;
    TKT_AnswerChooser({path});
    TKT_AnswerAlert(2);
    TKT_AnswerAlert(1);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    ks_chart_save_as(chart_, dir_.str().c_str(), 0);
    setrlimit(RLIMIT_FSIZE, &lim);
  }
  EXPECT_EQ(TKT_LastAlertText(), ui_msg(243));
  EXPECT_EQ(vxtest::read_bytes(path), old);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);

  // Yes: replaced with the data.
  TKT_AnswerChooser({path});
  TKT_AnswerAlert(2);
  ks_chart_save_as(chart_, dir_.str().c_str(), 1);
  const auto got = vxtest::read_bytes(path);
  EXPECT_EQ(std::string(got.begin(), got.end()), "1,0.000,2\n3,0.500,4\n");
  EXPECT_EQ(TKT_Unanswered(), 0);
}

TEST_F(ChartWin, TextExportWritesTheWidgetText) {
  TK_OBJ text = RES_GetSub(win_, 1);
  for (const char* t : {"Lane 1\tBand 2\n  12.5\n\nend", ""}) {
    TEXT_Clear(text);
    TEXT_Insert(text, t);
    const std::string path = file(std::string("report") + (*t ? "1" : "0") + ".txt");
    TKT_AnswerChooser({path});
    ui_text_save_as(text, dir_.str().c_str());
    const auto got = vxtest::read_bytes(path);
    EXPECT_EQ(std::string(got.begin(), got.end()), t);
  }
  // No to replacing an existing report: untouched.
  const std::string path = file("report1.txt");
  const auto before = vxtest::read_bytes(path);
  TKT_AnswerChooser({path});
  TKT_AnswerAlert(1);
  ui_text_save_as(text, dir_.str().c_str());
  EXPECT_EQ(vxtest::read_bytes(path), before);
  EXPECT_EQ(TKT_Unanswered(), 0);
}

// Markers chosen per point through event 157: a cross for series 2, the default square else.
long marker_nfy(TK_OBJ c, int event) {
  if (event == TK_EV_CHART_POINT) {
    int series, point, px, py;
    CHART_EventPoint(&series, &point, &px, &py);
    if (series == 2) {
      DRAW_Begin(c, nullptr);
      DRAW_Line(c, px - 4, py - 4, px + 4, py + 4);
      DRAW_Line(c, px - 4, py + 4, px + 4, py - 4);
      DRAW_End(c);
      return 0;
    }
  }
  if (event == TK_EV_CHART_LABEL) {
    int axis;
    double v;
    CHART_EventLabel(&axis, &v);
    static const char* names[] = {"A", "B", "C", "D", "E"};
    if (axis == 0 && v >= 1 && v <= 5) CHART_SetLabelText(names[int(v) - 1]);
  }
  return WGT_DefaultNfy8(c, event);
}

// Counts of pixels of a colour inside the plot rectangle.
int count_colour(const QImage& img, TkRect r, QRgb c) {
  int n = 0;
  for (int y = r.y; y < r.y + r.h && y < img.height(); ++y)
    for (int x = r.x; x < r.x + r.w && x < img.width(); ++x)
      if ((img.pixel(x, y) & 0xFFFFFF) == (c & 0xFFFFFF)) ++n;
  return n;
}

TEST_F(ChartWin, Pictures) {
  const std::string out = std::getenv("VX_GRAB_DIR") ? std::getenv("VX_GRAB_DIR") : dir_.str();
  // Two series of doubles on a logarithmic y.
  const double d[] = {1, 1, 100, 2, 3, 50, 3, 10, 20, 4, 40, 5, 5, 90, 2};
  CHART_SetData(chart_, d, 7, 3, 5);
  CHART_SetXRange(chart_, 0, 6, 1, 0.5);
  CHART_SetYRange(chart_, 1, 100, 1, 0);
  CHART_SetYLog(chart_, 1);
  CHART_SetSeries(chart_, 1, 0, "rising", TK_CHART_LINE);
  CHART_SetSeries(chart_, 2, 3, "falling", TK_CHART_LINE | TK_CHART_MARKERS);
  CHART_SetTitle(chart_, "Two series", "logarithmic y");
  CHART_SetAxisTitles(chart_, "lane", "value");
  CHART_Paint(chart_);
  ASSERT_TRUE(TKT_Grab(chart_, (out + "/chart_log.png").c_str()));
  QImage img((out + "/chart_log.png").c_str());
  const TkRect r = CHART_GetPlotRect(chart_);
  EXPECT_GT(count_colour(img, r, DRAW_StockColor(0)), 50);
  EXPECT_GT(count_colour(img, r, DRAW_StockColor(3)), 50);
  // y = 10 lies halfway up a log axis from 1 to 100.
  EXPECT_NEAR(CHART_YToPixel(chart_, 10), r.y + r.h / 2, 1);

  // One series of bars with five x labels.
  const uint16_t bars[] = {30, 80, 55, 10, 70};
  CHART_SetData(chart_, bars, 2, 1, 5);
  CHART_SetYLog(chart_, 0);
  CHART_SetYRange(chart_, 0, 100, 20, 10);
  CHART_SetXRange(chart_, 0, 6, 1, 0);
  CHART_SetSeries(chart_, 1, 5, "", TK_CHART_BARS);
  CHART_SetTitle(chart_, "Bars", nullptr);
  RES_SetNfy(chart_, marker_nfy);
  CHART_Paint(chart_);
  ASSERT_TRUE(TKT_Grab(chart_, (out + "/chart_bars.png").c_str()));
  img.load((out + "/chart_bars.png").c_str());
  EXPECT_GT(count_colour(img, CHART_GetPlotRect(chart_), DRAW_StockColor(5)), 500);

  // Three ints per point, markers through event 157.
  const int32_t pts[] = {0, 10, 90, 20, 40, 60, 40, 70, 30, 60, 20, 80};
  CHART_SetData(chart_, pts, 3, 3, 4);
  CHART_SetXRange(chart_, 0, 60, 10, 5);
  CHART_SetSeries(chart_, 1, 0, "first", TK_CHART_LINE | TK_CHART_MARKERS);
  CHART_SetSeries(chart_, 2, 3, "second", TK_CHART_MARKERS);
  CHART_SetTitle(chart_, "Markers", nullptr);
  CHART_Paint(chart_);
  ASSERT_TRUE(TKT_Grab(chart_, (out + "/chart_markers.png").c_str()));
  img = tk::area(chart_)->backing();
  // The cross of series 2 at its first point: both diagonals are drawn in blue.
  const int px = CHART_XToPixel(chart_, 0), py = CHART_YToPixel(chart_, 90);
  EXPECT_EQ(img.pixel(px + 3, py + 3) & 0xFFFFFF, DRAW_StockColor(3) & 0xFFFFFF);
  EXPECT_EQ(img.pixel(px + 3, py - 3) & 0xFFFFFF, DRAW_StockColor(3) & 0xFFFFFF);
  // Readout over the plot.
  TK_OBJ label = RES_GetSub(win_, 2);
  CHART_SetReadout(chart_, label);
  CHART_SetReadoutIdle(chart_, "idle");
  CHART_Paint(chart_);
  EXPECT_STREQ(WGT_GetText(label), "idle");
  // The pointer over the plot, no button held: the values under it; outside: the idle text.
  auto move = [&](int x, int y) {
    QWidget* vp = tk::area(chart_)->viewport();
    QMouseEvent e(QEvent::MouseMove, QPointF(x, y), vp->mapToGlobal(QPointF(x, y)), Qt::NoButton,
                  Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(vp, &e);
  };
  move(CHART_XToPixel(chart_, 20), CHART_YToPixel(chart_, 40));
  double rx = 0, ry = 0;
  ASSERT_EQ(std::sscanf(WGT_GetText(label), "%lf, %lf", &rx, &ry), 2) << WGT_GetText(label);
  EXPECT_NEAR(rx, 20, 0.5);
  EXPECT_NEAR(ry, 40, 0.5);
  move(2, 2);
  EXPECT_STREQ(WGT_GetText(label), "idle");
}

}  // namespace

namespace {

// Axis labels written per axis, counted through event 151.
int s_labels[2] = {0, 0};
long count_labels_nfy(TK_OBJ c, int event) {
  if (event == TK_EV_CHART_LABEL) {
    int axis = 0;
    double v = 0;
    CHART_EventLabel(&axis, &v);
    ++s_labels[axis ? 1 : 0];
  }
  return WGT_DefaultNfy8(c, event);
}

// A tick step of 0 draws no ticks and writes no labels, on linear and logarithmic axes.
TEST_F(ChartWin, TickStepZeroDrawsNoTicks) {
  const double d[] = {1, 10, 2, 40, 3, 20};
  CHART_SetData(chart_, d, 7, 2, 3);
  RES_SetNfy(chart_, count_labels_nfy);
  struct Case {
    double x_major, y_major;
    int log, want_x, want_y;
  } cases[] = {{0, 0, 0, 0, 0}, {1, 0, 0, 5, 0}, {0, 10, 0, 0, 6}, {1, 0, 1, 5, 0}, {0, 1, 1, 0, 2}};
  for (const Case& c : cases) {
    CHART_SetXRange(chart_, 0, 4, c.x_major, 0);
    CHART_SetYLog(chart_, c.log);
    CHART_SetYRange(chart_, c.log ? 1 : 0, c.log ? 10 : 50, c.y_major, 0);
    s_labels[0] = s_labels[1] = 0;
    CHART_Paint(chart_);
    EXPECT_EQ(s_labels[0], c.want_x) << c.x_major << " " << c.y_major << " log " << c.log;
    EXPECT_EQ(s_labels[1], c.want_y) << c.x_major << " " << c.y_major << " log " << c.log;
  }
  CHART_SetYLog(chart_, 0);
  RES_SetNfy(chart_, CHART_DefaultNfy);
}

// A chart and a text widget print their whole picture.
TEST_F(ChartWin, PrintsChartAndText) {
  const double d[] = {1, 10, 2, 40, 3, 20};
  CHART_SetData(chart_, d, 7, 2, 3);
  CHART_SetXRange(chart_, 0, 4, 1, 0);
  CHART_SetYRange(chart_, 0, 50, 10, 0);
  CHART_SetSeries(chart_, 1, 0, "", TK_CHART_LINE);
  CHART_Paint(chart_);
  TK_OBJ text = RES_GetSub(win_, 1);
  TEXT_Clear(text);
  TEXT_Insert(text, "Band report\nLane 1  12.5\nLane 2  13.0");
  for (TK_OBJ w : {chart_, text}) {
    const std::string ps = file(w == chart_ ? "chart.ps" : "text.ps");
    TKT_AnswerPrint(1);
    TKT_AnswerChooser({ps});
    ui_print_widget(w, nullptr);
    const std::string png = file("out.png");
    ASSERT_EQ(std::system(("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r72 -o " + png + " " + ps +
                           " >/dev/null 2>&1").c_str()),
              0);
    QImage out(png.c_str());
    int red = 0, dark = 0;
    for (int y = 0; y < out.height(); ++y)
      for (int x = 0; x < out.width(); ++x) {
        const QRgb p = out.pixel(x, y);
        red += qRed(p) > 200 && qGreen(p) < 80;
        dark += qRed(p) < 80 && qGreen(p) < 80;
      }
    if (w == chart_) {
      EXPECT_GT(red, 50);
    }
    EXPECT_GT(dark, 30);
  }
  EXPECT_EQ(TKT_Unanswered(), 0);
}

}  // namespace
