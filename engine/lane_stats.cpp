#include "engine/lane_stats.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

#include "base/hot_clones.h"

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
// The interior samples outside the odd window about the brightest sample k of a row of n
// samples: the window [w0, w1] (which holds k, so is never empty) and how many lie outside it.
struct SideWindow {
  int w0, w1, count;
};
inline SideWindow side_window(int n, int k) {
  int m = ((n - 5) % 2 != 0) ? n - 5 : n - 4;
  if (m < 1) m = 1;
  int h = (m - 1) / 2;
  if (h < 1) h = 1;
  const int w0 = std::max(1, k - h), w1 = std::min(n - 2, k + h);
  return {w0, w1, (w0 - 1) + (n - 2 - w1)};
}

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

  // The side mean is taken outside the window about the brightest sample: the interior samples
  // before it and those after it. All sums are of integers, so exact in any order.
  const auto [w0, w1, side_count] = side_window(n, k);
  const long long side_sum = range_sum<false>(s, 1, w0) + range_sum<false>(s, w1 + 1, n - 1);
  const int side =
      side_count ? static_cast<int>(static_cast<double>(side_sum) / side_count + 0.5) : 0;
  const int value = static_cast<int>(static_cast<double>(total) / (n - 2) + 0.5);
  *out = {value, side, spike};
  return true;
}

#if defined(__GNUC__)
// 16-bit samples sixteen at a time, through the compiler's vector types: one copy of the loops
// for each processor copy of the entry point (32-byte registers where the processor has them,
// pairs of 16-byte ones otherwise). Sample indexes are kept as 16-bit lanes too.
using V16 = uint16_t __attribute__((vector_size(32)));
using I16 = int16_t __attribute__((vector_size(32)));
using V8 = uint32_t __attribute__((vector_size(32)));
constexpr int kLanes = 16;
// Rows of at most this many interior samples take the vector path: their indexes fit the index
// lanes, and each of the eight 32-bit sums takes at most 2 x 2049 samples of at most 65535,
// which cannot overflow.
constexpr int kMaxVectorSamples = 32767;

// Vectors are handed between these helpers by pointer: some processor copies have no registers
// for them, so the calling convention would differ from one copy to another.
[[gnu::always_inline]] inline void load16(V16* v, const uint8_t* p) { std::memcpy(v, p, sizeof *v); }

// Adds the sixteen samples of v into eight 32-bit sums, two per sum.
[[gnu::always_inline]] inline void add16(V8* acc, const V16* v) {
  V8 w;
  std::memcpy(&w, v, sizeof w);
  *acc += (w & 0xffffu) + (w >> 16);
}

// Folds the lanes pairwise, each step with the partner half as far away, so that every lane ends
// up holding the largest (Max) or the smallest of all sixteen.
template <bool Max, class V>
[[gnu::always_inline]] inline void fold16(V* v) {
  V t = __builtin_shufflevector(*v, *v, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7);
  *v = (Max ? t > *v : t < *v) ? t : *v;
  t = __builtin_shufflevector(*v, *v, 4, 5, 6, 7, 0, 1, 2, 3, 12, 13, 14, 15, 8, 9, 10, 11);
  *v = (Max ? t > *v : t < *v) ? t : *v;
  t = __builtin_shufflevector(*v, *v, 2, 3, 0, 1, 6, 7, 4, 5, 10, 11, 8, 9, 14, 15, 12, 13);
  *v = (Max ? t > *v : t < *v) ? t : *v;
  t = __builtin_shufflevector(*v, *v, 1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14);
  *v = (Max ? t > *v : t < *v) ? t : *v;
}

[[gnu::always_inline]] inline long long total8(V8* a) {
  *a += __builtin_shufflevector(*a, *a, 4, 5, 6, 7, 0, 1, 2, 3);
  *a += __builtin_shufflevector(*a, *a, 2, 3, 0, 1, 6, 7, 4, 5);
  *a += __builtin_shufflevector(*a, *a, 1, 0, 3, 2, 5, 4, 7, 6);
  return (*a)[0];
}

