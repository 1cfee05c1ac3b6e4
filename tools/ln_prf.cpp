// The lane profile window: the density profiles of the selected lanes of every open image in one
// chart, optionally background-subtracted, smoothed, stacked and marked where bands lie. The
// chart and the image windows are linked both ways: a click on a curve shows that row in the
// lane's image (Shift adds a band there), a click of the other button in an image moves the
// pointer to the matching chart point. The window works on copies of the lanes.
//
// The fractions report shares this window's slot and chart machinery (profile mode off).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/ks_choose.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "engine/lane_geometry.h"
#include "model/control.h"
#include "model/lane.h"
#include "model/spot.h"
#include "shell/gt_chart.h"
#include "shell/gt_image_win.h"
#include "shell/gt_overlay.h"
#include "shell/ih_draw.h"
#include "shell/ui_print.h"
#include "toolkit/tk_chart.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_print.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_roles.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_band_util.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_report_wins.h"
#include "tools/ln_prf_win.h"

namespace {

enum { P_CHART = 0, P_PRINT = 1, P_CLOSE = 2, P_SAVE = 3, P_SUB = 4, P_OFFSET = 5, P_BANDS = 6, P_SMOOTH = 7 };
constexpr int kPointLimit = 16384;  // (lanes + 2) x points stays below this

TK_OBJ s_win = nullptr;      // the profile window or the fractions report
int s_profile_mode = 1;      // 1 profile window, 0 fractions report
PRF_LANE* s_lanes = nullptr;
int* s_block = nullptr;      // (lanes + 1) x points ints, row by row
int s_plotted = 0, s_points = 0;
std::vector<int> s_offsets;
std::vector<PRF_LANE*> s_plot_lanes;
int s_sub = 0, s_smooth = 0, s_offset_on = 0, s_show_bands = 0;
int s_pt_counter = 0, s_series_counter = 0;
std::string s_caption_title;  // the fractions report's caption
std::string s_caption;

int round_half_up(double v) { return static_cast<int>(std::floor(v + 0.5)); }

// The stock colour code of the toolkit's indexed colour (3 black .. 10 violet).
int stock_of_indexed(int index) {
  switch (index) {
    case 3: return 9;
    case 4: return 6;
    case 5: return 0;
    case 6: return 5;
    case 7: return 3;
    case 8: return 1;
    case 9: return 2;
    case 10: return 4;
    default: return 9;
  }
}

void free_lanes(PRF_LANE* l) {
  while (l) {
    PRF_LANE* next = l->next;
    ks_free(l->data_values);
    ks_free(l->baseline_values);
    ks_free(l->image_name);
    ks_free(l);
    l = next;
  }
}

void free_chart_data() {
  if (s_win) CHART_SetData(RES_GetSub(s_win, P_CHART), nullptr, 0, 0, 0);
  ks_free(s_block);
  s_block = nullptr;
  s_offsets.clear();
  s_plot_lanes.clear();
  s_plotted = s_points = 0;
}

int raw_value(const PRF_LANE* l, int i, int sub) {
  i = std::clamp(i, 0, l->n - 1);
  return l->data_values[i] - (sub ? l->baseline_values[i] : 0);
}

int plotted_value(const PRF_LANE* l, int i) {
  return profile_data_point(s_sub, s_smooth, i, 5, l->n, l->data_values, l->baseline_values);
}

TK_OBJ chart() { return s_win ? RES_GetSub(s_win, P_CHART) : nullptr; }

void set_offset_enabled() {
  if (s_win && s_profile_mode) WGT_Enable(RES_GetSub(s_win, P_OFFSET), s_plotted == 1 ? 0 : 1);
}

long S_ln_prf_CButNfy(TK_OBJ w, int event, const char* tag) {
  const long r = WGT_DefaultNfy(w, event);
  if (event != TK_EV_ACTIVATE) return r;
  ln_prf_init(tag, s_lanes);
  set_offset_enabled();
  return r;
}
long S_ln_prf_CBut1Nfy(TK_OBJ w, int e) { return S_ln_prf_CButNfy(w, e, "CBut1"); }
long S_ln_prf_CBut2Nfy(TK_OBJ w, int e) { return S_ln_prf_CButNfy(w, e, "CBut2"); }
long S_ln_prf_CBut3Nfy(TK_OBJ w, int e) { return S_ln_prf_CButNfy(w, e, "CBut3"); }
long S_ln_prf_CBut4Nfy(TK_OBJ w, int e) { return S_ln_prf_CButNfy(w, e, "CBut4"); }

long S_ln_prf_PBut3Nfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  ks_chart_save_as(chart(), gt_get_control()->folders[CTL_DIR_REPORTS], 1);
  return 0;
}

}  // namespace

