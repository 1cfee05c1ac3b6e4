// Equalising a 4000 x 5000 16-bit image file against an even-field image of the same size, and
// printing the whole canvas of a drawing area that shows a 4000 x 5000 image to a PostScript file.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "base/ks_msg.h"
#include "io/analysis.h"
#include "io/byte_io.h"
#include "io/info_file.h"
#include "io/kes_image.h"
#include "model/img_info.h"
#include "base/ks_mem.h"
#include "io/image_rec_init.h"
#include "model/image_rec.h"
#include "shell/gt_canvas.h"
#include "shell/gt_equalize.h"
#include "shell/ih_dpy.h"
#include "shell/ui_print.h"
#include "toolkit/core/tk_image.h"
#include "toolkit/tk_app.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_print.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"

namespace {

constexpr int kW = 4000, kH = 5000;

const std::filesystem::path& work_dir() {
  static std::filesystem::path dir;
  if (!dir.empty()) return dir;
  dir = std::filesystem::temp_directory_path() / ("vx_bench_print_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::atexit([] { std::filesystem::remove_all(dir); });
  return dir;
}

void write_image(const std::string& path, unsigned seed) {
  ByteWriter out;
  io_put_kes_header(out, 2, kW, kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) out.u16(static_cast<uint16_t>((x * 7 + y * 13 + seed) % 50000 + 5000));
  io_write_file_replace(path.c_str(), out.buffer());
  IMG_INFO info{};
  info.width = kW;
  info.height = kH;
  info.bytes_per_pixel = 2;
  ANALYSIS_ENTRY e{1, &info, nullptr, 0};
  ANALYSIS_ENTRY* list[] = {&e};
  io_write_inf(path.c_str(), list, 1);
}

void BM_Equalize16Bit(benchmark::State& state) {
  g_bSuppress = TRUE;
  const std::string img = (work_dir() / "gel.kes").string(), flat = (work_dir() / "flat.kes").string();
  write_image(flat, 1);
  for (auto _ : state) {
    state.PauseTiming();
    write_image(img, 0);
    state.ResumeTiming();
    if (!gt_equalize(img.c_str(), flat.c_str())) state.SkipWithError("equalisation failed");
  }
}
BENCHMARK(BM_Equalize16Bit)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PrintWholeCanvas(benchmark::State& state) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char name[] = "bench_print";
  static char* argv[] = {name, nullptr};
  TK_Init(&argc, argv);
  RES_OpenText("module bench_print\nwindow w { title \"p\"; size 1200 900; part 0 area { size 1200 900 } }\n");
  // An image window of a 4000 x 5000 image at zoom 1: the view shows a small part of it.
  IMAGE_REC* im = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
  gt_img_init(im);
  IMG_DATA* d = im->img_ptr;
  d->disp_img->create(kW, kH, 1);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) d->disp_img->row(y)[x] = static_cast<uint8_t>(x + 2 * y);
  d->disp_img->set_grey_colours();
  d->img_width = d->pix_width = kW;
  d->img_height = d->pix_height = kH;
  gt_display_new(d);
  TK_OBJ win = WIN_Load("bench_print", "w");
  TK_OBJ area = RES_GetSub(win, 0);
  RES_SetData(win, im);
  RES_SetNfy(area, gt_canvas_notify);
  im->window = win;
  im->draw_area = area;
  WIN_Show(win);
  EVENT_Flush();
  WGT_Redraw(area);
  const TkRect ext = CANVAS_GetExtent(area);
  const std::string ps = (work_dir() / "canvas.ps").string();
  TKT_Enable(true);
  for (auto _ : state) {
    TKT_AnswerPrint(1);
    TKT_AnswerChooser({ps});
    ui_print(area, nullptr, &ext, nullptr);
  }
  TKT_Enable(false);
  state.counters["canvas_px"] = double(ext.w) * ext.h;
  RES_SetData(win, nullptr);
  WIN_Terminate(win);
  EVENT_Flush();
  gt_display_free(d);
  gt_img_free(im);
}
BENCHMARK(BM_PrintWholeCanvas)->Unit(benchmark::kMillisecond);

}  // namespace
