#include "tools/gt_dlg_nfy.h"

#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

long S_modal_winNfy(TK_OBJ win, int event) {
  const long r = WIN_DefaultNfy(win, event);
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) WIN_EndModal(win, 0);
  return r;
}

long S_OK_PButNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  WIN_EndModal(RES_GetOwnerWindow(button), 1);
  return 0;
}

long S_Cancel_PButNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  WIN_EndModal(RES_GetOwnerWindow(button), 0);
  return 0;
}

long S_swallow_activateNfy(TK_OBJ w, int event) {
  if (event == TK_EV_ACTIVATE) return 0;
  return WGT_DefaultNfy(w, event);
}

long S_swallow_textNfy(TK_OBJ field, int event) {
  if (event == TK_EV_TEXT) return 0;
  return WGT_DefaultNfy6(field, event);
}
