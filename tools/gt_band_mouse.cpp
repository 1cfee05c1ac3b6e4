// The band and lane tools' handling of the mouse on an image, by task state.
#include "tools/gt_band_mouse.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "analysis/compare.h"
#include "base/ks_mem.h"
#include "base/slog.h"
#include "model/lane.h"
#include "shell/gt_overlay.h"
#include "shell/ih_draw.h"
#include "base/ks_msg.h"
#include "engine/lane_geometry.h"
#include "engine/std_sort.h"
#include "shell/gt_canvas.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_roles.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_band_copy.h"
#include "tools/gt_band_util.h"
#include "tools/gt_lane_copy.h"
#include "tools/gt_lane_dlgs.h"
#include "tools/gt_lane_util.h"
#include "tools/gt_report_wins.h"
#include "tools/gt_std_tools.h"
#include "tools/gt_tool_wins.h"

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

// State 5: the pointer at (x, y) clamped so that the dragged part keeps the edited lane inside
// the image. A centre point stays a width's distance from the sides, the first point above the
// last and the last below the first; an edge keeps its width at least 1 and the lane's outermost
// edge on the image.
void lane_edit_clamp(IMAGE_REC* im, int* x, int* y) {
  const LANE* lane = gt_lane_at(im, im->edit_lane);
  if (!lane || !lane->center_coords || lane->num_center_points < 1) return;
  const int w = image_width(im), h = image_height(im), n = lane->num_center_points;
  const LN_POINT* pt = lane->center_coords;
  const int i = std::clamp(im->edit_pt, 0, n - 1);
  int x0 = 0, x1 = w - 1, y0 = 0, y1 = h - 1;
  if (im->edit_mode == 2) {
    x0 = lane->left_width, x1 = w - lane->right_width - 1;
    if (n > 1 && i == 0) y1 = pt[n - 1].y - 1;
    else if (n > 1 && i == n - 1) y0 = pt[0].y + 1;
  } else {
    int least = pt[0].x, greatest = pt[0].x;
    for (int k = 1; k < n; ++k) least = std::min(least, pt[k].x), greatest = std::max(greatest, pt[k].x);
    if (im->edit_mode == 0) x0 = pt[i].x - least, x1 = pt[i].x - 1;
    else x0 = pt[i].x + 1, x1 = pt[i].x - greatest + w - 1;
  }
  // Every limit lies on the image; a lane already too wide for it keeps the lower limit.
  x0 = std::clamp(x0, 0, std::max(0, w - 1)), x1 = std::clamp(x1, 0, std::max(0, w - 1));
  y0 = std::clamp(y0, 0, std::max(0, h - 1)), y1 = std::clamp(y1, 0, std::max(0, h - 1));
  *x = std::clamp(*x, x0, std::max(x0, x1));
  *y = std::clamp(*y, y0, std::max(y0, y1));
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


void alert(int msg) { mh_send_msg(0, "%s", gt_get_message(msg)); }

// The tool points of states 10 and 11 (kept in lane_coords, as the painter reads them), with
// room for `n` marks and the rubber-band slot after them.
bool marks_room(IMAGE_REC* im, int n) { return lane_points_room(im, n); }

// States 1 and 2: corner k of the block (1-based) at the click, within the block's rules.
void place_corner(IMAGE_REC* im, int x, int y) {
  int* c = im->block_points;
  if (!c) return;
  const int w = image_width(im), h = image_height(im);
  const int k = std::clamp(im->block_step, 1, 4);
  im->rubber_pt[0] = c[2 * (k - 1)], im->rubber_pt[1] = c[2 * (k - 1) + 1];
  // The block never reaches past the image: lanes drawn in it would end outside the pixels.
  switch (k) {
    case 1: c[0] = std::clamp(x, 0, std::max(0, w - 1)), c[1] = std::clamp(y, 0, std::max(0, h - 1)); break;
    case 2: c[2] = std::min(std::max(x, c[0] + 5), std::max(0, w - 1)), c[3] = c[1]; break;
    case 3:
      y = std::max(y, c[1] + 30);
      c[4] = x, c[5] = std::min(std::max(y, c[3] + 30), h - 1);
      break;
    case 4: c[6] = std::min(x, c[4] - 5), c[7] = c[5]; break;
  }
  im->block_step = k + 1;
  im->num_block_points = k;
}

// The fourth corner: the window hands over, the lanes are made and Find Bands opens. When the
// block cannot be read nothing is left pending and the tool ends as its Cancel ends it.
void block_done(TK_OBJ area, CONTROL* ctl, IMAGE_REC* im) {
  const int state = ctl->task_state;
  im->block_step = 5;
  fd_ln_hand_over();
  NDVGM_Op467();
  int rc = 0;
  if (state == TS_FIND_LANES_AUTO) rc = gt_find_lanes(im->block_points, 2, im->lanes, im);
  else gt_block_lanes(im->block_points, im->lanes, im);
  im->rubber_pt[0] = im->rubber_pt[1] = -1;
  im->num_block_points = 0;
  if (rc != 0 || !gt_lane_any_pending(im->lanes)) {
    gt_lane_discard_pending(im);
    gt_set_state(0);
  } else {
    gt_fd_bnd_activate(gt_get_main_win(), 1);
  }
  WGT_Redraw(area);
}

void take_back_corner(IMAGE_REC* im) {
  int* c = im->block_points;
  if (!c) return;
  const int k = std::clamp(im->block_step, 1, 4);
  if (k == 1) {
    c[0] = c[1] = -1;
    fd_ln_show_step(0);
  } else {
    for (int i = 2 * (k - 2); i < 2 * k; ++i) c[i] = -1;
    im->block_step = k - 1;
    im->num_block_points = k - 2;
    fd_ln_show_step(k - 1);
  }
  im->rubber_pt[0] = im->rubber_pt[1] = -1;
}

// States 7 and 15: one band added at the click row of the lane under the click.
void add_at_click(TK_OBJ area, CONTROL* ctl, IMAGE_REC* im, int x, int y) {
  LANE* lane = nullptr;
  if (ln_xy_find_lane(x, y, im->lanes, &lane) <= 0 || !lane) {
    alert(32);
    return;
  }
  ctl->fnd_bnd_quant = static_cast<int>(ctl->task_state == TS_ADD_BAND ? ad_bnd_get_quant() : ed_bnd_get_quant());
  SPOT* b = nullptr;
  if (ctl->fnd_bnd_quant) {
    ctl->disp_codes[DISP_BAND_BOUNDS] = 1;
    b = gt_band_add_quant(im, y, lane);
  } else {
    b = gt_band_add_manual(im, y, lane);
  }
  if (b) gt_band_draw(area, im, b, 1);
}

// The tools that act on the current image only ignore presses in other images.
bool current_only(int state) {
  return (state >= 1 && state <= 6) || state == TS_MARK_BOUNDS || state == TS_MARK_AXES;
}

// States 8 and 9: the order check, then the point goes into the pending list. Regression
// (method 4) takes points in any order.
void put_pending(TK_OBJ area, IMAGE_REC* im, STD_LIST* list, int method, STD_MARKER* pt) {
  if (method != 4) {
    const int rc = std_check_monotonic(list, im->pending_stds, pt);
    if (rc != 0 && rc != 4) {
      alert(22);
      return;
    }
  }
  pt->flags = (pt->flags & ~(2 | 4)) | 9;
  im->modified = 1;
  std_list_put(im->pending_stds, pt);
  gt_band_paint(area);
}

STD_MARKER band_point(const SPOT* b, double value, int lane_num) {
  STD_MARKER pt;
  std_marker_clear(&pt);
  pt.x = b->x, pt.y = b->y, pt.value = value, pt.lane_num = lane_num;
  pt.ix = b->x, pt.iy = b->y;
  return pt;
}

// A value asked of the user; false (after the message for text that is no number) when none.
bool ask_value(IMAGE_REC* im, double* value) {
  gt_std_val_activate(im->window ? static_cast<TK_OBJ>(im->window) : gt_get_main_win(), value);
  if (*value == GT_STD_NO_VALUE) return false;
  if (*value == GT_STD_BAD_VALUE) {
    alert(23);
    return false;
  }
  return true;
}

// The next value of the size set in automatic assignment. The text starts as a mark no line can
// hold: when the reader writes nothing the set has ended, which counts as the set's -1. A blank
// line reads as 0 and skips its band.
double next_set_value() {
  static const char kMark[] = "\x01";
  char text[GT_STD_VALUE_LEN];
  std::snprintf(text, sizeof text, "%s", kMark);
  gt_std_size_set_val(text);
  if (std::strcmp(text, kMark) == 0) return -1.0;
  return std::atof(text);
}

// The band of the lane nearest the click row, however far (message 33 when the lane has none).
SPOT* lane_band_at(LANE* lane, int y, IMAGE_REC* im) {
  SPOT* b = sp_nearest_by_y(lane, y, -1, im->bands);
  if (!b) alert(33);
  return b;
}

void size_std_click(TK_OBJ area, CONTROL* ctl, IMAGE_REC* im, int x, int y) {
  LANE* lane = nullptr;
  if (ln_xy_find_lane(x, y, im->lanes, &lane) <= 0 || !lane || !im->size_stdp || !im->pending_stds) {
    gt_band_paint(area);
    return;
  }
  const int tiers = im->lane_hdr ? im->lane_hdr->num_tiers : 1;
  const int tier = lane->tier_num >= 0 && lane->tier_num < tiers ? lane->tier_num : 0;
  STD_LIST* list = im->size_stdp[tier];
  if (!list) return;
  if (std_sasn_get_auto()) {
    SPOT** arr = nullptr;
    const int n = ln_find_bands_in_lane(im->bands, &arr, lane, nullptr, nullptr);
    if (n > 0) {
      for (STD_LIST* l : {list, im->pending_stds})
        for (int i = l->count - 1; i >= 0; --i)
          if (l->records[i].lane_num == lane->lane_number) {
            if (l == list) std_sasn_take_point(&l->records[i]);
            std_list_delete(l, i);
          }
      bool ended = false;
      for (int i = 0; i < n && !ended; ++i) {
        const double v = next_set_value();
        if (v == -1.0) ended = true;
        else if (v != 0.0) {
          STD_MARKER pt = band_point(arr[i], v, lane->lane_number);
          put_pending(area, im, list, ctl->size_interp, &pt);
        }
      }
      // The values left for this lane are dropped, so the next lane starts at the set's start.
      while (!ended) ended = next_set_value() == -1.0;
    }
    ks_free(arr);
    gt_band_paint(area);
    return;
  }
  SPOT* b = lane_band_at(lane, y, im);
  if (!b) return;
  for (STD_LIST* l : {list, im->pending_stds}) {
    const int k = std_find_nearest_valid(l, b->x, b->y, 1e300);
    if (k >= 0 && std::floor(l->records[k].x + 0.5) == b->x && std::floor(l->records[k].y + 0.5) == b->y) {
      alert(81);
      return;
    }
  }
  double value = 0;
  if (!ask_value(im, &value)) return;
  STD_MARKER pt = band_point(b, value, lane->lane_number);
  put_pending(area, im, list, ctl->size_interp, &pt);
}

void conc_std_click(TK_OBJ area, CONTROL* ctl, IMAGE_REC* im, int x, int y) {
  LANE* lane = nullptr;
  if (ln_xy_find_lane(x, y, im->lanes, &lane) <= 0 || !lane || !im->pending_stds) {
    gt_band_paint(area);
    return;
  }
  SPOT* b = lane_band_at(lane, y, im);
  if (!b) return;
  if (b->amount <= 0) {
    alert(27);
    return;
  }
  STD_LIST* conc = im->conc_stdp ? *im->conc_stdp : nullptr;
  if ((b->f2 & SP_F2_CONC_STD) || std_point_is_std(b->x, b->y, im->pending_stds, conc)) {
    alert(25);
    return;
  }
  double value = 0;
  if (!ask_value(im, &value)) return;
  STD_MARKER pt = band_point(b, value, 1);
  pt.x = 0.0, pt.y = b->amount;
  put_pending(area, im, conc, ctl->conc_interp, &pt);
}

// The image that presses act on in states 8 and 9: the assignment's own.
bool assignment_image(int state, const IMAGE_REC* im) {
  IMAGE_REC* owner = state == TS_SIZE_STDS ? std_sasn_image() : std_casn_image();
  return im == (owner ? owner : gt_get_image_ptr());
}

}  // namespace

