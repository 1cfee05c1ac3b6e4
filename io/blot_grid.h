// The blot grid record (analysis type 44): the grid header and its R x C cells
// (model/blot_grid.h). The entry's record word holds the cell array, its header word the
// header.
//
// Current layout (version 1): a 125-byte header and 80-byte cells.
//   header: 0 double, 8/12/16 int32, 20 C, 24 R, 28 version, 32 name (21), 53 shape, type, f,
//           res2, res3, res4, 77 twelve geometry int32
//   cell:   0 value1, 8 value2 (doubles), 16 flags (bit 0 stored cleared), 20 int32,
//           24 four corners (x, y int32 pairs), 56 name (21), 77 three bytes
// Older layout: a 76-byte header (the double, the five int32 at 8 to 27, the twelve geometry
// int32) and 48-byte cells without corners (the two doubles, flags, the int32, name, three
// bytes). A record is in the older layout exactly when its length is 76 + 48 x R x C; its
// corners are computed from the grid (yc_get_coords).
#pragma once

#include "io/analysis.h"
#include "model/blot_grid.h"

constexpr int BLOT_TYPE = 44;
constexpr int BLOT_HDR_BYTES = 125;
constexpr int BLOT_CELL_BYTES = 80;
constexpr int BLOT_OLD_HDR_BYTES = 76;
constexpr int BLOT_OLD_CELL_BYTES = 48;

// 1 when a record of `file_size` bytes with `num_cells` cells is in the older layout.
int IsLegacyBlot(int num_cells, int file_size);

// Writes the entry's grid in the current layout (version 1; the token's version word 1). An
// entry without cells writes nothing. 0, or -6 for a grid whose R or C is negative.
int io_wr_blot(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token);
// Reads a grid in either layout. 0, -2, or -5 (short read, or R x C cells that the record's
// length does not hold).
int io_rd_blot(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap);
// Frees the entry's cells and header.
void io_free_blot_entry(ANALYSIS_ENTRY* entry);
