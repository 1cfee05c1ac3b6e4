// Lanes of an analysed image: the lane record with its feature lists, the lane list header, and
// the operations on them (make, free, clone, renumber the bands of a lane, collect the bands of a
// lane, trace dumps). Bands are not linked to lanes: the bands of a lane are those whose position
// lies inside the lane's outline (ln_xyinlane), and ln_find_bands_in_lane hands them out.
#pragma once

#include <cstdint>

#include "base/kstypes.h"
#include "model/lanechar.h"

struct SPOT;

// A point of a lane's centre line (image column and row).
struct LN_POINT {
  int32_t x;
  int32_t y;
};

// One node of a lane feature list (baseline points, peaks, valleys, inflection points). Each list
// starts with a head node that holds no feature (feat.x and feat.y -1); the features follow it
// sorted by feat.y ascending, at most one node per position.
struct LN_FEAT {
  struct {
    int32_t x;  // profile value at the feature
    int32_t y;  // index into the lane's data_values (the sort key)
  } feat;
  int32_t band_fw;  // feature width in rows; a band made from it keeps the low byte
  LN_FEAT* next;
};

// Lane flag bits (LANE::f).
enum : uint32_t {
  LN_F_SPLIT_BANDS = 1u << 0,
  LN_F_SELECTED = 1u << 1,   // sel_flag: the lane is selected (stored cleared)
  LN_F_TOOL_MARK = 1u << 2,  // a further mark of the lane tools
};

// Number of texts in an old-layout (pre-version-5) lane characteristic table.
inline constexpr int LN_OLD_CHARS = 10;
// Width of one old-layout characteristic text.
inline constexpr int LN_OLD_CHAR_LEN = 20;

// One lane. A lane list is a dummy head LANE whose next is the first real lane.
struct LANE {
  char lane_name[24];
  int32_t lane_number;
  int32_t num_base_ptrs;
  LN_FEAT* baseline;  // head node of the baseline point list
  int32_t left_width;
  int32_t right_width;
  int32_t max_angle;
  int32_t bckgrnd_type;  // nonzero: baseline_values is valid
  int32_t min_top_band_thick;
  int32_t min_bot_band_thick;
  int32_t band_threshold;
  int32_t band_threshold2;
  int32_t band_setting;  // one integer setting, copied with the lane
  int32_t num_center_points;
  LN_POINT* center_coords;  // centre line, top to bottom
  int32_t num_data_values;
  int32_t* data_values;      // density profile; index 0 = row of the first centre point
  int32_t* baseline_values;  // baseline at each of those rows
  LN_FEAT* peak;             // head nodes of the three sorted feature lists
  LN_FEAT* valley;
  LN_FEAT* infl_pt;
  int32_t lane_symbol;
  uint32_t f;  // LN_F_* bits
  int32_t max_detect;
  int32_t pct_threshold;
  int32_t tier_num;  // index of the size-standard marker list that sizes the lane
  int32_t num_lane_chars;
  int32_t num_labeled_chars;  // the first ones of lane_chars carry a label
  LANECHAR** lane_chars;      // num_lane_chars owned entries
  // Table of LN_OLD_CHARS owned texts of LN_OLD_CHAR_LEN bytes (each its own block) for lanes
  // read from an old file layout; not copied with the lane.
  char** old_lane_chars;
  int32_t num_alleles;
  int32_t not_reported;  // the lane is left out of reports
  int32_t res_w1;        // not copied with the lane
  double norm_ii;        // normalising integrated intensity
  int32_t int_method;    // interpolation method of the lane
  int32_t res_w2[4];     // not copied with the lane
  void* owned_block;     // freed with the lane when set
  LANE* next;
};

// Header of an image's lane list.
struct LANE_HDR {
  int32_t repeat_length;
  int32_t version_number;
  int32_t num_lanes;
  int32_t allele_size;
  int32_t num_tiers;
  uint32_t f;  // bit 1 (LANE_HDR_OLD_CHARS): old_chars
  int32_t dna_res_3;
  int32_t dna_res_4;
};
inline constexpr uint32_t LANE_HDR_OLD_CHARS = 1u << 1;

