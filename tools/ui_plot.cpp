// The surface plot window.
#include "tools/ui_plot.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/ks_choose.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "io/kes_image.h"
#include "shell/gt_chart.h"
#include "shell/ui_print.h"
#include "toolkit/core/tk_image.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_print.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/ui_hist.h"
#include "tools/ui_results.h"

namespace {

UiResultCall s_last;
char s_folder[256] = "";

constexpr int kLeft = 40, kBottom = 60, kMargin = 80;

// A window's image path and rectangle, and the area as last read and turned: a paint reads the
// file only when the orientation changed.
struct PlotWin : UiResultData {
  std::string path;
  int rect[4] = {0, 0, 0, 0};
  int orientation = -1;
  bool ok = false;
  PlotArea area;
};

const PlotArea* area_for(PlotWin* w, int orientation) {
  if (w->orientation != orientation) {
    PlotArea raw;
    w->ok = ui_plot_read(w->path.c_str(), w->rect, &raw);
    w->area = w->ok ? ui_plot_turn(raw, orientation) : PlotArea{};
    w->orientation = orientation;
  }
  return w->ok ? &w->area : nullptr;
}

std::string num(long v) { return std::to_string(v); }

void draw_plot(TK_OBJ area, PlotWin* w, int orientation) {
  const TkRect view = CANVAS_GetVisible(area);
  const PlotArea* a = area_for(w, orientation);
  if (!a) return;
  const int W = view.w, H = view.h;
  const PlotPicture pic = ui_plot_picture(*a, W, H);
  if (pic.polys.empty()) return;
  if (TK_OBJ font = RES_LoadFont("ui_font", "ui_font_helv_12")) DRAW_SetFont(area, font);
  DRAW_SetColors(area, 0x000000, 0xFFFFFF);
  if (DRAW_Begin(area, nullptr)) {
    for (std::size_t i = 0; i < pic.polys.size(); ++i) {
      std::vector<int16_t> pts;
      for (TkPoint p : pic.polys[i]) {
        pts.push_back(static_cast<int16_t>(std::clamp(p.x + view.x, -30000, 30000)));
        pts.push_back(static_cast<int16_t>(std::clamp(p.y + view.y, -30000, 30000)));
      }
      DRAW_Poly(area, static_cast<int>(pic.polys[i].size()), pts.data(), pic.modes[i]);
    }
    DRAW_End(area);
  }
  short cw = 0, ch = 0;
  ks_draw_text_size(area, "0", &cw, &ch);
  // Labels stay inside the area's left edge.
  auto text = [&](int x, int y, const std::string& t) {
    ks_draw_text(area, view.x + std::max(x, 1), view.y + y, 66, t.c_str());
  };
  // Labels: columns along the front edge, lines along the left edge, values at the back.
  const int h = a->h, wc = a->w;
  auto px = [&](double o) { return kLeft + static_cast<int>(std::lround((o - pic.omin) / pic.xs)); };
  auto py = [&](double z) { return H - static_cast<int>(std::lround((z - pic.vmin) / pic.ys)) - kBottom; };
  const int base_y = py(pic.vmin) + 4;
  for (long c : {0L, static_cast<long>((wc - 1) / 2), static_cast<long>(wc - 1)})
    text(px(static_cast<double>(c) + (h - 3) - h), base_y, num(c));
  // Line labels hang just below the left edge, and the lowest value sits on the scale's base,
  // so that the two never cover each other at the back corner.
  for (long r : {0L, static_cast<long>((h - 2) / 2), static_cast<long>(h - 2)}) {
    const std::string t = num(r);
    text(px(static_cast<double>(h - 3 - r) - h) - cw * static_cast<int>(t.size()) - 4,
         py(pic.vmin + h + 1 - (h - 3 - r)) + 2, t);
  }
  const long low = a->wide ? pic.vmin : 0;
  const int sx = px(-h), top = py(pic.vmin + (pic.vmax - low) + h), bottom = py(pic.vmin + h);
  ks_draw_line(area, view.x + sx, view.y + top, view.x + sx, view.y + bottom);
  for (long v : {low, (low + pic.vmax) / 2, pic.vmax}) {
    const int y = bottom + static_cast<int>(std::lround(static_cast<double>(top - bottom) * (v - low) /
                                                        std::max(1L, pic.vmax - low)));
    const std::string t = num(v);
    text(sx - cw * static_cast<int>(t.size()) - 4, v == low ? y - ch - 1 : y - ch / 2, t);
  }
  const std::string caption = ui_plot_caption(*a, pic.vmax, orientation);
  short tw = 0, th = 0;
  ks_draw_text_size(area, caption.c_str(), &tw, &th);
  ks_draw_text(area, view.x + (W - tw) / 2, view.y + H - th - 4, 66, caption.c_str());
}


long plot_areaNfy(TK_OBJ area, int event) {
  const long r = WGT_DefaultNfy(area, event);
  if (event == TK_EV_EXPOSE) {
    TK_OBJ win = RES_GetOwnerWindow(area);
    if (auto* w = static_cast<PlotWin*>(static_cast<UiResultData*>(RES_GetData(win))))
      draw_plot(area, w, static_cast<int>(WGT_GetValue(RES_GetSub(win, 1))));
  }
  return r;
}

long plot_partNfy(TK_OBJ part, int event) {
  TK_OBJ win = RES_GetOwnerWindow(part);
  if (part == RES_GetSub(win, 1)) {
    const long r = WGT_DefaultNfy(part, event);
    if (event == TK_EV_CHOICE) WGT_Redraw(RES_GetSub(win, 2));
    return r;
  }
  if (event == TK_EV_ACTIVATE && part == RES_GetSub(win, 0)) {
    TkPageSetup page = PRINT_GetDefaults();
    page.extra = 2;
    ui_print(RES_GetSub(win, 2), s_folder, nullptr, &page);
  } else if (event == TK_EV_ACTIVATE && part == RES_GetSub(win, 3)) {
    WIN_Terminate(win);
    return 1;
  }
  return WGT_DefaultNfy(part, event);
}

}  // namespace

