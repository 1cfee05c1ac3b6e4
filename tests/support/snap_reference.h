// The repeat grid as the sizing rule writes it, scanned point by point: the reference that the
// direct nearest-grid-point computation is tested and benchmarked against. Every point, least
// squared distance, first of equals, and the first point when nothing is nearer than 9999999 in
// square.
#pragma once

#include <utility>

namespace vxtest {

inline double snap_by_scan(double value, double ra, double rb, int R) {
  long lo = static_cast<long>(ra), hi = static_cast<long>(rb);
  if (hi < lo) std::swap(lo, hi);
  const long n = (hi - lo) / R + 10 * (hi - lo) + 1;
  const long start = lo * 6 - hi * 5;
  double best = 9999999;
  long bk = 0;
  for (long k = 0; k < n; ++k) {
    const double g = static_cast<double>(start + k * R);
    if ((value - g) * (value - g) < best) {
      best = (value - g) * (value - g);
      bk = k;
    }
  }
  return static_cast<double>(start + bk * R);
}

}  // namespace vxtest
