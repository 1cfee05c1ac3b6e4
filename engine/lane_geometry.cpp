// Lane and band geometry.
#include "engine/lane_geometry.h"

#include <climits>
#include <cmath>
#include <cstdlib>

#include "base/slog.h"
#include "engine/std_numeric.h"
#include "engine/std_sort.h"

int ln_center_x(int y, const LANE* lane) {
  if (!lane) return -1;
  // Wide arithmetic: stored widths may be any 32-bit values.
  const long long x = ln_centerline_x(y, lane);
  const long long left = lane->left_width, right = lane->right_width;
  const long long c = x + (left + right) / 2 - left;
  return c < INT_MIN ? INT_MIN : (c > INT_MAX ? INT_MAX : static_cast<int>(c));
}

int mt_dist(int x1, int y1, int x2, int y2) {
  double dx = double(x2) - double(x1);
  double dy = double(y2) - double(y1);
  return int(std::floor(std::sqrt(dx * dx + dy * dy) + 0.5));
}

LANE* ln_nearest_lane(int x, int y, LANE* head) {
  if (!head) return nullptr;
  LANE* best = nullptr;
  int best_d = INT_MAX;
  for (LANE* l = head->next; l; l = l->next) {
    if (!l->center_coords) continue;
    for (int i = 0; i < l->num_center_points; ++i) {
      int d = mt_dist(x, y, l->center_coords[i].x, l->center_coords[i].y);
      if (d < best_d) {
        best_d = d;
        best = l;
      }
    }
  }
  return best;
}

double ln_y_to_rf(int y, const LANE* lane) {
  if (!lane || lane->num_center_points <= 0 || !lane->center_coords) return 0.0;
  double first = lane->center_coords[0].y;
  double last = lane->center_coords[lane->num_center_points - 1].y;
  double len = last - first + 1.0;
  if (len == 0.0) return 0.0;
  return (double(y) - first + 1.0) / len;
}

SPOT* sp_nearest_spot(int x, int y, int limit, SPOT* head, SP_FILTER filter) {
  if (!head) return nullptr;
  SPOT* best = nullptr;
  int best_d = 0;
  for (SPOT* b = head->next; b; b = b->next) {
    if (filter && !filter(b)) continue;
    int d = mt_dist(x, y, b->x, b->y);
    if (!best || d < best_d) {
      best = b;
      best_d = d;
    }
  }
  if (best && limit >= 0 && best_d >= limit) return nullptr;
  return best;
}

SPOT* sp_nearest_by_y(const LANE* lane, int y, int limit, SPOT* head) {
  if (!lane || !head) return nullptr;
  SPOT* best = nullptr;
  int best_d = 30000;
  for (SPOT* b = head->next; b; b = b->next) {
    if (!ln_xyinlane(b->x, b->y, lane)) continue;
    int d = std::abs(b->y - y);
    if (d < best_d) {
      best_d = d;
      best = b;
    } else if (d > best_d) {
      break;
    }
  }
  if (best && limit >= 0 && best_d > limit) return nullptr;
  return best;
}

void ln_lane_extent(const LANE* lane, int* right_x, int* left_x) {
  if (!lane) return;
  int max_x = 0;
  int min_x = INT_MAX;
  if (lane->center_coords) {
    for (int i = 0; i < lane->num_center_points; ++i) {
      if (lane->center_coords[i].x > max_x) max_x = lane->center_coords[i].x;
      if (lane->center_coords[i].x < min_x) min_x = lane->center_coords[i].x;
    }
  }
  if (right_x) *right_x = max_x + lane->right_width;
  if (left_x) *left_x = min_x - lane->left_width;
}

void ln_mark_find_band(const LANE* lane, int* x, int* y, int limit, int* found, STD_LIST* list,
                       SPOT* head) {
  if (!lane || !list || !list->records || list->count <= 0) return;
  const STD_MARKER first = list->records[0];
  const int y0 = int(first.y);
  const int x0 = ln_center_x(y0, lane);
  STD_MARKER left{}, right{};
  const int nl = std_find_nearest_markers(list, x0, first.value, 1, 0, &left, -1, 1);
  const int nr = std_find_nearest_markers(list, x0, first.value, 1, 0, &right, 1, 1);
  double row;
  if (nl == 1 && nr == 1) {
    if (left.value != right.value) {
      SLOG("ln_mark_find_band", SLOG_VALUE4, "markers differ, %.3f and %.3f", left.value,
           right.value);
      return;
    }
    row = std_linlog_interpolate(left.x, right.x, left.y, right.y, x0, STD_LINEAR);
  } else if (nl == 1) {
    row = left.y;
  } else if (nr == 1) {
    row = right.y;
  } else {
    SLOG("ln_mark_find_band", SLOG_VALUE4, "no marker of value %.3f", first.value);
    return;
  }
  SPOT* band = sp_nearest_spot(x0, int(row), limit, head, nullptr);
  if (band) {
    if (x) *x = band->x;
    if (y) *y = band->y;
    if (found) *found = 1;
  } else {
    if (x) *x = -1;
    if (y) *y = -1;
    if (found) *found = 0;
  }
}