// The chart's procedure, shared with the fractions report.
long S_ln_prf_chartNfy(TK_OBJ c, int event) {
  switch (event) {
    case TK_EV_CHART_POINT: {
      bool draw = false;
      if (s_show_bands && s_series_counter < s_plotted) {
        const PRF_LANE* l = s_plot_lanes[static_cast<std::size_t>(s_series_counter)];
        draw = s_pt_counter < l->n && l->data_values[l->n + s_pt_counter] == 1;
      }
      if (++s_pt_counter >= s_points) {
        s_pt_counter = 0;
        if (++s_series_counter >= s_plotted) s_series_counter = 0;
      }
      return draw ? WGT_DefaultNfy8(c, event) : 0;
    }
    case TK_EV_CHART_LABEL: {
      const long r = WGT_DefaultNfy8(c, event);
      int axis = 0;
      double v = 0;
      CHART_EventLabel(&axis, &v);
      if (axis == 0) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%1.2lf", s_points > 1 ? v / (s_points - 1) : 0.0);
        CHART_SetLabelText(buf);
      }
      return r;
    }
    case TK_EV_MOUSE: {
      const long r = WGT_DefaultNfy8(c, event);
      if (EVENT_GetButtonState() != 1) return r;
      PRF_LANE* lane = nullptr;
      const int index = ln_prf_click_index(c, EVENT_GetPos(), &lane);
      if (index >= 0 && lane) ln_prf_jump_to_image(lane, index, (NDVGM_Op403() & TK_MOD_SHIFT) ? 1 : 0);
      return r;
    }
    default:
      return WGT_DefaultNfy8(c, event);
  }
}

long S_PButPrintNfy(TK_OBJ button, int event) {
  const long r = WGT_DefaultNfy(button, event);
  if (event != TK_EV_ACTIVATE || !s_win) return r;
  if (s_profile_mode) {
    TkPageSetup page = PRINT_GetDefaults();
    page.extra = 2;
    page.orientation = 1;
    ui_print(chart(), gt_get_control()->folders[CTL_DIR_REPORTS], nullptr, &page);
  } else {
    ln_pres_print(s_win);
  }
  return r;
}

long S_ln_prf_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_TERMINATE && win == s_win) {
    CONTROL* ctl = gt_get_control();
    ctl->ln_prf_sub_bg = static_cast<int>(WGT_GetValue(RES_GetSub(win, P_SUB)));
    if (s_profile_mode) {
      ctl->ln_prf_offset = static_cast<int16_t>(WGT_GetValue(RES_GetSub(win, P_OFFSET)));
      ctl->ln_prf_show_bands = static_cast<int16_t>(WGT_GetValue(RES_GetSub(win, P_BANDS)));
    } else {
      ln_pres_commentary_deactivate();
    }
    ctl->ln_prf_smooth = static_cast<int>(WGT_GetValue(RES_GetSub(win, P_SMOOTH)));
    ln_prf_free();
    s_win = nullptr;
  }
  return gt_tool_win_default(win, event);
}

void ln_prf_free() {
  free_chart_data();
  free_lanes(s_lanes);
  s_lanes = nullptr;
}

