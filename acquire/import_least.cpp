// Import checks and converters (least form): every source is refused.
#include "acquire/import_least.h"

#include "base/slog.h"

int io_tiff_check(const char* path, void*, int* cancelled, int) {
  if (cancelled) *cancelled = 0;
  SLOG("io_tiff_check", SLOG_WARN, "<%s> refused: TIFF import is not available", path ? path : "");
  return 0;
}

int io_tiff_convert(const char*, const char*, int*, int) { return 17; }

int io_jpeg_check(const char* path, int*, int*, double*, int*, double*) {
  SLOG("io_jpeg_check", SLOG_WARN, "<%s> refused: JPEG import is not available", path ? path : "");
  return 0;
}

int io_jpeg_convert(const char*, const char*, int, int, double, double, int, int, int) { return 17; }

int io_bmp_check(const char* path, int*, int*, double*, int*, double*) {
  SLOG("io_bmp_check", SLOG_WARN, "<%s> refused: bitmap import is not available", path ? path : "");
  return 0;
}

int io_bmp_convert(const char*, const char*, int, int, double, double, int) { return 17; }

int io_fuji_convert(const char* source, const char*) {
  SLOG("io_fuji_convert", SLOG_WARN, "<%s> refused: Fuji import is not available",
       source ? source : "");
  return -1;
}

int ui_rgbcolor_dialog(int) { return 0; }
