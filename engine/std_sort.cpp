#include "engine/std_sort.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/ks_mem.h"
#include "base/slog.h"
#include "engine/std_numeric.h"

namespace {

// Program-wide count of std_sort calls in progress.
int s_sort_depth = 0;

constexpr int kMaxNearest = 512;

double value_key(double v) { return std::floor(v * 100000.0 + 0.5); }

int64_t lane_key(const STD_MARKER& m) {
  const double y = std::trunc(m.y);
  const int64_t iy = std::isfinite(y) && std::fabs(y) < 9e15 ? static_cast<int64_t>(y) : 0;
  return static_cast<int64_t>(m.lane_num) * 10000 + iy;
}

bool holds(const STD_MARKER& m, double v) { return std::fabs(m.value - v) <= 0.0001; }

double line_at(double xa, double xb, double ya, double yb, double x) {
  return std_linlog_interpolate(xa, xb, ya, yb, x, STD_LINEAR);
}

void sort_lane_order(STD_MARKER* recs, int n) {
  std::stable_sort(recs, recs + n, [](const STD_MARKER& a, const STD_MARKER& b) {
    return lane_key(a) < lane_key(b);
  });
}

bool same_lane(const STD_MARKER& a, const STD_MARKER& b) {
  return a.lane_num != 0 && a.lane_num == b.lane_num;
}

// Row base of a neighbour at x: the nearest kept markers along its row, backwards and forwards
// (the neighbour itself not counted), joined by a line at x.
double row_base(const STD_MARKER& nb, double x) {
  const STD_MARKER* back = nullptr;
  for (const STD_MARKER* m = nb.prev_val; m; m = m->prev_val) {
    if (m->flags & STD_M_KEPT) {
      back = m;
      break;
    }
  }
  const STD_MARKER* fwd = nullptr;
  for (const STD_MARKER* m = nb.next_val; m; m = m->next_val) {
    if (m->flags & STD_M_KEPT) {
      fwd = m;
      break;
    }
  }
  if (back && fwd) return line_at(back->x, fwd->x, back->y, fwd->y, x);
  if (back) return back->y;
  if (fwd) return fwd->y;
  return STD_NO_VALUE;
}

// The point of a lane at which `value` lies, from the two markers nearest in value (or one that
// holds the value exactly). False when the lane gives fewer than two markers and none holds it.
struct LanePoint {
  double x = 0, y = STD_NO_VALUE;
  int found = 0;
  STD_MARKER m[2];
  bool exact = false;
};

LanePoint lane_point(STD_LIST* list, double x, double value, int lane) {
  LanePoint p;
  p.found = std_find_nearest_markers(list, x, value, 2, lane, p.m, 0, 1);
  for (int i = 0; i < p.found; ++i) {
    if (p.m[i].value == value) {
      p.x = p.m[i].x;
      p.y = p.m[i].y;
      p.exact = true;
      return p;
    }
  }
  if (p.found < 2) return p;
  p.y = std_linlog_interpolate_loc(p.m[0].y, p.m[1].y, p.m[0].value, p.m[1].value, value,
                                   STD_LINEAR);
  p.x = std_linlog_interpolate_loc(p.m[0].x, p.m[1].x, p.m[0].value, p.m[1].value, value,
                                   STD_LINEAR);
  return p;
}

}  // namespace

int std_sort_if_dirty(STD_LIST* list) {
  if (!list) return 0;
  if (list->clean) return 1;
  int r = std_sort(list);
  if (!list->clean) r = std_sort(list);
  return r;
}

