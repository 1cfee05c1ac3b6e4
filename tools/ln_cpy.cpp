// The lane copy tool and its window.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "base/ks_choose.h"
#include "base/ks_mem.h"
#include "base/slog.h"
#include "engine/full_pixels.h"
#include "engine/pixel_guard.h"
#include "engine/lane_profile.h"
#include "model/control.h"
#include "model/task_state.h"
#include "shell/gt_canvas.h"
#include "shell/gt_image_win.h"
#include "shell/gt_overlay.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_band_util.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_lane_copy.h"
#include "tools/gt_lane_util.h"

namespace {

// The copy in progress. The copies hang behind a head lane of their own, in the source's list
// order, with centre points relative to the group's centre.
struct CopyTool {
  LANE* head = nullptr;
  int n = 0;
  int half_w = 0, half_h = 0, group_w = 0, group_h = 0, most_points = 0;
} s_copy;

TK_OBJ s_win = nullptr;

IMAGE_REC* image_of_window(int i) {
  TK_OBJ w = gt_get_img_window(i);
  return w ? static_cast<IMAGE_REC*>(RES_GetData(w)) : nullptr;
}

// Frees the copies and clears the block of every open image; task state 0.
void end_copy() {
  ln_free_lanes(s_copy.head);
  s_copy = CopyTool{};
  gt_overlay_lane_group_drag()->copies.clear();
  for (int i = 0; i < gt_get_num_img_windows(); ++i) {
    IMAGE_REC* im = image_of_window(i);
    if (!im) continue;
    im->lane_copy = IMAGE_REC::LaneCopyBlock{};
    if (im->window) gt_redraw_img(im);
  }
  gt_set_state(TS_IDLE);
}

int image_w(const IMAGE_REC* im) { return im->img_info ? im->img_info->width : 0; }
int image_h(const IMAGE_REC* im) { return im->img_info ? im->img_info->height : 0; }

void fill_block(IMAGE_REC* im) {
  IMAGE_REC::LaneCopyBlock& b = im->lane_copy;
  b = IMAGE_REC::LaneCopyBlock{};
  b.half_w = s_copy.half_w, b.half_h = s_copy.half_h;
  b.group_w = s_copy.group_w, b.group_h = s_copy.group_h;
  b.most_points = s_copy.most_points;
  b.max_x = image_w(im) - b.half_w - 1;
  b.max_y = image_h(im) - b.half_h - 1;
  b.filled = 1;
  b.num_lanes = s_copy.n;
  b.copies = s_copy.head ? s_copy.head->next : nullptr;
  b.prepared = 1;
}

}  // namespace

int gt_copy_lanes_active() { return s_copy.head ? 1 : 0; }

void gt_lane_offset(LANE* lane, const LN_POINT* p) {
  if (!lane || !p || !lane->center_coords) return;
  for (int i = 0; i < lane->num_center_points; ++i)
    lane->center_coords[i].x += p->x, lane->center_coords[i].y += p->y;
}

