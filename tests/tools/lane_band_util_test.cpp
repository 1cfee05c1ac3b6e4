// Lane and band utilities on synthetic gels with the real engine.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "engine/lane_geometry.h"
#include "gel_record.h"
#include "model/control.h"
#include "model/std_list.h"
#include "shell/gt_image_win.h"
#include "test_support.h"
#include "toolkit/core/tk_reduce.h"
#include "tools/gt_band_util.h"
#include "tools/gt_lane_util.h"

using namespace toolstest;

namespace {

struct Quiet {
  Quiet() { g_bSuppress = TRUE; }
  ~Quiet() { g_bSuppress = FALSE; }
};

std::vector<LANE*> lanes_of(IMAGE_REC* im) {
  std::vector<LANE*> v;
  for (LANE* l = im->lanes->next; l; l = l->next) v.push_back(l);
  return v;
}

int mean_x(const LANE* l) {
  long s = 0;
  for (int i = 0; i < l->num_center_points; ++i) s += l->center_coords[i].x;
  return l->num_center_points ? int(s / l->num_center_points) : -1;
}

LANE* straight_lane(int x, int y0, int y1, int half = 10) {
  LANE* l = ln_make_lane();
  l->left_width = l->right_width = half;
  l->num_center_points = 2;
  l->center_coords = static_cast<LN_POINT*>(ks_alloc_msg(2 * sizeof(LN_POINT)));
  l->center_coords[0] = {x, y0};
  l->center_coords[1] = {x, y1};
  return l;
}

int count_bands(const IMAGE_REC* im) {
  int n = 0;
  for (SPOT* b = im->bands->next; b; b = b->next) ++n;
  return n;
}

}  // namespace

TEST(BoxReduce, EachPixelIsTheMeanOfItsBlockAtBothDepths) {
  for (int bpp : {1, 2}) {
    TkImage src;
    ASSERT_TRUE(src.create(5, 4, bpp));
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x) {
        const unsigned v = bpp == 2 ? 1000u * (x + 1) + 300u * y : 10u * x + y;
        uint8_t* p = src.row(y) + x * bpp;
        p[0] = v & 0xff;
        if (bpp == 2) p[1] = v >> 8;
      }
    TkImage dst;
    ASSERT_TRUE(NDVGM_Op708(src, &dst, 2));
    ASSERT_EQ(dst.width(), 3);  // round(5 / 2)
    ASSERT_EQ(dst.height(), 2);
    ASSERT_EQ(dst.bytes_per_pixel(), bpp);
    // The mean of columns x0..x1 and rows y0..y1 of `img`, rounded.
    auto mean_of = [](const TkImage& img, int x0, int x1, int y0, int y1) {
      double s = 0;
      for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) s += img.pixel(x, y);
      return unsigned(std::floor(s / ((x1 - x0 + 1) * (y1 - y0 + 1)) + 0.5));
    };
    auto mean = [&](int x0, int x1, int y0, int y1) { return mean_of(src, x0, x1, y0, y1); };
    // Each block is centred on twice the reduced pixel's position (one pixel more before it);
    // a block reaching past an edge averages the pixels that exist.
    EXPECT_EQ(dst.pixel(0, 0), mean(0, 0, 0, 0));
    EXPECT_EQ(dst.pixel(1, 0), mean(1, 2, 0, 0));
    EXPECT_EQ(dst.pixel(1, 1), mean(1, 2, 1, 2));
    EXPECT_EQ(dst.pixel(2, 1), mean(3, 4, 1, 2));
    // An odd factor centres the block exactly: 7 columns by 3 give 2 pixels, at 0 and 3.
    TkImage wide;
    ASSERT_TRUE(wide.create(7, 4, bpp));
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 7; ++x) {
        uint8_t* p = wide.row(y) + x * bpp;
        p[0] = static_cast<uint8_t>(20 * x + y);
        if (bpp == 2) p[1] = static_cast<uint8_t>(x);
      }
    ASSERT_TRUE(NDVGM_Op708(wide, &dst, 3));
    ASSERT_EQ(dst.width(), 2);
    ASSERT_EQ(dst.height(), 1);
    EXPECT_EQ(dst.pixel(0, 0), mean_of(wide, 0, 1, 0, 1));
    EXPECT_EQ(dst.pixel(1, 0), mean_of(wide, 2, 4, 0, 1));
  }
}

