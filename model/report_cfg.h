// The saved choice of one report family: header fields, table columns and layout switches.
// Four of these live in the control record (band report, compare report, band-match report,
// lane-match report) and travel with the preferences snapshot, 358 32-bit words each.
//
// The defaults are set here, in the model layer, because the control record's initialiser
// (also in the model layer) must set them at start-up and the report windows live in the GUI
// tier above it. The report code uses these same routines for its own default commands.
#pragma once

#include <cstdint>

constexpr int REP_MAX_HDR = 40;        // header field code slots
constexpr int REP_MAX_FLD = 100;       // table field code slots
constexpr int REP_MAX_LC = 40;         // lane characteristic column names
constexpr int REP_LC_NAME = 21;        // bytes per name (20 characters and a NUL)
constexpr int REP_CFG_WORDS = 358;     // size of one block in 32-bit words
constexpr int REP_FIXED_BAND = 24;     // fixed column codes of the band report families
constexpr int REP_FIXED_LMATCH = 8;    // fixed column codes of the lane-match family

// Field order is the stored order. Unused code slots hold -1. A lane characteristic column
// is kept as -1 in `fld_ids` with its name in `lc_names`, so it follows the name when the
// control record's list of characteristic names changes.
struct REPORT_CFG {
  int32_t num_hdr_ids;
  int32_t hdr_ids[REP_MAX_HDR];
  int32_t titles;      // switches, 0 or 1
  int32_t datetime;
  int32_t colheads;
  int32_t dashes;
  int32_t num_fld_ids;
  int32_t max_fixed;   // 24 for band families, 8 for lane match; written, never read back
  int32_t fld_ids[REP_MAX_FLD];
  int32_t num_lane_chars;
  char lc_names[REP_MAX_LC][REP_LC_NAME];
};
static_assert(sizeof(REPORT_CFG) == REP_CFG_WORDS * 4, "a report block is 358 words");

// Report types: 0 selected bands, 1 selected lanes, 2 all lanes, 3 band match, 4 lane match,
// 5 active image. Types 0, 1, 2 and 5 share one block.
//
// Writes the defaults of the family of `report_type` into `cfg`: header fields, table fields,
// counts and the fixed-field count; every other code slot -1 and no characteristic column.
// The band family also turns its four switches on; the match families keep theirs.
void rep_cfg_band_defaults(REPORT_CFG* cfg, int report_type);

// The compare report's defaults: no header field (9 slots of -1 and count 0) and the table
// columns lane number, band number, band intensity, band volume, band size (codes 2, 5, 7, 8,
// 6, count 5) followed by -1. The switches are left as they are.
void rep_cfg_compare_defaults(REPORT_CFG* cfg);

// Holds a block's counts to the slots that exist and terminates its names. A block read from a
// file or a snapshot passes through here: the report code walks the code lists and the names by
// these counts.
void rep_cfg_bound(REPORT_CFG* cfg);
