// The lane match map of a list match.
#include <cstdio>
#include <string>

#include "analysis/lane_map.h"
#include "analysis/lane_map_win.h"
#include "analysis/vx_match.h"
#include "base/io_file.h"

TK_OBJ lmap_from_match_results(const MATCH_REQUEST* req, LANE_MATCH* const* results, int count) {
  if (req == nullptr) return nullptr;
  LANE_MAP* map = lmap_new();
  char label[32];
  if (req->ref_from_file) std::snprintf(label, sizeof label, "<n/a>");
  else std::snprintf(label, sizeof label, "%ld", long(req->ref_lane_number));
  const int ref = lmap_add_lane(map, req->path, req->name, label, req->num_ref_bands);
  lmap_fill_lane(lmap_get_lane(map, ref), req->ref_lane, req->ref_bands, nullptr, 0);
  map->ref = lmap_get_lane(map, ref);
  for (int i = 0; i < count; ++i) {
    const LANE_MATCH* m = results[i];
    if (m->label[0] != '\0') std::snprintf(label, sizeof label, "%s", m->label);
    else std::snprintf(label, sizeof label, "%ld", long(m->lane_number));
    const int at = lmap_add_lane(map, m->path, io_base_name(m->name).c_str(), label, m->num_bands);
    lmap_fill_lane(lmap_get_lane(map, at), m->lane, m->bands, m, req->num_ref_bands);
  }
  return lmap_activate(map);
}
