// Band tools not yet part of this program.
#include "tools/gt_band_tools.h"

#include "base/slog.h"

BOOL gt_refd_bnd_activate(TK_OBJ, IMAGE_REC* image) {
  SLOG("gt_refd_bnd_activate", SLOG_ENTRY, "image <%s>: not available", image ? image->image_name : "");
  return FALSE;
}
