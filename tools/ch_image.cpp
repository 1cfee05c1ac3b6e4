// The image comment dialog (modal).
#include <string>

#include "base/ks_choose.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_tool_wins.h"

namespace {

long S_ch_image_PBut1Nfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  TK_OBJ win = RES_GetOwnerWindow(button);
  const char* t = WGT_GetText(RES_GetSub(win, 0));
  const std::string copy = t ? t : "";
  gt_set_image_comment(copy.c_str(), 1);
  WIN_EndModal(win, 1);
  return 0;
}

}  // namespace

long gt_ch_image_activate(TK_OBJ owner) {
  const GtPartNfy parts[] = {{1, S_ch_image_PBut1Nfy}, {2, S_Cancel_PButNfy}};
  TK_OBJ win = gt_tool_win_load("ch_image", owner, S_modal_winNfy, parts, 2);
  if (!win) return 0;
  const char* c = gt_get_image_comment();
  WGT_SetText(RES_GetSub(win, 0), c ? c : "");
  WIN_Show(win);
  ui_wpos_place(win, 75, 50, 0);
  const long result = WIN_DoModal(win);
  WIN_Terminate(win);
  return result;
}
