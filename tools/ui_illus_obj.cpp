// Annotation objects: making, deleting, duplicating, measuring, moving and painting them.
#include "tools/ui_illus_obj.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/ks_mem.h"
#include "base/slog.h"
#include "engine/lane_geometry.h"
#include "shell/ih_draw.h"
#include "toolkit/tk_draw.h"
#include "tools/ui_illus.h"

namespace {

constexpr double kRightAngle = 1.57079632679;
// The arrowhead wings leave the shaft at this angle (radians) on either side.
constexpr double kWingAngle = 10.0;

bool is_poly(int type) {
  return type == COMM_T_POLYLINE || type == COMM_T_POLYGON || type == COMM_T_POLYGON2;
}
bool is_line(int type) { return type == COMM_T_LINE || type == COMM_T_LINE2; }
bool has_points(int type) { return is_poly(type) || type == COMM_T_FREE; }

// Words of the fixed data records.
int fixed_words(int type) {
  switch (type) {
    case COMM_T_CIRCLE: return 3;
    case COMM_T_GRID: return 5;
    case COMM_T_BOX:
    case COMM_T_LINE:
    case COMM_T_ARC:
    case COMM_T_LINE2: return 4;
    default: return 0;
  }
}

COMM_OBJ* head_of(const IMG_DATA* disp) { return disp ? static_cast<COMM_OBJ*>(disp->annot_first) : nullptr; }

int width_code(const COMM_OBJ* o) { return o->line_style ? o->line_style[0] : 0; }
int arrow_mode(const COMM_OBJ* o) { return o->line_style ? o->line_style[2] : 0; }

// The point list of a point-list object (count 0 and null when it has none).
struct Points {
  int count = 0;
  COMM_PT* pts = nullptr;
  bool closed = false;
};
Points points_of(const COMM_OBJ* o) {
  Points p;
  if (!o->data) return p;
  if (is_poly(o->type)) {
    auto* d = static_cast<const COMM_POLY_DATA*>(o->data);
    p.count = d->points ? d->count : 0;
    p.pts = d->points;
    p.closed = d->open == 0;
  } else if (o->type == COMM_T_FREE) {
    auto* d = static_cast<const COMM_FREE_DATA*>(o->data);
    p.count = d->points ? d->count : 0;
    p.pts = d->points;
  }
  return p;
}

const int32_t* words(const COMM_OBJ* o) { return static_cast<const int32_t*>(o->data); }

IllusShape line(int x1, int y1, int x2, int y2) {
  IllusShape s{IllusShape::LINE};
  s.v[0] = x1, s.v[1] = y1, s.v[2] = x2, s.v[3] = y2;
  return s;
}
IllusShape box(int x1, int y1, int x2, int y2) {
  IllusShape s = line(x1, y1, x2, y2);
  s.kind = IllusShape::BOX;
  return s;
}
IllusShape oval(int cx, int cy, int w, int h) {
  IllusShape s = line(cx, cy, w, h);
  s.kind = IllusShape::OVAL;
  return s;
}

void point_segments(const Points& p, int dx, int dy, bool close, std::vector<IllusShape>& out) {
  for (int i = 0; i + 1 < p.count; ++i)
    out.push_back(line(p.pts[i].x - dx, p.pts[i].y - dy, p.pts[i + 1].x - dx, p.pts[i + 1].y - dy));
  if (close && p.count >= 1)
    out.push_back(line(p.pts[p.count - 1].x - dx, p.pts[p.count - 1].y - dy, p.pts[0].x - dx, p.pts[0].y - dy));
}

// One filled triangle: the tip and two wings at L along angle t +- the wing angle, sign s.
IllusShape head(int tx, int ty, double t, int s, int len) {
  IllusShape h{IllusShape::HEAD};
  h.v[0] = tx, h.v[1] = ty;
  const double a1 = t + kWingAngle, a2 = t - kWingAngle;
  h.v[2] = static_cast<int>(std::trunc(tx + s * len * std::cos(a1)));
  h.v[3] = static_cast<int>(std::trunc(ty + s * len * std::sin(a1)));
  h.v[4] = static_cast<int>(std::trunc(tx + s * len * std::cos(a2)));
  h.v[5] = static_cast<int>(std::trunc(ty + s * len * std::sin(a2)));
  return h;
}

double slope_angle(int x1, int y1, int x2, int y2) {
  return x1 == x2 ? kRightAngle : std::atan(static_cast<double>(y2 - y1) / (x2 - x1));
}

bool direction_flag(int x1, int y1, int x2, int y2) { return x1 != x2 ? x1 >= x2 : y1 >= y2; }

// Moves one arrowed end toward the other end so that the shaft stops inside the head.
void pull_end(int& x, int& y, int ox, int oy, int w, int x1, int y1, int x2, int y2) {
  auto toward = [](int v, int other, int by) { return v < other ? v + by : v > other ? v - by : v; };
  if (x1 == x2) {
    y = toward(y, oy, w);
  } else if (y1 == y2) {
    x = toward(x, ox, w);
  } else {
    const double t = slope_angle(x1, y1, x2, y2);
    x = toward(x, ox, static_cast<int>(std::trunc(8.0 * std::fabs(std::cos(t)))));
    y = toward(y, oy, static_cast<int>(std::trunc(8.0 * std::fabs(std::sin(t)))));
  }
}

void line_shapes(const COMM_OBJ* o, std::vector<IllusShape>& out) {
  const int32_t* d = words(o);
  const int x1 = d[0], y1 = d[1], x2 = d[2], y2 = d[3];
  const int w = width_code(o), mode = arrow_mode(o);
  int ax = x1, ay = y1, bx = x2, by = y2;
  if (mode & 2) pull_end(ax, ay, x2, y2, w, x1, y1, x2, y2);
  if (mode & 1) pull_end(bx, by, x1, y1, w, x1, y1, x2, y2);
  out.push_back(line(ax, ay, bx, by));
  const int len = 4 * w + 8;
  const bool f = direction_flag(x1, y1, x2, y2);
  const double t = slope_angle(x1, y1, x2, y2);
  if (mode & 2) out.push_back(head(x1, y1, t, f ? 1 : -1, len));
  if (mode & 1) out.push_back(head(x2, y2, t, f ? -1 : 1, len));
}

void arc_shapes(const COMM_OBJ* o, std::vector<IllusShape>& out) {
  const int32_t* d = words(o);
  const int x1 = d[0], y1 = d[1], x2 = d[2], y2 = d[3];
  IllusShape a = oval(x1, y2, 2 * std::abs(x1 - x2), 2 * std::abs(y1 - y2));
  a.kind = IllusShape::ARC;
  if (x1 < x2 && y1 < y2) {
    a.start = 0, a.end = 90;
  } else if (x1 < x2) {
    a.start = 270, a.end = 360;
  } else if (y1 < y2) {
    a.start = 90, a.end = 180;
  } else {
    a.start = 180, a.end = 270;
  }
  out.push_back(a);
  const int w = width_code(o), mode = arrow_mode(o), len = 4 * w + 8;
  if (mode & 2) {
    const bool f = direction_flag(x1, y1, x2, y2);
    out.push_back(head(x1 < x2 ? x1 - w : x1 + w, y1, 0.0, f ? 1 : -1, len));
  }
  if (mode & 1) {
    bool f = direction_flag(x1, y1, x2, y2);
    int ty;
    if (y1 < y2) {
      ty = y2 + w;
      if (x1 > x2) f = false;
    } else {
      ty = y2 - w;
      if (x1 < x2) f = true;
    }
    out.push_back(head(x2, ty, kRightAngle, f ? -1 : 1, len));
  }
}

void grid_shapes(const COMM_OBJ* o, std::vector<IllusShape>& out) {
  const int32_t* d = words(o);
  out.push_back(box(d[0], d[1], d[2], d[3]));
  // A spacing of 0 or less (a stored file can hold one) draws the frame only.
  if (d[4] <= 0) return;
  const int left = std::min(d[0], d[2]), right = std::max(d[0], d[2]);
  const int top = std::min(d[1], d[3]), bottom = std::max(d[1], d[3]);
  const long long step = static_cast<long long>(kIllusGridStep) * d[4];
  for (long long k = 0; k <= bottom - top; k += step)
    out.push_back(line(left, top + static_cast<int>(k), right, top + static_cast<int>(k)));
  for (long long k = 0; k <= right - left; k += step)
    out.push_back(line(left + static_cast<int>(k), top, left + static_cast<int>(k), bottom));
}


void append(IMG_DATA* disp, COMM_OBJ* o) {
  auto* tail = static_cast<COMM_OBJ*>(disp->annot_last);
  if (!tail) tail = head_of(disp);
  while (tail->next) tail = tail->next;
  tail->next = o;
  disp->annot_last = o;
}

// The dummy head, made on first use; null when memory runs out.
COMM_OBJ* ensure_head(IMG_DATA* disp) {
  if (!disp->annot_first) {
    auto* h = static_cast<COMM_OBJ*>(ks_alloc_msg(sizeof(COMM_OBJ)));
    if (!h) return nullptr;
    std::memset(h, 0, sizeof *h);
    h->type = -1;
    disp->annot_first = disp->annot_last = h;
  }
  return head_of(disp);
}

int* alloc_words(int n) {
  auto* p = static_cast<int*>(ks_alloc_msg(sizeof(int) * static_cast<std::size_t>(n)));
  if (p) std::memset(p, 0, sizeof(int) * static_cast<std::size_t>(n));
  return p;
}

// A copy of the object's data shifted by (10, 10); null when memory runs out.
void* copy_data(const COMM_OBJ* o) {
  constexpr int kShift = 10;
  if (!o->data) return nullptr;
  if (o->type == COMM_T_TEXT) {
    auto* s = static_cast<const COMM_TEXT_DATA*>(o->data);
    auto* t = static_cast<COMM_TEXT_DATA*>(ks_alloc_msg(sizeof(COMM_TEXT_DATA)));
    if (!t) return nullptr;
    *t = *s;
    t->x += kShift, t->y += kShift;
    t->string = nullptr;
    if (s->string && s->len > 0) {
      t->string = static_cast<char*>(ks_alloc_msg(static_cast<std::size_t>(s->len) + 1));
      if (!t->string) {
        ks_free(t);
        return nullptr;
      }
      std::memcpy(t->string, s->string, static_cast<std::size_t>(s->len));
      t->string[s->len] = '\0';
    } else {
      t->len = 0;
    }
    return t;
  }
  if (has_points(o->type)) {
    const Points p = points_of(o);
    COMM_PT* pts = nullptr;
    if (p.count > 0) {
      pts = static_cast<COMM_PT*>(ks_alloc_msg(sizeof(COMM_PT) * static_cast<std::size_t>(p.count)));
      if (!pts) return nullptr;
      for (int i = 0; i < p.count; ++i) pts[i] = {p.pts[i].x + kShift, p.pts[i].y + kShift};
    }
    if (is_poly(o->type)) {
      auto* d = static_cast<COMM_POLY_DATA*>(ks_alloc_msg(sizeof(COMM_POLY_DATA)));
      if (!d) return ks_free(pts), nullptr;
      *d = *static_cast<const COMM_POLY_DATA*>(o->data);
      d->count = p.count, d->points = pts;
      return d;
    }
    auto* d = static_cast<COMM_FREE_DATA*>(ks_alloc_msg(sizeof(COMM_FREE_DATA)));
    if (!d) return ks_free(pts), nullptr;
    d->count = p.count, d->points = pts;
    return d;
  }
  const int n = fixed_words(o->type);
  if (n == 0) return nullptr;
  int* d = alloc_words(n);
  if (!d) return nullptr;
  std::memcpy(d, o->data, sizeof(int) * static_cast<std::size_t>(n));
  // Every word but a circle's radius and a grid's spacing is a coordinate.
  const int coords = o->type == COMM_T_CIRCLE ? 2 : 4;
  for (int i = 0; i < coords; ++i) d[i] += kShift;
  return d;
}

int* copy_style(const int32_t* s) {
  if (!s) return nullptr;
  int* c = alloc_words(3);
  if (c) std::memcpy(c, s, 3 * sizeof(int));
  return c;
}

}  // namespace

