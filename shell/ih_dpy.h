// The image bitmap display: an open image is shown as its 8-bit display image (the display
// record's disp_img, whose colour table comes from the program-wide colour map) at the display
// zoom, in the image window's drawing area. Only the visible part is resampled, and only when
// the visible rectangle, the zoom or the force-rebuild flag changed; scrolling is the drawing
// area's own (its canvas extent is the displayed size of the whole image).
//
// Display pixel X of the canvas shows image pixel floor(X / z) at zoom z >= 1 and X * |z| at a
// reduction 1 : |z|, the same mapping the drawing layer uses for the overlays, so overlays land
// on the pixels they describe at every zoom and scroll position.
//
// Per-image display state lives in the display record: tk_handle holds the display handle below
// (made at load, freed at close), vis_*[1] and zoom[2] the rectangle and zoom of the last
// rebuild, cmap_changed the force-rebuild flag (set it after a colour-map change or new pixels).
// zoom[0] is the zoom, zoom[1] the zoom before the last change.
#pragma once

#include <cstdint>
#include <vector>

#include "model/image_rec.h"
#include "shell/dib.h"
#include "toolkit/core/tk_image.h"
#include "toolkit/tk_types.h"

// What the shell keeps behind IMG_DATA::tk_handle.
struct GtDisplay {
  TkImage zoomed;              // the visible part at the current zoom
  int piece_x = 0, piece_y = 0;  // canvas position of the piece's top-left pixel
  int rebuilds = 0;            // how many times the piece was resampled (tests and benchmarks)
  // The packed device-independent bitmap of the display image (gt_dib_build).
  BITMAPINFO* bmi = nullptr;   // header and 256-entry colour table
  std::vector<uint8_t> bits;   // bottom-up rows, each padded to a multiple of 4 bytes
};

// Makes and frees the display handle of a display record. The free also frees the bitmap.
GtDisplay* gt_display_new(IMG_DATA* disp);
void gt_display_free(IMG_DATA* disp);
inline GtDisplay* gt_display_of(const IMG_DATA* disp) {
  return disp ? static_cast<GtDisplay*>(disp->tk_handle) : nullptr;
}

// Paints the image into the drawing area. (anchor_x, anchor_y) is the viewport point that must
// keep its image point when the zoom has just changed (-1: the centre of the view).
void ih_dpy_draw(TK_OBJ area, IMG_DATA* disp, int anchor_x, int anchor_y);
// Displayed size of n bitmap pixels at a zoom: floor(n * z + 0.5), or floor(n / |z| + 0.5).
int ih_dpy_displayed(int n, int zoom);
// Sets the drawing area's canvas extent to the displayed size of the image at the zoom (at
// least the viewport's size).
void gt_dib_set_scroll_area(TK_OBJ area, const IMG_DATA* disp, int zoom);
// Scroll position := (x, y), or the current one plus (dx, dy), held to the canvas.
void gt_dib_scroll_to(TK_OBJ area, int x, int y);
void gt_dib_scroll_by(TK_OBJ area, int dx, int dy);

// The device-independent bitmap of an image: header (width, height, 8 bits, pixels per metre
// from the image header's resolution; 0 when unknown), colour table from the colour map, and
// bottom-up rows from the display image. Left without a bitmap when memory runs out.
void gt_dib_build(IMAGE_REC* image);
// Fills the colour table from the program-wide colour map.
void gt_dib_make_palette(IMAGE_REC* image);
void gt_dib_free(IMAGE_REC* image);
// Pixels per metre of a resolution and scale (pixel size = res x 10^(scale - 3) metres);
// 0 when the pixel size is not positive.
int32_t gt_dib_pels_per_metre(int res, int scale);
