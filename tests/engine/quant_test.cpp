// Band quantification on synthetic gels: amount and area against a direct sum over the same
// outline, the background rule, the failure codes and marks, and the lane image reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <queue>
#include <set>
#include <string>
#include <thread>

#include "engine/full_pixels.h"
#include "engine/quant.h"
#include "engine/lane_profile.h"
#include "io/kes_image.h"
#include "quant_fixture.h"
#include "test_support.h"

namespace {

using quanttest::BandFree;
using quanttest::Gel;
using BandPtr = std::unique_ptr<SPOT, BandFree>;
using LanePtr = std::unique_ptr<LANE, enginetest::LaneDeleter>;

struct ImageFree {
  LANE_IMAGE img;
  ~ImageFree() { ln_free_lane_image(&img); }
};

// The region an outline encloses, found independently of the quantifier's fill: the outline is
// drawn, every cell reachable from the window's border without crossing it is outside, and the
// rest (outline included) is the region. Window cells, row-major.
std::vector<char> enclosed(const QUANT_RES* res) {
  const int n = res->win->size;
  QT_WIN* canvas = qt_alloc_window(0, 0, n);
  qt_perim(canvas, res->bnd_x, res->bnd_y);
  std::vector<char> outside(size_t(n) * n, 0);
  std::queue<std::pair<int, int>> q;
  auto push = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= n || y >= n) return;
    if (canvas->rows[y][x] || outside[size_t(y) * n + x]) return;
    outside[size_t(y) * n + x] = 1;
    q.emplace(x, y);
  };
  for (int i = 0; i < n; ++i) {
    push(i, 0);
    push(i, n - 1);
    push(0, i);
    push(n - 1, i);
  }
  while (!q.empty()) {
    auto [x, y] = q.front();
    q.pop();
    push(x + 1, y);
    push(x - 1, y);
    push(x, y + 1);
    push(x, y - 1);
  }
  qt_free_window(canvas);
  std::vector<char> region(outside.size());
  for (size_t i = 0; i < region.size(); ++i) region[i] = !outside[i];
  return region;
}

struct Direct {
  double band_sum = 0;  // sum of the band component over the region's image pixels
  double area = 0;      // image pixels in the region
  double captured = 0;  // share of the whole band's mass inside the region
};

Direct direct_sum(const Gel& g, const QUANT_RES* res) {
  const std::vector<char> region = enclosed(res);
  const int n = res->win->size;
  Direct d;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      if (!region[size_t(y) * n + x]) continue;
      const int ix = x + res->win->left, iy = y + res->win->top;
      if (ix < 0 || iy < 0 || ix >= g.w || iy >= g.h) continue;
      d.band_sum += g.band[size_t(iy) * g.w + ix];
      d.area += 1;
    }
  d.captured = d.band_sum / g.band_mass();
  return d;
}

bool all_slots_valid(const QUANT_RES* res) {
  for (int i = 0; i < SP_BOUNDS; ++i)
    if (res->bnd_x[i] == -1 || res->bnd_y[i] == -1) return false;
  return true;
}

class Quant : public ::testing::Test {
 protected:
  void SetUp() override { mj_quant_release(); }
  void TearDown() override {
    mj_fail_alloc_at(-1);
    mj_quant_release();
  }
};

