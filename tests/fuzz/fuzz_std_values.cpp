// Standard set value files of the hand calibration: each line's leading number, whether it has
// one, and each line read as a typed step value.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/cal_strip.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string path = vxfuzz::write_file("set.std", data, size);
  std::vector<double> values;
  cal_read_values(path.c_str(), &values);
  std::string text(reinterpret_cast<const char*>(data), size);
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::string line = text.substr(start, end - start);
    cal_step_value(line.c_str());
    // A line taken as beginning with a number gives one; any other gives 0.
    if (!cal_begins_with_number(line.c_str()) && cal_leading_number(line.c_str()) != 0.0) __builtin_trap();
    start = end + 1;
  }
  return 0;
}
