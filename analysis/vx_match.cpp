// Lane matching engine: see vx_match.h.
#include "analysis/vx_match.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <strings.h>
#include <vector>

#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "engine/std_numeric.h"
#include "model/control.h"
#include "model/lane.h"
#include "model/lanechar.h"
#include "model/spot.h"
#include "shell/gt_image_win.h"

namespace {

int band_active(SPOT* s) { return (s->f1 & (SP_F1_INACTIVE_A | SP_F1_INACTIVE_B)) == 0; }

// Top row and length (last - first centre row) of a lane; length 0 when it has no extent.
void lane_extent(const LANE* lane, int* top, int* len) {
  *top = 0;
  *len = 0;
  if (lane->num_center_points < 1 || lane->center_coords == nullptr) return;
  *top = lane->center_coords[0].y;
  *len = lane->center_coords[lane->num_center_points - 1].y - *top;
}

// Relative mobility of a row; a lane without extent gives every band Rf 0.
double rf_of(int y, int top, int len) {
  return len == 0 ? 0.0 : static_cast<double>(y - top) / static_cast<double>(len);
}

double volume_of(const SPOT* s, const LANE* lane) {
  return lane->norm_ii > 0.0001 ? s->amount / lane->norm_ii : s->amount;
}

int ratio_score(double a, double b) {
  if (!(a > 0) || !(b > 0)) return 0;
  return static_cast<int>(std::floor(100.0 * std::min(a / b, b / a) + 0.5));
}

// A text read as a decimal number, 0 when it is none; blanks before it are skipped.
double parse_number(const std::string& field) {
  std::size_t p = field.find_first_not_of(" \t\r\n");
  if (p == std::string::npos) return 0.0;
  if (field[p] == '+') ++p;
  double v = 0.0;
  auto r = std::from_chars(field.data() + p, field.data() + field.size(), v);
  return r.ec == std::errc() ? v : 0.0;
}

LANE* find_lane(LANE* head, int number) {
  for (LANE* l = head ? head->next : nullptr; l; l = l->next)
    if (l->lane_number == number) return l;
  return nullptr;
}

struct BandDev {
  std::vector<double> rf, dev;
};

// Rf and allowed deviation of each band of a lane (step "allowed deviation").
BandDev band_devs(SPOT** bands, int n, const LANE* lane, const DEV_TABLE* table, double size_tol) {
  BandDev d;
  d.rf.resize(n);
  d.dev.resize(n);
  int top, len;
  lane_extent(lane, &top, &len);
  for (int i = 0; i < n; ++i) {
    d.rf[i] = rf_of(bands[i]->y, top, len);
    const double v = bands[i]->size > 0 ? bands[i]->size : d.rf[i];
    d.dev[i] = table ? vx_table_deviation(table, v) : v * size_tol / 100.0;
  }
  return d;
}

}  // namespace

BOOL vx_lane_meets_selection(const LANE* lane, char** table) {
  if (lane == nullptr) return FALSE;
  if (table) return ln_meet_lanesel(lane, table) == 1 ? TRUE : FALSE;
  return (lane->f & LN_F_LIST_MARK) ? TRUE : FALSE;
}

int vx_jaccard(int a, int b, int m) {
  const double den = static_cast<double>(a) + b - m;
  if (den <= 0) return 0;
  return static_cast<int>(std::floor(m / den * 100.0 + 0.5));
}

int vx_dice(int a, int b, int m) {
  const double den = static_cast<double>(a) + b;
  if (den <= 0) return 0;
  return static_cast<int>(std::floor(2.0 * m / den * 100.0 + 0.5));
}

int vx_pct_ref(int a, int, int m) {
  if (a <= 0) return 0;
  return static_cast<int>(std::floor(static_cast<double>(m) / a * 100.0 + 0.5));
}

char vx_band_key(int i) {
  if (i < 26) return static_cast<char>('A' + i);
  if (i < 52) return static_cast<char>('a' + i - 26);
  return static_cast<char>('0' + (i - 52));
}