TEST(QuantWindowSize, RampKernelAndByteLimit) {
  struct Case {
    int W, t, f, size;
  } cases[] = {
      {41, 10, 5, 69},     // ramp[5] = 2 >= 41 / 20: 41 + (4 + 9) x 2 + 2
      {200, 4, 2, 249},    // ramp[14] = 4 < 200 / 20: 200 + (20 + 3) x 2 + 2
      {100, 1000, 5, 273},  // t / 2 = 500 reads the last ramp entry (38): 100 + (76 + 9) x 2 + 2
      {511, 10, 5, 633},   // half width 255 still fits its byte: 511 + (51 + 9) x 2 + 2
      {512, 10, 5, -1},    // half width 256 would wrap to 0
      {513, 10, 5, -1},
      {0, 10, 5, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(mj_windowsize(c.W, c.t, c.f), c.size) << "W " << c.W << " t " << c.t;
}

// Bands of known shape on known backgrounds. The amount and area must be those of a direct sum
// over the region the reported outline encloses, with the lane's baseline as background: since
// each pixel is band + baseline, the amount is the band's own sum there.
TEST_F(Quant, AmountAndAreaAgreeWithDirectSumOverTheOutline) {
  struct Case {
    const char* name;
    int cx, cy;       // band centre
    bool flat_top;
    int bg0, bg1;     // background at the lane's first and last row
    bool eight;
    double min_capture;  // share of the band's mass the outline must hold
  } cases[] = {
      {"gaussian, flat background", 100, 100, false, 300, 300, false, 0.75},
      {"flat-topped, flat background", 100, 100, true, 300, 300, false, 0.85},
      {"gaussian, sloping background", 100, 100, false, 100, 1100, false, 0.75},
      {"flat-topped, sloping background, 8-bit", 100, 100, true, 10, 60, true, 0.85},
      {"gaussian at the left image edge", 14, 100, false, 300, 300, false, 0.65},
      {"flat-topped at the top image edge", 100, 8, true, 300, 300, false, 0.85},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mj_quant_release();
    Gel g(220, 200);
    LanePtr lane(quanttest::vertical_lane(c.cx, g.h, 20, {{0, c.bg0}, {g.h - 1, c.bg1}}));
    g.background([&](int y) { return ln_baseline_at(y, lane.get()); });
    g.add_band(c.cx, c.cy, 14, 3.0, c.eight ? 150 : 4000, c.flat_top, 4);
    ImageFree img{quanttest::lane_image(g, c.eight)};
    BandPtr band(quanttest::band_at(c.cx, c.cy, 10, 5));

    ASSERT_EQ(mj_doquant(band.get(), lane.get(), &img.img, nullptr, 1), 1);
    const QUANT_RES* res = band->result;
    ASSERT_NE(res, nullptr);
    ASSERT_TRUE(all_slots_valid(res));
    for (int i = 0; i < SP_BOUNDS; ++i) {
      EXPECT_EQ(res->img_x[i], res->bnd_x[i] + res->win->left);
      EXPECT_EQ(res->img_y[i], res->bnd_y[i] + res->win->top);
    }
    const Direct d = direct_sum(g, res);
    EXPECT_DOUBLE_EQ(band->amount, d.band_sum);
    EXPECT_DOUBLE_EQ(band->area, d.area);
    EXPECT_GE(d.captured, c.min_capture);
    EXPECT_FALSE(band->f1 & SP_F1_QUANT_FAILED);
    EXPECT_EQ(band->quant_word, 65535);
    // The band is narrower than its lane: its width is measured from the window.
    EXPECT_LT(band->lane_width, 41);
    if (c.cx > 50) {
      EXPECT_GE(band->lane_width, 25);
    }
  }
}

// Two bands whose flanks touch: each outline keeps to its own band.
TEST_F(Quant, TouchingNeighboursStayApart) {
  Gel g(200, 200);
  LanePtr lane(quanttest::vertical_lane(100, g.h, 20, {{0, 200}}));
  g.background([&](int y) { return ln_baseline_at(y, lane.get()); });
  g.add_band(100, 90, 14, 3.0, 4000);
  g.add_band(100, 106, 14, 3.0, 2000);
  ImageFree img{quanttest::lane_image(g)};
  BandPtr a(quanttest::band_at(100, 90, 8, 4));
  BandPtr b(quanttest::band_at(100, 106, 8, 4));
  ASSERT_EQ(mj_doquant(a.get(), lane.get(), &img.img, nullptr, 1), 1);
  ASSERT_EQ(mj_doquant(b.get(), lane.get(), &img.img, nullptr, 1), 1);
  for (const SPOT* s : {a.get(), b.get()}) {
    const SPOT* other = s == a.get() ? b.get() : a.get();
    const std::vector<char> region = enclosed(s->result);
    const QT_WIN* w = s->result->win;
    EXPECT_FALSE(region[size_t(other->y - w->top) * w->size + (other->x - w->left)])
        << "outline of the band at row " << s->y << " holds its neighbour's centre";
  }
  // The brighter band measures more, in about the ratio of the two.
  EXPECT_GT(a->amount, 1.3 * b->amount);
  EXPECT_LT(a->amount, 3.0 * b->amount);
}

// Amounts go through the image's intensity lookup, pixels and background alike.
TEST_F(Quant, PixelsAndBackgroundGoThroughTheLookup) {
  Gel g(200, 200);
  LanePtr lane(quanttest::vertical_lane(100, g.h, 20, {{0, 50}}));
  g.background([&](int y) { return ln_baseline_at(y, lane.get()); });
  g.add_band(100, 100, 14, 3.0, 150, true, 4);
  ImageFree img{quanttest::lane_image(g, true)};

  IMG_INT_INFO* lut = static_cast<IMG_INT_INFO*>(ks_alloc_msg(sizeof(IMG_INT_INFO)));
  ASSERT_TRUE(lookup_init(lut));
  lut->interp_type = 1;
  lut->dig_values[0] = 0;
  lut->dig_values[1] = 255;
  lut->wedge_values[0] = 0.0;
  lut->wedge_values[1] = 2.55;

  BandPtr plain(quanttest::band_at(100, 100, 10, 5));
  ASSERT_EQ(mj_doquant(plain.get(), lane.get(), &img.img, nullptr, 1), 1);
  BandPtr od(quanttest::band_at(100, 100, 10, 5));
  ASSERT_EQ(mj_doquant(od.get(), lane.get(), &img.img, lut, 1), 1);
  EXPECT_NEAR(od->amount, plain->amount * 0.01, 1e-6 * plain->amount);
  EXPECT_DOUBLE_EQ(od->area, plain->area);

  // The program's compatibility mode forces the lookup's interpolation.
  ih_set_ODcompatabilty("AlwaysLog");
  ASSERT_EQ(mj_doquant(od.get(), lane.get(), &img.img, lut, 1), 1);
  EXPECT_EQ(lut->interp_type, 0);
  ih_set_ODcompatabilty("");
  lookup_free(lut);
}

// The scale factors of the lane image multiply amount and area.
TEST_F(Quant, ScaleFactorsMultiplyAmountAndArea) {
  Gel g(200, 200);
  LanePtr lane(quanttest::vertical_lane(100, g.h, 20));
  g.add_band(100, 100, 14, 3.0, 4000);
  ImageFree img{quanttest::lane_image(g)};
  BandPtr one(quanttest::band_at(100, 100, 10, 5));
  ASSERT_EQ(mj_doquant(one.get(), lane.get(), &img.img, nullptr, 1), 1);
  img.img.scale1_mant = 2.5;
  img.img.scale2_mant = 4.0;
  img.img.scale2_exp = -1;
  BandPtr scaled(quanttest::band_at(100, 100, 10, 5));
  ASSERT_EQ(mj_doquant(scaled.get(), lane.get(), &img.img, nullptr, 1), 1);
  EXPECT_NEAR(scaled->amount, one->amount, 1e-9 * one->amount);
  EXPECT_NEAR(scaled->area, one->area, 1e-9 * one->area);
}

// Half widths live in a byte: a band measured wider than 255 on a side keeps W / 2.
TEST(QuantWidth, HalfWidthsThatDoNotFitAByteAreNotTaken) {
  const int size = mj_windowsize(511, 10, 5);
  quanttest::WinPtr win(qt_alloc_window(400, 400, size));
  const int c = size / 2;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) win->rows[y][x] = std::abs(x - c) <= 290 ? 3000 : 200;
  BandPtr band(quanttest::band_at(400, 400, 10, 5));
  band->lane_width = 511;
  ASSERT_EQ(mj_width(band.get(), win.get()), 1);
  EXPECT_EQ(band->lane_width, 511);
  EXPECT_EQ(band->left_hw, 255);
  EXPECT_EQ(band->right_hw, 255);

  // The same band 200 wide on each side is measured.
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) win->rows[y][x] = std::abs(x - c) <= 200 ? 3000 : 200;
  ASSERT_EQ(mj_width(band.get(), win.get()), 1);
  EXPECT_NEAR(band->left_hw, 200, 3);
  EXPECT_NEAR(band->right_hw, 200, 3);
  EXPECT_EQ(band->lane_width, band->left_hw + band->right_hw + 1);
}

