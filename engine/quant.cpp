// Band quantification: lane images, the shared pixel windows, band widths, the outline fill and
// the integrated intensity.
#include "engine/quant.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <type_traits>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/ks_mem.h"
#include "base/slog.h"
#include "engine/lane_geometry.h"
#include "engine/lane_kernels.h"
#include "engine/lane_profile.h"
#include "base/hot_clones.h"
#include "io/kes_image.h"
#include "toolkit/core/tk_image.h"

namespace {

// The image rows a shared window's cells hold. The cells are a ring of rows: image row y lies in
// cell row y mod size, so a window moved down its lane finds the rows it shares with its last
// position where they were. rows[k] is the image row cell row k holds, taken from the lane image
// `serial` with the window's left edge at `left`; none when serial is 0.
struct HeldRows {
  uint32_t serial = 0;
  int left = 0;
  std::vector<int> rows;
};

// A window shared by successive quantifications, kept with the size it was made for.
struct SharedWin {
  QT_WIN* win = nullptr;
  QT_WIN* spare = nullptr;  // the window made before, kept for a band that needs its size again
  int last_size = 0;
  int remembered = 75;  // size of the window made; a new size above 4 replaces it
  int32_t held[4] = {0, 0, -1, -1};  // image rectangle the last load copied pixels from
  HeldRows held_rows;        // what win's cells hold
  HeldRows spare_held_rows;  // what spare's cells hold
};

constexpr int kMarkNotInLane = '?';

// Outline segments of up to this many steps are drawn in whole numbers (see qt_perim).
constexpr int kPerimExactSteps = 1 << 20;

// Marks a failed quantification: the failed bit, the fail code word and the mark byte.
void mark_failed(SPOT* band, int code, int fail_word) {
  band->f1 |= SP_F1_QUANT_FAILED;
  band->fail_code = fail_word;
  band->left_hw = code == MJ_FAIL_NOT_IN_LANE ? static_cast<uint8_t>(kMarkNotInLane)
                                              : static_cast<uint8_t>(code);
}

int clampi(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

VX_HOT_CLONES int load_window_rows(QT_WIN* win, const LANE_IMAGE* img, int r0, int r1);

int ring_row(int y, int size) {
  const int m = y % size;
  return m < 0 ? m + size : m;
}

// The window's first cell row (the pointers hold its cell rows in some order).
int32_t* cells_base(const QT_WIN* w) {
  int32_t* base = w->rows[0];
  for (int r = 1; r < w->size; ++r) base = std::min(base, w->rows[r]);
  return base;
}

// Points the window's row pointers at its cells in the ring order for its current top.
void ring_rows(QT_WIN* w) {
  int32_t** rows = w->rows;
  int32_t* const base = cells_base(w);
  const int n = w->size;
  const std::size_t size = static_cast<std::size_t>(n);
  // Window rows 0 .. n - first - 1 lie in cell rows first .. n - 1, the others in cell rows 0 on.
  const int first = ring_row(w->top, n);
  int32_t* const at = base + static_cast<std::size_t>(first) * size;
  const int split = n - first;
  for (int r = 0; r < split; ++r) rows[r] = at + static_cast<std::size_t>(r) * size;
  for (int r = split; r < n; ++r) rows[r] = base + static_cast<std::size_t>(r - split) * size;
}

// Puts the row pointers back in cell order (the first owns the cells) before a window is freed.
void unring_rows(QT_WIN* w) {
  if (!w || !w->rows || w->mode != QT_WIN_OWNED) return;
  int32_t* const base = cells_base(w);
  for (int r = 0; r < w->size; ++r) w->rows[r] = base + static_cast<std::size_t>(r) * w->size;
}

void free_shared(QT_WIN* w) {
  unring_rows(w);
  qt_free_window(w);
}

// Set on a thread once its shared windows have been freed at its end. A plain flag, so it
// outlives the owners: a release called later in that thread's exit (from the destructor of a
// static or thread-local object made before the first quantification) then finds nothing to
// free rather than the windows freed already.
thread_local bool t_owners_gone = false;

// The shared windows of one thread, freed when the thread ends: lanes quantified on worker
// threads each move their own windows, and the calling thread keeps its own between commands.
struct SharedWinOwner {
  SharedWin w;
  SharedWinOwner() = default;
  SharedWinOwner(const SharedWinOwner&) = delete;
  SharedWinOwner& operator=(const SharedWinOwner&) = delete;
  ~SharedWinOwner() {
    free_shared(w.win);
    free_shared(w.spare);
    w = SharedWin();
    t_owners_gone = true;
  }
};
thread_local SharedWinOwner t_main;     // bands quantified from their lane profile
thread_local SharedWinOwner t_outline;  // bands with a drawn outline

// Cells c0..c1 of window row r as load_window_rows loads them.
void load_row_cells(QT_WIN* win, const LANE_IMAGE* img, int r, int c0, int c1) {
  const int white = img->is_8bit ? 255 : 65535;
  const int iw = img->stride > 0 ? img->stride : img->x_max - img->x_min + 1;
  const int y = win->top + r;
  int32_t* row = win->rows[r];
  for (int c = c0; c <= c1; ++c) {
    const int x = win->left + c;
    if (y < img->y_min || y > img->y_max || x < img->x_min || x > img->x_max) {
      row[c] = white;
      continue;
    }
    const std::size_t at = static_cast<std::size_t>(y - img->y_min) * iw + (x - img->x_min);
    row[c] = img->is_8bit ? static_cast<const uint8_t*>(img->pixels)[at]
                          : static_cast<const uint16_t*>(img->pixels)[at];
  }
}

// The window moved sideways over the same lane image: each row it holds that lies in the window
// keeps the cells of the columns it still covers (a cell's value depends only on its image
// column and row) and loads the others; rows outside the window are let go.
void shift_held_rows(QT_WIN* win, const LANE_IMAGE* img, HeldRows& h) {
  const int size = win->size;
  const int dx = win->left - h.left;
  const std::size_t kept = static_cast<std::size_t>(size - std::abs(dx));
  for (int k = 0; k < size; ++k) {
    int& y = h.rows[static_cast<std::size_t>(k)];
    if (y == INT_MIN) continue;
    const int r = y - win->top;
    if (r < 0 || r >= size) {
      y = INT_MIN;
      continue;
    }
    int32_t* row = win->rows[r];
    if (dx > 0) {
      std::memmove(row, row + dx, kept * sizeof(int32_t));
      load_row_cells(win, img, r, size - dx, size - 1);
    } else {
      std::memmove(row - dx, row, kept * sizeof(int32_t));
      load_row_cells(win, img, r, 0, -dx - 1);
    }
  }
  h.left = win->left;
}

// Loads window rows r0..r1 of the shared window; rows it already holds from the same lane image
// at the same left edge are kept.
int load_shared_rows(SharedWin& sw, const LANE_IMAGE* img, int r0, int r1) {
  QT_WIN* win = sw.win;
  if (!win || !win->rows || !img || !img->pixels) return MJ_FAIL_LOAD;
  const int size = win->size;
  HeldRows& h = sw.held_rows;
  const int lo = std::max(r0, 0), hi = std::min(r1, size - 1);
  // The row pointers are set out for the window's place, and the rows it holds moved with it,
  // only once some rows are to be loaded: a window placed only to be given up does neither.
  if (img->serial == 0) h.serial = 0;
  if (lo > hi) return 0;
  ring_rows(win);
  if (img->serial == 0) return load_window_rows(win, img, r0, r1);
  if (h.serial == img->serial && h.left != win->left && static_cast<int>(h.rows.size()) == size &&
      std::abs(win->left - h.left) < size / 2)
    shift_held_rows(win, img, h);
  if (h.serial != img->serial || h.left != win->left || static_cast<int>(h.rows.size()) != size) {
    h.rows.assign(static_cast<std::size_t>(size), INT_MIN);
    h.serial = img->serial;
    h.left = win->left;
  }
  std::vector<int>& tags = h.rows;
  // Window row r lies in cell row `slot`, which steps on with r round the ring.
  auto next = [size](int k) { return k + 1 == size ? 0 : k + 1; };
  int slot = ring_row(win->top + lo, size);
  for (int r = lo; r <= hi;) {
    const int y = win->top + r;
    if (tags[static_cast<std::size_t>(slot)] == y) {
      ++r;
      slot = next(slot);
      continue;
    }
    // Runs of rows not held are loaded together.
    int e = r, last = slot;
    while (e < hi && tags[static_cast<std::size_t>(next(last))] != y + (e + 1 - r)) {
      ++e;
      last = next(last);
    }
    load_window_rows(win, img, r, e);
    for (int k = r, at = slot; k <= e; ++k, at = next(at))
      tags[static_cast<std::size_t>(at)] = win->top + k;
    r = e + 1;
    slot = next(last);
  }
  return 0;
}

// Makes (or reuses) a shared window of `size` centred on the record's centre and loads its rows
// row_from..row_to (all of them by default).
int prepare_window(SharedWin& sw, const LANE_IMAGE* img, int size, int row_from = 0,
                   int row_to = INT_MAX) {
  if (sw.win && size == sw.last_size) {
    qt_move_window(sw.win, img->cx, img->cy);
  } else {
    // Successive bands often alternate between two sizes: the window given up is kept as the
    // spare, and taken back when the new size is its size. Loading rewrites every cell.
    QT_WIN* old = sw.win;
    sw.win = nullptr;
    sw.last_size = 0;
    HeldRows old_held = std::move(sw.held_rows);
    sw.held_rows = HeldRows();
    if (size > 4) sw.remembered = size;
    if (!mj_alloc_fails()) {
      if (sw.spare && sw.spare->size == sw.remembered) {
        sw.win = sw.spare;
        sw.spare = nullptr;
        sw.held_rows = std::move(sw.spare_held_rows);
        sw.spare_held_rows = HeldRows();
        qt_move_window(sw.win, img->cx, img->cy);
      } else {
        sw.win = qt_alloc_window(img->cx, img->cy, sw.remembered);
      }
    }
    if (old) {
      free_shared(sw.spare);
      sw.spare = old;
      sw.spare_held_rows = std::move(old_held);
    }
    if (!sw.win) return MJ_FAIL_WIN_ALLOC;
    sw.last_size = size;
  }
  if (load_shared_rows(sw, img, row_from, row_to) != 0) return MJ_FAIL_LOAD;
  sw.held[0] = img->x_min;
  sw.held[1] = img->y_min;
  sw.held[2] = img->x_max;
  sw.held[3] = img->y_max;
  return 0;
}

double factor(double mant, int exp) { return mant * std::pow(10.0, exp); }

}  // namespace

namespace {

// The image rectangle about the lane that its quantifications need (see ln_read_lane_image) in
// an image of width x height: false when it is empty.
bool lane_rect(const LANE* lane, int width, int height, int row, int32_t rect[4]) {
  const int w = lane->left_width + lane->right_width + 1;
  int right_x = 0, left_x = 0;
  ln_lane_extent(lane, &right_x, &left_x);
  const int x0 = std::max(0, left_x - w);
  const int x1 = std::min(width - 2, right_x + w);
  int y0, y1;
  if (row == -1) {
    y0 = lane->center_coords[0].y - w;
    y1 = lane->center_coords[lane->num_center_points - 1].y + w;
  } else {
    y0 = row - 2 * w;
    y1 = row + 2 * w;
  }
  y0 = std::max(0, y0);
  y1 = std::min(height - 2, y1);
  if (x1 < x0 || y1 < y0) return false;
  rect[0] = x0;
  rect[1] = y0;
  rect[2] = x1 - x0 + 1;
  rect[3] = y1 - y0 + 1;
  return true;
}

// Fills the record for the pixels (now owned by it) of the rectangle.
void set_lane_image(LANE_IMAGE* out, void* pixels, const int32_t rect[4], int bytes_per_pixel) {
  *out = LANE_IMAGE{};
  out->pixels = pixels;
  out->x_min = rect[0];
  out->y_min = rect[1];
  out->x_max = rect[0] + rect[2] - 1;
  out->y_max = rect[1] + rect[3] - 1;
  out->is_8bit = bytes_per_pixel == 1 ? 1 : 0;
  out->scale1_mant = out->scale2_mant = 1.0;
}

}  // namespace

int ln_read_lane_image(const LANE* lane, LANE_IMAGE* out, const IMG_INFO* header,
                       const char* image_path, int row) {
  static const char* fn = "ln_read_lane_image";
  SLOG(fn, SLOG_ENTRY, "row %d", row);
  if (!lane || !out || !image_path || !lane->center_coords || lane->num_center_points < 1)
    return -1;
  int bits = 0;
  int32_t extent[2] = {0, 0};
  if (!io_query_image(image_path, &bits, extent)) {
    SLOG(fn, SLOG_EXIT, "cannot query <%s>", image_path);
    return -1;
  }
  const int width = header ? header->width : extent[0];
  const int height = header ? header->height : extent[1];
  int32_t rect[4];
  if (!lane_rect(lane, width, height, row, rect)) {
    SLOG(fn, SLOG_EXIT, "empty rectangle");
    return -1;
  }
  // Only the rectangle's bytes are read, straight into the lane image's block.
  int bpp = 0;
  void* pixels = io_read_kestrin_block(image_path, rect, &bpp);
  if (!pixels) {
    SLOG(fn, SLOG_EXIT, "read failed");
    return -1;
  }
  set_lane_image(out, pixels, rect, bpp);
  SLOG(fn, SLOG_EXIT, "(%d, %d) - (%d, %d)", out->x_min, out->y_min, out->x_max, out->y_max);
  return 0;
}

namespace {

// The rectangle about the lane inside the whole image held: false when it is empty or lies
// outside the image.
bool whole_rect(const LANE* lane, const IMG_INFO* header, const TkImage* whole, int row,
                int32_t rect[4]) {
  static const char* fn = "ln_cut_lane_image";
  if (!lane || !whole || whole->empty() || !lane->center_coords || lane->num_center_points < 1)
    return false;
  const int width = header ? header->width : whole->width();
  const int height = header ? header->height : whole->height();
  if (!lane_rect(lane, width, height, row, rect)) return false;
  if (rect[0] + rect[2] > whole->width() || rect[1] + rect[3] > whole->height()) {
    SLOG(fn, SLOG_EXIT, "rectangle outside the %d x %d image", whole->width(), whole->height());
    return false;
  }
  return true;
}

}  // namespace

int ln_cut_lane_image(const LANE* lane, LANE_IMAGE* out, const IMG_INFO* header,
                      const TkImage* whole, int row) {
  static const char* fn = "ln_cut_lane_image";
  int32_t rect[4];
  if (!out || !whole_rect(lane, header, whole, row, rect)) return -1;
  const int bpp = whole->bytes_per_pixel();
  const std::size_t line = static_cast<std::size_t>(rect[2]) * bpp;
  auto* pixels = static_cast<uint8_t*>(ks_huge_alloc_msg(line * static_cast<std::size_t>(rect[3])));
  if (!pixels) {
    ks_dbg_null_ptr(fn, "pixels");
    return -1;
  }
  for (int r = 0; r < rect[3]; ++r)
    std::memcpy(pixels + line * r, whole->row(rect[1] + r) + static_cast<std::size_t>(rect[0]) * bpp,
                line);
  set_lane_image(out, pixels, rect, bpp);
  return 0;
}

int ln_view_lane_image(const LANE* lane, LANE_IMAGE* out, const IMG_INFO* header,
                       const TkImage* whole, int row) {
  int32_t rect[4];
  if (!out || !whole_rect(lane, header, whole, row, rect)) return -1;
  const int bpp = whole->bytes_per_pixel();
  // The rows lie one stride apart in the image's block.
  const std::ptrdiff_t step = whole->height() > 1 ? whole->row(1) - whole->row(0) : 0;
  if (whole->height() > 1 && (step <= 0 || step % bpp != 0)) return -1;
  auto* first = const_cast<uint8_t*>(whole->row(rect[1])) + static_cast<std::size_t>(rect[0]) * bpp;
  set_lane_image(out, first, rect, bpp);
  out->stride = static_cast<int32_t>(step / bpp);
  out->borrowed = 1;
  return 0;
}

uint32_t ln_lane_image_serial() {
  // Lanes quantified on several threads take their numbers at once.
  static std::atomic<uint32_t> last{0};
  uint32_t n = last.fetch_add(1, std::memory_order_relaxed) + 1;
  if (n == 0) n = last.fetch_add(1, std::memory_order_relaxed) + 1;
  return n;
}

void ln_free_lane_image(LANE_IMAGE* img) {
  if (!img) return;
  if (!img->borrowed) ks_huge_free_msg(img->pixels);
  img->borrowed = 0;
  img->pixels = nullptr;
}

int mj_windowsize(int W, int t, int f) {
  // The half widths start at W / 2 and live in a byte: a wider lane has no window.
  if (W <= 0 || W / 2 > 255) return -1;
  const int k = kLnKernelWidths[clampi((2 * f - 3) / 2, 0, 6)];
  const int m = std::max({W / 14, t / 2, f});
  const int r = mj_ramp(m);
  int size;
  if (W / 20 <= r) {
    size = W + (2 * r + k) * 2 + 2;
  } else {
    size = W + (W / 10 + k) * 2 + 2;
  }
  return size | 1;
}

QT_WIN* mj_quant_window() { return t_main.w.win; }

void mj_quant_release() {
  if (t_owners_gone) return;  // this thread is ending and its windows are freed already
  for (SharedWin* sw : {&t_main.w, &t_outline.w}) {
    free_shared(sw->win);
    free_shared(sw->spare);
    *sw = SharedWin();
  }
}

namespace {

// Loads window rows r0..r1 (held to the window) as mj_load_window loads them all. The copy for
// processors with AVX2 widens sixteen pixels at a time.
VX_HOT_CLONES int load_window_rows(QT_WIN* win, const LANE_IMAGE* img, int r0, int r1) {
  if (!win || !win->rows || !img || !img->pixels) return MJ_FAIL_LOAD;
  const int white = img->is_8bit ? 255 : 65535;
  const int size = win->size;
  const int left = win->left, top = win->top;
  const int iw = img->stride > 0 ? img->stride : img->x_max - img->x_min + 1;
  const int x0 = std::max(left, img->x_min), x1 = std::min(win->right, img->x_max);
  const int y0 = std::max(top, img->y_min), y1 = std::min(win->bottom, img->y_max);
  int32_t* const* rows = win->rows;
  if (!img->is_8bit && x1 >= x0) {
    // The first rows' sources are fetched at once; each row then fetches the row 8 below it.
    const int ya = std::max(top + std::max(r0, 0), y0), yb = std::min(ya + 7, y1);
    const std::size_t bytes = 2 * static_cast<std::size_t>(x1 - x0 + 1);
    for (int y = ya; y <= yb; ++y) {
      const auto* src = reinterpret_cast<const char*>(
          static_cast<const uint16_t*>(img->pixels) +
          static_cast<std::size_t>(y - img->y_min) * iw + (x0 - img->x_min));
      for (std::size_t k = 0; k < bytes; k += 64) __builtin_prefetch(src + k);
      __builtin_prefetch(src + bytes - 1);
    }
  }
  // Cells the lane image does not cover read white; the others are copied from the image.
  for (int r = std::max(r0, 0); r <= std::min(r1, size - 1); ++r) {
    int32_t* row = rows[r];
    const int y = top + r;
    if (y < y0 || y > y1 || x1 < x0) {
      std::fill(row, row + size, white);
      continue;
    }
    std::fill(row, row + (x0 - left), white);
    std::fill(row + (x1 - left) + 1, row + size, white);
    int32_t* dst = row + (x0 - left);
    const int n = x1 - x0 + 1;
    const std::size_t at = static_cast<std::size_t>(y - img->y_min) * iw + (x0 - img->x_min);
    if (img->is_8bit) {
      const auto* src = static_cast<const uint8_t*>(img->pixels) + at;
      for (int k = 0; k < n; ++k) dst[k] = src[k];
    } else {
      const auto* src = static_cast<const uint16_t*>(img->pixels) + at;
      // The rows of a lane image seen in the whole image lie far apart: the source of a row a
      // few rows ahead is fetched while this one is converted.
      if (y + 8 <= y1) {
        const auto* ahead = reinterpret_cast<const char*>(src + 8 * static_cast<std::size_t>(iw));
        for (int k = 0; k < 2 * n; k += 64) __builtin_prefetch(ahead + k);
        __builtin_prefetch(ahead + 2 * n - 1);
      }
      for (int k = 0; k < n; ++k) dst[k] = src[k];
    }
  }
  return 0;
}

}  // namespace

int mj_load_window(QT_WIN* win, const LANE_IMAGE* img) {
  // The shared windows forget the rows they held: this load may rewrite them.
  for (SharedWin* sw : {&t_main.w, &t_outline.w})
    if (sw->win == win) sw->held_rows.serial = 0;
  return load_window_rows(win, img, 0, win ? win->size - 1 : -1);
}

namespace {

// mj_quantwin loading only window rows row_from..row_to.
int quantwin(const LANE_IMAGE* img, const SPOT* band, int grow_only, int row_from, int row_to) {
  static const char* fn = "mj_quantwin";
  if (!img || !band) return MJ_FAIL_LOAD;
  const int size = mj_windowsize(band->lane_width, band->thickness, band->band_fw);
  SLOG(fn, SLOG_ENTRY, "size %d, grow %d", size, grow_only);
  if (size <= 0) return MJ_FAIL_SIZE;
  if (grow_only && t_main.w.win && t_main.w.win->size >= size) return 0;
  const int r = prepare_window(t_main.w, img, size, row_from, row_to);
  SLOG(fn, SLOG_EXIT, "%d", r);
  return r;
}

}  // namespace

int mj_quantwin(const LANE_IMAGE* img, const SPOT* band, int grow_only) {
  return quantwin(img, band, grow_only, 0, INT_MAX);
}

namespace {

// Calls sum_rows with the thread's work array of column sums: 32-bit sums when the n rows
// summed (pixel values, 0 .. 65535) cannot overflow them, else 64-bit ones. Inlined, so that
// the sums are compiled for the caller's processor.
template <class SumRows>
[[gnu::always_inline]] inline void with_column_sums(int n, SumRows& sum_rows) {
  if (n < 32768) {
    thread_local std::vector<int32_t> sums;
    sum_rows(sums);
  } else {
    thread_local std::vector<long> sums;
    sum_rows(sums);
  }
}

// prof[i] = the mean of window column first_col + i (held to the window) over rows y_lo..y_hi,
// for i < L; 0 without rows. Cells hold pixel values (0 .. 65535), so the sums of fewer than
// 32768 rows fit in 32 bits, and the copy for processors with AVX2 adds eight at a time.
VX_HOT_CLONES void column_means(const QT_WIN* win, int y_lo, int y_hi, int first_col, int L,
                                int32_t* prof) {
  const int size = win->size;
  const int n = y_hi >= y_lo ? y_hi - y_lo + 1 : 0;
  const int i_lo = std::clamp(-first_col, 0, L), i_hi = std::clamp(size - first_col, i_lo, L);
  auto sum_rows = [&](auto& sums) {
    sums.assign(static_cast<std::size_t>(L), 0);
    auto* s = sums.data();
    for (int y = y_lo; y <= y_hi; ++y) {
      const int32_t* row = win->rows[y];
      for (int i = 0; i < i_lo; ++i) s[i] += row[0];
      const int32_t* src = row + first_col;
      for (int i = i_lo; i < i_hi; ++i) s[i] += src[i];
      for (int i = i_hi; i < L; ++i) s[i] += row[size - 1];
    }
    for (int i = 0; i < L; ++i) prof[i] = n ? static_cast<int32_t>(s[i] / n) : 0;
  };
  with_column_sums(n, sum_rows);
}

// The valleys of a width profile of n values, as the standard feature detector leaves them with
// expected band thickness t (one segment), peak threshold 1 and neither valley clean-up nor
// splitting, ascending, into `valleys`; the work arrays are the caller's. Its peaks are only
// weighed, not kept: the detector's passes over them that move or drop peaks alone change no
// valley.
void width_valleys(const int32_t* v, int n, int t, std::vector<int>& d2, std::vector<int>& valleys,
                   std::vector<int>& peaks, std::vector<int>& links) {
  valleys.clear();
  peaks.clear();
  if (n <= 0) return;
  d2.resize(static_cast<std::size_t>(n));
  // A profile shorter than the kernel has no features at all.
  if (mt_2df(t, n, v, d2.data()) != 0) return;
  // Runs of equal sign of the second derivative: each falling run a valley at its lowest point
  // (the middle of a flat bottom), each rising run a peak at its highest. They alternate.
  for (int j = 0; j < n;) {
    const bool up = d2[j] >= 1;
    int r = j;
    while (r + 1 < n && (d2[r + 1] >= 1) == up) ++r;
    int m = j;
    for (int i = j + 1; i <= r; ++i)
      if (up ? v[i] > v[m] : v[i] < v[m]) m = i;
    int e = m + 1;
    while (e < n && v[e] == v[m] && (d2[e] >= 1) == up) ++e;
    (up ? peaks : valleys).push_back((e + m - 1) / 2);
    j = r + 1;
  }
  // A peak that does not rise at least 1 above the lower of the valleys beside it (the
  // profile's ends where there is none) goes, and takes the higher of those valleys with it.
  // The valleys left are linked both ways: links[2k] the one before valley k, links[2k + 1] the
  // one after (nv: none, which also heads the list).
  const int nv = static_cast<int>(valleys.size());
  links.resize(2 * static_cast<std::size_t>(nv) + 2);
  for (int k = 0; k <= nv; ++k) {
    links[2 * static_cast<std::size_t>(k)] = k == 0 ? nv : k - 1;
    links[2 * static_cast<std::size_t>(k) + 1] = k + 1 <= nv - 1 ? k + 1 : nv;
  }
  if (nv > 0) {
    links[2 * static_cast<std::size_t>(nv)] = nv - 1;
    links[2 * static_cast<std::size_t>(nv) + 1] = 0;
  }
  auto prev_of = [&](int k) -> int& { return links[2 * static_cast<std::size_t>(k)]; };
  auto next_of = [&](int k) -> int& { return links[2 * static_cast<std::size_t>(k) + 1]; };
  auto unlink = [&](int k) {
    next_of(prev_of(k)) = next_of(k);
    prev_of(next_of(k)) = prev_of(k);
  };
  int at = nv;  // the last valley left before the peak in hand (nv: none)
  for (const int pos : peaks) {
    while (next_of(at) != nv && valleys[static_cast<std::size_t>(next_of(at))] < pos)
      at = next_of(at);
    const int lv = at, rv = next_of(at);
    const int lval = lv != nv ? v[valleys[static_cast<std::size_t>(lv)]] : v[0];
    const int rval = rv != nv ? v[valleys[static_cast<std::size_t>(rv)]] : v[n - 1];
    if (v[pos] - std::min(lval, rval) >= 1) continue;
    const int higher = rval > lval ? rv : lv;
    if (higher == nv) continue;
    if (higher == at) at = prev_of(at);
    unlink(higher);
  }
  // The valleys left, with the profile's two ends.
  int kept = 0;
  bool first = false, last = false;
  for (int k = next_of(nv); k != nv; k = next_of(k)) {
    const int pos = valleys[static_cast<std::size_t>(k)];
    first = first || pos == 0;
    last = last || pos == n - 1;
    valleys[static_cast<std::size_t>(kept++)] = pos;
  }
  valleys.resize(static_cast<std::size_t>(kept));
  if (!first) valleys.insert(valleys.begin(), 0);
  if (!last && n - 1 != 0) valleys.push_back(n - 1);
}

}  // namespace

void mj_width_valleys(const int32_t* prof, int n, int t, std::vector<int>* valleys) {
  if (!valleys) return;
  thread_local std::vector<int> d2, peaks, links;
  if (!prof || n <= 0) {
    valleys->clear();
    return;
  }
  width_valleys(prof, n, t, d2, *valleys, peaks, links);
}

namespace {

// Work arrays of mj_width, kept between bands.
struct WidthScratch {
  std::vector<int32_t> prof;
  std::vector<int> d2, valleys, peaks, links;
};

// The image's columns over window rows y_lo..y_hi as column_means finds them in `win` once it
// is loaded: prof[i] the mean of window column first_col + i (which lies inside the window),
// cells outside the lane image white. The copy for processors with AVX2 adds several at once.
VX_HOT_CLONES void image_column_means(const LANE_IMAGE* img, const QT_WIN* win, int y_lo,
                                      int y_hi, int first_col, int L, int32_t* prof) {
  const int n = y_hi >= y_lo ? y_hi - y_lo + 1 : 0;
  const int white = img->is_8bit ? 255 : 65535;
  const int iw = img->stride > 0 ? img->stride : img->x_max - img->x_min + 1;
  const int x_first = win->left + first_col;
  // Columns i_lo..i_hi - 1 lie inside the lane image.
  const int i_lo = std::clamp(img->x_min - x_first, 0, L);
  const int i_hi = std::clamp(img->x_max - x_first + 1, i_lo, L);
  // The rows lie far apart in the image: the first ones are fetched at once, and each row
  // then fetches the one eight below it while it is added.
  const int bpp = img->is_8bit ? 1 : 2;
  const std::size_t bytes = static_cast<std::size_t>(std::max(i_hi - i_lo, 0)) * bpp;
  auto fetch = [&](int y) {
    const int iy = win->top + y;
    if (y > y_hi || iy < img->y_min || iy > img->y_max || bytes == 0) return;
    const char* src = static_cast<const char*>(img->pixels) +
                      (static_cast<std::size_t>(iy - img->y_min) * iw + (x_first + i_lo - img->x_min)) * bpp;
    for (std::size_t k = 0; k < bytes; k += 64) __builtin_prefetch(src + k);
    __builtin_prefetch(src + bytes - 1);
  };
  for (int y = y_lo; y < y_lo + 8; ++y) fetch(y);
  auto sum_rows = [&](auto& sums) {
    sums.assign(static_cast<std::size_t>(L), 0);
    auto* s = sums.data();
    int white_rows = 0;
    for (int y = y_lo; y <= y_hi; ++y) {
      fetch(y + 8);
      const int iy = win->top + y;
      if (iy < img->y_min || iy > img->y_max) {
        ++white_rows;
        continue;
      }
      const std::size_t at = static_cast<std::size_t>(iy - img->y_min) * iw +
                             (x_first + i_lo - img->x_min);
      if (img->is_8bit) {
        const uint8_t* src = static_cast<const uint8_t*>(img->pixels) + at - i_lo;
        for (int i = i_lo; i < i_hi; ++i) s[i] += src[i];
      } else {
        const uint16_t* src = static_cast<const uint16_t*>(img->pixels) + at - i_lo;
        for (int i = i_lo; i < i_hi; ++i) s[i] += src[i];
      }
    }
    for (int i = 0; i < L; ++i) {
      const int whites = i < i_lo || i >= i_hi ? n : white_rows;
      s[i] += static_cast<std::remove_reference_t<decltype(s[i])>>(whites) * white;
      prof[i] = n ? static_cast<int32_t>(s[i] / n) : 0;
    }
  };
  with_column_sums(n, sum_rows);
}

// mj_width with the width profile taken from the window's cells (no image), or from the lane
// image at the window's place before its cells are loaded.
int band_width(SPOT* band, const QT_WIN* win, const LANE_IMAGE* img) {
  static const char* fn = "mj_width";
  if (!band || !win || !win->rows) return 0;
  const int W = band->lane_width;
  band->left_hw = band->right_hw = static_cast<uint8_t>(std::min(W / 2, 255));
  const int size = win->size;
  const int t = band->thickness ? 4 * band->thickness : 2 * band->band_fw;
  const int r = std::min(t, size) / 2;
  const int L = std::min(static_cast<int>(2.5 * W + 1.0), size);
  if (L < 1) return 1;
  const int c = size / 2;
  const int first_col = c - L / 2;

  if (mj_alloc_fails()) return 0;
  thread_local WidthScratch work;
  try {
    work.prof.resize(static_cast<std::size_t>(L));
  } catch (const std::bad_alloc&) {
    ks_dbg_null_ptr(fn, "data_values");
    return 0;
  }
  int32_t* prof = work.prof.data();
  // Each profile value is the mean of its column over rows c - r .. c + r inside the window:
  // the columns are summed row by row (integer sums, exact in any order).
  const int y_lo = std::max(c - r, 0), y_hi = std::min(c + r, size - 1);
  if (img)
    image_column_means(img, win, y_lo, y_hi, first_col, L, prof);
  else
    column_means(win, y_lo, y_hi, first_col, L, prof);
  try {
    width_valleys(prof, L, W / 4, work.d2, work.valleys, work.peaks, work.links);
  } catch (const std::bad_alloc&) {
    ks_dbg_null_ptr(fn, "valleys");
    return 0;
  }

  const int mid = L / 2;
  int left = -1, right = -1;
  for (const int p : work.valleys) {
    if (p < mid) {
      if (left < 0 || prof[p] <= prof[left]) left = p;  // the last of equals
    } else if (right < 0 || prof[p] < prof[right]) {
      right = p;  // the first of equals
    }
  }
  if (left >= 0 && right >= 0) {
    const int mv = prof[mid];
    const int thr_l = prof[left] + static_cast<int>(0.4 * (mv - prof[left]));
    const int thr_r = prof[right] + static_cast<int>(0.4 * (mv - prof[right]));
    while (left < mid && prof[left] < thr_l) ++left;
    while (right > mid && prof[right] < thr_r) --right;
    const int ls = mid - left + 1, rs = right - mid + 1;
    // Half widths live in a byte: a wider measurement keeps the widths as they were.
    if (0.33 * rs <= ls && 3 * rs >= ls && mid - left <= 255 && right - mid <= 255) {
      band->lane_width = right - left + 1;
      band->left_hw = static_cast<uint8_t>(mid - left);
      band->right_hw = static_cast<uint8_t>(right - mid);
    }
  }
  SLOG(fn, SLOG_VALUE4, "width %d (%d, %d)", band->lane_width, band->left_hw, band->right_hw);
  return 1;
}

}  // namespace

int mj_width(SPOT* band, const QT_WIN* win) { return band_width(band, win, nullptr); }

int mj_FdBnds(SPOT* band, const LANE* lane, int find) {
  static const char* fn = "mj_FdBnds";
  if (!band || !band->result || !band->result->win) {
    if (band) mark_failed(band, MJ_FAIL_ALLOC, MJ_FAIL_ALLOC);
    return 0;
  }
  const int r = mj_2df_bnds(band, band->result->win, band->result, lane, find);
  if (r >= 0 && r <= 12) return 1;
  if (r >= 13) {
    SLOG(fn, SLOG_WARN, "too many fail (%d)", r);
    mark_failed(band, -r, -r);
  } else {
    SLOG(fn, SLOG_WARN, "nfails negative (%d)", r);
    mark_failed(band, r, r);
  }
  return 0;
}

int mj_ckbnd(const SPOT* band) {
  if (!band || !band->result) return MJ_FAIL_GAPS;
  int run = 0;
  for (int i = 0; i < SP_BOUNDS; ++i) {
    run = band->result->bnd_y[i] == -1 ? run + 1 : 0;
    if (run > 4) return MJ_FAIL_GAPS;
  }
  return 1;
}

namespace {

// d k / steps rounded to the nearest whole number, halves up, in doubles.
int rounded_offset(int d, int k, int steps) {
  return static_cast<int>(std::floor(static_cast<double>(d) * k / steps + 501.5) - 501);
}

}  // namespace

namespace {

// Steps 0..steps - 1 of one outline segment from (x0, y0): along the longer axis (x when
// XMajor) step k lies k cells on in direction `step`; along the other the offset is kept as a
// quotient and a remainder that each step moves by 2 d. Cells outside the canvas are skipped
// unless the segment is known to lie inside it.
template <bool XMajor, bool Inside, class Cell>
void draw_steps(Cell* const* rows, int size, int x0, int y0, int steps, int step, int d) {
  const int64_t den = 2 * static_cast<int64_t>(steps);
  int64_t rem = steps;
  int q = 0;
  for (int k = 0; k < steps; ++k) {
    const int x = XMajor ? x0 + step * k : x0 + q;
    const int y = XMajor ? y0 + q : y0 + step * k;
    if (Inside || (x >= 0 && y >= 0 && x < size && y < size)) rows[y][x] = 1;
    rem += 2 * d;
    if (rem >= den) {
      rem -= den;
      ++q;
    } else if (rem < 0) {
      rem += den;
      --q;
    }
  }
}

// Draws the closed outline of the 36 points into rows of size x size cells with 1s, as
// qt_perim describes.
template <class Cell>
void draw_outline(Cell* const* rows, int size, const int32_t* px, const int32_t* py) {
  for (int i = 0; i < SP_BOUNDS; ++i) {
    const int prev = i == 0 ? SP_BOUNDS - 1 : i - 1;
    const int x0 = px[prev], y0 = py[prev];
    const int dx = px[i] - x0, dy = py[i] - y0;
    const int steps = std::max(std::abs(dx), std::abs(dy));
    if (steps > kPerimExactSteps) {
      for (int k = 0; k < steps; ++k) {
        const int x = x0 + rounded_offset(dx, k, steps), y = y0 + rounded_offset(dy, k, steps);
        if (x >= 0 && y >= 0 && x < size && y < size) rows[y][x] = 1;
      }
      continue;
    }
    // Step k lies at the nearest cell to k / steps of the way, halves rounded up: the offset is
    // floor((2 d k + steps) / (2 steps)). Along the longer axis that is k itself (or -k); along
    // the other it is kept as a quotient and a remainder (draw_steps). (A point's offset
    // d k / steps differs from a half by at least 1 / (2 steps), far more than the rounding of
    // the same offset worked out in doubles.)
    if (steps == 0) continue;
    const bool x_major = std::abs(dx) == steps;
    const int step = (x_major ? dx : dy) > 0 ? 1 : -1;
    const int d = x_major ? dy : dx;
    // A segment with both ends inside the canvas lies inside it.
    const bool inside = x0 >= 0 && y0 >= 0 && x0 < size && y0 < size && px[i] >= 0 &&
                        py[i] >= 0 && px[i] < size && py[i] < size;
    if (x_major) {
      if (inside)
        draw_steps<true, true>(rows, size, x0, y0, steps, step, d);
      else
        draw_steps<true, false>(rows, size, x0, y0, steps, step, d);
    } else {
      if (inside)
        draw_steps<false, true>(rows, size, x0, y0, steps, step, d);
      else
        draw_steps<false, false>(rows, size, x0, y0, steps, step, d);
    }
  }
}

}  // namespace

void qt_perim(QT_WIN* canvas, const int32_t* px, const int32_t* py) {
  if (!canvas || !canvas->rows || !px || !py) return;
  draw_outline(canvas->rows, canvas->size, px, py);
}

namespace {

// The fill's canvas holds one byte a cell: 0 clear, else marked.

// The first cell of row[from..end) that is marked (not zero) when `marked`, not marked (zero)
// otherwise; end when there is none. Sixteen cells are tested at once where the processor
// allows.
int first_cell(const uint8_t* row, int from, int end, bool marked) {
  int k = from;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  // Bits of the cells sought in a group of sixteen.
  const int flip = marked ? 0xFFFF : 0;
  for (; k + 16 <= end; k += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + k));
    const int sought = _mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)) ^ flip;
    if (sought != 0) return k + __builtin_ctz(static_cast<unsigned>(sought));
  }
