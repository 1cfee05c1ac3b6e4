// Line profile window (least form).
#include "base/slog.h"
#include "tools/ui_results.h"

namespace {
UiResultCall s_last;
}

void ui_prof_activate(TK_OBJ, const char* path, TkPoint start, TkPoint end, const char*) {
  ++s_last.calls;
  s_last.start = start, s_last.end = end, s_last.path = path ? path : "";
  SLOG("ui_prof_activate", SLOG_VALUE4, "<%s> (%d,%d)-(%d,%d)", s_last.path.c_str(), start.x,
       start.y, end.x, end.y);
}

const UiResultCall& ui_prof_last() { return s_last; }
