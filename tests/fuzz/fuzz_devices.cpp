// The devices configuration "devices.ini": the camera and scanner entries read and checked as at
// start-up, and every accessor of the configured devices.
#include <unistd.h>

#include <cstdint>
#include <fstream>

#include "acquire/p11_devices.h"
#include "base/ks_ini.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  // A start-up ini whose write folder is the work folder, read once.
  static const bool ready = [] {
    if (::chdir(vxfuzz::work_dir().c_str()) != 0) return false;
    std::ofstream(KS_INI_STARTUP_FILE)
        << "[VX43]\nCompany=Fuzz\nHelpDir=" << vxfuzz::work_dir() << "\nHomeDir="
        << vxfuzz::work_dir() << "\nSplash=none.png,1,1\nTitle=vx\nWriteDir=" << vxfuzz::work_dir()
        << "/\n";
    char write_dir[KS_INI_VALUE_LEN];
    return ks_init_inifiles("VX", "43", write_dir) != 0;
  }();
  if (!ready) std::abort();
  vxfuzz::write_file(KS_INI_DEVICES_FILE, data, size);

  p11_reset();
  int auto_cal = 0, colour = 0;
  p11ReadDevicesIni(&auto_cal, &colour);
  for (BOOL camera : {TRUE, FALSE}) {
    char text[256];
    int flag = 0, dims[4] = {0, 0, 0, 0};
    p11DevInfoGetAccessName(camera, text);
    p11DevInfoGetShortName(camera, text);
    p11DevInfoGetTwainDS(camera, text);
    p11DevInfoGetAutoCalTestImage(camera, text);
    p11DevInfoGetIsTest(camera, &flag);
    p11DevInfoGetAutoCalibrate(camera, &flag);
    p11DevInfoGetDims(camera, 0, dims);
    p11DevInfoGetDims(camera, 1, dims);
  }
  return 0;
}
