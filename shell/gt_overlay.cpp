// Analysis overlays and the rubber bands of the tools in progress.
#include "shell/gt_overlay.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/slog.h"
#include "shell/ih_draw.h"
#include "shell/im_calib.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_res.h"

namespace {

constexpr int kXor = 11;
constexpr int kNone = 10;

int disp(const CONTROL* ctl, int code) { return ctl->disp_codes[code]; }

void font_helv12b(TK_OBJ area) { ih_ann_text_config(area, 1, 0, 1); }

int rnd(double v) { return static_cast<int>(std::floor(v + 0.5)); }

// What the painter last drew in the XOR highlight, so that the next paint can erase it by
// drawing it again. Figures are in image pixels; an expose refills the area and the record is
// then forgotten.
struct XorFigure {
  enum Kind { LINE, X, LANE_FIG, POLY } kind = LINE;
  int a = 0, b = 0, c = 0, d = 0;  // line ends, or X centre and size
  std::vector<LN_POINT> pts;       // lane centre points or polygon points
  int left = 0, right = 0, outline = 0, label = 0, marks = 0;
  char name[24] = {};
  int number = 0;
};

struct XorRecord {
  TK_OBJ area = nullptr;
  const IMG_DATA* disp = nullptr;
  std::vector<XorFigure> figs;
};
XorRecord g_xor;

void draw_figure(TK_OBJ area, const IMG_DATA* d, const XorFigure& f) {
  switch (f.kind) {
    case XorFigure::LINE:
      ih_draw_line(area, f.a, f.b, f.c, f.d, d);
      break;
    case XorFigure::X:
      ih_draw_x(area, f.a, f.b, f.c, d);
      break;
    case XorFigure::LANE_FIG: {
      LANE lane{};
      std::memcpy(lane.lane_name, f.name, sizeof lane.lane_name);
      lane.lane_number = f.number;
      lane.left_width = f.left;
      lane.right_width = f.right;
      lane.num_center_points = static_cast<int32_t>(f.pts.size());
      lane.center_coords = const_cast<LN_POINT*>(f.pts.data());
      ih_draw_lane(area, &lane, d, f.outline, f.label, f.marks, 0, -1, -1);
      break;
    }
    case XorFigure::POLY: {
      std::vector<int> p;
      for (const LN_POINT& q : f.pts) {
        p.push_back(q.x);
        p.push_back(q.y);
      }
      ih_draw_poly(area, p.data(), static_cast<int>(f.pts.size()), 1, 1, d);
      break;
    }
  }
}

// Erases the figures drawn last on this area (drawing them again in XOR).
void xor_erase(TK_OBJ area) {
  if (g_xor.area == area && g_xor.disp) {
    ih_ann_draw_config(area, kXor, kNone, 0);
    for (const XorFigure& f : g_xor.figs) draw_figure(area, g_xor.disp, f);
  }
  g_xor.figs.clear();
  g_xor.area = area;
}

// Draws a figure in XOR and remembers it.
void xor_draw(TK_OBJ area, const IMG_DATA* d, XorFigure f) {
  ih_ann_draw_config(area, kXor, kNone, -1);
  draw_figure(area, d, f);
  g_xor.area = area;
  g_xor.disp = d;
  g_xor.figs.push_back(std::move(f));
}

void xor_line(TK_OBJ area, const IMG_DATA* d, int x1, int y1, int x2, int y2) {
  if (x1 < 0 || y1 < 0 || x2 < 0 || y2 < 0) return;
  XorFigure f;
  f.kind = XorFigure::LINE;
  f.a = x1, f.b = y1, f.c = x2, f.d = y2;
  xor_draw(area, d, f);
}

void xor_x(TK_OBJ area, const IMG_DATA* d, int x, int y, int size) {
  if (x < 0 || y < 0) return;
  XorFigure f;
  f.kind = XorFigure::X;
  f.a = x, f.b = y, f.c = size;
  xor_draw(area, d, f);
}

void xor_lane(TK_OBJ area, const IMG_DATA* d, const LANE* lane, int dx, int dy, int outline,
              int label, int marks) {
  if (!lane || lane->num_center_points <= 0 || !lane->center_coords) return;
  XorFigure f;
  f.kind = XorFigure::LANE_FIG;
  for (int i = 0; i < lane->num_center_points; ++i)
    f.pts.push_back({lane->center_coords[i].x + dx, lane->center_coords[i].y + dy});
  f.left = lane->left_width;
  f.right = lane->right_width;
  f.outline = outline, f.label = label, f.marks = marks;
  std::memcpy(f.name, lane->lane_name, sizeof f.name);
  f.number = lane->lane_number;
  xor_draw(area, d, std::move(f));
}

void xor_bounds(TK_OBJ area, const IMG_DATA* d, const int* bx, const int* by, int dx, int dy) {
  XorFigure f;
  f.kind = XorFigure::POLY;
  for (int i = 0; i < 36; ++i)
    if (bx[i] != -1 && by[i] != -1) f.pts.push_back({bx[i] + dx, by[i] + dy});
  if (!f.pts.empty()) xor_draw(area, d, std::move(f));
}

GtBoundsDrag g_bounds_drag;
GtLaneGroupDrag g_group_drag;

bool annot_off(const CONTROL* ctl) {
  if (ctl->annot_off == 1) {
    SLOG("gt_band_paint", SLOG_VALUE4, "annot_off TRUE");
    return true;
  }
  return false;
}

void print_value(char* out, std::size_t n, const CONTROL* ctl, const SPOT* band) {
  const int sd = std::clamp(ctl->size_digits, 0, 15), cd = std::clamp(ctl->conc_digits, 0, 15);
  const bool has_size = band->size >= 0.00001, has_amount = band->amount >= 0.00001;
  if (has_size && has_amount)
    std::snprintf(out, n, "%.*lf , %.*lf", sd, band->size, cd, band->amount);
  else if (has_size)
    std::snprintf(out, n, "%.*lf , *", sd, band->size);
  else if (has_amount)
    std::snprintf(out, n, "* , %.*lf", cd, band->amount);
  else
    std::snprintf(out, n, "* , *");
}

// Points of a tool held in lane_coords (x y pairs).
const int* tool_point(const IMAGE_REC* im, int i) { return im->lane_coords + 2 * i; }

}  // namespace

