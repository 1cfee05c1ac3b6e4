// Band finding: one band record per surviving peak of each lane profile, and the splitting of
// bands thicker than the thickness typical of their part of the gel.
#pragma once

#include <vector>

#include "model/lane.h"
#include "model/spot.h"

// Called for each band made, with the band and its lane.
using LN_BAND_CB = void (*)(SPOT* band, LANE* lane);

// Removes the lanes' bands in rows first_row..last_row (all of them when first_row < 0) and,
// with detect set, finds new bands lane by lane; then splits thick bands when the first lane
// asks for it. `sens` is carried for the callers and not read. -> number of bands added, -1 when
// a work array (of the lane index or of the splitting stage) cannot be allocated.
int ln_find_bands(LANE** lanes, int n, int first_row, int last_row, SPOT* band_head,
                  LN_BAND_CB callback, int analysis_type, const void* sens, int detect);

// The bands of the chain after band_head in each of the n lanes, found in one walk over the
// chain: (*out)[i] lists those of lane i as ln_find_bands_in_lane gives them (sorted by row,
// equal rows in chain order; empty for a null lane). False when memory runs out (*out empty).
bool ln_bands_by_lane(SPOT* band_head, LANE** lanes, int n, std::vector<std::vector<SPOT*>>* out);

// Makes the bands of one lane from its peaks, linked after the head. With first_row >= 0 only
// peaks on rows first_row..last_row become bands. -> number of bands made.
int ln_bands(LANE* lane, int first_row, int last_row, SPOT* band_head, LN_BAND_CB callback,
             int analysis_type, const void* sens);

// Typical band thickness between rows r1 and r2 (inclusive): the most frequent thickness, chosen
// near `prev` when several are equally frequent. 0 without bands, -1 with fewer than min_count.
int sp_hgt(SPOT* band_head, int r1, int r2, int min_count, int prev);

// Cuts each band on rows first_row..last_row whose thickness is n >= 2 times the expected
// thickness (slope x y + intercept, at least 2) times the factor of `sens` into n equal bands.
// -> number of bands added.
int sp_split(SPOT* band_head, int first_row, int last_row, int sens, double slope,
             double intercept, LANE** lanes, int n_lanes);
