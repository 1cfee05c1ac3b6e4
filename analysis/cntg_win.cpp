// Contig map window: see cntg_win.h.
#include "analysis/cntg_win.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "analysis/contig.h"
#include "analysis/dndr_layout.h"
#include "model/match_matrix.h"
#include "analysis/matr_text.h"
#include "shell/gt_chart.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace {

enum : int { kSlider = 0, kBands = 1, kClose = 2, kArea = 3, kPrint = 5, kValue = 6 };

int text_width(TK_OBJ area, const std::string& t) {
  short w = 0, h = 0;
  ks_draw_text_size(area, t.c_str(), &w, &h);
  return w;
}
bool bands_on(TK_OBJ win, const GRAPH_WIN* s) {
  return s->host.draw_bands && WGT_GetValue(RES_GetSub(win, kBands)) != 0;
}

CNTG_LAYOUT contigs(TK_OBJ win, const GRAPH_WIN* s) {
  return cntg_build(s->mr, s->rec->leaf_order, WGT_GetValue(RES_GetSub(win, kSlider)));
}

void layout(TK_OBJ win) {
  GRAPH_WIN* s = graph_win_state(win);
  TK_OBJ area = RES_GetSub(win, kArea);
  if (!s || !area) return;
  DNDR_REC* r = s->rec;
  const int th = graph_text_height(area);
  // The font's character metric, as the dendrogram window takes it: the width of ten characters.
  const int metric = std::max(text_width(area, "MMMMMMMMMM"), 1);
  const int width = graph_page_width(area, false);
  const int n = std::max(ks_mr_count(s->mr), 1);
  s->label_width = 0;
  for (int i = 0; i < ks_mr_count(s->mr); ++i) {
    const char* l = ks_mr_label(s->mr, i);
    s->label_width = std::max(s->label_width, text_width(area, std::string("000  ") + (l ? l : "")));
  }
  r->left_margin = s->label_width + text_width(area, "m") * 3 / 2;
  const int rest = std::max(width - r->left_margin, 0);
  r->tree_width = bands_on(win, s) ? rest / 2 : rest;
  r->band_start = r->left_margin + r->tree_width;
  r->band_width = rest - r->tree_width;
  const CNTG_LAYOUT c = contigs(win, s);
  const double top = std::max(c.longest, 100.0 * r->tree_width / metric);
  ks_scale_init(&r->height_scale, 0, 0.0, top, r->left_margin + 2, r->left_margin + r->tree_width - 2);
  const int height = (n + 8) * th;
  CANVAS_SetExtent(area, width, height);
  ks_scale_init(&r->position_scale, 0, 0.0, n > 1 ? n - 1 : 0, 8 * th, height - th / 2);
}

// The labels pane: the contig numbers and the lane labels in the left margin, below the legend.
// It scrolls only up and down: what the bars pane drew there when scrolled sideways is covered.
void paint_labels(TK_OBJ area, const GRAPH_WIN* s, const CNTG_LAYOUT& c, const TkRect& v) {
  const DNDR_REC* r = s->rec;
  const int th = graph_text_height(area);
  const int top = std::max(0, 7 * th - v.y);
  const TkColor fg = DRAW_GetForeground(area), bg = DRAW_GetBackground(area);
  if (v.x > 0 && top < v.h && DRAW_Begin(area, nullptr)) {
    DRAW_SetColors(area, bg, bg);
    DRAW_FillRect(area, TkRect{0, top, r->left_margin, v.h - top});
    DRAW_End(area);
    DRAW_SetColors(area, fg, bg);
  }
  for (std::size_t p = 0; p < c.lanes.size(); ++p) {
    const CNTG_LANE& l = c.lanes[p];
    const int y = ks_scale_to_pixel(&r->position_scale, static_cast<double>(p)) - v.y;
    if (l.starts) {
      char num[16];
      std::snprintf(num, sizeof num, "%3d", l.contig % 1000 + 1);
      ks_draw_text(area, 0, y - th / 2, 65, num);
    }
    const char* label = ks_mr_label(s->mr, l.row);
    ks_draw_text(area, text_width(area, "000  "), y - th / 2, 65, label ? label : "");
  }
}

