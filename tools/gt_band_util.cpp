#include "tools/gt_band_util.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

#include <cstdio>

#include "base/ks_ini.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "engine/band_find.h"
#include "engine/full_pixels.h"
#include "engine/pixel_guard.h"
#include "engine/lane_features.h"
#include "engine/lane_geometry.h"
#include "engine/lane_profile.h"
#include "engine/quant.h"
#include "engine/quant_lanes.h"
#include "engine/std_interp.h"
#include "engine/std_sort.h"
#include "model/control.h"
#include "model/quant.h"
#include "model/std_list.h"
#include "shell/gt_canvas.h"
#include "shell/gt_image_win.h"
#include "shell/gt_overlay.h"
#include "tools/gt_lane_util.h"
#include "tools/gt_tool_wins.h"
#include "tools/ln_info.h"

namespace {

constexpr uint32_t kTypeProfile = 2;  // quantified from the lane profile
constexpr uint32_t kTypeBounds = 11;  // quantified from marked or copied bounds

void status(int msg) { mh_status_message(gt_get_status_bar(), 1, "%s", gt_get_message(msg)); }
void clear_status() { mh_clear_status(gt_get_status_bar(), 0); }
void alert(int msg) { mh_send_msg(0, "%s", gt_get_message(msg)); }

bool confirmed(const LANE* l) { return (l->f & LN_F_TOOL_MARK) != 0; }

double pixel_area(const IMAGE_REC* im) {
  const IMG_INFO* h = im->img_info;
  if (!h) return 0.0;
  return std::pow(10.0, h->x_scale) * h->x_res * std::pow(10.0, h->y_scale) * h->y_res;
}

// Box area and amount of a band from its peak and baseline values.
void box_amount(const IMAGE_REC* im, SPOT* b) {
  b->area = double(b->lane_width) * b->thickness * pixel_area(im);
  const IMG_INT_INFO* lut = im->img_int_info;
  const double peak = ih_lookup_val(lut, static_cast<uint32_t>(std::max(b->od, 0)));
  const double base = ih_lookup_val(lut, static_cast<uint32_t>(std::max(b->baseline, 0)));
  b->amount = (peak - base) * b->area;
}

void set_type(SPOT* b, uint32_t type) { b->f1 = (b->f1 & ~SP_F1_TYPE_MASK) | type; }

// Quantifies one band from the lane image, by its profile (n 0) or inside the n marks.
// A quantified band takes its result's bounds and the type.
void take_result(SPOT* b, int ok, uint32_t type) {
  if (ok && b->result) {
    std::memcpy(b->bound_x, b->result->img_x, sizeof b->bound_x);
    std::memcpy(b->bound_y, b->result->img_y, sizeof b->bound_y);
    set_type(b, type);
  }
}

bool quant_one(IMAGE_REC* im, LANE* lane, SPOT* b, LANE_IMAGE* img, int n, const LN_POINT* marks,
               uint32_t type) {
  const int ok = n > 0 ? mj_mb_doquant(b, lane, n, marks, img, im->img_int_info, 1)
                       : mj_doquant(b, lane, img, im->img_int_info, 1);
  take_result(b, ok, type);
  mj_res_free(&b->result);
  return ok != 0;
}

LANE* lane_at(IMAGE_REC* im, int x, int y) {
  LANE* hit = nullptr;
  if (!im->lanes || ln_xy_find_lane(x, y, im->lanes, &hit) <= 0) return nullptr;
  return hit;
}

std::vector<LANE*> lanes_where(IMAGE_REC* im, bool (*pred)(const LANE*)) {
  std::vector<LANE*> v;
  for (LANE* l = im->lanes ? im->lanes->next : nullptr; l; l = l->next)
    if (!pred || pred(l)) v.push_back(l);
  return v;
}

bool lane_selected(const LANE* l) { return (l->f & LN_F_SELECTED) != 0; }

// Some mark left of, right of, above and below the point.
bool surround(const LN_POINT* m, int n, int bx, int by) {
  bool l = false, r = false, u = false, d = false;
  for (int i = 0; i < n; ++i) {
    l |= m[i].x < bx, r |= m[i].x > bx, u |= m[i].y < by, d |= m[i].y > by;
  }
  return l && r && u && d;
}

std::vector<LN_POINT> marks_of(const IMAGE_REC* im) {
  std::vector<LN_POINT> m;
  for (int i = 0; i < im->num_lane_coords && im->lane_coords; ++i)
    m.push_back({im->lane_coords[2 * i], im->lane_coords[2 * i + 1]});
  return m;
}

// Drops the records of the list that `drop` picks, keeping the order of the others.
template <typename Pred>
void drop_records(STD_LIST* list, Pred drop) {
  if (!list || list->count == 0) return;
  int k = 0;
  for (int i = 0; i < list->count; ++i)
    if (!drop(list->records[i])) list->records[k++] = list->records[i];
  if (k == list->count) return;
  list->count = k;
  list->clean = 0;
}

// Deletes the bands that `doomed` picks, in one walk of the chain, with their standard points:
// a size standard takes the first point at exactly its position, tier by tier; a concentration
// standard the point at its integer position.
template <typename Pred>
void delete_bands(IMAGE_REC* im, Pred doomed) {
  std::map<std::pair<double, double>, int> sizes;
  std::map<std::pair<int, int>, int> concs;
  for (SPOT* prev = im->bands; prev && prev->next;) {
    SPOT* b = prev->next;
    if (!doomed(b)) {
      prev = b;
      continue;
    }
    if (b->f2 & SP_F2_SIZE_STD) ++sizes[{double(b->x), double(b->y)}];
    if (b->f2 & SP_F2_CONC_STD) ++concs[{b->x, b->y}];
    if (im->cur_band == b) im->cur_band = nullptr;
    if (im->axes_band == b) im->axes_band = nullptr;
    if (im->bounds_band == b) im->bounds_band = nullptr;
    for (SPOT*& s : im->sel_list)
      if (s == b) s = nullptr;
    sp_del_spot(b, prev);  // b follows prev: unlinked at once
    if (im->band_hdr && im->band_hdr->nrec > 0) --im->band_hdr->nrec;
  }
  for (int t = 0; !sizes.empty() && im->size_stdp && im->lane_hdr && t < im->lane_hdr->num_tiers; ++t)
    drop_records(im->size_stdp[t], [&](const STD_MARKER& m) {
      auto it = sizes.find({m.x, m.y});
      if (it == sizes.end()) return false;
      if (--it->second == 0) sizes.erase(it);
      return true;
    });
  if (!concs.empty() && im->conc_stdp && *im->conc_stdp)
    drop_records(*im->conc_stdp, [&](const STD_MARKER& m) {
      auto it = concs.find({m.ix, m.iy});
      if (it == concs.end()) return false;
      if (--it->second == 0) concs.erase(it);
      return true;
    });
}

}  // namespace

