// Small gels for the shell's tests: a 1-byte pixel file with its info file, and a lane with one
// band added to an open image.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <string>

#include "base/ks_mem.h"
#include "engine/lane_profile.h"
#include "gel_file_fixture.h"
#include "image_view_fixture.h"
#include "io/analysis.h"
#include "io/analysis_io.h"
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

// A 60 x 50 gel `name` in `dir` saved with its analysis and text part (a lane named `lane`
// with one band, and the image comment `comment`) and closed again: an image whose whole set a
// command must keep or replace. Its path.
inline std::string write_analysed_gel(const std::string& dir, const std::string& name,
                                      const char* lane, const char* comment) {
  const std::string path = write_gel(dir, name, 60, 50);
  gt_load_image_path(path.c_str());
  EVENT_Flush();
  const int n = gt_get_num_img_windows();
  EXPECT_GT(n, 0) << path;
  if (n == 0) return path;
  TK_OBJ win = gt_get_img_window(n - 1);
  auto* im = static_cast<IMAGE_REC*>(RES_GetData(win));
  add_lane_and_band(im, 30, 5, 45, 20);
  std::snprintf(im->lanes->next->lane_name, sizeof im->lanes->next->lane_name, "%s", lane);
  ks_free(im->comment);
  im->comment_len = static_cast<int>(std::strlen(comment));
  im->comment = static_cast<char*>(ks_alloc_msg(im->comment_len + 1));
  std::memcpy(im->comment, comment, im->comment_len + 1);
  EXPECT_TRUE(gt_prepare_and_write(im->file_path, im->img_ptr, im));
  gt_image_clear_modified(im);
  WIN_Terminate(win);
  EVENT_Flush();
  EXPECT_GT(std::filesystem::file_size(base(path) + ".cmt"), 0u);
  return path;
}

// Opens the gel written by write_analysed_gel, checks that its analysis and text part came
// back, and closes it.
inline void expect_analysed_gel_opens(const std::string& path, const char* lane,
                                      const char* comment) {
  const int before = gt_get_num_img_windows();
  gt_load_image_path(path.c_str());
  EVENT_Flush();
  ASSERT_EQ(gt_get_num_img_windows(), before + 1) << path;
  TK_OBJ win = gt_get_img_window(before);
  auto* im = static_cast<IMAGE_REC*>(RES_GetData(win));
  ASSERT_NE(im, nullptr);
  ASSERT_NE(im->lanes->next, nullptr) << path;
  EXPECT_STREQ(im->lanes->next->lane_name, lane);
  EXPECT_EQ(im->comment ? std::string(im->comment) : std::string(), comment);
  WIN_Terminate(win);
  EVENT_Flush();
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
  // A gel `name` of width w in the folder dir/folder, saved with its analysis and open: one lane
  // per band row, lane k (from 1) at x = 30 + 60 (k - 1), named "<folder>-<k>" and holding one
  // band at that row. Gels of one name in two folders stand for the folder a day that labs keep.
  IMAGE_REC* open_saved_gel(const std::string& folder, const std::string& name, int w,
                            std::initializer_list<int> band_rows) {
    std::filesystem::create_directories(dir + "/" + folder);
    IMAGE_REC* im = open(write_gel(dir + "/" + folder, name, w, 150));
    if (!im) return nullptr;
    int k = 0;
    for (int row : band_rows) add_lane_and_band(im, 30 + 60 * k++, 10, 140, row);
    k = 0;
    for (LANE* l = im->lanes->next; l; l = l->next) {
      l->lane_number = ++k;
      std::snprintf(l->lane_name, sizeof l->lane_name, "%s-%d", folder.c_str(), k);
    }
    for (SPOT* b = im->bands->next; b; b = b->next) b->size = 1000.0 - b->y;  // sized for matching
    EXPECT_TRUE(gt_prepare_and_write(im->file_path, im->img_ptr, im));
    gt_image_clear_modified(im);
    return im;
  }
  // Two gels named "gel" from two folders: day 2's (two lanes, bands at rows 50 and 90) saved
  // and closed, then day 1's (one lane, band at row 70) saved and left open. Day 1's record.
  IMAGE_REC* open_day1_after_day2(std::string* day1_path, std::string* day2_path) {
    IMAGE_REC* day2 = open_saved_gel("day2", "gel", 220, {50, 90});
    if (!day2) return nullptr;
    *day2_path = day2->file_path;
    WIN_Terminate(static_cast<TK_OBJ>(day2->window));
    EVENT_Flush();
    IMAGE_REC* day1 = open_saved_gel("day1", "gel", 200, {70});
    if (day1) *day1_path = day1->file_path;
    return day1;
  }
  std::string dir;
};

}  // namespace shelltest
