// Small builders for the standards tests: marker lists, lanes and bands made from tables.
#pragma once

#include <cmath>
#include <initializer_list>
#include <memory>
#include <vector>

#include "base/ks_mem.h"
#include "model/lane.h"
#include "model/spot.h"
#include "model/std_list.h"

namespace stdtest {

struct M {
  double x, y, value;
  int lane;
  int flags = STD_M_VALID | STD_M_KEPT;
};

struct ListDeleter {
  void operator()(STD_LIST* l) const { std_list_free(l); }
};
using ListPtr = std::unique_ptr<STD_LIST, ListDeleter>;

inline ListPtr make_list(std::initializer_list<M> ms, int method = 3, int extrap = 1) {
  ListPtr l(std_list_create());
  l->int_method = method;
  l->extrap_method = extrap;
  for (const M& m : ms) {
    STD_MARKER r;
    std_marker_clear(&r);
    r.x = m.x;
    r.y = m.y;
    r.value = m.value;
    r.lane_num = m.lane;
    r.flags = m.flags;
    r.ix = static_cast<int32_t>(std::floor(m.x + 0.5));
    r.iy = static_cast<int32_t>(std::floor(m.y + 0.5));
    std_list_append(l.get(), &r);
  }
  return l;
}

// A lane list (dummy head) of straight vertical lanes; freed with the holder.
struct Lanes {
  LANE* head = ln_make_lane();
  ~Lanes() { ln_free_lanes(head); }
  LANE* add(int number, int x, int y0, int y1, int half_width = 10, int tier = 0) {
    LANE* l = ln_make_lane();
    l->lane_number = number;
    l->left_width = half_width;
    l->right_width = half_width;
    l->tier_num = tier;
    l->num_center_points = 2;
    l->center_coords = static_cast<LN_POINT*>(ks_alloc_msg(2 * sizeof(LN_POINT)));
    l->center_coords[0] = {x, y0};
    l->center_coords[1] = {x, y1};
    LANE* t = head;
    while (t->next) t = t->next;
    t->next = l;
    return l;
  }
};

// A band chain (dummy head); freed with the holder.
struct Bands {
  SPOT* head = sp_make_spot();
  ~Bands() { ln_free_bands(head); }
  SPOT* add(int x, int y, double size = 0.0, double amount = 0.0) {
    SPOT* b = sp_make_spot();
    b->x = x;
    b->y = y;
    b->size = size;
    b->amount = amount;
    SPOT* t = head;
    while (t->next) t = t->next;
    sp_add_spot(b, t);
    return b;
  }
};

}  // namespace stdtest
