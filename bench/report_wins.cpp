// The chart windows of the lane tools and the standards commit, offscreen:
// - the lane profile window over 15 lanes of 1000 points from three image windows: opening it,
//   and 100 clicks on its chart that show the row in the image;
// - a size standards commit of 500 pending points into two tiers of 2,000 points.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QtGlobal>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "base/ks_mem.h"
#include "engine/lane_geometry.h"
#include "io/image_rec_init.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "model/lane.h"
#include "model/std_list.h"
#include "model/task_state.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_app.h"
#include "toolkit/tk_chart.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "tools/gt_lane_util.h"
#include "tools/gt_report_wins.h"
#include "tools/gt_std_tools.h"

namespace {

TK_OBJ Setup() {
  static TK_OBJ main_win = nullptr;
  if (main_win) return main_win;
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "bench_report_wins";
  static char* argv[] = {name, nullptr};
  TK_Init(&argc, argv);
  for (const auto& e : std::filesystem::directory_iterator(VX_SOURCE_DIR "/resources"))
    if (e.path().extension() == ".res") RES_OpenFile("gt", e.path().c_str());
  TKT_Enable(true);
  gt_control_init(gt_get_control());
  main_win = WIN_Load("gt_main", "gt_main_win");
  gt_set_main_win(main_win);
  return main_win;
}

// An image record of `lanes` straight selected lanes of `points` profile values each.
IMAGE_REC* record(const char* name, int lanes, int points) {
  auto* im = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
  gt_img_init(im);
  std::snprintf(im->image_name, sizeof im->image_name, "%s", name);
  const int w = 100 * lanes + 100, h = points + 200;
  im->img_info->width = w, im->img_info->height = h, im->img_info->bytes_per_pixel = 2;
  im->img_ptr->img_width = im->img_ptr->pix_width = w;
  im->img_ptr->img_height = im->img_ptr->pix_height = h;
  LANE* tail = im->lanes;
  for (int k = 0; k < lanes; ++k) {
    LANE* l = ln_make_lane();
    l->lane_number = k + 1;
    l->num_center_points = 2;
    l->center_coords = static_cast<LN_POINT*>(ks_alloc_msg(2 * sizeof(LN_POINT)));
    l->center_coords[0] = {100 + 100 * k, 100};
    l->center_coords[1] = {100 + 100 * k, 100 + points - 1};
    l->left_width = l->right_width = 30;
    l->num_data_values = points;
    l->data_values = static_cast<int32_t*>(ks_alloc_msg(sizeof(int32_t) * points));
    l->baseline_values = static_cast<int32_t*>(ks_alloc_msg(sizeof(int32_t) * points));
    for (int i = 0; i < points; ++i) l->data_values[i] = 100 + (i * (k + 7)) % 400, l->baseline_values[i] = 50;
    l->bckgrnd_type = 1;
    l->f |= LN_F_SELECTED;
    tail->next = l;
    tail = l;
  }
  im->has_lanes = lanes;
  im->num_sel_lanes = lanes;
  im->lane_hdr->num_lanes = lanes;
  return im;
}

void BM_ProfileWindowOpenAndClicks(benchmark::State& state) {
  TK_OBJ main_win = Setup();
  std::vector<IMAGE_REC*> images;
  std::vector<TK_OBJ> wins;
  for (int i = 0; i < 3; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "gel%d.kes", i);
    images.push_back(record(name, 5, 1000));
    wins.push_back(gt_img_open_window(main_win, gt_get_workspace(), images.back(), nullptr, 0));
  }
  int plotted = 0;
  for (auto _ : state) {
    gt_lane_profile_activate(main_win);
    TK_OBJ chart = RES_GetSub(ln_prf_window(), 0);
    const TkRect r = CHART_GetPlotRect(chart);
    for (int c = 0; c < 100; ++c) {
      PRF_LANE* lane = nullptr;
      const int index = ln_prf_click_index(chart, TkPoint{r.x + (c * 37) % r.w, r.y + r.h / 2}, &lane);
      if (index >= 0) ln_prf_jump_to_image(lane, index, 0);
    }
    plotted = CHART_GetPerPoint(chart) - 1;
  }
  state.counters["lanes"] = plotted;
  ln_prf_dismiss();
  for (TK_OBJ w : wins) WIN_Terminate(w);
  for (IMAGE_REC* im : images) gt_img_free(im);
}
BENCHMARK(BM_ProfileWindowOpenAndClicks)->Unit(benchmark::kMillisecond);

void BM_SizeCommitIntoLargeTiers(benchmark::State& state) {
  Setup();
  IMAGE_REC* im = record("stds.kes", 10, 2000);
  im->lane_hdr->num_tiers = 2;
  im->size_stdp = static_cast<STD_LIST**>(ks_alloc_msg(2 * sizeof(STD_LIST*)));
  for (LANE* l = im->lanes->next; l; l = l->next) l->tier_num = l->lane_number > 5 ? 1 : 0;
  for (auto _ : state) {
    state.PauseTiming();
    for (int t = 0; t < 2; ++t) {
      if (im->size_stdp[t]) std_list_free(im->size_stdp[t]);
      im->size_stdp[t] = std_list_create();
    }
    // 2,000 committed points in each tier, 500 pending ones between them.
    for (LANE* l = im->lanes->next; l; l = l->next)
      for (int k = 0; k < 400; ++k) {
        STD_MARKER m{};
        m.x = l->center_coords[0].x, m.y = 110 + 4 * k;
        m.ix = static_cast<int>(m.x), m.iy = static_cast<int>(m.y);
        m.value = 5000 - 10 * k, m.lane_num = l->lane_number, m.flags = STD_M_VALID;
        std_list_append(im->size_stdp[l->tier_num], &m);
      }
    gt_std_renew_pending(im);
    for (LANE* l = im->lanes->next; l; l = l->next)
      for (int k = 0; k < 50; ++k) {
        STD_MARKER m{};
        m.x = l->center_coords[0].x, m.y = 112 + 32 * k;
        m.ix = static_cast<int>(m.x), m.iy = static_cast<int>(m.y);
        m.value = 4999 - 80 * k, m.lane_num = l->lane_number;
        std_list_append(im->pending_stds, &m);
      }
    gt_get_control()->task_state = 0;
    gt_set_image_ptr(im);
    gt_set_state(TS_SIZE_STDS);
    gt_std_size_asgn_activate(nullptr, "", nullptr, 3, 0, 0, 0, 0);
    TK_OBJ win = TKT_FindWindow("std_sasn", "std_sasn_win");
    state.ResumeTiming();
    TKT_Click(RES_GetSub(win, 2));  // OK
  }
  state.counters["tier0"] = im->size_stdp[0]->count;
  gt_set_state(0);
  gt_set_image_ptr(nullptr);
  gt_img_free(im);
}
BENCHMARK(BM_SizeCommitIntoLargeTiers)->Unit(benchmark::kMillisecond);

}  // namespace
