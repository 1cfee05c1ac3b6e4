// The compare report: the selected bands of every open image side by side, one row per band,
// with the columns of the compare configuration, and a chart overlaying the density profiles
// around those bands. One window; each band click in an image window appends that band's row.
#pragma once

#include <string>
#include <vector>

#include "toolkit/tk_types.h"

struct IMAGE_REC;

// Opens the window (or reuses it) and produces the whole report and the chart.
void compare_activate();
// A band was clicked in the current image: with the window open, the band's row is appended
// (shift 1: only the counts and the chart are refreshed).
void compare_update(int shift);
// Runs the configuration dialog on the compare configuration; non-zero when it changed.
int compare_config();
// Closes the window when it is open.
void compare_dismiss();
// An image window is closing: the report forgets the image and lane in hand when they are
// that image's, before its lists are freed.
void compare_forget_image(const IMAGE_REC* image);

// The report built over a list of images, as the window builds it over the open ones (for
// tests and for the window): clear empties the text first; update_only writes no rows.
void compare_full(const std::vector<IMAGE_REC*>& images, bool clear, bool update_only);
// Builds the chart table from the selected bands of the images.
void compare_build_chart(const std::vector<IMAGE_REC*>& images);
// Appends the row of the image's current band.
void compare_append_band(IMAGE_REC* image);
// Empties the text and writes the header block and headings again.
void compare_clear();
const std::string& compare_text();
// The chart table: rows of (row index, one profile value per selected band).
const std::vector<std::vector<double>>& compare_chart_rows();
TK_OBJ compare_window();
