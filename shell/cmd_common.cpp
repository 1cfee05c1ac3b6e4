// Helpers that the command handlers of several menus share.
#include <cstring>
#include <string>
#include <vector>

#include "base/io_file.h"
#include "base/ks_ini.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "io/img_list.h"
#include "shell/cmd_handlers.h"
#include "shell/gt_image_win.h"
#include "shell/gt_misc.h"
#include "analysis/mparm.h"
#include "base/ks_choose.h"
#include "base/ks_alert.h"
#include "toolkit/tk_res.h"

bool cmd_has_bands(const IMAGE_REC* image) {
  return image != nullptr && image->bands != nullptr && image->bands->next != nullptr;
}

std::vector<TK_OBJ> cmd_image_windows() {
  std::vector<TK_OBJ> wins;
  for (int i = 0; i < gt_get_num_img_windows(); ++i) wins.push_back(gt_get_img_window(i));
  return wins;
}

bool cmd_current_canvas(IMAGE_REC** image, TK_OBJ* area) {
  *image = gt_get_image_ptr();
  *area = *image ? static_cast<TK_OBJ>((*image)->draw_area) : nullptr;
  return *area != nullptr && (*image)->img_ptr != nullptr;
}

bool cmd_confirm_image_files(IMAGE_REC* image, const char* no_window, int question, char* base,
                             std::string* path) {
  if (image == nullptr || gt_get_num_img_windows() == 0) {
    SLOG(kCmdTrace, SLOG_VALUE4, "%s", no_window);
    return false;
  }
  if (io_strip_extension(base, image->file_path) != 0) {
    SLOG(kCmdTrace, SLOG_ERROR, "path too long <%s>", image->file_path);
    return false;
  }
  *path = image->file_path;
  if (mh_send_msg(KS_ALERT_YESNO, ui_msg(question), image->image_name) != 2) {
    SLOG(kCmdTrace, SLOG_VALUE4, "user says 'no' to %d", question);
    return false;
  }
  return true;
}

bool cmd_images_to_list(std::vector<std::string>* paths, GtImgNameList* names, bool read_names,
                        int to_folder) {
  const CONTROL* ctl = gt_get_control();
  paths->clear();
  *names = GtImgNameList{};
  const std::string title = ctl->lane_sel_file[0] == '\0'
                                ? std::string("Select Image(s)... (Sel File: <none>)")
                                : "Select Image(s)... (Sel File: <" + std::string(ctl->lane_sel_file) + ">)";
  if (ctl->image_list_file[0] != '\0') {
    SLOG(kCmdTrace, SLOG_VALUE4, "match_img_list_file <%s>", ctl->image_list_file);
    gt_read_image_list(ctl->image_list_file, paths);
  }
  if (read_names && ctl->imgname_list_file[0] != '\0') {
    SLOG(kCmdTrace, SLOG_VALUE4, "imgname_lanenum_file <%s>", ctl->imgname_list_file);
    if (gt_read_imgname_list(ctl->imgname_list_file, ctl->folders[CTL_DIR_IMAGES], names) > 0)
      *paths = names->images;
    SLOG(kCmdTrace, SLOG_VALUE4, "num_img %d, num_entry %d", int(names->images.size()),
         names->num_records());
  }
  if (paths->empty() && !to_folder) {
    char** list = nullptr;
    const int n = io_win32_filelist(&list, title.c_str(), ctl->folders[CTL_DIR_IMAGES], "",
                                    KS_KES_FILTER, 0, TRUE, TRUE, TRUE, nullptr);
    if (n > 0) paths->assign(list, list + n);
    if (list) ks_freelist_msg(reinterpret_cast<void**>(list), n);
  } else if (paths->empty()) {
    static std::string s_match_folder;
    if (s_match_folder.empty()) s_match_folder = ctl->folders[CTL_DIR_IMAGES];
    char* folder = io_dirname_new(s_match_folder.c_str(), "Select a Folder to Match Againt...");
    if (folder == nullptr) {
      SLOG(kCmdTrace, SLOG_VALUE4, "user cancels 'Select Folder'");
      return false;
    }
    s_match_folder = folder;
    char** list = nullptr;
    const int n = io_folder_filelist(&list, folder, "*.kes");
    ks_free(folder);
    SLOG(kCmdTrace, SLOG_VALUE4, "#%d files in folder", n);
    if (n > 0) paths->assign(list, list + n);
    if (list) ks_freelist_msg(reinterpret_cast<void**>(list), n);
  }
  if (paths->empty()) {
    SLOG(kCmdTrace, SLOG_VALUE4, "num_img 0");
    return false;
  }
  return true;
}

bool cmd_match_parameters_and_images(TK_OBJ win, int round_robin, bool read_names,
                                     std::vector<std::string>* paths, GtImgNameList* names) {
  int to_folder = 0;
  if (!gt_mparm_activate(win, 1, round_robin, &to_folder)) {
    SLOG(kCmdTrace, SLOG_VALUE4, "gt_mparm_activate FALSE");
    return false;
  }
  SLOG(kCmdTrace, SLOG_VALUE4, "bMatchToFolder %d, loc_images <%s>", to_folder,
       gt_get_control()->folders[CTL_DIR_IMAGES]);
  return cmd_images_to_list(paths, names, read_names, to_folder);
}
