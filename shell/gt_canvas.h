// The image window's canvas: the drawing area's notify procedure. It turns pointer positions
// into image pixels at the current zoom and scale, shows the pixel readout, routes presses,
// drags, releases and double clicks to the band and lane tools by task state, turns the "+",
// "-", Insert and Delete keys into commands, scrolls with the arrow keys, and on expose paints
// the image bitmap and then the overlays.
#pragma once

#include "model/image_rec.h"
#include "toolkit/tk_types.h"

// The notify procedure of every image window's drawing area (part 0 of the image window).
long gt_canvas_notify(TK_OBJ area, int event);

// A drawing-area point to image pixels: x / z (z > 0) or x * |z|, then * scale; each step
// truncated toward zero. The point is replaced.
void gt_zoom_point(int zoom, double scale, int* x, int* y);

// Zooms the image to new_zoom (1..10 magnify, -2..-10 reduce) about the pointer when it is over
// the visible image, else about the centre of the view, and redraws. The previous zoom is kept
// in the display record.
void gt_zoom_set(IMAGE_REC* image, int new_zoom);
// Applies a zoom that the caller has stored (zoom[0], previous in zoom[1]) to the image's window.
void gt_zoom_to_factor(TK_OBJ area);
// The zoom after the zoom-in (1081) or zoom-out (1082) command; the same zoom at the limits.
int gt_zoom_next(int zoom, int command);

// Intersection of two rectangles (x, y, width, height); width or height 0 when they miss.
TkRect gt_rect_intersect(TkRect a, TkRect b);

// Brings forward the image window whose drawing area holds the Window-menu identifier (only
// when more than one is open).
void gt_raise_image_window(int menu_id);
// Sets the scroll area of every image window's drawing area for its zoom.
void gt_refresh_scroll_bars();

// Repaints an image window's canvas whole: the image, then the overlays as now switched (only the
// densitometry tool's lane while the tool shows one; only the calibration strip of task state 13
// while the outlines are hidden).
void gt_redraw_img(IMAGE_REC* image);

// The readout widget (the main window's second status field) and the command procedure that the
// canvas keys send to (the dispatcher); both installed by the shell at start-up.
void gt_canvas_set_readout(TK_OBJ widget);
using GtCommandProc = int (*)(TK_OBJ win, int command);
void gt_canvas_set_command_proc(GtCommandProc proc, TK_OBJ win);
// The readout text of a point: "z:1  (x,y)  value" or "1:z  (x,y)  value"; the value is the
// display image's pixel. Nothing on the image's outermost pixels or outside (ui_tools_show_pixel).
void gt_show_pixel(const IMG_DATA* disp, TK_OBJ widget, int x, int y);
