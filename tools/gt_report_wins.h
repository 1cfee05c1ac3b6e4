// The chart windows of the standards and lane tools: the standards fit chart, the lane profile
// window and the protein and hemoglobin fractions report. The profile window and the report
// share one window slot; opening one closes the other first.
#pragma once

#include <string>

#include "base/lane_comment.h"
#include "model/image_rec.h"
#include "toolkit/tk_types.h"

// Standards fit chart ------------------------------------------------------------------------------
enum { GT_STD_FIT_SIZE = 2, GT_STD_FIT_CONC = 3 };
constexpr int GT_STD_FIT_SAMPLES = 128;

// Opens or refills the fit chart of the image's size (type 2) or concentration (type 3) list.
void gt_std_fit_activate(TK_OBJ owner, IMAGE_REC* image, int type);
void std_fit_draw(TK_OBJ win, IMAGE_REC* image, int type);
void std_fit_dismiss();
void std_fit_print(TK_OBJ win);
// What the last draw computed, for the window's users and tests: the samples' x and curve
// values, the marks, the standards series (empty with two series) and the caption.
struct StdFitData {
  double x[GT_STD_FIT_SAMPLES] = {};
  double curve[GT_STD_FIT_SAMPLES] = {};
  double stds[GT_STD_FIT_SAMPLES] = {};
  int mark[GT_STD_FIT_SAMPLES] = {};
  int series = 0;     // 2 or 3; 0 when the chart holds no data
  double x_max = 0;   // axis maximum
  double x_step = 0;  // tick step
  std::string caption;
};
const StdFitData& std_fit_last();
TK_OBJ std_fit_window();
IMAGE_REC* std_fit_image();
int std_fit_draw_count();  // fills of the chart so far  // the image the open fit chart shows, null when none

// Lane profile window --------------------------------------------------------------------------------
// A copy of a selected lane: its name, number, profile (values then band marks) and baseline,
// and the name of the image it came from.
struct PRF_LANE {
  char lane_name[24];
  int lane_number;
  int n;
  int* data_values;      // 2n: the n profile values, then n band marks (1 where a band lies)
  int* baseline_values;  // n
  int y0;                // image row of profile index 0
  char* image_name;      // 257 characters
  PRF_LANE* next;
};

// Opens or refills the profile window from the selected lanes of every image window of the
// owner (the main window).
void gt_lane_profile_activate(TK_OBJ owner);
// Rebuilds the chart of the open window from the list; the number of lanes plotted.
int ln_prf_init(const char* tag, PRF_LANE* first);
int profile_data_point(int subtract, int smooth, int index, int width, int n, const int* data,
                       const int* baseline);
void ln_prf_mark_bands(SPOT* band_head, PRF_LANE* copy, LANE* source);
// Shows the row of the profile index in the lane's image window; with add_band a band is added
// there. 1 when the row was shown.
int ln_prf_jump_to_image(PRF_LANE* lane, int index, int add_band);
// The pointer goes to the chart point of the lane under the image point; 1 and the chart pixel
// in *pixel when there is one (the pointer move itself is best effort).
int ln_prf_jump_to_profile(IMAGE_REC* image, TkPoint point, TkPoint* pixel = nullptr);
// A click at a chart pixel as the chart handles it (the lane and index it hits, or -1).
int ln_prf_click_index(TK_OBJ chart, TkPoint p, PRF_LANE** lane);
void ln_prf_dismiss();
TK_OBJ ln_prf_window();     // the open profile or report window
PRF_LANE* ln_prf_lanes();   // its lanes
int ln_prf_offset(int k);   // the offset of plotted lane k
const char* ln_prf_caption();  // the chart's caption

// Fractions report ---------------------------------------------------------------------------------
void gt_lane_fractions_activate(TK_OBJ owner, IMAGE_REC* image, int hemoglobin);
// Puts the first `count` fractions of the definition file last read (fractions_file_usable) in
// use; 0 when they cannot be.
int ln_pres_use_fractions(int count);
// The fraction of a band with the given share (0 to 1), or null.
FRACTION* band_find_fraction(double share, SPOT* band, LANE* lane);
void ln_pres_commentary_activate(TK_OBJ owner);
void ln_pres_commentary_deactivate();
// The report's table text and language (0 English, 1 French).
const char* ln_pres_table();
int ln_pres_language();

// Every chart window of this header closed (the close-all routine).
void gt_report_wins_dismiss_all();
