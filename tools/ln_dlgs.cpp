// The lane dialogs: background, name, comments, lane order, multiplex markers, old labels.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/pixel_guard.h"
#include "base/ks_choose.h"
#include "base/ks_ini.h"
#include "base/ks_mem.h"
#include "base/ks_alert.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "base/lane_comment.h"
#include "engine/lane_profile.h"
#include "engine/pixel_guard.h"
#include "model/control.h"
#include "model/task_state.h"
#include "shell/gt_canvas.h"
#include "shell/gt_chart.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_chart.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_band_util.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_idx_list.h"
#include "tools/gt_lane_dlgs.h"
#include "tools/gt_lane_util.h"

namespace {

// Recomputes a lane's baselines after its background angle or type changed.
void lane_baselines(LANE* l) {
  ln_calc_lane_baselines(&l, 1, 407);
  ln_calc_baseline(l);
}

// Background ------------------------------------------------------------------------------------

struct BgState {
  LANE* lane = nullptr;
  int angle = 0;
  int was_off = 0;
  std::vector<int32_t> data;  // rows of (row, profile, baseline), or (row, profile) without background
} s_bg;

TK_OBJ bg_panel(TK_OBJ win) { return RES_GetSub(win, 0); }
TK_OBJ bg_part(TK_OBJ win, int k) { return RES_GetSub(bg_panel(win), k); }

void ln_bg_refresh(TK_OBJ win) {
  LANE* l = s_bg.lane;
  TK_OBJ chart = RES_GetSub(win, 1);
  if (!l || !chart) return;
  const bool off = WGT_GetValue(bg_part(win, 1)) != 0;
  const int rows = std::max(0, l->num_data_values);
  const int per = off ? 2 : 3;
  s_bg.data.assign(static_cast<std::size_t>(rows) * per, 0);
  for (int i = 0; i < rows; ++i) {
    s_bg.data[static_cast<std::size_t>(i) * per] = i;
    s_bg.data[static_cast<std::size_t>(i) * per + 1] = l->data_values ? l->data_values[i] : 0;
    if (!off) s_bg.data[static_cast<std::size_t>(i) * per + 2] = l->baseline_values ? l->baseline_values[i] : 0;
  }
  const double top = std::ceil(rows / 10.0) * 10.0;
  int high = 1;
  for (int i = 0; i < rows; ++i) high = std::max(high, s_bg.data[static_cast<std::size_t>(i) * per + 1]);
  CHART_SetYRange(chart, 0.0, high * 1.05, high * 1.05 / 5.0, 0.0);
  CHART_SetData(chart, s_bg.data.data(), TK_CHART_I32, per, rows);
  CHART_SetXRange(chart, 0.0, std::max(top, 10.0), 20.0, 0.0);
  CHART_SetView(chart, 0, rows);
  CHART_SetSeries(chart, 1, 5, "Profile", TK_CHART_LINE);
  if (!off) CHART_SetSeries(chart, 2, 6, "Background", TK_CHART_LINE);
  char title[64];
  if (l->lane_name[0])
    std::snprintf(title, sizeof title, "Lane '%s'", l->lane_name);
  else
    std::snprintf(title, sizeof title, "Lane '%d'", l->lane_number);
  CHART_SetTitle(chart, title, nullptr);
  CHART_Paint(chart);
}

// X labels are positions along the lane: the axis value over the lane's row count.
long S_ln_bg_chartNfy(TK_OBJ chart, int event) {
  if (event == TK_EV_CHART_LABEL && s_bg.lane && s_bg.lane->num_data_values > 0) {
    int axis = 0;
    double value = 0;
    CHART_EventLabel(&axis, &value);
    if (axis == 0) {
      char text[32];
      std::snprintf(text, sizeof text, "%1.2f", value / s_bg.lane->num_data_values);
      CHART_SetLabelText(text);
      return 0;
    }
  }
  return CHART_DefaultNfy(chart, event);
}

long S_ln_bg_sliderNfy(TK_OBJ slider, int event) {
  const long r = WGT_DefaultNfy(slider, event);
  if (event != TK_EV_ACTIVATE || !s_bg.lane) return r;
  TK_OBJ win = RES_GetOwnerWindow(slider);
  const int angle = WGT_GetInt(slider);
  s_bg.lane->max_angle = angle;
  s_bg.lane->bckgrnd_type = WGT_GetValue(bg_part(win, 1)) ? 0 : 1;
  lane_baselines(s_bg.lane);
  WGT_SetText(bg_part(win, 6), std::to_string(angle).c_str());
  ln_bg_refresh(win);
  return r;
}

void bg_enable(TK_OBJ win) {
  const int on = WGT_GetValue(bg_part(win, 1)) ? 0 : 1;
  for (int k : {0, 6, 7}) WGT_Enable(bg_part(win, k), on);
}

long S_ln_bg_nobgNfy(TK_OBJ toggle, int event) {
  const long r = WGT_DefaultNfy(toggle, event);
  if (event == TK_EV_ACTIVATE) {
    bg_enable(RES_GetOwnerWindow(toggle));
    ln_bg_refresh(RES_GetOwnerWindow(toggle));
  }
  return r;
}

long S_ln_bg_saveNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  ks_chart_save_as(RES_GetSub(RES_GetOwnerWindow(button), 1),
                   gt_get_control()->folders[CTL_DIR_REPORTS], 0);
  return 0;
}

