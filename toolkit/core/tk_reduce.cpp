#include "toolkit/core/tk_reduce.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

// The pixels [*lo, *hi) of the block that reduced pixel r stands for: the f pixels centred on
// r x f (for an even f, the one more before it), cut to the n pixels that exist.
void block_span(int r, int f, int n, int* lo, int* hi) {
  const int start = r * f - f / 2;
  *lo = std::max(start, 0);
  *hi = std::min(start + f, n);
}

// Pixel x of a row of 1- or 2-byte pixels (little-endian, read whole where that is the
// processor's order).
template <int Bpp>
inline unsigned pixel_at(const uint8_t* p, int x) {
  if constexpr (Bpp == 1) {
    return p[x];
  } else if constexpr (std::endian::native == std::endian::little) {
    uint16_t v;
    std::memcpy(&v, p + 2 * x, 2);
    return v;
  } else {
    return static_cast<unsigned>(p[2 * x] | p[2 * x + 1] << 8);
  }
}

// Adds the w pixels of the Rows rows from a (rows `stride` bytes apart) to the column sums; the
// first rows of a band set the sums instead. Up to eight rows at a time: a band of up to eight
// rows takes one pass over the sums.
template <class Sum, int Bpp, int Rows>
inline void add_rows(const uint8_t* a, std::size_t stride, int w, bool first, Sum* __restrict col) {
  auto rows_at = [&](int x) {
    Sum s = pixel_at<Bpp>(a, x);
    for (int r = 1; r < Rows; ++r) s += pixel_at<Bpp>(a + r * stride, x);
    return s;
  };
  if (first)
    for (int x = 0; x < w; ++x) col[x] = rows_at(x);
  else
    for (int x = 0; x < w; ++x) col[x] += rows_at(x);
}

// The next min(rows, 8) rows from a as above.
template <class Sum, int Bpp>
inline void add_some_rows(const uint8_t* a, std::size_t stride, int rows, int w, bool first,
                          Sum* col) {
  switch (rows) {
    case 1: return add_rows<Sum, Bpp, 1>(a, stride, w, first, col);
    case 2: return add_rows<Sum, Bpp, 2>(a, stride, w, first, col);
    case 3: return add_rows<Sum, Bpp, 3>(a, stride, w, first, col);
    case 4: return add_rows<Sum, Bpp, 4>(a, stride, w, first, col);
    case 5: return add_rows<Sum, Bpp, 5>(a, stride, w, first, col);
    case 6: return add_rows<Sum, Bpp, 6>(a, stride, w, first, col);
    case 7: return add_rows<Sum, Bpp, 7>(a, stride, w, first, col);
    default: return add_rows<Sum, Bpp, 8>(a, stride, w, first, col);
  }
}

// The quotient of a 32-bit number by a fixed divisor n, by one multiplication: with
// m = ceil(2^64 / n), floor(x m / 2^64) = floor(x / n) for every x below 2^32, since x m / 2^64
// exceeds x / n by less than x / 2^64 < 1 / n, and x / n lies at least 1 / n below the next
// whole number. (n = 1 gives x itself.)
struct Divisor {
  explicit Divisor(uint32_t n) : n(n), m(n > 1 ? ~uint64_t(0) / n + 1 : 0) {}
  uint32_t operator()(uint32_t x) const {
    return n > 1 ? static_cast<uint32_t>((static_cast<unsigned __int128>(x) * m) >> 64) : x;
  }
  uint32_t n;
  uint64_t m;
};

// Stores mean v of reduced pixel rx of an output row of 1- or 2-byte pixels.
inline void put_mean(uint8_t* out, int rx, int bpp, unsigned v) {
  if (bpp == 2) {
    out[2 * rx] = static_cast<uint8_t>(v & 0xff);
    out[2 * rx + 1] = static_cast<uint8_t>(v >> 8);
  } else {
    out[rx] = static_cast<uint8_t>(v);
  }
}

