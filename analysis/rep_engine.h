// The band report engine: what a band report can show and how each value is written. It holds
// the report state of the one report being built (type, layout, field lists, switches, the
// current image, lane and match lane), the column and header field tables, and the value
// routines that turn one field code into the text of one cell. Values are growing strings; the
// few deliberate cuts (comments, file names, band labels) are made by the routines themselves.
//
// Nothing here touches a window: the walk (rep_walk.h) writes the values through a sink.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/report_cfg.h"

struct IMAGE_REC;
struct LANE;
struct SPOT;

// Report types.
enum RepType : int {
  REP_SEL_BANDS = 0,
  REP_SEL_LANES = 1,
  REP_ALL_LANES = 2,
  REP_BAND_MATCH = 3,
  REP_LANE_MATCH = 4,
  REP_ACTIVE_IMAGE = 5,
};
constexpr int REP_NUM_TYPES = 6;

// Layouts: lines of text, or a grid of cells (the one layout written as CSV).
constexpr int FMT_TEXT = 0;
constexpr int FMT_HORZ_TABLE = 1;

constexpr int REP_NUM_BAND_FIELDS = 24;    // band column codes 0..23
constexpr int REP_NUM_LMATCH_FIELDS = 8;   // lane-match column codes 0..7
constexpr int REP_NUM_HDR_FIELDS = 19;     // header field codes 0..18 (band types offer 0..10)
constexpr int REP_NUM_BAND_HDR_FIELDS = 11;
constexpr int REP_LC_BASE = 100;           // code 100 + k: lane characteristic column k
constexpr int REP_LC_WIDTH = 20;           // width of a lane characteristic column
// Lane characteristic codes run from REP_LC_BASE to REP_LC_BASE + REP_LC_LIMIT - 1; a code
// beyond (read from a damaged file) names no column, and the index arithmetic stays in range.
constexpr int REP_LC_LIMIT = 1 << 16;
constexpr int REP_DIGITS_MAX = 10;         // most decimals a size or amount is printed with
constexpr int REP_CUT = 31;                // deliberate cut of comments, file names and labels

// One column of a field table: the choice label of the configuration dialog, the printed
// heading and the column width in characters.
struct RepColumn {
  const char* label;
  const char* heading;
  int width;
};
extern const RepColumn kRepBandColumns[REP_NUM_BAND_FIELDS];
extern const RepColumn kRepLMatchColumns[REP_NUM_LMATCH_FIELDS];
extern const char* const kRepHdrLabels[REP_NUM_HDR_FIELDS];

// printf into a new string.
std::string rep_fmt(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Whether a stored column code names a column of a family with `max_fixed` fixed columns: a
// fixed code or a lane characteristic code. Anything else is treated as an empty column (-1).
bool rep_fld_is_column(int32_t code, int max_fixed);
// The number of decimals for a size or amount precision read from the preferences, which may
// hold any value: 0 to REP_DIGITS_MAX.
int rep_digits(int digits);

// Titles of the six report types, for the master header and the window.
const char* rep_type_title(int type);

// One band paired by a match: its index among the reference bands, its index among the matched
// lane's bands, and the reference band's key letter.
struct RepPair {
  int ref;
  int cand;
  char key;
};

// One matched lane of a match result, as the match reports read it.
struct RepMatchLane {
  std::string image_name;
  int lane_number = 0;
  LANE* lane = nullptr;
  IMAGE_REC* image = nullptr;   // the lane's image record
  std::vector<SPOT*> bands;     // the lane's bands, in lane order
  std::vector<RepPair> pairs;
  int percent = 0;
};

// A match result as the Band Match and Lane Match reports read it.
struct RepMatch {
  std::string ref_image_name;
  IMAGE_REC* ref_image = nullptr;
  LANE* ref_lane = nullptr;
  int ref_lane_number = 0;
  std::vector<SPOT*> ref_bands;
  int ref_kind = 0;             // non-zero: the reference came from a file; shown as "<n/a>"
  int method = 0;               // 0 Jaccard, 1 Dice, other percent of reference
  double size_tol = 0, spacing_tol = 0, volume_tol = 0, threshold = 0;
  std::string match_lanesel_file;
  int band_count_limit = 100;   // 100: no limit
  std::vector<RepMatchLane> lanes;
};

// The state of the report being built.
struct RepState {
  int type = REP_SEL_BANDS;
  int format = FMT_TEXT;
  int num_hdr = 0;
  int32_t hdr[REP_MAX_HDR];
  int num_fld = 0;
  int32_t fld[REP_MAX_FLD];
  int max_fixed = REP_FIXED_BAND;
  int titles = 1, datetime = 1, colheads = 1, dashes = 1;
  int active_only = 0;          // types 0 and 1: only the current image
  int empty_lanes = 0;          // types 1, 2 and 5: a row for a lane without bands

  // what the value routines read
  IMAGE_REC* image = nullptr;
  LANE* lane = nullptr;
  const RepMatch* match = nullptr;
  const RepMatchLane* match_lane = nullptr;
  std::string row_image_name;
  double lane_vol = 0;
  double lane_size = 0;
  bool band_level = false;      // a band-level column was formatted

  RepState();
};

// The one report state.
RepState& rep_state();
// Resets the state to a fresh report (keeps nothing).
void rep_state_reset();

// The text of one cell for the current image, lane (and lane-match result): `band` may be null
// and `band_no` -1.
void get_band_fld_val_str(int code, int band_no, const SPOT* band, std::string& out);
// The value of one header field for the current image and match result.
void get_hdr_fld_val_str(int code, std::string& out);
// The printed label of a header field.
std::string rep_hdr_label(int code);
// The printed heading of a table column of the current report type.
std::string rep_fld_heading(int code);
// The width of a table column of the current report type (before the Lane Match widening).
int rep_fld_width(int code);
// The band count header field 8 shows.
long count_image_bands();
// The two lane-match strings: for each reference band, the key letter of the lane's pair with
// that reference index ("_" when none) or "1"/"0", separated by one blank.
void rep_pattern(int num_ref, const std::vector<RepPair>& pairs, std::string& out);
void rep_zeros_ones(int num_ref, const std::vector<RepPair>& pairs, std::string& out);
// Computes the lane totals from the lane's bands (fixed in a Band Match run).
void rep_lane_totals(SPOT* const* bands, int n);
