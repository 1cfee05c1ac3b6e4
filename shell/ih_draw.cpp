// The drawing layer: image-pixel primitives over a drawing area, and the lane, band and
// standards drawings built from them.
#include "shell/ih_draw.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "base/slog.h"
#include "engine/std_sort.h"
#include "shell/gt_chart.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_print.h"
#include "toolkit/tk_res.h"

namespace {

// The program's one pen, made on first use and kept for the run.
TK_OBJ program_pen() {
  static TK_OBJ pen = nullptr;
  if (!pen) {
    pen = PEN_New();
    ih_copy_pen(pen, PEN_Default());
    PEN_SetSize(pen, 1, 1);
  }
  return pen;
}

TkColor colour_of(int code, TkColor own) { return code >= 0 && code <= 11 ? DRAW_StockColor(code) : own; }

// The canvas mapping of one primitive: where image pixel (0, 0) lands and the clip rectangle.
struct Canvas {
  TkPoint origin;
  TkRect clip;
};

Canvas canvas_of(TK_OBJ area, const IMG_DATA* disp) {
  Canvas c;
  if (!area || !disp) return c;
  const TkRect extent{0, 0, ih_displayed_extent(disp->img_width, disp->zoom[0]),
                      ih_displayed_extent(disp->img_height, disp->zoom[0])};
  CANVAS_Map(area, extent, 1, &c.origin, &c.clip);
  return c;
}

double scale_of(const IMG_DATA* disp) { return disp->scale > 0.0 ? disp->scale : 1.0; }

// trunc(trunc(c / scale) * f): a coordinate or size in viewport pixels without the origin. Held
// to the int range so that absurd inputs cannot overflow.
int map_value(int c, const IMG_DATA* disp) {
  const double s = std::trunc(static_cast<double>(c) / scale_of(disp));
  const double v = std::trunc(s * ih_zoom_factor(disp->zoom[0]));
  const double lim = std::numeric_limits<int>::max() / 4;
  return static_cast<int>(std::clamp(v, -lim, lim));
}

// Runs `draw` inside a drawing bracket on the clip of the canvas mapping.
template <typename F>
void bracket(TK_OBJ area, const Canvas& c, F draw) {
  if (DRAW_Begin(area, &c.clip)) {
    draw();
    DRAW_End(area);
  }
}

void set_colour(TK_OBJ area, int code) { ih_ann_draw_config(area, code, 10, -1); }

bool fits16(int v) { return v >= INT16_MIN && v <= INT16_MAX; }

}  // namespace

// Configuration --------------------------------------------------------------------------------

void ih_ann_draw_config(TK_OBJ area, int fg_code, int bg_code, int width_code) {
  if (!area) return;
  TK_OBJ pen = program_pen();
  DRAW_SetColors(area, colour_of(fg_code, DRAW_GetForeground(area)),
                 colour_of(bg_code, DRAW_GetBackground(area)));
  if (width_code >= 0 && width_code <= 3) PEN_SetSize(pen, 1 + 2 * width_code, 1 + 2 * width_code);
  DRAW_SetPen(area, pen);
  DRAW_SetMode(area, DRAW_StockMode());
}

TK_OBJ ih_get_font(int family, int size_index, int style) {
  static const char* const families[] = {"cour", "helv", "times"};
  static const char* const sizes[] = {"12", "24", "36", "48"};
  static const char* const styles[] = {"", "_bold", "_ital"};
  if (family < 0 || family > 2 || size_index < 0 || size_index > 3 || style < 0 || style > 2)
    return nullptr;
  const std::string name = std::string("ui_font_") + families[family] + "_" + sizes[size_index] +
                           styles[style];
  return RES_LoadFont("ui_font", name.c_str());
}

void ih_ann_text_config(TK_OBJ area, int family, int size_index, int style) {
  static const char* fn = "ih_ann_text_config";
  SLOG(fn, SLOG_ENTRY, "wgt 0p%p, fname %d, fsize %d, fstyle %d", static_cast<void*>(area), family,
       size_index, style);
  if (!area) {
    SLOG(fn, SLOG_EXIT, "wgt NULL");
    return;
  }
  DRAW_SetPen(area, PEN_Default());
  DRAW_SetMode(area, DRAW_StockMode());
  TK_OBJ font = ih_get_font(family, size_index, style);
  SLOG(fn, SLOG_VALUE4, "font 0p%p", static_cast<void*>(font));
  if (font) DRAW_SetFont(area, font);
}

