// Export of images as TIFF (the program's own writer) or JPEG, Save As in the program's own
// format, and the folder export. Every exported file is written under a temporary name beside
// its destination and renamed over an existing file only once it is complete.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "acquire/acq_common.h"
#include "acquire/io_export.h"
#include "acquire/ui_dialogs.h"
#include "base/io_file.h"
#include "base/io_file_set.h"
#include "base/ks_choose.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "io/analysis.h"
#include "io/analysis_io.h"
#include "io/info_file.h"
#include "io/kes_image.h"
#include "shell/gt_image_win.h"
#include "shell/gt_misc.h"
#include "shell/gt_open.h"
#include "shell/ih_cmap.h"
#include "toolkit/core/tk_image.h"
#include "toolkit/tk_res.h"

namespace {

constexpr int kBandRows = 1024;  // rows read from the pixel file at a time

// A name beside `path` for the file being written.
std::string temp_beside(const std::string& path) {
  return path + ".tmp" + std::to_string(static_cast<long>(getpid()));
}

// Reads rows [y0, y0 + n) of the image into `img` (2-byte values native little-endian).
bool read_band(const char* path, TkImage* img, int32_t width, int32_t y0, int32_t n) {
  const int32_t rect[4] = {0, y0, width, n};
  const int32_t extent[2] = {width, n};
  if (!img->resize(width, n, img->bytes_per_pixel())) return false;
  (void)extent;
  return io_read_kestrin(path, img, rect, 1.0) != 0;
}

// Settings of one TIFF export.
struct TiffOut {
  int32_t width = 0, height = 0;
  bool sixteen = false;       // 16 bits per sample
  int photometric = 0;
  bool palette = false;
  uint32_t x_num = 0, y_num = 0;  // resolution: pixels per centimetre × 1000 / 1000
};

// Pixels per centimetre × 1000 of a stored pixel size; a size of 0 or less (or one that does
// not give a usable number) is taken as the default 85 × 10^-3 mm.
uint32_t res_numerator(int mantissa, int exponent) {
  double mm = mantissa * std::pow(10.0, exponent);
  if (!(mm > 0) || !std::isfinite(mm)) mm = ACQ_DEFAULT_RES * std::pow(10.0, ACQ_DEFAULT_SCALE);
  double v = std::round(10.0 / mm * 1000.0);
  if (!(v >= 1)) v = 1;
  if (v > 4294967295.0) v = 4294967295.0;
  return static_cast<uint32_t>(v);
}

void put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void entry(std::vector<uint8_t>& b, int tag, int type, uint32_t count, uint32_t value) {
  put16(b, tag);
  put16(b, type);
  put32(b, count);
  if (type == 3 && count == 1) {
    put16(b, value);
    put16(b, 0);
  } else {
    put32(b, value);
  }
}

// The header, the directory and the two rationals (everything before the pixel data); and
// the strip arrays and the colour map (everything after it).
struct TiffLayout {
  uint64_t row = 0, rows_per_strip = 0, strip = 0, strips = 0, total = 0, data_at = 0;
};

TiffLayout layout_of(const TiffOut& t) {
  TiffLayout l;
  l.row = uint64_t(t.width) * (t.sixteen ? 2 : 1);
  l.rows_per_strip = 8192 / l.row;
  if (l.rows_per_strip < 1) l.rows_per_strip = 1;
  l.strip = l.rows_per_strip * l.row;
  l.total = l.row * t.height;
  l.strips = (l.total + l.strip - 1) / l.strip;
  const int n = t.palette ? 13 : 12;
  l.data_at = 12 * n + 30;
  return l;
}

std::vector<uint8_t> tiff_head(const TiffOut& t, const TiffLayout& l) {
  const int n = t.palette ? 13 : 12;
  const uint32_t after = static_cast<uint32_t>(l.data_at + l.total);
  const uint32_t offsets_at = after;
  const uint32_t counts_at = after + 4 * static_cast<uint32_t>(l.strips);
  const uint32_t cmap_at = after + 8 * static_cast<uint32_t>(l.strips);
  std::vector<uint8_t> b;
  b.push_back('I');
  b.push_back('I');
  put16(b, 42);
  put32(b, 8);
  put16(b, n);
  entry(b, 254, 4, 1, 0);
  entry(b, 256, 4, 1, static_cast<uint32_t>(t.width));
  entry(b, 257, 4, 1, static_cast<uint32_t>(t.height));
  entry(b, 258, 3, 1, t.sixteen ? 16 : 8);
  entry(b, 259, 3, 1, 1);
  entry(b, 262, 3, 1, static_cast<uint32_t>(t.photometric));
  const bool one = l.strips == 1;
  entry(b, 273, 4, static_cast<uint32_t>(l.strips), one ? static_cast<uint32_t>(l.data_at) : offsets_at);
  entry(b, 278, 4, 1, static_cast<uint32_t>(l.rows_per_strip));
  // The only strip counts the bytes that are really there (fewer rows than a strip).
  entry(b, 279, 4, static_cast<uint32_t>(l.strips), one ? static_cast<uint32_t>(l.total) : counts_at);
  entry(b, 282, 5, 1, static_cast<uint32_t>(12 * n + 14));
  entry(b, 283, 5, 1, static_cast<uint32_t>(12 * n + 22));
  entry(b, 296, 3, 1, 3);
  if (t.palette) entry(b, 320, 3, 768, cmap_at);
  put32(b, 0);
  put32(b, t.x_num);
  put32(b, 1000);
  put32(b, t.y_num);
  put32(b, 1000);
  return b;
}

std::vector<uint8_t> tiff_tail(const TiffOut& t, const TiffLayout& l) {
  std::vector<uint8_t> b;
  for (uint64_t i = 0; i < l.strips; ++i) put32(b, static_cast<uint32_t>(l.data_at + i * l.strip));
  for (uint64_t i = 0; i < l.strips; ++i)
    put32(b, static_cast<uint32_t>(i + 1 < l.strips ? l.strip : l.total - i * l.strip));
  if (t.palette) {
    // The map holds 64 steps of four entries each: entries 4k to 4k + 3 of each channel take
    // one colour of the display table, 16 bits a component. The display table has 256
    // colours, so step k takes colour k * 255 / 63 (rounded): the steps run from the table's
    // first colour to its last, and the lightest and darkest pixels show the colours the
    // display gives them. Taking colours 0 to 63 would show only the light quarter of the
    // table, the darkest pixel as a middle grey.
    IhRgb16 c[64];
    for (int k = 0; k < 64; ++k) ih_get_rgb(&c[k], (k * 255 + 31) / 63);
    for (int i = 0; i < 256; ++i) put16(b, c[i / 4].red);
    for (int i = 0; i < 256; ++i) put16(b, c[i / 4].green);
    for (int i = 0; i < 256; ++i) put16(b, c[i / 4].blue);
  }
  return b;
}

// The smallest and largest value of a 2-byte image, read in bands.
bool value_range(const char* path, int32_t width, int32_t height, int* lo, int* hi) {
  const int32_t ext[2] = {width, height < kBandRows ? height : kBandRows};
  std::unique_ptr<TkImage> img(io_create_image(ext, 16));
  if (!img) return false;
  int a = 65535, b = 0;
  for (int32_t y = 0; y < height; y += kBandRows) {
    const int32_t n = height - y < kBandRows ? height - y : kBandRows;
    if (!read_band(path, img.get(), width, y, n)) return false;
    const uint8_t* p = img->data();
    for (std::size_t i = 0; i < std::size_t(width) * n; ++i) {
      const int v = p[2 * i] | p[2 * i + 1] << 8;
      if (v < a) a = v;
      if (v > b) b = v;
    }
  }
  *lo = a;
  *hi = b;
  return true;
}

// Writes the TIFF of one image to `path`. 0, or 4 when the image cannot be read or the file
// not written.
int write_tiff(const char* img_path, const char* path, const IMG_INFO* info, int kind,
               int bits, int32_t width, int32_t height) {
  static const char* fn = "io_export_tiff";
  TiffOut t;
  t.width = width;
  t.height = height;
  const bool two_byte = bits == 16;
  t.palette = kind == EXPORT_TIFF_PALETTE;
  t.sixteen = kind == EXPORT_TIFF_GREY16 || (kind == EXPORT_TIFF_AUTO && two_byte);
  t.photometric = t.palette ? 3 : 0;
  t.x_num = res_numerator(info ? info->x_res : 0, info ? info->x_scale : 0);
  t.y_num = res_numerator(info ? info->y_res : 0, info ? info->y_scale : 0);

  // Range of an 8-bit TIFF of a 2-byte image: the header's, unless the image was processed.
  int low = 0, high = 65535;
  if (two_byte && !t.sixteen) {
    if (info == nullptr || (info->flags & 0xF1) != 0) {
      if (!value_range(img_path, width, height, &low, &high)) return EXPORT_TIFF_FAILED;
    } else {
      low = info->min_value;
      high = info->max_value;
    }
  }
  const int64_t span = int64_t(high) - low + 1 > 0 ? int64_t(high) - low + 1 : 1;

  const TiffLayout l = layout_of(t);
  if (l.data_at + l.total + 8 * l.strips + 1536 > 0xffffffffull) {
    SLOG(fn, SLOG_ERROR, "image too large for a TIFF file");
    return EXPORT_TIFF_FAILED;
  }
  AcqOut out;
  if (!out.open(path)) return EXPORT_TIFF_FAILED;
  const std::vector<uint8_t> head = tiff_head(t, l);
  if (!out.write(head.data(), head.size())) return EXPORT_TIFF_FAILED;

  const int32_t ext[2] = {width, height < kBandRows ? height : kBandRows};
  std::unique_ptr<TkImage> img(io_create_image(ext, bits));
  if (!img) return EXPORT_TIFF_FAILED;
  std::vector<uint8_t> row(static_cast<std::size_t>(l.row));
  for (int32_t y = 0; y < height; y += kBandRows) {
    const int32_t n = height - y < kBandRows ? height - y : kBandRows;
    if (!read_band(img_path, img.get(), width, y, n)) return EXPORT_TIFF_FAILED;
    for (int32_t r = 0; r < n; ++r) {
      const uint8_t* s = img->row(r);
      if (!two_byte && !t.sixteen) {
        std::memcpy(row.data(), s, std::size_t(width));
      } else if (!two_byte) {
        for (int32_t x = 0; x < width; ++x) {
          row[2 * x] = s[x];
          row[2 * x + 1] = 0;
        }
      } else if (t.sixteen) {
        for (int32_t x = 0; x < width; ++x) {
          int v = s[2 * x] | s[2 * x + 1] << 8;
          if (v == 65535) v = 65534;
          row[2 * x] = static_cast<uint8_t>(v);
          row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
        }
      } else {
        for (int32_t x = 0; x < width; ++x) {
          const int64_t v = s[2 * x] | s[2 * x + 1] << 8;
          int64_t b = ((v - low) * 65536 / span) >> 8;
          row[x] = static_cast<uint8_t>(b < 0 ? 0 : b > 255 ? 255 : b);
        }
      }
      if (!out.write(row.data(), row.size())) return EXPORT_TIFF_FAILED;
    }
  }
  const std::vector<uint8_t> tail = tiff_tail(t, l);
  if (!out.write(tail.data(), tail.size()) || !out.close()) return EXPORT_TIFF_FAILED;
  return EXPORT_TIFF_WRITTEN;
}

// The file-name part of a path.
std::string file_name_of(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folder_of(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string without_extension(const std::string& name) {
  const std::size_t dot = name.find_last_of('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

IMAGE_REC* image_of_area(TkObject* area) {
  TK_OBJ win = area ? RES_GetOwnerWindow(area) : nullptr;
  auto* im = win ? static_cast<IMAGE_REC*>(RES_GetData(win)) : nullptr;
  return im ? im : gt_get_image_ptr();
}

// The open image whose file is `path` (ignoring case), or null.
IMAGE_REC* open_image_at(const char* path) {
  for (int i = 0; i < gt_get_num_img_windows(); ++i) {
    auto* im = static_cast<IMAGE_REC*>(RES_GetData(gt_get_img_window(i)));
    if (im && strcasecmp(im->file_path, path) == 0) return im;
  }
  return nullptr;
}

// Asks whether an existing file may be replaced (message 270). true for Yes.
bool may_replace(const char* path) {
  return mh_send_msg(KS_ALERT_YESNO, ui_msg(270), path) == 2;
}

// Moves the finished file `from` to the chosen destination (asking before replacing one).
// The destination is replaced in one rename, so a failed move leaves the old file whole.
void move_into_place(const char* from, const char* caption, const char* filter,
                     const char* ext, const char* init_dir, const char* init_file) {
  char dest[KS_PATH_LEN] = "";
  if (!io_win32_savefile(dest, sizeof dest, caption, init_dir, init_file, filter, ext)) {
    io_delete(from);
    return;
  }
  if (io_file_exists(dest) && !may_replace(dest)) {
    io_delete(from);
    return;
  }
  if (io_fmgr_move_file(from, dest) != 0) {
    mh_send_msg(KS_ALERT_ERROR, "%s", ui_msg(243));
    io_delete(from);
  }
}

BOOL save_as_own(IMAGE_REC* im, char* load_path) {
  static const char* fn = "gt_save_as_activate";
  mh_status_message(gt_get_status_bar(), 1, "%s", gt_get_message(28));
  const std::string folder = folder_of(im->file_path);
  char init_dir[KS_PATH_LEN];
  std::snprintf(init_dir, sizeof init_dir, "%s", folder.c_str());
  char dest[KS_PATH_LEN] = "";
  if (!io_win32_singlekes(dest, sizeof dest, "Save As Kestrin...", init_dir, sizeof init_dir,
                          im->image_name, FALSE)) {
    mh_clear_status(gt_get_status_bar(), 1);
    return FALSE;
  }
  mh_clear_status(gt_get_status_bar(), 1);
  if (strcasecmp(dest, im->file_path) == 0) {
    mh_send_msg(KS_ALERT_ERROR, "%s", ui_msg(119));
    return FALSE;
  }
  const bool exists = io_file_exists(dest);
  if (exists) {
    if (open_image_at(dest) != nullptr) {
      SLOG(fn, SLOG_WARN, "<%s> is an open image", dest);
      return FALSE;
    }
    char* others = io_query_analysis_files(dest, "vx");
    const bool empty = others == nullptr || others[0] == '\0';
    const int answer = empty ? mh_send_msg(KS_ALERT_YESNO, ui_msg(270), dest)
                             : mh_send_msg(KS_ALERT_YESNO, ui_msg(268), dest, others);
    ks_free(others);
    if (answer != 2) return FALSE;
  }
  gt_busy_begin();
  // The destination's set is replaced as a whole, or stays as it was: the image's files copied
  // (companions the image lacks go with the old set), the analysis and info that the window
  // holds written over the copied ones. The original's files are never written.
  IoFileSet set;
  const bool copied = io_stage_copy_image(set, im->file_path, dest) &&
                      gt_stage_analysis(set, dest, im->img_ptr, im) && set.commit();
  gt_busy_end();
  if (!copied) {
    SLOG(fn, SLOG_ERROR, "<%s> not saved as <%s>", im->file_path, dest);
    mh_send_msg(KS_ALERT_ERROR, "%s", ui_msg(243));
    return FALSE;
  }
  if (exists) {
    char lock[KS_PATH_LEN];
    if (io_filename_lock(lock, io_base_name(dest).c_str()) == 0) io_delete(lock);
  }
  // The open image now lives at the new path: its lock moves with it and its window is retitled.
  io_unlock_files(im->file_path);
  std::snprintf(im->file_path, sizeof im->file_path, "%s", dest);
  std::snprintf(im->image_name, sizeof im->image_name, "%s", file_name_of(dest).c_str());
  io_lock_files(im->file_path);
  if (im->window) WIN_SetTitle(static_cast<TK_OBJ>(im->window), im->image_name);
  // What the window shows is now on disk under the new name.
  gt_image_clear_modified(im);
  gt_update_recent_files(im->file_path);
  if (load_path) std::snprintf(load_path, KS_PATH_LEN, "%s", dest);
  return TRUE;
}

BOOL export_image(IMAGE_REC* im) {
  mh_status_message(gt_get_status_bar(), 1, "%s", gt_get_message(84));
  char tmp[KS_PATH_LEN];
  if (io_temp_filename(tmp) < 0) {
    mh_clear_status(gt_get_status_bar(), 1);
    mh_send_msg(KS_ALERT_ERROR, "%s", gt_get_message(0));
    return FALSE;
  }
  const int r = io_export_save(im->file_path, tmp, im->img_info, FALSE, 0, 0);
  mh_clear_status(gt_get_status_bar(), 1);
  if (r == EXPORT_CANCELLED) {
    io_delete(tmp);
    return TRUE;
  }
  if (r != EXPORT_TIFF_WRITTEN && r != EXPORT_JPEG_WRITTEN) {
    io_delete(tmp);
    mh_send_msg(KS_ALERT_ERROR, "%s", gt_get_message(r == EXPORT_JPEG_FAILED ? 197 : 0));
    return FALSE;
  }
  const bool jpeg = r == EXPORT_JPEG_WRITTEN;
  const std::string name = without_extension(im->image_name) + (jpeg ? ".jpg" : ".tif");
  const std::string folder = folder_of(im->file_path);
  move_into_place(tmp, jpeg ? "Save as JPEG..." : "Save as TIFF...",
                  jpeg ? "JPEG Files (*.jpg)\0*.jpg\0" : "TIFF Files (*.tif)\0*.tif\0",
                  jpeg ? ".jpg" : ".tif", folder.c_str(), name.c_str());
  return TRUE;
}

// The folders the folder export remembers.
std::string s_export_source;
std::string s_export_dest;

std::string home_folder() {
  const char* h = std::getenv("HOME");
  return h && *h ? h : "/";
}

}  // namespace

int io_export_save(const char* img_path, const char* tiff_name, const IMG_INFO* info,
                   BOOL no_prompt, int save_as, int quality) {
  static const char* fn = "io_export_save";
  int bits = 0;
  int32_t extent[2] = {0, 0};
  if (img_path == nullptr || tiff_name == nullptr || !io_query_image(img_path, &bits, extent) ||
      !io_image_complete(img_path)) {
    SLOG(fn, SLOG_ERROR, "cannot open <%s>", img_path ? img_path : "");
    return EXPORT_NO_IMAGE;
  }
  int kind = save_as, q = quality;
  if (!no_prompt) {
    if (ui_export_dialog(bits == 16 ? EXPORT_DLG_2BYTE : EXPORT_DLG_1BYTE, &kind, &q) != 1)
      return EXPORT_CANCELLED;
  }
  if (kind < EXPORT_TIFF_PALETTE || kind > EXPORT_TIFF_AUTO) return EXPORT_NO_IMAGE;
  const std::string tmp = temp_beside(tiff_name);
  int r;
  if (kind == EXPORT_JPEG) {
    r = io_jpeg_save(img_path, tmp.c_str(), info, q) == 0 ? EXPORT_JPEG_WRITTEN : EXPORT_JPEG_FAILED;
  } else {
    r = write_tiff(img_path, tmp.c_str(), info, kind, bits, extent[0], extent[1]);
  }
  const bool done = r == EXPORT_TIFF_WRITTEN || r == EXPORT_JPEG_WRITTEN;
  if (done) {
    IoFileSet set;
    set.adopt(tmp, tiff_name);
    if (!set.commit()) r = kind == EXPORT_JPEG ? EXPORT_JPEG_FAILED : EXPORT_TIFF_FAILED;
  }
  if (r != EXPORT_TIFF_WRITTEN && r != EXPORT_JPEG_WRITTEN) {
    io_delete(tmp.c_str());
    SLOG(fn, SLOG_ERROR, "<%s> not written (%d)", tiff_name, r);
  }
  return r;
}

BOOL gt_save_as_activate(TkObject* area, int format, char* load_path) {
  if (format == 2) {
    // Keep a PostScript file that the print layer wrote.
    if (load_path == nullptr || !io_file_exists(load_path)) return FALSE;
    IMAGE_REC* im = image_of_area(area);
    const std::string folder = im ? folder_of(im->file_path) : std::string();
    const std::string name = im ? without_extension(im->image_name) + ".ps" : std::string();
    move_into_place(load_path, "Save as PostScript...", "Postscript Files (*.ps)\0*.ps\0", ".ps",
                    folder.c_str(), name.c_str());
    return TRUE;
  }
  IMAGE_REC* im = image_of_area(area);
  if (im == nullptr) return FALSE;
  return format == 0 ? save_as_own(im, load_path) : export_image(im);
}

void gt_export_folder(TkObject* main_win) {
  (void)main_win;
  if (s_export_source.empty()) s_export_source = home_folder();
  if (s_export_dest.empty()) s_export_dest = s_export_source;
  char folder[KS_PATH_LEN];
  if (!io_win32_browse_folder_at("Select a Folder to Export...", s_export_source.c_str(), folder,
                                 sizeof folder))
    return;
  s_export_source = folder;
  char** list = nullptr;
  const int n = io_folder_filelist(&list, folder, "*.kes");
  if (n <= 0) {
    mh_send_msg(KS_ALERT_INFO, "There are no Kestrin images in that folder.");
    return;
  }
  char dest_folder[KS_PATH_LEN];
  int kind = 0, quality = 100;
  if (!io_win32_browse_folder_at("Select a Folder for the Exported images...",
                                 s_export_dest.c_str(), dest_folder, sizeof dest_folder) ||
      ui_export_dialog(EXPORT_DLG_FOLDER, &kind, &quality) != 1) {
    if (dest_folder[0]) s_export_dest = dest_folder;
    ks_freelist_msg(reinterpret_cast<void**>(list), n);
    return;
  }
  s_export_dest = dest_folder;
  std::string dir = dest_folder;
  if (!dir.empty() && dir.back() != '/') dir += '/';
  int no_info = 0, failed = 0, done = 0;
  gt_busy_begin();
  for (int i = 0; i < n; ++i) {
    const std::string dest =
        dir + without_extension(file_name_of(list[i])) + (kind == EXPORT_JPEG ? ".jpg" : ".tif");
    if (io_file_exists(dest.c_str()) && !may_replace(dest.c_str())) continue;  // skipped
    ANALYSIS_ENTRY** wanted = io_alloc_analysis_list(1);
    IMG_INFO* info = nullptr;
    if (wanted && (wanted[0] = io_alloc_analysis_entry()) != nullptr) {
      wanted[0]->type = 1;
      if (io_read_inf(list[i], &wanted, 1) > 0) info = static_cast<IMG_INFO*>(wanted[0]->record);
    }
    if (info == nullptr) {
      ++no_info;
    } else {
      const int r = io_export_save(list[i], dest.c_str(), info, TRUE, kind, quality);
      if (r == EXPORT_TIFF_WRITTEN || r == EXPORT_JPEG_WRITTEN) ++done;
      else ++failed;
    }
    if (wanted) io_free_analysis_list(wanted, 1);
  }
  gt_busy_end();
  ks_freelist_msg(reinterpret_cast<void**>(list), n);
  if (no_info == 1) mh_send_msg(KS_ALERT_INFO, "1 image has no size information, and was not exported.");
  else if (no_info > 1)
    mh_send_msg(KS_ALERT_INFO, "%d images have no size information, and were not exported.", no_info);
  if (failed == 1) mh_send_msg(KS_ALERT_INFO, "Conversion failed for 1 image.");
  else if (failed > 1) mh_send_msg(KS_ALERT_INFO, "Conversion failed for %d images.", failed);
  if (done > 0) {
    const char* to = kind == EXPORT_JPEG ? " converted to JPEG." : " converted to TIFF.";
    if (done == 1) mh_send_msg(KS_ALERT_INFO, "1 image%s", to);
    else mh_send_msg(KS_ALERT_INFO, "%d images%s", done, to);
  }
}
