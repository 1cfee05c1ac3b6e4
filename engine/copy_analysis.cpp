// Copy Analysis: mapping an analysis from the source image's marker frame into the target's.
#include "engine/copy_analysis.h"

#include "base/ks_mem.h"
#include "base/slog.h"
#include "engine/full_pixels.h"
#include "engine/lane_profile.h"
#include "engine/std_network.h"
#include "model/lane.h"
#include "model/spot.h"
#include "model/std_list.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

const char* const kFn = "gt_xform_analysis";
// Triangles of the marker network flatter than this (largest angle above 180 - this, in
// degrees) are refused: the map would be ill-defined there.
constexpr double kNetAngle = 2.0;
constexpr int kProfilePercent = 50;
constexpr int kAnalysisCode = 407;

// A mapped position cut to a whole number. The map is computed in floating point, so a point
// that lands on a whole pixel may come out a hair below it; such a value is taken as that pixel
// rather than cut to the one before. A hair is the map's own rounding error: a few thousand
// units in the last place of the largest coordinate it works with (`scale`). Anything further
// from the whole number is a real fraction of a pixel and is cut.
int32_t whole_pixel(double v, double scale) {
  // A position beyond the int range, or no number at all (a damaged stored marker), is no pixel:
  // it saturates, and so lies outside every image.
  if (!(v > INT32_MIN)) return INT32_MIN;
  if (!(v < INT32_MAX)) return INT32_MAX;
  constexpr double kUlps = 4096.0;
  const double hair = kUlps * std::numeric_limits<double>::epsilon() * std::max(scale, std::fabs(v));
  const double r = std::nearbyint(v);
  if (std::fabs(v - r) <= hair) return static_cast<int32_t>(r);
  return static_cast<int32_t>(v);
}

// The marker network and the two value lists over the source markers.
struct Frame {
  SPOT src[3]{};
  SPOT* nodes[3]{};
  NW_TRIANGLE** tri = nullptr;
  int ntri = 0;
  STD_LIST* to_x = nullptr;  // value of each source marker: its target x
  STD_LIST* to_y = nullptr;  // and its target y
  double scale = 1.0;        // the largest marker coordinate, at least 1

  ~Frame() {
    nw_net_free_triangles(&tri);
    if (to_x) std_list_free(to_x);
    if (to_y) std_list_free(to_y);
  }

  bool build(const int source[3][2], const int target[3][2]) {
    for (int i = 0; i < 3; ++i)
      for (int k = 0; k < 2; ++k)
        scale = std::max({scale, std::fabs(double(source[i][k])), std::fabs(double(target[i][k]))});
    for (int i = 0; i < 3; ++i) {
      src[i].number = i + 1;
      src[i].net_id = i + 1;
      src[i].x = source[i][0];
      src[i].y = source[i][1];
      nodes[i] = &src[i];
    }
    ntri = nw_net_calc_network(nodes, 3, kNetAngle, NW_KEY_LENGTH, &tri);
    if (ntri <= 0 || !tri) {
      SLOG(kFn, SLOG_ERROR, "%s", "the markers make no triangle");
      return false;
    }
    to_x = std_list_create();
    to_y = std_list_create();
    if (!to_x || !to_y) return false;
    to_x->int_method = to_y->int_method = 5;
    for (int i = 0; i < 3; ++i) {
      STD_MARKER m{};
      m.x = source[i][0];
      m.y = source[i][1];
      m.ix = source[i][0];
      m.iy = source[i][1];
      m.lane_num = 0;
      m.row_num = 0;
      m.flags = STD_M_VALID;
      m.value = target[i][0];
      if (!std_list_append(to_x, &m)) return false;
      m.value = target[i][1];
      if (!std_list_append(to_y, &m)) return false;
    }
    return true;
  }

