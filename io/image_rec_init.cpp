// Setting up and releasing an image record.
#include "io/image_rec_init.h"

#include <cstring>

#include "base/ks_mem.h"
#include "base/slog.h"
#include "io/kes_image.h"
#include "model/control.h"

namespace {

constexpr int kBlockPointBytes = 32;  // four corner points of a lane block

// Frees the display record and the images it holds.
void free_display(IMG_DATA*& d) {
  if (d == nullptr) return;
  io_free_display(d);
  ks_free(d);
  d = nullptr;
}

template <typename T>
bool alloc_field(T*& field, std::size_t size, const char* name) {
  field = static_cast<T*>(ks_alloc_msg(size));
  if (field == nullptr) {
    ks_dbg_null_ptr("gt_img_init", name);
    return false;
  }
  return true;
}

void fill(int* a, int n, int v) {
  for (int i = 0; i < n; ++i) a[i] = v;
}

}  // namespace

BOOL gt_img_init(IMAGE_REC* im) {
  SLOG("gt_img_init", SLOG_ENTRY, "image_ptr 0p%p", static_cast<void*>(im));
  if (im == nullptr) {
    ks_dbg_null_ptr("gt_img_init", "image_ptr");
    return FALSE;
  }
  const CONTROL* ctl = gt_get_control();

  im->file_path[0] = '\0';
  im->image_name[0] = '\0';

  lookup_free(im->img_int_info);
  im->img_int_info = nullptr;
  if (!alloc_field(im->img_int_info, sizeof(IMG_INT_INFO), "image_ptr->img_int_info")) return FALSE;
  ks_free(im->img_info);
  im->img_info = nullptr;
  if (!alloc_field(im->img_info, sizeof(IMG_INFO), "image_ptr->img_info")) return FALSE;
  free_display(im->img_ptr);
  if (!alloc_field(im->img_ptr, sizeof(IMG_DATA), "image_ptr->img_ptr")) return FALSE;
  ih_init_display(im->img_ptr);
  im->img_ptr->zoom[0] = im->img_ptr->zoom[1];

  ks_free(im->comment);
  im->comment = nullptr;
  im->comment_len = 0;
  im->modified = 0;
  im->has_lanes = 0;
  im->has_bands = 0;
  im->std_present = 0;
  im->std_changed = 0;
  im->lane_coords = nullptr;

  ks_free(im->block_points);
  im->block_points = nullptr;
  if (!alloc_field(im->block_points, kBlockPointBytes, "image_ptr->block_points")) return FALSE;
  im->num_block_points = 0;
  im->block_step = 0;
  im->num_lane_coords = 0;
  im->marker_w[0] = im->marker_w[1] = 0;
  im->num_sel_lanes = 0;
  im->num_sel_bands = 0;
  im->num_sel_stds = 0;

  ks_free(im->band_hdr);
  im->band_hdr = nullptr;
  if (!alloc_field(im->band_hdr, sizeof(SPOT_HDR), "image_ptr->band_hdr")) return FALSE;
  ks_free(im->lane_hdr);
  im->lane_hdr = nullptr;
  if (!alloc_field(im->lane_hdr, sizeof(LANE_HDR), "image_ptr->lane_hdr")) return FALSE;
  ks_free(im->bands);
  im->bands = nullptr;
  if (!alloc_field(im->bands, sizeof(SPOT), "image_ptr->bands")) return FALSE;
  std::memset(im->sel_list, 0, sizeof im->sel_list);
  ks_free(im->lanes);
  im->lanes = nullptr;
  if (!alloc_field(im->lanes, sizeof(LANE), "image_ptr->lanes")) return FALSE;

  im->save_lane_coords = nullptr;
  im->mod_lane_bands = nullptr;
  im->band_std_coords = nullptr;
  im->size_stdp = nullptr;
  im->bnd_lane = nullptr;
  im->bnd_band_count = 0;
  im->save_left_width = 0;
  im->save_right_width = 0;
  im->save_num_points = 0;

  // An empty cell is replaced; one that still holds a list belongs to the band tools' free.
  if (im->conc_stdp != nullptr && *im->conc_stdp == nullptr) ks_free(im->conc_stdp);
  im->conc_stdp = nullptr;
  if (!alloc_field(im->conc_stdp, sizeof(STD_LIST*), "image_ptr->conc_stdp")) return FALSE;

  im->set_w0 = 0;
  im->size_interp = ctl->size_interp;
  im->size_extrap = ctl->size_extrap;
  im->size_digits = ctl->size_digits;
  im->size_nstd = ctl->size_nstd;
  im->size_stds_sw = ctl->flags & CTL_F_SIZE_STDS;
  im->conc_interp = ctl->conc_interp;
  im->conc_extrap = ctl->conc_extrap;
  im->conc_digits = ctl->conc_digits;
  for (int i = 0; i < 4; ++i) im->disp_codes[i] = ctl->disp_codes[i];

  im->cur_std_value = -1.0;
  fill(im->pt_now, 2, -1);
  fill(im->pt_prev, 2, -1);
  fill(im->click_pt, 2, -1);
  fill(im->rubber_pt, 2, -1);
  fill(im->drag_pt, 2, -1);
  im->cur_lane = nullptr;
  im->cur_band = nullptr;
  im->num_sel_size = 0;
  im->num_sel_conc = 0;
  fill(im->lane_index, IMG_MAX_SEL, 0);
  fill(&im->mark_pts[0][0], 6, -1);

  if (im->pending_stds != nullptr) std_list_free(im->pending_stds);
  im->pending_stds = std_list_create();
  if (im->pending_stds == nullptr) {
    ks_dbg_null_ptr("gt_img_init", "image_ptr->pending_stds");
    return FALSE;
  }
  im->pending_stds_idx = -1;
  fill(im->lane_ids, IMG_MAX_SEL, -1);
  fill(im->lane_tiers, IMG_MAX_SEL, -1);
  im->hit_lane = im->hit_pt = -1;
  im->edit_lane = im->edit_pt = im->edit_mode = -1;
  im->drag_lane = im->drag_pt_idx = -1;

  // The image's band-detection settings start from the control record's defaults.
  im->min_top_band_thick = ctl->bnd_detect[0];
  im->min_bot_band_thick = ctl->bnd_detect[1];
  im->band_threshold = ctl->bnd_detect[2];
  im->band_threshold2 = ctl->bnd_detect[3];
  SLOG("gt_img_init", SLOG_EXIT, "%s", "OK");
  return TRUE;
}

void gt_img_free_secondary(IMAGE_REC* im) {
  if (im == nullptr) return;
  if (im->pending_stds != nullptr) std_list_free(im->pending_stds);
  im->pending_stds = nullptr;
  lookup_free(im->img_int_info);
  im->img_int_info = nullptr;
  ks_free(im->img_info);
  im->img_info = nullptr;
  ks_free(im->comment);
  im->comment = nullptr;
  im->comment_len = 0;
  free_display(im->img_ptr);
  if (im->std_line != nullptr) std_list_free(im->std_line);
  im->std_line = nullptr;
  if (im->tool_data != nullptr && im->tool_data_free != nullptr) im->tool_data_free(im->tool_data);
  im->tool_data = nullptr;
}

void gt_img_free(IMAGE_REC* im) {
  if (im == nullptr) return;
  gt_img_free_lists(im);
  gt_img_free_secondary(im);
  ks_free(im);
}