// The gel's lanes tracked in a block and their bands found, on a 16-bit gel (whose two bytes a
// sampling of single bytes would mix) and on a noisy one.
TEST(FindLanes, TracksEveryLaneOfA16BitGelAndFindsItsBands) {
  Quiet quiet;
  for (int noise : {0, 12000}) {
    SCOPED_TRACE(noise);
    vxtest::TempDir dir;
    SynthGel g;
    g.noise = noise;
    g.write(dir.file("gel.kes"));
    RecordPtr im = gel_record(g, dir.file("gel.kes"));
    const auto block = block_around(g, 60, 560);
    im->num_sel_lanes = g.lanes;
    ASSERT_EQ(gt_find_lanes(block.data(), 2, im->lanes, im.get()), 0);
    EXPECT_EQ(im->num_sel_lanes, 0);
    auto lanes = lanes_of(im.get());
    ASSERT_EQ(int(lanes.size()), g.lanes);
    EXPECT_EQ(gt_lane_any_pending(im->lanes), 1);
    for (int k = 0; k < g.lanes; ++k) {
      // Within a reduced pixel and a half (the block is reduced by 4 here); a reduction that
      // mixed the two bytes of each pixel puts lanes tens of pixels off.
      EXPECT_NEAR(mean_x(lanes[k]), g.lane_x(k), 6) << "lane " << k;
      EXPECT_EQ(lanes[k]->tier_num, 0);
    }
    gt_get_control()->fnd_bnd_quant = 0;
    const int found = gt_band_find_start(im.get(), 1);
    EXPECT_EQ(gt_lane_any_pending(im->lanes), 0);
    EXPECT_EQ(im->lane_hdr->num_lanes, g.lanes);
    if (noise == 0) {
      EXPECT_EQ(found, g.lanes * int(g.band_rows.size()));
    }
    EXPECT_EQ(count_bands(im.get()), found);
    EXPECT_EQ(im->band_hdr->nrec, found);
    ASSERT_NE(im->size_stdp, nullptr);
    EXPECT_NE(im->size_stdp[0], nullptr);
  }
}

// Lanes tracked on synthetic gels of known lanes at reduction factors 4 to 10, clean and with 6 %
// noise: each reduced pixel stands for the point it is mapped back to, so the lanes come out
// without a lean to either side (a block reduced from its left edge puts every lane about
// (f - 1) / 2 pixels left of where it is).
TEST(FindLanes, TrackedLanesSitOnTheirLanesAtEveryReduction) {
  Quiet quiet;
  struct Case {
    int lanes, pitch, first_x, half, width, shift;
  };
  // Lanes about 0.6 of their pitch wide; `shift` moves the block right off the lanes' centre.
  const Case cases[] = {
      {8, 95, 70, 30, 800, 0},    // f = 4
      {8, 95, 70, 30, 800, 15},   // f = 4
      {6, 140, 90, 45, 900, 0},   // f = 7
      {4, 200, 110, 62, 900, 0},  // f = 10
  };
  for (const Case& c : cases) {
    for (int noise : {0, 3600}) {
      SCOPED_TRACE(::testing::Message() << c.lanes << " lanes, pitch " << c.pitch << ", shift "
                                        << c.shift << ", noise " << noise);
      vxtest::TempDir dir;
      SynthGel g;
      g.lanes = c.lanes, g.pitch = c.pitch, g.first_x = c.first_x, g.lane_half = c.half;
      g.width = c.width, g.noise = noise;
      g.write(dir.file("gel.kes"));
      RecordPtr im = gel_record(g, dir.file("gel.kes"));
      im->num_sel_lanes = g.lanes;
      auto block = block_around(g, 60, 560);
      for (int k : {0, 2, 4, 6}) block[k] += c.shift;
      ASSERT_EQ(gt_find_lanes(block.data(), 2, im->lanes, im.get()), 0);
      const auto lanes = lanes_of(im.get());
      ASSERT_EQ(int(lanes.size()), g.lanes);
      double sum = 0, sum_abs = 0;
      int points = 0;
      for (int k = 0; k < g.lanes; ++k)
        for (int i = 0; i < lanes[k]->num_center_points; ++i, ++points) {
          const int e = lanes[k]->center_coords[i].x - g.lane_x(k);
          sum += e, sum_abs += std::abs(e);
        }
      ASSERT_GT(points, 0);
      std::printf("%d lanes, pitch %d, block shifted %d, noise %d: mean error %.2f px, signed %.2f px\n",
                  c.lanes, c.pitch, c.shift, noise, sum_abs / points, sum / points);
      EXPECT_LT(std::abs(sum / points), 2.0);
    }
  }
}