// Small helpers -----------------------------------------------------------------------------

int gt_band_is_selected(SPOT* b) { return b && (b->f2 & SP_F2_SELECTED) ? 1 : 0; }

int default_background_angle(int* has_background) {
  static const char* fn = "default_background_angle";
  int is_int = 0, value = 0;
  char text[KS_INI_VALUE_LEN] = {};
  if (has_background) *has_background = 1;
  const int found = ks_get_inientry(64, &is_int, &value, text);
  if (found < 0 || (!is_int && text[0] == '\0')) {
    SLOG(fn, SLOG_VALUE4, "no value found, %d", 30);
    return 30;
  }
  if (!is_int) value = std::atoi(text);
  if (value == 100) {
    if (has_background) *has_background = 0;
    SLOG(fn, SLOG_VALUE4, "file has 100, no background, -1");
    return -1;
  }
  if (value < 90) {
    SLOG(fn, SLOG_VALUE4, "value is valid, %d", value);
    return value;
  }
  SLOG(fn, SLOG_VALUE4, "%d is bad value, use default %d", value, 30);
  return 30;
}

void slog_luval(const IMG_INT_INFO* table) {
  static bool done = false;
  if (done || !table || !slog_enabled || table->wedge_count < 1 || !table->dig_values) return;
  done = true;
  SLOG("slog_luval", SLOG_VALUE4, "%d values", table->wedge_count);
  const int lo = table->dig_values[0], hi = table->dig_values[table->wedge_count - 1];
  const int step = lo <= hi ? 1 : -1;
  for (int v = lo;; v += step) {
    SLOG("slog_luval", SLOG_VALUE4, "[%3d] %7.4f", v, ih_lookup_val(table, static_cast<uint32_t>(v)));
    if (v == hi) break;
  }
}

int gt_band_value_range(const IMAGE_REC* im) {
  const IMG_INFO* h = im ? im->img_info : nullptr;
  const int r = h ? std::abs(h->max_value - h->min_value) / 100 : 1;
  return std::max(r, 1);
}

// Quantifying -------------------------------------------------------------------------------

int gt_band_quant_lane(IMAGE_REC* im, LANE* lane, SPOT** bands, int n, int row) {
  if (!im || !lane || !bands || n <= 0) return 0;
  PixelGuard guard(im);  // shares the command's copy and its guard when it has them
  if (!guard.ready()) return 0;
  const TkImage* whole = guard.pixels().image();
  if (!whole) return 0;
  const int done = ln_quant_lane_bands(whole, im->img_info, lane, bands, n, row, im->img_int_info,
                                       [](SPOT* b, int ok) { take_result(b, ok, kTypeProfile); });
  if (guard.undo_if_lost()) return 0;
  return std::max(done, 0);
}

namespace {

// The bands of each of a set of lanes, as arrays from ln_find_bands_in_lane, freed at the end.
struct LaneLists {
  std::vector<LnLaneBands> lists;
  LaneLists() = default;
  LaneLists(const LaneLists&) = delete;
  LaneLists& operator=(const LaneLists&) = delete;
  ~LaneLists() {
    for (LnLaneBands& l : lists) ks_free(l.bands);
  }
  // Lists the bands of `chain` in the lane (those `pred` accepts, all when null).
  void add(SPOT* chain, LANE* lane, LN_BAND_PRED pred) {
    SPOT** arr = nullptr;
    const int n = ln_find_bands_in_lane(chain, &arr, lane, nullptr, pred);
    lists.push_back({lane, arr, std::max(n, 0)});
  }
};

// Quantifies the listed bands of all the lanes in one call, the lanes on several threads, each
// band as gt_band_quant_lane quantifies it.
void quant_listed(IMAGE_REC* im, const LaneLists& l) {
  if (l.lists.empty()) return;
  PixelGuard guard(im);  // shares the command's copy and its guard when it has them
  if (!guard.ready()) return;
  const TkImage* whole = guard.pixels().image();
  if (!whole) return;
  ln_quant_lanes(whole, im->img_info, l.lists.data(), static_cast<int>(l.lists.size()), -1,
                 im->img_int_info, [](int, SPOT* b, int ok) { take_result(b, ok, kTypeProfile); });
  guard.undo_if_lost();
}

}  // namespace

// The common step over the lanes: all their bands, or only the selected ones.
static void quant_lanes(IMAGE_REC* im, const std::vector<LANE*>& lanes, LN_BAND_PRED pred) {
  LaneLists l;
  for (LANE* lane : lanes) l.add(im->bands, lane, pred);
  quant_listed(im, l);
}

int gt_band_quantify(IMAGE_REC* im, int in_lanes) {
  if (!im) return 1;
  PixelGuard guard(im);  // the lanes' images come from one read of the file
  if (!guard.ready()) return 1;  // the file changed or cannot be read: the user was told
  status(35);
  gt_busy_begin();
  slog_luval(im->img_int_info);
  if (in_lanes) quant_lanes(im, lanes_where(im, lane_selected), nullptr);
  else quant_lanes(im, lanes_where(im, nullptr), gt_band_is_selected);
  if (!guard.undo_if_lost()) im->modified = 1;  // lost pixels: everything was put back
  clear_status();
  gt_busy_end();
  gt_redraw_img(im);
  return 1;
}

