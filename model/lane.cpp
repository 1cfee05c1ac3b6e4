// Lane records: constructors, frees, deep copy, point-in-lane, the bands of a lane, trace dumps.
#include "model/lane.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/ks_mem.h"
#include "base/slog.h"
#include "model/spot.h"

// ---------------------------------------------------------------------------------------------
// Feature lists

LN_FEAT* ln_make_feat_node() {
  auto* node = ks_new_rec<LN_FEAT>();
  if (!node) {
    ks_dbg_null_ptr("ln_make_feat_node", "node");
    return nullptr;
  }
  node->feat.x = -1;
  node->feat.y = -1;
  return node;
}

void ln_free_feat_list(LN_FEAT* head) {
  if (!head) return;
  LN_FEAT* node = head->next;
  while (node) {
    LN_FEAT* next = node->next;
    ks_free(node);
    node = next;
  }
  head->next = nullptr;
}

static void free_feat_list_and_head(LN_FEAT* head) {
  if (!head) return;
  ln_free_feat_list(head);
  ks_free(head);
}

// Copies a feature list node by node, the head included; NULL when memory runs out (nothing of
// the copy is left behind).
static LN_FEAT* clone_feat_list(const LN_FEAT* head) {
  if (!head) return nullptr;
  LN_FEAT* copy = nullptr;
  LN_FEAT** link = &copy;
  for (const LN_FEAT* node = head; node; node = node->next) {
    auto* n = ks_new_rec<LN_FEAT>();
    if (!n) {
      ks_dbg_null_ptr("ln_clone_lane", "feat");
      free_feat_list_and_head(copy);
      return nullptr;
    }
    n->feat = node->feat;
    n->band_fw = node->band_fw;
    *link = n;
    link = &n->next;
  }
  return copy;
}

// ---------------------------------------------------------------------------------------------
// Lanes

LANE* ln_make_lane() {
  auto* lane = ks_new_rec<LANE>();
  if (!lane) {
    ks_dbg_null_ptr("ln_make_lane", "lane");
    return nullptr;
  }
  lane->baseline = ln_make_feat_node();
  lane->peak = ln_make_feat_node();
  lane->valley = ln_make_feat_node();
  lane->infl_pt = ln_make_feat_node();
  if (!lane->baseline || !lane->peak || !lane->valley || !lane->infl_pt) {
    ln_free_lane(lane);
    return nullptr;
  }
  return lane;
}

static void free_lane_chars(LANECHAR** chars, int n) {
  if (!chars) return;
  for (int i = 0; i < n; ++i) ks_free(chars[i]);
  ks_free(chars);
}

void ln_free_lane(LANE* lane) {
  if (!lane) return;
  free_feat_list_and_head(lane->baseline);
  free_feat_list_and_head(lane->peak);
  free_feat_list_and_head(lane->valley);
  free_feat_list_and_head(lane->infl_pt);
  ks_free(lane->center_coords);
  ks_free(lane->data_values);
  ks_free(lane->baseline_values);
  ks_free(lane->owned_block);
  SLOG("ln_free_lane", SLOG_VALUE4, "%d lane_chars, lane_chars 0p%p", lane->num_lane_chars,
       static_cast<void*>(lane->lane_chars));
  if (lane->lane_chars) {
    for (int i = 0; i < lane->num_lane_chars; ++i) {
      if (lane->lane_chars[i])
        SLOG("ln_free_lane", SLOG_VALUE4, "    <%s> <%s>", lane->lane_chars[i]->name,
             lane->lane_chars[i]->value);
    }
  }
  // The lane owns its characteristics: they go with it.
  free_lane_chars(lane->lane_chars, lane->num_lane_chars);
  if (lane->old_lane_chars)
    ks_freelist_msg(reinterpret_cast<void**>(lane->old_lane_chars), LN_OLD_CHARS);
  ks_free(lane);
}

void ln_free_lanes(LANE* head) {
  if (!head) return;
  LANE* lane = head->next;
  while (lane) {
    LANE* next = lane->next;
    ln_free_lane(lane);
    lane = next;
  }
  ln_free_lane(head);
}

