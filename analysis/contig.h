// Contigs of lanes in a leaf order: consecutive lanes whose similarity reaches the threshold
// share a contig; within it each lane's 100-unit bar starts (100 - similarity) units after the
// previous lane's, so neighbours overlap by their similarity.
#pragma once

#include <cstdint>
#include <vector>

struct MATCH_MATRIX;

struct CNTG_LANE {
  int row;        // matrix row of the lane
  double offset;  // start of its bar
  int contig;     // contig index from 0
  bool starts;    // first lane of its contig
};

struct CNTG_LAYOUT {
  std::vector<CNTG_LANE> lanes;  // in leaf order
  double longest = 100.0;        // length of the longest contig
};

CNTG_LAYOUT cntg_build(const MATCH_MATRIX* mr, const std::vector<int32_t>& leaf_order,
                       double threshold);
