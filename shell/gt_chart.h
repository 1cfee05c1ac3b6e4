// What chart, dendrogram, contig-map, profile and densitometry windows stand on: lines and
// measured text on a drawing area, value-to-pixel scales (linear or logarithmic), fitting a
// scroll area to its content, an off-screen drawing surface, a binary tree of data pointers and
// saving a chart's data as comma-separated text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "toolkit/core/tk_image.h"
#include "toolkit/tk_types.h"

// Drawing (16-bit widget pixels) -------------------------------------------------------------
void ks_draw_line(TK_OBJ w, int x1, int y1, int x2, int y2);
// Size of a text in the widget's font.
void ks_draw_text_size(TK_OBJ w, const char* text, short* width, short* height);
// Text in the box whose top-left corner is (x, y) and whose size is the text's size. The flags
// (66, 68) place the text at the box's corner.
void ks_draw_text(TK_OBJ w, int x, int y, int flags, const char* text);
// The same, with nothing drawn outside `clip` (widget pixels; null: the whole widget).
void ks_draw_text_clipped(TK_OBJ w, const TkRect* clip, int x, int y, const char* text);
// A horizontal line of `length` centred on (x, y) with the text ending where the line begins.
void ks_draw_labelled_line(TK_OBJ w, int x, int y, int length, const char* text);

// Scales ---------------------------------------------------------------------------------------
struct ks_scale {
  int32_t type = 0;  // 1 logarithmic (natural logarithm), else linear
  double min = 0, max = 0;
  int32_t pix0 = 0, pix1 = 0;  // pixels of min and max (pix1 < pix0 for an upward axis)
};
ks_scale* ks_scale_init(ks_scale* s, int type, double min, double max, int pix0, int pix1);
// (f(v) - f(min)) x (pix1 - pix0) / (f(max) - f(min)) + pix0 + 0.5, truncated, held to the int
// range. pix0 when the scale cannot map: a logarithmic scale with min, max or v at or below 0,
// f(max) = f(min), pix1 = pix0, or a value that is not a number.
int ks_scale_to_pixel(const ks_scale* s, double v);
// The inverse; min when the scale cannot map (as above, or pix1 = pix0).
double ks_scale_from_pixel(const ks_scale* s, int p);

// Scroll area ------------------------------------------------------------------------------------
// The area that takes in both rectangles: the content's when the current one is empty, else the
// current one grown to the content's edges when the content has width and height of at least 1.
TkRect ks_sarea_fit_rect(TkRect current, TkRect content);
// Sets a drawing area's canvas extent to ks_sarea_fit_rect (its extent, content).
void ks_sarea_fit(TK_OBJ w, TkRect content);

// Off-screen surface -------------------------------------------------------------------------------
// A white 8-bit image 16 pixels wider and higher than asked, owned by the surface.
struct ks_memdc {
  TkImage bitmap;
};
ks_memdc* ks_memdc_create(TK_OBJ w, int width, int height);  // null when it cannot be made
TkImage* ks_memdc_get_bitmap(ks_memdc* dc);                   // the surface's image; null for null
void ks_memdc_delete(ks_memdc* dc);                           // frees surface and image; null ignored

// Tree of data pointers ------------------------------------------------------------------------------
struct ks_tree {
  ks_tree* left;
  ks_tree* right;
  void* data;
};
ks_tree* ks_tree_new(void* data);                               // a leaf; null without memory
ks_tree* ks_tree_join(ks_tree* left, ks_tree* right, void* data);
void ks_tree_init(ks_tree* node, void* data);                   // makes the node a leaf
ks_tree* ks_tree_left(const ks_tree* node);
ks_tree* ks_tree_right(const ks_tree* node);
void* ks_tree_data(const ks_tree* node);
int ks_tree_is_leaf(const ks_tree* node);
// Frees bottom-up: left subtree, right subtree, the node's data through free_data (when both
// are given), then the node.
void ks_tree_free(ks_tree* node, void (*free_data)(void*));

// Chart export ------------------------------------------------------------------------------------
// The chart's data as text: `count` lines of `per_point` values separated by ","; with the x
// column a line's first value is followed by "," and the line's x, (line + 1) / count printed
// with three decimals for one value per line, line / count otherwise. Empty when the chart has
// no data.
std::string ks_chart_csv(TK_OBJ chart, int x_column);
// Asks for a file ("chart.csv") and writes ks_chart_csv into it. A chart without data writes
// nothing; an existing file is replaced only after a yes to ui_msg 270 and only once the new
// text is wholly written; a failed write shows ui_msg 243 and keeps the old file.
void ks_chart_save_as(TK_OBJ chart, const char* folder, int x_column);

// Saves a text through the save chooser (the caption "File...", the folder, the proposed name,
// filter and default extension): asks ui_msg 270 before replacing a file and writes through a
// temporary file, so that a failed write (ui_msg 243) keeps the old file. 1 written, 0 not.
int ks_save_text_as(const char* folder, const char* name, const char* filter,
                    const char* def_ext, const std::string& text);
// Asks for a save-mode file name: the chosen path in out (capacity cap) and 1, or 0 when the
// user cancelled or said no to replacing an existing file (ui_msg 270). Nothing is deleted.
int ks_ask_save_name(char* out, std::size_t cap, const char* folder, const char* name,
                     const char* filter, const char* def_ext);
