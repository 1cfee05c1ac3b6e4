// A fresh image record for the targets that read into one, freed whole (with the annotation
// chain that the analysis reader hangs on its display record).
#pragma once

#include "base/ks_mem.h"
#include "io/commentary.h"
#include "io/image_rec_init.h"
#include "model/control.h"
#include "model/image_rec.h"

namespace vxfuzz {

class Image {
 public:
  Image() : im_(ks_new_rec<IMAGE_REC>()) {
    if (!im_ || !gt_img_init(im_)) std::abort();
  }
  ~Image() {
    gt_img_free(im_);
  }
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
  IMAGE_REC* get() const { return im_; }

 private:
  IMAGE_REC* im_;
};

// Puts the program-wide control record back to its defaults (the defaults do not release the
// category names that reading an analysis merges into it).
inline void reset_control() {
  CONTROL* ctl = gt_get_control();
  ks_free(ctl->lane_chars);
  ctl->lane_chars = nullptr;
  gt_control_init(ctl);
}

}  // namespace vxfuzz