COMM_OBJ* ui_illus_obj_create(IMG_DATA* disp, int type, int x, int y) {
  static const char* fn = "ui_illus_obj_create";
  if (!disp || type < COMM_T_TEXT || type > COMM_T_LINE2) return nullptr;
  if (!ensure_head(disp)) {
    SLOG(fn, SLOG_ERROR, "new_obj NULL");
    return nullptr;
  }
  auto* o = static_cast<COMM_OBJ*>(ks_alloc_msg(sizeof(COMM_OBJ)));
  if (!o) {
    SLOG(fn, SLOG_ERROR, "new_obj NULL");
    return nullptr;
  }
  std::memset(o, 0, sizeof *o);
  o->type = type;
  o->color = ui_illus_curr_color();
  o->place[0] = x, o->place[1] = y;
  bool ok = true;
  if (type == COMM_T_TEXT) {
    auto* t = static_cast<COMM_TEXT_DATA*>(ks_alloc_msg(sizeof(COMM_TEXT_DATA)));
    if (t) std::memset(t, 0, sizeof *t);
    o->data = t;
    if (!t) SLOG(fn, SLOG_ERROR, "COMM_T_TEXT new lcl_text NULL");
    o->font_style = alloc_words(3);
    if (!o->font_style) {
      SLOG(fn, SLOG_ERROR, "COMM_T_TEXT new lcl_font_style NULL");
    } else {
      o->font_style[0] = ui_illus_font_family();
      o->font_style[1] = ui_illus_font_style();
      o->font_style[2] = ui_illus_font_size();
    }
    ok = t && o->font_style;
  } else {
    if (is_poly(type)) {
      auto* p = static_cast<COMM_POLY_DATA*>(ks_alloc_msg(sizeof(COMM_POLY_DATA)));
      if (p) *p = COMM_POLY_DATA{0, nullptr, type == COMM_T_POLYLINE ? 1 : 0};
      o->data = p;
    } else if (type == COMM_T_FREE) {
      auto* p = static_cast<COMM_FREE_DATA*>(ks_alloc_msg(sizeof(COMM_FREE_DATA)));
      if (p) *p = COMM_FREE_DATA{0, nullptr};
      o->data = p;
    } else {
      int* d = alloc_words(fixed_words(type));
      if (d && type == COMM_T_GRID) d[4] = ui_illus_grid_spacing();
      o->data = d;
    }
    if (!o->data) SLOG(fn, SLOG_ERROR, "COMM_T_POLY_ lcl_poly NULL");
    o->line_style = alloc_words(3);
    if (!o->line_style) {
      SLOG(fn, SLOG_ERROR, "COMM_T_POLY_ lcl_line_style NULL");
    } else {
      o->line_style[0] = ui_illus_line_width();
      o->line_style[2] = is_line(type) || type == COMM_T_ARC ? ui_illus_arrows() : 0;
    }
    ok = o->data && o->line_style;
  }
  if (!ok) {
    io_free_comm_obj(o);
    return nullptr;
  }
  append(disp, o);
  disp->annot_selected = o;
  disp->modified = 1;
  return o;
}

