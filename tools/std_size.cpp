// The size standards configuration dialog (modal): interpolation, extrapolation, repeats and the
// standard set file; OK opens the size assignment window in task state 8.
#include <cstdio>
#include <cstring>

#include "base/io_file.h"
#include "base/ks_choose.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "engine/std_numeric.h"
#include "model/control.h"
#include "model/lane.h"
#include "model/task_state.h"
#include "shell/gt_image_win.h"
#include "shell/gt_vrem.h"
#include "toolkit/core/tk_file.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_std_tools.h"

namespace {

enum Part { P_OK = 3, P_CANCEL = 4, P_INTERP = 5, P_EXTRAP = 6, P_SET = 7, P_AUTO = 8, P_REPEATS = 9, P_REPEAT_LEN = 10 };

// The dialog's set file while it is open.
TkFile* s_file = nullptr;
char s_name[256] = "";

// The interpolation choice offers Reciprocal, Logarithmic, Linear and Regression (methods 0, 1,
// 3, 4); a stored Robust (2) shows as Logarithmic.
int method_to_choice(int m) { return m <= 1 ? (m < 0 ? 0 : m) : m == 2 ? 1 : m - 1; }
int choice_to_method(int c) { return c > 1 ? c + 1 : c; }

void auto_off(TK_OBJ win) {
  TK_OBJ a = RES_GetSub(win, P_AUTO);
  WGT_SetValue(a, 0);
  WGT_Enable(a, 0);
}

long S_std_option_Nfy(TK_OBJ w, int event) { return WGT_DefaultNfy4(w, event); }

long S_std_size_CBut9Nfy(TK_OBJ w, int event) {
  const long r = WGT_DefaultNfy(w, event);
  if (event == TK_EV_ACTIVATE)
    WGT_Enable(RES_GetSub(RES_GetOwnerWindow(w), P_REPEAT_LEN), WGT_GetValue(w) ? 1 : 0);
  return r;
}

// The standard set switch: on asks for a set file and opens it, off forgets it. Auto-assign is
// offered only with a set.
long S_CBut1Nfy(TK_OBJ w, int event) {
  const long r = WGT_DefaultNfy(w, event);
  if (event != TK_EV_ACTIVATE) return r;
  CONTROL* ctl = gt_get_control();
  TK_OBJ win = RES_GetOwnerWindow(w);
  const int how = gt_std_set_switch(w, &ctl->size_stdset, ctl->size_stdset_path, s_name, &s_file);
  if (how == GT_STD_SET_OPENED) WGT_Enable(RES_GetSub(win, P_AUTO), 1);
  else if (how != GT_STD_SET_FAILED) auto_off(win);
  return r;
}

}  // namespace

void gt_std_size_config_activate(TK_OBJ owner) {
  static const char* fn = "gt_std_size_config_activate";
  IMAGE_REC* im = gt_get_image_ptr();
  if (!im) {
    ks_dbg_null_ptr(fn, "image_ptr");
    return;
  }
  if (!im->size_stdp) {
    ks_dbg_null_ptr(fn, "size_stdp");
    return;
  }
  if (!im->size_stdp[0]) {
    ks_dbg_null_ptr(fn, "size_stdp[0]");
    return;
  }
  const GtPartNfy parts[] = {{P_OK, S_OK_PButNfy},        {P_CANCEL, S_Cancel_PButNfy},
                             {P_INTERP, S_std_option_Nfy}, {P_SET, S_CBut1Nfy},
                             {P_AUTO, S_swallow_activateNfy}, {P_REPEATS, S_std_size_CBut9Nfy},
                             {P_REPEAT_LEN, S_swallow_textNfy}};
  TK_OBJ win = gt_tool_win_load("std_size", owner, S_modal_winNfy, parts, 7);
  if (!win) return;
  CONTROL* ctl = gt_get_control();
  const STD_LIST* tier0 = im->size_stdp[0];
  int interp = ctl->size_interp, extrap = ctl->size_extrap;
  int use_rep = (ctl->flags & CTL_F_SIZE_STDS) ? 1 : 0, rep_len = ctl->size_nstd;
  if (tier0->count > 0) {
    interp = tier0->int_method, extrap = tier0->extrap_method;
    use_rep = tier0->use_repeats, rep_len = tier0->repeat_length;
  }
  WGT_SetValue(RES_GetSub(win, P_REPEATS), use_rep ? 1 : 0);
  char num[32] = "";
  if (rep_len >= 1) std::snprintf(num, sizeof num, "%d", rep_len);
  WGT_SetText(RES_GetSub(win, P_REPEAT_LEN), num);
  WGT_Enable(RES_GetSub(win, P_REPEAT_LEN), use_rep ? 1 : 0);
  WGT_SetChoice(RES_GetSub(win, P_INTERP), method_to_choice(interp));
  WGT_SetChoice(RES_GetSub(win, P_EXTRAP), extrap < 0 ? 0 : extrap);

  TK_OBJ set = RES_GetSub(win, P_SET);
  s_file = gt_std_reopen_stored(&ctl->size_stdset, ctl->size_stdset_path, s_name, fn, set);
  if (ctl->size_stdset) {
    WGT_SetValue(RES_GetSub(win, P_AUTO), ctl->size_auto_assign ? 1 : 0);
  } else {
    ctl->size_auto_assign = 0;
    auto_off(win);
  }
  WIN_Show(win);
  ui_wpos_place(win, 80, 50, 0);
  if (WIN_DoModal(win) == 1) {
    interp = choice_to_method(WGT_GetChoice(RES_GetSub(win, P_INTERP)));
    extrap = WGT_GetChoice(RES_GetSub(win, P_EXTRAP));
    use_rep = static_cast<int>(WGT_GetValue(RES_GetSub(win, P_REPEATS)));
    rep_len = WGT_GetInt(RES_GetSub(win, P_REPEAT_LEN));
    const int auto_assign = static_cast<int>(WGT_GetValue(RES_GetSub(win, P_AUTO)));
    ctl->size_auto_assign = auto_assign;
    WIN_Terminate(win);
    gt_set_state(TS_SIZE_STDS);
    // The assignment window reopens the set file from the stored path itself.
    gt_std_size_asgn_activate(owner, s_name, nullptr, interp, extrap, use_rep, rep_len, auto_assign);
  } else {
    gt_set_state(TS_IDLE);
    if (im->draw_area) WGT_Redraw(static_cast<TK_OBJ>(im->draw_area));
    gt_vrem_close_then(win, gt_vrem_step_report);
  }
  gt_std_close_set(&s_file);
}
