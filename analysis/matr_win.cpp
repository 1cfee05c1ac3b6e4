// Match matrix window: see matr_win.h.
#include "analysis/matr_win.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/cntg_win.h"
#include "analysis/dndr_win.h"
#include "analysis/lane_map.h"
#include "base/ks_choose.h"
#include "model/match_matrix.h"
#include "analysis/matr_launch.h"
#include "analysis/matr_text.h"
#include "analysis/matr_velto.h"
#include "base/ks_msg.h"
#include "model/control.h"
#include "shell/gt_chart.h"
#include "shell/gt_dist_method.h"
#include "shell/gt_image_win.h"
#include "shell/ui_print.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_table.h"
#include "toolkit/tk_widget.h"

namespace {

enum : int {
  kView = 0, kGenerate = 1, kPrint = 2, kClose = 3, kText = 4, kPicture = 5, kTable = 6, kSave = 7
};

char s_match_path[4096];
int s_last_method = 3;  // the linkage method asked for last, average linkage at first

struct MATR_WIN_REC {
  MATCH_MATRIX* mr;
  LANE_MAP* map;
  MATR_DRAW_FN draw;
  MATR_ROW_FN row_op;
  MATR_RELEASE_FN release;
  TK_OBJ graphs[5] = {};  // dendrograms by rule 1..4, then the contig map
};

MATR_WIN_REC* rec_of(TK_OBJ w) {
  TK_OBJ win = w ? RES_GetOwnerWindow(w) : nullptr;
  return win ? static_cast<MATR_WIN_REC*>(RES_GetData(win)) : nullptr;
}

// The view option's items are the views in their order: picture, text, table.
int view_of(TK_OBJ win) {
  const int choice = WGT_GetChoice(RES_GetSub(win, kView));
  return choice == 1 ? MATR_VIEW_TEXT : choice == 2 ? MATR_VIEW_TABLE : MATR_VIEW_PICTURE;
}

int view_part(int view) {
  return view == MATR_VIEW_TEXT ? kText : view == MATR_VIEW_TABLE ? kTable : kPicture;
}

void show_view(TK_OBJ win) {
  const int shown = view_part(view_of(win));
  for (int p : {kPicture, kText, kTable}) WGT_Show(RES_GetSub(win, p), p == shown);
}

void char_size(TK_OBJ area, int* cw, int* th) {
  short w = 0, h = 0;
  ks_draw_text_size(area, "m", &w, &h);
  *cw = std::max<int>(w, 1);
  *th = std::max<int>(h, 1);
}

void size_picture(TK_OBJ area, const MATCH_MATRIX* mr) {
  int cw, th;
  char_size(area, &cw, &th);
  const int n = ks_mr_count(mr);
  CANVAS_SetExtent(area, matr_picture_label_chars(mr) * cw + n * 4 * cw, (n + 8) * th + th / 2);
  CANVAS_ScrollTo(area, 0, 0);
}

// Draws the part of the picture in view in three panes: the lane numbers across the top follow
// the body across only, the labels down the left (from line 7) follow it up and down only, and
// the body (the parameter block and the lower triangle of rounded similarities) is clipped to
// the rest, so that scrolled values never cover a label or a lane number.
void paint_picture(TK_OBJ area, const MATCH_MATRIX* mr) {
  int cw, th;
  char_size(area, &cw, &th);
  const TkRect v = CANVAS_GetVisible(area);
  const int n = ks_mr_count(mr);
  const int left = matr_picture_label_chars(mr) * cw, col = 4 * cw;
  const int right = std::max(0, v.w - left), below = std::max(0, v.h - th);
  const TkRect header{left, 0, right, th}, labels{0, th, left, below}, body{left, th, right, below};
  const std::vector<std::string> params = matr_param_lines(mr);
  for (std::size_t k = 0; k < params.size(); ++k)
    ks_draw_text_clipped(area, &body, left - v.x, static_cast<int>(k + 1) * th - v.y, params[k].c_str());
  const int j0 = std::max(0, v.x / col - 1), j1 = std::min(n, (v.x + v.w) / col + 2);
  const int i0 = std::max(0, v.y / th - 8), i1 = std::min(n, (v.y + v.h) / th);
  char buf[64];
  for (int j = j0; j < j1; ++j) {
    std::snprintf(buf, sizeof buf, "%3d ", j + 1);
    ks_draw_text_clipped(area, &header, left + j * col - v.x, 0, buf);
  }
  for (int i = i0; i < i1; ++i) {
    const int y = (7 + i) * th - v.y;
    ks_draw_text_clipped(area, &labels, 0, y, matr_picture_row_label(mr, i).c_str());
    for (int j = j0; j < std::min(i, j1); ++j) {
      std::snprintf(buf, sizeof buf, "%3d ", matr_rounded_similarity(mr, i, j));
      ks_draw_text_clipped(area, &body, left + j * col - v.x, y, buf);
    }
  }
}

void fill_text(TK_OBJ win, const MATCH_MATRIX* mr) {
  TK_OBJ t = RES_GetSub(win, kText);
  TEXT_Clear(t);
  TEXT_Insert(t, matr_text_view(mr).c_str());
  TEXT_SetInsertPos(t, 0);
}

// The table asks for the texts of the cells it shows; one cell's text lives until the next
// is asked for.
const char* cell_text(TK_OBJ table, int row, int col) {
  static std::string cell;
  const MATR_WIN_REC* rec = rec_of(table);
  cell = rec ? matr_table_cell(rec->mr, row, col) : std::string();
  return cell.c_str();
}

// The copy key on the table: a selection from the first column or row is taken as whole rows
// or columns, without the row numbers or lane numbers.
std::string copy_text(TK_OBJ table, int row, int col, int rows, int cols) {
  const MATR_WIN_REC* rec = rec_of(table);
  return rec ? matr_copy_text(rec->mr, col, row, cols, rows) : std::string();
}

void size_table(TK_OBJ win, const MATCH_MATRIX* mr) {
  TK_OBJ t = RES_GetSub(win, kTable);
  TABLE_Attach(t);
  TABLE_SetCellProc(t, cell_text);
  TABLE_SetCopyProc(t, copy_text);
  const int cols = matr_table_cols(mr);
  TABLE_SetSize(t, matr_table_rows(mr), cols);
  // Row numbers, the parameter labels and row labels, the parameter values (the method's name
  // the widest), then three-digit similarities.
  TABLE_SetColWidth(t, 0, 5);
  TABLE_SetColWidth(t, 1, 30);
  for (int c = 2; c < cols; ++c) TABLE_SetColWidth(t, c, c == 2 ? 20 : 4);
}

void graph_closed(TK_OBJ graph, void* data) {
  auto* rec = static_cast<MATR_WIN_REC*>(data);
  for (TK_OBJ& g : rec->graphs)
    if (g == graph) g = nullptr;
}

void draw_bands(TK_OBJ w, void* map, int row, int x0, int x1, int y0, int y1) {
  lmap_draw_bands(w, static_cast<const LANE_MAP*>(map), row, x0, x1, y0, y1);
}

DNDR_HOST host_of(MATR_WIN_REC* rec) {
  DNDR_HOST h;
  h.illustration = rec->map;
  // The lane map's band pattern is the illustration the drivers hand in.
  if (rec->map && rec->draw == lmap_draw_bands) h.draw_bands = draw_bands;
  h.row_op = rec->row_op;
  h.closed = graph_closed;
  h.owner_data = rec;
  return h;
}

long generate_nfy(TK_OBJ w, int event) {
  const long rc = WGT_DefaultNfy(w, event);
  if (event != TK_EV_CHOICE) return rc;
  TK_OBJ win = RES_GetOwnerWindow(w);
  const char* item = LIST_Item(w, WGT_GetChoice(w));
  const std::string chosen = item ? item : "";
  WGT_SetChoice(w, 0);
  if (chosen == "Contig Map") {
    matr_generate(win, 5);
  } else if (chosen == "Dendrogram...") {
    const int method = gt_mma_activate(s_last_method);
    if (method >= 1 && method <= 4) {
      s_last_method = method;
      matr_generate(win, method);
    }
  }
  return rc;
}

long view_nfy(TK_OBJ w, int event) {
  const long rc = WGT_DefaultNfy(w, event);
  if (event == TK_EV_CHOICE) show_view(RES_GetOwnerWindow(w));
  return rc;
}

long button_nfy(TK_OBJ w, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(w, event);
  TK_OBJ win = RES_GetOwnerWindow(w);
  MATR_WIN_REC* rec = rec_of(win);
  const char* folder = gt_get_control()->folders[CTL_DIR_REPORTS];
  if (w == RES_GetSub(win, kClose)) {
    WIN_Terminate(win);
    return 0;
  }
  const int view = view_of(win);
  if (w == RES_GetSub(win, kPrint))
    ui_print(RES_GetSub(win, view_part(view)), folder, nullptr, nullptr);
  else if (w == RES_GetSub(win, kSave) && rec)
    matr_export(rec->mr, view, folder);
  return WGT_DefaultNfy(w, event);
}

long picture_nfy(TK_OBJ area, int event) {
  MATR_WIN_REC* rec = rec_of(area);
  if (event == TK_EV_EXPOSE && rec) {
    paint_picture(area, rec->mr);
    return 0;
  }
  return WGT_DefaultNfy(area, event);
}

long win_nfy(TK_OBJ win, int event) {
  if (graph_close_box(win, event)) return 0;
  if (event == TK_EV_TERMINATE) {
    const long rc = WGT_DefaultNfy(win, event);
    if (MATR_WIN_REC* rec = rec_of(win)) {
      // The graph windows read the matrix: they go first.
      for (TK_OBJ g : rec->graphs)
        if (g) WIN_Terminate(g);
      RES_SetData(win, nullptr);
      ks_mr_free(rec->mr);
      if (rec->map && rec->release) rec->release(rec->map);
      delete rec;
    }
    return rc;
  }
  return WGT_DefaultNfy(win, event);
}

}  // namespace