// The means of reduced pixels rx, rx + 1, ... whose blocks hold f whole columns of the W column
// sums, up to the first that reaches past column W - 1 or pixel rw - 1; returns that pixel.
// Each block's sum fits 32 bits and is divided by `full` (f x rows) after adding half of it. F
// is f where it is known when compiling (the loop over a block's columns is then unrolled),
// else 0.
template <int F>
int whole_block_means(const uint32_t* col, int W, int f, int rx, int rw, Divisor full, int bpp,
                      uint8_t* out) {
  const int n = F ? F : f;
  const uint32_t half = full.n / 2;
  // The last pixel whose block ends inside the row.
  const int end = std::min(rw, (W + n / 2) / n);
  for (; rx < end; ++rx) {
    const uint32_t* c = col + (rx * n - n / 2);
    uint32_t sum = 0;
    for (int k = 0; k < n; ++k) sum += c[k];
    put_mean(out, rx, bpp, full(sum + half));
  }
  return rx;
}

using WholeBlockMeans = int (*)(const uint32_t*, int, int, int, int, Divisor, int, uint8_t*);
template <std::size_t... F>
constexpr std::array<WholeBlockMeans, sizeof...(F)> whole_block_table(std::index_sequence<F...>) {
  return {&whole_block_means<static_cast<int>(F)>...};
}
// Entry f for the factors up to 16, entry 0 for any other.
constexpr auto kWholeBlockMeans = whole_block_table(std::make_index_sequence<17>{});

// One band of rows at a time: the column sums of its rows, then the block sums along the row.
// Sum is wide enough for f rows of the largest pixel value. Blocks of up to 256 x 256 pixels
// hold their sum and half their count in 32 bits (65536 x 65535 + 32768 < 2^32): their means
// are divided by multiplication; larger ones divide 64-bit sums.
template <class Sum>
void reduce_rows(const TkImage& src, int left, int top, int W, int H, TkImage* dst, int f) {
  const int bpp = src.bytes_per_pixel();
  const int rw = dst->width(), rh = dst->height();
  std::vector<Sum> col(static_cast<size_t>(W));
  for (int ry = 0; ry < rh; ++ry) {
    int y0, y1;
    block_span(ry, f, H, &y0, &y1);
    for (int y = y0; y < y1; y += 8) {
      const uint8_t* a = src.row(top + y) + static_cast<size_t>(left) * bpp;
      const std::size_t stride = src.row_bytes();
      const int rows = std::min(8, y1 - y);
      if (bpp == 2) add_some_rows<Sum, 2>(a, stride, rows, W, y == y0, col.data());
      else add_some_rows<Sum, 1>(a, stride, rows, W, y == y0, col.data());
    }
    uint8_t* out = dst->row(ry);
    const int rows = y1 - y0;
    // The mean of a block from its sum, rounded to the nearest value.
    auto mean = [&](int x0, int x1) {
      uint64_t sum = 0;
      for (int x = x0; x < x1; ++x) sum += col[x];
      const uint64_t n = uint64_t(x1 - x0) * uint64_t(rows);
      return static_cast<unsigned>((sum + n / 2) / n);
    };
    int rx = 0;
    if constexpr (std::is_same_v<Sum, uint32_t>) {
      if (f <= 256) {
        // The blocks before the first of f whole columns, then those of f whole columns (up to
        // 256 x 256 pixels: their sums fit 32 bits and are divided by one multiplication).
        for (; rx < rw && rx * f - f / 2 < 0; ++rx) {
          int x0, x1;
          block_span(rx, f, W, &x0, &x1);
          put_mean(out, rx, bpp, mean(x0, x1));
        }
        const Divisor full(static_cast<uint32_t>(f * rows));
        rx = kWholeBlockMeans[f < 17 ? f : 0](col.data(), W, f, rx, rw, full, bpp, out);
      }
    }
    for (; rx < rw; ++rx) {
      int x0, x1;
      block_span(rx, f, W, &x0, &x1);
      put_mean(out, rx, bpp, mean(x0, x1));
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