// Mapping ----------------------------------------------------------------------------------------

double ih_zoom_factor(int zoom) {
  if (zoom > 0) return zoom;
  if (zoom < 0) return -1.0 / zoom;
  return 1.0;
}

int ih_displayed_extent(int n, int zoom) {
  if (zoom >= 1) return n * zoom;
  if (zoom < 0) return -(n / zoom);
  return n;
}

int ih_map_size(int s, const IMG_DATA* disp) { return disp ? map_value(s, disp) : s; }

TkPoint ih_map_point(TK_OBJ area, int x, int y, const IMG_DATA* disp) {
  if (!disp) return {x, y};
  const Canvas c = canvas_of(area, disp);
  return {map_value(x, disp) + c.origin.x, map_value(y, disp) + c.origin.y};
}

// Primitives -------------------------------------------------------------------------------------

void ih_draw_box(TK_OBJ area, int x1, int y1, int x2, int y2, const IMG_DATA* disp) {
  static const char* fn = "ih_draw_box";
  const Canvas c = canvas_of(area, disp);
  if (!area || !disp) {
    SLOG(fn, SLOG_WARN, "wgt or image NULL");
    return;
  }
  if (x1 < 0 || y1 < 0 || x2 < 0 || y2 < 0) {
    SLOG(fn, SLOG_WARN, "coordinate < 0");
    return;
  }
  const int X1 = map_value(x1, disp) + c.origin.x, Y1 = map_value(y1, disp) + c.origin.y;
  const int X2 = map_value(x2, disp) + c.origin.x, Y2 = map_value(y2, disp) + c.origin.y;
  const TkRect r{std::min(X1, X2), std::min(Y1, Y2), std::abs(X2 - X1), std::abs(Y2 - Y1)};
  bracket(area, c, [&] { DRAW_Rect(area, r); });
}

namespace {

// The viewport rectangle of a w by h box centred on (cx, cy); false when nothing is to be drawn.
bool centred_rect(TK_OBJ area, int cx, int cy, int w, int h, const IMG_DATA* disp, Canvas* c,
                  TkRect* r) {
  *c = canvas_of(area, disp);
  if (!area || !disp || cx < 0 || cy < 0 || w < 0 || h < 0) return false;
  const int X = map_value(cx, disp) + c->origin.x, Y = map_value(cy, disp) + c->origin.y;
  const int W = map_value(w, disp), H = map_value(h, disp);
  *r = {X - W / 2, Y - H / 2, W, H};
  return true;
}

}  // namespace

void ih_draw_rect_centred(TK_OBJ area, int cx, int cy, int w, int h, const IMG_DATA* disp) {
  Canvas c;
  TkRect r;
  if (centred_rect(area, cx, cy, w, h, disp, &c, &r)) bracket(area, c, [&] { DRAW_Rect(area, r); });
}

void ih_draw_oval(TK_OBJ area, int cx, int cy, int w, int h, const IMG_DATA* disp) {
  Canvas c;
  TkRect r;
  if (centred_rect(area, cx, cy, w, h, disp, &c, &r)) bracket(area, c, [&] { DRAW_Oval(area, r); });
}

void ih_draw_arc(TK_OBJ area, int cx, int cy, int w, int h, double start, double end,
                 const IMG_DATA* disp) {
  Canvas c;
  TkRect r;
  if (centred_rect(area, cx, cy, w, h, disp, &c, &r))
    bracket(area, c, [&] { DRAW_Arc(area, r, start, end); });
}

