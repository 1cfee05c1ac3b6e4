// The contig map window: the lanes of a match matrix as bars in the leaf order of its
// average-linkage tree, consecutive lanes at or above the slider's similarity threshold
// overlapping by their similarity within one numbered contig.
#pragma once

#include "analysis/dndr_win.h"

TK_OBJ cntg_activate(TK_OBJ owner, const MATCH_MATRIX* mr, const DNDR_HOST& host);
DNDR_REC* cntg_win_record(TK_OBJ win);
int cntg_threshold(TK_OBJ win);
