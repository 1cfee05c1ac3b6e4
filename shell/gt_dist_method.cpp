#include "shell/gt_dist_method.h"

#include "base/ks_choose.h"
#include "base/slog.h"
#include "shell/gt_image_win.h"
#include "tools/gt_dlg_nfy.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace {

// Choices 1 to 3 behave as a radio group: the clicked one is on, the others off.
long choiceNfy(TK_OBJ choice, int event) {
  if (event == TK_EV_ACTIVATE) {
    TK_OBJ win = RES_GetOwnerWindow(choice);
    for (int i = GT_MMA_CHOICE1; i <= GT_MMA_CHOICE4; ++i) {
      TK_OBJ c = RES_GetSub(win, i);
      WGT_SetValue(c, c == choice ? 1 : 0);
    }
  }
  return WGT_DefaultNfy(choice, event);
}

// Choice 4's activation is swallowed. Our check boxes change their mark before the click is
// reported, so the swallowed click puts the mark back: a click on it changes nothing.
long choice4Nfy(TK_OBJ choice, int event) {
  if (event == TK_EV_ACTIVATE) WGT_SetValue(choice, WGT_GetValue(choice) ? 0 : 1);
  return S_swallow_activateNfy(choice, event);
}

}  // namespace

long gt_mma_ok(TK_OBJ button, int event) {
  const long r = WGT_DefaultNfy(button, event);
  if (event == TK_EV_ACTIVATE) WIN_EndModal(RES_GetOwnerWindow(button), 1);
  return r;
}

long gt_mma_cancel(TK_OBJ button, int event) {
  const long r = WGT_DefaultNfy(button, event);
  if (event == TK_EV_ACTIVATE) WIN_EndModal(RES_GetOwnerWindow(button), 0);
  return r;
}

int gt_mma_activate(int method) {
  static const char* fn = "gt_mma_activate";
  if (method < 1 || method > 4) {
    SLOG(fn, SLOG_EXIT, "method %d outside 1..4, 0", method);
    return 0;
  }
  TK_OBJ win = WIN_Load("gt_mma", "WinDistMthd");
  if (!win) return 0;
  RES_SetNfy(win, S_modal_winNfy);
  for (int i = GT_MMA_CHOICE1; i < GT_MMA_CHOICE4; ++i) RES_SetNfy(RES_GetSub(win, i), choiceNfy);
  RES_SetNfy(RES_GetSub(win, GT_MMA_CHOICE4), choice4Nfy);
  RES_SetNfy(RES_GetSub(win, GT_MMA_OK), gt_mma_ok);
  RES_SetNfy(RES_GetSub(win, GT_MMA_CANCEL), gt_mma_cancel);
  if (TK_OBJ main = gt_get_main_win()) WIN_SetOwner(win, main);
  WIN_Init(win);
  ui_wpos_place(win, 50, 50, FALSE);
  for (int i = GT_MMA_CHOICE1; i <= GT_MMA_CHOICE4; ++i)
    WGT_SetValue(RES_GetSub(win, i), i == method - 1 ? 1 : 0);
  int result = 0;
  if (WIN_DoModal(win) == 1) {
    for (int i = GT_MMA_CHOICE1; i <= GT_MMA_CHOICE4 && result == 0; ++i)
      if (WGT_GetValue(RES_GetSub(win, i)) != 0) result = i + 1;
  }
  WIN_Terminate(win);
  SLOG(fn, SLOG_EXIT, "%d", result);
  return result;
}
