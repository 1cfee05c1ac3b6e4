// Annotation objects: texts, boxes, circles, polylines, polygons, lines and arcs with optional
// arrowheads, free-hand strokes and grids drawn over an image. The chain hangs on the image's
// display record (annot_first is a dummy head, annot_last the last object, annot_selected the
// selected one; `modified` is set by every change); it owns every object and what they point to.
// Coordinates are image pixels.
#pragma once

#include <string>
#include <vector>

#include "io/commentary.h"
#include "model/img_info.h"
#include "toolkit/tk_types.h"

// Data records of the types with fixed words: box, line, line2 and arc (x1, y1, x2, y2), circle
// (cx, cy, radius), grid (x1, y1, x2, y2, spacing in steps of 8 pixels).
inline constexpr int kIllusGridStep = 8;

// One drawing step of an object, in image pixels. Painting draws these in order; the tests read
// them to check the geometry.
struct IllusShape {
  enum Kind { LINE, BOX, OVAL, ARC, HEAD, TEXT };
  explicit IllusShape(Kind k = LINE) : kind(k) {}
  Kind kind;
  int v[6] = {0, 0, 0, 0, 0, 0};  // LINE/BOX: x1 y1 x2 y2; OVAL/ARC: cx cy w h; HEAD: 3 points
  double start = 0.0, end = 0.0;  // ARC: angles in degrees
  std::string text;               // TEXT: at (v[0], v[1])
};

// The display record the new objects go to is given; the controls of the annotation tool
// (colour, styles, grid spacing) fill the new object. Null when memory runs out (logged; the
// chain is untouched).
COMM_OBJ* ui_illus_obj_create(IMG_DATA* disp, int type, int x, int y);
// Unlinks and frees the object, clears the selection, sets `modified`.
void ui_illus_obj_delete(IMG_DATA* disp, COMM_OBJ* obj);
// Deletes every object (the head stays).
void ui_illus_obj_delete_all(IMG_DATA* disp);
// A copy shifted by (10, 10), appended and selected (the source's selection frame erased on the
// area when one is given). Null for a null object or record, or when memory runs out.
COMM_OBJ* ui_illus_obj_duplicate(IMG_DATA* disp, TK_OBJ area, COMM_OBJ* obj);
// Recomputes the object's rectangle (place: left, top, right, bottom) and sets `modified`.
void ui_illus_set_encomp_rect(IMG_DATA* disp, COMM_OBJ* obj);
// Number of objects after the head.
int ui_illus_obj_count(const IMG_DATA* disp);

// What painting the object draws (without the pen set-up).
std::vector<IllusShape> ui_illus_obj_shapes(const COMM_OBJ* obj);
// The object's outline displaced by (-dx, -dy), as drawn while it is dragged.
std::vector<IllusShape> ui_illus_obj_outline(const COMM_OBJ* obj, int dx, int dy);
// Paints one object in its colour, pen and font.
void ui_illus_obj_paint(COMM_OBJ* obj, TK_OBJ area, const IMG_DATA* disp);
// dx = dy = 0: draws the selection frame in rubber-band colours; apply 0: draws the outline
// displaced by (-dx, -dy) in rubber-band colours; apply 1: moves the object by (-dx, -dy).
void ui_illus_obj_offset(COMM_OBJ* obj, const IMG_DATA* disp, TK_OBJ area, int dx, int dy, int apply);
// Paints the chain, or in a drag state of the annotation tool only the rubber band.
void ui_illus_annotate(TK_OBJ area, IMG_DATA* disp);
// Draws shapes in the area's current colours.
void ui_illus_draw_shapes(TK_OBJ area, const IMG_DATA* disp, const std::vector<IllusShape>& shapes);
// Sets the rubber-band colours: highlight on none, thinnest pen (a second drawing erases).
void ui_illus_rubber_config(TK_OBJ area);
