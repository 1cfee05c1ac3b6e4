// The match matrix window of an all-lanes match: writes the match file and starts the viewer on
// it, then shows the match parameters and the similarity of every pair of lanes as a picture
// (drawn only where it is in view) or a text list, exports and prints them, and opens one
// dendrogram window per clustering rule and one contig map window for the matrix. The window
// owns the matrix and the lane map and frees them (and closes its graph windows) when it ends.
#pragma once

#include "toolkit/tk_types.h"

struct MATCH_MATRIX;
struct LANE_MAP;

using MATR_DRAW_FN = void (*)(TK_OBJ w, const LANE_MAP* map, int row, int x0, int x1, int y0,
                              int y1);
using MATR_ROW_FN = void (*)(const MATCH_MATRIX* mr, int row);
using MATR_RELEASE_FN = void (*)(LANE_MAP* map);

// Opens the window for the matrix and its lane map (either given over to it); the operations
// may be null.
TK_OBJ matr_activate(TK_OBJ owner, MATCH_MATRIX* mr, LANE_MAP* map, MATR_DRAW_FN draw,
                     MATR_ROW_FN row_op, MATR_RELEASE_FN release);
// The program-wide path of the last match file written.
const char* matr_last_match_file();
// Opens the graph of a choice (1..4 a dendrogram by that rule, 5 the contig map), or brings the
// one already open forward; returns its window.
TK_OBJ matr_generate(TK_OBJ matrix_win, int choice);
const MATCH_MATRIX* matr_matrix(TK_OBJ matrix_win);
