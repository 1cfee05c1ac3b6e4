#include "tools/gt_lane_util.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "engine/band_find.h"
#include "engine/full_pixels.h"
#include "engine/pixel_guard.h"
#include "engine/lane_features.h"
#include "engine/lane_profile.h"
#include "engine/lane_track.h"
#include "io/kes_image.h"
#include "model/std_list.h"
#include "shell/gt_canvas.h"
#include "shell/gt_image_win.h"
#include "shell/gt_misc.h"
#include "toolkit/core/tk_reduce.h"
#include "toolkit/tk_res.h"
#include "tools/gt_band_util.h"
#include "tools/gt_tool_wins.h"

namespace {

int rnd(double v) { return static_cast<int>(std::floor(v + 0.5)); }

bool confirmed(const LANE* l) { return (l->f & LN_F_TOOL_MARK) != 0; }

int first_y(const LANE* l) { return l->num_center_points > 0 ? l->center_coords[0].y : 0; }
int last_y(const LANE* l) {
  return l->num_center_points > 0 ? l->center_coords[l->num_center_points - 1].y : 0;
}
int first_x(const LANE* l) { return l->num_center_points > 0 ? l->center_coords[0].x : 0; }

int tier_count(const IMAGE_REC* im) { return im->lane_hdr ? im->lane_hdr->num_tiers : 0; }

// Makes n pending lanes numbered 1..n behind a new head; null when memory runs out.
LANE* make_lanes(int n) {
  LANE* head = ln_make_lane();
  if (!head) return nullptr;
  LANE** link = &head->next;
  for (int i = 0; i < n; ++i) {
    *link = ln_make_lane();
    if (!*link) {
      ln_free_lanes(head);
      return nullptr;
    }
    (*link)->lane_number = i + 1;
    link = &(*link)->next;
  }
  return head;
}

// Hands the lanes after `made` to the image's list: the whole chain when the image has no
// lanes (all in tier 0), else each through the tier assignment and the ordered insert. The
// temporary head is freed.
void attach_lanes(IMAGE_REC* im, LANE* list, LANE* made) {
  if (!list->next) {
    list->next = made->next;
    for (LANE* l = list->next; l; l = l->next) l->tier_num = 0;
    gt_lane_ensure_tier_lists(im);
  } else {
    LANE* l = made->next;
    while (l) {
      LANE* next = l->next;
      l->next = nullptr;
      gt_lane_set_tier(im, l, "attach_lanes");
      gt_lane_insert(list, l);
      l = next;
    }
  }
  made->next = nullptr;
  ln_free_lane(made);
}

bool set_points(LANE* l, int n) {
  l->center_coords = static_cast<LN_POINT*>(ks_alloc_msg(sizeof(LN_POINT) * std::size_t(n)));
  if (!l->center_coords) return false;
  l->num_center_points = n;
  return true;
}

}  // namespace

// Tiers -------------------------------------------------------------------------------------

bool gt_lane_ensure_tier_lists(IMAGE_REC* im) {
  if (!im || !im->lane_hdr) return false;
  if (im->lane_hdr->num_tiers < 1) im->lane_hdr->num_tiers = 1;
  return gt_img_fill_tier_lists(im, im->lane_hdr->num_tiers);
}

void gt_lane_create_tier(IMAGE_REC* im, LANE* lane) {
  if (!im || !lane || !im->lane_hdr) return;
  const int n = std::max(tier_count(im), 0);
  // Tiers that have no list yet (lanes made before any list existed) get an empty one, so
  // that every tier below the new one keeps its place in the array.
  gt_img_fill_tier_lists(im, n);
  auto** arr = static_cast<STD_LIST**>(ks_alloc_msg(sizeof(STD_LIST*) * std::size_t(n + 1)));
  if (!arr) {
    ks_dbg_null_ptr("gt_lane_create_tier", "image_ptr->size_stdp");
    return;
  }
  for (int t = 0; t < n; ++t) arr[t] = im->size_stdp ? im->size_stdp[t] : nullptr;
  arr[n] = std_list_create();
  ks_free(im->size_stdp);
  im->size_stdp = arr;
  lane->tier_num = n;
  im->lane_hdr->num_tiers = n + 1;
}

