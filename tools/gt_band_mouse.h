// The band and lane tools' handling of the mouse on an image, by task state. The image window's
// canvas calls these with positions already in image pixels.
//
// This is the least form the shell needs: the selection rectangle of the idle state, adding lane
// points (state 4), dragging a pending lane or one of its centre points (state 3), dragging the
// edited lane's boundary or centre points (state 5), and the group drags of states 12 and 16.
// The tool windows that set these states up come with the tools themselves.
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

// Tolerance of the hit tests in image pixels: 8 minus the zoom, held to 4..12.
int gt_band_hit_tolerance(int zoom);