// A band predicate for ln_find_bands_in_lane: nonzero keeps the band.
using LN_BAND_PRED = int (*)(SPOT* band);

// Constructors and frees. Every record starts cleared; a constructor sets only its non-zero
// defaults and returns NULL (after the allocator's alert) when memory runs out.
LN_FEAT* ln_make_feat_node();
void ln_free_feat_list(LN_FEAT* head);  // frees the nodes after the head; head->next = NULL
LANE* ln_make_lane();
// Frees everything the lane holds (feature lists, centre line, profiles, characteristics, old
// characteristic texts, owned block) and the lane. NULL is ignored.
void ln_free_lane(LANE* lane);
void ln_free_lanes(LANE* head);  // every lane after the head, then the head
LANE* ln_clone_lane(const LANE* lane);

// Numbers the bands of the lane 1..n in the order of ln_find_bands_in_lane; with all_lanes
// nonzero also the bands of every later lane of its list.
void ln_renum_bands(LANE* lane, SPOT* band_head, int all_lanes);
// Collects into *out (caller frees with ks_free) the bands of the chain after band_head that lie
// in the lane, that pred accepts (when given) and, when lane_head is given, that lie in exactly
// one lane of that list; sorted by y, equal rows in chain order. Returns the count (0 and *out
// NULL when none or out of memory), -1 without a lane.
int ln_find_bands_in_lane(SPOT* band_head, SPOT*** out, LANE* lane, LANE* lane_head,
                          LN_BAND_PRED pred);
// Sets the band's OD and baseline from the lane's profile at the band's row (the OD is raised to
// the baseline when below it). A row outside the profile leaves both unchanged.
void ln_band_od(const LANE* lane, SPOT* band);

// Centre-line x at row y (the first point's x above the line, the last point's below it).
int ln_centerline_x(int y, const LANE* lane);
// The first index i >= 1 whose centre point has y_i >= y; -1 without a lane, with fewer than 2
// points, or for y beyond the last point.
int ln_center_index(int y, const LANE* lane);
// Does (x, y) lie in the strip of the segment (x0, y0)-(x1, y1)?
int ln_seg_inlane(int x, int y, int x0, int y0, int x1, int y1, int left_width, int right_width);
// Point in lane: nonzero when (x, y) lies in the strip of one of the lane's centre-line
// segments; 0 for a lane with fewer than 2 centre points.
int ln_xyinlane(int x, int y, const LANE* lane);
// The rectangle that holds every point of a lane's strips (empty for a lane with fewer than 2
// centre points): a point outside it is not in the lane, so most points need no test against the
// lane's segments.
struct LN_BOX {
  long long x0 = 0, x1 = -1, y0 = 0, y1 = -1;
  bool holds(int x, int y) const { return x0 <= x && x <= x1 && y0 <= y && y <= y1; }
};
LN_BOX ln_lane_box(const LANE* lane);
// Number of lanes of the list after lane_head that contain (x, y); *first (when given) receives
// the first of them or NULL. -1 without a list head.
int ln_xy_find_lane(int x, int y, LANE* lane_head, LANE** first);

// Trace dumps (cost nothing when the trace log is off).
void ln_slog_lane_list(const char* text, LANE* head);
void ln_slog_lane(const LANE* lane);
void ln_slog_feat_list(const LN_FEAT* head, const char* text);

// Analysis list handed to the analysis-file writers: an array of n entry pointers; each entry is
// four words: the analysis type, the record (a chain or list head, or a table), the record's
// header where it has one, and a spare word.
struct ANALYSIS_ENTRY {
  int32_t type;
  void* record;
  void* header;
  int32_t extra;
};
ANALYSIS_ENTRY** io_alloc_analysis_list(int n);  // n cleared entry pointers; NULL on failure
ANALYSIS_ENTRY* io_alloc_analysis_entry();       // one cleared entry; NULL on failure