int std_sort(STD_LIST* list) {
  if (!list) return 0;
  struct Depth {
    Depth() { ++s_sort_depth; }
    ~Depth() { --s_sort_depth; }
  } depth;
  if (list->clean) return 1;
  if (s_sort_depth > 2) {
    SLOG("std_sort", SLOG_WARN, "nested %d deep, not sorted", s_sort_depth);
    return 0;
  }
  SLOG("std_sort", SLOG_ENTRY, "%d markers", list->count);
  list->clean = 1;
  const int n = list->count;
  STD_MARKER* recs = list->records;
  for (int i = 0; i < n; ++i) {
    recs[i].next_val = recs[i].next_y = recs[i].prev_val = recs[i].prev_y = nullptr;
  }
  // Values compared at five decimals; equal keys are ordered by the exact value so that every
  // value's markers lie together and form one row.
  std::stable_sort(recs, recs + n, [](const STD_MARKER& a, const STD_MARKER& b) {
    const double ka = value_key(a.value), kb = value_key(b.value);
    if (ka != kb) return ka < kb;
    return a.value < b.value;
  });
  std::vector<double> row_values;
  double last = STD_NO_VALUE;
  int row = -1;
  for (int i = 0; i < n; ++i) {
    if (recs[i].value != last) {
      ++row;
      last = recs[i].value;
      row_values.push_back(last);
    }
    recs[i].row_num = row;
  }
  sort_lane_order(recs, n);
  for (int i = 0; i + 1 < n; ++i) {
    if (same_lane(recs[i], recs[i + 1])) {
      recs[i].next_y = &recs[i + 1];
      recs[i + 1].prev_y = &recs[i];
    }
  }
  for (int i = 0; i < n; ++i) {
    for (int j = i + 1; j < n; ++j) {
      if (std::fabs(recs[j].value - recs[i].value) < 0.001) {
        recs[i].next_val = &recs[j];
        recs[j].prev_val = &recs[i];
        break;
      }
    }
  }
  list->rows = static_cast<int>(row_values.size());
  std_add_missing_markers(list, row_values.data());
  SLOG("std_sort", SLOG_EXIT, "%d rows, %d markers", list->rows, list->count);
  return 1;
}

double std_get_row_value(STD_LIST* list, int row) {
  if (!list) return 0.0;
  std_sort_if_dirty(list);
  for (int i = 0; i < list->count; ++i) {
    if (list->records[i].row_num == row) {
      const double v = list->records[i].value;
      return v == STD_NO_VALUE ? 0.0 : v;
    }
  }
  return 0.0;
}

int std_num_rows(STD_LIST* list) {
  if (!list) return 0;
  std_sort_if_dirty(list);
  return list->rows;
}

int std_find_nearest(STD_LIST* list, double x, double y) {
  if (!list) return -1;
  std_sort_if_dirty(list);
  int best = -1;
  double bd = STD_BIGGER_FLOAT;
  for (int i = 0; i < list->count; ++i) {
    const double d = std::hypot(list->records[i].x - x, list->records[i].y - y);
    if (d < bd) {
      bd = d;
      best = i;
    }
  }
  return best;
}

int std_find_nearest_int(STD_LIST* list, int x, int y) {
  if (!list) return -1;
  std_sort_if_dirty(list);
  int best = -1;
  double bd = STD_BIGGER_FLOAT;
  for (int i = 0; i < list->count; ++i) {
    const double dx = static_cast<double>(list->records[i].ix) - x;
    const double dy = static_cast<double>(list->records[i].iy) - y;
    const double d = std::sqrt(dx * dx + dy * dy);
    if (d < bd) {
      bd = d;
      best = i;
    }
  }
  return best;
}

int std_find_nearest_valid(const STD_LIST* list, double x, double y, double max_dist) {
  if (!list) return -1;
  int best = -1;
  double bd = STD_BIG_FLOAT;
  for (int i = 0; i < list->count; ++i) {
    const STD_MARKER& m = list->records[i];
    if (!(m.flags & STD_M_VALID)) continue;
    const double d = std::hypot(m.x - x, m.y - y);
    if (d < bd) {
      bd = d;
      best = i;
    }
  }
  return (best >= 0 && bd < max_dist) ? best : -1;
}

