// A band's quantification result (QUANT_RES) and the square pixel window (QT_WIN) it was measured
// in. The window's memory operations live here, below the engine, because attaching and releasing
// a result cuts and frees windows; the engine's window algorithms build on them.
#pragma once

#include <cstdint>

#include "model/spot.h"

// Square pixel window about a centre. Rows are `size` integer cells each. An owned window (mode
// QT_WIN_OWNED) holds its rows, and its row array is ended by a null pointer; a sub-window (mode
// QT_WIN_SUB) has rows that point into another window.
struct QT_WIN {
  int32_t right;   // right x = centre x + size / 2
  int32_t bottom;  // bottom y = centre y + size / 2
  int32_t left;    // left x = centre x - size / 2
  int32_t top;     // top y = centre y - size / 2
  int32_t cx;
  int32_t cy;
  int32_t size;  // odd, > 0
  int32_t mode;
  int32_t** rows;  // size + 1 row pointers
};
inline constexpr int32_t QT_WIN_OWNED = 0;
inline constexpr int32_t QT_WIN_SUB = 1;

// Result status bits.
inline constexpr uint32_t QR_ATTACHED = 1u << 0;
inline constexpr uint32_t QR_RELEASED = 1u << 31;

inline constexpr int QR_RES_WORDS = 8;

// The result of quantifying one band.
struct QUANT_RES {
  int32_t res[QR_RES_WORDS];  // result words of the quantifier
  int32_t bnd_x[SP_BOUNDS];   // outline relative to the window (-1 = invalid slot)
  int32_t bnd_y[SP_BOUNDS];
  int32_t img_x[SP_BOUNDS];  // the same points in image coordinates (-1 = invalid slot)
  int32_t img_y[SP_BOUNDS];
  QT_WIN* source;   // the window the pixel window was cut from (not owned)
  QT_WIN* win;      // the pixel window about the band (owned)
  uint32_t status;  // QR_* bits
};

// An owned window of `size` cells square about (cx, cy), cells cleared; NULL when size <= 0 or
// memory runs out.
QT_WIN* qt_alloc_window(int cx, int cy, int size);
// Frees a window: an owned one its rows and row array, a sub-window its row array; then the
// record. NULL is ignored.
void qt_free_window(QT_WIN* win);
// Points the rows of `win` (whose bounds are set) into `parent`; 0, or -1 when win reaches
// outside the parent (rows then left as they were).
int qt_sub_window(QT_WIN* win, const QT_WIN* parent);
// A sub-window of the parent's size centred on the band; NULL when it leaves the parent or memory
// runs out.
QT_WIN* qt_win_for_band(const SPOT* band, const QT_WIN* parent);

QUANT_RES* mj_res_alloc();
// Cuts the pixel window about the band from `source`, makes a result holding it (status
// QR_ATTACHED) and attaches it to the band, releasing a result attached before. NULL when the
// source is NULL, the window cannot be cut or memory runs out (the band is then unchanged).
QUANT_RES* mj_res_attach(SPOT* band, QT_WIN* source);
// Releases *res (its pixel window, then the record) and sets *res NULL; returns the status word
// (as an int) with QR_RELEASED set. 0 when res or *res is NULL; a result already marked released
// is returned as its status and not freed.
int mj_res_free(QUANT_RES** res);
