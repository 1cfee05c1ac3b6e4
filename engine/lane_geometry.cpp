// Lane and band geometry.
#include "engine/lane_geometry.h"

#include <climits>
#include <cmath>
#include <cstdlib>

#include "base/slog.h"

int ln_center_x(int y, const LANE* lane) {
  if (!lane) return -1;
  int x = ln_centerline_x(y, lane);
  return x + (lane->left_width + lane->right_width) / 2 - lane->left_width;
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
