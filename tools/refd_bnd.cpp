#include "tools/refd_bnd.h"

long gt_refd_bnd_activate(TK_OBJ, IMAGE_REC*) { return 0; }
