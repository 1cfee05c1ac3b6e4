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
  if (event == TK_EV_TERMINATE) gt_tool_win_end(&s_win, gt_band_lane_bounds_cancel);
  return gt_tool_win_default(win, event);
}

long S_ln_bd_OKNfy(TK_OBJ button, int event) {
  return gt_tool_win_button(button, event, &s_win, [](TK_OBJ) {
    s_win = nullptr;  // the lane is confirmed: the window's end must not restore it
    gt_band_lane_bounds_ok();
  });
}

long S_ln_bd_CancelNfy(TK_OBJ button, int event) {
  return gt_tool_win_button(button, event, &s_win, [](TK_OBJ) {
    s_win = nullptr;
    gt_band_lane_bounds_cancel();
  });
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