void gt_band_requant_all(IMAGE_REC* im, LANE* head, SPOT* chain) {
  if (!im || !head || !chain) return;
  PixelGuard guard(im);
  if (!guard.ready()) return;
  im->modified = 1;
  LaneLists lists;
  for (LANE* l = head->next; l; l = l->next) lists.add(chain, l, nullptr);
  quant_listed(im, lists);
  guard.undo_if_lost();
}

int gt_xform_band_quantify(IMAGE_REC* im) {
  if (!im) return 1;
  PixelGuard guard(im);
  if (!guard.ready()) return 1;
  LnPixels& px = guard.pixels();
  status(35);
  gt_busy_begin();
  slog_luval(im->img_int_info);
  for (LANE* l : lanes_where(im, lane_selected)) {
    SPOT** arr = nullptr;
    const int n = ln_find_bands_in_lane(im->bands, &arr, l, nullptr, nullptr);
    for (int i = 0; i < n; ++i) {
      SPOT* b = arr[i];
      ln_band_od(l, b);
      std::vector<LN_POINT> marks;
      for (int k = 0; k < SP_BOUNDS; ++k)
        if (b->bound_x[k] != -1 && b->bound_y[k] != -1) marks.push_back({b->bound_x[k], b->bound_y[k]});
      LANE_IMAGE img{};
      if (ln_pixels_lane_image(px, l, &img, im->img_info, b->y) != 0) continue;
      if (!marks.empty()) quant_one(im, l, b, &img, int(marks.size()), marks.data(), kTypeBounds);
      ln_free_lane_image(&img);
    }
    ks_free(arr);
  }
  if (guard.undo_if_lost()) {
    clear_status();
    gt_busy_end();
    gt_redraw_img(im);
    return 1;
  }
  // Concentration standards follow their bands' amounts.
  if (im->conc_stdp && *im->conc_stdp && im->bands) {
    STD_LIST* list = *im->conc_stdp;
    for (int i = 0; i < list->count; ++i) {
      SPOT* b = sp_nearest_spot(list->records[i].ix, list->records[i].iy, 2, im->bands, nullptr);
      if (b) list->records[i].y = b->amount;
    }
    list->clean = 0;
    std_conc_calc(im->bands, list);
  }
  im->modified = 1;
  clear_status();
  gt_busy_end();
  gt_redraw_img(im);
  return 1;
}

// Finding -----------------------------------------------------------------------------------

int gt_band_find_start(IMAGE_REC* im, int auto_flag) {
  static const char* fn = "gt_band_find_start";
  if (!im || !im->lanes || !im->lane_hdr || !im->band_hdr) return 0;
  // Profiles and quantification take their pixels from one read of the file; a file that
  // changed or cannot be read leaves the lanes as they are.
  PixelGuard guard(im);
  if (!guard.ready()) return 0;
  LnPixels& px = guard.pixels();
  CONTROL* ctl = gt_get_control();
  status(14);
  gt_busy_begin();
  auto fail = [&]() {
    guard.undo_if_lost();
    clear_status();
    gt_busy_end();
    return 0;
  };
  std::vector<LANE*> lanes;
  bool had_confirmed = false;
  for (LANE* l = im->lanes->next; l; l = l->next) {
    if (confirmed(l)) {
      had_confirmed = true;
      l->f &= ~uint32_t(LN_F_SELECTED);
    } else {
      lanes.push_back(l);
    }
  }
  const int n = static_cast<int>(lanes.size());
  SLOG(fn, SLOG_ENTRY, "%d pending lanes, auto %d", n, auto_flag);
  if (n == 0) return fail();
  for (LANE* l : lanes) l->f |= LN_F_SELECTED | LN_F_TOOL_MARK;
  im->num_sel_lanes = n;
  LANE_HDR* lh = im->lane_hdr;
  lh->repeat_length = 0, lh->version_number = 5, lh->num_lanes += n, lh->allele_size = 0;
  lh->f = 0, lh->dna_res_3 = lh->dna_res_4 = 0;
  SPOT_HDR* bh = im->band_hdr;
  if (!had_confirmed) {
    const int32_t reclen = bh->reclen;
    std::memset(bh, 0, sizeof *bh);
    bh->version = 4;
    bh->reclen = reclen;
  }
  bh->hdr_w116[BD_TOP] = im->min_top_band_thick;
  bh->hdr_w116[BD_BOTTOM] = im->min_bot_band_thick;
  bh->hdr_w116[BD_INTENSITY] = im->band_threshold;
  bh->hdr_w116[BD_MAX_DETECT] = im->band_threshold2;
  const int r = gt_band_value_range(im);
  int pos = 0;
  for (LANE* l : lanes) {
    l->min_top_band_thick = bh->hdr_w116[BD_TOP];
    l->min_bot_band_thick = bh->hdr_w116[BD_BOTTOM];
    l->band_threshold = bh->hdr_w116[BD_INTENSITY] * r;
    l->band_threshold2 = 0;
    l->max_detect = 0;  // no limit: the image's limit applies when its bands are found again
    l->f &= ~uint32_t(LN_F_SPLIT_BANDS);
    if (auto_flag == 1) {
      int has_bg = 1;
      l->max_angle = default_background_angle(&has_bg);
      l->bckgrnd_type = has_bg;
    } else {
      const char* name = ln_info_get_name(pos);
      std::snprintf(l->lane_name, sizeof l->lane_name, "%s", name ? name : "");
      l->max_angle = ln_info_get_bg_angle(pos);
      l->bckgrnd_type = 1;
      if (l->max_angle == -1) l->max_angle = 30, l->bckgrnd_type = 0;
    }
    ++pos;
  }
  if (!lanes[0]->data_values && ln_pixels_profiles(px, lanes.data(), n, 50) != 1) return fail();
  if (!lanes[0]->baseline_values || lanes[0]->num_data_values == 0)
    ln_calc_lane_baselines(lanes.data(), n, LN_ANALYSIS_STD);
  for (LANE* l : lanes)
    if (!l->baseline_values) ln_calc_baseline(l);

  int found = 0;
  if (auto_flag == 1) {
    SPOT* fresh = sp_make_spot();
    if (!fresh) return fail();
    found = std::max(0, ln_find_bands(lanes.data(), n, -1, -1, fresh, nullptr, LN_ANALYSIS_STD,
                                      im->img_int_info, 1));
    for (SPOT* b = fresh->next; b; b = b->next) box_amount(im, b);
    if (found > 0 && ctl->fnd_bnd_quant == 1) {
      LaneLists lists;
      for (LANE* l : lanes) lists.add(fresh, l, nullptr);
      quant_listed(im, lists);
      status(14);
    }
    if (fresh->next) {
      SPOT* last = fresh->next;
      while (last->next) last = last->next;
      last->next = im->bands->next;
      im->bands->next = fresh->next;
      fresh->next = nullptr;
    }
    ln_free_bands(fresh);
    bh->nrec += found;
  }
  if (!im->size_stdp) {
    im->size_stdp = static_cast<STD_LIST**>(ks_alloc_msg(sizeof(STD_LIST*)));
    if (!im->size_stdp) ks_dbg_null_ptr(fn, "image_ptr->size_stdp");
    else if (!(im->size_stdp[0] = std_list_create())) ks_dbg_null_ptr(fn, "image_ptr->size_stdp[0]");
    if (im->size_stdp && im->size_stdp[0]) {
      im->size_stdp[0]->int_method = im->size_interp;
      im->size_stdp[0]->extrap_method = im->size_extrap;
    }
    if (lh->num_tiers < 1) lh->num_tiers = 1;
  }
  if (!im->conc_stdp) {
    im->conc_stdp = static_cast<STD_LIST**>(ks_alloc_msg(sizeof(STD_LIST*)));
    if (!im->conc_stdp) ks_dbg_null_ptr(fn, "image_ptr->conc_stdp");
  }
  if (im->conc_stdp && !*im->conc_stdp) {
    if (!(*im->conc_stdp = std_list_create())) ks_dbg_null_ptr(fn, "image_ptr->conc_stdp[0]");
    else (*im->conc_stdp)->int_method = im->conc_interp, (*im->conc_stdp)->extrap_method = im->conc_extrap;
  }
  if (im->pending_stds && !std_list_free(im->pending_stds)) ks_free(im->pending_stds);
  im->pending_stds = std_list_create();
  im->min_top_band_thick = bh->hdr_w116[BD_TOP];
  im->min_bot_band_thick = bh->hdr_w116[BD_BOTTOM];
  im->band_threshold = bh->hdr_w116[BD_INTENSITY];
  im->band_threshold2 = bh->hdr_w116[BD_MAX_DETECT];
  im->has_lanes = std::max(lh->num_lanes, 1);
  if (guard.undo_if_lost()) return fail();
  clear_status();
  gt_busy_end();
  SLOG(fn, SLOG_EXIT, "%d bands", found);
  return found;
}

