// Writing an image's analysis to its files and reading it back into the image record.
#include "io/analysis_io.h"

#include "base/io_file.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "io/analysis.h"
#include "io/byte_io.h"
#include "io/commentary.h"
#include "io/gt_records.h"
#include "io/img_state.h"
#include "io/info_file.h"
#include "model/spot.h"
#include "model/std_list.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

GtAnalysisHooks g_hooks;

// Busy state for the length of one operation.
struct Busy {
  Busy() {
    if (g_hooks.busy_begin) g_hooks.busy_begin();
  }
  ~Busy() {
    if (g_hooks.busy_end) g_hooks.busy_end();
  }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;
};

void gt_msg(int kind, int number) { mh_send_msg(kind, "%s", ks_gt_message(number)); }

std::string base_of(const char* image_name) {
  char base[KS_PATH_LEN];
  if (!image_name || io_strip_extension(base, image_name) != 0) return std::string();
  return base;
}

ANALYSIS_ENTRY entry(int type, void* record, void* header = nullptr) {
  ANALYSIS_ENTRY e{};
  e.type = type;
  e.record = record;
  e.header = header;
  return e;
}

// Stages an analysis file that holds no records and an empty text part.
bool stage_empty_app(IoFileSet& set, const std::string& base) {
  ByteWriter bin;
  ANALYSIS_HDR hdr{};
  io_write_analysis_hdr(bin, &hdr);
  return set.put(base + io_analysis_ext(IO_PROG_GT), bin.data(), bin.size()) &&
         set.put(base + ".cmt", nullptr, 0);
}

// True when "<base>.gt" is a container without records and "<base>.cmt" is missing or empty:
// an analysis that was saved after every item had been deleted.
bool app_is_empty(const std::string& base) {
  const std::string bin_name = base + io_analysis_ext(IO_PROG_GT);
  std::vector<uint8_t> bytes;
  if (!io_file_exists(bin_name.c_str()) ||
      !io_read_whole_file(bin_name.c_str(), bytes, IO_ANALYSIS_HDR_BYTES))
    return false;
  ByteReader r(bytes);
  ANALYSIS_HDR hdr{};
  int swap = 0;
  if (!io_read_analysis_hdr(r, &hdr, &swap) || hdr.num_analysis != 0) return false;
  const std::string txt_name = base + ".cmt";
  std::vector<uint8_t> txt;
  return !io_file_exists(txt_name.c_str()) || (io_read_whole_file(txt_name.c_str(), txt, 0));
}

void free_std_lists(STD_LIST** lists, int n) {
  if (!lists) return;
  for (int i = 0; i < n; ++i)
    if (lists[i]) std_list_free(lists[i]);
  ks_free(lists);
}

// A list that used the robust fit (method 2, no longer offered) is switched to method 1.
void fix_robust(IMAGE_REC* im, STD_LIST* list) {
  if (list && list->int_method == 2) {
    gt_msg(KS_ALERT_INFO, 177);
    list->int_method = 1;
    im->std_changed = 1;
  }
}

void clear_delete_marks(STD_LIST* list) {
  if (!list || !list->records) return;
  for (int i = 0; i < list->count; ++i) list->records[i].flags &= ~STD_M_DELETE;
}

// What one reading pass has taken, for the steps after the last record.
struct ReadState {
  int size_len;       // lists in image->size_stdp
  bool size_read = false;
  bool any = false;   // a record was taken
};

void take_comment(IMAGE_REC* im, ANALYSIS_ENTRY* e) {
  // The comment is set on this image's record itself: making the image current may be refused
  // in the present task state, and the text must not land on another image.
  if (g_hooks.make_current) g_hooks.make_current(im);
  ks_free(im->comment);
  im->comment = static_cast<char*>(e->record);
  im->comment_len = im->comment ? static_cast<int>(std::strlen(im->comment)) : 0;
  e->record = nullptr;
}

void take_commentary(IMG_DATA* disp, ANALYSIS_ENTRY* e) {
  if (!disp) return;  // the list's free releases the chain
  io_free_commentary(static_cast<COMM_OBJ*>(disp->annot_first));
  COMM_OBJ* head = static_cast<COMM_OBJ*>(e->record);
  e->record = nullptr;
  COMM_OBJ* last = head;
  while (last && last->next) last = last->next;
  disp->annot_first = head;
  disp->annot_last = last;
  disp->annot_selected = nullptr;
}

