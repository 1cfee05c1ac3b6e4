// Selection of standard points on an image (selection modes 2 and 3), and the standards line:
// the curve along which a row of size standards (one value in every lane of a tier) lies. The
// Modify Stds Line window (task state 6) shows the line, lets its points be moved, snapped to
// bands and applied to the row.
#include <cmath>
#include <cstdlib>

#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "engine/lane_geometry.h"
#include "engine/std_numeric.h"
#include "engine/std_sort.h"
#include "model/control.h"
#include "model/lane.h"
#include "model/std_list.h"
#include "model/task_state.h"
#include "shell/gt_image_win.h"
#include "shell/gt_overlay.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_band_util.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_std_tools.h"

namespace {

TK_OBJ s_mod_win = nullptr;

bool selected(const STD_MARKER& m) { return (m.flags & STD_M_DELETE) != 0; }

void set_selected(IMAGE_REC* im, STD_MARKER& m, bool on, int* count) {
  if (selected(m) == on) return;
  if (on) m.flags |= STD_M_DELETE, ++*count;
  else m.flags &= ~STD_M_DELETE, --*count;
  (void)im;
}

int tiers_of(const IMAGE_REC* im) { return im->lane_hdr ? im->lane_hdr->num_tiers : 1; }

void redraw_stds(TK_OBJ area, IMAGE_REC* im) {
  if (area) gt_band_stds(area, im);
}

void free_list(STD_LIST** l) {
  if (*l && !std_list_free(*l)) ks_free(*l);
  *l = nullptr;
}

// The line of the image's row, rebuilt; its width is the image's in display pixels.
void rebuild_line(IMAGE_REC* im) {
  free_list(&im->std_line);
  if (!im->mod_tier || !im->img_ptr) return;
  const double scale = im->img_ptr->scale > 0 ? im->img_ptr->scale : 1.0;
  const int width = static_cast<int>((im->img_info ? im->img_info->width : im->img_ptr->img_width) * scale);
  im->std_line = std_make_iso_line(im->mod_tier, im->cur_std_value, width, 0);
}

IMAGE_REC* line_image() { return gt_get_image_ptr(); }

void repaint(IMAGE_REC* im) {
  if (im && im->draw_area) WGT_Redraw(static_cast<TK_OBJ>(im->draw_area));
}

}  // namespace

int std_point_is_std(int x, int y, STD_LIST* a, STD_LIST* b) {
  for (const STD_LIST* l : {a, b}) {
    if (!l) continue;
    for (int i = 0; i < l->count; ++i)
      if (l->records[i].ix == x && l->records[i].iy == y) return 1;
  }
  return 0;
}

void gt_std_size_select(TK_OBJ area, const int* r, IMAGE_REC* im, int extend) {
  if (!im || !im->has_bands || !im->size_stdp || !im->size_stdp[0]) return;
  if (!extend) gt_deselect_all(area, im);
  const int tiers = tiers_of(im);
  bool changed = false;
  for (int t = 0; t < tiers; ++t) {
    STD_LIST* l = im->size_stdp[t];
    for (int i = 0; l && i < l->count; ++i) {
      STD_MARKER& m = l->records[i];
      if (!(m.flags & STD_M_VALID) || !(m.x > r[0] && m.x < r[2] && m.y > r[1] && m.y < r[3])) continue;
      set_selected(im, m, extend ? !selected(m) : true, &im->num_sel_size);
      changed = true;
    }
  }
  if (changed && im->num_sel_size != 0) return redraw_stds(area, im);
  // The nearest point within 10 pixels, in the first tier that has one.
  for (int t = 0; t < tiers; ++t) {
    STD_LIST* l = im->size_stdp[t];
    if (!l) continue;
    const int k = std_find_nearest_valid(l, r[0], r[1], 10.0);
    if (k < 0) continue;
    STD_MARKER& m = l->records[k];
    set_selected(im, m, extend ? !selected(m) : true, &im->num_sel_size);
    return redraw_stds(area, im);
  }
  // Farther away: the row of the nearest lane's tier.
  LANE* lane = ln_nearest_lane(r[0], r[1], im->lanes);
  const int tier = lane && lane->tier_num >= 0 && lane->tier_num < tiers ? lane->tier_num : 0;
  STD_LIST* list = im->size_stdp[tier];
  const int k = list ? std_find_nearest(list, r[0], r[1]) : -1;
  if (k < 0) return redraw_stds(area, im);
  const double value = std_get_row_value(list, list->records[k].row_num);
  im->mod_tier = list;
  im->cur_std_value = value;
  rebuild_line(im);
  bool all = true;
  for (int i = 0; i < list->count; ++i)
    if ((list->records[i].flags & STD_M_VALID) && list->records[i].value == value && !selected(list->records[i]))
      all = false;
  const bool on = !(extend && all);
  for (int i = 0; i < list->count; ++i) {
    STD_MARKER& m = list->records[i];
    if ((m.flags & STD_M_VALID) && m.value == value) set_selected(im, m, on, &im->num_sel_size);
  }
  im->num_sel_size2 += on ? 1 : -1;
  if (im->num_sel_size2 < 0) im->num_sel_size2 = 0;
  redraw_stds(area, im);
}