#endif
  while (k < end && (row[k] != 0) != marked) ++k;
  return k;
}
int marked_from(const uint8_t* row, int from, int end) { return first_cell(row, from, end, true); }
int clear_from(const uint8_t* row, int from, int end) { return first_cell(row, from, end, false); }

// One past the last marked cell of row[0..to); 0 when there is none.
int marked_end_before(const uint8_t* row, int to) {
  int k = to;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; k >= 16; k -= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + k - 16));
    const unsigned marked = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero))) ^ 0xFFFFu;
    if (marked != 0) return k - 16 + (31 - __builtin_clz(marked)) + 1;
  }
#endif
  while (k > 0 && !row[k - 1]) --k;
  return k;
}

}  // namespace

int mj_fdarea(const SPOT* band, const QT_WIN* win, std::vector<QT_SPAN>* spans) {
  static const char* fn = "mj_fdarea";
  if (!band || !band->result || !win || !spans) return MJ_FAIL_BOUNDS;
  spans->clear();
  const QUANT_RES* res = band->result;
  // Invalid slots take the point of the last valid slot before them; leading ones the first.
  int32_t px[SP_BOUNDS], py[SP_BOUNDS];
  int first_valid = -1;
  for (int i = 0; i < SP_BOUNDS; ++i)
    if (res->bnd_x[i] != -1 && res->bnd_y[i] != -1) {
      first_valid = i;
      break;
    }
  if (first_valid < 0) {
    SLOG(fn, SLOG_WARN, "Invalid Bounds");
    return MJ_FAIL_BOUNDS;
  }
  int lx = res->bnd_x[first_valid], ly = res->bnd_y[first_valid];
  for (int i = 0; i < SP_BOUNDS; ++i) {
    if (res->bnd_x[i] != -1 && res->bnd_y[i] != -1) {
      lx = res->bnd_x[i];
      ly = res->bnd_y[i];
    }
    px[i] = lx;
    py[i] = ly;
  }

  // A blank canvas of the window's extent, kept between bands. Only the rows that the last band
  // marked (its outline's rows and the rows its fill reached) are cleared again.
  if (mj_alloc_fails() || win->size <= 0) return MJ_FAIL_WIN_COPY;
  thread_local std::vector<uint8_t> cells;
  thread_local std::vector<uint8_t*> canvas_rows;
  thread_local int cells_size = 0;
  thread_local int dirty_lo = 0, dirty_hi = -1;
  thread_local int dirty_x_lo = 0, dirty_x_hi = -1;  // the columns marked in those rows
  const int size = win->size;
  if (size != cells_size) {
    cells_size = 0;
    try {
      cells.assign(static_cast<std::size_t>(size) * size, 0);
      canvas_rows.resize(static_cast<std::size_t>(size) + 1);
    } catch (const std::bad_alloc&) {
      return MJ_FAIL_WIN_COPY;
    }
    for (int r = 0; r < size; ++r) canvas_rows[r] = cells.data() + static_cast<std::size_t>(r) * size;
    canvas_rows[size] = nullptr;
    cells_size = size;
  } else if (dirty_lo <= dirty_hi && dirty_x_lo <= dirty_x_hi) {
    for (int y = dirty_lo; y <= dirty_hi; ++y) {
      uint8_t* row = cells.data() + static_cast<std::size_t>(y) * size;
      std::memset(row + dirty_x_lo, 0, static_cast<std::size_t>(dirty_x_hi - dirty_x_lo) + 1);
    }
  }
  uint8_t* const* c = canvas_rows.data();
  // The outline marks only rows between its highest and lowest points.
  dirty_lo = std::max(0, *std::min_element(py, py + SP_BOUNDS));
  dirty_hi = std::min(size - 1, *std::max_element(py, py + SP_BOUNDS));
  // and only columns between its leftmost and rightmost points; the fill widens both ranges.
  dirty_x_lo = std::max(0, *std::min_element(px, px + SP_BOUNDS));
  dirty_x_hi = std::min(size - 1, *std::max_element(px, px + SP_BOUNDS));
  draw_outline(c, size, px, py);

  const int bx = band->x - win->left, by = band->y - win->top;
  if (bx < 0 || bx >= size) {
    SLOG(fn, SLOG_WARN, "Invalid Bounds");
    return MJ_FAIL_BOUNDS;
  }
  // The band's column: the first run of outline cells from the top (its last row a) and the
  // next outline cell below it (row b).
  int r = 0;
  while (r < size && !c[r][bx]) ++r;
  if (r >= size) return MJ_FAIL_BOUNDS;
  while (r < size && c[r][bx]) ++r;
  const int a = r - 1;
  while (r < size && !c[r][bx]) ++r;
  if (r >= size) {
    SLOG(fn, SLOG_WARN, "Invalid Bounds");
    return MJ_FAIL_BOUNDS;
  }
  const int b = r;
  const bool own_marked = by >= 0 && by < size && c[by][bx];
  if (!own_marked && !(a <= by && by <= b)) {
    SLOG(fn, SLOG_WARN, "Invalid Bounds");
    return MJ_FAIL_BOUNDS;
  }
  const int seed = a < by && by < b ? by : a + (b - a) / 2;

  // Scan-line fill from (bx, seed) with an explicit stack: each popped cell fills its run of
  // unmarked cells between the nearest marked cells left and right (or the window's edges), and
  // the first cell of every unmarked stretch directly above or below that run is pushed.
  thread_local std::vector<std::pair<int, int>> stack;
  stack.clear();
  stack.emplace_back(bx, seed);
  while (!stack.empty()) {
    const auto [x, y] = stack.back();
    stack.pop_back();
    uint8_t* const row = c[y];
    if (row[x]) continue;
    dirty_lo = std::min(dirty_lo, y);
    dirty_hi = std::max(dirty_hi, y);
    const int l = marked_end_before(row, x);
    const int rr = marked_from(row, x + 1, size) - 1;
    std::memset(row + l, 2, static_cast<std::size_t>(rr - l) + 1);
    dirty_x_lo = std::min(dirty_x_lo, l);
    dirty_x_hi = std::max(dirty_x_hi, rr);
    for (int ny : {y - 1, y + 1}) {
      if (ny < 0 || ny >= size) continue;
      // The first cell of each unmarked stretch of the neighbour row within l..rr.
      const uint8_t* const next = c[ny];
      int k = l;
      while (k <= rr) {
        k = clear_from(next, k, rr + 1);
        if (k > rr) break;
        stack.emplace_back(k, ny);
        k = marked_from(next, k + 1, rr + 1);
      }
    }
  }

  // Runs of marked cells, row by row: from the seed row up while a row has any, then down.
  // Marked cells lie only in the columns marked.
  const int x_from = dirty_x_lo, x_end = dirty_x_hi + 1;
  auto list_row = [&](int y) {
    const uint8_t* const row = c[y];
    bool any = false;
    int k = marked_from(row, x_from, x_end);
    while (k < x_end) {
      const int x0 = k;
      k = clear_from(row, k + 1, x_end);
      spans->push_back({y, x0, k - 1});
      any = true;
      k = marked_from(row, k, x_end);
    }
    return any;
  };
  for (int y = seed; y >= 0 && list_row(y);) {
    if (spans->size() > QT_MAX_SPANS) break;
    --y;
  }
  for (int y = seed + 1; y < size && spans->size() <= QT_MAX_SPANS && list_row(y);) ++y;
  if (spans->size() > QT_MAX_SPANS) {
    SLOG(fn, SLOG_WARN, "Fill Raster failed");
    spans->clear();
    return MJ_FAIL_FILL;
  }
  return 1;
}

