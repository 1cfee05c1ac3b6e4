// Lane density profiles and baselines: one value per image row between a lane's first and last
// centre points (the mean grey value across the middle of the lane), and the baseline drawn
// between the lane's baseline points.
#pragma once

#include "model/lane.h"

class TkImage;

// Builds the profile of each of the n lanes from the image file, sampling `percent` of each
// lane's width. 1 when every profile was built, 0 on any failure.
int ln_load_data_values(const char* image_path, LANE** lanes, int n, int percent);

// The same from the whole image held in memory (1 or 2 bytes per pixel).
int ln_load_data_values_image(const TkImage* image, LANE** lanes, int n, int percent);

// Rebuilds baseline_values from the baseline list (all 0 without points). On allocation
// failure the lane is left without baseline_values.
void ln_calc_baseline(LANE* lane);
// Rewrites the rows of baseline_values that depend on `point`, a node of the baseline list just
// added after `prev` (null when it is the first): from prev (or the first row) to the point after
// it (or the last row). With the list in ascending order of position, and baseline_values built
// for the list as it was without the point, the array is then the one ln_calc_baseline builds.
void ln_rebaseline_about(LANE* lane, const LN_FEAT* prev, const LN_FEAT* point);

// Baseline value at image row y (0 without a background or baseline points); never negative.
int ln_baseline_at(int y, const LANE* lane);
// ln_baseline_at for each row y0 .. y1 (y1 >= y0) into out[0 .. y1 - y0], walking the baseline
// once.
void ln_baseline_rows(int y0, int y1, const LANE* lane, int* out);

// ln_baseline_at for rows taken in ascending order: each row's search for its baseline points
// goes on from where the last row's stopped, so that a run of rows costs one walk over the
// points (a row above the last starts again from the first point). Holds pointers into the
// lane's baseline list: the list must not change while the walk is in use.
class LnBaselineWalk {
 public:
  explicit LnBaselineWalk(const LANE* lane) : lane_(lane) {}
  int at(int y);

 private:
  const LANE* lane_;
  bool started_ = false;
  long long last_ = 0;
  const LN_FEAT* prev_ = nullptr;
  const LN_FEAT* p_ = nullptr;
};

// Builds missing baselines, detects features with fixed settings and corrects the baseline of
// each lane. analysis_type 404 selects the alternative thickness settings.
void ln_calc_lane_baselines(LANE** lanes, int n, int analysis_type);

// ---- Pieces of the profile builder, for callers that hold the pixels themselves.

// Centre-line x of the lane at row y, following the centre points (no width shift).
int ln_profile_center_x(const LANE* lane, int y);
// Number of pixels sampled across a lane: (left + right + 1) x percent / 100, rounded.
int ln_sample_width(const LANE* lane, int percent);
