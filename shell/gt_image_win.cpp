// Image windows, the current image, task state, busy flag and selection mode.
#include "shell/gt_image_win.h"

#include "io/image_rec_init.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <strings.h>

#include "analysis/compare.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "engine/std_interp.h"
#include "io/image_rec_init.h"
#include "io/kes_image.h"
#include "model/lane.h"
#include "model/std_list.h"
#include "shell/ih_dpy.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_menu.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "toolkit/tk_workspace.h"
#include "tools/gt_band_copy.h"
#include "tools/gt_lane_util.h"

namespace {

IMAGE_REC* S_curr_image_ptr = nullptr;
TK_OBJ s_main_win = nullptr;
TK_OBJ s_status_bar = nullptr;
TK_OBJ s_status2 = nullptr;
int s_unloading_all = 0;
int s_mode_list_guard = 0;
int s_saved_pointer = -1;  // pointer of the busy widget before the wait pointer
int s_ticked_id = 0;       // Window-menu entry ticked for the current image
std::set<int> s_win_ids;   // Window-menu identifiers in use
GtToolsActiveProc s_tools_active = nullptr;

constexpr int kModeHelp[4] = {98, 99, 100, 101};
constexpr int kModeTip[4] = {60, 63, 62, 61};

TK_OBJ main_part(int index) { return RES_GetSub(s_main_win, index); }

BOOL tools_active() { return s_tools_active != nullptr && s_tools_active(); }

bool state_allows_current(int state) {
  switch (state) {
    case TS_IDLE: case TS_ADD_BAND: case TS_SIZE_STDS: case TS_CONC_STDS: case TS_COPY_BOUNDS:
    case TS_MULTIPLEX_MARKERS: case TS_EDIT_BAND: case TS_COPY_LANES:
      return true;
    default: return false;
  }
}

IMAGE_REC* image_of(TK_OBJ win) { return static_cast<IMAGE_REC*>(RES_GetData(win)); }

void tick_win_menu(int id) {
  TK_OBJ bar = WIN_GetMenuBar(s_main_win);
  if (bar == nullptr) return;
  if (s_ticked_id != 0 && s_ticked_id != id && MENU_SelectItem(bar, s_ticked_id))
    MENU_CheckItem(bar, 0);
  s_ticked_id = 0;
  if (id != 0 && MENU_SelectItem(bar, id)) {
    MENU_CheckItem(bar, 1);
    s_ticked_id = id;
  }
}

// Renumbers the bands in every lane of every open image (leaving a tool that may have moved
// bands between lanes).
// Presses the button of `mode` and releases the others; the list follows unless it is the one
// making the change.
void show_mode(int mode) {
  TK_OBJ bar = main_part(GT_MAIN_MODE_BAR);
  for (int k = 0; k < 4; ++k) WGT_SetValue(RES_GetSub(bar, k), k == mode ? 1 : 0);
  if (mode < 0 || mode > 3 || s_mode_list_guard) return;
  TK_OBJ list = main_part(GT_MAIN_MODE_LIST);
  if (list == nullptr) return;
  WGT_SetChoice(list, mode);
  WGT_SetTooltip(list, gt_get_message(kModeTip[mode]));
}

// Hover help of the mode buttons and the toolbar: shown while the program is not busy and no
// other text holds the status line.
void show_help(TK_OBJ status, int msg) {
  mh_status_message(status, 0, "%s", gt_get_message(msg));
}

}  // namespace

// Main window -------------------------------------------------------------------------------

void gt_set_main_win(TK_OBJ main_win) {
  s_main_win = main_win;
  s_status_bar = RES_GetSub(main_win, GT_MAIN_STATUS);
  s_status2 = RES_GetSub(main_win, GT_MAIN_STATUS2);
  S_curr_image_ptr = nullptr;
  s_ticked_id = 0;
  s_saved_pointer = -1;
}

TK_OBJ gt_get_main_win() { return s_main_win; }
TK_OBJ gt_get_status_bar() { return s_status_bar; }
TK_OBJ gt_get_status2() { return s_status2; }
TK_OBJ gt_get_workspace() { return main_part(GT_MAIN_WORKSPACE); }

