// Report configuration dialog.
#include "analysis/ui_rpcfg.h"

#include <memory>

#include "base/slog.h"
#include "model/report_cfg.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

// ---- the lists -------------------------------------------------------------------------------

RpcfgPanel::RpcfgPanel(const RepChoice* choices, int num_choices, const int32_t* codes, int count)
    : choices_(choices), num_choices_(num_choices < 0 ? 0 : num_choices),
      avail_(size_t(num_choices_), -1), rep_(size_t(num_choices_), -1) {
  if (count > num_choices_) count = num_choices_;
  for (int i = 0; i < count; ++i) rep_[size_t(i)] = codes[i];
  nrep_ = count < 0 ? 0 : count;
  for (int i = 0; i < num_choices_; ++i)
    if (!ui_rpcfg_fld_in_list(rep_.data(), nrep_, choices_[i].code))
      avail_[size_t(navail_++)] = choices_[i].code;
}

const char* RpcfgPanel::name_of(int32_t code) const {
  for (int i = 0; i < num_choices_; ++i)
    if (choices_[i].code == code) return choices_[i].name;
  return "";
}

std::vector<const char*> RpcfgPanel::rows(bool reported) const {
  const std::vector<int32_t>& list = reported ? rep_ : avail_;
  const int n = reported ? nrep_ : navail_;
  std::vector<const char*> out;
  if (!list.empty() && list[0] != -1)
    for (int i = 0; i < n; ++i) out.push_back(list[size_t(i)] == -1 ? "" : name_of(list[size_t(i)]));
  out.push_back("");
  return out;
}

bool RpcfgPanel::move(std::vector<int32_t>& from, int& nfrom, int from_row,
                      std::vector<int32_t>& to, int& nto, int to_row) {
  if (from_row < 0 || to_row < 0 || from_row >= nfrom) return false;
  if (to.empty() || to.back() != -1) {
    SLOG("RpcfgPanel::move", SLOG_VALUE4, "list full");
    return false;
  }
  if (to_row > nto) to_row = nto;
  const int32_t code = from[size_t(from_row)];
  from.erase(from.begin() + from_row);
  from.push_back(-1);
  --nfrom;
  to.insert(to.begin() + to_row, code);
  to.pop_back();
  ++nto;
  return true;
}

bool RpcfgPanel::insert(int avail_row, int rep_row) {
  return move(avail_, navail_, avail_row, rep_, nrep_, rep_row);
}

bool RpcfgPanel::add_after(int avail_row, int rep_row) {
  if (rep_row >= 0 && rep_row < nrep_) ++rep_row;
  return move(avail_, navail_, avail_row, rep_, nrep_, rep_row);
}

bool RpcfgPanel::remove(int rep_row, int avail_row) {
  return move(rep_, nrep_, rep_row, avail_, navail_, avail_row);
}

std::vector<int32_t> RpcfgPanel::result() const {
  std::vector<int32_t> out;
  for (int i = 0; i < nrep_; ++i)
    if (rep_[size_t(i)] != -1) out.push_back(rep_[size_t(i)]);
  return out;
}

BOOL ui_rpcfg_fld_in_list(const int32_t* codes, int count, int32_t code) {
  for (int i = 0; codes != nullptr && i < count; ++i)
    if (codes[i] == code) return TRUE;
  return FALSE;
}

void ui_slog_cfg_report(const REPORT_CFG* cfg) {
  constexpr const char* kFn = "ui_slog_cfg_report";
  if (cfg == nullptr) return;
  SLOG(kFn, SLOG_VALUE4, "#hdrs %d", cfg->num_hdr_ids);
  for (int i = 0; i < cfg->num_hdr_ids && i < REP_MAX_HDR; ++i)
    SLOG(kFn, SLOG_VALUE4, "[%2d] %d", i, cfg->hdr_ids[i]);
  SLOG(kFn, SLOG_VALUE4, "#flds, max_fixed %d, %d", cfg->num_fld_ids, cfg->max_fixed);
  for (int i = 0; i < cfg->num_fld_ids && i < REP_MAX_FLD; ++i)
    SLOG(kFn, SLOG_VALUE4, "[%2d] %d", i, cfg->fld_ids[i]);
  SLOG(kFn, SLOG_VALUE4, "titles, datetime, colheads, dashes %d %d %d %d", cfg->titles,
       cfg->datetime, cfg->colheads, cfg->dashes);
  SLOG(kFn, SLOG_VALUE4, "#lane chars: %d", cfg->num_lane_chars);
  for (int i = 0; i < cfg->num_lane_chars && i < REP_MAX_LC; ++i)
    SLOG(kFn, SLOG_VALUE4, "[%2d] <%.20s>", i, cfg->lc_names[i]);
}

// ---- the window ------------------------------------------------------------------------------