IMAGE_REC* gt_area_image(TK_OBJ area) {
  if (!area) return nullptr;
  return static_cast<IMAGE_REC*>(RES_GetData(RES_GetOwnerWindow(area)));
}

LANE* gt_lane_at(IMAGE_REC* image, int ordinal) {
  if (!image || !image->lanes || ordinal < 0) return nullptr;
  LANE* l = image->lanes->next;
  for (int i = 0; l && i < ordinal; ++i) l = l->next;
  return l;
}

void gt_overlay_forget() {
  g_xor.figs.clear();
  g_xor.area = nullptr;
  g_xor.disp = nullptr;
}

GtBoundsDrag* gt_overlay_bounds_drag() { return &g_bounds_drag; }
GtLaneGroupDrag* gt_overlay_lane_group_drag() { return &g_group_drag; }

// Drawing of the analysis ----------------------------------------------------------------------

void draw_band_bounds(TK_OBJ area, IMAGE_REC* image, const int* bound_x, const int* bound_y) {
  if (!image || !bound_x || !bound_y) return;
  std::vector<int> pts;
  for (int i = 0; i < 36; ++i) {
    if (bound_x[i] == -1 || bound_y[i] == -1) continue;
    pts.push_back(bound_x[i]);
    pts.push_back(bound_y[i]);
  }
  if (!pts.empty()) ih_draw_poly(area, pts.data(), static_cast<int>(pts.size() / 2), 1, 1, image->img_ptr);
}