void gt_band_select_in_rect(TK_OBJ area, const int* r, IMAGE_REC* im, int modifier) {
  if (!im || !im->has_bands || !im->bands || !im->bands->next) return;
  if (!modifier) gt_deselect_all(area, im);
  bool any = false;
  auto pick = [&](SPOT* b) {
    const bool on = modifier ? !(b->f2 & SP_F2_SELECTED) : true;
    gt_band_set_selected(im, b, on ? 1 : 0);
    if (area) gt_band_draw(area, im, b, 0);
  };
  for (SPOT* b = im->bands->next; b; b = b->next)
    if (b->x > r[0] && b->x < r[2] && b->y > r[1] && b->y < r[3]) pick(b), any = true;
  if (!any || im->num_sel_bands == 0)
    if (SPOT* b = sp_nearest_spot(im->click_pt[0], im->click_pt[1], -1, im->bands, nullptr)) pick(b);
}

void gt_lane_select_rect(TK_OBJ area, const int* r, IMAGE_REC* im, int toggle) {
  if (!im || !im->lanes || !im->lanes->next || !im->has_bands) return;
  if (!toggle) gt_deselect_all(area, im);
  bool any = false;
  auto pick = [&](LANE* l) {
    const bool on = toggle ? !(l->f & LN_F_SELECTED) : true;
    if (on && !(l->f & LN_F_SELECTED)) ++im->num_sel_lanes, im->cur_lane = l;
    if (!on && (l->f & LN_F_SELECTED)) --im->num_sel_lanes;
    if (on) l->f |= LN_F_SELECTED;
    else l->f &= ~uint32_t(LN_F_SELECTED);
    if (area) gt_lane_draw(area, im, l);
  };
  for (LANE* l = im->lanes->next; l; l = l->next) {
    if (l->num_center_points < 1) continue;
    const LN_POINT& a = l->center_coords[0];
    const LN_POINT& b = l->center_coords[l->num_center_points - 1];
    if (((a.x > r[0] && a.x < r[2]) || (b.x > r[0] && b.x < r[2])) && a.y < r[3] && b.y > r[1]) pick(l), any = true;
  }
  if (!any || im->num_sel_lanes == 0) {
    LANE* hit = nullptr;
    if (ln_xy_find_lane(im->click_pt[0], im->click_pt[1], im->lanes, &hit) > 0 && hit) pick(hit);
  }
}

