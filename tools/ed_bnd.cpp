// The Edit Band tool window: clicks add or delete bands while it is open.
#include "model/control.h"
#include "shell/gt_image_win.h"
#include "shell/gt_vrem.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_tool_wins.h"

namespace {

TK_OBJ s_win = nullptr;

long S_ed_bnd_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_TERMINATE) {
    gt_tool_stds_update();
    s_win = nullptr;
    gt_set_state(0);  // state 15 ends however the window ends
  }
  return gt_tool_win_default(win, event);
}

// OK: the quantify toggle is kept, the window ends, and a running Vrem run takes its next step
// (the standards).
long S_ed_bnd_PBut1Nfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  TK_OBJ win = RES_GetOwnerWindow(button);
  gt_tool_store_quant(win);
  s_win = nullptr;
  gt_vrem_close_then(win, gt_vrem_step_stds);
  return 0;
}

}  // namespace

void ed_bnd_dismiss() { gt_tool_win_dismiss(&s_win); }

void gt_ed_bnd_activate(TK_OBJ owner) {
  ed_bnd_dismiss();
  const GtPartNfy parts[] = {{1, S_ed_bnd_PBut1Nfy}, {2, S_swallow_activateNfy}};
  TK_OBJ win = gt_tool_win_load("ed_bnd", owner, S_ed_bnd_winNfy, parts, 2);
  if (!win) return;
  s_win = win;
  WGT_SetValue(RES_GetSub(win, 2), gt_get_control()->add_band_quant);
  gt_tool_win_show(win, 80, 50);
}

long ed_bnd_get_quant() { return s_win ? WGT_GetValue(RES_GetSub(s_win, 2)) : 0; }