TK_OBJ ln_prf_window() { return s_win; }
PRF_LANE* ln_prf_lanes() { return s_lanes; }
int ln_prf_offset(int k) {
  return k >= 0 && k < static_cast<int>(s_offsets.size()) ? s_offsets[static_cast<std::size_t>(k)] : 0;
}
int ln_prf_profile_mode() { return s_profile_mode; }
const char* ln_prf_caption() { return s_caption.c_str(); }
void ln_prf_set_caption_title(const char* title) { s_caption_title = title ? title : ""; }
void ln_prf_set_lanes(PRF_LANE* first) {
  if (first != s_lanes) free_lanes(s_lanes);
  s_lanes = first;
}

TK_OBJ ln_prf_open(TK_OBJ owner, int profile_mode) {
  // The profile window and the report have different layouts: the other one closes first.
  if (s_win && s_profile_mode != profile_mode) ln_prf_dismiss();
  if (s_win) {
    ln_prf_free();
  } else {
    const char* name = profile_mode ? "ln_prf" : "ln_pres";
    TK_OBJ win = WIN_Load(name, profile_mode ? "ln_prf_win" : "ln_pres_win");
    if (!win) return nullptr;
    RES_SetNfy(win, S_ln_prf_winNfy);
    CHART_Attach(RES_GetSub(win, P_CHART));
    const GtPartNfy parts[] = {{P_CHART, S_ln_prf_chartNfy}, {P_PRINT, S_PButPrintNfy},
                               {P_CLOSE, S_Close_PButNfy},   {P_SUB, S_ln_prf_CBut1Nfy},
                               {P_OFFSET, S_ln_prf_CBut2Nfy}, {P_BANDS, S_ln_prf_CBut3Nfy},
                               {P_SMOOTH, S_ln_prf_CBut4Nfy}};
    for (const GtPartNfy& p : parts) RES_SetNfy(RES_GetSub(win, p.index), p.proc);
    if (profile_mode) RES_SetNfy(RES_GetSub(win, P_SAVE), S_ln_prf_PBut3Nfy);
    WIN_SetOwner(win, owner);
    WIN_Op1630(win, 1);
    WIN_Init(win);
    s_win = win;
  }
  s_profile_mode = profile_mode;
  return s_win;
}

PRF_LANE* ln_prf_copy_lane(IMAGE_REC* im, LANE* lane) {
  static const char* fn = "gt_lane_profile_activate";
  // A lane without a profile has nothing to plot.
  if (!lane || lane->num_data_values <= 0 || !lane->data_values) return nullptr;
  auto* c = static_cast<PRF_LANE*>(ks_alloc_msg(sizeof(PRF_LANE)));
  if (!c) return nullptr;
  const int n = lane->num_data_values;
  std::snprintf(c->lane_name, sizeof c->lane_name, "%s", lane->lane_name);
  c->lane_number = lane->lane_number;
  c->n = n;
  c->y0 = lane->num_center_points > 0 && lane->center_coords ? lane->center_coords[0].y : 0;
  c->data_values = static_cast<int*>(ks_alloc_msg(sizeof(int) * 2 * static_cast<std::size_t>(n)));
  c->baseline_values = static_cast<int*>(ks_alloc_msg(sizeof(int) * static_cast<std::size_t>(n)));
  c->image_name = static_cast<char*>(ks_alloc_msg(IMG_PATH_LEN));
  if (!c->data_values || !c->baseline_values || !c->image_name) {
    ks_dbg_null_ptr(fn, !c->data_values ? "tmp_lane->data_values"
                        : !c->baseline_values ? "tmp_lane->baseline_values" : "tmp_lane->image_name");
    c->next = nullptr;
    free_lanes(c);
    return nullptr;
  }
  std::memcpy(c->data_values, lane->data_values, sizeof(int) * static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i)
    c->baseline_values[i] = lane->baseline_values && lane->bckgrnd_type ? lane->baseline_values[i] : 0;
  ln_prf_mark_bands(im->bands, c, lane);
  std::snprintf(c->image_name, IMG_PATH_LEN, "%s", im->image_name);
  return c;
}