void gt_lane_mark(TK_OBJ area, IMAGE_REC* image, LANE* lane) {
  CONTROL* ctl = gt_get_control();
  if (!image || !lane || annot_off(ctl)) return;
  const int colour = (lane->f & LN_F_SELECTED) ? disp(ctl, DISP_COL_SELECTED) : disp(ctl, DISP_COL_LANE);
  ih_ann_draw_config(area, colour, kNone, 0);
  const int state = ctl->task_state;
  int outline = 1, marks = 0;
  if (state == TS_LANE_BOUNDS && (lane->f & LN_F_SELECTED))
    marks = 1;
  else if (lane->f & LN_F_TOOL_MARK)
    marks = 0;
  else if (state == TS_FIND_BANDS || state == TS_DEFINE_LANES)
    outline = 0, marks = 1;
  ih_draw_lane(area, lane, image->img_ptr, outline, 1, marks, 0, -1, -1);
}

void gt_lane_draw(TK_OBJ area, IMAGE_REC* image, LANE* lane) {
  CONTROL* ctl = gt_get_control();
  if (!image || !lane || annot_off(ctl)) return;
  font_helv12b(area);
  const int colour = (lane->f & LN_F_SELECTED) ? disp(ctl, DISP_COL_SELECTED) : disp(ctl, DISP_COL_LANE);
  ih_ann_draw_config(area, colour, kNone, 0);
  ih_draw_lane(area, lane, image->img_ptr, 1, 1, 0, 0, -1, -1);
}

void gt_paint_dtool_lane(TK_OBJ area, IMAGE_REC* image, LANE* lane) {
  if (!area || !image || !image->img_ptr || !lane) return;
  font_helv12b(area);
  ih_ann_draw_config(area, disp(gt_get_control(), DISP_COL_SELECTED), kNone, 1);
  ih_draw_lane(area, lane, image->img_ptr, 1, 1, 0, 0, -1, -1);
  ih_ann_draw_config(area, 0, kNone, 0);
}

void draw_lane_bounds(TK_OBJ area, IMAGE_REC* image) {
  CONTROL* ctl = gt_get_control();
  if (!image || !image->lanes) {
    SLOG("draw_lane_bounds", SLOG_WARN, "TROUBLE: required NULL");
    return;
  }
  if (annot_off(ctl)) return;
  font_helv12b(area);
  for (LANE* l = image->lanes->next; l; l = l->next) gt_lane_mark(area, image, l);
}

void gt_band_draw(TK_OBJ area, IMAGE_REC* image, SPOT* band, int selection_only) {
  CONTROL* ctl = gt_get_control();
  if (!image || !band) {
    SLOG("gt_band_draw", SLOG_WARN, "TROUBLE: required ptr NULL");
    return;
  }
  if (annot_off(ctl)) return;
  const unsigned type = band->f1 & SP_F1_TYPE_MASK;
  int colour;
  if (band->f2 & SP_F2_SELECTED)
    colour = disp(ctl, DISP_COL_SELECTED);
  else if ((band->f1 & SP_F1_QUANT_FAILED) || type == 0)
    colour = disp(ctl, DISP_COL_FAILED);
  else if (type == SP_TYPE_NO_WIDTH)
    colour = disp(ctl, DISP_COL_TYPE11);
  else if (band->f2 & (SP_F2_IMG_NORM | SP_F2_LANE_NORM))
    colour = disp(ctl, DISP_COL_REFERENCE);
  else
    colour = disp(ctl, DISP_COL_BAND);
  font_helv12b(area);
  ih_ann_draw_config(area, colour, kNone, 0);
  IMG_DATA* d = image->img_ptr;
  ih_draw_band_mark(area, band, nullptr, nullptr, d, 0, 1, disp(ctl, DISP_BAND_CROSS), colour, colour,
                    colour, colour);
  const int state = ctl->task_state;
  if (state == TS_MARK_BOUNDS || state == TS_MARK_AXES) return;
  if (type != 0 && !(band->f1 & SP_F1_QUANT_FAILED) && disp(ctl, DISP_BAND_BOUNDS))
    draw_band_bounds(area, image, band->bound_x, band->bound_y);
  if (selection_only && !(band->f2 & SP_F2_SELECTED)) return;
  char text[96];
  if (disp(ctl, DISP_BAND_NUMBERS)) {
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(band->number));
    ih_draw_text(area, band->x + 6, band->y - 18, text, d, 0);
  }
  if (disp(ctl, DISP_BAND_VALUES)) {
    print_value(text, sizeof text, ctl, band);
    ih_draw_text(area, band->x + 6, band->y - 6, text, d, 0);
  }
  if (disp(ctl, DISP_BAND_LABELS) && band->label[0] != '\0') {
    std::snprintf(text, sizeof text, "%.*s", static_cast<int>(sizeof band->label), band->label);
    ih_draw_text(area, band->x + 6, band->y + 6, text, d, 0);
  }
}

