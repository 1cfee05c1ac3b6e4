// The whole default analysis of a gel, stage by stage, for the benchmark of the chain and the
// test that holds its results: read the block, reduce it, track the lanes, build the profiles and
// baselines, find the bands, then read each lane's image and quantify each of its bands (with
// the image held, all lanes' bands in one call, as the commands quantify them). Also
// writes the synthetic benchmark gel: 16-bit, lanes of Gaussian bands on a noisy background.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "base/ks_mem.h"
#include "engine/band_find.h"
#include "engine/full_pixels.h"
#include "engine/lane_features.h"
#include "engine/lane_profile.h"
#include "engine/lane_track.h"
#include "engine/quant.h"
#include "engine/quant_lanes.h"
#include "io/kes_image.h"
#include "model/img_info.h"
#include "model/lane.h"
#include "model/quant.h"
#include "model/spot.h"
#include "toolkit/core/tk_image.h"

namespace vxchain {

// Writes a w x h 16-bit pixel file of `lanes` straight lanes leaning slightly, a band every
// 45 h / 5000 rows, heights varying down the gel. False when the file cannot be written.
inline bool write_bench_gel(const std::string& path, int w, int h, int lanes) {
  const double pitch = w / lanes;
  const double scale = h / 5000.0;
  const double half = 60.0 * pitch / (4000 / 24);
  std::vector<uint16_t> px(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    const double band = std::exp(-std::pow(std::remainder(y, 45.0 * scale) / (3.0 * scale), 2));
    const double amp = 20000.0 * (0.4 + 0.6 * std::abs(std::sin(y * 0.0021 / scale)));
    for (int x = 0; x < w; ++x) {
      const int i = std::min(static_cast<int>(x / pitch), lanes - 1);
      const double d = std::abs(x - (pitch * (i + 0.5) + 0.004 * (y - h / 2)));
      const double across = d < half ? 1.0 : 0.0;
      px[static_cast<size_t>(y) * w + x] =
          static_cast<uint16_t>(3000 + amp * band * across + (x * 7 + y * 13) % 97);
    }
  }
  std::ofstream out(path, std::ios::binary);
  const unsigned char hdr[12] = {'I', 'I', 2, 0,
                                 static_cast<unsigned char>(w & 0xff), static_cast<unsigned char>(w >> 8), 0, 0,
                                 static_cast<unsigned char>(h & 0xff), static_cast<unsigned char>(h >> 8), 0, 0};
  out.write(reinterpret_cast<const char*>(hdr), 12);
  out.write(reinterpret_cast<const char*>(px.data()), static_cast<std::streamsize>(px.size() * 2));
  return static_cast<bool>(out);
}

// One analysis in progress: the block, the lanes and the bands. With from_memory the pixels are
// taken once through the commands' copy (LnPixels) and the block, profiles and lane images come
// from it, through the routines the commands call; otherwise each stage reads the file itself.
// After load() (the image loaded for display, as opening its window does) the copy is the
// pixels that load kept, as the commands find them while the window is open.
struct Chain {
  bool from_memory = false;
  std::unique_ptr<LnPixels> px;  // the image's copy, when read once
  const TkImage* whole = nullptr;
  IMG_DATA display{};  // the image loaded for display, after load()
  bool loaded = false;
  std::string path;
  int left = 0, top = 0, right = 0, bottom = 0;  // the block drawn around the lanes
  int n = 0;                                     // lanes
  int width = 0, height = 0;                     // of the image
  int threshold = 0;                             // band intensity threshold
  TkImage box;
  LnBlock block;
  LANE* head = nullptr;
  std::vector<LANE*> lanes;
  SPOT* chain = nullptr;
  int found = 0;
  int quantified = 0;

  Chain() = default;
  Chain(const Chain&) = delete;
  Chain& operator=(const Chain&) = delete;
  ~Chain() {
    clear();
    px.reset();
    if (loaded) io_free_display(&display);
  }
  void clear() {
    if (chain) ln_free_bands(chain);
    if (head) ln_free_lanes(head);
    chain = nullptr;
    head = nullptr;
    lanes.clear();
  }

  // Loads the image for display, as opening its window does.
  bool load() {
    if (loaded) io_free_display(&display);
    ih_init_display(&display);
    loaded = true;
    return io_load_image(&display, 0, path.c_str()) == 0;
  }

