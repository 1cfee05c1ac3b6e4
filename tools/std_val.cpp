// The standards value dialog and the helpers the standards tools share: set files and tooltips.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/io_file.h"
#include "base/ks_choose.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "model/control.h"
#include "shell/gt_image_win.h"
#include "shell/gt_vrem.h"
#include "toolkit/core/tk_file.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_std_tools.h"

double gt_std_parse_value(const char* text) {
  if (!text || !text[0]) return GT_STD_NO_VALUE;
  if (!ks_valok(text)) return GT_STD_BAD_VALUE;
  return std::strtod(text, nullptr);
}

void gt_std_set_tooltip(TK_OBJ part, const char* text) {
  std::string tip;
  for (const char* p = text ? text : ""; *p && tip.size() < 247; ++p) {
    tip += *p;
    if (*p == '\\' && tip.size() < 247) tip += '\\';
  }
  WGT_SetTooltip(part, tip.c_str());
}

TkFile* gt_std_open_set(const char* path, const char* caller) {
  TkFile* file = FILE_New(path);
  if (!file) {
    ks_dbg_null_ptr(caller, "set_fd");
    return nullptr;
  }
  if (FILE_TryOpen(file, TK_FILE_READ, TK_FILE_TEXT)) return file;
  FILE_Dispose(file);
  char name[KS_PATH_LEN] = "";
  if (path) io_path_filename(path, name);
  mh_send_msg(1, gt_get_message(80), name);
  return nullptr;
}

void gt_std_close_set(TkFile** file) {
  if (!file || !*file) return;
  FILE_Dispose(*file);
  *file = nullptr;
}

void gt_std_val_activate(TK_OBJ owner, double* value) {
  double result = GT_STD_NO_VALUE;
  const GtPartNfy parts[] = {{0, S_swallow_textNfy}, {1, S_OK_PButNfy}, {2, S_Cancel_PButNfy}};
  TK_OBJ win = gt_tool_win_load("std_val", owner, S_modal_winNfy, parts, 3);
  if (!win) {
    if (value) *value = result;
    return;
  }
  WIN_Show(win);
  ui_wpos_shift(win, 10, 0);
  TK_OBJ field = RES_GetSub(win, 0);
  char proposed[GT_STD_VALUE_LEN] = "";
  if (gt_get_sel_mode() == 2) gt_std_size_set_val(proposed);
  else std_casn_next_value(proposed);
  WGT_SetText(field, proposed);
  if (WIN_DoModal(win) == 1) {
    char text[19];
    const char* t = WGT_GetText(field);
    std::snprintf(text, sizeof text, "%s", t ? t : "");
    result = gt_std_parse_value(text);
  }
  WIN_Terminate(win);
  if (value) *value = result;
}

void gt_std_renew_pending(IMAGE_REC* im) {
  if (!im) return;
  if (im->pending_stds && !std_list_free(im->pending_stds)) ks_free(im->pending_stds);
  im->pending_stds = std_list_create();
}

long gt_std_asn_button(TK_OBJ button, int event, TK_OBJ* win, void (*action)(TK_OBJ win)) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  TK_OBJ w = RES_GetOwnerWindow(button);
  if (action) action(w);
  *win = nullptr;
  gt_vrem_close_then(w, gt_vrem_step_report);
  return 0;
}

void gt_std_asn_end(TK_OBJ* win, IMAGE_REC** image, TkFile** file, bool committed) {
  IMAGE_REC* im = *image;
  *win = nullptr;
  *image = nullptr;
  if (!committed) gt_std_renew_pending(im);
  // The standard values are recomputed (by the state change) on the image the points went into.
  if (committed && im) gt_set_image_ptr(im);
  gt_set_state(0);
  if (im && im->draw_area) WGT_Redraw(static_cast<TK_OBJ>(im->draw_area));
  gt_std_close_set(file);
}

TkFile* gt_std_reopen_stored(int* set_switch, char* path, char* name, const char* caller, TK_OBJ part) {
  name[0] = '\0';
  TkFile* file = nullptr;
  char tip[300];
  std::snprintf(tip, sizeof tip, "%s", gt_get_message(79));
  if (*set_switch) {
    io_path_filename(path, name);
    file = gt_std_open_set(path, caller);
    if (file) {
      std::snprintf(tip, sizeof tip, "%s:  %s", gt_get_message(79), name);
    } else {
      *set_switch = 0;
      path[0] = '\0';
    }
  }
  gt_std_set_tooltip(part, tip);
  WGT_SetValue(part, *set_switch ? 1 : 0);
  return file;
}

int gt_std_set_switch(TK_OBJ part, int* set_switch, char* path, char* name, TkFile** file) {
  char tip[300];
  if (!WGT_GetValue(part)) {
    gt_std_close_set(file);
    *set_switch = 0;
    path[0] = '\0';
    gt_std_set_tooltip(part, gt_get_message(79));
    return GT_STD_SET_OFF;
  }
  char chosen[CTL_PATH] = "";
  if (!io_win32_singlefile(chosen, sizeof chosen, "Select a Standard Set...",
                           gt_get_control()->folders[CTL_DIR_STDSETS], nullptr,
                           "Standard Set Files (*.std)\0*.std\0", ".std", TRUE, TRUE)) {
    WGT_SetValue(part, 0);
    return GT_STD_SET_CANCELLED;
  }
  std::snprintf(path, CTL_PATH, "%s", chosen);
  io_path_filename(chosen, name);
  gt_std_close_set(file);
  *file = gt_std_open_set(chosen, "S_CBut1Nfy");
  if (!*file) {
    WGT_SetValue(part, 0);
    *set_switch = 0;
    path[0] = '\0';
    return GT_STD_SET_FAILED;
  }
  std::snprintf(tip, sizeof tip, "%s:  %s", gt_get_message(79), name);
  gt_std_set_tooltip(part, tip);
  *set_switch = 1;
  return GT_STD_SET_OPENED;
}