void gt_band_stds(TK_OBJ area, IMAGE_REC* image) {
  CONTROL* ctl = gt_get_control();
  if (!image) {
    SLOG("gt_band_stds", SLOG_WARN, "TROUBLE: required ptr NULL");
    return;
  }
  if (annot_off(ctl)) return;
  IMG_DATA* d = image->img_ptr;
  const int state = ctl->task_state;
  const int sd = std::clamp(ctl->size_digits, 0, 15), cd = std::clamp(ctl->conc_digits, 0, 15);
  font_helv12b(area);
  if (image->has_bands) {
    const int tiers = image->lane_hdr ? image->lane_hdr->num_tiers : 0;
    if (state != TS_MARK_BOUNDS && state != TS_MARK_AXES && image->size_stdp && tiers > 0 && image->size_stdp[0]) {
      ih_ann_draw_config(area, disp(ctl, DISP_COL_SIZE_STD), kNone, 0);
      double hl_used = -1.0;
      for (int t = 0; t < tiers; ++t) {
        STD_LIST* list = image->size_stdp[t];
        if (!list) continue;
        const double hl = (image->std_line_edit && image->mod_tier == list) ? image->cur_std_value : -1.0;
        if (hl != -1.0) hl_used = hl;
        list->precision = ctl->size_digits;
        ih_draw_std_rows(area, list, d, 1, 1, hl, disp(ctl, DISP_COL_SIZE_STD), disp(ctl, DISP_COL_SELECTED));
      }
      if (hl_used != -1.0 && image->std_line) {
        ih_ann_draw_config(area, kXor, kNone, 0);
        ih_draw_std_curve(area, d, image->std_line);
      }
    }
    STD_LIST* conc = image->conc_stdp ? *image->conc_stdp : nullptr;
    if (state != TS_MARK_BOUNDS && state != TS_MARK_AXES && conc && conc->records) {
      for (int pass = 0; pass < 2; ++pass) {
        ih_ann_draw_config(area, pass ? disp(ctl, DISP_COL_SELECTED) : disp(ctl, DISP_COL_CONC), kNone, 0);
        for (int i = 0; i < conc->count; ++i) {
          const STD_MARKER& m = conc->records[i];
          if (((m.flags & STD_M_DELETE) != 0) != (pass == 1)) continue;
          ih_draw_point_label(area, m.ix, m.iy, 10, d, m.value, cd, 0);
        }
      }
    }
    STD_LIST* work = image->pending_stds;
    if (work && work->records && work->count > 0) {
      for (int i = 0; i < work->count; ++i) {
        const STD_MARKER& m = work->records[i];
        if (state == TS_SIZE_STDS) {
          char fmt[16], text[64];
          std::snprintf(fmt, sizeof fmt, "%%.%dlf", sd);
          std::snprintf(text, sizeof text, fmt, m.value);
          ih_draw_x(area, rnd(m.x), rnd(m.y), 10, d);
          ih_draw_text(area, rnd(m.x) + 5, rnd(m.y) - 2, text, d, 0);
        } else {
          ih_draw_point_label(area, rnd(m.x), rnd(m.y), 10, d, m.value, cd, 0);
        }
      }
    }
  }
  if (state == TS_MULTIPLEX_MARKERS || image->mark_pts[0][0] != -1) {
    ih_ann_draw_config(area, disp(ctl, DISP_COL_LANE), kNone, 0);
    // Only three reference points are stored: draw points 1 .. n from index 0, n at most 3.
    const int n = std::min(state == TS_MULTIPLEX_MARKERS ? image->num_mark_pts : 3, 3);
    for (int i = 1; i <= n; ++i) {
      const int x = image->mark_pts[i - 1][0], y = image->mark_pts[i - 1][1];
      if (x < 0 || y < 0) continue;
      char text[16];
      std::snprintf(text, sizeof text, "%d", i);
      ih_draw_x(area, x, y, 24, d);
      ih_draw_text(area, x + 10, y - 4, text, d, 0);
    }
  }
}

