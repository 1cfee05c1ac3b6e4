#include "engine/lane_stats.h"

#include <algorithm>
#include <cmath>

#include "engine/hot_clones.h"

VX_HOT_CLONES bool ln_row_stats(const int* s, int n, LnRowStats* out) {
  if (n <= 0 || !s || !out) return false;
  if (n <= 2) {
    int v = n == 1 ? s[0] : (s[0] + s[1]) / 2;
    *out = {v, v, 0};
    return true;
  }
  // Brightest interior sample, the first on ties: the maximum and the sum in one pass that the
  // compiler can vectorise, then the first sample at the maximum.
  long long total = 0;
  int top = s[1];
  for (int i = 1; i <= n - 2; ++i) {
    total += s[i];
    top = std::max(top, s[i]);
  }
  int k = 1;
  while (s[k] != top) ++k;
  const int spike = s[k] - (s[k - 1] + s[k + 1]) / 2;

  // Odd window about the brightest sample; the side mean is taken outside it.
  int m = ((n - 5) % 2 != 0) ? n - 5 : n - 4;
  if (m < 1) m = 1;
  int h = (m - 1) / 2;
  if (h < 1) h = 1;
  // The interior samples outside the window [w0, w1] (which holds k, so is never empty): those
  // before it and those after it.
  const int w0 = std::max(1, k - h), w1 = std::min(n - 2, k + h);
  long long side_sum = 0;
  for (int i = 1; i < w0; ++i) side_sum += s[i];
  for (int i = w1 + 1; i <= n - 2; ++i) side_sum += s[i];
  const int side_count = (w0 - 1) + (n - 2 - w1);
  const int side =
      side_count ? static_cast<int>(static_cast<double>(side_sum) / side_count + 0.5) : 0;
  const int value = static_cast<int>(static_cast<double>(total) / (n - 2) + 0.5);
  *out = {value, side, spike};
  return true;
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
