// Ini files: the start-up check of "kestrin7.ini" in the current folder, and entries read with
// private-profile-string semantics, into a short buffer and without a limit.
#include <unistd.h>

#include <cstdint>

#include "base/ks_ini.h"
#include "base/ks_profile.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const bool moved = [] { return ::chdir(vxfuzz::work_dir().c_str()) == 0; }();
  if (!moved) std::abort();
  const std::string path = vxfuzz::write_file(KS_INI_STARTUP_FILE, data, size);

  char write_dir[KS_INI_VALUE_LEN];
  ks_init_inifiles("VX", "43", write_dir);

  char small[8];
  ks_profile_get_string("VX43", "Title", "none", small, sizeof small, path.c_str());
  for (const char* key : {"Company", "WriteDir", "x", ""}) {
    bool found = false;
    ks_profile_get("vx43", key, "", path.c_str(), &found);
    ks_profile_get("", key, "", path.c_str(), &found);
  }
  return 0;
}
