// The match results window.
#include "analysis/mresult.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "analysis/band_rep.h"
#include "analysis/lane_map.h"
#include "base/io_file.h"
#include "base/ks_alert.h"
#include "base/ks_choose.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "shell/gt_image_win.h"
#include "shell/gt_show_lanes.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_table.h"
#include "toolkit/tk_widget.h"

namespace {

const char* const kFn = "mresult_activate";

// What the open window holds; it owns all of it.
struct State {
  TK_OBJ win = nullptr;
  MATCH_REQUEST req{};
  std::vector<LANE_MATCH*> results;  // in display order
  WrMatchEntries entries;
  WrImage ref;                       // the reference read from its file (selected bands)
  std::vector<std::string> rows;     // row 0 the heading
  int key = MRES_KEY_PERCENT;
  int descending = 1;
  bool all_selected = false;         // the heading click selected every row
};
State s;

int text_cmp(const char* a, const char* b) {
  const int r = std::strcmp(a, b);
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}
int num_cmp(long a, long b) { return a < b ? -1 : a > b ? 1 : 0; }

const char* cell_text(TK_OBJ, int row, int col) {
  if (col != 0 || row < 0 || size_t(row) >= s.rows.size()) return nullptr;
  return s.rows[size_t(row)].c_str();
}

void sort_and_fill() {
  std::stable_sort(s.results.begin(), s.results.end(), [](const LANE_MATCH* a, const LANE_MATCH* b) {
    return mresult_compare(a, b, s.key, s.descending) < 0;
  });
  s.rows.assign(1, mresult_heading());
  for (const LANE_MATCH* m : s.results) s.rows.push_back(mresult_row(m));
  TK_OBJ table = RES_GetSub(s.win, MRES_TABLE);
  TABLE_SetSize(table, int(s.rows.size()), 1);
  TABLE_ClearSelection(table);
  s.all_selected = false;
}

// The results of the selected rows, in display order.
std::vector<LANE_MATCH*> selected() {
  std::vector<LANE_MATCH*> out;
  int r0, c0, nr, nc;
  if (!TABLE_GetSelection(RES_GetSub(s.win, MRES_TABLE), &r0, &c0, &nr, &nc)) return out;
  for (int r = std::max(r0, 1); r < r0 + nr && size_t(r) <= s.results.size(); ++r)
    out.push_back(s.results[size_t(r - 1)]);
  return out;
}

// The record a result's lane belongs to: the open image's, or the one read for its entry.
IMAGE_REC* record_of(const LANE_MATCH* m, const WrMatchEntries& entries) {
  if (m->image) return m->image;
  for (int i = 0; i < entries.count(); ++i)
    if (std::strcmp(entries.images[size_t(i)].path, m->path) == 0) return entries.sources[size_t(i)].image;
  return nullptr;
}

void lane_map(const std::vector<LANE_MATCH*>& sel) {
  gt_busy_begin();
  lmap_from_match_results(&s.req, sel.data(), int(sel.size()));
  gt_busy_end();
}

void show_images(const std::vector<LANE_MATCH*>& sel) {
  gt_busy_begin();
  std::vector<IMAGE_REC> recs(sel.size());
  std::vector<IMAGE_REC*> ptrs;
  for (size_t i = 0; i < sel.size(); ++i) {
    std::memset(&recs[i], 0, sizeof recs[i]);
    std::snprintf(recs[i].file_path, sizeof recs[i].file_path, "%s", sel[i]->path);
    std::snprintf(recs[i].image_name, sizeof recs[i].image_name, "%s", sel[i]->name);
    recs[i].lane_field = sel[i]->lane_number;
    ptrs.push_back(&recs[i]);
  }
  gt_show_images(ptrs.data(), int(ptrs.size()));
  gt_busy_end();
}

void run_action(int action) {
  const std::vector<LANE_MATCH*> sel = selected();
  if (sel.empty()) {
    mh_send_msg(KS_ALERT_ERROR, "%s", ks_gt_message(134));
    return;
  }
  switch (action) {
    case MRES_BAND_REPORT:
    case MRES_LANE_REPORT: {
      const RepMatch rm = mresult_rep_match(s.req, sel.data(), int(sel.size()), s.entries, s.ref);
      band_rep_activate(action == MRES_BAND_REPORT ? REP_BAND_MATCH : REP_LANE_MATCH, &rm, {});
      break;
    }
    case MRES_LANE_MAP: lane_map(sel); break;
    case MRES_SHOW_IMAGES: show_images(sel); break;
    default: break;
  }
}

void heading_click() {
  TK_OBJ table = RES_GetSub(s.win, MRES_TABLE);
  if (s.all_selected) {
    TABLE_ClearSelection(table);
    s.all_selected = false;
  } else {
    TABLE_Select(table, 0, 0, int(s.rows.size()), 1);
    s.all_selected = true;
  }
}

void table_click(TK_OBJ, int row, int) {
  if (row == 0) heading_click();
  else s.all_selected = false;
}

// Frees everything the window was given.
void release() {
  for (LANE_MATCH* m : s.results) vx_free_match(m);
  s.results.clear();
  ks_free(s.req.ref_bands);
  s.req = MATCH_REQUEST{};
  wr_free_match_entries(&s.entries);
  wr_free_match_image(&s.ref);
  s.rows.clear();
}

long part_nfy(TK_OBJ part, int event) {
  const int index = RES_GetIndex(part);
  if (index == MRES_ACTION && event == TK_EV_CHOICE) {
    run_action(WGT_GetChoice(part));
    return 0;
  }
  if (index == MRES_CLOSE && event == TK_EV_ACTIVATE) {
    mresult_dismiss();
    return 0;
  }
  return WGT_DefaultNfy(part, event);
}

long sort_nfy(TK_OBJ part, int event) {
  if (event != TK_EV_CHOICE) return WGT_DefaultNfy(part, event);
  const int v = WGT_GetChoice(part);
  int& slot = RES_GetIndex(part) == 0 ? s.key : s.descending;
  if (v >= 0 && v != slot) {
    slot = v;
    sort_and_fill();
  }
  return 0;
}

long win_nfy(TK_OBJ win, int event) {
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    mresult_dismiss();
    return 0;
  }
  if (event == TK_EV_TERMINATE && s.win == win) {
    // The band report reads the results: it goes with them.
    band_rep_dismiss();
    release();
    s.win = nullptr;
  }
  return WIN_DefaultNfy(win, event);
}

