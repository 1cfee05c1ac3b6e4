// Lane maps: lanes side by side as columns with their bands at their relative mobility (or
// size); in a lane match map each lane's matched bands are tied to the reference lane's bands.
// This file holds the model (lanes, letter codes, legend lines, reordering, the band sizes of
// the match file and the band illustration); lane_map_win.cpp the window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shell/gt_chart.h"

struct LANE;
struct SPOT;
struct LANE_MATCH;

inline constexpr uint16_t LMAP_NO_MATCH = 65535;

struct LANE_MAP;

// One column of a map.
struct LMAP_LANE {
  std::string path, name, label;
  int nbands = 0;
  std::vector<double> rf;        // relative mobility of each band
  std::vector<double> size;      // size, 0 when the band has none
  std::vector<uint16_t> match;   // index of the paired reference band, LMAP_NO_MATCH when none
  LANE_MAP* map = nullptr;
};

struct LANE_MAP {
  std::vector<std::string> texts;  // legend line of each lane, "code:  image:label\n"
  std::vector<LMAP_LANE*> lanes;   // display order
  LMAP_LANE* ref = nullptr;        // reference of a lane match map
  ks_scale hscale{}, vscale{};
  double size_min = 2147483647.0, size_max = -2147483648.0;
  int has_sizes = 0;  // some band has a size of 1 or more
};

LANE_MAP* lmap_new();
void lmap_free(LANE_MAP* map);  // null ignored
// Letter code of lane index i: A..Z, AA, AB, ...
std::string lmap_code(int i);
int lmap_add_lane(LANE_MAP* map, const char* path, const char* name, const char* label,
                  int nbands);
LMAP_LANE* lmap_get_lane(const LANE_MAP* map, int index);  // null outside the map
int lmap_lane_count(const LANE_MAP* map);
// Fills the entry from the lane's bands; with a match result, each band's paired reference
// band.
void lmap_fill_lane(LMAP_LANE* entry, const LANE* lane, SPOT** bands, const LANE_MATCH* match,
                    int ref_bands);
// Appends the lane's band sizes in brackets, "[%f %f ]", skipping sizes of 0; nothing when the
// map has no sizes.
void lmap_write_sizes(std::string& out, const LANE_MAP* map, int index);
// The legend line of a lane without its letter code and line end ("image:label"); empty
// outside the map.
std::string lmap_legend_text(const LANE_MAP* map, int index);
// Reorders lanes and legend lines by a list of old indices ended by -1; the letter codes are
// given anew.
void lmap_reorder(LANE_MAP* map, const std::vector<int>& order);
// The lane's bands as a barcode: each band a vertical stroke from y0 to y1 at its mobility
// mapped from 0..1 onto x0..x1.
void lmap_draw_bands(TK_OBJ w, const LANE_MAP* map, int index, int x0, int x1, int y0, int y1);
