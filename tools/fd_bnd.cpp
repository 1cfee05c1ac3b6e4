// The Find Bands tool window: the new lanes may be dragged; OK confirms them and finds their
// bands.
#include "shell/gt_canvas.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_band_tools.h"
#include "tools/gt_band_util.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_lane_util.h"
#include "tools/gt_tool_wins.h"
#include "tools/ln_info.h"

namespace {

TK_OBJ s_win = nullptr;
int s_auto = 0;

void undo() {
  if (IMAGE_REC* im = gt_get_image_ptr()) gt_lane_discard_pending(im);
  gt_set_state(0);
}

long S_fd_bnd_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_TERMINATE) gt_tool_win_end(&s_win, undo);
  return gt_tool_win_default(win, event);
}

// OK: the owner and flag are read and the static cleared first, so that the window's end
// keeps the lanes that are confirmed here.
long S_fd_bnd_OKNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  TK_OBJ win = RES_GetOwnerWindow(button);
  TK_OBJ owner = static_cast<TK_OBJ>(RES_GetData(win));
  const int from_auto = s_auto;
  s_win = nullptr;
  gt_set_state(0);
  // The window goes first: its Cancel must not stay live behind the band detection dialog.
  WIN_Terminate(win);
  IMAGE_REC* im = gt_get_image_ptr();
  const bool use_info = from_auto == 1 && ln_info_loaded();
  if (im) {
    gt_band_find_start(im, use_info ? 0 : 1);
    // Pixels that cannot be had, or are lost while read, leave the lanes pending and the image
    // as it was: the user has been told, and nothing goes on.
    if (gt_lane_any_pending(im->lanes)) {
      gt_redraw_img(im);
      return 0;
    }
    // The info file finds the confirmed lanes' bands with its own settings.
    if (use_info) ln_info_apply(im);
    im->has_bands = 1;
    im->modified = 1;
    gt_redraw_img(im);
    if (!use_info) gt_refd_bnd_activate(owner, im);
  }
  return 0;
}

long S_fd_bnd_CancelNfy(TK_OBJ button, int event) {
  return gt_tool_win_button(button, event, &s_win, [](TK_OBJ) { gt_tool_win_end(&s_win, undo); });
}

}  // namespace

void fd_bnd_dismiss() { gt_tool_win_dismiss(&s_win); }

void gt_fd_bnd_activate(TK_OBJ owner, int auto_flag) {
  fd_bnd_dismiss();
  const GtPartNfy parts[] = {{0, S_fd_bnd_OKNfy}, {1, S_fd_bnd_CancelNfy}};
  TK_OBJ win = gt_tool_win_load("fd_bnd", owner, S_fd_bnd_winNfy, parts, 2);
  if (!win) return;
  s_win = win;
  s_auto = auto_flag;
  RES_SetData(win, owner);
  gt_tool_win_show(win, 80, 50);
  gt_set_state(3);
}
