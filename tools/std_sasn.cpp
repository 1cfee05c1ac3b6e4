// The size standards assignment window (modeless, task state 8): clicks on its image add
// pending points (the mouse code), OK commits them into the tier lists, Cancel and the close box
// discard them. The size set file supplies the values line by line.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/io_file.h"
#include "base/ks_choose.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "engine/std_sort.h"
#include "model/control.h"
#include "model/lane.h"
#include "model/task_state.h"
#include "shell/gt_image_win.h"
#include "toolkit/core/tk_file.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_lane_util.h"
#include "tools/gt_report_wins.h"
#include "tools/gt_std_tools.h"

namespace {

TK_OBJ s_win = nullptr;
IMAGE_REC* s_image = nullptr;  // the image the assignment belongs to
TkFile* s_file = nullptr;
char s_name[256] = "";
int s_interp = 0, s_extrap = 0, s_use_repeats = 0, s_repeat_length = 0, s_auto = 0;
// Committed points that automatic assignment took out of their tier lists; they go back when
// the assignment ends without OK, so that only OK changes the lists.
std::vector<STD_MARKER> s_taken;

// Ends the assignment without committing: pending points gone, taken points back, set file
// closed, state 0.
void discard() {
  IMAGE_REC* im = s_image;
  for (STD_MARKER& m : s_taken) {
    const int tiers = im && im->lane_hdr ? im->lane_hdr->num_tiers : 1;
    int tier = im ? gt_lane_tier_of(im, m.lane_num) : 0;
    if (tier < 0 || tier >= tiers) tier = 0;
    if (im && im->size_stdp && im->size_stdp[tier]) std_list_append(im->size_stdp[tier], &m);
  }
  s_taken.clear();
  gt_std_asn_end(&s_win, &s_image, &s_file, false);
}

void commit(TK_OBJ) {
  IMAGE_REC* im = s_image;
  CONTROL* ctl = gt_get_control();
  if (im && im->size_stdp && im->size_stdp[0] && im->pending_stds) {
    const int tiers = im->lane_hdr ? im->lane_hdr->num_tiers : 1;
    bool failed = false;
    STD_LIST* work = im->pending_stds;
    for (int i = 0; i < work->count; ++i) {
      STD_MARKER p = work->records[i];
      int tier = gt_lane_tier_of(im, p.lane_num);
      if (tier < 0 || tier >= tiers || !im->size_stdp[tier]) tier = 0;
      STD_LIST* list = im->size_stdp[tier];
      // A point on an existing point's rounded position is a duplicate.
      const int near = std_find_nearest_valid(list, p.x, p.y, 1e300);
      STD_MARKER q;
      if (near >= 0 && std_list_get(list, near, &q) && std::floor(q.x + 0.5) == std::floor(p.x + 0.5) &&
          std::floor(q.y + 0.5) == std::floor(p.y + 0.5)) {
        failed = true;
        continue;
      }
      p.flags = (p.flags | STD_M_VALID) & ~STD_M_DELETE;
      if (!std_list_put(list, &p)) failed = true;
      std_slgstd(list);
    }
    STD_LIST* tier0 = im->size_stdp[0];
    std_list_drop_invalid(tier0);
    gt_std_renew_pending(im);
    im->std_changed = 1;
    im->modified = 1;
    if (failed) {
      mh_send_msg(1, "%s", ui_msg(3));
    } else {
      tier0->int_method = s_interp;
      tier0->extrap_method = s_extrap;
      tier0->use_repeats = s_use_repeats;
      tier0->repeat_length = s_repeat_length;
      tier0->precision = ctl->size_digits;
    }
  }
  if (im && im->size_stdp) std_slgstd(im->size_stdp[0]);
  s_taken.clear();
  gt_std_asn_end(&s_win, &s_image, &s_file, true);
}

long S_std_sasn_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_TERMINATE && s_win) discard();
  return gt_tool_win_default(win, event);
}

// OK and Cancel end the assignment, then a guided run goes on to its report step.
long S_std_sasn_PBut2Nfy(TK_OBJ button, int event) {
  return gt_std_asn_button(button, event, &s_win, commit);
}

long S_std_sasn_PBut3Nfy(TK_OBJ button, int event) {
  return gt_std_asn_button(button, event, &s_win, [](TK_OBJ) { discard(); });
}

}  // namespace

void std_sasn_dismiss() { gt_tool_win_dismiss(&s_win); }
long std_sasn_get_auto() { return s_win ? s_auto : 0; }
void std_sasn_take_point(const STD_MARKER* m) {
  if (s_win && m) s_taken.push_back(*m);
}
IMAGE_REC* std_sasn_image() { return s_win ? s_image : nullptr; }

void gt_std_size_asgn_activate(TK_OBJ owner, const char* name, TkFile* file, int interp, int extrap,
                               int use_repeats, int repeat_length, int auto_assign) {
  std_sasn_dismiss();
  const GtPartNfy parts[] = {{2, S_std_sasn_PBut2Nfy}, {3, S_std_sasn_PBut3Nfy}};
  TK_OBJ win = gt_tool_win_load("std_sasn", owner, S_std_sasn_winNfy, parts, 2);
  if (!win) {
    if (file) FILE_Dispose(file);
    gt_set_state(TS_IDLE);
    return;
  }
  s_win = win;
  s_image = gt_get_image_ptr();
  s_taken.clear();
  std::snprintf(s_name, sizeof s_name, "%s", name ? name : "");
  gt_std_close_set(&s_file);
  s_file = file;
  s_interp = interp, s_extrap = extrap, s_use_repeats = use_repeats;
  s_repeat_length = repeat_length, s_auto = auto_assign;
  WGT_Show(RES_GetSub(win, 4), auto_assign ? 1 : 0);
  WGT_Show(RES_GetSub(win, 0), auto_assign ? 0 : 1);
  CONTROL* ctl = gt_get_control();
  if (ctl->size_stdset) {
    gt_std_close_set(&s_file);
    s_file = gt_std_open_set(ctl->size_stdset_path, "gt_std_size_asgn_activate");
    if (!s_file) {
      ctl->size_stdset = 0;
      ctl->size_stdset_path[0] = '\0';
    }
  }
  if (!ctl->size_stdset) ctl->size_auto_assign = 0, s_auto = 0;
  gt_tool_win_show(win, 80, 50);
}

void gt_std_size_set_val(char* out) {
  if (!s_file || !out) return;
  char line[GT_STD_VALUE_LEN];
  if (!FILE_AtEnd(s_file)) {
    if (FILE_ReadLine(s_file, line, sizeof line)) std::snprintf(out, GT_STD_VALUE_LEN, "%s", line);
    return;
  }
  if (!s_auto) return;
  // The end of the set closes this lane's values; the next lane starts at the first line.
  std::snprintf(out, GT_STD_VALUE_LEN, "-1");
  gt_std_close_set(&s_file);
  s_file = gt_std_open_set(gt_get_control()->size_stdset_path, "gt_std_size_set_val");
}

void gt_std_image_closing(IMAGE_REC* image) {
  if (!image) return;
  if (std_sasn_image() == image) std_sasn_dismiss();
  if (std_casn_image() == image) std_casn_dismiss();
  // The standards line is edited on the current image.
  if (gt_get_control()->task_state == TS_MODIFY_STDS_LINE && image == gt_get_image_ptr()) std_mod_dismiss();
  // The fit chart shows this image's standards: it closes with it.
  if (std_fit_image() == image) std_fit_dismiss();
}