void set_background(IMAGE_REC* im, LANE* l, int angle, int off) {
  l->max_angle = angle;
  l->bckgrnd_type = off ? 0 : 1;
  lane_baselines(l);
  (void)im;
}

}  // namespace

void gt_land_bkgd_activate(TK_OBJ owner) {
  IMAGE_REC* im = gt_get_image_ptr();
  LANE* lane = im ? gt_lane_first_selected(im) : nullptr;
  if (!lane) return;
  const GtPartNfy parts[] = {{1, S_ln_bg_chartNfy}};
  TK_OBJ win = gt_tool_win_load("ln_bg", owner, S_modal_winNfy, parts, 1);
  if (!win) return;
  TK_OBJ chart = RES_GetSub(win, 1);
  CHART_Attach(chart);
  RES_SetNfy(chart, S_ln_bg_chartNfy);
  const struct {
    int k;
    TkNfy proc;
  } panel[] = {{0, S_ln_bg_sliderNfy}, {1, S_ln_bg_nobgNfy}, {2, S_swallow_activateNfy},
               {3, S_OK_PButNfy},      {4, S_Cancel_PButNfy}, {5, S_ln_bg_saveNfy},
               {8, S_swallow_activateNfy}};
  for (const auto& p : panel) RES_SetNfy(bg_part(win, p.k), p.proc);
  CONTROL* ctl = gt_get_control();
  s_bg.lane = lane;
  s_bg.angle = lane->max_angle;
  s_bg.was_off = lane->bckgrnd_type == 0 ? 1 : 0;
  WGT_SetValue(bg_part(win, 0), lane->max_angle);
  WGT_SetText(bg_part(win, 6), std::to_string(lane->max_angle).c_str());
  WGT_SetValue(bg_part(win, 2), ctl->bg_all_lanes ? 1 : 0);
  WGT_SetValue(bg_part(win, 1), s_bg.was_off);
  WGT_SetValue(bg_part(win, 8), ctl->bg_requant ? 1 : 0);
  bg_enable(win);
  ln_bg_refresh(win);
  ui_wpos_place_size(win, 95, 95, FALSE, 65, 35);
  const long ok = WIN_DoModal(win);
  if (ok != 1) {
    set_background(im, lane, s_bg.angle, s_bg.was_off);
  } else {
    const char* text = WGT_GetText(bg_part(win, 6));
    const int angle = text ? std::atoi(text) : lane->max_angle;
    const int off = WGT_GetValue(bg_part(win, 1)) ? 1 : 0;
    const bool all = WGT_GetValue(bg_part(win, 2)) != 0;
    const bool requant = WGT_GetValue(bg_part(win, 8)) != 0;
    ctl->bg_requant = requant ? 1 : 0;
    // Requantifying reads the pixels: without them, or with pixels lost meanwhile, the OK
    // changes nothing, as a Cancel.
    const bool reads = requant && im->band_hdr && im->band_hdr->nrec != 0;
    PixelGuard guard(im);
    if (reads && !guard.ready()) {
      set_background(im, lane, s_bg.angle, s_bg.was_off);
    } else {
      if (!all) {
        set_background(im, lane, angle, off);
        ctl->bg_all_lanes = 0;
      } else {
        int n = 0;
        for (LANE* l = im->lanes->next; l; l = l->next, ++n) {
          set_background(im, l, angle, off);
          l->f |= LN_F_SELECTED;
        }
        im->num_sel_lanes = n;
        ctl->bg_all_lanes = 1;
      }
      if (reads) {
        if (all)
          gt_band_requant_all_baseline(im, im->lanes, im->bands);
        else
          gt_band_requant_one_lane(im, lane, im->bands);
      }
      if (reads && guard.undo_if_lost()) set_background(im, lane, s_bg.angle, s_bg.was_off);
      else im->modified = 1;
    }
  }
  s_bg = BgState{};
  WIN_Terminate(win);
  if (ok == 1 && im->window) gt_redraw_img(im);
}