int gt_status_text_shown() {
  const char* t = WGT_GetText(s_status_bar);
  return t != nullptr && t[0] != '\0' ? 1 : 0;
}

// Image windows -----------------------------------------------------------------------------

int gt_get_num_img_windows() { return WS_Count(gt_get_workspace()); }
TK_OBJ gt_get_img_window(int i) { return WS_Window(gt_get_workspace(), i); }

std::vector<IMAGE_REC*> gt_open_images() {
  std::vector<IMAGE_REC*> out;
  for (int i = 0; i < gt_get_num_img_windows(); ++i)
    if (auto* im = static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(i)))) out.push_back(im);
  return out;
}

void gt_set_unloading_all(int on) { s_unloading_all = on; }
int gt_get_unloading_all() { return s_unloading_all; }

IMAGE_REC* gt_pick_current_image() {
  const int n = gt_get_num_img_windows();
  if (s_unloading_all || n == 0) return nullptr;
  TK_OBJ active = WS_ActiveWindow(gt_get_workspace());
  for (int i = 0; i < n; ++i) {
    TK_OBJ win = gt_get_img_window(i);
    if (win == active && image_of(win) != nullptr) return image_of(win);
  }
  TK_OBJ first = gt_get_img_window(0);
  WS_Activate(first);
  return image_of(first);
}

void gt_set_image_ptr(IMAGE_REC* image) {
  const int state = gt_get_state();
  SLOG("gt_set_image_ptr", SLOG_VALUE4, "image %p, state %d", static_cast<void*>(image), state);
  if (!state_allows_current(state)) return;
  S_curr_image_ptr = image;
  if (image != nullptr && image->draw_area != nullptr)
    tick_win_menu(gt_win_menu_id_of(image));
}

IMAGE_REC* gt_get_image_ptr() {
  if (S_curr_image_ptr == nullptr) gt_set_image_ptr(gt_pick_current_image());
  return S_curr_image_ptr;
}

IMAGE_REC* gt_find_image_by_name(const char* name) {
  if (name == nullptr) return nullptr;
  for (int i = 0; i < gt_get_num_img_windows(); ++i) {
    IMAGE_REC* im = image_of(gt_get_img_window(i));
    if (im != nullptr && strcasecmp(im->image_name, name) == 0) return im;
  }
  return nullptr;
}

int gt_image_is_loaded(const char* path, int flag) {
  if (path == nullptr) return 0;
  for (int i = 0; i < gt_get_num_img_windows(); ++i) {
    IMAGE_REC* im = image_of(gt_get_img_window(i));
    if (im == nullptr || strcasecmp(im->file_path, path) != 0) continue;
    if (flag == 1)
      mh_send_msg(KS_ALERT_ERROR, gt_get_message(89), path);
    else
      mh_send_msg(KS_ALERT_INFO, gt_get_message(88), path);
    return 1;
  }
  return 0;
}

BOOL gt_any_image_modified() {
  for (int i = 0; i < gt_get_num_img_windows(); ++i) {
    IMAGE_REC* im = image_of(gt_get_img_window(i));
    if (im != nullptr && (im->modified || (im->img_ptr != nullptr && im->img_ptr->modified)))
      return TRUE;
  }
  return FALSE;
}

// Task state and busy flag ------------------------------------------------------------------

void gt_set_tools_active_proc(GtToolsActiveProc proc) { s_tools_active = proc; }

BOOL gt_is_idle() { return !tools_active() && gt_get_state() == 0 ? TRUE : FALSE; }

BOOL gt_may_change_image() {
  const int s = gt_get_state();
  return !tools_active() && s != 16 && state_allows_current(s) ? TRUE : FALSE;
}

void gt_busy_begin() {
  CONTROL* ctl = gt_get_control();
  TK_OBJ w = main_part(GT_MAIN_WORKSPACE);
  if (!ctl->busy && w != nullptr) s_saved_pointer = WGT_GetPointer(w);
  ctl->busy = 1;
  if (w != nullptr) WGT_SetPointer(w, 3);
}

