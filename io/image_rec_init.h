// Setting up and releasing an image record (model/image_rec.h). The set-up resets the record's
// display record, which is the pixel-file code's work, so it lives in the file layer.
#pragma once

#include "base/kstypes.h"
#include "model/image_rec.h"

// Sets up an image record (allocated cleared): path and name empty; fresh cleared header and
// lookup records (the lookup without lookup_init's defaults: the info file's records replace
// both when the image is opened); a fresh display record reset by ih_init_display with its
// first zoom word set equal to its second; the comment cleared; fresh block points, cleared
// band and lane headers, cleared dummy heads of the band chain and lane list, an empty
// concentration cell and a new marker list for the band tools; the settings copied from the
// control record; the tools' words at their starting values (-1 or 0).
// Sub-records that the record already holds (lookup, header, display record, block points,
// headers, heads, comment, marker list) are freed first; the lane and band contents are not
// (gt_img_free_lists does that). Returns TRUE, or FALSE after a failed allocation, reported
// with ks_dbg_null_ptr and the field's path; the record must then not be used (gt_img_free
// releases what it holds).
BOOL gt_img_init(IMAGE_REC* image_ptr);

// Frees everything the record holds (gt_img_free_lists, then the sub-records), then the record.
// Null is ignored.
void gt_img_free(IMAGE_REC* image_ptr);
// Frees the record's secondary allocations, each only when present and each pointer then null:
// the work marker list, the intensity lookup, the image header, the comment, the display record,
// the standards line list and the tools' own data. The lists and the record itself stay.
void gt_img_free_secondary(IMAGE_REC* image_ptr);
