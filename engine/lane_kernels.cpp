#include "engine/lane_kernels.h"
#include "base/hot_clones.h"

#include <array>
#include <iterator>
#include <cmath>
#include <vector>

namespace {

constexpr int k3[] = {10, -20, 10};
constexpr int k5[] = {10, -5, -10, -5, 10};
constexpr int k7[] = {5, 5, -5, -10, -5, 5, 5};
constexpr int k9[] = {3, 4, 3, -5, -10, -5, 3, 4, 3};
constexpr int k11[] = {3, 4, 3, -2, -4, -8, -4, -2, 3, 4, 3};
constexpr int k13[] = {2, 3, 3, 2, -2, -4, -8, -4, -2, 2, 3, 3, 2};
constexpr int k15[] = {1, 2, 4, 2, 1, -2, -4, -8, -4, -2, 1, 2, 4, 2, 1};
constexpr int k17[] = {1, 2, 4, 2, 1, -1, -3, -3, -6, -3, -3, -1, 1, 2, 4, 2, 1};
constexpr int k19[] = {1, 2, 2, 2, 2, 1, -1, -3, -3, -6, -3, -3, -1, 1, 2, 2, 2, 2, 1};

constexpr std::span<const int> kKernels[9] = {k3, k5, k7, k9, k11, k13, k15, k17, k19};

constexpr int kMinFilterWidth = 5;
constexpr int kMaxFilterWidth = 89;
constexpr int kFilterCount = (kMaxFilterWidth - kMinFilterWidth) / 2 + 1;

// The three narrowest filters are fixed tables.
constexpr double f5[] = {-0.2532492074, -0.1931561751, 0.8928107649, -0.1931561751,
                         -0.2532492074};
constexpr double f7[] = {-0.1006762004, -0.4133817724, 0.124523882, 0.7790681815,
                         0.124523882,   -0.4133817724, -0.1006762004};
constexpr double f9[] = {-0.0444686109, -0.29103045,   -0.2983143091,
                         0.2852840138,  0.6970587124,  0.2852840138,
                         -0.2983143091, -0.29103045,   -0.0444686109};

// A wider filter is a sampled "Mexican hat" (1 - u^2) exp(-u^2 / 2), u = x / s with s = width / 7,
// so that the sign change lies a seventh of the width from the centre and the deepest point of the
// negative lobes sqrt(3) s, about a quarter of the width. A flat-topped window
// exp(-(|x| / (0.38 width))^8) takes the tails to nearly 0 at the ends, and an offset of the
// windowed shape makes the sum exactly 0 without lifting the ends. Last, the filter is scaled to
// unit sum of squares.
std::vector<double> design_filter(int width) {
  const int h = width / 2;
  const double s = width / 7.0;
  const double reach = 0.38 * width;
  std::vector<double> hat(width), win(width);
  double win_sum = 0.0, weighted = 0.0;
  for (int i = 0; i < width; ++i) {
    const double u = (i - h) / s;
    hat[i] = (1.0 - u * u) * std::exp(-u * u / 2.0);
    win[i] = std::exp(-std::pow(std::abs(i - h) / reach, 8.0));
    win_sum += win[i];
    weighted += win[i] * hat[i];
  }
  const double offset = weighted / win_sum;
  std::vector<double> f(width);
  double sq = 0.0;
  for (int i = 0; i < width; ++i) {
    f[i] = win[i] * (hat[i] - offset);
    sq += f[i] * f[i];
  }
  const double scale = 1.0 / std::sqrt(sq);
  // Mirror so that the two halves are equal to the last bit.
  for (int i = 0; i <= h; ++i) {
    const double v = f[i] * scale;
    f[i] = v;
    f[width - 1 - i] = v;
  }
  return f;
}

const std::array<std::vector<double>, kFilterCount>& filter_table() {
  static const std::array<std::vector<double>, kFilterCount> table = [] {
    std::array<std::vector<double>, kFilterCount> t;
    t[0].assign(std::begin(f5), std::end(f5));
    t[1].assign(std::begin(f7), std::end(f7));
    t[2].assign(std::begin(f9), std::end(f9));
    for (int i = 3; i < kFilterCount; ++i) t[i] = design_filter(kMinFilterWidth + 2 * i);
    return t;
  }();
  return table;
}

}  // namespace

