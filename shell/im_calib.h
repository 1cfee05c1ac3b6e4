// Hand calibration of an image from a step tablet on it: the image calibration window and the
// calibration strip that the user draws on the current image while the task state is 13.
//
// The user drags the first measuring box, then places the further boxes by clicks (typing each
// step's density in the step value dialog) or, with a standard set value file and the strip
// toggle on, spreads the steps from the first box to a point chosen by a click (the densities
// coming from the file line by line; a file with a line that does not begin with a number is
// refused with a message naming the line). Calibrate turns the mean under each box and the step
// densities into the image's intensity lookup; instead, the lookup of an image calibrated
// before can be taken. Calibrate, Cancel and the close box end the calibration (task state 0)
// and go on to the lanes step of a Vrem run.
#pragma once

#include <cstddef>

#include "base/kstypes.h"
#include "engine/cal_strip.h"
#include "model/image_rec.h"
#include "toolkit/tk_types.h"

// Parts of "im_calib_win" (module "im_calib"), by index.
enum ImCalibPart : int {
  IM_CALIB_CANCEL = 2,
  IM_CALIB_CALIBRATE = 3,
  IM_CALIB_INTERP = 4,    // choice: 0 logarithmic, 1 linear
  IM_CALIB_STDSET = 5,    // toggle: use a standard set value file
  IM_CALIB_STRIP = 6,     // toggle: spread the steps by the standard set
  IM_CALIB_EXISTING = 7,  // toggle: take the lookup of an existing image
};

// The window ------------------------------------------------------------------------------------
void im_calib_activate(TK_OBJ parent);  // opens the window (closing an open one) and state 13
void im_calib_dismiss();                // closes the window when it is open
TK_OBJ im_calib_window();               // the open window, null when none
// TRUE when the window is open with a standard set file open and the strip toggle on.
BOOL im_calib_have_set();
// Steps the open standard set file gives (its lines, at most 50; the file is rewound before
// and after counting) when im_calib_have_set, else 0.
int im_calib_num_values();
// The next line of the open standard set file (without its line end) into out; out is left as
// it is at the file's end or when no file is open.
void im_calib_next_value(char* out, std::size_t cap);
// Attaches the text as the widget's descriptive text, as it stands; nothing when either is null.
void im_set_path_tip(TK_OBJ widget, const char* text);

// The strip on the current image ----------------------------------------------------------------
// A press of the primary button at image point (x, y) in state 13.
void cal_val_mouseclick(TK_OBJ area, IMAGE_REC* image, int x, int y, int double_click, int shift);
// The pointer moved to (x, y) with the button held (the first box's drag) or released there.
void cal_val_drag(TK_OBJ area, IMAGE_REC* image, int x, int y);
void cal_val_release(TK_OBJ area, IMAGE_REC* image, int x, int y);
// The pointer moved to (x, y) with no button held: the preview of the next box or of the spread.
void cal_move_strip(TK_OBJ area, IMAGE_REC* image, int x, int y);
// Draws the strip's boxes and their densities over the current image (after every change and
// on every repaint); other images show nothing.
void cal_draw_steps(TK_OBJ area, IMAGE_REC* image);
// The area was repainted: the previews drawn before are gone and need no erasing.
void cal_strip_forget_preview();
// Clears the strip; cal_strip_reset also sets task state 0 and redraws the current image.
void cal_strip_reset();
void cal_strip_clear();
const CAL_STRIP& cal_strip();
// Builds the current image's lookup from the strip with the interpolation type (0 logarithmic,
// 1 linear); the messages of a refusal are shown here. A CalBuildResult.
int cal_strip_calibrate(int interp_type);