const char* matr_last_match_file() { return s_match_path; }

const MATCH_MATRIX* matr_matrix(TK_OBJ win) {
  MATR_WIN_REC* rec = rec_of(win);
  return rec ? rec->mr : nullptr;
}

TK_OBJ matr_generate(TK_OBJ win, int choice) {
  MATR_WIN_REC* rec = rec_of(win);
  if (!rec || choice < 1 || choice > 5) return nullptr;
  TK_OBJ& slot = rec->graphs[choice - 1];
  if (slot) {
    WIN_Show(slot);
    return slot;
  }
  gt_busy_begin();
  mh_status_message(gt_get_status_bar(), 1, "%s",
                    choice == 5 ? "Generating the Contig Map..." : "Generating the Dendrogram...");
  slot = choice == 5 ? cntg_activate(win, rec->mr, host_of(rec))
                     : dndr_activate(win, rec->mr, dndr_rule_of_choice(choice), host_of(rec));
  mh_clear_status(gt_get_status_bar(), 1);
  gt_busy_end();
  return slot;
}

TK_OBJ matr_activate(TK_OBJ owner, MATCH_MATRIX* mr, LANE_MAP* map, MATR_DRAW_FN draw,
                     MATR_ROW_FN row_op, MATR_RELEASE_FN release) {
  if (save_match_results_for_velto(mr, s_match_path, sizeof s_match_path, map))
    matr_launch_velto(s_match_path);
  gt_busy_begin();
  mh_status_message(gt_get_status_bar(), 1, "Loading the Match Results Matrix...");
  TK_OBJ win = WIN_Load("gt_matrx", "WinMatrix");
  if (!win) {
    mh_clear_status(gt_get_status_bar(), 1);
    gt_busy_end();
    ks_mr_free(mr);
    if (map && release) release(map);
    return nullptr;
  }
  RES_SetNfy(win, win_nfy);
  RES_SetNfy(RES_GetSub(win, kView), view_nfy);
  RES_SetNfy(RES_GetSub(win, kGenerate), generate_nfy);
  for (int p : {kPrint, kClose, kSave}) RES_SetNfy(RES_GetSub(win, p), button_nfy);
  RES_SetNfy(RES_GetSub(win, kPicture), picture_nfy);
  RES_SetData(win, new MATR_WIN_REC{mr, map, draw, row_op, release});
  if (owner) WIN_SetOwner(win, owner);
  WIN_Init(win);
  fill_text(win, mr);
  size_table(win, mr);
  show_view(win);
  mh_clear_status(gt_get_status_bar(), 1);
  gt_busy_end();
  // At the left and the foot of the screen, clear of the main window's menus and beside the
  // viewer, which the match file starts at the right and the foot and which would cover it.
  ui_wpos_place(win, 0, 100, FALSE);
  WIN_Show(win);
  size_picture(RES_GetSub(win, kPicture), mr);
  WGT_Redraw(RES_GetSub(win, kPicture));
  return win;
}