TEST(FindLanes, UnreadableBlockMakesNoLanes) {
  Quiet quiet;
  vxtest::TempDir dir;
  SynthGel g;
  RecordPtr im = gel_record(g, dir.file("missing.kes"));
  const auto block = block_around(g, 60, 560);
  im->num_sel_lanes = 4;
  EXPECT_EQ(gt_find_lanes(block.data(), 2, im->lanes, im.get()), -1);
  EXPECT_EQ(im->lanes->next, nullptr);
  EXPECT_EQ(gt_band_find_start(im.get(), 1), 0);
}

TEST(BlockLanes, DividesTheBlockEvenly) {
  vxtest::TempDir dir;
  SynthGel g;
  RecordPtr im = gel_record(g, dir.file("gel.kes"));
  // A slanted block: top 100..500 at row 50, bottom 120..520 at row 400.
  const int c[8] = {100, 50, 500, 50, 520, 400, 120, 400};
  im->num_sel_lanes = 4;
  gt_block_lanes(c, im->lanes, im.get());
  auto lanes = lanes_of(im.get());
  ASSERT_EQ(lanes.size(), 4u);
  // Half width trunc(min(400, 400) / 4) / 2 = 50; lane k from (100k + 150, 50) to (100k + 170, 400).
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(lanes[k]->lane_number, k + 1);
    EXPECT_EQ(lanes[k]->left_width, 50);
    ASSERT_EQ(lanes[k]->num_center_points, 8);
    EXPECT_EQ(lanes[k]->center_coords[0].x, 100 * k + 150);
    EXPECT_EQ(lanes[k]->center_coords[0].y, 50);
    EXPECT_EQ(lanes[k]->center_coords[7].x, 100 * k + 170);
    EXPECT_EQ(lanes[k]->center_coords[7].y, 400);
    EXPECT_EQ(lanes[k]->center_coords[3].x, 100 * k + 150 + 9);  // round(3 * 20 / 7)
    EXPECT_EQ(lanes[k]->center_coords[3].y, 50 + 150);           // round(3 * 350 / 7)
  }
  EXPECT_EQ(im->lane_hdr->num_tiers, 1);
}

