// The least form of the band and lane tools' mouse handling.
#include "tools/gt_band_mouse.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "base/ks_mem.h"
#include "base/slog.h"
#include "model/lane.h"
#include "shell/gt_overlay.h"
#include "shell/ih_draw.h"
#include "toolkit/tk_widget.h"

namespace {

constexpr int kMaxLanePoints = 100;

int image_width(const IMAGE_REC* im) {
  const IMG_DATA* d = im->img_ptr;
  return d && d->img_width > 0 ? d->img_width : (d ? d->pix_width : 0);
}
int image_height(const IMAGE_REC* im) {
  const IMG_DATA* d = im->img_ptr;
  return d && d->img_height > 0 ? d->img_height : (d ? d->pix_height : 0);
}

int ordinal_of(const IMAGE_REC* im, const LANE* lane) {
  int i = 0;
  for (const LANE* l = im->lanes ? im->lanes->next : nullptr; l; l = l->next, ++i)
    if (l == lane) return i;
  return -1;
}

bool pending(const LANE* l) { return !(l->f & LN_F_TOOL_MARK); }

double dist(int x0, int y0, int x1, int y1) { return std::hypot(double(x1 - x0), double(y1 - y0)); }

// State 0: the selection rectangle, drawn in the XOR highlight from the press to the pointer.
void xor_box(TK_OBJ area, IMAGE_REC* im) {
  if (im->rubber_pt[0] < 0 || im->drag_pt[0] < 0) return;
  ih_ann_draw_config(area, 11, 10, 0);
  ih_draw_box(area, im->rubber_pt[0], im->rubber_pt[1], im->drag_pt[0], im->drag_pt[1], im->img_ptr);
}

// State 3: the drag's clamped target for the pointer at (x, y).
void lane_drag_to(IMAGE_REC* im, int x, int y) {
  LANE* lane = gt_lane_at(im, im->drag_lane);
  if (!lane || !lane->center_coords || lane->num_center_points < 1) return;
  const int w = image_width(im), h = image_height(im);
  int dx = 0, dy = 0;
  if (im->drag_pt_idx >= 0 && im->drag_pt_idx < lane->num_center_points) {
    const LN_POINT& p = lane->center_coords[im->drag_pt_idx];
    const int tx = std::clamp(x, lane->left_width, std::max(lane->left_width, w - lane->right_width - 1));
    dx = tx - p.x;
  } else {
    int left = lane->center_coords[0].x - lane->left_width, right = lane->center_coords[0].x + lane->right_width;
    for (int i = 0; i < lane->num_center_points; ++i) {
      left = std::min(left, lane->center_coords[i].x - lane->left_width);
      right = std::max(right, lane->center_coords[i].x + lane->right_width);
    }
    const int top = lane->center_coords[0].y, bottom = lane->center_coords[lane->num_center_points - 1].y;
    dx = std::clamp(x - im->pt_prev[0], -left, std::max(-left, w - 1 - right));
    dy = std::clamp(y - im->pt_prev[1], -top, std::max(-top, h - 1 - bottom));
  }
  gt_overlay_lane_drag_move(im, dx, dy);
  im->pt_prev[0] += dx;
  im->pt_prev[1] += dy;
}

// Makes room for n + 1 lane points (the last one the rubber-band slot, empty: x -1).
bool lane_points_room(IMAGE_REC* im, int n) {
  int* p = static_cast<int*>(ks_alloc_msg(sizeof(int) * 2 * static_cast<std::size_t>(n + 1)));
  if (!p) {
    ks_dbg_null_ptr("gt_band_mouseclick", "image_ptr->lane_coords");
    return false;
  }
  for (int i = 0; i < 2 * std::min(n, im->num_lane_coords) && im->lane_coords; ++i) p[i] = im->lane_coords[i];
  p[2 * n] = p[2 * n + 1] = -1;
  ks_free(im->lane_coords);
  im->lane_coords = p;
  return true;
}

}  // namespace

int gt_band_hit_tolerance(int zoom) { return std::clamp(8 - zoom, 4, 12); }

