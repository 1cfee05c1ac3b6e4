// Lane display windows: brings the image window of a lane up (opening the image when no window
// shows it), makes the lane the image's only selected lane, places and sizes the window around
// the lane and scrolls the lane into view. Windows shown in one go stand side by side at the top
// of the workspace, four to a row.
//
// A lane is named by text: its number printed with "%ld", optionally followed by ':' and more
// (rows of an all-lanes match are labelled "image:number:name").
#pragma once

#include "model/image_rec.h"
#include "model/match_matrix.h"
#include "toolkit/tk_types.h"

constexpr int GT_SHOW_TOP = 40;         // top of every placed window
constexpr int GT_SHOW_GAP = 4;          // left margin and space between windows
constexpr int GT_SHOW_PER_ROW = 4;
constexpr int GT_SHOW_BORDER = 72;      // added to the lane's width and height
constexpr int GT_SHOW_HEIGHT_CUT = 152;  // a lane taller than the workspace is cut to its height - 152

void gt_show_reset();  // placement starts again at the left
int gt_show_count();   // windows placed since the last reset
int gt_show_next_x();  // left edge of the next window

// Whether an image is the one an entry of a list (a match, a report, a lane map) names. An
// entry whose path holds a folder names the file at that path: images of one name often lie in
// several folders (a folder a day), so the image must be that file. An entry without a folder
// goes by name: the image names compared without extension and ignoring case.
bool gt_image_is_entry(const IMAGE_REC* image, const char* path, const char* name);
// The image window whose image name equals `name`, both without extension and ignoring case.
TK_OBJ gt_find_image_window(const char* name);
// The window of the image that path and name name (see gt_image_is_entry), or the image at
// `path` opened and searched again; null when neither works.
TK_OBJ gt_show_find_or_open(const char* path, const char* name);
// The first lane of the image that the text names; null when none does.
LANE* gt_show_find_lane(IMAGE_REC* image, const char* text);
// Makes the lane the image's only selected lane, redrawing the lanes that change.
void gt_show_select_lane(IMAGE_REC* image, LANE* lane);
// The lane's rectangle in displayed pixels: x, y, width, height.
void gt_show_lane_rect(IMAGE_REC* image, LANE* lane, int rect[4]);
// Places the next window of the row around the lane.
void gt_show_place_window(TK_OBJ window, LANE* lane, IMAGE_REC* image);
// Selects the lane the text names in the window's image, places the window and scrolls the
// lane into view; nothing when no lane with centre points matches.
void gt_show_scroll_to_lane(const char* lane_text, TK_OBJ window);
// Shows the window of the image (opening it when needed) and scrolls to the lane.
void gt_show_lane_1(const char* path, const char* name, const char* lane_text);
// Shows the lanes of a list of images (each record's lane_field names its lane); of consecutive
// entries of one image only the first is shown.
void gt_show_images(IMAGE_REC* const* images, int count);
// Shows the lane of a match matrix row ("image:lane..." label, image path).
void gt_show_matrix_row(const MATCH_MATRIX* matrix, int row);
// Copies source into out up to the separator, its end or size - 1 characters (NUL-ended) and
// returns the position after the separator, or of the end.
const char* gt_show_split_token(char separator, const char* source, int size, char* out);
