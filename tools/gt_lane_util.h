// Lane utilities of the band and lane tools: tiers of lanes that share a size-standard list,
// ordered insertion and renumbering, hit tests, the two ways of making lanes in a drawn block
// (tracked automatically or divided evenly), lanes defined point by point, and the discarding
// of lanes that were made but not confirmed.
#pragma once

#include "model/image_rec.h"
#include "model/lane.h"
#include "toolkit/tk_types.h"

// Tiers. A lane's tier indexes the image's size-standard lists (size_stdp, lane_hdr->num_tiers
// entries).
void gt_lane_create_tier(IMAGE_REC* image, LANE* lane);  // appends a tier and gives it the lane
// Makes every tier of the image (at least one) hold a size-standard list: the array is made
// when missing and an empty list takes each empty entry. False when memory runs out.
bool gt_lane_ensure_tier_lists(IMAGE_REC* image);
// Gives a new lane the tier of the first listed lane whose vertical extent overlaps its own
// (touching extents do not overlap), else a new tier.
void gt_lane_set_tier(IMAGE_REC* image, LANE* lane, const char* caller);
int gt_lane_tier_of(IMAGE_REC* image, int lane_number);  // 0 when no lane has the number
// Called when the lanes of `tier` may have gone: drops emptied tiers from the top down while
// the top one holds no lane (never tier 0), freeing their lists. A middle tier stays.
void gt_lane_drop_tier(IMAGE_REC* image, int tier);

int gt_lane_any_pending(const LANE* head);  // 1 when a lane is not confirmed yet
// Inserts the lane grouped by tier and ordered by its first centre x; renumbers from it on.
void gt_lane_insert(LANE* head, LANE* lane);
// 1 when a lane contains (x, y): mode 0 any lane, 1 pending lanes only, other modes nothing.
// Sets the image's hit index to the list position of the hit (or the list length).
int gt_lane_hit(IMAGE_REC* image, int x, int y, int mode);

// Lanes in a block (corners: 8 ints, top-left, top-right, bottom-right, bottom-left). The
// number of lanes is the image's num_sel_lanes, which is then reset. The new lanes are pending.
// gt_find_lanes tracks them in the block reduced by a box filter: 0, or -1 when the block cannot
// be read (nothing made). gt_block_lanes divides the block evenly: 0.
int gt_find_lanes(const int* corners, int param, LANE* head, IMAGE_REC* image);
int gt_block_lanes(const int* corners, LANE* head, IMAGE_REC* image);
// Lanes defined by hand. End flag 0: one lane from the clicked points (message 48 and 0 with
// fewer than 2). Nonzero: the define step ends (message 46, pending lanes discarded and 0 when
// none is pending). 1 otherwise.
int gt_band_def_lanes_done(IMAGE_REC* image, int end_flag);

// Numbers the lanes 1..n in list order (clear_names 1 empties the names) and gives each size
// standard the number of the lane it lies in.
void gt_lane_renumber(IMAGE_REC* image, int clear_names);
// Every lane of every open image: its bands numbered 1..n. -> images visited.
int gt_band_renumber_all();
// Removes the lanes that were made but not confirmed, then renumbers and redraws.
void gt_lane_discard_pending(IMAGE_REC* image);
// Unlinks the lane from the image's list and frees it; its tier is dropped when it emptied.
void gt_lane_remove(IMAGE_REC* image, LANE* lane);

// The lane boundaries tool on the first selected lane: start (the lane, or null with none
// selected), confirm (the lane made symmetric about its new edges, its profile and bands made
// again) and cancel (the lane as it was). Confirm and cancel end task state 5.
LANE* gt_band_lane_bounds(TK_OBJ owner, IMAGE_REC* image);
void gt_band_lane_bounds_ok();
void gt_band_lane_bounds_cancel();
// The first selected lane of the image, or null.
LANE* gt_lane_first_selected(IMAGE_REC* image);
