// Dendrogram window: see dndr_win.h.
#include "analysis/dndr_win.h"

#include <algorithm>
#include <string>

#include "analysis/dndr_layout.h"
#include "base/ks_choose.h"
#include "model/match_matrix.h"
#include "analysis/matr_text.h"
#include "model/control.h"
#include "shell/gt_chart.h"
#include "shell/ui_print.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_print.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace {

enum : int { kBands = 0, kClose = 1, kArea = 2, kPrint = 3, kLandscape = 4, kFull = 5, kCopy = 6 };

bool bands_on(TK_OBJ win, const GRAPH_WIN* s) {
  return s->host.draw_bands && WGT_GetValue(RES_GetSub(win, kBands)) != 0;
}

bool toggle_on(TK_OBJ win, int part) { return WGT_GetValue(RES_GetSub(win, part)) != 0; }

// The picture is a page high: each lane takes one or two text lines, as many as the page's
// height holds, and a strip for the similarity axis follows the leaves.
int picture_height(TK_OBJ area, int leaves, int th) {
  const int page_lines = graph_page_width(area, true) / th;  // the turned page's width: its height
  const int per_lane = std::clamp(page_lines / std::max(leaves, 1), 1, 2);
  return (leaves * per_lane + 8) * th + 2 * th;
}

// Sizes the scrollable drawing and lays the tree out in it.
void layout(TK_OBJ win) {
  GRAPH_WIN* s = graph_win_state(win);
  TK_OBJ area = RES_GetSub(win, kArea);
  if (!s || !area) return;
  const int th = graph_text_height(area);
  const int n = ks_mr_count(s->mr);
  const TkPoint size{graph_page_width(area, toggle_on(win, kLandscape)), picture_height(area, n, th)};
  CANVAS_SetExtent(area, size.x, size.y);
  short cw = 0, ch = 0;
  ks_draw_text_size(area, "MMMMMMMMMM", &cw, &ch);
  short mw = 0;
  ks_draw_text_size(area, "m", &mw, &ch);
  dndr_layout(s->rec, n, size.x, 0, size.y - 2 * th, cw, mw, th, bands_on(win, s));
}

void draw_node(TK_OBJ area, const GRAPH_WIN* s, const ks_tree* node, int dx, int dy, int th,
               bool bands) {
  const DNDR_REC* r = s->rec;
  const CLUSTER* c = cluster_of(node);
  const int x = ks_scale_to_pixel(&r->height_scale, c->height) - dx;
  const int y = ks_scale_to_pixel(&r->position_scale, c->position) - dy;
  if (ks_tree_is_leaf(node)) {
    const char* label = ks_mr_label(s->mr, c->id);
    ks_draw_text(area, x + 2, y - th / 2, 65, dndr_trim_label(label ? label : "").c_str());
    if (bands)
      s->host.draw_bands(area, s->host.illustration, c->id, r->band_start + 2 - dx,
                         r->band_start + r->band_width - dx, y - th / 2 + 1, y + th / 2 - 1);
    return;
  }
  draw_node(area, s, node->left, dx, dy, th, bands);
  draw_node(area, s, node->right, dx, dy, th, bands);
  const CLUSTER* l = cluster_of(node->left);
  const CLUSTER* rr = cluster_of(node->right);
  const int yl = ks_scale_to_pixel(&r->position_scale, l->position) - dy;
  const int yr = ks_scale_to_pixel(&r->position_scale, rr->position) - dy;
  ks_draw_line(area, ks_scale_to_pixel(&r->height_scale, l->height) - dx, yl, x, yl);
  ks_draw_line(area, ks_scale_to_pixel(&r->height_scale, rr->height) - dx, yr, x, yr);
  ks_draw_line(area, x, yl, x, yr);
}

