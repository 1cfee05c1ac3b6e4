// The concentration standards configuration dialog (modal): interpolation, extrapolation and the
// standard set file; OK opens the concentration assignment window in task state 9.
#include <cstdio>
#include <cstring>

#include "base/io_file.h"
#include "base/ks_choose.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "engine/std_numeric.h"
#include "model/control.h"
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

enum Part { P_INTERP = 3, P_EXTRAP = 4, P_OK = 5, P_CANCEL = 6, P_SET = 7 };

TkFile* s_file = nullptr;
char s_name[256] = "";

long S_std_option_Nfy(TK_OBJ w, int event) { return WGT_DefaultNfy4(w, event); }

// The standard set switch: on asks for a set file and opens it, off forgets it.
long S_CBut1Nfy(TK_OBJ w, int event) {
  const long r = WGT_DefaultNfy(w, event);
  CONTROL* ctl = gt_get_control();
  if (event == TK_EV_ACTIVATE) gt_std_set_switch(w, &ctl->conc_stdset, ctl->conc_stdset_path, s_name, &s_file);
  return r;
}

}  // namespace

// The image's concentration list, made (with its cell) when missing; null when out of memory.
STD_LIST* gt_std_conc_list(IMAGE_REC* im) {
  if (!im) return nullptr;
  if (!im->conc_stdp) {
    im->conc_stdp = static_cast<STD_LIST**>(ks_alloc_msg(sizeof(STD_LIST*)));
    if (!im->conc_stdp) return nullptr;
    *im->conc_stdp = nullptr;
  }
  if (!*im->conc_stdp) *im->conc_stdp = std_list_create();
  return *im->conc_stdp;
}

void gt_std_conc_config_activate(TK_OBJ owner) {
  static const char* fn = "gt_std_conc_config_activate";
  IMAGE_REC* im = gt_get_image_ptr();
  if (!im) {
    ks_dbg_null_ptr(fn, "image_ptr");
    return;
  }
  STD_LIST* list = gt_std_conc_list(im);
  if (!list) return;
  const GtPartNfy parts[] = {{P_INTERP, S_std_option_Nfy}, {P_EXTRAP, S_std_option_Nfy},
                             {P_OK, S_OK_PButNfy},         {P_CANCEL, S_Cancel_PButNfy},
                             {P_SET, S_CBut1Nfy}};
  TK_OBJ win = gt_tool_win_load("std_conc", owner, S_modal_winNfy, parts, 5);
  if (!win) return;
  CONTROL* ctl = gt_get_control();
  if (list->count > 0) ctl->conc_interp = list->int_method, ctl->conc_extrap = list->extrap_method;
  list->precision = ctl->conc_digits;
  WGT_SetChoice(RES_GetSub(win, P_INTERP), ctl->conc_interp);
  WGT_SetChoice(RES_GetSub(win, P_EXTRAP), ctl->conc_extrap);

  TK_OBJ set = RES_GetSub(win, P_SET);
  s_file = gt_std_reopen_stored(&ctl->conc_stdset, ctl->conc_stdset_path, s_name, fn, set);
  WIN_Show(win);
  ui_wpos_place(win, 80, 50, 0);
  if (WIN_DoModal(win) == 1) {
    const int interp = WGT_GetChoice(RES_GetSub(win, P_INTERP));
    const int extrap = WGT_GetChoice(RES_GetSub(win, P_EXTRAP));
    const int set_switch = static_cast<int>(WGT_GetValue(set));
    WIN_Terminate(win);
    gt_set_state(TS_CONC_STDS);
    gt_std_conc_asgn_activate(owner, s_name, nullptr, interp, extrap, set_switch);
  } else {
    gt_set_state(TS_IDLE);
    if (im->draw_area) WGT_Redraw(static_cast<TK_OBJ>(im->draw_area));
    gt_vrem_close_then(win, gt_vrem_step_report);
  }
  gt_std_close_set(&s_file);
}
