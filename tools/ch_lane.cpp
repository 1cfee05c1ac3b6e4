// Lane label values: the values of the selected lanes' characteristics in a grid of one column
// per selected lane and one row per distinct category, and the label file that saves the grid.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/ks_choose.h"
#include "base/ks_msg.h"
#include "model/control.h"
#include "model/lane.h"
#include "model/lanechar.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_label_dlgs.h"
#include "tools/gt_label_grid.h"
#include "tools/gt_lane_util.h"

namespace {

constexpr int kGrid = 2, kSaveAs = 3, kLoad = 4, kFirstBox = 6;
constexpr int kMsgLinesNotLoaded = 198;  // gt_msg: lines naming a category loaded already

// The distinct category names of the selected lanes, rebuilt by gt_ch_lane_unique.
std::vector<std::string> s_unique;

// One row box: which category the row is saved under.
struct RowBox {
  int choice = -1;
  bool in_use = false;
  std::string text = LBL_NOT_SET;
};
RowBox s_boxes[LBL_BOX_ROWS];

bool selected(const LANE* l) { return (l->f & LN_F_SELECTED) != 0; }

const char* char_name(const LANE* l, int i) {
  return l->lane_chars && l->lane_chars[i] ? l->lane_chars[i]->name : nullptr;
}

long S_ch_lane_boxNfy(TK_OBJ box, int event) {
  const long r = WGT_DefaultNfy(box, event);
  if (event != TK_EV_CHOICE) return r;
  TK_OBJ win = RES_GetOwnerWindow(box);
  for (int k = 0; k < LBL_BOX_ROWS; ++k) {
    if (RES_GetSub(win, kFirstBox + k) != box) continue;
    s_boxes[k].choice = WGT_GetChoice(box);
    const char* t = s_boxes[k].choice >= 0 ? LIST_Item(box, s_boxes[k].choice) : nullptr;
    s_boxes[k].text = t ? t : LBL_NOT_SET;
  }
  return r;
}

long S_ch_lane_saveNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  ch_lane_save_as(RES_GetOwnerWindow(button));
  return 0;
}

long S_ch_lane_loadNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  TK_OBJ win = RES_GetOwnerWindow(button);
  std::string path;
  if (!lbl_ask_open(&path, "Lane Labels...", gt_get_control()->folders[CTL_DIR_LANESEL],
                    "CSV (*.csv)\0*.csv\0", ".csv"))
    return 0;
  lbl_end_edit(win);
  TK_OBJ grid = RES_GetSub(win, kGrid);
  if (ch_lane_read(grid, path.c_str()) == 0) lbl_mark_current_modified();
  lbl_grid_redraw(grid);
  return 0;
}

// Row box k back to its empty state: "<not set>" picked, disabled.
void reset_box(TK_OBJ win, int k) {
  s_boxes[k] = RowBox();
  TK_OBJ box = RES_GetSub(win, kFirstBox + k);
  const char* items[] = {LBL_NOT_SET};
  WGT_SetItems(box, items, 1);
  WGT_SetChoice(box, 0);
  WGT_Enable(box, 0);
}

// Row box k for a row of the grid: the distinct names and "<remove>", entry k picked.
void fill_box(TK_OBJ win, int k) {
  TK_OBJ box = RES_GetSub(win, kFirstBox + k);
  std::vector<const char*> items;
  for (const std::string& n : s_unique) items.push_back(n.c_str());
  items.push_back(LBL_REMOVE);
  WGT_SetItems(box, items.data(), static_cast<int>(items.size()));
  WGT_SetChoice(box, k);
  WGT_Enable(box, 1);
  s_boxes[k].choice = k;
  s_boxes[k].in_use = true;
  s_boxes[k].text = s_unique[static_cast<std::size_t>(k)];
}

}  // namespace

int gt_ch_lane_unique(LANE* first) {
  s_unique.clear();
  for (LANE* l = first; l; l = l->next) {
    if (!selected(l)) continue;
    for (int i = 0; i < l->num_lane_chars; ++i) {
      const char* n = char_name(l, i);
      if (n && std::find(s_unique.begin(), s_unique.end(), n) == s_unique.end())
        s_unique.emplace_back(n);
    }
  }
  std::stable_sort(s_unique.begin(), s_unique.end(), lbl_category_less);
  return static_cast<int>(s_unique.size());
}

const char* gt_unique_label(int idx) {
  if (idx < 0) return "Bad Index";
  return idx < static_cast<int>(s_unique.size()) ? s_unique[static_cast<std::size_t>(idx)].c_str() : "";
}

int gt_unique_idx(const char* name) {
  if (!name) return -1;
  for (std::size_t k = 0; k < s_unique.size(); ++k)
    if (s_unique[k] == name) return static_cast<int>(k);
  return -1;
}

