// Synthetic gels for the band and lane tools: a pixel file of n straight lanes with gaussian
// bands on a noisy dark ground, and an image record that stands for it as an opened image.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/ks_mem.h"
#include "io/image_rec_init.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "test_support.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "tools/gt_band_util.h"
#include "tools/gt_lane_util.h"
#include "tools/gt_tool_wins.h"

namespace toolstest {

// Loads every module source of resources/ (a module loaded before is refused and stays).
inline void load_resources() {
  if (RES_HasWindow("fd_bnd", "fd_bnd_win")) return;
  for (const auto& e : std::filesystem::directory_iterator(vxtest::source_dir() / "resources"))
    if (e.path().extension() == ".res") RES_OpenFile("gt", e.path().c_str());
}

struct SynthGel {
  int width = 800, height = 600, bytes = 2, lanes = 8;
  int first_x = 70, pitch = 95, lane_half = 18;
  std::vector<int> band_rows = {120, 170, 230, 300, 380, 470};
  int noise = 0;  // amplitude of uniform noise (0: none)

  int lane_x(int k) const { return first_x + k * pitch; }
  int max_value() const { return bytes == 2 ? 60000 : 250; }

  // Writes the pixel file: ground 5 % of full scale, lane 10 %, bands up to full scale.
  void write(const std::string& path) const {
    std::vector<unsigned char> d = {'I', 'I', static_cast<unsigned char>(bytes), 0};
    for (int v : {width, height})
      for (int k = 0; k < 4; ++k) d.push_back(static_cast<unsigned char>(v >> (8 * k)));
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> jitter(-noise, noise);
    const double top = max_value();
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        double v = 0.05 * top;
        for (int k = 0; k < lanes; ++k) {
          if (std::abs(x - lane_x(k)) > lane_half) continue;
          v = 0.1 * top;
          for (int r : band_rows) v += 0.8 * top * std::exp(-0.5 * (y - r) * (y - r) / 9.0);
        }
        const int iv = std::clamp(static_cast<int>(v) + (noise ? jitter(rng) : 0), 0, max_value());
        d.push_back(static_cast<unsigned char>(iv & 0xff));
        if (bytes == 2) d.push_back(static_cast<unsigned char>(iv >> 8));
      }
    vxtest::write_bytes(path, d);
  }
};

struct RecordDeleter {
  void operator()(IMAGE_REC* im) const { gt_img_free(im); }
};
using RecordPtr = std::unique_ptr<IMAGE_REC, RecordDeleter>;

// An image record for the gel's pixel file, as an opened image without an analysis.
inline RecordPtr gel_record(const SynthGel& g, const std::string& path) {
  gt_control_init(gt_get_control());  // the program's own band-detection defaults
  auto* im = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
  if (!gt_img_init(im)) {
    ADD_FAILURE() << "image record";
    return RecordPtr(im);
  }
  std::snprintf(im->file_path, sizeof im->file_path, "%s", path.c_str());
  im->img_info->width = g.width, im->img_info->height = g.height;
  im->img_info->bytes_per_pixel = g.bytes;
  im->img_info->min_value = 0, im->img_info->max_value = g.max_value();
  im->img_info->x_res = im->img_info->y_res = 1;
  im->img_ptr->img_width = im->img_ptr->pix_width = g.width;
  im->img_ptr->img_height = im->img_ptr->pix_height = g.height;
  return RecordPtr(im);
}

// The block corners around every lane of the gel (8 ints, clockwise from top-left).
inline std::vector<int> block_around(const SynthGel& g, int top, int bottom) {
  const int l = g.lane_x(0) - g.pitch / 2, r = g.lane_x(g.lanes - 1) + g.pitch / 2;
  return {l, top, r, top, r, bottom, l, bottom};
}

// A 4-lane gel as the current image, with the test driver answering alerts; the tool windows
// and the task state are put back afterwards. `pending_lanes` divides the block round the lanes
// evenly; `analysed` then confirms them and finds their bands.
class GelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    load_resources();
    TKT_Enable(true);
    g.lanes = 4;
    g.write(dir.file("gel.kes"));
    im = gel_record(g, dir.file("gel.kes"));
    ctl = gt_get_control();
    ctl->task_state = 0;
    gt_set_image_ptr(im.get());
  }
  void TearDown() override {
    gt_tool_wins_dismiss_all();
    ctl->task_state = 0;
    gt_set_image_ptr(nullptr);
    TKT_Enable(false);
  }
  void pending_lanes() {
    const int l = g.lane_x(0) - g.pitch / 2, r = g.lane_x(g.lanes - 1) + g.pitch / 2;
    const int c[8] = {l, 60, r, 60, r, 560, l, 560};
    im->num_sel_lanes = g.lanes;
    gt_block_lanes(c, im->lanes, im.get());
  }
  int analysed() {
    pending_lanes();
    ctl->fnd_bnd_quant = 0;
    const int found = gt_band_find_start(im.get(), 1);
    im->has_bands = 1;
    return found;
  }

  vxtest::TempDir dir;
  SynthGel g;
  RecordPtr im;
  CONTROL* ctl = nullptr;
};

}  // namespace toolstest
