// The Mark Axes tool window: the steps of marking a band's two axes.
#include "base/ks_choose.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_band_util.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_tool_wins.h"

namespace {

TK_OBJ s_win = nullptr;

long S_bd_axe_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_TERMINATE) {
    gt_set_state(0);
    gt_tool_win_end(&s_win, gt_band_clear_axes);
  }
  return gt_tool_win_default(win, event);
}

long S_bd_axe_DoneNfy(TK_OBJ button, int event) {
  return gt_tool_win_button(button, event, &s_win, [](TK_OBJ) { gt_band_clear_axes(); });
}

}  // namespace

void bd_axe_dismiss() { gt_tool_win_dismiss(&s_win); }

void bd_axe_show_step(int step) {
  if (!s_win) return;
  const int on = step >= 0 && step <= 2 ? step : 3;
  for (int k = 0; k < 4; ++k) WGT_Enable(RES_GetSub(s_win, k), k == on ? 1 : 0);
}

void gt_bd_axe_activate(TK_OBJ owner, IMAGE_REC* image) {
  bd_axe_dismiss();
  if (!image || !image->axes_band) return;  // marks never touch a missing band
  const GtPartNfy parts[] = {{4, S_bd_axe_DoneNfy}};
  TK_OBJ win = gt_tool_win_load("bd_axe", owner, S_bd_axe_winNfy, parts, 1);
  if (!win) return;
  s_win = win;
  bd_axe_show_step(0);
  ui_wpos_place(win, 75, 50, 0);
  gt_set_state(11);
  WIN_Show(win);
}