void gt_band_annotate(TK_OBJ area, IMAGE_REC* image, CONTROL* ctl) {
  if (!image || !ctl) {
    SLOG("gt_band_annotate", SLOG_WARN, "TROUBLE: required ptr NULL");
    return;
  }
  if (annot_off(ctl)) return;
  const int state = ctl->task_state;
  if (image->has_bands) {
    draw_lane_bounds(area, image);
    gt_band_stds(area, image);
    if (state != TS_MARK_BOUNDS && state != TS_MARK_AXES) {
      for (SPOT* b = image->bands ? image->bands->next : nullptr; b; b = b->next)
        gt_band_draw(area, image, b, 1);
    } else {
      SPOT* b = state == TS_MARK_BOUNDS ? image->bounds_band : image->axes_band;
      if (b) {
        const int band_c = disp(ctl, DISP_COL_BAND);
        ih_draw_band_mark(area, b, nullptr, nullptr, image->img_ptr, 0, 1, disp(ctl, DISP_BAND_CROSS),
                          band_c, band_c, disp(ctl, DISP_COL_REFERENCE), disp(ctl, DISP_COL_SELECTED));
      }
    }
  } else if (state == TS_FIND_BANDS) {
    SLOG("gt_band_annotate", SLOG_VALUE4, "Moving Lanes");
    draw_lane_bounds(area, image);
  }
  if (image->mark_pts[0][0] != -1) gt_band_stds(area, image);
  if (state == TS_CALIBRATION) cal_draw_steps(area, image);
}

// Rubber bands -------------------------------------------------------------------------------------

void gt_block_rubber_band(TK_OBJ area, IMAGE_REC* image) {
  if (!image || !image->block_points) return;
  IMG_DATA* d = image->img_ptr;
  const int k = std::clamp(image->num_block_points, 0, 4);
  const int* p = image->block_points;
  auto P = [&](int i, int c) { return p[2 * i + c]; };
  const int mx = image->pt_now[0], my = image->pt_now[1];
  // The corners placed so far stand in the plain colour from the moment they are placed; only
  // the next corner, at the pointer, is drawn in the highlight. Were the placed corners drawn in
  // the highlight too, the pointer's figure, which lies on the newest corner right after the
  // press, would cancel it.
  xor_erase(area);
  ih_ann_draw_config(area, 0, kNone, 0);
  if (k > 0) {
    ih_draw_line(area, P(0, 0), P(0, 1), P(0, 0), P(0, 1) + 150, d);
    ih_draw_line(area, P(0, 0), P(0, 1), P(0, 0) + 50, P(0, 1), d);
  }
  if (k > 1) {
    ih_draw_line(area, P(0, 0), P(0, 1), P(1, 0), P(1, 1), d);
    ih_draw_line(area, P(1, 0), P(1, 1), P(1, 0), P(1, 1) + 150, d);
  }
  if (k > 2) {
    ih_draw_line(area, P(1, 0), P(1, 1), P(2, 0), P(2, 1), d);
    ih_draw_line(area, P(2, 0) - 50, P(2, 1), P(2, 0), P(2, 1), d);
  }
  if (mx < 0) return;
  switch (k) {
    case 0: xor_line(area, d, mx, my, mx, my + 150), xor_line(area, d, mx, my, mx + 50, my); break;
    case 1: xor_line(area, d, P(0, 0), P(0, 1), mx, my), xor_line(area, d, mx, my, mx, my + 150); break;
    case 2: xor_line(area, d, P(1, 0), P(1, 1), mx, my), xor_line(area, d, mx - 50, my, mx, my); break;
    case 3: xor_line(area, d, P(2, 0), P(2, 1), mx, my), xor_line(area, d, mx, my, mx, my - 150); break;
    default: break;
  }
}

