// Opening and displaying a large 16-bit image: loading the pixel file into the display image and
// its bitmap, and painting the visible part at several zooms and scroll positions (each paint
// resamples the view, as after a scroll or a zoom change).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "base/ks_mem.h"
#include "io/byte_io.h"
#include "io/image_rec_init.h"
#include "io/kes_image.h"
#include "model/image_rec.h"
#include "shell/ih_cmap.h"
#include "shell/ih_dpy.h"
#include "toolkit/tk_app.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace {

constexpr int kW = 4000, kH = 5000;

// A 4000 x 5000 16-bit gel-like image written once per run.
const std::string& image_path() {
  static std::string path;
  if (!path.empty()) return path;
  const auto dir = std::filesystem::temp_directory_path() / ("vx_bench_display_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  path = (dir / "large.kes").string();
  ByteWriter out;
  io_put_kes_header(out, 2, kW, kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) out.u16(static_cast<uint16_t>((x * 7 + y * 13) % 60000 + 1000));
  io_write_file_replace(path.c_str(), out.buffer());
  std::atexit([] { std::filesystem::remove_all(std::filesystem::path(path).parent_path()); });
  return path;
}

void ensure_gui() {
  static bool done = false;
  if (done) return;
  done = true;
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "bench_display";
  static char* argv[] = {name, nullptr};
  TK_Init(&argc, argv);
  RES_OpenText("module bench_view\nwindow view_win { title \"view\"; size 1200 900; part 0 area { size 1200 900 } }\n");
}

IMAGE_REC* open_image() {
  IMAGE_REC* im = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
  gt_img_init(im);
  gt_display_new(im->img_ptr);
  if (io_load_image(im->img_ptr, 0, image_path().c_str()) != 0) std::abort();
  ih_load_cmap(im->img_ptr->disp_img);
  im->img_ptr->img_width = kW;
  im->img_ptr->img_height = kH;
  gt_dib_build(im);
  return im;
}

void close_image(IMAGE_REC* im) {
  gt_display_free(im->img_ptr);
  gt_img_free(im);
}

void BM_OpenLarge16BitImage(benchmark::State& state) {
  image_path();
  for (auto _ : state) {
    IMAGE_REC* im = open_image();
    benchmark::DoNotOptimize(im->img_ptr->disp_img->data());
    close_image(im);
  }
}
BENCHMARK(BM_OpenLarge16BitImage)->Unit(benchmark::kMillisecond);

// Args: zoom, scroll position as per mille of the scroll range in both directions.
void BM_DisplayView(benchmark::State& state) {
  ensure_gui();
  IMAGE_REC* im = open_image();
  TK_OBJ win = WIN_Load("bench_view", "view_win");
  TK_OBJ area = RES_GetSub(win, 0);
  WIN_Show(win);
  EVENT_Flush();
  IMG_DATA* d = im->img_ptr;
  d->zoom[0] = d->zoom[2] = static_cast<int>(state.range(0));
  gt_dib_set_scroll_area(area, d, d->zoom[0]);
  const TkRect e = CANVAS_GetExtent(area), v = CANVAS_GetVisible(area);
  const int at = static_cast<int>(state.range(1));
  gt_dib_scroll_to(area, (e.w - v.w) * at / 1000, (e.h - v.h) * at / 1000);
  EVENT_Flush();
  for (auto _ : state) {
    d->cmap_changed = 1;  // resample the view each time
    ih_dpy_draw(area, d, -1, -1);
  }
  state.counters["view_px"] = v.w * v.h;
  WIN_Terminate(win);
  EVENT_Flush();
  close_image(im);
}
BENCHMARK(BM_DisplayView)
    ->ArgsProduct({{1, 2, 4, 10, -2, -4}, {0, 500, 1000}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
