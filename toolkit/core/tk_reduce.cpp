#include "toolkit/core/tk_reduce.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// The pixels [*lo, *hi) of the block that reduced pixel r stands for: the f pixels centred on
// r x f (for an even f, the one more before it), cut to the n pixels that exist.
void block_span(int r, int f, int n, int* lo, int* hi) {
  const int start = r * f - f / 2;
  *lo = std::max(start, 0);
  *hi = std::min(start + f, n);
}

// One band of rows at a time: the column sums of its rows, then the block sums along the row.
// Sum is wide enough for f rows of the largest pixel value.
template <class Sum>
void reduce_rows(const TkImage& src, int left, int top, int W, int H, TkImage* dst, int f) {
  const int bpp = src.bytes_per_pixel();
  const int rw = dst->width(), rh = dst->height();
  std::vector<Sum> col(static_cast<size_t>(W));
  for (int ry = 0; ry < rh; ++ry) {
    int y0, y1;
    block_span(ry, f, H, &y0, &y1);
    std::fill(col.begin(), col.end(), Sum(0));
    for (int y = y0; y < y1; ++y) {
      const uint8_t* p = src.row(top + y) + static_cast<size_t>(left) * bpp;
      if (bpp == 2)
        for (int x = 0; x < W; ++x) col[x] += Sum(p[2 * x] | p[2 * x + 1] << 8);
      else
        for (int x = 0; x < W; ++x) col[x] += p[x];
    }
    uint8_t* out = dst->row(ry);
    for (int rx = 0; rx < rw; ++rx) {
      int x0, x1;
      block_span(rx, f, W, &x0, &x1);
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
}

}  // namespace

bool tk_reduce_rect(const TkImage& src, int x, int y, int w, int h, TkImage* dst, int f) {
  if (!dst || src.empty() || w < 1 || h < 1 || x < 0 || y < 0 || x > src.width() - w ||
      y > src.height() - h)
    return false;
  f = std::max(f, 1);
  const int rw = std::max(1, static_cast<int>(std::floor(w / double(f) + 0.5)));
  const int rh = std::max(1, static_cast<int>(std::floor(h / double(f) + 0.5)));
  if (!dst->create(rw, rh, src.bytes_per_pixel())) return false;
  // 32-bit column sums hold up to 65537 rows of 16-bit pixels.
  if (f <= 65537) reduce_rows<uint32_t>(src, x, y, w, h, dst, f);
  else reduce_rows<uint64_t>(src, x, y, w, h, dst, f);
  return true;
}

bool NDVGM_Op708(const TkImage& src, TkImage* dst, int f) {
  return tk_reduce_rect(src, 0, 0, src.width(), src.height(), dst, f);
}