namespace {

// The sum over row[x0..x1] of each cell's excess over base (cells read as unsigned values); the
// copy for processors with AVX2 adds several cells at a time.
VX_HOT_CLONES int64_t excess_sum(const int32_t* row, int x0, int x1, int64_t base) {
  int64_t sum = 0;
  for (int x = x0; x <= x1; ++x) {
    const int64_t v = static_cast<uint32_t>(row[x]);
    sum += v > base ? v - base : 0;
  }
  return sum;
}

}  // namespace

void mj_spotstats(const QT_WIN* win, const std::vector<QT_SPAN>& spans, SPOT* band,
                  const LANE* lane, const IMG_INT_INFO* lookup, double a, double b,
                  const int32_t* held) {
  static const char* fn = "mj_spotstats";
  if (!win || !band) return;
  // Without a table of two or more points the lookup returns the value itself.
  const bool identity =
      !lookup || lookup->wedge_count < 2 || !lookup->wedge_values || !lookup->dig_values;
  // Every 16-bit value converted once per table; values beyond it go through the lookup.
  const double* table = identity ? nullptr : ih_lookup_table(lookup);
  auto convert = [&](uint32_t v) {
    if (identity) return static_cast<double>(v);
    return table && v <= 0xFFFF ? table[v] : ih_lookup_val(lookup, v);
  };
  // The lane's baseline on every row the spans cover, worked out in one walk.
  thread_local std::vector<int> baseline;
  int y_lo = 0, y_hi = -1;
  for (const QT_SPAN& s : spans) {
    const int y = win->top + s.row;
    if (y_hi < y_lo) y_lo = y_hi = y;
    y_lo = std::min(y_lo, y), y_hi = std::max(y_hi, y);
  }
  if (lane && y_hi >= y_lo) {
    baseline.resize(static_cast<std::size_t>(y_hi - y_lo) + 1);
    ln_baseline_rows(y_lo, y_hi, lane, baseline.data());
  }
  double sum = 0.0;
  // Without a table every value and every partial sum is a whole number far below 2^53: the
  // sum in 64-bit integers is exact, as the sum in doubles is.
  int64_t whole_sum = 0;
  long count = 0;
  for (const QT_SPAN& s : spans) {
    const int y = win->top + s.row;
    if (held && (y < held[1] || y > held[3])) continue;
    const int base = lane ? baseline[static_cast<std::size_t>(y - y_lo)] : 0;
    const double bg = identity ? base : convert(static_cast<uint32_t>(base));
    int x0 = s.x0, x1 = s.x1;
    if (held) {
      x0 = std::max(x0, held[0] - win->left);
      x1 = std::min(x1, held[2] - win->left);
    }
    const int32_t* row = win->rows[s.row];
    if (identity) {
      whole_sum += excess_sum(row, x0, x1, base);
    } else {
      for (int x = x0; x <= x1; ++x) {
        const uint32_t v = static_cast<uint32_t>(row[x]);
        const double val = convert(v);
        if (val > bg) sum += val - bg;
      }
    }
    if (x1 >= x0) count += x1 - x0 + 1;
  }
  if (identity) sum = static_cast<double>(whole_sum);
  band->amount = sum * a * b;
  band->area = static_cast<double>(count) * a * b;
  SLOG(fn, SLOG_VALUE4, "ii %10.3f, area %9.3f", band->amount, band->area);
}

