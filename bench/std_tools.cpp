// The standards tools on a large analysis: a row of size standards selected by a click, with the
// standards line rebuilt, on 24 lanes of 20 standards.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "base/ks_mem.h"
#include "engine/lane_geometry.h"
#include "io/image_rec_init.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "model/lane.h"
#include "model/std_list.h"
#include "tools/gt_lane_util.h"
#include "tools/gt_std_tools.h"

namespace {

constexpr int kW = 4000, kH = 5000, kLanes = 24, kPitch = 160, kFirstX = 160, kRows = 20;

IMAGE_REC* record() {
  gt_control_init(gt_get_control());
  gt_get_control()->sel_mode = 2;
  auto* im = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
  gt_img_init(im);
  im->img_info->width = kW, im->img_info->height = kH, im->img_info->bytes_per_pixel = 2;
  im->img_ptr->img_width = im->img_ptr->pix_width = kW;
  im->img_ptr->img_height = im->img_ptr->pix_height = kH;
  const int l = kFirstX - kPitch / 2, r = kFirstX + (kLanes - 1) * kPitch + kPitch / 2;
  const int c[8] = {l, 100, r, 100, r, kH - 100, l, kH - 100};
  im->num_sel_lanes = kLanes;
  gt_block_lanes(c, im->lanes, im);
  // The new lanes are all in tier 0.
  if (!im->size_stdp) {
    im->size_stdp = static_cast<STD_LIST**>(ks_alloc_msg(sizeof(STD_LIST*)));
    im->size_stdp[0] = nullptr;
  }
  for (LANE* lane = im->lanes->next; lane; lane = lane->next) {
    lane->f |= LN_F_TOOL_MARK;
    STD_LIST*& list = im->size_stdp[lane->tier_num];
    if (!list) list = std_list_create();
    for (int k = 0; k < kRows; ++k) {
      STD_MARKER m{};
      m.y = 300 + 220 * k + (lane->lane_number % 3);
      m.x = ln_center_x(static_cast<int>(m.y), lane);
      m.value = 2000 - 80 * k, m.lane_num = lane->lane_number, m.flags = STD_M_VALID;
      m.ix = static_cast<int>(m.x), m.iy = static_cast<int>(m.y);
      std_list_append(list, &m);
    }
  }
  im->has_bands = 1;
  return im;
}

void BM_RowSelectionWithItsLine(benchmark::State& state) {
  IMAGE_REC* im = record();
  int selected = 0;
  for (auto _ : state) {
    // Between two lanes, away from every point: the row and its line.
    const int x = kFirstX + 5 * kPitch + kPitch / 2, y = 300 + 220 * 7 + 40;
    const int r[4] = {x, y, x, y};
    gt_std_size_select(nullptr, r, im, 0);
    selected = im->num_sel_size;
  }
  state.counters["points"] = selected;
  state.counters["line"] = im->std_line ? im->std_line->count : 0;
  gt_img_free(im);
}
BENCHMARK(BM_RowSelectionWithItsLine)->Unit(benchmark::kMillisecond);

}  // namespace
