// The annotation tool: its state word and the values of its controls, which new annotation
// objects take. The tool window itself is opened from the image tools window.
#pragma once

#include <string>

#include "model/img_info.h"
#include "toolkit/tk_types.h"

// The values of the tool window's controls.
struct IllusControls {
  int color = 0;        // colour code 0..10
  int font_family = 0;  // 0 Courier, 1 Helvetica, 2 Times
  int font_style = 0;   // 0 plain, 1 bold, 2 italic
  int font_size = 0;    // size index 0..3
  int line_width = 0;   // width code 0..3
  int arrows = 0;       // 0 none, 1 second point, 2 first point, 3 both
  int grid_spacing = 1;
};

// The tool's state (what the mouse does next) and its pointer points, in image pixels.
enum IllusState {
  ILLUS_SELECT = 0,
  ILLUS_SELECTED = 1,
  ILLUS_MOVING = 2,
  ILLUS_EDIT_TEXT = 3,
  ILLUS_TEXT = 4,
  ILLUS_NEW_TEXT = 5,
  ILLUS_BOX = 6,
  ILLUS_BOX_DRAG = 7,
  ILLUS_CIRCLE = 8,
  ILLUS_CIRCLE_DRAG = 9,
  ILLUS_POLYLINE = 10,
  ILLUS_POLYGON = 11,
  ILLUS_POLY_BUILD = 12,
  ILLUS_LINE = 13,
  ILLUS_LINE_DRAG = 14,
  ILLUS_FREE = 17,
  ILLUS_FREE_DRAG = 18,
  ILLUS_GRID = 19,
  ILLUS_GRID_DRAG = 20,
  ILLUS_CLOSED = 21,
};

struct IllusPointer {
  TkPoint anchor{0, 0};    // the selected object's centre when a move starts
  TkPoint last{-1, -1};    // where the rubber band was last drawn (-1, -1: not drawn)
  TkPoint current{0, 0};   // the pointer now
};

int ui_illus_curr_state();
void ui_illus_set_state(int state);
IllusPointer& ui_illus_pointer();

const IllusControls& ui_illus_controls();
void ui_illus_set_controls(const IllusControls& c);
int ui_illus_curr_color();
int ui_illus_grid_spacing();
int ui_illus_font_family();
int ui_illus_font_style();
int ui_illus_font_size();
int ui_illus_line_width();
int ui_illus_arrows();

void ui_illus_activate(TK_OBJ owner, TK_OBJ widget, IMG_DATA* disp);
void ui_illus_end();
// The image of `disp` is closing: when it is the annotated one, the tool window closes and the
// tool forgets the image and its widget (which goes with the image's window).
void ui_illus_image_closing(const IMG_DATA* disp);
int ui_illus_is_open();
// A press on the image while annotating.
void ui_illus_mouse_event(void* handle, IMG_DATA* disp, TK_OBJ widget, TK_OBJ status, TkPoint pt);
// The pointer's image point while annotating; while a polyline is built the rubber line follows.
void ui_illus_track_point(TkPoint pt);
// While the button is down after a press: the pointer positions, and the release.
int ui_illus_tracking();
void ui_illus_drag(TkPoint pt);
void ui_illus_release(TkPoint pt);
// The second press of a double click.
void ui_illus_double_click(TkPoint pt);
// Deletes the selected object (the image window's Delete key).
void ui_illus_delete_current();
// Chooses a tool (0 select, 1 text, 2 box, 3 circle, 4 polyline, 5 polygon, 6 line, 8 free hand,
// 9 grid) as its button does.
void ui_illus_choose_tool(int tool);
// The text window is run by this procedure when one is set (tests): it returns the text, or a
// single character 1 for a cancelled window.
void ui_illus_set_text_runner(std::string (*runner)(const char* title, const char* text));
TkPoint ui_illus_last_point();