void ih_draw_line(TK_OBJ area, int x1, int y1, int x2, int y2, const IMG_DATA* disp) {
  static const char* fn = "ih_draw_line";
  const Canvas c = canvas_of(area, disp);
  if (!area || !disp) {
    SLOG(fn, SLOG_WARN, "wgt NULL, no draw");
    return;
  }
  if (x1 < 0 || y1 < 0 || x2 < 0 || y2 < 0) {
    SLOG(fn, SLOG_WARN, "coord negative, no draw");
    return;
  }
  const int X1 = map_value(x1, disp) + c.origin.x, Y1 = map_value(y1, disp) + c.origin.y;
  const int X2 = map_value(x2, disp) + c.origin.x, Y2 = map_value(y2, disp) + c.origin.y;
  bracket(area, c, [&] { DRAW_Line(area, X1, Y1, X2, Y2); });
}

void ih_draw_poly(TK_OBJ area, int* points, int n, int closed, int second, const IMG_DATA* disp) {
  ih_draw_poly_mode(area, points, n, (closed ? 1 : 0) | (second ? 6 : 0), disp);
}

void ih_draw_poly_mode(TK_OBJ area, int* points, int n, int mode, const IMG_DATA* disp) {
  const Canvas c = canvas_of(area, disp);
  if (!area || !disp || !points || n <= 0) return;
  for (int i = 0; i < 2 * n; ++i) points[i] = map_value(points[i], disp);
  std::vector<int> v(static_cast<std::size_t>(2 * n));
  bool small = true;
  for (int i = 0; i < n; ++i) {
    v[2 * i] = points[2 * i] + c.origin.x;
    v[2 * i + 1] = points[2 * i + 1] + c.origin.y;
    small = small && fits16(v[2 * i]) && fits16(v[2 * i + 1]);
  }
  bracket(area, c, [&] {
    if (small) {
      std::vector<std::int16_t> p(v.begin(), v.end());
      DRAW_Poly(area, n, p.data(), mode);
      return;
    }
    // Far outside the view at a high zoom the toolkit's 16-bit point list would wrap: draw the
    // edges one by one with int coordinates instead.
    for (int i = 0; i + 1 < n; ++i) DRAW_Line(area, v[2 * i], v[2 * i + 1], v[2 * i + 2], v[2 * i + 3]);
    if ((mode & 1) && n > 2) DRAW_Line(area, v[2 * n - 2], v[2 * n - 1], v[0], v[1]);
  });
}

namespace {

void draw_text_at(TK_OBJ area, int x, int y, const char* text, const IMG_DATA* disp, int centred,
                  int extra) {
  const Canvas c = canvas_of(area, disp);
  if (!area || !disp || !text || x < 0 || y < 0) return;
  int w = 0, asc = 0, desc = 0;
  DRAW_TextMetrics(area, text, &w, &asc, &desc);
  const int h = asc + desc;
  int X = map_value(x, disp) + c.origin.x, Y = map_value(y, disp) + c.origin.y;
  if (centred == IH_TEXT_CENTRED_ACROSS) {
    X -= w / 2;
  } else if (centred) {
    X -= w / 2 + extra;
    Y -= h / 2 + extra;
  }
  const TkRect box{X, Y, w, h};
  bracket(area, c, [&] { DRAW_TextInBox(area, box, 1, text); });
}

}  // namespace

void ih_draw_text(TK_OBJ area, int x, int y, const char* text, const IMG_DATA* disp, int centred) {
  draw_text_at(area, x, y, text, disp, centred, 0);
}

void ih_draw_char(TK_OBJ area, int x, int y, char ch, const IMG_DATA* disp, int centred) {
  const char text[2] = {ch, '\0'};
  draw_text_at(area, x, y, text, disp, centred, centred ? 1 : 0);
}

void ih_draw_tick(TK_OBJ area, int x, int y, int length, const IMG_DATA* disp, int both) {
  const Canvas c = canvas_of(area, disp);
  if (!area || !disp || x < 0 || y < 0 || length < 0) return;
  const int X = map_value(x, disp) + c.origin.x, Y = map_value(y, disp) + c.origin.y;
  const int L = map_value(length, disp);
  bracket(area, c, [&] {
    DRAW_Line(area, X - L / 2, Y, X + L / 2, Y);
    if (both) DRAW_Line(area, X, Y - L / 2, X, Y + L / 2);
  });
}

