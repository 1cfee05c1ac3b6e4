// The drawing layer: vector graphics over an image window, given in image pixel coordinates and
// drawn into the window's drawing area. Each primitive maps its coordinates through the image's
// display record (scale: image pixels per bitmap pixel; zoom: 1..10 magnify, -z shows 1:z) and
// the drawing area's canvas origin (where image pixel (0, 0) lands in the viewport), and draws
// at once inside its own drawing bracket.
//
// Colours are colour codes: 0 red, 1 yellow, 2 cyan, 3 blue, 4 violet, 5 green, 6 gray, 7 light
// gray, 8 white, 9 black, 10 none (the background of overlay drawing), 11 highlight (XOR: a
// figure drawn twice in it disappears, which is how rubber bands erase). Any other code (-1)
// keeps the area's own colour. Width codes 0..3 give pens of 1, 3, 5 and 7 pixels; any other
// code (-1) keeps the pen size.
//
// Coordinates are ints all the way to the toolkit, so large images at high zoom do not wrap.
#pragma once

#include "model/img_info.h"
#include "model/lane.h"
#include "model/spot.h"
#include "model/std_list.h"
#include "toolkit/tk_types.h"

// Copies a pen's attributes (its size) to another pen.
void ih_copy_pen(TK_OBJ dest, TK_OBJ src);

// Drawing on a print page's surface when one is given, else on the widget (chart drawing).
struct TkPrintDC;
void ks_xdraw_text(TkPrintDC* dc, TK_OBJ widget, int x, int y, int flags, const char* text);
void ks_xdraw_line(TkPrintDC* dc, TK_OBJ widget, int x1, int y1, int x2, int y2);
// Always measured on the widget.
void ks_xdraw_text_size(TkPrintDC* dc, TK_OBJ widget, const char* text, short* width, short* height);

// Configuration ------------------------------------------------------------------------------
// Sets the area's foreground and background colours and the program pen's size, attaches the
// pen and the normal drawing mode. A null area does nothing.
void ih_ann_draw_config(TK_OBJ area, int fg_code, int bg_code, int width_code);
// Font of family (0 Courier, 1 Helvetica, 2 Times), size index (0..3: 12, 24, 36, 48 points)
// and style (0 plain, 1 bold, 2 italic) from the module "ui_font"; null outside the table.
TK_OBJ ih_get_font(int family, int size_index, int style);
// Default pen, normal mode and the font on the area (call before ih_ann_draw_config, whose pen
// it replaces). An unknown font leaves the area's font as it is.
void ih_ann_text_config(TK_OBJ area, int family, int size_index, int style);

// Mapping ------------------------------------------------------------------------------------
// Zoom factor: zoom for zoom > 0, else 1 / |zoom|.
double ih_zoom_factor(int zoom);
// Displayed size of n image pixels: n * zoom, or n / |zoom| (integer division) for a reduction.
int ih_displayed_extent(int n, int zoom);
// A size in image pixels as viewport pixels: trunc(trunc(s / scale) * f).
int ih_map_size(int s, const IMG_DATA* disp);
// An image point as a viewport point (canvas origin added).
TkPoint ih_map_point(TK_OBJ area, int x, int y, const IMG_DATA* disp);

// Primitives (image pixels; a negative coordinate or size, a null area or display record draws
// nothing) -------------------------------------------------------------------------------------
void ih_draw_box(TK_OBJ area, int x1, int y1, int x2, int y2, const IMG_DATA* disp);
void ih_draw_rect_centred(TK_OBJ area, int cx, int cy, int w, int h, const IMG_DATA* disp);
void ih_draw_oval(TK_OBJ area, int cx, int cy, int w, int h, const IMG_DATA* disp);
// Elliptical arc in the centred box; angles in degrees, counter-clockwise from 3 o'clock.
void ih_draw_arc(TK_OBJ area, int cx, int cy, int w, int h, double start, double end,
                 const IMG_DATA* disp);
void ih_draw_line(TK_OBJ area, int x1, int y1, int x2, int y2, const IMG_DATA* disp);
// Polyline of n points (x, y pairs). The array is overwritten with the scaled coordinates
// (without the canvas origin). closed joins the last point to the first.
void ih_draw_poly(TK_OBJ area, int* points, int n, int closed, int second, const IMG_DATA* disp);
// The same with the toolkit's polygon mode (DRAW_Poly): 5 fills with the background and closes.
void ih_draw_poly_mode(TK_OBJ area, int* points, int n, int mode, const IMG_DATA* disp);
// Text with its top-left corner at the point (centred 0), centred on it (1), or with its top edge
// centred across the point (IH_TEXT_CENTRED_ACROSS).
constexpr int IH_TEXT_CENTRED_ACROSS = 2;
void ih_draw_text(TK_OBJ area, int x, int y, const char* text, const IMG_DATA* disp, int centred);
void ih_draw_char(TK_OBJ area, int x, int y, char c, const IMG_DATA* disp, int centred);
// Horizontal line of the given length centred on the point; with `both` also the vertical one.
void ih_draw_tick(TK_OBJ area, int x, int y, int length, const IMG_DATA* disp, int both);
// The two diagonals of a square of side about `size` centred on the point.
void ih_draw_x(TK_OBJ area, int cx, int cy, int size, const IMG_DATA* disp);

// Composite drawings ---------------------------------------------------------------------------
// One lane: outline polygon (or centre line), label at both ends (name, else number, or the
// value of characteristic char_index), end marks "*" in end_colour, point marks.
void ih_draw_lane(TK_OBJ area, const LANE* lane, const IMG_DATA* disp, int outline, int label,
                  int marks, int end_marks, int char_index, int end_colour);
// A band's position marker in a colour chosen from its flags out of A, B, C, D: a tick (with
// the vertical stroke when `cross` and the band's tool mark are set), or the band's character.
void ih_draw_band_mark(TK_OBJ area, const SPOT* band, const int* index_rec, const char* table,
                       const IMG_DATA* disp, int alternate, int no_char, int cross, int colour_a,
                       int colour_b, int colour_c, int colour_d);
// A marker (oval when circle, else an X) of `size` and the value with `digits` decimals beside.
void ih_draw_point_label(TK_OBJ area, int x, int y, int size, const IMG_DATA* disp, double value,
                         int digits, int circle);
// The rows of one size-standard tier: lines through each row's markers extended to the image
// edges, crosses and value labels; colour P for rows with an active point, Q for the others.
// The row whose value is within 0.0001 of `highlighted` is skipped.
void ih_draw_std_rows(TK_OBJ area, STD_LIST* list, const IMG_DATA* disp, int line, int cross,
                      double highlighted, int colour_p, int colour_q);
// The first marker of the row whose value is within 0.0001 of value, or null (sorts a dirty list).
STD_MARKER* ih_std_row_first(STD_LIST* list, double value);
// Sorts the list's markers by x and draws the polyline through them, an X at each valid one
// but the last.
void ih_draw_std_curve(TK_OBJ area, const IMG_DATA* disp, STD_LIST* list);
