// Band utilities of the band and lane tools: confirming newly made lanes and finding their
// bands, quantifying bands, adding one band at a row of a lane, marking a band's axes or bounds
// by hand, selecting and deselecting by the selection mode, deleting the selection.
//
// A band's stored bound arrays hold image coordinates. A quantification that fails leaves the
// band's type with its failed bit (4) and its old bounds; only a success sets the type.
#pragma once

#include "model/image_rec.h"
#include "model/lane.h"
#include "model/spot.h"
#include "toolkit/tk_types.h"

// Words of the band header that keep the four band-detection settings with the analysis.
enum GtBandDetect : int { BD_TOP = 0, BD_BOTTOM = 1, BD_INTENSITY = 2, BD_MAX_DETECT = 3 };

int gt_band_is_selected(SPOT* band);  // 1 when the band's selected bit (4) is set
// Background angle for new lanes from the program's settings: the value below 90, 30 for 90 and
// more or without a value; 100 means no background (*has_background 0, -1).
int default_background_angle(int* has_background);
// Writes the intensity lookup to the trace log, once per run.
void slog_luval(const IMG_INT_INFO* table);
// The image's value range in per cent steps: |max - min| / 100, at least 1.
int gt_band_value_range(const IMAGE_REC* image);

// Every routine here that reads the image's pixels first checks that they can be had, and puts
// the image's analysis back as it was when they are lost while read (engine/pixel_guard.h): the
// user is told once and the routine reports nothing done (0, null, -1).
//
// Quantifies the n bands of the lane from the lane image at `row` (-1: the whole lane). Each
// band that quantifies takes the result's bounds and `type` (2 from the profile, 11 from its
// bounds); one that fails keeps its bounds with the failed bit. -> bands quantified.
int gt_band_quant_lane(IMAGE_REC* image, LANE* lane, SPOT** bands, int n, int row);
int gt_band_quantify(IMAGE_REC* image, int in_lanes);  // selected lanes, or selected bands: 1
void gt_band_requant_all(IMAGE_REC* image, LANE* lane_head, SPOT* band_head);
int gt_xform_band_quantify(IMAGE_REC* image);  // from each band's own bounds: 1

// Confirms the pending lanes and, with auto_flag 1, finds their bands. -> bands found.
int gt_band_find_start(IMAGE_REC* image, int auto_flag);
// Finds (and quantifies) bands in the selected lanes with the given settings.
void gt_band_do_find(IMAGE_REC* image, int top, int bottom, int intensity, int max_detect,
                     int quantify, int show_status, int detect);

// One band at row y of the lane: the new band, the band already within 2 rows, or null.
SPOT* gt_band_add_manual(IMAGE_REC* image, int y, LANE* lane);
// A new band at row y of the lane as a click places it (centre on the lane, the lane's width,
// the image's band thickness, its profile values), linked into the chain; null without memory.
SPOT* gt_band_make_at(IMAGE_REC* image, int y, LANE* lane);
SPOT* gt_band_add_quant(IMAGE_REC* image, int y, LANE* lane);

// Mark Axes and Mark Bounds on the current image's axes or bounds band: 0 done, -1 refused.
int gt_band_apply_axes();
int gt_band_apply_bounds();
void gt_band_clear_axes();
void gt_band_clear_bounds();

// Selection by the selection mode (0 bands, 1 lanes, 2 size standards, 3 concentrations).
void gt_select_all(TK_OBJ area, IMAGE_REC* image);
void gt_deselect_all(TK_OBJ area, IMAGE_REC* image);
// Keeps the image's selection list to the selected bands in their order (first 100).
void gt_band_sel_compact(IMAGE_REC* image);
// Selects (on 1) or deselects the band, keeping the selection list and count.
void gt_band_set_selected(IMAGE_REC* image, SPOT* band, int on);

// Deletes the selection of kind `what` (0 bands, 1 lanes, 2 size-standard points, 3
// concentration-standard points). -> 0.
int gt_band_delete_selected(IMAGE_REC* image, int what);

// Menu commands on the current image. Mark Axes and Mark Bounds take the first selected band
// and open their window only when there is one.
void gt_band_mark_axes(TK_OBJ owner, IMAGE_REC* image);
void gt_band_mark_bounds(TK_OBJ owner, IMAGE_REC* image);
void gt_band_information(TK_OBJ owner, IMAGE_REC* image);  // the selected bands' comment
void gt_band_mark_active(SPOT* band_head, int value);      // 0 active, 1 inactive
void gt_band_norm_lane(IMAGE_REC* image);
void gt_band_norm_image(IMAGE_REC* image);
void gt_band_clear_norm(IMAGE_REC* image);
// Requantifying with each band's baseline taken again from its lane first.
void gt_band_requant_all_baseline(IMAGE_REC* image, LANE* lane_head, SPOT* band_head);
void gt_band_requant_one_lane(IMAGE_REC* image, LANE* lane, SPOT* band_head);
// Frees the image's lane and band data (each field then null).
void gt_band_destroy(IMAGE_REC* image);