void gt_band_do_find(IMAGE_REC* im, int top, int bottom, int intensity, int max_detect, int quantify,
                     int show_status, int detect) {
  if (!im || !im->lanes) return;
  if (detect == 0) quantify = show_status = 0;
  // Only quantifying reads the pixels: the bands are found on the lanes' profiles.
  PixelGuard guard(im);  // one read of the file for all the lanes
  if (quantify && !guard.ready()) return;
  im->min_top_band_thick = top, im->min_bot_band_thick = bottom;
  im->band_threshold = intensity, im->band_threshold2 = max_detect;
  if (show_status == 1) {
    status(quantify ? 47 : 14);
    gt_busy_begin();
  }
  const int r = gt_band_value_range(im);
  int processed = 0;
  // The bands of every lane are found first, lane by lane as before; then all lanes' bands are
  // quantified in one call. Finding a lane's bands reads the other bands' positions only, which
  // quantifying does not move, so the bands found are the same. Each lane quantifies the bands
  // that lay in it once its own were found: a band a later lane finds inside it is not its own,
  // and a band a later lane removes is dropped from its list.
  std::vector<LANE*> lanes = lanes_where(im, lane_selected);
  // Splitting thick bands may move a band of an earlier lane: with it, each lane's bands are
  // quantified as soon as they are found, before a later lane can move them.
  const bool split = std::any_of(lanes.begin(), lanes.end(),
                                 [](const LANE* l) { return (l->f & LN_F_SPLIT_BANDS) != 0; });
  std::unordered_map<const SPOT*, int> found_by;  // band -> the lane step after which it existed
  auto note_chain = [&](int step) {
    std::unordered_map<const SPOT*, int> now;
    for (SPOT* b = im->bands ? im->bands->next : nullptr; b; b = b->next) {
      const auto it = found_by.find(b);
      now[b] = it == found_by.end() ? step : it->second;
    }
    found_by.swap(now);
  };
  note_chain(-1);
  for (size_t k = 0; k < lanes.size(); ++k) {
    LANE* l = lanes[k];
    l->min_top_band_thick = top, l->min_bot_band_thick = bottom;
    l->band_threshold = intensity * r, l->band_threshold2 = 0;
    l->max_detect = max_detect, l->pct_threshold = 20;
    LANE* one = l;
    ln_find_bands(&one, 1, -1, -1, im->bands, nullptr, LN_ANALYSIS_STD, im->img_int_info, detect);
    ++processed;
    if (split) {
      LaneLists mine;
      mine.add(im->bands, l, nullptr);
      if (quantify) {
        gt_get_control()->disp_codes[DISP_BAND_BOUNDS] = 1;
        quant_listed(im, mine);
      } else {
        for (int i = 0; i < mine.lists[0].n; ++i) box_amount(im, mine.lists[0].bands[i]);
      }
      continue;
    }
    note_chain(static_cast<int>(k));
  }
  LaneLists lists;
  if (split) lanes.clear();  // quantified as they were found
  for (size_t k = 0; k < lanes.size(); ++k) {
    lists.add(im->bands, lanes[k], nullptr);
    LnLaneBands& mine = lists.lists.back();
    mine.n = static_cast<int>(
        std::remove_if(mine.bands, mine.bands + mine.n,
                       [&](const SPOT* b) { return found_by.at(b) > static_cast<int>(k); }) -
        mine.bands);
  }
  if (quantify) {
    if (!lanes.empty()) gt_get_control()->disp_codes[DISP_BAND_BOUNDS] = 1;
    quant_listed(im, lists);
  } else {
    for (const LnLaneBands& l : lists.lists)
      for (int i = 0; i < l.n; ++i) box_amount(im, l.bands[i]);
  }
  // Bands quantified on lost pixels are not kept: the lanes are as they were before.
  if (guard.undo_if_lost()) processed = 0;
  if (processed > 0) {
    if (im->band_hdr) {
      im->band_hdr->hdr_w116[BD_TOP] = top, im->band_hdr->hdr_w116[BD_BOTTOM] = bottom;
      im->band_hdr->hdr_w116[BD_INTENSITY] = intensity, im->band_hdr->hdr_w116[BD_MAX_DETECT] = max_detect;
    }
    im->modified = 1, im->std_changed = 1;
    for (SPOT* b = im->bands ? im->bands->next : nullptr; b; b = b->next) b->f2 &= ~uint32_t(SP_F2_SELECTED);
    im->cur_band = nullptr, im->num_sel_bands = 0, im->cur_lane = nullptr;
    std::fill(std::begin(im->sel_list), std::end(im->sel_list), nullptr);
  }
  if (show_status == 1) {
    clear_status();
    gt_busy_end();
  }
  if (im->window) gt_redraw_img(im);
}

