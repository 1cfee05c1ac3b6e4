// The real ladder gel, analysed as a user would with the default settings: decoded with
// libtiff's tiffcp into an uncompressed TIFF at test time, written as a pixel file, its four
// lanes tracked in a block drawn around them and bands found in each lane by the lane and band
// tools.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/ks_mem.h"
#include "io/image_rec_init.h"
#include "io/kes_image.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "model/lane.h"
#include "model/spot.h"
#include "test_support.h"
#include "toolkit/core/tk_image.h"
#include "tools/gt_band_util.h"
#include "tools/gt_lane_util.h"

namespace vxtest {

struct LadderGel {
  static constexpr int kLanes = 4;
  // The block drawn around the lanes.
  static constexpr int kLeft = 275, kTop = 170, kRight = 1185, kBottom = 610;

  TempDir dir;
  std::string kes;       // the pixel file
  int width = 0, height = 0;
  int reduction = 0;     // the lane tool's reduction factor for the block
  IMAGE_REC* image = nullptr;  // the analysed image's record, owning the lanes and bands
  LANE* head = nullptr;  // lane list (dummy head)
  std::vector<LANE*> lanes;
  SPOT* chain = nullptr;  // band chain (dummy head)
  int found = 0;          // bands found
  std::string skip;       // why the gel could not be analysed here, when it could not

  LadderGel() = default;
  LadderGel(const LadderGel&) = delete;
  LadderGel& operator=(const LadderGel&) = delete;
  ~LadderGel() { gt_img_free(image); }
};

namespace ladder_detail {

inline unsigned field(const std::vector<unsigned char>& d, size_t at, int n, bool le) {
  unsigned v = 0;
  for (int k = 0; k < n; ++k) v |= unsigned(d.at(at + k)) << (8 * (le ? k : n - 1 - k));
  return v;
}

// Reads an uncompressed single-channel 8-bit strip TIFF.
inline bool read_uncompressed_tiff(const std::string& path, int* w, int* h,
                                   std::vector<unsigned char>* px) {
  const auto d = read_bytes(path);
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
    if (tag == 256) *w = int(v[0]);
    if (tag == 257) *h = int(v[0]);
    if (tag == 258) bits = v[0];
    if (tag == 259) compression = v[0];
    if (tag == 273) offsets = v;
    if (tag == 279) counts = v;
  }
  if (compression != 1 || bits != 8 || offsets.size() != counts.size()) return false;
  for (size_t s = 0; s < offsets.size(); ++s)
    px->insert(px->end(), d.begin() + offsets[s], d.begin() + offsets[s] + counts[s]);
  px->resize(size_t(*w) * *h);
  return true;
}

}  // namespace ladder_detail

// The gel's TIFF file, beside the source tree or beside the folder of worktrees ("" when absent).
inline std::string ladder_gel_tif() {
  auto tif = shared_data_dir() / "gels" / "ladder_reference_gel.tif";
  if (!std::filesystem::exists(tif))
    tif = source_dir().parent_path().parent_path() / "shared/data/gels/ladder_reference_gel.tif";
  return std::filesystem::exists(tif) ? tif.string() : std::string();
}

// Writes the gel as the pixel file g->kes. False when it could not: g->skip says why when the
// gel or tiffcp is missing here; otherwise a test failure has been recorded.
inline bool write_ladder_kes(LadderGel* g) {
  const std::string tif = ladder_gel_tif();
  if (tif.empty()) {
    g->skip = "no gel";
    return false;
  }
  const std::string plain = g->dir.file("plain.tif");
  const std::string cmd = "tiffcp -c none '" + tif + "' '" + plain + "' 2>/dev/null";
  if (std::system(cmd.c_str()) != 0) {
    g->skip = "tiffcp not available";
    return false;
  }
  std::vector<unsigned char> px;
  if (!ladder_detail::read_uncompressed_tiff(plain, &g->width, &g->height, &px)) {
    ADD_FAILURE() << "cannot read the decoded gel";
    return false;
  }
  // The file holds bright bands on dark (black is zero). Imported, its values are stored dark
  // high (255 - v); the user inverts the image once, so the analysed values are the file's own.
  std::vector<unsigned char> kes = {'I', 'I', 1, 0};
  for (int v : {g->width, g->height})
    for (int k = 0; k < 4; ++k) kes.push_back(static_cast<unsigned char>(v >> (8 * k)));
  kes.insert(kes.end(), px.begin(), px.end());
  g->kes = g->dir.file("ladder.kes");
  write_bytes(g->kes, kes);
  return true;
}

// Analyses the gel into `g`. False when it could not: g->skip says why when the gel or tiffcp is
// missing here; otherwise a test failure has been recorded.
inline bool analyse_ladder_gel(LadderGel* g) {
  if (!write_ladder_kes(g)) return false;

  // Lanes tracked in the block and bands found by the lane and band tools themselves, as Find
  // Lanes and Find Bands OK do, with the program's own band-detection defaults.
  const int n = LadderGel::kLanes;
  const int corners[8] = {LadderGel::kLeft,  LadderGel::kTop,    LadderGel::kRight, LadderGel::kTop,
                          LadderGel::kRight, LadderGel::kBottom, LadderGel::kLeft,  LadderGel::kBottom};
  g->reduction = std::max(1, static_cast<int>((LadderGel::kRight - LadderGel::kLeft) / double(n) / 20.0));
  gt_control_init(gt_get_control());
  g->image = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
  if (!gt_img_init(g->image)) {
    ADD_FAILURE() << "image record";
    return false;
  }
  IMAGE_REC* im = g->image;
  std::snprintf(im->file_path, sizeof im->file_path, "%s", g->kes.c_str());
  im->img_info->width = g->width, im->img_info->height = g->height;
  im->img_info->bytes_per_pixel = 1;
  im->img_info->min_value = 0, im->img_info->max_value = 255;
  im->img_info->x_res = im->img_info->y_res = 1;
  im->num_sel_lanes = n;
  if (gt_find_lanes(corners, 2, im->lanes, im) != 0) {
    ADD_FAILURE() << "cannot read the block";
    return false;
  }
  gt_get_control()->fnd_bnd_quant = 0;
  g->found = gt_band_find_start(im, 1);
  g->head = im->lanes;
  g->chain = im->bands;
  for (LANE* l = im->lanes->next; l; l = l->next) g->lanes.push_back(l);
  if (static_cast<int>(g->lanes.size()) != n) {
    ADD_FAILURE() << "lane tracking made " << g->lanes.size() << " lanes";
    return false;
  }
  return true;
}

}  // namespace vxtest
