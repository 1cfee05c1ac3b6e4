#include "engine/cal_strip.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>

#include "base/ks_choose.h"
#include "base/ks_mem.h"
#include "base/slog.h"
#include "io/kes_image.h"
#include "toolkit/core/tk_image.h"

void cal_strip_clear_points(CAL_STRIP* strip) {
  if (!strip) return;
  strip->count = 0;
  for (int* p : {strip->anchor, strip->far_pt, strip->drag_end}) p[0] = p[1] = -1;
}

void cal_place_limit(int* x, int* y, int w, int h, int img_w, int img_h) {
  if (*x + w > img_w - 1) *x = img_w - w - 1;
  if (*y + h > img_h - 1) *y = img_h - h - 1;
}

bool cal_clip_box(CalBox* b, int img_w, int img_h) {
  const long x0 = std::max(0, b->x), y0 = std::max(0, b->y);
  const long x1 = std::min<long>(img_w, static_cast<long>(b->x) + b->w);
  const long y1 = std::min<long>(img_h, static_cast<long>(b->y) + b->h);
  if (x1 <= x0 || y1 <= y0) return false;
  *b = {static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0),
        static_cast<int>(y1 - y0)};
  return true;
}

CalBox cal_box_from_points(int x0, int y0, int x1, int y1) {
  return {std::min(x0, x1), std::min(y0, y1), std::abs(x1 - x0), std::abs(y1 - y0)};
}

int cal_spread(const CalBox& first, int far_x, int far_y, int n, CalBox* out) {
  n = std::clamp(n, 1, CAL_MAX_STEPS);
  out[0] = first;
  if (n == 1) return 1;
  const double dx = static_cast<double>(far_x - first.x) / (n - 1);
  const double dy = static_cast<double>(far_y - first.y) / (n - 1);
  for (int k = 1; k < n; ++k)
    out[k] = {first.x + static_cast<int>(std::floor(k * dx + 0.5)),
              first.y + static_cast<int>(std::floor(k * dy + 0.5)), first.w, first.h};
  return n;
}

bool cal_begins_with_number(const char* line) {
  if (!line) return false;
  const char* p = line;
  while (*p == ' ' || *p == '\t') ++p;
  if (*p == '+' || *p == '-') ++p;
  if (*p == '.') ++p;
  return *p >= '0' && *p <= '9';
}

double cal_leading_number(const char* line) {
  if (!line) return 0.0;
  const char* p = line;
  while (*p == ' ' || *p == '\t') ++p;
  // The longest prefix of the form [+-]digits[.digits][e[+-]digits] with at least one digit.
  const char* s = p;
  if (*s == '+' || *s == '-') ++s;
  int digits = 0;
  while (*s >= '0' && *s <= '9') ++s, ++digits;
  if (*s == '.') {
    ++s;
    while (*s >= '0' && *s <= '9') ++s, ++digits;
  }
  if (digits == 0) return 0.0;
  if (*s == 'e' || *s == 'E') {
    const char* e = s + 1;
    if (*e == '+' || *e == '-') ++e;
    if (*e >= '0' && *e <= '9') {
      while (*e >= '0' && *e <= '9') ++e;
      s = e;
    }
  }
  const char* begin = *p == '+' ? p + 1 : p;
  double v = 0.0;
  const auto r = std::from_chars(begin, s, v);
  return r.ec == std::errc() ? v : 0.0;
}

bool cal_read_values(const char* path, std::vector<double>* values) {
  values->clear();
  if (!path || !*path) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) values->push_back(cal_leading_number(line.c_str()));
  return !in.bad();
}

double cal_step_value(const char* text) {
  if (!text || !*text) return CAL_STEP_CANCEL;
  char buf[CAL_STEP_TEXT_MAX + 1];
  std::snprintf(buf, sizeof buf, "%s", text);
  if (!ks_valok(buf)) return CAL_STEP_INVALID;
  return cal_leading_number(buf);
}

