// The image record: one per open image. It owns the image's header, lookup and display
// records, its lane and band lists, its standards lists and the working state of the tools
// that edit them. The shell allocates it cleared, calls gt_img_init, and frees it when the
// image window closes (after the band tools have freed the lane and band data).
#pragma once

#include <cstdint>

#include "base/kstypes.h"
#include "model/img_info.h"
#include "model/lane.h"
#include "model/spot.h"
#include "model/std_list.h"

constexpr int IMG_PATH_LEN = 257;
constexpr int IMG_MAX_SEL = 100;   // selection list, index lists and per-lane arrays

struct IMAGE_REC {
  char file_path[IMG_PATH_LEN];
  char image_name[IMG_PATH_LEN];
  IMG_INT_INFO* img_int_info;   // owned; replaced by the info file's record on open
  IMG_INFO* img_info;           // owned; replaced by the info file's record on open
  IMG_DATA* img_ptr;            // display record, owned
  char* comment;                // image comment text, owned; null when none
  int comment_len;
  int modified;

  int has_lanes;                // lane count, at least 1 when the image has lanes
  int has_bands;                // band-ready word
  int std_present;              // standards-present word
  int std_changed;              // standards changed; the reports recompute sizes and clear it
  int* lane_coords;             // lane definition points, (x, y) pairs, owned

  int* block_points;            // 8 ints (four corner points of a lane block), owned
  int num_block_points;         // block-point count word
  int block_step;
  int num_lane_coords;          // points in lane_coords
  int marker_w[2];              // two further marker words of the lane definition
  int num_sel_lanes;            // selected lanes, or the number of lanes to find
  int num_sel_bands;
  int num_sel_stds;

  SPOT_HDR* band_hdr;           // owned
  LANE_HDR* lane_hdr;           // owned
  SPOT* bands;                  // dummy head of the band chain, owned
  SPOT* sel_list[IMG_MAX_SEL];  // selection list of the band tools (not owned)
  LANE* lanes;                  // dummy head of the lane list, owned

  // working block of the lane-boundaries tool and the standards lists
  int* save_lane_coords;        // owned
  SPOT** mod_lane_bands;        // owned array (the bands themselves belong to the chain)
  STD_LIST* band_std_coords;    // owned
  STD_LIST** size_stdp;         // one list per tier (lane_hdr's tier count), owned
  LANE* bnd_lane;
  int bnd_band_count;
  int save_left_width;
  int save_right_width;
  int save_num_points;

  STD_LIST** conc_stdp;         // one-pointer cell holding the concentration list, owned

  // settings copied from the control record when the record is set up
  int set_w0;
  int size_interp;
  int size_extrap;
  int size_digits;
  int size_nstd;
  int size_stds_sw;             // bit 0 of the control record's flags word
  int conc_interp;
  int conc_extrap;
  int conc_digits;
  int disp_codes[4];

  double cur_std_value;         // current or highlighted standard value; -1.0 none

  int pt_now[2];                // mouse position now (x, y; -1 none)
  int pt_prev[2];               // mouse position before
  int click_pt[2];
  int rubber_pt[2];             // rubber-band origin
  int drag_pt[2];

  LANE* cur_lane;               // current lane (not owned)
  SPOT* cur_band;               // current band (not owned)
  int num_sel_size;             // selected size-standard points
  int num_sel_conc;             // selected concentration-standard points

  int lane_index[IMG_MAX_SEL];  // index list of the lane tools

  int mark_pts[3][2];           // three marker points (x, y); -1 none
  int num_mark_pts;             // marker points placed by the multiplex tool

  STD_LIST* pending_stds;       // working standards list of the standards tools, owned
  int pending_stds_idx;         // its companion index; -1 none

  int lane_ids[IMG_MAX_SEL];    // two per-lane arrays of the lane tools; -1 unused
  int lane_tiers[IMG_MAX_SEL];

  int hit_lane;                 // lane hit index
  int hit_pt;                   // centre point index hit
  int edit_lane;                // lane being edited
  int edit_pt;                  // its point index
  int edit_mode;                // 0 left width, 1 right width, other: centre point
  int drag_lane;                // dragged lane index
  int drag_pt_idx;              // its centre point index

  // further state of the tools and windows
  void* window;                 // the image window (toolkit object)
  void* draw_area;              // its drawing area (toolkit object)
  int min_top_band_thick;       // band-detection settings of this image
  int min_bot_band_thick;
  int band_threshold;
  int band_threshold2;
  int lane_field;               // a lane number set by the matching code
  STD_LIST* std_line;           // standards line list of the modify-line tool, owned
  int std_line_edit;            // standards-line editing flag
  int num_sel_size2;            // second size-standard selection count
  int num_std_rows;             // distinct standard values of the selection
  STD_LIST* mod_tier;           // tier being modified (not owned); null none
  SPOT* axes_band;              // band of the band-axes tool (not owned)
  SPOT* bounds_band;            // band of the band-bounds tool (not owned)

  // The lane copy tool's block for this image: where the copied group may be dropped and the
  // drop points. The lane copies themselves belong to the tool (not owned here).
  struct LaneCopyBlock {
    int half_w, half_h;      // half the group's width and height, rounded
    int max_x, max_y;        // largest drop point that keeps the group inside this image
    int group_w, group_h;    // the group's extent + 1
    int most_points;         // the most centre points of a copied lane
    int filled;              // 1 once the block is filled
    int num_lanes;           // lanes in the group; 0: drops here place nothing
    LANE* copies;            // the tool's lane copies, chained in list order
    int prepared;            // 1 once set up for this image during the current copy
    int num_drops;           // drop points recorded (at most 100)
    int drops[IMG_MAX_SEL][2];
    int dropped;             // 1 after the first drop in this image
  } lane_copy;

  // Further per-image working state of the image tools, kept in a record of their own: owned
  // through `tool_data_free`, which the record's release calls.
  void* tool_data;
  void (*tool_data_free)(void* data);
};

// Frees the image's lane and band data in the order band_hdr, bands, mod_lane_bands, size_stdp
// (each tier's list, then the array; the tier count is the lane header's), band_std_coords,
// conc_stdp (the list, then the cell), block_points, lane_coords, lane_hdr, lanes,
// save_lane_coords, and sets each pointer to null. Null is ignored.
void gt_img_free_lists(IMAGE_REC* image_ptr);

// Gives each of the first `tiers` tiers a size standards list: the array is made when the image
// has none (it must then hold `tiers` entries), and a tier without a list gets an empty one with
// the image's size methods. False when memory runs out (the lists made so far stay).
bool gt_img_fill_tier_lists(IMAGE_REC* image_ptr, int tiers);

// The set-up of a new image record (gt_img_init) resets its display record, which is the
// file layer's work, so it lives in io/image_rec_init.h.