namespace {
}  // namespace

int gt_band_hit_tolerance(int zoom) { return std::clamp(8 - zoom, 4, 12); }

void gt_band_mouseclick(TK_OBJ area, TK_OBJ, CONTROL* ctl, IMAGE_REC* im, int modifier) {
  static const char* fn = "gt_band_mouseclick";
  if (!ctl || !im || !im->img_ptr) return;
  const int x = im->click_pt[0], y = im->click_pt[1];
  SLOG(fn, SLOG_ENTRY, "state %d (%d, %d)", ctl->task_state, x, y);
  const int tol = gt_band_hit_tolerance(im->img_ptr->zoom[0]);
  if (current_only(ctl->task_state) && im != gt_get_image_ptr()) return;
  if ((ctl->task_state == TS_SIZE_STDS || ctl->task_state == TS_CONC_STDS) &&
      !assignment_image(ctl->task_state, im))
    return;
  switch (ctl->task_state) {
    case TS_MODIFY_STDS_LINE: {
      // A point of the standards line moves to the band under the click, or to the lane centre.
      LANE* lane = nullptr;
      if (ln_xy_find_lane(x, y, im->lanes, &lane) <= 0 || !lane || !im->std_line) break;
      if (area) gt_band_stds(area, im);
      STD_MARKER pt;
      std_marker_clear(&pt);
      pt.value = im->cur_std_value;
      pt.lane_num = lane->lane_number;
      pt.flags = STD_M_VALID;
      if (const SPOT* b = sp_nearest_spot(x, y, 2, im->bands, nullptr)) pt.x = b->x, pt.y = b->y;
      else pt.x = ln_center_x(y, lane), pt.y = y;
      pt.ix = static_cast<int>(pt.x), pt.iy = static_cast<int>(pt.y);
      std_line_put(im, lane, &pt);
      WGT_Redraw(area);
      break;
    }
    case TS_SIZE_STDS:
    case TS_CONC_STDS:
      if (modifier) {
        if (im->pending_stds && im->pending_stds->count > 0)
          std_list_delete(im->pending_stds, im->pending_stds->count - 1);
        gt_band_paint(area);
      } else if (ctl->task_state == TS_SIZE_STDS) {
        size_std_click(area, ctl, im, x, y);
      } else {
        conc_std_click(area, ctl, im, x, y);
      }
      break;
    case TS_FIND_LANES_AUTO:
    case TS_FIND_LANES_EVEN:
      if (modifier) {
        take_back_corner(im);
        WGT_Redraw(area);
        break;
      }
      place_corner(im, x, y);
      if (im->block_step > 4) {
        block_done(area, ctl, im);
        break;
      }
      fd_ln_show_step(im->block_step);
      im->rubber_pt[0] = im->rubber_pt[1] = -1;
      gt_band_paint(area);
      break;
    case TS_ADD_BAND:
      add_at_click(area, ctl, im, x, y);
      break;
    case TS_MULTIPLEX_MARKERS:
      // Up to three marker points; the modifier takes the last one back.
      if (modifier) {
        if (im->num_mark_pts > 0) {
          --im->num_mark_pts;
          im->mark_pts[im->num_mark_pts][0] = im->mark_pts[im->num_mark_pts][1] = -1;
        }
        WGT_Redraw(area);
      } else if (im->num_mark_pts < 3) {
        im->mark_pts[im->num_mark_pts][0] = x, im->mark_pts[im->num_mark_pts][1] = y;
        ++im->num_mark_pts;
        gt_band_paint(area);
      }
      multi_set_count(im->num_mark_pts);
      break;
    case TS_EDIT_BAND:
      if (NDVGM_Op414() == 1) {
        add_at_click(area, ctl, im, x, y);
      } else if (SPOT* b = sp_nearest_spot(x, y, 4, im->bands, nullptr)) {
        gt_deselect_all(nullptr, im);
        gt_band_set_selected(im, b, 1);
        gt_band_delete_selected(im, 0);
      }
      break;
    case TS_MARK_BOUNDS:
    case TS_MARK_AXES: {
      const int limit = ctl->task_state == TS_MARK_BOUNDS ? 100 : 4;
      const int n = im->num_lane_coords;
      if (modifier) {
        if (n > 0) --im->num_lane_coords;
        if (im->lane_coords) im->lane_coords[2 * im->num_lane_coords] = -1;
        if (ctl->task_state == TS_MARK_AXES) bd_axe_show_step(im->num_lane_coords);
        WGT_Redraw(area);
        break;
      }
      if (n >= limit) {
        alert(43);
        break;
      }
      if (!marks_room(im, n + 1)) break;
      im->rubber_pt[0] = im->rubber_pt[1] = -1;
      im->lane_coords[2 * n] = x, im->lane_coords[2 * n + 1] = y;
      im->num_lane_coords = n + 1;
      if (ctl->task_state == TS_MARK_AXES && im->num_lane_coords == 4) {
        if (gt_band_apply_axes() == 0) im->num_lane_coords = 0;
        bd_axe_dismiss();
        WGT_Redraw(area);
        break;
      }
      im->lane_coords[2 * (n + 1)] = x, im->lane_coords[2 * (n + 1) + 1] = y;
      if (ctl->task_state == TS_MARK_AXES) bd_axe_show_step(im->num_lane_coords);
      gt_band_paint(area);
      break;
    }
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
        if (im->num_lane_coords == 0) def_ln_show_step(0, gt_lane_any_pending(im->lanes));
        if (im->lane_coords) im->lane_coords[2 * im->num_lane_coords] = -1;
        im->rubber_pt[0] = im->rubber_pt[1] = -1;
        WGT_Redraw(area);
        NDVGM_Op467();
        break;
      }
      if (n >= kMaxLanePoints || !lane_points_room(im, n + 1)) break;
      if (n == 0) def_ln_show_step(1, gt_lane_any_pending(im->lanes));
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
      if (modifier) break;
      im->drag_pt[0] = im->drag_pt[1] = -1;
      if (gt_band_hit_bound_point(im, x, y)) im->drag_pt[0] = x, im->drag_pt[1] = y;
      gt_band_paint(area);
      break;
    }
    case TS_COPY_BOUNDS:
      gt_band_copy_bounds_stamp(im);
      break;
    case TS_COPY_LANES:
      if (im != gt_get_image_ptr()) {
        gt_copy_lanes_prepare(im, gt_get_image_ptr());
        gt_set_image_ptr(im);
      }
      gt_copy_lanes_drop(im, x, y);
      im->pt_prev[0] = x, im->pt_prev[1] = y;
      gt_band_paint(area);
      break;
    default:
      break;
  }
}

