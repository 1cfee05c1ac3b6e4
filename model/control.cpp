// The control record: its defaults, and the copies between it and its saved snapshot.
#include "model/control.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "base/ks_mem.h"
#include "base/slog.h"
#include "model/img_info.h"

namespace {

CONTROL g_control;
GtCmapProc g_cmap_proc = nullptr;

void set_cmap(int code, int level, int width) {
  SLOG("gt_set_cmap", SLOG_VALUE4, "cmap %d, level %d, width %d", code, level, width);
  if (g_cmap_proc != nullptr) g_cmap_proc(code, level, width);
}

// Copies a fixed-width text and terminates it at the destination's width.
template <std::size_t N, std::size_t M>
void copy_text(char (&dst)[N], const char (&src)[M]) {
  static_assert(N == M, "text fields of equal width");
  std::memcpy(dst, src, N);
  dst[N - 1] = '\0';
}

void copy_text(char* dst, const char* src, std::size_t n) {
  std::strncpy(dst, src, n - 1);
  dst[n - 1] = '\0';
}

// Scanner word: (first bit, bits).
constexpr int kAddBand[2] = {0, 1};
constexpr int kTrans[2] = {1, 1};
constexpr int kDpi[2] = {2, 3};
constexpr int kBright[2] = {5, 12};
constexpr int kRotate[2] = {17, 1};
constexpr int kRotDeg[2] = {18, 2};
constexpr int kWidth[2] = {20, 5};
constexpr int kLength[2] = {25, 6};
constexpr int kBrightBias = 1000;
// Densitometry word.
constexpr int kIgnoreStds[2] = {0, 1};
constexpr int kBandSize[2] = {1, 1};
constexpr int kLowestPts[2] = {2, 1};
constexpr int kBackAngle[2] = {3, 7};
constexpr int kLaneWidth[2] = {10, 7};

int32_t get(int32_t w, const int (&f)[2]) { return ih_get_bits(w, f[0], f[1]); }

void put(int32_t* w, const int (&f)[2], int32_t v) { ih_set_bits(w, f[0], f[1], v); }

// The low 32 bits of a pointer, as the trace texts show addresses.
unsigned trace_addr(const void* p) {
  return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(p));
}

// A report block as a snapshot holds it, with its counts held to the slots that exist.
REPORT_CFG bounded_cfg(const REPORT_CFG& in) {
  REPORT_CFG c = in;
  rep_cfg_bound(&c);
  return c;
}

}  // namespace

CONTROL* gt_get_control() { return &g_control; }

GtCmapProc gt_control_set_cmap_proc(GtCmapProc proc) {
  GtCmapProc old = g_cmap_proc;
  g_cmap_proc = proc;
  return old;
}

int32_t ih_get_bits(int32_t word, int first, int nbits) {
  if (nbits <= 0 || first < 0 || first > 31) return 0;
  const uint32_t mask = nbits >= 32 ? 0xFFFFFFFFu : ((1u << nbits) - 1u);
  return static_cast<int32_t>((static_cast<uint32_t>(word) >> first) & mask);
}

int32_t ih_set_bits(int32_t* word, int first, int nbits, int32_t value) {
  if (word == nullptr) return 0;
  if (nbits <= 0 || first < 0 || first > 31) return *word;
  const uint32_t mask = nbits >= 32 ? 0xFFFFFFFFu : ((1u << nbits) - 1u);
  const uint32_t field = mask << first;
  uint32_t w = static_cast<uint32_t>(*word) & ~field;
  w |= (static_cast<uint32_t>(value) & mask) << first;
  *word = static_cast<int32_t>(w);
  return *word;
}

