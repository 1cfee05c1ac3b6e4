// The band report window.
#include "analysis/band_rep.h"

#include <algorithm>

#include "analysis/rep_cfg.h"
#include "analysis/rep_file.h"
#include "analysis/rep_walk.h"
#include "base/ks_choose.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "model/control.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_table.h"
#include "toolkit/tk_widget.h"

namespace {

enum { P_LAYOUT = 0, P_TEXT = 1, P_TABLE = 2, P_CLOSE = 3, P_CONFIG = 4, P_PRINT = 5, P_SAVE = 6 };

struct Window {
  TK_OBJ win = nullptr;
  int type = REP_SEL_BANDS;
  int format = FMT_TEXT;
  RepMatch match;
  bool has_match = false;
  std::vector<std::string> paths;
  RepBuffer out;
  int cols = 2;
};
Window s_w;

const char* cell_text(TK_OBJ, int row, int col) {
  if (row < 0 || size_t(row) >= s_w.out.grid.size()) return nullptr;
  const auto& r = s_w.out.grid[size_t(row)];
  return size_t(col) < r.size() ? r[size_t(col)].c_str() : nullptr;
}

// Runs the report into the window's widgets; false when the user cancelled it.
bool run_report() {
  RepRun run;
  run.type = s_w.type;
  run.format = s_w.format;
  run.windows = gt_open_images();
  run.current = gt_get_image_ptr();
  run.paths = s_w.paths;
  run.match = s_w.has_match ? &s_w.match : nullptr;
  const long rows = report_bands(run, s_w.out);
  if (rows < 0) return false;
  TK_OBJ table = RES_GetSub(s_w.win, P_TABLE);
  const RepState& st = rep_state();
  s_w.cols = std::max(st.num_fld, 2);
  if (s_w.format == FMT_TEXT) {
    WGT_SetText(RES_GetSub(s_w.win, P_TEXT), s_w.out.text.c_str());
    TEXT_SetInsertPos(RES_GetSub(s_w.win, P_TEXT), 0);
  } else {
    TABLE_SetSize(table, int(s_w.out.grid.size()), s_w.cols);
    for (int c = 0; c < s_w.cols; ++c)
      TABLE_SetColWidth(table, c, c < st.num_fld ? rep_fld_width(st.fld[c]) : 20);
  }
  WGT_Show(RES_GetSub(s_w.win, P_TEXT), s_w.format == FMT_TEXT);
  WGT_Show(table, s_w.format != FMT_TEXT);
  return true;
}

void forget() {
  s_w.win = nullptr;
  s_w.out.clear();
  s_w.paths.clear();
  s_w.match = RepMatch();
  s_w.has_match = false;
}

void busy_run() {
  gt_busy_begin();
  mh_status_message(gt_get_status_bar(), 1, "%s", ks_gt_message(13));
  const bool ok = run_report();
  gt_busy_end();
  mh_clear_status(gt_get_status_bar(), 1);
  if (!ok) band_rep_dismiss();
}

long part_nfy(TK_OBJ part, int event) {
  const int index = RES_GetIndex(part);
  if (index == P_LAYOUT && event == TK_EV_CHOICE) {
    const int f = WGT_GetChoice(part) == 1 ? FMT_HORZ_TABLE : FMT_TEXT;
    if (f != s_w.format) {
      s_w.format = f;
      busy_run();
    }
    return 0;
  }
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(part, event);
  const CONTROL* ctl = gt_get_control();
  switch (index) {
    case P_CLOSE: band_rep_dismiss(); break;
    case P_CONFIG:
      if (band_rep_config(s_w.type, 1)) busy_run();
      break;
    case P_PRINT:
      rep_print(RES_GetSub(s_w.win, s_w.format == FMT_TEXT ? P_TEXT : P_TABLE), ctl->folders[CTL_DIR_REPORTS]);
      break;
    case P_SAVE:
      if (s_w.format == FMT_TEXT)
        rep_save_as(s_w.out.text, false, ctl->folders[CTL_DIR_REPORTS], WIN_GetTitle(s_w.win));
      else
        rep_save_as(rep_csv(s_w.out.grid, s_w.cols), true, ctl->folders[CTL_DIR_REPORTS], WIN_GetTitle(s_w.win));
      break;
    default: return WGT_DefaultNfy(part, event);
  }
  return 0;
}

long win_nfy(TK_OBJ win, int event) {
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    band_rep_dismiss();
    return 0;
  }
  if (event == TK_EV_TERMINATE) {
    if (s_w.win == win) forget();
    return WIN_DefaultNfy(win, event);
  }
  return WIN_DefaultNfy(win, event);
}

}  // namespace

void band_rep_activate(int type, const RepMatch* match, const std::vector<std::string>& paths) {
  SLOG("band_rep_activate", SLOG_ENTRY, "type %d", type);
  if (s_w.win == nullptr) {
    TK_OBJ win = WIN_Load("band_rep", "band_rep_win");
    if (win == nullptr) return;
    s_w.win = win;
    RES_SetNfy(win, win_nfy);
    for (int i = 0; i <= P_SAVE; ++i) RES_SetNfy(RES_GetSub(win, i), part_nfy);
    TABLE_Attach(RES_GetSub(win, P_TABLE));
    TABLE_SetCellProc(RES_GetSub(win, P_TABLE), cell_text);
    TK_SetFixedFont(RES_GetSub(win, P_TEXT));
    WIN_SetOwner(win, gt_get_main_win());  // kept above the main window, as the tool windows are
    WIN_Init(win);
    ui_wpos_place_size(win, 100, 95, FALSE, 60, 55);
  }
  s_w.out.clear();
  s_w.type = type;
  s_w.paths = paths;
  s_w.has_match = match != nullptr;
  s_w.match = match ? *match : RepMatch();
  const CONTROL* ctl = gt_get_control();
  RepState& st = rep_state();
  st.empty_lanes = 0;
  st.active_only = 0;
  if (type == REP_SEL_BANDS) st.active_only = ctl->ln_cpy_bnd_active_only ? 1 : 0;
  if (type == REP_SEL_LANES) {
    st.active_only = ctl->ln_cpy_bnd_active_only ? 1 : 0;
    st.empty_lanes = ctl->rep_empty_lanes ? 1 : 0;
  }
  if (type == REP_ALL_LANES || type == REP_ACTIVE_IMAGE) st.empty_lanes = ctl->rep_empty_lanes ? 1 : 0;
  WIN_SetTitle(s_w.win, rep_type_title(type));
  s_w.format = FMT_TEXT;
  WGT_SetChoice(RES_GetSub(s_w.win, P_LAYOUT), 0);
  busy_run();
  if (s_w.win) WIN_Show(s_w.win);
}

void band_rep_dismiss() {
  TK_OBJ win = s_w.win;
  forget();
  if (win) WIN_Terminate(win);
}

TK_OBJ band_rep_window() { return s_w.win; }
const std::string& band_rep_text() { return s_w.out.text; }
const std::vector<std::vector<std::string>>& band_rep_grid() { return s_w.out.grid; }
