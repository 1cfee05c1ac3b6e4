// Sizing bands against size standards: 2,000 bands in 10 lanes of 20 standards, per method.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "base/ks_mem.h"
#include "engine/std_interp.h"
#include "engine/std_numeric.h"
#include "engine/std_sort.h"
#include "model/img_info.h"
#include "model/lane.h"
#include "model/spot.h"
#include "model/std_list.h"
#include "snap_reference.h"

namespace {

constexpr int kLanes = 10;
constexpr int kRows = 20;
constexpr int kBandsPerLane = 200;

struct Gel {
  IMG_INFO hdr{};
  LANE* lanes = ln_make_lane();
  SPOT* bands = sp_make_spot();
  STD_LIST* tier = std_list_create();

  explicit Gel(int method) {
    hdr.y_res = 85;
    hdr.y_scale = -3;
    tier->int_method = method;
    LANE* lt = lanes;
    SPOT* bt = bands;
    for (int i = 0; i < kLanes; ++i) {
      const int x = 60 + 110 * i;
      LANE* l = ln_make_lane();
      l->lane_number = i + 1;
      l->left_width = l->right_width = 40;
      l->num_center_points = 2;
      l->center_coords = static_cast<LN_POINT*>(ks_alloc_msg(2 * sizeof(LN_POINT)));
      l->center_coords[0] = {x, 0};
      l->center_coords[1] = {x + i, 1100};
      lt->next = l;
      lt = l;
      for (int r = 0; r < kRows; ++r) {
        STD_MARKER m;
        std_marker_clear(&m);
        m.x = x + i * (40.0 + 50 * r) / 1100.0;
        m.y = 40 + 50 * r + 0.3 * i;
        m.value = std::floor(20000 * std::pow(0.78, r));  // sizes in bp
        m.lane_num = i + 1;
        m.flags = STD_M_VALID | STD_M_KEPT;
        std_list_append(tier, &m);
      }
      for (int k = 0; k < kBandsPerLane; ++k) {
        SPOT* b = sp_make_spot();
        b->y = 20 + 5 * k;
        b->x = x + (k % 7) - 3;
        sp_add_spot(b, bt);
        bt = b;
      }
    }
  }
  ~Gel() {
    ln_free_lanes(lanes);
    ln_free_bands(bands);
    std_list_free(tier);
  }
};

void BM_SizeAllBands(benchmark::State& state) {
  Gel gel(static_cast<int>(state.range(0)));
  gel.tier->use_repeats = state.range(1) != 0;
  gel.tier->repeat_length = 3;
  STD_LIST* sizes[] = {gel.tier};
  for (auto _ : state) {
    std_lane_spots_calc(&gel.hdr, gel.lanes, gel.bands, sizes, 1);
    benchmark::DoNotOptimize(gel.bands->next->size);
  }
  state.SetItemsProcessed(state.iterations() * kLanes * kBandsPerLane);
}
BENCHMARK(BM_SizeAllBands)
    ->ArgNames({"method", "repeats"})
    ->Args({STD_RECIPROCAL, 0})
    ->Args({STD_LOGARITHMIC, 0})
    ->Args({STD_ROBUST, 0})
    ->Args({STD_LINEAR, 0})
    ->Args({STD_LINEAR, 1})
    ->Args({STD_REGRESSION, 0})
    ->Args({STD_EXPONENTIAL, 0})
    ->Args({STD_MOLE_WGT, 0})
    ->Args({STD_IEF, 0})
    ->Args({STD_GAUSS_NEAREST, 0})
    ->Args({STD_GAUSS_MID, 0})
    ->Args({STD_GAUSS_MID_EXTRAP, 0})
    ->Unit(benchmark::kMillisecond);

// The Gaussian method over the whole 200-marker list, as it stood when every call left the list
// dirty (a re-sort per band) and as it stands (no sort between bands).
void BM_GaussianOverList(benchmark::State& state) {
  Gel gel(STD_GAUSS_MID);
  const bool resort = state.range(0) != 0;
  for (auto _ : state) {
    for (SPOT* b = gel.bands->next; b; b = b->next) {
      if (resort) gel.tier->clean = 0;
      benchmark::DoNotOptimize(std_rectangular_interp(gel.tier, b->x, b->y));
    }
  }
  state.SetItemsProcessed(state.iterations() * kLanes * kBandsPerLane);
}
BENCHMARK(BM_GaussianOverList)->ArgNames({"resort"})->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// Repeat snapping: the nearest grid point found directly, against a scan of the whole grid.
using vxtest::snap_by_scan;

void BM_RepeatSnap(benchmark::State& state) {
  const bool scan = state.range(0) != 0;
  for (auto _ : state) {
    for (int k = 0; k < 2000; ++k) {
      const double v = 1500 + k * 0.37;
      benchmark::DoNotOptimize(scan ? snap_by_scan(v, 1200, 2300, 3)
                                    : std_repeat_snap(v, 1200, 2300, 3));
    }
  }
  state.SetItemsProcessed(state.iterations() * 2000);
}
BENCHMARK(BM_RepeatSnap)->ArgNames({"scan"})->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
