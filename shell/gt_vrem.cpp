#include "shell/gt_vrem.h"

#include "base/slog.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_image_win.h"
#include "shell/gt_misc.h"
#include "toolkit/tk_gone.h"
#include "toolkit/tk_res.h"

namespace {

void press_and_send(int mode, int command) {
  TK_OBJ main_win = gt_get_main_win();
  gt_set_sel_mode(mode, RES_GetSub(RES_GetSub(main_win, GT_MAIN_MODE_BAR), mode));
  main_winNfySelMenuBar(main_win, command);
}

void step(const char* fn, int page, int mode, int command) {
  SLOG(fn, SLOG_ENTRY, "run %d", gt_vrem_run);
  if (gt_vrem_run == 0) return;
  qhelp_show_page(page);
  press_and_send(mode, command);
}

}  // namespace

void gt_vrem_step_lanes() { step("gt_vrem_step_lanes", 1, 1, GT_CMD_DEFINE_LANES); }

void gt_vrem_step_bands() { step("gt_vrem_step_bands", 3, 0, GT_CMD_EDIT_BANDS); }

void gt_vrem_step_stds() {
  step("gt_vrem_step_stds", 4, gt_vrem_run == 1 ? 2 : 3, GT_CMD_ADD);
}

void gt_vrem_step_report() {
  SLOG("gt_vrem_step_report", SLOG_ENTRY, "run %d", gt_vrem_run);
  qhelp_show_page(5);
  if (gt_vrem_run == 0) return;
  press_and_send(1, GT_CMD_REPORT_ACTIVE_IMAGE);
  gt_vrem_end();
}

void gt_vrem_close_then(TK_OBJ win, void (*step)()) {
  if (gt_vrem_run == 0) {
    WIN_Terminate(win);
    step();
    return;
  }
  WIN_TerminateThen(win, step);
}