void paint(TK_OBJ win) {
  GRAPH_WIN* s = graph_win_state(win);
  TK_OBJ area = RES_GetSub(win, kArea);
  if (!s || !area) return;
  const DNDR_REC* r = s->rec;
  const TkRect v = CANVAS_GetVisible(area);
  const int th = graph_text_height(area);
  const int t = static_cast<int>(WGT_GetValue(RES_GetSub(win, kSlider)));
  std::vector<std::string> legend = matr_param_lines(s->mr);
  legend.push_back("Contig Map - Similarity Threshold = " + std::to_string(t));
  for (std::size_t k = 0; k < legend.size(); ++k)
    ks_draw_text(area, 4 - v.x, static_cast<int>(k) * th - v.y, 17, legend[k].c_str());
  const CNTG_LAYOUT c = contigs(win, s);
  const bool bands = bands_on(win, s);
  for (std::size_t p = 0; p < c.lanes.size(); ++p) {
    const CNTG_LANE& l = c.lanes[p];
    const int y = ks_scale_to_pixel(&r->position_scale, static_cast<double>(p)) - v.y;
    const int x0 = ks_scale_to_pixel(&r->height_scale, l.offset) - v.x;
    const int x1 = ks_scale_to_pixel(&r->height_scale, l.offset + 100.0) - v.x;
    ks_draw_line(area, x0, y, x1, y);
    if (bands)
      s->host.draw_bands(area, s->host.illustration, l.row, r->band_start + 2 - v.x,
                         r->band_start + r->band_width - v.x, y - th / 2 + 1, y + th / 2 - 1);
  }
  paint_labels(area, s, c, v);
}

void relayout(TK_OBJ win) {
  char text[32];
  std::snprintf(text, sizeof text, "%ld", WGT_GetValue(RES_GetSub(win, kSlider)));
  WGT_SetLabel(RES_GetSub(win, kValue), text);
  layout(win);
  WGT_Redraw(RES_GetSub(win, kArea));
}

long area_nfy(TK_OBJ area, int event) {
  TK_OBJ win = RES_GetOwnerWindow(area);
  switch (event) {
    case TK_EV_RESIZE: layout(win); break;
    case TK_EV_EXPOSE: paint(win); return 0;
    case TK_EV_MOUSE:
      graph_click(area);
      break;
    default: break;
  }
  return WGT_DefaultNfy(area, event);
}

long change_nfy(TK_OBJ w, int event) {
  const long rc = WGT_DefaultNfy(w, event);
  if (event == TK_EV_ACTIVATE) relayout(RES_GetOwnerWindow(w));
  return rc;
}

}  // namespace

DNDR_REC* cntg_win_record(TK_OBJ win) {
  GRAPH_WIN* s = graph_win_state(win);
  return s ? s->rec : nullptr;
}

int cntg_threshold(TK_OBJ win) { return static_cast<int>(WGT_GetValue(RES_GetSub(win, kSlider))); }

TK_OBJ cntg_activate(TK_OBJ owner, const MATCH_MATRIX* mr, const DNDR_HOST& host) {
  TK_OBJ win = WIN_Load("gt_contig", "gt_contig_win");
  if (!win) return nullptr;
  auto* s = new GRAPH_WIN{dndr_new(mr, dndr_link_average), mr, host, kArea};
  RES_SetNfy(win, graph_win_nfy);
  RES_SetNfy(RES_GetSub(win, kSlider), change_nfy);
  RES_SetNfy(RES_GetSub(win, kBands), change_nfy);
  RES_SetNfy(RES_GetSub(win, kClose), graph_close_nfy);
  RES_SetNfy(RES_GetSub(win, kArea), area_nfy);
  RES_SetNfy(RES_GetSub(win, kPrint), graph_print_nfy);
  if (!host.draw_bands) WGT_Show(RES_GetSub(win, kBands), 0);
  RES_SetData(win, s);
  if (owner) WIN_SetOwner(win, owner);
  WIN_Init(win);
  WIN_SetTitle(win, "Contig Map");
  WIN_Show(win);
  relayout(win);
  return win;
}
