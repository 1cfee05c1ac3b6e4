#include "toolkit/core/tk_reduce.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

bool NDVGM_Op708(const TkImage& src, TkImage* dst, int f) {
  if (!dst || src.empty()) return false;
  f = std::max(f, 1);
  const int W = src.width(), H = src.height(), bpp = src.bytes_per_pixel();
  const int rw = std::max(1, static_cast<int>(std::floor(W / double(f) + 0.5)));
  const int rh = std::max(1, static_cast<int>(std::floor(H / double(f) + 0.5)));
  if (!dst->create(rw, rh, bpp)) return false;
  // Column sums of one band of f rows, then the block sums along the row.
  std::vector<uint64_t> col(static_cast<size_t>(W));
  for (int ry = 0; ry < rh; ++ry) {
    const int y0 = std::min(ry * f, std::max(H - f, 0)), y1 = std::min(y0 + f, H);
    std::fill(col.begin(), col.end(), 0);
    for (int y = y0; y < y1; ++y) {
      const uint8_t* p = src.row(y);
      if (bpp == 2)
        for (int x = 0; x < W; ++x) col[x] += unsigned(p[2 * x] | p[2 * x + 1] << 8);
      else
        for (int x = 0; x < W; ++x) col[x] += p[x];
    }
    uint8_t* out = dst->row(ry);
    for (int rx = 0; rx < rw; ++rx) {
      const int x0 = std::min(rx * f, std::max(W - f, 0)), x1 = std::min(x0 + f, W);
      uint64_t sum = 0;
      for (int x = x0; x < x1; ++x) sum += col[x];
      const uint64_t n = uint64_t(x1 - x0) * uint64_t(y1 - y0);
      const unsigned v = static_cast<unsigned>((sum + n / 2) / n);
      if (bpp == 2) {
        out[2 * rx] = static_cast<uint8_t>(v & 0xff);
        out[2 * rx + 1] = static_cast<uint8_t>(v >> 8);
      } else {
        out[rx] = static_cast<uint8_t>(v);
      }
    }
  }
  return true;
}
