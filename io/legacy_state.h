// State records of older analysis programs, found in their analysis files and in preferences
// files: the image state of the ".mj" kind (type 50, and 56 in preferences files), the image
// state of the ".kr" kind (type 30) and the preference state of the ".kr" kind (type 55). The
// program carries them unchanged: it reads them, keeps them on the analysis list and writes
// them back in their current version. Each record is one ks_alloc_msg block on entry->record.
//
// Layouts (packed; 32-bit integers, 64-bit doubles, fixed-width texts as they stand):
//   MJ_IMG_STATE, 1420 bytes in every version (written as version 2).
//   KR_IMG_STATE, written as version 2: 2504 bytes; a version below 2 ends after byte 183.
//   KR_PRF_STATE, written as version 5: 6344 bytes; the parts present by version are
//   184 bytes below 2, 2504 for 2, 6024 for 3, 6088 for 4.
#pragma once

#include <cstdint>

#include "io/analysis.h"

struct MJ_IMG_STATE {
  double d0;
  int32_t w8[14];
  int32_t w64[4];
  int32_t w80[15];
  char t140[4][256];
  char t1164[256];
};

// The part that the ".kr" image state and preference state share (2504 bytes in the file).
struct KR_STATE_V2 {
  double d0;
  int32_t w8[28];
  int32_t w120;
  int32_t w124[15];
  // version 2 part
  int32_t w184[27];
  char t292[5][256];
  char t1572[8][20];
  char t1732[2][256];
  int32_t w2244;
  char t2248[256];
};

struct KR_IMG_STATE {
  KR_STATE_V2 s;
};

struct KR_PRF_GROUP12 {
  int32_t w;
  double d[12];
};

struct KR_PRF_GROUP780 {
  int32_t w;
  int32_t w2[2];
  char t[3][256];
};

struct KR_PRF_STATE {
  KR_STATE_V2 s;
  // version 3 part
  int32_t w2504;
  double d2508[12];
  KR_PRF_GROUP12 g2604[2];
  int32_t w2804;
  double d2808[12];
  KR_PRF_GROUP780 g2904[4];
  // version 4 part
  int32_t w6024[8];
  int32_t bltnewflags, blttooclose, bltres1, bltres2;
  int32_t colnewflags, coltooclose, colres1, colres2;
  // version 5 part
  char loc_repdir[256];
};

constexpr int MJ_IMG_STATE_BYTES = 1420;
constexpr int KR_IMG_STATE_BYTES = 2504;
constexpr int KR_PRF_STATE_BYTES = 6344;
constexpr int KR_STATE_V1_BYTES = 184;

// Readers: 0, -2 (no memory) or -5 (short read, or a record shorter than its version's parts).
// Writers: 0 (an entry without a record writes nothing); they set the token's version (2, 2, 5)
// and its count to 0.
int io_rd_mj_img_state(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap);
int io_rd_kr_img_state(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap);
int io_rd_kr_prf_state(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap);
int io_wr_mj_img_state(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token);
int io_wr_kr_img_state(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token);
int io_wr_kr_prf_state(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token);