void paint(TK_OBJ win) {
  GRAPH_WIN* s = graph_win_state(win);
  TK_OBJ area = RES_GetSub(win, kArea);
  if (!s || !area || !s->rec->root) return;
  const TkRect v = CANVAS_GetVisible(area);
  const int th = graph_text_height(area);
  std::vector<std::string> legend = matr_param_lines(s->mr);
  legend.push_back(dndr_title(s->rec->rule));
  for (std::size_t k = 0; k < legend.size(); ++k)
    ks_draw_text(area, s->rec->left_margin - v.x, static_cast<int>(k) * th - v.y, 17,
                 legend[k].c_str());
  draw_node(area, s, s->rec->root, v.x, v.y, th, bands_on(win, s));

  // The similarity axis: a strip along the bottom of the view that follows only sideways
  // scrolling.
  const int base = v.h - 2 * th;
  if (DRAW_Begin(area, nullptr)) {
    const TkColor fg = DRAW_GetForeground(area);
    DRAW_SetColors(area, DRAW_GetBackground(area), DRAW_GetBackground(area));
    DRAW_FillRect(area, TkRect{0, base, v.w, v.h - base});
    DRAW_SetColors(area, fg, DRAW_GetBackground(area));
    DRAW_End(area);
  }
  const ks_scale* hs = &s->rec->height_scale;
  ks_draw_line(area, hs->pix0 - v.x, base, hs->pix1 - v.x, base);
  auto width = [&](const std::string& t) {
    short w = 0, h = 0;
    ks_draw_text_size(area, t.c_str(), &w, &h);
    return static_cast<int>(w);
  };
  const auto labels = dndr_axis_labels(s->rec, width);
  for (std::size_t k = 0; k < labels.size(); ++k) {
    if (labels[k].erased) continue;
    const int x = labels[k].x - v.x;
    ks_draw_line(area, x, base, x, base + th / 3);
    ks_draw_text(area, x, base + th / 3, 65, std::to_string(labels[k].value).c_str());
  }
}

long area_nfy(TK_OBJ area, int event) {
  TK_OBJ win = RES_GetOwnerWindow(area);
  switch (event) {
    case TK_EV_RESIZE:
      layout(win);
      break;
    case TK_EV_EXPOSE:
      paint(win);
      return 0;
    case TK_EV_MOUSE:
      graph_click(area);
      break;
    default:
      break;
  }
  return WGT_DefaultNfy(area, event);
}

// The band toggle and the page toggle lay the picture out anew. Bands need room: turning them
// on turns the page too.
long toggle_nfy(TK_OBJ w, int event) {
  const long rc = WGT_DefaultNfy(w, event);
  if (event == TK_EV_ACTIVATE) {
    TK_OBJ win = RES_GetOwnerWindow(w);
    const GRAPH_WIN* s = graph_win_state(win);
    if (w == RES_GetSub(win, kBands) && s && bands_on(win, s) && !toggle_on(win, kLandscape))
      WGT_SetValue(RES_GetSub(win, kLandscape), 1);
    layout(win);
    WGT_Redraw(RES_GetSub(win, kArea));
  }
  return rc;
}

// Prints the picture on a page turned as the page toggle says; the full-size toggle chooses
// the print mode.
long print_nfy(TK_OBJ w, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(w, event);
  TK_OBJ win = RES_GetOwnerWindow(w);
  TkPageSetup page = PRINT_GetDefaults();
  page.orientation = toggle_on(win, kLandscape) ? 1 : 0;
  page.extra = toggle_on(win, kFull) ? 2 : 0;
  ui_print(RES_GetSub(win, kArea), gt_get_control()->folders[CTL_DIR_REPORTS], nullptr, &page);
  return 0;
}

long copy_nfy(TK_OBJ w, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(w, event);
  TK_OBJ area = RES_GetSub(RES_GetOwnerWindow(w), kArea);
  DRAW_CopyToClipboard(area);
  WGT_Redraw(area);
  return 0;
}

}  // namespace

GRAPH_WIN* graph_win_state(TK_OBJ w) {
  TK_OBJ win = w ? RES_GetOwnerWindow(w) : nullptr;
  return win ? static_cast<GRAPH_WIN*>(RES_GetData(win)) : nullptr;
}

TK_OBJ graph_win_area(TK_OBJ w) {
  GRAPH_WIN* s = graph_win_state(w);
  return s ? RES_GetSub(RES_GetOwnerWindow(w), s->area_part) : nullptr;
}