void gt_copy_lanes_and_bands(TK_OBJ owner, IMAGE_REC* im, int) {
  static const char* fn = "gt_copy_lanes_and_bands";
  if (!im || !im->lanes || im->num_sel_lanes == 0) return;
  int existing = 0;
  std::vector<LANE*> sel;
  for (LANE* l = im->lanes->next; l; l = l->next) {
    ++existing;
    if (l->f & LN_F_SELECTED) sel.push_back(l);
  }
  if (im->num_sel_lanes > LN_CPY_MAX_LANES - existing ||
      static_cast<int>(sel.size()) != im->num_sel_lanes) {
    SLOG(fn, SLOG_VALUE4, "%d selected, %d lanes: not started", im->num_sel_lanes, existing);
    return;
  }
  gt_busy_begin();
  // The group's extent over the selected lanes' centre points and widths.
  long long x0 = 0, x1 = 0, y0 = 0, y1 = 0;
  bool first = true;
  int most = 0;
  for (LANE* l : sel) {
    if (l->num_center_points < 1 || !l->center_coords) {
      gt_busy_end();
      return;
    }
    most = std::max(most, l->num_center_points);
    for (int i = 0; i < l->num_center_points; ++i) {
      const LN_POINT p = l->center_coords[i];
      const long long lx = p.x - l->left_width, rx = p.x + l->right_width;
      if (first) x0 = lx, x1 = rx, y0 = y1 = p.y, first = false;
      x0 = std::min(x0, lx), x1 = std::max(x1, rx), y0 = std::min<long long>(y0, p.y),
      y1 = std::max<long long>(y1, p.y);
    }
  }
  const int half_w = static_cast<int>((x1 - x0) * 0.5 + 0.5);
  const int half_h = static_cast<int>((y1 - y0) * 0.5 + 0.5);
  const LN_POINT centre{static_cast<int32_t>(x0 + half_w), static_cast<int32_t>(y0 + half_h)};
  // The copies: the lanes' records and labels with their centre lines relative to the group's
  // centre; profiles and features are made again where the copies are placed.
  LANE* head = ln_make_lane();
  if (!head) {
    gt_busy_end();
    return;
  }
  LANE* tail = head;
  const LN_POINT back{-centre.x, -centre.y};
  for (LANE* l : sel) {
    LANE* c = ln_clone_lane(l);
    if (!c) {
      ln_free_lanes(head);
      gt_busy_end();
      return;
    }
    ks_free(c->data_values), ks_free(c->baseline_values);
    c->data_values = c->baseline_values = nullptr;
    c->num_data_values = 0;
    for (LN_FEAT* f : {c->baseline, c->peak, c->valley, c->infl_pt}) ln_free_feat_list(f);
    c->num_base_ptrs = 0;
    c->f &= ~uint32_t(LN_F_SELECTED | LN_F_TOOL_MARK);
    gt_lane_offset(c, &back);
    tail->next = c, tail = c;
  }
  // A copy still in progress is abandoned first.
  if (s_copy.head) ln_cpy_dismiss();
  if (s_copy.head) end_copy();
  s_copy.head = head;
  s_copy.n = static_cast<int>(sel.size());
  s_copy.half_w = half_w, s_copy.half_h = half_h;
  s_copy.group_w = static_cast<int>(x1 - x0 + 1), s_copy.group_h = static_cast<int>(y1 - y0 + 1);
  s_copy.most_points = most;
  for (int i = 0; i < gt_get_num_img_windows(); ++i)
    if (IMAGE_REC* other = image_of_window(i)) other->lane_copy = IMAGE_REC::LaneCopyBlock{};
  fill_block(im);  // the source is its own first target
  GtLaneGroupDrag* drag = gt_overlay_lane_group_drag();
  drag->copies.clear();
  for (LANE* c = head->next; c; c = c->next) drag->copies.push_back(c);
  drag->offset_a[0] = drag->offset_b[0] = centre.x;
  drag->offset_a[1] = drag->offset_b[1] = centre.y;
  drag->first_draw = 0;
  gt_busy_end();
  gt_copy_lane_activate(owner);
  if (!s_win) {
    end_copy();
    return;
  }
  gt_set_state(TS_COPY_LANES);
}

void gt_copy_lanes_prepare(IMAGE_REC* dest, IMAGE_REC*) {
  if (!dest || !s_copy.head || dest->lane_copy.prepared) return;
  if (image_w(dest) >= s_copy.group_w && image_h(dest) >= s_copy.group_h) {
    fill_block(dest);
  } else {
    dest->lane_copy = IMAGE_REC::LaneCopyBlock{};
    dest->lane_copy.prepared = 1;
  }
}

void gt_copy_lanes_drop(IMAGE_REC* im, int x, int y) {
  if (!im || !s_copy.head) return;
  gt_copy_lanes_prepare(im, nullptr);
  IMAGE_REC::LaneCopyBlock& b = im->lane_copy;
  if (!b.copies || b.num_drops >= LN_CPY_MAX_DROPS) return;
  b.drops[b.num_drops][0] = std::clamp(x, b.half_w, std::max(b.half_w, b.max_x));
  b.drops[b.num_drops][1] = std::clamp(y, b.half_h, std::max(b.half_h, b.max_y));
  ++b.num_drops;
  b.dropped = 1;
}