std::span<const int> ln_kernel(int index) {
  if (index < 0) index = 0;
  if (index > 8) index = 8;
  return kKernels[index];
}

namespace {

// The convolution with a kernel known at compile time, so that its loop unrolls.
template <const auto& Kernel>
[[gnu::always_inline]] inline void apply_2df(int count, const int* in, int* out) {
  constexpr int k = static_cast<int>(std::size(Kernel));
  constexpr int half = k / 2;
  // The result is the sum in 64 bits taken to int, that is modulo 2^32. Products and sums
  // modulo 2^32 give the same remainder in any order and at any width, so the sum is taken in
  // 32-bit unsigned arithmetic (eight at a time where the processor allows) for every input.
  for (int i = half; i < count - half; ++i) {
    const int* x = in + (i - half);
    unsigned sum = 0;
    for (int j = 0; j < k; ++j)
      sum += static_cast<unsigned>(Kernel[j]) * static_cast<unsigned>(x[j]);
    out[i] = static_cast<int>(0u - sum);
  }
}

}  // namespace

// A copy for processors with AVX2 multiplies and sums eight values at a time (integer sums:
// the same results in any order).
VX_HOT_CLONES int mt_2df(int thickness, int count,
                                                             const int* in, int* out) {
  int index = (2 * thickness - 3) / 2;
  if (index < 0) index = 0;
  if (index > 8) index = 8;
  const std::span<const int> kernel = kKernels[index];
  const int k = static_cast<int>(kernel.size());
  if (count < k || !in || !out) return -2;
  const int half = k / 2;
  for (int i = 0; i < half; ++i) {
    out[i] = 0;
    out[count - 1 - i] = 0;
  }
  switch (index) {
    case 0: apply_2df<k3>(count, in, out); break;
    case 1: apply_2df<k5>(count, in, out); break;
    case 2: apply_2df<k7>(count, in, out); break;
    case 3: apply_2df<k9>(count, in, out); break;
    case 4: apply_2df<k11>(count, in, out); break;
    case 5: apply_2df<k13>(count, in, out); break;
    case 6: apply_2df<k15>(count, in, out); break;
    case 7: apply_2df<k17>(count, in, out); break;
    default: apply_2df<k19>(count, in, out); break;
  }
  return 0;
}

std::span<const double> ln_smooth_filter(int width) {
  if (width < kMinFilterWidth || width > kMaxFilterWidth || width % 2 == 0) return {};
  return filter_table()[(width - kMinFilterWidth) / 2];
}

int ln_filter_width(int filter_index) {
  if (filter_index < kMinFilterWidth) filter_index = kMinFilterWidth;
  if (filter_index > kMaxFilterWidth) filter_index = kMaxFilterWidth;
  return filter_index | 1;
}

int ln_filt(const int* in, int count, int* out, int filter_index, int clear_ends) {
  const int width = ln_filter_width(filter_index);
  if (count <= 0 || count < width || !in || !out) return 0;
  const std::span<const double> f = ln_smooth_filter(width);
  const int half = width / 2;
  for (int i = half; i < count - half; ++i) {
    double sum = 0.0;
    for (int j = 0; j < width; ++j) sum += f[j] * in[i - half + j];
    out[i] = static_cast<int>(1000.0 * sum);
  }
  if (clear_ends) {
    for (int i = 0; i < half; ++i) {
      out[i] = 0;
      out[count - 1 - i] = 0;
    }
  }
  return 1;
}