  // The block's corners: top-left, top-right, bottom-right, bottom-left.
  std::array<LN_POINT, 4> corners() const {
    return {{{left, top}, {right, top}, {right, bottom}, {left, bottom}}};
  }

  // Reads the block at full scale (with from_memory, takes the image's copy instead).
  bool read_block() {
    int bits = 0;
    int32_t ext[2] = {0, 0};
    if (!io_query_image(path.c_str(), &bits, ext)) return false;
    width = ext[0];
    height = ext[1];
    if (from_memory) return read_image();
    const int32_t rect[4] = {left, top, right - left, bottom - top};
    return io_read_kestrin(path.c_str(), &box, rect, 1.0) == 1;
  }

  // Reduces the block as the lane tool does.
  bool reduce() {
    if (from_memory) return ln_pixels_block(*px, corners().data(), n, &block);
    return ln_reduce_block(box, left, top, corners().data(), n, &block);
  }

  // Tracks the lanes (tracking parameter 2) and gives them Find Bands' default settings.
  bool track() {
    clear();
    head = ln_make_lane();
    LANE** link = &head->next;
    for (int i = 0; i < n; ++i) {
      *link = ln_make_lane();
      (*link)->lane_number = i + 1;
      link = &(*link)->next;
    }
    if (ln_track_lanes(head, n, &block.reduced, block.height, block.width, block.bytes, corners().data(),
                       block.f, 2, block.left, block.top) != 0)
      return false;
    for (LANE* l = head->next; l; l = l->next) {
      l->min_top_band_thick = l->min_bot_band_thick = 5;
      l->band_threshold = threshold;
      l->band_threshold2 = 0;
      l->max_detect = 0;
      l->pct_threshold = 20;
      l->max_angle = 30;
      l->bckgrnd_type = 1;
      lanes.push_back(l);
    }
    return true;
  }

  bool profiles() {
    if (from_memory) return ln_pixels_profiles(*px, lanes.data(), n, 50) == 1;
    return ln_load_data_values(path.c_str(), lanes.data(), n, 50) == 1;
  }
  void baselines() { ln_calc_lane_baselines(lanes.data(), n, LN_ANALYSIS_STD); }
  bool find_bands() {
    if (chain) ln_free_bands(chain);
    chain = sp_make_spot();
    found = ln_find_bands(lanes.data(), n, -1, -1, chain, nullptr, LN_ANALYSIS_STD, nullptr, 1);
    return found > 0;
  }

  // The image's copy, read at the first call.
  bool read_image() {
    if (!px) px = std::make_unique<LnPixels>(path.c_str());
    whole = px->image();
    return whole != nullptr;
  }

  // Reads each lane's image (cut from the image read once, with from_memory) and quantifies its
  // bands top to bottom; `seen(lane index, band)` is called after each band with its result
  // still attached. False when a lane cannot be read.
  template <class Seen>
  bool quantify(Seen seen) {
    IMG_INFO header{};
    header.width = width;
    header.height = height;
    quantified = 0;
    std::vector<std::vector<SPOT*>> by_lane;
    if (!ln_bands_by_lane(chain, lanes.data(), n, &by_lane)) return false;
    if (from_memory) {
      // All lanes in one call, as the commands quantify them.
      if (!read_image()) return false;
      std::vector<LnLaneBands> all;
      for (size_t li = 0; li < lanes.size(); ++li)
        all.push_back({lanes[li], by_lane[li].data(), static_cast<int>(by_lane[li].size())});
      const int q = ln_quant_lanes(whole, &header, all.data(), static_cast<int>(all.size()), -1,
                                   nullptr, [&](int li, SPOT* b, int) { seen(li, b); });
      if (q < 0) return false;
      quantified = q;
      return true;
    }
    for (size_t li = 0; li < lanes.size(); ++li) {
      LANE* lane = lanes[li];
      const std::vector<SPOT*>& found_in = by_lane[li];
      const int nb = static_cast<int>(found_in.size());
      if (nb <= 0) continue;
      LANE_IMAGE img{};
      if (ln_read_lane_image(lane, &img, &header, path.c_str(), -1) != 0) return false;
      for (int i = 0; i < nb; ++i) {
        SPOT* b = found_in[i];
        quantified += mj_doquant(b, lane, &img, nullptr, 1);
        seen(static_cast<int>(li), b);
        mj_res_free(&b->result);
      }
      ln_free_lane_image(&img);
    }
    return true;
  }
  bool quantify() {
    return quantify([](int, SPOT*) {});
  }
};

}  // namespace vxchain
