// Features of a lane profile: peaks (band centres), valleys and inflection points, kept as
// sorted feature lists in the lane, and the lane's baseline points derived from the valleys.
#pragma once

#include "model/lane.h"

// Analysis program codes: this program's own analysis, and the alternative detector settings.
inline constexpr int LN_ANALYSIS_STD = 407;
inline constexpr int LN_ANALYSIS_ALT = 404;

// ---- Feature lists (a head node followed by nodes sorted by feat.y). The labels name the kind
// of feature for the trace log only; they are not stored.

// 1 when a node has exactly `pos`; otherwise 0 with *prev the last node of smaller position (the
// head when none) and *node NULL.
int ln_find(LN_FEAT* head, int pos, LN_FEAT** prev, LN_FEAT** node);
// Inserts the node in position order: 1, or 0 when the position is already present (the caller
// then frees the node).
int ln_add(LN_FEAT* head, LN_FEAT* node, const char* label);
// Unlinks and returns the node at `pos` (the caller frees it); NULL when absent.
LN_FEAT* ln_del(LN_FEAT* head, int pos, const char* label);
// Writes the peak and valley counts of the lane to the trace log.
void ln_slog_features(const LANE* lane, const char* text);

// ---- Detection

// Standard detector: rebuilds the peak, valley and inflection lists from the profile's second
// derivative, with kernels that follow the expected band thickness down the lane. clean_valleys
// keeps only the valleys next to peaks; split cuts wide peaks in two.
void ln_detect_features(LANE* lane, int clean_valleys, int split);
// Alternative detector: filtered second derivative of the profile above its baseline, profile
// normalised per fifth; peaks with their bounds in the inflection list (upper) and the valley
// list (lower). `sens` is carried for the callers and not read.
void ln_det2(LANE* lane, const void* sens);
// Excess of the profile above the baseline and its filtered second derivative, each n values
// (num_data_values) supplied by the caller. 0, or -1 when a filter could not run.
int ln_2nd(LANE* lane, int* excess, int* filtered);
// Keeps the max_detect highest peaks that reach pct_threshold percent of the highest: -> number
// kept, -1 when memory runs out.
int ln_sel(LANE* lane);

// ---- Baselines

// Rebuilds the baseline list from candidate points (lowest profile value first, each further
// point joining while its slopes to its neighbours stay below the lane's max_angle).
void ln_bslop(LANE* lane, LN_FEAT* points);
// Adds baseline points where the profile dips below the baseline, pass after pass; returns 1 if
// any point was added, and through *out_list a new list (head included, caller frees) with a
// node at every baseline point.
int ln_badj(LANE* lane, LN_FEAT** out_list);
// Baseline points from the valleys, adjusted to the dips, and the baseline clipped to the profile.
void ln_bcorr(LANE* lane);

// Frees a list made by ln_badj: its nodes and its head.
void ln_free_feat_list_all(LN_FEAT* head);