// Copies the lane's characteristics; false when one cannot be copied (nothing left behind).
static bool clone_lane_chars(const LANE* src, LANE* dst) {
  int n = src->num_lane_chars;
  if (!src->lane_chars || n <= 0) return true;
  auto** chars = static_cast<LANECHAR**>(ks_alloc_msg(sizeof(LANECHAR*) * std::size_t(n)));
  if (!chars) {
    ks_dbg_null_ptr("ln_clone_lane", "lane_chars");
    return false;
  }
  for (int i = 0; i < n; ++i) {
    if (!src->lane_chars[i]) continue;
    chars[i] = ks_new_rec<LANECHAR>();
    if (!chars[i]) {
      ks_dbg_null_ptr("ln_clone_lane", "lane_chars[i]");
      free_lane_chars(chars, n);
      return false;
    }
    *chars[i] = *src->lane_chars[i];
    chars[i]->name[sizeof chars[i]->name - 1] = '\0';
    chars[i]->value[sizeof chars[i]->value - 1] = '\0';
  }
  dst->lane_chars = chars;
  return true;
}

template <typename T>
static bool clone_array(const T* src, int n, T** dst) {
  *dst = nullptr;
  if (!src || n <= 0) return true;
  *dst = static_cast<T*>(ks_alloc_msg(sizeof(T) * std::size_t(n)));
  if (!*dst) {
    ks_dbg_null_ptr("ln_clone_lane", "array");
    return false;
  }
  std::memcpy(*dst, src, sizeof(T) * std::size_t(n));
  return true;
}

LANE* ln_clone_lane(const LANE* lane) {
  if (!lane) return nullptr;
  auto* c = ks_new_rec<LANE>();
  if (!c) {
    ks_dbg_null_ptr("ln_clone_lane", "new_lane");
    return nullptr;
  }
  std::strncpy(c->lane_name, lane->lane_name, 21);
  c->lane_name[21] = '\0';
  c->lane_number = lane->lane_number;
  c->num_base_ptrs = lane->num_base_ptrs;
  c->left_width = lane->left_width;
  c->right_width = lane->right_width;
  c->max_angle = lane->max_angle;
  c->bckgrnd_type = lane->bckgrnd_type;
  c->min_top_band_thick = lane->min_top_band_thick;
  c->min_bot_band_thick = lane->min_bot_band_thick;
  c->band_threshold = lane->band_threshold;
  c->band_threshold2 = lane->band_threshold2;
  c->band_setting = lane->band_setting;
  c->num_center_points = lane->num_center_points;
  c->num_data_values = lane->num_data_values;
  c->lane_symbol = lane->lane_symbol;
  c->f = lane->f;
  c->max_detect = lane->max_detect;
  c->pct_threshold = lane->pct_threshold;
  c->tier_num = lane->tier_num;
  c->num_alleles = lane->num_alleles;
  c->not_reported = lane->not_reported;
  c->norm_ii = lane->norm_ii;
  c->int_method = lane->int_method;

  bool ok = true;
  if (lane->baseline && !(c->baseline = clone_feat_list(lane->baseline))) ok = false;
  if (ok && lane->peak && !(c->peak = clone_feat_list(lane->peak))) ok = false;
  if (ok && lane->valley && !(c->valley = clone_feat_list(lane->valley))) ok = false;
  if (ok && lane->infl_pt && !(c->infl_pt = clone_feat_list(lane->infl_pt))) ok = false;
  ok = ok && clone_array(lane->center_coords, lane->num_center_points, &c->center_coords);
  ok = ok && clone_array(lane->data_values, lane->num_data_values, &c->data_values);
  ok = ok && clone_array(lane->baseline_values, lane->num_data_values, &c->baseline_values);
  if (!ok) {
    ln_free_lane(c);
    return nullptr;
  }
  if (clone_lane_chars(lane, c)) {
    c->num_lane_chars = c->lane_chars ? lane->num_lane_chars : 0;
    c->num_labeled_chars = c->lane_chars ? lane->num_labeled_chars : 0;
  }
  return c;
}

