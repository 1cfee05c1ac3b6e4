// The Edit menu's commands: Select All, Deselect All and Preferences.
#include "shell/cmd_handlers.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_prefs.h"
#include "tools/gt_band_util.h"

// Both need found bands.
void cmd_select_all(const CmdCall& call) {
  IMAGE_REC* im = call.image;
  if (im && im->has_bands == 1) gt_select_all(static_cast<TK_OBJ>(im->draw_area), im);
}

void cmd_deselect_all(const CmdCall& call) {
  IMAGE_REC* im = call.image;
  if (im && im->has_bands == 1) gt_deselect_all(static_cast<TK_OBJ>(im->draw_area), im);
}

// Preferences, then Refresh through the dispatcher (gate included), so every image window
// shows the settings now in force.
void cmd_preferences(const CmdCall& call) {
  prefs_activate(call.win, call.ctl);
  main_winNfySelMenuBar(call.win, GT_CMD_REFRESH);
}
