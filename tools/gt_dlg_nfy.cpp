#include "tools/gt_dlg_nfy.h"

#include <cstdio>

#include "base/ks_choose.h"
#include "engine/std_interp.h"
#include "model/control.h"
#include "shell/gt_image_win.h"
#include "shell/gt_place.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_roles.h"
#include "toolkit/tk_widget.h"

long S_modal_winNfy(TK_OBJ win, int event) {
  const long r = WIN_DefaultNfy(win, event);
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) WIN_EndModal(win, 0);
  return r;
}

long S_OK_PButNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  WIN_EndModal(RES_GetOwnerWindow(button), 1);
  return 0;
}

long S_Cancel_PButNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  WIN_EndModal(RES_GetOwnerWindow(button), 0);
  return 0;
}

long gt_modal_end_with(TK_OBJ button, int event, int* slot, int value, long result) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  *slot = value;
  WIN_EndModal(RES_GetOwnerWindow(button), result);
  return 0;
}

long S_Close_PButNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  WIN_Terminate(RES_GetOwnerWindow(button));
  return 0;
}

long S_swallow_activateNfy(TK_OBJ w, int event) {
  if (event == TK_EV_ACTIVATE) return 0;
  return WGT_DefaultNfy(w, event);
}

long S_swallow_textNfy(TK_OBJ w, int event) {
  if (event == TK_EV_TEXT) return 0;
  return WGT_DefaultNfy6(w, event);
}

long S_list_pickNfy(TK_OBJ list, int event) {
  if (event != TK_EV_LIST_PICK) return WGT_DefaultNfy7(list, event);
  const char* text = WGT_GetText(list);
  if (!text) return WGT_DefaultNfy7(list, event);
  NDTKIT_Op472(list, text);
  return 0;
}

TK_OBJ gt_tool_win_load(const char* module, TK_OBJ owner, TkNfy win_proc, const GtPartNfy* parts,
                        int n_parts) {
  char name[64];
  std::snprintf(name, sizeof name, "%s_win", module);
  TK_OBJ win = WIN_Load(module, name);
  if (!win) return nullptr;
  RES_SetNfy(win, win_proc);
  for (int i = 0; i < n_parts; ++i)
    if (parts[i].proc) RES_SetNfy(RES_GetSub(win, parts[i].index), parts[i].proc);
  WIN_SetOwner(win, owner);
  WIN_Op1630(win, 1);
  WIN_Init(win);
  return win;
}

void gt_tool_win_show(TK_OBJ win, int x_pct, int y_pct) {
  ui_wpos_place(win, x_pct, y_pct, 0);
  // A tool window asks for clicks on the image: it must not lie over it.
  gt_place_beside_main(win);
  WIN_Show(win);
}

void gt_tool_win_dismiss(TK_OBJ* slot) {
  TK_OBJ win = *slot;
  if (win) WIN_Terminate(win);
  *slot = nullptr;
}

long gt_tool_win_default(TK_OBJ win, int event) {
  const long r = WIN_DefaultNfy(win, event);
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) WIN_Terminate(win);
  return r;
}

void gt_tool_win_end(TK_OBJ* slot, void (*undo)()) {
  if (!*slot) return;
  *slot = nullptr;
  if (undo) undo();
}

long gt_tool_win_button(TK_OBJ button, int event, TK_OBJ* slot, void (*action)(TK_OBJ win)) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  TK_OBJ win = RES_GetOwnerWindow(button);
  if (action) action(win);
  *slot = nullptr;
  WIN_Terminate(win);
  return 0;
}

void gt_tool_store_quant(TK_OBJ win) {
  gt_get_control()->add_band_quant = static_cast<int>(WGT_GetValue(RES_GetSub(win, 2)));
}

void gt_tool_stds_update() {
  IMAGE_REC* im = gt_get_image_ptr();
  if (!im || !im->std_changed) return;
  if (im->lanes && im->bands)
    std_lane_spots_calc(im->img_info, im->lanes, im->bands, im->size_stdp,
                        im->lane_hdr ? im->lane_hdr->num_tiers : 0);
  if (im->conc_stdp && *im->conc_stdp && im->bands) std_conc_calc(im->bands, *im->conc_stdp);
  im->std_changed = 0;
}
