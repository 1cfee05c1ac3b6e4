// vx-demo-analyse: analyses the demo workspace's gel as a user would with the default settings
// (lanes tracked in a block drawn around them, bands found in each lane) and saves the analysis
// beside the image, so that the demo opens an analysed gel. It also puts the gel first among the
// recent files of the preferences file, so that the File menu offers it.
// Usage: vx-demo-analyse IMAGE.kes LANES LEFT TOP RIGHT BOTTOM [PREFS.prf]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/ks_mem.h"
#include "engine/band_find.h"
#include "engine/lane_features.h"
#include "engine/lane_profile.h"
#include "engine/lane_track.h"
#include "io/analysis_io.h"
#include "io/image_rec_init.h"
#include "io/kes_image.h"
#include "model/control.h"
#include "model/lane.h"
#include "model/spot.h"
#include "toolkit/core/tk_image.h"

namespace {

int fail(const char* what) {
  std::fprintf(stderr, "vx-demo-analyse: %s\n", what);
  return 1;
}

// Tracks n lanes in the block and finds their bands; the lane list and band chain go to the
// image record. False when the block cannot be read or tracking fails.
bool analyse(IMAGE_REC* im, const char* path, int n, int left, int top, int right, int bottom) {
  const int W = right - left, H = bottom - top;
  const LN_POINT corners[4] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
  // The lane tool reads the block at full scale and reduces it by trunc(W / n / 20).
  const int f = std::max(1, static_cast<int>(W / n / 20.0));
  TkImage box;
  const int32_t rect[4] = {left, top, W, H};
  if (io_read_kestrin(path, &box, rect, 1.0) != 1) return false;
  TkImage reduced;
  const int rw = static_cast<int>(std::floor(W / double(f) + 0.5));
  const int rh = static_cast<int>(std::floor(H / double(f) + 0.5));
  if (!reduced.create(rw, rh, 1)) return false;
  for (int y = 0; y < rh; ++y)
    for (int x = 0; x < rw; ++x)
      reduced.row(y)[x] = box.row(std::min(y * f, H - 1))[std::min(x * f, W - 1)];

  LANE* head = im->lanes;
  LANE** link = &head->next;
  for (int i = 0; i < n; ++i) {
    *link = ln_make_lane();
    if (!*link) return false;
    (*link)->lane_number = i + 1;
    link = &(*link)->next;
  }
  if (ln_track_lanes(head, n, &reduced, H, W, 1, corners, f, 2, left, top) != 0) return false;

  std::vector<LANE*> lanes;
  for (LANE* l = head->next; l; l = l->next) {
    l->min_top_band_thick = l->min_bot_band_thick = 5;
    l->band_threshold = l->band_threshold2 = 0;
    l->max_detect = 0;
    l->pct_threshold = 20;
    l->max_angle = 30;
    l->bckgrnd_type = 1;
    l->f |= LN_F_TOOL_MARK;  // confirmed: its bands are found
    lanes.push_back(l);
  }
  if (ln_load_data_values(path, lanes.data(), n, 50) != 1) return false;
  ln_calc_lane_baselines(lanes.data(), n, LN_ANALYSIS_STD);
  const int found = ln_find_bands(lanes.data(), n, -1, -1, im->bands, nullptr, LN_ANALYSIS_STD, nullptr, 1);
  im->lane_hdr->num_lanes = n;
  im->has_lanes = 1;
  im->has_bands = 1;
  std::printf("vx-demo-analyse: %d lanes, %d bands\n", n, found);
  return found > 0;
}

// Puts the image first among the recent files of the preferences file (made when missing).
void add_recent(const char* prefs, const char* path) {
  CONTROL* ctl = gt_get_control();
  gt_control_init(ctl);
  gt_read_and_prep_prefs(prefs, ctl);
  for (int i = 0; i < CTL_NUM_RECENT; ++i)
    if (std::strcmp(ctl->recent[i], path) == 0) return;
  for (int i = CTL_NUM_RECENT - 1; i > 0; --i) std::memcpy(ctl->recent[i], ctl->recent[i - 1], CTL_PATH);
  std::snprintf(ctl->recent[0], CTL_PATH, "%s", path);
  if (!gt_prep_prefs_and_write(prefs, ctl)) std::fprintf(stderr, "vx-demo-analyse: cannot write %s\n", prefs);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 7) return fail("usage: vx-demo-analyse IMAGE.kes LANES LEFT TOP RIGHT BOTTOM [PREFS.prf]");
  const char* path = argv[1];
  const int n = std::atoi(argv[2]);
  const int left = std::atoi(argv[3]), top = std::atoi(argv[4]);
  const int right = std::atoi(argv[5]), bottom = std::atoi(argv[6]);
  int bits = 0;
  int32_t ext[2] = {0, 0};
  if (!io_query_image(path, &bits, ext)) return fail("cannot read the image");
  if (n < 1 || n > 100 || left < 0 || top < 0 || right > ext[0] || bottom > ext[1] ||
      right - left < 2 * n || bottom - top < 10)
    return fail("the block does not fit the image");

  IMAGE_REC* im = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
  if (!im || !gt_img_init(im)) return fail("no memory");
  gt_read_and_prepare_inf(path, im->img_ptr, im);
  int rc = 0;
  if (!analyse(im, path, n, left, top, right, bottom))
    rc = fail("the gel could not be analysed");
  else if (!gt_prepare_and_write(path, im->img_ptr, im))
    rc = fail("the analysis could not be saved");
  gt_img_free(im);
  if (rc == 0 && argc > 7) add_recent(argv[7], path);
  return rc;
}
