// The shared acquisition bitmaps, the preview drawing and the event-running wait.
#include "acquire/acq_bitmaps.h"

#include <cstdlib>
#include <cstring>

#include "base/slog.h"
#include "toolkit/core/tk_image.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace {

AcqDibState s_state;

// The 8-bit display copy as a top-down image with its colour table; false for anything else.
bool display_image(const DibBlock* disp, TkImage* img) {
  BITMAPINFOHEADER bi;
  if (!DibInfo(disp, &bi) || bi.biBitCount != 8 || bi.biWidth <= 0 || bi.biHeight == 0) return false;
  const uint8_t* bits = DibBits(disp);
  if (bits == nullptr) return false;
  const int w = bi.biWidth, h = std::abs(bi.biHeight);
  const std::size_t row = DibRowBytes(w, 8);
  if (!img->create(w, h, 1)) return false;
  for (int y = 0; y < h; ++y)
    std::memcpy(img->row(y), bits + row * static_cast<std::size_t>(bi.biHeight > 0 ? h - 1 - y : y), w);
  const uint8_t* table = disp->bytes.data() + bi.biSize;
  const int n = DibNumColors(bi);
  for (int i = 0; i < 256; ++i) {
    const uint8_t* e = table + 4 * (i < n ? i : 0);
    img->colours()[i] = i < n ? (uint32_t(e[2]) << 16 | uint32_t(e[1]) << 8 | e[0]) : 0;
  }
  return true;
}

void stretch(int level, TK_OBJ area, TkRect dest, TkRect src, const TkImage& img, AcqStretchOp op,
             bool trace) {
  if (level > 4) {
    if (trace) SLOG("scanner_dib_StretchDIBits", SLOG_ERROR, "max recursions");
    return;
  }
  const int lines = op(area, dest, img, src);
  if (lines == src.h) return;
  if (trace)
    SLOG("scanner_dib_StretchDIBits", SLOG_VALUE4, "level %d: %d of %d lines, halving", level,
         lines, src.h);
  const int dw = dest.w / 2, sw = src.w / 2;
  stretch(level + 1, area, {dest.x, dest.y, dw, dest.h}, {src.x, src.y, sw, src.h}, img, op, trace);
  stretch(level + 1, area, {dest.x + dw, dest.y, dest.w - dw, dest.h},
          {src.x + sw, src.y, src.w - sw, src.h}, img, op, trace);
}

void display(TK_OBJ area, int transmissive, const DibBlock* disp, AcqStretchOp op, bool trace) {
  if (area == nullptr || disp == nullptr) return;
  TkImage img;
  if (!display_image(disp, &img)) {
    if (trace) SLOG("scanner_dib_display", SLOG_VALUE4, "no 8-bit display copy: nothing drawn");
    return;
  }
  if (!DRAW_Begin(area, nullptr)) return;
  const TkRect box = CANVAS_GetVisible(area);
  const TkRect dest{0, 0, box.w, transmissive ? 3 * box.h / 4 : box.h};
  if (trace)
    SLOG("scanner_dib_display", SLOG_VALUE4, "%d x %d into %d x %d", img.width(), img.height(),
         dest.w, dest.h);
  stretch(0, area, dest, {0, 0, img.width(), img.height()}, img, op, trace);
  DRAW_End(area);
}

}  // namespace

AcqDibState& acq_dibs() { return s_state; }

void ReleaseDibAndDispDib(int also_display) {
  s_state.dib.reset();
  if (also_display) s_state.disp.reset();
}

void scanner_dib_display(TK_OBJ area, int transmissive, const DibBlock* disp, AcqStretchOp op) {
  display(area, transmissive, disp, op, true);
}

void cam_dib_display(TK_OBJ area, const DibBlock* disp, AcqStretchOp op) {
  display(area, 0, disp, op, false);
}

void scanner_dib_StretchDIBits(int level, TK_OBJ area, TkRect dest, TkRect src, const TkImage& img,
                               AcqStretchOp op) {
  stretch(level, area, dest, src, img, op, true);
}

void cam_dib_StretchDIBits(int level, TK_OBJ area, TkRect dest, TkRect src, const TkImage& img,
                           AcqStretchOp op) {
  stretch(level, area, dest, src, img, op, false);
}

long ACQ_CancelNfy(TK_OBJ button, int event) {
  if (event == TK_EV_ACTIVATE) {
    ReleaseDibAndDispDib(1);
    WIN_EndModal(RES_GetOwnerWindow(button), 0);
    return 0;
  }
  return WGT_DefaultNfy(button, event);
}

int acq_wait_pumping(int ms) { return EVENT_WaitPumping(ms); }
