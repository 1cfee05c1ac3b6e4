#include "engine/lane_stats.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

#include "engine/hot_clones.h"

namespace {

// Both templates are inlined into each of the entry points below, so that each processor's copy
// of an entry point has its own copy of the loops.

// Sum of s[from .. to - 1] as an exact integer; with WithMax, the largest of them is folded into
// *top as well. Pixel samples (8 or 16 bits) are summed in 32-bit parts of at most 65536 values,
// which cannot overflow and let the compiler add many at a time; other values in 64 bits.
template <bool WithMax, class S, class T = std::decay_t<decltype(std::declval<S>()[0])>>
[[gnu::always_inline]] inline long long range_sum(S s, int from, int to, T* top = nullptr) {
  constexpr bool kNarrow = sizeof(T) <= 2;
  using Part = std::conditional_t<kNarrow, uint32_t, long long>;
  long long total = 0;
  while (from < to) {
    const int end = kNarrow && to - from > 65536 ? from + 65536 : to;
    Part part = 0;
    T m = WithMax ? *top : T();
    for (int i = from; i < end; ++i) {
      part += s[i];
      if constexpr (WithMax) m = std::max(m, s[i]);
    }
    if constexpr (WithMax) *top = m;
    total += static_cast<long long>(part);
    from = end;
  }
  return total;
}

// Samples 16 bits wide, stored low byte first.
struct Le16 {
  const uint8_t* bytes;
  uint16_t operator[](int i) const {
    if constexpr (std::endian::native == std::endian::little) {
      uint16_t v;
      std::memcpy(&v, bytes + 2 * static_cast<size_t>(i), 2);
      return v;
    } else {
      return static_cast<uint16_t>(bytes[2 * static_cast<size_t>(i)] |
                                   bytes[2 * static_cast<size_t>(i) + 1] << 8);
    }
  }
};

// s is a pointer to the samples or a Le16.
template <class S>
[[gnu::always_inline]] inline bool row_stats(S s, int n, LnRowStats* out) {
  using T = std::decay_t<decltype(s[0])>;
  if (n <= 0 || !out) return false;
  if (n <= 2) {
    int v = n == 1 ? s[0] : (s[0] + s[1]) / 2;
    *out = {v, v, 0};
    return true;
  }
  // Brightest interior sample, the first on ties: the maximum (with the sum) in a pass that the
  // compiler can vectorise, then the first sample at the maximum.
  T top = s[1];
  const long long total = range_sum<true>(s, 1, n - 1, &top);
  int k = 1;
  while (s[k] != top) ++k;
  const int spike = s[k] - (s[k - 1] + s[k + 1]) / 2;

  // Odd window about the brightest sample; the side mean is taken outside it.
  int m = ((n - 5) % 2 != 0) ? n - 5 : n - 4;
  if (m < 1) m = 1;
  int h = (m - 1) / 2;
  if (h < 1) h = 1;
  // The interior samples outside the window [w0, w1] (which holds k, so is never empty): those
  // before it and those after it. All sums are of integers, so exact in any order.
  const int w0 = std::max(1, k - h), w1 = std::min(n - 2, k + h);
  const long long side_sum = range_sum<false>(s, 1, w0) + range_sum<false>(s, w1 + 1, n - 1);
  const int side_count = (w0 - 1) + (n - 2 - w1);
  const int side =
      side_count ? static_cast<int>(static_cast<double>(side_sum) / side_count + 0.5) : 0;
  const int value = static_cast<int>(static_cast<double>(total) / (n - 2) + 0.5);
  *out = {value, side, spike};
  return true;
}

}  // namespace

VX_HOT_CLONES bool ln_row_stats(const int* s, int n, LnRowStats* out) {
  return s && row_stats(s, n, out);
}

VX_HOT_CLONES bool ln_row_stats_le16(const uint8_t* s, int n, LnRowStats* out) {
  return s && row_stats(Le16{s}, n, out);
}

VX_HOT_CLONES bool ln_row_stats_u8(const uint8_t* s, int n, LnRowStats* out) {
  return s && row_stats(s, n, out);
}

void ln_remove_spikes(int* profile, const int* side_mean, const int* spike, int n,
                      int half_window, int limit) {
  if (!profile || !side_mean || !spike || n < 3) return;
  for (int i = 1; i <= n - 2; ++i) {
    if (spike[i] > spike[i + 1] && spike[i] >= spike[i - 1] && spike[i] > limit) {
      for (int j = i - half_window; j <= i + half_window; ++j) {
        if (j >= 0 && j < n) profile[j] = side_mean[j];
      }
    }
  }
}