int mj_GetII(SPOT* band, const LANE* lane, int skip_check, const IMG_INT_INFO* lookup, double a,
             double b, const int32_t* held) {
  static const char* fn = "mj_GetII";
  if (!band) return 0;
  if (!band->result || !band->result->win) {
    mark_failed(band, MJ_FAIL_ALLOC, MJ_FAIL_ALLOC);
    return 0;
  }
  if (!skip_check) {
    const int r = mj_ckbnd(band);
    if (r != 1) {
      SLOG(fn, SLOG_WARN, "mj_ckbnd fail, %d", r);
      mark_failed(band, r, r);
      return 0;
    }
  }
  thread_local std::vector<QT_SPAN> spans;
  spans.reserve(QT_MAX_SPANS + 1);
  const int r = mj_fdarea(band, band->result->win, &spans);
  if (r != 1) {
    SLOG(fn, SLOG_WARN, "mj_fdarea fail, %d", r);
    mark_failed(band, r, r);
    return 0;
  }
  if (!lane || !ln_xyinlane(band->x, band->y, lane)) {
    SLOG(fn, SLOG_WARN, "ln_xyinlane fail, 63");
    mark_failed(band, MJ_FAIL_NOT_IN_LANE, MJ_FAIL_NOT_IN_LANE);
    return 0;
  }
  mj_spotstats(band->result->win, spans, band, lane, lookup, a, b, held);
  return 1;
}

