// The report configuration dialog: which header fields and table columns a report shows, in
// which order, and the four layout switches. The list moves live in RpcfgPanel, apart from the
// widgets, so that they are tested without a window.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/rep_cfg.h"
#include "base/kstypes.h"

struct REPORT_CFG;

// One panel (header fields or table columns): the caller's choices, the codes still available
// (in choice order) and the codes reported (in report order). Both lists have as many slots as
// there are choices; empty slots hold -1.
class RpcfgPanel {
 public:
  RpcfgPanel(const RepChoice* choices, int num_choices, const int32_t* codes, int count);

  const std::vector<int32_t>& available() const { return avail_; }
  const std::vector<int32_t>& reported() const { return rep_; }
  int available_count() const { return navail_; }
  int reported_count() const { return nrep_; }
  // The rows a list widget shows: one name per entry (empty for -1), then one empty row that
  // stands for the end of the list; a list whose first entry is -1 shows one empty row.
  std::vector<const char*> rows(bool reported) const;

  // The moves, by selected row of each list (-1: none selected; the trailing empty row is the
  // end of the list). Each returns true when it changed the lists.
  bool insert(int avail_row, int rep_row);
  bool add_after(int avail_row, int rep_row);
  bool remove(int rep_row, int avail_row);

  // The reported codes without empty entries.
  std::vector<int32_t> result() const;

 private:
  const char* name_of(int32_t code) const;
  bool move(std::vector<int32_t>& from, int& nfrom, int from_row, std::vector<int32_t>& to,
            int& nto, int to_row);

  const RepChoice* choices_;
  int num_choices_;
  std::vector<int32_t> avail_, rep_;
  int navail_ = 0, nrep_ = 0;
};

// Runs the dialog modally (window "ui_repcfg_win" of module "ui_rpcfg"). With need_headers 0
// only the table columns are edited. Returns the modified flag; the counts, codes and switches
// are written back only when modified.
int ui_rpcfg_activate(int num_hdr_choices, int* num_hdr, const RepChoice* hdr_choices,
                      int32_t* hdr_codes, int num_fld_choices, int* num_fld,
                      const RepChoice* fld_choices, int32_t* fld_codes, int* titles,
                      int* datetime, int* colheads, int* dashes, int need_headers);

// Whether code is among the first count entries of codes.
BOOL ui_rpcfg_fld_in_list(const int32_t* codes, int count, int32_t code);

// Writes a report configuration to the trace log.
void ui_slog_cfg_report(const REPORT_CFG* cfg);

// The dialog's state, for tests that drive the open window: the two panels (null when closed).
RpcfgPanel* ui_rpcfg_panel(int which);
