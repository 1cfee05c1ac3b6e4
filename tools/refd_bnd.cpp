// The band detection refinement dialog: the user tunes the current image's band-detection
// settings and each Apply finds its bands again with them. OK keeps the result and stores the
// settings as the program's defaults; Cancel finds the bands again with the settings the
// dialog opened with; the close box keeps whatever was applied last.
#include <cstdio>

#include "base/ks_choose.h"
#include "base/slog.h"
#include "model/control.h"
#include "shell/gt_image_win.h"
#include "shell/gt_misc.h"
#include "shell/gt_place.h"
#include "shell/gt_vrem.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_band_tools.h"
#include "tools/gt_band_util.h"
#include "tools/gt_dlg_nfy.h"

namespace {

// The five values the dialog works with: the image's four band-detection settings (minimum top
// thickness, minimum bottom thickness, band threshold, most bands per lane) and the quantify flag.
struct Settings {
  int v[4] = {0, 0, 0, 0};
  int quant = 0;
  bool operator==(const Settings&) const = default;
};

// Parts: the four sliders and the number fields that show their values.
constexpr int kSlider[4] = {3, 4, 11, 15};
constexpr int kNumber[4] = {9, 10, 14, 18};
// The band threshold reaches down to 0, no threshold: the program's default, which the dialog
// must be able to show and keep.
constexpr int kRange[4][2] = {{1, 16}, {1, 16}, {0, 100}, {0, 100}};
constexpr int kOk = 0, kCancel = 1, kApply = 2, kQuant = 19;

Settings s_opening;   // the image's settings and the quantify flag when the dialog opened
Settings s_applied;   // the last applied values; all 0 at opening
int s_quant_changed = 0;

Settings image_settings(const IMAGE_REC* im, int quant) {
  Settings s;
  s.v[0] = im->min_top_band_thick, s.v[1] = im->min_bot_band_thick;
  s.v[2] = im->band_threshold, s.v[3] = im->band_threshold2;
  s.quant = quant;
  return s;
}

// The settings as the sliders show them. A bottom thickness below 1 is found as the top
// thickness, so the slider shows that; OK then finds the same bands.
Settings shown_settings(const Settings& s) {
  Settings shown = s;
  if (shown.v[1] < 1) shown.v[1] = shown.v[0];
  return shown;
}

Settings read_controls(TK_OBJ win) {
  Settings s;
  for (int k = 0; k < 4; ++k) s.v[k] = WGT_GetInt(RES_GetSub(win, kSlider[k]));
  s.quant = WGT_GetValue(RES_GetSub(win, kQuant)) ? 1 : 0;
  return s;
}

void show_number(TK_OBJ win, int k) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", WGT_GetInt(RES_GetSub(win, kSlider[k])));
  WGT_SetText(RES_GetSub(win, kNumber[k]), text);
}

// Finds the image's bands again with the settings; they become the image's own.
void find_in(IMAGE_REC* im, const Settings& s) {
  if (!im) return;
  gt_band_do_find(im, s.v[0], s.v[1], s.v[2], s.v[3], s.quant, 1, 1);
  im->min_top_band_thick = s.v[0], im->min_bot_band_thick = s.v[1];
  im->band_threshold = s.v[2], im->band_threshold2 = s.v[3];
}

void find_with(const Settings& s) { find_in(gt_get_image_ptr(), s); }

// Apply: nothing when the values are those applied last.
void apply(TK_OBJ win) {
  const Settings s = read_controls(win);
  if (s == s_applied) return;
  if (s.quant != s_applied.quant) s_quant_changed = 1;
  s_applied = s;
  find_with(s);
}

long S_refd_bnd_sliderNfy(TK_OBJ slider, int event) {
  const long r = WGT_DefaultNfy(slider, event);
  if (event != TK_EV_ACTIVATE) return r;
  TK_OBJ win = RES_GetOwnerWindow(slider);
  const int index = RES_GetIndex(slider);
  for (int k = 0; k < 4; ++k)
    if (kSlider[k] == index) show_number(win, k);
  return r;
}

long S_refd_bnd_buttonNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  TK_OBJ win = RES_GetOwnerWindow(button);
  switch (RES_GetIndex(button)) {
    case kApply:
      apply(win);
      break;
    case kOk: {
      apply(win);
      const Settings s = read_controls(win);
      CONTROL* ctl = gt_get_control();
      ctl->fnd_bnd_quant = s.quant;
      for (int k = 0; k < 4; ++k) ctl->bnd_detect[k] = s.v[k];
      WIN_EndModal(win, 1);
      break;
    }
    case kCancel: {
      const IMAGE_REC* im = gt_get_image_ptr();
      if (im && (!(image_settings(im, s_opening.quant) == s_opening) || s_quant_changed))
        find_with(s_opening);
      WIN_EndModal(win, 0);
      break;
    }
    default:
      break;
  }
  return 0;
}

}  // namespace

void gt_refd_bnd_apply_opening(IMAGE_REC* image, int quantify) {
  if (!image) return;
  Settings s = shown_settings(image_settings(image, quantify ? 1 : 0));
  find_in(image, s);
}

BOOL gt_refd_bnd_activate(TK_OBJ owner, IMAGE_REC* image) {
  if (!image) return FALSE;
  SLOG("gt_refd_bnd_activate", SLOG_ENTRY, "image <%s>", image->image_name);
  const GtPartNfy parts[] = {{kOk, S_refd_bnd_buttonNfy},     {kCancel, S_refd_bnd_buttonNfy},
                             {kApply, S_refd_bnd_buttonNfy},  {kSlider[0], S_refd_bnd_sliderNfy},
                             {kSlider[1], S_refd_bnd_sliderNfy}, {kSlider[2], S_refd_bnd_sliderNfy},
                             {kSlider[3], S_refd_bnd_sliderNfy}, {kQuant, S_swallow_activateNfy}};
  TK_OBJ win = gt_tool_win_load("refd_bnd", owner, S_modal_winNfy, parts, 8);
  if (!win) return FALSE;
  s_opening = image_settings(image, gt_get_control()->fnd_bnd_quant ? 1 : 0);
  const Settings shown = shown_settings(s_opening);
  for (int k = 0; k < 4; ++k) {
    TK_OBJ slider = RES_GetSub(win, kSlider[k]);
    WGT_SetRange(slider, kRange[k][0], kRange[k][1]);
    WGT_SetValue(slider, shown.v[k]);
    show_number(win, k);
  }
  WGT_SetValue(RES_GetSub(win, kQuant), s_opening.quant);
  s_applied = Settings{};
  s_quant_changed = 0;
  if (qhelp_window()) qhelp_show_page(2);
  ui_wpos_place(win, 80, 50, FALSE);
  gt_place_beside_main(win);  // the user judges the bands found on the image
  const long r = WIN_DoModal(win);
  gt_vrem_close_then(win, gt_vrem_step_bands);
  return r == 1 ? TRUE : FALSE;
}