int mj_segment(SPOT* band, const LANE* lane, const IMG_INT_INFO* lookup, double a, double b,
               int find, const int32_t* held) {
  if (!mj_FdBnds(band, lane, find)) return 0;
  return mj_GetII(band, lane, find == 0, lookup, a, b, held);
}

void mj_apply_od_compat(IMG_INT_INFO* lookup) {
  if (!lookup) return;
  // Written only when it changes: lanes quantified on several threads share the lookup, and
  // the calling thread applies the mode before they start.
  const int mode = ih_get_ODcompatability();
  if (mode == 1 && lookup->interp_type != 0) lookup->interp_type = 0;
  if (mode == 2 && lookup->interp_type != 1) lookup->interp_type = 1;
}

int mj_doquant(SPOT* band, const LANE* lane, LANE_IMAGE* img, IMG_INT_INFO* lookup, int find) {
  static const char* fn = "mj_doquant";
  if (!band || !lane || !img) return 0;
  SLOG(fn, SLOG_ENTRY, "band (%d, %d), find %d", band->x, band->y, find);
  mj_apply_od_compat(lookup);
  int W = lane->left_width + lane->right_width + 1;
  if ((band->f1 & SP_F1_TYPE_MASK) == SP_TYPE_NO_WIDTH) {
    W = 0;
  } else {
    band->lane_width = W;
  }
  img->cx = band->x;
  img->cy = band->y;
  // With a lane width the band's width is measured first, from the lane image about the
  // window's centre: the window is placed but its cells are loaded only once it is known to
  // stay (a wider band takes a larger window, which is loaded instead).
  int r = quantwin(img, band, 0, 0, W ? -1 : INT_MAX);
  if (r != 0) {
    SLOG(fn, SLOG_WARN, "mj_quantwin fail #1");
    mark_failed(band, r, r);
    return 0;
  }
  if (W) {
    if (!band_width(band, t_main.w.win, img)) {
      SLOG(fn, SLOG_WARN, "mj_quantwin fail #84");
      mark_failed(band, MJ_FAIL_WIN_COPY, 'T');
      return 0;
    }
    // A window at least as large as the measured band needs stays: load its rows.
    const int grown = mj_windowsize(band->lane_width, band->thickness, band->band_fw);
    const bool kept = grown > 0 && t_main.w.win && t_main.w.win->size >= grown;
    r = mj_quantwin(img, band, 1);
    if (r == 0 && kept) load_shared_rows(t_main.w, img, 0, INT_MAX);
    if (r != 0) {
      band->lane_width = W;
      r = mj_quantwin(img, band, 0);
      if (r != 0) {
        SLOG(fn, SLOG_WARN, "mj_quantwin fail #2");
        mark_failed(band, r, r);
        return 0;
      }
    }
  }
  band->f1 &= ~SP_F1_QUANT_START;
  band->quant_word = 65535;
  if (mj_alloc_fails() || !mj_res_attach(band, t_main.w.win)) {
    SLOG(fn, SLOG_WARN, "mj_res_attach fail");
    mark_failed(band, MJ_FAIL_ALLOC, MJ_FAIL_ALLOC);
    return 0;
  }
  const double a = factor(img->scale1_mant, img->scale1_exp);
  const double b = factor(img->scale2_mant, img->scale2_exp);
  const int q = mj_segment(band, lane, lookup, a, b, find, t_main.w.held);
  if (!q) band->f1 |= SP_F1_QUANT_FAILED;
  SLOG(fn, SLOG_EXIT, "qt_status %d", q);
  return q;
}