void gt_control_init(CONTROL* ctl) {
  SLOG("gt_control_init", SLOG_ENTRY, "ctl 0p%p", static_cast<void*>(ctl));
  if (ctl == nullptr) return;
  // The scanner settings are not defaults of the program: they keep what they hold.
  const CTL_SCAN scan = ctl->scan;
  std::memset(ctl, 0, sizeof *ctl);
  ctl->scan = scan;

  ctl->bnd_detect[0] = 7;
  ctl->im_calib_interp = 1;
  ctl->size_interp = 1;
  ctl->conc_interp = 3;
  ctl->conc_extrap = 2;
  ctl->cmap_code = 0;
  ctl->cmap_level = 50;
  ctl->cmap_width = 100;
  set_cmap(0, 50, 100);

  static const int disp[CTL_NUM_DISP] = {5, 6, 5, 0, 1, 1, 0, 0, 0, 1, 1, 0, 4, 1, 2, 1, 5, 5, 3};
  std::memcpy(ctl->disp_codes, disp, sizeof disp);
  copy_text(ctl->size_unit, "bp", sizeof ctl->size_unit);
  copy_text(ctl->conc_unit, "ppm", sizeof ctl->conc_unit);
  copy_text(ctl->dist_unit, "mm/pixel", sizeof ctl->dist_unit);
  ctl->size_digits = 1;
  ctl->conc_digits = 3;

  rep_cfg_band_defaults(&ctl->band_cfg, 0);
  rep_cfg_band_defaults(&ctl->bmatch_cfg, 3);
  rep_cfg_band_defaults(&ctl->lmatch_cfg, 4);
  rep_cfg_compare_defaults(&ctl->compare_cfg);

  static const int sw[8] = {0, 0, 0, 1, 1, 1, 1, 1};
  std::memcpy(ctl->match_sw, sw, sizeof sw);
  ctl->match_method = 0;
  ctl->match_tol[0] = 2.5;

  ctl->size_nstd = 2;
  ctl->size_nstd_a = 200;
  ctl->band_count_limit = 100;

  ctl->iBackAngle = 30;
  ctl->iLaneWidth = 100;
}

GT_IMG_STATE* gt_state_alloc() {
  auto* s = static_cast<GT_IMG_STATE*>(ks_alloc_msg(sizeof(GT_IMG_STATE)));
  if (s == nullptr) ks_dbg_null_ptr("gt_state_alloc", "state_ptr");
  return s;
}

void gt_state_free_names(GT_IMG_STATE* state) {
  if (state == nullptr) return;
  if (state->lane_chars != nullptr) {
    for (int i = 0; i < state->num_lane_chars; ++i) ks_free(state->lane_chars[i]);
    ks_free(state->lane_chars);
  }
  state->lane_chars = nullptr;
  state->num_lane_chars = 0;
}

void gt_state_free(GT_IMG_STATE* state) {
  if (state == nullptr) return;
  gt_state_free_names(state);
  ks_free(state);
}

