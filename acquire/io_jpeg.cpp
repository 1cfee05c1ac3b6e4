// JPEG import and export through libjpeg. The library reports errors by calling the error
// exit, which jumps back to the operation in progress; so the functions that call it keep
// their buffers in plain pointers declared before the jump point, create no object with a
// destructor between the jump point and the library calls, and free everything on the error
// path. The library's messages go to the trace log.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <jpeglib.h>
#include <jerror.h>
}

#include "acquire/acq_common.h"
#include "acquire/io_export.h"
#include "acquire/io_import.h"
#include "base/slog.h"
#include "io/kes_image.h"
#include "toolkit/core/tk_image.h"

namespace {

struct JpegError {
  jpeg_error_mgr mgr;
  jmp_buf jump;
};

void my_output_message(j_common_ptr cinfo) {
  char text[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, text);
  SLOG("libjpeg", SLOG_WARN, "%s", text);
}

[[noreturn]] void my_error_exit(j_common_ptr cinfo) {
  (*cinfo->err->output_message)(cinfo);
  std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

// Warnings go to the trace log; running out of data is an error, so that a file claiming more
// rows than its bytes hold is not decoded into grey filler.
void my_emit_message(j_common_ptr cinfo, int msg_level) {
  if (msg_level < 0) {
    ++cinfo->err->num_warnings;
    if (cinfo->err->msg_code == JWRN_JPEG_EOF) my_error_exit(cinfo);
    (*cinfo->err->output_message)(cinfo);
  }
}

jpeg_error_mgr* set_up_errors(JpegError* err) {
  jpeg_error_mgr* m = jpeg_std_error(&err->mgr);
  m->error_exit = my_error_exit;
  m->output_message = my_output_message;
  m->emit_message = my_emit_message;
  return m;
}

// Huffman coding spends at least one bit on each 8 × 8 block (its DC difference), so a file
// holds at most 512 pixels per byte; an image claiming more than this many per byte is not in
// the file and is refused before its buffer is taken (only arithmetic coding of a nearly flat
// image could come near the bound).
constexpr uint64_t kMaxPixelsPerByte = 4096;

// Dots per inch from a JFIF density: unit 1 is per inch, unit 2 per centimetre; unit 0 (an
// aspect ratio only), no JFIF segment and a density of 0 say nothing of the resolution and give
// the default resolution, as a TIFF file without one is imported.
int density_dpi(const jpeg_decompress_struct& c, int density) {
  if (!c.saw_JFIF_marker || density <= 0) return ACQ_DEFAULT_DPI;
  if (c.density_unit == 1) return density;
  if (c.density_unit == 2) return static_cast<int>(density * 2.54 + 0.5);
  return ACQ_DEFAULT_DPI;
}

bool four_components(const jpeg_decompress_struct& c) {
  return c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK ||
         c.num_components == 4;
}

// Stores n decoded values dark high (255 - v) where they lie, widening the range [lo, hi] of the
// stored values. Done on each batch of rows as it is decoded, while the rows are still in cache.
// Kept out of line: inlined into the decoder's function, which returns through longjmp, its
// locals could not be kept in registers.
[[gnu::noinline]] void store_dark_high(uint8_t* __restrict d, std::size_t n, uint8_t& lo, uint8_t& hi) {
  uint8_t l = lo, h = hi;
  for (std::size_t i = 0; i < n; ++i) {
    const uint8_t v = static_cast<uint8_t>(255 - d[i]);
    d[i] = v;
    l = v < l ? v : l;
    h = v > h ? v : h;
  }
  lo = l;
  hi = h;
}

}  // namespace

BOOL io_jpeg_check(const char* path, int* components, int* width, int* x_dpi, int* height,
                   int* y_dpi) {
  static const char* fn = "io_jpeg_check";
  if (components) *components = 1;
  std::FILE* file = path ? std::fopen(path, "rb") : nullptr;
  if (file == nullptr) {
    SLOG(fn, SLOG_ERROR, "cannot open <%s>", path ? path : "");
    return FALSE;
  }
  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = set_up_errors(&err);
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    return FALSE;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, file);
  jpeg_read_header(&cinfo, TRUE);
  if (four_components(cinfo)) {
    SLOG(fn, SLOG_ERROR, "<%s>: four-component JPEG refused", path);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    return FALSE;
  }
  jpeg_calc_output_dimensions(&cinfo);
  if (components) *components = cinfo.output_components;
  if (width) *width = static_cast<int>(cinfo.output_width);
  if (height) *height = static_cast<int>(cinfo.output_height);
  if (x_dpi) *x_dpi = density_dpi(cinfo, cinfo.X_density);
  if (y_dpi) *y_dpi = density_dpi(cinfo, cinfo.Y_density);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(file);
  return TRUE;
}