void gt_band_doubleclick(TK_OBJ area, CONTROL* ctl, IMAGE_REC* im, int modifier) {
  if (!ctl || !im) return;
  SLOG("gt_band_doubleclick", SLOG_ENTRY, "state %d", ctl->task_state);
  if (current_only(ctl->task_state) && im != gt_get_image_ptr()) return;
  switch (ctl->task_state) {
    case TS_IDLE:
      // A double click in bands mode compares the selected bands; on a lane in lanes mode it
      // plots the selected lanes.
      if (ctl->sel_mode == SEL_BANDS && im->has_bands && im->bands && im->bands->next)
        compare_activate();
      else if (ctl->sel_mode == SEL_LANES && im->cur_lane)
        gt_lane_profile_activate(gt_get_main_win());
      break;
    case TS_FIND_LANES_AUTO:
    case TS_FIND_LANES_EVEN:
      if (!modifier || !im->block_points) break;
      im->block_step = 1;
      im->num_block_points = 0;
      for (int i = 0; i < 8; ++i) im->block_points[i] = -1;
      fd_ln_show_step(0);
      im->rubber_pt[0] = im->rubber_pt[1] = -1;
      WGT_Redraw(area);
      break;
    case TS_DEFINE_LANES:
      if (modifier) {
        lane_points_room(im, 0);
        im->num_lane_coords = 0;
        def_ln_show_step(0, gt_lane_any_pending(im->lanes));
        im->rubber_pt[0] = im->rubber_pt[1] = -1;
        WGT_Redraw(area);
        break;
      }
      gt_band_def_lanes_done(im, 0);
      def_ln_show_step(0, gt_lane_any_pending(im->lanes));
      NDVGM_Op467();
      WGT_Redraw(area);
      break;
    case TS_MARK_BOUNDS:
      if (modifier) {
        im->num_lane_coords = 0;
        break;
      }
      gt_band_apply_bounds();
      bd_mrk_dismiss();
      WGT_Redraw(area);
      break;
    case TS_MARK_AXES:
      if (modifier) {
        im->num_lane_coords = 0;
        bd_axe_show_step(0);
      }
      break;
    case TS_MULTIPLEX_MARKERS:
      // The modifier double click starts the markers over.
      if (!modifier) break;
      for (auto& p : im->mark_pts) p[0] = p[1] = -1;
      im->num_mark_pts = 0;
      multi_set_count(0);
      gt_redraw_img(im);
      break;
    default:
      break;
  }
}