void gt_lane_set_tier(IMAGE_REC* im, LANE* lane, const char* caller) {
  if (!im) {
    SLOG("gt_lane_set_tier", SLOG_ERROR, "TROUBLE: image_ptr NULL (%s)", caller ? caller : "");
    return;
  }
  if (!im->lanes || !lane) {
    SLOG("gt_lane_set_tier", SLOG_ERROR, "TROUBLE: lanes NULL (%s)", caller ? caller : "");
    return;
  }
  // The first lane of an image takes tier 0, which stays (with its list) when the image's
  // lanes are all gone, e.g. after a cancelled Define: a new tier there would leave tier 0, whose
  // list carries the settings of every tier, without lanes.
  bool alone = true;
  for (LANE* l = im->lanes->next; l && alone; l = l->next) alone = l == lane;
  if (alone && im->lane_hdr && im->lane_hdr->num_tiers >= 1) {
    lane->tier_num = 0;
    gt_lane_ensure_tier_lists(im);
    return;
  }
  const int y0 = first_y(lane), y1 = last_y(lane);
  for (LANE* l = im->lanes->next; l; l = l->next) {
    if (l == lane) continue;
    if (y0 < last_y(l) && first_y(l) < y1) {
      lane->tier_num = l->tier_num;
      return;
    }
  }
  gt_lane_create_tier(im, lane);
}

int gt_lane_tier_of(IMAGE_REC* im, int number) {
  if (!im || !im->lanes) return 0;
  for (LANE* l = im->lanes->next; l; l = l->next)
    if (l->lane_number == number) return l->tier_num;
  return 0;
}

void gt_lane_drop_tier(IMAGE_REC* im, int tier) {
  if (!im || !im->lanes || !im->lane_hdr) {
    SLOG("gt_lane_drop_tier", SLOG_ERROR, "TROUBLE: image_ptr or lanes NULL");
    return;
  }
  SLOG("gt_lane_drop_tier", SLOG_ENTRY, "tier %d of %d", tier, im->lane_hdr->num_tiers);
  // Tier 0's list carries the settings of every tier and the next new lane takes it, so it
  // stays; a middle tier stays while a tier above it holds lanes (the lanes index by tier).
  while (im->lane_hdr->num_tiers > 1) {
    const int top = im->lane_hdr->num_tiers - 1;
    bool used = false;
    for (LANE* l = im->lanes->next; l && !used; l = l->next) used = l->tier_num == top;
    if (used) break;
    if (im->size_stdp && im->size_stdp[top]) {
      if (im->mod_tier == im->size_stdp[top]) im->mod_tier = nullptr;
      if (!std_list_free(im->size_stdp[top])) ks_free(im->size_stdp[top]);
      im->size_stdp[top] = nullptr;
    }
    im->lane_hdr->num_tiers = top;
  }
}

// Lists -------------------------------------------------------------------------------------

int gt_lane_any_pending(const LANE* head) {
  for (const LANE* l = head ? head->next : nullptr; l; l = l->next)
    if (!confirmed(l)) return 1;
  return 0;
}

void gt_lane_insert(LANE* head, LANE* lane) {
  if (!head || !lane) return;
  LANE* prev = head;
  LANE* l = head->next;
  while (l && l->tier_num != lane->tier_num) prev = l, l = l->next;
  if (l) {
    while (l && l->tier_num == lane->tier_num && first_x(l) <= first_x(lane)) prev = l, l = l->next;
  }
  lane->next = prev->next;
  prev->next = lane;
  int number = prev == head ? 1 : prev->lane_number + 1;
  for (LANE* k = lane; k; k = k->next) k->lane_number = number++;
}

int gt_lane_hit(IMAGE_REC* im, int x, int y, int mode) {
  if (!im || !im->lanes) return 0;
  int k = 0;
  for (LANE* l = im->lanes->next; l; l = l->next, ++k) {
    if ((mode == 0 || (mode == 1 && !confirmed(l))) && ln_xyinlane(x, y, l)) {
      im->hit_lane = k;
      im->click_pt[0] = x, im->click_pt[1] = y;
      return 1;
    }
  }
  im->hit_lane = k;
  return 0;
}

// Lanes in a block --------------------------------------------------------------------------