namespace {

// The ranges the dialogs offer for the settings they edit (the display numbers and digits of
// the preferences, the interpolation methods and extrapolations of the standards, the colour
// maps of the display enhancement and the match methods). A colour code above the chooser's
// last (10) is the highlight, which it keeps.
constexpr int CTL_DISP_NUMBER_MAX = 100;
constexpr int CTL_COLOUR_CODE_MAX = 11;
constexpr int CTL_DIGITS_MAX = 10;
constexpr int CTL_INTERP_METHOD_MAX = 4;
constexpr int CTL_EXTRAP_MAX = 2;
constexpr int CTL_SIZE_NSTD_MAX = 100;
constexpr int CTL_CMAP_CODE_MAX = 14;
constexpr int CTL_MATCH_METHOD_MAX = 2;

// Holds every setting that a dialog edits to the range that dialog offers.
void hold_to_dialog_ranges(CONTROL* ctl) {
  auto hold = [](auto& v, int lo, int hi) {
    v = static_cast<std::remove_reference_t<decltype(v)>>(std::clamp<int>(v, lo, hi));
  };
  // Preferences: display numbers (sliders), switches, and overlay colours (the codes the
  // chooser lists, and the highlight code it keeps without listing it).
  for (int k = 0; k < CTL_NUM_DISP; ++k) {
    if (k < 4) hold(ctl->disp_codes[k], 0, CTL_DISP_NUMBER_MAX);
    else if (k <= 10) hold(ctl->disp_codes[k], 0, 1);
    else hold(ctl->disp_codes[k], 0, CTL_COLOUR_CODE_MAX);
  }
  hold(ctl->rep_list_pos, 0, 1);
  hold(ctl->rep_empty_lanes, 0, 1);
  // Preferences, standards page.
  hold(ctl->size_digits, 0, CTL_DIGITS_MAX);
  hold(ctl->conc_digits, 0, CTL_DIGITS_MAX);
  hold(ctl->size_interp, 0, CTL_INTERP_METHOD_MAX);
  hold(ctl->conc_interp, 0, CTL_INTERP_METHOD_MAX);
  hold(ctl->size_extrap, 0, CTL_EXTRAP_MAX);
  hold(ctl->conc_extrap, 0, CTL_EXTRAP_MAX);
  for (int* sw : {&ctl->size_stdset, &ctl->conc_stdset, &ctl->calib_stdset, &ctl->size_requant,
                  &ctl->calib_requant})
    hold(*sw, 0, 1);
  hold(ctl->size_nstd, 0, CTL_SIZE_NSTD_MAX);
  // Display enhancement: the colour map and its level and width in per cent.
  hold(ctl->cmap_code, 0, CTL_CMAP_CODE_MAX);
  hold(ctl->cmap_level, 0, 100);
  hold(ctl->cmap_width, 0, 100);
  // Match parameters: the method list, the band count slider and the lane label list.
  hold(ctl->match_method, 0, CTL_MATCH_METHOD_MAX);
  hold(ctl->band_count_limit, 1, 100);
  hold(ctl->lane_label_idx, 0, std::max(0, ctl->num_lane_chars));
}

}  // namespace