uint32_t cal_mean(const TkImage& img) {
  if (img.empty()) return 0;
  uint64_t sum = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) sum += img.pixel(x, y);
  const double area = static_cast<double>(img.width()) * img.height();
  return static_cast<uint32_t>(std::floor(static_cast<double>(sum) / area + 0.5));
}

bool cal_box_mean(const char* kes_path, const CalBox& box, uint32_t* mean) {
  int bits = 0;
  int32_t ext[2] = {0, 0};
  if (box.w <= 0 || box.h <= 0 || !io_query_image(kes_path, &bits, ext)) return false;
  const int32_t size[2] = {box.w, box.h};
  std::unique_ptr<TkImage> img(io_create_image(size, bits));
  const int32_t rect[4] = {box.x, box.y, box.w, box.h};
  if (!img || !io_read_kestrin(kes_path, img.get(), rect, 1.0)) return false;
  *mean = cal_mean(*img);
  return true;
}

bool cal_order_test(const double* dens, uint32_t* vals, int n, int bits) {
  if (n < 2) return true;
  const uint32_t scale = bits > 8 ? 257u : 1u;
  const uint32_t dark = 5 * scale, bright = 250 * scale;
  const bool falling = dens[1] <= dens[0];
  for (int i = 0; i + 1 < n; ++i) {
    if (falling && vals[i] < vals[i + 1]) {
      if (vals[i] > dark) return false;
      vals[i + 1] = vals[i];
    } else if (!falling && vals[i] > vals[i + 1]) {
      if (vals[i] < bright) return false;
      vals[i + 1] = vals[i];
    }
  }
  return true;
}

int cal_build_lookup(const CAL_STRIP& strip, const char* kes_path, int interp_type,
                     IMG_INT_INFO* lookup) {
  static const char* fn = "cal_strip_calibrate";
  const int n = std::clamp<int>(strip.count, 0, CAL_MAX_STEPS);
  if (n < 2) {
    lookup->interp_type = interp_type;
    return CAL_BUILD_INTERP_ONLY;
  }
  int bits = 0;
  int32_t ext[2] = {0, 0};
  if (!io_query_image(kes_path, &bits, ext)) {
    SLOG(fn, SLOG_WARN, "cannot query <%s>", kes_path ? kes_path : "");
    return CAL_BUILD_UNREADABLE;
  }
  std::vector<uint32_t> vals(n);
  for (int i = 0; i < n; ++i) {
    if (!cal_box_mean(kes_path, strip.boxes[i], &vals[i])) {
      SLOG(fn, SLOG_WARN, "box %d (%d, %d, %d, %d) cannot be read", i, strip.boxes[i].x,
           strip.boxes[i].y, strip.boxes[i].w, strip.boxes[i].h);
      return CAL_BUILD_UNREADABLE;
    }
  }
  if (!cal_order_test(strip.values, vals.data(), n, bits)) return CAL_BUILD_ORDER;
  auto* dens = static_cast<double*>(ks_alloc_msg(n * sizeof(double)));
  auto* dig = static_cast<int*>(ks_alloc_msg(n * sizeof(int)));
  if (!dens || !dig) {
    ks_free(dens);
    ks_free(dig);
    return CAL_BUILD_NO_MEMORY;
  }
  uint32_t lo = vals[0], hi = vals[0];
  for (int i = 0; i < n; ++i) {
    dens[i] = strip.values[i];
    dig[i] = static_cast<int>(vals[i]);
    lo = std::min(lo, vals[i]);
    hi = std::max(hi, vals[i]);
  }
  lookup_free_arrays(lookup);
  lookup->bHaveCalib = 0;
  lookup->interp_type = interp_type;
  lookup->wedge_count = n;
  lookup->wedge_values = dens;
  lookup->dig_values = dig;
  lookup->dig_val_range = static_cast<int>(hi - lo);
  return CAL_BUILD_OK;
}
