// The View menu's commands: Enhance Display, Annotation and zoom (in, out, 1:1 and the fixed
// factors of the Factor sub-menu).
#include <vector>

#include "base/slog.h"
#include "shell/cmd_handlers.h"
#include "shell/gt_canvas.h"
#include "shell/gt_image_win.h"
#include "shell/gt_misc.h"
#include "tools/gt_disp_enh.h"

namespace {

// The zoom a command asks for: one step in or out, 1:1, or a fixed factor (10 down to 2, then
// -2 down to -10). The present zoom when the command asks for no change.
int wanted_zoom(int zoom, int command) {
  if (command == GT_CMD_ZOOM_IN || command == GT_CMD_ZOOM_OUT) return gt_zoom_next(zoom, command);
  if (command == GT_CMD_ZOOM_ONE) return 1;
  if (command <= 10009) return 10011 - command;
  return 10008 - command;
}

}  // namespace

void cmd_enhance_display(const CmdCall&) {
  const std::vector<TK_OBJ> wins = cmd_image_windows();
  gt_enh_disp_activate(wins.data(), static_cast<int>(wins.size()));
}

// Annotation switches the lane and band outlines on or off.
void cmd_annotation(const CmdCall& call) {
  call.ctl->lanes_hidden = call.ctl->lanes_hidden == 0 ? 1 : 0;
  gt_redraw_img(call.image);
}

void cmd_zoom(const CmdCall& call) {
  IMAGE_REC* image = gt_get_image_ptr();
  if (image == nullptr || image->img_ptr == nullptr) return;
  const int now = image->img_ptr->zoom[0];
  const int next = wanted_zoom(now, call.command);
  if (next == now) {
    SLOG(kCmdTrace, SLOG_VALUE4, "new_zoom == desired zoom (%d)", now);
    return;
  }
  gt_zoom_set(image, next);
}
