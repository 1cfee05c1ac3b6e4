// Lane map window: see lane_map_win.h.
#include "analysis/lane_map_win.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "analysis/dndr_win.h"
#include "analysis/lane_map.h"
#include "base/io_file.h"
#include "base/ks_choose.h"
#include "base/ks_mem.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "model/lane.h"
#include "shell/gt_chart.h"
#include "shell/gt_image_win.h"
#include "shell/gt_show_lanes.h"
#include "shell/ui_print.h"
#include "tools/gt_lane_dlgs.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace {

enum : int { kUnits = 0, kClose = 1, kArea = 2, kPrint = 3, kOrder = 4 };

LANE_MAP* map_of(TK_OBJ w) {
  TK_OBJ win = w ? RES_GetOwnerWindow(w) : nullptr;
  return win ? static_cast<LANE_MAP*>(RES_GetData(win)) : nullptr;
}

int text_w(TK_OBJ a, const std::string& t) {
  short w = 0, h = 0;
  ks_draw_text_size(a, t.c_str(), &w, &h);
  return w;
}
int text_h(TK_OBJ a) {
  short w = 0, h = 0;
  ks_draw_text_size(a, "m", &w, &h);
  return std::max<int>(h, 1);
}

bool by_size(TK_OBJ win) {
  const LANE_MAP* map = map_of(win);
  return map && map->has_sizes && WGT_GetChoice(RES_GetSub(win, kUnits)) == 0;
}

// Scales and the legend's row count.
int layout(TK_OBJ win) {
  LANE_MAP* map = map_of(win);
  TK_OBJ area = RES_GetSub(win, kArea);
  const TkRect v = CANVAS_GetVisible(area);
  const int th = text_h(area);
  const int w = text_w(area, "MMMMMMMMMM");
  const double c = 0.375 * w;
  const int n = std::max(lmap_lane_count(map), 1);
  const int x0 = w / 8 + text_w(area, "0000.00 ");
  ks_scale_init(&map->hscale, 0, 0.0, n, x0, x0 + static_cast<int>(c * n));
  std::size_t longest = 0;
  for (std::size_t i = 0; i < map->texts.size(); ++i)
    if (map->texts[i].size() > map->texts[longest].size()) longest = i;
  int rows = map->texts.empty()
                 ? 1
                 : static_cast<int>(std::ceil(text_w(area, map->texts[longest]) / std::max(c, 1.0)));
  rows = std::clamp(rows, 1, n);
  const int top = (rows + 3) * th, bottom = v.h - th / 2;
  if (by_size(win))
    ks_scale_init(&map->vscale, 1, std::exp(0.95 * std::log(map->size_min)),
                  std::exp(1.05 * std::log(map->size_max)), top, bottom);
  else
    ks_scale_init(&map->vscale, 0, 0.0, 1.0, top, bottom);
  return rows;
}

