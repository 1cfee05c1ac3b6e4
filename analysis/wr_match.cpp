// Gathering match and report images.
#include "analysis/wr_match.h"

#include <algorithm>
#include <memory>
#include <cmath>
#include <cstdio>
#include <unordered_map>

#include "analysis/lane_map.h"
#include "analysis/matr_win.h"
#include "analysis/mresult.h"
#include "base/io_file.h"
#include "base/ks_alert.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "io/analysis_io.h"
#include "io/image_rec_init.h"
#include "model/control.h"
#include "model/lane.h"
#include "model/lanechar.h"
#include "model/match_matrix.h"
#include "model/quant.h"
#include "model/spot.h"
#include "model/std_list.h"
#include "shell/gt_image_win.h"
#include "shell/gt_show_lanes.h"

int wr_disp_get_data(const std::vector<IMAGE_REC*>& windows, const char* path, const char* name,
                     IMAGE_REC** out) {
  SLOG("wr_disp_get_data", SLOG_ENTRY, "<%s> <%s>", path ? path : "", name ? name : "");
  *out = nullptr;
  SLOG("wr_disp_get_data", SLOG_VALUE4, "num_win %d", int(windows.size()));
  for (size_t i = 0; name != nullptr && i < windows.size(); ++i) {
    IMAGE_REC* im = windows[i];
    if (im == nullptr) continue;
    SLOG("wr_disp_get_data", SLOG_VALUE4, "[%2d] <%s>", int(i), im->file_path);
    if (gt_image_is_entry(im, path, name)) {
      *out = im;
      SLOG("wr_disp_get_data", SLOG_EXIT, "%s", "ret 0");
      return 0;
    }
  }
  SLOG("wr_disp_get_data", SLOG_EXIT, "%s", "ret -1");
  return -1;
}

namespace {

void strip_for_match(IMAGE_REC* im) {
  for (SPOT* b = im->bands ? im->bands->next : nullptr; b != nullptr; b = b->next) {
    mj_res_free(&b->result);
    b->f1 &= ~0xFu;
  }
  for (LANE* l = im->lanes ? im->lanes->next : nullptr; l != nullptr; l = l->next) {
    if (l->baseline) ln_free_feat_list(l->baseline);
    ks_free(l->data_values);
    l->data_values = nullptr;
    l->num_data_values = 0;
    ks_free(l->baseline_values);
    l->baseline_values = nullptr;
    if (l->peak) ln_free_feat_list(l->peak);
    if (l->valley) ln_free_feat_list(l->valley);
    if (l->infl_pt) ln_free_feat_list(l->infl_pt);
  }
}

}  // namespace

int wr_read_match_image(WrImage* entry, int keep_stds) {
  static const char* fn = "wr_read_match_image";
  if (entry == nullptr) return -1;
  SLOG(fn, SLOG_ENTRY, "<%s> keep %d", entry->path, keep_stds);
  entry->image = nullptr;
  entry->loaded = 0;
  auto* im = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
  if (im == nullptr) return -1;
  if (!gt_img_init(im)) {
    gt_img_free(im);
    return -1;
  }
  std::snprintf(im->file_path, sizeof im->file_path, "%s", entry->path);
  std::snprintf(im->image_name, sizeof im->image_name, "%s", entry->name);
  // This record is nobody's current image: reading it must not offer it as one.
  GtAnalysisHooks hooks = gt_analysis_set_hooks(GtAnalysisHooks{});
  GtAnalysisHooks quiet = hooks;
  quiet.make_current = nullptr;
  gt_analysis_set_hooks(quiet);
  const int r = gt_read_and_prepare(entry->path, keep_stds ? im->img_ptr : nullptr, im);
  gt_analysis_set_hooks(hooks);
  if (r != 0 || im->lanes == nullptr) {
    gt_img_free(im);
    SLOG(fn, SLOG_EXIT, "%s", "ret -1");
    return -1;
  }
  if (!keep_stds) strip_for_match(im);
  entry->image = im;
  entry->loaded = 1;
  SLOG(fn, SLOG_EXIT, "%s", "ret 0");
  return 0;
}

void wr_free_match_image(WrImage* entry) {
  if (entry == nullptr) return;
  if (entry->loaded) gt_img_free(entry->image);
  entry->image = nullptr;
  entry->loaded = 0;
}

void wr_free_match_entries(WrMatchEntries* entries) {
  if (entries == nullptr) return;
  for (WrImage& e : entries->sources) wr_free_match_image(&e);
  entries->images.clear();
  entries->sources.clear();
  entries->path_index.clear();
}

