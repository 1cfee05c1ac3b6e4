#include "tools/gt_band_copy.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "base/ks_msg.h"
#include "base/slog.h"
#include "engine/lane_geometry.h"
#include "engine/full_pixels.h"
#include "engine/pixel_guard.h"
#include "engine/quant.h"
#include "model/quant.h"
#include "shell/gt_canvas.h"
#include "shell/gt_image_win.h"
#include "shell/gt_overlay.h"
#include "toolkit/tk_res.h"
#include "tools/gt_band_util.h"

namespace {

struct Pick {
  int cx, cy;  // the band's centre
  int thickness, lane_width;
  int bx[SP_BOUNDS], by[SP_BOUNDS];
};

std::vector<Pick> s_picks;
int s_centre[2] = {0, 0};  // the group's centre when it was picked up
int s_half[2] = {0, 0};    // half width and half height of the group
int s_disp[2] = {0, 0};    // where the group stands now, from where it was picked up
std::map<const IMAGE_REC*, std::vector<std::pair<int, int>>> s_stamps;  // displacements

int img_w(const IMAGE_REC* im) { return im->img_ptr ? std::max(im->img_ptr->img_width, im->img_ptr->pix_width) : 0; }
int img_h(const IMAGE_REC* im) { return im->img_ptr ? std::max(im->img_ptr->img_height, im->img_ptr->pix_height) : 0; }

// The painter's copy of the group, at the group's current place.
void sync_overlay() {
  GtBoundsDrag* g = gt_overlay_bounds_drag();
  *g = GtBoundsDrag{};
  const int mx = s_centre[0] + s_disp[0], my = s_centre[1] + s_disp[1];
  for (size_t k = 0; k < s_picks.size(); ++k) {
    GtBoundSlot& s = g->slot[k];
    s.in_use = 1;
    for (int i = 0; i < SP_BOUNDS; ++i) {
      s.bound_x[i] = s_picks[k].bx[i] == -1 ? -1 : s_picks[k].bx[i] + s_disp[0];
      s.bound_y[i] = s_picks[k].by[i] == -1 ? -1 : s_picks[k].by[i] + s_disp[1];
    }
    s.last_mouse[0] = s.band_pos[0] = mx;
    s.last_mouse[1] = s.band_pos[1] = my;
  }
  g->first_draw = 1;
}

void clear_all() {
  s_picks.clear();
  s_stamps.clear();
  s_disp[0] = s_disp[1] = 0;
  *gt_overlay_bounds_drag() = GtBoundsDrag{};
}

std::vector<IMAGE_REC*> open_images() {
  std::vector<IMAGE_REC*> v;
  for (int i = 0; i < gt_get_num_img_windows(); ++i)
    if (auto* im = static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(i)))) v.push_back(im);
  IMAGE_REC* cur = gt_get_image_ptr();
  if (cur && std::find(v.begin(), v.end(), cur) == v.end()) v.push_back(cur);
  return v;
}

bool surrounds(const std::vector<LN_POINT>& m, int x, int y) {
  bool l = false, r = false, u = false, d = false;
  for (const LN_POINT& p : m) l |= p.x < x, r |= p.x > x, u |= p.y < y, d |= p.y > y;
  return l && r && u && d;
}

// One pick stamped at displacement (dx, dy) in the image.
void apply_one(IMAGE_REC* im, const Pick& p, int dx, int dy) {
  const int sx = p.cx + dx, sy = p.cy + dy;
  LANE* lane = nullptr;
  if (ln_xy_find_lane(sx, sy, im->lanes, &lane) <= 0 || !lane) return;
  std::vector<LN_POINT> marks;
  for (int i = 0; i < SP_BOUNDS; ++i)
    if (p.bx[i] != -1 && p.by[i] != -1) marks.push_back({p.bx[i] + dx, p.by[i] + dy});
  if (marks.size() < 3) return;
  SPOT* b = sp_nearest_by_y(lane, sy, -1, im->bands);
  if (b && surrounds(marks, b->x, b->y)) {
    b->thickness = p.thickness;
    b->lane_width = p.lane_width;
  } else if (!(b = gt_band_make_at(im, sy, lane))) {
    return;
  }
  LANE_IMAGE img{};
  LnPixels px(im->file_path);  // shares the apply command's copy of the image's pixels
  if (ln_pixels_lane_image(px, lane, &img, im->img_info, b->y) != 0) return;
  if (mj_mb_doquant(b, lane, int(marks.size()), marks.data(), &img, im->img_int_info, 1) && b->result) {
    std::memcpy(b->bound_x, b->result->img_x, sizeof b->bound_x);
    std::memcpy(b->bound_y, b->result->img_y, sizeof b->bound_y);
    b->f1 = (b->f1 & ~SP_F1_TYPE_MASK) | 11u;
  }
  mj_res_free(&b->result);
  ln_free_lane_image(&img);
}

}  // namespace