void take_bands(IMAGE_REC* im, ANALYSIS_ENTRY* e) {
  // The tools' pointers into the chain that is about to go.
  for (SPOT*& p : im->sel_list) p = nullptr;
  im->num_sel_bands = 0;
  im->cur_band = nullptr;
  im->axes_band = nullptr;
  im->bounds_band = nullptr;
  ln_free_bands(im->bands);
  ks_free(im->band_hdr);
  im->bands = static_cast<SPOT*>(e->record);
  im->band_hdr = static_cast<SPOT_HDR*>(e->header);
  e->record = nullptr;
  e->header = nullptr;
}

void take_lanes(IMAGE_REC* im, ANALYSIS_ENTRY* e) {
  im->cur_lane = nullptr;
  im->bnd_lane = nullptr;
  ln_free_lanes(im->lanes);
  ks_free(im->lane_hdr);
  im->lanes = static_cast<LANE*>(e->record);
  im->lane_hdr = static_cast<LANE_HDR*>(e->header);
  e->record = nullptr;
  e->header = nullptr;
  for (LANE* l = im->lanes ? im->lanes->next : nullptr; l; l = l->next) {
    l->f &= ~LN_F_SELECTED;
    l->f |= LN_F_TOOL_MARK;
    if (!l->baseline_values && g_hooks.build_baseline) g_hooks.build_baseline(l);
  }
  im->has_lanes = 1;
}

void take_size_stds(IMAGE_REC* im, ANALYSIS_ENTRY* e, ReadState& st) {
  const STD_REC_HDR* hdr = static_cast<const STD_REC_HDR*>(e->header);
  im->mod_tier = nullptr;
  free_std_lists(im->size_stdp, st.size_len);
  im->size_stdp = static_cast<STD_LIST**>(e->record);
  st.size_len = hdr ? hdr->num_lists : 0;
  e->record = nullptr;
  st.size_read = true;
  if (im->size_stdp && st.size_len > 0) fix_robust(im, im->size_stdp[0]);
}

void take_conc_stds(IMAGE_REC* im, ANALYSIS_ENTRY* e) {
  const STD_REC_HDR* hdr = static_cast<const STD_REC_HDR*>(e->header);
  STD_LIST** lists = static_cast<STD_LIST**>(e->record);
  if (!lists) return;
  // The image keeps one concentration list: the record's array becomes its cell, any further
  // lists of the record are released.
  const int n = hdr ? hdr->num_lists : 1;
  for (int i = 1; i < n; ++i) {
    if (lists[i]) std_list_free(lists[i]);
    lists[i] = nullptr;
  }
  if (im->conc_stdp) {
    if (*im->conc_stdp) std_list_free(*im->conc_stdp);
    ks_free(im->conc_stdp);
  }
  im->conc_stdp = lists;
  e->record = nullptr;
  fix_robust(im, *lists);
  clear_delete_marks(*lists);
}

// Makes the size-standard array hold exactly one list per tier of the lane header (the
// record's own list count may differ from it, and every user of the array walks the lane
// header's tier count), then clears the deletion marks.
void settle_size_stds(IMAGE_REC* im, ReadState& st) {
  const int tiers = im->lane_hdr && im->lane_hdr->num_tiers > 0 ? im->lane_hdr->num_tiers : 0;
  if (im->size_stdp && st.size_len != tiers) {
    SLOG("gt_read_and_prepare", SLOG_WARN, "size standards: %d lists for %d tiers", st.size_len,
         tiers);
    STD_LIST** lists = nullptr;
    if (tiers > 0) {
      lists = static_cast<STD_LIST**>(ks_alloc_msg(sizeof(STD_LIST*) * tiers));
      if (!lists) ks_dbg_null_ptr("gt_read_and_prepare", "size_stdp");
    }
    if (lists) {
      for (int t = 0; t < tiers; ++t) {
        if (t < st.size_len) {
          lists[t] = im->size_stdp[t];
          im->size_stdp[t] = nullptr;
        } else {
          lists[t] = std_list_create();
        }
      }
    }
    free_std_lists(im->size_stdp, st.size_len);
    im->size_stdp = lists;
    im->mod_tier = nullptr;
    st.size_len = lists ? tiers : 0;
  }
  if (st.size_read && im->size_stdp)
    for (int t = 0; t < st.size_len; ++t) clear_delete_marks(im->size_stdp[t]);
  // Every tier of lanes has its list: a tier that the file gives none gets an empty one with
  // the image's methods, as the lane tools give a new row of lanes.
  if (tiers > 0 && im->lanes && im->lanes->next) {
    gt_img_fill_tier_lists(im, tiers);
    if (im->size_stdp) st.size_len = tiers;
  }
}

