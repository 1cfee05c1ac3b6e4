// The categories editor: the program's list of lane label categories in a one-column grid,
// saved as a categories file that then becomes the control record's list.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/ks_choose.h"
#include "model/control.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_label_dlgs.h"
#include "tools/gt_label_grid.h"

namespace {

constexpr int kGrid = 1;

long S_crt_cat_PBut2Nfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  TK_OBJ win = RES_GetOwnerWindow(button);
  lbl_end_edit(win);
  TK_OBJ grid = RES_GetSub(win, kGrid);
  LabelGrid* g = lbl_grid(grid);
  if (!g || !lbl_any_value_from(g->cells, 1)) {
    mh_send_msg(KS_ALERT_INFO, "%s", ks_gt_message(152));
    WIN_EndModal(win, 1);
    return 0;
  }
  if (crt_cat_lbox_write(grid) != 0) {
    mh_send_msg(KS_ALERT_INFO, "%s", ui_msg(243));
    WIN_EndModal(win, 0);
    return 0;
  }
  WIN_EndModal(win, 1);
  return 0;
}

}  // namespace

void crt_cat_lbox_load(TK_OBJ grid) {
  LabelGrid* g = lbl_grid(grid);
  if (!g) return;
  g->cells.clear();
  const CONTROL* ctl = gt_get_control();
  const int n = ctl->lane_chars ? std::min(ctl->num_lane_chars, g->cells.rows) : 0;
  std::vector<std::string> names;
  for (int i = 0; i < n; ++i) names.emplace_back(ctl->lane_chars[i], strnlen(ctl->lane_chars[i], CTL_LC_NAME));
  std::stable_sort(names.begin(), names.end(), lbl_category_less);
  for (int i = 0; i < n; ++i) g->cells.set(i, 0, names[static_cast<std::size_t>(i)]);
  lbl_grid_redraw(grid);
}

int crt_cat_lbox_write(TK_OBJ grid) {
  LabelGrid* g = lbl_grid(grid);
  if (!g) return 1;
  // Empty rows between names are closed up: the file and the control record hold the same
  // names in the same order.
  std::vector<const char*> names;
  for (int r = 0; r < g->cells.rows; ++r)
    if (!g->cells.at(r, 0).empty()) names.push_back(g->cells.at(r, 0).c_str());
  return cat_util_write(static_cast<int>(names.size()), names.data()) ? 0 : 1;
}

int cat_util_write(int count, const char* const* names) {
  CONTROL* ctl = gt_get_control();
  std::string path;
  const int asked = lbl_ask_save(&path, "Select a Lane Categories file...", ctl->folders[CTL_DIR_LANESEL],
                                 "", "Lane Catgeories Files (*.csv)\0*.csv\0", ".csv");
  if (asked == 0) return TRUE;
  if (asked < 0 || count < 0 || (count > 0 && !names)) return FALSE;
  std::vector<std::string> list(names, names + count);
  if (lbl_cat_write(list, path.c_str()) != 0) return FALSE;
  auto* fresh = static_cast<char(*)[CTL_LC_NAME]>(
      ks_alloc_msg(static_cast<std::size_t>(std::max(count, 1)) * CTL_LC_NAME));
  ks_free(ctl->lane_chars);
  ctl->lane_chars = fresh;
  if (!fresh) {
    ctl->num_lane_chars = ctl->max_lane_chars = 0;
    return FALSE;
  }
  for (int i = 0; i < count; ++i) std::snprintf(fresh[i], CTL_LC_NAME, "%.20s", names[i]);
  ctl->num_lane_chars = ctl->max_lane_chars = count;
  return TRUE;
}

void gt_crt_cat_activate(TK_OBJ owner) {
  const GtPartNfy parts[] = {{0, S_lbl_CancelNfy}, {2, S_crt_cat_PBut2Nfy}};
  TK_OBJ win = gt_tool_win_load("crt_cat", owner, S_lbl_winNfy, parts, 2);
  if (!win) return;
  TK_OBJ grid = RES_GetSub(win, kGrid);
  // A list longer than the grid's 100 rows gets a grid of that many rows, so OK drops none.
  const int rows = std::max(LBL_CAT_ROWS, gt_get_control()->num_lane_chars);
  if (LabelGrid* g = lbl_grid_attach(grid, 1, rows, LBL_NAME_LEN)) {
    g->col_heads = {"Category"};
    for (int r = 1; r <= rows; ++r) {
      char head[32];
      std::snprintf(head, sizeof head, "Category %02ld  ", static_cast<long>(r));
      g->row_heads.emplace_back(head);
    }
    g->row_names = g->row_heads;
    crt_cat_lbox_load(grid);
  }
  ui_wpos_place(win, 75, 50, FALSE);
  WIN_DoModal(win);
  WIN_Terminate(win);
}
