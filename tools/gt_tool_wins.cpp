// The close-all step of the band and lane tools' windows.
#include "tools/gt_tool_wins.h"

#include "tools/gt_band_copy.h"
#include "tools/gt_lane_copy.h"
#include "tools/gt_lane_dlgs.h"
#include "tools/gt_report_wins.h"
#include "tools/gt_std_tools.h"

void gt_tool_wins_dismiss_all() {
  ad_bnd_dismiss();
  ed_bnd_dismiss();
  fd_ln_dismiss();
  def_ln_dismiss();
  fd_bnd_dismiss();
  ln_bd_dismiss();
  bd_axe_dismiss();
  bd_mrk_dismiss();
  bd_cpy_dismiss();
  ln_cpy_dismiss();
  multi_dismiss();
  std_sasn_dismiss();
  std_casn_dismiss();
  std_mod_dismiss();
  gt_report_wins_dismiss_all();
}
