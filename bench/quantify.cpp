// Quantification of every band of a large synthetic gel: 4000 x 5000 pixels of 16 bits, 24 lanes
// of 20 bands each, on a sloping background, converted through a calibrated intensity lookup.
// Reports bands per second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/ks_mem.h"
#include "engine/lane_features.h"
#include "engine/quant.h"
#include "model/img_info.h"
#include "model/lane.h"
#include "model/spot.h"

namespace {

constexpr int kWidth = 4000, kHeight = 5000, kLanes = 24, kBands = 20;
constexpr int kHalfLane = 60;  // lane half width; the band plateau is narrower

struct SyntheticGel {
  std::vector<uint16_t> pixels;
  std::vector<LANE*> lanes;
  std::vector<SPOT*> bands;  // band i lies in lane i / kBands
  IMG_INT_INFO* lookup = nullptr;

  SyntheticGel() : pixels(size_t(kWidth) * kHeight) {
    const double pitch = double(kWidth) / kLanes;
    const double step = double(kHeight) / (kBands + 1);
    std::vector<int> lane_x(kLanes), band_y(kBands);
    for (int l = 0; l < kLanes; ++l) lane_x[l] = int(pitch * (l + 0.5));
    for (int b = 0; b < kBands; ++b) band_y[b] = int(step * (b + 1));
    // Each pixel: background rising down the gel plus the band of its lane nearest its row.
    for (int y = 0; y < kHeight; ++y) {
      const int nearest = std::min(kBands - 1, std::max(0, int(std::lround(y / step)) - 1));
      const double dy = y - band_y[nearest];
      const double vy = std::exp(-0.5 * dy * dy / 36.0);
      const double height = 8000.0 + 1500.0 * (nearest % 5);
      for (int x = 0; x < kWidth; ++x) {
        const int l = std::min(kLanes - 1, int(x / pitch));
        const double dx = std::max(0.0, std::abs(x - lane_x[l]) - 45.0);
        const double vx = std::exp(-0.5 * dx * dx / 9.0);
        pixels[size_t(y) * kWidth + x] =
            static_cast<uint16_t>(2000 + y / 5 + std::lround(height * vx * vy));
      }
    }
    for (int l = 0; l < kLanes; ++l) {
      LANE* lane = ln_make_lane();
      lane->left_width = lane->right_width = kHalfLane;
      lane->num_center_points = 2;
      lane->center_coords = static_cast<LN_POINT*>(ks_alloc_msg(2 * sizeof(LN_POINT)));
      lane->center_coords[0] = {lane_x[l], 0};
      lane->center_coords[1] = {lane_x[l], kHeight - 1};
      // Baseline points at the ends follow the background.
      for (int pos : {0, kHeight - 1}) {
        LN_FEAT* node = ln_make_feat_node();
        node->feat.y = pos;
        node->feat.x = 2000 + pos / 5;
        ln_add(lane->baseline, node, "Baseline");
      }
      lane->bckgrnd_type = 1;
      lanes.push_back(lane);
      for (int b = 0; b < kBands; ++b) {
        SPOT* band = sp_make_spot();
        band->x = lane_x[l];
        band->y = band_y[b];
        band->thickness = 14;
        band->band_fw = 7;
        band->f1 = 2;
        bands.push_back(band);
      }
    }
    // A five-step calibration over the 16-bit range.
    lookup = static_cast<IMG_INT_INFO*>(ks_alloc_msg(sizeof(IMG_INT_INFO)));
    lookup_init(lookup);
    lookup->wedge_count = 5;
    ks_free(lookup->dig_values);
    ks_free(lookup->wedge_values);
    lookup->dig_values = static_cast<int*>(ks_alloc_msg(5 * sizeof(int)));
    lookup->wedge_values = static_cast<double*>(ks_alloc_msg(5 * sizeof(double)));
    const int dig[5] = {0, 8000, 16000, 32000, 65535};
    const double od[5] = {0.0, 0.4, 0.7, 1.1, 1.6};
    for (int i = 0; i < 5; ++i) {
      lookup->dig_values[i] = dig[i];
      lookup->wedge_values[i] = od[i];
    }
    lookup->interp_type = 1;
  }
  ~SyntheticGel() {
    for (SPOT* b : bands) {
      mj_res_free(&b->result);
      b->next = nullptr;
      ln_free_bands(b);
    }
    for (LANE* l : lanes) ln_free_lane(l);
    lookup_free(lookup);
    mj_quant_release();
  }
};

void BM_QuantifyEveryBand(benchmark::State& state) {
  static SyntheticGel gel;
  LANE_IMAGE img{};
  img.pixels = gel.pixels.data();
  img.x_max = kWidth - 1;
  img.y_max = kHeight - 1;
  img.is_8bit = 0;
  img.scale1_mant = img.scale2_mant = 1.0;
  int64_t done = 0, failed = 0;
  for (auto _ : state) {
    for (size_t i = 0; i < gel.bands.size(); ++i) {
      SPOT* band = gel.bands[i];
      if (!mj_doquant(band, gel.lanes[i / kBands], &img, gel.lookup, 1)) ++failed;
      mj_res_free(&band->result);
      benchmark::DoNotOptimize(band->amount);
    }
    done += static_cast<int64_t>(gel.bands.size());
  }
  state.counters["bands_per_second"] = benchmark::Counter(double(done), benchmark::Counter::kIsRate);
  state.counters["failed"] = double(failed);
}
BENCHMARK(BM_QuantifyEveryBand)->Unit(benchmark::kMillisecond);

}  // namespace
