// Image equalisation.
#include "shell/gt_equalize.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <string>

#include "base/io_file.h"
#include "base/io_file_set.h"
#include "base/ks_alert.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "io/byte_io.h"
#include "io/imgproc.h"
#include "io/kes_image.h"
#include "toolkit/core/tk_image.h"

namespace {

inline uint16_t value_at(const uint8_t* p, int bpp) {
  return bpp == 2 ? uint16_t(p[0] | p[1] << 8) : p[0];
}

bool less(uint16_t a, uint16_t b) { return gt_equal_compare(a, b) < 0; }

// The whole pixel file into an image; null when it cannot be read.
std::unique_ptr<TkImage> read_whole(const char* path, int32_t width, int32_t height) {
  auto img = std::make_unique<TkImage>();
  const int32_t rect[4] = {0, 0, width, height};
  if (!io_image_complete(path) || !io_read_kestrin(path, img.get(), rect, 1.0)) return nullptr;
  return img;
}

}  // namespace

int gt_equal_compare(uint16_t a, uint16_t b) { return int(a) - int(b); }

std::vector<double> gt_equal_factors(int height, int width, int bpp, const uint8_t* pixels) {
  std::vector<double> factors;
  if (height <= 0 || width <= 0 || !pixels || (bpp != 1 && bpp != 2)) return factors;
  try {
    std::vector<uint16_t> row(static_cast<std::size_t>(width));
    std::vector<uint16_t> medians(static_cast<std::size_t>(height));
    const std::size_t row_bytes = static_cast<std::size_t>(width) * bpp;
    for (int y = 0; y < height; ++y) {
      const uint8_t* src = pixels + row_bytes * y;
      for (int x = 0; x < width; ++x) row[x] = value_at(src + std::size_t(x) * bpp, bpp);
      // Element width / 2 of the sorted row: a selection gives the same element.
      std::nth_element(row.begin(), row.begin() + width / 2, row.end(), less);
      medians[y] = row[width / 2];
    }
    std::nth_element(medians.begin(), medians.begin() + height / 2, medians.end(), less);
    const double m = medians[height / 2];
    factors.resize(static_cast<std::size_t>(width) * height);
    for (std::size_t i = 0; i < factors.size(); ++i) {
      const uint16_t v = value_at(pixels + i * bpp, bpp);
      factors[i] = v == 0 ? 0.0 : m / v;
    }
  } catch (const std::bad_alloc&) {
    factors.clear();
    factors.shrink_to_fit();
  }
  return factors;
}

void gt_equal_apply(int height, int width, int bpp, uint8_t* pixels, const double* factors) {
  if (height <= 0 || width <= 0 || !pixels || !factors || (bpp != 1 && bpp != 2)) return;
  const double max = bpp == 2 ? 65535.0 : 255.0;
  const std::size_t n = static_cast<std::size_t>(width) * height;
  for (std::size_t i = 0; i < n; ++i) {
    uint8_t* p = pixels + i * bpp;
    double w = value_at(p, bpp) * factors[i];
    if (w > max) w = max;
    if (w < 0) w = 0;
    // nearbyint rounds halves to even in the default rounding mode.
    const auto r = static_cast<unsigned>(std::nearbyint(w));
    p[0] = static_cast<uint8_t>(r);
    if (bpp == 2) p[1] = static_cast<uint8_t>(r >> 8);
  }
}

BOOL gt_equalize(const char* image_path, const char* equal_path) {
  static const char* fn = "gt_equalize";
  SLOG(fn, SLOG_ENTRY, "<%s> with <%s>", image_path ? image_path : "",
       equal_path ? equal_path : "");
  int bits = 0, ebits = 0;
  int32_t ext[2] = {0, 0}, eext[2] = {0, 0};
  if (!image_path || !equal_path || !io_query_image(image_path, &bits, ext) ||
      !io_query_image(equal_path, &ebits, eext)) {
    mh_send_msg(KS_ALERT_INFO, "%s", ui_msg(243));
    SLOG(fn, SLOG_EXIT, "%s", "header cannot be read, FALSE");
    return FALSE;
  }
  if (bits != ebits || ext[0] != eext[0] || ext[1] != eext[1]) {
    mh_send_msg(KS_ALERT_ERROR, "%s", ks_gt_message(57));
    SLOG(fn, SLOG_EXIT, "%s", "sizes differ, FALSE");
    return FALSE;
  }
  const int bpp = bits / 8;
  const int32_t width = ext[0], height = ext[1];

  // The factors, then the corrected pixels with their header, all in memory; the image file
  // changes only when the new one is wholly written beside it.
  std::vector<uint8_t> out;
  {
    std::vector<double> factors;
    {
      auto eq = read_whole(equal_path, width, height);
      if (eq) factors = gt_equal_factors(height, width, bpp, eq->data());
    }
    auto img = factors.empty() ? nullptr : read_whole(image_path, width, height);
    if (!img) {
      mh_send_msg(KS_ALERT_INFO, "%s", ui_msg(243));
      SLOG(fn, SLOG_EXIT, "%s", "an image cannot be read, FALSE");
      return FALSE;
    }
    gt_equal_apply(height, width, bpp, img->data(), factors.data());
    ByteWriter hdr;
    io_put_kes_header(hdr, bpp, width, height);
    try {
      out.reserve(hdr.size() + img->size_bytes());
    } catch (const std::bad_alloc&) {
      mh_send_msg(KS_ALERT_INFO, "%s", ui_msg(1));
      SLOG(fn, SLOG_EXIT, "%s", "no memory, FALSE");
      return FALSE;
    }
    out.assign(hdr.data(), hdr.data() + hdr.size());
    out.insert(out.end(), img->data(), img->data() + img->size_bytes());
  }
  const std::string target = io_base_name(image_path) + ".kes";
  IoFileSet set;
  if (!set.put(target, out.data(), out.size())) {
    mh_send_msg(KS_ALERT_ERROR, "%s", ui_msg(130));
    SLOG(fn, SLOG_EXIT, "%s", "temporary file cannot be written, image kept, FALSE");
    return FALSE;
  }
  if (!set.commit()) {
    mh_send_msg(KS_ALERT_INFO, "%s", ui_msg(243));
    SLOG(fn, SLOG_EXIT, "%s", "image cannot be replaced, FALSE");
    return FALSE;
  }
  if (io_imgproc_mark_equalized(image_path) != IMGPROC_OK) {
    mh_send_msg(KS_ALERT_INFO, "%s", ui_msg(243));
    SLOG(fn, SLOG_EXIT, "%s", "info file not marked, pixels replaced, TRUE");
    return TRUE;
  }
  SLOG(fn, SLOG_EXIT, "%s", "TRUE");
  return TRUE;
}
