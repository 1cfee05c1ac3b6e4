// The image tools: marking a line or a rectangle on an image with the mouse for a line profile
// ("Slice"), a surface plot, a histogram, the image print rectangle or a crop; tool code 4
// opens the annotation tool instead. A small modeless window "ui_tools_win" (module "ui_tools")
// shows which tool is on; while one is, the image window hands its presses, drags and releases
// here. This file also owns the pixel readout of the status bar.
#pragma once

#include "base/kstypes.h"
#include "model/image_rec.h"
#include "toolkit/tk_types.h"

// Tool codes of ui_tools_activate.
enum UiToolCode : int {
  UI_TOOL_SLICE = 0,
  UI_TOOL_SURFACE = 1,
  UI_TOOL_HISTOGRAM = 2,
  UI_TOOL_PRINT = 3,
  UI_TOOL_ANNOTATE = 4,
  UI_TOOL_CROP = 5,
  UI_TOOL_NONE = 6,
};

// Parts of "ui_tools_win".
enum UiToolsPart : int {
  UI_TOOLS_DONE = 3,     // ends the tool (hidden for Crop)
  UI_TOOLS_ABANDON = 4,  // abandons cropping (shown for Crop only)
};

// The crop receiver: the two corners as dragged (it orders them); (-1, -1) twice when the tool
// ends without a rectangle.
using UiCropProc = void (*)(const TkPoint* start, const TkPoint* end);

void ui_tools_activate(TK_OBJ owner, TK_OBJ widget, int tool, UiCropProc crop, IMG_DATA* disp,
                       const char* folder);
// Press, drag and release on the image window while a tool is on; points in image pixels.
void ui_tools_click(IMG_DATA* disp, IMAGE_REC* image, TK_OBJ widget, TK_OBJ status, int unused,
                    TkPoint pt);
void ui_tools_drag(IMG_DATA* disp, TK_OBJ widget, TK_OBJ status, TkPoint pt);
void ui_tools_release(IMG_DATA* disp, IMAGE_REC* image, TK_OBJ widget, TK_OBJ status, TkPoint pt);
int ui_tools_dragging();  // 1 between a tool's press and its release
// The readout "z:1  (x,y)  value" of an image point; nothing for a point on or beyond the edge
// of the displayed image (x or y below 1, or at or beyond the extent - 1).
void ui_tools_show_pixel(void* handle, const IMG_DATA* disp, TK_OBJ status, TkPoint* pt);
int ui_tools_annotate_on();
int ui_tools_print_on();
int ui_tools_any_on();
void ui_tools_reset();
void ui_tools_dismiss();
// The drawing area of an image window is going away: a tool working on it ends, as a dismiss
// ends it, so nothing keeps the area.
void ui_tools_image_closing(TK_OBJ area);
TK_OBJ ui_tools_window();  // the open tools window, null when none
// The rectangle marked for printing (start and end corners, -1 when none).
void ui_tools_print_rect(TkPoint* start, TkPoint* end);
