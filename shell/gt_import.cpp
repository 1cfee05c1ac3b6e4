// Imports, crops and destination images.
#include "shell/gt_import.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "acquire/io_import.h"
#include "base/io_file.h"
#include "base/io_file_set.h"
#include "base/ks_alert.h"
#include "base/ks_choose.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "io/imgproc.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "shell/gt_canvas.h"
#include "shell/gt_image_win.h"
#include "shell/gt_open.h"

namespace {

GtImportConverters own() {
  return GtImportConverters{io_tiff_check, io_tiff_convert, io_jpeg_check, io_jpeg_convert,
                            io_bmp_check,  io_bmp_convert,  io_fuji_convert, ui_rgbcolor_dialog};
}
GtImportConverters s_conv = own();

enum Format { TIFF, JPEG, BMP, FUJI };

struct FormatInfo {
  const char* title;
  const char* filter;  // list: label, pattern, second NUL
  const char* ext;
  int check_msg, status_msg, fail_msg;
  const char* name;
};

const FormatInfo kFormats[] = {
    {"Select a source TIFF image...", "TIFF Files (*.tif)\0*.tif\0", ".tif", 87, 94, 87, "TIFF"},
    {"Select a source JPEG image...", "JPEG Files (*.jpg)\0*.jpg\0", ".jpg", 324, 325, 324, "JPEG"},
    {"Select a source Bitmap image...", "Bitmap Files (*.bmp)\0*.bmp\0", ".bmp", 326, 327, 326,
     "bitmap"},
    {"Select a source FUJI image...", "Fuji Files (*.img)\0*.img\0", ".img", 85, 89, 85, "Fuji"},
};

std::string folder_of(const char* path) {
  char dir[KS_PATH_LEN] = "";
  io_path_dirname(path, dir);
  return dir;
}

void set_folder(char* field, const std::string& folder) {
  std::snprintf(field, CTL_PATH, "%s", folder.c_str());
}

void end_busy() {
  gt_busy_end();
  mh_clear_status(gt_get_status_bar(), 1);
}

// The destination chooser: "<chosen path without extension>.kes" in dest; 0 on cancel.
int ask_destination(char* dest, const char* start_with) {
  CONTROL* ctl = gt_get_control();
  char path[KS_PATH_LEN] = "";
  if (!io_win32_singlekes(path, sizeof path, "Destination image...", ctl->folders[CTL_DIR_IMAGES],
                          CTL_PATH, start_with && *start_with ? start_with : nullptr, FALSE))
    return 0;
  char base[KS_PATH_LEN];
  if (io_strip_extension(base, path) != 0 || io_filename_kes(dest, base) != 0) return 0;
  set_folder(ctl->folders[CTL_DIR_IMAGES], folder_of(dest));
  return 1;
}

// Guards an existing destination: open in a window (gt_msg 88), the replace question, the lock
// question. TRUE when the destination may be replaced.
BOOL destination_ok(const char* dest, const char* fn) {
  if (!io_file_exists(dest)) return TRUE;
  if (gt_image_is_loaded(dest, 0)) {
    SLOG(fn, SLOG_EXIT, "%s", "can't overwrite loaded image");
    return FALSE;
  }
  if (mh_send_msg(KS_ALERT_YESNO, ui_msg(270), dest) != 2) {
    SLOG(fn, SLOG_EXIT, "%s", "user says 'no' to overwrite");
    return FALSE;
  }
  if (io_is_locked(dest) && mh_send_msg(KS_ALERT_YESNO, "%s", ks_gt_message(53)) != 2) {
    SLOG(fn, SLOG_EXIT, "%s", "user says 'no' to locked");
    return FALSE;
  }
  return TRUE;
}

// After a new image replaced the destination: the old image's analysis, text part and lock go.
void drop_old_companions(const char* dest) {
  const std::string base = io_base_name(dest);
  io_delete_analysis_files(base.c_str());
  char name[KS_PATH_LEN];
  if (io_filename_cmt(name, base.c_str()) == 0) io_delete(name);
  if (io_filename_lock(name, base.c_str()) == 0) io_delete(name);
}

// A free temporary image name in the destination's folder: "<dest base>-XXXXXX.kes", made as an
// empty file so that no one else takes it.
std::string temp_image_for(const char* dest) {
  std::string t = io_base_name(dest) + "-XXXXXX.kes";
  const int fd = ::mkstemps(t.data(), 4);
  if (fd < 0) return "";
  // The importers write into this file, which then becomes the image: it takes the mode of a
  // new file, not mkstemp's private one.
  (void)::fchmod(fd, io_new_file_mode());
  ::close(fd);
  return t;
}

void drop_temp(const std::string& temp_kes) {
  const std::string base = io_base_name(temp_kes.c_str());
  io_delete(temp_kes.c_str());
  io_delete((base + ".kei").c_str());
}

void set_load(const char* dest) {
  std::snprintf(gt_load_path, IMG_PATH_LEN, "%s", dest);
  char name[KS_PATH_LEN] = "";
  io_path_filename(dest, name);
  std::snprintf(gt_load_name, IMG_PATH_LEN, "%s", name);
}

BOOL import(Format f) {
  const FormatInfo& fi = kFormats[f];
  const char* fn = f == TIFF ? "gt_get_tiff" : f == JPEG ? "gt_get_jpeg" : f == BMP ? "gt_get_bitmap" : "gt_get_fuji";
  SLOG(fn, SLOG_ENTRY, "%s", fi.name);
  CONTROL* ctl = gt_get_control();
  char source[KS_PATH_LEN] = "";
  if (!io_win32_singlefile(source, sizeof source, fi.title, ctl->import_path, "", fi.filter, fi.ext,
                           TRUE, f == FUJI ? FALSE : TRUE)) {
    SLOG(fn, SLOG_EXIT, "%s", "user cancels");
    return FALSE;
  }
  // Check the source and choose the channel.
  int colour = 0, channel = 0, comps = 0, w = 0, h = 0, xres = 0, yres = 0;
  if (f == TIFF) {
    // A refusal after a cancelled channel question leaves colour 1 and channel 0.
    if (!s_conv.tiff_check(source, &colour, &channel, vrem_color())) {
      const bool cancelled = colour == 1 && channel == 0;
      if (!cancelled) mh_send_msg(KS_ALERT_INFO, "%s", ui_msg(fi.check_msg));
      end_busy();
      if (cancelled) mh_status_message(gt_get_status_bar(), 1, "%s", "User cancelled color selection.");
      SLOG(fn, SLOG_EXIT, "%s", "check fails");
      return FALSE;
    }
  } else if (f == JPEG || f == BMP) {
    const int ok = f == JPEG ? s_conv.jpeg_check(source, &comps, &w, &xres, &h, &yres)
                             : s_conv.bmp_check(source, &comps, &w, &xres, &h, &yres);
    if (!ok) {
      // A bitmap refused for a reason of its own (compression) says so.
      const int why = f == BMP ? io_bmp_refusal() : 0;
      mh_send_msg(KS_ALERT_INFO, "%s", ui_msg(why ? why : fi.check_msg));
      end_busy();
      SLOG(fn, SLOG_EXIT, "%s", "check fails");
      return FALSE;
    }
    if (comps == 1) {
      channel = 4;
    } else {
      colour = 1;
      channel = vrem_color() ? vrem_color() : s_conv.rgb_dialog(f == JPEG ? IO_RGB_JPEG : IO_RGB_BMP);
      if (channel == 0) {
        end_busy();
        SLOG(fn, SLOG_EXIT, "%s", "user canceled color selection");
        return FALSE;
      }
    }
  }
  set_folder(ctl->import_path, folder_of(source));

  // Destination.
  char base_name[KS_PATH_LEN] = "", stripped[KS_PATH_LEN] = "";
  io_path_filename(source, base_name);
  io_strip_extension(stripped, base_name);
  char dest[KS_PATH_LEN] = "";
  if (!ask_destination(dest, stripped)) {
    SLOG(fn, SLOG_EXIT, "%s", "no destination");
    return FALSE;
  }
  if (!destination_ok(dest, fn)) return FALSE;

  // Convert under a temporary name beside the destination.
  const std::string temp = temp_image_for(dest);
  if (temp.empty()) {
    mh_send_msg(KS_ALERT_INFO, "%s", ui_msg(243));
    SLOG(fn, SLOG_EXIT, "%s", "no temporary destination");
    return FALSE;
  }
  char dest_name[KS_PATH_LEN] = "", dest_base[KS_PATH_LEN] = "";
  io_path_filename(dest, dest_name);
  io_strip_extension(dest_base, dest_name);
  mh_status_message(gt_get_status_bar(), 1, ui_msg(fi.status_msg), dest_base);
  gt_busy_begin();
  int rc = 0, word = 0;
  switch (f) {
    case TIFF: rc = s_conv.tiff_convert(source, temp.c_str(), &word, ctl->im_calib_interp); break;
    case JPEG:
      rc = s_conv.jpeg_convert(source, temp.c_str(), colour, channel, xres, yres, ctl->im_calib_interp, 0, 0);
      break;
    case BMP:
      rc = s_conv.bmp_convert(source, temp.c_str(), colour, channel, xres, yres, ctl->im_calib_interp);
      break;
    case FUJI: rc = s_conv.fuji_convert(source, temp.c_str()); break;
  }
  // A converter that could not write the new image says so with IO_IMPORT_WRITE_FAILED: the
  // source was read, and it is the destination's disk that the user has to see to.
  bool shown = false;
  if (rc == 0 && !vx_place_new_image(io_base_name(temp.c_str()).c_str(), dest)) {
    shown = true;
    rc = IO_IMPORT_WRITE_FAILED;
  }
  // Whatever is left under the temporary name (all of it after a failure; a copy the move
  // could not delete after a success) goes.
  drop_temp(temp);
  if (rc != 0) {
    if (!shown) {
      int msg = fi.fail_msg;
      if (rc == IO_IMPORT_NO_MEMORY && (f == JPEG || f == BMP))
        msg = 1;
      else if (rc == IO_IMPORT_WRITE_FAILED)
        msg = 243;
      mh_send_msg(KS_ALERT_INFO, "%s", ui_msg(msg));
    }
    end_busy();
    set_folder(ctl->import_path, folder_of(source));
    SLOG(fn, SLOG_EXIT, "conversion fails (%d), BAD", rc);
    return FALSE;
  }
  set_load(dest);
  end_busy();
  SLOG(fn, SLOG_EXIT, "<%s> TRUE", dest);
  return TRUE;
}

}  // namespace