int gt_block_lanes(const int* c, LANE* list, IMAGE_REC* im) {
  static const char* fn = "gt_block_lanes";
  if (!c || !list || !im) return 0;
  const int n = im->num_sel_lanes;
  im->num_sel_lanes = 0;
  if (n < 1) return 0;
  const int x0 = c[0], y0 = c[1], x1 = c[2], y1 = c[3], x2 = c[4], y2 = c[5], x3 = c[6], y3 = c[7];
  const int w = std::min((x1 - x0) / n, (x2 - x3) / n) / 2;
  LANE* made = make_lanes(n);
  if (!made) return 0;
  int k = 0;
  for (LANE* l = made->next; l; l = l->next, ++k) {
    l->left_width = l->right_width = w;
    if (!set_points(l, 8)) {
      ks_dbg_null_ptr(fn, "curr_lane->center_coords");
      ln_free_lanes(made);
      return 0;
    }
    const int tx = rnd(k * double(x1 - x0) / n) + w + x0, ty = std::min(y0, y1);
    const int bx = rnd(k * double(x2 - x3) / n) + x3 + w, by = std::max(y2, y3);
    for (int j = 0; j < 8; ++j) {
      l->center_coords[j].x = tx + rnd(j * double(bx - tx) / 7);
      l->center_coords[j].y = ty + rnd(j * double(by - ty) / 7);
    }
  }
  attach_lanes(im, list, made);
  gt_redraw_img(im);
  return 0;
}

int gt_find_lanes(const int* c, int param, LANE* list, IMAGE_REC* im) {
  static const char* fn = "gt_find_lanes";
  if (!c || !list || !im) return -1;
  const int n = im->num_sel_lanes;
  im->num_sel_lanes = 0;
  if (n < 1) return 0;
  const int left = std::min(c[0], c[6]), top = std::min(c[1], c[3]);
  const int W = std::max(c[2], c[4]) - left, H = std::max(c[5], c[7]) - top;
  const int f = std::max(1, static_cast<int>(W / double(n) / 20.0));
  SLOG(fn, SLOG_ENTRY, "%d lanes, block %d x %d at (%d, %d), reduced by %d", n, W, H, left, top, f);
  mh_status_message(gt_get_status_bar(), 1, "%s", gt_get_message(14));
  gt_busy_begin();
  auto end = [&](int rc) {
    mh_clear_status(gt_get_status_bar(), 0);
    gt_busy_end();
    return rc;
  };
  const LN_POINT corners[4] = {{c[0], c[1]}, {c[2], c[3]}, {c[4], c[5]}, {c[6], c[7]}};
  LnBlock block;
  {
    // The block is reduced where it lies in the image's full-depth pixels; pixels cut while
    // they were read make no lanes.
    LnPixels px(im->file_path);
    if (W < 1 || H < 1 || !px.readable() || !ln_pixels_block(px, corners, n, &block) ||
        px.lost()) {
      SLOG(fn, SLOG_ERROR, "cannot read the block of <%s>", im->file_path);
      return end(-1);
    }
  }
  LANE* made = make_lanes(n);
  if (!made) return end(-1);
  ln_track_lanes(made, n, &block.reduced, block.height, block.width, block.bytes, corners, block.f,
                 param, block.left, block.top);
  attach_lanes(im, list, made);
  gt_redraw_img(im);
  return end(0);
}

// Lanes by hand -----------------------------------------------------------------------------

int gt_band_def_lanes_done(IMAGE_REC* im, int end_flag) {
  static const char* fn = "gt_band_def_lanes_done";
  if (!im || !im->lanes) return 0;
  if (end_flag == 0) {
    const int n = im->num_lane_coords;
    if (n < 2 || !im->lane_coords) {
      mh_send_msg(1, "%s", gt_get_message(48));
      return 0;
    }
    LANE* lane = ln_make_lane();
    if (!lane) return 0;
    if (!set_points(lane, n)) {
      ks_dbg_null_ptr(fn, "new_lane->center_coords");
      ln_free_lane(lane);
      return 0;
    }
    for (int i = 0; i < n; ++i) lane->center_coords[i] = {im->lane_coords[2 * i], im->lane_coords[2 * i + 1]};
    int* fresh = static_cast<int*>(ks_alloc_msg(sizeof(int) * 2));
    if (!fresh) ks_dbg_null_ptr(fn, "image_ptr->lane_coords");
    else fresh[0] = fresh[1] = -1;
    ks_free(im->lane_coords);
    im->lane_coords = fresh;
    im->num_lane_coords = 0;
    const LANE* first = im->lanes->next;
    lane->left_width = first ? first->left_width : 10;
    lane->right_width = first ? first->right_width : 10;
    if (!im->lanes->next) {
      lane->tier_num = 0;
      gt_lane_ensure_tier_lists(im);
    } else {
      gt_lane_set_tier(im, lane, fn);
    }
    gt_lane_insert(im->lanes, lane);
    return 1;
  }
  if (!gt_lane_any_pending(im->lanes)) {
    mh_send_msg(1, "%s", gt_get_message(46));
    gt_lane_discard_pending(im);
    im->num_lane_coords = 0;
    return 0;
  }
  im->num_lane_coords = 0;
  gt_redraw_img(im);
  return 1;
}