void ui_illus_obj_delete(IMG_DATA* disp, COMM_OBJ* obj) {
  COMM_OBJ* prev = head_of(disp);
  if (!prev || !obj) return;
  while (prev->next && prev->next != obj) prev = prev->next;
  if (prev->next != obj) return;
  prev->next = obj->next;
  if (disp->annot_last == obj) disp->annot_last = prev;
  disp->annot_selected = nullptr;
  disp->modified = 1;
  io_free_comm_obj(obj);
}

void ui_illus_obj_delete_all(IMG_DATA* disp) {
  COMM_OBJ* h = head_of(disp);
  while (h && h->next) ui_illus_obj_delete(disp, h->next);
}

int ui_illus_obj_count(const IMG_DATA* disp) {
  int n = 0;
  for (const COMM_OBJ* o = head_of(disp); o && o->next; o = o->next) ++n;
  return n;
}

COMM_OBJ* ui_illus_obj_duplicate(IMG_DATA* disp, TK_OBJ area, COMM_OBJ* obj) {
  if (!disp || !obj || !head_of(disp)) return nullptr;
  auto* c = static_cast<COMM_OBJ*>(ks_alloc_msg(sizeof(COMM_OBJ)));
  if (!c) return nullptr;
  std::memset(c, 0, sizeof *c);
  c->type = obj->type;
  c->color = obj->color;
  c->font_style = copy_style(obj->font_style);
  c->line_style = copy_style(obj->line_style);
  c->data = copy_data(obj);
  if (!c->data || (obj->font_style && !c->font_style) || (obj->line_style && !c->line_style)) {
    io_free_comm_obj(c);
    return nullptr;
  }
  if (area && disp->annot_selected == obj) ui_illus_obj_offset(obj, disp, area, 0, 0, 0);
  append(disp, c);
  disp->annot_selected = c;
  ui_illus_set_encomp_rect(disp, c);
  return c;
}

