// Optical-density calibration sets and the automatic step-wedge calibration.
//
// Two calibration sets live for the whole run: index 0 reflective, index 1 transmissive. Each
// is loaded at start-up from a calibration value file (ini entries CalscanReflFile and
// CalscanTranFile): a text file whose lines "step, density, width" (format "%d, %lf, %d"; the
// step number is ignored) fill the steps in file order; lines that do not begin with a digit
// after leading blanks are skipped; at most CAL_MAX_STEPS are taken; the densities must be
// strictly monotonic and there must be at least two.
//
// An automatic calibration finds the wedge and its steps in a scanned wedge image
// (cal_auto_bounds), measures the mean digital value inside each step's box
// (cal_auto_calibrate), repairs values that break the monotonic order (FixupValues) and later
// turns the set into an image's intensity lookup (cal_auto_setCalData).
#pragma once

#include "base/kstypes.h"
#include "model/img_info.h"

constexpr int CAL_MAX_STEPS = 50;
// Widest step a value file may give (hundredths of a millimetre: one metre); a file with a
// wider or negative step is refused.
constexpr int CAL_MAX_STEP_WIDTH = 100000;
constexpr int CAL_THRESHOLD = 60;  // derivative that marks the dark end of the wedge

// Results of cal_auto_bounds.
enum : int { CAL_BOUNDS_OK = 0, CAL_BOUNDS_MEM = 5, CAL_BOUNDS_FAIL = 74 };

struct CalData {
  int bOK;            // 1 when loaded from its value file
  int bTransmissive;  // 1 for the transmissive set
  int iNumSteps;      // -1 while no value file has been read
  int interp_type;    // handed on to the lookup (0 logarithmic)
  int iTotalLength;   // sum of the step widths
  int step_width[CAL_MAX_STEPS];  // hundredths of a millimetre
  double step_od[CAL_MAX_STEPS];
  int step_dig[CAL_MAX_STEPS];    // measured mean digital value
  int box_left[CAL_MAX_STEPS];
  int box_top[CAL_MAX_STEPS];
  int box_right[CAL_MAX_STEPS];
  int box_bottom[CAL_MAX_STEPS];
  int max_dig;
  int min_dig;
};

// Loads both sets once (a second call returns the first result). TRUE when both loaded;
// otherwise an information box says which set is missing and the result is FALSE.
BOOL InitCalandEquData();
void SetAutoCalibrate(BOOL flag);
BOOL GetAutoCalibrate();
// The transmissive set for a non-zero argument, else the reflective one.
CalData* CurrentCalScanSet(int bTransmissive);
void slg_caldata(const CalData* set);
// Width of step `iWhichStep` (from 1; 99 the last step) of a set; 0 for a step below 1.
int WedgeStepWidth(int bWantTransmissive, int iWhichStep);
// Reads a calibration value file into a set. TRUE / FALSE.
BOOL cal_readValues(const char* path, CalData* set);

// Prepares a lookup record for the set's shape before a wedge scan (arrays of iNumSteps
// entries, bHaveCalib set). TRUE / FALSE.
BOOL GetCalScanODSet(int bWantTransmissive, IMG_INT_INFO* table);

// Finds the steps of the wedge image "<path>.kes" (width, height, depth in bits, resolution in
// dpi) for the table's step count. 0 with the step boxes kept program-wide, 5 out of memory, 74
// when the wedge is not found or a step box, clipped to the image, is empty or inverted. A
// failed search leaves the previous boxes and counts in place.
int cal_auto_bounds(const char* path, int width, int height, int depth, int resolution,
                    const IMG_INT_INFO* table);
// The found step boxes: their number, and box k as left, top, right, bottom. FALSE for k out of
// range.
int cal_auto_num_boxes();
BOOL cal_auto_box(int k, int box[4]);
int cal_auto_box_width();
int cal_auto_num_wedges();

// Profile of the wedge row: the mean of the 9 rows about wedge_y (rows outside the image are
// left out of the mean), smoothed by a running median of 3, and its derivative of half-width 1
// into `derivative` (width entries). *white_left: the light end is on the left. 0, 2 (the image
// cannot be queried or is narrower than width), 5 (it cannot be read or memory runs out).
int cal_auto_ReadSlice(const char* path, int* white_left, int* derivative, int wedge_y,
                       int width, int depth);
// The dark end of the wedge: the first pair of derivative values beyond the threshold, searched
// from the middle towards the dark end. TRUE with *index, or FALSE.
BOOL cal_find_DarkEnd(int white_left, int length, int threshold, const int* derivative,
                      int* index);
// Measures the mean digital value of each found box of "<path>.kes" into the set (bTrans
// chooses it) and repairs the order; with bODflat_fixup_msg a repair is reported in a box.
// TRUE / FALSE.
BOOL cal_auto_calibrate(const char* path, int bTrans, int bODflat_fixup_msg);
// Turns the found boxes for a rotation of 0, 90, 180 or 270 degrees in an image of height Hh
// and width Ww and stores them in the transmissive set (after a calibration has run).
void cal_auto_setBoxDisplay(int iRotate, int iStartH, int iImgHeight, int iImgWidth);
// Builds an image's lookup record from a set. TRUE / FALSE.
BOOL cal_auto_setCalData(IMG_INT_INFO* table, int bTransmissive);

// Repairs values that break the order of the majority direction. 1 when anything changed.
int FixupValues(int* values, int n);

// out[i] = in[i + h] - in[i - h] for h <= i < L - h; the first and last h entries 0.
void cal_get_derivative(int* out, const unsigned char* in, int h, int length);
// Element k/2 of the k values sorted ascending (0 for k = 0); the input is not changed.
int cal_median_byte(int k, const unsigned char* values);
int cal_median_int(int k, const int* values);
// Running median of window k over `length` values, in place; with fill_ends the first and last
// k/2 entries take the nearest computed value. FALSE (0) when length is 0 or length <= k.
BOOL cal_running_median_byte(int k, int length, unsigned char* values, int fill_ends);
int cal_running_median_int(int k, int length, int* values, int fill_ends);