void gt_lane_profile_activate(TK_OBJ owner) {
  SLOG("gt_lane_profile_activate", SLOG_ENTRY, "%s", "");
  if (!ln_prf_open(owner, 1)) return;
  CONTROL* ctl = gt_get_control();
  WGT_SetValue(RES_GetSub(s_win, P_SUB), ctl->ln_prf_sub_bg ? 1 : 0);
  WGT_SetValue(RES_GetSub(s_win, P_OFFSET), ctl->ln_prf_offset ? 1 : 0);
  WGT_SetValue(RES_GetSub(s_win, P_BANDS), ctl->ln_prf_show_bands ? 1 : 0);
  WGT_SetValue(RES_GetSub(s_win, P_SMOOTH), ctl->ln_prf_smooth ? 1 : 0);
  PRF_LANE** tail = &s_lanes;
  for (int w = 0; w < gt_get_num_img_windows(); ++w) {
    auto* im = static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(w)));
    if (!im || !im->lanes || !im->has_lanes || im->num_sel_lanes <= 0) continue;
    for (LANE* l = im->lanes->next; l; l = l->next) {
      if (!(l->f & LN_F_SELECTED)) continue;
      if (PRF_LANE* c = ln_prf_copy_lane(im, l)) {
        *tail = c;
        tail = &c->next;
      }
    }
  }
  ui_wpos_place_size(s_win, 95, 95, 0, 65, 35);
  WIN_Show(s_win);
  ln_prf_init("prof_init", s_lanes);
  set_offset_enabled();
}

int profile_data_point(int subtract, int smooth, int index, int width, int n, const int* data,
                       const int* baseline) {
  if (n <= 0 || !data) return 0;
  const int i = std::clamp(index, 0, n - 1);
  auto v = [&](int k) { return data[k] - (subtract && baseline ? baseline[k] : 0); };
  if (!smooth) return v(i);
  int lo, hi;
  if (i == 0) lo = 0, hi = 2;
  else if (i == 1) lo = 0, hi = 3;
  else if (i == n - 1) lo = n - 3, hi = n - 1;
  else if (i == n - 2) lo = n - 4, hi = n - 1;
  else lo = i - width / 2, hi = i + width / 2;
  lo = std::max(lo, 0);
  hi = std::min(hi, n - 1);
  long long sum = 0;
  for (int k = lo; k <= hi; ++k) sum += v(k);
  return static_cast<int>(sum / (hi - lo + 1));
}

void ln_prf_mark_bands(SPOT* band_head, PRF_LANE* copy, LANE* source) {
  if (!copy || !source || !copy->data_values) return;
  int* marks = copy->data_values + copy->n;
  std::fill(marks, marks + copy->n, 0);
  if (!band_head) return;
  SPOT** bands = nullptr;
  const int count = ln_find_bands_in_lane(band_head, &bands, source, nullptr, nullptr);
  const int y0 = source->num_center_points > 0 ? source->center_coords[0].y : 0;
  for (int i = 0; i < count; ++i) {
    const int k = bands[i]->y - y0;
    if (k >= 0 && k < copy->n) marks[k] = 1;  // a band outside the profile has no mark
  }
  ks_free(bands);
}

