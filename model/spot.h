// Bands (SPOT) of an analysed image, their chain header (SPOT_HDR) and the region record of the
// spot and colony region analyses (SPOT_REGION), with their constructors, links and frees.
// The bands of an image form one chain behind a dummy head SPOT.
#pragma once

#include <cstdint>

#include "base/kstypes.h"
#include "model/lanechar.h"

struct QUANT_RES;

inline constexpr int SP_BOUNDS = 36;  // boundary points of a band outline

// Flags 1 (SPOT::f1).
enum : uint32_t {
  SP_F1_TYPE_MASK = 0xFu,        // band type; SP_TYPE_NO_WIDTH = a band without lane width
  SP_F1_QUANT_FAILED = 1u << 2,  // set inside the type field when a quantification fails
  SP_F1_INACTIVE_A = 1u << 6,    // inactive when either of bits 6 and 7 is set
  SP_F1_INACTIVE_B = 1u << 7,
  SP_F1_NET_NEG = 1u << 12,      // the network identifier counts negative
  SP_F1_QUANT_START = 1u << 28,  // cleared when a quantification starts
  SP_F1_TOOL_MARK = 1u << 31,    // a mark of the band tools
};
inline constexpr uint32_t SP_TYPE_NO_WIDTH = 11;

// Flags 2 (SPOT::f2).
enum : uint32_t {
  SP_F2_SELECTED = 4,
  SP_F2_SIZE_STD = 8,
  SP_F2_IMG_NORM = 32,
  SP_F2_CONC_STD = 64,
  SP_F2_LANE_NORM = 128,
};

// One band.
struct SPOT {
  int32_t number;  // number in its lane from 1, top to bottom (ln_renum_bands)
  int32_t res_w1;
  double amount;       // quantified amount
  double std_value;    // size or concentration from the standards
  uint32_t f1;         // SP_F1_* bits
  uint32_t f2;         // SP_F2_* bits
  double area;         // box area (thickness times lane width)
  int32_t quant_word;  // set by quantification; not stored
  int32_t res_w2;
  int32_t x, y;       // column and row of the band's centre
  int32_t fail_code;  // last quantification failure code
  int32_t thickness;
  int32_t lane_width;
  uint8_t band_fw;   // feature byte from the feature node
  uint8_t left_hw;   // half-width left of x; also the band's mark ('?' or a failure code)
  uint8_t right_hw;  // half-width right of x
  int32_t carried_int;
  double carried_dbl;
  double size;
  int32_t od;              // profile value at the band's row (ln_band_od)
  int32_t baseline;        // baseline value at that row
  int32_t extra_int;       // carried with the band (the legacy spot record stores it)
  int32_t num_spot_chars;  // characteristics of a legacy spot
  LANECHAR* spot_chars;    // num_spot_chars records in one owned block
  int32_t res_w3[10];
  int32_t net_id;  // identifier as a node of the standards network
  char label[21];
  int32_t extra1;
  int32_t extra2;              // 1 in a new band
  int32_t bound_x[SP_BOUNDS];  // outline; -1 = no point
  int32_t bound_y[SP_BOUNDS];
  QUANT_RES* result;  // quantification result, owned (released by mj_res_free)
  SPOT* next;
};

// Header of a band chain (stored whole, 192 bytes, in this field order).
struct SPOT_HDR {
  int32_t version;
  int32_t sens_level;
  double norm_band_ii;
  double hdr_d[12];
  int32_t hdr_w112;
  int32_t hdr_w116[11];
  int32_t hdr_w160;
  float hdr_f164;
  int32_t reclen;  // size of a band in memory as the writer records it (488)
  int32_t nrec;    // number of bands
  int32_t nadds;
  int32_t ndels;
  int32_t hdr_w184;
  int32_t hdr_w188;
};

// One region of a spot or colony region analysis.
struct SPOT_REGION {
  char name[22];
  int32_t region_type;
  int32_t x_loc;
  int32_t y_loc;
  int32_t width_height;  // width in the low 16 bits, height in the high 16 bits
  int32_t region_number;
  int32_t radius;
  int32_t num_sel_spots;
  int32_t num_spots;
  int32_t min_spot_size;
  int32_t min_spot_intensity;
  int32_t setting_a;  // 3 in a new region
  int32_t setting_b;  // 6 in a new region
  double area;
  char old_ss_name[21];
  uint32_t f;  // 14 flag bits
  int32_t num_img_chars;
  LANECHAR* img_chars;  // num_img_chars records in one owned block
  double min_ii, max_ii, min_i, max_i, min_area, max_area;
  int32_t next_spot_num;
  int32_t filter_count;
  int32_t filter_exclude;
  int32_t num_inactive;
  SPOT_REGION* next;
};

SPOT* sp_make_spot();
inline SPOT* sp_make() {
  return sp_make_spot();
}  // the name the band tools use
void sp_add_spot(SPOT* new_band, SPOT* band);  // links new_band right after band
// Unlinks the band from the chain after head and frees it; nothing when it is not there.
void sp_del_spot(SPOT* band, SPOT* head);
// Frees every band after the head, then the head. An attached result is not released here
// (mj_res_free does that).
void ln_free_bands(SPOT* head);
BOOL sp_is_active(const SPOT* band);
SPOT_REGION* sp_make_region();
// Frees every region after the head (with its characteristics), then the head.
void sp_free_regions(SPOT_REGION* head);
