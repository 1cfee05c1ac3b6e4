// Quantification results and the pixel windows they hold.
#include "model/quant.h"

#include "base/ks_mem.h"
#include "base/slog.h"

static void set_bounds(QT_WIN* w, int cx, int cy, int size) {
  w->cx = cx;
  w->cy = cy;
  w->size = size;
  w->left = cx - size / 2;
  w->right = cx + size / 2;
  w->top = cy - size / 2;
  w->bottom = cy + size / 2;
}

QT_WIN* qt_alloc_window(int cx, int cy, int size) {
  if (size <= 0) return nullptr;
  auto* w = ks_new_rec<QT_WIN>();
  if (!w) {
    ks_dbg_null_ptr("qt_alloc_window", "win");
    return nullptr;
  }
  set_bounds(w, cx, cy, size);
  w->mode = QT_WIN_OWNED;
  w->rows = static_cast<int32_t**>(ks_alloc_msg(sizeof(int32_t*) * (std::size_t(size) + 1)));
  if (!w->rows) {
    ks_dbg_null_ptr("qt_alloc_window", "rows");
    ks_free(w);
    return nullptr;
  }
  // The cells lie in one block, row after row; rows[0] owns it.
  auto* cells = static_cast<int32_t*>(
      ks_alloc_msg(sizeof(int32_t) * std::size_t(size) * std::size_t(size)));
  if (!cells) {
    ks_dbg_null_ptr("qt_alloc_window", "cells");
    ks_free(w->rows);
    ks_free(w);
    return nullptr;
  }
  for (int i = 0; i < size; ++i) w->rows[i] = cells + std::size_t(i) * std::size_t(size);
  return w;
}

void qt_free_window(QT_WIN* w) {
  if (!w) return;
  if (w->rows) {
    if (w->mode == QT_WIN_OWNED) ks_free(w->rows[0]);
    ks_free(w->rows);
  }
  ks_free(w);
}

int qt_sub_window(QT_WIN* w, const QT_WIN* parent) {
  if (!w || !parent || !parent->rows || !w->rows) return -1;
  if (w->left < parent->left || w->right > parent->right || w->top < parent->top ||
      w->bottom > parent->bottom)
    return -1;
  int dx = w->left - parent->left;
  int dy = w->top - parent->top;
  for (int i = 0; i < w->size; ++i) w->rows[i] = parent->rows[dy + i] + dx;
  w->rows[w->size] = nullptr;
  w->mode = QT_WIN_SUB;
  return 0;
}

QT_WIN* qt_win_for_band(const SPOT* band, const QT_WIN* parent) {
  if (!band || !parent || parent->size <= 0) return nullptr;
  auto* w = ks_new_rec<QT_WIN>();
  if (!w) {
    ks_dbg_null_ptr("qt_win_for_band", "win");
    return nullptr;
  }
  set_bounds(w, band->x, band->y, parent->size);
  w->mode = QT_WIN_SUB;
  w->rows = static_cast<int32_t**>(ks_alloc_msg(sizeof(int32_t*) * (std::size_t(w->size) + 1)));
  if (!w->rows) {
    ks_dbg_null_ptr("qt_win_for_band", "rows");
    ks_free(w);
    return nullptr;
  }
  if (qt_sub_window(w, parent) != 0) {
    SLOG("qt_win_for_band", SLOG_WARN, "band (%d, %d) window leaves its parent", band->x, band->y);
    qt_free_window(w);
    return nullptr;
  }
  return w;
}

QUANT_RES* mj_res_alloc() {
  auto* r = ks_new_rec<QUANT_RES>();
  if (!r) ks_dbg_null_ptr("mj_res_alloc", "res");
  return r;
}

QUANT_RES* mj_res_attach(SPOT* band, QT_WIN* source) {
  if (!band || !source) return nullptr;
  QT_WIN* win = qt_win_for_band(band, source);
  if (!win) return nullptr;
  QUANT_RES* res = mj_res_alloc();
  if (!res) {
    qt_free_window(win);
    return nullptr;
  }
  res->status |= QR_ATTACHED;
  res->win = win;
  res->source = source;
  // A result attached before belongs to the band: release it rather than lose it.
  if (band->result) mj_res_free(&band->result);
  band->result = res;
  return res;
}

int mj_res_free(QUANT_RES** res) {
  if (!res || !*res) return 0;
  QUANT_RES* r = *res;
  if (r->status & QR_RELEASED) return int(r->status);
  uint32_t status = r->status | QR_RELEASED;
  qt_free_window(r->win);
  ks_free(r);
  *res = nullptr;
  return int(status);
}