namespace {

// The tool points of states 4, 10 and 11 with the rubber band to the mouse and to the slot
// after the last point (a slot with x -1 is empty).
void point_rubber(TK_OBJ area, IMAGE_REC* image, int n) {
  IMG_DATA* d = image->img_ptr;
  const int mx = image->pt_now[0], my = image->pt_now[1];
  const int* last = tool_point(image, n - 1);
  const int* slot = tool_point(image, n);
  if (mx >= 0) xor_line(area, d, last[0], last[1], mx, my);
  if (slot[0] >= 0 && (slot[0] != mx || slot[1] != my)) xor_line(area, d, last[0], last[1], slot[0], slot[1]);
}

}  // namespace

namespace {
// While an expose paints, the full overlay is already drawn: the task-state painter adds only
// what its tool changes between exposes.
bool s_exposing = false;

void annotate_unless_exposing(TK_OBJ area, IMAGE_REC* image, CONTROL* ctl) {
  if (!s_exposing) gt_band_annotate(area, image, ctl);
}
}  // namespace

void gt_band_expose(TK_OBJ area, IMAGE_REC* image) {
  CONTROL* ctl = gt_get_control();
  if (!image || !image->img_ptr || ctl->lanes_hidden || annot_off(ctl)) return;
  gt_band_annotate(area, image, ctl);
  s_exposing = true;
  gt_band_paint(area);
  s_exposing = false;
}