GtImportConverters gt_import_converters() { return s_conv; }
void gt_import_set_converters(const GtImportConverters& c) { s_conv = c; }
void gt_import_reset_converters() { s_conv = own(); }

BOOL gt_get_tiff() { return import(TIFF); }
BOOL gt_get_jpeg() { return import(JPEG); }
BOOL gt_get_bitmap() { return import(BMP); }
BOOL gt_get_fuji() { return import(FUJI); }

int vrem_color() { return 0; }

int vx_get_dest_image_name(char* dest, const char* start_with) {
  static const char* fn = "vx_get_dest_image_name";
  if (!dest) return 0;
  for (;;) {
    if (!ask_destination(dest, start_with)) {
      dest[0] = '\0';
      return 0;
    }
    if (!io_file_exists(dest)) return 1;
    if (gt_image_is_loaded(dest, 0)) continue;
    if (mh_send_msg(KS_ALERT_YESNO, ui_msg(270), dest) != 2) continue;
    if (io_is_locked(dest) && mh_send_msg(KS_ALERT_YESNO, "%s", ks_gt_message(53)) != 2) continue;
    // The old image stays whole until the new one takes its place (vx_place_new_image).
    SLOG(fn, SLOG_VALUE4, "<%s> to be replaced", dest);
    return 1;
  }
}

