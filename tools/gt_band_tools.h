// Band tools that the dispatcher calls and that are not part of this program yet: each traces
// its call and does nothing (a dialog answers cancel).
#pragma once

#include "base/kstypes.h"
#include "model/image_rec.h"
#include "toolkit/tk_types.h"

// The band-detection dialog of an image; FALSE (cancelled).
BOOL gt_refd_bnd_activate(TK_OBJ owner, IMAGE_REC* image);
