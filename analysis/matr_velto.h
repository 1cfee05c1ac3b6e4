// The match file of an all-lanes match, which the dendrogram viewer reads (analysis/matr_launch.h
// starts it).
//
// The file: line 1 "VELTO, method, four tolerances, size unit", line 2 the lane count, then one
// line per matrix row: the quoted label, the similarities with every earlier row ("%5.1f,") and,
// when the lane map has sizes, the lane's band sizes in brackets. Numbers are written in the C
// notation whatever the locale.
#pragma once

#include <cstddef>
#include <string>

#include "base/kstypes.h"

struct MATCH_MATRIX;
struct LANE_MAP;

// Method name written for a method code: Jaccard, Dice, Percent-of-reference, else unknown.
const char* matr_method_name(int code);
// The text of the match file (the size unit is the one the file names).
std::string matr_match_file_text(const MATCH_MATRIX* mr, const LANE_MAP* map,
                                 const char* size_unit);

// Asks where to keep the results ("Save Match Results..."); uses the answer when the match
// parameters keep results, else a new temporary file "Match*.csv" in the system's temporary
// folder. Writes the file whole (a failed write keeps no half file): TRUE and the path in
// path_buf, or FALSE with ui_msg 244 and path_buf empty.
BOOL save_match_results_for_velto(const MATCH_MATRIX* mr, char* path_buf, std::size_t cap,
                                  const LANE_MAP* map);

