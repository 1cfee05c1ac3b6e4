// Band report configuration.
#include "analysis/rep_cfg.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "analysis/rep_engine.h"
#include "analysis/ui_rpcfg.h"
#include "base/slog.h"
#include "model/control.h"
#include "model/report_cfg.h"

namespace {

RpcfgDialogFn s_dialog = ui_rpcfg_activate;

int fixed_count(int report_type) {
  return report_type == REP_LANE_MATCH ? REP_FIXED_LMATCH : REP_FIXED_BAND;
}

}  // namespace

REPORT_CFG* rep_family_cfg(int report_type) {
  CONTROL* ctl = gt_get_control();
  if (report_type == REP_BAND_MATCH) return &ctl->bmatch_cfg;
  if (report_type == REP_LANE_MATCH) return &ctl->lmatch_cfg;
  return &ctl->band_cfg;
}

void get_cfg_report(int report_type) {
  RepState& st = rep_state();
  REPORT_CFG* cfg = rep_family_cfg(report_type);
  rep_cfg_bound(cfg);
  st.max_fixed = fixed_count(report_type);
  st.num_hdr = cfg->num_hdr_ids;
  for (int i = 0; i < REP_MAX_HDR; ++i) st.hdr[i] = i < st.num_hdr ? cfg->hdr_ids[i] : -1;
  st.num_fld = cfg->num_fld_ids;
  for (int i = 0; i < REP_MAX_FLD; ++i) st.fld[i] = i < st.num_fld ? cfg->fld_ids[i] : -1;
  // The i-th stored name belongs to the i-th empty slot of the list: a name no longer in the
  // control record leaves its own slot empty rather than shifting later columns into it.
  const CONTROL* ctl = gt_get_control();
  int slot = 0;
  for (int n = 0; n < cfg->num_lane_chars; ++n) {
    while (slot < st.num_fld && st.fld[slot] != -1) ++slot;
    if (slot >= st.num_fld) break;
    const char* name = cfg->lc_names[n];
    for (int k = 0; name[0] != '\0' && k < ctl->num_lane_chars && ctl->lane_chars; ++k)
      if (std::strncmp(ctl->lane_chars[k], name, REP_LC_NAME) == 0) {
        st.fld[slot] = REP_LC_BASE + k;
        break;
      }
    ++slot;
  }
  // A code that names no column (a damaged file) reads as an empty column; the stored block
  // keeps it as it was read.
  for (int i = 0; i < st.num_fld; ++i)
    if (!rep_fld_is_column(st.fld[i], st.max_fixed)) st.fld[i] = -1;
  st.titles = cfg->titles;
  st.datetime = cfg->datetime;
  st.colheads = cfg->colheads;
  st.dashes = cfg->dashes;
}

void put_cfg_report(int report_type) {
  const RepState& st = rep_state();
  REPORT_CFG* cfg = rep_family_cfg(report_type);
  const CONTROL* ctl = gt_get_control();
  cfg->num_hdr_ids = st.num_hdr;
  for (int i = 0; i < REP_MAX_HDR; ++i) cfg->hdr_ids[i] = i < st.num_hdr ? st.hdr[i] : -1;
  cfg->num_fld_ids = st.num_fld;
  cfg->max_fixed = st.max_fixed;
  std::memset(cfg->lc_names, 0, sizeof cfg->lc_names);
  int names = 0;
  // Whether any column below is stored by name: an empty slot inside the list then keeps an
  // empty name, so that each name comes back to its own slot.
  bool by_name = false;
  // The characteristic index of a code, -1 for any other code (tested before the subtraction).
  auto lc_index = [&](int32_t code) {
    if (!rep_fld_is_column(code, st.max_fixed) || code < REP_LC_BASE) return -1;
    const int k = code - REP_LC_BASE;
    return k < ctl->num_lane_chars && ctl->lane_chars ? k : -1;
  };
  for (int i = 0; i < st.num_fld; ++i) by_name = by_name || lc_index(st.fld[i]) >= 0;
  for (int i = 0; i < REP_MAX_FLD; ++i) {
    int32_t code = i < st.num_fld ? st.fld[i] : -1;
    if (!rep_fld_is_column(code, st.max_fixed)) code = -1;
    const int k = lc_index(code);
    if (k >= 0) {
      if (names < REP_MAX_LC) {
        std::strncpy(cfg->lc_names[names], ctl->lane_chars[k], REP_LC_NAME - 1);
        ++names;
      }
      code = -1;
    } else if (code == -1 && i < st.num_fld && by_name && names < REP_MAX_LC) {
      ++names;  // an empty column keeps its place
    }
    cfg->fld_ids[i] = code;
  }
  // Trailing empty names say nothing.
  while (names > 0 && cfg->lc_names[names - 1][0] == '\0') --names;
  cfg->num_lane_chars = names;
  cfg->titles = st.titles;
  cfg->datetime = st.datetime;
  cfg->colheads = st.colheads;
  cfg->dashes = st.dashes;
  ui_slog_cfg_report(cfg);
}

