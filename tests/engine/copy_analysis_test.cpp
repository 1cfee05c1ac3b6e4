// Copy Analysis: mapping an analysis from the source markers onto the target markers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/ks_mem.h"
#include "engine/copy_analysis.h"
#include "io/image_rec_init.h"
#include "lane_fixture.h"
#include "model/spot.h"
#include "model/std_list.h"
#include "test_support.h"

namespace {

constexpr int kW = 200, kH = 150;
const int kSource[3][2] = {{20, 20}, {150, 30}, {60, 120}};

// An 8-bit gradient image "<dir>/target.kes" of w x h.
std::string write_target(const vxtest::TempDir& dir, int w = kW, int h = kH) {
  std::vector<unsigned char> b = {'I', 'I', 1, 0};
  for (uint32_t v : {uint32_t(w), uint32_t(h)})
    for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.push_back(static_cast<unsigned char>((x + 2 * y) % 256));
  const std::string path = dir.file("target.kes");
  vxtest::write_bytes(path, b);
  return path;
}

void add_marker(STD_LIST* l, double x, double y, double value) {
  STD_MARKER m{};
  m.x = x;
  m.y = y;
  m.ix = static_cast<int>(x);
  m.iy = static_cast<int>(y);
  m.value = value;
  m.lane_num = 1;
  m.flags = STD_M_VALID;
  std_list_append(l, &m);
}

// The source image's analysis as read into the target's record: two lanes (one reaching past
// the marker triangle), a band with two bound points, one tier of size standards and
// concentration standards, and the source's marker points.
struct Analysed {
  IMAGE_REC* im = ks_new_rec<IMAGE_REC>();
  explicit Analysed(const std::string& path) {
    EXPECT_TRUE(gt_img_init(im));
    std::snprintf(im->file_path, sizeof im->file_path, "%s", path.c_str());
    im->img_info->width = kW;
    im->img_info->height = kH;
    LANE* a = enginetest::make_lane({{40, 10}, {42, 100}});
    LANE* b = enginetest::make_lane({{100, 15}, {103, 130}}, {1, 2, 3});
    enginetest::add_point(b->peak, 1, 2);
    im->lanes->next = a;
    a->next = b;
    im->has_lanes = 1;
    im->lane_hdr->num_lanes = 2;
    im->lane_hdr->num_tiers = 1;
    im->size_stdp = static_cast<STD_LIST**>(ks_alloc_msg(sizeof(STD_LIST*)));
    im->size_stdp[0] = std_list_create();
    add_marker(im->size_stdp[0], 41.0, 30.0, 1000);
    add_marker(im->size_stdp[0], 101.5, 60.0, 500);
    *im->conc_stdp = std_list_create();
    add_marker(*im->conc_stdp, 42.0, 70.0, 2.5);
    SPOT* band = sp_make_spot();
    band->x = 101;
    band->y = 50;
    for (int k = 0; k < SP_BOUNDS; ++k) band->bound_x[k] = band->bound_y[k] = -1;
    band->bound_x[0] = 95;
    band->bound_y[0] = 48;
    band->bound_x[1] = 107;  // a half-invalid point stays as it is
    sp_add_spot(band, im->bands);
    im->band_hdr->nrec = 1;
    im->band_hdr->norm_band_ii = 9.5;
    im->cur_band = band;
    std::memcpy(im->mark_pts, kSource, sizeof kSource);
  }
  ~Analysed() { gt_img_free(im); }
  LANE* lane(int k) const {
    LANE* l = im->lanes->next;
    while (k-- > 0) l = l->next;
    return l;
  }
};

// The transform with the record's own file as the target's pixels.
int xform(IMAGE_REC* im, const int target[3][2]) {
  LnPixels px(im->file_path);
  return gt_xform_analysis(im, target, px);
}

struct EnvBands {
  explicit EnvBands(bool set) {
    if (set)
      setenv("VX_NDI_BANDS", "", 1);
    else
      unsetenv("VX_NDI_BANDS");
  }
  ~EnvBands() { unsetenv("VX_NDI_BANDS"); }
};

void shifted(int dx, int dy, int out[3][2]) {
  for (int i = 0; i < 3; ++i) {
    out[i][0] = kSource[i][0] + dx;
    out[i][1] = kSource[i][1] + dy;
  }
}

TEST(CopyAnalysis, IdentityAndShiftMoveEverythingByTheMarkersOffset) {
  vxtest::TempDir dir;
  const std::string path = write_target(dir);
  for (auto [dx, dy] : {std::pair{0, 0}, std::pair{10, 5}, std::pair{-7, 3}}) {
    for (bool carry : {false, true}) {
      SCOPED_TRACE(::testing::Message() << dx << "," << dy << (carry ? " carrying bands" : ""));
      EnvBands env(carry);
      Analysed a(path);
      int target[3][2];
      shifted(dx, dy, target);
      ASSERT_EQ(xform(a.im, target), 0);

      EXPECT_EQ(a.lane(0)->center_coords[0].x, 40 + dx);
      EXPECT_EQ(a.lane(0)->center_coords[0].y, 10 + dy);  // outside the marker triangle
      EXPECT_EQ(a.lane(1)->center_coords[1].x, 103 + dx);
      EXPECT_EQ(a.lane(1)->center_coords[1].y, 130 + dy);
      for (int k = 0; k < 2; ++k) {
        const LANE* l = a.lane(k);
        EXPECT_NE(l->f & LN_F_SELECTED, 0u);
        // Profiles rebuilt from the target's pixels along the moved lane.
        ASSERT_NE(l->data_values, nullptr);
        EXPECT_EQ(l->num_data_values, l->center_coords[1].y - l->center_coords[0].y + 1);
        ASSERT_NE(l->baseline_values, nullptr);
        ASSERT_NE(l->peak, nullptr);
      }
      EXPECT_EQ(a.im->num_sel_lanes, 2);

      const STD_MARKER& m = a.im->size_stdp[0]->records[1];
      EXPECT_NEAR(m.x, 101 + dx, 1e-6);  // taken as whole numbers, results stay doubles
      EXPECT_NEAR(m.y, 60 + dy, 1e-6);
      EXPECT_EQ(m.ix, 101 + dx);

      ASSERT_NE(*a.im->conc_stdp, nullptr);
      if (carry) {
        EXPECT_EQ((*a.im->conc_stdp)->count, 1);
        EXPECT_NEAR((*a.im->conc_stdp)->records[0].y, 70 + dy, 1e-6);
        SPOT* band = a.im->bands->next;
        ASSERT_NE(band, nullptr);
        EXPECT_EQ(band->x, 101 + dx);
        EXPECT_EQ(band->y, 50 + dy);
        EXPECT_EQ(band->bound_x[0], 95 + dx);
        EXPECT_EQ(band->bound_y[0], 48 + dy);
        EXPECT_EQ(band->bound_x[1], 107);
        EXPECT_EQ(band->bound_x[2], -1);
      } else {
        EXPECT_EQ((*a.im->conc_stdp)->count, 0);
        EXPECT_EQ(a.im->bands->next, nullptr);
        EXPECT_EQ(a.im->band_hdr->nrec, 0);
        EXPECT_EQ(a.im->band_hdr->norm_band_ii, 0.0);
        EXPECT_EQ(a.im->cur_band, nullptr);  // no pointer into the freed chain
      }
    }
  }
}

TEST(CopyAnalysis, ScaledMarkersGiveTheAffineMap) {
  vxtest::TempDir dir;
  const std::string path = write_target(dir);
  EnvBands env(false);
  Analysed a(path);
  // x halves about 0 and y stays: each point goes to (x / 2, y).
  int target[3][2];
  for (int i = 0; i < 3; ++i) {
    target[i][0] = kSource[i][0] / 2;
    target[i][1] = kSource[i][1];
  }
  ASSERT_EQ(xform(a.im, target), 0);
  EXPECT_EQ(a.lane(1)->center_coords[0].x, 50);
  EXPECT_EQ(a.lane(1)->center_coords[0].y, 15);
  EXPECT_NEAR(a.im->size_stdp[0]->records[0].x, 20.5, 1e-6);
}

TEST(CopyAnalysis, PositionsAreCutToWholePixelsBeforeTheImageCheck) {
  // The third target marker one column left: the map tilts a little, and points of column 0
  // land a fraction of a pixel left of the image (row 100 at x = -0.84, row 140 at x = -1.25).
  vxtest::TempDir dir;
  const std::string path = write_target(dir);
  int target[3][2];
  shifted(0, 0, target);
  target[2][0] -= 1;
  struct Case {
    const char* what;
    int bottom;  // the last row of a lane on column 0
    bool carry;
    int result;
  };
  const Case cases[] = {
      {"cut to column 0", 100, false, 0},
      {"cut to column 0, bands carried", 100, true, 0},
      {"a whole pixel outside", 140, false, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EnvBands env(c.carry);
    Analysed a(path);
    a.lane(0)->center_coords[0] = {0, 10};
    a.lane(0)->center_coords[1] = {0, c.bottom};
    a.im->size_stdp[0]->records[0].x = 0.0;
    a.im->size_stdp[0]->records[0].y = 100.0;
    SPOT* band = a.im->bands->next;
    band->x = 0;
    band->y = 100;
    band->bound_x[0] = 0;
    band->bound_y[0] = 100;
    ASSERT_EQ(xform(a.im, target), c.result);
    if (c.result != 0) continue;
    EXPECT_EQ(a.lane(0)->center_coords[1].x, 0);
    EXPECT_EQ(a.lane(0)->center_coords[1].y, 100);
    EXPECT_NEAR(a.im->size_stdp[0]->records[0].x, -0.84, 0.01);  // the mapped value is kept
    if (c.carry) {
      EXPECT_EQ(band->x, 0);
      EXPECT_EQ(band->bound_x[0], 0);
    }
  }
}

TEST(CopyAnalysis, AFractionOfAPixelShortOfTheEdgeIsCutNotRounded) {
  // On a 3000 x 3000 gel a standard at (2939, 2026) maps to x = 3000 - 1 / (2001 * 1999), a
  // quarter of a millionth short of the edge but far more than the map's rounding error: it lies
  // in column 2999.
  vxtest::TempDir dir;
  const std::string path = write_target(dir, 3000, 3000);
  EnvBands env(false);
  Analysed a(path);
  a.im->img_info->width = a.im->img_info->height = 3000;
  const int source[3][2] = {{0, 0}, {2001, 0}, {0, 1999}};
  const int target[3][2] = {{0, 0}, {2017, 0}, {37, 1999}};
  std::memcpy(a.im->mark_pts, source, sizeof source);
  a.im->size_stdp[0]->records[0].x = 2939;
  a.im->size_stdp[0]->records[0].y = 2026;
  ASSERT_EQ(xform(a.im, target), 0);
  const double x = a.im->size_stdp[0]->records[0].x;
  EXPECT_LT(x, 3000.0);
  EXPECT_NEAR(x, 3000.0 - 1.0 / (2001.0 * 1999.0), 1e-9);
}

TEST(CopyAnalysis, RefusedWhenAPositionLeavesTheImageOrThereIsNoFrame) {
  vxtest::TempDir dir;
  const std::string path = write_target(dir);
  struct Case {
    const char* what;
    int dx, dy;
    bool carry;
    bool collinear;
  };
  const Case cases[] = {
      {"lane past the right edge", kW - 100, 0, false, false},
      {"lane above the top", 0, -12, false, false},
      {"markers in a row make no triangle", 0, 0, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EnvBands env(c.carry);
    Analysed a(path);
    if (c.collinear) {
      const int row[3][2] = {{10, 10}, {50, 10}, {90, 10}};
      std::memcpy(a.im->mark_pts, row, sizeof row);
    }
    int target[3][2];
    shifted(c.dx, c.dy, target);
    EXPECT_EQ(xform(a.im, target), -1);
  }

  // A standard whose stored position is no whole number at all (damaged file) maps nowhere.
  for (double bad : {1e300, -1e300, std::nan("")}) {
    EnvBands env(false);
    Analysed a(path);
    a.im->size_stdp[0]->records[0].x = bad;
    int target[3][2];
    shifted(0, 0, target);
    EXPECT_EQ(xform(a.im, target), -1) << bad;
  }

  // A band bound point that lands outside counts only when bands are carried.
  for (bool carry : {false, true}) {
    EnvBands env(carry);
    Analysed a(path);
    a.im->bands->next->bound_x[0] = 2;
    a.im->bands->next->bound_y[0] = 60;
    int target[3][2];
    shifted(-5, 0, target);
    EXPECT_EQ(xform(a.im, target), carry ? -1 : 0);
  }

  // No lanes: refused, nothing changed.
  Analysed a(path);
  ln_free_lanes(a.im->lanes->next ? a.im->lanes : nullptr);
  a.im->lanes = ks_new_rec<LANE>();
  a.im->has_lanes = 0;
  int target[3][2];
  shifted(10, 5, target);
  EXPECT_EQ(xform(a.im, target), -1);
  EXPECT_EQ(a.im->bands->next->x, 101);
  EXPECT_EQ((*a.im->conc_stdp)->count, 1);
}

}  // namespace
