// Toolbar buttons: help texts in the status line and commands to the dispatcher.
#include "shell/gt_toolbar.h"

#include "base/ks_msg.h"
#include "base/slog.h"
#include "model/control.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace {

struct ToolButton {
  int command;
  int help;
};

// By button index. Buttons 8, 9 and 13 take command or help from the selection mode.
constexpr ToolButton kButtons[GT_TOOLBAR_BUTTONS] = {
    {GT_CMD_SAVE, 102},
    {GT_CMD_PRINT_IMAGE, 103},
    {GT_CMD_OPEN, 104},
    {GT_CMD_SLICE, 105},
    {GT_CMD_SURFACE_PLOT, 106},
    {GT_CMD_HISTOGRAM, 107},
    {GT_CMD_REPORT_ACTIVE_IMAGE, 108},
    {GT_CMD_REPORT_LANE_PROFILE, 109},
    {GT_CMD_ADD, 0},  // help by mode
    {GT_CMD_DELETE, 0},  // help by mode
    {GT_CMD_QUANTIFY, 118},
    {GT_CMD_MARK_BOUNDS, 119},
    {GT_CMD_MARK_AXES, 120},
    {0, 0},  // Copy Lanes or Copy Bounds by mode
    {GT_CMD_BAND_INFO, 122},
    {GT_CMD_LABEL_VALUES, 123},
    {GT_CMD_PREFERENCES, 124},
    {GT_CMD_ANNOTATION, 125},
    {GT_CMD_ZOOM_OUT, 126},
    {GT_CMD_ZOOM_IN, 127},
    {GT_CMD_CASCADE, 129},
    {GT_CMD_ILLUSTRATOR, 128},
    {GT_CMD_TILE, 130},
};

// Add and Delete help by mode: bands, lanes, size standards, concentration standards.
constexpr int kAddHelp[4] = {110, 113, 111, 112};
constexpr int kDeleteHelp[4] = {114, 117, 115, 116};

}  // namespace

int gt_toolbar_command(int button, int mode) {
  if (button < 0 || button >= GT_TOOLBAR_BUTTONS) return 0;
  if (button == 13) return mode == SEL_LANES ? GT_CMD_COPY_LANES : GT_CMD_COPY_BOUNDS;
  return kButtons[button].command;
}

int gt_toolbar_help(int button, int mode) {
  if (button < 0 || button >= GT_TOOLBAR_BUTTONS) return 0;
  const bool known = mode >= 0 && mode <= 3;
  if (button == 8) return known ? kAddHelp[mode] : 0;
  if (button == 9) return known ? kDeleteHelp[mode] : 0;
  if (button == 13) return mode == SEL_LANES ? 180 : 121;
  return kButtons[button].help;
}

long gt_toolbar_buttonNfy(TK_OBJ button, int event) {
  const int k = RES_GetIndex(button);
  CONTROL* ctl = gt_get_control();
  switch (event) {
    case TK_EV_ENTER: {
      if (ctl->busy || gt_status_text_shown()) return WGT_DefaultNfy3(button, event);
      const int help = gt_toolbar_help(k, gt_get_sel_mode());
      if (help != 0) mh_status_message(gt_get_status_bar(), 0, "%s", gt_get_message(help));
      return 0;
    }
    case TK_EV_LEAVE:
      WGT_DefaultNfy3(button, event);
      // While busy the status line belongs to the long operation.
      if (!ctl->busy) mh_clear_status(gt_get_status_bar(), 0);
      return 0;
    case TK_EV_ACTIVATE:
      return main_winNfySelMenuBar(RES_GetOwnerWindow(button),
                                   gt_toolbar_command(k, gt_get_sel_mode()));
    default:
      return WGT_DefaultNfy3(button, event);
  }
}

void gt_toolbar_attach(TK_OBJ toolbar) {
  for (int k = 0; k < GT_TOOLBAR_BUTTONS; ++k) {
    TK_OBJ b = RES_GetSub(toolbar, k);
    if (b == nullptr) {
      SLOG("gt_toolbar_attach", SLOG_ERROR, "toolbar button %d missing", k);
      continue;
    }
    RES_SetNfy(b, gt_toolbar_buttonNfy);
  }
}
