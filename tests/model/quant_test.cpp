// Quantification results: attaching a pixel window cut about a band, releasing it once.
#include <gtest/gtest.h>

#include "model/quant.h"
#include "model/spot.h"

namespace {

QT_WIN* numbered_window(int cx, int cy, int size) {
  QT_WIN* w = qt_alloc_window(cx, cy, size);
  for (int r = 0; r < size; ++r)
    for (int c = 0; c < size; ++c) w->rows[r][c] = r * 1000 + c;
  return w;
}

}  // namespace

TEST(PixelWindow, OwnedWindowBoundsAndRefusals) {
  QT_WIN* w = qt_alloc_window(100, 50, 11);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->left, 95);
  EXPECT_EQ(w->right, 105);
  EXPECT_EQ(w->top, 45);
  EXPECT_EQ(w->bottom, 55);
  EXPECT_EQ(w->mode, QT_WIN_OWNED);
  EXPECT_EQ(w->rows[11], nullptr);
  EXPECT_EQ(w->rows[10][10], 0);
  qt_free_window(w);
  EXPECT_EQ(qt_alloc_window(0, 0, 0), nullptr);
  EXPECT_EQ(qt_alloc_window(0, 0, -3), nullptr);
  qt_free_window(nullptr);
}

TEST(QuantResult, AttachCutsAWindowIntoTheSourceAboutTheBand) {
  QT_WIN* src = numbered_window(100, 50, 11);
  SPOT* band = sp_make_spot();
  band->x = 100;
  band->y = 50;
  QUANT_RES* res = mj_res_attach(band, src);
  ASSERT_NE(res, nullptr);
  EXPECT_EQ(band->result, res);
  EXPECT_EQ(res->status & QR_ATTACHED, QR_ATTACHED);
  EXPECT_EQ(res->source, src);
  ASSERT_NE(res->win, nullptr);
  EXPECT_EQ(res->win->mode, QT_WIN_SUB);
  EXPECT_EQ(res->win->size, 11);
  EXPECT_EQ(res->win->rows[3], src->rows[3]);  // rows point into the source
  EXPECT_EQ(res->win->rows[3][4], 3004);

  // Attaching again releases the earlier result (no leak under the sanitizer).
  QUANT_RES* again = mj_res_attach(band, src);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(band->result, again);

  int status = mj_res_free(&band->result);
  EXPECT_EQ(uint32_t(status), QR_ATTACHED | QR_RELEASED);
  EXPECT_EQ(band->result, nullptr);
  EXPECT_EQ(mj_res_free(&band->result), 0);  // second release finds NULL
  EXPECT_EQ(mj_res_free(nullptr), 0);

  // The source is not the result's to free.
  EXPECT_EQ(src->rows[3][4], 3004);
  ln_free_bands(band);
  qt_free_window(src);
}

TEST(QuantResult, AttachFailuresLeaveTheBandUnchanged) {
  QT_WIN* src = numbered_window(100, 50, 11);
  SPOT* band = sp_make_spot();
  band->x = 100;
  band->y = 50;
  QUANT_RES* first = mj_res_attach(band, src);
  ASSERT_NE(first, nullptr);

  EXPECT_EQ(mj_res_attach(band, nullptr), nullptr);
  EXPECT_EQ(band->result, first);
  band->x = 101;  // a window of the source's size about this band leaves the source
  EXPECT_EQ(mj_res_attach(band, src), nullptr);
  EXPECT_EQ(band->result, first);

  // A band freed with its result attached releases it.
  ln_free_bands(band);
  qt_free_window(src);
}

TEST(QuantResult, AResultMarkedReleasedIsNotFreedAgain) {
  QUANT_RES* res = mj_res_alloc();
  res->status = QR_RELEASED | QR_ATTACHED;
  QUANT_RES* p = res;
  EXPECT_EQ(uint32_t(mj_res_free(&p)), QR_RELEASED | QR_ATTACHED);
  EXPECT_EQ(p, res);
  res->status = 0;
  EXPECT_EQ(uint32_t(mj_res_free(&p)), QR_RELEASED);
  EXPECT_EQ(p, nullptr);
}
