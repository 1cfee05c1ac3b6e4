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

// What a graph window (dendrogram or contig map) keeps, attached to the window: its tree record
// (freed with the window), the matrix it reads and the host's operations.
struct GRAPH_WIN {
  DNDR_REC* rec;
  const MATCH_MATRIX* mr;
  DNDR_HOST host;
  int area_part;        // index of the drawing area
  int label_width = 0;  // widest label (contig map)
};
GRAPH_WIN* graph_win_state(TK_OBJ w);  // from the window or any of its parts; null when none
TK_OBJ graph_win_area(TK_OBJ w);
int graph_text_height(TK_OBJ area);
// The printable width of the page set-up (its height when the page is turned) in the area's
// pixels: the width of a graph's picture, so that it prints a page wide.
int graph_page_width(TK_OBJ area, bool turned);
// The procedures both graph windows share: a button that closes, a button that prints the
// drawing area to the export folder, and the window's own (the close box ends it; its end tells
// the host and frees the state).
long graph_close_nfy(TK_OBJ w, int event);
long graph_print_nfy(TK_OBJ w, int event);
long graph_win_nfy(TK_OBJ win, int event);
// The close box of these windows and of the matrix and lane map windows ends the window; true
// when the event was that request.
bool graph_close_box(TK_OBJ win, int event);
// A press in the drawing area hands the lane of the leaf under it to the host's row operation.
void graph_click(TK_OBJ area);

// Opens the window for the matrix (which must outlive it) and the rule.
TK_OBJ dndr_activate(TK_OBJ owner, const MATCH_MATRIX* mr, DNDR_LINK_FN rule,
                     const DNDR_HOST& host);
// Title of the window of a rule.
const char* dndr_title(DNDR_LINK_FN rule);
// The window's record (from its drawing area), for tests.
DNDR_REC* dndr_win_record(TK_OBJ win);
