// Triangulated network over a set of points (bands): greedy triangulation by shortest edges
// without crossings or too-flat triangles, the triangle that holds a point, and the standard
// value inside a triangle of three standard points (linear, logarithmic or exponential).
#pragma once

#include "model/spot.h"
#include "model/std_list.h"

// One triangle of the network: its centroid (integer division of the vertex sums by 3), the
// signed identifiers of its vertices (the band's net_id, negated when SP_F1_NET_NEG is set) and
// the vertex bands.
struct NW_TRIANGLE {
  int cx, cy;
  int id[3];
  SPOT* node[3];
};

// Key of the edge sort: the edge length (0), |dx| (1) or |dy| (2).
enum : int { NW_KEY_LENGTH = 0, NW_KEY_DX = 1, NW_KEY_DY = 2 };

// Builds the network over n nodes; triangles whose largest angle exceeds 180 - angle degrees are
// rejected. *out receives a NULL-terminated array (free with nw_net_free_triangles), or NULL when
// memory runs out. Returns the triangle count.
int nw_net_calc_network(SPOT* const* nodes, int n, double angle, int key_mode,
                        NW_TRIANGLE*** out);
// Copies n triangles into a new NULL-terminated array, each vertex resolved to the node of
// `nodes` with the same signed identifier (NULL when none), centroids recomputed. 1, or 6 when
// memory runs out.
int nw_net_copy_triangles(NW_TRIANGLE* const* tri, int n, SPOT* const* nodes, int n_nodes,
                          NW_TRIANGLE*** out);
// The first triangle that contains the band's position, else the one with the nearest centroid
// (the first of equals); NULL when there is none.
void nw_net_find_triangle(const SPOT* band, NW_TRIANGLE* const* tri, int n, NW_TRIANGLE** out);
// Frees every triangle and the array, and sets *arr to NULL.
void nw_net_free_triangles(NW_TRIANGLE*** arr);

// Signed identifier of a network node.
int nw_net_signed_id(const SPOT* node);

// Value at (x, y) inside the triangle of the standard points a, b and c (their x, y and value)
// by the triangulated method: 5 Linear, 6 Logarithmic, 9 Exponential, others Linear. The
// no-value for a too-flat triangle or when no vertex order allows the evaluation.
double std_tint(double x, double y, const STD_MARKER* a, const STD_MARKER* b,
                const STD_MARKER* c, int method);
// The first marker whose x and y, rounded half up, equal (x, y); NULL when none.
STD_MARKER* std_tint_find_node(STD_LIST* list, int x, int y);