void ui_illus_set_encomp_rect(IMG_DATA* disp, COMM_OBJ* o) {
  if (!o) {
    SLOG("ui_illus_set_encomp_rect", SLOG_ERROR, "trouble: bound_obj NULL");
    return;
  }
  if (!o->data) return;
  const int w = width_code(o);
  int* r = o->place;
  if (o->type == COMM_T_TEXT) {
    auto* t = static_cast<const COMM_TEXT_DATA*>(o->data);
    const int* fs = o->font_style;
    TK_OBJ font = fs ? ih_get_font(fs[0], fs[2], fs[1]) : nullptr;
    int advance = 0, up = 0, down = 0;
    for (int i = 0; t->string && i < t->len; ++i) {
      int a = 0, u = 0, d = 0;
      FONT_CharMetrics(font, static_cast<unsigned char>(t->string[i]), &a, &u, &d);
      advance += a, up = std::max(up, u), down = std::max(down, d);
    }
    r[0] = t->x - 1, r[1] = t->y, r[2] = t->x + 1 + advance, r[3] = t->y + up + down + 4;
  } else if (o->type == COMM_T_CIRCLE) {
    const int32_t* d = words(o);
    r[0] = d[0] - w - d[2], r[2] = d[0] + w + d[2];
    r[1] = d[1] - w - d[2], r[3] = d[1] + w + d[2];
  } else if (has_points(o->type)) {
    const Points p = points_of(o);
    if (p.count <= 0) return;
    int x0 = p.pts[0].x, x1 = x0, y0 = p.pts[0].y, y1 = y0;
    for (int i = 1; i < p.count; ++i) {
      x0 = std::min(x0, p.pts[i].x), x1 = std::max(x1, p.pts[i].x);
      y0 = std::min(y0, p.pts[i].y), y1 = std::max(y1, p.pts[i].y);
    }
    r[0] = x0 - w - 1, r[1] = y0 - w - 1, r[2] = x1 + w + 1, r[3] = y1 + w + 1;
  } else if (fixed_words(o->type) >= 4) {
    const int32_t* d = words(o);
    r[0] = std::min(d[0], d[2]) - w - 1, r[2] = std::max(d[0], d[2]) + w + 1;
    r[1] = std::min(d[1], d[3]) - w - 1, r[3] = std::max(d[1], d[3]) + w + 1;
  }
  if (disp) disp->modified = 1;
}