int ln_prf_init(const char* tag, PRF_LANE* first) {
  SLOG("ln_prf_init", SLOG_ENTRY, "%s", tag ? tag : "");
  if (!s_win) return 0;
  s_sub = static_cast<int>(WGT_GetValue(RES_GetSub(s_win, P_SUB)));
  s_smooth = static_cast<int>(WGT_GetValue(RES_GetSub(s_win, P_SMOOTH)));
  s_offset_on = s_profile_mode ? static_cast<int>(WGT_GetValue(RES_GetSub(s_win, P_OFFSET))) : 0;
  s_show_bands = s_profile_mode ? static_cast<int>(WGT_GetValue(RES_GetSub(s_win, P_BANDS))) : 0;
  s_pt_counter = s_series_counter = 0;
  free_chart_data();
  TK_OBJ c = chart();
  // Lanes that fit the chart's limit on points.
  bool refused = false;
  for (PRF_LANE* l = first; l; l = l->next) {
    const int points = std::max(s_points, l->n);
    if (!refused && (static_cast<long long>(s_plot_lanes.size()) + 2) * points < kPointLimit) {
      s_plot_lanes.push_back(l);
      s_points = points;
    } else {
      refused = true;
    }
  }
  if (refused) mh_send_msg(0, "%s", gt_get_message(168));
  s_plotted = static_cast<int>(s_plot_lanes.size());
  char caption[600];
  if (!s_profile_mode) {
    std::snprintf(caption, sizeof caption, "%s", s_caption_title.c_str());
  } else if (s_offset_on && s_plotted > 1) {
    const PRF_LANE* l = s_plot_lanes[0];
    char lane[32];
    if (l->lane_name[0]) std::snprintf(lane, sizeof lane, "%s", l->lane_name);
    else std::snprintf(lane, sizeof lane, "%d", l->lane_number);
    std::snprintf(caption, sizeof caption, "%s (%s:%s %s)", gt_get_message(50), l->image_name, lane,
                  "is the bottom profile");
  } else {
    std::snprintf(caption, sizeof caption, "%s   ", gt_get_message(50));
  }
  CHART_SetTitle(c, caption, nullptr);
  s_caption = caption;
  if (s_plotted == 0) {
    CHART_Paint(c);
    return 0;
  }
  if (s_plotted == 1) s_offset_on = 0;
  const int per = s_plotted + 1;
  s_block = static_cast<int*>(ks_alloc_msg(sizeof(int) * static_cast<std::size_t>(per) * s_points));
  if (!s_block) {
    s_plot_lanes.clear();
    s_plotted = s_points = 0;
    return 0;
  }
  // Offsets: each lane stands on the heights (largest value + 12) of the lanes before it.
  s_offsets.assign(static_cast<std::size_t>(s_plotted), 0);
  if (s_offset_on)
    for (int k = 1; k < s_plotted; ++k) {
      const PRF_LANE* l = s_plot_lanes[static_cast<std::size_t>(k - 1)];
      int top = raw_value(l, 0, s_sub);
      for (int i = 1; i < l->n; ++i) top = std::max(top, raw_value(l, i, s_sub));
      s_offsets[static_cast<std::size_t>(k)] = s_offsets[static_cast<std::size_t>(k - 1)] + top + 12;
    }
  int ymin = 0, ymax = 1;
  for (int i = 0; i < s_points; ++i) {
    int* row = s_block + static_cast<std::size_t>(i) * per;
    row[0] = i;
    for (int k = 0; k < s_plotted; ++k) {
      row[k + 1] = s_offsets[static_cast<std::size_t>(k)] + plotted_value(s_plot_lanes[static_cast<std::size_t>(k)], i);
      ymin = std::min(ymin, row[k + 1]);
      ymax = std::max(ymax, row[k + 1]);
    }
  }
  const double major = (s_points - 1) / 10;
  CHART_SetXRange(c, 0, s_points - 1, major, major / 2);
  const double ystep = std::max(1, (ymax - ymin) / 8);
  CHART_SetYRange(c, ymin, ymax, ystep, ystep / 2);
  CHART_SetData(c, s_block, TK_CHART_I32, per, s_points);
  for (int k = 0; k < s_plotted; ++k) {
    const PRF_LANE* l = s_plot_lanes[static_cast<std::size_t>(k)];
    char label[300];
    if (!s_profile_mode) {
      if (l->lane_name[0]) std::snprintf(label, sizeof label, "Lane %s", l->lane_name);
      else std::snprintf(label, sizeof label, "Lane %d", l->lane_number);
    } else if (l->lane_name[0]) {
      std::snprintf(label, sizeof label, "%s:%s", l->image_name, l->lane_name);
    } else {
      std::snprintf(label, sizeof label, "%s:%d", l->image_name, l->lane_number);
    }
    const int s = k + 2;
    int code = s % 7 + 3;
    if (code == 8) code = 10;
    CHART_SetSeries(c, k + 1, stock_of_indexed(code), label,
                    TK_CHART_LINE | (s_show_bands ? TK_CHART_MARKERS : 0));
  }
  CHART_Paint(c);
  SLOG("ln_prf_init", SLOG_EXIT, "%d lanes", s_plotted);
  return s_plotted;
}

