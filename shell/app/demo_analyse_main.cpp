// vx-demo-analyse: makes the demo workspace's gel the way the Tutorial makes it, with the
// program's own code and settings: the TIFF imported as File > Import > TIFF/MD... imports it
// (the Resolution dialog's offer kept) and inverted as Image > Invert inverts it; then, given a
// block, its lanes tracked in the block, their bands found with the program's band-detection
// defaults and found again and quantified by Refine Band Detection's Apply, sized against the
// standard set assigned to the first lane with logarithmic interpolation, and the analysis saved
// beside the image. A user who follows the Tutorial gets the same image, the same numbers and
// the same analysis file. It also puts the gel first among the recent files of the preferences
// file, so that the File menu offers it, and can name the folder of standard sets there.
// An image already in the program's files is kept; only the analysis is made again.
// Usage: vx-demo-analyse GEL.tif IMAGE.kes [LANES LEFT TOP RIGHT BOTTOM SET.std [PREFS.prf [STDSETS/]]]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "acquire/io_import.h"
#include "acquire/io_tiff.h"
#include "base/io_file.h"
#include "base/ks_mem.h"
#include "engine/std_interp.h"
#include "io/analysis_io.h"
#include "io/image_rec_init.h"
#include "io/imgproc.h"
#include "io/kes_image.h"
#include "model/control.h"
#include "model/spot.h"
#include "model/std_list.h"
#include "shell/gt_import.h"
#include "tools/gt_band_tools.h"
#include "tools/gt_band_util.h"
#include "tools/gt_lane_util.h"