  // Maps a point. A point whose triangle's vertices cannot be found keeps its position.
  void map(int x, int y, double* nx, double* ny) {
    *nx = x;
    *ny = y;
    SPOT q{};
    q.x = x;
    q.y = y;
    NW_TRIANGLE* t = nullptr;
    nw_net_find_triangle(&q, tri, ntri, &t);
    if (!t) return;
    STD_MARKER* a[3];
    STD_MARKER* b[3];
    for (int k = 0; k < 3; ++k) {
      if (!t->node[k]) return;
      a[k] = std_tint_find_node(to_x, t->node[k]->x, t->node[k]->y);
      b[k] = std_tint_find_node(to_y, t->node[k]->x, t->node[k]->y);
      if (!a[k] || !b[k]) return;
    }
    *nx = std_tint(x, y, a[0], a[1], a[2], 5);
    *ny = std_tint(x, y, b[0], b[1], b[2], 5);
  }

  // A position cut to a whole number, a point (x, y) mapped by this frame in mind.
  int32_t whole(double v) const { return whole_pixel(v, scale); }
};

// The image's pixels. A mapped position is cut to whole numbers before it is checked, so a point
// that maps a fraction of a pixel before the first row or column lands on it.
struct Bounds {
  int w, h;
  bool inside(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < w && y < h; }
};

// Maps every marker of a list; false when one lands outside the image.
bool map_markers(Frame& f, const Bounds& b, STD_LIST* list) {
  if (!list || !list->records) return true;
  for (int i = 0; i < list->count; ++i) {
    STD_MARKER& m = list->records[i];
    // A stored position that is no pixel at all (a damaged file) cannot be mapped.
    if (!(std::fabs(m.x) < INT32_MAX) || !(std::fabs(m.y) < INT32_MAX)) {
      SLOG(kFn, SLOG_ERROR, "marker %d at (%g, %g) is no pixel", i, m.x, m.y);
      return false;
    }
    double nx, ny;
    f.map(f.whole(m.x), f.whole(m.y), &nx, &ny);
    if (!b.inside(f.whole(nx), f.whole(ny))) {
      SLOG(kFn, SLOG_ERROR, "marker %d maps to (%.1f, %.1f), outside", i, nx, ny);
      return false;
    }
    m.x = nx;
    m.y = ny;
    m.ix = static_cast<int32_t>(std::floor(nx + 0.5));
    m.iy = static_cast<int32_t>(std::floor(ny + 0.5));
  }
  list->clean = 0;
  return true;
}

// Empties a feature list, making its head node when the lane has none.
bool empty_feat(LN_FEAT*& head) {
  if (head) {
    ln_free_feat_list(head);
    return true;
  }
  head = ln_make_feat_node();
  return head != nullptr;
}

}  // namespace

