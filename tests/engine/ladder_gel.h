// The real ladder gel, analysed as a user would with the default settings: decoded with
// libtiff's tiffcp into an uncompressed TIFF at test time, written as a pixel file, its four
// lanes tracked in a block drawn around them, and bands found in each lane.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "gel_chain.h"
#include "model/lane.h"
#include "model/spot.h"
#include "test_support.h"

namespace vxtest {

struct LadderGel {
  static constexpr int kLanes = 4;
  // The block drawn around the lanes.
  static constexpr int kLeft = 275, kTop = 170, kRight = 1185, kBottom = 610;

  TempDir dir;
  std::string kes;       // the pixel file
  int width = 0, height = 0;
  int reduction = 0;     // the lane tool's reduction factor for the block
  LANE* head = nullptr;  // lane list (dummy head)
  std::vector<LANE*> lanes;
  SPOT* chain = nullptr;  // band chain (dummy head)
  int found = 0;          // bands found
  std::string skip;       // why the gel could not be analysed here, when it could not

  LadderGel() = default;
  LadderGel(const LadderGel&) = delete;
  LadderGel& operator=(const LadderGel&) = delete;
  ~LadderGel() {
    if (chain) ln_free_bands(chain);
    if (head) ln_free_lanes(head);
  }
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

// Analyses the gel into `g`. False when it could not: g->skip says why when the gel or tiffcp is
// missing here; otherwise a test failure has been recorded.
inline bool analyse_ladder_gel(LadderGel* g) {
  // The shared data lie beside the source tree, or beside the folder of worktrees.
  auto tif = shared_data_dir() / "gels" / "ladder_reference_gel.tif";
  if (!std::filesystem::exists(tif))
    tif = source_dir().parent_path().parent_path() / "shared/data/gels/ladder_reference_gel.tif";
  if (!std::filesystem::exists(tif)) {
    g->skip = "no gel";
    return false;
  }
  const std::string plain = g->dir.file("plain.tif");
  const std::string cmd = "tiffcp -c none '" + tif.string() + "' '" + plain + "' 2>/dev/null";
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

  // Lanes tracked in the block as the lane tool does it (the block read at full scale, reduced
  // by trunc(W / n / 20), tracking parameter 2) and bands found as Find Bands finds them by
  // default: thickness 5 top and bottom, no intensity threshold, no limit on the number of
  // bands, background at angle 30.
  vxchain::Chain c;
  c.path = g->kes;
  c.left = LadderGel::kLeft;
  c.top = LadderGel::kTop;
  c.right = LadderGel::kRight;
  c.bottom = LadderGel::kBottom;
  c.n = LadderGel::kLanes;
  if (!c.read_block()) {
    ADD_FAILURE() << "cannot read the block";
    return false;
  }
  c.reduce();
  g->reduction = c.f;
  if (!c.track()) {
    ADD_FAILURE() << "lane tracking failed";
    return false;
  }
  if (!c.profiles()) {
    ADD_FAILURE() << "cannot load the lane profiles";
    return false;
  }
  c.baselines();
  c.find_bands();
  // The lanes and bands pass to the gel.
  g->head = c.head;
  g->lanes = c.lanes;
  g->chain = c.chain;
  g->found = c.found;
  c.head = nullptr;
  c.chain = nullptr;
  return true;
}

}  // namespace vxtest