int mj_mb_doquant(SPOT* band, const LANE* lane, int n, const LN_POINT* points, LANE_IMAGE* img,
                  IMG_INT_INFO* lookup, int size_limit) {
  static const char* fn = "mj_mb_doquant";
  if (!band || !lane || !img) return 0;
  SLOG(fn, SLOG_ENTRY, "band (%d, %d), %d points", band->x, band->y, n);
  if (band->lane_width == 0) band->lane_width = lane->left_width + lane->right_width + 1;
  // Window size from the outline: the largest distances of its points from the band's centre.
  int dx = 0, dy = 0;
  for (int i = 0; points && i < n; ++i) {
    dx = std::max(dx, std::abs(points[i].x - band->x));
    dy = std::max(dy, std::abs(points[i].y - band->y));
  }
  int size = -1;
  if (points && n > 0) {
    band->lane_width = 2 * dx + 1;
    band->thickness = 2 * dy + 1;
    size = std::max(band->lane_width, band->thickness);
    if (size_limit == 1 && size >= 257) size = -1;
  }
  if (size <= 0) {
    SLOG(fn, SLOG_WARN, "mj_mb_windowsize fail, 85");
    mark_failed(band, MJ_FAIL_SIZE, 'U');
    return 0;
  }
  img->cx = band->x;
  img->cy = band->y;
  int r = prepare_window(t_outline.w, img, size);
  if (r != 0) {
    SLOG(fn, SLOG_WARN, "mj_load_window fail");
    mark_failed(band, r, r);
    return 0;
  }
  band->f1 &= ~SP_F1_QUANT_START;
  band->quant_word = 65535;
  QUANT_RES* res = mj_alloc_fails() ? nullptr : mj_res_attach(band, t_outline.w.win);
  if (!res) {
    mark_failed(band, MJ_FAIL_ALLOC, MJ_FAIL_ALLOC);
    return 0;
  }
  const QT_WIN* w = res->win;
  for (int i = 0; i < SP_BOUNDS; ++i) {
    if (i < n) {
      res->img_x[i] = points[i].x;
      res->img_y[i] = points[i].y;
      res->bnd_x[i] = points[i].x - w->left;
      res->bnd_y[i] = points[i].y - w->top;
    } else {
      res->bnd_x[i] = res->bnd_y[i] = res->img_x[i] = res->img_y[i] = -1;
    }
  }
  const double a = factor(img->scale1_mant, img->scale1_exp);
  const double b = factor(img->scale2_mant, img->scale2_exp);
  const int q = mj_GetII(band, lane, 1, lookup, a, b, t_outline.w.held);
  if (!q) {
    SLOG(fn, SLOG_WARN, "mj_GetII fail");
    band->f1 |= SP_F1_QUANT_FAILED;
  }
  SLOG(fn, SLOG_EXIT, "%d", q);
  return q;
}
