// The band detection refinement dialog.
#pragma once

#include "base/kstypes.h"
#include "model/image_rec.h"
#include "toolkit/tk_types.h"

// Lets the user tune the image's band-detection settings, finding its bands again on each
// Apply; then runs the guided workflow's bands step. TRUE when ended with OK.
BOOL gt_refd_bnd_activate(TK_OBJ owner, IMAGE_REC* image);