void gt_band_mouseclick(TK_OBJ area, TK_OBJ, CONTROL* ctl, IMAGE_REC* im, int modifier) {
  static const char* fn = "gt_band_mouseclick";
  if (!ctl || !im || !im->img_ptr) return;
  const int x = im->click_pt[0], y = im->click_pt[1];
  SLOG(fn, SLOG_ENTRY, "state %d (%d, %d)", ctl->task_state, x, y);
  const int tol = gt_band_hit_tolerance(im->img_ptr->zoom[0]);
  switch (ctl->task_state) {
    case TS_IDLE:
      im->rubber_pt[0] = x, im->rubber_pt[1] = y;
      im->drag_pt[0] = im->drag_pt[1] = -1;
      break;
    case TS_FIND_BANDS: {
      im->drag_lane = im->drag_pt_idx = -1;
      int k = 0;
      for (LANE* l = im->lanes ? im->lanes->next : nullptr; l && im->drag_lane < 0; l = l->next, ++k) {
        if (!pending(l)) continue;
        for (int i = 0; i < l->num_center_points; ++i)
          if (dist(x, y, l->center_coords[i].x, l->center_coords[i].y) < tol) {
            im->drag_lane = k, im->drag_pt_idx = i;
            break;
          }
      }
      if (im->drag_lane < 0) {
        LANE* hit = nullptr;
        if (ln_xy_find_lane(x, y, im->lanes, &hit) > 0 && hit && pending(hit)) im->drag_lane = ordinal_of(im, hit);
      }
      im->pt_prev[0] = x, im->pt_prev[1] = y;
      gt_band_paint(area);
      break;
    }
    case TS_DEFINE_LANES: {
      const int n = im->num_lane_coords;
      if (modifier) {
        if (n > 0) --im->num_lane_coords;
        if (im->lane_coords) im->lane_coords[2 * im->num_lane_coords] = -1;
        WGT_Redraw(area);
        break;
      }
      if (n >= kMaxLanePoints || !lane_points_room(im, n + 1)) break;
      int py = y;
      if (n > 0 && py <= im->lane_coords[2 * n - 1]) py = im->lane_coords[2 * n - 1] + 1;
      im->lane_coords[2 * n] = x;
      im->lane_coords[2 * n + 1] = py;
      im->num_lane_coords = n + 1;
      im->pt_now[0] = -1;
      gt_band_paint(area);
      break;
    }
    case TS_LANE_BOUNDS: {
      LANE* lane = gt_lane_at(im, im->edit_lane);
      if (modifier || !lane) break;
      im->drag_pt[0] = im->drag_pt[1] = -1;
      for (int i = 0; i < lane->num_center_points && im->drag_pt[0] < 0; ++i) {
        const LN_POINT& p = lane->center_coords[i];
        const int cand[3][2] = {{p.x - lane->left_width, p.y}, {p.x + lane->right_width, p.y}, {p.x, p.y}};
        for (int side = 0; side < 3; ++side)
          if (dist(x, y, cand[side][0], cand[side][1]) < tol) {
            im->edit_pt = i, im->edit_mode = side;
            im->drag_pt[0] = x, im->drag_pt[1] = y;
            break;
          }
      }
      gt_band_paint(area);
      break;
    }
    case TS_COPY_BOUNDS:
    case TS_COPY_LANES:
      im->pt_prev[0] = x, im->pt_prev[1] = y;
      break;
    default:
      break;
  }
}

void gt_band_doubleclick(TK_OBJ, CONTROL* ctl, IMAGE_REC* im, int) {
  if (!ctl || !im) return;
  SLOG("gt_band_doubleclick", SLOG_ENTRY, "state %d", ctl->task_state);
}

void gt_band_mousedrag(TK_OBJ area, CONTROL* ctl, IMAGE_REC* im, int x, int y) {
  if (!ctl || !im || !im->img_ptr) return;
  const int w = image_width(im), h = image_height(im);
  x = std::clamp(x, 0, std::max(0, w - 1));
  y = std::clamp(y, 0, std::max(0, h - 1));
  switch (ctl->task_state) {
    case TS_IDLE:
      if (im->rubber_pt[0] < 0) break;
      xor_box(area, im);  // erase the last box
      im->drag_pt[0] = x, im->drag_pt[1] = y;
      xor_box(area, im);
      break;
    case TS_FIND_LANES_AUTO:
    case TS_FIND_LANES_EVEN:
    case TS_MARK_BOUNDS:
    case TS_MARK_AXES:
      im->pt_now[0] = x, im->pt_now[1] = y;
      gt_band_paint(area);
      break;
    case TS_FIND_BANDS:
      if (im->drag_lane < 0) break;
      lane_drag_to(im, x, y);
      gt_band_paint(area);
      break;
    case TS_DEFINE_LANES: {
      const int n = im->num_lane_coords;
      im->pt_now[0] = x, im->pt_now[1] = y;
      if (n > 0 && im->lane_coords) {
        im->lane_coords[2 * n] = x;
        im->lane_coords[2 * n + 1] = y <= im->lane_coords[2 * n - 1] ? im->lane_coords[2 * n - 1] + 1 : y;
        im->pt_now[1] = im->lane_coords[2 * n + 1];
      }
      gt_band_paint(area);
      break;
    }
    case TS_LANE_BOUNDS:
      if (im->drag_pt[0] < 0) break;
      gt_overlay_lane_edit_move(im, x, y);
      im->drag_pt[0] = x, im->drag_pt[1] = y;
      gt_band_paint(area);
      break;
    case TS_COPY_BOUNDS:
      gt_overlay_bounds_drag_move(x, y);
      gt_band_paint(area);
      break;
    case TS_COPY_LANES:
      gt_overlay_lane_group_move(x - im->pt_prev[0], y - im->pt_prev[1]);
      im->pt_prev[0] = x, im->pt_prev[1] = y;
      gt_band_paint(area);
      break;
    default:
      break;
  }
}

void gt_band_mouserelease(TK_OBJ area, CONTROL* ctl, IMAGE_REC* im, int, int) {
  if (!ctl || !im) return;
  switch (ctl->task_state) {
    case TS_IDLE:
      xor_box(area, im);
      im->rubber_pt[0] = im->rubber_pt[1] = -1;
      im->drag_pt[0] = im->drag_pt[1] = -1;
      break;
    case TS_FIND_BANDS:
      if (im->drag_lane < 0) break;
      im->drag_lane = im->drag_pt_idx = -1;
      WGT_Redraw(area);
      break;
    case TS_LANE_BOUNDS:
      if (im->drag_pt[0] < 0) break;
      im->drag_pt[0] = im->drag_pt[1] = -1;
      WGT_Redraw(area);
      break;
    default:
      break;
  }
}
