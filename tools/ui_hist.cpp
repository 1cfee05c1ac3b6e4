// Histogram window (least form).
#include "tools/ui_results.h"

namespace {
UiResultCall s_last;
}

void ui_hist_activate(TK_OBJ, IMAGE_REC* image, TkPoint start, TkPoint end, const char*) {
  ui_result_note(&s_last, "ui_hist_activate", image ? image->file_path : "", start, end);
}

const UiResultCall& ui_hist_last() { return s_last; }
