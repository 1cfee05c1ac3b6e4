// vx-demo-analyse: analyses the demo workspace's gel as a user would with the default settings
// (lanes tracked in a block drawn around them, bands found and quantified in each lane) and saves
// the analysis beside the image, so that the demo opens an analysed gel. It also puts the gel
// first among the recent files of the preferences file, so that the File menu offers it, and can
// name the folder of standard sets there.
// Usage: vx-demo-analyse IMAGE.kes LANES LEFT TOP RIGHT BOTTOM [PREFS.prf [STDSETS/]]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/ks_mem.h"
#include "io/analysis_io.h"
#include "io/image_rec_init.h"
#include "io/kes_image.h"
#include "model/control.h"
#include "tools/gt_band_util.h"
#include "tools/gt_lane_util.h"

namespace {

int fail(const char* what) {
  std::fprintf(stderr, "vx-demo-analyse: %s\n", what);
  return 1;
}

// Tracks n lanes in the block and finds their bands with the lane and band tools, as Find
// Lanes and Find Bands OK do, with the program's own band-detection defaults. False when the
// block cannot be read or no band is found.
bool analyse(IMAGE_REC* im, int n, int left, int top, int right, int bottom) {
  const int corners[8] = {left, top, right, top, right, bottom, left, bottom};
  im->num_sel_lanes = n;
  if (gt_find_lanes(corners, 2, im->lanes, im) != 0) return false;
  gt_get_control()->fnd_bnd_quant = 1;  // the bands are quantified, so the report shows amounts
  const int found = gt_band_find_start(im, 1);
  im->has_bands = 1;
  std::printf("vx-demo-analyse: %d lanes, %d bands\n", n, found);
  return found > 0;
}

// Puts the image first among the recent files of the preferences file (made when missing),
// makes the image's folder the images folder when none is set (the image choosers open there)
// and, when given, makes `stdsets` the folder the standard set choosers open in.
void add_recent(const char* prefs, const char* path, const char* stdsets) {
  CONTROL* ctl = gt_get_control();
  gt_control_init(ctl);
  gt_read_and_prep_prefs(prefs, ctl);
  if (stdsets) std::snprintf(ctl->folders[CTL_DIR_STDSETS], CTL_PATH, "%s", stdsets);
  if (const char* slash = std::strrchr(path, '/'); slash && !ctl->folders[CTL_DIR_IMAGES][0])
    std::snprintf(ctl->folders[CTL_DIR_IMAGES], CTL_PATH, "%.*s", static_cast<int>(slash - path + 1), path);
  bool listed = false;
  for (int i = 0; i < CTL_NUM_RECENT; ++i) listed = listed || std::strcmp(ctl->recent[i], path) == 0;
  if (!listed) {
    for (int i = CTL_NUM_RECENT - 1; i > 0; --i) std::memcpy(ctl->recent[i], ctl->recent[i - 1], CTL_PATH);
    std::snprintf(ctl->recent[0], CTL_PATH, "%s", path);
  }
  if (!gt_prep_prefs_and_write(prefs, ctl)) std::fprintf(stderr, "vx-demo-analyse: cannot write %s\n", prefs);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 7) return fail("usage: vx-demo-analyse IMAGE.kes LANES LEFT TOP RIGHT BOTTOM [PREFS.prf [STDSETS/]]");
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

  gt_control_init(gt_get_control());  // the program's own band-detection defaults
  IMAGE_REC* im = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
  if (!im || !gt_img_init(im)) return fail("no memory");
  gt_read_and_prepare_inf(path, im->img_ptr, im);
  std::snprintf(im->file_path, sizeof im->file_path, "%s", path);
  if (im->img_info->width <= 0 || im->img_info->height <= 0) {
    im->img_info->width = ext[0], im->img_info->height = ext[1];
    im->img_info->bytes_per_pixel = bits / 8;
  }
  int rc = 0;
  if (!analyse(im, n, left, top, right, bottom))
    rc = fail("the gel could not be analysed");
  else if (!gt_prepare_and_write(path, im->img_ptr, im))
    rc = fail("the analysis could not be saved");
  gt_img_free(im);
  if (rc == 0 && argc > 7) add_recent(argv[7], path, argc > 8 ? argv[8] : nullptr);
  return rc;
}
