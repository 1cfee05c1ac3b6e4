// Corners of blot grid cells.
#include "model/blot_grid.h"

#include <cmath>

#include "base/slog.h"

namespace {

long round_term(double v) {
  return long(std::floor(v + 0.5));
}

// Grid point at column c and row r: A + round(u (B - A)) + round(v (D - A)), each coordinate and
// each term rounded separately.
void grid_point(const BLOT_HDR* b, int c, int r, int* x, int* y) {
  const int32_t* g = b->geom;
  double u = double(c) / b->cols;
  double v = double(r) / b->rows;
  *x = int(g[BLOT_GEOM_AX] + round_term(u * (double(g[BLOT_GEOM_BX]) - g[BLOT_GEOM_AX])) +
           round_term(v * (double(g[BLOT_GEOM_DX]) - g[BLOT_GEOM_AX])));
  *y = int(g[BLOT_GEOM_AY] + round_term(u * (double(g[BLOT_GEOM_BY]) - g[BLOT_GEOM_AY])) +
           round_term(v * (double(g[BLOT_GEOM_DY]) - g[BLOT_GEOM_AY])));
}

}  // namespace

int yc_get_coords(const BLOT_HDR* blot, const BLOT_CELL* cells, int index, int* x1, int* y1,
                  int* x2, int* y2, int* x3, int* y3, int* x4, int* y4) {
  if (!blot || !cells) {
    SLOG("yc_get_coords", SLOG_ERROR, "BIG trouble, NULL ptr 0p%p, 0p%p",
         static_cast<const void*>(blot), static_cast<const void*>(cells));
    return 0;
  }
  if (blot->cols <= 0 || blot->rows <= 0 || index < 0 ||
      long(index) >= long(blot->cols) * long(blot->rows)) {
    SLOG("yc_get_coords", SLOG_ERROR, "cell %d outside a grid of %d x %d", index, blot->rows,
         blot->cols);
    return 0;
  }
  int* out[8] = {x1, y1, x2, y2, x3, y3, x4, y4};
  const int32_t* k = cells[index].corner;
  if (k[0] >= 1 || k[2] >= 1 || k[4] >= 1 || k[6] >= 1) {
    for (int i = 0; i < 8; ++i)
      if (out[i]) *out[i] = k[i];
    SLOG("yc_get_coords", SLOG_VALUE4, "stored coords, TRUE");
    SLOG("yc_get_coords", SLOG_VALUE4, "(%4d %4d) (%4d %4d) (%4d %4d) (%4d %4d)", k[0], k[1], k[2],
         k[3], k[4], k[5], k[6], k[7]);
    return 1;
  }
  int col = index % blot->cols;
  int row = index / blot->cols;
  int p[8];
  grid_point(blot, col, row, &p[0], &p[1]);
  grid_point(blot, col + 1, row, &p[2], &p[3]);
  grid_point(blot, col + 1, row + 1, &p[4], &p[5]);
  grid_point(blot, col, row + 1, &p[6], &p[7]);
  for (int i = 0; i < 8; ++i)
    if (out[i]) *out[i] = p[i];
  SLOG("yc_get_coords", SLOG_VALUE4, "calc coords, FALSE");
  SLOG("yc_get_coords", SLOG_VALUE4, "(%4d %4d) (%4d %4d) (%4d %4d) (%4d %4d)", p[0], p[1], p[2],
       p[3], p[4], p[5], p[6], p[7]);
  return 0;
}
