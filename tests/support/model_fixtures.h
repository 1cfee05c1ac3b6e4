// Small lane and band fixtures for tests of the model and the engine.
#pragma once

#include <initializer_list>
#include <utility>

#include "base/ks_mem.h"
#include "model/lane.h"
#include "model/spot.h"

namespace vxtest {

// A lane with the given centre line and half-widths.
inline LANE* make_lane(std::initializer_list<std::pair<int, int>> pts, int left, int right) {
  LANE* lane = ln_make_lane();
  lane->num_center_points = int(pts.size());
  lane->center_coords =
      static_cast<LN_POINT*>(ks_alloc_msg(sizeof(LN_POINT) * (pts.size() ? pts.size() : 1)));
  int i = 0;
  for (auto [x, y] : pts) lane->center_coords[i++] = {x, y};
  lane->left_width = left;
  lane->right_width = right;
  return lane;
}

// A band chain: a dummy head plus bands at the given points, in order.
inline SPOT* make_chain(std::initializer_list<std::pair<int, int>> pts) {
  SPOT* head = sp_make_spot();
  SPOT* last = head;
  for (auto [x, y] : pts) {
    SPOT* b = sp_make_spot();
    b->x = x;
    b->y = y;
    sp_add_spot(b, last);
    last = b;
  }
  return head;
}

}  // namespace vxtest
