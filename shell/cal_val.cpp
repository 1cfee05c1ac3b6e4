#include "shell/cal_val.h"

#include "base/ks_choose.h"
#include "base/slog.h"
#include "engine/cal_strip.h"
#include "shell/im_calib.h"
#include "tools/gt_dlg_nfy.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

long cal_val_activate(TK_OBJ owner, double* out) {
  static const char* fn = "cal_val_activate";
  *out = CAL_STEP_CANCEL;
  TK_OBJ win = WIN_Load("cal_val", "cal_val_win");
  if (!win) return 0;
  RES_SetNfy(win, S_modal_winNfy);
  TK_OBJ text = RES_GetSub(win, CAL_VAL_TEXT);
  RES_SetNfy(text, S_swallow_textNfy);
  RES_SetNfy(RES_GetSub(win, CAL_VAL_OK), S_OK_PButNfy);
  RES_SetNfy(RES_GetSub(win, CAL_VAL_CANCEL), S_Cancel_PButNfy);
  if (owner) WIN_SetOwner(win, owner);
  WIN_Init(win);
  char line[256] = "";
  im_calib_next_value(line, sizeof line);
  WGT_SetText(text, line);
  WIN_Show(win);
  ui_wpos_place(win, 75, 50, FALSE);
  const long result = WIN_DoModal(win);
  if (result == 1) {
    const char* typed = WGT_GetText(text);  // cal_step_value takes its first 18 characters
    *out = cal_step_value(typed ? typed : "");
  }
  WIN_Terminate(win);
  SLOG(fn, SLOG_EXIT, "result %ld, value %f", result, *out);
  return result;
}
