// The band report window: shows one band report in the text or the table layout, lets the
// user switch layouts, configure, print, save as text or CSV and copy table cells. One window
// at a time; a new report reuses the open window.
#pragma once

#include <string>
#include <vector>

#include "analysis/rep_engine.h"
#include "toolkit/tk_types.h"

// Opens or refreshes the window for a report of `type`. `match` (types 3 and 4) and `paths`
// (type 2) are copied: the caller keeps and frees its own. An All Lanes run that the user
// cancels leaves no window.
void band_rep_activate(int type, const RepMatch* match, const std::vector<std::string>& paths);
// Closes the window when it is open.
void band_rep_dismiss();
// The open window, null when closed (for tests).
TK_OBJ band_rep_window();
// The report the window shows (for tests): its text and its grid.
const std::string& band_rep_text();
const std::vector<std::vector<std::string>>& band_rep_grid();