// Adding one band ---------------------------------------------------------------------------

static SPOT* add_band(IMAGE_REC* im, int y, LANE* lane, bool quant) {
  static const char* fn = "gt_band_add";
  if (!im || !lane || im->std_line_edit) {
    status(10);
    return nullptr;
  }
  if (quant) {
    slog_luval(im->img_int_info);
    status(34);
  }
  if (SPOT* near = sp_nearest_by_y(lane, y, 2, im->bands)) {
    if (quant) clear_status();
    alert(11);
    return near;
  }
  PixelGuard guard(im);
  if (quant && !guard.ready()) {
    clear_status();
    return nullptr;
  }
  if (quant) status(34);
  gt_busy_begin();
  SPOT* b = gt_band_make_at(im, y, lane);
  if (!b) {
    gt_busy_end();
    return nullptr;
  }
  if (quant) {
    LANE_IMAGE img{};
    if (ln_pixels_lane_image(guard.pixels(), lane, &img, im->img_info, y) == 0) {
      quant_one(im, lane, b, &img, 0, nullptr, kTypeProfile);
      ln_free_lane_image(&img);
    } else {
      SLOG(fn, SLOG_ERROR, "cannot read the lane image");
    }
    clear_status();
    // A band quantified on lost pixels is not added.
    if (guard.undo_if_lost()) {
      gt_busy_end();
      return nullptr;
    }
  } else {
    box_amount(im, b);
  }
  im->modified = 1, im->std_changed = 1;
  gt_busy_end();
  return b;
}

SPOT* gt_band_make_at(IMAGE_REC* im, int y, LANE* lane) {
  SPOT* b = sp_make();
  if (!b) return nullptr;
  b->y = y;
  b->x = ln_center_x(y, lane);
  b->lane_width = lane->left_width + lane->right_width + 1;
  b->f1 |= SP_F1_TOOL_MARK;
  b->thickness = im->min_top_band_thick > 0 ? im->min_top_band_thick : 7;
  ln_band_od(lane, b);
  sp_add_spot(b, im->bands);
  im->has_bands = 1;
  if (im->band_hdr) ++im->band_hdr->nrec;
  return b;
}

SPOT* gt_band_add_manual(IMAGE_REC* im, int y, LANE* lane) { return add_band(im, y, lane, false); }
SPOT* gt_band_add_quant(IMAGE_REC* im, int y, LANE* lane) { return add_band(im, y, lane, true); }

// Marking axes and bounds -------------------------------------------------------------------

int gt_band_apply_axes() {
  IMAGE_REC* im = gt_get_image_ptr();
  SPOT* band = im ? im->axes_band : nullptr;
  if (!band || im->num_lane_coords < 4) return -1;
  status(34);
  const std::vector<LN_POINT> m = marks_of(im);
  const int bx = band->x, by = band->y;
  auto refuse = [&](int msg) {
    alert(msg);
    clear_status();
    gt_busy_end();
    return -1;
  };
  if (!surround(m.data(), 4, bx, by)) return refuse(36);
  if (m[0].x == m[1].x) return refuse(37);
  if (m[2].y == m[3].y) return refuse(38);
  gt_busy_begin();
  const bool level = m[0].y == m[1].y;
  const double a = level ? 0.0 : double(m[1].y - m[0].y) / (m[1].x - m[0].x);
  const double b = m[0].y - a * m[0].x;
  int x;
  if (m[2].x != m[3].x) {
    const double c = double(m[3].y - m[2].y) / (m[3].x - m[2].x);
    if (a == c) return refuse(39);  // parallel axes never cross
    x = static_cast<int>(std::floor((m[2].y - c * m[2].x - b) / (a - c) + 0.5));
  } else {
    x = m[2].x;
  }
  const int y = level ? m[0].y : static_cast<int>(std::floor(a * x + b + 0.5));
  auto within = [](int v, int p, int q) { return v >= std::min(p, q) && v <= std::max(p, q); };
  if (!within(x, m[0].x, m[1].x) || !within(x, m[2].x, m[3].x) || !within(y, m[0].y, m[1].y) ||
      !within(y, m[2].y, m[3].y))
    return refuse(39);
  LANE* lane = lane_at(im, bx, by);
  if (!lane) return refuse(32);
  PixelGuard guard(im);
  if (!guard.ready()) {
    clear_status();
    gt_busy_end();
    return -1;
  }
  slog_luval(im->img_int_info);
  const int lo = std::min(m[0].x, m[1].x), hi = std::max(m[0].x, m[1].x);
  band->lane_width = hi - lo;
  band->left_hw = static_cast<uint8_t>(std::clamp(bx - lo, 0, 255));
  band->right_hw = static_cast<uint8_t>(std::clamp(hi - bx, 0, 255));
  band->thickness = std::abs(m[3].y - m[2].y);
  LANE_IMAGE img{};
  if (ln_pixels_lane_image(guard.pixels(), lane, &img, im->img_info, by) == 0) {
    quant_one(im, lane, band, &img, 0, nullptr, kTypeBounds);
    ln_free_lane_image(&img);
  }
  clear_status();
  gt_busy_end();
  if (guard.undo_if_lost()) return -1;  // the band keeps what it held
  im->modified = 1;
  return 0;
}

