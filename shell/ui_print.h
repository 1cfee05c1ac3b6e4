// Printing set-up: the paper that printouts use, chosen once at start-up from the ini entry
// Locale (US letter in the US, A4 elsewhere).
#pragma once

#include "base/kstypes.h"

void ui_print_pagesetup(BOOL us_letter);  // US letter when TRUE, A4 otherwise
BOOL ui_print_us_letter();                // the paper chosen (A4 until set up)