// A band quantified from a drawn outline (type 11) keeps its own lane width: the window is sized
// from it and the width is not measured again.
TEST_F(Quant, BandWithoutLaneWidthKeepsItsOwn) {
  Gel g(200, 200);
  LanePtr lane(quanttest::vertical_lane(100, g.h, 20));
  g.add_band(100, 100, 14, 3.0, 4000);
  ImageFree img{quanttest::lane_image(g)};
  BandPtr band(quanttest::band_at(100, 100, 10, 5));
  band->f1 = SP_TYPE_NO_WIDTH;
  band->lane_width = 25;
  band->left_hw = band->right_hw = 12;
  ASSERT_EQ(mj_doquant(band.get(), lane.get(), &img.img, nullptr, 1), 1);
  EXPECT_EQ(band->lane_width, 25);
  EXPECT_EQ(band->left_hw, 12);
  EXPECT_EQ(band->result->win->size, mj_windowsize(25, 10, 5));
}

// Quantifying again with the find flag off uses the stored bounds as they are.
TEST_F(Quant, StoredBoundsAreUsedUnchanged) {
  Gel g(200, 200);
  LanePtr lane(quanttest::vertical_lane(100, g.h, 20, {{0, 100}}));
  g.background([&](int y) { return ln_baseline_at(y, lane.get()); });
  g.add_band(100, 100, 14, 3.0, 4000);
  ImageFree img{quanttest::lane_image(g)};
  BandPtr band(quanttest::band_at(100, 100, 10, 5));
  ASSERT_EQ(mj_doquant(band.get(), lane.get(), &img.img, nullptr, 1), 1);
  // The band tools keep the bounds in image coordinates and release the result.
  std::memcpy(band->bound_x, band->result->img_x, sizeof band->bound_x);
  std::memcpy(band->bound_y, band->result->img_y, sizeof band->bound_y);
  const double amount = band->amount, area = band->area;
  mj_res_free(&band->result);

  ASSERT_EQ(mj_doquant(band.get(), lane.get(), &img.img, nullptr, 0), 1);
  for (int i = 0; i < SP_BOUNDS; ++i) {
    EXPECT_EQ(band->result->img_x[i], band->bound_x[i]);
    EXPECT_EQ(band->result->img_y[i], band->bound_y[i]);
  }
  EXPECT_DOUBLE_EQ(band->amount, amount);
  EXPECT_DOUBLE_EQ(band->area, area);
}

