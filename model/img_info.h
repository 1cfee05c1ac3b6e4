// The image's header record (IMG_INFO), its intensity lookup (IMG_INT_INFO) and its display
// record (IMG_DATA): plain records held by the image record, read and written by the info file
// and the pixel file code. Also the one conversion of a digital value into a calibrated value
// (ih_lookup_val) and the program-wide optical-density compatibility mode.
#pragma once

#include "base/kstypes.h"

#include <cstdint>

class TkImage;

// Flags of IMG_INFO::flags: what was done to the image file.
enum : int {
  IMG_FLAG_FILTERED = 1,
  IMG_FLAG_INVERTED = 2,
  IMG_FLAG_ROTATED = 4,
  IMG_FLAG_FLIPPED = 8,
  IMG_FLAG_EQUALISED = 16,
  IMG_FLAG_CROPPED = 32,
  IMG_FLAG_BORDER = 256,
};

// The image header: 20 signed 32-bit integers, in this order. Stored as record type 1 of the
// info file (the six device fields packed into one word there).
struct IMG_INFO {
  int height;
  int width;
  int bytes_per_pixel;
  int x_res;
  int x_scale;
  int y_res;
  int y_scale;
  int min_value;
  int max_value;
  int flags;  // IMG_FLAG_*
  int device;
  int filter_type;
  int DEV_Light;
  int DEV_BoolOne;
  int DEV_BoolTwo;
  int DEV_Color;
  int DEV_Rotate;
  int DEV_DPI;
  int original_height;
  int original_width;
};

// The intensity lookup: how the image's digital values relate to calibrated optical density
// through a step wedge. Record type 2 of the info file. It owns its arrays (allocated with
// ks_alloc_msg, released by lookup_free): wedge_values and dig_values hold wedge_count entries;
// the four box arrays hold wedge_count entries when bHaveCalib is set and are null otherwise.
struct IMG_INT_INFO {
  int interp_type;  // 0 logarithmic (in transmittance), 1 linear
  int dig_val_range;
  int version;         // 3 bits in the file
  int bHaveCalib;      // calibrated: the calibration boxes are present
  int bHaveEqual;      // equalised
  int bIsNotStouffer;  // wedge kind, set by the calibration code
  int wedge_length;
  int wedge_material;
  int reserved3;
  int wedge_count;
  double* wedge_values;  // calibrated value (optical density) of each step
  int* dig_values;       // digital value of each step (compared as unsigned 32-bit)
  int* ori_x;            // calibration box of each step: origin and extent
  int* ori_y;
  int* ext_x;
  int* ext_y;
  char equal_image_path[256];
  char calib_image_path[256];
};

// The display record of one image: its pixel image and display state. The two images are owned
// by the record (made with new, released by ih_init_display or io_free_display).
struct IMG_DATA {
  void* tk_handle;    // the toolkit handle that the shell stores
  char path[256];     // the image path
  TkImage* disp_img;  // display image (shows the pixel image's block, with its own colour table)
  TkImage* pix_img;   // pixel image: always 8 bits per pixel once loaded
  int pix_width;      // pixel image's width and height
  int pix_height;
  int depth;      // depth word (bits)
  int img_width;  // the image's width and height as its pixel file's header gives them
  int img_height;
  int depth2;    // second depth word (bits)
  double scale;  // display scale: image pixels per bitmap pixel
  // Visible rectangle: origin x, origin y, extent in rows, extent in columns, each a pair of
  // 32-bit words (the loader sets the first word of each pair).
  int32_t vis_x[2];
  int32_t vis_y[2];
  int32_t vis_rows[2];
  int32_t vis_cols[2];
  int zoom[3];        // 1 or more magnifies, -1 or less reduces 1 : |z|
  void* annot_first;  // the image's annotation chain: first node and last node
  void* annot_last;
  void* annot_selected;  // the selected annotation object, or null
  int modified;          // set whenever an annotation object is made, changed or deleted
  int cmap_changed;  // set by the shell when it changes the image's colour map
};

// Sets the defaults of a fresh lookup record and takes arrays for two wedge values and two
// digital values. FALSE for a null record or when an array cannot be had (then both arrays are
// null and wedge_count is 0).
BOOL lookup_init(IMG_INT_INFO* info);
// Frees every array that the record holds, then the record itself.
void lookup_free(IMG_INT_INFO* info);
// Frees every array of the record and clears the pointers (the record itself stays).
void lookup_free_arrays(IMG_INT_INFO* info);
// Writes every field, the wedge table and the boxes to the trace log.
void slg_lookup(const char* title, const IMG_INT_INFO* info);

// Converts a digital value into a calibrated value through the record's wedge table: linear or
// logarithmic (in transmittance) interpolation between steps, proportional scaling through zero
// beyond the ends. A null table, or one of fewer than two points, gives the value unchanged.
// Values below 65536 of a table used many times come from a per-table cache of every 16-bit
// value, built with this same computation, so converting a whole image stays fast.
double ih_lookup_val(const IMG_INT_INFO* table, uint32_t dig_val);
// Every 16-bit value converted through the table exactly as ih_lookup_val converts it (entry v
// for value v), for loops over many pixels; built now when the table has none yet. Null when
// values must go through ih_lookup_val one by one: no table of two or more points, the trace log
// recording, or no memory. Valid until the table's contents change or other tables are looked up.
const double* ih_lookup_table(const IMG_INT_INFO* table);

// The optical-density compatibility mode: 0 none, 1 "AlwaysLog", 2 "AlwaysLinear" (exact,
// case-sensitive texts; anything else sets 0). Program-wide, 0 at start.
void ih_set_ODcompatabilty(const char* text);
int ih_get_ODcompatability();
