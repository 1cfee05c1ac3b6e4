// The Lane Boundaries tool window: OK applies the dragged edges, Cancel and the close paths
// restore the lane.
#include "shell/gt_image_win.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_lane_util.h"
#include "tools/gt_tool_wins.h"

namespace {

TK_OBJ s_win = nullptr;

long S_ln_bd_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_WINDOW) {
    const long r = WIN_DefaultNfy(win, event);
    if (EVENT_GetWinCode() == TK_WIN_CLOSE) WIN_Terminate(win);
    return r;
  }
  if (event == TK_EV_TERMINATE && s_win) {
    s_win = nullptr;
    gt_band_lane_bounds_cancel();
  }
  return WIN_DefaultNfy(win, event);
}

long S_ln_bd_OKNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  s_win = nullptr;
  gt_band_lane_bounds_ok();
  WIN_Terminate(RES_GetOwnerWindow(button));
  return 0;
}

long S_ln_bd_CancelNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  s_win = nullptr;
  gt_band_lane_bounds_cancel();
  WIN_Terminate(RES_GetOwnerWindow(button));
  return 0;
}

}  // namespace

void ln_bd_dismiss() { gt_tool_win_dismiss(&s_win); }

void gt_ln_bd_activate(TK_OBJ owner) {
  ln_bd_dismiss();
  const GtPartNfy parts[] = {{1, S_ln_bd_OKNfy}, {2, S_ln_bd_CancelNfy}};
  TK_OBJ win = gt_tool_win_load("ln_bd", owner, S_ln_bd_winNfy, parts, 2);
  if (!win) return;
  s_win = win;
  gt_tool_win_show(win, 80, 50);
}