void gt_band_copy_bounds(TK_OBJ owner, IMAGE_REC* im) {
  if (!im || !im->bands) return;
  std::vector<SPOT*> sel;
  for (SPOT* b = im->bands->next; b; b = b->next) {
    if (!(b->f2 & SP_F2_SELECTED)) continue;
    if (b->amount <= 0.0) {
      mh_send_msg(0, "%s", gt_get_message(42));
      return;
    }
    sel.push_back(b);
  }
  if (sel.empty()) return;
  if (sel.size() > GT_COPY_MAX_PICKS) {
    mh_send_msg(0, "Copy Bounds takes at most %d bands at a time; %zu are selected.", GT_COPY_MAX_PICKS, sel.size());
    return;
  }
  gt_busy_begin();
  clear_all();
  int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
  bool any = false;
  for (SPOT* b : sel) {
    Pick p{};
    p.cx = b->x, p.cy = b->y, p.thickness = b->thickness, p.lane_width = b->lane_width;
    std::memcpy(p.bx, b->bound_x, sizeof p.bx);
    std::memcpy(p.by, b->bound_y, sizeof p.by);
    for (int i = 0; i < SP_BOUNDS; ++i) {
      if (p.bx[i] == -1) continue;
      if (!any) x0 = x1 = p.bx[i], y0 = y1 = p.by[i], any = true;
      x0 = std::min(x0, p.bx[i]), x1 = std::max(x1, p.bx[i]);
      y0 = std::min(y0, p.by[i]), y1 = std::max(y1, p.by[i]);
    }
    s_picks.push_back(p);
  }
  s_centre[0] = (x1 - x0) / 2 + x0, s_centre[1] = (y1 - y0) / 2 + y0;
  s_half[0] = static_cast<int>(std::floor((x1 - x0) * 0.5 + 0.5));
  s_half[1] = static_cast<int>(std::floor((y1 - y0) * 0.5 + 0.5));
  gt_band_copy_bounds_init(im);
  gt_busy_end();
  gt_bd_cpy_activate(owner);
}

void gt_band_copy_bounds_init(IMAGE_REC* im) {
  if (!im) return;
  s_stamps[im].clear();
  sync_overlay();
}

void gt_band_copy_bounds_move(IMAGE_REC* im, int x, int y) {
  if (!im || s_picks.empty()) return;
  const int w = img_w(im), h = img_h(im);
  x = std::clamp(x, s_half[0], std::max(s_half[0], w - s_half[0] - 1));
  y = std::clamp(y, s_half[1], std::max(s_half[1], h - s_half[1] - 1));
  gt_overlay_bounds_drag_move(x, y);
  s_disp[0] = x - s_centre[0], s_disp[1] = y - s_centre[1];
}

int gt_band_copy_bounds_stamp(IMAGE_REC* im) {
  if (!im || s_picks.empty()) return -1;
  auto& v = s_stamps[im];
  if (int(v.size()) + 1 >= GT_COPY_MAX_STAMPS) {
    mh_send_msg(0, "%s", gt_get_message(43));
    return -1;
  }
  v.emplace_back(s_disp[0], s_disp[1]);
  SLOG("gt_band_copy_bounds_stamp", SLOG_VALUE4, "stamp %zu at (%d, %d)", v.size(), s_disp[0], s_disp[1]);
  return 0;
}

int gt_band_copy_stamp_count(const IMAGE_REC* im) {
  auto it = s_stamps.find(im);
  return it == s_stamps.end() ? 0 : int(it->second.size());
}

void gt_band_copy_bounds_apply() {
  mh_status_message(gt_get_status_bar(), 1, "%s", gt_get_message(35));
  gt_busy_begin();
  gt_set_state(0);
  for (IMAGE_REC* im : open_images()) {
    auto it = s_stamps.find(im);
    if (it == s_stamps.end() || it->second.empty()) continue;
    // One read of the image for all its pastes; an image whose pixels cannot be had, or are
    // lost while read, gets none of them.
    PixelGuard guard(im);
    if (!guard.ready()) continue;
    for (const auto& d : it->second)
      for (const Pick& p : s_picks) apply_one(im, p, d.first, d.second);
    if (guard.undo_if_lost()) continue;
    im->modified = 1;
    gt_redraw_img(im);
  }
  clear_all();
  mh_clear_status(gt_get_status_bar(), 0);
  gt_busy_end();
}

void gt_band_copy_bounds_cancel() {
  clear_all();
  for (IMAGE_REC* im : open_images()) gt_redraw_img(im);
}