int io_jpeg_convert(const char* jpeg_file_name, const char* data_file_name, int is_color,
                    int channel, int x_dpi, int y_dpi, [[maybe_unused]] int interp_mode, [[maybe_unused]] int composite1,
                    [[maybe_unused]] int composite2) {
  static const char* fn = "io_jpeg_convert";
  std::FILE* file = jpeg_file_name ? std::fopen(jpeg_file_name, "rb") : nullptr;
  if (file == nullptr) {
    SLOG(fn, SLOG_ERROR, "cannot open <%s>", jpeg_file_name ? jpeg_file_name : "");
    return IO_IMPORT_OPEN_FAILED;
  }
  std::fseek(file, 0, SEEK_END);
  const long end = std::ftell(file);
  const uint64_t file_bytes = end > 0 ? uint64_t(end) : 0;
  std::rewind(file);
  jpeg_decompress_struct cinfo;
  JpegError err;
  uint8_t* volatile pixels = nullptr;
  int result = 0;
  // The range of the stored values, kept as the rows are decoded.
  uint8_t lo8 = 255, hi8 = 0;
  cinfo.err = set_up_errors(&err);
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    std::free(pixels);
    return IO_IMPORT_OPEN_FAILED;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, file);
  jpeg_read_header(&cinfo, TRUE);
  if (four_components(cinfo)) {
    result = IO_IMPORT_OPEN_FAILED;
  } else {
    jpeg_calc_output_dimensions(&cinfo);
    if (uint64_t(cinfo.output_width) * cinfo.output_height >
        kMaxPixelsPerByte * (file_bytes > 1024 ? file_bytes : 1024)) {
      SLOG(fn, SLOG_ERROR, "%ux%u pixels cannot be in a file of %llu bytes", cinfo.output_width,
           cinfo.output_height, static_cast<unsigned long long>(file_bytes));
      std::longjmp(err.jump, 1);
    }
    jpeg_start_decompress(&cinfo);
    const JDIMENSION w = cinfo.output_width, h = cinfo.output_height;
    const int comps = cinfo.output_components;
    const int batch = cinfo.rec_outbuf_height > 0 ? cinfo.rec_outbuf_height : 1;
    JSAMPARRAY rows = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                 JPOOL_IMAGE, w * comps, batch);
    pixels = static_cast<uint8_t*>(std::malloc(std::size_t(w) * h));
    if (pixels == nullptr) {
      result = IO_IMPORT_NO_MEMORY;
      jpeg_abort_decompress(&cinfo);
    } else if (comps == 1) {
      // Grey: the library writes straight into the image.
      JSAMPROW direct[16];
      while (cinfo.output_scanline < h) {
        const JDIMENSION y = cinfo.output_scanline;
        int n = 0;
        for (; n < batch && n < 16 && y + n < h; ++n) direct[n] = pixels + std::size_t(y + n) * w;
        const JDIMENSION got = jpeg_read_scanlines(&cinfo, direct, n);
        store_dark_high(pixels + std::size_t(y) * w, std::size_t(got) * w, lo8, hi8);
      }
      jpeg_finish_decompress(&cinfo);
    } else {
      // A colour file handed over as grey keeps its first sample, as a grey file would.
      const int pick = !is_color ? 0 : channel == 2 ? 1 : channel == 3 ? 2 : 0;
      const bool mix = is_color && (channel < 1 || channel > 3);
      while (cinfo.output_scanline < h) {
        const JDIMENSION y = cinfo.output_scanline;
        const JDIMENSION got = jpeg_read_scanlines(&cinfo, rows, batch);
        for (JDIMENSION r = 0; r < got; ++r) {
          const JSAMPLE* src = rows[r];
          uint8_t* d = pixels + std::size_t(y + r) * w;
          if (mix) {
            for (JDIMENSION x = 0; x < w; ++x, src += comps)
              d[x] = static_cast<uint8_t>((5 * src[0] + 2 * src[1] + src[2]) >> 3);
          } else {
            src += pick;
            for (JDIMENSION x = 0; x < w; ++x, src += comps) d[x] = *src;
          }
          store_dark_high(d, w, lo8, hi8);
        }
      }
      jpeg_finish_decompress(&cinfo);
    }
  }
  const int width = static_cast<int>(cinfo.output_width);
  const int height = static_cast<int>(cinfo.output_height);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(file);
  if (result != 0) {
    std::free(pixels);
    return result;
  }
  const std::size_t count = std::size_t(width) * height;
  const int lo = count ? lo8 : 256, hi = hi8;

  AcqOut out;
  if (!out.open(data_file_name)) {
    std::free(pixels);
    SLOG(fn, SLOG_ERROR, "cannot create <%s>", data_file_name ? data_file_name : "");
    return IO_IMPORT_OPEN_FAILED;
  }
  IMG_INFO info{};
  info.height = info.original_height = height;
  info.width = info.original_width = width;
  info.bytes_per_pixel = 1;
  acq_res_from_dpi(x_dpi, &info.x_res, &info.x_scale);
  acq_res_from_dpi(y_dpi, &info.y_res, &info.y_scale);
  info.min_value = lo;
  info.max_value = hi;
  info.device = 23;
  const int r = acq_write_grey8_pair(out, info, pixels, data_file_name);
  std::free(pixels);
  return r;
}