BOOL vx_place_new_image(const char* new_base, const char* dest) {
  static const char* fn = "vx_place_new_image";
  if (!new_base || !dest || !*dest) return FALSE;
  const int moved = io_move_image(new_base, io_base_name(dest).c_str());
  SLOG(fn, SLOG_VALUE4, "io_move_image <%s> to <%s> ret %d", new_base, dest, moved);
  if (moved == IO_MOVE_FAILED) {
    mh_send_msg(KS_ALERT_INFO, "%s", ui_msg(243));
    SLOG(fn, SLOG_EXIT, "<%s> kept: the new image cannot take its place", dest);
    return FALSE;
  }
  drop_old_companions(dest);
  return TRUE;
}

void gt_finish_crop(const TkPoint* start, const TkPoint* end) {
  static const char* fn = "gt_finish_crop";
  gt_busy_begin();
  if (!start || !end) {
    gt_busy_end();
    SLOG(fn, SLOG_EXIT, "%s", "NULL args");
    return;
  }
  if (start->x == end->x || start->y == end->y) {
    gt_busy_end();
    SLOG(fn, SLOG_EXIT, "%s", "bad args");
    return;
  }
  const int x = std::min(start->x, end->x), y = std::min(start->y, end->y);
  const int w = std::abs(end->x - start->x), h = std::abs(end->y - start->y);
  IMAGE_REC* image = gt_get_image_ptr();
  if (!image) {
    end_busy();
    SLOG(fn, SLOG_EXIT, "%s", "no current image");
    return;
  }
  const int menu_id = gt_win_menu_id_of(image);
  mh_status_message(gt_get_status_bar(), 1, "%s", ui_msg(162));
  char dest[KS_PATH_LEN] = "";
  if (!ask_destination(dest, "")) {
    end_busy();
    SLOG(fn, SLOG_EXIT, "%s", "user cancels");
    return;
  }
  if (!destination_ok(dest, fn)) {
    end_busy();
    return;
  }
  // The crop writes through a temporary file of its own: the destination changes only when it
  // succeeded.
  if (io_imgproc_crop(image->file_path, x, y, w, h, dest) != IMGPROC_OK) {
    mh_send_msg(KS_ALERT_INFO, "%s", ui_msg(243));
    end_busy();
    SLOG(fn, SLOG_EXIT, "%s", "io_imgproc_crop failed");
    return;
  }
  drop_old_companions(dest);
  set_load(dest);
  gt_load_image();
  gt_set_image_ptr(image);
  gt_raise_image_window(menu_id);
  end_busy();
  SLOG(fn, SLOG_EXIT, "<%s> done", dest);
}
