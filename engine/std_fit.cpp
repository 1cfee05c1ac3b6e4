#include "engine/std_fit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "base/ks_mem.h"
#include "base/slog.h"
#include "engine/std_interp.h"
#include "engine/std_numeric.h"
#include "engine/std_sort.h"

namespace fs = std::filesystem;

namespace {

// Distinct values of the list, ascending (the no-value never counts): its row values.
std::vector<double> distinct_values(STD_LIST* list) {
  std::vector<double> v;
  const int rows = std_num_rows(list);
  std::vector<char> seen(static_cast<size_t>(std::max(rows, 0)), 0);
  std::vector<double> value(seen.size(), 0.0);
  for (int i = 0; i < list->count; ++i) {
    const int r = list->records[i].row_num;
    if (r < 0 || r >= rows || seen[static_cast<size_t>(r)]) continue;
    seen[static_cast<size_t>(r)] = 1;
    value[static_cast<size_t>(r)] = list->records[i].value;
  }
  for (int r = 0; r < rows; ++r) {
    if (seen[static_cast<size_t>(r)] && value[static_cast<size_t>(r)] != STD_NO_VALUE) {
      v.push_back(value[static_cast<size_t>(r)]);
    }
  }
  return v;
}

long trunc_long(double v) {
  if (!std::isfinite(v) || std::fabs(v) > 9e15) return 0;
  return static_cast<long>(v);
}

// The request just written; an answer counts only when it was written after it.
struct Exchange {
  fs::file_time_type request_time{};
  bool written = false;

  FILE* open_request() { return std::fopen(STD_USER_REQUEST, "w"); }
  bool close_request(FILE* f) {
    const bool ok = std::fclose(f) == 0;
    std::error_code ec;
    request_time = fs::last_write_time(STD_USER_REQUEST, ec);
    written = ok && !ec;
    return written;
  }
  // The answer file, opened for reading, when it is newer than the request; else NULL.
  FILE* open_answer() const {
    if (!written) return nullptr;
    std::error_code ec;
    const fs::file_time_type t = fs::last_write_time(STD_USER_ANSWER, ec);
    if (ec) {
      SLOG("std_user", SLOG_WARN, "no answer file");
      return nullptr;
    }
    if (!(t > request_time)) {
      SLOG("std_user", SLOG_WARN, "answer older than the request, not used");
      return nullptr;
    }
    return std::fopen(STD_USER_ANSWER, "r");
  }
};

bool read_answer_line(FILE* f, long* x, long* y, double* v) {
  char line[1025];
  while (std::fgets(line, sizeof line, f)) {
    if (std::sscanf(line, "%ld %ld %lf", x, y, v) == 3) return true;
  }
  return false;
}

double rel_between(double y, double lo, double hi) {
  return hi != lo ? (y - lo) / (hi - lo) : STD_NO_VALUE;
}

}  // namespace

double std_regress_interpolation(STD_LIST* list, double x, double y) {
  if (!list || list->count < 1) return STD_NO_VALUE;
  std_sort_if_dirty(list);
  double lo = std::trunc(y), hi = std::trunc(y);
  for (int i = 0; i < list->count; ++i) {
    const double my = list->records[i].y;
    if (std_is_no_value(my)) continue;
    const double r = std::floor(my + 0.5);
    lo = std::min(lo, r);
    hi = std::max(hi, r);
  }
  // All on one row: no relative position can be formed.
  if (hi == lo) return STD_NO_VALUE;
  std::vector<double> L, rf, v;
  for (double val : distinct_values(list)) {
    const double loc = std_rect_find_loc(list, x, val, 0);
    if (std_is_no_value(loc)) continue;
    L.push_back(loc);
    rf.push_back((loc - lo) / (hi - lo));
    v.push_back(val);
  }
  const double q = (y - lo) / (hi - lo);
  double* out = nullptr;
  if (!mt_reg(L.data(), rf.data(), v.data(), static_cast<int>(L.size()), &q, &out, 1) || !out) {
    ks_free(out);
    return STD_NO_VALUE;
  }
  const double r = out[0];
  ks_free(out);
  return r;
}

double std_robust_interpolation(STD_LIST* list, double x, double y) {
  if (!list || list->count < 2) return 0.0;
  std_sort_if_dirty(list);
  double scale = -HUGE_VAL;
  for (int i = 0; i < list->count; ++i) {
    const double my = list->records[i].y;
    if (!std_is_no_value(my)) scale = std::max(scale, my);
  }
  if (y > scale) scale = y;
  const std::vector<double> vals = distinct_values(list);
  std::vector<double> value, pos;
  if (scale > 0.0) {
    for (auto it = vals.rbegin(); it != vals.rend(); ++it) {
      const double loc = std_rect_find_loc(list, x, *it, 0);
      if (std_is_no_value(loc)) continue;
      value.push_back(*it);
      pos.push_back(loc / scale);
    }
  }
  const double q = scale > 0.0 ? y / scale : 0.0;
  double answer = STD_NO_VALUE;
  STD_ROB_FIT fit{static_cast<int>(value.size()), value.data(), pos.data(), 1, &q, &answer};
  if (scale <= 0.0 || !std_rob(&fit)) return STD_NO_VALUE;
  return answer >= 0.0 ? answer : STD_NO_VALUE;
}

