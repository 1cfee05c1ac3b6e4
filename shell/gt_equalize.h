// Equalisation: corrects an image file for uneven illumination with an equalising image (a
// picture of an even field taken with the same set-up). Each pixel is multiplied by M / e, where
// e is the equalising image's pixel at the same place and M the median of its row medians, so
// that the even field would come out flat. The corrected pixels replace the image file (through
// a temporary file in the image's folder, renamed over it) and the info file is marked
// equalised (flag 16).
#pragma once

#include <cstdint>
#include <vector>

#include "base/kstypes.h"

// Corrects the image file at image_path with the one at equal_path. TRUE when the image's pixel
// file was replaced (its analysis no longer fits the pixels); FALSE when the image was left as
// it was: the two images differ in width, height or depth (gt_msg 57), the temporary file cannot
// be made or written (ui_msg 130), an image cannot be read or the file cannot be replaced
// (ui_msg 243). A failed marking of the info file shows ui_msg 243 and still gives TRUE.
BOOL gt_equalize(const char* image_path, const char* equal_path);

// Factor table of an equalising image of height rows of width pixels (bytes_per_pixel 1 or 2,
// 2-byte pixels native little-endian, rows without gaps): one factor per pixel, M / v or 0 for
// v = 0, with M the median (element height / 2 in ascending order) of the row medians (element
// width / 2). Empty when memory runs out.
std::vector<double> gt_equal_factors(int height, int width, int bytes_per_pixel,
                                     const uint8_t* pixels);
// Multiplies every pixel by its factor, held to 0..2^(8 x bytes_per_pixel) - 1 and rounded to
// the nearest integer (halves to even), in place.
void gt_equal_apply(int height, int width, int bytes_per_pixel, uint8_t* pixels,
                    const double* factors);
// Sort order of the medians: first minus second.
int gt_equal_compare(uint16_t a, uint16_t b);