int ch_lane_write(TK_OBJ grid, const char* path) {
  LabelGrid* g = lbl_grid(grid);
  if (!g) return -1;
  std::vector<std::string> saved_as;
  for (const RowBox& b : s_boxes) saved_as.push_back(b.in_use && b.choice >= 0 ? b.text : "");
  return lbl_lanechar_write(g->cells, saved_as, path);
}

int ch_lane_read(TK_OBJ grid, const char* path) {
  LabelGrid* g = lbl_grid(grid);
  std::vector<LblSkippedLine> skipped;
  const int r = g ? lbl_lanechar_read(g->cells, s_unique, path, &skipped) : -1;
  if (!skipped.empty()) {
    std::string lines;
    for (const LblSkippedLine& s : skipped)
      lines += (lines.empty() ? "" : "\n") + std::string("line ") + std::to_string(s.line) + ": " +
               s.category;
    mh_send_msg(KS_ALERT_INFO, ks_gt_message(kMsgLinesNotLoaded), lines.c_str());
  }
  return r;
}

void ch_lane_save_as(TK_OBJ win) {
  std::string path;
  if (lbl_ask_save(&path, "File...", gt_get_control()->folders[CTL_DIR_LANESEL], "lanechar.csv",
                   "CSV (*.csv)\0*.csv\0", ".csv") != 1)
    return;
  lbl_end_edit(win);
  if (ch_lane_write(RES_GetSub(win, kGrid), path.c_str()) != 0)
    mh_send_msg(KS_ALERT_INFO, "%s", ui_msg(243));
}

int gt_char_lane_activate(TK_OBJ owner, LANE* first, int sel_files) {
  (void)sel_files;  // only the values mode: selection files have their own editor
  if (!first) return 0;
  int cols = 0;
  for (LANE* l = first; l; l = l->next) {
    if (!selected(l)) continue;
    if (l->num_lane_chars != l->num_labeled_chars) {
      mh_send_msg(KS_ALERT_INFO, "%s", ks_gt_message(186));
      return 0;
    }
    ++cols;
  }
  const int rows = gt_ch_lane_unique(first);
  if (rows == 0 || cols == 0) return 0;

  std::vector<GtPartNfy> parts = {{0, S_lbl_OKNfy}, {1, S_lbl_CancelNfy}, {kSaveAs, S_ch_lane_saveNfy},
                                  {kLoad, S_ch_lane_loadNfy}, {5, S_swallow_activateNfy}};
  for (int k = 0; k < LBL_BOX_ROWS; ++k) parts.push_back({kFirstBox + k, S_ch_lane_boxNfy});
  TK_OBJ win = gt_tool_win_load("ch_lane", owner, S_lbl_winNfy, parts.data(),
                                static_cast<int>(parts.size()));
  if (!win) return 0;
  WGT_SetLabel(win, "Assign Lane Label Values");
  for (int k = 0; k < LBL_BOX_ROWS; ++k) reset_box(win, k);
  for (int k = 0; k < std::min(rows, LBL_BOX_ROWS); ++k) fill_box(win, k);

  TK_OBJ grid = RES_GetSub(win, kGrid);
  LabelGrid* g = lbl_grid_attach(grid, cols, rows, LBL_NAME_LEN);
  if (!g) {
    WIN_Terminate(win);
    return 0;
  }
  g->row_heads = g->row_names = s_unique;
  // Every row is filled, shown and applied; only the first ten have a row box and are saved.
  int c = 0;
  for (LANE* l = first; l; l = l->next) {
    if (!selected(l)) continue;
    for (int i = 0; i < l->num_lane_chars; ++i) {
      const int r = gt_unique_idx(char_name(l, i));
      if (r >= 0) g->cells.set(r, c, l->lane_chars[i]->value);
    }
    g->col_heads.emplace_back(l->lane_name[0] ? std::string(l->lane_name, strnlen(l->lane_name, sizeof l->lane_name))
                                              : std::to_string(l->lane_number));
    ++c;
  }
  lbl_grid_redraw(grid);
  ui_wpos_place(win, 75, 50, FALSE);
  const long result = WIN_DoModal(win);
  if (result == 1) {
    c = 0;
    for (LANE* l = first; l; l = l->next) {
      if (!selected(l)) continue;
      for (int i = 0; i < l->num_lane_chars; ++i) {
        const int r = gt_unique_idx(char_name(l, i));
        if (r >= 0)
          std::snprintf(l->lane_chars[i]->value, sizeof l->lane_chars[i]->value, "%s",
                        g->cells.at(r, c).c_str());
      }
      ++c;
    }
  }
  WIN_Terminate(win);
  return result == 1 ? 1 : 0;
}

void gt_lane_chars(TK_OBJ owner, IMAGE_REC* image) {
  LANE* first = image ? gt_lane_first_selected(image) : nullptr;
  if (!first) return;
  if (gt_char_lane_activate(owner, first, 0) == 1) image->modified = 1;
}