TEST(LaneTiers, OverlapSharesTouchingDoesNotAndEmptiedTiersDropFromTheTop) {
  vxtest::TempDir dir;
  SynthGel g;
  RecordPtr im = gel_record(g, dir.file("gel.kes"));
  IMAGE_REC* r = im.get();
  // Tier 0: rows 0..100; a lane touching it (100..200) makes tier 1; 200..300 tier 2.
  LANE* a = straight_lane(50, 0, 100);
  a->lane_number = 1;
  r->lanes->next = a;
  r->lane_hdr->num_tiers = 1;
  r->size_stdp = static_cast<STD_LIST**>(ks_alloc_msg(sizeof(STD_LIST*)));
  r->size_stdp[0] = std_list_create();
  LANE* b = straight_lane(50, 100, 200);
  gt_lane_set_tier(r, b, "test");
  gt_lane_insert(r->lanes, b);
  LANE* c = straight_lane(50, 200, 300);
  gt_lane_set_tier(r, c, "test");
  gt_lane_insert(r->lanes, c);
  LANE* d = straight_lane(20, 150, 180);  // overlaps b: tier 1, before b (smaller x)
  gt_lane_set_tier(r, d, "test");
  gt_lane_insert(r->lanes, d);
  LANE* e = straight_lane(50, 20, 80);  // same tier and x as a: after a
  gt_lane_set_tier(r, e, "test");
  gt_lane_insert(r->lanes, e);
  EXPECT_EQ(r->lane_hdr->num_tiers, 3);
  EXPECT_EQ((std::vector<LANE*>{a, e, d, b, c}), lanes_of(r));
  EXPECT_EQ((std::vector<int>{0, 0, 1, 1, 2}),
            (std::vector<int>{a->tier_num, e->tier_num, d->tier_num, b->tier_num, c->tier_num}));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(lanes_of(r)[i]->lane_number, i + 1);
  EXPECT_EQ(gt_lane_tier_of(r, 4), 1);

  // Emptying the middle tier keeps it while tier 2 holds a lane; emptying the top then drops
  // both (tier 0 always stays). ASan checks that the dropped lists are freed.
  gt_lane_remove(r, d);
  gt_lane_remove(r, b);
  EXPECT_EQ(r->lane_hdr->num_tiers, 3);
  r->mod_tier = r->size_stdp[2];
  gt_lane_remove(r, c);
  EXPECT_EQ(r->lane_hdr->num_tiers, 1);
  EXPECT_EQ(r->mod_tier, nullptr);
  gt_lane_remove(r, a);
  gt_lane_remove(r, e);
  EXPECT_EQ(r->lane_hdr->num_tiers, 1);
  EXPECT_NE(r->size_stdp[0], nullptr);
}

TEST(LaneHit, ModesAndHitIndex) {
  vxtest::TempDir dir;
  SynthGel g;
  RecordPtr im = gel_record(g, dir.file("gel.kes"));
  LANE* a = straight_lane(50, 0, 100);
  a->f |= LN_F_TOOL_MARK;
  LANE* b = straight_lane(150, 0, 100);
  im->lanes->next = a;
  a->next = b;
  EXPECT_EQ(gt_lane_hit(im.get(), 50, 50, 0), 1);
  EXPECT_EQ(im->hit_lane, 0);
  EXPECT_EQ(gt_lane_hit(im.get(), 50, 50, 1), 0);  // a is confirmed
  EXPECT_EQ(gt_lane_hit(im.get(), 150, 50, 1), 1);
  EXPECT_EQ(im->hit_lane, 1);
  EXPECT_EQ(gt_lane_hit(im.get(), 150, 50, 2), 0);
  EXPECT_EQ(im->hit_lane, 2);
}

TEST(DefineLanes, PointsMakeALaneAndTheEndNeedsOne) {
  Quiet quiet;
  vxtest::TempDir dir;
  SynthGel g;
  RecordPtr im = gel_record(g, dir.file("gel.kes"));
  IMAGE_REC* r = im.get();
  EXPECT_EQ(gt_band_def_lanes_done(r, 1), 0);  // no pending lane
  r->lane_coords = static_cast<int*>(ks_alloc_msg(sizeof(int) * 6));
  r->lane_coords[0] = 100, r->lane_coords[1] = 10;
  r->num_lane_coords = 1;
  EXPECT_EQ(gt_band_def_lanes_done(r, 0), 0);  // one point is not a lane
  r->lane_coords[2] = 110, r->lane_coords[3] = 300;
  r->num_lane_coords = 2;
  EXPECT_EQ(gt_band_def_lanes_done(r, 0), 1);
  ASSERT_NE(r->lanes->next, nullptr);
  EXPECT_EQ(r->lanes->next->num_center_points, 2);
  EXPECT_EQ(r->lanes->next->left_width, 10);
  EXPECT_EQ(r->num_lane_coords, 0);
  EXPECT_EQ(gt_band_def_lanes_done(r, 1), 1);
  gt_lane_discard_pending(r);
  EXPECT_EQ(r->lanes->next, nullptr);
}
