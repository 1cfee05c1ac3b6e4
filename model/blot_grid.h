// Blot grid: a rectangular grid of cells laid over a blot, each cell with two values, flags, its
// four corners and a name. yc_get_coords gives a cell's corners, stored or computed from the grid,
// for the file reader (older records hold no corners) as well as for the engine.
#pragma once

#include <cstdint>

// Grid header, fields in the order the analysis file holds them.
struct BLOT_HDR {
  double grid_d;
  int32_t hdr_w8;
  int32_t hdr_w12;
  int32_t hdr_w16;
  int32_t cols;  // C
  int32_t rows;  // R
  int32_t version;
  char name[21];
  int32_t shape;
  int32_t type;
  int32_t f;
  int32_t res2;
  int32_t res3;
  int32_t res4;
  // Grid geometry: corners A (top-left), B (top-right), C (bottom-right), D (bottom-left) as
  // (x, y) pairs in words 0 to 7, then four further words.
  int32_t geom[12];
};
enum : int {
  BLOT_GEOM_AX = 0,
  BLOT_GEOM_AY = 1,
  BLOT_GEOM_BX = 2,
  BLOT_GEOM_BY = 3,
  BLOT_GEOM_CX = 4,
  BLOT_GEOM_CY = 5,
  BLOT_GEOM_DX = 6,
  BLOT_GEOM_DY = 7,
};

// One grid cell; R x C of them in row order.
struct BLOT_CELL {
  double value1;
  double value2;
  uint32_t flags;  // bits 0 (selected), 1, 6 and 10
  int32_t cell_w20;
  int32_t corner[8];  // four corners, (x, y) pairs: top-left, top-right, bottom-right, bottom-left
  char name[21];
  uint8_t cell_bytes[3];
};

// Corners of cell `index`: the stored ones when at least one of their x values is 1 or more
// (result 1), else computed from the grid's corners A, B and D (result 0). A missing header or
// cell array, an empty grid or an index outside it gives 0 and leaves the outputs untouched.
int yc_get_coords(const BLOT_HDR* blot, const BLOT_CELL* cells, int index, int* x1, int* y1,
                  int* x2, int* y2, int* x3, int* y3, int* x4, int* y4);