namespace {

// Window parts: 0 the header panel, 1 the table panel, 2 OK, 3 Cancel. In each panel: 0 the
// available list, 5 the reported list, 2 Insert, 3 Add After, 4 Remove; in the header panel
// also the toggles 7 title, 8 date and time, 9 column headings, 10 underline.
enum { P_AVAIL = 0, P_INSERT = 2, P_ADD_AFTER = 3, P_REMOVE = 4, P_REPORTED = 5, P_TITLE = 7 };

struct Dialog {
  std::unique_ptr<RpcfgPanel> panel[2];
  TK_OBJ group[2] = {nullptr, nullptr};
  int sw[4] = {0, 0, 0, 0};
  int modified = 0;
};
Dialog* s_dlg = nullptr;

void fill(int which) {
  RpcfgPanel* p = s_dlg->panel[which].get();
  if (p == nullptr) return;
  for (int reported = 0; reported < 2; ++reported) {
    TK_OBJ list = RES_GetSub(s_dlg->group[which], reported ? P_REPORTED : P_AVAIL);
    const int keep = WGT_GetChoice(list);
    const std::vector<const char*> rows = p->rows(reported != 0);
    WGT_SetItems(list, rows.data(), int(rows.size()));
    if (keep >= 0) WGT_SetChoice(list, keep < int(rows.size()) ? keep : int(rows.size()) - 1);
  }
}

long panel_partNfy(TK_OBJ part, int event) {
  if (event != TK_EV_ACTIVATE || s_dlg == nullptr) return WGT_DefaultNfy(part, event);
  const int index = RES_GetIndex(part);
  for (int which = 0; which < 2; ++which) {
    RpcfgPanel* p = s_dlg->panel[which].get();
    TK_OBJ g = s_dlg->group[which];
    if (p == nullptr || RES_GetSub(g, index) != part) continue;
    if (index >= P_TITLE && index < P_TITLE + 4) {
      s_dlg->sw[index - P_TITLE] = WGT_GetValue(part) != 0 ? 1 : 0;
      s_dlg->modified = 1;
      return 0;
    }
    const int a = WGT_GetChoice(RES_GetSub(g, P_AVAIL));
    const int r = WGT_GetChoice(RES_GetSub(g, P_REPORTED));
    bool moved = false;
    if (index == P_INSERT) moved = p->insert(a, r);
    else if (index == P_ADD_AFTER) moved = p->add_after(a, r);
    else if (index == P_REMOVE) moved = p->remove(r, a);
    if (moved) {
      s_dlg->modified = 1;
      fill(which);
    }
    return 0;
  }
  return WGT_DefaultNfy(part, event);
}

long button_partNfy(TK_OBJ part, int event) {
  if (event == TK_EV_ACTIVATE && s_dlg != nullptr) {
    TK_OBJ win = RES_GetOwnerWindow(part);
    if (RES_GetIndex(part) == 2) {
      WIN_EndModal(win, 1);
    } else {
      s_dlg->modified = 0;
      WIN_EndModal(win, 0);
    }
    return 0;
  }
  return WGT_DefaultNfy(part, event);
}

long rpcfg_winNfy(TK_OBJ win, int event) {
  // The close box ends the dialog without clearing what was changed.
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    WIN_EndModal(win, 0);
    return 0;
  }
  return WIN_DefaultNfy(win, event);
}

}  // namespace

RpcfgPanel* ui_rpcfg_panel(int which) {
  return s_dlg && which >= 0 && which < 2 ? s_dlg->panel[which].get() : nullptr;
}

int ui_rpcfg_activate(int num_hdr_choices, int* num_hdr, const RepChoice* hdr_choices,
                      int32_t* hdr_codes, int num_fld_choices, int* num_fld,
                      const RepChoice* fld_choices, int32_t* fld_codes, int* titles,
                      int* datetime, int* colheads, int* dashes, int need_headers) {
  TK_OBJ win = WIN_Load("ui_rpcfg", "ui_repcfg_win");
  if (win == nullptr) return 0;
  Dialog dlg;
  int* sws[4] = {titles, datetime, colheads, dashes};
  for (int i = 0; i < 4; ++i) dlg.sw[i] = *sws[i];
  dlg.group[0] = RES_GetSub(win, 0);
  dlg.group[1] = RES_GetSub(win, 1);
  if (need_headers == 1)
    dlg.panel[0] = std::make_unique<RpcfgPanel>(hdr_choices, num_hdr_choices, hdr_codes, *num_hdr);
  dlg.panel[1] = std::make_unique<RpcfgPanel>(fld_choices, num_fld_choices, fld_codes, *num_fld);
  s_dlg = &dlg;
  RES_SetNfy(win, rpcfg_winNfy);
  for (int which = 0; which < 2; ++which)
    for (int i : {int(P_INSERT), int(P_ADD_AFTER), int(P_REMOVE), 7, 8, 9, 10})
      if (TK_OBJ p = RES_GetSub(dlg.group[which], i)) RES_SetNfy(p, panel_partNfy);
  RES_SetNfy(RES_GetSub(win, 2), button_partNfy);
  RES_SetNfy(RES_GetSub(win, 3), button_partNfy);
  WIN_Init(win);
  fill(0);
  fill(1);
  if (need_headers == 1) {
    for (int i = 0; i < 4; ++i) WGT_SetValue(RES_GetSub(dlg.group[0], P_TITLE + i), dlg.sw[i]);
  } else {
    WGT_Enable(dlg.group[0], 0);
  }
  WIN_DoModal(win);
  if (dlg.modified) {
    if (dlg.panel[0]) {
      const std::vector<int32_t> codes = dlg.panel[0]->result();
      for (size_t i = 0; i < codes.size(); ++i) hdr_codes[i] = codes[i];
      *num_hdr = int(codes.size());
      for (int i = 0; i < 4; ++i) *sws[i] = dlg.sw[i];
    }
    const std::vector<int32_t> codes = dlg.panel[1]->result();
    for (size_t i = 0; i < codes.size(); ++i) fld_codes[i] = codes[i];
    *num_fld = int(codes.size());
  }
  s_dlg = nullptr;
  WIN_Terminate(win);
  return dlg.modified;
}