void ih_draw_x(TK_OBJ area, int cx, int cy, int size, const IMG_DATA* disp) {
  const Canvas c = canvas_of(area, disp);
  if (!area || !disp || cx < 0 || cy < 0 || size < 0) return;
  const int X = map_value(cx, disp) + c.origin.x, Y = map_value(cy, disp) + c.origin.y;
  const int h = map_value(size / 2, disp);
  bracket(area, c, [&] { DRAW_Line(area, X - h, Y - h, X + h, Y + h); });
  bracket(area, c, [&] { DRAW_Line(area, X + h, Y - h, X - h, Y + h); });
}

// Composite drawings -----------------------------------------------------------------------------

void ih_draw_lane(TK_OBJ area, const LANE* lane, const IMG_DATA* disp, int outline, int label,
                  int marks, int end_marks, int char_index, int end_colour) {
  if (!area || !disp || !lane || lane->num_center_points <= 0 || !lane->center_coords) return;
  const int n = lane->num_center_points;
  const LN_POINT* pt = lane->center_coords;
  const int zoom = disp->zoom[0];

  if (label || end_marks) {
    const int m = std::clamp(15 - 2 * zoom, 2, 30);
    char text[64];
    const char* chars_value = nullptr;
    if (char_index >= 0 && char_index < lane->num_lane_chars && lane->lane_chars &&
        lane->lane_chars[char_index])
      chars_value = lane->lane_chars[char_index]->value;
    if (lane->lane_name[0] != '\0')
      std::snprintf(text, sizeof text, "%.*s", static_cast<int>(sizeof lane->lane_name), lane->lane_name);
    else
      std::snprintf(text, sizeof text, "%ld", static_cast<long>(lane->lane_number));
    const char* shown = chars_value ? chars_value : text;
    const int top_x = chars_value ? pt[0].x - lane->left_width : pt[0].x - 3;
    const int top_y = pt[0].y - m;
    const int bot_x = chars_value ? pt[n - 1].x - lane->left_width : pt[n - 1].x - 3;
    const int bot_y = pt[n - 1].y;
    if (label && chars_value) {
      ih_draw_text(area, top_x, top_y, shown, disp, 0);
      ih_draw_text(area, bot_x, bot_y, shown, disp, 0);
    } else if (label) {
      // The lane's name or number stands centred over its first and under its last centre point,
      // however long the name is.
      ih_draw_text(area, pt[0].x, top_y, shown, disp, IH_TEXT_CENTRED_ACROSS);
      ih_draw_text(area, pt[n - 1].x, bot_y, shown, disp, IH_TEXT_CENTRED_ACROSS);
    }
    if (end_marks) {
      const TkColor fg = DRAW_GetForeground(area);
      ih_ann_draw_config(area, end_colour, 10, -1);
      ih_draw_text(area, top_x, top_y - 6, "*", disp, 0);
      ih_draw_text(area, bot_x, bot_y + 12, "*", disp, 0);
      DRAW_SetColors(area, fg, DRAW_GetBackground(area));
    }
  }

  const int s = std::clamp(6 - zoom, 2, 10);
  if (!outline) {
    for (int i = 0; i + 1 < n; ++i) ih_draw_line(area, pt[i].x, pt[i].y, pt[i + 1].x, pt[i + 1].y, disp);
    if (marks)
      for (int i = 0; i < n; ++i) ih_draw_rect_centred(area, pt[i].x, pt[i].y, s, s, disp);
    return;
  }

  std::vector<int> poly(static_cast<std::size_t>(4 * n));
  for (int i = 0; i < n; ++i) {
    poly[2 * i] = pt[i].x - lane->left_width;
    poly[2 * i + 1] = pt[i].y;
    poly[2 * (2 * n - 1 - i)] = pt[i].x + lane->right_width;
    poly[2 * (2 * n - 1 - i) + 1] = pt[i].y;
  }
  ih_draw_poly(area, poly.data(), 2 * n, 1, 1, disp);
  if (marks) {
    for (int i = 0; i < n; ++i) {
      if (i + 1 < n) ih_draw_line(area, pt[i].x, pt[i].y, pt[i + 1].x, pt[i + 1].y, disp);
      ih_draw_rect_centred(area, pt[i].x - lane->left_width, pt[i].y, s, s, disp);
      ih_draw_rect_centred(area, pt[i].x + lane->right_width, pt[i].y, s, s, disp);
      ih_draw_rect_centred(area, pt[i].x, pt[i].y, s, s, disp);
    }
  }
}