int std_find_nearest_markers(STD_LIST* list, double x, double y, int n, int lane,
                             STD_MARKER* out, int direction, int by_value) {
  if (!list || !out || n <= 0) return 0;
  std_sort_if_dirty(list);
  n = std::min(n, kMaxNearest);
  if (direction < -1 || direction > 1) return 0;
  std::vector<double> dist(static_cast<size_t>(n), STD_BIG_FLOAT);
  std::vector<int> ind(static_cast<size_t>(n), -1);
  for (int i = 0; i < list->count; ++i) {
    const STD_MARKER& m = list->records[i];
    if (direction == -1 && !(m.x < x)) continue;
    if (direction == 1 && !(m.x > x)) continue;
    double d;
    if (lane > 0) {
      if (m.lane_num != lane) continue;
      d = std::fabs(y - (by_value ? m.value : m.y));
    } else {
      d = std::hypot(m.x - x, (by_value ? m.value : m.y) - y);
    }
    // The first slot whose distance is strictly greater; the later ones move down.
    int slot = 0;
    while (slot < n && !(dist[static_cast<size_t>(slot)] > d)) ++slot;
    if (slot >= n) continue;
    for (int k = n - 1; k > slot; --k) {
      dist[static_cast<size_t>(k)] = dist[static_cast<size_t>(k - 1)];
      ind[static_cast<size_t>(k)] = ind[static_cast<size_t>(k - 1)];
    }
    dist[static_cast<size_t>(slot)] = d;
    ind[static_cast<size_t>(slot)] = i;
  }
  int count = 0;
  while (count < n && ind[static_cast<size_t>(count)] >= 0) {
    out[count] = list->records[ind[static_cast<size_t>(count)]];
    ++count;
  }
  return count;
}

int std_find_closest_lane(STD_LIST* list, double x, double y, int exclude, int direction,
                          int mode) {
  if (!list) return -1;
  std_sort_if_dirty(list);
  if (direction < -1 || direction > 1) return -1;
  int best = -1;
  double bd = STD_BIG_FLOAT;
  const int n = list->count;
  const STD_MARKER* r = list->records;
  for (int i = 0; i < n; ++i) {
    const STD_MARKER& m = r[i];
    if (m.lane_num == 0 || m.lane_num == exclude) continue;
    const bool paired = (i > 0 && r[i - 1].lane_num == m.lane_num) ||
                        (i + 1 < n && r[i + 1].lane_num == m.lane_num);
    if (!paired) continue;
    if (direction == -1 && !(m.x < x)) continue;
    if (direction == 1 && !(m.x > x)) continue;
    const double d = mode == 1 ? std::fabs(m.x - x) : std::hypot(m.x - x, m.y - y);
    if (d < bd) {
      bd = d;
      best = i;
    }
  }
  return best;
}

int std_find_lane_number(STD_LIST* list, double x, double q, int mode) {
  if (!list) return -1;
  std_sort_if_dirty(list);
  const int n = list->count;
  const STD_MARKER* r = list->records;
  auto qty = [mode](const STD_MARKER& m) { return mode == 1 ? m.value : m.y; };
  int dir = -1;
  for (int i = 0; i + 1 < n; ++i) {
    if (r[i].lane_num == r[i + 1].lane_num) {
      dir = qty(r[i + 1]) > qty(r[i]) ? 1 : -1;
      break;
    }
  }
  double bd = STD_BIG_FLOAT;
  int best = -1;
  auto compete = [&](int i, double xc) {
    const double d = std::fabs(xc - x);
    if (d < bd) {
      bd = d;
      best = i;
    }
  };
  int brackets = 0;
  for (int i = 0; i < n; ++i) {
    if (i == 0 || r[i].lane_num != r[i - 1].lane_num) brackets = 0;
    const bool has_next = i + 1 < n && r[i + 1].lane_num == r[i].lane_num;
    bool bracket = false;
    if (has_next) {
      const double qa = qty(r[i]), qb = qty(r[i + 1]);
      if ((qa <= q && q <= qb) || (qb <= q && q <= qa)) {
        bracket = true;
        ++brackets;
        compete(i, std_linlog_interpolate(qa, qb, r[i].x, r[i + 1].x, q, list->int_method));
      }
    }
    if (mode == 1) {
      if (!has_next) {
        const double v = r[i].value;
        const bool beyond = dir == -1 ? q < v : q > v;
        if (beyond || brackets == 0) compete(i, r[i].x);
      }
    } else if (!bracket && (r[i].y < q || brackets == 0)) {
      compete(i, r[i].x);
    }
  }
  if (best >= 0) return r[best].lane_num;
  STD_MARKER m;
  if (std_find_nearest_markers(list, x, q, 1, 0, &m, 0, mode == 1) == 1) return m.lane_num;
  return -1;
}

