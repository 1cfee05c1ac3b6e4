// Band quantification: a square pixel window is cut about a band, the band's outline is found as
// 36 boundary points (engine/mj_bounds.h) or taken from a drawn outline, the region the outline
// encloses is filled, and the calibrated intensity of its pixels above the lane's background is
// summed. The results are the band's amount (integrated intensity) and area.
//
// Failures set the band's quantification-failed bit (SP_F1_QUANT_FAILED), its fail code and its
// mark (the left half-width byte): '?' when the band's centre lies outside its lane, else the
// negative failure code. The band keeps its previous amount.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/mj_bounds.h"
#include "model/img_info.h"
#include "model/lane.h"
#include "model/quant.h"
#include "model/spot.h"

class TkImage;

// The pixels about one lane, read for the quantifiers.
struct LANE_IMAGE {
  void* pixels;  // (x_max - x_min + 1) x (y_max - y_min + 1) pixels, rows top first; owned,
                 // released by ln_free_lane_image (ks_huge_free_msg)
  int32_t x_min, y_min, x_max, y_max;  // the image rectangle held, inclusive
  int32_t is_8bit;                     // 1: one byte per pixel; else 2 (native 16-bit)
  // Two scale factors, each mantissa x 10^exponent; their product scales amount and area.
  // ln_read_lane_image sets both to 1.
  double scale1_mant;
  int32_t scale1_exp;
  double scale2_mant;
  int32_t scale2_exp;
  int32_t cx, cy;  // centre of the window to cut (mj_doquant sets it to the band's centre)
  // Pixels from one row of the rectangle to the next (0: the rectangle's width).
  int32_t stride;
  // 1: the pixels belong to an image held elsewhere (ln_view_lane_image); not released here.
  int32_t borrowed;
  // Nonzero (from ln_lane_image_serial): the pixels stay unchanged while records carry this
  // number, so that the shared window keeps the rows it already holds as it moves down a lane.
  // 0: every load copies its rows again.
  uint32_t serial;
};

// A number not handed out before (never 0), for a lane image whose pixels stay unchanged while
// its bands are quantified.
uint32_t ln_lane_image_serial();

// Reads the image rectangle about the lane from the image file at full scale: columns from the
// lane's left extent - w to its right extent + w, rows row - 2w .. row + 2w, or with row -1 the
// lane's first centre row - w .. last centre row + w (w = left + right width + 1), kept inside
// the image (its last column and row are not read). The image size comes from `header` (or the
// file when NULL). 0, or -1 when the lane has no centre line, the rectangle is empty or the file
// cannot be read.
int ln_read_lane_image(const LANE* lane, LANE_IMAGE* out, const IMG_INFO* header,
                       const char* image_path, int row);
// The same rectangle cut from the whole image held in memory (read once for the lanes of one
// quantification); the image size comes from `header` (or the image when NULL). 0, or -1 when
// the lane has no centre line, the rectangle is empty or lies outside the image held.
int ln_cut_lane_image(const LANE* lane, LANE_IMAGE* out, const IMG_INFO* header,
                      const TkImage* whole, int row);
// The same rectangle as ln_cut_lane_image, seen in place in `whole` without copying it: the
// record borrows the image's rows, which must outlive it. 0, or -1 as ln_cut_lane_image.
int ln_view_lane_image(const LANE* lane, LANE_IMAGE* out, const IMG_INFO* header,
                       const TkImage* whole, int row);
// Releases the record's pixels (the record itself stays).
void ln_free_lane_image(LANE_IMAGE* img);

// Window size for a band of lane width W, thickness t and feature byte f: odd, or -1 when W is 0
// or the half width W / 2 does not fit the band's half-width byte.
int mj_windowsize(int W, int t, int f);

