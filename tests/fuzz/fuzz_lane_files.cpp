// The lane tools' text files: a lane's comment file and the comment template, and the
// fractions definition file.
#include <cstdint>

#include "base/lane_comment.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string dir = vxfuzz::work_dir() + "/";
  const std::string image = dir + "gel.kes";
  vxfuzz::write_file("gel_lc3.txt", data, size);
  vxfuzz::write_file("lane_comments.txt", data, size);
  vxfuzz::write_file("fractions.txt", data, size);

  char text[64];
  lane_read_comments(text, sizeof text, image.c_str(), "gel.kes", 3);
  lane_read_template(text, sizeof text, dir.c_str());

  char title[16];
  fractions_init();
  const int n = fractions_file_usable_in(dir.c_str(), "fractions.txt", title, sizeof title);
  FRACTION* table[FRACT_MAX] = {};
  if (n > 0) fractions_load(n, table);
  fractions_init();
  return 0;
}