// Grows the control record's category name list by 100 slots. False when memory runs out.
bool grow_categories(CONTROL* ctl) {
  const int cap = ctl->max_lane_chars + 100;
  auto* names = static_cast<char(*)[CTL_LC_NAME]>(
      ks_alloc_msg(sizeof(char[CTL_LC_NAME]) * static_cast<std::size_t>(cap)));
  if (!names) {
    ks_dbg_null_ptr("gt_read_and_prepare_app", "lane_chars");
    return false;
  }
  if (ctl->lane_chars && ctl->num_lane_chars > 0)
    std::memcpy(names, ctl->lane_chars, sizeof(char[CTL_LC_NAME]) * ctl->num_lane_chars);
  ks_free(ctl->lane_chars);
  ctl->lane_chars = names;
  ctl->max_lane_chars = cap;
  return true;
}

// Adds the categories of every lane's characteristics that the control record does not know.
// Returns true when some characteristic has no category.
bool merge_categories(CONTROL* ctl, const IMAGE_REC* im) {
  bool need_category = false;
  for (const LANE* l = im->lanes ? im->lanes->next : nullptr; l; l = l->next) {
    for (int c = 0; c < l->num_lane_chars; ++c) {
      const LANECHAR* lc = l->lane_chars ? l->lane_chars[c] : nullptr;
      if (!lc) continue;
      char name[CTL_LC_NAME];
      std::memcpy(name, lc->name, CTL_LC_NAME - 1);
      name[CTL_LC_NAME - 1] = '\0';
      if (!name[0]) {
        need_category = true;
        continue;
      }
      bool known = false;
      for (int k = 0; k < ctl->num_lane_chars && !known; ++k)
        known = std::strcmp(ctl->lane_chars[k], name) == 0;
      if (known) continue;
      if (ctl->num_lane_chars >= ctl->max_lane_chars || !ctl->lane_chars)
        if (!grow_categories(ctl)) return need_category;
      std::memcpy(ctl->lane_chars[ctl->num_lane_chars], name, CTL_LC_NAME);
      ++ctl->num_lane_chars;
    }
  }
  return need_category;
}

// Takes the records of this program's analysis file.
void take_gt(ANALYSIS_ENTRY** list, int n, IMG_DATA* disp, IMAGE_REC* im, bool app,
             ReadState& st) {
  CONTROL* ctl = gt_get_control();
  bool lanes_read = false;
  for (int i = 0; i < n; ++i) {
    ANALYSIS_ENTRY* e = list[i];
    if (!e) continue;
    switch (e->type) {
      case IO_TEXT_COMMENT:
        take_comment(im, e);
        break;
      case 26:
        take_commentary(disp, e);
        break;
      case 16:
        take_bands(im, e);
        break;
      case 17:
        take_lanes(im, e);
        lanes_read = true;
        if (app) {
          if (im->lane_hdr && (im->lane_hdr->f & LANE_HDR_OLD_CHARS))
            ctl->flags |= CTL_F_OLD_CHARS;
          else
            ctl->flags &= ~CTL_F_OLD_CHARS;
        }
        break;
      case 20:
        take_size_stds(im, e, st);
        break;
      case 21:
        if (e->record) std::memcpy(&im->mark_pts[0][0], e->record, 6 * sizeof(int32_t));
        break;
      case 22:
        take_conc_stds(im, e);
        break;
      default:
        continue;
    }
    st.any = true;
  }
  if (app && lanes_read && !(im->lane_hdr && (im->lane_hdr->f & LANE_HDR_OLD_CHARS))) {
    const bool need_category = merge_categories(ctl, im);
    if (ctl->lane_chars && ctl->num_lane_chars > 1)
      std::qsort(ctl->lane_chars, static_cast<std::size_t>(ctl->num_lane_chars),
                 sizeof(char[CTL_LC_NAME]), gt_cmp_category);
    if (need_category) gt_msg(KS_ALERT_INFO, 186);
  }
}