std::vector<IllusShape> ui_illus_obj_shapes(const COMM_OBJ* o) {
  std::vector<IllusShape> out;
  if (!o || !o->data) return out;
  switch (o->type) {
    case COMM_T_TEXT: {
      auto* t = static_cast<const COMM_TEXT_DATA*>(o->data);
      if (t->string && t->len > 0 && t->string[0]) {
        IllusShape s{IllusShape::TEXT};
        s.v[0] = t->x, s.v[1] = t->y;
        s.text.assign(t->string, strnlen(t->string, static_cast<std::size_t>(t->len)));
        out.push_back(s);
      }
      break;
    }
    case COMM_T_BOX: {
      const int32_t* d = words(o);
      out.push_back(box(d[0], d[1], d[2], d[3]));
      break;
    }
    case COMM_T_CIRCLE: {
      const int32_t* d = words(o);
      out.push_back(oval(d[0], d[1], 2 * d[2], 2 * d[2]));
      break;
    }
    case COMM_T_LINE:
    case COMM_T_LINE2: line_shapes(o, out); break;
    case COMM_T_ARC: arc_shapes(o, out); break;
    case COMM_T_GRID: grid_shapes(o, out); break;
    default: {
      const Points p = points_of(o);
      point_segments(p, 0, 0, p.closed, out);
    }
  }
  return out;
}

