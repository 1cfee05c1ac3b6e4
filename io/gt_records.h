// Records of this program's analysis file: bands (types 16, 31, 51), lanes (17, 32, 52),
// standards (20, 22, 33, 38, 45, 53) and the multiplex markers (21). Readers and writers have
// the container's record signatures (io/analysis.h); all fields are little-endian on writing
// and in the file's byte order on reading; records are packed.
//
// Band record, version 4: the 192-byte SPOT_HDR, then nrec band records of 400 bytes (396 in
// version 3 and older, which lack the leading band number).
// Lane record, version 5: the 32-byte LANE_HDR, then per lane a 98-byte block (94 in version 3
// and older, which lack lane_number), its baseline points, centre points, profile and lane
// characteristics (version 4 and older: a count and ten 20-byte texts).
// Standards record, version 5: a 24-byte header (STD_REC_HDR), then per list a block of
// 91 + 40 × count bytes.
// Marker record: six int32, the image's three multiplex marker points (x, y).
#pragma once

#include "io/analysis.h"

#include <cstdint>

// The standards record's header; the analysis entry's header word holds it, its record word
// an array of num_lists STD_LIST pointers.
struct STD_REC_HDR {
  int32_t version;
  int32_t num_lists;
  int32_t words[4];  // stored and restored unchanged
};

constexpr int IO_BAND_HDR_BYTES = 192;
constexpr int IO_BAND_REC_BYTES = 400;
constexpr int IO_LANE_HDR_BYTES = 32;
constexpr int IO_LANE_BLOCK_BYTES = 98;
constexpr int IO_STD_HDR_BYTES = 24;
constexpr int IO_STD_LIST_BYTES = 91;
constexpr int IO_STD_MARKER_BYTES = 40;
constexpr int IO_MARKER_REC_BYTES = 24;
// Most lists a standards record may ask for (lists the record does not hold are made empty).
constexpr int IO_STD_MAX_LISTS = 100;

int io_wr_gt_band(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token);
int io_rd_gt_band(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap);
int io_wr_gt_lane(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token);
int io_rd_gt_lane(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap);
int io_wr_stnd(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token);
int io_rd_stnd(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap);
int io_wr_gt_marker(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token);
int io_rd_gt_marker(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap);

// Frees what the readers hang on an entry (the band chain and SPOT_HDR; the lane list and
// LANE_HDR; the standards lists, their array and header) and clears the entry's words.
void io_free_gt_band(ANALYSIS_ENTRY* entry);
void io_free_gt_lane(ANALYSIS_ENTRY* entry);
void io_free_stnd(ANALYSIS_ENTRY* entry);