// Numbers -----------------------------------------------------------------------------------

void gt_lane_renumber(IMAGE_REC* im, int clear_names) {
  if (!im || !im->lanes) return;
  int k = 1;
  for (LANE* l = im->lanes->next; l; l = l->next) {
    l->lane_number = k++;
    if (clear_names == 1) l->lane_name[0] = '\0';
  }
  for (int t = 0; t < tier_count(im) && im->size_stdp; ++t) {
    STD_LIST* list = im->size_stdp[t];
    for (int i = 0; list && i < list->count; ++i) {
      STD_MARKER& m = list->records[i];
      LANE* hit = nullptr;
      if (ln_xy_find_lane(rnd(m.x), rnd(m.y), im->lanes, &hit) > 0 && hit) m.lane_num = hit->lane_number;
    }
  }
}

int gt_band_renumber_all() {
  int visited = 0;
  for (int i = 0; i < gt_get_num_img_windows(); ++i) {
    TK_OBJ win = gt_get_img_window(i);
    IMAGE_REC* im = win ? static_cast<IMAGE_REC*>(RES_GetData(win)) : nullptr;
    if (!im) continue;
    ++visited;
    if (im->lanes && im->bands && im->lanes->next) ln_renum_bands(im->lanes->next, im->bands, 1);
  }
  return visited;
}

void gt_lane_remove(IMAGE_REC* im, LANE* lane) {
  if (!im || !im->lanes || !lane) return;
  for (LANE* p = im->lanes; p->next; p = p->next) {
    if (p->next != lane) continue;
    p->next = lane->next;
    lane->next = nullptr;
    if (im->cur_lane == lane) im->cur_lane = nullptr;
    if (im->bnd_lane == lane) im->bnd_lane = nullptr;
    const int tier = lane->tier_num;
    ln_free_lane(lane);
    gt_lane_drop_tier(im, tier);
    return;
  }
}

void gt_lane_discard_pending(IMAGE_REC* im) {
  if (!im || !im->lanes) return;
  bool gone = false;
  for (LANE* l = im->lanes->next; l;) {
    LANE* next = l->next;
    if (!confirmed(l)) {
      gt_lane_remove(im, l);
      gone = true;
    }
    l = next;
  }
  im->num_lane_coords = 0;
  if (gone) gt_lane_renumber(im, 0);
  mh_clear_status(gt_get_status_bar(), 0);
  gt_vrem_end();
  gt_redraw_img(im);
}

// Lane boundaries ---------------------------------------------------------------------------

LANE* gt_lane_first_selected(IMAGE_REC* im) {
  for (LANE* l = im && im->lanes ? im->lanes->next : nullptr; l; l = l->next)
    if (l->f & LN_F_SELECTED) return l;
  return nullptr;
}

LANE* gt_band_lane_bounds(TK_OBJ owner, IMAGE_REC* im) {
  static const char* fn = "gt_band_lane_bounds";
  LANE* lane = gt_lane_first_selected(im);
  if (!lane) return nullptr;
  ks_free(im->mod_lane_bands);
  im->mod_lane_bands = nullptr;
  ks_free(im->save_lane_coords);
  im->save_lane_coords = nullptr;
  im->bnd_lane = lane;
  im->bnd_band_count = std::max(0, ln_find_bands_in_lane(im->bands, &im->mod_lane_bands, lane, nullptr, nullptr));
  im->save_left_width = lane->left_width;
  im->save_right_width = lane->right_width;
  im->save_num_points = lane->num_center_points;
  im->save_lane_coords = static_cast<int*>(ks_alloc_msg(sizeof(int) * 2 * std::size_t(std::max(lane->num_center_points, 1))));
  if (!im->save_lane_coords) ks_dbg_null_ptr(fn, "image_ptr->save_lane_coords");
  else
    for (int i = 0; i < lane->num_center_points; ++i)
      im->save_lane_coords[2 * i] = lane->center_coords[i].x, im->save_lane_coords[2 * i + 1] = lane->center_coords[i].y;
  int k = 0;
  for (LANE* l = im->lanes->next; l && l != lane; l = l->next) ++k;
  im->edit_lane = k;
  im->edit_pt = -1, im->edit_mode = -1;
  im->drag_pt[0] = im->drag_pt[1] = -1;
  gt_ln_bd_activate(owner);
  gt_set_state(5);
  gt_redraw_img(im);
  return lane;
}

