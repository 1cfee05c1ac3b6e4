// The category assignment dialog of the selected lanes.
#pragma once

#include "model/image_rec.h"
#include "toolkit/tk_types.h"

// Lets the user choose and order the categories the image's selected lanes carry, then gives
// each selected lane its characteristics in that order. Opens nothing when the control record
// has no category.
void gt_asn_cat_activate(TK_OBJ owner, IMAGE_REC* image);
