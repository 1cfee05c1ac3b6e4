// The concentration standards assignment window (modeless, task state 9): clicks on its image
// add pending points (the mouse code), OK commits them into the concentration list and marks
// their bands, Cancel and the close box discard them.
#include <cstdio>
#include <cstring>

#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "engine/lane_geometry.h"
#include "engine/std_interp.h"
#include "model/control.h"
#include "model/spot.h"
#include "model/task_state.h"
#include "shell/gt_image_win.h"
#include "toolkit/core/tk_file.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_std_tools.h"

namespace {

TK_OBJ s_win = nullptr;
IMAGE_REC* s_image = nullptr;  // the image the assignment belongs to
TkFile* s_file = nullptr;
char s_name[256] = "";
int s_interp = 0, s_extrap = 0, s_set_switch = 0;

void discard() { gt_std_asn_end(&s_win, &s_image, &s_file, false); }

void commit(TK_OBJ) {
  IMAGE_REC* im = s_image;
  CONTROL* ctl = gt_get_control();
  STD_LIST* list = gt_std_conc_list(im);
  if (im && list && im->pending_stds) {
    bool failed = false;
    STD_LIST* work = im->pending_stds;
    for (int i = 0; i < work->count; ++i) {
      STD_MARKER p = work->records[i];
      p.flags = (p.flags | STD_M_VALID) & ~STD_M_DELETE;
      if (!std_list_put(list, &p)) {
        failed = true;
        continue;
      }
      if (!failed)
        if (SPOT* b = sp_nearest_spot(p.ix, p.iy, 2, im->bands, nullptr)) b->f2 |= SP_F2_CONC_STD;
    }
    list->int_method = s_interp;
    list->extrap_method = s_extrap;
    im->modified = 1;
    gt_std_renew_pending(im);
    if (failed) mh_send_msg(1, "%s", ui_msg(3));
    ctl->conc_interp = s_interp;
    ctl->conc_extrap = s_extrap;
    ctl->conc_stdset = s_set_switch;
  }
  if (im && list && im->bands) std_conc_calc(im->bands, list);
  gt_std_asn_end(&s_win, &s_image, &s_file, true);
}

long S_std_casn_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_TERMINATE && s_win) discard();
  return gt_tool_win_default(win, event);
}

// OK and Cancel end the assignment, then a guided run goes on to its report step.
long S_std_casn_PBut2Nfy(TK_OBJ button, int event) {
  return gt_std_asn_button(button, event, &s_win, commit);
}

long S_std_casn_PBut3Nfy(TK_OBJ button, int event) {
  return gt_std_asn_button(button, event, &s_win, [](TK_OBJ) { discard(); });
}

}  // namespace

void std_casn_dismiss() { gt_tool_win_dismiss(&s_win); }
IMAGE_REC* std_casn_image() { return s_win ? s_image : nullptr; }

void gt_std_conc_asgn_activate(TK_OBJ owner, const char* name, TkFile* file, int interp, int extrap,
                               int set_switch) {
  std_casn_dismiss();
  const GtPartNfy parts[] = {{2, S_std_casn_PBut2Nfy}, {3, S_std_casn_PBut3Nfy}};
  TK_OBJ win = gt_tool_win_load("std_casn", owner, S_std_casn_winNfy, parts, 2);
  if (!win) {
    if (file) FILE_Dispose(file);
    gt_set_state(TS_IDLE);
    return;
  }
  s_win = win;
  s_image = gt_get_image_ptr();
  std::snprintf(s_name, sizeof s_name, "%s", name ? name : "");
  gt_std_close_set(&s_file);
  s_file = file;
  s_interp = interp, s_extrap = extrap, s_set_switch = set_switch;
  CONTROL* ctl = gt_get_control();
  ctl->conc_interp = interp;
  if (STD_LIST* list = gt_std_conc_list(s_image)) {
    if (list->count > 0) ctl->conc_interp = list->int_method, ctl->conc_extrap = list->extrap_method;
    list->precision = ctl->conc_digits;
  }
  if (ctl->conc_stdset) {
    gt_std_close_set(&s_file);
    s_file = gt_std_open_set(ctl->conc_stdset_path, "gt_std_conc_asgn_activate");
    if (!s_file) {
      ctl->conc_stdset = 0;
      ctl->conc_stdset_path[0] = '\0';
    }
  }
  gt_tool_win_show(win, 80, 50);
}

void std_casn_next_value(char* out) {
  if (!s_file || !out || FILE_AtEnd(s_file)) return;
  char line[GT_STD_VALUE_LEN];
  if (FILE_ReadLine(s_file, line, sizeof line)) std::snprintf(out, GT_STD_VALUE_LEN, "%s", line);
}
