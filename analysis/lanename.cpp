// Writing lane names.
#include "analysis/lanename.h"

#include <cstring>

#include "analysis/wr_match.h"
#include "base/io_file.h"
#include "base/ks_alert.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "io/analysis_io.h"
#include "model/image_rec.h"
#include "model/lane.h"

namespace {

constexpr size_t kNameMax = 20;

// Gives every lane of the image whose number an entry of image i names that entry's name.
void name_lanes(IMAGE_REC* image, int i, const std::vector<LaneNameEntry>& entries) {
  for (const LaneNameEntry& e : entries) {
    if (e.image != i) continue;
    for (LANE* lane = image->lanes ? image->lanes->next : nullptr; lane; lane = lane->next) {
      if (lane->lane_number != e.lane_number) continue;
      const size_t n = std::min(e.name.size(), kNameMax);
      std::memcpy(lane->lane_name, e.name.data(), n);
      lane->lane_name[n] = '\0';
    }
  }
}

}  // namespace

int lanename_activate(const std::vector<std::string>& paths,
                      const std::vector<LaneNameEntry>& entries,
                      const std::vector<IMAGE_REC*>& windows) {
  static const char* fn = "lanename_activate";
  if (paths.empty()) {
    SLOG(fn, SLOG_VALUE4, "%s", "S_num_img 0");
    return 0;
  }
  if (entries.empty()) {
    SLOG(fn, SLOG_VALUE4, "%s", "S_num_entry 0");
    return 0;
  }
  int failed = 0;
  for (size_t i = 0; i < paths.size(); ++i) {
    WrImage e;
    std::snprintf(e.path, sizeof e.path, "%s", paths[i].c_str());
    io_path_filename(e.path, e.name);
    IMAGE_REC* open = nullptr;
    if (wr_disp_get_data(windows, e.path, e.name, &open) == 0) {
      name_lanes(open, int(i), entries);
      open->modified = 1;
      // A failed save keeps the image marked, so that the names and other edits are not lost;
      // the writer has told the user.
      if (gt_prepare_and_write(open->file_path, open->img_ptr, open)) open->modified = 0;
      else ++failed;
      continue;
    }
    // Read with its display record, which holds the annotations, so that writing it back keeps
    // every record the files had.
    if (wr_read_match_image(&e, 1) != 0) {
      mh_send_msg(KS_ALERT_INFO, ks_gt_message(131), e.name);
      ++failed;
      continue;
    }
    name_lanes(e.image, int(i), entries);
    if (!gt_prepare_and_write(e.path, e.image->img_ptr, e.image)) ++failed;
    wr_free_match_image(&e);
  }
  SLOG(fn, SLOG_EXIT, "failed %d", failed);
  return failed;
}
