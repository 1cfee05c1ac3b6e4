// The Define Lanes tool window: lanes clicked point by point, then handed to Find Bands.
#include "base/ks_mem.h"
#include "shell/gt_canvas.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_lane_util.h"
#include "tools/gt_tool_wins.h"

namespace {

TK_OBJ s_win = nullptr;
TK_OBJ s_opener = nullptr;
bool s_step1_seen = false;  // a lane has been begun in this run: part 3 is offered from then on

// Cancel and the close paths: the lanes not yet confirmed go, the tool ends.
void undo() {
  s_opener = nullptr;
  if (IMAGE_REC* im = gt_get_image_ptr()) {
    gt_lane_discard_pending(im);
    im->num_lane_coords = 0;
    gt_redraw_img(im);
  }
  gt_set_state(0);
}

long S_def_ln_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_TERMINATE) gt_tool_win_end(&s_win, undo);
  return gt_tool_win_default(win, event);
}

long S_def_ln_DoneNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  IMAGE_REC* im = gt_get_image_ptr();
  if (!im || gt_band_def_lanes_done(im, 1) != 1) return 0;  // refused: the window stays
  TK_OBJ win = RES_GetOwnerWindow(button);
  TK_OBJ opener = s_opener;
  s_win = nullptr;
  s_opener = nullptr;
  gt_fd_bnd_activate(opener, 0);
  WIN_Terminate(win);
  return 0;
}

long S_def_ln_CancelNfy(TK_OBJ button, int event) {
  return gt_tool_win_button(button, event, &s_win, [](TK_OBJ) { gt_tool_win_end(&s_win, undo); });
}

}  // namespace

void def_ln_dismiss() { gt_tool_win_dismiss(&s_win); s_opener = nullptr; }

void def_ln_new_run() { s_step1_seen = false; }

void def_ln_show_step(int step, int pending_exists) {
  if (!s_win) return;
  if (step == 0 || step == 1) {
    WGT_Enable(RES_GetSub(s_win, 0), step == 0 ? 1 : 0);
    WGT_Enable(RES_GetSub(s_win, 2), step == 1 ? 1 : 0);
    // The "next lane" text is offered once a lane has been begun: not on the first lane of the
    // run, on every later one.
    WGT_Enable(RES_GetSub(s_win, 3), s_step1_seen ? 1 : 0);
    if (step == 1) s_step1_seen = true;
  }
  WGT_Enable(RES_GetSub(s_win, 1), pending_exists == 1 ? 1 : 0);
}

void gt_def_ln_activate(TK_OBJ owner) {
  const GtPartNfy parts[] = {{1, S_def_ln_DoneNfy}, {4, S_def_ln_CancelNfy}};
  TK_OBJ win = gt_tool_win_load("def_ln", owner, S_def_ln_winNfy, parts, 2);
  if (!win) return;
  s_win = win;
  s_opener = owner;
  if (IMAGE_REC* im = gt_get_image_ptr()) im->num_lane_coords = 0;
  def_ln_show_step(0, 0);
  gt_tool_win_show(win, 80, 50);
}