int io_jpeg_write_info(const IMG_INFO* info, const IMG_INT_INFO* lookup,
                       const char* data_file_name) {
  return acq_write_info(info, lookup, data_file_name);
}

int io_jpeg_save(const char* image_path, const char* jpeg_path, const IMG_INFO* info,
                 int quality) {
  static const char* fn = "io_jpeg_save";
  int bits = 0;
  int32_t extent[2] = {0, 0};
  if (image_path == nullptr || !io_query_image(image_path, &bits, extent)) return -1;
  const int32_t rect[4] = {0, 0, extent[0], extent[1]};
  TkImage* img = io_create_image(extent, bits);
  if (img == nullptr) return -1;
  if (!io_read_kestrin(image_path, img, rect, 1.0)) {
    delete img;
    return -1;
  }
  // One byte per pixel, bright stored as high: 255 - v, or 255 - the high byte.
  const std::size_t w = static_cast<std::size_t>(extent[0]);
  const std::size_t h = static_cast<std::size_t>(extent[1]);
  uint8_t* bytes = static_cast<uint8_t*>(std::malloc(w * h));
  if (bytes == nullptr) {
    delete img;
    return -1;
  }
  for (std::size_t y = 0; y < h; ++y) {
    const uint8_t* s = img->row(static_cast<int>(y));
    uint8_t* d = bytes + y * w;
    if (bits == 16)
      for (std::size_t x = 0; x < w; ++x) d[x] = static_cast<uint8_t>(255 - s[2 * x + 1]);
    else
      for (std::size_t x = 0; x < w; ++x) d[x] = static_cast<uint8_t>(255 - s[x]);
  }
  delete img;
  const int r = io_jpeg_write_grey(jpeg_path, bytes, static_cast<int>(w), static_cast<int>(h),
                                   quality);
  std::free(bytes);
  if (r != 0) SLOG(fn, SLOG_ERROR, "<%s> not written (%d)", jpeg_path ? jpeg_path : "", r);
  (void)info;
  return r;
}

int io_jpeg_write_grey(const char* jpeg_path, const uint8_t* bytes, int width, int height,
                       int quality) {
  std::FILE* file = jpeg_path ? std::fopen(jpeg_path, "wb") : nullptr;
  if (file == nullptr) return -1;
  jpeg_compress_struct cinfo;
  JpegError err;
  cinfo.err = set_up_errors(&err);
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::fclose(file);
    return 1;
  }
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 1;
  cinfo.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(bytes + std::size_t(cinfo.next_scanline) * width);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  const bool ok = std::ferror(file) == 0;
  return std::fclose(file) == 0 && ok ? 0 : 1;
}
