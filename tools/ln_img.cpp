// Images made from lanes and bands: the selected lanes of the open images set side by side, and
// a reference lane drawn from the selected size-standard bands as bell-shaped stripes.
#include "tools/gt_ln_img.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "acquire/acq_common.h"
#include "base/io_file.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "engine/full_pixels.h"
#include "engine/lane_profile.h"
#include "io/analysis_io.h"
#include "io/byte_io.h"
#include "io/image_rec_init.h"
#include "io/kes_image.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "model/lane.h"
#include "model/spot.h"
#include "model/std_list.h"
#include "shell/gt_image_win.h"
#include "toolkit/core/tk_image.h"
#include "toolkit/tk_res.h"

namespace {

constexpr int kGround = 32;        // value of every pixel of the reference image that no band covers
constexpr int kRefWidth = 96;      // reference image width
constexpr int kRefMargin = 18;     // columns left free on each side of the stripes
constexpr int kRefLaneHalf = 23;   // the reference lane's left and right width
constexpr int kRefLaneWidth = 45;  // the width its bands are given
constexpr double kMaxRefRows = 1 << 20;

IMAGE_REC* image_of(TK_OBJ win) { return win ? static_cast<IMAGE_REC*>(RES_GetData(win)) : nullptr; }

// The header of a made image: 1 byte per pixel, the default pixel size, values 0..255, device 15.
IMG_INFO made_header(int width, int height) {
  IMG_INFO h{};
  h.height = height, h.width = width, h.bytes_per_pixel = 1;
  h.x_res = h.y_res = ACQ_DEFAULT_RES;
  h.x_scale = h.y_scale = ACQ_DEFAULT_SCALE;
  h.min_value = 0, h.max_value = 255;
  h.device = 15;
  h.original_height = height, h.original_width = width;
  return h;
}

// The linear two-step lookup of a made image; null without memory.
IMG_INT_INFO* made_lookup() {
  IMG_INT_INFO* k = acq_new_lookup();
  if (!k || k->wedge_count < 2) {
    if (k) lookup_free(k);
    return nullptr;
  }
  k->interp_type = 1, k->dig_val_range = 255, k->version = 1;
  k->bHaveCalib = k->bHaveEqual = 0;
  k->wedge_length = 105000, k->wedge_material = 0;
  k->wedge_count = 2;
  k->wedge_values[0] = 0.0, k->wedge_values[1] = 255.0;
  k->dig_values[0] = 0, k->dig_values[1] = 255;
  k->equal_image_path[0] = k->calib_image_path[0] = '\0';
  return k;
}

// Writes the pixel file through a temporary file renamed over the destination, so that a
// failure leaves no half-written image; then the info file. false after message 243.
bool write_made_image(const char* path, const std::vector<uint8_t>& pixels, int width, int height,
                      const IMG_INT_INFO* lookup) {
  ByteWriter out;
  io_put_kes_header(out, 1, width, height);
  out.bytes(pixels.data(), pixels.size());
  if (!io_write_file_replace(path, out.buffer())) {
    SLOG("write_made_image", SLOG_ERROR, "pixel file <%s> not written", path);
    mh_send_msg(KS_ALERT_ERROR, "%s", ui_msg(243));
    return false;
  }
  const IMG_INFO header = made_header(width, height);
  return gt_create_image_info(&header, lookup, path) == 0;
}

// The rectangle of a lane: left edge, first row, width (extent + 1) and height.
struct LaneRect {
  int x, y, w, h;
};

// False for a lane without centre points, or one whose rectangle is empty or larger than any
// image (geometry is worked out in 64 bits: the widths come from stored files).
bool lane_rect(const LANE* l, LaneRect* r) {
  if (!l->center_coords || l->num_center_points < 1) return false;
  int64_t lo = INT64_MAX, hi = INT64_MIN;
  for (int i = 0; i < l->num_center_points; ++i) {
    lo = std::min<int64_t>(lo, int64_t{l->center_coords[i].x} - l->left_width);
    hi = std::max<int64_t>(hi, int64_t{l->center_coords[i].x} + l->right_width);
  }
  const int64_t first = l->center_coords[0].y, last = l->center_coords[l->num_center_points - 1].y;
  const int64_t w = hi - lo + 1, h = last - first + 1;
  constexpr int64_t kMax = 1 << 20;
  if (w <= 0 || h <= 0 || w > kMax || h > kMax || lo < -kMax || lo > kMax || first < -kMax || first > kMax)
    return false;
  *r = {static_cast<int>(lo), static_cast<int>(first), static_cast<int>(w), static_cast<int>(h)};
  return true;
}

// The image's 8-bit pixels: the open image's own 8-bit rendition of its file (the one it is
// shown with), else the file read at full scale, 2-byte values by their high byte.
struct Pixels8 {
  const TkImage* img = nullptr;
  std::unique_ptr<TkImage> own;
};

bool pixels_of(IMAGE_REC* im, Pixels8* p) {
  if (im->img_ptr && im->img_ptr->pix_img && !im->img_ptr->pix_img->empty() &&
      im->img_ptr->pix_img->bytes_per_pixel() == 1) {
    p->img = im->img_ptr->pix_img;
    return true;
  }
  int bits = 0;
  int32_t extent[2] = {0, 0};
  if (!io_query_image(im->file_path, &bits, extent)) return false;
  const int32_t rect[4] = {0, 0, extent[0], extent[1]};
  TkImage raw;
  if (!io_read_kestrin(im->file_path, &raw, rect, 1.0)) return false;
  p->own = std::make_unique<TkImage>();
  if (!p->own->create(raw.width(), raw.height(), 1)) return false;
  for (int y = 0; y < raw.height(); ++y) {
    const uint8_t* s = raw.row(y);
    uint8_t* d = p->own->row(y);
    for (int x = 0; x < raw.width(); ++x) d[x] = raw.bytes_per_pixel() == 2 ? s[2 * x + 1] : s[x];
  }
  p->img = p->own.get();
  return true;
}

int round_int(double v) { return static_cast<int>(std::lround(v)); }

// A counted band of the reference lane: its source band and the source lane's first row.
struct Counted {
  const SPOT* band;
  int first_y;
};

// The bell-shaped stripe of one band around row 2d + 15, columns 18..77. Row numbers are
// worked out in 64 bits and only the steps that reach the image are visited, so that a band of
// any thickness costs at most a pass over the image's rows.
void draw_stripe(std::vector<uint8_t>& px, int height, const SPOT* b, double d) {
  const int64_t r = std::llround(b->thickness * 0.5 + 1.0);
  const int64_t n = std::max<int64_t>(3, r + std::llround(static_cast<double>(r) / 2.0));
  const double s = static_cast<double>(n) / 3.0;
  const int64_t h = n / 2;
  const double a = static_cast<double>(b->od) - b->baseline;
  // A peak below its baseline gives values under the ground: held to 0..255.
  auto g = [&](int64_t k) {
    const double x = static_cast<double>(k) / s;
    return static_cast<int>(std::clamp<long long>(std::llround(a * std::exp(-0.5 * x * x) + kGround), 0, 255));
  };
  auto put = [&](int64_t row, int value) {
    if (row < 0 || row >= height) return;
    std::fill_n(px.begin() + static_cast<std::ptrdiff_t>(row) * kRefWidth + kRefMargin,
                kRefWidth - 2 * kRefMargin, static_cast<uint8_t>(value));
  };
  const int64_t top = 2 * std::llround(d - static_cast<double>(h)) + 16;     // row of step i: top + i
  const int64_t bottom = 2 * std::llround(d + static_cast<double>(h)) + 14;  // and bottom - i
  const int64_t first = std::max<int64_t>(0, std::min(-top, bottom - height + 1));
  const int64_t last = std::min<int64_t>(n, std::max<int64_t>(height - top, bottom + 1));
  for (int64_t i = first; i < last; ++i) {
    put(top + i, g(n - i));
    put(bottom - i, g(n - i));
  }
}

struct RecordFree {
  void operator()(IMAGE_REC* im) const { gt_img_free(im); }
};

}  // namespace