// A drawn outline: its points become the result's slots, and the region they enclose is summed.
// A large outline (a million cells, as many runs as the fill allows) fills without exhausting
// the stack.
TEST_F(Quant, DrawnOutlineAndALargeFill) {
  struct Case {
    int half;  // half side of a square outline
  } cases[] = {{12}, {500}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.half);
    mj_quant_release();
    const int n = 2 * c.half + 41;
    Gel g(n, n);
    const int cx = n / 2;
    LanePtr lane(quanttest::vertical_lane(cx, n, c.half + 5));
    g.background([](int) { return 0; });
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x) g.b(x, y) = 7;
    ImageFree img{quanttest::lane_image(g)};
    BandPtr band(quanttest::band_at(cx, cx, 0, 0));
    // Corners and edge midpoints, clockwise.
    const int h = c.half;
    const LN_POINT pts[8] = {{cx - h, cx - h}, {cx, cx - h}, {cx + h, cx - h}, {cx + h, cx},
                             {cx + h, cx + h}, {cx, cx + h}, {cx - h, cx + h}, {cx - h, cx}};
    ASSERT_EQ(mj_mb_doquant(band.get(), lane.get(), 8, pts, &img.img, nullptr, 0), 1);
    const QUANT_RES* res = band->result;
    EXPECT_EQ(res->img_x[2], cx + h);
    EXPECT_EQ(res->bnd_x[2], cx + h - res->win->left);
    EXPECT_EQ(res->bnd_x[8], -1);
    const double side = 2.0 * h + 1;
    EXPECT_DOUBLE_EQ(band->area, side * side);
    EXPECT_DOUBLE_EQ(band->amount, 7 * side * side);
    EXPECT_EQ(band->lane_width, 2 * h + 1);
    EXPECT_EQ(band->thickness, 2 * h + 1);
  }
}

