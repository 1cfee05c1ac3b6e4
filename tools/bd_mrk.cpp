// The Mark Bounds tool window: points round a band; a double click applies them.
#include "base/ks_choose.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_band_util.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_tool_wins.h"

namespace {

TK_OBJ s_win = nullptr;

long S_bd_mrk_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_TERMINATE) {
    gt_set_state(0);
    gt_tool_win_end(&s_win, gt_band_clear_bounds);
  }
  return gt_tool_win_default(win, event);
}

long S_bd_mrk_DoneNfy(TK_OBJ button, int event) {
  return gt_tool_win_button(button, event, &s_win, [](TK_OBJ) { gt_band_clear_bounds(); });
}

}  // namespace

void bd_mrk_dismiss() { gt_tool_win_dismiss(&s_win); }

void gt_bd_mrk_activate(TK_OBJ owner, IMAGE_REC* image) {
  bd_mrk_dismiss();
  if (!image || !image->bounds_band) return;  // marks never touch a missing band
  const GtPartNfy parts[] = {{1, S_bd_mrk_DoneNfy}};
  TK_OBJ win = gt_tool_win_load("bd_mrk", owner, S_bd_mrk_winNfy, parts, 1);
  if (!win) return;
  s_win = win;
  ui_wpos_place(win, 80, 25, 0);
  gt_set_state(10);
  WIN_Show(win);
}
