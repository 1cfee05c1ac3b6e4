// Hand calibration from a step tablet on the image: the strip of measuring boxes, their
// placement and spreading, the standard set value file, the step value text, the mean under
// each box, the order test and the lookup record built from them. No windows here: the
// calibration window and the mouse handling of the shell drive these.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/img_info.h"

class TkImage;

constexpr int CAL_MAX_STEPS = 50;
// What the step value text gives besides a number.
constexpr double CAL_STEP_CANCEL = -99999.0;   // empty text, or the dialog cancelled
constexpr double CAL_STEP_INVALID = -99998.0;  // a text that is not a number
constexpr int CAL_STEP_TEXT_MAX = 18;          // characters of the step value field
constexpr int CAL_MIN_DIAGONAL = 4;            // pixels: a smaller first box is refused

// A measuring box in image pixels.
struct CalBox {
  int x, y, w, h;
};

// The calibration strip (one at a time, kept by the calibration window).
struct CAL_STRIP {
  CalBox boxes[CAL_MAX_STEPS];
  double values[CAL_MAX_STEPS];  // optical density of each step
  int16_t count;                 // boxes placed (0: empty strip)
  int anchor[2];                 // where the first box's drag began; -1, -1 none
  int far_pt[2];                 // end of the strip line while spreading; -1, -1 none
  int drag_end[2];               // where the last drag ended; -1, -1 none
};

// Count 0 and every point -1.
void cal_strip_clear_points(CAL_STRIP* strip);

// Pulls a box corner back so that a box of w x h stays inside an image of img_w x img_h:
// x = img_w - w - 1 when x + w > img_w - 1, and the same for y.
void cal_place_limit(int* x, int* y, int w, int h, int img_w, int img_h);
// Clips a box to the image. False when nothing of it is left inside.
bool cal_clip_box(CalBox* box, int img_w, int img_h);
// The box from the anchor to a point, turned so that width and height are positive.
CalBox cal_box_from_points(int x0, int y0, int x1, int y1);
// Spreads n steps (held to 1..50) from the first box to the far point: box k = first box moved
// by floor(k * d + 0.5) with d = (far - first corner) / (n - 1). One step gives the first box
// alone. The number of boxes written.
int cal_spread(const CalBox& first, int far_x, int far_y, int n, CalBox* out);

// The longest leading decimal number of a line (blanks before it allowed); 0.0 when the line
// does not begin with one.
double cal_leading_number(const char* line);
// Whether the line begins with such a number, so that its value is read from it rather than
// taken as 0.0.
bool cal_begins_with_number(const char* line);
// Reads a standard set value file: one value per line. False when it cannot be read.
bool cal_read_values(const char* path, std::vector<double>* values);
// A step value as typed (at most 18 characters are taken): the number, CAL_STEP_CANCEL for an
// empty text, CAL_STEP_INVALID for anything else.
double cal_step_value(const char* text);

// Mean of the image's pixels: floor(sum / (width x height) + 0.5). 0 for an empty image.
uint32_t cal_mean(const TkImage& img);
// Mean of a box of the image file ".kes" at path (8 or 16 bits). False when the rectangle
// cannot be read.
bool cal_box_mean(const char* kes_path, const CalBox& box, uint32_t* mean);

// The order test. With falling densities (d1 <= d0) the values must not rise, except that a
// value at or below the dark limit lets the next one take its value; with rising densities they
// must not fall, except past the bright limit. The limits are 5 and 250 for 8-bit images, 257
// times that for 16-bit ones. Flattens the saturated ends in place; false when out of order.
bool cal_order_test(const double* dens, uint32_t* vals, int n, int bits);

// Results of cal_build_lookup.
enum CalBuildResult : int {
  CAL_BUILD_OK = 0,
  CAL_BUILD_INTERP_ONLY = 1,  // fewer than two boxes: only the interpolation type was stored
  CAL_BUILD_UNREADABLE = 2,   // a box could not be read from the image file: nothing changed
  CAL_BUILD_ORDER = 3,        // the values are out of order: nothing changed
  CAL_BUILD_NO_MEMORY = 4,    // nothing changed
};
// Builds the lookup from the strip on the image file: the mean under each box, the order test,
// then the wedge table (densities and digital values) and the range of the values replace the
// lookup's old ones. Calibration boxes that the lookup held described the old wedge, so they go.
int cal_build_lookup(const CAL_STRIP& strip, const char* kes_path, int interp_type,
                     IMG_INT_INFO* lookup);