double std_rect_fastfind_loc(STD_LIST* list, double x, double value, int lane, int* flag) {
  if (flag) *flag = 0;
  if (!list) return STD_NO_VALUE;
  std_sort_if_dirty(list);
  if (lane < 1) lane = std_find_lane_number(list, x, value, 1);
  const STD_MARKER* r = list->records;
  int l1 = -1, l2 = -1, r1 = -1, r2 = -1;
  double dl = STD_BIG_FLOAT, dr = STD_BIG_FLOAT;
  for (int i = 0; i < list->count; ++i) {
    if (!holds(r[i], value)) continue;
    if (lane >= 1 && r[i].lane_num == lane) {
      SLOG("std_rect_fastfind_loc", SLOG_VALUE5, "same lane, return %7.2f", r[i].y);
      return r[i].y;
    }
    const double dx = r[i].x - x;
    if (dx <= 0 && -dx < dl) {
      l2 = l1;
      l1 = i;
      dl = -dx;
    }
    if (dx >= 0) {
      if (dx < dr) {
        r2 = r1;
        r1 = i;
        dr = dx;
      } else if (dx > 0 && r2 < 0) {
        r2 = i;
      }
    }
  }
  if (l1 >= 0 && r1 >= 0) return line_at(r[r1].x, r[l1].x, r[r1].y, r[l1].y, x);
  if (l1 >= 0) {
    if (l2 >= 0) return line_at(r[l1].x, r[l2].x, r[l1].y, r[l2].y, x);
    SLOG("std_rect_fastfind_loc", SLOG_VALUE5, "just left");
    if (flag) *flag = 1;
    return STD_NO_VALUE;
  }
  if (r1 >= 0) {
    if (r2 >= 0) return line_at(r[r1].x, r[r2].x, r[r1].y, r[r2].y, x);
    SLOG("std_rect_fastfind_loc", SLOG_VALUE5, "just right");
    if (flag) *flag = 1;
    return STD_NO_VALUE;
  }
  return STD_NO_VALUE;
}

