// The lane and band tools on a large gel: 4000 x 5000 pixels of 16 bits, 24 lanes of 20 bands.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/ks_mem.h"
#include "io/image_rec_init.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "model/lane.h"
#include "model/std_list.h"
#include "tools/gt_band_mouse.h"
#include "tools/gt_band_util.h"
#include "tools/gt_lane_util.h"
#include "tools/gt_ln_img.h"
#include "io/kes_image.h"

namespace {

constexpr int kW = 4000, kH = 5000, kLanes = 24, kPitch = 160, kFirstX = 160;

// Writes the gel once per run into a temporary file.
const std::string& gel_path() {
  static std::string path;
  if (!path.empty()) return path;
  char name[] = "/tmp/vx_bench_gelXXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) std::abort();
  close(fd);
  path = name;
  std::vector<unsigned char> d = {'I', 'I', 2, 0};
  for (int v : {kW, kH})
    for (int k = 0; k < 4; ++k) d.push_back(static_cast<unsigned char>(v >> (8 * k)));
  std::vector<double> row_band(kH, 0.0);
  for (int b = 0; b < 20; ++b)
    for (int y = 0; y < kH; ++y) {
      const double r = 300 + b * 220;
      row_band[y] += 48000.0 * std::exp(-0.5 * (y - r) * (y - r) / 36.0);
    }
  d.reserve(d.size() + size_t(kW) * kH * 2);
  unsigned seed = 1;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const int k = (x - kFirstX + kPitch / 2) / kPitch;
      const bool in = x >= kFirstX - kPitch / 2 && k < kLanes && std::abs(x - (kFirstX + k * kPitch)) <= 30;
      seed = seed * 1103515245u + 12345u;
      int v = 3000 + static_cast<int>((seed >> 16) % 2000);
      if (in) v += 3000 + static_cast<int>(row_band[y]);
      v = std::min(v, 65535);
      d.push_back(static_cast<unsigned char>(v & 0xff));
      d.push_back(static_cast<unsigned char>(v >> 8));
    }
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(d.data(), 1, d.size(), f);
  std::fclose(f);
  std::atexit([] { std::remove(path.c_str()); });
  return path;
}

IMAGE_REC* record() {
  gt_control_init(gt_get_control());
  auto* im = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
  gt_img_init(im);
  std::snprintf(im->file_path, sizeof im->file_path, "%s", gel_path().c_str());
  im->img_info->width = kW, im->img_info->height = kH, im->img_info->bytes_per_pixel = 2;
  im->img_info->min_value = 0, im->img_info->max_value = 65535;
  im->img_info->x_res = im->img_info->y_res = 1;
  im->img_ptr->img_width = im->img_ptr->pix_width = kW;
  im->img_ptr->img_height = im->img_ptr->pix_height = kH;
  return im;
}

int block_left() { return kFirstX - kPitch / 2; }
int block_right() { return kFirstX + (kLanes - 1) * kPitch + kPitch / 2; }

// Lanes tracked in the block and their bands found and quantified, as Find Bands OK does.
void BM_AutomaticLanesAndFindBands(benchmark::State& state) {
  int found = 0;
  for (auto _ : state) {
    IMAGE_REC* im = record();
    const int c[8] = {block_left(), 100, block_right(), 100, block_right(), kH - 100, block_left(), kH - 100};
    im->num_sel_lanes = kLanes;
    gt_find_lanes(c, 2, im->lanes, im);
    gt_get_control()->fnd_bnd_quant = 1;
    found = gt_band_find_start(im, 1);
    gt_img_free(im);
  }
  state.counters["bands"] = found;
}
BENCHMARK(BM_AutomaticLanesAndFindBands)->Unit(benchmark::kMillisecond)->Iterations(2);

// Every band deleted from an image whose lanes stand in three tiers, each with size standards.
void BM_DeleteEveryBandThreeTiers(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    IMAGE_REC* im = record();
    const int third = (kH - 200) / 3;
    for (int t = 0; t < 3; ++t) {
      const int top = 100 + t * third, bottom = top + third - 10;
      const int c[8] = {block_left(), top, block_right(), top, block_right(), bottom, block_left(), bottom};
      im->num_sel_lanes = kLanes;
      gt_block_lanes(c, im->lanes, im);
    }
    gt_get_control()->fnd_bnd_quant = 0;
    gt_band_find_start(im, 1);
    for (SPOT* b = im->bands->next; b; b = b->next) {
      LANE* lane = nullptr;
      if (ln_xy_find_lane(b->x, b->y, im->lanes, &lane) <= 0 || !lane) continue;
      b->f2 |= SP_F2_SIZE_STD | SP_F2_SELECTED;
      STD_MARKER m{};
      m.x = b->x, m.y = b->y, m.value = 100.0 + b->y, m.flags = STD_M_VALID, m.lane_num = lane->lane_number;
      std_list_append(im->size_stdp[lane->tier_num], &m);
    }
    gt_band_sel_compact(im);
    state.ResumeTiming();
    gt_band_delete_selected(im, 0);
    state.PauseTiming();
    gt_img_free(im);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_DeleteEveryBandThreeTiers)->Unit(benchmark::kMillisecond)->Iterations(2);

// A pending lane dragged through 500 pointer moves (Find Bands).
void BM_LaneDrag500Moves(benchmark::State& state) {
  IMAGE_REC* im = record();
  const int c[8] = {block_left(), 100, block_right(), 100, block_right(), kH - 100, block_left(), kH - 100};
  im->num_sel_lanes = kLanes;
  gt_block_lanes(c, im->lanes, im);
  CONTROL* ctl = gt_get_control();
  ctl->task_state = 3;
  for (auto _ : state) {
    im->click_pt[0] = kFirstX + 3 * kPitch + 5, im->click_pt[1] = 2000;
    gt_band_mouseclick(nullptr, nullptr, ctl, im, 0);
    for (int i = 0; i < 500; ++i) gt_band_mousedrag(nullptr, ctl, im, im->click_pt[0] + (i % 40) - 20, 2000 + i % 30);
    gt_band_mouserelease(nullptr, ctl, im, im->click_pt[0], 2000);
  }
  ctl->task_state = 0;
  gt_img_free(im);
}
BENCHMARK(BM_LaneDrag500Moves)->Unit(benchmark::kMicrosecond);

// A new image from the 24 tracked lanes set side by side (the gel opened as an 8-bit picture).
void BM_CreateImageFrom24Lanes(benchmark::State& state) {
  IMAGE_REC* im = record();
  const int c[8] = {block_left(), 100, block_right(), 100, block_right(), kH - 100, block_left(), kH - 100};
  im->num_sel_lanes = kLanes;
  gt_find_lanes(c, 2, im->lanes, im);
  gt_band_find_start(im, 0);
  int n = 0;
  for (LANE* l = im->lanes->next; l; l = l->next, ++n) l->f |= LN_F_SELECTED;
  im->num_sel_lanes = n;
  io_load_image(im->img_ptr, 0, gel_path().c_str());
  const std::string out = gel_path() + "_made.kes";
  for (auto _ : state) ln_img_side_by_side(&im, 1, out.c_str());
  state.counters["lanes"] = n;
  std::remove(out.c_str());
  std::remove((gel_path() + "_made.kei").c_str());
  gt_img_free(im);
}
BENCHMARK(BM_CreateImageFrom24Lanes)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