// The window reads white beyond the image; an outline that reaches past the image's edge counts
// only the image's own pixels.
TEST_F(Quant, OutlinePastTheImageEdgeCountsOnlyImagePixels) {
  Gel g(100, 100);
  for (int y = 0; y < g.h; ++y)
    for (int x = 0; x < g.w; ++x) g.b(x, y) = 10;
  LanePtr lane(quanttest::vertical_lane(5, g.h, 10));
  ImageFree img{quanttest::lane_image(g, true)};
  BandPtr band(quanttest::band_at(5, 50, 0, 0));
  const LN_POINT pts[4] = {{-10, 40}, {20, 40}, {20, 60}, {-10, 60}};
  ASSERT_EQ(mj_mb_doquant(band.get(), lane.get(), 4, pts, &img.img, nullptr, 0), 1);
  EXPECT_DOUBLE_EQ(band->area, 21.0 * 21.0);  // columns 0..20 of rows 40..60
  EXPECT_DOUBLE_EQ(band->amount, 10.0 * 21.0 * 21.0);
}

// Every failure returns 0, sets the quantification-failed bit, the fail code and the mark ('?'
// for a centre outside the lane, else the negative code), and keeps the previous amount.
TEST_F(Quant, FailureCodesSetTheFailedBitAndMark) {
  Gel g(200, 200);
  LanePtr lane(quanttest::vertical_lane(100, g.h, 20));
  g.add_band(100, 100, 14, 3.0, 4000);

  auto check = [](const SPOT* b, int code, int word) {
    EXPECT_TRUE(b->f1 & SP_F1_QUANT_FAILED);
    EXPECT_EQ(b->fail_code, word);
    const uint8_t mark = code == MJ_FAIL_NOT_IN_LANE ? '?' : static_cast<uint8_t>(code);
    EXPECT_EQ(b->left_hw, mark);
    EXPECT_EQ(b->amount, 123.0);
  };
  auto fresh = [](int x, int y) {
    SPOT* b = quanttest::band_at(x, y, 10, 5);
    b->amount = 123.0;
    return BandPtr(b);
  };

  {
    SCOPED_TRACE("no window size: the lane is 512 wide");
    LanePtr wide(quanttest::vertical_lane(100, g.h, 255));
    wide->right_width = 256;
    ImageFree img{quanttest::lane_image(g)};
    BandPtr b = fresh(100, 100);
    EXPECT_EQ(mj_doquant(b.get(), wide.get(), &img.img, nullptr, 1), 0);
    check(b.get(), MJ_FAIL_SIZE, MJ_FAIL_SIZE);
  }
  {
    SCOPED_TRACE("window load: no pixels");
    LANE_IMAGE empty{};
    BandPtr b = fresh(100, 100);
    EXPECT_EQ(mj_doquant(b.get(), lane.get(), &empty, nullptr, 1), 0);
    check(b.get(), MJ_FAIL_LOAD, MJ_FAIL_LOAD);
  }
  {
    SCOPED_TRACE("band centre outside its lane");
    ImageFree img{quanttest::lane_image(g)};
    BandPtr b = fresh(160, 100);
    EXPECT_EQ(mj_doquant(b.get(), lane.get(), &img.img, nullptr, 1), 0);
    check(b.get(), MJ_FAIL_NOT_IN_LANE, MJ_FAIL_NOT_IN_LANE);
  }
  {
    SCOPED_TRACE("stored bounds that do not enclose the band's column");
    ImageFree img{quanttest::lane_image(g)};
    BandPtr b = fresh(100, 100);
    for (int i = 0; i < SP_BOUNDS; ++i) {
      b->bound_x[i] = 5 + i % 3;  // a sliver far left of the centre
      b->bound_y[i] = 10 + i;
    }
    EXPECT_EQ(mj_doquant(b.get(), lane.get(), &img.img, nullptr, 0), 0);
    check(b.get(), MJ_FAIL_BOUNDS, MJ_FAIL_BOUNDS);
  }
  {
    SCOPED_TRACE("five invalid bounds in a row");
    ImageFree img{quanttest::lane_image(g)};
    BandPtr b = fresh(100, 100);
    ASSERT_EQ(mj_doquant(b.get(), lane.get(), &img.img, nullptr, 1), 1);
    b->amount = 123.0;
    QUANT_RES* res = b->result;
    for (int i = 3; i < 7; ++i) res->bnd_y[i] = -1;  // four are accepted
    EXPECT_EQ(mj_ckbnd(b.get()), 1);
    EXPECT_EQ(mj_GetII(b.get(), lane.get(), 0, nullptr, 1.0, 1.0), 1);
    b->amount = 123.0;
    res->bnd_y[7] = -1;
    EXPECT_EQ(mj_GetII(b.get(), lane.get(), 0, nullptr, 1.0, 1.0), 0);
    check(b.get(), MJ_FAIL_GAPS, MJ_FAIL_GAPS);
  }
  {
    SCOPED_TRACE("a drawn outline too wide for the size limit");
    ImageFree img{quanttest::lane_image(g)};
    BandPtr b = fresh(100, 100);
    const LN_POINT pts[2] = {{100 - 128, 100}, {100, 101}};
    EXPECT_EQ(mj_mb_doquant(b.get(), lane.get(), 2, pts, &img.img, nullptr, 1), 0);
    check(b.get(), MJ_FAIL_SIZE, 'U');
  }
  {
    SCOPED_TRACE("a comb-shaped outline needs more than 1024 runs");
    Gel big(700, 700);
    LanePtr wide(quanttest::vertical_lane(350, big.h, 200));
    ImageFree img{quanttest::lane_image(big)};
    BandPtr b = fresh(360, 350);
    // Eight teeth 300 rows long: every row of the teeth holds eight runs.
    std::vector<LN_POINT> pts;
    for (int t = 0; t < 8; ++t) {
      const int x = 190 + t * 40;
      pts.push_back({x, 200});
      pts.push_back({x + 20, 200});
      pts.push_back({x + 20, 500});
      pts.push_back({x + 40, 500});
    }
    pts.push_back({510, 520});
    pts.push_back({190, 520});
    ASSERT_LE(pts.size(), size_t(SP_BOUNDS));
    EXPECT_EQ(mj_mb_doquant(b.get(), wide.get(), int(pts.size()), pts.data(), &img.img,
                            nullptr, 0),
              0);
    check(b.get(), MJ_FAIL_FILL, MJ_FAIL_FILL);
  }
}