void std_user_calc(LANE* lane_head, SPOT* band_head, STD_LIST** sizes, int num_tiers) {
  if (!lane_head || !sizes) return;
  Exchange ex;
  FILE* f = ex.open_request();
  if (!f) {
    SLOG("std_user_calc", SLOG_ERROR, "cannot create %s", STD_USER_REQUEST);
    return;
  }
  for (LANE* lane = lane_head->next; lane; lane = lane->next) {
    const int t = lane->tier_num;
    if (t < 0 || (num_tiers >= 0 && t >= num_tiers) || !sizes[t]) continue;
    STD_LIST* tier = sizes[t];
    lane->int_method = STD_USER;
    tier->_used = STD_USER;
    tier->repeat_length = 0;
    tier->use_repeats = 0;
    std_sort_if_dirty(tier);
    std::fprintf(f, "#\t%ld\n", static_cast<long>(lane->lane_number));
    std::fprintf(f, "# X     Y \tRf   MW\n");
    const double x0 = lane->num_center_points > 0 ? lane->center_coords[0].x : 0.0;
    const int rows = std_num_rows(tier);
    for (int r = 0; r < rows; ++r) {
      const double v = std_get_row_value(tier, r);
      const double loc = std_rect_find_loc(tier, x0, v, lane->lane_number);
      double rel;
      std_rel_pos(lane, loc, &rel);
      std::fprintf(f, "%5ld %5ld %.3lf %lf\n", trunc_long(x0), trunc_long(loc), rel, v);
    }
    std::fprintf(f, "#\n!  X      Y\n");
    SPOT** arr = nullptr;
    const int n = ln_find_bands_in_lane(band_head, &arr, lane, nullptr, nullptr);
    for (int i = 0; i < n; ++i) {
      double rel;
      std_rel_pos(lane, arr[i]->y, &rel);
      std::fprintf(f, "%5ld %5ld %lf\n", static_cast<long>(arr[i]->x),
                   static_cast<long>(arr[i]->y), rel);
    }
    ks_free(arr);
    std::fprintf(f, "!\n");
  }
  if (!ex.close_request(f)) return;
  FILE* a = ex.open_answer();
  if (!a) return;  // no answer: the sizes stay as they were
  long x, y;
  double v;
  while (read_answer_line(a, &x, &y, &v)) {
    for (SPOT* b = band_head ? band_head->next : nullptr; b; b = b->next) {
      if (b->x == x && b->y == y) b->size = v;
    }
  }
  std::fclose(a);
}

double std_user_interp(STD_LIST* list, double x, double y, double value) {
  if (!list) return 0.0;
  std_sort_if_dirty(list);
  Exchange ex;
  FILE* f = ex.open_request();
  if (!f) return -1.0;
  std::fprintf(f, "# X     Y \tRf   MW\n");
  const int rows = std_num_rows(list);
  for (int r = 0; r < rows && r < list->count; ++r) {
    const STD_MARKER& m = list->records[r];
    std::fprintf(f, "%ld \t%ld\t%lf\t%lf\n", static_cast<long>(m.ix), static_cast<long>(m.iy),
                 m.y, std_get_row_value(list, r));
  }
  std::fprintf(f, "#\n!\n%ld\t%ld %lf\n!\n", trunc_long(x), trunc_long(y), value);
  if (!ex.close_request(f)) return -1.0;
  FILE* a = ex.open_answer();
  if (!a) return 0.0;
  char line[1025];
  double answer = 0.0;
  long ax, ay;
  double av;
  if (std::fgets(line, sizeof line, a) && std::sscanf(line, "%ld %ld %lf", &ax, &ay, &av) == 3) {
    answer = av;
  }
  std::fclose(a);
  return answer;
}

int std_user_points(STD_LIST* list, const double* qx, const double* qy, double* out, int count) {
  if (!list || count <= 0 || !qx || !qy || !out) return 0;
  std_sort_if_dirty(list);
  double lo = HUGE_VAL, hi = -HUGE_VAL;
  for (int i = 0; i < list->count; ++i) {
    const double my = list->records[i].y;
    if (std_is_no_value(my)) continue;
    lo = std::min(lo, my);
    hi = std::max(hi, my);
  }
  Exchange ex;
  FILE* f = ex.open_request();
  if (!f) return 0;
  std::fprintf(f, "# X     Y    MW\tRf\n");
  // The rows are located at the column of the first query point.
  const int rows = std_num_rows(list);
  for (int r = 0; r < rows; ++r) {
    const double v = std_get_row_value(list, r);
    const double loc = std_rect_find_loc(list, qx[0], v, 0);
    std::fprintf(f, "%5ld %5ld %.3lf %lf\n", trunc_long(qx[0]), trunc_long(loc),
                 rel_between(loc, lo, hi), v);
  }
  std::fprintf(f, "#\n!  X      Y\n");
  for (int i = 0; i < count; ++i) {
    std::fprintf(f, "%5ld %5ld %lf\n", trunc_long(qx[i]), trunc_long(qy[i]),
                 rel_between(qy[i], lo, hi));
  }
  std::fprintf(f, "!\n");
  if (!ex.close_request(f)) return 0;
  FILE* a = ex.open_answer();
  if (!a) return 0;
  int got = 0;
  long x, y;
  double v;
  while (got < count && read_answer_line(a, &x, &y, &v)) out[got++] = v;
  std::fclose(a);
  return got == count ? 1 : 0;
}

double std_user_interp_rows(STD_LIST* list, double x, double y) {
  double v = STD_NO_VALUE;
  if (!std_user_points(list, &x, &y, &v, 1)) return STD_NO_VALUE;
  return v;
}