void set_label(int part, const char* text) { WGT_SetLabel(RES_GetSub(s.win, part), text); }

}  // namespace

int mresult_compare(const LANE_MATCH* a, const LANE_MATCH* b, int key, int descending) {
  const int dir = descending ? -1 : 1;
  const std::string na = io_base_name(a->name), nb = io_base_name(b->name);
  int r = 0;
  switch (key) {
    case MRES_KEY_IMAGE:
      r = text_cmp(na.c_str(), nb.c_str());
      if (r == 0) r = text_cmp(a->label, b->label);
      return dir * r;
    case MRES_KEY_LABEL:
      r = text_cmp(a->label, b->label);
      return r != 0 ? dir * r : text_cmp(na.c_str(), nb.c_str());
    case MRES_KEY_LANE: r = num_cmp(a->lane_number, b->lane_number); break;
    case MRES_KEY_BANDS: r = num_cmp(a->num_bands, b->num_bands); break;
    case MRES_KEY_PAIRS: r = num_cmp(a->num_pairs, b->num_pairs); break;
    case MRES_KEY_MISMATCH: r = num_cmp(a->num_bands - a->num_pairs, b->num_bands - b->num_pairs); break;
    default: r = num_cmp(a->percent, b->percent); break;
  }
  if (r != 0) return dir * r;
  r = text_cmp(na.c_str(), nb.c_str());
  return r != 0 ? r : text_cmp(a->label, b->label);
}

std::string mresult_heading() {
  return rep_fmt("%-12s %4s %-13s %4s %5s %8s %5s", "Image Name", "Lane#", "Lane ID   ", "#Bands",
                 "#Match", "#Mismatch", "Match%");
}

std::string mresult_row(const LANE_MATCH* m) {
  return rep_fmt("%-12s %4s  %-14s %4s  %4s    %4s     %4s", io_base_name(m->name).c_str(),
                 rep_fmt("%02ld", long(m->lane_number)).c_str(), m->label,
                 std::to_string(m->num_bands).c_str(), std::to_string(m->num_pairs).c_str(),
                 std::to_string(m->num_bands - m->num_pairs).c_str(),
                 std::to_string(m->percent).c_str());
}

