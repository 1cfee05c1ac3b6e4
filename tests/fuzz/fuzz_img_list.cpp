// Image list files: the image list with its wildcards and the two record files, with the
// missing-image question answered either way (the first byte chooses).
#include <cstdint>
#include <string>
#include <vector>

#include "base/ks_alert.h"
#include "fuzz_support.h"
#include "io/img_list.h"

namespace {
int g_answer = 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const bool ready = [] {
    vxfuzz::write_file("g1.kes", reinterpret_cast<const uint8_t*>("x"), 1);
    vxfuzz::write_file("g2.KES", reinterpret_cast<const uint8_t*>("x"), 1);
    ks_alert_set_proc([](int, const char*) { return g_answer; });
    return true;
  }();
  (void)ready;
  if (size == 0) return 0;
  g_answer = (data[0] & 1) ? 2 : 1;
  const std::string path = vxfuzz::write_file("list.csv", data + 1, size - 1);

  std::vector<std::string> paths;
  gt_read_image_list(path.c_str(), &paths);
  GtImgNameList recs;
  gt_read_imgname_list(path.c_str(), vxfuzz::work_dir().c_str(), &recs);
  for (int r = 0; r < recs.num_records(); ++r)
    if (recs.image_index[static_cast<std::size_t>(r)] >= static_cast<int>(recs.images.size())) __builtin_trap();
  gt_read_imgname_lanename(path.c_str(), vxfuzz::work_dir().c_str(), &recs);
  if (recs.lane_names.size() != recs.lane_numbers.size()) __builtin_trap();
  return 0;
}
