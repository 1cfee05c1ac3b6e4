// Records of spots, colonies, regions and backgrounds written by older analysis programs
// (".kr", ".nw" and ".pz" analysis files). The program reads them with the rest of an analysis
// file, keeps them on the analysis list and can write them again; nothing here edits them.
//
//   types 36, 47   background           io_rd_back / io_wr_back
//   35, 41         spots, colonies      io_rd_nw_spot / io_wr_nw_spot
//   34, 40         spot and colony regions   io_rd_spot_regions (either layout) / io_wr_spot_region
//   13             ".nw" spot regions   written only, io_wr_spot_region
//   46             ".pz" regions        io_rd_region / io_wr_region
//
// All records are packed; integers 32-bit and doubles 64-bit in the container's byte order;
// texts and single bytes as they stand. The token's count word holds the number of objects:
// the writers set it and the region readers take their count from it. The spot, region and
// ".pz" readers also accept a record that comes out exactly 24 bytes short of its length.
//
// Background (264 bytes): two int32, then 64 int32 `bg`.
// Spots: a 192-byte header (SPOT_HDR: version, sens_level, 13 doubles, an int32, 12 int32,
//   4 bytes as they stand, reclen, nrec, nadds, ndels, two int32) and nrec blocks of
//   408 + 42 n bytes: number, amount, standard value, flags 1 and 2 (as they stand; flags 2
//   stored unselected), area, x, y, thickness, lane width, feature byte, mark, carried byte,
//   carried int32, carried double, size, OD, baseline, extra int32, label (21), n, n
//   characteristics (name 21, value 21), bound x and y (36 int32 each), two int32.
// Regions, current layout: a 28-byte header (version 0, num_regions, five words) and blocks of
//   163 + 42 n bytes: name (22), region_type, x_loc, y_loc, width_height (width in the low 16
//   bits), region_number, radius, num_sel_spots, num_spots, min_spot_size, min_spot_intensity,
//   area, old ss name (21), f, num_img_chars, the characteristics, six doubles, next_spot_num,
//   filter_count, filter_exclude, num_inactive. Old layout: no header; width and height are
//   two int32 in place of width_height and region_number, and num_sel_spots is an unused word.
// ".pz" regions: blocks of 56 + 8 n bytes: three doubles, two int32, a flag word (stored with
//   bit 0 clear), four int32, n (at most 36) and n (x, y) int32 points.
#pragma once

#include <cstdint>

#include "io/analysis.h"
#include "model/spot.h"

constexpr int SPOT_HDR_BYTES = 192;
constexpr int SPOT_BLOCK_BYTES = 408;   // without its characteristics
constexpr int SPOT_RECLEN = 488;
constexpr int REGION_HDR_BYTES = 28;
constexpr int REGION_BLOCK_BYTES = 163;  // without its characteristics
constexpr int PZ_BLOCK_BYTES = 56;       // without its points
constexpr int PZ_MAX_POINTS = 36;
constexpr int BACK_BYTES = 264;
constexpr int LANECHAR_BYTES = 42;

struct BACKGROUND {
  int32_t w0;
  int32_t w1;
  int32_t* bg;  // 64 values, owned
};

struct REGION_HDR {
  int32_t version;
  int32_t num_regions;
  int32_t res[5];
};

struct PZ_REGION {
  double d[3];
  int32_t w24;
  int32_t w28;
  uint32_t f;
  int32_t w36[4];
  int32_t num_points;
  int32_t pts[PZ_MAX_POINTS][2];  // (x, y)
  PZ_REGION* next;
};

// Spot bins: 32 x 32 bins, each null or the first spot of a chain linked by `next`, and six
// integers, the last two the numbers of rows and columns in use.
constexpr int SPB_DIM = 32;
constexpr int SPB_END_OF_LIST = 6;
struct SPOT_BINS {
  SPOT* bins[SPB_DIM][SPB_DIM];  // [row][column]
  int32_t stats[6];
};

// The form of a spots entry's record: a chain behind a dummy head SPOT (what the reader makes,
// and the form taken unless said otherwise), or a bin table, marked by this value in the entry's
// last word.
constexpr int32_t IO_SPOT_FORM_BINS = 0x53504231;

// Counts the spots in the bins of the rows and columns in use; `six` (when given) receives the
// table's six integers. 0 for a null table.
int spb_get_stats(const SPOT_BINS* table, int* count, int32_t six[6]);
// One step of a walk over all 1024 bins, column by column (step i: row i mod 32, column i / 32).
// A cursor of 0 starts a walk; the cursor keeps the walk's position. 1 with the bin's chain head
// in *chain (null for an empty bin), or SPB_END_OF_LIST after the last bin.
int spb_walk(const SPOT_BINS* table, SPOT** chain, int* cursor);

int io_rd_back(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap);
int io_wr_back(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token);
void io_free_back_entry(ANALYSIS_ENTRY* entry);

// Spots (35) and colonies (41). The reader fills the entry's header (or makes one) and hangs a
// chain of spots in file order on the entry. The writer takes the chain, or a bin table when the
// entry is marked IO_SPOT_FORM_BINS.
int io_rd_nw_spot(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap,
                  int spots);
int io_wr_nw_spot(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token);
int io_rd_nw_spot_rec(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap);
void io_free_nw_spot_entry(ANALYSIS_ENTRY* entry);

// Regions (34 spot regions, 40 colony regions). io_open_spot_region reads the record into the
// region readers' one read block; io_is_old_spot_region looks at its first word (non-zero: the
// old layout; an empty record, which has no header, is the old layout with no regions); the
// chosen reader then parses the block. io_rd_spot_regions does all three.
int io_open_spot_region(ByteReader& file, int length, int swap);
BOOL io_is_old_spot_region(int spots);
int io_rd_spot_region(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap,
                      int spots);
int io_rd_old_spot_region(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token,
                          int swap, int spots);
int io_rd_spot_regions(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap);
// Writes the current layout (types 34, 40 and 13). The header's region count and the token's
// count are the number of regions in the chain.
int io_wr_spot_region(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token);
void io_free_spot_region_entry(ANALYSIS_ENTRY* entry);

// ".pz" regions (46). A block of more than 36 points is refused (-5).
int io_rd_region(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap);
int io_wr_region(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token);
void io_free_pz_regions(PZ_REGION* head);
void io_free_region_entry(ANALYSIS_ENTRY* entry);
