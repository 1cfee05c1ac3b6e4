#include "acquire/acq_common.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>

#include "acquire/io_import.h"
#include "base/io_file_set.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "io/analysis.h"
#include "io/info_file.h"

AcqOut::~AcqOut() {
  if (fd_ >= 0) ::close(fd_);
}

bool AcqOut::open(const char* path) {
  if (fd_ >= 0) close();
  ok_ = true;
  fd_ = path ? ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666) : -1;
  return fd_ >= 0;
}

bool AcqOut::write(const void* data, std::size_t n) {
  if (!ok()) return false;
  const IoFileOps ops = io_file_ops();
  const auto* p = static_cast<const uint8_t*>(data);
  while (n > 0) {
    const ssize_t w = ops.write(fd_, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      ok_ = false;
      return false;
    }
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

bool AcqOut::close() {
  if (fd_ < 0) return false;
  const bool good = ok_ && ::close(fd_) == 0;
  fd_ = -1;
  return good;
}

bool acq_write_kes_header(AcqOut& out, int bytes_per_pixel, int32_t width, int32_t height) {
  uint8_t h[12] = {'I', 'I'};
  const uint32_t w = static_cast<uint32_t>(width), ht = static_cast<uint32_t>(height);
  h[2] = static_cast<uint8_t>(bytes_per_pixel);
  h[3] = 0;
  for (int i = 0; i < 4; ++i) {
    h[4 + i] = static_cast<uint8_t>(w >> (8 * i));
    h[8 + i] = static_cast<uint8_t>(ht >> (8 * i));
  }
  return out.write(h, sizeof h);
}

void acq_res_from_mm(double v, int* mantissa, int* exponent) {
  if (!(v > 0) || !std::isfinite(v)) {
    *mantissa = ACQ_DEFAULT_RES;
    *exponent = ACQ_DEFAULT_SCALE;
    return;
  }
  const int e = static_cast<int>(std::trunc(std::log10(v)));
  *exponent = e - 4;
  *mantissa = static_cast<int>(std::trunc(v * std::pow(10.0, 4 - e)));
}

void acq_res_from_dpi(double dpi, int* mantissa, int* exponent) {
  if (!(dpi > 0)) {
    *mantissa = ACQ_DEFAULT_RES;
    *exponent = ACQ_DEFAULT_SCALE;
    return;
  }
  acq_res_from_mm(25.4 / dpi, mantissa, exponent);
}

IMG_INT_INFO* acq_new_lookup() {
  auto* look = static_cast<IMG_INT_INFO*>(ks_alloc_msg(sizeof(IMG_INT_INFO)));
  if (look == nullptr) return nullptr;
  std::memset(look, 0, sizeof *look);
  if (!lookup_init(look)) {
    lookup_free(look);
    return nullptr;
  }
  return look;
}

BOOL acq_default_lookup(IMG_INT_INFO* lookup) {
  if (lookup == nullptr || lookup->wedge_count < 2) return FALSE;
  lookup->interp_type = 0;
  lookup->dig_val_range = 255;
  lookup->dig_values[0] = 0;
  lookup->wedge_values[0] = 0.0;
  lookup->dig_values[1] = 255;
  lookup->wedge_values[1] = 2.3;
  return TRUE;
}

namespace {
// A copy of the lookup with its own arrays, for the entry list that the writer frees.
IMG_INT_INFO* copy_lookup(const IMG_INT_INFO* src) {
  auto* dst = static_cast<IMG_INT_INFO*>(ks_alloc_msg(sizeof(IMG_INT_INFO)));
  if (dst == nullptr) return nullptr;
  *dst = *src;
  dst->wedge_values = nullptr;
  dst->dig_values = nullptr;
  dst->ori_x = dst->ori_y = dst->ext_x = dst->ext_y = nullptr;
  const int n = src->wedge_count > 0 ? src->wedge_count : 0;
  if (n > 0) {
    dst->wedge_values = static_cast<double*>(ks_alloc_msg(sizeof(double) * n));
    dst->dig_values = static_cast<int*>(ks_alloc_msg(sizeof(int) * n));
    if (!dst->wedge_values || !dst->dig_values) {
      lookup_free(dst);
      return nullptr;
    }
    std::memcpy(dst->wedge_values, src->wedge_values, sizeof(double) * n);
    std::memcpy(dst->dig_values, src->dig_values, sizeof(int) * n);
  }
  dst->bHaveCalib = 0;
  return dst;
}
}  // namespace

int acq_write_info(const IMG_INFO* info, const IMG_INT_INFO* lookup, const char* data_file_name) {
  const int r = acq_put_info(info, lookup, data_file_name);
  if (r != 0) mh_send_msg(KS_ALERT_ERROR, "%s", ui_msg(243));
  return r;
}

int acq_put_info(const IMG_INFO* info, const IMG_INT_INFO* lookup, const char* data_file_name) {
  int r = -1;
  ANALYSIS_ENTRY** list = io_alloc_analysis_list(2);
  if (list != nullptr) {
    list[0] = io_alloc_analysis_entry();
    list[1] = io_alloc_analysis_entry();
    if (list[0] && list[1]) {
      auto* head = static_cast<IMG_INFO*>(ks_alloc_msg(sizeof(IMG_INFO)));
      if (head) *head = *info;
      list[0]->type = 1;
      list[0]->record = head;
      list[1]->type = 2;
      list[1]->record = lookup ? copy_lookup(lookup) : nullptr;
      if (head && list[1]->record) r = io_write_inf(data_file_name, list, 2);
    }
    io_free_analysis_list(list, 2);
  }
  if (r != 0) {
    SLOG("acq_put_info", SLOG_ERROR, "info file of <%s> not written (%d)", data_file_name, r);
    return IO_IMPORT_WRITE_FAILED;
  }
  return 0;
}

int acq_write_grey8_pair(AcqOut& out, const IMG_INFO& info, const uint8_t* pixels,
                         const char* data_file_name) {
  if (!acq_write_kes_header(out, 1, info.width, info.height) ||
      !out.write(pixels, std::size_t(info.width) * info.height) || !out.close())
    return IO_IMPORT_WRITE_FAILED;
  IMG_INT_INFO* look = acq_new_lookup();
  if (look == nullptr) return IO_IMPORT_NO_MEMORY;
  acq_default_lookup(look);
  const int r = acq_put_info(&info, look, data_file_name);
  lookup_free(look);
  return r;
}
