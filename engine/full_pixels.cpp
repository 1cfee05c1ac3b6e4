#include "engine/full_pixels.h"

#include "base/ks_alert.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "engine/lane_profile.h"
#include "engine/quant_lanes.h"
#include "io/kes_image.h"
#include "toolkit/core/tk_reduce.h"
#include "engine/open_stack.h"

#include <algorithm>

namespace {
LnPixels* g_open = nullptr;  // the innermost open copy
constexpr long kFileLostMsg = 193;  // gt_msg: the image file changed or cannot be read (%s: its name)
LnPixelsHook s_hook = nullptr;
}

LnPixelsHook ln_pixels_set_hook(LnPixelsHook hook) {
  LnPixelsHook old = s_hook;
  s_hook = hook;
  return old;
}

LnPixels::LnPixels(const char* path) : path_(path ? path : ""), prev_(g_open) {
  for (LnPixels* p = g_open; p; p = p->prev_)
    if (p->path_ == path_ && !p->outer_) {
      outer_ = p;
      break;
    }
  g_open = this;
}

LnPixels::~LnPixels() {
  // A command that asked has decided, on what it saw then: the file is not looked at again.
  if (!outer_ && tried_) {
    if (s_hook) s_hook(path_.c_str(), LnPixelsAt::Ending);
    if (!asked_) lost();
  }
  open_stack_unlink(g_open, this, &LnPixels::prev_);
}

const TkImage* LnPixels::image() {
  if (outer_) return outer_->image();
  if (!tried_) {
    tried_ = true;
    // An open window's image keeps its pixels while the file is unchanged: no read at all.
    kept_ = io_kept_pixels(path_.c_str());
    if (kept_) return kept_.get();
    int bits = 0;
    int32_t extent[2] = {0, 0};
    if (!path_.empty() && io_query_image(path_.c_str(), &bits, extent)) {
      const int32_t rect[4] = {0, 0, extent[0], extent[1]};
      ok_ = io_read_kestrin(path_.c_str(), &image_, rect, 1.0) == 1 && !image_.empty();
    }
    if (!ok_) {
      SLOG("LnPixels", SLOG_ERROR, "cannot read <%s>", path_.c_str());
      tell();
    }
  }
  if (kept_) return kept_.get();
  return ok_ ? &image_ : nullptr;
}

bool LnPixels::lost() {
  if (outer_) return outer_->lost();
  if (!tried_) return false;
  if (decided_ >= 0) return decided_ == 1;
  if (s_hook) s_hook(path_.c_str(), LnPixelsAt::Asking);
  asked_ = true;
  const bool gone = kept_ ? !io_kept_pixels_intact(path_.c_str(), kept_.get()) : !ok_;
  if (gone) tell();
  return gone;
}

bool LnPixels::decide() {
  if (outer_) return outer_->lost();
  const bool gone = lost();
  if (tried_) decided_ = gone ? 1 : 0;
  return gone;
}

bool LnPixels::readable() {
  if (outer_) return outer_->readable();
  if (tried_) return image() != nullptr;
  // An open window's kept pixels, current now, are the ones the command then reads.
  if (auto kept = io_kept_pixels(path_.c_str())) {
    tried_ = true;
    kept_ = std::move(kept);
    return true;
  }
  if (io_image_complete(path_.c_str())) return true;
  tell();
  return false;
}

void LnPixels::tell() {
  if (outer_) return outer_->tell();
  if (told_) return;
  told_ = true;
  const std::size_t slash = path_.find_last_of('/');
  mh_send_msg(KS_ALERT_INFO, ks_gt_message(kFileLostMsg),
              path_.substr(slash == std::string::npos ? 0 : slash + 1).c_str());
}

bool ln_reduce_block(const TkImage& img, int img_x, int img_y, const LN_POINT corners[4], int n,
                     LnBlock* out) {
  if (!corners || !out || n < 1) return false;
  out->left = std::min(corners[0].x, corners[3].x);
  out->top = std::min(corners[0].y, corners[1].y);
  out->width = std::max(corners[1].x, corners[2].x) - out->left;
  out->height = std::max(corners[2].y, corners[3].y) - out->top;
  out->f = std::max(1, static_cast<int>(out->width / double(n) / 20.0));
  out->bytes = img.bytes_per_pixel();
  return tk_reduce_rect(img, out->left - img_x, out->top - img_y, out->width, out->height,
                        &out->reduced, out->f);
}

bool ln_pixels_block(LnPixels& px, const LN_POINT corners[4], int n, LnBlock* out) {
  const TkImage* img = px.image();
  return img && ln_reduce_block(*img, 0, 0, corners, n, out);
}

int ln_pixels_profiles(LnPixels& px, LANE** lanes, int n, int percent) {
  const TkImage* img = px.image();
  return img ? ln_load_data_values_image(img, lanes, n, percent) : 0;
}

int ln_pixels_lane_image(LnPixels& px, const LANE* lane, LANE_IMAGE* out, const IMG_INFO* header,
                         int row) {
  const TkImage* img = px.image();
  return img ? ln_cut_lane_image(lane, out, header, img, row) : -1;
}

int ln_quant_lane_bands(const TkImage* whole, const IMG_INFO* header, LANE* lane, SPOT** bands,
                        int n, int row, IMG_INT_INFO* table,
                        const std::function<void(SPOT*, int)>& seen) {
  if (!whole || !lane) return -1;
  const LnLaneBands one{lane, bands, n};
  return ln_quant_lanes(whole, header, &one, 1, row, table, [&](int, SPOT* b, int ok) {
    if (seen) seen(b, ok);
  });
}
