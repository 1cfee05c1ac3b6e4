// Histogram window (least form).
#include "base/slog.h"
#include "tools/ui_results.h"

namespace {
UiResultCall s_last;
}

void ui_hist_activate(TK_OBJ, IMAGE_REC* image, TkPoint start, TkPoint end, const char*) {
  ++s_last.calls;
  s_last.start = start, s_last.end = end, s_last.path = image ? image->file_path : "";
  SLOG("ui_hist_activate", SLOG_VALUE4, "<%s> (%d,%d)-(%d,%d)", s_last.path.c_str(), start.x,
       start.y, end.x, end.y);
}

const UiResultCall& ui_hist_last() { return s_last; }
