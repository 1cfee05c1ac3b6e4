// The standard set editor: up to 100 standard values in a one-column grid, saved as a ".std"
// file in the standard sets folder.
#include <cstdio>
#include <string>

#include "base/ks_choose.h"
#include "model/control.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_grid.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_label_dlgs.h"
#include "tools/gt_label_grid.h"

namespace {

constexpr int kGrid = 1, kSave = 2, kLoad = 3;
const LblFileKind kStd = {"Select a Standard Set...", "Select a Standard Set...", CTL_DIR_STDSETS,
                          "Standard Set Files (*.std)\0*.std\0", ".std"};

long S_crt_std_saveNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  crt_std_dest_proc(RES_GetOwnerWindow(button), 0);
  return 0;
}

long S_crt_std_loadNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  lbl_load_grid(RES_GetOwnerWindow(button), kStd, crt_std_read);
  return 0;
}

}  // namespace

int crt_std_write(const char* path, TK_OBJ grid) {
  LabelGrid* g = lbl_grid(grid);
  return g ? lbl_std_write(g->cells, path) : -1;
}

int crt_std_read(const char* path, TK_OBJ grid) {
  LabelGrid* g = lbl_grid(grid);
  if (!g) return -1;
  const int r = lbl_std_read(g->cells, path, lbl_go_on(151));
  lbl_grid_redraw(grid);
  return r;
}

void crt_std_dest_proc(TK_OBJ win, int flag) {
  if (flag == 0) lbl_save_grid(win, kStd, true, lbl_std_write);
}

void gt_crt_std_activate(TK_OBJ owner) {
  const GtPartNfy parts[] = {{0, S_lbl_OKNfy}, {kSave, S_crt_std_saveNfy}, {kLoad, S_crt_std_loadNfy}};
  TK_OBJ win = gt_tool_win_load("crt_std", owner, S_lbl_winNfy, parts, 3);
  if (!win) return;
  if (LabelGrid* g = lbl_grid_attach(RES_GetSub(win, kGrid), 1, LBL_STD_ROWS, LBL_CELL_LEN)) {
    g->col_heads = {"Value"};
    for (int r = 1; r <= LBL_STD_ROWS; ++r) {
      char head[32];
      std::snprintf(head, sizeof head, "Marker %03ld", static_cast<long>(r));
      g->row_heads.emplace_back(head);
    }
    g->row_names = g->row_heads;
    lbl_grid_redraw(RES_GetSub(win, kGrid));
    // The values of a ladder are typed one below the other.
    GRID_SetEnterMovesDown(RES_GetSub(win, kGrid), 1);
  }
  ui_wpos_place(win, 75, 50, FALSE);
  WIN_DoModal(win);
  WIN_Terminate(win);
}