void gt_band_paint(TK_OBJ area) {
  static const char* fn = "gt_band_paint";
  CONTROL* ctl = gt_get_control();
  IMAGE_REC* image = gt_area_image(area);
  SLOG(fn, SLOG_ENTRY, "state %d", ctl->task_state);
  if (!image || !image->img_ptr || annot_off(ctl)) return;
  IMG_DATA* d = image->img_ptr;
  const int state = ctl->task_state;
  if (g_xor.area != area) gt_overlay_forget();
  switch (state) {
    case TS_IDLE:
      if (s_exposing) break;
      if (ctl->sel_mode == SEL_SIZE_STDS || ctl->sel_mode == SEL_CONC_STDS)
        gt_band_stds(area, image);
      else
        gt_band_annotate(area, image, ctl);
      break;
    case TS_FIND_LANES_AUTO:
    case TS_FIND_LANES_EVEN:
      gt_block_rubber_band(area, image);
      break;
    case TS_FIND_BANDS: {
      xor_erase(area);
      LANE* lane = gt_lane_at(image, image->drag_lane);
      if (lane) {
        font_helv12b(area);
        xor_lane(area, d, lane, 0, 0, 0, 1, 1);
      } else {
        draw_lane_bounds(area, image);
      }
      break;
    }
    case TS_DEFINE_LANES: {
      draw_lane_bounds(area, image);
      xor_erase(area);
      const int n = image->lane_coords ? image->num_lane_coords : 0;
      if (n >= 1) {
        // Every point placed is marked from its press on, the last one too.
        ih_ann_draw_config(area, disp(ctl, DISP_COL_LANE), kNone, 0);
        for (int i = 0; i < n; ++i) {
          const int* p = tool_point(image, i);
          ih_draw_x(area, p[0], p[1], 10, d);
          if (i + 1 == n) break;
          const int* q = tool_point(image, i + 1);
          ih_draw_line(area, p[0], p[1], q[0], q[1], d);
        }
        point_rubber(area, image, n);
        const int* slot = tool_point(image, n);
        if (image->pt_now[0] >= 0) xor_x(area, d, image->pt_now[0], image->pt_now[1], 10);
        else if (slot[0] >= 0) xor_x(area, d, slot[0], slot[1], 10);
      } else {
        if (image->pt_now[0] >= 0) xor_x(area, d, image->pt_now[0], image->pt_now[1], 10);
      }
      break;
    }
    case TS_LANE_BOUNDS: {
      xor_erase(area);
      LANE* lane = gt_lane_at(image, image->edit_lane);
      if (lane && image->drag_pt[0] != -1) {
        font_helv12b(area);
        xor_lane(area, d, lane, 0, 0, 1, 1, 1);
      } else {
        draw_lane_bounds(area, image);
      }
      break;
    }
    case TS_MODIFY_STDS_LINE:
    case TS_CALIBRATION:
      annotate_unless_exposing(area, image, ctl);
      break;
    case TS_ADD_BAND:
    case TS_EDIT_BAND:
      break;
    case TS_SIZE_STDS:
    case TS_CONC_STDS: {
      annotate_unless_exposing(area, image, ctl);
      font_helv12b(area);
      STD_LIST* work = image->pending_stds;
      if (!work || !work->records) break;
      if (state == TS_SIZE_STDS) {
        ih_ann_draw_config(area, disp(ctl, DISP_COL_SIZE_STD), kNone, 0);
        char fmt[16], text[64];
        std::snprintf(fmt, sizeof fmt, "%%.%dlf", std::clamp(ctl->size_digits, 0, 15));
        for (int i = 0; i < work->count; ++i) {
          const STD_MARKER& m = work->records[i];
          std::snprintf(text, sizeof text, fmt, m.value);
          ih_draw_x(area, rnd(m.x), rnd(m.y), 10, d);
          ih_draw_text(area, rnd(m.x) + 5, rnd(m.y) - 2, text, d, 0);
        }
      } else {
        ih_ann_draw_config(area, disp(ctl, DISP_COL_CONC), kNone, 0);
        for (int i = 0; i < work->count; ++i) {
          const STD_MARKER& m = work->records[i];
          ih_draw_point_label(area, rnd(m.x), rnd(m.y), 10, d, m.value, std::clamp(ctl->conc_digits, 0, 15), 0);
        }
      }
      break;
    }
    case TS_MARK_BOUNDS:
    case TS_MARK_AXES: {
      xor_erase(area);
      const int n = image->lane_coords ? image->num_lane_coords : 0;
      ih_ann_draw_config(area, 0, kNone, 0);
      if (state == TS_MARK_BOUNDS) {
        for (int i = 0; i + 1 < n; ++i) {
          const int* p = tool_point(image, i);
          const int* q = tool_point(image, i + 1);
          ih_draw_line(area, p[0], p[1], q[0], q[1], d);
        }
        if (n >= 1) point_rubber(area, image, n);
      } else {
        if (n >= 2) {
          const int* p = tool_point(image, 0);
          const int* q = tool_point(image, 1);
          ih_draw_line(area, p[0], p[1], q[0], q[1], d);
        }
        if (n == 1 || n == 3) point_rubber(area, image, n);
      }
      SPOT* b = state == TS_MARK_BOUNDS ? image->bounds_band : image->axes_band;
      if (b) gt_band_draw(area, image, b, 1);
      break;
    }
    case TS_COPY_BOUNDS: {
      xor_erase(area);
      GtBoundsDrag& g = g_bounds_drag;
      if (g.first_draw) {
        ih_ann_draw_config(area, 0, kNone, 0);
        for (const GtBoundSlot& s : g.slot) {
          if (!s.in_use) break;
          int bx[36], by[36];
          for (int i = 0; i < 36; ++i) {
            bx[i] = s.bound_x[i] == -1 ? -1 : s.bound_x[i] + s.band_pos[0] - s.last_mouse[0];
            by[i] = s.bound_y[i] == -1 ? -1 : s.bound_y[i] + s.band_pos[1] - s.last_mouse[1];
          }
          draw_band_bounds(area, image, bx, by);
        }
        g.first_draw = 0;
      }
      for (const GtBoundSlot& s : g.slot) {
        if (!s.in_use) break;
        xor_bounds(area, d, s.bound_x, s.bound_y, s.offset[0], s.offset[1]);
      }
      break;
    }
    case TS_MULTIPLEX_MARKERS:
      gt_band_stds(area, image);
      break;
    case TS_COPY_LANES: {
      xor_erase(area);
      GtLaneGroupDrag& g = g_group_drag;
      if (g.first_draw) {
        ih_ann_draw_config(area, 0, kNone, 0);
        for (LANE* l : g.copies) {
          if (!l || !l->center_coords) continue;
          LANE moved = *l;
          std::vector<LN_POINT> pts(l->center_coords, l->center_coords + l->num_center_points);
          for (LN_POINT& p : pts) p.x += g.offset_a[0], p.y += g.offset_a[1];
          moved.center_coords = pts.data();
          ih_draw_lane(area, &moved, d, 1, 0, 0, 0, -1, -1);
        }
        g.first_draw = 0;
      }
      for (LANE* l : g.copies) xor_lane(area, d, l, g.offset_b[0], g.offset_b[1], 1, 0, 0);
      break;
    }
    default:
      break;
  }
  SLOG(fn, SLOG_EXIT, "done");
}

