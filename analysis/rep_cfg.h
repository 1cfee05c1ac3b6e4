// Band report configuration: each report family's choice of header fields, table columns and
// layout switches, kept in the control record (REPORT_CFG), copied into and out of the report
// state, and edited through the report configuration dialog.
//
// Lane characteristic columns are stored by name: in the report state a column is code
// 100 + k (the k-th characteristic name of the control record); in the stored record it is -1
// with its name in the name slots, so it follows its name when the name list changes.
#pragma once

#include <cstdint>

struct REPORT_CFG;

// The control record's block of a report type's family (types 0, 1, 2, 5 share one).
REPORT_CFG* rep_family_cfg(int report_type);

// Reads the family's record into the report state (rep_state()).
void get_cfg_report(int report_type);
// Stores the report state into the family's record.
void put_cfg_report(int report_type);
// Sets a family's defaults in the control record.
void band_rep_set_defaults(int report_type);

// Renumbers the report state's characteristic columns between the stored form (100 + k) and
// the dialog's form (fixed-field count + k).
void cfg_to_ui_indexing();
void ui_to_cfg_indexing();

// One choice of the configuration dialog: a code and its display name.
struct RepChoice {
  int32_t code;
  char name[24];
};

// The dialog that edits the code lists in place; returns non-zero when the user changed
// anything (ui_rpcfg_activate's signature). Tests replace it.
using RpcfgDialogFn = int (*)(int num_hdr_choices, int* num_hdr, const RepChoice* hdr_choices,
                              int32_t* hdr_codes, int num_fld_choices, int* num_fld,
                              const RepChoice* fld_choices, int32_t* fld_codes, int* titles,
                              int* datetime, int* colheads, int* dashes, int need_headers);
RpcfgDialogFn band_rep_set_dialog(RpcfgDialogFn fn);

// The configure step: with in_report 0 the family's record is read first, with 1 the report
// state is edited as it stands. Non-zero when the user confirmed (the record is then stored).
int band_rep_config(int report_type, int in_report);
