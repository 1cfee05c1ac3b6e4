// Lane characteristics (a category name and this lane's value in it) and lane selections: a table
// of up to 20 condition lines on a lane's labelled characteristics, met when every line is met.
//
// Selection line: comma-separated tokens; the first is the category, the others are values. A
// token starting with '!' is negated. Double quotes are dropped; a token holds at most 19
// characters (a longer one is cut there, the next character is skipped and reading goes on with
// the rest as the next token). Blanks and tabs after a comma and at the start of the line are
// skipped; blanks before a comma belong to the token. Empty tokens are skipped.
#pragma once

#include "base/kstypes.h"

struct LANE;

struct LANECHAR {
  char name[21];   // category name, NUL-terminated
  char value[21];  // the lane's value in that category
};

inline constexpr int LN_SEL_SLOTS = 20;
inline constexpr int LN_SEL_TOKEN_MAX = 19;

// Allocates a 20-slot table into *table and fills it with the first 20 lines of the file (each
// slot an owned copy, without its line end; slots past the end of the file stay NULL). 0, or -1
// when the file cannot be opened (the table is still handed out, all slots NULL) or the table
// cannot be allocated (*table NULL).
int ln_read_lanesel(const char* path, char*** table);
// Does the lane meet every line of the table? A lane without labelled characteristics meets none.
BOOL ln_meet_lanesel(const LANE* lane, char** table);
// Does the lane meet one selection line? (slot only names the line in the trace.)
BOOL ln_match_one_char(const LANE* lane, int slot, const char* line);
void ln_free_lanesel(char** table);