void vx_lane_label(const LANE* lane, const CONTROL* ctl, char* out, int cap) {
  if (cap <= 0) return;
  const char* text = lane->lane_name;
  const int idx = ctl ? ctl->lane_label_idx : 0;
  if (idx >= 1 && idx <= 10) {
    const char* cat = gt_get_lane_char(idx - 1);
    for (int k = 0; cat && k < lane->num_lane_chars && lane->lane_chars; ++k) {
      const LANECHAR* c = lane->lane_chars[k];
      if (c && std::strncmp(c->name, cat, sizeof c->name) == 0) {
        text = c->value;
        break;
      }
    }
  }
  std::snprintf(out, static_cast<std::size_t>(cap), "%.*s", std::min(cap - 1, 23), text);
}

double vx_table_deviation(const DEV_TABLE* t, double v) {
  const int n = t->nrows;
  if (n < 1) return 0.0;
  auto at = [&](int r) { return v * t->dev[r] / 100.0; };
  auto between = [&](int lo, int hi) {
    if (t->dev[lo] == t->dev[hi]) return at(lo);
    return std_linlog_interpolate(t->size[lo], t->size[hi], t->size[lo] * t->dev[lo] / 100.0,
                                  t->size[hi] * t->dev[hi] / 100.0, v, 1);
  };
  if (!t->descending) {
    int k = 0;
    while (k < n && t->size[k] < v) ++k;
    if (k == 0) return at(0);
    if (k == n) return at(n - 1);
    return between(k - 1, k);
  }
  int k = n - 1;
  while (k >= 0 && t->size[k] < v) --k;
  if (k < 0) return at(0);
  if (k == n - 1) return at(n - 1);
  return between(k, k + 1);
}

int vx_read_match_deviation_table(const CONTROL* ctl, DEV_TABLE* table) {
  table->nrows = 0;
  table->descending = 0;
  std::ifstream in(ctl->match_dev_file);
  if (!in) {
    SLOG("vx_read_match_deviation_table", SLOG_EXIT, "can't open file");
    return -1;
  }
  std::string line;
  while (table->nrows < DEV_TABLE_ROWS && std::getline(in, line)) {
    std::vector<std::string> fields;
    std::size_t p = 0;
    while (p <= line.size()) {
      std::size_t q = line.find(',', p);
      if (q == std::string::npos) q = line.size();
      std::string f = line.substr(p, q - p);
      if (!f.empty() && f.find_first_not_of("\r\n") != std::string::npos) fields.push_back(f);
      p = q + 1;
    }
    if (fields.size() < 2) continue;
    table->size[table->nrows] = parse_number(fields[0]);
    table->dev[table->nrows] = parse_number(fields[1]);
    ++table->nrows;
    if (table->nrows == 2) table->descending = table->size[1] < table->size[0] ? 1 : 0;
  }
  SLOG("vx_read_match_deviation_table", SLOG_EXIT, "OK");
  return table->nrows;
}

void vx_free_match(LANE_MATCH* m) {
  if (!m) return;
  ks_huge_free_msg(m->pairs);
  ks_free(m->bands);
  ks_free(m);
}

void vx_free_matches(LANE_MATCH** list, int n) {
  if (!list) return;
  for (int i = 0; i < n; ++i) vx_free_match(list[i]);
  ks_free(list);
}