void gt_busy_end() {
  gt_get_control()->busy = 0;
  TK_OBJ w = main_part(GT_MAIN_WORKSPACE);
  if (w == nullptr) return;
  WGT_SetPointer(w, s_saved_pointer >= 0 && s_saved_pointer != 3 ? s_saved_pointer : 0);
  s_saved_pointer = -1;
}

int gt_get_state() { return gt_get_control()->task_state; }

void gt_set_state(int state) {
  CONTROL* ctl = gt_get_control();
  const int old = ctl->task_state;
  SLOG("gt_set_state", SLOG_ENTRY, "state %d -> %d", old, state);
  TK_OBJ bar = main_part(GT_MAIN_MODE_BAR);
  if (old == 7 || old == 12 || old == 15) gt_band_renumber_all();
  ctl->task_state = state;
  if (state >= 0 && state <= 16)
    for (int k = 0; k < 4; ++k) WGT_Enable(RES_GetSub(bar, k), state == TS_IDLE ? 1 : 0);
  IMAGE_REC* im = S_curr_image_ptr;
  if (im != nullptr && im->std_changed) {
    const int tiers = im->lane_hdr != nullptr ? im->lane_hdr->num_tiers : -1;
    if (im->lanes != nullptr && im->bands != nullptr)
      std_lane_spots_calc(im->img_info, im->lanes, im->bands, im->size_stdp, tiers);
    if (im->conc_stdp != nullptr && *im->conc_stdp != nullptr && im->bands != nullptr)
      std_conc_calc(im->bands, *im->conc_stdp);
    im->std_changed = 0;
  }
  SLOG("gt_set_state", SLOG_EXIT, "state %d", state);
}

// Selection mode ----------------------------------------------------------------------------

int gt_get_sel_mode() { return gt_get_control()->sel_mode; }

void gt_set_sel_mode(int mode, TK_OBJ button) {
  SLOG("gt_set_sel_mode", SLOG_ENTRY, "mode %d", mode);
  (void)button;  // the buttons are reached through the main window
  gt_get_control()->sel_mode = mode;
  show_mode(mode);
}

long gt_mode_buttonNfy(TK_OBJ button, int event) {
  const int k = RES_GetIndex(button);
  CONTROL* ctl = gt_get_control();
  switch (event) {
    case TK_EV_ENTER:
      if (!ctl->busy && !gt_status_text_shown() && k >= 0 && k < 4) {
        show_help(s_status_bar, kModeHelp[k]);
        return 0;
      }
      return WGT_DefaultNfy(button, event);
    case TK_EV_LEAVE:
      WGT_DefaultNfy(button, event);
      if (!ctl->busy && !g_bSuppress) mh_clear_status(s_status_bar, 0);
      return 0;
    case TK_EV_ACTIVATE:
      // The mode changes only while idle; otherwise the current mode's button stays pressed.
      gt_set_sel_mode(gt_is_idle() ? k : ctl->sel_mode, button);
      return 0;
    default:
      return WGT_DefaultNfy(button, event);
  }
}

long gt_mode_listNfy(TK_OBJ list, int event) {
  long r = WGT_DefaultNfy(list, event);
  if (event != TK_EV_CHOICE) return r;
  if (!gt_is_idle()) {
    gt_set_sel_mode(gt_get_sel_mode(), nullptr);
    WGT_SetChoice(list, gt_get_sel_mode());
    return r;
  }
  const int mode = WGT_GetChoice(list);
  if (mode < 0 || mode > 3) return r;
  s_mode_list_guard = 1;
  gt_set_sel_mode(mode, nullptr);
  WGT_SetTooltip(list, gt_get_message(kModeTip[mode]));
  s_mode_list_guard = 0;
  return r;
}

// Messages and small helpers -----------------------------------------------------------------

const char* gt_get_message(int index) {
  const char* t = ks_msg_text("gt_msg", index);
  if (t == nullptr) {
    SLOG("gt_get_message", SLOG_WARN, "msg not found %d", index);
    return "VX: Message not found";
  }
  return t;
}

