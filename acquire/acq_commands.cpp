// The acquisition commands: acquire, then move the new image to its destination and open it.
#include "acquire/acq_commands.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "acquire/tik.h"
#include "acquire/ui_acquire.h"
#include "acquire/ui_camera.h"
#include "acquire/ui_scanner.h"
#include "base/slog.h"
#include "engine/cal_auto.h"
#include "io/imgproc.h"
#include "model/control.h"
#include "shell/gt_cmd.h"
#include "shell/gt_image_win.h"
#include "shell/gt_import.h"
#include "shell/gt_open.h"

namespace {

const char* const kFn = "acq_run_command";
// The camera's exposure and colour between openings.
int s_cam_exposure_ms = 100;
int s_cam_color = 4;

// Asks for the destination, turns the image written at `root` as the scanner asks, puts it in
// place of the destination (an image there stays whole until then, and stays as it was when the
// new one cannot be written there) and opens it.
void finish(const char* root, const std::string& start, int rotate_code, bool calibrated) {
  char dest[IMG_PATH_LEN] = "";
  if (!vx_get_dest_image_name(dest, start.c_str())) {
    SLOG(kFn, SLOG_VALUE4, "no destination");
    return;
  }
  CONTROL* ctl = gt_get_control();
  std::string folder = dest;
  const std::size_t slash = folder.find_last_of('/');
  folder = slash == std::string::npos ? "" : folder.substr(0, slash + 1);
  std::snprintf(ctl->folders[CTL_DIR_IMAGES], CTL_PATH, "%s", folder.c_str());
  gt_busy_begin();
  if (rotate_code >= 1 && rotate_code <= 3) {
    SLOG(kFn, SLOG_VALUE4, "rotating...");
    const std::string image = std::string(root) + ".kes";
    if (rotate_code == 3)
      io_imgproc_rotate_270(image.c_str());
    else
      for (int i = 0; i < rotate_code; ++i) io_imgproc_rotate_90(image.c_str());
  }
  if (vx_place_new_image(root, dest)) {
    std::snprintf(gt_load_path, sizeof gt_load_path, "%s", dest);
    const char* name = std::strrchr(dest, '/');
    std::snprintf(gt_load_name, sizeof gt_load_name, "%s", name ? name + 1 : dest);
    IMAGE_REC* image = gt_load_image();
    if (image != nullptr && calibrated && GetAutoCalibrate()) {
      image->modified = 1;
      if (image->img_info) image->img_info->flags |= 0x4000 | 0x400 | 0x800;
    }
  }
  gt_busy_end();
}

}  // namespace

void acq_run_command(TK_OBJ owner, int command) {
  CONTROL* ctl = gt_get_control();
  const std::string root = TikMakeFileName();
  switch (command) {
    case GT_CMD_SELECT_TWAIN:
    case GT_CMD_ACQUIRE_TWAIN: {
      if (command == GT_CMD_SELECT_TWAIN && !ui_twainsel_activate(owner, FALSE, FALSE)) {
        SLOG(kFn, SLOG_VALUE4, "ui_twainsel_activate FALSE");
        return;
      }
      const std::string source = ui_SelectedTWAINSource();
      if (source.empty()) {
        SLOG(kFn, SLOG_VALUE4, "TWAIN source not selected");
        return;
      }
      SLOG(kFn, SLOG_VALUE4, "TWAIN source <%s>, S_temp_path <%s>", source.c_str(), root.c_str());
      const BOOL r = tik_device_acquire(command == GT_CMD_SELECT_TWAIN ? "VX" : "vx", source.c_str(),
                                        root.c_str(), ctl->im_calib_interp, vrem_color(), 1);
      SLOG(kFn, SLOG_VALUE4, "tik_device_acquire ret %d", r);
      if (r) finish(root.c_str(), "", 0, false);
      return;
    }
    case GT_CMD_ACQUIRE_CAMERA: {
      SLOG(kFn, SLOG_VALUE4, "Manual acquire...");
      CamSettings cs;
      cs.folder = ctl->folders[CTL_DIR_IMAGES];
      cs.exposure_ms = s_cam_exposure_ms;
      cs.color = s_cam_color;
      std::string name, source;
      if (!ChooseNewCameraERecord(owner, root.c_str(), &name, ctl->im_calib_interp, &cs, &source))
        return;
      s_cam_exposure_ms = cs.exposure_ms;
      s_cam_color = cs.color;
      finish(root.c_str(), name, 0, false);
      return;
    }
    case GT_CMD_ACQUIRE_SCANNER: {
      ScanSettings ss;
      ss.brightness = ctl->scan.Bright;
      ss.dpi_index = ctl->scan.DPI;
      ss.transmissive = ctl->scan.Trans;
      ss.rotate = ctl->scan.Rotate;
      ss.rotate_code = ctl->scan.Rot_Deg;
      ss.width = ctl->scan.Width;
      ss.length = ctl->scan.Length;
      ss.color = ctl->scan.Color;
      char name[256] = "", source[260] = "";
      const BOOL r = ChooseNewScannerERecord(0, root.c_str(), name, 0, &ss, source);
      SLOG(kFn, SLOG_VALUE4, "bScannerRet %d, cRet <%s>", r, name);
      if (!r) {
        SLOG(kFn, SLOG_VALUE4, "scan failed, or user cancelled");
        return;
      }
      SLOG(kFn, SLOG_VALUE4, "bDoCal %d, bAutoCalSuccessful %d", ss.calibrate, ss.auto_cal_ok);
      ctl->scan.Bright = ss.brightness;
      ctl->scan.DPI = ss.dpi_index;
      ctl->scan.Trans = ss.transmissive;
      ctl->scan.Rotate = ss.rotate;
      ctl->scan.Rot_Deg = ss.rotate_code;
      ctl->scan.Width = ss.width;
      ctl->scan.Length = ss.length;
      ctl->scan.Color = ss.color;
      tik_set_kei_color_attrib(ss.color);
      finish(root.c_str(), name, ss.rotate ? ss.rotate_code : 0, ss.auto_cal_ok != 0);
      return;
    }
    default:
      return;
  }
}
