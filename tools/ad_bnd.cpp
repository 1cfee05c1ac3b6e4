// The Add Band tool window.
#include "model/control.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_tool_wins.h"

namespace {

TK_OBJ s_win = nullptr;

long S_ad_bnd_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_TERMINATE) {
    gt_tool_stds_update();
    s_win = nullptr;
    gt_set_state(0);
  }
  return gt_tool_win_default(win, event);
}

long S_ad_bnd_PBut1Nfy(TK_OBJ button, int event) {
  return gt_tool_win_button(button, event, &s_win, gt_tool_store_quant);
}

}  // namespace

void ad_bnd_dismiss() { gt_tool_win_dismiss(&s_win); }

void gt_ad_bnd_activate(TK_OBJ owner) {
  ad_bnd_dismiss();
  const GtPartNfy parts[] = {{1, S_ad_bnd_PBut1Nfy}, {2, S_swallow_activateNfy}};
  TK_OBJ win = gt_tool_win_load("ad_bnd", owner, S_ad_bnd_winNfy, parts, 2);
  if (!win) return;
  s_win = win;
  WGT_SetValue(RES_GetSub(win, 2), gt_get_control()->add_band_quant);
  gt_tool_win_show(win, 75, 50);
}

long ad_bnd_get_quant() { return s_win ? WGT_GetValue(RES_GetSub(s_win, 2)) : 0; }