// ---------------------------------------------------------------------------------------------
// Point in lane

namespace {
// floor(v + 0.5) held to the int range: stored centre points may be any 32-bit values, so the
// interpolated x may lie beyond it.
int round_to_int(double v) {
  const double r = std::floor(v + 0.5);
  if (!(r > -2147483648.0)) return r != r ? 0 : -2147483647 - 1;
  return r >= 2147483647.0 ? 2147483647 : static_cast<int>(r);
}
}  // namespace

int ln_centerline_x(int y, const LANE* lane) {
  if (!lane || lane->num_center_points <= 0 || !lane->center_coords) return -1;
  const LN_POINT* p = lane->center_coords;
  int n = lane->num_center_points;
  if (y <= p[0].y) return p[0].x;
  if (y >= p[n - 1].y) return p[n - 1].x;
  for (int i = 1; i < n; ++i) {
    if (p[i - 1].y < y && y <= p[i].y) {
      int x0 = p[i - 1].x, y0 = p[i - 1].y, x1 = p[i].x, y1 = p[i].y;
      if (x1 == x0) return x0;
      double slope = (double(x1) - x0) / (double(y1) - y0);
      return round_to_int(slope * (double(y) - y0) + x0);
    }
  }
  return p[n - 1].x;  // centre points out of order: the last point's x
}

int ln_center_index(int y, const LANE* lane) {
  if (!lane || lane->num_center_points < 2 || !lane->center_coords) return -1;
  for (int i = 1; i < lane->num_center_points; ++i)
    if (lane->center_coords[i].y >= y) return i;
  return -1;
}

int ln_seg_inlane(int x, int y, int x0, int y0, int x1, int y1, int left_width, int right_width) {
  if (y < y0 || y > y1) return 0;
  double slope = (y1 == y0) ? 0.0 : (double(x1) - x0) / (double(y1) - y0);
  int xc = (slope == 0.0) ? x0 : round_to_int(slope * (double(y) - y0) + x0);
  return (static_cast<long long>(xc) - left_width <= x &&
          x <= static_cast<long long>(xc) + right_width)
             ? 1
             : 0;
}

int ln_xyinlane(int x, int y, const LANE* lane) {
  if (!lane || lane->num_center_points < 2 || !lane->center_coords) return 0;
  const LN_POINT* p = lane->center_coords;
  for (int i = 1; i < lane->num_center_points; ++i) {
    if (ln_seg_inlane(x, y, p[i - 1].x, p[i - 1].y, p[i].x, p[i].y, lane->left_width,
                      lane->right_width))
      return 1;
  }
  return 0;
}

int ln_xy_find_lane(int x, int y, LANE* lane_head, LANE** first) {
  if (first) *first = nullptr;
  if (!lane_head) return -1;
  int count = 0;
  for (LANE* lane = lane_head->next; lane; lane = lane->next) {
    if (ln_xyinlane(x, y, lane)) {
      if (count == 0 && first) *first = lane;
      ++count;
    }
  }
  return count;
}

// ---------------------------------------------------------------------------------------------
// Bands of a lane

LN_BOX ln_lane_box(const LANE* lane) {
  LN_BOX b;
  if (!lane || lane->num_center_points < 2 || !lane->center_coords) return b;
  const LN_POINT* p = lane->center_coords;
  b.x0 = b.x1 = p[0].x;
  b.y0 = b.y1 = p[0].y;
  for (int i = 1; i < lane->num_center_points; ++i) {
    b.x0 = std::min<long long>(b.x0, p[i].x);
    b.x1 = std::max<long long>(b.x1, p[i].x);
    b.y0 = std::min<long long>(b.y0, p[i].y);
    b.y1 = std::max<long long>(b.y1, p[i].y);
  }
  // A strip point lies within its row's centre x less the left width and plus the right width,
  // and that centre x within the segment's end points.
  b.x0 -= lane->left_width;
  b.x1 += lane->right_width;
  return b;
}

