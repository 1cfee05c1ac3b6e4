// Convolution kernels of lane feature detection: integer second-derivative kernels chosen by the
// expected band thickness, and the double-precision smoothing filters of the filtered detector.
#pragma once

#include <span>

// Widths of the integer second-derivative kernels, by kernel index 0..8.
inline constexpr int kLnKernelWidths[9] = {3, 5, 7, 9, 11, 13, 15, 17, 19};

// The integer kernel of index 0..8 (clamped), kLnKernelWidths[index] coefficients.
std::span<const int> ln_kernel(int index);

// Negated second derivative of `count` inputs with the kernel that suits `thickness`; a peak of
// the input gives a positive output. The first and last width/2 outputs are 0.
// Returns 0, or -2 when count is smaller than the kernel.
int mt_2df(int thickness, int count, const int* in, int* out);

// Smoothing filters for every odd width 5..89: symmetric, zero sum, unit sum of squares, a
// positive centre lobe between two negative lobes. Returns the coefficients of the filter of
// that width, or an empty span for any other width.
std::span<const double> ln_smooth_filter(int width);

// Filter width for a filter index: the index clamped to 5..89 and rounded up to odd.
int ln_filter_width(int filter_index);

// Filters `count` inputs with the smoothing filter of `filter_index`: output i is
// trunc(1000 x sum of coefficient x input) over the window centred on i. Outputs within half a
// width of either end are not written, or set to 0 when clear_ends is nonzero.
// Returns 1, or 0 when count is 0 or smaller than the filter width.
int ln_filt(const int* in, int count, int* out, int filter_index, int clear_ends);