int gt_band_hit_bound_point(IMAGE_REC* im, int x, int y) {
  LANE* lane = im ? gt_lane_at(im, im->edit_lane) : nullptr;
  if (!lane || !lane->center_coords || !im->img_ptr) return 0;
  const int tol = gt_band_hit_tolerance(im->img_ptr->zoom[0]);
  for (int i = 0; i < lane->num_center_points; ++i) {
    const LN_POINT& p = lane->center_coords[i];
    const int cand[3][2] = {{p.x - lane->left_width, p.y}, {p.x + lane->right_width, p.y}, {p.x, p.y}};
    for (int side = 0; side < 3; ++side)
      if (dist(x, y, cand[side][0], cand[side][1]) < tol) {
        im->edit_pt = i, im->edit_mode = side;
        return 1;
      }
  }
  return 0;
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
      if (im->drag_lane < 0) {
        // Without a drag: the drag pointer over a pending lane or one of its centre points.
        const int keep = im->hit_lane;
        const bool over = gt_lane_hit(im, x, y, 1) == 1;
        im->hit_lane = keep;
        NDVGM_Op1474(area, over ? NDVGM_Op112(24) : 1);
        break;
      }
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
      if (im->drag_pt[0] < 0) {
        // Without a drag: the drag pointer over an edge or centre point of the edited lane.
        NDVGM_Op1474(area, gt_band_hit_bound_point(im, x, y) ? NDVGM_Op112(24) : 1);
        break;
      }
      lane_edit_clamp(im, &x, &y);
      gt_overlay_lane_edit_move(im, x, y);
      im->drag_pt[0] = x, im->drag_pt[1] = y;
      gt_band_paint(area);
      break;
    case TS_COPY_BOUNDS:
      if (im != gt_get_image_ptr()) {
        // The group moves into this image: its stamps start here empty.
        gt_set_image_ptr(im);
        gt_band_copy_bounds_init(im);
      }
      gt_band_copy_bounds_move(im, x, y);
      gt_band_paint(area);
      break;
    case TS_COPY_LANES:
      if (im != gt_get_image_ptr()) {
        gt_copy_lanes_prepare(im, gt_get_image_ptr());
        gt_set_image_ptr(im);
      }
      // The placing cross until the group has been dropped in this image, then the drag pointer.
      NDVGM_Op1474(area, NDVGM_Op112(im->lane_copy.dropped ? 24 : 11));
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
    case TS_IDLE: {
      if (im->rubber_pt[0] < 0) break;
      xor_box(area, im);
      const int x0 = im->rubber_pt[0], y0 = im->rubber_pt[1];
      const int x1 = im->drag_pt[0] < 0 ? x0 : im->drag_pt[0], y1 = im->drag_pt[0] < 0 ? y0 : im->drag_pt[1];
      im->rubber_pt[0] = im->rubber_pt[1] = -1;
      im->drag_pt[0] = im->drag_pt[1] = -1;
      const int r[4] = {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
      const int modifier = (NDVGM_Op403() & 8) ? 1 : 0;
      if (ctl->sel_mode == 0) {
        gt_band_select_in_rect(area, r, im, modifier);
        compare_update(modifier);  // an open compare report follows the selection
      } else if (ctl->sel_mode == 1) gt_lane_select_rect(area, r, im, modifier);
      else if (ctl->sel_mode == 2) gt_std_size_select(area, r, im, modifier);
      else if (ctl->sel_mode == 3) gt_std_conc_select(area, r, im, modifier);
      WGT_Redraw(area);
      break;
    }
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