// Memory running out at any allocation of a quantification ends it with a failure code of its
// own, never a crash: the window (-83), the width profile ('T'), the bound profiles and the
// result record (-40) and the fill canvas (-84).
TEST_F(Quant, EveryAllocationFailureIsReported) {
  Gel g(200, 200);
  LanePtr lane(quanttest::vertical_lane(100, g.h, 20));
  g.add_band(100, 100, 14, 3.0, 4000);
  ImageFree img{quanttest::lane_image(g)};
  std::set<int> words;
  for (int n = 0; n < 12; ++n) {
    mj_quant_release();
    BandPtr b(quanttest::band_at(100, 100, 10, 5));
    mj_fail_alloc_at(n);
    const int r = mj_doquant(b.get(), lane.get(), &img.img, nullptr, 1);
    mj_fail_alloc_at(-1);
    if (r == 1) continue;
    EXPECT_TRUE(b->f1 & SP_F1_QUANT_FAILED);
    EXPECT_EQ(b->left_hw, static_cast<uint8_t>(b->fail_code == 'T' ? MJ_FAIL_WIN_COPY : b->fail_code));
    words.insert(b->fail_code);
  }
  EXPECT_EQ(words, (std::set<int>{MJ_FAIL_ALLOC, MJ_FAIL_WIN_ALLOC, MJ_FAIL_WIN_COPY, 'T'}));
}