namespace {

void end_bounds_tool(IMAGE_REC* im) {
  ks_free(im->save_lane_coords);
  im->save_lane_coords = nullptr;
  ks_free(im->mod_lane_bands);
  im->mod_lane_bands = nullptr;
  im->bnd_band_count = 0;
  im->bnd_lane = nullptr;
  im->edit_lane = -1;
  im->drag_pt[0] = im->drag_pt[1] = -1;
}

}  // namespace

void gt_band_lane_bounds_ok() {
  IMAGE_REC* im = gt_get_image_ptr();
  LANE* lane = im ? im->bnd_lane : nullptr;
  if (!lane) {
    gt_set_state(0);
    return;
  }
  // The lane's bands are found again from the pixels: without them, or with pixels lost while
  // they are read, the lane goes back where it was, as on Cancel, with its bands.
  PixelGuard guard(im);
  if (!guard.ready()) {
    gt_band_lane_bounds_cancel();
    return;
  }
  mh_status_message(gt_get_status_bar(), 1, "%s", gt_get_message(14));
  // The lane's old bands go: they are found again in the lane's new place. The selection
  // list must not keep them.
  for (int i = 0; i < im->bnd_band_count; ++i) {
    SPOT* b = im->mod_lane_bands[i];
    for (SPOT*& s : im->sel_list)
      if (s == b) s = nullptr;
    if (im->cur_band == b) im->cur_band = nullptr;
    if (im->axes_band == b) im->axes_band = nullptr;
    if (im->bounds_band == b) im->bounds_band = nullptr;
    sp_del_spot(b, im->bands);
    if (im->band_hdr && im->band_hdr->nrec > 0) --im->band_hdr->nrec;
  }
  const int shift = static_cast<int>((lane->right_width - lane->left_width + 1) * 0.5);
  for (int i = 0; i < lane->num_center_points; ++i) lane->center_coords[i].x += shift;
  lane->left_width = lane->right_width = (lane->left_width + lane->right_width + 1) / 2;
  ks_free(lane->data_values);
  lane->data_values = nullptr;
  lane->num_data_values = 0;
  if (ln_pixels_profiles(guard.pixels(), &lane, 1, 50) == 1) {
    ln_calc_lane_baselines(&lane, 1, LN_ANALYSIS_STD);
    const int n = ln_find_bands(&lane, 1, -1, -1, im->bands, nullptr, LN_ANALYSIS_STD, im->img_int_info, 1);
    if (im->band_hdr && n > 0) im->band_hdr->nrec += n;
  }
  if (guard.undo_if_lost()) {
    gt_band_lane_bounds_cancel();
    return;
  }
  end_bounds_tool(im);
  gt_band_sel_compact(im);
  mh_clear_status(gt_get_status_bar(), 0);
  im->modified = 1;
  gt_set_state(0);
  gt_redraw_img(im);
}

void gt_band_lane_bounds_cancel() {
  IMAGE_REC* im = gt_get_image_ptr();
  LANE* lane = im ? im->bnd_lane : nullptr;
  if (lane && im->save_lane_coords) {
    lane->left_width = im->save_left_width;
    lane->right_width = im->save_right_width;
    // A drag may have taken centre points out of the lane: the saved points come back in an
    // array of their own size.
    const int n = im->save_num_points;
    if (n > 0) {
      auto* pts = static_cast<LN_POINT*>(ks_alloc_msg(sizeof(LN_POINT) * std::size_t(n)));
      if (pts) {
        for (int i = 0; i < n; ++i) pts[i] = {im->save_lane_coords[2 * i], im->save_lane_coords[2 * i + 1]};
        ks_free(lane->center_coords);
        lane->center_coords = pts;
        lane->num_center_points = n;
      }
    }
  }
  if (im) end_bounds_tool(im);
  gt_set_state(0);
  if (im) gt_redraw_img(im);
  mh_clear_status(gt_get_status_bar(), 0);
}
