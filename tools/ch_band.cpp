// The band comment dialog (modal).
#include <cstdio>

#include "base/ks_choose.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_tool_wins.h"

long gt_ch_band_activate(TK_OBJ owner, char* text) {
  const GtPartNfy parts[] = {{0, S_swallow_textNfy}, {1, S_OK_PButNfy}, {2, S_Cancel_PButNfy}};
  TK_OBJ win = gt_tool_win_load("ch_band", owner, S_modal_winNfy, parts, 3);
  if (!win) return 0;
  TK_OBJ field = RES_GetSub(win, 0);
  WGT_SetText(field, text && text[0] ? text : "");
  WIN_Show(win);
  ui_wpos_place(win, 75, 50, 0);
  const long result = WIN_DoModal(win);
  if (result == 1 && text) {
    const char* t = WGT_GetText(field);
    std::snprintf(text, 21, "%s", t ? t : "");  // the band's label holds 20 characters
  }
  WIN_Terminate(win);
  return result;
}
