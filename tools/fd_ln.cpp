// The Find Lanes tool window: the steps of placing a lane block's four corners.
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

// The block of the current image starts again: no corner placed.
void reset_block() {
  IMAGE_REC* im = gt_get_image_ptr();
  if (!im) return;
  im->block_step = 1;
  im->num_block_points = 0;
  if (im->block_points)
    for (int i = 0; i < 8; ++i) im->block_points[i] = -1;
  im->rubber_pt[0] = im->rubber_pt[1] = -1;
}

// Cancel and the close paths: the lanes not yet confirmed go, the tool ends.
void undo() {
  reset_block();
  if (IMAGE_REC* im = gt_get_image_ptr()) gt_lane_discard_pending(im);
  gt_set_state(0);
}

long S_fd_ln_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_TERMINATE) gt_tool_win_end(&s_win, undo);
  return gt_tool_win_default(win, event);
}

long S_fd_ln_CancelNfy(TK_OBJ button, int event) {
  return gt_tool_win_button(button, event, &s_win, [](TK_OBJ) { gt_tool_win_end(&s_win, undo); });
}

}  // namespace

void fd_ln_dismiss() { gt_tool_win_dismiss(&s_win); }

void fd_ln_hand_over() {
  TK_OBJ win = s_win;
  s_win = nullptr;
  if (win) WIN_Terminate(win);
}

void fd_ln_show_step(int step) {
  if (!s_win) return;
  const int on = step <= 1 ? 0 : step == 2 ? 1 : step == 3 ? 2 : 3;
  for (int k = 0; k < 4; ++k) WGT_Enable(RES_GetSub(s_win, k), k == on ? 1 : 0);
}

void gt_fd_ln_activate(TK_OBJ owner) {
  fd_ln_dismiss();
  const GtPartNfy parts[] = {{4, S_fd_ln_CancelNfy}};
  TK_OBJ win = gt_tool_win_load("fd_ln", owner, S_fd_ln_winNfy, parts, 1);
  if (!win) return;
  s_win = win;
  reset_block();
  fd_ln_show_step(1);
  gt_tool_win_show(win, 80, 50);
}