double std_rect_find_loc(STD_LIST* list, double x, double value, int lane) {
  if (!list) return STD_NO_VALUE;
  int flag = 0;
  const double fast = std_rect_fastfind_loc(list, x, value, lane, &flag);
  if (std::fabs(fast - STD_NO_VALUE) > 0.1) return fast;

  const int c1 = std_find_closest_lane(list, x, 0.0, 0, 0, 1);
  if (c1 < 0) {
    SLOG("std_rect_find_loc", SLOG_VALUE5, "closest_ln -1, 0.0");
    return 0.0;
  }
  const int lane1 = list->records[c1].lane_num;
  const double cx = list->records[c1].x;
  const int other = std::fabs(cx - x) <= 0.1 ? 0 : (cx < x ? 1 : -1);
  int c2 = std_find_closest_lane(list, x, 0.0, lane1, other, 1);
  if (c2 < 0 && other != 0) {
    c2 = std_find_closest_lane(list, x, 0.0, lane1, 0, 1);
    SLOG("std_rect_find_loc", SLOG_VALUE5, "2nd try closest_ln %d", c2);
  }
  const int lane2 = c2 >= 0 ? list->records[c2].lane_num : lane1;

  LanePoint p1 = lane_point(list, x, value, lane1);
  SLOG("std_rect_find_loc", SLOG_VALUE5, "num_found1 %d", p1.found);
  if (!p1.exact && p1.found < 2) return STD_NO_VALUE;
  LanePoint p2 = lane_point(list, x, value, lane2);
  SLOG("std_rect_find_loc", SLOG_VALUE5, "num_found2 %d", p2.found);
  if (!p2.exact && p2.found == 1 && p1.found >= 2) {
    // The second lane holds one marker (x2, y2) of value w: carry the first lane's shape over.
    const STD_MARKER one = p2.m[0];
    const double w = one.value;
    STD_MARKER a = p1.m[0], b = p1.m[1];
    STD_MARKER nw;
    if (std_find_nearest_markers(list, x, w, 1, lane1, &nw, 0, 1) == 1 &&
        std::fabs(nw.y - b.y) > 0.00001) {
      a = nw;
    }
    const double qy = std_linlog_interpolate_loc(a.y, b.y, a.value, b.value, w, STD_LINEAR);
    const double qx = std_linlog_interpolate_loc(a.x, b.x, a.y, b.y, qy, STD_LINEAR);
    if (std::fabs(one.x - qx) <= 0.1) {
      p2.y = STD_NO_VALUE;  // the first lane's y
    } else {
      const double s = (one.y - qy) / (one.x - qx);
      const STD_MARKER& far = std::fabs(a.y - qy) > std::fabs(b.y - qy) ? a : b;
      const double carried = far.y + s * (one.x - far.x);
      p2.x = one.x;
      p2.y = std_linlog_interpolate_loc(carried, one.y, far.value, w, value, STD_LINEAR);
    }
  }
  double loc;
  if (std_is_no_value(p2.y)) {
    loc = p1.y;
  } else {
    loc = line_at(p1.x, p2.x, p1.y, p2.y, x);
  }
  switch (list->int_method) {
    case STD_RECIPROCAL:
    case STD_LOGARITHMIC:
    case STD_ROBUST:
    case STD_LINEAR:
    case STD_REGRESSION:
    case STD_USER:
    case STD_EXPONENTIAL:
      return loc;
    default:
      return STD_NO_VALUE;
  }
}

void std_add_missing_markers(STD_LIST* list, const double* row_values) {
  if (!list || !row_values) return;
  const int rows = list->rows;
  const int n = list->count;
  STD_MARKER* r = list->records;
  std::vector<STD_MARKER> work;
  work.reserve(10);
  std::vector<char> present(static_cast<size_t>(std::max(rows, 1)));
  const int saved_extrap = list->extrap_method;
  double prev_kept_y = 0.0;
  int i = 0;
  while (i < n) {
    int j = i + 1;
    while (j < n && r[j].lane_num == r[i].lane_num) ++j;
    const int lane = r[i].lane_num;
    if (lane != 0) {
      std::fill(present.begin(), present.end(), 0);
      bool kept = false;
      for (int k = i; k < j; ++k) {
        if (r[k].flags & STD_M_KEPT) kept = true;
        for (int row = 0; row < rows; ++row) {
          if (r[k].value == row_values[row]) present[static_cast<size_t>(row)] = 1;
        }
      }
      const double last_x = r[j - 1].x;
      for (int row = 0; row < rows; ++row) {
        if (present[static_cast<size_t>(row)]) continue;
        const double v = row_values[row];
        STD_MARKER near;
        if (std_find_nearest_markers(list, last_x, v, 1, lane, &near, 0, 1) != 1) {
          SLOG("std_add_missing_markers", SLOG_WARN, "no marker found, nothing added");
          list->extrap_method = saved_extrap;
          return;
        }
        STD_MARKER m;
        std_marker_clear(&m);
        m.lane_num = lane;
        m.value = v;
        m.x = near.x;
        list->extrap_method = STD_EXT_LAST2;
        if (kept) {
          double bd = STD_BIG_FLOAT;
          int best = -1;
          for (int k = 0; k < n; ++k) {
            if (r[k].value != v) continue;
            const double d = std::fabs(r[k].x - m.x);
            if (best < 0 || d < bd) {
              bd = d;
              best = k;
            }
          }
          if (best >= 0) prev_kept_y = r[best].y;
          m.y = prev_kept_y;
          m.flags = STD_M_VALID | STD_M_KEPT;
        } else {
          m.y = std_find_missing_loc(list, m.x, v, lane);
          m.flags = 0;
        }
        list->extrap_method = saved_extrap;
        m.ix = std_round_int(m.x);
        if (!std_is_no_value(m.y)) m.iy = std_round_int(m.y);
        m.row_num = row;
        work.push_back(m);
      }
    }
    i = j;
  }
  // Appending moves the records, so the links are rebuilt by the next sort.
  for (const STD_MARKER& m : work) {
    if (!std_list_append(list, &m)) break;
  }
  if (!work.empty()) list->clean = 0;
}