void band_rep_set_defaults(int report_type) {
  rep_cfg_band_defaults(rep_family_cfg(report_type), report_type);
}

void cfg_to_ui_indexing() {
  RepState& st = rep_state();
  for (int i = 0; i < st.num_fld; ++i) {
    const int32_t code = st.fld[i];
    if (!rep_fld_is_column(code, st.max_fixed)) st.fld[i] = -1;
    else if (code >= REP_LC_BASE) st.fld[i] = st.max_fixed + (code - REP_LC_BASE);
  }
}

void ui_to_cfg_indexing() {
  RepState& st = rep_state();
  for (int i = 0; i < st.num_fld; ++i) {
    const int32_t code = st.fld[i];
    if (code < 0) st.fld[i] = -1;
    else if (code >= st.max_fixed)
      st.fld[i] = code - st.max_fixed < REP_LC_LIMIT ? REP_LC_BASE + (code - st.max_fixed) : -1;
  }
}

RpcfgDialogFn band_rep_set_dialog(RpcfgDialogFn fn) {
  RpcfgDialogFn old = s_dialog;
  s_dialog = fn ? fn : ui_rpcfg_activate;
  return old;
}

int band_rep_config(int report_type, int in_report) {
  SLOG("band_rep_config", SLOG_ENTRY, "type %d in_report %d", report_type, in_report);
  RepState& st = rep_state();
  const CONTROL* ctl = gt_get_control();
  if (in_report == 0) get_cfg_report(report_type);
  st.max_fixed = fixed_count(report_type);
  cfg_to_ui_indexing();

  const bool match = report_type == REP_BAND_MATCH || report_type == REP_LANE_MATCH;
  std::vector<RepChoice> hdr(match ? REP_NUM_HDR_FIELDS : REP_NUM_BAND_HDR_FIELDS);
  for (size_t i = 0; i < hdr.size(); ++i) {
    hdr[i].code = int32_t(i);
    std::snprintf(hdr[i].name, sizeof hdr[i].name, "%s", kRepHdrLabels[i]);
  }
  std::vector<RepChoice> fld;
  const int nfixed = report_type == REP_LANE_MATCH ? REP_NUM_LMATCH_FIELDS : REP_NUM_BAND_FIELDS;
  for (int i = 0; i < nfixed; ++i) {
    RepChoice c{int32_t(i), ""};
    const RepColumn& col =
        report_type == REP_LANE_MATCH ? kRepLMatchColumns[i] : kRepBandColumns[i];
    std::snprintf(c.name, sizeof c.name, "%s", col.label);
    fld.push_back(c);
  }
  // The reported list can hold at most REP_MAX_FLD columns, so no more choices are offered.
  for (int k = 0; k < ctl->num_lane_chars && ctl->lane_chars && int(fld.size()) < REP_MAX_FLD;
       ++k) {
    RepChoice c{int32_t(nfixed + k), ""};
    std::snprintf(c.name, sizeof c.name, "%.20s", ctl->lane_chars[k]);
    fld.push_back(c);
  }
  // A stored list may be longer than the dialog can hold (it holds every choice once).
  int num_hdr = std::min<int>(st.num_hdr, int(hdr.size()));
  int num_fld = std::min<int>(st.num_fld, int(fld.size()));
  const int changed = s_dialog(int(hdr.size()), &num_hdr, hdr.data(), st.hdr, int(fld.size()),
                               &num_fld, fld.data(), st.fld, &st.titles, &st.datetime,
                               &st.colheads, &st.dashes, 1);
  if (changed) {
    st.num_hdr = num_hdr;
    st.num_fld = num_fld;
  }
  ui_to_cfg_indexing();
  if (changed) put_cfg_report(report_type);
  SLOG("band_rep_config", SLOG_EXIT, "changed %d", changed);
  return changed;
}