void gt_std_conc_select(TK_OBJ area, const int* r, IMAGE_REC* im, int extend) {
  STD_LIST* list = im && im->conc_stdp ? *im->conc_stdp : nullptr;
  if (!im || !im->has_bands || !list) return;
  if (!extend) gt_deselect_all(area, im);
  bool any = false;
  for (int i = 0; i < list->count; ++i) {
    STD_MARKER& m = list->records[i];
    if (m.ix > r[0] && m.ix < r[2] && m.iy > r[1] && m.iy < r[3]) {
      set_selected(im, m, !selected(m), &im->num_sel_conc);
      any = true;
    }
  }
  if (any && im->num_sel_conc != 0) return redraw_stds(area, im);
  const int k = std_find_nearest_int(list, r[0], r[1]);
  if (k >= 0) {
    STD_MARKER& m = list->records[k];
    set_selected(im, m, extend ? !selected(m) : true, &im->num_sel_conc);
  }
  redraw_stds(area, im);
}

// The standards line --------------------------------------------------------------------------

void std_line_put(IMAGE_REC* im, LANE* lane, STD_MARKER* p) {
  STD_LIST* line = im ? im->std_line : nullptr;
  if (!line || !lane) return;
  // The line's points carry no lane number: the lane's point is the one inside it. The points
  // stay in x order, so the right image edge stays last.
  for (int i = line->count - 1; i >= 0; --i) {
    const STD_MARKER& m = line->records[i];
    LANE* in = nullptr;
    if (m.lane_num == p->lane_num || (ln_xy_find_lane(static_cast<int>(m.x), static_cast<int>(m.y), im->lanes, &in) > 0 && in == lane))
      std_list_delete(line, i);
  }
  std_list_append(line, p);
  std::qsort(line->records, static_cast<size_t>(line->count), sizeof(STD_MARKER), std_cmp_double);
  line->clean = 0;
}

void std_line_snap_bands() {
  IMAGE_REC* im = line_image();
  if (!im || !im->std_line || im->std_line->count < 1) return;
  gt_busy_begin();
  int n = 0;
  for (LANE* lane = im->lanes ? im->lanes->next : nullptr; lane; lane = lane->next) {
    ++n;
    int x = -1, y = -1, found = 0;
    ln_mark_find_band(lane, &x, &y, 10, &found, im->std_line, im->bands);
    if (!found) continue;
    STD_MARKER p;
    std_marker_clear(&p);
    p.x = x, p.y = y, p.ix = x, p.iy = y;
    p.value = im->std_line->records[0].value;
    p.lane_num = n;
    p.flags = STD_M_VALID;
    std_line_put(im, lane, &p);
  }
  gt_busy_end();
  repaint(im);
}