bool ui_plot_read(const char* path, int rect[4], PlotArea* out) {
  int bits = 0;
  int32_t extent[2] = {0, 0};
  if (!path || !io_query_image(path, &bits, extent) || extent[0] < 2 || extent[1] < 2) return false;
  for (int i = 0; i < 4; ++i) rect[i] = std::clamp(rect[i], 0, extent[i % 2] - 2);
  const int x0 = std::min(rect[0], rect[2]), x1 = std::max(rect[0], rect[2]);
  const int y0 = std::min(rect[1], rect[3]), y1 = std::max(rect[1], rect[3]);
  const int32_t size[2] = {x1 - x0 + 1, y1 - y0 + 1};
  std::unique_ptr<TkImage> img(io_create_image(size, bits > 8 ? 16 : 8));
  const int32_t r[4] = {x0, y0, size[0], size[1]};
  if (!img || !io_read_kestrin(path, img.get(), r, 1.0)) {
    SLOG("ui_plot_read", SLOG_WARN, "cannot read <%s>", path);
    return false;
  }
  out->w = size[0], out->h = size[1], out->wide = img->depth() == 16;
  out->v.resize(static_cast<std::size_t>(size[0]) * static_cast<std::size_t>(size[1]));
  for (int y = 0; y < size[1]; ++y) {
    const uint8_t* row = img->row(y);
    for (int x = 0; x < size[0]; ++x) {
      unsigned v = row[x];
      if (out->wide) {
        uint16_t s;
        std::memcpy(&s, row + 2 * x, 2);
        v = s;
      }
      out->v[static_cast<std::size_t>(y) * size[0] + x] = v;
    }
  }
  return true;
}

PlotArea ui_plot_turn(const PlotArea& a, int orientation) {
  if (orientation == 0) return a;
  PlotArea t;
  t.wide = a.wide;
  const bool quarter = orientation == 1 || orientation == 3;
  t.w = quarter ? a.h : a.w;
  t.h = quarter ? a.w : a.h;
  t.v.resize(a.v.size());
  for (int r = 0; r < a.h; ++r)
    for (int c = 0; c < a.w; ++c) {
      int line = 0, col = 0;
      switch (orientation) {
        case 1: line = a.w - 1 - c, col = r; break;
        case 3: line = c, col = a.h - 1 - r; break;
        default: line = a.h - 1 - r, col = a.w - 1 - c; break;
      }
      t.v[static_cast<std::size_t>(line) * t.w + col] = a.at(r, c);
    }
  return t;
}