void paint(TK_OBJ win) {
  LANE_MAP* map = map_of(win);
  TK_OBJ area = RES_GetSub(win, kArea);
  if (!map || !area) return;
  const int rows = layout(win);
  const int th = text_h(area);
  const bool size = by_size(win);
  const int n = lmap_lane_count(map);
  auto col = [&](int k, double f) {
    return ks_scale_to_pixel(&map->hscale, k + f);
  };
  auto ypos = [&](const LMAP_LANE* l, int b) {
    return ks_scale_to_pixel(&map->vscale, size ? l->size[b] : l->rf[b]);
  };
  auto drawn = [&](const LMAP_LANE* l, int b) { return !size || l->size[b] > 0; };
  int ref_index = -1;
  for (int k = 0; k < n; ++k)
    if (map->lanes[k] == map->ref) ref_index = k;
  // Reference bands marked in every column, in the stock colour 3.
  if (map->ref) {
    const TkColor fg = DRAW_GetForeground(area);
    DRAW_SetColors(area, DRAW_StockColor(3), DRAW_GetBackground(area));
    for (int k = 0; k < n; ++k)
      for (int b = 0; b < map->ref->nbands; ++b)
        if (drawn(map->ref, b)) {
          const int y = ypos(map->ref, b);
          ks_draw_line(area, col(k, 0.4), y, col(k, 0.6), y);
        }
    DRAW_SetColors(area, fg, DRAW_GetBackground(area));
  }
  for (int k = 0; k < n; ++k) {
    const LMAP_LANE* l = map->lanes[k];
    for (int b = 0; b < l->nbands; ++b) {
      if (!drawn(l, b)) continue;
      const int y = ypos(l, b);
      ks_draw_line(area, col(k, 0.2), y, col(k, 0.8), y);
      const uint16_t m = l->match[b];
      if (map->ref && ref_index >= 0 && m != LMAP_NO_MATCH && m < map->ref->nbands &&
          drawn(map->ref, m))
        ks_draw_line(area, col(k, 0.2), y, col(ref_index, 0.8), ypos(map->ref, m));
    }
    const std::string code = lmap_code(k);
    ks_draw_text(area, col(k, 0.5) - text_w(area, code) / 2, rows * th + th, 17, code.c_str());
  }
  for (int i = 0; i < n; ++i) {
    std::string line = map->texts[i];
    if (!line.empty() && line.back() == '\n') line.pop_back();
    ks_draw_text(area, col(i - i % rows, 0.0), (i % rows) * th, 17, line.c_str());
  }
  // The axis: a vertical line with the unit at its top and n + 1 labelled ticks.
  const int ax = map->hscale.pix0 - 4;
  const int y0 = map->vscale.pix0, y1 = map->vscale.pix1;
  ks_draw_line(area, ax, y0, ax, y1);
  const std::string unit = size ? gt_get_control()->size_unit : "Rf";
  ks_draw_text(area, 2, y0 - 2 * th, 17, unit.c_str());
  const int steps = std::max(((y1 - y0) * 2 / th + 1) / 3, 1);
  char label[32];
  for (int t = 0; t <= steps; ++t) {
    double v;
    if (size)
      v = std::exp(std::log(map->vscale.min) +
                   t * (std::log(map->vscale.max) - std::log(map->vscale.min)) / steps);
    else
      v = map->vscale.min + t * (map->vscale.max - map->vscale.min) / steps;
    std::snprintf(label, sizeof label, size ? "%7.1lf" : "%04.2lf", v);
    const int y = ks_scale_to_pixel(&map->vscale, v);
    ks_draw_line(area, ax - 3, y, ax, y);
    ks_draw_text(area, 2, y - th / 2, 17, label);
  }
}

// A press on a lane's column shows that lane in its image window, beside the reference lane
// of a lane match map.
void click(TK_OBJ area) {
  const LANE_MAP* map = map_of(area);
  if (!map || EVENT_GetButtonState() != 1) return;
  const double at = ks_scale_from_pixel(&map->hscale, EVENT_GetPos().x);
  const LMAP_LANE* lane = at >= 0 ? lmap_get_lane(map, static_cast<int>(at)) : nullptr;
  if (!lane) return;
  gt_show_reset();
  if (map->ref && map->ref != lane)
    gt_show_lane_1(map->ref->path.c_str(), map->ref->name.c_str(), map->ref->label.c_str());
  gt_show_lane_1(lane->path.c_str(), lane->name.c_str(), lane->label.c_str());
}

// The lane order dialog starts empty and offers every lane by its legend text; a kept,
// non-empty order rearranges the map.
void order(TK_OBJ win) {
  LANE_MAP* map = map_of(win);
  const int n = lmap_lane_count(map);
  if (n == 0) return;
  std::vector<LnOrderEntry> lanes(n);
  for (int i = 0; i < n; ++i) {
    lanes[i].id = i;
    std::snprintf(lanes[i].name, sizeof lanes[i].name, "%s", lmap_legend_text(map, i).c_str());
  }
  std::vector<int> ids(n, -1);
  if (!gt_ln_order_activate(lanes.data(), n, ids.data()) || ids[0] < 0) return;
  lmap_reorder(map, ids);
  WGT_Redraw(RES_GetSub(win, kArea));
}

