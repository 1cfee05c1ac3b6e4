// Small gels for the shell's tests: a 1-byte pixel file with its info file, and a lane with one
// band added to an open image.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "base/ks_mem.h"
#include "engine/lane_profile.h"
#include "gel_file_fixture.h"
#include "image_view_fixture.h"
#include "io/analysis.h"
#include "io/byte_io.h"
#include "io/info_file.h"
#include "io/kes_image.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "model/lane.h"
#include "model/spot.h"
#include "shell/gt_open.h"
#include "shell_fixture.h"
#include "toolkit/tk_event.h"

namespace shelltest {

// A 1-byte gel of w x h pixels (pixel (x, y) = (x + 2y) mod 256) with its info file.
inline std::string write_gel(const std::string& dir, const std::string& name, int w, int h,
                             bool with_info = true) {
  const std::string path = dir + "/" + name + ".kes";
  ByteWriter out;
  io_put_kes_header(out, 1, w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out.u8(static_cast<uint8_t>(grey_of(x, y)));
  EXPECT_TRUE(io_write_file_replace(path.c_str(), out.buffer()));
  if (with_info) write_gel_info(path, w, h);
  return path;
}

inline std::string base(const std::string& path) { return path.substr(0, path.size() - 4); }

inline void add_lane_and_band(IMAGE_REC* im, int x, int top, int bottom, int band_y) {
  LANE* lane = ln_make_lane();
  lane->num_center_points = 2;
  lane->center_coords = static_cast<LN_POINT*>(ks_alloc_msg(2 * sizeof(LN_POINT)));
  lane->center_coords[0] = {x, top};
  lane->center_coords[1] = {x, bottom};
  lane->left_width = lane->right_width = 9;
  lane->lane_number = 1;
  lane->f = LN_F_TOOL_MARK;
  LANE* tail = im->lanes;
  while (tail->next) tail = tail->next;
  tail->next = lane;
  im->lane_hdr->num_lanes++;
  im->has_lanes = 1;
  SPOT* b = sp_make_spot();
  b->x = x;
  b->y = band_y;
  b->f1 = 2;
  for (int i = 0; i < SP_BOUNDS; ++i) b->bound_x[i] = b->bound_y[i] = -1;
  sp_add_spot(b, im->bands);
  im->has_bands = 1;
  im->modified = 1;
}

// add_lane_and_band, then the lane's profile read from the image's pixel file and the lane
// selected, in lanes mode: a lane ready for the densitometry tool.
inline void add_selected_lane(IMAGE_REC* im, int x, int top, int bottom, int band_y) {
  add_lane_and_band(im, x, top, bottom, band_y);
  LANE* lane = im->lanes->next;
  ln_load_data_values(im->file_path, &lane, 1, 100);
  lane->f |= LN_F_SELECTED;
  im->num_sel_lanes = 1;
  gt_get_control()->sel_mode = SEL_LANES;
}

// A started main window in which tests open images; every image window is closed unsaved at
// the end.
class OpenImagesTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    gt_control_init(gt_get_control());
    dir = ws_->dir().str();
  }
  void TearDown() override {
    while (gt_get_num_img_windows() > 0) {
      IMAGE_REC* im = static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(0)));
      if (im) gt_image_clear_modified(im);
      WIN_Terminate(gt_get_img_window(0));
    }
    MainWindowTest::TearDown();
  }
  IMAGE_REC* open(const std::string& path) {
    gt_load_image_path(path.c_str());
    EVENT_Flush();
    const int n = gt_get_num_img_windows();
    return n ? static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(n - 1))) : nullptr;
  }
  std::string dir;
};

}  // namespace shelltest
