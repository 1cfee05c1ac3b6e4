// The lane characteristics report.
#include "analysis/replc.h"

#include <algorithm>
#include <cstring>

#include "analysis/rep_engine.h"
#include "analysis/rep_file.h"
#include "analysis/wr_match.h"
#include "base/io_file.h"
#include "base/ks_alert.h"
#include "base/ks_choose.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "model/lane.h"
#include "model/lanechar.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_table.h"
#include "toolkit/tk_widget.h"

namespace {

constexpr int kField = 20;

ReplcSwitches s_sw;

// A text centred in a field of kField characters; a longer one whole.
std::string centred(const std::string& t) {
  if (t.size() >= size_t(kField)) return t;
  const size_t before = (kField - t.size()) / 2;
  return std::string(before, ' ') + t + std::string(kField - t.size() - before, ' ');
}

std::string name_of(const char* field, size_t cap) { return std::string(field, strnlen(field, cap)); }

// The lane's characteristic of that name, or null.
const LANECHAR* char_of(const LANE* lane, const std::string& name) {
  for (int i = 0; i < lane->num_lane_chars; ++i) {
    const LANECHAR* c = lane->lane_chars ? lane->lane_chars[i] : nullptr;
    if (c && name_of(c->name, sizeof c->name) == name) return c;
  }
  return nullptr;
}

}  // namespace

ReplcSwitches& replc_switches() { return s_sw; }

ReplcReport replc_build(const std::vector<std::string>& paths,
                        const std::vector<IMAGE_REC*>& windows, const char* date,
                        const char* time) {
  ReplcReport r;
  std::vector<WrImage> entries;
  for (const std::string& p : paths) {
    WrImage e;
    std::snprintf(e.path, sizeof e.path, "%s", p.c_str());
    io_path_filename(e.path, e.name);
    if (wr_disp_get_data(windows, e.path, e.name, &e.image) != 0 && wr_read_match_image(&e, 1) != 0) {
      mh_send_msg(KS_ALERT_INFO, ks_gt_message(131), e.name);
      continue;
    }
    entries.push_back(e);
  }
  std::vector<std::string> names;
  const CONTROL* ctl = gt_get_control();
  if (s_sw.all_chars) {
    for (int k = 0; k < ctl->num_lane_chars && ctl->lane_chars; ++k)
      names.push_back(name_of(ctl->lane_chars[k], CTL_LC_NAME));
  } else {
    for (const WrImage& e : entries)
      for (LANE* l = e.image->lanes ? e.image->lanes->next : nullptr; l; l = l->next)
        for (int i = 0; i < l->num_lane_chars; ++i) {
          if (!l->lane_chars || !l->lane_chars[i]) continue;
          const std::string n = name_of(l->lane_chars[i]->name, sizeof l->lane_chars[i]->name);
          if (std::find(names.begin(), names.end(), n) == names.end()) names.push_back(n);
        }
  }
  // Byte order, empty names last.
  std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    if (a.empty() != b.empty()) return b.empty();
    return a < b;
  });

  int row = 0;
  r.text = "Kestrin Lane Characteristics Report\n\n\n";
  r.text += std::string(date) + "\n" + time + "\n\n\n";
  r.grid.push_back({"Kestrin Lane Characteristics Report"});
  r.grid.resize(5);
  r.grid[3] = {date};
  r.grid[4] = {time};
  row = 7;
  std::vector<std::string> heads;
  std::string line, under;
  if (s_sw.lane_number) {
    line += "Lane # ";
    under += "====== ";
    heads.push_back("Lane #");
  }
  if (s_sw.lane_name) {
    line += centred("Lane") + " ";
    under += std::string(kField, '=') + " ";
    heads.push_back("Lane Name");
  }
  for (const std::string& n : names) {
    line += centred(n) + " ";
    under += std::string(kField, '=') + " ";
    heads.push_back(n);
  }
  r.text += line + "\n" + under + "\n";
  r.grid.resize(size_t(row) + 1);
  r.grid[size_t(row)].push_back("");
  for (const std::string& h : heads) r.grid[size_t(row)].push_back(h);
  ++row;
  r.cols = int(heads.size()) + 1;
  for (const WrImage& e : entries)
    for (LANE* l = e.image->lanes ? e.image->lanes->next : nullptr; l; l = l->next) {
      std::vector<std::string> cells{""};
      line.clear();
      if (s_sw.lane_number) {
        line += rep_fmt("%5d  ", int(l->lane_number));
        cells.push_back(std::to_string(l->lane_number));
      }
      if (s_sw.lane_name) {
        const std::string n = name_of(l->lane_name, sizeof l->lane_name);
        line += std::string(n.size() < size_t(kField) ? kField - n.size() : 0, ' ') + n + " ";
        cells.push_back(n);
      }
      for (const std::string& n : names) {
        const LANECHAR* c = char_of(l, n);
        const std::string v = c ? (s_sw.show_values ? name_of(c->value, sizeof c->value) : "X") : "";
        line += (c ? centred(v) : std::string(kField, ' ')) + " ";
        cells.push_back(v);
      }
      r.text += line + "\n";
      r.grid.push_back(cells);
      ++row;
    }
  for (WrImage& e : entries) wr_free_match_image(&e);
  return r;
}

// ---- the windows -------------------------------------------------------------------------------