// Name and comments ---------------------------------------------------------------------------

namespace {

void fill_name(TK_OBJ field, const char* name) { WGT_SetText(field, name && *name ? name : ""); }

void take_name(TK_OBJ field, char* name) {
  const char* t = WGT_GetText(field);
  std::snprintf(name, LN_NAME_MAX + 1, "%s", t ? t : "");
}

char s_comments[8192];

long S_ln_comms_textNfy(TK_OBJ text, int event) {
  const long r = WGT_DefaultNfy(text, event);
  if (event == TK_EV_TEXT_CHANGED) {
    const char* t = TEXT_GetText(text);
    std::snprintf(s_comments, sizeof s_comments, "%s", t ? t : "");
  }
  return r;
}

}  // namespace

long gt_ln_name_activate(TK_OBJ owner, char* name) {
  if (!name) return 0;
  const GtPartNfy parts[] = {{0, S_swallow_textNfy}, {1, S_OK_PButNfy}, {2, S_Cancel_PButNfy}};
  TK_OBJ win = gt_tool_win_load("ln_name", owner, S_modal_winNfy, parts, 3);
  if (!win) return 0;
  fill_name(RES_GetSub(win, 0), name);
  ui_wpos_place(win, 75, 30, FALSE);
  const long r = WIN_DoModal(win);
  if (r == 1) take_name(RES_GetSub(win, 0), name);
  WIN_Terminate(win);
  return r;
}

long gt_ln_comms_activate(TK_OBJ owner, char* name, int lane_number) {
  IMAGE_REC* im = gt_get_image_ptr();
  if (!im || !name) return 0;
  const GtPartNfy parts[] = {{0, S_swallow_textNfy}, {1, S_OK_PButNfy}, {2, S_Cancel_PButNfy},
                             {4, S_ln_comms_textNfy}};
  TK_OBJ win = gt_tool_win_load("ln_comms", owner, S_modal_winNfy, parts, 4);
  if (!win) return 0;
  fill_name(RES_GetSub(win, 0), name);
  if (!lane_read_comments(s_comments, sizeof s_comments, im->file_path, im->image_name, lane_number)) {
    WGT_Enable(RES_GetSub(win, 3), 0);
    const char* dir = ks_get_writeable_path();
    if (!lane_read_template(s_comments, sizeof s_comments, dir ? dir : "")) s_comments[0] = '\0';
  }
  const std::string shown = s_comments;
  WGT_SetText(RES_GetSub(win, 4), shown.c_str());
  ui_wpos_place(win, 75, 30, FALSE);
  const long r = WIN_DoModal(win);
  if (r == 1) {
    take_name(RES_GetSub(win, 0), name);
    const char* t = TEXT_GetText(RES_GetSub(win, 4));
    std::snprintf(s_comments, sizeof s_comments, "%s", t ? t : "");
    if (!lane_write_comments(im->file_path, im->image_name, lane_number, s_comments))
      mh_send_msg(1, "%s", ui_msg(243));
  }
  WIN_Terminate(win);
  return r;
}

void gt_lane_name(TK_OBJ owner, IMAGE_REC* im) {
  LANE* first = im ? gt_lane_first_selected(im) : nullptr;
  if (!first) return;
  char name[LN_NAME_MAX + 1];
  std::snprintf(name, sizeof name, "%.20s", first->lane_name);
  if (gt_ln_name_activate(owner, name) != 1) return;
  im->modified = 1;
  for (LANE* l = im->lanes->next; l; l = l->next)
    if (l->f & LN_F_SELECTED) std::snprintf(l->lane_name, sizeof l->lane_name, "%s", name);
  if (im->window) gt_redraw_img(im);
}

void gt_lane_comments(TK_OBJ owner, IMAGE_REC* im) {
  LANE* first = im ? gt_lane_first_selected(im) : nullptr;
  if (!first) return;
  char name[LN_NAME_MAX + 1];
  std::snprintf(name, sizeof name, "%.20s", first->lane_name);
  if (gt_ln_comms_activate(owner, name, first->lane_number) != 1) return;
  std::snprintf(first->lane_name, sizeof first->lane_name, "%s", name);
  im->modified = 1;
  if (im->window) gt_redraw_img(im);
}

