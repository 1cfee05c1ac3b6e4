// Surface plot window (least form).
#include "tools/ui_results.h"

namespace {
UiResultCall s_last;
}

void ui_plot_activate(TK_OBJ, const char* path, TkPoint start, TkPoint end, const char*) {
  ui_result_note(&s_last, "ui_plot_activate", path, start, end);
}

const UiResultCall& ui_plot_last() { return s_last; }