int gt_create_image_info(const IMG_INFO* header, const IMG_INT_INFO* lookup, const char* path) {
  return acq_write_info(header, lookup, path) == 0 ? 0 : -1;
}

namespace {

// What making an image came to.
enum class Made {
  kNothing,  // nothing to make (no usable selected lane); nothing shown
  kFailed,   // a file could not be written or memory ran out; the failure was shown
  kWhole,    // every file of the new image is written whole
};

std::vector<IMAGE_REC*> images_of(const TK_OBJ* windows, int n) {
  std::vector<IMAGE_REC*> images;
  for (int i = 0; i < n; ++i)
    if (IMAGE_REC* im = image_of(windows[i])) images.push_back(im);
  return images;
}

Made side_by_side(IMAGE_REC* const* images, int n, const char* path) {
  static const char* fn = "gt_create_image";
  struct Piece {
    IMAGE_REC* im;
    LaneRect r;
  };
  std::vector<Piece> pieces;
  int64_t width = 0;
  int height = 0;
  for (int i = 0; i < n; ++i) {
    IMAGE_REC* im = images[i];
    if (!im || im->num_sel_lanes <= 0 || !im->lanes) continue;
    for (LANE* l = im->lanes->next; l; l = l->next) {
      LaneRect r;
      if (!(l->f & LN_F_SELECTED) || !lane_rect(l, &r)) continue;
      pieces.push_back({im, r});
      width += r.w;
      height = std::max(height, r.h);
    }
  }
  SLOG(fn, SLOG_ENTRY, "<%s>: %d lanes, %lld x %d", path, static_cast<int>(pieces.size()),
       static_cast<long long>(width), height);
  if (pieces.empty()) return Made::kNothing;
  std::vector<uint8_t> px;
  try {
    if (width > INT32_MAX) throw std::bad_alloc();
    px.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
  } catch (const std::exception&) {
    ks_dbg_null_ptr(fn, "img_fd");
    return Made::kFailed;
  }
  IMAGE_REC* loaded = nullptr;
  Pixels8 src;
  int column = 0;
  for (const Piece& p : pieces) {
    if (p.im != loaded) {
      src.img = nullptr;
      src.own.reset();
      loaded = pixels_of(p.im, &src) ? p.im : nullptr;
      if (!loaded) SLOG(fn, SLOG_WARN, "pixels of <%s> not read", p.im->file_path);
    }
    if (loaded) {
      // Lanes are copied row by row, top-aligned; parts outside the source image stay 0.
      const TkImage& img = *src.img;
      const int x0 = std::max(0, p.r.x), x1 = std::min(img.width(), p.r.x + p.r.w);
      for (int y = 0; y < p.r.h && x1 > x0; ++y) {
        const int sy = p.r.y + y;
        if (sy < 0 || sy >= img.height()) continue;
        std::memcpy(px.data() + static_cast<std::size_t>(y) * width + column + (x0 - p.r.x),
                    img.row(sy) + x0, static_cast<std::size_t>(x1 - x0));
      }
    }
    column += p.r.w;
  }
  IMG_INT_INFO* lookup = made_lookup();
  if (!lookup) {
    ks_dbg_null_ptr(fn, "img_int_info.wedge_values");
    return Made::kFailed;
  }
  const bool written = write_made_image(path, px, static_cast<int>(width), height, lookup);
  lookup_free(lookup);
  return written ? Made::kWhole : Made::kFailed;
}

// The reference lane at `path` (its name shown in the status line as `shown`): -1 when no
// image was made, else 0, with `*analysis` telling whether its analysis was written too.
int reference_lane(const char* path, const char* shown, const TK_OBJ* windows, int n,
                   bool* analysis) {
  static const char* fn = "gt_create_lane";
  *analysis = false;
  TK_OBJ status = gt_get_status_bar();
  mh_status_message(status, 1, gt_get_message(94), shown);
  std::vector<Counted> counted;
  int no_size = 0, interp = 0, extrap = 0;
  for (int i = 0; i < n; ++i) {
    IMAGE_REC* im = image_of(windows[i]);
    if (!im || im->num_sel_bands == 0 || !im->lanes || !im->bands) continue;
    if (im->size_stdp && im->lane_hdr && im->lane_hdr->num_tiers > 0 && im->size_stdp[0])
      interp = im->size_stdp[0]->int_method, extrap = im->size_stdp[0]->extrap_method;
    for (LANE* l = im->lanes->next; l; l = l->next) {
      if (!l->center_coords || l->num_center_points < 1) continue;
      SPOT** arr = nullptr;
      const int nb = ln_find_bands_in_lane(im->bands, &arr, l, nullptr, nullptr);
      for (int k = 0; k < nb; ++k) {
        if (!(arr[k]->f2 & SP_F2_SELECTED)) continue;
        if (arr[k]->size > 0.0) counted.push_back({arr[k], l->center_coords[0].y});
        else ++no_size;
      }
      ks_free(arr);
    }
  }
  if (counted.empty()) {
    mh_send_msg(KS_ALERT_INFO, "%s", gt_get_message(92));
    mh_clear_status(status, 1);
    return -1;
  }
  double s_lo = counted[0].band->size, s_hi = s_lo;
  int r_lo = counted[0].band->y - counted[0].first_y, r_hi = r_lo;
  for (const Counted& c : counted) {
    s_lo = std::min(s_lo, c.band->size), s_hi = std::max(s_hi, c.band->size);
    r_lo = std::min(r_lo, c.band->y - c.first_y), r_hi = std::max(r_hi, c.band->y - c.first_y);
  }
  if (!(s_hi - s_lo > 0.0)) s_hi = s_lo + 1.0;
  if (r_hi - r_lo <= 0) r_hi = r_lo + 1;
  const double scale = (s_hi - s_lo) / (r_hi - r_lo);
  const double rows = 2.0 * (std::round(s_hi) - std::round(s_lo)) / scale + 1.0 + 32.0;
  // Sizes far apart on few rows would ask for an image no one can use.
  if (!(rows >= 1.0 && rows <= kMaxRefRows)) {
    SLOG(fn, SLOG_ERROR, "%g rows", rows);
    ks_dbg_null_ptr(fn, "img_fd");
    mh_clear_status(status, 1);
    return -1;
  }
  const int height = static_cast<int>(rows);
  SLOG(fn, SLOG_VALUE4, "%d bands (%d without size), sizes %g..%g, %d rows", static_cast<int>(counted.size()),
       no_size, s_lo, s_hi, height);
  std::vector<uint8_t> px;
  try {
    px.assign(static_cast<std::size_t>(kRefWidth) * static_cast<std::size_t>(height), kGround);
  } catch (const std::exception&) {
    ks_dbg_null_ptr(fn, "img_fd");
    mh_clear_status(status, 1);
    return -1;
  }
  std::vector<double> d(counted.size());
  for (std::size_t k = 0; k < counted.size(); ++k) {
    d[k] = (s_hi - counted[k].band->size) / scale;
    draw_stripe(px, height, counted[k].band, d[k]);
  }
  IMG_INT_INFO* lookup = made_lookup();
  if (!lookup) {
    ks_dbg_null_ptr(fn, "img_int_info.wedge_values");
    mh_clear_status(status, 1);
    return -1;
  }
  if (!write_made_image(path, px, kRefWidth, height, lookup)) {
    lookup_free(lookup);
    mh_clear_status(status, 1);
    return -1;
  }
  if (no_size > 0) mh_send_msg(KS_ALERT_INFO, gt_get_message(91), no_size);

  // The reference lane's analysis, written from a temporary record.
  std::unique_ptr<IMAGE_REC, RecordFree> rec(static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC))));
  bool ok = rec && gt_img_init(rec.get());
  IMAGE_REC* im = rec.get();
  LANE* lane = ok ? ln_make_lane() : nullptr;
  ok = ok && lane;
  if (ok) {
    im->lanes->next = lane;
    std::snprintf(lane->lane_name, sizeof lane->lane_name, "1");
    lane->lane_number = 1;
    lane->center_coords = static_cast<LN_POINT*>(ks_alloc_msg(2 * sizeof(LN_POINT)));
    ok = lane->center_coords != nullptr;
  }
  if (ok) {
    lane->num_center_points = 2;
    lane->center_coords[0] = {kRefWidth / 2, 4};
    lane->center_coords[1] = {kRefWidth / 2, height - 4};
    lane->left_width = lane->right_width = kRefLaneHalf;
    lane->min_top_band_thick = lane->min_bot_band_thick = 5;
    lane->band_threshold = lane->band_threshold2 = 0;
    lane->max_detect = static_cast<int>(counted.size());
    lane->pct_threshold = 20;
    LnPixels px(path);
    ln_pixels_profiles(px, &lane, 1, 50);
    ln_calc_lane_baselines(&lane, 1, 407);
    im->lane_hdr->num_lanes = 1;
    im->lane_hdr->num_tiers = 1;
    im->has_lanes = 1;
    im->size_stdp = static_cast<STD_LIST**>(ks_alloc_msg(sizeof(STD_LIST*)));
    ok = im->size_stdp != nullptr;
    if (ok) ok = (im->size_stdp[0] = std_list_create()) != nullptr;
  }
  SPOT* tail = ok ? im->bands : nullptr;
  for (std::size_t k = 0; ok && k < counted.size(); ++k) {
    const SPOT* s = counted[k].band;
    SPOT* b = sp_make_spot();
    if (!b) {
      ok = false;
      break;
    }
    b->x = kRefWidth / 2;
    b->y = 2 * round_int(d[k]) + 16;
    b->thickness = s->thickness;
    b->band_fw = s->band_fw;
    b->lane_width = kRefLaneWidth;
    b->area = static_cast<double>(s->thickness) * kRefLaneWidth;
    b->od = s->od - s->baseline + kGround;
    b->baseline = kGround;
    b->size = s->size;
    for (int j = 0; j < SP_BOUNDS; ++j) b->bound_x[j] = b->bound_y[j] = -1;
    sp_add_spot(b, tail);
    tail = b;
    STD_MARKER m{};
    m.x = b->x, m.y = b->y, m.ix = b->x, m.iy = b->y;
    m.value = s->size;
    m.lane_num = 1;
    m.flags = STD_M_VALID;
    ok = std_list_append(im->size_stdp[0], &m) == 1;
  }
  if (ok) {
    im->band_hdr->nrec = static_cast<int>(counted.size());
    im->size_stdp[0]->int_method = interp, im->size_stdp[0]->extrap_method = extrap;
    ln_renum_bands(lane, im->bands, 0);  // 1-based, top to bottom
    // The analysis carries the same header and lookup as the info file just written.
    *im->img_info = made_header(kRefWidth, height);
    lookup_free(im->img_int_info);
    im->img_int_info = lookup;
    lookup = nullptr;
    std::snprintf(im->file_path, sizeof im->file_path, "%s", path);
    const char* slash = std::strrchr(path, '/');
    std::snprintf(im->image_name, sizeof im->image_name, "%s", slash ? slash + 1 : path);
    im->has_bands = 1;
    *analysis = gt_prepare_and_write(path, nullptr, im) == TRUE;  // a failure is shown there
  } else {
    ks_dbg_null_ptr(fn, "reference lane record");
  }
  if (lookup) lookup_free(lookup);
  mh_clear_status(status, 1);
  // The image and its info file are made; without its analysis it opens as a plain image.
  return 0;
}

}  // namespace

