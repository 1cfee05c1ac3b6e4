// Dendrogram layout: see dndr_layout.h.
#include "analysis/dndr_layout.h"

#include <cctype>
#include <climits>
#include <cmath>

#include "analysis/dndr.h"

void dndr_layout(DNDR_REC* rec, int leaves, int width, int top, int bottom, int label_unit,
                 int margin, int text_height, bool bands) {
  rec->label_width = 2 * label_unit;
  rec->left_margin = margin;
  if (bands) {
    rec->tree_width = (width - rec->label_width) / 2 - margin;
    rec->band_width = width - rec->tree_width - rec->label_width - margin;
  } else {
    rec->tree_width = width - rec->label_width - margin;
    rec->band_width = 0;
  }
  rec->label_start = margin + rec->tree_width;
  rec->band_start = rec->label_start + rec->label_width;
  const float root_h = rec->root ? cluster_of(rec->root)->height : 0.0f;
  const double top_h = root_h > 1.0f ? root_h : 1.0;
  ks_scale_init(&rec->height_scale, 0, top_h, 0.0, margin + 2, margin + rec->tree_width - 2);
  ks_scale_init(&rec->position_scale, 0, 0.0, leaves > 1 ? leaves - 1 : 0, top + 8 * text_height,
                bottom - text_height / 2);
}

std::vector<DNDR_AXIS_LABEL> dndr_axis_labels(
    const DNDR_REC* rec, const std::function<int(const std::string&)>& text_width) {
  std::vector<DNDR_AXIS_LABEL> out;
  const ks_scale* s = &rec->height_scale;
  const long t = rec->rule == dndr_link_nj && rec->root
                     ? std::lround(cluster_of(rec->root)->height)
                     : 100;
  const double scale_top = s->min;
  int last_end = INT_MIN;
  // A tree of height 0 (one lane, or identical lanes) is drawn against a scale up to 1.0 that
  // no lanes differ by: its axis shows only the final label.
  const bool flat = !rec->root || cluster_of(rec->root)->height <= 0.0f;
  for (long v = flat ? 0 : std::lround(scale_top); v > 0; v -= 5) {
    if (static_cast<double>(v) != scale_top) v = t - 5 * ((t - v) / 5);
    const int x = ks_scale_to_pixel(s, static_cast<double>(v));
    if (x > last_end) {
      out.push_back({x, t - v, false});
      last_end = x + text_width(std::to_string(t - v));
    }
  }
  const int x0 = ks_scale_to_pixel(s, 0.0);
  if (!out.empty() && x0 <= last_end) out.back().erased = true;
  out.push_back({x0, t, false});
  return out;
}

std::string dndr_trim_label(const std::string& label) {
  const std::size_t p = label.find('.');
  if (p == std::string::npos) return label;
  std::size_t q = p + 1;
  while (q < label.size() && std::isalnum(static_cast<unsigned char>(label[q]))) ++q;
  if (q >= label.size()) return label;
  return label.substr(0, p) + label.substr(q);
}

int dndr_leaf_at_pixel(const DNDR_REC* rec, int y) {
  const ks_scale* s = &rec->position_scale;
  const double steps = s->max - s->min;
  const double half = steps > 0 ? (s->pix1 - s->pix0) / steps / 2.0 : 0.0;
  const double pos = ks_scale_from_pixel(s, static_cast<int>(y + half));
  if (!std::isfinite(pos)) return -1;
  return dndr_leaf_at(rec, static_cast<int>(pos));
}