double std_find_missing_loc(STD_LIST* list, double x, double v, int lane) {
  if (!list) return STD_NO_VALUE;
  const int n = list->count;
  const STD_MARKER* r = list->records;
  bool right = false, left = false;
  for (int i = 0; i < n; ++i) {
    const double dx = r[i].x - x;
    if (dx >= 0 && dx <= 0.1) right = true;
    if (dx <= 0 && dx >= -0.1) left = true;
  }
  const STD_MARKER *b1 = nullptr, *b2 = nullptr, *any = nullptr;
  double d1 = 0, d2 = 0, da = 0;
  for (int i = 0; i < n; ++i) {
    if (!holds(r[i], v)) continue;
    const double d = std::fabs(r[i].x - x);
    if (!any || d < da) {
      any = &r[i];
      da = d;
    }
    if (!(r[i].flags & STD_M_KEPT)) continue;
    if (r[i].lane_num <= lane && (!b1 || d < d1)) {
      b1 = &r[i];
      d1 = d;
    }
    if (r[i].lane_num >= lane && (!b2 || d < d2)) {
      b2 = &r[i];
      d2 = d;
    }
  }
  if (any && !(left && right)) return STD_NO_VALUE;
  double B = STD_NO_VALUE;
  if (b1 && b2) {
    B = line_at(b1->x, b2->x, b1->y, b2->y, x);
  } else if (b1) {
    B = b1->y;
  } else if (b2) {
    B = b2->y;
  }
  const double any_y = any ? any->y : STD_NO_VALUE;
  // Without a base location the deviations of the neighbours have nothing to stand on.
  if (std_is_no_value(B)) return any ? any_y : B;

  std::vector<STD_MARKER> nb(kMaxNearest);
  const int found = std_find_nearest_markers(list, x, v, kMaxNearest, lane, nb.data(), 0, 1);
  const STD_MARKER *up = nullptr, *lo = nullptr;
  for (int i = 0; i < found; ++i) {
    const STD_MARKER& m = nb[static_cast<size_t>(i)];
    if (!(m.flags & STD_M_VALID)) continue;
    if (m.value > v + 0.0001 && (!up || m.value < up->value)) up = &m;
    if (m.value < v - 0.0001 && (!lo || m.value > lo->value)) lo = &m;
  }
  double urb = STD_NO_VALUE, lrb = STD_NO_VALUE;
  if (up) urb = row_base(*up, x);
  if (lo) lrb = row_base(*lo, x);
  const bool use_up = up && urb >= 0;
  const bool use_lo = lo && lrb >= 0;
  if (use_lo && use_up) {
    const double ud = up->y - urb, ld = lo->y - lrb;
    return B + line_at(urb, lrb, ud, ld, B);
  }
  if (use_lo) return B + (lo->y - lrb);
  if (use_up) return B + (up->y - urb);
  return any ? any_y : B;
}

