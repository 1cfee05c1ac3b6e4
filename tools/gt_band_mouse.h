// The band and lane tools' handling of the mouse on an image, by task state. The image window's
// canvas calls these with positions already in image pixels.
//
// Drags (states 0, 3, 5, 12, 16) are opened by a press, fed by each move and closed by the
// release; pointer motion without a button moves the rubber band of the placing states. The
// tools that work on the current image (states 1 to 6, 10, 11) ignore other images.
#pragma once

#include "model/control.h"
#include "model/image_rec.h"
#include "toolkit/tk_types.h"

// A press (primary button, or any button in state 15). `readout` is the pixel readout widget;
// modifier is 1 when the modifier key is held (takes back the last step).
void gt_band_mouseclick(TK_OBJ area, TK_OBJ readout, CONTROL* ctl, IMAGE_REC* image, int modifier);
void gt_band_doubleclick(TK_OBJ area, CONTROL* ctl, IMAGE_REC* image, int modifier);
// Pointer motion with the button down, at image point (x, y).
void gt_band_mousedrag(TK_OBJ area, CONTROL* ctl, IMAGE_REC* image, int x, int y);
// The button released at image point (x, y): ends the drag or rectangle in progress.
void gt_band_mouserelease(TK_OBJ area, CONTROL* ctl, IMAGE_REC* image, int x, int y);

// Selection of the bands (or lanes) inside the rectangle (left, top, right, bottom); with none
// inside, the one nearest the click. The modifier toggles instead of replacing the selection.
void gt_band_select_in_rect(TK_OBJ area, const int* rect, IMAGE_REC* image, int modifier);
void gt_lane_select_rect(TK_OBJ area, const int* rect, IMAGE_REC* image, int toggle);

// Lane Boundaries: 1 when (x, y) lies within the hit tolerance of an edge or centre point of the
// edited lane (each centre point's left edge, right edge, then the point itself), which is
// stored as the image's edit point and side (0 left, 1 right, 2 centre); else 0.
int gt_band_hit_bound_point(IMAGE_REC* image, int x, int y);

// Tolerance of the hit tests in image pixels: 8 minus the zoom, held to 4..12.
int gt_band_hit_tolerance(int zoom);
