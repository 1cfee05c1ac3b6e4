// Quantification on the real ladder gel: lanes tracked and bands found with the settings a user
// gets by default, then every band of each ladder lane quantified. The gel is decoded with
// libtiff's tiffcp into an uncompressed TIFF at test time and written as a pixel file.
//
// The ladder has bright reference bands at 3.0 and 1.0 kb; between them lie the 2.0, 1.5 and
// 1.2 kb bands. The test prints the amount of the 3.0 kb band over
// that of the 1.5 kb band in each lane.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/ks_mem.h"
#include "engine/band_find.h"
#include "engine/lane_features.h"
#include "engine/lane_profile.h"
#include "engine/lane_track.h"
#include "engine/quant.h"
#include "io/kes_image.h"
#include "model/lane.h"
#include "model/spot.h"
#include "test_support.h"
#include "toolkit/core/tk_image.h"

namespace {

struct PlainGray {
  int w = 0, h = 0;
  std::vector<unsigned char> px;
};

unsigned field(const std::vector<unsigned char>& d, size_t at, int n, bool le) {
  unsigned v = 0;
  for (int k = 0; k < n; ++k) v |= unsigned(d.at(at + k)) << (8 * (le ? k : n - 1 - k));
  return v;
}

// Reads an uncompressed single-channel 8-bit strip TIFF.
bool read_uncompressed_tiff(const std::string& path, PlainGray* out) {
  const auto d = vxtest::read_bytes(path);
  if (d.size() < 8) return false;
  const bool le = d[0] == 'I';
  const size_t ifd = field(d, 4, 4, le);
  const unsigned entries = field(d, ifd, 2, le);
  std::vector<unsigned> offsets, counts;
  unsigned compression = 1, bits = 8;
  for (unsigned i = 0; i < entries; ++i) {
    const size_t e = ifd + 2 + 12 * i;
    const unsigned tag = field(d, e, 2, le), type = field(d, e + 2, 2, le);
    const unsigned count = field(d, e + 4, 4, le);
    const int sz = type == 3 ? 2 : 4;
    const size_t at = count * sz <= 4 ? e + 8 : field(d, e + 8, 4, le);
    std::vector<unsigned> v;
    for (unsigned k = 0; k < count && (tag == 273 || tag == 279 || k == 0); ++k)
      v.push_back(field(d, at + k * sz, sz, le));
    if (tag == 256) out->w = int(v[0]);
    if (tag == 257) out->h = int(v[0]);
    if (tag == 258) bits = v[0];
    if (tag == 259) compression = v[0];
    if (tag == 273) offsets = v;
    if (tag == 279) counts = v;
  }
  if (compression != 1 || bits != 8 || offsets.size() != counts.size()) return false;
  for (size_t s = 0; s < offsets.size(); ++s)
    out->px.insert(out->px.end(), d.begin() + offsets[s], d.begin() + offsets[s] + counts[s]);
  out->px.resize(size_t(out->w) * out->h);
  return true;
}

TEST(QuantRealGel, LadderReferenceBandsAgainstTheirNeighbours) {
  auto tif = vxtest::shared_data_dir() / "gels" / "ladder_reference_gel.tif";
  if (!std::filesystem::exists(tif))
    tif = vxtest::source_dir().parent_path().parent_path() / "shared/data/gels/ladder_reference_gel.tif";
  if (!std::filesystem::exists(tif)) GTEST_SKIP() << "no gel";
  vxtest::TempDir dir;
  const std::string plain = dir.file("plain.tif");
  const std::string cmd = "tiffcp -c none '" + tif.string() + "' '" + plain + "' 2>/dev/null";
  if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "tiffcp not available";
  PlainGray gel;
  ASSERT_TRUE(read_uncompressed_tiff(plain, &gel));
  // The file holds bright bands on dark (black is zero). Imported, its values are stored dark
  // high (255 - v); the user inverts the image once, so the analysed values are the file's own.
  std::vector<unsigned char> kes = {'I', 'I', 1, 0};
  for (int v : {gel.w, gel.h})
    for (int k = 0; k < 4; ++k) kes.push_back(static_cast<unsigned char>(v >> (8 * k)));
  kes.insert(kes.end(), gel.px.begin(), gel.px.end());
  const std::string path = dir.file("ladder.kes");
  vxtest::write_bytes(path, kes);

  // Lanes: a block drawn around the four lanes, tracked as the lane tool does it.
  const int n = 4;
  const LN_POINT corners[4] = {{275, 170}, {1185, 170}, {1185, 610}, {275, 610}};
  const int W = 1185 - 275, H = 610 - 170;
  const int f = std::max(1, static_cast<int>(W / n / 20.0));
  TkImage box;
  const int32_t rect[4] = {275, 170, W, H};
  ASSERT_EQ(io_read_kestrin(path.c_str(), &box, rect, 1.0), 1);
  TkImage reduced;
  const int rw = static_cast<int>(std::floor(W / double(f) + 0.5));
  const int rh = static_cast<int>(std::floor(H / double(f) + 0.5));
  reduced.create(rw, rh, 1);
  for (int y = 0; y < rh; ++y)
    for (int x = 0; x < rw; ++x)
      reduced.row(y)[x] = box.row(std::min(y * f, H - 1))[std::min(x * f, W - 1)];
  std::unique_ptr<LANE, void (*)(LANE*)> head(ln_make_lane(), ln_free_lanes);
  LANE** link = &head->next;
  for (int i = 0; i < n; ++i) {
    *link = ln_make_lane();
    (*link)->lane_number = i + 1;
    link = &(*link)->next;
  }
  ASSERT_EQ(ln_track_lanes(head.get(), n, &reduced, H, W, 1, corners, f, 2, 275, 170), 0);

  // Bands as Find Bands finds them by default: thickness 5, no intensity threshold, no limit
  // on the number of bands, background at angle 30.
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
  ASSERT_EQ(ln_load_data_values(path.c_str(), lanes.data(), n, 50), 1);
  ln_calc_lane_baselines(lanes.data(), n, LN_ANALYSIS_STD);
  std::unique_ptr<SPOT, void (*)(SPOT*)> chain(sp_make_spot(), ln_free_bands);
  ASSERT_GT(ln_find_bands(lanes.data(), n, -1, -1, chain.get(), nullptr, LN_ANALYSIS_STD,
                          nullptr, 1),
            0);

  IMG_INFO header{};
  header.width = gel.w;
  header.height = gel.h;
  int lanes_read = 0;
  for (LANE* lane : lanes) {
    SPOT** found = nullptr;
    const int nb = ln_find_bands_in_lane(chain->next, &found, lane, nullptr, nullptr);
    std::unique_ptr<SPOT*, void (*)(void*)> hold(found, ks_free);
    if (nb < 8) continue;
    LANE_IMAGE img{};
    ASSERT_EQ(ln_read_lane_image(lane, &img, &header, path.c_str(), -1), 0);
    std::vector<double> amount(nb), height(nb);
    for (int i = 0; i < nb; ++i) {
      SPOT* b = found[i];
      EXPECT_EQ(mj_doquant(b, lane, &img, nullptr, 1), 1) << "band at row " << b->y;
      amount[i] = b->amount;
      height[i] = b->od - b->baseline;
      mj_res_free(&b->result);
    }
    ln_free_lane_image(&img);

    // The highest band is the 3.0 kb reference band. The 2.0, 1.5 and 1.2 kb bands follow it,
    // then the 1.0 kb reference band, higher than both its neighbours.
    const int kb3 = int(std::max_element(height.begin(), height.end()) - height.begin());
    const int kb1 = kb3 + 4;
    std::printf("lane %d: %d bands, the highest at row %d\n", lane->lane_number, nb,
                found[kb3]->y);
    if (kb1 + 1 >= nb || height[kb1] <= height[kb1 - 1] || height[kb1] <= height[kb1 + 1]) {
      std::printf("  the 1.0 kb band is not the fourth band below it: skipped\n");
      continue;
    }
    const int kb15 = kb3 + 2;
    const double ratio = amount[kb3] / amount[kb15];
    std::printf("  3.0 kb at row %d: amount %.0f, area %.0f; 1.5 kb at row %d: amount %.0f; "
                "ratio %.2f\n",
                found[kb3]->y, amount[kb3], found[kb3]->area, found[kb15]->y, amount[kb15], ratio);
    EXPECT_GT(ratio, 1.0);
    EXPECT_LT(ratio, 6.0);
    ++lanes_read;
  }
  EXPECT_GE(lanes_read, 1);
}

}  // namespace
