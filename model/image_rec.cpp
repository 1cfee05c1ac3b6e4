// Frees of the image record's lane and band data.
#include "model/image_rec.h"

#include "base/ks_mem.h"
#include "base/slog.h"

void gt_img_free_lists(IMAGE_REC* im) {
  if (im == nullptr) {
    SLOG("gt_img_free_lists", SLOG_ERROR, "%s", "NULL image record");
    return;
  }
  const int tiers = im->lane_hdr != nullptr ? im->lane_hdr->num_tiers : 0;
  ks_free(im->band_hdr);
  im->band_hdr = nullptr;
  ln_free_bands(im->bands);
  im->bands = nullptr;
  ks_free(im->mod_lane_bands);
  im->mod_lane_bands = nullptr;
  if (im->size_stdp != nullptr) {
    for (int t = 0; t < tiers; ++t) {
      if (im->size_stdp[t] != nullptr) std_list_free(im->size_stdp[t]);
    }
    ks_free(im->size_stdp);
    im->size_stdp = nullptr;
  }
  if (im->band_std_coords != nullptr) std_list_free(im->band_std_coords);
  im->band_std_coords = nullptr;
  if (im->conc_stdp != nullptr) {
    if (*im->conc_stdp != nullptr) std_list_free(*im->conc_stdp);
    ks_free(im->conc_stdp);
    im->conc_stdp = nullptr;
  }
  ks_free(im->block_points);
  im->block_points = nullptr;
  ks_free(im->lane_coords);
  im->lane_coords = nullptr;
  ks_free(im->lane_hdr);
  im->lane_hdr = nullptr;
  ln_free_lanes(im->lanes);
  im->lanes = nullptr;
  ks_free(im->save_lane_coords);
  im->save_lane_coords = nullptr;
}

bool gt_img_fill_tier_lists(IMAGE_REC* im, int tiers) {
  if (!im || tiers < 1) return true;
  if (!im->size_stdp) {
    im->size_stdp = static_cast<STD_LIST**>(ks_alloc_msg(sizeof(STD_LIST*) * std::size_t(tiers)));
    if (!im->size_stdp) {
      ks_dbg_null_ptr("gt_img_fill_tier_lists", "image_ptr->size_stdp");
      return false;
    }
    for (int t = 0; t < tiers; ++t) im->size_stdp[t] = nullptr;
  }
  bool ok = true;
  for (int t = 0; t < tiers; ++t) {
    if (im->size_stdp[t]) continue;
    if (STD_LIST* list = std_list_create()) {
      list->int_method = im->size_interp, list->extrap_method = im->size_extrap;
      im->size_stdp[t] = list;
    } else {
      ok = false;
    }
  }
  return ok;
}