int gt_xform_analysis(IMAGE_REC* im, const int target_pts[3][2], LnPixels& px) {
  SLOG(kFn, SLOG_ENTRY, "%s", "");
  if (!im || !target_pts || !im->has_lanes || !im->lanes || !im->lanes->next || !im->img_info) {
    SLOG(kFn, SLOG_EXIT, "%s", "no lanes or no image header, -1");
    return -1;
  }
  const Bounds bounds{im->img_info->width, im->img_info->height};
  Frame frame;
  if (!frame.build(im->mark_pts, target_pts)) {
    SLOG(kFn, SLOG_EXIT, "%s", "no marker frame, -1");
    return -1;
  }

  std::vector<LANE*> lanes;
  for (LANE* l = im->lanes->next; l; l = l->next) {
    if (!empty_feat(l->baseline) || !empty_feat(l->peak) || !empty_feat(l->valley) ||
        !empty_feat(l->infl_pt)) {
      SLOG(kFn, SLOG_EXIT, "%s", "feature list head, -1");
      return -1;
    }
    l->num_base_ptrs = 0;
    l->num_data_values = 0;
    ks_free(l->data_values);
    l->data_values = nullptr;
    ks_free(l->baseline_values);
    l->baseline_values = nullptr;
    for (int p = 0; p < l->num_center_points && l->center_coords; ++p) {
      LN_POINT& c = l->center_coords[p];
      double nx, ny;
      frame.map(c.x, c.y, &nx, &ny);
      c.x = frame.whole(nx);
      c.y = frame.whole(ny);
      if (!bounds.inside(c.x, c.y)) {
        SLOG(kFn, SLOG_EXIT, "lane %d point %d maps to (%.1f, %.1f), outside, -1", l->lane_number,
             p, nx, ny);
        return -1;
      }
    }
    lanes.push_back(l);
  }

  for (LANE* l : lanes) l->f |= LN_F_SELECTED;
  const int n = static_cast<int>(lanes.size());
  im->num_sel_lanes = n;
  if (!ln_pixels_profiles(px, lanes.data(), n, kProfilePercent)) {
    SLOG(kFn, SLOG_EXIT, "%s", "the target's profiles cannot be built, -1");
    return -1;
  }
  ln_calc_lane_baselines(lanes.data(), n, kAnalysisCode);
  for (LANE* l : lanes) ln_calc_baseline(l);

  const int tiers = im->lane_hdr ? im->lane_hdr->num_tiers : 0;
  for (int t = 0; t < tiers && im->size_stdp; ++t) {
    if (!map_markers(frame, bounds, im->size_stdp[t])) {
      SLOG(kFn, SLOG_EXIT, "size standards of tier %d, -1", t);
      return -1;
    }
  }

  const bool carry = std::getenv("VX_NDI_BANDS") != nullptr;
  SLOG(kFn, SLOG_VALUE4, "VX_NDI_BANDS %s", carry ? "set" : "not set");
  if (carry) {
    if (im->conc_stdp && !map_markers(frame, bounds, *im->conc_stdp)) {
      SLOG(kFn, SLOG_EXIT, "%s", "concentration standards, -1");
      return -1;
    }
    for (SPOT* s = im->bands ? im->bands->next : nullptr; s; s = s->next) {
      double nx, ny;
      frame.map(s->x, s->y, &nx, &ny);
      if (!bounds.inside(frame.whole(nx), frame.whole(ny))) {
        SLOG(kFn, SLOG_EXIT, "band (%d, %d) maps outside, -1", s->x, s->y);
        return -1;
      }
      s->x = frame.whole(nx);
      s->y = frame.whole(ny);
      for (int k = 0; k < SP_BOUNDS; ++k) {
        if (s->bound_x[k] == -1 || s->bound_y[k] == -1) continue;
        frame.map(s->bound_x[k], s->bound_y[k], &nx, &ny);
        if (!bounds.inside(frame.whole(nx), frame.whole(ny))) {
          SLOG(kFn, SLOG_EXIT, "bound point %d of band (%d, %d) maps outside, -1", k, s->x, s->y);
          return -1;
        }
        s->bound_x[k] = frame.whole(nx);
        s->bound_y[k] = frame.whole(ny);
      }
    }
  } else {
    if (im->conc_stdp) {
      STD_LIST* fresh = std_list_create();
      if (!fresh) {
        SLOG(kFn, SLOG_EXIT, "%s", "no memory for the concentration list, -1");
        return -1;
      }
      if (*im->conc_stdp) std_list_free(*im->conc_stdp);
      *im->conc_stdp = fresh;
    }
    if (im->bands && im->bands->next) {
      SPOT* head = ks_new_rec<SPOT>();
      if (!head) {
        ks_dbg_null_ptr(kFn, "bands");
        SLOG(kFn, SLOG_EXIT, "%s", "no memory for the band chain, -1");
        return -1;
      }
      if (im->band_hdr) {
        im->band_hdr->norm_band_ii = 0.0;
        for (double& d : im->band_hdr->hdr_d) d = 0.0;
        im->band_hdr->nrec = 0;
        im->band_hdr->nadds = 0;
        im->band_hdr->ndels = 0;
      }
      ln_free_bands(im->bands);
      im->bands = head;
      // The band tools' pointers into the old chain.
      for (SPOT*& p : im->sel_list) p = nullptr;
      im->num_sel_bands = 0;
      im->cur_band = nullptr;
      im->axes_band = nullptr;
      im->bounds_band = nullptr;
    }
  }
  SLOG(kFn, SLOG_EXIT, "%s", "0");
  return 0;
}