void ih_draw_band_mark(TK_OBJ area, const SPOT* band, const int* index_rec, const char* table,
                       const IMG_DATA* disp, int alternate, int no_char, int cross, int colour_a,
                       int colour_b, int colour_c, int colour_d) {
  if (!area || !band || !disp) return;
  const unsigned k = (band->f1 >> 6) & 3u;
  const bool reference = (band->f2 & (SP_F2_IMG_NORM | SP_F2_LANE_NORM)) != 0;
  int colour;
  if (k == 1)
    colour = reference ? colour_c : colour_d;
  else if (k == 2)
    colour = ((band->f2 & 1u) && alternate) ? colour_b : colour_a;
  else if (band->f2 & 2u)
    colour = colour_a;
  else if (reference)
    colour = colour_c;
  else if (band->f2 & SP_F2_SELECTED)
    colour = colour_d;
  else
    colour = colour_c;
  set_colour(area, colour);
  if (!no_char && k == 2) {
    const char ch = index_rec && table ? table[index_rec[2]] : '?';
    ih_draw_char(area, band->x, band->y, ch, disp, 1);
  } else {
    ih_draw_tick(area, band->x, band->y, 10, disp, cross && (band->f1 & SP_F1_TOOL_MARK));
  }
}

void ih_draw_point_label(TK_OBJ area, int x, int y, int size, const IMG_DATA* disp, double value,
                         int digits, int circle) {
  if (circle)
    ih_draw_oval(area, x, y, size, size, disp);
  else
    ih_draw_x(area, x, y, size, disp);
  char text[64];
  std::snprintf(text, sizeof text, "%.*lf", std::clamp(digits, 0, 15), value);
  ih_draw_text(area, x + size / 2 + 2, y, text, disp, 0);
}

STD_MARKER* ih_std_row_first(STD_LIST* list, double value) {
  if (!list || !list->records) return nullptr;
  if (!list->clean) std_sort_if_dirty(list);
  for (int i = 0; i < list->count; ++i) {
    STD_MARKER* m = &list->records[i];
    if (std::fabs(m->value - value) < 0.0001) {
      // Walk back to the head of the row chain; a broken chain cannot loop for ever.
      for (int guard = 0; m->prev_val && guard < list->count; ++guard) m = m->prev_val;
      return m;
    }
  }
  return nullptr;
}

namespace {

int rnd(double v) { return static_cast<int>(std::floor(v + 0.5)); }

// x at which the line through a and b reaches column x_at; a's y when the line is vertical.
int y_on_line(const STD_MARKER* a, const STD_MARKER* b, double x_at) {
  const double dx = b->x - a->x;
  if (std::fabs(dx) < 1e-12) return rnd(a->y);
  return rnd(a->y + (b->y - a->y) * (x_at - a->x) / dx);
}

}  // namespace

