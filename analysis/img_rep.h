// The image information report: one image's name and comment, its size in pixels and in
// physical units, depth and file size, processing steps, value range, resolution and intensity
// lookup, in a modeless text window.
#pragma once

#include <string>

#include "toolkit/tk_types.h"

struct IMAGE_REC;

// The report's text for the image, dated with the given date and time texts.
std::string img_rep_text(const IMAGE_REC* image, const char* date, const char* time);
// Dots per inch of a pixel size in millimetres: 0 when the size is not above 0.
long img_rep_dpi(double pixel_mm);

// Opens or refills the window for the image.
void img_rep_activate(const IMAGE_REC* image);
// Closes the window when it is open.
void img_rep_dismiss();
TK_OBJ img_rep_window();
