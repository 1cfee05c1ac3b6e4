// Lane tracking held fixed: its centre points and widths for 8- and 16-bit images of leaning and
// bowed lanes, and for images of random blobs whose edge regions reach the image's borders, bend
// back upwards and run taller than the rows a region may take, at several lane counts, edge
// percentages and blocks, must equal the ones recorded in lane_track_results.txt. A mismatch names
// the image and the settings. With VX_RECORD_LANE_RESULTS=1 the file is written from the current
// code instead.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "engine/lane_track.h"
#include "lane_list.h"
#include "model/lane.h"
#include "recorded_results.h"
#include "toolkit/core/tk_image.h"

namespace {

using enginetest::LaneList;

// The lanes' count, the first lane's number of centre points and widths, and a digest of every
// lane's centre points and widths.
std::string lanes_of(const LaneList& list) {
  vxtest::Digest d;
  int count = 0;
  for (const LANE* l = list.head->next; l; l = l->next, ++count) {
    d.add(l->num_center_points);
    for (int j = 0; j < l->num_center_points; ++j) {
      d.add(l->center_coords[j].x);
      d.add(l->center_coords[j].y);
    }
    d.add(l->left_width);
    d.add(l->right_width);
  }
  const LANE* first = list.head->next;
  return std::to_string(count) + " lanes, " + std::to_string(first ? first->num_center_points : 0) +
         " points, widths " +
         (first ? std::to_string(first->left_width) + "/" + std::to_string(first->right_width)
                : std::string("-")) +
         ", " + d.hex();
}

void put(TkImage& img, int x, int y, int v) {
  if (img.bytes_per_pixel() == 2) {
    img.row(y)[2 * x] = static_cast<uint8_t>(v & 0xff);
    img.row(y)[2 * x + 1] = static_cast<uint8_t>(v >> 8);
  } else {
    img.row(y)[x] = static_cast<uint8_t>(v);
  }
}

// Lanes of Gaussian bands on a noisy background, leaning by `lean` columns a row and bowed by
// `bow` columns at the top and bottom.
TkImage gel(int w, int h, int lanes, int bpp, double lean, double bow, unsigned seed) {
  TkImage img;
  img.create(w, h, bpp);
  const double top = bpp == 2 ? 20000 : 180, pitch = static_cast<double>(w) / lanes;
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> noise(0, bpp == 2 ? 900 : 12);
  for (int y = 0; y < h; ++y) {
    const double band = std::exp(-std::pow(std::remainder(y, 27.0) / 3.0, 2));
    const double u = (y - h / 2.0) / (h / 2.0);
    for (int x = 0; x < w; ++x) {
      const int i = std::min(static_cast<int>(x / pitch), lanes - 1);
      const double c = pitch * (i + 0.5) + lean * (y - h / 2.0) + (i - lanes / 2.0) * bow * u * u;
      const double across = std::abs(x - c) < 0.36 * pitch ? 1.0 : 0.0;
      put(img, x, y, static_cast<int>(top * 0.1 + top * band * across) + noise(rng));
    }
  }
  return img;
}

// Bright rectangles, rings and bars of random sizes over noise: edge regions of every shape,
// some against the image's borders.
TkImage blobs(int w, int h, int bpp, unsigned seed) {
  TkImage img;
  img.create(w, h, bpp);
  const int hi = bpp == 2 ? 30000 : 220;
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> noise(0, hi / 20), px(-10, w + 10), py(-10, h + 10),
      size(2, 40), kind(0, 2);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) put(img, x, y, noise(rng));
  for (int k = 0; k < w * h / 400; ++k) {
    const int x0 = px(rng), y0 = py(rng), bw = size(rng), bh = size(rng), shape = kind(rng);
    for (int y = std::max(y0, 0); y < std::min(y0 + bh, h); ++y) {
      for (int x = std::max(x0, 0); x < std::min(x0 + bw, w); ++x) {
        const bool edge = x - x0 < 3 || x0 + bw - x <= 3 || y - y0 < 3 || y0 + bh - y <= 3;
        // A ring (shape 1) is bright on its border only; a U (shape 2) is open at the top.
        if (shape == 1 && !edge) continue;
        if (shape == 2 && !edge && y - y0 >= 3) continue;
        if (shape == 2 && y - y0 < 3 && x - x0 >= 3 && x0 + bw - x > 3) continue;
        put(img, x, y, hi - noise(rng));
      }
    }
  }
  return img;
}

TEST(RecordedResults, LaneTracking) {
  struct Case {
    std::string what;
    TkImage img;
  };
  std::vector<Case> cases;
  for (int bpp : {1, 2}) {
    const std::string b = bpp == 2 ? "16-bit " : "8-bit ";
    cases.push_back({b + "leaning gel", gel(240, 500, 8, bpp, 0.02, 0.0, 2)});
    cases.push_back({b + "bowed gel", gel(250, 420, 6, bpp, -0.01, 9.0, 3)});
    cases.push_back({b + "blobs", blobs(160, 200, bpp, 4)});
    cases.push_back({b + "dense blobs", blobs(123, 257, bpp, 5)});
  }
  vxtest::Results got;
  for (const Case& c : cases) {
    const int w = c.img.width(), h = c.img.height(), bpp = c.img.bytes_per_pixel();
    // The image itself, so that a changed input shows as such rather than as a changed result.
    vxtest::Digest pixels;
    for (int y = 0; y < h; ++y) pixels.bytes(c.img.row(y), static_cast<size_t>(w) * bpp);
    got[c.what + " image"] = pixels.hex();
    for (int n : {3, 8}) {
      for (int percent : {2, 30}) {
        // The whole image as the block, and a block inset from its corners.
        for (int inset : {0, 7}) {
          const LN_POINT corners[4] = {{inset, inset},
                                       {w - 1 - inset, inset},
                                       {w - 1 - inset, h - 1 - inset},
                                       {inset, h - 1 - inset}};
          LaneList list(n);
          ln_track_lanes(list.head, n, &c.img, h - 1 - 2 * inset, w - 1 - 2 * inset, bpp, corners,
                         1, percent, inset, inset);
          got[c.what + ", " + std::to_string(n) + " lanes, " + std::to_string(percent) +
              "%, inset " + std::to_string(inset)] = lanes_of(list);
        }
      }
    }
  }
  EXPECT_EQ(got.size(), 8u * (1 + 2 * 2 * 2));
  vxtest::expect_recorded("VX_RECORD_LANE_RESULTS",
                          vxtest::source_dir() / "tests/engine/lane_track_results.txt", "", got,
                          8 * (1 + 2 * 2 * 2));
}

}  // namespace
