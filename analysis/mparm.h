// The match parameters dialog, asked before every matching command: the method, the tolerances,
// the band count limit, the lane label, the exclusion of size-standard lanes, the keeping of
// match results, and the files matching can use (lane selection file, image list, image name and
// lane number list, match deviation table). Confirming writes them into CONTROL; cancelling
// leaves CONTROL as it was, except for the keep-results box, which writes on every click.
#pragma once

#include "toolkit/tk_types.h"

// Parts of the window "mparm_win" (module "mparm") by index.
enum MparmPart : int {
  MPARM_OK = 0,
  MPARM_CANCEL = 1,
  MPARM_TOL_SIZE = 2,
  MPARM_TOL_SPACING = 3,
  MPARM_TOL_VOLUME = 4,
  MPARM_THRESHOLD = 5,
  MPARM_COUNT_FIELD = 6,
  MPARM_METHOD = 7,
  MPARM_COUNT_SLIDER = 8,
  MPARM_SEL_FILE = 9,
  MPARM_IMAGE_LIST = 10,
  MPARM_EXCLUDE_STDS = 11,
  MPARM_THRESHOLD_CAPTION = 12,
  MPARM_COUNT_CAPTION = 13,
  MPARM_LANE_LABEL = 14,
  MPARM_KEEP_RESULTS = 15,
  MPARM_DEV_TABLE = 16,
  MPARM_TO_FOLDER = 17,
  MPARM_IMGNAME_LIST = 18,
};

// Runs the dialog modally over `owner`. need_sel offers the lane selection file; round_robin
// (the all-lanes commands) leaves out percent of reference and the threshold and band count
// limit. 1 when confirmed (OK or Match to Folder), 0 when cancelled; *match_to_folder (may be
// null) is 1 only after Match to Folder, which also clears both list files.
long gt_mparm_activate(TK_OBJ owner, int need_sel, int round_robin, int* match_to_folder);
