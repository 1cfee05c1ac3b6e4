// What the fractions report takes from the lane profile window: the shared window slot, the lane
// copies and the chart procedure.
#pragma once

#include "model/image_rec.h"
#include "toolkit/tk_types.h"
#include "tools/gt_report_wins.h"

// Opens the shared window in profile mode (1, "ln_prf") or as the fractions report (0,
// "ln_pres"): a window of the other kind closes first; an open one of the same kind is emptied.
TK_OBJ ln_prf_open(TK_OBJ owner, int profile_mode);
int ln_prf_profile_mode();
void ln_prf_free();  // lanes and chart data of the shared window
// A profile copy of an image lane (band marks and image name filled); null for a lane without a
// profile or without memory.
PRF_LANE* ln_prf_copy_lane(IMAGE_REC* image, LANE* lane);
void ln_prf_set_caption_title(const char* title);  // the report's chart caption
long S_ln_prf_chartNfy(TK_OBJ chart, int event);
long S_PButPrintNfy(TK_OBJ button, int event);
// The report's print (fractions mode).
void ln_pres_print(TK_OBJ win);
void ln_prf_set_lanes(PRF_LANE* first);  // the shared window's lanes (owned from then on)