namespace {

const char* const kAll = "wr_prepare_and_match_all_lanes";
const char* const kSel = "wr_prepare_and_match_sel_lanes";
const char* const kList = "wr_prepare_and_match";
const char* const kBands = "wr_prepare_and_match_to_sel_bands";

// A band takes part in matching unless it is marked inactive.
int band_active(SPOT* s) { return (s->f1 & (SP_F1_INACTIVE_A | SP_F1_INACTIVE_B)) == 0; }

double clamp_pct(double v) { return std::min(std::max(v, 0.0), 100.0); }

// The busy state and a status line message for the length of a driver; every way out ends
// both.
class BusyRun {
 public:
  explicit BusyRun(int message) {
    gt_busy_begin();
    mh_status_message(gt_get_status_bar(), 1, "%s", ks_gt_message(message));
  }
  ~BusyRun() {
    gt_busy_end();
    mh_clear_status(gt_get_status_bar(), 1);
  }
  BusyRun(const BusyRun&) = delete;
  BusyRun& operator=(const BusyRun&) = delete;
};

// The lane selection of CONTROL's lane selection file: the table and whether selection is on.
struct LaneSel {
  char** table = nullptr;
  int on = 0;
  ~LaneSel() { ln_free_lanesel(table); }
};

// Reads the lane selection file when one is named. A file that cannot be read or selects
// nothing asks whether to go on without it; false when the user stops.
bool read_lane_selection(const CONTROL* ctl, LaneSel* sel, const char* fn) {
  if (ctl->lane_sel_file[0] == '\0') return true;
  char** table = nullptr;
  const int r = ln_read_lanesel(ctl->lane_sel_file, &table);
  if (r != 0 || table == nullptr || table[0] == nullptr) {
    ln_free_lanesel(table);
    if (mh_send_msg(KS_ALERT_YESNO, ks_gt_message(145), ctl->lane_sel_file) == 1) {
      SLOG(fn, SLOG_EXIT, "%s", "failed to read lanesel");
      return false;
    }
    return true;
  }
  sel->table = table;
  sel->on = 1;
  return true;
}

std::string file_part(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void set_text(char* dst, size_t cap, const std::string& s) { std::snprintf(dst, cap, "%s", s.c_str()); }

// Gathers the images of `paths`: from the window that shows one, else read from its files.
// An image that cannot be read is reported (gt_msg 131 of `kind`) and left out; with
// need_lanes an image without lanes is left out as well.
void gather(const std::vector<IMAGE_REC*>& windows, const std::vector<std::string>& paths,
            int kind, bool need_lanes, WrMatchEntries* out) {
  for (size_t i = 0; i < paths.size(); ++i) {
    WrImage src;
    set_text(src.path, sizeof src.path, paths[i]);
    set_text(src.name, sizeof src.name, file_part(paths[i]));
    MATCH_IMAGE m{};
    set_text(m.path, sizeof m.path, src.path);
    set_text(m.name, sizeof m.name, src.name);
    IMAGE_REC* open = nullptr;
    if (wr_disp_get_data(windows, src.path, src.name, &open) == 0) {
      src.image = open;
      m.image = open;
    } else if (wr_read_match_image(&src, 0) != 0) {
      mh_send_msg(kind, ks_gt_message(131), src.name);
      continue;
    }
    m.lanes = src.image->lanes;
    m.bands = src.image->bands;
    if (need_lanes && (m.lanes == nullptr || m.lanes->next == nullptr)) {
      wr_free_match_image(&src);
      continue;
    }
    out->images.push_back(m);
    out->sources.push_back(src);
    out->path_index.push_back(static_cast<int>(i));
  }
}

// A counted lane: its entry and the lane.
struct Counted {
  int entry;
  LANE* lane;
};

// The outcome of counting the lanes that can take part.
struct Count {
  std::vector<Counted> lanes;
  bool no_bands = false;   // some image has no band chain, or some lane no active band
  int skip_unsized = 0;    // the user left lanes without sized bands out
  bool stopped = false;    // the user cancelled at the question
};

// Counts the lanes of the entries that `pass` accepts. A lane holding a size standard band is
// left out when CONTROL excludes such lanes; the first lane without a sized band asks whether
// such lanes take part (No), are left out (Yes) or the command stops (Cancel).
template <typename Pass>
Count count_lanes(const WrMatchEntries& entries, const CONTROL* ctl, Pass pass, const char* fn,
                  bool log_lanes) {
  Count c;
  int unsized = -1;  // -1 not asked yet, 1 counted, 0 left out
  for (int e = 0; e < entries.count(); ++e) {
    const MATCH_IMAGE& m = entries.images[size_t(e)];
    if (m.lanes == nullptr) continue;
    if (m.bands == nullptr) c.no_bands = true;
    for (LANE* lane = m.lanes->next; lane != nullptr; lane = lane->next) {
      if (!pass(m, lane)) continue;
      SPOT** bands = nullptr;
      const int nb = m.bands ? ln_find_bands_in_lane(m.bands, &bands, lane, nullptr, band_active) : 0;
      if (nb <= 0) c.no_bands = true;
      bool any_std = false, any_sized = false;
      for (int j = 0; j < nb; ++j) {
        any_std = any_std || (bands[j]->f2 & SP_F2_SIZE_STD);
        any_sized = any_sized || bands[j]->size > 0;
      }
      ks_free(bands);
      if (any_std && ctl->ignore_stds) continue;
      if (!any_sized) {
        if (unsized < 0) {
          const int answer = mh_send_msg(KS_ALERT_YESNOCANCEL, "%s", ks_gt_message(146));
          if (answer == 1) {
            unsized = 1;
          } else if (answer == 2) {
            unsized = 0;
            c.skip_unsized = 1;
          } else {
            SLOG(fn, SLOG_EXIT, "%s", "fall thru lanes not sized");
            c.stopped = true;
            return c;
          }
        }
        if (unsized == 0) continue;
      }
      if (log_lanes)
        SLOG(fn, SLOG_VALUE4, "[%2d] <%s> lane #%2d", int(c.lanes.size()), m.name, int(lane->lane_number));
      c.lanes.push_back({e, lane});
    }
  }
  return c;
}

// The active bands of a lane of an image.
int count_active_bands(SPOT* band_head, LANE* lane) {
  if (band_head == nullptr || lane == nullptr) return 0;
  SPOT** bands = nullptr;
  const int n = ln_find_bands_in_lane(band_head, &bands, lane, nullptr, band_active);
  ks_free(bands);
  return std::max(n, 0);
}

// The parameters both all-lanes matches put into their request: every pair is kept (threshold
// 0, no band count limit); match all lanes uses the volume tolerance as a whole number.
void all_lanes_request(MATCH_REQUEST* req, const CONTROL* ctl, bool whole_volume) {
  *req = MATCH_REQUEST{};
  req->method = static_cast<int16_t>(ctl->match_method);
  req->threshold = 0;
  req->spacing_tol = clamp_pct(ctl->match_tol[1]);
  req->volume_tol = clamp_pct(whole_volume ? std::trunc(ctl->match_tol[2]) : ctl->match_tol[2]);
  req->band_count_limit = 100;
  req->size_tol_copy = ctl->match_tol[0];
}

void open_matrix_window(TK_OBJ owner, MATCH_MATRIX* mr, LANE_MAP* map) {
  matr_activate(owner, mr, map, lmap_draw_bands, gt_show_matrix_row, lmap_free);
}
WrMatrixReceiver s_receiver = open_matrix_window;

// Matches every counted lane against every later one and hands the matrix and the lane map
// to the match matrix window. Each result is placed by its lane into that lane's row, and only
// into rows after the reference's; a pair without a result keeps distance 100 (0 % similar).
void match_all_counted(const char* fn, const Count& count, const WrMatchEntries& entries,
                       const CONTROL* ctl, TK_OBJ owner, const LaneSel& sel, bool sel_only) {
  const int n = static_cast<int>(count.lanes.size());
  SLOG(fn, SLOG_VALUE4, "num_sel_lanes %d", n);
  if (n == 0) {
    mh_send_msg(KS_ALERT_ERROR, "%s", ui_msg(318));
    return;
  }
  MATCH_MATRIX* mr = ks_mr_new(n);
  LANE_MAP* map = lmap_new();
  std::unordered_map<const LANE*, int> row_of;
  for (int k = 0; k < n; ++k) row_of.emplace(count.lanes[size_t(k)].lane, k);
  for (int i = 0; i < n; ++i)
    for (int j = i + 1; j < n; ++j) ks_mr_set_dist(mr, i, j, 100.0f);
  bool failed = false;
  // Each lane's bands are looked up once for all the references; only scores are kept.
  std::unique_ptr<VX_MATCH_CACHE, void (*)(VX_MATCH_CACHE*)> cache(vx_match_cache_new(),
                                                                    vx_match_cache_free);
  std::vector<LANE_SCORE> scores;
  for (int k = 0; k < n && !failed; ++k) {
    const Counted& c = count.lanes[size_t(k)];
    const MATCH_IMAGE& img = entries.images[size_t(c.entry)];
    char label[64];
    if (!sel_only) {
      char lab[24];
      vx_lane_label(c.lane, ctl, lab, sizeof lab);
      std::snprintf(label, sizeof label, "%ld:%s", long(c.lane->lane_number), lab);
    } else if (c.lane->lane_name[0] != '\0') {
      std::snprintf(label, sizeof label, "%ld:%s", long(c.lane->lane_number), c.lane->lane_name);
    } else {
      std::snprintf(label, sizeof label, "%ld", long(c.lane->lane_number));
    }
    const std::string row = io_base_name(img.name) + ":" + label;
    if (!sel_only)
      mh_status_message(gt_get_status_bar(), 1, "Matching %ld of %ld lanes...", long(k + 1), long(n));
    MATCH_REQUEST req;
    all_lanes_request(&req, ctl, !sel_only);
    set_text(req.path, sizeof req.path, img.path);
    set_text(req.name, sizeof req.name, img.name);
    req.ref_lane_number = c.lane->lane_number;
    req.ref_image = img.image;
    const int r = vx_match_scores(&req, &scores, sel.table, sel.on, c.lane->lane_number, &img,
                                  &img, entries.count() - c.entry, sel_only ? 1 : 0, ctl,
                                  count.skip_unsized, cache.get());
    SLOG(fn, SLOG_VALUE4, "ret_match_lanes %d, ref_info.num_lanes %d", r, int(req.num_results));
    if (r != 0) {
      failed = true;
      break;
    }
    const int at = lmap_add_lane(map, img.path, img.name, label, req.num_ref_bands);
    lmap_fill_lane(lmap_get_lane(map, at), req.ref_lane, req.ref_bands, nullptr, 0);
    ks_mr_set_entry(mr, k, row.c_str(), img.path);
    for (const LANE_SCORE& sc : scores) {
      const auto it = row_of.find(sc.lane);
      if (it != row_of.end() && it->second > k)
        ks_mr_set_dist(mr, k, it->second, static_cast<float>(100 - sc.percent));
    }
    ks_free(req.ref_bands);
    req.ref_bands = nullptr;
  }
  if (failed) {
    ks_mr_free(mr);
    lmap_free(map);
    mh_send_msg(KS_ALERT_ERROR, "%s", ui_msg(318));
    return;
  }
  if (count.no_bands) mh_send_msg(KS_ALERT_ERROR, "%s", ui_msg(319));
  mr->method = ctl->match_method;
  mr->band_size_tol = ctl->match_tol[0];
  mr->spacing_tol = ctl->match_tol[1];
  mr->volume_tol = ctl->match_tol[2];
  mr->match_threshold = ctl->match_tol[3];
  mh_clear_status(gt_get_status_bar(), 1);
  s_receiver(owner, mr, map);
}

// The two list matches: the reference against the lanes of the entries; the results window
// takes over the request's reference bands, the results and the entries (and `ref_source`, the
// reference read from its file).
void match_list(const char* fn, MATCH_REQUEST* req, const MATCH_IMAGE& ref, WrImage ref_source,
                const std::vector<std::string>& paths, const CONTROL* ctl, TK_OBJ owner,
                const std::vector<IMAGE_REC*>& windows, const LaneSel& sel) {
  const int ref_bands = req->band_count_limit < 100
                            ? count_active_bands(ref.bands, [&] {
                                for (LANE* l = ref.lanes ? ref.lanes->next : nullptr; l; l = l->next)
                                  if (l->lane_number == req->ref_lane_number) return l;
                                return static_cast<LANE*>(nullptr);
                              }())
                            : 0;
  WrMatchEntries entries;
  gather(windows, paths, KS_ALERT_ERROR, true, &entries);
  const Count count = count_lanes(
      entries, ctl,
      [&](const MATCH_IMAGE& m, LANE* lane) {
        if (sel.on && !vx_lane_meets_selection(lane, sel.table)) return false;
        return req->band_count_limit >= 100 ||
               std::abs(count_active_bands(m.bands, lane) - ref_bands) <= req->band_count_limit;
      },
      fn, false);
  if (count.stopped || count.lanes.empty()) {
    if (!count.stopped) {
      mh_send_msg(KS_ALERT_ERROR, "%s", ui_msg(318));
      SLOG(fn, SLOG_VALUE4, "%s", "no lanes to match");
    }
    wr_free_match_entries(&entries);
    wr_free_match_image(&ref_source);
    return;
  }
  if (count.no_bands) mh_send_msg(KS_ALERT_ERROR, "%s", ui_msg(319));
  LANE_MATCH** res = nullptr;
  const int r = vx_match_lanes(req, &res, sel.table, sel.on, 0, &ref, entries.images.data(),
                               entries.count(), 0, ctl, count.skip_unsized);
  SLOG(fn, SLOG_VALUE4, "ret_match_lanes %d", r);
  if (r != 0) {
    wr_free_match_entries(&entries);
    wr_free_match_image(&ref_source);
    return;
  }
  mh_clear_status(gt_get_status_bar(), 1);
  mresult_activate(owner, *req, res, std::move(entries), ref_source);
  req->ref_bands = nullptr;  // the window owns them now
}

// The request the two list matches share. Only one list match is shown at a time: a new one
// first closes the results window that holds the last.
MATCH_REQUEST s_list_request;

void list_request(MATCH_REQUEST* req, const CONTROL* ctl) {
  *req = MATCH_REQUEST{};
  req->method = static_cast<int16_t>(ctl->match_method);
  req->threshold = clamp_pct(ctl->match_tol[3]);
  req->spacing_tol = clamp_pct(ctl->match_tol[1]);
  req->volume_tol = clamp_pct(ctl->match_tol[2]);
  req->band_count_limit = ctl->band_count_limit;
  req->size_tol_copy = ctl->match_tol[0];
}

}  // namespace

int wr_get_match_data(const std::vector<IMAGE_REC*>& windows, WrMatchEntries* out) {
  SLOG("wr_get_match_data", SLOG_ENTRY, "%s", "");
  for (IMAGE_REC* im : windows) {
    if (im == nullptr || im->lanes == nullptr || im->lanes->next == nullptr) continue;
    MATCH_IMAGE m{};
    set_text(m.path, sizeof m.path, im->file_path);
    set_text(m.name, sizeof m.name, im->image_name);
    m.lanes = im->lanes;
    m.bands = im->bands;
    WrImage src;
    set_text(src.path, sizeof src.path, im->file_path);
    set_text(src.name, sizeof src.name, im->image_name);
    src.image = im;
    out->images.push_back(m);
    out->sources.push_back(src);
    out->path_index.push_back(out->count() - 1);
  }
  return out->count();
}

void wr_prepare_and_match_all_lanes(CONTROL* ctl, TK_OBJ owner,
                                    const std::vector<IMAGE_REC*>& windows,
                                    const std::vector<std::string>& paths,
                                    const std::vector<int>& img_index,
                                    const std::vector<long>& lane_numbers) {
  SLOG(kAll, SLOG_ENTRY, "num_images %d", int(paths.size()));
  BusyRun busy(95);
  LaneSel sel;
  if (!read_lane_selection(ctl, &sel, kAll)) return;
  const size_t marks = std::min(img_index.size(), lane_numbers.size());
  if (marks > 0) {
    SLOG(kAll, SLOG_VALUE4, "%s", "setting use_lanesel TRUE");
    sel.on = 1;
  }
  WrMatchEntries entries;
  gather(windows, paths, KS_ALERT_INFO, false, &entries);
  // The pairs name images by their place in the list, whichever images could be read.
  for (int e = 0; e < entries.count(); ++e) {
    const MATCH_IMAGE& m = entries.images[size_t(e)];
    if (m.lanes == nullptr || m.bands == nullptr) continue;
    for (size_t k = 0; k < marks; ++k) {
      SLOG(kAll, SLOG_VALUE4, "[%2d] %2d vs %2d", int(k), img_index[k], entries.path_index[size_t(e)]);
      if (img_index[k] != entries.path_index[size_t(e)]) continue;
      for (LANE* l = m.lanes->next; l != nullptr; l = l->next)
        if (l->lane_number == lane_numbers[k]) {
          l->f |= LN_F_LIST_MARK;
          SLOG(kAll, SLOG_VALUE4, "   lane# [%2d]", int(l->lane_number));
        }
    }
  }
  SLOG(kAll, SLOG_VALUE4, "%s", "after set use_lanenum");
  const Count count = count_lanes(
      entries, ctl,
      [&](const MATCH_IMAGE&, LANE* l) { return !sel.on || vx_lane_meets_selection(l, sel.table); },
      kAll, true);
  if (!count.stopped) match_all_counted(kAll, count, entries, ctl, owner, sel, false);
  for (const MATCH_IMAGE& m : entries.images)
    for (LANE* l = m.lanes ? m.lanes->next : nullptr; l != nullptr; l = l->next)
      l->f &= ~LN_F_LIST_MARK;
  wr_free_match_entries(&entries);
  SLOG(kAll, SLOG_EXIT, "%s", "Done");
}

void wr_prepare_and_match_sel_lanes(CONTROL* ctl, TK_OBJ owner,
                                    const std::vector<IMAGE_REC*>& windows) {
  SLOG(kSel, SLOG_ENTRY, "%s", "");
  BusyRun busy(96);
  WrMatchEntries entries;
  wr_get_match_data(windows, &entries);
  const Count count = count_lanes(
      entries, ctl, [](const MATCH_IMAGE&, LANE* l) { return (l->f & LN_F_SELECTED) != 0; }, kSel,
      false);
  if (!count.stopped) match_all_counted(kSel, count, entries, ctl, owner, LaneSel{}, true);
  SLOG(kSel, SLOG_EXIT, "%s", "Done");
}

void wr_prepare_and_match(IMAGE_REC* current, CONTROL* ctl, const std::vector<std::string>& paths,
                          TK_OBJ owner, const std::vector<IMAGE_REC*>& windows) {
  SLOG(kList, SLOG_ENTRY, "num_images %d", int(paths.size()));
  if (current == nullptr || current->cur_lane == nullptr) {
    SLOG(kList, SLOG_EXIT, "%s", "no current lane");
    return;
  }
  BusyRun busy(95);
  mresult_dismiss();  // the open results window holds the shared request
  LaneSel sel;
  if (!read_lane_selection(ctl, &sel, kList)) return;
  MATCH_REQUEST* req = &s_list_request;
  list_request(req, ctl);
  set_text(req->path, sizeof req->path, current->file_path);
  set_text(req->name, sizeof req->name, current->image_name);
  req->ref_lane_number = current->cur_lane->lane_number;
  req->ref_image = current;
  MATCH_IMAGE ref{};
  set_text(ref.path, sizeof ref.path, current->file_path);
  set_text(ref.name, sizeof ref.name, current->image_name);
  ref.lanes = current->lanes;
  ref.bands = current->bands;
  ref.image = current;
  match_list(kList, req, ref, WrImage{}, paths, ctl, owner, windows, sel);
  SLOG(kList, SLOG_EXIT, "%s", "Done");
}

void wr_prepare_and_match_to_sel_bands(const char* ref_path, CONTROL* ctl,
                                       const std::vector<std::string>& paths, TK_OBJ owner,
                                       const std::vector<IMAGE_REC*>& windows) {
  SLOG(kBands, SLOG_ENTRY, "<%s>", ref_path ? ref_path : "");
  if (ref_path == nullptr) return;
  BusyRun busy(95);
  mresult_dismiss();  // the open results window holds the shared request
  LaneSel sel;
  if (!read_lane_selection(ctl, &sel, kBands)) return;
  WrImage src;
  set_text(src.path, sizeof src.path, ref_path);
  set_text(src.name, sizeof src.name, file_part(ref_path));
  if (wr_read_match_image(&src, 1) != 0) {
    mh_send_msg(KS_ALERT_ERROR, ks_gt_message(131), src.name);
    return;
  }
  MATCH_REQUEST* req = &s_list_request;
  list_request(req, ctl);
  set_text(req->path, sizeof req->path, src.path);
  set_text(req->name, sizeof req->name, src.name);
  req->ref_lane_number = 1;
  req->ref_from_file = 1;
  MATCH_IMAGE ref{};
  set_text(ref.path, sizeof ref.path, src.path);
  set_text(ref.name, sizeof ref.name, src.name);
  ref.lanes = src.image->lanes;
  ref.bands = src.image->bands;
  match_list(kBands, req, ref, src, paths, ctl, owner, windows, sel);
  SLOG(kBands, SLOG_EXIT, "%s", "Done");
}

WrMatrixReceiver wr_set_matrix_receiver(WrMatrixReceiver receiver) {
  const WrMatrixReceiver before = s_receiver;
  s_receiver = receiver ? receiver : open_matrix_window;
  return before;
}