// Lane order ----------------------------------------------------------------------------------

namespace {

struct OrderState {
  const LnOrderEntry* lanes = nullptr;
  int n = 0;
  std::vector<int> order, spare;
  int modified = 0;
} s_ord;

TK_OBJ ord_part(TK_OBJ win, int k) { return RES_GetSub(RES_GetSub(win, 0), k); }

const char* order_name(int id) {
  for (int i = 0; i < s_ord.n; ++i)
    if (s_ord.lanes[i].id == id) return s_ord.lanes[i].name;
  return "";
}

void ln_order_fill(TK_OBJ box, const std::vector<int>& list) {
  const int keep = std::max(0, WGT_GetChoice(box));
  std::vector<std::string> rows;
  const int count = idx_list_count(list.data(), s_ord.n);
  if (count == 0) {
    rows.emplace_back();
  } else {
    for (int id : list) rows.emplace_back(id == -1 ? "" : order_name(id));
  }
  std::vector<const char*> items;
  for (const std::string& r : rows) items.push_back(r.c_str());
  WGT_SetItems(box, items.data(), static_cast<int>(items.size()));
  WGT_SetChoice(box, std::min(keep, static_cast<int>(items.size()) - 1));
}

void refill(TK_OBJ win) {
  ln_order_fill(ord_part(win, 0), s_ord.spare);
  ln_order_fill(ord_part(win, 5), s_ord.order);
}

// Add Before (2), Add After (3) and Remove (4).
long S_ln_order_moveNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  TK_OBJ win = RES_GetOwnerWindow(button);
  const int which = RES_GetIndex(button);
  s_ord.modified = 1;
  const int spare_row = WGT_GetChoice(ord_part(win, 0)), order_row = WGT_GetChoice(ord_part(win, 5));
  if (which == 4)
    idx_list_move(s_ord.order.data(), order_row, s_ord.spare.data(), spare_row, s_ord.n, 0);
  else
    idx_list_move(s_ord.spare.data(), spare_row, s_ord.order.data(), order_row, s_ord.n, which == 3);
  idx_list_sort(s_ord.spare.data(), s_ord.n);
  refill(win);
  return 0;
}

long S_ln_order_CancelNfy(TK_OBJ button, int event) {
  return gt_modal_end_with(button, event, &s_ord.modified, 0, 0);
}

}  // namespace

int gt_ln_order_activate(const LnOrderEntry* lanes, int n, int* order) {
  if (!lanes || !order || n <= 0) return 0;
  s_ord = OrderState{};
  s_ord.lanes = lanes, s_ord.n = n;
  s_ord.order.assign(order, order + n);
  s_ord.spare.assign(static_cast<std::size_t>(n), -1);
  const int held = idx_list_count(order, n);
  for (int i = 0; i < n; ++i)
    if (std::find(order, order + held, lanes[i].id) == order + held)
      idx_list_append(s_ord.spare.data(), n, lanes[i].id);
  const GtPartNfy parts[] = {{1, S_OK_PButNfy}, {2, S_ln_order_CancelNfy}};
  TK_OBJ win = gt_tool_win_load("ln_order", nullptr, S_modal_winNfy, parts, 2);
  if (!win) return 0;
  RES_SetNfy(ord_part(win, 0), S_list_pickNfy);
  RES_SetNfy(ord_part(win, 5), S_list_pickNfy);
  for (int k : {2, 3, 4}) RES_SetNfy(ord_part(win, k), S_ln_order_moveNfy);
  refill(win);
  WGT_SetChoice(ord_part(win, 0), 0);
  WGT_SetChoice(ord_part(win, 5), 0);
  WIN_DoModal(win);
  const int modified = s_ord.modified;
  if (modified == 1) std::copy(s_ord.order.begin(), s_ord.order.end(), order);
  WIN_Terminate(win);
  s_ord = OrderState{};
  return modified;
}

// Multiplex markers ---------------------------------------------------------------------------

namespace {

TK_OBJ s_multi = nullptr;

// Cancel: the markers are taken away. The current image may be gone (Close All), so it is
// looked up again.
void multi_cancel() {
  if (IMAGE_REC* im = gt_get_image_ptr()) {
    for (auto& p : im->mark_pts) p[0] = p[1] = -1;
    im->num_mark_pts = 0;
    if (im->window) gt_redraw_img(im);
  }
  gt_set_state(TS_IDLE);
}

long S_multi_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_TERMINATE) gt_tool_win_end(&s_multi, multi_cancel);
  return gt_tool_win_default(win, event);
}

