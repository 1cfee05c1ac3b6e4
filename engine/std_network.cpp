#include "engine/std_network.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "base/ks_mem.h"
#include "base/slog.h"
#include "engine/lane_geometry.h"
#include "engine/std_numeric.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Largest angle a triangle may have, in radians; set for one build.
double s_angle_limit = kPi;

struct Line {
  const SPOT* a;  // smaller x first, then smaller y
  const SPOT* b;
  double length;  // -1.0: discarded
  double key;
};

// Edge equation: dx = a.x - b.x, dy = a.y - b.y, c = b.y * dx - b.x * dy. The sign of
// dy * p.x + c - p.y * dx tells the side of p (positive: below the line); 0 on the line.
double side(const SPOT* a, const SPOT* b, double px, double py) {
  const double dx = static_cast<double>(a->x) - b->x;
  const double dy = static_cast<double>(a->y) - b->y;
  const double c = b->y * dx - b->x * dy;
  return dy * px + c - py * dx;
}

bool lines_cross(const Line& l, const Line& m) {
  if (l.a == m.a || l.a == m.b || l.b == m.a || l.b == m.b) return false;
  const double s1 = side(l.a, l.b, m.a->x, m.a->y), s2 = side(l.a, l.b, m.b->x, m.b->y);
  const double s3 = side(m.a, m.b, l.a->x, l.a->y), s4 = side(m.a, m.b, l.b->x, l.b->y);
  if (!((s1 < 0 && s2 > 0) || (s1 > 0 && s2 < 0))) return false;
  if (!((s3 < 0 && s4 > 0) || (s3 > 0 && s4 < 0))) return false;
  const int lx0 = std::min(l.a->x, l.b->x), lx1 = std::max(l.a->x, l.b->x);
  const int ly0 = std::min(l.a->y, l.b->y), ly1 = std::max(l.a->y, l.b->y);
  const int mx0 = std::min(m.a->x, m.b->x), mx1 = std::max(m.a->x, m.b->x);
  const int my0 = std::min(m.a->y, m.b->y), my1 = std::max(m.a->y, m.b->y);
  return lx0 <= mx1 && mx0 <= lx1 && ly0 <= my1 && my0 <= ly1;
}

bool node_before(const SPOT* p, const SPOT* q) {
  return p->x < q->x || (p->x == q->x && p->y < q->y);
}

// Inside (or on an edge of) the triangle p0 p1 p2: on the side of each edge that holds the
// opposite vertex, a point on the edge's line counting as on that side.
bool in_triangle(const SPOT* const v[3], double px, double py) {
  for (int e = 0; e < 3; ++e) {
    const SPOT* a = v[e];
    const SPOT* b = v[(e + 1) % 3];
    const SPOT* o = v[(e + 2) % 3];
    const double sp = side(a, b, px, py);
    const double so = side(a, b, o->x, o->y);
    if (sp == 0.0) continue;
    if ((sp > 0) != (so > 0)) return false;
  }
  return true;
}

bool angles_ok(const SPOT* p, const SPOT* q, const SPOT* r) {
  const double a = std::fabs(std::hypot(double(q->x) - r->x, double(q->y) - r->y));
  const double b = std::fabs(std::hypot(double(p->x) - r->x, double(p->y) - r->y));
  const double c = std::fabs(std::hypot(double(p->x) - q->x, double(p->y) - q->y));
  if (a == 0.0 || b == 0.0 || c == 0.0) return false;
  auto angle = [](double opp, double s1, double s2) {
    const double cs = std::clamp((s1 * s1 + s2 * s2 - opp * opp) / (2.0 * s1 * s2), -1.0, 1.0);
    return std::acos(cs);
  };
  const double largest = std::max({angle(a, b, c), angle(b, a, c), angle(c, a, b)});
  return largest <= s_angle_limit;
}

void centroid(NW_TRIANGLE* t) {
  if (!t->node[0] || !t->node[1] || !t->node[2]) {
    t->cx = t->cy = 0;
    return;
  }
  t->cx = (t->node[0]->x + t->node[1]->x + t->node[2]->x) / 3;
  t->cy = (t->node[0]->y + t->node[1]->y + t->node[2]->y) / 3;
}

// Growable NULL-terminated triangle array: 20 slots, then 20 more at a time.
struct TriArray {
  NW_TRIANGLE** arr = nullptr;
  int cap = 0;
  int n = 0;
  bool add(NW_TRIANGLE* t) {
    if (n + 1 >= cap) {
      const int ncap = cap + 20;
      auto** grown = static_cast<NW_TRIANGLE**>(ks_alloc_msg(sizeof(NW_TRIANGLE*) * ncap));
      if (!grown) return false;
      if (arr) std::memcpy(grown, arr, sizeof(NW_TRIANGLE*) * static_cast<size_t>(n));
      ks_free(arr);
      arr = grown;
      cap = ncap;
    }
    arr[n++] = t;
    return true;
  }
};

