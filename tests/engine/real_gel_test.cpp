// Lane tracking and band finding on the real ladder gel, with the settings a user gets by
// default. The gel's pixels are decoded with libtiff's tiffcp into an uncompressed TIFF and
// written as a pixel file at test time.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/band_find.h"
#include "engine/lane_features.h"
#include "engine/lane_profile.h"
#include "engine/lane_track.h"
#include "io/kes_image.h"
#include "model/lane.h"
#include "model/spot.h"
#include "test_support.h"
#include "toolkit/core/tk_image.h"

namespace {

struct Gray8 {
  int w = 0, h = 0;
  std::vector<unsigned char> px;
};

unsigned rd(const std::vector<unsigned char>& d, size_t o, int n, bool le) {
  unsigned v = 0;
  for (int k = 0; k < n; ++k) v |= unsigned(d.at(o + k)) << (8 * (le ? k : n - 1 - k));
  return v;
}

// Reads an uncompressed 8-bit single-channel strip TIFF.
bool read_plain_tiff(const std::string& path, Gray8* out) {
  const auto d = vxtest::read_bytes(path);
  if (d.size() < 8) return false;
  const bool le = d[0] == 'I';
  const size_t ifd = rd(d, 4, 4, le);
  const unsigned n = rd(d, ifd, 2, le);
  std::vector<unsigned> offs, counts;
  unsigned compression = 1, bits = 8;
  auto values = [&](size_t e, std::vector<unsigned>* v) {
    const unsigned type = rd(d, e + 2, 2, le), count = rd(d, e + 4, 4, le);
    const int sz = type == 3 ? 2 : 4;
    const size_t at = count * sz <= 4 ? e + 8 : rd(d, e + 8, 4, le);
    for (unsigned i = 0; i < count; ++i) v->push_back(rd(d, at + i * sz, sz, le));
  };
  for (unsigned i = 0; i < n; ++i) {
    const size_t e = ifd + 2 + 12 * i;
    const unsigned tag = rd(d, e, 2, le);
    std::vector<unsigned> v;
    if (tag == 256 || tag == 257 || tag == 258 || tag == 259 || tag == 273 || tag == 279)
      values(e, &v);
    if (tag == 256) out->w = v[0];
    if (tag == 257) out->h = v[0];
    if (tag == 258) bits = v[0];
    if (tag == 259) compression = v[0];
    if (tag == 273) offs = v;
    if (tag == 279) counts = v;
  }
  if (compression != 1 || bits != 8 || offs.size() != counts.size()) return false;
  for (size_t s = 0; s < offs.size(); ++s)
    out->px.insert(out->px.end(), d.begin() + offs[s], d.begin() + offs[s] + counts[s]);
  out->px.resize(static_cast<size_t>(out->w) * out->h);
  return true;
}

std::string write_kes(const vxtest::TempDir& dir, const Gray8& g) {
  std::vector<unsigned char> b = {'I', 'I', 1, 0};
  for (int v : {g.w, g.h}) {
    for (int k = 0; k < 4; ++k) b.push_back(static_cast<unsigned char>(v >> (8 * k)));
  }
  b.insert(b.end(), g.px.begin(), g.px.end());
  const std::string path = dir.file("ladder.kes");
  vxtest::write_bytes(path, b);
  return path;
}

TEST(RealGel, LaneTrackingAndBandFindingWithDefaults) {
  // The shared data lie beside the source tree, or beside the folder of worktrees.
  auto tif = vxtest::shared_data_dir() / "gels" / "ladder_reference_gel.tif";
  if (!std::filesystem::exists(tif))
    tif = vxtest::source_dir().parent_path().parent_path() / "shared/data/gels/ladder_reference_gel.tif";
  if (!std::filesystem::exists(tif)) GTEST_SKIP() << "no gel";
  vxtest::TempDir dir;
  const std::string plain = dir.file("plain.tif");
  const std::string cmd = "tiffcp -c none '" + tif.string() + "' '" + plain + "' 2>/dev/null";
  if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "tiffcp not available";
  Gray8 gel;
  ASSERT_TRUE(read_plain_tiff(plain, &gel));
  // The file is black-is-zero with bright bands. Importing stores dark-high values (255 - v) and
  // the user inverts the image once more, so the analysed values are the file's own.
  const std::string kes = write_kes(dir, gel);

  // A block drawn around the four lanes, found as the lane tool does: reduction factor
  // trunc(W / n / 20), the box read at full scale and reduced, tracking parameter 2.
  const int n = 4;
  const LN_POINT corners[4] = {{275, 170}, {1185, 170}, {1185, 610}, {275, 610}};
  const int W = 1185 - 275, H = 610 - 170;
  const int f = std::max(1, static_cast<int>(W / n / 20.0));
  TkImage box;
  const int32_t rect[4] = {275, 170, W, H};
  ASSERT_EQ(io_read_kestrin(kes.c_str(), &box, rect, 1.0), 1);
  TkImage reduced;
  const int rw = static_cast<int>(std::floor(W / double(f) + 0.5));
  const int rh = static_cast<int>(std::floor(H / double(f) + 0.5));
  reduced.create(rw, rh, 1);
  for (int y = 0; y < rh; ++y) {
    for (int x = 0; x < rw; ++x)
      reduced.row(y)[x] = box.row(std::min(y * f, H - 1))[std::min(x * f, W - 1)];
  }
  LANE* head = ln_make_lane();
  LANE** link = &head->next;
  for (int i = 0; i < n; ++i) {
    *link = ln_make_lane();
    (*link)->lane_number = i + 1;
    link = &(*link)->next;
  }
  ASSERT_EQ(ln_track_lanes(head, n, &reduced, H, W, 1, corners, f, 2, 275, 170), 0);

  // Band finding as Find Bands runs it: thickness 5 top and bottom, intensity threshold 0, no
  // most-bands limit, background at the default angle 30.
  std::vector<LANE*> lanes;
  for (LANE* l = head->next; l; l = l->next) {
    l->min_top_band_thick = l->min_bot_band_thick = 5;
    l->band_threshold = l->band_threshold2 = 0;
    l->max_detect = 0;
    l->pct_threshold = 20;
    l->max_angle = 30;
    l->bckgrnd_type = 1;
    lanes.push_back(l);
  }
  ASSERT_EQ(ln_load_data_values(kes.c_str(), lanes.data(), n, 50), 1);
  ln_calc_lane_baselines(lanes.data(), n, LN_ANALYSIS_STD);
  SPOT* chain = sp_make_spot();
  const int found = ln_find_bands(lanes.data(), n, -1, -1, chain, nullptr, LN_ANALYSIS_STD, nullptr, 1);

  std::printf("reduction %d, found %d bands\n", f, found);
  const int truth[4] = {388, 615, 841, 1070};
  for (int i = 0; i < n; ++i) {
    const LANE* l = lanes[i];
    std::printf("lane %d: widths %d/%d, centre points:", i + 1, l->left_width, l->right_width);
    for (int j = 0; j < l->num_center_points; ++j)
      std::printf(" (%d,%d)", l->center_coords[j].x, l->center_coords[j].y);
    std::printf("\n  bands:");
    int in_range = 0;
    std::vector<int> rows;
    for (SPOT* b = chain->next; b; b = b->next) {
      if (ln_xyinlane(b->x, b->y, l)) rows.insert(rows.begin(), b->y);
    }
    for (int y : rows) {
      std::printf(" %d", y);
      if (y >= 184 && y <= 591) ++in_range;
    }
    std::printf("\n  %zu bands, %d in rows 184..591\n", rows.size(), in_range);
    // The lanes' bands are narrower than half the lane pitch, so no edge run qualifies as a
    // pseudo band and every lane keeps its even share of the block: within 15 pixels of the
    // true centre for this block.
    for (int j = 0; j < l->num_center_points; ++j) EXPECT_NEAR(l->center_coords[j].x, truth[i], 15);
    EXPECT_GE(in_range, 16) << "lane " << i + 1;
    EXPECT_LE(in_range, 18) << "lane " << i + 1;
  }
  ln_free_bands(chain);
  ln_free_lanes(head);
}

}  // namespace
