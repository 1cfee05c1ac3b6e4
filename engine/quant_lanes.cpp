// Many lanes' bands quantified at once, the lanes on worker threads. Everything a lane's
// quantification touches is its own (its bands, its view of the image) or the thread's own (the
// shared pixel windows and scratch of engine/quant.cpp); the lookup table is only read once the
// compatibility mode has been applied to it here.
#include "engine/quant_lanes.h"

#include <algorithm>
#include <vector>

#include "base/par_lanes.h"
#include "base/slog.h"
#include "toolkit/core/tk_image.h"

int ln_quant_lanes(const TkImage* whole, const IMG_INFO* header, const LnLaneBands* lanes, int n,
                   int row, IMG_INT_INFO* table, const LnQuantSeen& seen) {
  static const char* fn = "ln_quant_lanes";
  if (!lanes || n <= 0) return 0;
  if (!whole) return -1;
  std::vector<std::vector<int>> ok(static_cast<size_t>(n));
  std::vector<char> cut(static_cast<size_t>(n), 0);
  bool any = false;
  for (int i = 0; i < n; ++i) {
    if (!lanes[i].lane || !lanes[i].bands || lanes[i].n <= 0) continue;
    ok[static_cast<size_t>(i)].assign(static_cast<size_t>(lanes[i].n), 0);
    any = true;
  }
  if (!any) return 0;
  SLOG(fn, SLOG_ENTRY, "%d lanes, row %d", n, row);
  // Every quantification would apply it; applied once here, the workers find it done.
  mj_apply_od_compat(table);

  // A band listed under two lanes (lanes that overlap) is quantified with each in turn, the
  // last lane's result standing: such lists are worked one lane after the other.
  std::vector<const SPOT*> listed;
  for (int i = 0; i < n; ++i)
    if (lanes[i].lane && lanes[i].bands)
      listed.insert(listed.end(), lanes[i].bands, lanes[i].bands + std::max(lanes[i].n, 0));
  std::sort(listed.begin(), listed.end());
  const bool shared = std::adjacent_find(listed.begin(), listed.end()) != listed.end();

  auto one_lane = [&](int i) {
    const LnLaneBands& lb = lanes[i];
    if (!lb.lane || !lb.bands || lb.n <= 0) return;
    // The bands' windows are loaded straight from the image held: the lane's rectangle is not
    // copied.
    LANE_IMAGE img{};
    if (ln_view_lane_image(lb.lane, &img, header, whole, row) != 0) return;
    cut[static_cast<size_t>(i)] = 1;
    // The image is not changed while the lanes are quantified.
    img.serial = ln_lane_image_serial();
    std::vector<int>& flags = ok[static_cast<size_t>(i)];
    for (int k = 0; k < lb.n; ++k) {
      SPOT* b = lb.bands[k];
      flags[static_cast<size_t>(k)] = mj_doquant(b, lb.lane, &img, table, 1);
      // The result's window looks into this thread's shared window, which moves on with the
      // next band (and goes with the thread): only the bounds and status are kept.
      if (b->result) {
        qt_free_window(b->result->win);
        b->result->win = nullptr;
        b->result->source = nullptr;
      }
    }
    ln_free_lane_image(&img);
  };
  if (shared) {
    for (int i = 0; i < n; ++i) one_lane(i);
  } else {
    par_lanes(n, one_lane);
  }

  int done = 0;
  bool failed = false;
  for (int i = 0; i < n; ++i) {
    const LnLaneBands& lb = lanes[i];
    if (!lb.lane || !lb.bands || lb.n <= 0) continue;
    if (!cut[static_cast<size_t>(i)]) {
      failed = true;
      continue;
    }
    for (int k = 0; k < lb.n; ++k) {
      SPOT* b = lb.bands[k];
      const int q = ok[static_cast<size_t>(i)][static_cast<size_t>(k)];
      done += q != 0;
      if (seen) seen(i, b, q);
      mj_res_free(&b->result);
    }
  }
  SLOG(fn, SLOG_EXIT, "%d bands%s", done, failed ? ", a lane image failed" : "");
  return failed ? -1 : done;
}
