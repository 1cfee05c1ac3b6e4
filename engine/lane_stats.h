// Plain-array arithmetic of lane density profiles: the statistics of one sampled row across a
// lane, and the filter that takes narrow bright dots out of a profile.
#pragma once

#include <cstdint>

// Statistics of the n samples taken across a lane at one row, left to right. The first and the
// last sample are only neighbours of the sampled width; the others are the row proper.
struct LnRowStats {
  int value;      // profile value of the row (rounded mean of the interior samples)
  int side_mean;  // rounded mean of the interior samples away from the brightest one
  int spike;      // height of the brightest interior sample above its two neighbours
};

// Fills `out` for n samples and returns true; returns false (nothing to store) for n <= 0.
// Rows of one or two samples have no neighbours: their side mean is their own value and their
// spike height 0.
bool ln_row_stats(const int* s, int n, LnRowStats* out);
// The same for pixel samples as an image row holds them: 16-bit samples in 2 n bytes, low byte
// first, or 8-bit samples.
bool ln_row_stats_le16(const uint8_t* s, int n, LnRowStats* out);
bool ln_row_stats_u8(const uint8_t* s, int n, LnRowStats* out);
// ln_row_stats_le16 for two rows of n samples each, a and b, into out[0] and out[1]: faster than
// one row after the other. False (nothing to store) when either is null or n <= 0.
bool ln_row_stats_le16_pair(const uint8_t* a, const uint8_t* b, int n, LnRowStats* out);

// Removes bright dots from a profile of n values. A row whose spike height exceeds that of the
// next row, is not below that of the previous one and exceeds `limit` marks a dot; the values
// within half_window rows of it are replaced by their own rows' side means. The spike heights are not
// changed by a replacement, so one removal does not set off another. Profiles of fewer than
// three values are left alone.
void ln_remove_spikes(int* profile, const int* side_mean, const int* spike, int n,
                      int half_window, int limit);
