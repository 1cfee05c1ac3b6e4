// A list of empty lanes behind a dummy head, as lane tracking fills it, freed with its lanes.
#pragma once

#include "model/lane.h"

namespace enginetest {

struct LaneList {
  LANE* head = ln_make_lane();
  explicit LaneList(int n) {
    LANE** link = &head->next;
    for (int i = 0; i < n; ++i) {
      *link = ln_make_lane();
      link = &(*link)->next;
    }
  }
  LaneList(const LaneList&) = delete;
  LaneList& operator=(const LaneList&) = delete;
  ~LaneList() { ln_free_lanes(head); }
  LANE* at(int i) const {
    LANE* l = head->next;
    while (i-- > 0) l = l->next;
    return l;
  }
};

}  // namespace enginetest
