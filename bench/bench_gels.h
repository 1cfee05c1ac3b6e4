// Analysed gels written to files for the benchmarks that read images from their analysis files:
// `images` images in a folder of their own in the system's temporary folder (removed with the
// object), each with `lanes` straight lanes numbered from 1, lane i at x0 + dx * i, rows 0 to
// `length`. Per lane, `count` gives its band count and `fill` sets band b (its x is the lane's).
#pragma once

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/ks_mem.h"
#include "io/analysis_io.h"
#include "io/image_rec_init.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "model_fixtures.h"

namespace bench {

struct GelFiles {
  std::filesystem::path dir;
  std::vector<std::string> paths;

  GelFiles(const char* tag, int images, int lanes, int x0, int dx, int length,
           const std::function<int()>& count, const std::function<void(SPOT*, int b)>& fill) {
    dir = std::filesystem::temp_directory_path() /
          (std::string("vxbench-") + tag + "-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    gt_control_init(gt_get_control());
    for (int i = 0; i < images; ++i) {
      auto* im = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
      gt_img_init(im);
      const std::string path = (dir / ("gel" + std::to_string(i) + ".kes")).string();
      std::snprintf(im->file_path, sizeof im->file_path, "%s", path.c_str());
      LANE* last = im->lanes;
      SPOT* tail = im->bands;
      for (int l = 0; l < lanes; ++l) {
        const int x = x0 + dx * l;
        LANE* lane = vxtest::make_lane({{x, 0}, {x, length}}, 10, 10);
        lane->lane_number = l + 1;
        last = last->next = lane;
        const int nb = count();
        for (int b = 0; b < nb; ++b) {
          SPOT* s = sp_make_spot();
          s->x = x;
          fill(s, b);
          s->f1 = 1;
          sp_add_spot(s, tail);
          tail = s;
        }
      }
      im->has_lanes = lanes;
      gt_prepare_and_write(path.c_str(), im->img_ptr, im);
      gt_img_free(im);
      paths.push_back(path);
    }
  }
  ~GelFiles() { std::filesystem::remove_all(dir); }
  GelFiles(const GelFiles&) = delete;
  GelFiles& operator=(const GelFiles&) = delete;
};

}  // namespace bench