void ih_draw_std_rows(TK_OBJ area, STD_LIST* list, const IMG_DATA* disp, int line, int cross,
                      double highlighted, int colour_p, int colour_q) {
  if (!area || !list || !disp) return;
  ih_ann_draw_config(area, colour_p, 10, 0);
  char fmt[32];
  std::snprintf(fmt, sizeof fmt, "%%.%ldlf", static_cast<long>(std::max(0, list->precision)));
  const int right_edge = static_cast<int>(disp->img_width * scale_of(disp));
  const int rows = std_num_rows(list);
  for (int r = 0; r < rows; ++r) {
    const double v = std_get_row_value(list, r);
    if (std::fabs(v - highlighted) < 0.0001) continue;
    char text[64];
    std::snprintf(text, sizeof text, fmt, v);
    STD_MARKER* first = ih_std_row_first(list, v);
    if (!first) continue;
    std::vector<STD_MARKER*> row;
    for (STD_MARKER* m = first; m && static_cast<int>(row.size()) < list->count; m = m->next_val)
      row.push_back(m);
    bool active = false;
    for (STD_MARKER* m : row) active = active || ((m->flags & STD_M_VALID) && !(m->flags & STD_M_DELETE));
    const int row_colour = active ? colour_p : colour_q;
    auto marker_colour = [&](const STD_MARKER* m) { return (m->flags & STD_M_DELETE) ? colour_q : colour_p; };

    if (row.size() >= 2) {
      for (std::size_t i = 1; i < row.size(); ++i) {
        if (line) {
          set_colour(area, row_colour);
          ih_draw_line(area, rnd(row[i]->x), rnd(row[i]->y), rnd(row[i - 1]->x), rnd(row[i - 1]->y), disp);
        }
        if (cross && (row[i]->flags & STD_M_VALID)) {
          set_colour(area, marker_colour(row[i]));
          ih_draw_x(area, rnd(row[i]->x), rnd(row[i]->y), 10, disp);
        }
      }
    }
    if (!line || row.size() == 1) {
      set_colour(area, marker_colour(first));
      ih_draw_x(area, rnd(first->x), rnd(first->y), 10, disp);
      ih_draw_text(area, rnd(first->x) + 5, rnd(first->y) - 2, text, disp, 0);
      if (line) ih_draw_line(area, 0, rnd(first->y), right_edge, rnd(first->y), disp);
      continue;
    }
    for (const STD_MARKER* m : {row.front(), row.back()}) {
      set_colour(area, marker_colour(m));
      ih_draw_text(area, rnd(m->x) + 5, rnd(m->y) - 2, text, disp, 0);
      if (cross && (m->flags & STD_M_VALID)) ih_draw_x(area, rnd(m->x), rnd(m->y), 10, disp);
    }
    set_colour(area, row_colour);
    const STD_MARKER* a = row[0];
    const STD_MARKER* b = row[1];
    ih_draw_line(area, rnd(a->x), rnd(a->y), 0, y_on_line(a, b, 0.0), disp);
    const STD_MARKER* y1 = row[row.size() - 2];
    const STD_MARKER* z = row.back();
    ih_draw_line(area, rnd(z->x), rnd(z->y), right_edge, y_on_line(y1, z, right_edge), disp);
  }
}

void ih_draw_std_curve(TK_OBJ area, const IMG_DATA* disp, STD_LIST* list) {
  if (!area || !disp || !list || !list->records || list->count < 2) return;
  // Sorting by x moves the records, so the list's links no longer hold: mark it dirty.
  std::sort(list->records, list->records + list->count,
            [](const STD_MARKER& a, const STD_MARKER& b) { return a.x < b.x; });
  list->clean = 0;
  for (int i = 0; i + 1 < list->count; ++i) {
    const STD_MARKER& a = list->records[i];
    const STD_MARKER& b = list->records[i + 1];
    if (a.flags & STD_M_VALID) ih_draw_x(area, rnd(a.x), rnd(a.y), 10, disp);
    ih_draw_line(area, rnd(a.x), rnd(a.y), rnd(b.x), rnd(b.y), disp);
  }
}

void ih_copy_pen(TK_OBJ dest, TK_OBJ src) {
  if (!dest || !src) return;
  const TkPoint size = PEN_GetSize(src);
  PEN_SetSize(dest, size.x, size.y);
}

void ks_xdraw_text(TkPrintDC* dc, TK_OBJ widget, int x, int y, int flags, const char* text) {
  if (dc)
    PDC_TextOut(dc, int16_t(x), int16_t(y), text);
  else
    ks_draw_text(widget, x, y, flags, text);
}

void ks_xdraw_line(TkPrintDC* dc, TK_OBJ widget, int x1, int y1, int x2, int y2) {
  if (dc)
    PDC_Line(dc, x1, y1, x2, y2);
  else
    ks_draw_line(widget, x1, y1, x2, y2);
}

void ks_xdraw_text_size(TkPrintDC*, TK_OBJ widget, const char* text, short* width, short* height) {
  ks_draw_text_size(widget, text, width, height);
}
