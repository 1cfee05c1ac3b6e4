// Calibration value files: the steps read into a set.
#include <cstdint>

#include "engine/cal_auto.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string path = vxfuzz::write_file("calscan.txt", data, size);
  CalData set{};
  set.iNumSteps = -1;
  cal_readValues(path.c_str(), &set);
  return 0;
}