namespace {

int fail(const char* what) {
  std::fprintf(stderr, "vx-demo-analyse: %s\n", what);
  return 1;
}

// The Resolution dialog as OK answers it for a new image: the 300 dpi it offers.
long resolution_offered(TkObject*, double* x_dpi, double* y_dpi, int, int, int, int, int*) {
  *x_dpi = *y_dpi = 300.0;
  return 1;
}

// File > Import > TIFF/MD... into `dest` with the Resolution dialog's offer, then Image > Invert:
// the gel's bands are light and the program finds bands where the image is dark.
bool import_and_invert(const char* tif, const char* dest) {
  io_tiff_set_res_query(resolution_offered);
  int colour = 0, channel = 0, has_res = 0;
  const bool ok = io_tiff_check(tif, &colour, &channel, vrem_color()) &&
                  io_tiff_convert(tif, dest, &has_res, gt_get_control()->im_calib_interp) == 0;
  io_tiff_set_res_query(nullptr);
  return ok && io_imgproc_invert(dest) == IMGPROC_OK;
}

// Tracks n lanes in the block and finds their bands with the lane and band tools, as Find
// Lanes and Find Bands OK do, with the program's own band-detection defaults; then Refine Band
// Detection's Apply with the settings it shows kept and "Quantify the bands when found" ticked
// finds them again and quantifies them, storing those settings in the lanes. False when the
// block cannot be read or no band is found.
bool find_lanes_and_bands(IMAGE_REC* im, int n, int left, int top, int right, int bottom) {
  const int corners[8] = {left, top, right, top, right, bottom, left, bottom};
  im->num_sel_lanes = n;
  if (gt_find_lanes(corners, 2, im->lanes, im) != 0) return false;
  if (gt_band_find_start(im, 1) <= 0) return false;
  im->has_bands = 1;
  gt_refd_bnd_apply_opening(im, 1);
  int found = 0;
  for (SPOT* b = im->bands->next; b; b = b->next) ++found;
  std::printf("vx-demo-analyse: %d lanes, %d bands\n", n, found);
  return found > 0;
}

// Size Stds with Logarithmic interpolation, the set assigned automatically: the set's values, one
// a line, go in turn to the first lane's bands from the top (a blank or 0 line skips its band),
// and OK in Assign Size Standards sizes every lane against them. False when the set cannot be
// read or gives no standard.
bool size_bands(IMAGE_REC* im, const char* set_path) {
  std::ifstream in(set_path);
  std::vector<double> values;
  for (std::string line; std::getline(in, line);) values.push_back(std::atof(line.c_str()));
  STD_LIST* list = im->size_stdp ? im->size_stdp[0] : nullptr;
  LANE* ladder = im->lanes ? im->lanes->next : nullptr;
  if (values.empty() || !list || !ladder) return false;
  SPOT** bands = nullptr;
  const int n = ln_find_bands_in_lane(im->bands, &bands, ladder, nullptr, nullptr);
  for (int i = 0; i < n && i < static_cast<int>(values.size()); ++i) {
    if (values[i] == 0.0) continue;
    STD_MARKER m;
    std_marker_clear(&m);
    m.x = m.ix = bands[i]->x, m.y = m.iy = bands[i]->y;
    m.value = values[i];
    m.lane_num = ladder->lane_number;
    m.flags = STD_M_VALID | STD_M_KEPT;  // as a click puts it and OK commits it
    std_list_put(list, &m);
  }
  ks_free(bands);
  const CONTROL* ctl = gt_get_control();
  list->int_method = 1;  // Logarithmic
  list->extrap_method = ctl->size_extrap;
  list->use_repeats = (ctl->flags & CTL_F_SIZE_STDS) ? 1 : 0;
  list->repeat_length = ctl->size_nstd;
  list->precision = ctl->size_digits;
  if (list->count == 0) return false;
  std_lane_spots_calc(im->img_info, im->lanes, im->bands, im->size_stdp,
                      im->lane_hdr ? im->lane_hdr->num_tiers : -1);
  return true;
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
  if (argc != 3 && argc < 9)
    return fail("usage: vx-demo-analyse GEL.tif IMAGE.kes [LANES LEFT TOP RIGHT BOTTOM SET.std [PREFS.prf [STDSETS/]]]");
  const char* tif = argv[1];
  const char* path = argv[2];
  gt_control_init(gt_get_control());  // the program's own settings
  namespace fs = std::filesystem;
  if (!fs::exists(path) || !fs::exists(io_base_name(path) + ".kei")) {
    if (!import_and_invert(tif, path)) return fail("the TIFF file could not be imported");
  }
  if (argc == 3) return 0;

  const int n = std::atoi(argv[3]);
  const int left = std::atoi(argv[4]), top = std::atoi(argv[5]);
  const int right = std::atoi(argv[6]), bottom = std::atoi(argv[7]);
  int bits = 0;
  int32_t ext[2] = {0, 0};
  if (!io_query_image(path, &bits, ext)) return fail("cannot read the image");
  if (n < 1 || n > 100 || left < 0 || top < 0 || right > ext[0] || bottom > ext[1] ||
      right - left < 2 * n || bottom - top < 10)
    return fail("the block does not fit the image");

  IMAGE_REC* im = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
  if (!im || !gt_img_init(im)) return fail("no memory");
  gt_read_and_prepare_inf(path, im->img_ptr, im);
  std::snprintf(im->file_path, sizeof im->file_path, "%s", path);
  if (im->img_info->width <= 0 || im->img_info->height <= 0) {
    im->img_info->width = ext[0], im->img_info->height = ext[1];
    im->img_info->bytes_per_pixel = bits / 8;
  }
  int rc = 0;
  if (!find_lanes_and_bands(im, n, left, top, right, bottom))
    rc = fail("the gel could not be analysed");
  else if (!size_bands(im, argv[8]))
    rc = fail("the standard set could not be assigned");
  else if (!gt_prepare_and_write(path, im->img_ptr, im))
    rc = fail("the analysis could not be saved");
  gt_img_free(im);
  if (rc == 0 && argc > 9) add_recent(argv[9], path, argc > 10 ? argv[10] : nullptr);
  return rc;
}