PlotPicture ui_plot_picture(const PlotArea& a, int W, int H) {
  PlotPicture p;
  const int w = a.w, h = a.h;
  if (W <= kMargin || H <= kMargin || w < 2 || h < 3) return p;
  long vmin = LONG_MAX, vmax = LONG_MIN;
  for (int r = 0; r + 1 < h; ++r)
    for (int c = 0; c + 1 < w; ++c) {
      vmin = std::min<long>(vmin, a.at(r, c));
      vmax = std::max<long>(vmax, a.at(r, c));
    }
  const int omin = -h, omax = (w - 2) + (h - 2) - h;
  p.vmin = vmin, p.vmax = vmax, p.omin = omin;
  p.xs = static_cast<double>(omax - omin + 2) / (W - kMargin);
  p.ys = static_cast<double>(a.wide ? vmax - vmin + h : vmax + h) / (H - kMargin);
  auto z = [&](int line, int col) -> double {
    return static_cast<double>(a.at(line, col)) - line + h + (a.wide ? 0 : vmin);
  };
  auto pt = [&](double o, double zz) {
    return TkPoint{kLeft + static_cast<int>(std::lround((o - omin) / p.xs)),
                   H - static_cast<int>(std::lround((zz - vmin) / p.ys)) - kBottom};
  };
  const int last = h - 3;  // the nearest line drawn
  auto base = [&](int L) { return L == last ? static_cast<double>(vmin) : static_cast<double>(vmin + h + 1 - L); };
  // An edge face: the given column of every drawn line, closed down to the bases.
  auto face = [&](int col) {
    std::vector<TkPoint> f;
    for (int L = 0; L <= last; ++L) f.push_back(pt(col - 1 + L - h, z(L + 1, col)));
    f.push_back(pt(col - 1 + last - h, base(last)));
    f.push_back(pt(col - 1 - h, base(0)));
    p.polys.push_back(f);
    p.modes.push_back(4);
  };
  face(w - 1);
  for (int L = 0; L <= last; ++L) {
    std::vector<TkPoint> poly;
    for (int c = 0; c + 1 < w; ++c) poly.push_back(pt(c + L - h, z(L + 1, c + 1)));
    poly.push_back(pt((w - 2) + L - h, base(L)));
    poly.push_back(pt(L - h, base(L)));
    p.polys.push_back(poly);
    p.modes.push_back(5);
  }
  face(1);
  return p;
}

std::string ui_plot_caption(const PlotArea& a, long vmax, int orientation) {
  const char* fmt = ui_msg(255);
  const char* turn = ui_msg(251 + std::clamp(orientation, 0, 3));
  char buf[256];
  std::snprintf(buf, sizeof buf, fmt ? fmt : "Lines 0 to %ld, columns 0 to %ld, highest value %ld, %s",
                static_cast<long>(a.h - 2), static_cast<long>(a.w - 1), vmax, turn ? turn : "");
  return buf;
}

void ui_plot_activate(TK_OBJ owner, const char* path, TkPoint start, TkPoint end, const char* folder) {
  ui_result_note(&s_last, "ui_plot_activate", path, start, end);
  std::snprintf(s_folder, sizeof s_folder, "%s", folder ? folder : "");
  TK_OBJ win = WIN_Load("ui_plot", "ui_plot_win");
  if (!win) return;
  auto* w = new PlotWin;
  w->path = path ? path : "";
  w->rect[0] = start.x, w->rect[1] = start.y, w->rect[2] = end.x, w->rect[3] = end.y;
  RES_SetData(win, static_cast<UiResultData*>(w));
  RES_SetNfy(win, ui_result_winNfy);
  RES_SetNfy(RES_GetSub(win, 2), plot_areaNfy);
  for (int part : {0, 1, 3}) RES_SetNfy(RES_GetSub(win, part), plot_partNfy);
  if (owner) WIN_SetOwner(win, owner);
  WIN_Init(win);
  ui_wpos_place_size(win, 95, 100, FALSE, 50, 40);
  const std::string own = WIN_GetTitle(win) ? WIN_GetTitle(win) : "";
  WIN_SetTitle(win, ui_hist_title(own.c_str(), path).c_str());
  DRAW_SetColors(RES_GetSub(win, 2), 0x000000, 0xFFFFFF);
  WIN_Show(win);
  WGT_Redraw(RES_GetSub(win, 2));
}

const UiResultCall& ui_plot_last() { return s_last; }
