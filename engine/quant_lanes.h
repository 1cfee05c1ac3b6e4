// Quantification of the bands of many lanes at once: each lane's bands are quantified on one
// thread, the lanes on several (base/par_lanes.h), with the same results as one lane after the
// other.
#pragma once

#include <functional>

#include "engine/quant.h"
#include "model/img_info.h"
#include "model/lane.h"
#include "model/spot.h"

class TkImage;

// One lane and the bands of it to quantify, in the order they are quantified in.
struct LnLaneBands {
  LANE* lane;
  SPOT** bands;
  int n;
};

// Called for a quantified band with the index of its lane in the list, the band and the
// quantifier's answer (1, or 0 on failure).
using LnQuantSeen = std::function<void(int lane_index, SPOT* band, int ok)>;

// Quantifies the bands of each of the n lanes from the lane's image at `row` (-1: the whole
// lane) seen in `whole`, by their profiles, through the intensity lookup `table` (null: none),
// each lane's bands one after the other as a single lane's are quantified. When every lane is
// done, `seen` is called on the calling thread for each band, lanes in list order and each
// lane's bands in its order, with the band's result still attached: its bounds and status (its
// window, which showed the pixels of a window now gone, is already released). The result is
// then released. A lane whose image cannot be cut has none of its bands quantified or seen.
// -> bands quantified, or -1 when the image is missing or a lane's image cannot be cut (the
// other lanes are quantified all the same).
int ln_quant_lanes(const TkImage* whole, const IMG_INFO* header, const LnLaneBands* lanes, int n,
                   int row, IMG_INT_INFO* table, const LnQuantSeen& seen);
