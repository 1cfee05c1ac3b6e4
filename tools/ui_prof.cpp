// Line profile window (least form) and the note that every least result window keeps.
#include "base/slog.h"
#include "tools/ui_results.h"

namespace {
UiResultCall s_last;
}

void ui_result_note(UiResultCall* call, const char* fn, const char* path, TkPoint start, TkPoint end) {
  ++call->calls;
  call->start = start, call->end = end, call->path = path ? path : "";
  SLOG(fn, SLOG_VALUE4, "<%s> (%d,%d)-(%d,%d)", call->path.c_str(), start.x, start.y, end.x, end.y);
}

void ui_prof_activate(TK_OBJ, const char* path, TkPoint start, TkPoint end, const char*) {
  ui_result_note(&s_last, "ui_prof_activate", path, start, end);
}

const UiResultCall& ui_prof_last() { return s_last; }