int ln_prf_click_index(TK_OBJ c, TkPoint p, PRF_LANE** lane) {
  if (lane) *lane = nullptr;
  if (!c || s_plotted == 0 || !s_block) return -1;
  const TkRect r = CHART_GetPlotRect(c);
  if (p.x < r.x || p.x >= r.x + r.w || p.y < r.y || p.y >= r.y + r.h || r.w < 2 || r.h < 2) return -1;
  const double x_range = s_points - 1;
  const double y_min = CHART_PixelToY(c, r.y + r.h - 1), y_max = CHART_PixelToY(c, r.y);
  // The profile index under the pointer counts from 1 at the plot's left edge.
  const int index = round_half_up((p.x - r.x) * x_range / r.w) + 1;
  const int value = round_half_up(y_max - (p.y - r.y) * (y_max - y_min) / (r.h - 1));
  PRF_LANE* hit = nullptr;
  if (s_offset_on) {
    for (int k = 0; k < s_plotted; ++k) {
      const int lo = s_offsets[static_cast<std::size_t>(k)];
      const bool last = k == s_plotted - 1;
      if (value >= lo && (last || value < s_offsets[static_cast<std::size_t>(k + 1)])) hit = s_plot_lanes[static_cast<std::size_t>(k)];
    }
  } else {
    long best = -1;
    for (PRF_LANE* l : s_plot_lanes) {
      if (l->n <= index) continue;
      const long d = std::labs(static_cast<long>(raw_value(l, index, s_sub)) - value);
      if (best < 0 || d < best) best = d, hit = l;
    }
  }
  if (!hit) return -1;
  if (lane) *lane = hit;
  return index;
}

int ln_prf_jump_to_image(PRF_LANE* pl, int index, int add_band) {
  static const char* fn = "ln_prf_jump_to_image";
  if (!pl || index < 0 || index >= pl->n) {
    SLOG(fn, SLOG_VALUE4, "lane %p index %d", static_cast<void*>(pl), index);
    return 0;
  }
  IMAGE_REC* im = gt_find_image_by_name(pl->image_name);
  if (!im) {
    SLOG(fn, SLOG_WARN, "%s", "gt_image_name_to_pointer gave NULL");
    return 0;
  }
  // The image's lane that this copy was made from.
  LANE* lane = nullptr;
  for (LANE* l = im->lanes ? im->lanes->next : nullptr; l && !lane; l = l->next) {
    if (l->lane_number != pl->lane_number || std::strcmp(l->lane_name, pl->lane_name) != 0 ||
        l->num_data_values != pl->n || !l->data_values)
      continue;
    if (std::memcmp(l->data_values, pl->data_values, sizeof(int) * static_cast<std::size_t>(pl->n)) != 0) continue;
    bool same_base = true;
    for (int i = 0; i < pl->n && same_base; ++i)
      same_base = pl->baseline_values[i] == (l->baseline_values && l->bckgrnd_type ? l->baseline_values[i] : 0);
    if (same_base) lane = l;
  }
  if (!lane) {
    SLOG(fn, SLOG_WARN, "%s", "no lane of the image equals the profile lane");
    return 0;
  }
  const int y = pl->y0 + index;
  const int x = ln_center_x(y, lane);
  auto area = static_cast<TK_OBJ>(im->draw_area);
  if (area && im->img_ptr) {
    const TkPoint p = ih_map_point(area, x, y, im->img_ptr);
    const TkRect vis = CANVAS_GetVisible(area);
    if (p.x < 0 || p.y < 0 || p.x >= vis.w || p.y >= vis.h)
      CANVAS_ScrollTo(area, vis.x + p.x - vis.w / 2, vis.y + p.y - vis.h / 2);  // the row comes into view
    if (!gt_get_control()->lanes_hidden) {
      // Short marks on both edges of the lane, two rows above and below the row.
      const int q = std::max(1, lane->left_width / 4);
      ih_ann_draw_config(area, gt_get_control()->disp_codes[DISP_COL_SELECTED], 10, 0);
      for (int dy : {-2, 2}) {
        ih_draw_line(area, x - lane->left_width - q, y + dy, x - lane->left_width, y + dy, im->img_ptr);
        ih_draw_line(area, x + lane->right_width, y + dy, x + lane->right_width + q, y + dy, im->img_ptr);
      }
    }
  }
  if (add_band) {
    // A band already within two rows is handed back rather than added: only a new one is marked.
    auto count = [im] {
      int n = 0;
      for (const SPOT* b = im->bands ? im->bands->next : nullptr; b; b = b->next) ++n;
      return n;
    };
    const int before = count();
    if (gt_band_add_manual(im, y, lane) && count() > before) {
      im->modified = 1;
      if (area) WGT_Redraw(area);
      pl->data_values[pl->n + index] = 1;
      ln_prf_init(fn, s_lanes);
    }
  }
  if (im->window) WIN_Show(static_cast<TK_OBJ>(im->window));
  if (area && im->img_ptr) {
    const TkPoint p = ih_map_point(area, x, y, im->img_ptr);
    WGT_MovePointer(area, p.x, p.y);
  }
  return 1;
}

