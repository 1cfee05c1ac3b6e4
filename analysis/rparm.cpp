// The report parameters dialog.
#include "analysis/rparm.h"

#include <cstdio>
#include <string>

#include "base/io_file.h"
#include "base/ks_alert.h"
#include "base/ks_choose.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "model/control.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace {

enum { P_OK = 0, P_CANCEL = 1, P_LANESEL = 2, P_EMPTY = 3, P_IMGLIST = 4, P_ACTIVE = 5, P_LANENUM = 6 };

char s_lanenum_file[CTL_PATH] = "";
int s_active_only = 0;

// One file box: its chooser, the message that names it and the message of a file that cannot
// be opened.
struct FileBox {
  int part;
  const char* caption;
  const char* filter;
  const char* ext;
  int msg;
  int err;
};
const FileBox kBoxes[] = {
    {P_LANESEL, "Select a Lane Selection file...", "Lane Selection Files (*.sel)\0*.sel\0", ".sel", 86, 87},
    {P_IMGLIST, "Select an Image List file...", "CSV (*.csv)\0*.csv\0", ".csv", 174, 175},
    {P_LANENUM, "Select an Image Name and Lane Number file..", "CSV (*.csv)\0*.csv\0", ".csv", 190, 175},
};

struct Dialog {
  std::string path[7];  // the chosen path of each file box, by part
};
Dialog* s_dlg = nullptr;

const FileBox* box_of(int part) {
  for (const FileBox& b : kBoxes)
    if (b.part == part) return &b;
  return nullptr;
}

void set_tip(TK_OBJ box, int msg, const std::string& path) {
  std::string tip = ks_gt_message(msg);
  if (!path.empty()) tip += ":  " + path;
  WGT_SetTooltip(box, tip.c_str());
}

void pick_file(TK_OBJ box, const FileBox& b) {
  std::string& path = s_dlg->path[b.part];
  if (WGT_GetValue(box) == 0) {
    set_tip(box, b.msg, "");
    return;
  }
  const CONTROL* ctl = gt_get_control();
  char picked[KS_PATH_LEN] = "";
  if (!io_win32_singlefile(picked, sizeof picked, b.caption, ctl->folders[CTL_DIR_IMAGES], "",
                           b.filter, b.ext, TRUE, TRUE)) {
    WGT_SetValue(box, 0);
    set_tip(box, b.msg, "");
    return;
  }
  if (FILE* f = std::fopen(picked, "rb")) {
    std::fclose(f);
  } else {
    if (b.err == 87) mh_send_msg(KS_ALERT_INFO, ks_gt_message(87), picked);
    else mh_send_msg(KS_ALERT_INFO, "%s", ks_gt_message(b.err));
    WGT_SetValue(box, 0);
    return;
  }
  path = picked;
  set_tip(box, b.msg, path);
  // The image list and the image-name and lane-number list exclude each other.
  const int other = b.part == P_IMGLIST ? P_LANENUM : b.part == P_LANENUM ? P_IMGLIST : -1;
  if (other >= 0) WGT_SetValue(RES_GetSub(RES_GetOwnerWindow(box), other), 0);
}

long part_nfy(TK_OBJ part, int event) {
  if (event != TK_EV_ACTIVATE || s_dlg == nullptr) return WGT_DefaultNfy(part, event);
  const int index = RES_GetIndex(part);
  TK_OBJ win = RES_GetOwnerWindow(part);
  if (index == P_OK) WIN_EndModal(win, 1);
  else if (index == P_CANCEL) WIN_EndModal(win, 0);
  else if (const FileBox* b = box_of(index)) pick_file(part, *b);
  return 0;
}

long win_nfy(TK_OBJ win, int event) {
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    WIN_EndModal(win, 0);
    return 0;
  }
  return WIN_DefaultNfy(win, event);
}

void store(char* setting, TK_OBJ box, const std::string& path) {
  const bool take = WGT_GetValue(box) != 0 && !path.empty();
  std::snprintf(setting, CTL_PATH, "%s", take ? path.c_str() : "");
}

}  // namespace

const char* gt_rparm_imgname_lanenum_file() { return s_lanenum_file; }
int gt_rparm_active_only() { return s_active_only; }

int gt_rparm_activate(TK_OBJ owner, int with_files) {
  SLOG("gt_rparm_activate", SLOG_ENTRY, "with_files %d", with_files);
  TK_OBJ win = WIN_Load("rparm", "rparm_win");
  if (win == nullptr) return 0;
  CONTROL* ctl = gt_get_control();
  Dialog dlg;
  s_dlg = &dlg;
  RES_SetNfy(win, win_nfy);
  for (int i = P_OK; i <= P_LANENUM; ++i) RES_SetNfy(RES_GetSub(win, i), part_nfy);
  if (owner) WIN_SetOwner(win, owner);
  WIN_Init(win);
  WGT_SetValue(RES_GetSub(win, P_EMPTY), ctl->rep_empty_lanes ? 1 : 0);
  WGT_SetValue(RES_GetSub(win, P_ACTIVE), s_active_only);
  const char* settings[7] = {};
  settings[P_LANESEL] = ctl->lane_sel_file;
  settings[P_IMGLIST] = ctl->image_list_file;
  settings[P_LANENUM] = s_lanenum_file;
  for (const FileBox& b : kBoxes) {
    TK_OBJ box = RES_GetSub(win, b.part);
    if (with_files != 1) {
      WGT_Enable(box, 0);
      continue;
    }
    dlg.path[b.part] = settings[b.part];
    WGT_SetValue(box, dlg.path[b.part].empty() ? 0 : 1);
    set_tip(box, b.msg, dlg.path[b.part]);
  }
  ui_wpos_place(win, 90, 50, FALSE);
  const long result = WIN_DoModal(win);
  if (result == 1) {
    ctl->rep_empty_lanes = static_cast<int16_t>(WGT_GetValue(RES_GetSub(win, P_EMPTY)) ? 1 : 0);
    s_active_only = WGT_GetValue(RES_GetSub(win, P_ACTIVE)) ? 1 : 0;
    // Boxes that were not offered leave the file settings, which matching shares, alone.
    if (with_files == 1) {
      store(ctl->lane_sel_file, RES_GetSub(win, P_LANESEL), dlg.path[P_LANESEL]);
      store(ctl->image_list_file, RES_GetSub(win, P_IMGLIST), dlg.path[P_IMGLIST]);
      store(s_lanenum_file, RES_GetSub(win, P_LANENUM), dlg.path[P_LANENUM]);
    }
  }
  s_dlg = nullptr;
  WIN_Terminate(win);
  SLOG("gt_rparm_activate", SLOG_EXIT, "result %ld", result);
  return result == 1 ? 1 : 0;
}