namespace {

struct Window {
  TK_OBJ win = nullptr;
  std::vector<std::string> paths;
  ReplcReport report;
  int table = 0;
};
Window s_w;

const char* cell_text(TK_OBJ, int row, int col) {
  const auto& g = s_w.report.grid;
  if (row < 0 || size_t(row) >= g.size() || col < 0 || size_t(col) >= g[size_t(row)].size())
    return nullptr;
  return g[size_t(row)][size_t(col)].c_str();
}

void produce() {
  gt_busy_begin();
  mh_status_message(gt_get_status_bar(), 1, "%s", ks_gt_message(188));
  char date[32] = "", time[32] = "";
  ks_date(date);
  ks_time(time);
  s_w.report = replc_build(s_w.paths, gt_open_images(), date, time);
  TK_OBJ text = RES_GetSub(s_w.win, 1), table = RES_GetSub(s_w.win, 2);
  WGT_SetText(text, s_w.report.text.c_str());
  TEXT_SetInsertPos(text, 0);
  TABLE_SetSize(table, int(s_w.report.grid.size()), s_w.report.cols);
  for (int c = 0; c < s_w.report.cols; ++c) TABLE_SetColWidth(table, c, 20);
  WGT_Show(text, !s_w.table);
  WGT_Show(table, s_w.table);
  gt_busy_end();
  mh_clear_status(gt_get_status_bar(), 1);
}

long part_nfy(TK_OBJ part, int event) {
  const int index = RES_GetIndex(part);
  if (index == 0 && event == TK_EV_CHOICE) {
    const int t = WGT_GetChoice(part) == 1 ? 1 : 0;
    if (t != s_w.table) {
      s_w.table = t;
      produce();
    }
    return 0;
  }
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(part, event);
  const CONTROL* ctl = gt_get_control();
  switch (index) {
    case 3: replc_dismiss(); break;
    case 4: rep_print(RES_GetSub(s_w.win, s_w.table ? 2 : 1), ctl->folders[CTL_DIR_REPORTS]); break;
    case 5:
      if (s_w.table)
        rep_save_as(rep_csv(s_w.report.grid, s_w.report.cols), true, ctl->folders[CTL_DIR_REPORTS], WIN_GetTitle(s_w.win));
      else
        rep_save_as(s_w.report.text, false, ctl->folders[CTL_DIR_REPORTS], WIN_GetTitle(s_w.win));
      break;
    default: return WGT_DefaultNfy(part, event);
  }
  return 0;
}

long win_nfy(TK_OBJ win, int event) {
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    replc_dismiss();
    return 0;
  }
  if (event == TK_EV_TERMINATE && s_w.win == win) s_w = Window();
  return WIN_DefaultNfy(win, event);
}

long parm_nfy(TK_OBJ part, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(part, event);
  TK_OBJ win = RES_GetOwnerWindow(part);
  if (RES_GetIndex(part) == 0) WIN_EndModal(win, 1);
  else if (RES_GetIndex(part) == 1) WIN_EndModal(win, 0);
  else return WGT_DefaultNfy(part, event);
  return 0;
}

long parm_win_nfy(TK_OBJ win, int event) {
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    WIN_EndModal(win, 0);
    return 0;
  }
  return WIN_DefaultNfy(win, event);
}

}  // namespace

int replc_parm_activate(TK_OBJ owner) {
  TK_OBJ win = WIN_Load("replanecat", "parm_win");
  if (win == nullptr) return 0;
  RES_SetNfy(win, parm_win_nfy);
  RES_SetNfy(RES_GetSub(win, 0), parm_nfy);
  RES_SetNfy(RES_GetSub(win, 1), parm_nfy);
  if (owner) WIN_SetOwner(win, owner);
  WIN_Init(win);
  int* sws[4] = {&s_sw.all_chars, &s_sw.show_values, &s_sw.lane_number, &s_sw.lane_name};
  for (int i = 0; i < 4; ++i) WGT_SetValue(RES_GetSub(win, 2 + i), *sws[i]);
  ui_wpos_place(win, 90, 50, FALSE);
  const long r = WIN_DoModal(win);
  if (r == 1)
    for (int i = 0; i < 4; ++i) *sws[i] = WGT_GetValue(RES_GetSub(win, 2 + i)) ? 1 : 0;
  WIN_Terminate(win);
  return r == 1 ? 1 : 0;
}

void replc_activate(const std::vector<std::string>& paths) {
  if (paths.empty()) return;
  // A second report replaces the first: its window closes.
  replc_dismiss();
  TK_OBJ win = WIN_Load("replanecat", "replc_win");
  if (win == nullptr) return;
  RES_SetNfy(win, win_nfy);
  for (int i = 0; i <= 5; ++i) RES_SetNfy(RES_GetSub(win, i), part_nfy);
  TABLE_Attach(RES_GetSub(win, 2));
  TABLE_SetCellProc(RES_GetSub(win, 2), cell_text);
  WIN_SetOwner(win, gt_get_main_win());  // kept above the main window, as the tool windows are
  WIN_Init(win);
  TK_SetFixedFont(RES_GetSub(win, 1));
  ui_wpos_place_size(win, 100, 95, FALSE, 60, 55);
  s_w.win = win;
  s_w.paths = paths;
  s_w.table = 0;
  if (gt_get_control()->num_lane_chars == 0)
    mh_status_message(gt_get_status_bar(), 1, "%s", ks_gt_message(189));
  produce();
  WIN_Show(win);
}

void replc_dismiss() {
  TK_OBJ win = s_w.win;
  s_w = Window();
  if (win) WIN_Terminate(win);
}

TK_OBJ replc_window() { return s_w.win; }