int gt_band_apply_bounds() {
  IMAGE_REC* im = gt_get_image_ptr();
  SPOT* band = im ? im->bounds_band : nullptr;
  if (!band) return -1;
  status(34);
  auto refuse = [&](int msg) {
    alert(msg);
    im->bounds_band = nullptr;
    im->num_lane_coords = 0;
    clear_status();
    gt_busy_end();
    gt_redraw_img(im);
    return -1;
  };
  std::vector<LN_POINT> m = marks_of(im);
  if (m.size() < 3) return refuse(40);
  if (m.size() > SP_BOUNDS) {
    const double step = m.size() / double(SP_BOUNDS);
    std::vector<LN_POINT> thin(SP_BOUNDS);
    for (int k = 0; k < SP_BOUNDS; ++k) thin[k] = m[static_cast<size_t>(std::floor(k * step + 0.5))];
    m.swap(thin);
  }
  if (!surround(m.data(), int(m.size()), band->x, band->y)) return refuse(41);
  LANE* lane = lane_at(im, band->x, band->y);
  if (!lane) return refuse(32);
  PixelGuard guard(im);
  if (!guard.ready()) {
    clear_status();
    return -1;
  }
  gt_busy_begin();
  int x0 = m[0].x, x1 = m[0].x, y0 = m[0].y, y1 = m[0].y;
  for (const LN_POINT& p : m) x0 = std::min(x0, p.x), x1 = std::max(x1, p.x), y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
  band->thickness = y1 - y0 + 1;
  band->lane_width = x1 - x0 + 1;
  LANE_IMAGE img{};
  if (ln_pixels_lane_image(guard.pixels(), lane, &img, im->img_info, band->y) == 0) {
    quant_one(im, lane, band, &img, int(m.size()), m.data(), kTypeBounds);
    ln_free_lane_image(&img);
  }
  clear_status();
  gt_busy_end();
  if (guard.undo_if_lost()) return -1;  // the band keeps what it held
  im->bounds_band = nullptr;
  im->modified = 1;
  return 0;
}

void gt_band_clear_axes() {
  if (IMAGE_REC* im = gt_get_image_ptr()) {
    im->axes_band = nullptr, im->num_lane_coords = 0;
    gt_redraw_img(im);
  }
}

void gt_band_clear_bounds() {
  if (IMAGE_REC* im = gt_get_image_ptr()) {
    im->bounds_band = nullptr, im->num_lane_coords = 0;
    gt_redraw_img(im);
  }
}

// Selection ---------------------------------------------------------------------------------

void gt_band_sel_compact(IMAGE_REC* im) {
  if (!im) return;
  int k = 0, count = 0;
  // Keep the listed bands that are still selected and still in the chain, in their order.
  for (int i = 0; i < IMG_MAX_SEL; ++i) {
    SPOT* s = im->sel_list[i];
    if (!s) continue;
    bool alive = false;
    for (SPOT* b = im->bands ? im->bands->next : nullptr; b && !alive; b = b->next) alive = b == s;
    im->sel_list[i] = nullptr;
    if (alive && (s->f2 & SP_F2_SELECTED)) im->sel_list[k++] = s;
  }
  // Bands selected but not listed (beyond the first 100) still count.
  for (SPOT* b = im->bands ? im->bands->next : nullptr; b; b = b->next) count += (b->f2 & SP_F2_SELECTED) ? 1 : 0;
  for (SPOT* b = im->bands ? im->bands->next : nullptr; b && k < IMG_MAX_SEL && k < count; b = b->next) {
    if (!(b->f2 & SP_F2_SELECTED)) continue;
    if (std::find(im->sel_list, im->sel_list + k, b) == im->sel_list + k) im->sel_list[k++] = b;
  }
  im->num_sel_bands = count;
  im->cur_band = k > 0 ? im->sel_list[0] : nullptr;
}

void gt_band_set_selected(IMAGE_REC* im, SPOT* b, int on) {
  if (!im || !b) return;
  if (on) b->f2 |= SP_F2_SELECTED;
  else b->f2 &= ~uint32_t(SP_F2_SELECTED);
  gt_band_sel_compact(im);
}

void gt_select_all(TK_OBJ area, IMAGE_REC* im) {
  if (!im) return;
  switch (gt_get_sel_mode()) {
    case 0: {
      for (SPOT* b = im->bands ? im->bands->next : nullptr; b; b = b->next) {
        const bool was = b->f2 & SP_F2_SELECTED;
        b->f2 |= SP_F2_SELECTED;
        if (!was && area) gt_band_draw(area, im, b, 1);
      }
      gt_band_sel_compact(im);
      break;
    }
    case 1: {
      im->num_sel_lanes = 0;
      for (LANE* l = im->lanes ? im->lanes->next : nullptr; l; l = l->next) {
        const bool was = lane_selected(l);
        l->f |= LN_F_SELECTED;
        ++im->num_sel_lanes;
        im->cur_lane = l;
        if (!was && area) gt_lane_draw(area, im, l);
      }
      break;
    }
    case 2: {
      im->num_sel_size = 0;
      im->num_std_rows = 1;
      for (int t = 0; im->size_stdp && im->lane_hdr && t < im->lane_hdr->num_tiers; ++t) {
        STD_LIST* list = im->size_stdp[t];
        for (int i = 0; list && i < list->count; ++i) {
          STD_MARKER& m = list->records[i];
          if (i > 0 && m.value != list->records[i - 1].value) ++im->num_std_rows;
          if (m.flags & STD_M_VALID) m.flags |= STD_M_DELETE, ++im->num_sel_size;
        }
      }
      if (im->num_sel_size == 0) im->num_std_rows = 0;
      if (area) gt_band_stds(area, im);
      break;
    }
    case 3: {
      im->num_sel_conc = 0;
      STD_LIST* list = im->conc_stdp ? *im->conc_stdp : nullptr;
      for (int i = 0; list && i < list->count; ++i)
        if (list->records[i].flags & STD_M_VALID) list->records[i].flags |= STD_M_DELETE, ++im->num_sel_conc;
      if (area) gt_band_stds(area, im);
      break;
    }
    default:
      break;
  }
}

