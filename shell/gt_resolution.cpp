// Resolution of an image in dots per inch.
#include "shell/gt_resolution.h"

#include <cmath>

int gt_resolution_dpi(int res, int scale) {
  if (res <= 0) return 0;
  const double dpi = std::floor(25.4 / (res * std::pow(10.0, scale)) + 0.5);
  // A damaged header's tiny pixel size is held to a number that fits.
  return dpi < 1e9 ? static_cast<int>(dpi) : 1000000000;
}

bool gt_resolution_set(IMG_INFO* info, double x_dpi, double y_dpi) {
  if (info == nullptr) return false;
  bool changed = false;
  auto set = [&](double dpi, int* res, int* scale) {
    if (!(dpi > 0.0)) return;
    *res = static_cast<int>(25.4 / dpi * 1000.0 * 1000.0);
    *scale = -6;
    changed = true;
  };
  set(x_dpi, &info->x_res, &info->x_scale);
  set(y_dpi, &info->y_res, &info->y_scale);
  return changed;
}