// The lane image: the rectangle about the lane at a row or along the whole lane, kept inside
// the image, read at full scale from the pixel file.
TEST(LaneImage, ReadsTheRectangleAboutTheLane) {
  vxtest::TempDir dir;
  const int w = 120, h = 90;
  std::vector<unsigned char> file = {'I', 'I', 2, 0, w, 0, 0, 0, h, 0, 0, 0};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int v = y * 500 + x;
      file.push_back(static_cast<unsigned char>(v & 0xFF));
      file.push_back(static_cast<unsigned char>(v >> 8));
    }
  const std::string path = dir.file("gel.kes");
  vxtest::write_bytes(path, file);
  LanePtr lane(enginetest::make_lane({{20, 30}, {24, 60}}, {}, 4));  // w = 9

  struct Case {
    int row, x0, y0, x1, y1;
  } cases[] = {
      {40, 7, 22, 37, 58},   // columns 16 - 9 .. 28 + 9, rows 40 -/+ 18
      {-1, 7, 21, 37, 69},   // rows 30 - 9 .. 60 + 9
      {80, 7, 62, 37, 88},   // the last row read is h - 2
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    LANE_IMAGE img{};
    ASSERT_EQ(ln_read_lane_image(lane.get(), &img, nullptr, path.c_str(), c.row), 0);
    EXPECT_EQ(img.x_min, c.x0);
    EXPECT_EQ(img.y_min, c.y0);
    EXPECT_EQ(img.x_max, c.x1);
    EXPECT_EQ(img.y_max, c.y1);
    EXPECT_EQ(img.is_8bit, 0);
    EXPECT_EQ(img.scale1_mant * img.scale2_mant, 1.0);
    const auto* px = static_cast<const uint16_t*>(img.pixels);
    const int iw = img.x_max - img.x_min + 1;
    EXPECT_EQ(px[0], c.y0 * 500 + c.x0);
    EXPECT_EQ(px[size_t(c.y1 - c.y0) * iw + (c.x1 - c.x0)], c.y1 * 500 + c.x1);
    ln_free_lane_image(&img);
  }
  LANE_IMAGE img{};
  EXPECT_EQ(ln_read_lane_image(lane.get(), &img, nullptr, dir.file("none.kes").c_str(), 40), -1);
  EXPECT_EQ(img.pixels, nullptr);
}

// Bands quantified from the image held (their windows seen in it and carried down the lane)
// equal bands quantified one by one from a copied lane image, also after the image's pixels
// change in place between two runs.
TEST(LaneImage, BandsFromTheImageHeldEqualThoseFromACopy) {
  const int w = 300, h = 600;
  Gel g(w, h);
  g.background([](int y) { return 1000 + y / 3; });
  std::vector<int> rows;
  for (int y = 50; y < h - 40; y += 45) {
    rows.push_back(y);
    g.add_band(150 + (y % 7) - 3, y, 30, 3.0, 4000 + 300 * (y % 5));
  }
  TkImage whole;
  ASSERT_TRUE(whole.create(w, h, 2));
  auto paint = [&](int extra) {
    for (int y = 0; y < h; ++y) {
      auto* row = reinterpret_cast<uint16_t*>(whole.row(y));
      for (int x = 0; x < w; ++x) row[x] = static_cast<uint16_t>(g.pixel(x, y) + extra * (x % 11));
    }
  };
  LanePtr lane(quanttest::vertical_lane(150, h, 40, {{0, 1000}, {h - 1, 1200}}));
  struct Result {
    double amount, area;
    int lane_width;
    bool operator==(const Result&) const = default;
  };
  auto make_bands = [&] {
    std::vector<BandPtr> bands;
    for (int y : rows) bands.emplace_back(quanttest::band_at(150 + (y % 7) - 3, y, 8, 3));
    return bands;
  };
  // One by one, each from a fresh window and a copied lane image.
  auto one_by_one = [&] {
    std::vector<Result> out;
    for (BandPtr& b : make_bands()) {
      mj_quant_release();
      LANE_IMAGE img{};
      EXPECT_EQ(ln_cut_lane_image(lane.get(), &img, nullptr, &whole, -1), 0);
      EXPECT_EQ(mj_doquant(b.get(), lane.get(), &img, nullptr, 1), 1);
      out.push_back({b->amount, b->area, b->lane_width});
      mj_res_free(&b->result);
      ln_free_lane_image(&img);
    }
    return out;
  };
  // All in one run from the image held, from the top band down or from the bottom band up.
  auto held = [&](bool upwards) {
    std::vector<BandPtr> bands = make_bands();
    std::vector<SPOT*> raw;
    for (BandPtr& b : bands) raw.push_back(b.get());
    if (upwards) std::reverse(raw.begin(), raw.end());
    std::vector<Result> out;
    const int n = static_cast<int>(raw.size());
    EXPECT_EQ(ln_quant_lane_bands(&whole, nullptr, lane.get(), raw.data(), n, -1, nullptr,
                                  [&](SPOT* b, int) {
                                    out.push_back({b->amount, b->area, b->lane_width});
                                  }),
              n);
    if (upwards) std::reverse(out.begin(), out.end());
    return out;
  };
  for (int extra : {0, 40}) {
    SCOPED_TRACE(extra);
    paint(extra);
    const std::vector<Result> first = held(false);
    // The second run starts where the first ended, with the window it left, on pixels changed
    // in place.
    paint(extra + 7);
    const std::vector<Result> second = held(true);
    ASSERT_EQ(second.size(), rows.size());
    EXPECT_TRUE(second == one_by_one());
    paint(extra);
    EXPECT_TRUE(first == one_by_one());
  }
  mj_quant_release();
}

