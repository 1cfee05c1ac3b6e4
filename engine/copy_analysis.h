// Copy Analysis: carries the analysis read from one image of a gel onto another image of the
// same gel. The image record holds the source image's analysis together with the three marker
// points that were set on the source; the caller passes the three marker points set on the
// target. Every position is mapped from the source's marker frame into the target's (inside
// the triangle of the markers this is the affine map that takes each source marker onto its
// target marker), checked against the target image, and the lane profiles are rebuilt from the
// target's pixels.
//
// Lanes and size standards are always carried. Bands and concentration standards are carried
// too when the environment variable VX_NDI_BANDS is set (to any value); otherwise the image
// ends with no bands and an empty concentration list.
#pragma once

#include "engine/full_pixels.h"
#include "model/image_rec.h"

// 0, or -1: the image has no lanes, the source markers make no triangle, a mapped position
// falls outside the target image, a profile cannot be rebuilt, or memory runs out. The record
// holds the source's analysis but is checked against its own header (the target's), and the
// profiles are built from `target_pixels`: the record's file path may still name the source.
// On -1 the image record may be partly changed; the caller discards or reloads it. A caller
// asks `target_pixels.lost()` afterwards: profiles built from pixels cut meanwhile are wrong.
int gt_xform_analysis(IMAGE_REC* image, const int target_pts[3][2], LnPixels& target_pixels);
