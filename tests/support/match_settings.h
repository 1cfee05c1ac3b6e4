// The match parameters the match tests start from: Dice, a band size tolerance of 5 %, no
// threshold, no band count limit.
#pragma once

#include "model/control.h"

namespace vxtest {

inline void set_match_settings(CONTROL* ctl) {
  ctl->match_method = 1;
  ctl->match_tol[0] = 5;
  ctl->match_tol[3] = 0;
  ctl->band_count_limit = 100;
}

}  // namespace vxtest
