// The report parameters dialog.
#include "analysis/rparm.h"

#include <cstdio>
#include <iterator>
#include <string>

#include "base/io_file.h"
#include "base/ks_alert.h"
#include "base/ks_choose.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "model/control.h"
#include "shell/gt_place.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace {

enum { P_OK = 0, P_CANCEL = 1, P_LANESEL = 2, P_EMPTY = 3, P_IMGLIST = 4, P_ACTIVE = 5, P_LANENUM = 6 };
constexpr int kMaxPart = P_LANENUM;

// One file box: its part, its chooser, the message that names it, the message of a file that
// cannot be opened, and the box of the same dialog that a pick here unchecks (-1 none).
struct FileBox {
  int part;
  const char* caption;
  const char* filter;
  const char* ext;
  int msg;
  int err;
  int excludes;
};
const FileBox kReportBoxes[] = {
    {P_LANESEL, "Select a Lane Selection file...", "Lane Selection Files (*.sel)\0*.sel\0", ".sel", 86, 87, -1},
    {P_IMGLIST, "Select an Image List file...", "CSV (*.csv)\0*.csv\0", ".csv", 174, 175, P_LANENUM},
    {P_LANENUM, "Select an Image Name and Lane Number file..", "CSV (*.csv)\0*.csv\0", ".csv", 190, 175, P_IMGLIST},
};
const FileBox kLaneNameBoxes[] = {
    {P_LANESEL, "Select an Image Name, Lane # file...", "CSV (*.csv)\0*.csv\0", ".csv", 196, 191, -1},
};

// The dialog that is running: its file boxes and the path each holds, by part.
struct Dialog {
  const FileBox* boxes = nullptr;
  int num_boxes = 0;
  std::string path[kMaxPart + 1];
};
Dialog* s_dlg = nullptr;

const FileBox* box_of(int part) {
  for (int i = 0; s_dlg && i < s_dlg->num_boxes; ++i)
    if (s_dlg->boxes[i].part == part) return &s_dlg->boxes[i];
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
    mh_send_msg(KS_ALERT_INFO, ks_gt_message(b.err), picked);
    WGT_SetValue(box, 0);
    return;
  }
  path = picked;
  set_tip(box, b.msg, path);
  // The image list and the image-name and lane-number list exclude each other.
  if (b.excludes >= 0) WGT_SetValue(RES_GetSub(RES_GetOwnerWindow(box), b.excludes), 0);
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

// Loads one of the module's dialogs and fills its file boxes from `settings` (by part), or
// disables them when `with_files` is 0. Null when the window cannot be loaded.
TK_OBJ open_dialog(TK_OBJ owner, const char* name, Dialog* dlg, const char* const* settings,
                   int with_files) {
  TK_OBJ win = WIN_Load("rparm", name);
  if (win == nullptr) return nullptr;
  s_dlg = dlg;
  RES_SetNfy(win, win_nfy);
  for (int i = 0; i <= kMaxPart; ++i)
    if (TK_OBJ part = RES_GetSub(win, i)) RES_SetNfy(part, part_nfy);
  if (owner) WIN_SetOwner(win, owner);
  WIN_Init(win);
  for (int i = 0; i < dlg->num_boxes; ++i) {
    const FileBox& b = dlg->boxes[i];
    TK_OBJ box = RES_GetSub(win, b.part);
    if (with_files != 1) {
      WGT_Enable(box, 0);
      continue;
    }
    dlg->path[b.part] = settings[b.part];
    WGT_SetValue(box, dlg->path[b.part].empty() ? 0 : 1);
    set_tip(box, b.msg, dlg->path[b.part]);
  }
  return win;
}

long run_dialog(TK_OBJ win) {
  ui_wpos_place(win, 90, 50, FALSE);
  gt_place_beside_main(win);  // the lanes reported on stay in view
  return WIN_DoModal(win);
}

void close_dialog(TK_OBJ win) {
  s_dlg = nullptr;
  WIN_Terminate(win);
}

}  // namespace

int gt_rparm_activate(TK_OBJ owner, int with_files) {
  SLOG("gt_rparm_activate", SLOG_ENTRY, "with_files %d", with_files);
  CONTROL* ctl = gt_get_control();
  Dialog dlg;
  dlg.boxes = kReportBoxes;
  dlg.num_boxes = int(std::size(kReportBoxes));
  const char* settings[kMaxPart + 1] = {};
  settings[P_LANESEL] = ctl->lane_sel_file;
  settings[P_IMGLIST] = ctl->image_list_file;
  settings[P_LANENUM] = ctl->imgname_list_file;
  TK_OBJ win = open_dialog(owner, "rparm_win", &dlg, settings, with_files);
  if (win == nullptr) return 0;
  WGT_SetValue(RES_GetSub(win, P_EMPTY), ctl->rep_empty_lanes ? 1 : 0);
  WGT_SetValue(RES_GetSub(win, P_ACTIVE), ctl->ln_cpy_bnd_active_only ? 1 : 0);
  const long result = run_dialog(win);
  if (result == 1) {
    ctl->rep_empty_lanes = static_cast<int16_t>(WGT_GetValue(RES_GetSub(win, P_EMPTY)) ? 1 : 0);
    ctl->ln_cpy_bnd_active_only = WGT_GetValue(RES_GetSub(win, P_ACTIVE)) ? 1 : 0;
    // Boxes that were not offered leave the file settings, which matching shares, alone.
    if (with_files == 1) {
      store(ctl->lane_sel_file, RES_GetSub(win, P_LANESEL), dlg.path[P_LANESEL]);
      store(ctl->image_list_file, RES_GetSub(win, P_IMGLIST), dlg.path[P_IMGLIST]);
      store(ctl->imgname_list_file, RES_GetSub(win, P_LANENUM), dlg.path[P_LANENUM]);
    }
  }
  close_dialog(win);
  SLOG("gt_rparm_activate", SLOG_EXIT, "result %ld", result);
  return result == 1 ? 1 : 0;
}

int gt_lanename_activate(TK_OBJ owner) {
  CONTROL* ctl = gt_get_control();
  if (ctl == nullptr) {
    SLOG("gt_lanename_activate", SLOG_VALUE4, "big trouble: NULL control_ptr, FALSE");
    return 0;
  }
  Dialog dlg;
  dlg.boxes = kLaneNameBoxes;
  dlg.num_boxes = int(std::size(kLaneNameBoxes));
  const char* settings[kMaxPart + 1] = {};
  settings[P_LANESEL] = ctl->imgname_lanename_file;
  TK_OBJ win = open_dialog(owner, "lanename_win", &dlg, settings, 1);
  if (win == nullptr) return 0;
  const long result = run_dialog(win);
  if (result == 1) store(ctl->imgname_lanename_file, RES_GetSub(win, P_LANESEL), dlg.path[P_LANESEL]);
  close_dialog(win);
  SLOG("gt_lanename_activate", SLOG_EXIT, "result %ld", result);
  return result == 1 ? 1 : 0;
}
