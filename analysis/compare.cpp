// The compare report's calls from the image windows.
#include "analysis/compare.h"

#include "base/slog.h"

void compare_update(int shift) {
  // No compare window can be open, so there is no report to extend.
  SLOG("compare_update", SLOG_VALUE4, "shift %d, no compare window", shift);
}

void compare_forget_image(const IMAGE_REC*) {}