RepMatch mresult_rep_match(const MATCH_REQUEST& req, LANE_MATCH* const* results, int count,
                           const WrMatchEntries& entries, const WrImage& ref) {
  RepMatch rm;
  rm.ref_image_name = req.name;
  rm.ref_image = req.ref_image ? req.ref_image : ref.image;
  rm.ref_lane = req.ref_lane;
  rm.ref_lane_number = req.ref_lane_number;
  rm.ref_bands.assign(req.ref_bands, req.ref_bands + std::max(req.num_ref_bands, 0));
  rm.ref_kind = req.ref_from_file;
  rm.method = req.method;
  const CONTROL* ctl = gt_get_control();
  rm.size_tol = ctl->match_tol[0];
  rm.spacing_tol = req.spacing_tol;
  rm.volume_tol = req.volume_tol;
  rm.threshold = req.threshold;
  rm.match_lanesel_file = ctl->lane_sel_file;
  rm.band_count_limit = req.band_count_limit;
  for (int i = 0; i < count; ++i) {
    const LANE_MATCH* m = results[i];
    RepMatchLane ml;
    ml.image_name = m->name;
    ml.lane_number = m->lane_number;
    ml.lane = m->lane;
    ml.image = record_of(m, entries);
    ml.bands.assign(m->bands, m->bands + std::max(m->num_bands, 0));
    for (int p = 0; p < m->num_pairs; ++p) ml.pairs.push_back({m->pairs[p].ref, m->pairs[p].cand, m->pairs[p].key});
    ml.percent = m->percent;
    rm.lanes.push_back(std::move(ml));
  }
  return rm;
}

TK_OBJ mresult_activate(TK_OBJ owner, const MATCH_REQUEST& req, LANE_MATCH** results,
                        WrMatchEntries&& entries, WrImage ref) {
  SLOG(kFn, SLOG_ENTRY, "num_results %d", int(req.num_results));
  mresult_dismiss();
  // The window owns what it is given from here on, whether or not it opens.
  s.req = req;
  s.results.assign(results, results + std::max(req.num_results, 0));
  ks_free(results);
  s.entries = std::move(entries);
  s.ref = ref;
  TK_OBJ win = WIN_Load("mresult", "mresult_win");
  if (win == nullptr) {
    release();
    return nullptr;
  }
  s.win = win;
  RES_SetNfy(win, win_nfy);
  for (int p : {MRES_ACTION, MRES_CLOSE}) RES_SetNfy(RES_GetSub(win, p), part_nfy);
  TK_OBJ sort = RES_GetSub(win, MRES_SORT);
  for (int p : {0, 1}) RES_SetNfy(RES_GetSub(sort, p), sort_nfy);
  TK_OBJ table = RES_GetSub(win, MRES_TABLE);
  TABLE_Attach(table);
  TABLE_SetCellProc(table, cell_text);
  TABLE_SetClickProc(table, table_click);
  TABLE_SetListStyle(table);
  if (owner) WIN_SetOwner(win, owner);
  WIN_Init(win);
  s.key = MRES_KEY_PERCENT;
  s.descending = 1;
  WGT_SetChoice(RES_GetSub(sort, 0), s.key);
  WGT_SetChoice(RES_GetSub(sort, 1), s.descending);
  if (s.req.ref_from_file == 0) {
    set_label(MRES_REF_IMAGE, s.req.name);
    set_label(MRES_REF_LANE, rep_fmt("%02ld", long(s.req.ref_lane_number)).c_str());
  } else {
    WIN_SetTitle(win, "Match to Selected Bands Report");
    set_label(MRES_REF_IMAGE, "<n/a>");
    set_label(MRES_REF_LANE, "<n/a>");
  }
  set_label(MRES_REF_BANDS, std::to_string(s.req.num_ref_bands).c_str());
  set_label(MRES_THRESHOLD, rep_fmt("%.2lf%%", s.req.threshold).c_str());
  set_label(MRES_COUNT_LIMIT, rep_fmt(s.req.band_count_limit == 100 ? "%ld (no limit)" : "%ld",
                                      long(s.req.band_count_limit)).c_str());
  sort_and_fill();
  TABLE_SetColWidth(table, 0, int(s.rows[0].size()) + 4);
  ui_wpos_place(win, 100, 100, FALSE);
  WIN_Show(win);
  return win;
}

void mresult_dismiss() {
  if (s.win) WIN_Terminate(s.win);  // the end event frees what the window holds
}

void mresult_forget_image(const IMAGE_REC* image) {
  if (s.win == nullptr || image == nullptr) return;
  bool borrowed = s.req.ref_image == image;
  for (const WrImage& e : s.entries.sources) borrowed = borrowed || (!e.loaded && e.image == image);
  if (borrowed) mresult_dismiss();
}

TK_OBJ mresult_window() { return s.win; }
const std::vector<std::string>& mresult_rows() { return s.rows; }
