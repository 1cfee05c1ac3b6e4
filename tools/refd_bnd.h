// The band detection dialog that follows Find Bands. Until it is built, the bands found with
// the image's own settings stay as they are.
#pragma once

#include "model/image_rec.h"
#include "toolkit/tk_types.h"

long gt_refd_bnd_activate(TK_OBJ owner, IMAGE_REC* image);
