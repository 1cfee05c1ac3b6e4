// Choosers: the open-file dialog (one file or several) and the folder chooser, over Qt's file
// dialogs. TK_InstallBaseHooks hands them to the base library's choosers (base/ks_choose.h).
#pragma once

#include <string>
#include <vector>

#include "base/ks_choose.h"

// Runs the open-file dialog. Returns the full paths picked (empty on cancel); *chosen_filter
// (may be null) receives the filter index left selected.
std::vector<std::string> CHOOSE_OpenFiles(const KsOpenFileRequest& req, int* chosen_filter);
// Folder chooser: the folder picked ("" on cancel). Only folders can be picked; with may_create
// a name that does not exist yet may be typed.
std::string CHOOSE_Folder(const char* title, const char* start, bool may_create);
