// Lane matching: one reference lane against the lanes of a list of images. Bands of the two
// lanes are paired within tolerances (by relative mobility or by size, per band or from a
// deviation table), greedily by smallest distance, then thinned by the spacing and volume
// checks; each lane is scored by Jaccard, Dice or percent of reference and kept when the score
// reaches the threshold.
#pragma once

#include <cstdint>
#include <vector>

#include "base/kstypes.h"

struct CONTROL;
struct IMAGE_REC;
struct LANE;
struct SPOT;

inline constexpr int DEV_TABLE_ROWS = 30;

// The match deviation table: per row a size and the deviation allowed there, in percent.
struct DEV_TABLE {
  int32_t nrows;
  double size[DEV_TABLE_ROWS];
  double dev[DEV_TABLE_ROWS];
  int32_t descending;  // 1 when the second size is below the first
};

// One image offered for matching.
struct MATCH_IMAGE {
  char path[257];
  char name[257];
  LANE* lanes;      // dummy head of the image's lane list
  SPOT* bands;      // dummy head of the image's band chain (null: no bands)
  IMAGE_REC* image; // copied into every result drawn from this image
};

// One call's reference, parameters and summary outputs.
struct MATCH_REQUEST {
  char path[257];
  char name[257];          // the reference image; identifies the reference lane's own image
  char ref_label[22];      // written by the engine (cut to 21 characters)
  SPOT** ref_bands;        // written by the engine; then owned by the request's owner
  LANE* ref_lane;          // written by the engine
  int16_t ref_from_file;   // 1: the reference is lane 1 of a reference file of selected bands
  double threshold;        // lane match threshold, percent
  int16_t method;          // 0 Jaccard, 1 Dice, other percent of reference
  double spacing_tol;      // percent; 0 or less: no spacing check
  double volume_tol;       // percent; 0 or less: no volume check
  int32_t num_results;     // written by the engine
  int32_t num_ref_bands;   // written by the engine
  int32_t ref_lane_number; // set by the caller
  IMAGE_REC* ref_image;    // the reference image's record when it is open, else null
  double size_tol_copy;    // filled by the drivers; the engine reads CONTROL's tolerance
  int32_t band_count_limit;  // below 100: lanes whose band count differs more are skipped
  DEV_TABLE dev_table;
};

// One paired band: indices into the reference band array and the lane's band array.
struct BAND_PAIR {
  uint16_t ref;
  uint16_t cand;
  char key;   // the reference band's key letter
  char spare;
};

// One matched lane (allocated with ks_alloc_msg; pairs with ks_huge_alloc_msg; bands as
// ln_find_bands_in_lane hands them out). The caller owns the result and its arrays.
struct LANE_MATCH {
  char path[257];
  char name[257];
  char label[24];
  int32_t num_pairs;
  int32_t num_bands;
  int16_t percent;  // 0..100
  BAND_PAIR* pairs; // exactly num_pairs items (null when none)
  SPOT** bands;
  int32_t num_bands2;
  int32_t lane_number;
  LANE* lane;
  IMAGE_REC* image;
};

// Lane flag: the lane-list mark that the all-lanes match sets and clears.
inline constexpr uint32_t LN_F_LIST_MARK = 64;

// Does the lane pass a lane selection? With a table, when every line of it is met; without
// one, when the lane carries the lane-list mark.
BOOL vx_lane_meets_selection(const LANE* lane, char** table);

// The candidate lanes' bands and their deviations, kept between the matches of one all-lanes
// match so that each lane's bands are looked up once. Valid while the images' lanes and bands
// stay as they are; other tolerances or deviation table empty it.
struct VX_MATCH_CACHE;
VX_MATCH_CACHE* vx_match_cache_new();
void vx_match_cache_free(VX_MATCH_CACHE* cache);  // null ignored

// Matches the request's reference lane (found by number in ref_image's lane list) against the
// lanes of `images`. *results receives an array of request->num_results pointers (ks_alloc_msg;
// the caller frees every result with vx_free_match and the array with ks_free). 0, or -1 when
// the deviation table cannot be read (gt_msg 183), the reference lane is missing, or memory ran
// out. With a cache, the candidate lanes' bands come from it (and are added to it).
int vx_match_lanes(MATCH_REQUEST* req, LANE_MATCH*** results, char** lane_sel, int sel_word,
                   int start_lane, const MATCH_IMAGE* ref_image, const MATCH_IMAGE* images,
                   int num_images, int sel_lanes_only, const CONTROL* ctl, int skip_unsized,
                   VX_MATCH_CACHE* cache = nullptr);

// One lane kept by vx_match_scores and its score in percent.
struct LANE_SCORE {
  LANE* lane;
  int16_t percent;
};
// The same match giving only each kept lane and its score, in the order vx_match_lanes gives
// its results; the request receives the reference's bands as there. 0 or -1 as there.
int vx_match_scores(MATCH_REQUEST* req, std::vector<LANE_SCORE>* scores, char** lane_sel,
                    int sel_word, int start_lane, const MATCH_IMAGE* ref_image,
                    const MATCH_IMAGE* images, int num_images, int sel_lanes_only,
                    const CONTROL* ctl, int skip_unsized, VX_MATCH_CACHE* cache);

// Frees one result with its pair and band arrays; null is ignored.
void vx_free_match(LANE_MATCH* m);
// Frees n results and the array.
void vx_free_matches(LANE_MATCH** list, int n);

// Reads the deviation table named in CONTROL: rows of "size, deviation percent"; lines with
// fewer than two fields are skipped, text that is no number reads 0, rows past 30 are ignored.
// The number of rows, or -1 when the file cannot be opened.
int vx_read_match_deviation_table(const CONTROL* ctl, DEV_TABLE* table);
// The deviation the table allows at v (see the table's ascending and descending searches).
double vx_table_deviation(const DEV_TABLE* t, double v);

// Similarity coefficients, whole percentages: a reference bands, b lane bands, m pairs.
int vx_jaccard(int a, int b, int m);
int vx_dice(int a, int b, int m);
int vx_pct_ref(int a, int b, int m);

// Key letter of reference band i (0-based): A..Z, a..z, then '0' upward.
char vx_band_key(int i);

// Label of a lane: the value of the chosen lane characteristic when it has one, else its name.
void vx_lane_label(const LANE* lane, const CONTROL* ctl, char* out, int cap);