// Makes or reuses the shared window for the band, centred on the record's centre and loaded from
// it: 0, MJ_FAIL_SIZE, MJ_FAIL_WIN_ALLOC or MJ_FAIL_LOAD. With grow_only and an existing window
// at least as large, nothing is done.
int mj_quantwin(const LANE_IMAGE* img, const SPOT* band, int grow_only);
// The calling thread's shared window (NULL before its first quantification). Each thread
// that quantifies has its own shared windows, freed when it ends.
QT_WIN* mj_quant_window();
// Frees the calling thread's shared windows (its next quantification makes new ones).
void mj_quant_release();
// Sets every cell to the image's white (255 or 65535), then copies the lane image's pixels that
// the window covers. 0, or MJ_FAIL_LOAD without pixels.
int mj_load_window(QT_WIN* win, const LANE_IMAGE* img);

// Sets the band's lane width and half widths from a cross profile of the window about its
// centre (both half widths first W / 2). 1, or 0 when memory runs out.
int mj_width(SPOT* band, const QT_WIN* win);
// The valleys mj_width weighs in a width profile of n values: those the standard feature
// detector finds with expected band thickness t, band threshold 1 and neither valley clean-up
// nor splitting, ascending; none when the profile is shorter than the detector's kernel.
void mj_width_valleys(const int32_t* prof, int n, int t, std::vector<int>* valleys);

// Runs mj_2df_bnds on the band's attached result: 1 when it gives 0..12, else 0 with the band
// marked failed.
int mj_FdBnds(SPOT* band, const LANE* lane, int find);
// 1, or MJ_FAIL_GAPS when more than 4 consecutive y bounds of the band's result are invalid.
int mj_ckbnd(const SPOT* band);

// One run of filled cells of a window row: window row, first and last window column.
struct QT_SPAN {
  int32_t row;
  int32_t x0;
  int32_t x1;
};
inline constexpr int QT_MAX_SPANS = 1024;

// Draws the closed outline of the 36 points (window coordinates) into the canvas with 1s:
// each segment from the previous point towards the point; cells outside are skipped.
void qt_perim(QT_WIN* canvas, const int32_t* x, const int32_t* y);
// Fills the outline of the band's result in a blank copy of its window and lists the runs of
// the filled region: 1, MJ_FAIL_WIN_COPY, MJ_FAIL_BOUNDS or MJ_FAIL_FILL.
int mj_fdarea(const SPOT* band, const QT_WIN* win, std::vector<QT_SPAN>* spans);
// Amount and area of the band over the runs: each pixel adds max(0, lookup(pixel) - lookup(
// baseline at its row)); both are scaled by a x b. Cells outside `held` (image rectangle x0, y0,
// x1, y1 inclusive; all cells when NULL) hold no pixel and are skipped.
void mj_spotstats(const QT_WIN* win, const std::vector<QT_SPAN>& spans, SPOT* band,
                  const LANE* lane, const IMG_INT_INFO* lookup, double a, double b,
                  const int32_t* held = nullptr);
// Integrated intensity of the band inside its result's outline (with the gap check unless
// skip_check): 1, or 0 with the band marked failed.
int mj_GetII(SPOT* band, const LANE* lane, int skip_check, const IMG_INT_INFO* lookup, double a,
             double b, const int32_t* held = nullptr);
// mj_FdBnds, then on success mj_GetII with its check skipped exactly when find is 0.
int mj_segment(SPOT* band, const LANE* lane, const IMG_INT_INFO* lookup, double a, double b,
               int find, const int32_t* held = nullptr);

// Applies the program's optical-density compatibility mode to the lookup's interpolation type
// (as mj_doquant does first); null is ignored.
void mj_apply_od_compat(IMG_INT_INFO* lookup);
// Quantifies one band of the lane from the lane image: 1, or 0 on failure. With find 0 the
// band's stored bounds are used. The result (bounds and window) stays attached to the band;
// the caller copies the bounds and releases it with mj_res_free.
int mj_doquant(SPOT* band, const LANE* lane, LANE_IMAGE* img, IMG_INT_INFO* lookup, int find);
// Quantifies a band inside a drawn outline of n points (image coordinates): 1 or 0. With
// size_limit 1 an outline 257 or more pixels across is refused.
int mj_mb_doquant(SPOT* band, const LANE* lane, int n, const LN_POINT* points, LANE_IMAGE* img,
                  IMG_INT_INFO* lookup, int size_limit);