static bool band_qualifies(SPOT* band, LANE* lane, const LN_BOX& box, LANE* lane_head,
                           LN_BAND_PRED pred) {
  if (!box.holds(band->x, band->y) || !ln_xyinlane(band->x, band->y, lane)) return false;
  if (pred && !pred(band)) return false;
  if (lane_head && ln_xy_find_lane(band->x, band->y, lane_head, nullptr) != 1) return false;
  return true;
}

int ln_find_bands_in_lane(SPOT* band_head, SPOT*** out, LANE* lane, LANE* lane_head,
                          LN_BAND_PRED pred) {
  if (out) *out = nullptr;
  if (!lane) return -1;
  if (!out || !band_head) return 0;
  const LN_BOX box = ln_lane_box(lane);
  int count = 0;
  for (SPOT* b = band_head->next; b; b = b->next)
    if (band_qualifies(b, lane, box, lane_head, pred)) ++count;
  if (count == 0) return 0;
  auto** arr = static_cast<SPOT**>(ks_alloc_msg(sizeof(SPOT*) * std::size_t(count)));
  if (!arr) {
    ks_dbg_null_ptr("ln_find_bands_in_lane", "band_array");
    return 0;
  }
  int n = 0;
  for (SPOT* b = band_head->next; b && n < count; b = b->next)
    if (band_qualifies(b, lane, box, lane_head, pred)) arr[n++] = b;
  // Stable insertion sort by row: bands on one row keep their chain order.
  for (int i = 1; i < n; ++i) {
    SPOT* b = arr[i];
    int j = i - 1;
    while (j >= 0 && arr[j]->y > b->y) {
      arr[j + 1] = arr[j];
      --j;
    }
    arr[j + 1] = b;
  }
  *out = arr;
  return n;
}

void ln_renum_bands(LANE* lane, SPOT* band_head, int all_lanes) {
  for (LANE* l = lane; l; l = l->next) {
    SPOT** bands = nullptr;
    int n = ln_find_bands_in_lane(band_head, &bands, l, nullptr, nullptr);
    for (int i = 0; i < n; ++i) bands[i]->number = i + 1;
    ks_free(bands);
    if (!all_lanes) break;
  }
}

void ln_band_od(const LANE* lane, SPOT* band) {
  if (!lane || !band) return;
  if (lane->num_center_points <= 0 || !lane->center_coords || !lane->data_values) {
    SLOG("ln_band_od", SLOG_WARN, "lane %d has no profile", lane->lane_number);
    return;
  }
  long index = long(band->y) - long(lane->center_coords[0].y);
  if (index < 0 || index >= lane->num_data_values) {
    SLOG("ln_band_od", SLOG_WARN, "band row %d outside lane %d profile (index %ld of %d)", band->y,
         lane->lane_number, index, lane->num_data_values);
    return;
  }
  int od = lane->data_values[index];
  int base = (lane->bckgrnd_type && lane->baseline_values) ? lane->baseline_values[index] : 0;
  if (od < base) od = base;
  band->od = od;
  band->baseline = base;
}

// ---------------------------------------------------------------------------------------------
// Analysis list

ANALYSIS_ENTRY** io_alloc_analysis_list(int n) {
  if (n <= 0) n = 1;
  auto** list =
      static_cast<ANALYSIS_ENTRY**>(ks_alloc_msg(sizeof(ANALYSIS_ENTRY*) * std::size_t(n)));
  if (!list) ks_dbg_null_ptr("io_alloc_analysis_list", "list");
  return list;
}

ANALYSIS_ENTRY* io_alloc_analysis_entry() {
  auto* e = ks_new_rec<ANALYSIS_ENTRY>();
  if (!e) ks_dbg_null_ptr("io_alloc_analysis_entry", "entry");
  return e;
}

// ---------------------------------------------------------------------------------------------
// Trace dumps

