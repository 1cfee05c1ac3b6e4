// The display enhancement dialog: the colour map and its level and width window (per cent).
// Changes show at once on the current image; OK loads the chosen map into every image window
// and stores it in the control record; Cancel and the close box put the current image back.
#include "tools/gt_disp_enh.h"

#include <cstdlib>

#include "base/ks_choose.h"
#include "model/control.h"
#include "shell/gt_canvas.h"
#include "shell/gt_image_win.h"
#include "shell/ih_cmap.h"
#include "shell/ih_dpy.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_dlg_nfy.h"

namespace {

constexpr int kChoice = 0, kWidth = 1, kLevel = 3, kOk = 5, kReset = 6, kCancel = 7;
constexpr int kSliderMin = 0, kSliderMax = 100;
constexpr int kSpectrum = 8;  // the map that takes the raw index: no level and width window

struct Cmap {
  int code = 0, level = 50, width = 100;
};

Cmap s_reset;            // the control record's map at the first opening in this run
bool s_reset_set = false;
Cmap s_opening;          // the map in force when the dialog opened

int pct_of(int position) {
  return static_cast<int>((position - kSliderMin) * 100.0 / (kSliderMax - kSliderMin) + 0.5);
}
int position_of(int pct) {
  return static_cast<int>((kSliderMax - kSliderMin) * pct / 100.0 + 0.5) + kSliderMin;
}

// The map in force in per cent. The map keeps level and width as 0..255 and gives them back
// rounded down, one per cent low for most values set from per cents: the per cent that gives
// back the same stored value is taken, so that Cancel restores the map exactly.
Cmap in_force() {
  Cmap m;
  ih_get_cmap(&m.code, &m.level, &m.width);
  auto exact = [](int q) {
    for (int p : {q, q + 1, q + 2})
      if (p <= 100 && ih_255_to_pct(ih_pct_to_255(p)) == q) return p;
    return q;
  };
  m.level = exact(m.level), m.width = exact(m.width);
  return m;
}

void enable_sliders(TK_OBJ win, int code) {
  WGT_Enable(RES_GetSub(win, kWidth), code != kSpectrum);
  WGT_Enable(RES_GetSub(win, kLevel), code != kSpectrum);
}

void set_controls(TK_OBJ win, const Cmap& m) {
  WGT_SetValue(RES_GetSub(win, kLevel), position_of(m.level));
  WGT_SetValue(RES_GetSub(win, kWidth), position_of(m.width));
  WGT_SetChoice(RES_GetSub(win, kChoice), m.code);
  enable_sliders(win, m.code);
}

Cmap read_controls(TK_OBJ win) {
  Cmap m;
  m.code = WGT_GetChoice(RES_GetSub(win, kChoice));
  if (m.code < 0) m.code = 0;
  m.level = pct_of(WGT_GetInt(RES_GetSub(win, kLevel)));
  m.width = pct_of(WGT_GetInt(RES_GetSub(win, kWidth)));
  return m;
}

// Loads the controls' map into one image window's display. Without `always`, a map that
// differs from the one in force by less than 2 per cent in level and width changes nothing.
void apply_to(TK_OBJ win, TK_OBJ image_win, bool always) {
  const Cmap m = read_controls(win);
  enable_sliders(win, m.code);
  IMAGE_REC* im = image_win ? static_cast<IMAGE_REC*>(RES_GetData(image_win)) : nullptr;
  if (!im || !im->img_ptr) return;
  const Cmap now = in_force();
  if (!always && now.code == m.code && std::abs(now.level - m.level) < 2 &&
      std::abs(now.width - m.width) < 2)
    return;
  ih_set_cmap(im->img_ptr->disp_img, m.code, m.level, m.width);
  gt_dib_make_palette(im);
  im->img_ptr->cmap_changed = 1;
  if (im->draw_area) WGT_Redraw(static_cast<TK_OBJ>(im->draw_area));
}

TK_OBJ current_window(TK_OBJ win) { return static_cast<TK_OBJ>(RES_GetData(win)); }

long S_enh_disp_changeNfy(TK_OBJ w, int event) {
  const long r = WGT_DefaultNfy(w, event);
  const bool choice = RES_GetIndex(w) == kChoice;
  if ((choice && event == TK_EV_CHOICE) || (!choice && event == TK_EV_ACTIVATE)) {
    TK_OBJ win = RES_GetOwnerWindow(w);
    apply_to(win, current_window(win), false);
  }
  return r;
}

long S_enh_disp_resetNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  TK_OBJ win = RES_GetOwnerWindow(button);
  set_controls(win, s_reset);
  apply_to(win, current_window(win), false);
  return 0;
}

}  // namespace

void gt_enh_disp_activate(const TK_OBJ* windows, int n) {
  const GtPartNfy parts[] = {{kChoice, S_enh_disp_changeNfy}, {kWidth, S_enh_disp_changeNfy},
                             {kLevel, S_enh_disp_changeNfy},  {kOk, S_OK_PButNfy},
                             {kReset, S_enh_disp_resetNfy},   {kCancel, S_Cancel_PButNfy}};
  // Owned by the image window it works on (else the main window), so it stays above it.
  IMAGE_REC* current = gt_get_image_ptr();
  TK_OBJ owner = current && current->window ? static_cast<TK_OBJ>(current->window) : gt_get_main_win();
  TK_OBJ win = gt_tool_win_load("enh_disp", owner, S_modal_winNfy, parts, 6);
  if (!win) return;
  WGT_SetRange(RES_GetSub(win, kWidth), kSliderMin, kSliderMax);
  WGT_SetRange(RES_GetSub(win, kLevel), kSliderMin, kSliderMax);
  CONTROL* ctl = gt_get_control();
  if (!s_reset_set) {
    s_reset = {ctl->cmap_code, ctl->cmap_level, ctl->cmap_width};
    s_reset_set = true;
  }
  s_opening = in_force();
  set_controls(win, s_opening);
  RES_SetData(win, current ? current->window : nullptr);
  ui_wpos_place(win, 75, 10, FALSE);
  if (WIN_DoModal(win) == 1) {
    // Every window takes the map, whether or not sliding already made it the one in force.
    for (int i = 0; i < n; ++i) apply_to(win, windows[i], true);
    const Cmap m = read_controls(win);
    ctl->cmap_code = m.code, ctl->cmap_level = m.level, ctl->cmap_width = m.width;
  } else {
    set_controls(win, s_opening);
    apply_to(win, current_window(win), false);
  }
  WIN_Terminate(win);
}
