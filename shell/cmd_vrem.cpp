// The Vrem menu's commands: the start of a guided run, Vrem Size or Vrem Quantify.
#include "base/ks_alert.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "shell/cmd_handlers.h"
#include "shell/gt_canvas.h"
#include "shell/gt_image_win.h"
#include "shell/gt_misc.h"
#include "shell/im_calib.h"
#include "toolkit/tk_event.h"

// Starts a guided run (Vrem Size: flag 1, Vrem Quantify: flag 2) on the current image. An image
// whose bands already have amounts loses its analysis, so the user is asked first. The run opens
// the quick help and then the image calibration window, its first step; the later steps send
// their commands back to the dispatcher and the last one ends the run.
void cmd_vrem_start(const CmdCall& call) {
  IMAGE_REC* image = call.image;
  if (image == nullptr) return;
  const bool size_run = call.command == GT_CMD_VREM_SIZE;
  if (gt_any_lane_value_set(image, 1, 1)) {
    if (mh_send_msg(KS_ALERT_YESNO, "%s", gt_get_message(16)) != 2) {
      SLOG(kCmdTrace, SLOG_VALUE4, "%s", size_run ? "user says 'no' to Vrem Size Could Lose"
                                            : "user says 'no' to Vrem Quantify Could Lose");
      return;
    }
    gt_vrem_clean(image);
    image->modified = 1;
    gt_redraw_img(image);
    EVENT_Wait(0);
  }
  gt_vrem_run = size_run ? 1 : 2;
  qhelp_activate();
  im_calib_activate(call.win);
}