namespace {

// Walks the pairs of neighbouring markers of one lane; false when a pair breaks the direction.
bool walk_direction(const STD_LIST* w, int* agreed) {
  const STD_MARKER* r = w->records;
  for (int i = 0; i + 1 < w->count; ++i) {
    if (!same_lane(r[i], r[i + 1])) continue;
    const double dv = r[i + 1].value - r[i].value;
    if (dv == 0.0) return false;
    const double p = (r[i + 1].y - r[i].y) * dv;
    const int d = p > 0 ? 1 : (p < 0 ? -1 : 0);
    if (*agreed == 0) {
      *agreed = d;
    } else if (d != *agreed) {
      return false;
    }
  }
  return true;
}

void put_valid(STD_LIST* w, const STD_LIST* src) {
  for (int i = 0; i < src->count; ++i) {
    STD_MARKER m = src->records[i];
    if (m.flags & STD_M_VALID) std_list_put(w, &m);
  }
}

}  // namespace

int std_check_monotonic(const STD_LIST* a, const STD_LIST* b, const STD_MARKER* new_marker) {
  if (!a) return 0;
  STD_LIST* w = std_list_create();
  if (!w) return 0;
  int agreed = 0;
  int result = -1;
  put_valid(w, a);
  sort_lane_order(w->records, w->count);
  if (!walk_direction(w, &agreed)) result = 3;
  if (result < 0 && b) {
    put_valid(w, b);
    sort_lane_order(w->records, w->count);
    agreed = 0;
    if (!walk_direction(w, &agreed)) result = 2;
  }
  if (result < 0 && new_marker) {
    STD_MARKER m = *new_marker;
    std_list_put(w, &m);
    sort_lane_order(w->records, w->count);
    if (!walk_direction(w, &agreed)) result = 1;
  }
  if (result < 0) result = agreed == 1 ? 4 : 0;
  std_list_free(w);
  return result;
}

STD_LIST* std_make_iso_line(STD_LIST* list, double value, int width, int n) {
  if (!list || width <= 0 || n == 1 || n < 0) return nullptr;
  std_sort_if_dirty(list);
  STD_LIST* iso = std_list_create();
  if (!iso) return nullptr;
  std::vector<double> xs;
  if (n == 0) {
    xs.push_back(0.0);
    const int cnt = list->count;
    for (int i = 0; i < cnt; ++i) {
      const int lane = list->records[i].lane_num;
      if (lane == 0 || (i > 0 && list->records[i - 1].lane_num == lane)) continue;
      STD_MARKER m;
      if (std_find_nearest_markers(list, 0.0, value, 1, lane, &m, 0, 1) == 1) xs.push_back(m.x);
    }
    xs.push_back(static_cast<double>(width));
  } else {
    const int step = width / (n - 1);
    for (int k = 0; k < n; ++k) xs.push_back(static_cast<double>(k * step));
  }
  for (double px : xs) {
    STD_MARKER p;
    std_marker_clear(&p);
    p.x = px;
    p.y = std_rect_find_loc(list, px, value, 0);
    p.value = value;
    p.ix = std_round_int(px);
    if (!std_is_no_value(p.y)) p.iy = std_round_int(p.y);
    const int near = std_find_nearest(list, p.x, p.y);
    if (near >= 0) {
      const STD_MARKER& m = list->records[near];
      if ((m.flags & STD_M_VALID) && std::fabs(m.x - p.x) < 0.1 && std::fabs(m.y - p.y) < 0.1) {
        p.flags |= STD_M_VALID;
      }
    }
    if (!std_list_append(iso, &p)) {
      std_list_free(iso);
      return nullptr;
    }
  }
  std::qsort(iso->records, static_cast<size_t>(iso->count), sizeof(STD_MARKER), std_cmp_double);
  return iso;
}
