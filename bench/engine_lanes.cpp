// Lane tracking, lane profiles and band finding on a large synthetic gel: 4000 x 5000 pixels,
// 16 bits, 24 lanes of Gaussian bands.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/band_find.h"
#include "engine/lane_features.h"
#include "engine/lane_profile.h"
#include "engine/lane_track.h"
#include "model/lane.h"
#include "model/spot.h"
#include "toolkit/core/tk_image.h"

namespace {

constexpr int kW = 4000, kH = 5000, kLanes = 24;
constexpr int kPitch = kW / kLanes;

double lane_centre(int i, int y) { return kPitch * (i + 0.5) + 0.004 * (y - kH / 2); }

struct Gel {
  std::vector<uint16_t> px;
  std::string path;
  Gel() : px(static_cast<size_t>(kW) * kH) {
    for (int y = 0; y < kH; ++y) {
      // Bands every 45 rows, heights varying down the gel.
      const double band = std::exp(-std::pow(std::remainder(y, 45.0) / 3.0, 2));
      const double amp = 20000.0 * (0.4 + 0.6 * std::abs(std::sin(y * 0.0021)));
      for (int x = 0; x < kW; ++x) {
        const int i = std::min(x / kPitch, kLanes - 1);
        const double d = std::abs(x - lane_centre(i, y));
        const double across = d < 60 ? 1.0 : 0.0;
        px[static_cast<size_t>(y) * kW + x] = static_cast<uint16_t>(3000 + amp * band * across + (x * 7 + y * 13) % 97);
      }
    }
    path = (std::filesystem::temp_directory_path() / "vx_bench_engine_lanes.kes").string();
    std::ofstream out(path, std::ios::binary);
    const unsigned char hdr[12] = {'I', 'I', 2, 0, kW & 0xff, kW >> 8, 0, 0, kH & 0xff, kH >> 8, 0, 0};
    out.write(reinterpret_cast<const char*>(hdr), 12);
    out.write(reinterpret_cast<const char*>(px.data()), static_cast<std::streamsize>(px.size() * 2));
  }
  ~Gel() { std::remove(path.c_str()); }
};

Gel& gel() {
  static Gel g;
  return g;
}

LANE* make_lanes() {
  LANE* head = ln_make_lane();
  LANE** link = &head->next;
  for (int i = 0; i < kLanes; ++i) {
    *link = ln_make_lane();
    link = &(*link)->next;
  }
  return head;
}

// Tracks the lanes the way the lane tool does: whole gel as the block, reduction
// trunc(W / n / 20), tracking parameter 2.
void track(LANE* head) {
  const int f = kW / kLanes / 20;
  const int rw = static_cast<int>(std::floor(kW / double(f) + 0.5));
  const int rh = static_cast<int>(std::floor(kH / double(f) + 0.5));
  static TkImage reduced;
  if (reduced.empty()) {
    reduced.create(rw, rh, 2);
    for (int y = 0; y < rh; ++y) {
      for (int x = 0; x < rw; ++x) {
        const uint16_t v = gel().px[static_cast<size_t>(std::min(y * f, kH - 1)) * kW + std::min(x * f, kW - 1)];
        reduced.row(y)[2 * x] = v & 0xff;
        reduced.row(y)[2 * x + 1] = v >> 8;
      }
    }
  }
  const LN_POINT corners[4] = {{0, 0}, {kW, 0}, {kW, kH - 1}, {0, kH - 1}};
  ln_track_lanes(head, kLanes, &reduced, kH, kW, 2, corners, f, 2, 0, 0);
}

std::vector<LANE*> lane_array(LANE* head) {
  std::vector<LANE*> v;
  for (LANE* l = head->next; l; l = l->next) {
    l->min_top_band_thick = l->min_bot_band_thick = 5;
    l->band_threshold = 1000;  // an intensity threshold above the pixel noise
    l->max_angle = 30;
    l->bckgrnd_type = 1;
    v.push_back(l);
  }
  return v;
}

void BM_LaneTracking(benchmark::State& state) {
  gel();
  int on_track = 0;
  for (auto _ : state) {
    LANE* head = make_lanes();
    track(head);
    benchmark::DoNotOptimize(head->next->center_coords);
    // Lanes whose inner centre points all lie within two reduced pixels of the drawn lane.
    on_track = 0;
    int i = 0;
    for (const LANE* l = head->next; l; l = l->next, ++i) {
      bool ok = true;
      for (int j = 1; j + 1 < l->num_center_points; ++j) {
        const LN_POINT p = l->center_coords[j];
        ok = ok && std::abs(p.x - lane_centre(i, p.y)) < 2 * (kW / kLanes / 20);
      }
      on_track += ok;
    }
    ln_free_lanes(head);
  }
  state.counters["lanes_on_track"] = on_track;
}

void BM_LaneProfiles(benchmark::State& state) {
  LANE* head = make_lanes();
  track(head);
  auto lanes = lane_array(head);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ln_load_data_values(gel().path.c_str(), lanes.data(), kLanes, 50));
  }
  ln_free_lanes(head);
}

void BM_BandFinding(benchmark::State& state) {
  LANE* head = make_lanes();
  track(head);
  auto lanes = lane_array(head);
  ln_load_data_values(gel().path.c_str(), lanes.data(), kLanes, 50);
  int found = 0;
  for (auto _ : state) {
    for (LANE* l : lanes) {
      ln_free_feat_list(l->baseline);
      l->num_base_ptrs = 0;
    }
    ln_calc_lane_baselines(lanes.data(), kLanes, LN_ANALYSIS_STD);
    SPOT* chain = sp_make_spot();
    found = ln_find_bands(lanes.data(), kLanes, -1, -1, chain, nullptr, LN_ANALYSIS_STD, nullptr, 1);
    ln_free_bands(chain);
  }
  state.counters["bands"] = found;
  ln_free_lanes(head);
}

}  // namespace

BENCHMARK(BM_LaneTracking)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LaneProfiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BandFinding)->Unit(benchmark::kMillisecond);
