// Defaults of the report configurations kept in the control record.
#include "model/report_cfg.h"

#include <algorithm>
#include <cstring>

#include "base/slog.h"

namespace {

void fill_codes(int32_t* slots, int nslots, const int32_t* codes, int ncodes) {
  for (int i = 0; i < nslots; ++i) slots[i] = i < ncodes ? codes[i] : -1;
}

}  // namespace

void rep_cfg_band_defaults(REPORT_CFG* cfg, int report_type) {
  SLOG("rep_cfg_band_defaults", SLOG_ENTRY, "report_type %d", report_type);
  if (cfg == nullptr) return;
  static const int32_t match_hdr[] = {0, 17, 8, 11, 12, 18};
  static const int32_t band_hdr[] = {0, 8};
  static const int32_t lmatch_fld[] = {7, 0, 1, 2, 3, 4, 6, 5};
  static const int32_t bmatch_fld[] = {0, 5, 1, 7, 8, 6, 13, 19};
  static const int32_t band_fld[] = {5, 1, 7, 8, 6, 19};

  const bool match = report_type == 3 || report_type == 4;
  if (match) {
    fill_codes(cfg->hdr_ids, REP_MAX_HDR, match_hdr, 6);
    cfg->num_hdr_ids = 6;
  } else {
    fill_codes(cfg->hdr_ids, REP_MAX_HDR, band_hdr, 2);
    cfg->num_hdr_ids = 2;
    cfg->titles = cfg->datetime = cfg->colheads = cfg->dashes = 1;
  }
  if (report_type == 4) {
    fill_codes(cfg->fld_ids, REP_MAX_FLD, lmatch_fld, 8);
    cfg->num_fld_ids = 8;
    cfg->max_fixed = REP_FIXED_LMATCH;
  } else if (report_type == 3) {
    fill_codes(cfg->fld_ids, REP_MAX_FLD, bmatch_fld, 8);
    cfg->num_fld_ids = 8;
    cfg->max_fixed = REP_FIXED_BAND;
  } else {
    fill_codes(cfg->fld_ids, REP_MAX_FLD, band_fld, 6);
    cfg->num_fld_ids = 6;
    cfg->max_fixed = REP_FIXED_BAND;
  }
  cfg->num_lane_chars = 0;
  std::memset(cfg->lc_names, 0, sizeof cfg->lc_names);
}

void rep_cfg_compare_defaults(REPORT_CFG* cfg) {
  SLOG("rep_cfg_compare_defaults", SLOG_ENTRY, "%s", "");
  if (cfg == nullptr) return;
  static const int32_t fld[] = {2, 5, 7, 8, 6};
  // The compare report offers 9 header fields and 24 table columns.
  fill_codes(cfg->hdr_ids, 9, nullptr, 0);
  fill_codes(cfg->fld_ids, 24, fld, 5);
  cfg->num_hdr_ids = 0;
  cfg->num_fld_ids = 5;
}

void rep_cfg_bound(REPORT_CFG* cfg) {
  if (cfg == nullptr) return;
  cfg->num_hdr_ids = std::clamp(cfg->num_hdr_ids, 0, REP_MAX_HDR);
  cfg->num_fld_ids = std::clamp(cfg->num_fld_ids, 0, REP_MAX_FLD);
  cfg->num_lane_chars = std::clamp(cfg->num_lane_chars, 0, REP_MAX_LC);
  for (auto& name : cfg->lc_names) name[REP_LC_NAME - 1] = '\0';
}