// Takes the records of the older analysis file; everything taken marks the image modified.
void take_kr(ANALYSIS_ENTRY** list, int n, IMG_DATA* disp, IMAGE_REC* im, ReadState& st) {
  for (int i = 0; i < n; ++i) {
    ANALYSIS_ENTRY* e = list[i];
    if (!e) continue;
    switch (e->type) {
      case 507:
        take_comment(im, e);
        break;
      case 39:
        if (!disp) continue;
        take_commentary(disp, e);
        break;
      case 33:
        take_size_stds(im, e, st);
        break;
      case 31:
        take_bands(im, e);
        break;
      case 32:
        take_lanes(im, e);
        break;
      default:
        continue;
    }
    im->modified = 1;
    st.any = true;
  }
}

int read_app(const std::string& base, IMG_DATA* disp, IMAGE_REC* im, bool app) {
  static const char* fn = "gt_read_and_prepare_app";
  ReadState st;
  st.size_len = im->size_stdp && im->lane_hdr ? im->lane_hdr->num_tiers : 0;
  ANALYSIS_ENTRY** list = nullptr;
  int n = app_is_empty(base) ? -1 : io_read_app(base.c_str(), IO_PROG_GT, &list, 0);
  if (n > 0) {
    take_gt(list, n, disp, im, app, st);
    io_free_analysis_list(list, n);
  } else {
    SLOG(fn, SLOG_VALUE4, "%s", "no analysis, look for KR stuff");
    list = nullptr;
    n = io_read_app(base.c_str(), IO_PROG_KR, &list, 0);
    if (n > 0) {
      take_kr(list, n, disp, im, st);
      io_free_analysis_list(list, n);
    }
  }
  settle_size_stds(im, st);
  return st.any ? 0 : -1;
}

int read_inf(const std::string& base, IMAGE_REC* im) {
  ANALYSIS_ENTRY** list = nullptr;
  // The info reader takes the image's path and cuts its extension itself.
  const int n = io_read_inf((base + ".kes").c_str(), &list, 0);
  if (n <= 0 || !list) return -1;
  int got = 0;
  for (int i = 0; i < n; ++i) {
    ANALYSIS_ENTRY* e = list[i];
    if (!e || !e->record) continue;
    if (e->type == 1) {
      ks_free(im->img_info);
      im->img_info = static_cast<IMG_INFO*>(e->record);
      e->record = nullptr;
      ++got;
    } else if (e->type == 2) {
      if (im->img_int_info) lookup_free(im->img_int_info);
      im->img_int_info = static_cast<IMG_INT_INFO*>(e->record);
      e->record = nullptr;
      ++got;
    }
  }
  io_free_analysis_list(list, n);
  return got > 0 ? 0 : -1;
}

}  // namespace

GtAnalysisHooks gt_analysis_set_hooks(const GtAnalysisHooks& hooks) {
  GtAnalysisHooks old = g_hooks;
  g_hooks = hooks;
  return old;
}

int gt_cmp_category(const void* a, const void* b) {
  const char* x = static_cast<const char*>(a);
  const char* y = static_cast<const char*>(b);
  if (!x[0] && y[0]) return 1;
  if (x[0] && !y[0]) return -1;
  return std::strcmp(x, y);
}

