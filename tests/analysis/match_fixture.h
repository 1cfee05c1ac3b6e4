// Gels built in memory for the matching tests: vertical lanes of rows 0..100 at x = 100 * number,
// bands placed at a row of a lane with a size and an amount.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "analysis/vx_match.h"
#include "base/ks_mem.h"
#include "model/control.h"
#include "model/lane.h"
#include "model/spot.h"

namespace matchtest {

class Gel {
 public:
  explicit Gel(const std::string& name) {
    head_ = ln_make_lane();
    bands_ = sp_make_spot();
    std::snprintf(img_.name, sizeof img_.name, "%s", name.c_str());
    std::snprintf(img_.path, sizeof img_.path, "/gels/%s.kes", name.c_str());
    img_.lanes = head_;
    img_.bands = bands_;
  }
  ~Gel() {
    ln_free_lanes(head_);
    ln_free_bands(bands_);
  }
  Gel(const Gel&) = delete;
  Gel& operator=(const Gel&) = delete;

  // A lane from row top to row bottom (the two centre points).
  LANE* lane(int number, int top = 0, int bottom = 100, const char* name = nullptr) {
    LANE* l = ln_make_lane();
    l->lane_number = number;
    l->left_width = l->right_width = 10;
    l->num_center_points = 2;
    l->center_coords = static_cast<LN_POINT*>(ks_alloc_msg(2 * sizeof(LN_POINT)));
    l->center_coords[0] = {100 * number, top};
    l->center_coords[1] = {100 * number, bottom};
    std::snprintf(l->lane_name, sizeof l->lane_name, "%s", name ? name : "");
    LANE* t = head_;
    while (t->next) t = t->next;
    t->next = l;
    return l;
  }
  SPOT* band(int lane_number, int row, double size = 0, double amount = 0) {
    SPOT* s = sp_make_spot();
    s->x = 100 * lane_number;
    s->y = row;
    s->size = size;
    s->amount = amount;
    SPOT* t = bands_;
    while (t->next) t = t->next;
    t->next = s;
    return s;
  }
  // A lane with bands at the given rows (sizes when given).
  LANE* lane_with(int number, const std::vector<int>& rows, const std::vector<double>& sizes = {}) {
    LANE* l = lane(number);
    for (std::size_t i = 0; i < rows.size(); ++i)
      band(number, rows[i], i < sizes.size() ? sizes[i] : 0.0);
    return l;
  }
  MATCH_IMAGE& image() { return img_; }

 private:
  LANE* head_;
  SPOT* bands_;
  MATCH_IMAGE img_{};
};

// The results of one call, freed with it.
struct MatchRun {
  MATCH_REQUEST req{};
  LANE_MATCH** res = nullptr;
  int rc = 0;
  ~MatchRun() {
    vx_free_matches(res, req.num_results);
    ks_free(req.ref_bands);
  }
  const LANE_MATCH* lane(int number) const {
    for (int i = 0; i < req.num_results; ++i)
      if (res[i]->lane_number == number) return res[i];
    return nullptr;
  }
};

inline CONTROL plain_control(double size_tol = 5) {
  CONTROL c{};
  c.match_tol[0] = size_tol;
  return c;
}

// Matches lane ref_number of ref against the images, with the given threshold and method.
inline void run(MatchRun& r, Gel& ref, int ref_number, std::vector<MATCH_IMAGE> images,
                const CONTROL& ctl, double threshold = 0, int method = 0,
                double spacing = 0, double volume = 0, int limit = 100) {
  std::snprintf(r.req.name, sizeof r.req.name, "%s", ref.image().name);
  r.req.ref_lane_number = ref_number;
  r.req.threshold = threshold;
  r.req.method = static_cast<int16_t>(method);
  r.req.spacing_tol = spacing;
  r.req.volume_tol = volume;
  r.req.band_count_limit = limit;
  r.rc = vx_match_lanes(&r.req, &r.res, nullptr, 0, 0, &ref.image(), images.data(),
                        static_cast<int>(images.size()), 0, &ctl, 0);
}

}  // namespace matchtest
