// Layout of a dendrogram picture: the columns of tree, labels and bands, the height and
// position scales, the similarity axis labels, leaf labels without their file extension, and
// the leaf under a click. Pixels are ints, so trees of thousands of lanes do not wrap.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct DNDR_REC;
struct MATCH_MATRIX;

// Fills the record's layout words and scales for an area of the given width whose drawing runs
// from `top` to `bottom`; label_unit and margin are the font's two character metrics.
void dndr_layout(DNDR_REC* rec, int leaves, int width, int top, int bottom, int label_unit,
                 int margin, int text_height, bool bands);

struct DNDR_AXIS_LABEL {
  int x;        // pixel of the tick
  long value;   // similarity shown
  bool erased;  // drawn over by the final label, which would overlap it
};
// The axis labels left to right (the last is T at height 0); text_width measures a label.
std::vector<DNDR_AXIS_LABEL> dndr_axis_labels(const DNDR_REC* rec,
                                              const std::function<int(const std::string&)>& text_width);
// The label without its file extension: from the first '.' up to the first character that is
// not a letter or digit, when such a character follows.
std::string dndr_trim_label(const std::string& label);
// The lane row under a click at pixel row y; -1 outside the leaves.
int dndr_leaf_at_pixel(const DNDR_REC* rec, int y);