long area_nfy(TK_OBJ area, int event) {
  if (event == TK_EV_EXPOSE) {
    paint(RES_GetOwnerWindow(area));
    return 0;
  }
  if (event == TK_EV_MOUSE) click(area);
  return WGT_DefaultNfy(area, event);
}

long units_nfy(TK_OBJ w, int event) {
  const long rc = WGT_DefaultNfy(w, event);
  if (event == TK_EV_CHOICE) WGT_Redraw(RES_GetSub(RES_GetOwnerWindow(w), kArea));
  return rc;
}

long button_nfy(TK_OBJ w, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(w, event);
  TK_OBJ win = RES_GetOwnerWindow(w);
  if (w == RES_GetSub(win, kClose)) {
    WIN_Terminate(win);
    return 0;
  }
  if (w == RES_GetSub(win, kPrint))
    ui_print_widget(RES_GetSub(win, kArea), gt_get_control()->folders[CTL_DIR_REPORTS]);
  else if (w == RES_GetSub(win, kOrder))
    order(win);
  return WGT_DefaultNfy(w, event);
}

long win_nfy(TK_OBJ win, int event) {
  if (graph_close_box(win, event)) return 0;
  if (event == TK_EV_TERMINATE) {
    const long rc = WGT_DefaultNfy(win, event);
    lmap_free(map_of(win));
    RES_SetData(win, nullptr);
    return rc;
  }
  return WGT_DefaultNfy(win, event);
}

}  // namespace

bool lmap_win_by_size(TK_OBJ win) { return by_size(win); }

TK_OBJ lmap_activate(LANE_MAP* map) {
  TK_OBJ win = WIN_Load("ln_map", "WinLaneMap");
  if (!win) {
    lmap_free(map);
    return nullptr;
  }
  RES_SetData(win, map);
  RES_SetNfy(win, win_nfy);
  RES_SetNfy(RES_GetSub(win, kUnits), units_nfy);
  RES_SetNfy(RES_GetSub(win, kArea), area_nfy);
  for (int p : {kClose, kPrint, kOrder}) RES_SetNfy(RES_GetSub(win, p), button_nfy);
  TK_OBJ units = RES_GetSub(win, kUnits);
  const char* items[] = {gt_get_control()->size_unit, "Rf"};
  WGT_SetItems(units, items, 2);
  WGT_SetChoice(units, map->has_sizes ? 0 : 1);
  WGT_Enable(units, map->has_sizes ? 1 : 0);
  WIN_SetOwner(win, gt_get_main_win());  // kept above the main window, as the tool windows are
  WIN_Init(win);
  WIN_SetTitle(win, map->ref ? "Lane Match Map" : "Lane Map");
  ui_wpos_place(win, 100, 100, FALSE);  // the lower right corner of the free screen area
  WIN_Show(win);
  WGT_Redraw(RES_GetSub(win, kArea));
  return win;
}

TK_OBJ lmap_from_sel_lanes() {
  LANE_MAP* map = lmap_new();
  for (int w = 0; w < gt_get_num_img_windows(); ++w) {
    auto* im = static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(w)));
    if (!im || !im->has_lanes || !im->lanes) continue;
    char stripped[KS_PATH_LEN];
    const char* name = io_strip_extension(stripped, im->image_name) == 0 ? stripped : im->image_name;
    for (LANE* lane = im->lanes->next; lane; lane = lane->next) {
      if (!(lane->f & LN_F_SELECTED)) continue;
      SPOT** bands = nullptr;
      const int count = std::max(im->bands ? ln_find_bands_in_lane(im->bands, &bands, lane, nullptr, nullptr) : 0, 0);
      char label[64];
      if (lane->lane_name[0])
        std::snprintf(label, sizeof label, "%ld:%s", static_cast<long>(lane->lane_number), lane->lane_name);
      else
        std::snprintf(label, sizeof label, "%ld", static_cast<long>(lane->lane_number));
      const int k = lmap_add_lane(map, im->file_path, name, label, count);
      lmap_fill_lane(lmap_get_lane(map, k), lane, bands, nullptr, 0);
      ks_free(bands);
    }
  }
  if (lmap_lane_count(map) == 0) {
    lmap_free(map);
    return nullptr;
  }
  return lmap_activate(map);
}