const char* gt_get_lane_char(int i) {
  const CONTROL* ctl = gt_get_control();
  if (i < 0 || i >= ctl->num_lane_chars || ctl->lane_chars == nullptr) return nullptr;
  return ctl->lane_chars[i];
}

void gt_strip_suffix(char* s, const char* suffix) {
  if (s == nullptr || suffix == nullptr) return;
  const std::size_t n = std::strlen(s), m = std::strlen(suffix);
  if (n > m && strcasecmp(s + n - m, suffix) == 0) s[n - m] = '\0';
}

namespace {
BOOL confirm_when_lanes(IMAGE_REC* image, int msg) {
  if (image == nullptr || image->has_bands != 1 || image->lanes == nullptr ||
      image->lanes->next == nullptr)
    return TRUE;
  return mh_send_msg(KS_ALERT_YESNO, "%s", gt_get_message(msg)) == 1 ? FALSE : TRUE;
}
}  // namespace

BOOL gt_confirm_when_lanes(IMAGE_REC* image) { return confirm_when_lanes(image, 65); }
BOOL gt_confirm_when_lanes_alt(IMAGE_REC* image) { return confirm_when_lanes(image, 78); }

BOOL gt_lane_tool_ready() {
  const IMAGE_REC* image = gt_get_image_ptr();
  return image != nullptr && image->has_bands == 1 && image->num_sel_lanes == 1 &&
                 gt_get_sel_mode() == SEL_LANES
             ? TRUE
             : FALSE;
}

BOOL gt_any_lane_value_set(IMAGE_REC* image, int must_be_one, int all_lanes) {
  if (must_be_one != 1 || image == nullptr || image->lanes == nullptr) return FALSE;
  for (LANE* ln = image->lanes->next; ln != nullptr; ln = ln->next) {
    if (!all_lanes && !(ln->f & LN_F_SELECTED)) continue;
    SPOT** found = nullptr;
    const int n = ln_find_bands_in_lane(image->bands, &found, ln, nullptr, nullptr);
    bool any = false;
    for (int i = 0; i < n && found != nullptr; ++i)
      if (found[i] != nullptr && found[i]->amount > 0) any = true;
    ks_free(found);
    if (any) return TRUE;
  }
  return FALSE;
}

// Image windows -----------------------------------------------------------------------------

namespace {

// Copy Bounds in progress: the picked group follows into an image that has no stamps yet.
void copy_carry_over(IMAGE_REC* im) {
  if (gt_get_state() == TS_COPY_BOUNDS && im != S_curr_image_ptr && gt_band_copy_stamp_count(im) == 0)
    gt_band_copy_bounds_init(im);
}

}  // namespace

long gt_img_winNfy(TK_OBJ win, int event) {
  IMAGE_REC* im = image_of(win);
  switch (event) {
    case TK_EV_ACTIVATE_WIN:
      if (im != nullptr && !gt_may_change_image()) return 0;  // swallowed: stays inactive
      return WIN_DefaultNfy(win, event);
    case TK_EV_DEACTIVATE_WIN:
      if (im == nullptr) return WIN_DefaultNfy(win, event);
      WIN_DefaultNfy(win, event);
      if (gt_may_change_image()) copy_carry_over(im);
      gt_set_image_ptr(gt_may_change_image() ? im : S_curr_image_ptr);
      return 0;
    case TK_EV_FOCUS_IN:
      WIN_DefaultNfy(win, event);
      if (im != nullptr) {
        copy_carry_over(im);
        gt_set_image_ptr(im);
      }
      return 0;
    case TK_EV_TERMINATE: {
      // The window is going: it no longer names the current image.
      long r = WIN_DefaultNfy(win, event);
      if (im != nullptr) {
        gt_release_win_menu_id(gt_win_menu_id_of(im));
        if (S_curr_image_ptr == im) S_curr_image_ptr = nullptr;
        // The compare report holds the image and lane in hand; their lists go next.
        compare_forget_image(im);
        im->window = nullptr;
        im->draw_area = nullptr;
      }
      return r;
    }
    default:
      return WIN_DefaultNfy(win, event);
  }
}