void gt_state_init(CONTROL* ctl, GT_IMG_STATE* s) {
  if (ctl == nullptr || s == nullptr) {
    SLOG("gt_state_init", SLOG_ERROR, "NULL input 0p%x 0p%x", trace_addr(ctl), trace_addr(s));
    return;
  }
  SLOG("gt_state_init", SLOG_ENTRY, "num_lane_chars %d", s->num_lane_chars);

  ctl->sel_mode = s->sel_mode;

  const int32_t sw = s->scan_word;
  ctl->add_band_quant = get(sw, kAddBand);
  ctl->scan.Trans = get(sw, kTrans);
  ctl->scan.DPI = get(sw, kDpi);
  ctl->scan.Bright = get(sw, kBright) - kBrightBias;
  ctl->scan.Rotate = get(sw, kRotate);
  ctl->scan.Rot_Deg = get(sw, kRotDeg);
  ctl->scan.Width = get(sw, kWidth);
  ctl->scan.Length = get(sw, kLength);

  ctl->fnd_bnd_quant = ih_get_bits(s->bnd_word, 0, 1);
  ctl->ln_cpy_bnd_detect = ih_get_bits(s->bnd_word, 1, 1);
  ctl->ln_cpy_bnd_quant = ih_get_bits(s->bnd_word, 2, 1);
  ctl->ln_cpy_bnd_active_only = ih_get_bits(s->bnd_word, 3, 1);

  ctl->fnd_auto = s->fnd_auto;
  std::memcpy(ctl->bnd_detect, s->bnd_detect, sizeof ctl->bnd_detect);

  ctl->ln_prf_sub_bg = ih_get_bits(s->prf_word, 0, 1);
  ctl->ln_prf_smooth = ih_get_bits(s->prf_word, 1, 1);
  ctl->bg_all_lanes = s->prf_vals[0];
  ctl->bg_requant = s->prf_vals[1];

  ctl->im_calib_interp = ih_get_bits(s->calib_word, 0, 3);
  ctl->requant_existing = ih_get_bits(s->calib_word, 3, 1);
  if (ctl->requant_existing && (ctl->im_calib_interp == 0 || ctl->im_calib_interp == 1)) {
    const char* mode = ctl->im_calib_interp == 0 ? "AlwaysLog" : "AlwaysLinear";
    SLOG("gt_state_init", SLOG_VALUE4, "OD compatibility <%s>", mode);
    ih_set_ODcompatabilty(mode);
  }

  ctl->calib_stdset = s->calib_stdset;
  ctl->calib_requant = s->calib_requant;
  ctl->size_interp = s->size_interp;
  ctl->size_extrap = s->size_extrap;
  ctl->size_stdset = s->size_stdset;
  ctl->size_requant = s->size_requant;
  ctl->conc_interp = s->conc_interp;
  ctl->conc_extrap = s->conc_extrap;
  ctl->conc_stdset = s->conc_stdset;

  ctl->cmap_code = s->cmap_code;
  ctl->cmap_level = s->cmap_level;
  ctl->cmap_width = s->cmap_width;

  copy_text(ctl->calib_stdset_path, s->stdset_paths[0]);
  copy_text(ctl->size_stdset_path, s->stdset_paths[1]);
  copy_text(ctl->conc_stdset_path, s->stdset_paths[2]);
  std::memcpy(ctl->disp_codes, s->disp_codes, sizeof ctl->disp_codes);
  copy_text(ctl->size_unit, s->size_unit);
  copy_text(ctl->conc_unit, s->conc_unit);
  copy_text(ctl->dist_unit, s->dist_unit);
  copy_text(ctl->other_unit, s->other_unit);
  ctl->size_digits = s->size_digits;
  ctl->conc_digits = s->conc_digits;
  ctl->rep_list_pos = static_cast<int16_t>(ih_get_bits(s->rep_word, 0, 16));
  ctl->rep_empty_lanes = static_cast<int16_t>(ih_get_bits(s->rep_word, 16, 16));
  ctl->band_cfg = bounded_cfg(s->rep_cfg[0]);
  ctl->compare_cfg = bounded_cfg(s->rep_cfg[1]);
  ctl->bmatch_cfg = bounded_cfg(s->rep_cfg[2]);
  ctl->lmatch_cfg = bounded_cfg(s->rep_cfg[3]);
  std::memcpy(ctl->short_texts, s->short_texts, sizeof ctl->short_texts);

  // Lane characteristic names: room for at least 100. The record's earlier array is not
  // freed here, since byte copies of the record (the preferences dialog's working copy)
  // share it.
  const int n = s->lane_chars != nullptr ? std::max(0, s->num_lane_chars) : 0;
  const int max_chars = std::max(n, CTL_MIN_LANE_CHARS);
  auto* names = static_cast<char(*)[CTL_LC_NAME]>(
      ks_alloc_msg(static_cast<std::size_t>(max_chars) * CTL_LC_NAME));
  if (names == nullptr) {
    ks_dbg_null_ptr("gt_state_init", "lane_chars");
    ctl->lane_chars = nullptr;
    ctl->num_lane_chars = 0;
    ctl->max_lane_chars = 0;
  } else {
    for (int i = 0; i < n; ++i) {
      if (s->lane_chars[i] != nullptr) copy_text(names[i], s->lane_chars[i], CTL_LC_NAME);
    }
    ctl->lane_chars = names;
    ctl->num_lane_chars = n;
    ctl->max_lane_chars = max_chars;
  }

  ctl->match_method = ih_get_bits(s->match_word, 0, 3);
  for (int i = 0; i < 8; ++i) ctl->match_sw[i] = ih_get_bits(s->match_word, 3 + i, 1);

  std::memcpy(ctl->match_tol, s->match_tol, sizeof ctl->match_tol);
  copy_text(ctl->lane_sel_file, s->lane_sel_file);
  copy_text(ctl->match_dev_file, s->match_dev_file);
  ctl->size_nstd = s->size_nstd;
  ctl->flags = s->flags;
  ctl->size_nstd_a = s->size_nstd_a;
  ctl->size_nstd_b = s->size_nstd_b;
  for (int i = 0; i < CTL_NUM_FOLDERS; ++i) copy_text(ctl->folders[i], s->folders[i]);
  copy_text(ctl->import_path, s->import_path);
  ctl->band_count_limit = s->band_count_limit;
  copy_text(ctl->image_list_file, s->image_list_file);
  ctl->lane_label_idx = s->lane_label_idx;
  for (int i = 0; i < CTL_NUM_RECENT; ++i) copy_text(ctl->recent[i], s->recent[i]);
  ctl->misc_word = s->misc_word;
  std::memcpy(ctl->misc_block, s->misc_block, sizeof ctl->misc_block);

  const int32_t dw = s->dtool_word;
  ctl->ignore_stds = get(dw, kIgnoreStds);
  ctl->DTOOL_bBandSize = get(dw, kBandSize);
  ctl->DTOOL_bLowestPts = get(dw, kLowestPts);
  ctl->iBackAngle = get(dw, kBackAngle);
  ctl->iLaneWidth = get(dw, kLaneWidth);

  hold_to_dialog_ranges(ctl);
  set_cmap(ctl->cmap_code, ctl->cmap_level, ctl->cmap_width);
}