// Drags applied by the mouse handling -----------------------------------------------------------------

void gt_overlay_lane_drag_move(IMAGE_REC* image, int dx, int dy) {
  LANE* lane = gt_lane_at(image, image ? image->drag_lane : -1);
  if (!lane || !lane->center_coords) return;
  const int n = lane->num_center_points;
  const int i = image->drag_pt_idx;
  if (i >= 0 && i < n) {
    lane->center_coords[i].x += dx;
    lane->center_coords[i].y += dy;
  } else if (i < 0) {
    for (int k = 0; k < n; ++k) lane->center_coords[k].x += dx, lane->center_coords[k].y += dy;
  }
  image->modified = 1;
}

void gt_overlay_lane_edit_move(IMAGE_REC* image, int mx, int my) {
  LANE* lane = gt_lane_at(image, image ? image->edit_lane : -1);
  if (!lane || !lane->center_coords || lane->num_center_points < 1) return;
  int n = lane->num_center_points;
  int i = std::clamp(image->edit_pt, 0, n - 1);
  LN_POINT* pt = lane->center_coords;
  if (image->edit_mode == 0) {
    lane->left_width = std::max(0, pt[i].x - mx);
  } else if (image->edit_mode == 1) {
    lane->right_width = std::max(0, mx - pt[i].x);
  } else {
    pt[i].x = mx;
    if (i == 0 || i == n - 1) pt[i].y = my;
    // A first point dragged onto or past the points below it takes the place of the last one it
    // passed, and a last point dragged onto or past the points above it likewise: one motion
    // may carry it past several, and the lane's rows stay in order. The lane keeps at least two
    // centre points.
    if (i == 0) {
      while (n > 2 && pt[0].y >= pt[1].y) {
        pt[1] = pt[0];
        std::memmove(pt, pt + 1, sizeof(LN_POINT) * static_cast<std::size_t>(n - 1));
        --n;
      }
    } else if (i == n - 1) {
      while (n > 2 && pt[n - 1].y <= pt[n - 2].y) {
        pt[n - 2] = pt[n - 1];
        --n;
      }
      i = n - 1;
    }
    if (n == 2) {
      // Two points: keep them in order by keeping the moved end one row off the other.
      if (i == 0 && pt[0].y >= pt[1].y) pt[0].y = pt[1].y - 1;
      if (i == 1 && pt[1].y <= pt[0].y) pt[1].y = pt[0].y + 1;
      if (pt[0].y < 0) pt[0].y = 0, pt[1].y = std::max(pt[1].y, 1);
    }
    lane->num_center_points = n;
  }
  image->edit_pt = i;
  image->modified = 1;
}

void gt_overlay_bounds_drag_move(int mx, int my) {
  for (GtBoundSlot& s : g_bounds_drag.slot) {
    if (!s.in_use) break;
    const int dx = mx - s.last_mouse[0], dy = my - s.last_mouse[1];
    for (int i = 0; i < 36; ++i) {
      if (s.bound_x[i] != -1) s.bound_x[i] += dx;
      if (s.bound_y[i] != -1) s.bound_y[i] += dy;
    }
    s.last_mouse[0] = mx;
    s.last_mouse[1] = my;
  }
}

void gt_overlay_lane_group_move(int dx, int dy) {
  g_group_drag.offset_b[0] += dx;
  g_group_drag.offset_b[1] += dy;
}