void ln_slog_feat_list(const LN_FEAT* head, const char* text) {
  if (!slog_should_call()) return;
  SLOG("ln_slog_feat_list", SLOG_VALUE5, "in_message = '%s'", text ? text : "null");
  for (const LN_FEAT* f = head; f; f = f->next) {
    SLOG("ln_slog_feat_list", SLOG_VALUE5, "curr_feat->feat.x = %ld", long(f->feat.x));
    SLOG("ln_slog_feat_list", SLOG_VALUE5, "curr_feat->feat.y = %ld", long(f->feat.y));
    SLOG("ln_slog_feat_list", SLOG_VALUE5, "curr_feat->band_fw = '%ld'", long(f->band_fw));
  }
}

void ln_slog_lane(const LANE* l) {
  if (!l || !slog_should_call()) return;
  const char* fn = "ln_slog_lane";
  SLOG(fn, SLOG_VALUE5, "in_lane->lane_name = '%.24s'", l->lane_name);
  SLOG(fn, SLOG_VALUE5, "in_lane->lane_number = %ld", long(l->lane_number));
  SLOG(fn, SLOG_VALUE5, "in_lane->num_base_ptrs = %ld", long(l->num_base_ptrs));
  ln_slog_feat_list(l->baseline, "baseline");
  SLOG(fn, SLOG_VALUE5, "in_lane->left_width = %ld", long(l->left_width));
  SLOG(fn, SLOG_VALUE5, "in_lane->right_width = %ld", long(l->right_width));
  SLOG(fn, SLOG_VALUE5, "in_lane->max_angle = %ld", long(l->max_angle));
  SLOG(fn, SLOG_VALUE5, "in_lane->bckgrnd_type = %ld", long(l->bckgrnd_type));
  SLOG(fn, SLOG_VALUE5, "in_lane->min_top_band_thick = %ld", long(l->min_top_band_thick));
  SLOG(fn, SLOG_VALUE5, "in_lane->min_bot_band_thick = %ld", long(l->min_bot_band_thick));
  SLOG(fn, SLOG_VALUE5, "in_lane->band_threshold2 = %ld", long(l->band_threshold2));
  SLOG(fn, SLOG_VALUE5, "in_lane->band_threshold = %ld", long(l->band_threshold));
  SLOG(fn, SLOG_VALUE5, "in_lane->num_center_points = %ld", long(l->num_center_points));
  if (l->center_coords)
    for (int i = 0; i < l->num_center_points; ++i)
      SLOG(fn, SLOG_VALUE5, "in_lane->center_coords[%ld] = %ld,%ld", long(i),
           long(l->center_coords[i].x), long(l->center_coords[i].y));
  SLOG(fn, SLOG_VALUE5, "in_lane->num_data_values = %ld", long(l->num_data_values));
  for (int i = 0; i < l->num_data_values; ++i) {
    if (l->data_values)
      SLOG(fn, SLOG_VALUE5, "in_lane->data_values[%04d] = %8ld", i, long(l->data_values[i]));
    if (l->baseline_values)
      SLOG(fn, SLOG_VALUE5, "in_lane->baseline_values[%04d] = %8ld", i,
           long(l->baseline_values[i]));
  }
  ln_slog_feat_list(l->peak, "peak");
  ln_slog_feat_list(l->valley, "valley");
  ln_slog_feat_list(l->infl_pt, "infl pt");
  SLOG(fn, SLOG_VALUE5, "in_lane->lane_symbol = %ld", long(l->lane_symbol));
  SLOG(fn, SLOG_VALUE5, "in_lane->f.split_bands = %ld", long(l->f & LN_F_SPLIT_BANDS));
}

void ln_slog_lane_list(const char* text, LANE* head) {
  if (!slog_should_call()) return;
  SLOG("ln_slog_lane_list", SLOG_ENTRY, "<%s> lane_header 0p%p", text ? text : "",
       static_cast<void*>(head));
  if (!head) return;
  for (LANE* l = head->next; l; l = l->next) ln_slog_lane(l);
}