// The row statistics of K rows of n 16-bit samples each, whose interior holds 16 ..
// kMaxVectorSamples samples, with the results of row_stats; several rows at once keep the
// processor busy while one waits for a result. One pass over each interior, blocks of sixteen
// (the last block ends the interior and overlaps the one before it), takes the sum, and in each
// lane the largest sample with the index where the lane first met it; the first index of the
// largest of all is then the smallest of those indexes among the lanes that hold it. A second
// pass sums the samples outside the window about it. All sums are of integers, exact in any
// order.
template <int K>
[[gnu::always_inline]] inline void row_stats_le16_vec(const uint8_t* const* s, int n,
                                                      LnRowStats* out) {
  const int m = n - 2;                    // interior samples, row indexes 1 .. n - 2
  const int last = m - kLanes;            // the last block's first sample
  const int whole = m / kLanes * kLanes;  // samples in whole blocks
  const I16 iota = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  const uint8_t* in[K];  // interior sample 0 of each row
  V8 acc[K];
  V16 top[K];
  I16 at[K];  // where each lane first met its largest sample
  V16 v;
  for (int j = 0; j < K; ++j) {
    in[j] = s[j] + 2;
    acc[j] = V8{};
    load16(&top[j], in[j]);
    at[j] = iota;
  }
  auto take = [&](int j, int i) {
    const auto up = v > top[j];
    top[j] = up ? v : top[j];
    at[j] = up ? iota + static_cast<int16_t>(i) : at[j];
  };
  for (int i = 0; i < whole; i += kLanes) {
    for (int j = 0; j < K; ++j) {
      load16(&v, in[j] + 2 * i);
      add16(&acc[j], &v);
      take(j, i);
    }
  }
  // The last block's samples before `whole` were summed already; their maxima are met again at
  // the same indexes, which changes nothing.
  const I16 fresh = iota + static_cast<int16_t>(last) >= static_cast<int16_t>(whole);
  if (whole < m) {
    for (int j = 0; j < K; ++j) {
      load16(&v, in[j] + 2 * last);
      take(j, last);
      v &= reinterpret_cast<const V16&>(fresh);
      add16(&acc[j], &v);
    }
  }
  long long total[K];
  int spike[K], side_count[K];
  I16 lo[K], hi[K];  // the window about the brightest sample, as interior indexes
  for (int j = 0; j < K; ++j) {
    total[j] = total8(&acc[j]);
    V16 tops = top[j];
    fold16<true>(&tops);
    I16 first = top[j] == tops ? at[j] : I16{} + INT16_MAX;
    fold16<false>(&first);
    const int k = first[0] + 1;  // row index
    const Le16 r{s[j]};
    spike[j] = r[k] - (r[k - 1] + r[k + 1]) / 2;
    const auto [w0, w1, count] = side_window(n, k);
    side_count[j] = count;
    lo[j] = I16{} + static_cast<int16_t>(w0 - 1);
    hi[j] = I16{} + static_cast<int16_t>(w1 - 1);
  }
  // Interior samples before the window or after it (none when the window covers them all).
  V8 side[K];
  for (int j = 0; j < K; ++j) side[j] = V8{};
  for (int i = 0; i < whole; i += kLanes) {
    const I16 idx = iota + static_cast<int16_t>(i);
    for (int j = 0; j < K; ++j) {
      const I16 out_of = (idx < lo[j]) | (idx > hi[j]);
      load16(&v, in[j] + 2 * i);
      v &= reinterpret_cast<const V16&>(out_of);
      add16(&side[j], &v);
    }
  }
  if (whole < m) {
    const I16 idx = iota + static_cast<int16_t>(last);
    for (int j = 0; j < K; ++j) {
      const I16 out_of = ((idx < lo[j]) | (idx > hi[j])) & fresh;
      load16(&v, in[j] + 2 * last);
      v &= reinterpret_cast<const V16&>(out_of);
      add16(&side[j], &v);
    }
  }
  // The means rounded as (int)(double(sum) / count + 0.5) rounds them, in whole numbers:
  // floor((2 sum + count) / (2 count)). With sum < 2^31 and count < 2^15 the double quotient
  // lies within 2^-20 of the true one, while the true one plus a half lies at least 1 / (2 count)
  // from any whole number unless it is one (then both give it exactly); and 2 sum + count
  // stays below 2^32.
  auto rounded_mean = [](long long sum, int count) {
    const auto c = static_cast<uint32_t>(count);
    return static_cast<int>((2 * static_cast<uint32_t>(sum) + c) / (2 * c));
  };
  for (int j = 0; j < K; ++j) {
    const long long side_sum = total8(&side[j]);
    const int sc = side_count[j];
    out[j] = {rounded_mean(total[j], m), sc ? rounded_mean(side_sum, sc) : 0, spike[j]};
  }
}
#endif

}  // namespace

VX_HOT_CLONES bool ln_row_stats(const int* s, int n, LnRowStats* out) {
  return s && row_stats(s, n, out);
}

namespace {

// Rows that the vector path does not take, out of line so that the common path stays lean.
[[gnu::noinline]] VX_HOT_CLONES bool row_stats_le16_any(const uint8_t* s, int n, LnRowStats* out) {
  return s && row_stats(Le16{s}, n, out);
}

}  // namespace

VX_HOT_CLONES bool ln_row_stats_le16(const uint8_t* s, int n, LnRowStats* out) {
#if defined(__GNUC__)
  if constexpr (std::endian::native == std::endian::little) {
    if (s && out && n >= kLanes + 2 && n <= kMaxVectorSamples + 2) {
      row_stats_le16_vec<1>(&s, n, out);
      return true;
    }
  }
#endif
  return row_stats_le16_any(s, n, out);
}

VX_HOT_CLONES bool ln_row_stats_le16_pair(const uint8_t* a, const uint8_t* b, int n,
                                          LnRowStats* out) {
  if (!a || !b || !out) return false;
#if defined(__GNUC__)
  if constexpr (std::endian::native == std::endian::little) {
    if (n >= kLanes + 2 && n <= kMaxVectorSamples + 2) {
      const uint8_t* rows[2] = {a, b};
      row_stats_le16_vec<2>(rows, n, out);
      return true;
    }
  }
#endif
  return row_stats_le16_any(a, n, out) && row_stats_le16_any(b, n, out + 1);
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