int vx_match_lanes(MATCH_REQUEST* req, LANE_MATCH*** results, char** lane_sel, int sel_word,
                   int start_lane, const MATCH_IMAGE* ref_image, const MATCH_IMAGE* images,
                   int num_images, int sel_lanes_only, const CONTROL* ctl, int skip_unsized) {
  SLOG("vx_match_lanes", SLOG_ENTRY, "match %% = %.2lf", req->threshold);
  *results = nullptr;
  req->num_results = 0;

  const DEV_TABLE* table = nullptr;
  if (ctl->match_dev_file[0]) {
    if (vx_read_match_deviation_table(ctl, &req->dev_table) < 1) {
      mh_send_msg(0, ks_gt_message(183), ctl->match_dev_file);
      return -1;
    }
    table = &req->dev_table;
  }
  const double size_tol = ctl->match_tol[0];

  LANE* ref = ref_image ? find_lane(ref_image->lanes, req->ref_lane_number) : nullptr;
  if (ref == nullptr) {
    SLOG("vx_match_lanes", SLOG_EXIT, "no reference lane %d", req->ref_lane_number);
    return -1;
  }
  char label[24];
  vx_lane_label(ref, ctl, label, sizeof label);
  std::snprintf(req->ref_label, sizeof req->ref_label, "%.21s", label);

  SPOT** rbands = nullptr;
  int na = ref_image->bands ? ln_find_bands_in_lane(ref_image->bands, &rbands, ref, nullptr,
                                                    band_active)
                            : 0;
  if (na < 0) na = 0;  // a reference without an outline has no bands
  bool size_mode = false;
  for (int i = 0; i < na; ++i) size_mode = size_mode || rbands[i]->size > 0;
  const BandDev rd = band_devs(rbands, na, ref, table, size_tol);

  std::vector<LANE_MATCH*> out;
  auto fail = [&](const char* what) {
    SLOG("vx_match_lanes", SLOG_EXIT, "%s", what);
    for (LANE_MATCH* m : out) vx_free_match(m);
    ks_free(rbands);
    return -1;
  };

  struct Entry {
    double d;
    int i, j;
  };
  std::vector<Entry> entries;
  std::vector<BAND_PAIR> pairs;
  std::vector<char> row_used, col_used;

  for (int im = 0; im < num_images; ++im) {
    const MATCH_IMAGE& img = images[im];
    LANE* lane = img.lanes ? img.lanes->next : nullptr;
    if (im == 0 && start_lane != 0) lane = find_lane(img.lanes, start_lane);
    for (; lane; lane = lane->next) {
      if (sel_lanes_only && !(lane->f & LN_F_SELECTED)) continue;
      if (strcasecmp(img.name, req->name) == 0 && lane->lane_number == ref->lane_number) continue;
      if ((lane_sel || sel_word) && !vx_lane_meets_selection(lane, lane_sel)) continue;
      if (img.bands == nullptr) continue;
      SPOT** lb = nullptr;
      const int nb = ln_find_bands_in_lane(img.bands, &lb, lane, nullptr, band_active);
      if (nb <= 0) {
        ks_free(lb);
        continue;
      }
      bool skip = req->band_count_limit < 100 && std::abs(nb - na) > req->band_count_limit;
      bool any_std = false, any_sized = false;
      for (int j = 0; j < nb; ++j) {
        any_std = any_std || (lb[j]->f2 & SP_F2_SIZE_STD);
        any_sized = any_sized || lb[j]->size > 0;
      }
      skip = skip || (any_std && ctl->ignore_stds) || (skip_unsized && !any_sized);
      if (skip) {
        ks_free(lb);
        continue;
      }

      const BandDev ld = band_devs(lb, nb, lane, table, size_tol);
      // Greedy pairing: taking entries in (distance, reference index, lane index) order while
      // their row and column are free is the repeated smallest-entry scan.
      entries.clear();
      for (int i = 0; i < na; ++i)
        for (int j = 0; j < nb; ++j) {
          double d;
          if (size_mode) {
            if (!(rbands[i]->size > 0 && lb[j]->size > 0)) continue;
            d = std::fabs(rbands[i]->size - lb[j]->size);
          } else {
            d = std::fabs(rd.rf[i] - ld.rf[j]);
          }
          if (d > rd.dev[i] + ld.dev[j]) continue;
          entries.push_back({d, i, j});
        }
      std::sort(entries.begin(), entries.end(), [](const Entry& x, const Entry& y) {
        if (x.d != y.d) return x.d < y.d;
        if (x.i != y.i) return x.i < y.i;
        return x.j < y.j;
      });
      row_used.assign(na, 0);
      col_used.assign(nb, 0);
      pairs.clear();
      for (const Entry& e : entries) {
        if (row_used[e.i] || col_used[e.j]) continue;
        row_used[e.i] = col_used[e.j] = 1;
        pairs.push_back({static_cast<uint16_t>(e.i), static_cast<uint16_t>(e.j), vx_band_key(e.i), 0});
      }
      std::sort(pairs.begin(), pairs.end(),
                [](const BAND_PAIR& x, const BAND_PAIR& y) { return x.ref < y.ref; });
      // One pass over neighbours: a lane index above the next pair's is exchanged with it.
      for (std::size_t k = 0; k + 1 < pairs.size(); ++k)
        if (pairs[k].cand > pairs[k + 1].cand) std::swap(pairs[k].cand, pairs[k + 1].cand);

      if (req->spacing_tol > 0 && pairs.size() >= 2) {
        for (std::size_t k = 0; k + 1 < pairs.size(); ++k) {
          const double dr = std::fabs(rbands[pairs[k].ref]->size - rbands[pairs[k + 1].ref]->size);
          const double dl = std::fabs(lb[pairs[k].cand]->size - lb[pairs[k + 1].cand]->size);
          if (ratio_score(dr, dl) < req->spacing_tol) pairs.erase(pairs.begin() + k + 1);
        }
      }
      if (req->volume_tol > 0) {
        for (std::size_t k = 0; k < pairs.size();) {
          const double vr = volume_of(rbands[pairs[k].ref], ref);
          const double vl = volume_of(lb[pairs[k].cand], lane);
          if (ratio_score(vr, vl) < req->volume_tol)
            pairs.erase(pairs.begin() + k);
          else
            ++k;
        }
      }

      const int m = static_cast<int>(pairs.size());
      const int score = req->method == 0   ? vx_jaccard(na, nb, m)
                        : req->method == 1 ? vx_dice(na, nb, m)
                                           : vx_pct_ref(na, nb, m);
      if (score < req->threshold) {
        ks_free(lb);
        continue;
      }
      auto* r = ks_new_rec<LANE_MATCH>();
      if (!r) {
        ks_free(lb);
        return fail("match_result NULL");
      }
      if (m > 0) {
        r->pairs = static_cast<BAND_PAIR*>(ks_huge_alloc_msg(sizeof(BAND_PAIR) * m));
        if (!r->pairs) {
          ks_free(lb);
          ks_free(r);
          return fail("match_result match_list NULL");
        }
        std::copy(pairs.begin(), pairs.end(), r->pairs);
      }
      std::snprintf(r->path, sizeof r->path, "%s", img.path);
      std::snprintf(r->name, sizeof r->name, "%s", img.name);
      vx_lane_label(lane, ctl, r->label, sizeof r->label);
      r->num_pairs = m;
      r->num_bands = r->num_bands2 = nb;
      r->percent = static_cast<int16_t>(score);
      r->bands = lb;
      r->lane_number = lane->lane_number;
      r->lane = lane;
      r->image = img.image;
      out.push_back(r);
    }
  }

  auto** arr = static_cast<LANE_MATCH**>(ks_alloc_msg(sizeof(LANE_MATCH*) * std::max<std::size_t>(out.size(), 1)));
  if (!arr) return fail("realloc *match_results NULL");
  std::copy(out.begin(), out.end(), arr);
  *results = arr;
  req->num_results = static_cast<int32_t>(out.size());
  req->num_ref_bands = na;
  req->ref_lane = ref;
  req->ref_bands = rbands;
  SLOG("vx_match_lanes", SLOG_EXIT, "OK num lanes matched = %d", req->num_results);
  return 0;
}
