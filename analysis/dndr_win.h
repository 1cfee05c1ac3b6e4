// The dendrogram window: the tree of a match matrix by one clustering rule, its leaves labelled
// with their lanes (and, when the caller draws band patterns, each lane's bands beside its
// label), the match parameters above it and a similarity axis along the bottom of the view.
// A click on a leaf hands its lane to the caller's row operation.
#pragma once

#include "analysis/dndr.h"
#include "toolkit/tk_types.h"

struct MATCH_MATRIX;

// What the window asks of the window that opened it: the band pattern of a lane in a box, and
// what a click on a lane does. Either may be null (no band column; clicks do nothing).
struct DNDR_HOST {
  void* illustration = nullptr;
  void (*draw_bands)(TK_OBJ w, void* illustration, int row, int x0, int x1, int y0, int y1) =
      nullptr;
  void (*row_op)(const MATCH_MATRIX* mr, int row) = nullptr;
  void (*closed)(TK_OBJ win, void* owner_data) = nullptr;  // told when the window goes away
  void* owner_data = nullptr;
};

// Opens the window for the matrix (which must outlive it) and the rule.
TK_OBJ dndr_activate(TK_OBJ owner, const MATCH_MATRIX* mr, DNDR_LINK_FN rule,
                     const DNDR_HOST& host);
// Title of the window of a rule.
const char* dndr_title(DNDR_LINK_FN rule);
// The window's record (from its drawing area), for tests.
DNDR_REC* dndr_win_record(TK_OBJ win);
