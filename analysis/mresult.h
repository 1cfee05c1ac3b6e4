// The match results window of a list match: the reference and the parameters, a sortable
// table with one row per matched lane, and actions on the selected rows (the Band Match and
// Lane Match reports, the lane match map, the lanes in their image windows). One window at a
// time; it owns what a match hands it and frees it when it ends.
#pragma once

#include <string>
#include <vector>

#include "analysis/rep_engine.h"
#include "analysis/vx_match.h"
#include "analysis/wr_match.h"
#include "toolkit/tk_types.h"

// Parts of the window "mresult_win" (module "mresult").
enum MresultPart : int {
  MRES_REF_IMAGE = 1,
  MRES_REF_LANE = 3,
  MRES_REF_BANDS = 5,
  MRES_THRESHOLD = 7,
  MRES_COUNT_LIMIT = 9,
  MRES_TABLE = 11,
  MRES_ACTION = 12,
  MRES_CLOSE = 13,
  MRES_SORT = 14,  // group: 0 the sort key, 1 the direction (1 descending)
};
// Actions on the selected rows (values of the action option).
enum MresultAction : int {
  MRES_BAND_REPORT = 0,
  MRES_LANE_REPORT = 1,
  MRES_LANE_MAP = 2,
  MRES_SHOW_IMAGES = 3,
};
// Sort keys (values of the sort key option).
enum MresultKey : int {
  MRES_KEY_IMAGE = 0,
  MRES_KEY_LANE = 1,
  MRES_KEY_LABEL = 2,
  MRES_KEY_BANDS = 3,
  MRES_KEY_PAIRS = 4,
  MRES_KEY_MISMATCH = 5,
  MRES_KEY_PERCENT = 6,
};

// Opens the window on a list match, closing the one that is open. The window takes over the
// request's reference band array, the results (the array and every result), the records read
// for the entries, and `ref`, the reference image read from its file (empty when the reference
// is an open image).
TK_OBJ mresult_activate(TK_OBJ owner, const MATCH_REQUEST& req, LANE_MATCH** results,
                        WrMatchEntries&& entries, WrImage ref);
// Closes the window, and the band report it may have opened, when it is open.
void mresult_dismiss();
// An image window is closing: the window borrows the lanes and bands of open images, so it
// closes when the image is its reference or one of its entries.
void mresult_forget_image(const IMAGE_REC* image);
TK_OBJ mresult_window();
// The table's rows as shown, row 0 the heading (for tests).
const std::vector<std::string>& mresult_rows();

// The order of two results for a sort key and direction (descending non-zero): negative when
// a comes first.
int mresult_compare(const LANE_MATCH* a, const LANE_MATCH* b, int key, int descending);
// The heading and the row of one result, as the table shows them.
std::string mresult_heading();
std::string mresult_row(const LANE_MATCH* m);
// The match as the Band Match and Lane Match reports read it: the request's reference and
// parameters and the chosen results, each with the record its lanes and bands belong to.
RepMatch mresult_rep_match(const MATCH_REQUEST& req, LANE_MATCH* const* results, int count,
                           const WrMatchEntries& entries, const WrImage& ref);
