// Pictures of the tools' windows: written to $VX_GRAB_DIR when it is set (to be looked at under
// a real display), else into the test's own folder.
#pragma once

#include <cstdlib>
#include <string>

#include "toolkit/tk_test.h"

namespace toolstest {

inline bool grab(TK_OBJ win, const std::string& own_dir, const std::string& name) {
  const char* d = std::getenv("VX_GRAB_DIR");
  return TKT_Grab(win, ((d && *d ? std::string(d) : own_dir) + "/" + name + ".png").c_str());
}

}  // namespace toolstest