void gt_cpy_lane_ok(int quantify, int detect) {
  static const char* fn = "gt_cpy_lane_ok";
  gt_set_state(TS_IDLE);
  for (int i = 0; i < gt_get_num_img_windows() && s_copy.head; ++i) {
    IMAGE_REC* im = image_of_window(i);
    if (!im || !im->lanes) continue;
    const IMAGE_REC::LaneCopyBlock& b = im->lane_copy;
    if (!b.copies || b.num_lanes == 0 || b.num_drops == 0) continue;
    // The new lanes' profiles and bands come from this image's pixels: without them, or with
    // pixels lost while they are read, the image gets no lanes.
    PixelGuard guard(im);  // the profiles and the quantification below share one read
    if (!guard.ready()) continue;
    std::vector<LANE*> placed;
    for (int d = 0; d < b.num_drops; ++d) {
      const LN_POINT at{b.drops[d][0], b.drops[d][1]};
      for (LANE* c = s_copy.head->next; c; c = c->next) {
        LANE* lane = ln_clone_lane(c);
        if (!lane) continue;
        gt_lane_offset(lane, &at);
        gt_lane_set_tier(im, lane, fn);
        gt_lane_insert(im->lanes, lane);
        lane->f &= ~uint32_t(LN_F_SELECTED | LN_F_TOOL_MARK);
        placed.push_back(lane);
      }
    }
    if (placed.empty()) continue;
    const int n = static_cast<int>(placed.size());
    SLOG(fn, SLOG_VALUE4, "%d lanes placed in %s", n, im->image_name);
    // The new lanes' profiles and baselines come from this image. Band finding confirms them
    // and counts them into the lane header once.
    ln_pixels_profiles(guard.pixels(), placed.data(), n, 50);
    ln_calc_lane_baselines(placed.data(), n, 407);
    if (im->lane_hdr) im->lane_hdr->version_number = 5;
    gt_lane_renumber(im, 1);
    gt_band_find_start(im, 0);
    gt_band_do_find(im, im->min_top_band_thick, im->min_bot_band_thick, im->band_threshold,
                    im->band_threshold2, quantify, 0, detect);
    if (guard.undo_if_lost()) continue;
    im->has_bands = 1;
    im->modified = 1;
  }
  end_copy();
}

void gt_copy_lanes_cancel() { end_copy(); }

// The window ------------------------------------------------------------------------------------

namespace {

void cancel_copy() { gt_copy_lanes_cancel(); }

long S_ln_cpy_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_TERMINATE) gt_tool_win_end(&s_win, cancel_copy);
  return gt_tool_win_default(win, event);
}

long S_ln_cpy_PBut1Nfy(TK_OBJ button, int event) {
  return gt_tool_win_button(button, event, &s_win, [](TK_OBJ win) {
    CONTROL* ctl = gt_get_control();
    ctl->ln_cpy_bnd_quant = static_cast<int>(WGT_GetValue(RES_GetSub(win, 3)));
    ctl->ln_cpy_bnd_detect = static_cast<int>(WGT_GetValue(RES_GetSub(win, 4)));
    s_win = nullptr;
    gt_cpy_lane_ok(ctl->ln_cpy_bnd_quant, ctl->ln_cpy_bnd_detect);
  });
}

long S_ln_cpy_PBut2Nfy(TK_OBJ button, int event) {
  return gt_tool_win_button(button, event, &s_win, [](TK_OBJ) {
    s_win = nullptr;
    gt_copy_lanes_cancel();
  });
}

// Quantifying is offered only while bands are to be found.
long ln_cpy_lanes_CBut1(TK_OBJ toggle, int event) {
  const long r = WGT_DefaultNfy(toggle, event);
  if (event == TK_EV_ACTIVATE)
    WGT_Enable(RES_GetSub(RES_GetOwnerWindow(toggle), 3), WGT_GetValue(toggle) ? 1 : 0);
  return r;
}

}  // namespace

void ln_cpy_dismiss() { gt_tool_win_dismiss(&s_win); }

void gt_copy_lane_activate(TK_OBJ owner) {
  ln_cpy_dismiss();
  const GtPartNfy parts[] = {{1, S_ln_cpy_PBut1Nfy}, {2, S_ln_cpy_PBut2Nfy}, {3, S_swallow_activateNfy},
                             {4, ln_cpy_lanes_CBut1}};
  TK_OBJ win = gt_tool_win_load("ln_cpy", owner, S_ln_cpy_winNfy, parts, 4);
  if (!win) return;
  const CONTROL* ctl = gt_get_control();
  WGT_SetValue(RES_GetSub(win, 3), ctl->ln_cpy_bnd_quant ? 1 : 0);
  WGT_SetValue(RES_GetSub(win, 4), ctl->ln_cpy_bnd_detect ? 1 : 0);
  WGT_Enable(RES_GetSub(win, 3), ctl->ln_cpy_bnd_detect ? 1 : 0);
  s_win = win;
  gt_tool_win_show(win, 70, 5);
}
