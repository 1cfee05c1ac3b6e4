// A display record for a test: initialised when made, its images and kept pixels released
// when it ends.
#pragma once

#include "io/kes_image.h"
#include "model/img_info.h"

namespace vxtest {

struct Display {
  IMG_DATA d{};
  Display() { ih_init_display(&d); }
  ~Display() { io_free_display(&d); }
  Display(const Display&) = delete;
  Display& operator=(const Display&) = delete;
};

}  // namespace vxtest
