#include "tools/ln_info.h"

#include <cstdlib>

#include "base/ks_choose.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "model/control.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_band_util.h"
#include "tools/gt_dlg_nfy.h"

int ln_info_loaded() { return 0; }
const char* ln_info_get_name(int) { return nullptr; }
int ln_info_get_bg_angle(int) { return -1; }

namespace {

// The lane count and the automatic toggle are offered only for a block of lanes.
void refresh(TK_OBJ win) {
  const bool block = WGT_GetValue(RES_GetSub(win, 3)) != 0;
  WGT_Enable(RES_GetSub(win, 0), block ? 1 : 0);
  WGT_Enable(RES_GetSub(win, 4), block ? 1 : 0);
}

long S_ln_info_choiceNfy(TK_OBJ choice, int event) {
  const long r = WGT_DefaultNfy(choice, event);
  if (event == TK_EV_ACTIVATE) refresh(RES_GetOwnerWindow(choice));
  return r;
}

}  // namespace

int gt_fd_lane_info_activate(TK_OBJ owner, IMAGE_REC* im) {
  if (!im) return -1;
  CONTROL* ctl = gt_get_control();
  const GtPartNfy parts[] = {{1, S_OK_PButNfy}, {2, S_Cancel_PButNfy}, {3, S_ln_info_choiceNfy},
                             {4, S_swallow_activateNfy}};
  TK_OBJ win = gt_tool_win_load("ln_info", owner, S_modal_winNfy, parts, 4);
  if (!win) return -1;
  WGT_SetValue(RES_GetSub(win, 3), ctl->lane_def_mode ? 1 : 0);
  char count[16];
  std::snprintf(count, sizeof count, "%d", ctl->lane_count == -1 ? 7 : ctl->lane_count);
  WGT_SetText(RES_GetSub(win, 0), count);
  WGT_SetValue(RES_GetSub(win, 4), ctl->lane_count == -1 ? 0 : ctl->fnd_auto);
  refresh(win);
  ui_wpos_place(win, 80, 50, 0);
  if (WIN_DoModal(win) != 1) {
    WIN_Terminate(win);
    return -1;
  }
  im->num_block_points = 1;
  if (im->block_points)
    for (int i = 0; i < 8; ++i) im->block_points[i] = -1;
  im->marker_w[0] = im->marker_w[1] = -1;
  im->num_lane_coords = 0;
  const bool block = WGT_GetValue(RES_GetSub(win, 3)) != 0;
  const char* text = WGT_GetText(RES_GetSub(win, 0));
  const int asked = text ? std::atoi(text) : 0;
  const int automatic = static_cast<int>(WGT_GetValue(RES_GetSub(win, 4)));
  int mode = 1;
  if (block) {
    mode = automatic ? 0 : 2;
    gt_deselect_all(nullptr, im);
    im->num_sel_lanes = asked;
    if (im->num_sel_lanes > 500) {
      mh_send_msg(0, gt_get_message(73), 500);
      im->num_sel_lanes = 500;
    }
    if (im->num_sel_lanes < 2) {
      mh_send_msg(0, gt_get_message(75), 2);
      im->num_sel_lanes = 2;
    }
  } else {
    ks_free(im->lane_coords);
    im->lane_coords = static_cast<int*>(ks_alloc_msg(sizeof(int) * 2));
    if (im->lane_coords) im->lane_coords[0] = im->lane_coords[1] = -1;
  }
  ctl->lane_def_mode = block ? 1 : 0;
  ctl->lane_count = asked;
  ctl->fnd_auto = automatic;
  WIN_Terminate(win);
  return mode;
}
