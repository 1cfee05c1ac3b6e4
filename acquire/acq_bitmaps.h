// The bitmap state that the scanner and camera windows share: the bitmap just acquired, waiting
// for Accept, its 8-bit display copy drawn in the window's preview, and the last calibration
// strip; the preview drawing; and the wait that keeps the windows' events running.
//
// Only the user-interface thread touches this state.
#pragma once

#include "shell/dib.h"
#include "toolkit/tk_draw.h"

class TkImage;

struct AcqDibState {
  HDIB dib;        // the acquired bitmap
  HDIB disp;       // its display copy
  HDIB cal_strip;  // the last calibration strip
};
AcqDibState& acq_dibs();

// Releases the acquired bitmap and, with also_display, the display copy. Releasing what is not
// there does nothing.
void ReleaseDibAndDispDib(int also_display);

// One stretch of a source rectangle into a destination rectangle: the number of source rows
// drawn (the source height when the whole stretch was drawn).
using AcqStretchOp = int (*)(TK_OBJ area, TkRect dest, const TkImage& img, TkRect src);

// Draws the display copy (8 bits only; anything else draws nothing) into the preview area's
// whole box, three quarters of its height for a transmissive scan.
void scanner_dib_display(TK_OBJ area, int transmissive, const DibBlock* disp,
                         AcqStretchOp op = DRAW_StretchImage);
void cam_dib_display(TK_OBJ area, const DibBlock* disp, AcqStretchOp op = DRAW_StretchImage);
// One stretch; when the op draws fewer rows than asked, the left and right halves are drawn
// apart at the next level, down to level 4 (31 calls at most); level 5 draws nothing.
void scanner_dib_StretchDIBits(int level, TK_OBJ area, TkRect dest, TkRect src, const TkImage& img,
                               AcqStretchOp op);
void cam_dib_StretchDIBits(int level, TK_OBJ area, TkRect dest, TkRect src, const TkImage& img,
                           AcqStretchOp op);

// Cancel of the scanner and camera windows: releases both bitmaps and ends the modal loop with 0.
long ACQ_CancelNfy(TK_OBJ button, int event);

// Keeps the windows' events running for ms milliseconds: 1 when the time passed, 0 when the
// program was told to quit meanwhile (its main loop still ends).
int acq_wait_pumping(int ms);