std::vector<IllusShape> ui_illus_obj_outline(const COMM_OBJ* o, int dx, int dy) {
  std::vector<IllusShape> out;
  if (!o || !o->data) return out;
  if (o->type == COMM_T_TEXT) {
    out = ui_illus_obj_shapes(o);
    for (IllusShape& s : out) s.v[0] -= dx, s.v[1] -= dy;
  } else if (o->type == COMM_T_CIRCLE) {
    const int32_t* d = words(o);
    out.push_back(oval(d[0] - dx, d[1] - dy, 2 * d[2], 2 * d[2]));
  } else if (is_line(o->type)) {
    const int32_t* d = words(o);
    out.push_back(line(d[0] - dx, d[1] - dy, d[2] - dx, d[3] - dy));
  } else if (fixed_words(o->type) >= 4) {
    const int32_t* d = words(o);
    out.push_back(box(d[0] - dx, d[1] - dy, d[2] - dx, d[3] - dy));
  } else {
    const Points p = points_of(o);
    point_segments(p, dx, dy, p.closed, out);
  }
  return out;
}

void ui_illus_draw_shapes(TK_OBJ area, const IMG_DATA* disp, const std::vector<IllusShape>& shapes) {
  for (const IllusShape& s : shapes) {
    switch (s.kind) {
      case IllusShape::LINE: ih_draw_line(area, s.v[0], s.v[1], s.v[2], s.v[3], disp); break;
      case IllusShape::BOX: ih_draw_box(area, s.v[0], s.v[1], s.v[2], s.v[3], disp); break;
      case IllusShape::OVAL: ih_draw_oval(area, s.v[0], s.v[1], s.v[2], s.v[3], disp); break;
      case IllusShape::ARC:
        ih_draw_arc(area, s.v[0], s.v[1], s.v[2], s.v[3], s.start, s.end, disp);
        break;
      case IllusShape::HEAD: {
        int pts[6];
        std::copy(s.v, s.v + 6, pts);
        ih_draw_poly_mode(area, pts, 3, 5, disp);
        break;
      }
      case IllusShape::TEXT: ih_draw_text(area, s.v[0], s.v[1], s.text.c_str(), disp, 0); break;
    }
  }
}

void ui_illus_rubber_config(TK_OBJ area) { ih_ann_draw_config(area, 11, 10, 0); }

void ui_illus_obj_paint(COMM_OBJ* o, TK_OBJ area, const IMG_DATA* disp) {
  if (!o || !area || !disp) return;
  if (o->type == COMM_T_TEXT) {
    const int* fs = o->font_style;
    if (fs) ih_ann_text_config(area, fs[0], fs[2], fs[1]);
    ih_ann_draw_config(area, o->color, 10, -1);
  } else {
    ih_ann_draw_config(area, o->color, 10, width_code(o));
  }
  std::vector<IllusShape> shapes = ui_illus_obj_shapes(o);
  for (const IllusShape& s : shapes) {
    if (s.kind == IllusShape::HEAD) {
      // Heads are filled in the object's colour.
      ih_ann_draw_config(area, o->color, o->color, width_code(o));
      ui_illus_draw_shapes(area, disp, {s});
      ih_ann_draw_config(area, o->color, 10, width_code(o));
    } else {
      ui_illus_draw_shapes(area, disp, {s});
    }
  }
}

