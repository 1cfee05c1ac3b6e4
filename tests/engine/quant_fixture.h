// Synthetic gels for the quantification tests: bands of known shape on a known background, the
// lane that holds them and the lane image the quantifier reads.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "base/ks_mem.h"
#include "engine/quant.h"
#include "model/quant.h"
#include "lane_fixture.h"

namespace quanttest {

// A window that frees itself.
struct WinFree {
  void operator()(QT_WIN* w) const { qt_free_window(w); }
};
using WinPtr = std::unique_ptr<QT_WIN, WinFree>;

// A gel of w x h pixels: background plus bands, kept apart so tests can sum the band alone.
struct Gel {
  int w = 0, h = 0;
  std::vector<int> band;  // band component of each pixel (rounded)
  std::vector<int> bg;    // background component of each pixel
  Gel(int width, int height) : w(width), h(height), band(size_t(w) * h), bg(size_t(w) * h) {}
  int& b(int x, int y) { return band[size_t(y) * w + x]; }
  int pixel(int x, int y) const { return band[size_t(y) * w + x] + bg[size_t(y) * w + x]; }

  // Background of each row.
  void background(const std::function<int(int)>& row_value) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) bg[size_t(y) * w + x] = row_value(y);
  }
  // A band centred at (cx, cy): flat across half_w columns each side with soft edges; across
  // rows Gaussian (sigma) or, with flat_top, flat over half_t rows each side with soft edges.
  void add_band(int cx, int cy, int half_w, double sigma, int height, bool flat_top = false,
                int half_t = 0) {
    for (int y = 0; y < h; ++y) {
      const double dy = std::abs(y - cy);
      double vy;
      if (flat_top) {
        vy = dy <= half_t ? 1.0 : std::exp(-0.5 * std::pow((dy - half_t) / 1.5, 2));
      } else {
        vy = std::exp(-0.5 * std::pow(dy / sigma, 2));
      }
      for (int x = 0; x < w; ++x) {
        const double dx = std::abs(x - cx);
        const double vx = dx <= half_w ? 1.0 : std::exp(-0.5 * std::pow((dx - half_w) / 2.0, 2));
        b(x, y) += static_cast<int>(std::floor(height * vx * vy + 0.5));
      }
    }
  }
  double band_mass() const {
    double s = 0;
    for (int v : band) s += v;
    return s;
  }
};

// The lane image of the whole gel (or of the rectangle given), 16-bit unless eight is set.
inline LANE_IMAGE lane_image(const Gel& g, bool eight = false, int x0 = 0, int y0 = 0,
                             int x1 = -1, int y1 = -1) {
  if (x1 < 0) x1 = g.w - 1;
  if (y1 < 0) y1 = g.h - 1;
  LANE_IMAGE img{};
  const int iw = x1 - x0 + 1, ih = y1 - y0 + 1;
  img.pixels = ks_huge_alloc_msg(size_t(iw) * ih * (eight ? 1 : 2));
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      const size_t i = size_t(y - y0) * iw + (x - x0);
      if (eight)
        static_cast<uint8_t*>(img.pixels)[i] = static_cast<uint8_t>(std::min(255, g.pixel(x, y)));
      else
        static_cast<uint16_t*>(img.pixels)[i] = static_cast<uint16_t>(g.pixel(x, y));
    }
  img.x_min = x0;
  img.y_min = y0;
  img.x_max = x1;
  img.y_max = y1;
  img.is_8bit = eight ? 1 : 0;
  img.scale1_mant = img.scale2_mant = 1.0;
  return img;
}

// A vertical lane at x over rows 0..h-1 with the given half width; with baseline points (row,
// value) its background is on.
inline LANE* vertical_lane(int x, int h, int half_width,
                           const std::vector<std::pair<int, int>>& baseline = {}) {
  LANE* lane = enginetest::make_lane({{x, 0}, {x, h - 1}}, {}, half_width);
  for (auto [row, v] : baseline) enginetest::add_point(lane->baseline, row, v);
  lane->bckgrnd_type = baseline.empty() ? 0 : 1;
  return lane;
}

// A band as band finding makes it.
inline SPOT* band_at(int x, int y, int thickness, int fw) {
  SPOT* b = sp_make_spot();
  b->x = x;
  b->y = y;
  b->thickness = thickness;
  b->band_fw = static_cast<uint8_t>(fw);
  b->f1 = 2;
  return b;
}

struct BandFree {
  void operator()(SPOT* b) const {
    if (!b) return;
    b->next = nullptr;
    ln_free_bands(b);
  }
};

}  // namespace quanttest
