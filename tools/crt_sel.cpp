// The lane selection file editor: for each of the first ten categories of the control record,
// the category and up to four values that a lane must carry, saved as a ".sel" file.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/ks_choose.h"
#include "base/ks_msg.h"
#include "model/control.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_label_dlgs.h"
#include "tools/gt_label_grid.h"

namespace {

constexpr int kGrid = 1, kSave = 2, kLoad = 3;
const LblFileKind kSel = {"Select a Lane Selection file...", "Lane Selection file...", CTL_DIR_LANESEL,
                          "Lane Selection Files (*.sel)\0*.sel\0", ".sel"};

// The control record's category names.
std::vector<std::string> categories() {
  const CONTROL* ctl = gt_get_control();
  std::vector<std::string> out;
  for (int i = 0; ctl->lane_chars && i < ctl->num_lane_chars; ++i)
    out.emplace_back(ctl->lane_chars[i], strnlen(ctl->lane_chars[i], CTL_LC_NAME));
  return out;
}

long S_crt_sel_saveNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  crt_sel_dest_proc(RES_GetOwnerWindow(button), 0);
  return 0;
}

long S_crt_sel_loadNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  lbl_load_grid(RES_GetOwnerWindow(button), kSel, crt_sel_read);
  return 0;
}

}  // namespace

int crt_sel_write(TK_OBJ grid, const char* path) {
  LabelGrid* g = lbl_grid(grid);
  return g ? lbl_sel_write(g->cells, path) : -1;
}

int crt_sel_read(const char* path, TK_OBJ grid) {
  LabelGrid* g = lbl_grid(grid);
  if (!g) return -1;
  const int r = lbl_sel_read(g->cells, categories(), path, lbl_go_on(150));
  lbl_grid_redraw(grid);
  return r;
}

void crt_sel_dest_proc(TK_OBJ win, int flag) {
  if (flag == 0) lbl_save_grid(win, kSel, false, lbl_sel_write);
}

void gt_ctr_sel_activate(TK_OBJ owner) {
  const std::vector<std::string> cats = categories();
  if (cats.empty()) {
    mh_send_msg(KS_ALERT_INFO, "%s", ks_gt_message(149));
    return;
  }
  const GtPartNfy parts[] = {{0, S_lbl_OKNfy}, {kSave, S_crt_sel_saveNfy}, {kLoad, S_crt_sel_loadNfy}};
  TK_OBJ win = gt_tool_win_load("crt_sel", owner, S_lbl_winNfy, parts, 3);
  if (!win) return;
  if (LabelGrid* g = lbl_grid_attach(RES_GetSub(win, kGrid), LBL_SEL_COLS, LBL_SEL_ROWS, LBL_CELL_LEN)) {
    for (int c = 1; c <= LBL_SEL_COLS; ++c) g->col_heads.push_back("Value " + std::to_string(c));
    for (int r = 0; r < LBL_SEL_ROWS; ++r) {
      const bool named = r < static_cast<int>(cats.size());
      char head[64];
      std::snprintf(head, sizeof head, "%2ld:  %s", static_cast<long>(r + 1),
                    named ? cats[static_cast<std::size_t>(r)].c_str() : "<undef>");
      g->row_heads.emplace_back(head);
      if (named) g->row_names.push_back(cats[static_cast<std::size_t>(r)]);
    }
    // An edit begins only in a row that has a category with a name.
    g->editable = [cats](int row) {
      return row < static_cast<int>(cats.size()) && !cats[static_cast<std::size_t>(row)].empty();
    };
    lbl_grid_redraw(RES_GetSub(win, kGrid));
  }
  WIN_DoModal(win);
  WIN_Terminate(win);
}