void ui_illus_obj_offset(COMM_OBJ* o, const IMG_DATA* disp, TK_OBJ area, int dx, int dy, int apply) {
  if (!o || !o->data) return;
  if (dx == 0 && dy == 0 && !apply) {
    ui_illus_rubber_config(area);
    ui_illus_draw_shapes(area, disp, {box(o->place[0], o->place[1], o->place[2], o->place[3])});
    return;
  }
  if (!apply) {
    if (o->type == COMM_T_TEXT && o->font_style) {
      ih_ann_text_config(area, o->font_style[0], o->font_style[2], o->font_style[1]);
    }
    ui_illus_rubber_config(area);
    ui_illus_draw_shapes(area, disp, ui_illus_obj_outline(o, dx, dy));
    return;
  }
  if (o->type == COMM_T_TEXT) {
    auto* t = static_cast<COMM_TEXT_DATA*>(o->data);
    t->x -= dx, t->y -= dy;
  } else if (has_points(o->type)) {
    const Points p = points_of(o);
    for (int i = 0; i < p.count; ++i) p.pts[i].x -= dx, p.pts[i].y -= dy;
  } else {
    int* d = static_cast<int*>(o->data);
    const int coords = o->type == COMM_T_CIRCLE ? 2 : 4;
    for (int i = 0; i < coords; i += 2) d[i] -= dx, d[i + 1] -= dy;
  }
}

void ui_illus_annotate(TK_OBJ area, IMG_DATA* disp) {
  COMM_OBJ* h = head_of(disp);
  if (!area || !h) return;
  const int state = ui_illus_curr_state();
  IllusPointer& p = ui_illus_pointer();
  auto* sel = static_cast<COMM_OBJ*>(disp->annot_selected);
  auto band = [&](TkPoint to) -> std::vector<IllusShape> {
    if (state == ILLUS_MOVING) return ui_illus_obj_outline(sel, p.anchor.x - to.x, p.anchor.y - to.y);
    if (!sel || !sel->data) return {};
    if (state == ILLUS_POLY_BUILD || state == ILLUS_FREE_DRAG) {
      const Points pts = points_of(sel);
      if (pts.count <= 0) return {};
      return {line(pts.pts[pts.count - 1].x, pts.pts[pts.count - 1].y, to.x, to.y)};
    }
    const int32_t* d = words(sel);
    if (state == ILLUS_CIRCLE_DRAG) {
      const int r = mt_dist(d[0], d[1], to.x, to.y);
      return {oval(d[0], d[1], 2 * r, 2 * r)};
    }
    if (state == ILLUS_LINE_DRAG) return {line(d[0], d[1], to.x, to.y)};
    return {box(d[0], d[1], to.x, to.y)};
  };
  switch (state) {
    case ILLUS_MOVING:
      if (!sel) break;
      [[fallthrough]];
    case ILLUS_BOX_DRAG:
    case ILLUS_CIRCLE_DRAG:
    case ILLUS_POLY_BUILD:
    case ILLUS_LINE_DRAG:
    case ILLUS_FREE_DRAG:
    case ILLUS_GRID_DRAG:
      if (sel && sel->type == COMM_T_TEXT && sel->font_style)
        ih_ann_text_config(area, sel->font_style[0], sel->font_style[2], sel->font_style[1]);
      ui_illus_rubber_config(area);
      if (p.last.x != -1 || p.last.y != -1) ui_illus_draw_shapes(area, disp, band(p.last));
      p.last = p.current;
      ui_illus_draw_shapes(area, disp, band(p.current));
      return;
    default: break;
  }
  for (COMM_OBJ* o = h->next; o; o = o->next) ui_illus_obj_paint(o, area, disp);
  if (state == ILLUS_SELECTED && sel) ui_illus_obj_offset(sel, disp, area, 0, 0, 0);
}