void free_array(NW_TRIANGLE** arr) {
  if (!arr) return;
  for (int i = 0; arr[i]; ++i) ks_free(arr[i]);
  ks_free(arr);
}

struct XYV {
  double x, y, v;
};

}  // namespace

int nw_net_signed_id(const SPOT* node) {
  return (node->f1 & SP_F1_NET_NEG) ? -node->net_id : node->net_id;
}

int nw_net_calc_network(SPOT* const* nodes, int n, double angle, int key_mode,
                        NW_TRIANGLE*** out) {
  SLOG("nw_net_calc_network", SLOG_ENTRY, "n %d, angle %f, mode %d", n, angle, key_mode);
  if (out) *out = nullptr;
  s_angle_limit = (180.0 - angle) * kPi / 180.0;
  if (!nodes || n < 3 || !out) return 0;
  std::vector<Line> lines;
  lines.reserve(static_cast<size_t>(n) * static_cast<size_t>(n - 1) / 2);
  for (int i = 0; i < n; ++i) {
    for (int j = i + 1; j < n; ++j) {
      Line l;
      l.a = nodes[i];
      l.b = nodes[j];
      if (node_before(l.b, l.a)) std::swap(l.a, l.b);
      const double dx = static_cast<double>(l.a->x) - l.b->x;
      const double dy = static_cast<double>(l.a->y) - l.b->y;
      l.length = std::hypot(dx, dy);
      l.key = key_mode == NW_KEY_DX ? std::fabs(dx) : key_mode == NW_KEY_DY ? std::fabs(dy)
                                                                            : l.length;
      lines.push_back(l);
    }
  }
  std::stable_sort(lines.begin(), lines.end(),
                   [](const Line& p, const Line& q) { return p.key < q.key; });
  std::vector<Line> accepted;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].length == -1.0) continue;
    accepted.push_back(lines[i]);
    for (size_t j = i + 1; j < lines.size(); ++j) {
      if (lines[j].length != -1.0 && lines_cross(lines[i], lines[j])) lines[j].length = -1.0;
    }
  }
  std::stable_sort(accepted.begin(), accepted.end(), [](const Line& p, const Line& q) {
    return node_before(p.a, q.a);
  });

  TriArray tris;
  bool failed = false;
  const size_t na = accepted.size();
  for (size_t i = 0; i < na && !failed; ++i) {
    const SPOT* P = accepted[i].a;
    for (size_t j = i + 1; j < na && !failed; ++j) {
      if (accepted[j].a->x != P->x) break;
      if (accepted[j].a != P) continue;
      const SPOT* S = accepted[i].b;
      const SPOT* T = accepted[j].b;
      if (node_before(T, S)) std::swap(S, T);
      bool closed = false;
      for (size_t k = j + 1; k < na; ++k) {
        if (accepted[k].a == S && accepted[k].b == T) {
          closed = true;
          break;
        }
      }
      if (!closed) continue;
      if (!angles_ok(P, S, T)) continue;
      const SPOT* v[3] = {P, S, T};
      bool holds_vertex = false;
      for (int t = 0; t < tris.n && !holds_vertex; ++t) {
        for (int k = 0; k < 3; ++k) {
          const SPOT* q = tris.arr[t]->node[k];
          if (q == P || q == S || q == T) continue;
          if (in_triangle(v, q->x, q->y)) {
            holds_vertex = true;
            break;
          }
        }
      }
      if (holds_vertex) continue;
      auto* tri = static_cast<NW_TRIANGLE*>(ks_alloc_msg(sizeof(NW_TRIANGLE)));
      if (!tri) {
        ks_dbg_null_ptr("nw_net_calc_network", "tri_lines[idx]");
        failed = true;
        break;
      }
      for (int k = 0; k < 3; ++k) {
        tri->node[k] = const_cast<SPOT*>(v[k]);
        tri->id[k] = nw_net_signed_id(v[k]);
      }
      if (!tris.add(tri)) {
        ks_free(tri);
        ks_dbg_null_ptr("nw_net_calc_network", "tri_lines");
        failed = true;
      }
    }
  }
  if (failed) {
    free_array(tris.arr);
    return 0;
  }
  for (int t = 0; t < tris.n; ++t) centroid(tris.arr[t]);
  *out = tris.arr;
  SLOG("nw_net_calc_network", SLOG_EXIT, "%d triangles", tris.n);
  return tris.n;
}

int nw_net_copy_triangles(NW_TRIANGLE* const* tri, int n, SPOT* const* nodes, int n_nodes,
                          NW_TRIANGLE*** out) {
  if (!out) return 6;
  *out = nullptr;
  const int cnt = std::max(n, 0);
  auto** arr = static_cast<NW_TRIANGLE**>(ks_alloc_msg(sizeof(NW_TRIANGLE*) * (cnt + 1)));
  if (!arr) return 6;
  for (int i = 0; i < cnt; ++i) {
    auto* t = static_cast<NW_TRIANGLE*>(ks_alloc_msg(sizeof(NW_TRIANGLE)));
    if (!t) {
      free_array(arr);
      return 6;
    }
    *t = *tri[i];
    for (int k = 0; k < 3; ++k) {
      t->node[k] = nullptr;
      for (int j = 0; j < n_nodes; ++j) {
        if (nodes[j] && nw_net_signed_id(nodes[j]) == t->id[k]) {
          t->node[k] = nodes[j];
          break;
        }
      }
    }
    centroid(t);
    arr[i] = t;
  }
  *out = arr;
  return 1;
}

