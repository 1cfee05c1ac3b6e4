// Analysis overlays: what an image window draws over its bitmap. Lanes, bands with their bounds,
// numbers, values and labels, the size-standard tiers, concentration standards, reference points
// and, while a mouse tool is in progress, its rubber band, chosen by the task state.
//
// Painting never changes the model. A drag moves the model in the mouse handling (the
// gt_overlay_*_move operations below, called by the band tools' motion handler); the painter
// then erases the rubber band it drew last (by drawing it again in the XOR highlight) and draws
// the new one. An expose refills the drawing area, so it tells the painter to forget what it
// drew (gt_overlay_forget).
//
// Work fields of the image record read by the rubber bands:
//   states 1, 2: block_points (four corners, x y pairs), num_block_points (corners placed),
//                pt_now (mouse; x -1 none)
//   state 3:     drag_lane (ordinal of the dragged lane, -1 none), drag_pt_idx (centre point
//                being dragged, -1 the whole lane)
//   state 4:     lane_coords (num_lane_coords points, plus one rubber-band slot), pt_now
//   state 5:     edit_lane (ordinal, -1 none), edit_pt, edit_mode (0 left width, 1 right width,
//                other: the centre point), drag_pt (x -1 when no drag is in progress)
//   states 10, 11: lane_coords / num_lane_coords as the tool's marks, pt_now
//   state 14:    mark_pts (three reference points), num_mark_pts as the marker count
#pragma once

#include <vector>

#include "model/control.h"
#include "model/image_rec.h"
#include "toolkit/tk_types.h"

// Indexes of the overlay settings in CONTROL::disp_codes.
enum GtDispCode : int {
  DISP_BAND_CROSS = 4,
  DISP_BAND_BOUNDS = 5,
  DISP_BAND_LABELS = 6,
  DISP_BAND_NUMBERS = 7,
  DISP_BAND_VALUES = 8,
  DISP_COL_SELECTED = 11,
  DISP_COL_REFERENCE = 12,
  DISP_COL_SIZE_STD = 13,
  DISP_COL_CONC = 14,
  DISP_COL_FAILED = 15,
  DISP_COL_TYPE11 = 16,
  DISP_COL_BAND = 17,
  DISP_COL_LANE = 18,
};

// The image whose window holds the drawing area (the window's client data), or null.
IMAGE_REC* gt_area_image(TK_OBJ area);

// Paints the overlays of the area's image according to the task state.
void gt_band_paint(TK_OBJ area);
// An expose: the image's full overlay (gt_band_annotate), then the figures of the tool in
// progress, without drawing the overlay a second time.
void gt_band_expose(TK_OBJ area, IMAGE_REC* image);
// The ordinary overlay of one image.
void gt_band_annotate(TK_OBJ area, IMAGE_REC* image, CONTROL* ctl);
// One band's marker and, unless the state is 10 or 11, its bounds and texts (texts only for a
// selected band when selection_only).
void gt_band_draw(TK_OBJ area, IMAGE_REC* image, SPOT* band, int selection_only);
// Size-standard tiers, concentration standards, the working points and the reference points.
void gt_band_stds(TK_OBJ area, IMAGE_REC* image);
// Every lane of the image with gt_lane_mark.
void draw_lane_bounds(TK_OBJ area, IMAGE_REC* image);
void gt_lane_mark(TK_OBJ area, IMAGE_REC* image, LANE* lane);
void gt_lane_draw(TK_OBJ area, IMAGE_REC* image, LANE* lane);
// The highlight of the lane that the densitometry tool shows: its outline and label in the
// selected colour with a 3-pixel pen.
void gt_paint_dtool_lane(TK_OBJ area, IMAGE_REC* image, LANE* lane);
// The closed polygon through a band's valid bound points (36 slots, -1 none).
void draw_band_bounds(TK_OBJ area, IMAGE_REC* image, const int* bound_x, const int* bound_y);
void gt_block_rubber_band(TK_OBJ area, IMAGE_REC* image);

// The lane at an ordinal of the image's lane list, or null.
LANE* gt_lane_at(IMAGE_REC* image, int ordinal);

// The painter forgets the rubber bands it drew (the area was refilled).
void gt_overlay_forget();

// Lane drags (states 3 and 5), applied by the mouse handling -----------------------------------
// State 3: moves the dragged centre point, or the whole lane, by (dx, dy).
void gt_overlay_lane_drag_move(IMAGE_REC* image, int dx, int dy);
// State 5: applies the mouse position to the edited lane: edit mode 0 sets the left width, 1 the
// right width, any other moves the chosen centre point (x; y too for the first and last point).
// A first point dragged to or below the points after it, or a last point to or above the points
// before it, takes the place of the last one passed, so the rows stay in order however far one
// motion carries it; a lane never keeps fewer than 2 centre points.
void gt_overlay_lane_edit_move(IMAGE_REC* image, int mouse_x, int mouse_y);

// State 12: the bounds of up to 100 picked bands dragged as a group ---------------------------
struct GtBoundSlot {
  int in_use = 0;
  int bound_x[36];
  int bound_y[36];
  int offset[2] = {0, 0};      // drawn shifted by this
  int last_mouse[2] = {0, 0};  // mouse position when the bounds were last moved
  int band_pos[2] = {0, 0};    // position of the slot's chosen band
};
struct GtBoundsDrag {
  GtBoundSlot slot[100];
  int first_draw = 0;  // draw the picked bands' own bounds in the normal colour first
};
GtBoundsDrag* gt_overlay_bounds_drag();
// Moves each slot's bounds by the mouse movement since its last mouse position.
void gt_overlay_bounds_drag_move(int mouse_x, int mouse_y);

// State 16: copies of lanes moved as a group; the lanes themselves do not change --------------
struct GtLaneGroupDrag {
  std::vector<LANE*> copies;  // not owned here
  int offset_a[2] = {0, 0};   // where the copies stand (drawn in the normal colour)
  int offset_b[2] = {0, 0};   // where the rubber band is
  int first_draw = 0;
};
GtLaneGroupDrag* gt_overlay_lane_group_drag();
void gt_overlay_lane_group_move(int dx, int dy);
