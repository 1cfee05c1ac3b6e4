// The label grid and what the label editors' dialogs share.
#include <cstdio>

#include "base/io_file.h"
#include "base/ks_choose.h"
#include "base/ks_msg.h"
#include "model/control.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_grid.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_label_grid.h"

namespace {

const char* cell(TK_OBJ grid, int row, int col) {
  LabelGrid* g = lbl_grid(grid);
  if (!g || row < 0 || col < 0 || row >= g->cells.rows || col >= g->cells.cols) return nullptr;
  return g->cells.at(row, col).c_str();
}

void store(TK_OBJ grid, int row, int col, const char* text) {
  if (LabelGrid* g = lbl_grid(grid)) g->cells.set(row, col, text ? text : "");
}

int can_edit(TK_OBJ grid, int row, int col) {
  LabelGrid* g = lbl_grid(grid);
  if (!g || row < 0 || col < 0 || row >= g->cells.rows || col >= g->cells.cols) return 0;
  return !g->editable || g->editable(row) ? 1 : 0;
}

std::string pick(const std::vector<std::string>& v, int i) {
  return i >= 0 && i < static_cast<int>(v.size()) ? v[static_cast<std::size_t>(i)] : std::string();
}

std::string heading(TK_OBJ grid, int row, int col) {
  LabelGrid* g = lbl_grid(grid);
  if (!g) return {};
  return row < 0 ? pick(g->col_heads, col) : pick(g->row_heads, row);
}

std::string info(TK_OBJ grid, int row, int col) {
  LabelGrid* g = lbl_grid(grid);
  if (!g) return {};
  if (row >= 0 && col >= 0) {
    const char* s = cell(grid, row, col);
    return s ? s : "";
  }
  if (row < 0 && col >= 0) return "lane '" + pick(g->col_heads, col) + "'";
  if (col < 0 && row >= 0) {
    const bool named = row < static_cast<int>(g->row_names.size());
    char text[64];
    std::snprintf(text, sizeof text, "%2ld:  ", static_cast<long>(row + 1));
    return text + (named ? g->row_names[static_cast<std::size_t>(row)] : std::string("<undef>"));
  }
  return {};
}

void free_grid(void* p) { delete static_cast<LabelGrid*>(p); }

}  // namespace

LabelGrid* lbl_grid_attach(TK_OBJ group, int cols, int rows, int cap) {
  GRID_Attach(group);
  if (!GRID_Is(group)) return nullptr;
  auto* g = new LabelGrid;
  g->cells.resize(cols, rows, cap);
  GRID_SetData(group, g, free_grid);
  TkGridProcs p;
  p.cell = cell;
  p.store = store;
  p.can_edit = can_edit;
  p.heading = heading;
  p.info = info;
  GRID_SetProcs(group, p);
  GRID_SetMaxLen(group, cap);
  GRID_SetSize(group, rows, cols);
  for (int c = 0; c < cols; ++c) GRID_SetColWidth(group, c, cap);
  return g;
}

LabelGrid* lbl_grid(TK_OBJ grid) { return static_cast<LabelGrid*>(GRID_GetData(grid)); }

void lbl_grid_redraw(TK_OBJ grid) { GRID_Redraw(grid); }

// Dialog helpers ------------------------------------------------------------------------------

void lbl_end_edit(TK_OBJ win) {
  for (int k = 0; k < 4; ++k)
    if (TK_OBJ p = RES_GetSub(win, k); p && GRID_Is(p)) GRID_EndEdit(p);
}

long S_lbl_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) lbl_end_edit(win);
  return S_modal_winNfy(win, event);
}

long S_lbl_OKNfy(TK_OBJ button, int event) {
  if (event == TK_EV_ACTIVATE) lbl_end_edit(RES_GetOwnerWindow(button));
  return S_OK_PButNfy(button, event);
}

long S_lbl_CancelNfy(TK_OBJ button, int event) {
  if (event == TK_EV_ACTIVATE) lbl_end_edit(RES_GetOwnerWindow(button));
  return S_Cancel_PButNfy(button, event);
}

int lbl_ask_save(std::string* path, const char* caption, const char* folder, const char* file,
                 const char* filter, const char* ext) {
  char out[1024] = "";
  if (io_win32_savefile(out, sizeof out, caption, folder, file, filter, ext) < 1)
    return 0;
  if (io_file_exists(out) && mh_send_msg(KS_ALERT_YESNO, ui_msg(270), out) != 2) return -1;
  *path = out;
  return 1;
}

bool lbl_ask_open(std::string* path, const char* caption, const char* folder, const char* filter,
                  const char* ext) {
  char out[1024] = "";
  if (io_win32_singlefile(out, sizeof out, caption, folder, "", filter, ext, TRUE, TRUE) < 1)
    return false;
  *path = out;
  return true;
}

LblGoOn lbl_go_on(int msg) {
  return [msg] { return mh_send_msg(KS_ALERT_YESNO, "%s", ks_gt_message(msg)) != 1; };
}

void lbl_mark_current_modified() {
  if (IMAGE_REC* im = gt_get_image_ptr()) im->modified = 1;
}

void lbl_save_grid(TK_OBJ win, const LblFileKind& kind, bool numbers,
                   int (*write)(const LabelCells& cells, const char* path)) {
  lbl_end_edit(win);
  LabelGrid* g = lbl_grid(RES_GetSub(win, 1));
  if (!g || !lbl_any_value_from(g->cells, 1)) {
    mh_send_msg(KS_ALERT_INFO, "%s", ks_gt_message(152));
    return;
  }
  if (numbers && lbl_any_not_number(g->cells)) {
    mh_send_msg(KS_ALERT_INFO, "%s", ks_gt_message(153));
    return;
  }
  std::string path;
  if (lbl_ask_save(&path, kind.save_caption, gt_get_control()->folders[kind.folder], "", kind.filter,
                   kind.ext) != 1)
    return;
  if (write(g->cells, path.c_str()) != 0) mh_send_msg(KS_ALERT_INFO, "%s", ui_msg(243));
}

void lbl_load_grid(TK_OBJ win, const LblFileKind& kind, int (*read)(const char* path, TK_OBJ grid)) {
  lbl_end_edit(win);
  std::string path;
  if (!lbl_ask_open(&path, kind.open_caption, gt_get_control()->folders[kind.folder], kind.filter,
                    kind.ext))
    return;
  if (read(path.c_str(), RES_GetSub(win, 1)) == 0) lbl_mark_current_modified();
}
