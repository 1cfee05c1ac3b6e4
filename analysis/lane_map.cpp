// Lane map model: see lane_map.h.
#include "analysis/lane_map.h"

#include <algorithm>
#include <charconv>

#include "analysis/num_text.h"
#include "analysis/vx_match.h"
#include "engine/lane_geometry.h"
#include "model/spot.h"

LANE_MAP* lmap_new() { return new LANE_MAP; }

void lmap_free(LANE_MAP* map) {
  if (!map) return;
  for (LMAP_LANE* l : map->lanes) delete l;
  delete map;
}

std::string lmap_code(int i) {
  std::string rev;
  int v = i;
  while (v >= 0) {
    rev += static_cast<char>('A' + v % 26);
    int q = v / 26;
    if (q < 26) --q;
    v = q;
  }
  return std::string(rev.rbegin(), rev.rend());
}

int lmap_add_lane(LANE_MAP* map, const char* path, const char* name, const char* label,
                  int nbands) {
  auto* l = new LMAP_LANE;
  l->path = path ? path : "";
  l->name = name ? name : "";
  l->label = label ? label : "";
  l->nbands = std::max(nbands, 0);
  l->rf.assign(l->nbands, 0.0);
  l->size.assign(l->nbands, 0.0);
  l->match.assign(l->nbands, LMAP_NO_MATCH);
  l->map = map;
  const int index = static_cast<int>(map->lanes.size());
  map->lanes.push_back(l);
  map->texts.push_back(lmap_code(index) + ":  " + l->name + ":" + l->label + "\n");
  return index;
}

LMAP_LANE* lmap_get_lane(const LANE_MAP* map, int index) {
  if (!map || index < 0 || index >= static_cast<int>(map->lanes.size())) return nullptr;
  return map->lanes[index];
}

int lmap_lane_count(const LANE_MAP* map) { return map ? static_cast<int>(map->lanes.size()) : 0; }

void lmap_fill_lane(LMAP_LANE* e, const LANE* lane, SPOT** bands, const LANE_MATCH* match, int) {
  for (int i = 0; i < e->nbands && bands; ++i) {
    e->rf[i] = ln_y_to_rf(bands[i]->y, lane);
    const double s = bands[i]->size > 0 ? bands[i]->size : 0.0;
    e->size[i] = s;
    if (s >= 1 && e->map) {
      e->map->size_min = std::min(e->map->size_min, s);
      e->map->size_max = std::max(e->map->size_max, s);
      e->map->has_sizes = 1;
    }
    if (match) {
      e->match[i] = LMAP_NO_MATCH;
      for (int k = 0; k < match->num_pairs; ++k)
        if (match->pairs[k].cand == i) e->match[i] = match->pairs[k].ref;
    }
  }
}

void lmap_write_sizes(std::string& out, const LANE_MAP* map, int index) {
  const LMAP_LANE* l = lmap_get_lane(map, index);
  if (!map || !map->has_sizes || !l) return;
  out += '[';
  for (double s : l->size) {
    if (s == 0.0) continue;
    out += num_fixed(s, 6);
    out += ' ';
  }
  out += ']';
}

namespace {
// A legend line's text after the letter code's ":  ", without its line end.
std::string legend_rest(const std::string& line) {
  const std::size_t p = line.find(":  ");
  std::string rest = p == std::string::npos ? line : line.substr(p + 3);
  while (!rest.empty() && (rest.back() == '\n' || rest.back() == '\r')) rest.pop_back();
  return rest;
}
}  // namespace

std::string lmap_legend_text(const LANE_MAP* map, int index) {
  if (!lmap_get_lane(map, index)) return {};
  return legend_rest(map->texts[index]);
}

void lmap_reorder(LANE_MAP* map, const std::vector<int>& order) {
  std::vector<int> olds;
  for (int old : order) {
    if (old < 0) break;
    if (old < static_cast<int>(map->lanes.size()) &&
        std::find(olds.begin(), olds.end(), old) == olds.end())
      olds.push_back(old);
  }
  // Lanes the order leaves out keep their place after the ordered ones.
  for (int i = 0; i < static_cast<int>(map->lanes.size()); ++i)
    if (std::find(olds.begin(), olds.end(), i) == olds.end()) olds.push_back(i);
  std::vector<LMAP_LANE*> lanes;
  std::vector<std::string> texts;
  for (int old : olds) {
    texts.push_back(lmap_code(static_cast<int>(lanes.size())) + ":  " + legend_rest(map->texts[old]) + "\n");
    lanes.push_back(map->lanes[old]);
  }
  map->lanes = std::move(lanes);
  map->texts = std::move(texts);
}

void lmap_draw_bands(TK_OBJ w, const LANE_MAP* map, int index, int x0, int x1, int y0, int y1) {
  const LMAP_LANE* l = lmap_get_lane(map, index);
  if (!l) return;
  ks_scale s;
  ks_scale_init(&s, 0, 0.0, 1.0, x0, x1);
  for (double rf : l->rf) {
    const int x = ks_scale_to_pixel(&s, rf);
    ks_draw_line(w, x, y0, x, y1);
  }
}
