// The lane map window: draws a LANE_MAP (lanes as columns, bands as strokes by relative mobility
// or, when the map has sizes, by size on a logarithmic axis; matched bands tied to the
// reference's), with the legend of lane codes and an axis. The window owns the map.
#pragma once

#include "toolkit/tk_types.h"

struct LANE_MAP;

TK_OBJ lmap_activate(LANE_MAP* map);
// True while the map is drawn by size (the units option on its size unit).
bool lmap_win_by_size(TK_OBJ win);
// "Report Lane Map": a map of the selected lanes of every open image, each with all the bands
// inside it, opened in its window. Nothing when no lane is selected.
TK_OBJ lmap_from_sel_lanes();
