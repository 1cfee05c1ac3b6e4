// The category assignment dialog: which lane-label categories the selected lanes of the current
// image carry, and in which order. The categories are the control record's characteristic
// names; the assigned list starts with those the selected lanes carry, the available list holds
// the rest. On OK (or the close box after moves) each selected lane gets its characteristics in
// the assigned order; a category new to a lane takes the value of a dropped characteristic.
#include "tools/gt_asn_cat.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/ks_choose.h"
#include "base/ks_mem.h"
#include "base/slog.h"
#include "model/control.h"
#include "model/lane.h"
#include "model/lanechar.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_roles.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_idx_list.h"

namespace {

constexpr int kMaxCats = 200;
constexpr int kAvailable = 0, kAssigned = 1, kAddBefore = 4, kAddAfter = 5, kRemove = 6, kOk = 7,
              kCancel = 8;

struct Category {
  char name[24];
  int id;
};

Category S_cats[kMaxCats];
int S_iNumCats = 0;
std::vector<int> S_avail, S_asn;  // S_iNumCats slots each: ids first, then -1
int S_modified = 0;

int get_Id(const char* name) {
  for (int i = 0; i < S_iNumCats; ++i)
    if (S_cats[i].id != -1 && std::strcmp(S_cats[i].name, name) == 0) return S_cats[i].id;
  return -1;
}

const char* cat_name(int id) { return id >= 0 && id < S_iNumCats ? S_cats[id].name : ""; }

// Every category id that is not in the assigned list, in table order.
int build_avl_list(std::vector<int>& avail, const std::vector<int>& asn) {
  std::fill(avail.begin(), avail.end(), -1);
  const int n = static_cast<int>(asn.size());
  const int held = idx_list_count(asn.data(), n);
  int count = 0;
  for (int i = 0; i < S_iNumCats; ++i)
    if (std::find(asn.begin(), asn.begin() + held, S_cats[i].id) == asn.begin() + held)
      count += idx_list_append(avail.data(), n, S_cats[i].id);
  return count;
}

// One row per slot (an empty row for a -1 slot); one empty row for an empty list.
void update_listbox(TK_OBJ win, int part, const std::vector<int>& list) {
  TK_OBJ box = RES_GetSub(win, part);
  const int keep = WGT_GetChoice(box);
  std::vector<const char*> rows;
  if (idx_list_count(list.data(), static_cast<int>(list.size())) == 0) {
    rows.push_back("");
  } else {
    for (int id : list) rows.push_back(id == -1 ? "" : cat_name(id));
  }
  WGT_SetItems(box, rows.data(), static_cast<int>(rows.size()));
  if (keep >= 0) WGT_SetChoice(box, std::min(keep, static_cast<int>(rows.size()) - 1));
}

bool do_setup(TK_OBJ win, IMAGE_REC* im) {
  const CONTROL* ctl = gt_get_control();
  S_modified = 0;
  S_iNumCats = std::min(ctl->num_lane_chars, kMaxCats);
  if (S_iNumCats <= 0 || !ctl->lane_chars) return false;
  for (Category& c : S_cats) c.name[0] = '\0', c.id = -1;
  for (int i = 0; i < S_iNumCats; ++i) {
    std::snprintf(S_cats[i].name, sizeof S_cats[i].name, "%s", ctl->lane_chars[i]);
    S_cats[i].id = i;
  }
  try {
    S_avail.assign(static_cast<std::size_t>(S_iNumCats), -1);
    S_asn.assign(static_cast<std::size_t>(S_iNumCats), -1);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (LANE* l = im->lanes ? im->lanes->next : nullptr; l; l = l->next) {
    if (!(l->f & LN_F_SELECTED)) continue;
    for (int k = 0; k < l->num_lane_chars; ++k) {
      const LANECHAR* c = l->lane_chars ? l->lane_chars[k] : nullptr;
      if (!c || c->name[0] == '\0') continue;
      const int id = get_Id(c->name);
      const int held = idx_list_count(S_asn.data(), S_iNumCats);
      if (id != -1 && std::find(S_asn.begin(), S_asn.begin() + held, id) == S_asn.begin() + held)
        idx_list_append(S_asn.data(), S_iNumCats, id);
    }
  }
  build_avl_list(S_avail, S_asn);
  update_listbox(win, kAvailable, S_avail);
  update_listbox(win, kAssigned, S_asn);
  return true;
}

// The lane's new characteristics in assigned order, or null when it already carries every
// assigned category (it is left as it is). `failed` is set when memory ran out.
LANECHAR** new_chars(const LANE* l, int* count, bool* failed) {
  const int na = idx_list_count(S_asn.data(), S_iNumCats);
  const int nc = l->lane_chars ? l->num_lane_chars : 0;
  auto name_of = [&](int k) { return l->lane_chars[k] ? l->lane_chars[k]->name : ""; };
  std::vector<bool> present(static_cast<std::size_t>(na), false);
  std::vector<bool> kept(static_cast<std::size_t>(nc), false);  // carried over with its category
  bool all = true;
  for (int a = 0; a < na; ++a) {
    for (int k = 0; k < nc; ++k)
      if (std::strcmp(name_of(k), cat_name(S_asn[a])) == 0) present[a] = true, kept[k] = true;
    all = all && present[a];
  }
  if (all) return nullptr;
  std::vector<LANECHAR> out;
  std::vector<bool> used = kept;  // a dropped characteristic passes its value on once
  for (int a = 0; a < na; ++a) {
    const char* cat = cat_name(S_asn[a]);
    if (present[a]) {
      for (int k = 0; k < nc; ++k)
        if (std::strcmp(name_of(k), cat) == 0) out.push_back(*l->lane_chars[k]);
      continue;
    }
    LANECHAR c{};
    std::snprintf(c.name, sizeof c.name, "%s", cat);
    for (int k = 0; k < nc; ++k)
      if (!used[k] && l->lane_chars[k]) {
        std::snprintf(c.value, sizeof c.value, "%s", l->lane_chars[k]->value);
        used[k] = true;
        break;
      }
    out.push_back(c);
  }
  const int n = static_cast<int>(out.size());
  auto** chars = static_cast<LANECHAR**>(ks_alloc_msg(sizeof(LANECHAR*) * static_cast<std::size_t>(n)));
  if (!chars) {
    *failed = true;
    return nullptr;
  }
  for (int k = 0; k < n; ++k) {
    chars[k] = static_cast<LANECHAR*>(ks_alloc_msg(sizeof(LANECHAR)));
    if (!chars[k]) {
      for (int j = 0; j < k; ++j) ks_free(chars[j]);
      ks_free(chars);
      *failed = true;
      return nullptr;
    }
    *chars[k] = out[static_cast<std::size_t>(k)];
  }
  *count = n;
  return chars;
}

void do_cleanup(IMAGE_REC* im) {
  if (S_modified) {
    bool changed = false, failed = false;
    for (LANE* l = im->lanes ? im->lanes->next : nullptr; l && !failed; l = l->next) {
      if (!(l->f & LN_F_SELECTED)) continue;
      int n = 0;
      LANECHAR** chars = new_chars(l, &n, &failed);
      if (!chars) {
        if (failed) ks_dbg_null_ptr("do_cleanup", "lane_chars");
        continue;
      }
      for (int k = 0; k < l->num_lane_chars; ++k) ks_free(l->lane_chars[k]);
      ks_free(l->lane_chars);
      l->lane_chars = chars;
      l->num_lane_chars = n;
      l->num_labeled_chars = 0;
      for (int k = 0; k < n; ++k) l->num_labeled_chars += chars[k]->name[0] != '\0';
      changed = true;
    }
    // Lanes changed before a failure are kept, so the image must say it has changes.
    if (!failed || changed) im->modified = 1;
  }
  S_avail.clear();
  S_asn.clear();
}

// Add Before, Add After and Remove: at most one id moves; the available list stays sorted.
long S_asn_cat_moveNfy(TK_OBJ button, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(button, event);
  TK_OBJ win = RES_GetOwnerWindow(button);
  S_modified = 1;
  const int avail_row = WGT_GetChoice(RES_GetSub(win, kAvailable));
  const int asn_row = WGT_GetChoice(RES_GetSub(win, kAssigned));
  if (avail_row >= 0 && asn_row >= 0) {
    const int which = RES_GetIndex(button);
    if (which == kRemove)
      idx_list_move(S_asn.data(), asn_row, S_avail.data(), avail_row, S_iNumCats, 0);
    else
      idx_list_move(S_avail.data(), avail_row, S_asn.data(), asn_row, S_iNumCats, which == kAddAfter);
  }
  idx_list_sort(S_avail.data(), S_iNumCats);
  update_listbox(win, kAvailable, S_avail);
  update_listbox(win, kAssigned, S_asn);
  return 0;
}

long S_asn_cat_OKNfy(TK_OBJ button, int event) {
  return gt_modal_end_with(button, event, &S_modified, 1, 1);
}

long S_asn_cat_CancelNfy(TK_OBJ button, int event) {
  return gt_modal_end_with(button, event, &S_modified, 0, 0);
}

}  // namespace

void gt_asn_cat_activate(TK_OBJ owner, IMAGE_REC* im) {
  if (!im) return;
  TK_OBJ win = WIN_Load("asn_cat", "asncat_win");
  if (!win) return;
  RES_SetNfy(win, S_modal_winNfy);
  RES_SetNfy(RES_GetSub(win, kAvailable), S_list_pickNfy);
  RES_SetNfy(RES_GetSub(win, kAssigned), S_list_pickNfy);
  for (int k : {kAddBefore, kAddAfter, kRemove}) RES_SetNfy(RES_GetSub(win, k), S_asn_cat_moveNfy);
  RES_SetNfy(RES_GetSub(win, kOk), S_asn_cat_OKNfy);
  RES_SetNfy(RES_GetSub(win, kCancel), S_asn_cat_CancelNfy);
  WIN_SetOwner(win, owner);
  WIN_Init(win);
  ui_wpos_place(win, 80, 50, FALSE);
  if (!do_setup(win, im)) {
    SLOG("gt_asn_cat_activate", SLOG_VALUE4, "no categories");
    S_avail.clear();
    S_asn.clear();
    WIN_Terminate(win);
    return;
  }
  WIN_DoModal(win);
  do_cleanup(im);
  WIN_Terminate(win);
}
