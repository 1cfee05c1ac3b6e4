// The band detection refinement dialog.
#pragma once

#include "base/kstypes.h"
#include "model/image_rec.h"
#include "toolkit/tk_types.h"

// Lets the user tune the image's band-detection settings, finding its bands again on each
// Apply; then runs the guided workflow's bands step. TRUE when ended with OK.
BOOL gt_refd_bnd_activate(TK_OBJ owner, IMAGE_REC* image);
// Apply in the dialog as it opens on the image, its settings kept and "Quantify the bands when
// found" set to `quantify`: the image's bands found again with the settings the dialog shows.
void gt_refd_bnd_apply_opening(IMAGE_REC* image, int quantify);