void gt_deselect_all(TK_OBJ area, IMAGE_REC* im) {
  if (!im) return;
  switch (gt_get_sel_mode()) {
    case 0:
      for (SPOT* b = im->bands ? im->bands->next : nullptr; b; b = b->next) {
        if (!(b->f2 & SP_F2_SELECTED)) continue;
        b->f2 &= ~uint32_t(SP_F2_SELECTED);
        if (area) gt_band_draw(area, im, b, 0);
      }
      gt_band_sel_compact(im);
      break;
    case 1:
      for (LANE* l = im->lanes ? im->lanes->next : nullptr; l; l = l->next) {
        if (!lane_selected(l)) continue;
        l->f &= ~uint32_t(LN_F_SELECTED);
        if (area) gt_lane_draw(area, im, l);
      }
      im->num_sel_lanes = 0;
      break;
    case 2:
      im->num_sel_size2 = 0;  // selected rows
      if (im->num_sel_size == 0) break;
      im->num_sel_size = im->num_std_rows = 0;
      for (int t = 0; im->size_stdp && im->lane_hdr && t < im->lane_hdr->num_tiers; ++t)
        for (int i = 0; im->size_stdp[t] && i < im->size_stdp[t]->count; ++i)
          if (im->size_stdp[t]->records[i].flags & STD_M_VALID) im->size_stdp[t]->records[i].flags &= ~STD_M_DELETE;
      if (area) gt_band_stds(area, im);
      break;
    case 3: {
      if (im->num_sel_conc == 0) break;
      im->num_sel_conc = 0;
      STD_LIST* list = im->conc_stdp ? *im->conc_stdp : nullptr;
      for (int i = 0; list && i < list->count; ++i)
        if (list->records[i].flags & STD_M_VALID) list->records[i].flags &= ~STD_M_DELETE;
      if (area) gt_band_stds(area, im);
      break;
    }
    default:
      break;
  }
}

// Deleting ----------------------------------------------------------------------------------

int gt_band_delete_selected(IMAGE_REC* im, int what) {
  if (!im) return 0;
  gt_busy_begin();
  switch (what) {
    case 0:
      im->cur_band = nullptr, im->num_sel_bands = 0;
      delete_bands(im, [](const SPOT* b) { return (b->f2 & SP_F2_SELECTED) != 0; });
      break;
    case 1: {
      im->cur_lane = nullptr, im->num_sel_lanes = 0;
      std::set<const SPOT*> doomed;
      std::vector<LANE*> lanes;
      for (LANE* l = im->lanes ? im->lanes->next : nullptr; l; l = l->next) {
        if (!lane_selected(l)) continue;
        lanes.push_back(l);
        SPOT** arr = nullptr;
        const int n = ln_find_bands_in_lane(im->bands, &arr, l, nullptr, nullptr);
        doomed.insert(arr, arr + std::max(n, 0));
        ks_free(arr);
      }
      if (!doomed.empty()) delete_bands(im, [&](const SPOT* b) { return doomed.count(b) > 0; });
      for (LANE* l : lanes) {
        if (im->lane_hdr && confirmed(l) && im->lane_hdr->num_lanes > 0) --im->lane_hdr->num_lanes;
        gt_lane_remove(im, l);
      }
      if (!im->lanes || !im->lanes->next) im->has_bands = 0;
      break;
    }
    case 2:
      for (int t = 0; im->size_stdp && im->lane_hdr && t < im->lane_hdr->num_tiers; ++t) {
        STD_LIST* list = im->size_stdp[t];
        for (int i = 0; list && i < list->count; ++i) {
          const STD_MARKER& m = list->records[i];
          if (!(m.flags & STD_M_DELETE)) continue;
          if (SPOT* b = sp_nearest_spot(static_cast<int>(std::floor(m.x + 0.5)),
                                        static_cast<int>(std::floor(m.y + 0.5)), 2, im->bands, nullptr))
            b->f2 &= ~uint32_t(SP_F2_SIZE_STD);
        }
        if (list) std_list_compact(list);
      }
      im->num_sel_size = 0;
      im->cur_std_value = -1.0;
      im->std_changed = 1;
      break;
    case 3: {
      STD_LIST* list = im->conc_stdp ? *im->conc_stdp : nullptr;
      for (int i = 0; list && i < list->count; ++i) {
        const STD_MARKER& m = list->records[i];
        if (!(m.flags & STD_M_DELETE)) continue;
        if (SPOT* b = sp_nearest_spot(m.ix, m.iy, 2, im->bands, nullptr)) b->f2 &= ~uint32_t(SP_F2_CONC_STD);
      }
      if (list) std_list_compact(list);
      im->num_sel_conc = 0;
      im->std_changed = 1;
      break;
    }
    default:
      break;
  }
  gt_band_sel_compact(im);
  im->modified = 1;
  gt_busy_end();
  gt_redraw_img(im);
  return 0;
}

// Menu commands -----------------------------------------------------------------------------

