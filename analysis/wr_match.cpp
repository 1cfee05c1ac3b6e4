// Gathering match and report images.
#include "analysis/wr_match.h"

#include <strings.h>

#include <cstdio>

#include "base/ks_mem.h"
#include "base/slog.h"
#include "io/analysis_io.h"
#include "io/image_rec_init.h"
#include "model/lane.h"
#include "model/quant.h"
#include "model/std_list.h"

int wr_disp_get_data(const std::vector<IMAGE_REC*>& windows, const char* name, IMAGE_REC** out) {
  SLOG("wr_disp_get_data", SLOG_ENTRY, "<%s>", name ? name : "");
  *out = nullptr;
  SLOG("wr_disp_get_data", SLOG_VALUE4, "num_win %d", int(windows.size()));
  for (size_t i = 0; name != nullptr && i < windows.size(); ++i) {
    IMAGE_REC* im = windows[i];
    if (im == nullptr) continue;
    SLOG("wr_disp_get_data", SLOG_VALUE4, "[%2d] <%s>", int(i), im->image_name);
    if (strcasecmp(im->image_name, name) == 0) {
      *out = im;
      SLOG("wr_disp_get_data", SLOG_EXIT, "%s", "ret 0");
      return 0;
    }
  }
  SLOG("wr_disp_get_data", SLOG_EXIT, "%s", "ret -1");
  return -1;
}

namespace {

void strip_for_match(IMAGE_REC* im) {
  for (SPOT* b = im->bands ? im->bands->next : nullptr; b != nullptr; b = b->next) {
    mj_res_free(&b->result);
    b->f1 &= ~0xFu;
  }
  for (LANE* l = im->lanes ? im->lanes->next : nullptr; l != nullptr; l = l->next) {
    if (l->baseline) ln_free_feat_list(l->baseline);
    ks_free(l->data_values);
    l->data_values = nullptr;
    l->num_data_values = 0;
    ks_free(l->baseline_values);
    l->baseline_values = nullptr;
    if (l->peak) ln_free_feat_list(l->peak);
    if (l->valley) ln_free_feat_list(l->valley);
    if (l->infl_pt) ln_free_feat_list(l->infl_pt);
  }
}

}  // namespace

int wr_read_match_image(WrImage* entry, int keep_stds) {
  static const char* fn = "wr_read_match_image";
  if (entry == nullptr) return -1;
  SLOG(fn, SLOG_ENTRY, "<%s> keep %d", entry->path, keep_stds);
  entry->image = nullptr;
  entry->loaded = 0;
  auto* im = static_cast<IMAGE_REC*>(ks_alloc_msg(sizeof(IMAGE_REC)));
  if (im == nullptr) return -1;
  if (!gt_img_init(im)) {
    gt_img_free(im);
    return -1;
  }
  std::snprintf(im->file_path, sizeof im->file_path, "%s", entry->path);
  std::snprintf(im->image_name, sizeof im->image_name, "%s", entry->name);
  // This record is nobody's current image: reading it must not offer it as one.
  GtAnalysisHooks hooks = gt_analysis_set_hooks(GtAnalysisHooks{});
  GtAnalysisHooks quiet = hooks;
  quiet.make_current = nullptr;
  gt_analysis_set_hooks(quiet);
  const int r = gt_read_and_prepare(entry->path, keep_stds ? im->img_ptr : nullptr, im);
  gt_analysis_set_hooks(hooks);
  if (r != 0 || im->lanes == nullptr) {
    gt_img_free(im);
    SLOG(fn, SLOG_EXIT, "%s", "ret -1");
    return -1;
  }
  if (!keep_stds) strip_for_match(im);
  entry->image = im;
  entry->loaded = 1;
  SLOG(fn, SLOG_EXIT, "%s", "ret 0");
  return 0;
}

void wr_free_match_image(WrImage* entry) {
  if (entry == nullptr) return;
  if (entry->loaded) gt_img_free(entry->image);
  entry->image = nullptr;
  entry->loaded = 0;
}
