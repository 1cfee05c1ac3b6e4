// The surface plot window: a rectangle of an image file drawn as a pseudo three-dimensional
// surface, one profile per line of pixels, each farther line shifted one step aside and up, and
// nearer lines hiding farther ones.
#pragma once

#include <string>
#include <vector>

#include "toolkit/tk_types.h"

// The pixels of the rectangle, turned by the orientation.
struct PlotArea {
  int w = 0, h = 0;       // columns and lines
  bool wide = false;      // 16-bit pixels
  std::vector<unsigned> v;
  unsigned at(int line, int col) const { return v[static_cast<std::size_t>(line) * w + col]; }
};

// Reads the rectangle (x1, y1, x2, y2; each held to the image, less its last row and column,
// and written back) from the image file. False when it cannot be read.
bool ui_plot_read(const char* path, int rect[4], PlotArea* out);
// The area turned: 0 as it is, 1 a quarter counter-clockwise, 2 half round, 3 a quarter
// clockwise.
PlotArea ui_plot_turn(const PlotArea& a, int orientation);

// What the plot draws in a drawing area of W x H pixels: polygons in drawing order with their
// polygon modes (4 filled edge faces, 5 filled closed line profiles), and the scale.
struct PlotPicture {
  std::vector<std::vector<TkPoint>> polys;
  std::vector<int> modes;
  double xs = 0, ys = 0;    // image units per pixel
  long vmin = 0, vmax = 0;
  int omin = 0;             // smallest horizontal offset
};
// Empty when the area is no larger than the margins or holds fewer than 2 columns or 3 lines.
PlotPicture ui_plot_picture(const PlotArea& a, int W, int H);
// The caption under the plot.
std::string ui_plot_caption(const PlotArea& a, long vmax, int orientation);
