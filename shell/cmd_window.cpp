// The Window menu's commands: Cascade, Tile, Arrange Icons, Refresh and the entries of the open
// image windows.
#include "base/slog.h"
#include "shell/cmd_handlers.h"
#include "shell/gt_canvas.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_workspace.h"

// Cascade, Tile and Arrange Icons: the workspace arranges the image windows.
void cmd_arrange(const CmdCall& call) {
  if (gt_get_num_img_windows() == 0) {
    SLOG(kCmdTrace, SLOG_VALUE4, "no images loaded");
    return;
  }
  TK_OBJ ws = gt_get_workspace();
  if (call.command == GT_CMD_CASCADE) WS_Cascade(ws);
  else if (call.command == GT_CMD_TILE) WS_Tile(ws);
  else WS_ArrangeIcons(ws);
  EVENT_Flush();
  gt_refresh_scroll_bars();
}

// Refresh redraws the canvas of every image window, in window order.
void cmd_refresh(const CmdCall&) {
  for (int i = 0; i < gt_get_num_img_windows(); ++i)
    gt_redraw_img(static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(i))));
}

// An entry of the Window menu brings its image window to the front, unless the current image
// may not change now.
void cmd_window_entry(const CmdCall& call) {
  if (gt_may_change_image()) gt_raise_image_window(call.command);
}