// Mark Axes and Mark Bounds: the first selected band becomes the tool's band, no marks yet.
static void start_marks(TK_OBJ owner, IMAGE_REC* im, SPOT* IMAGE_REC::*band,
                        void (*activate)(TK_OBJ, IMAGE_REC*)) {
  if (!im) return;
  im->rubber_pt[0] = im->rubber_pt[1] = -1;
  gt_band_sel_compact(im);
  im->*band = im->sel_list[0];
  im->num_lane_coords = 0;
  if (im->*band) activate(owner, im);
  gt_redraw_img(im);
}

void gt_band_mark_axes(TK_OBJ owner, IMAGE_REC* im) {
  start_marks(owner, im, &IMAGE_REC::axes_band, gt_bd_axe_activate);
}
void gt_band_mark_bounds(TK_OBJ owner, IMAGE_REC* im) {
  start_marks(owner, im, &IMAGE_REC::bounds_band, gt_bd_mrk_activate);
}

void gt_band_information(TK_OBJ owner, IMAGE_REC* im) {
  if (!im) return;
  gt_band_sel_compact(im);
  SPOT* first = im->sel_list[0];
  if (!first) return;
  char text[21];
  std::snprintf(text, sizeof text, "%s", first->label);
  if (gt_ch_band_activate(owner, text) == 1) {
    im->modified = 1;
    gt_get_control()->disp_codes[DISP_BAND_LABELS] = 1;
    for (SPOT* b = im->bands->next; b; b = b->next)
      if (b->f2 & SP_F2_SELECTED) std::snprintf(b->label, sizeof b->label, "%s", text);
  }
  gt_redraw_img(im);
}

void gt_band_mark_active(SPOT* head, int value) {
  for (SPOT* b = head ? head->next : nullptr; b; b = b->next)
    if (b->f2 & SP_F2_SELECTED)
      b->f1 = (b->f1 & ~(SP_F1_INACTIVE_A | SP_F1_INACTIVE_B)) | ((uint32_t(value) & 3u) << 6);
}

void gt_band_norm_lane(IMAGE_REC* im) {
  if (!im || !im->bands || !im->bands->next || !im->lanes || !im->lanes->next) return;
  bool zero = false;
  for (SPOT* b = im->bands->next; b; b = b->next) zero |= b->amount <= 0.0;
  if (zero && mh_send_msg(2, "%s", gt_get_message(147)) == 1) return;
  bool lost = false;
  for (LANE* l = im->lanes->next; l; l = l->next) {
    SPOT** arr = nullptr;
    const int n = ln_find_bands_in_lane(im->bands, &arr, l, nullptr, nullptr);
    SPOT* ref = nullptr;
    for (int i = 0; i < n && !ref; ++i)
      if (arr[i]->f2 & SP_F2_SELECTED) ref = arr[i];
    if (ref && ref->amount > 0.0) {
      l->norm_ii = ref->amount;
      im->modified = 1;
      for (int i = 0; i < n; ++i) {
        if (arr[i] != ref && (arr[i]->f2 & SP_F2_LANE_NORM)) lost = true;
        arr[i]->f2 &= ~uint32_t(SP_F2_LANE_NORM);
      }
      ref->f2 |= SP_F2_LANE_NORM;
    }
    ks_free(arr);
  }
  if (lost) gt_redraw_img(im);
}

void gt_band_norm_image(IMAGE_REC* im) {
  if (!im) return;
  gt_band_sel_compact(im);
  SPOT* ref = im->sel_list[0];
  if (!ref) return;
  if (ref->amount <= 0.0) {
    alert(90);
    return;
  }
  if (im->band_hdr) im->band_hdr->norm_band_ii = ref->amount;
  bool other = false;
  for (SPOT* b = im->bands->next; b; b = b->next) {
    if (b != ref && (b->f2 & SP_F2_IMG_NORM)) other = true;
    b->f2 &= ~uint32_t(SP_F2_IMG_NORM);
  }
  ref->f2 |= SP_F2_IMG_NORM;
  im->modified = 1;
  if (other) gt_redraw_img(im);
}

void gt_band_clear_norm(IMAGE_REC* im) {
  if (!im) return;
  if (im->band_hdr) im->band_hdr->norm_band_ii = 0.0;
  for (LANE* l = im->lanes ? im->lanes->next : nullptr; l; l = l->next) l->norm_ii = 0.0;
  for (SPOT* b = im->bands ? im->bands->next : nullptr; b; b = b->next)
    b->f2 &= ~uint32_t(SP_F2_IMG_NORM | SP_F2_LANE_NORM);
}

void gt_band_requant_one_lane(IMAGE_REC* im, LANE* lane, SPOT* head) {
  if (!im || !lane || !head) return;
  SLOG("gt_band_requant_one_lane", SLOG_VALUE4, "[%2d] <%s>", lane->lane_number, lane->lane_name);
  PixelGuard guard(im);
  if (!guard.ready()) return;
  SPOT** arr = nullptr;
  const int n = ln_find_bands_in_lane(head, &arr, lane, nullptr, nullptr);
  for (int i = 0; i < n; ++i) {
    arr[i]->baseline = ln_baseline_at(arr[i]->y, lane);
    arr[i]->od = std::max(arr[i]->od, arr[i]->baseline);
  }
  if (n > 0) gt_band_quant_lane(im, lane, arr, n, -1);
  ks_free(arr);
  if (!guard.undo_if_lost()) im->modified = 1;
}

void gt_band_requant_all_baseline(IMAGE_REC* im, LANE* head, SPOT* chain) {
  PixelGuard guard(im);  // one read of the file and one undo for all the lanes
  if (!guard.ready()) return;
  for (LANE* l = head ? head->next : nullptr; l; l = l->next) gt_band_requant_one_lane(im, l, chain);
  guard.undo_if_lost();
}

void gt_band_destroy(IMAGE_REC* im) {
  if (!im) {
    SLOG("gt_band_destroy", SLOG_ERROR, "image_ptr NULL");
    return;
  }
  gt_img_free_lists(im);
  std::fill(std::begin(im->sel_list), std::end(im->sel_list), nullptr);
  im->cur_band = im->axes_band = im->bounds_band = nullptr;
  im->cur_lane = im->bnd_lane = nullptr;
  im->mod_tier = nullptr;
}