int ln_prf_jump_to_profile(IMAGE_REC* im, TkPoint point, TkPoint* pixel) {
  static const char* fn = "ln_prf_jump_to_profile";
  if (!s_win || !s_profile_mode || !im || !im->lanes) return 0;
  if (!s_lanes || !s_block) {
    SLOG(fn, SLOG_WARN, "%s", "crucial ptr NULL");
    return 0;
  }
  LANE* lane = nullptr;
  if (ln_xy_find_lane(point.x, point.y, im->lanes, &lane) <= 0 || !lane) return 0;
  int k = -1;
  const PRF_LANE* pl = nullptr;
  for (int i = 0; i < s_plotted && !pl; ++i) {
    const PRF_LANE* c = s_plot_lanes[static_cast<std::size_t>(i)];
    if (c->lane_number == lane->lane_number && std::strcmp(c->lane_name, lane->lane_name) == 0 &&
        c->n == lane->num_data_values && lane->data_values &&
        std::strcmp(c->image_name, im->image_name) == 0 &&
        std::memcmp(c->data_values, lane->data_values, sizeof(int) * static_cast<std::size_t>(c->n)) == 0)
      pl = c, k = i;
  }
  if (!pl) return 0;
  TK_OBJ c = chart();
  const TkRect r = CHART_GetPlotRect(c);
  const int index = std::clamp(point.y - pl->y0, 0, pl->n - 1);
  const double y_min = CHART_PixelToY(c, r.y + r.h - 1), y_max = CHART_PixelToY(c, r.y);
  double dist = y_max - raw_value(pl, index, s_sub);
  if (s_offset_on) dist -= s_offsets[static_cast<std::size_t>(k)];
  dist = std::max(dist, 0.0);
  if (dist >= y_max - y_min) dist = y_max - y_min - 1;
  const double x_range = s_points - 1;
  const TkPoint px{r.x + (x_range > 0 ? round_half_up(index * (r.w - 1) / x_range) : 0),
                   r.y + (y_max > y_min ? round_half_up(dist * (r.h - 1) / (y_max - y_min)) : 0)};
  if (pixel) *pixel = px;
  CHART_MovePointer(c, px.x, px.y);
  return 1;
}

void ln_prf_dismiss() {
  if (s_win) WIN_Terminate(s_win);
  s_win = nullptr;
}

void gt_report_wins_dismiss_all() {
  std_fit_dismiss();
  ln_prf_dismiss();
  ln_pres_commentary_deactivate();
}