namespace {

// Stages the image's analysis pair and info file as the files of `base`: IO_OK, or the code of
// the file that could not be built or staged.
int stage_analysis(IoFileSet& set, const std::string& base, IMG_DATA* disp, IMAGE_REC* im) {
  static const char* fn = "gt_prepare_and_write";
  std::vector<ANALYSIS_ENTRY> inf;
  if (im->img_info) inf.push_back(entry(1, im->img_info));
  if (im->img_int_info) inf.push_back(entry(2, im->img_int_info));

  // The standards headers carry the list counts: one per tier, and one concentration list.
  STD_REC_HDR size_hdr{};
  STD_REC_HDR conc_hdr{};
  std::vector<ANALYSIS_ENTRY> app;
  COMM_OBJ* annot = disp ? static_cast<COMM_OBJ*>(disp->annot_first) : nullptr;
  if (annot && annot->next) app.push_back(entry(26, annot));
  if (im->comment && im->comment[0]) app.push_back(entry(IO_TEXT_COMMENT, im->comment));
  if (im->has_lanes) {
    app.push_back(entry(16, im->bands, im->band_hdr));
    app.push_back(entry(17, im->lanes, im->lane_hdr));
  }
  if (im->size_stdp && im->size_stdp[0] && im->lane_hdr && im->lane_hdr->num_tiers > 0) {
    size_hdr.num_lists = im->lane_hdr->num_tiers;
    app.push_back(entry(20, im->size_stdp, &size_hdr));
  }
  if (im->conc_stdp && *im->conc_stdp) {
    conc_hdr.num_lists = 1;
    app.push_back(entry(22, im->conc_stdp, &conc_hdr));
  }
  if (im->mark_pts[0][0] != -1) app.push_back(entry(21, &im->mark_pts[0][0]));

  int r;
  if (app.empty()) {
    // Nothing left to store: the old analysis must not survive on disk.
    r = stage_empty_app(set, base) ? IO_OK : IO_ERR_WRITE;
  } else {
    std::vector<ANALYSIS_ENTRY*> list;
    for (ANALYSIS_ENTRY& e : app) list.push_back(&e);
    // The stagers take the image's path and cut its extension themselves: a base name with a
    // dot of its own ("gel.v2") must not lose it.
    r = io_stage_app(set, (base + ".kes").c_str(), list.data(), static_cast<int>(list.size()),
                     IO_PROG_GT);
  }
  if (r != IO_OK) SLOG(fn, SLOG_ERROR, "analysis file not written (%d)", r);
  if (r == IO_OK && !inf.empty()) {
    std::vector<ANALYSIS_ENTRY*> list;
    for (ANALYSIS_ENTRY& e : inf) list.push_back(&e);
    r = io_stage_inf(set, (base + ".kes").c_str(), list.data(), static_cast<int>(list.size()));
    if (r != IO_OK) SLOG(fn, SLOG_ERROR, "info file not written (%d)", r);
  }
  return r;
}

BOOL prepare_and_write(const char* image_name, IMG_DATA* disp, IMAGE_REC* im) {
  static const char* fn = "gt_prepare_and_write";
  const std::string base = base_of(image_name);
  if (!im || base.empty()) {
    gt_msg(KS_ALERT_ERROR, 51);
    SLOG(fn, SLOG_EXIT, "%s", "no image or name, FALSE");
    return FALSE;
  }
  // The analysis pair and the info file change together: nothing is written unless every
  // file was built and staged whole.
  IoFileSet set;
  int r = stage_analysis(set, base, disp, im);
  if (r == IO_OK && !set.commit()) {
    SLOG(fn, SLOG_ERROR, "%s", "the image's files could not be replaced; they are as they were");
    r = IO_ERR_OPEN;
  }
  const BOOL ok = r == IO_OK ? TRUE : FALSE;
  if (!ok) gt_msg(KS_ALERT_ERROR, 51);
  SLOG(fn, SLOG_EXIT, "%s", ok ? "TRUE" : "FALSE");
  return ok;
}

}  // namespace

BOOL gt_prepare_and_write(const char* image_name, IMG_DATA* disp, IMAGE_REC* im) {
  static const char* fn = "gt_prepare_and_write";
  SLOG(fn, SLOG_ENTRY, "<%s>", image_name ? image_name : "");
  Busy busy;
  try {
    return prepare_and_write(image_name, disp, im);
  } catch (const std::bad_alloc&) {
    ks_dbg_null_ptr(fn, "analysis list");
    gt_msg(KS_ALERT_ERROR, 51);
    return FALSE;
  }
}

BOOL gt_stage_analysis(IoFileSet& set, const char* image_name, IMG_DATA* disp, IMAGE_REC* im) {
  const std::string base = base_of(image_name);
  if (!im || base.empty()) return FALSE;
  try {
    return stage_analysis(set, base, disp, im) == IO_OK ? TRUE : FALSE;
  } catch (const std::bad_alloc&) {
    ks_dbg_null_ptr("gt_stage_analysis", "analysis list");
    return FALSE;
  }
}

