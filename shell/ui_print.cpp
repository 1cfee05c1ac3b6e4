// The paper of printouts.
#include "shell/ui_print.h"

#include "base/slog.h"

namespace {
BOOL s_us_letter = FALSE;
}  // namespace

void ui_print_pagesetup(BOOL us_letter) {
  s_us_letter = us_letter ? TRUE : FALSE;
  SLOG("ui_print_pagesetup", SLOG_VALUE4, "paper %s", s_us_letter ? "US letter" : "A4");
}

BOOL ui_print_us_letter() { return s_us_letter; }