void gt_create_image(const TK_OBJ* windows, int n, const char* path) {
  const std::vector<IMAGE_REC*> images = images_of(windows, n);
  side_by_side(images.data(), static_cast<int>(images.size()), path);
}

void ln_img_side_by_side(IMAGE_REC* const* images, int n, const char* path) {
  side_by_side(images, n, path);
}

int gt_create_lane(const char* path, const TK_OBJ* windows, int n) {
  bool analysis = false;
  return reference_lane(path, path, windows, n, &analysis);
}

bool gt_create_reference(const char* path, int sel_mode, const TK_OBJ* windows, int n) {
  static const char* fn = "gt_create_reference";
  const std::string dest = io_base_name(path);
  SLOG(fn, SLOG_ENTRY, "<%s>, mode %d", dest.c_str(), sel_mode);
  // The new image is made whole under a free name beside the destination, which it replaces
  // only then, so that a failure anywhere leaves the destination as it was.
  const std::string made = io_new_image_base(dest.c_str());
  if (made.empty()) {
    mh_send_msg(KS_ALERT_ERROR, "%s", ui_msg(243));
    return false;
  }
  const std::string made_path = made + ".kes";
  Made result;
  if (sel_mode == SEL_LANES) {
    const std::vector<IMAGE_REC*> images = images_of(windows, n);
    result = side_by_side(images.data(), static_cast<int>(images.size()), made_path.c_str());
  } else {
    bool analysis = false;
    // A reference lane without its analysis would be a different image: it is not whole.
    const bool made_lane = reference_lane(made_path.c_str(), path, windows, n, &analysis) == 0;
    result = made_lane && analysis ? Made::kWhole : Made::kFailed;
  }
  bool ok = false;
  if (result == Made::kWhole) {
    ok = io_replace_image(made.c_str(), dest.c_str()) == 0;
    if (!ok) mh_send_msg(KS_ALERT_ERROR, "%s", ui_msg(243));
  } else {
    io_delete_files(made.c_str());
    io_delete(made_path.c_str());
    if (result == Made::kNothing) mh_send_msg(KS_ALERT_ERROR, "%s", ui_msg(243));
  }
  io_delete(made.c_str());  // the name's placeholder
  SLOG(fn, SLOG_EXIT, "%s", ok ? "made" : "not made; the destination is as it was");
  return ok;
}