void nw_net_find_triangle(const SPOT* band, NW_TRIANGLE* const* tri, int n, NW_TRIANGLE** out) {
  if (!out) return;
  *out = nullptr;
  if (!band || !tri) return;
  for (int i = 0; i < n && tri[i]; ++i) {
    const NW_TRIANGLE* t = tri[i];
    if (!t->node[0] || !t->node[1] || !t->node[2]) continue;
    const SPOT* v[3] = {t->node[0], t->node[1], t->node[2]};
    if (in_triangle(v, band->x, band->y)) {
      *out = tri[i];
      return;
    }
  }
  int best = -1;
  int bd = 0;
  for (int i = 0; i < n && tri[i]; ++i) {
    const int d = mt_dist(band->x, band->y, tri[i]->cx, tri[i]->cy);
    if (best < 0 || d < bd) {
      bd = d;
      best = i;
    }
  }
  if (best >= 0) *out = tri[best];
}

void nw_net_free_triangles(NW_TRIANGLE*** arr) {
  if (!arr) return;
  free_array(*arr);
  *arr = nullptr;
}

double std_tint(double x, double y, const STD_MARKER* a, const STD_MARKER* b,
                const STD_MARKER* c, int method) {
  if (!a || !b || !c) return STD_NO_VALUE;
  const int m = method == STD_TRI_LOG ? STD_LOGARITHMIC
                : method == STD_TRI_EXP ? STD_EXPONENTIAL
                                        : STD_LINEAR;
  XYV A{a->x, a->y, a->value}, B{b->x, b->y, b->value}, C{c->x, c->y, c->value};
  constexpr double kFlat = 0.03490658503988659;   // 2 degrees
  constexpr double kTurn = 0.06981317007977318;   // 4 degrees
  // Each rotation takes (A, B, C) to (C, A, B); after three the order is back where it began.
  for (int rot = 0; rot < 3; ++rot) {
    if (A.v == B.v && B.v == C.v) return A.v;
    const double vert = C.y > y ? 1.0 : -1.0;
    const bool abV = A.x == B.x, cqV = C.x == x, acV = A.x == C.x;
    const double s_ab = abV ? vert : (B.y - A.y) / (B.x - A.x);
    const double s_cq = cqV ? vert : (y - C.y) / (x - C.x);
    const double s_ac = acV ? vert : (C.y - A.y) / (C.x - A.x);
    if (abV && acV) return STD_NO_VALUE;
    if (abV && std::fabs(s_ac) > 100) return STD_NO_VALUE;
    if (acV && !abV && std::fabs(s_ab) > 100) return STD_NO_VALUE;
    if (std::fabs(std::atan(s_ab) - std::atan(s_ac)) < kFlat) return STD_NO_VALUE;
    bool rotate = std::fabs(std::atan(s_ab) - std::atan(s_cq)) < kTurn;
    if (!rotate) rotate = abV ? (cqV || std::fabs(s_cq) > 100) : (cqV && std::fabs(s_ab) > 100);
    if (rotate) {
      const XYV t = C;
      C = B;
      B = A;
      A = t;
      continue;
    }
    double px, py;
    if (abV) {
      px = A.x;
      py = C.y + s_cq * (A.x - C.x);
    } else if (cqV) {
      px = C.x;
      py = A.y + s_ab * (px - A.x);
    } else {
      const double c_ab = A.y - s_ab * A.x;
      const double c_cq = C.y - s_cq * C.x;
      px = (c_ab - c_cq) / (s_cq - s_ab);
      py = s_ab * px + c_ab;
    }
    const double vp = abV ? std_linlog_interpolate(A.y, B.y, A.v, B.v, py, m)
                          : std_linlog_interpolate(A.x, B.x, A.v, B.v, px, m);
    if (std_is_no_value(vp)) return STD_NO_VALUE;
    const double v = cqV ? std_linlog_interpolate(C.y, py, C.v, vp, y, m)
                         : std_linlog_interpolate(C.x, px, C.v, vp, x, m);
    return std::isfinite(v) ? v : STD_NO_VALUE;
  }
  SLOG("std_tint", SLOG_WARN, "no vertex order evaluates (%f, %f)", x, y);
  return STD_NO_VALUE;
}

STD_MARKER* std_tint_find_node(STD_LIST* list, int x, int y) {
  if (!list) return nullptr;
  for (int i = 0; i < list->count; ++i) {
    STD_MARKER& m = list->records[i];
    if (std::floor(m.x + 0.5) == x && std::floor(m.y + 0.5) == y) return &m;
  }
  return nullptr;
}