int gt_read_and_prepare(const char* image_name, IMG_DATA* disp, IMAGE_REC* im) {
  static const char* fn = "gt_read_and_prepare";
  SLOG(fn, SLOG_ENTRY, "<%s>", image_name ? image_name : "");
  Busy busy;
  const std::string base = base_of(image_name);
  if (!im || base.empty()) return -1;
  int r_inf = disp ? read_inf(base, im) : -1;
  int r_app = read_app(base, disp, im, false);
  SLOG(fn, SLOG_EXIT, "inf %d, app %d", r_inf, r_app);
  return r_inf == 0 || r_app == 0 ? 0 : -1;
}

int gt_read_and_prepare_inf(const char* image_name, const void* take, IMAGE_REC* im) {
  static const char* fn = "gt_read_and_prepare_inf";
  SLOG(fn, SLOG_ENTRY, "<%s>", image_name ? image_name : "");
  Busy busy;
  const std::string base = base_of(image_name);
  if (!im || base.empty() || !take) return -1;
  return read_inf(base, im);
}

int gt_read_and_prepare_app(const char* image_name, IMG_DATA* disp, IMAGE_REC* im) {
  static const char* fn = "gt_read_and_prepare_app";
  SLOG(fn, SLOG_ENTRY, "<%s>", image_name ? image_name : "");
  Busy busy;
  const std::string base = base_of(image_name);
  if (!im || base.empty()) return -1;
  return read_app(base, disp, im, true);
}

BOOL gt_prep_prefs_and_write(const char* path, CONTROL* ctl) {
  static const char* fn = "gt_prep_prefs_and_write";
  SLOG(fn, SLOG_ENTRY, "<%s>", path ? path : "");
  Busy busy;
  if (!path || !ctl) return FALSE;
  GT_IMG_STATE* state = gt_state_alloc();
  if (!state) {
    gt_msg(KS_ALERT_ERROR, 51);
    SLOG(fn, SLOG_ERROR, "%s", "alloc state_ptr failed");
    return FALSE;
  }
  SLOG(fn, SLOG_VALUE4, "write compare: %d headers", ctl->compare_cfg.num_hdr_ids);
  SLOG(fn, SLOG_VALUE4, "write band: %d headers", ctl->band_cfg.num_hdr_ids);
  gt_state_retrieve(ctl, state);
  SLOG(fn, SLOG_VALUE4, "write state compare: %d names", state->num_lane_chars);
  ANALYSIS_ENTRY e = entry(GT_IMG_STATE_TYPE, state);
  ANALYSIS_ENTRY* list[1] = {&e};
  const int r = io_write_misc(path, list);
  gt_state_free(state);
  if (r != IO_OK) {
    gt_msg(KS_ALERT_ERROR, 51);
    SLOG(fn, SLOG_EXIT, "write failed %d, FALSE", r);
    return FALSE;
  }
  SLOG(fn, SLOG_EXIT, "%s", "TRUE");
  return TRUE;
}

BOOL gt_read_and_prep_prefs(const char* path, CONTROL* ctl) {
  static const char* fn = "gt_read_and_prep_prefs";
  SLOG(fn, SLOG_ENTRY, "<%s>", path ? path : "");
  Busy busy;
  if (!path || !ctl) return FALSE;
  ANALYSIS_ENTRY** list = nullptr;
  if (io_read_misc(path, &list) == IO_ERR_OPEN || !list) {
    SLOG(fn, SLOG_EXIT, "%s", "no preferences read");
    return FALSE;
  }
  BOOL ok = FALSE;
  ANALYSIS_ENTRY* e = list[0];
  // Only this program's snapshot fits the control record; the older state records of other
  // programs are a different layout.
  if (e && e->type == GT_IMG_STATE_TYPE && e->record) {
    gt_state_init(ctl, static_cast<GT_IMG_STATE*>(e->record));
    SLOG(fn, SLOG_VALUE4, "calibration interp %d, requant %d, stdset %d", ctl->im_calib_interp,
         ctl->calib_requant, ctl->calib_stdset);
    SLOG(fn, SLOG_VALUE4, "read compare: %d headers", ctl->compare_cfg.num_hdr_ids);
    SLOG(fn, SLOG_VALUE4, "read band: %d headers", ctl->band_cfg.num_hdr_ids);
    ok = TRUE;
  } else {
    SLOG(fn, SLOG_WARN, "record of type %d is not a preferences snapshot", e ? e->type : -1);
  }
  io_free_analysis_list(list, 1);
  SLOG(fn, SLOG_EXIT, "%d", ok);
  return ok;
}
