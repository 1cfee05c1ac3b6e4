// The compare report: the selected bands of every open image side by side. Its window is not
// built yet; these are the calls the image windows make into it, which do nothing while no
// compare window is open.
#pragma once

struct IMAGE_REC;

// A band was clicked in the current image (shift 1: refresh without appending).
void compare_update(int shift);
// An image window is closing: the report forgets the image and its lanes.
void compare_forget_image(const IMAGE_REC* image);