TK_OBJ gt_img_open_window(TK_OBJ main_win, TK_OBJ workspace, IMAGE_REC* image, TkNfy canvas_nfy,
                          int menu_id) {
  SLOG("gt_img_open_window", SLOG_ENTRY, "menu id %d", menu_id);
  (void)main_win;
  TK_OBJ win = WIN_Load("gt_img", "gt_img_win");
  if (win == nullptr) return nullptr;
  RES_SetNfy(win, gt_img_winNfy);
  TK_OBJ area = RES_GetSub(win, 0);
  if (canvas_nfy != nullptr) RES_SetNfy(area, canvas_nfy);
  // The calibration strip's previews follow the pointer without a button held.
  CANVAS_TrackPointer(area, 1);
  WIN_SetWorkspace(win, workspace);
  RES_SetData(win, image);
  WIN_Init(win);
  if (image != nullptr) {
    WIN_SetTitle(win, image->image_name[0] ? image->image_name : image->file_path);
    image->draw_area = area;
    image->window = win;
  }
  RES_SetData(area, reinterpret_cast<void*>(static_cast<intptr_t>(menu_id)));
  if (menu_id >= GT_WIN_MENU_FIRST && menu_id <= GT_WIN_MENU_LAST) s_win_ids.insert(menu_id);
  WIN_Show(win);
  // The window shows the whole image at its zoom when the workspace has room for it, else as
  // much as the workspace holds. A narrow image still gets a frame 50 pixels wider than the
  // image, so that the title and its buttons fit.
  if (image != nullptr && image->img_ptr != nullptr && image->img_ptr->pix_width > 0) {
    const IMG_DATA* disp = image->img_ptr;
    const int zoom = disp->zoom[0] != 0 ? disp->zoom[0] : 1;
    const int view_w = ih_dpy_displayed(disp->pix_width, zoom);
    const int view_h = ih_dpy_displayed(disp->pix_height, zoom);
    const TkRect r = CANVAS_FitWindow(area, view_w, view_h);
    if (view_w < 352) WIN_MoveSize(win, r.x, r.y, view_w + 50, r.h);
  }
  SLOG("gt_img_open_window", SLOG_EXIT, "window %p", static_cast<void*>(win));
  return win;
}

int gt_next_win_menu_id() {
  for (int id = GT_WIN_MENU_FIRST; id <= GT_WIN_MENU_LAST; ++id)
    if (!s_win_ids.count(id)) return id;
  SLOG("gt_next_win_menu_id", SLOG_WARN, "all Window-menu identifiers in use");
  return 0;
}

void gt_release_win_menu_id(int id) {
  s_win_ids.erase(id);
  if (s_ticked_id == id) s_ticked_id = 0;
}

int gt_win_menu_id_of(IMAGE_REC* image) {
  if (image == nullptr || image->draw_area == nullptr) return 0;
  return static_cast<int>(
      reinterpret_cast<intptr_t>(RES_GetData(static_cast<TK_OBJ>(image->draw_area))));
}

void gt_misc_destroy(IMAGE_REC* image) { gt_img_free_secondary(image); }

void gt_set_image_comment(const char* text, int mark_modified) {
  IMAGE_REC* im = S_curr_image_ptr;
  if (im == nullptr) return;
  ks_free(im->comment);
  im->comment = nullptr;
  im->comment_len = 0;
  if (text != nullptr) {
    const std::size_t n = std::strlen(text);
    im->comment = static_cast<char*>(ks_alloc_msg(n + 1));
    if (im->comment == nullptr) {
      ks_dbg_null_ptr("gt_set_image_comment", "image_ptr->comment");
      return;
    }
    std::memcpy(im->comment, text, n + 1);
    im->comment_len = static_cast<int>(n);
  }
  if (mark_modified) im->modified = 1;
}

const char* gt_get_image_comment() {
  return S_curr_image_ptr != nullptr ? S_curr_image_ptr->comment : nullptr;
}