void gt_state_retrieve(CONTROL* ctl, GT_IMG_STATE* s) {
  if (ctl == nullptr || s == nullptr) {
    SLOG("gt_state_retrieve", SLOG_ERROR, "NULL input 0p%x 0p%x", trace_addr(ctl), trace_addr(s));
    return;
  }
  SLOG("gt_state_retrieve", SLOG_ENTRY, "num_lane_chars %d", ctl->num_lane_chars);

  s->sel_mode = ctl->sel_mode;

  int32_t sw = 0;
  put(&sw, kAddBand, ctl->add_band_quant);
  put(&sw, kTrans, ctl->scan.Trans);
  put(&sw, kDpi, ctl->scan.DPI);
  put(&sw, kBright, ctl->scan.Bright + kBrightBias);
  put(&sw, kRotate, ctl->scan.Rotate);
  put(&sw, kRotDeg, ctl->scan.Rot_Deg);
  put(&sw, kWidth, ctl->scan.Width);
  put(&sw, kLength, ctl->scan.Length);
  s->scan_word = sw;

  int32_t bw = 0;
  ih_set_bits(&bw, 0, 1, ctl->fnd_bnd_quant);
  ih_set_bits(&bw, 1, 1, ctl->ln_cpy_bnd_detect);
  ih_set_bits(&bw, 2, 1, ctl->ln_cpy_bnd_quant);
  ih_set_bits(&bw, 3, 1, ctl->ln_cpy_bnd_active_only);
  s->bnd_word = bw;

  s->fnd_auto = ctl->fnd_auto;
  std::memcpy(s->bnd_detect, ctl->bnd_detect, sizeof s->bnd_detect);

  int32_t pw = 0;
  ih_set_bits(&pw, 0, 1, ctl->ln_prf_sub_bg);
  ih_set_bits(&pw, 1, 1, ctl->ln_prf_smooth);
  s->prf_word = pw;
  s->prf_vals[0] = ctl->bg_all_lanes;
  s->prf_vals[1] = ctl->bg_requant;

  int32_t cw = 0;
  ih_set_bits(&cw, 0, 3, ctl->im_calib_interp);
  ih_set_bits(&cw, 3, 1, ctl->requant_existing);
  s->calib_word = cw;

  s->calib_stdset = ctl->calib_stdset;
  s->calib_requant = ctl->calib_requant;
  s->size_interp = ctl->size_interp;
  s->size_extrap = ctl->size_extrap;
  s->size_stdset = ctl->size_stdset;
  s->size_requant = ctl->size_requant;
  s->conc_interp = ctl->conc_interp;
  s->conc_extrap = ctl->conc_extrap;
  s->conc_stdset = ctl->conc_stdset;
  s->cmap_code = ctl->cmap_code;
  s->cmap_level = ctl->cmap_level;
  s->cmap_width = ctl->cmap_width;

  copy_text(s->stdset_paths[0], ctl->calib_stdset_path);
  copy_text(s->stdset_paths[1], ctl->size_stdset_path);
  copy_text(s->stdset_paths[2], ctl->conc_stdset_path);
  std::memcpy(s->disp_codes, ctl->disp_codes, sizeof s->disp_codes);
  copy_text(s->size_unit, ctl->size_unit);
  copy_text(s->conc_unit, ctl->conc_unit);
  copy_text(s->dist_unit, ctl->dist_unit);
  copy_text(s->other_unit, ctl->other_unit);
  s->size_digits = ctl->size_digits;
  s->conc_digits = ctl->conc_digits;
  int32_t rw = 0;
  ih_set_bits(&rw, 0, 16, ctl->rep_list_pos);
  ih_set_bits(&rw, 16, 16, ctl->rep_empty_lanes);
  s->rep_word = rw;
  s->rep_cfg[0] = ctl->band_cfg;
  s->rep_cfg[1] = ctl->compare_cfg;
  s->rep_cfg[2] = ctl->bmatch_cfg;
  s->rep_cfg[3] = ctl->lmatch_cfg;
  std::memcpy(s->short_texts, ctl->short_texts, sizeof s->short_texts);

  gt_state_free_names(s);
  int n = ctl->lane_chars != nullptr ? std::max(0, ctl->num_lane_chars) : 0;
  // Never read past the name array when its capacity is known.
  if (ctl->max_lane_chars > 0) n = std::min(n, ctl->max_lane_chars);
  if (n > 0) {
    auto** names = static_cast<char**>(ks_alloc_msg(sizeof(char*) * static_cast<std::size_t>(n)));
    if (names == nullptr) {
      ks_dbg_null_ptr("gt_state_retrieve", "lane_chars");
    } else {
      int made = 0;
      for (; made < n; ++made) {
        names[made] = static_cast<char*>(ks_alloc_msg(CTL_LC_NAME));
        if (names[made] == nullptr) {
          ks_dbg_null_ptr("gt_state_retrieve", "lane_chars[i]");
          break;
        }
        copy_text(names[made], ctl->lane_chars[made], CTL_LC_NAME);
      }
      s->lane_chars = names;
      s->num_lane_chars = made;
    }
  }

  int32_t mw = 0;
  ih_set_bits(&mw, 0, 3, ctl->match_method);
  for (int i = 0; i < 8; ++i) ih_set_bits(&mw, 3 + i, 1, ctl->match_sw[i]);
  s->match_word = mw;

  std::memcpy(s->match_tol, ctl->match_tol, sizeof s->match_tol);
  copy_text(s->lane_sel_file, ctl->lane_sel_file);
  copy_text(s->match_dev_file, ctl->match_dev_file);
  s->size_nstd = ctl->size_nstd;
  s->flags = ctl->flags;
  s->size_nstd_a = ctl->size_nstd_a;
  s->size_nstd_b = ctl->size_nstd_b;
  for (int i = 0; i < CTL_NUM_FOLDERS; ++i) copy_text(s->folders[i], ctl->folders[i]);
  copy_text(s->import_path, ctl->import_path);
  s->band_count_limit = ctl->band_count_limit;
  copy_text(s->image_list_file, ctl->image_list_file);
  s->lane_label_idx = ctl->lane_label_idx;
  for (int i = 0; i < CTL_NUM_RECENT; ++i) copy_text(s->recent[i], ctl->recent[i]);
  s->misc_word = ctl->misc_word;
  std::memcpy(s->misc_block, ctl->misc_block, sizeof s->misc_block);

  int32_t dw = 0;
  put(&dw, kIgnoreStds, ctl->ignore_stds);
  put(&dw, kBandSize, ctl->DTOOL_bBandSize);
  put(&dw, kLowestPts, ctl->DTOOL_bLowestPts);
  put(&dw, kBackAngle, ctl->iBackAngle);
  put(&dw, kLaneWidth, ctl->iLaneWidth);
  s->dtool_word = dw;
}
