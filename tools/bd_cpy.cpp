// The Copy Bounds tool window: Apply stamps the picked outlines, Cancel forgets them.
#include "base/ks_choose.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_band_copy.h"
#include "tools/gt_dlg_nfy.h"

namespace {

TK_OBJ s_win = nullptr;

long S_bd_cpy_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_TERMINATE) {
    gt_set_state(0);
    gt_tool_win_end(&s_win, gt_band_copy_bounds_cancel);
  }
  return gt_tool_win_default(win, event);
}

long S_bd_cpy_ApplyNfy(TK_OBJ button, int event) {
  return gt_tool_win_button(button, event, &s_win, [](TK_OBJ) { gt_band_copy_bounds_apply(); });
}

long S_bd_cpy_CancelNfy(TK_OBJ button, int event) {
  return gt_tool_win_button(button, event, &s_win, [](TK_OBJ) { gt_band_copy_bounds_cancel(); });
}

}  // namespace

void bd_cpy_dismiss() { gt_tool_win_dismiss(&s_win); }

void gt_bd_cpy_activate(TK_OBJ owner) {
  bd_cpy_dismiss();
  const GtPartNfy parts[] = {{1, S_bd_cpy_ApplyNfy}, {2, S_bd_cpy_CancelNfy}};
  TK_OBJ win = gt_tool_win_load("bd_cpy", owner, S_bd_cpy_winNfy, parts, 2);
  if (!win) return;
  s_win = win;
  ui_wpos_place(win, 70, 5, 0);
  gt_set_state(12);
  WIN_Show(win);
}