void std_line_apply() {
  IMAGE_REC* im = line_image();
  if (!im) return;
  gt_busy_begin();
  STD_LIST* last_tier = nullptr;
  STD_LIST* line = im->std_line;
  const int tiers = tiers_of(im);
  // The last point is the right image edge, never in a lane.
  for (int i = 0; line && im->size_stdp && i + 1 < line->count; ++i) {
    STD_MARKER p = line->records[i];
    LANE* lane = nullptr;
    if (ln_xy_find_lane(static_cast<int>(p.x), static_cast<int>(p.y), im->lanes, &lane) <= 0 || !lane) continue;
    const int tier = lane->tier_num >= 0 && lane->tier_num < tiers ? lane->tier_num : 0;
    STD_LIST* list = im->size_stdp[tier];
    if (!list) continue;
    p.lane_num = lane->lane_number;
    p.flags |= STD_M_DELETE;
    p.ix = static_cast<int>(std::floor(p.x + 0.5)), p.iy = static_cast<int>(std::floor(p.y + 0.5));
    std_list_put(list, &p);
    last_tier = list;
  }
  im->std_line_edit = 0;
  if (last_tier) std_list_drop_invalid(last_tier);
  im->modified = 1;
  im->std_changed = 1;
  mh_clear_status(gt_get_status_bar(), 1);
  gt_busy_end();
  repaint(im);
}

void std_line_cancel() {
  IMAGE_REC* im = line_image();
  if (!im) return;
  im->std_line_edit = 0;
  mh_clear_status(gt_get_status_bar(), 1);
  repaint(im);
}

namespace {

long S_std_mod_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_TERMINATE && s_mod_win) {
    s_mod_win = nullptr;
    std_line_cancel();
    gt_set_state(TS_IDLE);
  }
  return gt_tool_win_default(win, event);
}

void apply_action(TK_OBJ) {
  std_line_apply();
  gt_set_state(TS_IDLE);
}
void cancel_action(TK_OBJ) {
  std_line_cancel();
  gt_set_state(TS_IDLE);
}

long S_std_mod_PBut0Nfy(TK_OBJ b, int event) { return gt_tool_win_button(b, event, &s_mod_win, apply_action); }
long S_std_mod_PBut1Nfy(TK_OBJ b, int event) { return gt_tool_win_button(b, event, &s_mod_win, cancel_action); }
long S_std_mod_PBut2Nfy(TK_OBJ b, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(b, event);
  std_line_snap_bands();
  return 0;
}

}  // namespace

void std_mod_dismiss() { gt_tool_win_dismiss(&s_mod_win); }

void gt_std_mod_activate(TK_OBJ owner) {
  std_mod_dismiss();
  const GtPartNfy parts[] = {{0, S_std_mod_PBut0Nfy}, {1, S_std_mod_PBut1Nfy}, {2, S_std_mod_PBut2Nfy}};
  TK_OBJ win = gt_tool_win_load("std_mod", owner, S_std_mod_winNfy, parts, 3);
  if (!win) return;
  s_mod_win = win;
  gt_set_state(TS_MODIFY_STDS_LINE);
  gt_tool_win_show(win, 80, 50);
}

void gt_std_modify_line(TK_OBJ owner, IMAGE_REC* im) {
  if (!im || !im->mod_tier || im->cur_std_value == -1.0) return;
  rebuild_line(im);
  if (!im->std_line) return;
  im->std_line_edit = 1;
  gt_std_mod_activate(owner);
  repaint(im);
}

void gt_std_slog(const char* tag, IMAGE_REC* im) {
  SLOG("gt_std_slog", SLOG_VALUE4, "%s image 0p%p", tag ? tag : "", static_cast<void*>(im));
  if (!im) {
    SLOG("gt_std_slog", SLOG_VALUE4, "TROUBLE: image_ptr NULL");
    return;
  }
  if (!im->lane_hdr || !im->size_stdp) {
    SLOG("gt_std_slog", SLOG_VALUE4, "TROUBLE: lane_hdr or size_stdp NULL");
    return;
  }
  SLOG("gt_std_slog", SLOG_VALUE4, "num_tiers %d", im->lane_hdr->num_tiers);
  for (int t = 0; t < im->lane_hdr->num_tiers; ++t)
    SLOG("gt_std_slog", SLOG_VALUE4, "[%d] 0p%p", t, static_cast<void*>(im->size_stdp[t]));
}
