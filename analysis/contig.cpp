// Contigs: see contig.h.
#include "analysis/contig.h"

#include <algorithm>

#include "model/match_matrix.h"

CNTG_LAYOUT cntg_build(const MATCH_MATRIX* mr, const std::vector<int32_t>& order,
                       double threshold) {
  CNTG_LAYOUT out;
  double offset = 0.0, length = 100.0;
  int contig = 0;
  for (std::size_t p = 0; p < order.size(); ++p) {
    bool starts = p == 0;
    if (p > 0) {
      const double s = ks_mr_similarity(mr, order[p - 1], order[p]);
      if (s >= threshold) {
        offset += 100.0 - s;
        length += 100.0 - s;
      } else {
        starts = true;
        ++contig;
        offset = 0.0;
        length = 100.0;
      }
    }
    out.lanes.push_back({order[p], offset, contig, starts});
    out.longest = std::max(out.longest, length);
  }
  return out;
}