// The window carried down a lane holds, after each band, the cells a fresh load of its place
// holds: also when successive bands lie left and right of one another, so that the window moves
// sideways and back over the rows it keeps, and near the lane image's edges, which read white.
TEST(LaneImage, TheWindowCarriedDownALaneHoldsWhatAFreshLoadHolds) {
  const int w = 240, h = 500;
  Gel g(w, h);
  g.background([](int y) { return 900 + y / 2; });
  const int shifts[] = {0, 5, -4, 9, -9, 2, 14, -13, 1};
  std::vector<std::pair<int, int>> centres;
  for (int y = 40, i = 0; y < h - 40; y += 37, ++i) {
    centres.emplace_back(120 + shifts[i % std::size(shifts)], y);
    g.add_band(centres.back().first, y, 30, 3.0, 5000);
  }
  TkImage whole;
  ASSERT_TRUE(whole.create(w, h, 2));
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<uint16_t*>(whole.row(y));
    // Every column differs from its neighbours, so that a cell taken from the wrong column shows.
    for (int x = 0; x < w; ++x) row[x] = static_cast<uint16_t>(g.pixel(x, y) + 13 * x);
  }
  LanePtr lane(quanttest::vertical_lane(120, h, 40, {{0, 900}, {h - 1, 1150}}));
  mj_quant_release();
  LANE_IMAGE img{};
  ASSERT_EQ(ln_view_lane_image(lane.get(), &img, nullptr, &whole, -1), 0);
  img.serial = ln_lane_image_serial();
  for (const auto& [x, y] : centres) {
    SCOPED_TRACE(testing::Message() << "band at " << x << ", " << y);
    BandPtr b(quanttest::band_at(x, y, 8, 3));
    EXPECT_EQ(mj_doquant(b.get(), lane.get(), &img, nullptr, 1), 1);
    const QT_WIN* held = mj_quant_window();
    ASSERT_NE(held, nullptr);
    QT_WIN* fresh = qt_copy_window(held);
    ASSERT_NE(fresh, nullptr);
    ASSERT_EQ(mj_load_window(fresh, &img), 0);
    int differ = 0;
    for (int r = 0; r < held->size; ++r)
      for (int c = 0; c < held->size; ++c) differ += held->rows[r][c] != fresh->rows[r][c];
    EXPECT_EQ(differ, 0);
    qt_free_window(fresh);
    mj_res_free(&b->result);
  }
  ln_free_lane_image(&img);
  mj_quant_release();
}

// A thread's shared windows are freed when it ends; a release asked for later in that ending
// (by an object made before the thread's first quantification, as a benchmark's static gel is)
// frees nothing a second time.
TEST(QuantRelease, AReleaseAfterTheThreadsWindowsAreFreedFreesNothingAgain) {
  struct ReleaseAtExit {
    ~ReleaseAtExit() { mj_quant_release(); }
  };
  std::thread worker([] {
    thread_local ReleaseAtExit release;  // ends after the windows made below
    (void)release;
    Gel g(200, 200);
    LanePtr lane(quanttest::vertical_lane(100, g.h, 20, {{0, 200}}));
    g.background([&](int y) { return ln_baseline_at(y, lane.get()); });
    g.add_band(100, 100, 14, 3.0, 4000);
    ImageFree img{quanttest::lane_image(g)};
    BandPtr band(quanttest::band_at(100, 100, 8, 4));
    EXPECT_EQ(mj_doquant(band.get(), lane.get(), &img.img, nullptr, 1), 1);
    EXPECT_NE(mj_quant_window(), nullptr);
  });
  worker.join();
}

}  // namespace