long S_multi_PBut1Nfy(TK_OBJ button, int event) {
  return gt_tool_win_button(button, event, &s_multi, [](TK_OBJ) {
    if (IMAGE_REC* im = gt_get_image_ptr()) im->modified = 1;
    gt_set_state(TS_IDLE);
  });
}

long S_multi_PBut3Nfy(TK_OBJ button, int event) {
  return gt_tool_win_button(button, event, &s_multi, [](TK_OBJ) { multi_cancel(); });
}

}  // namespace

void multi_set_count(int count) {
  if (s_multi) WGT_Enable(RES_GetSub(s_multi, 1), count == 3 ? 1 : 0);
}

void multi_dismiss() { gt_tool_win_dismiss(&s_multi); }

bool gt_multi_start(TK_OBJ owner, IMAGE_REC* image) {
  // Opening the window takes away the markers already placed: ask first. Traced as the
  // command it runs for.
  if (image && image->mark_pts[0][0] != -1 &&
      mh_send_msg(KS_ALERT_YESNO, "%s", gt_get_message(85)) == 1) {
    SLOG("main_winNfySelMenuBar", SLOG_VALUE4, "user says 'no' to Multiplex msg");
    return false;
  }
  gt_multi_activate(owner);
  gt_set_state(TS_MULTIPLEX_MARKERS);
  if (image && image->window) gt_redraw_img(image);
  return true;
}

void gt_multi_activate(TK_OBJ owner) {
  multi_dismiss();
  const GtPartNfy parts[] = {{1, S_multi_PBut1Nfy}, {3, S_multi_PBut3Nfy}};
  TK_OBJ win = gt_tool_win_load("multi", owner, S_multi_winNfy, parts, 2);
  if (!win) return;
  s_multi = win;
  if (IMAGE_REC* im = gt_get_image_ptr()) {
    for (auto& p : im->mark_pts) p[0] = p[1] = -1;
    im->num_mark_pts = 0;
  }
  multi_set_count(0);
  gt_tool_win_show(win, 80, 50);
}

// Old labels ----------------------------------------------------------------------------------

namespace {

int s_old_choice = 0;
char s_old_path[CTL_PATH];

long S_oldlabels_PBut0Nfy(TK_OBJ button, int event) {
  return gt_modal_end_with(button, event, &s_old_choice, 0, 1);
}

long S_oldlabels_PBut2Nfy(TK_OBJ button, int event) {
  return gt_modal_end_with(button, event, &s_old_choice, 1, 1);
}

long S_oldlabels_fileNfy(TK_OBJ toggle, int event) {
  const long r = WGT_DefaultNfy(toggle, event);
  if (event != TK_EV_ACTIVATE || WGT_GetValue(toggle) == 0) return r;
  CONTROL* ctl = gt_get_control();
  char path[CTL_PATH] = "";
  if (!io_win32_singlefile(path, sizeof path, "Select a Lane Selection file...",
                           ctl->folders[CTL_DIR_LANESEL], "", "Lane Selection Files (*.sel)\0*.sel\0",
                           ".sel", TRUE, TRUE)) {
    WGT_SetValue(toggle, 0);
    return r;
  }
  std::FILE* f = std::fopen(path, "rb");
  if (!f) {
    mh_send_msg(1, gt_get_message(87), path);
    WGT_SetValue(toggle, 0);
    return r;
  }
  std::fclose(f);
  const std::string label = std::string(gt_get_message(86)) + ":  " + path;
  WGT_SetLabel(toggle, label.c_str());
  std::snprintf(s_old_path, sizeof s_old_path, "%s", path);
  RES_SetData(toggle, s_old_path);
  return r;
}

}  // namespace

long gt_oldlabels_activate(TK_OBJ owner, void*, void*, int* choice) {
  const GtPartNfy parts[] = {{0, S_oldlabels_PBut0Nfy}, {1, S_Cancel_PButNfy}, {2, S_oldlabels_PBut2Nfy},
                             {3, S_oldlabels_fileNfy}, {4, S_swallow_activateNfy}};
  TK_OBJ win = gt_tool_win_load("oldlabels", owner, S_modal_winNfy, parts, 5);
  if (!win) return 0;
  s_old_choice = 0;
  WGT_SetValue(RES_GetSub(win, 4), (gt_get_control()->flags & CTL_F_OLD_CHARS) ? 1 : 0);
  ui_wpos_place(win, 90, 50, FALSE);
  const long r = WIN_DoModal(win);
  if (choice) *choice = s_old_choice;
  WIN_Terminate(win);
  return r;
}