int graph_page_width(TK_OBJ area, bool turned) {
  double pw = 0, ph = 0;
  TkRect printable{};
  PRINT_PageGeometry(PRINT_GetDefaults(), &pw, &ph, &printable);
  return static_cast<int>((turned ? printable.h : printable.w) * CANVAS_PixelsPerInch(area) / 72.27 +
                          0.5);
}

int graph_text_height(TK_OBJ area) {
  short w = 0, h = 0;
  ks_draw_text_size(area, "m", &w, &h);
  return std::max<int>(h, 1);
}

long graph_close_nfy(TK_OBJ w, int event) {
  if (event == TK_EV_ACTIVATE) {
    WIN_Terminate(RES_GetOwnerWindow(w));
    return 0;
  }
  return WGT_DefaultNfy(w, event);
}

long graph_print_nfy(TK_OBJ w, int event) {
  if (event == TK_EV_ACTIVATE)
    ui_print(graph_win_area(w), gt_get_control()->folders[CTL_DIR_REPORTS], nullptr, nullptr);
  return WGT_DefaultNfy(w, event);
}

bool graph_close_box(TK_OBJ win, int event) {
  if (event != TK_EV_WINDOW || EVENT_GetWinCode() != TK_WIN_CLOSE) return false;
  WIN_Terminate(win);
  return true;
}

long graph_win_nfy(TK_OBJ win, int event) {
  if (graph_close_box(win, event)) return 0;
  if (event == TK_EV_TERMINATE) {
    const long rc = WGT_DefaultNfy(win, event);
    if (GRAPH_WIN* s = graph_win_state(win)) {
      RES_SetData(win, nullptr);
      if (s->host.closed) s->host.closed(win, s->host.owner_data);
      dndr_free(s->rec);
      delete s;
    }
    return rc;
  }
  return WGT_DefaultNfy(win, event);
}

void graph_click(TK_OBJ area) {
  GRAPH_WIN* s = graph_win_state(area);
  if (!s || EVENT_GetButtonState() != 1) return;
  const int row = dndr_leaf_at_pixel(s->rec, EVENT_GetPos().y + CANVAS_GetVisible(area).y);
  if (row >= 0 && s->host.row_op) s->host.row_op(s->mr, row);
}

const char* dndr_title(DNDR_LINK_FN rule) {
  if (rule == dndr_link_min) return "Dendrogram Report:  Minimum Linkage";
  if (rule == dndr_link_max) return "Dendrogram Report:  Maximum Linkage";
  if (rule == dndr_link_average) return "Dendrogram Report:  Average Linkage (UPGMA)";
  return "Neighbor-Joining Graph";
}

DNDR_REC* dndr_win_record(TK_OBJ win) {
  GRAPH_WIN* s = graph_win_state(win);
  return s ? s->rec : nullptr;
}

TK_OBJ dndr_activate(TK_OBJ owner, const MATCH_MATRIX* mr, DNDR_LINK_FN rule,
                     const DNDR_HOST& host) {
  TK_OBJ win = WIN_Load("gt_dend", "gt_dend_win");
  if (!win) return nullptr;
  auto* s = new GRAPH_WIN{dndr_new(mr, rule), mr, host, kArea};
  RES_SetNfy(win, graph_win_nfy);
  RES_SetNfy(RES_GetSub(win, kBands), toggle_nfy);
  RES_SetNfy(RES_GetSub(win, kLandscape), toggle_nfy);
  RES_SetNfy(RES_GetSub(win, kClose), graph_close_nfy);
  RES_SetNfy(RES_GetSub(win, kArea), area_nfy);
  RES_SetNfy(RES_GetSub(win, kPrint), print_nfy);
  RES_SetNfy(RES_GetSub(win, kCopy), copy_nfy);
  for (int p : {kLandscape, kFull, kCopy}) WGT_Show(RES_GetSub(win, p), 0);
  if (!host.draw_bands) WGT_Show(RES_GetSub(win, kBands), 0);
  RES_SetData(win, s);
  if (owner) WIN_SetOwner(win, owner);
  WIN_Init(win);
  WIN_SetTitle(win, dndr_title(rule));
  // Beside the matrix window it comes from, at the foot of the screen.
  ui_wpos_place(win, 90, 100, FALSE);
  WIN_Show(win);
  layout(win);
  WGT_Redraw(RES_GetSub(win, kArea));
  return win;
}
