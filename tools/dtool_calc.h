// The densitometry tool's data and computations: the settings record it is given, its private
// copy of one lane, and the band array built from the copy's profile features, with the per-band
// measures (volume, O.D., percentages, Rf, width, position, size).
#pragma once

#include <vector>

#include "model/img_info.h"
#include "model/lane.h"
#include "model/std_list.h"
#include "toolkit/tk_types.h"

// Settings the caller fills from the current image and the control record, and reads back
// after OK.
struct DT_INFO {
  int size_digits;
  int min_top_band_thick;
  int min_bot_band_thick;
  int band_threshold;
  int min_value;  // the image's smallest and largest pixel values
  int max_value;
  STD_LIST** size_stds;     // one list per tier; only tier 0 is used
  IMG_INT_INFO* lookup;     // intensity lookup, null when the image has none
  int y_res;
  int y_scale;
  int strip_color;          // colour code of the marks over the lane strip
  LANE* lanes;              // dummy head of the image's lanes
  TK_OBJ draw_area;         // the image window's drawing part
  char image_name[257];
  char image_path[257];
  char size_unit[20];
  int bUseBounds;           // take the bands from the boundaries file
  char bounds_path[256];
  int iBackAngle;
  int iLaneWidth;           // percent of the lane width the profile is taken over (10..100)
  int bLowest;              // bounds at the lowest points instead of the inflection points
  int bBandSize;            // strip labels bands by size instead of number
};

// One band: two pairs of bounds (profile indexes), its peak, and a label from a boundaries file.
struct DT_BAND {
  int lo_infl;
  int hi_infl;
  int lo_lowest;
  int hi_lowest;
  int peak;
  char label[21];
};

// The tool's state (one tool at a time).
struct DtState {
  DT_INFO* info = nullptr;
  LANE* lane = nullptr;           // the private copy
  std::vector<DT_BAND> bands;     // ascending peaks, except as read from a boundaries file
  int selected = -1;
  int adding = 0;                 // the next click adds a peak
  int lane_width = 100;
  int lowest = 0;                 // the bounds shown are the lowest-point pair
  int use_file = 0;               // the bands come from the boundaries file
  double lane_volume = 0.0;       // recomputed with the report
  double band_sum = 0.0;
};
DtState& dtool_state();

int dtool_n();  // points of the lane copy's profile (0 without a copy)
// The band threshold scaled to the image's range: floor(f t + 0.5), f = (max - min) / 100, at
// least 1.0.
int dtool_scaled_threshold(int max_value, int min_value, int threshold);
// Sets the copy's detection fields from the record, finds its features, rebuilds the band array
// and selects none.
void dtool_find_peaks(const char* reason);
// One entry per peak of the lane's feature lists. False (old array kept) when memory runs out.
bool build_band_array(LANE* lane);
// The shown bounds of band i, held to the profile: false for an index outside the array.
bool dtool_band_bounds(int i, int* peak, int* lower, int* upper);
int dtool_nearest_band(int row);
void dtool_insert_band(int peak, int lower, int upper);
void dtool_delete_band(int index);
// which 1 moves the lower bound, 2 the upper.
void dtool_set_bound(int row, int band, int which);
// Index of the largest profile value in lower..upper (within the profile; first wins); -1 when
// the range holds no profile point.
int dtool_profile_max(int lower, int upper);

// Measures ---------------------------------------------------------------------------------------
double dtool_pitch();                 // Y resolution x 10^(Y scale)
double dtool_od(int i);               // looked-up profile minus looked-up baseline, at least 0
double dtool_volume(int a, int b);    // rows a..b
double dtool_lane_volume();
double dtool_band_volume(int i);
double dtool_band_sum();
double dtool_pct_lane(int i);         // 0 for an empty lane
double dtool_pct_bands(int i);        // 0 when the bands hold nothing
double dtool_peak_od(int i);
double dtool_rf(int i);               // peak / n
double dtool_width(int i);            // (upper - lower) / n
double dtool_position(int i);
bool dtool_sizes_usable();
double dtool_size_at_row(int row);    // size at a profile row; -1 when sizes are not usable
double dtool_size(int i);             // -1 when not usable
// Chart readouts: the horizontal value as a size (0 for none) or as x / (n - 1); the vertical
// value looked up.
double dtool_readout_x(double x);
double dtool_readout_y(double y);
