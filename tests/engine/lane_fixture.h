// Lanes built in memory for the engine tests.
#pragma once

#include <cstring>
#include <vector>

#include "base/ks_mem.h"
#include "model/lane.h"

namespace enginetest {

// A lane with centre points and, when given, a profile of one value per row from the first
// centre row down.
inline LANE* make_lane(const std::vector<LN_POINT>& centre, const std::vector<int>& profile = {},
                       int half_width = 5) {
  LANE* lane = ln_make_lane();
  lane->left_width = lane->right_width = half_width;
  lane->num_center_points = static_cast<int>(centre.size());
  lane->center_coords = static_cast<LN_POINT*>(ks_alloc_msg(sizeof(LN_POINT) * centre.size()));
  std::memcpy(lane->center_coords, centre.data(), sizeof(LN_POINT) * centre.size());
  if (!profile.empty()) {
    lane->num_data_values = static_cast<int>(profile.size());
    lane->data_values = static_cast<int32_t*>(ks_alloc_msg(sizeof(int32_t) * profile.size()));
    std::memcpy(lane->data_values, profile.data(), sizeof(int32_t) * profile.size());
  }
  return lane;
}

// A straight vertical lane at x whose profile starts at row y0.
inline LANE* profile_lane(const std::vector<int>& profile, int x = 50, int y0 = 0) {
  return make_lane({{x, y0}, {x, y0 + static_cast<int>(profile.size()) - 1}}, profile);
}

inline std::vector<int> positions(const LN_FEAT* head) {
  std::vector<int> out;
  for (const LN_FEAT* p = head ? head->next : nullptr; p; p = p->next) out.push_back(p->feat.y);
  return out;
}

inline void add_point(LN_FEAT* head, int pos, int value) {
  LN_FEAT* node = ln_make_feat_node();
  node->feat.y = pos;
  node->feat.x = value;
  LN_FEAT** link = &head->next;
  while (*link && (*link)->feat.y < pos) link = &(*link)->next;
  node->next = *link;
  *link = node;
}

struct LaneDeleter {
  void operator()(LANE* l) const { ln_free_lane(l); }
};

}  // namespace enginetest
