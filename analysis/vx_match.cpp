// Lane matching engine: see vx_match.h.
#include "analysis/vx_match.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <strings.h>
#include <unordered_map>
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
  // The smaller of a / b and b / a, with one division and no branch.
  return static_cast<int>(std::floor(100.0 * (std::min(a, b) / std::max(a, b)) + 0.5));
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

// The candidate lanes' active bands, their Rf values and allowed deviations, kept between the
// calls of one all-lanes match over the same images.
struct VX_MATCH_CACHE {
  // One lane's values lie side by side in the two pools, so that matching a lane reads few
  // stretches of memory: from `values`, the bands' Rf, deviation, size and volume (nb each,
  // top to bottom), then their Rf ascending (nb) and the sized bands' sizes ascending (ns);
  // from `orders`, the band indexes in those two orders. The sorted values let the bands
  // within reach of a reference band be found by bisection, the largest deviation bounding the
  // reach; without finite values (finite false) every band is looked at.
  struct Lane {
    std::vector<SPOT*> bands;
    std::size_t values = 0, orders = 0;
    int nb = 0, ns = 0;
    bool any_std = false, any_sized = false;
    double widest = 0;
    bool finite = false;
  };
  // Each image's lanes in list order (keyed by the image's lane list), with the fields the
  // match reads and their place in `lanes`: the lanes are visited without following the list.
  struct LaneRef {
    LANE* lane;
    int32_t number;
    uint32_t f;
    std::size_t at;
  };
  std::unordered_map<const LANE*, std::vector<LaneRef>> images;
  std::vector<Lane> lanes;
  std::vector<double> values;
  std::vector<int> orders;
  // The parameters the deviations were worked out with; other ones empty the cache.
  bool set = false;
  double size_tol = 0;
  bool has_table = false;
  DEV_TABLE table{};
};

VX_MATCH_CACHE* vx_match_cache_new() { return new VX_MATCH_CACHE; }
void vx_match_cache_free(VX_MATCH_CACHE* cache) { delete cache; }

namespace {

bool same_table(const DEV_TABLE& a, const DEV_TABLE& b) {
  if (a.nrows != b.nrows || a.descending != b.descending) return false;
  for (int k = 0; k < DEV_TABLE_ROWS; ++k)
    if (a.size[k] != b.size[k] || a.dev[k] != b.dev[k]) return false;
  return true;
}

// Adds the lane's active bands (top to bottom) with their values to the store; nothing when
// the band array cannot be made. With `index` also their orders by Rf and by size, for lanes
// that are matched again and again.
void prepare_lane(VX_MATCH_CACHE* store, VX_MATCH_CACHE::Lane* out, SPOT* band_head, LANE* lane,
                  const DEV_TABLE* table, double size_tol, bool index) {
  SPOT** lb = nullptr;
  const int nb = ln_find_bands_in_lane(band_head, &lb, lane, nullptr, band_active);
  if (nb > 0 && lb) {
    out->bands.assign(lb, lb + nb);
    out->nb = nb;
    const BandDev d = band_devs(lb, nb, lane, table, size_tol);
    std::vector<double>& v = store->values;
    out->values = v.size();
    v.insert(v.end(), d.rf.begin(), d.rf.end());
    v.insert(v.end(), d.dev.begin(), d.dev.end());
    out->finite = true;
    for (int j = 0; j < nb; ++j) v.push_back(lb[j]->size);
    for (int j = 0; j < nb; ++j) v.push_back(volume_of(lb[j], lane));
    for (int j = 0; j < nb; ++j) {
      out->any_std = out->any_std || (lb[j]->f2 & SP_F2_SIZE_STD);
      out->any_sized = out->any_sized || lb[j]->size > 0;
      out->finite = out->finite && std::isfinite(d.dev[j]) && std::isfinite(d.rf[j]) &&
                    std::isfinite(lb[j]->size);
      out->widest = std::max(out->widest, d.dev[j]);
    }
    out->finite = out->finite && index;
    if (out->finite) {
      std::vector<int> by_rf, by_size;
      for (int j = 0; j < nb; ++j) {
        by_rf.push_back(j);
        if (lb[j]->size > 0) by_size.push_back(j);
      }
      std::stable_sort(by_rf.begin(), by_rf.end(), [&](int a, int b) { return d.rf[a] < d.rf[b]; });
      std::stable_sort(by_size.begin(), by_size.end(),
                       [&](int a, int b) { return lb[a]->size < lb[b]->size; });
      out->ns = static_cast<int>(by_size.size());
      for (int j : by_rf) v.push_back(d.rf[j]);
      for (int j : by_size) v.push_back(lb[j]->size);
      std::vector<int>& o = store->orders;
      out->orders = o.size();
      o.insert(o.end(), by_rf.begin(), by_rf.end());
      o.insert(o.end(), by_size.begin(), by_size.end());
    }
  }
  ks_free(lb);
}

// The image's lanes in the cache, in list order; they are prepared all at the image's first
// visit.
const std::vector<VX_MATCH_CACHE::LaneRef>& cached_lanes(VX_MATCH_CACHE* cache,
                                                         const MATCH_IMAGE& img,
                                                         const DEV_TABLE* table, double size_tol) {
  auto [it, added] = cache->images.try_emplace(img.lanes);
  std::vector<VX_MATCH_CACHE::LaneRef>& refs = it->second;
  if (added)
    for (LANE* l = img.lanes ? img.lanes->next : nullptr; l; l = l->next) {
      refs.push_back({l, l->lane_number, l->f, cache->lanes.size()});
      cache->lanes.emplace_back();
      if (img.bands) prepare_lane(cache, &cache->lanes.back(), img.bands, l, table, size_tol, true);
    }
  return refs;
}

// The reference lane's side of a match: its active bands with their values side by side, and
// the bands that pair by value in ascending order of it, with the largest deviation among them,
// for lanes whose values are sorted. With any value that is no finite number (sweep_all false)
// every lane is scanned in full.
struct RefSide {
  LANE* lane = nullptr;
  SPOT** bands = nullptr;
  int na = 0;
  bool size_mode = false;
  BandDev rd;
  std::vector<double> rsize, rvolume;
  std::vector<int> sweep;
  double reach = 0;
  bool sweep_all = true;
};

// Reads the reference lane's bands and lays out their values; the lane must be set.
void prepare_reference(RefSide* ref, const MATCH_IMAGE* ref_image, const DEV_TABLE* table,
                       double size_tol) {
  int na = ref_image->bands ? ln_find_bands_in_lane(ref_image->bands, &ref->bands, ref->lane,
                                                    nullptr, band_active)
                            : 0;
  if (na < 0) na = 0;  // a reference without an outline has no bands
  ref->na = na;
  SPOT** rbands = ref->bands;
  for (int i = 0; i < na; ++i) ref->size_mode = ref->size_mode || rbands[i]->size > 0;
  ref->rd = band_devs(rbands, na, ref->lane, table, size_tol);
  ref->rsize.resize(static_cast<std::size_t>(na));
  ref->rvolume.resize(static_cast<std::size_t>(na));
  for (int i = 0; i < na; ++i) {
    ref->rsize[i] = rbands[i]->size;
    ref->rvolume[i] = volume_of(rbands[i], ref->lane);
  }
  const std::vector<double>& rsize = ref->rsize;
  const BandDev& rd = ref->rd;
  for (int i = 0; i < na; ++i) {
    if (!std::isfinite(rsize[i]) || !std::isfinite(rd.rf[i]) || !std::isfinite(rd.dev[i])) {
      ref->sweep_all = false;
      continue;
    }
    if (ref->size_mode && !(rsize[i] > 0)) continue;  // pairs with nothing
    ref->sweep.push_back(i);
    ref->reach = std::max(ref->reach, rd.dev[i]);
  }
  const bool size_mode = ref->size_mode;
  std::stable_sort(ref->sweep.begin(), ref->sweep.end(), [&](int x, int y) {
    return size_mode ? rsize[x] < rsize[y] : rd.rf[x] < rd.rf[y];
  });
}

// Empties the cache when it was filled with other deviation parameters, and notes the ones now
// used.
void refresh_cache(VX_MATCH_CACHE* cache, double size_tol, const DEV_TABLE* table) {
  const bool same = cache->set && cache->size_tol == size_tol &&
                    cache->has_table == (table != nullptr) &&
                    (!table || same_table(cache->table, *table));
  if (same) return;
  cache->images.clear();
  cache->lanes.clear();
  cache->values.clear();
  cache->orders.clear();
  cache->set = true;
  cache->size_tol = size_tol;
  cache->has_table = table != nullptr;
  if (table) cache->table = *table;
}

// Pairs the reference's bands with one candidate lane's and scores the lane; its work arrays
// are kept from one lane to the next.
class LaneMatcher {
 public:
  LaneMatcher(const MATCH_REQUEST* req, const RefSide& ref) : req_(req), ref_(ref) {}

  // The lane's bands paired with the reference's after the spacing and volume checks, and its
  // score by the request's method.
  int score_lane(const VX_MATCH_CACHE* store, const VX_MATCH_CACHE::Lane* cand) {
    const int na = ref_.na, nb = cand->nb;
    const double* lrf = store->values.data() + cand->values;
    row_pair_.assign(na, -1);
    col_used_.assign(nb, 0);
    if (cand->finite && ref_.sweep_all)
      pair_by_sweep(store, cand, lrf);
    else
      pair_by_scan(nb, lrf);
    collect_pairs();
    const double* lsize = lrf + 2 * nb;
    const double* lvolume = lsize + nb;
    drop_by_spacing(lsize);
    drop_by_volume(lvolume);
    const int m = static_cast<int>(pairs_.size());
    return req_->method == 0   ? vx_jaccard(na, nb, m)
           : req_->method == 1 ? vx_dice(na, nb, m)
                               : vx_pct_ref(na, nb, m);
  }

  const std::vector<BAND_PAIR>& pairs() const { return pairs_; }

 private:
  using Key = unsigned __int128;

  // Greedy pairing for lanes with sorted values: taking entries in (distance, reference index,
  // lane index) order while their row and column are free is the repeated smallest-entry scan.
  // The reference bands in ascending order of their value meet the lane's bands in the same
  // order: the bands within the widest reach of any reference band (with a margin for rounding)
  // are found by two pointers that only move forward, and the test below decides as in the full
  // scan. Each entry is one key that orders as (distance, reference index, lane index): the
  // distance is finite and not negative, so its bits order as its value.
  void pair_by_sweep(const VX_MATCH_CACHE* store, const VX_MATCH_CACHE::Lane* cand,
                     const double* lrf) {
    const int nb = cand->nb;
    const bool size_mode = ref_.size_mode;
    const double* ldev = lrf + nb;
    const double* lsize = ldev + nb;
    const double* v = lsize + nb + nb + (size_mode ? nb : 0);
    const int count = size_mode ? cand->ns : nb;
    const int* idx = store->orders.data() + cand->orders + (size_mode ? nb : 0);
    const double reach = ref_.reach + cand->widest;
    const double* lv = size_mode ? lsize : lrf;
    // Every band in a window is written, and counted when the test passes: no branch on it.
    if (key_room_ < ref_.sweep.size() * static_cast<std::size_t>(count)) {
      key_room_ = ref_.sweep.size() * static_cast<std::size_t>(count);
      key_buf_.reset(new Key[key_room_]);
    }
    Key* keys = key_buf_.get();
    std::size_t nkeys = 0;
    int lo = 0, hi = 0;
    const double* rsize = ref_.rsize.data();
    const double* rrf = ref_.rd.rf.data();
    const double* rdev = ref_.rd.dev.data();
    for (const int i : ref_.sweep) {
      const double devi = rdev[i];
      const double at = size_mode ? rsize[i] : rrf[i];
      const double margin = 1e-9 * (std::fabs(at) + std::fabs(reach)) + 1e-300;
      const double below = at - reach - margin, above = at + reach + margin;
      while (lo < count && v[lo] < below) ++lo;
      hi = std::max(hi, lo);
      while (hi < count && v[hi] <= above) ++hi;
      const Key row = static_cast<Key>(static_cast<uint64_t>(i) << 32);
      for (int k = lo; k < hi; ++k) {
        const int j = idx[k];
        const double d = std::fabs(at - lv[j]);
        const bool ok = !(d > devi + ldev[j]);
        uint64_t bits;
        std::memcpy(&bits, &d, sizeof bits);
        keys[nkeys] = (static_cast<Key>(bits) << 64) | row | static_cast<uint32_t>(j);
        nkeys += ok;
      }
    }
    take_firsts(keys, nkeys, nb);
  }

  // An entry that comes first in key order both in its row and in its column is reached by the
  // ordered scan before any entry that shares either, so it is taken there; taking every such
  // entry, round by round among the entries whose row and column are still free, gives the
  // scan's pairs without sorting. Most entries are taken in the first round.
  void take_firsts(Key* keys, std::size_t nopen, int nb) {
    const Key none = ~Key(0);
    row_best_.resize(ref_.na);
    col_best_.resize(nb);
    while (nopen > 0) {
      for (std::size_t e = 0; e < nopen; ++e) {
        row_best_[static_cast<uint64_t>(keys[e]) >> 32] = none;
        col_best_[static_cast<uint32_t>(keys[e])] = none;
      }
      for (std::size_t e = 0; e < nopen; ++e) {
        const Key key = keys[e];
        Key& r = row_best_[static_cast<uint64_t>(key) >> 32];
        Key& c = col_best_[static_cast<uint32_t>(key)];
        r = std::min(r, key);
        c = std::min(c, key);
      }
      for (std::size_t e = 0; e < nopen; ++e) {
        const Key key = keys[e];
        const int i = static_cast<int>(static_cast<uint64_t>(key) >> 32);
        const int j = static_cast<int>(static_cast<uint32_t>(key));
        if (row_best_[i] == key && col_best_[j] == key) {
          row_pair_[i] = j;
          col_used_[j] = 1;
        }
      }
      std::size_t w = 0;
      for (std::size_t e = 0; e < nopen; ++e) {
        const Key key = keys[e];
        keys[w] = key;
        w += row_pair_[static_cast<uint64_t>(key) >> 32] < 0 && !col_used_[static_cast<uint32_t>(key)];
      }
      nopen = w;
    }
  }

  // The same pairing over every pair of bands, sorted: for values that are not all finite.
  void pair_by_scan(int nb, const double* lrf) {
    const double* ldev = lrf + nb;
    const double* lsize = ldev + nb;
    entries_.clear();
    for (int i = 0; i < ref_.na; ++i) {
      const double ri = ref_.rsize[i], rfi = ref_.rd.rf[i], devi = ref_.rd.dev[i];
      if (ref_.size_mode) {
        if (!(ri > 0)) continue;
        for (int j = 0; j < nb; ++j) {
          if (!(lsize[j] > 0)) continue;
          const double d = std::fabs(ri - lsize[j]);
          if (d > devi + ldev[j]) continue;
          entries_.push_back({d, i, j});
        }
      } else {
        for (int j = 0; j < nb; ++j) {
          const double d = std::fabs(rfi - lrf[j]);
          if (d > devi + ldev[j]) continue;
          entries_.push_back({d, i, j});
        }
      }
    }
    std::sort(entries_.begin(), entries_.end(), [](const Entry& x, const Entry& y) {
      if (x.d != y.d) return x.d < y.d;
      if (x.i != y.i) return x.i < y.i;
      return x.j < y.j;
    });
    for (const Entry& e : entries_) {
      if (row_pair_[e.i] >= 0 || col_used_[e.j]) continue;
      row_pair_[e.i] = e.j;
      col_used_[e.j] = 1;
    }
  }

  // Each reference band pairs at most once: its pair went to its own slot, and the slots in
  // reference order are the pairs sorted by reference index. One pass over neighbours then
  // exchanges a lane index above the next pair's with it.
  void collect_pairs() {
    const int na = ref_.na;
    pairs_.resize(static_cast<std::size_t>(na));
    std::size_t np = 0;
    for (int i = 0; i < na; ++i) {
      pairs_[np] = {static_cast<uint16_t>(i), static_cast<uint16_t>(row_pair_[i]), vx_band_key(i), 0};
      np += row_pair_[i] >= 0;
    }
    pairs_.resize(np);
    for (std::size_t k = 0; k + 1 < np; ++k) {
      const uint16_t a = pairs_[k].cand, b = pairs_[k + 1].cand;
      pairs_[k].cand = std::min(a, b);
      pairs_[k + 1].cand = std::max(a, b);
    }
  }

  // Spacing: each pair is held against the pair before it; a pair that fails is dropped and the
  // pair after it is kept unchecked, becoming the next one held against.
  void drop_by_spacing(const double* lsize) {
    if (!(req_->spacing_tol > 0 && pairs_.size() >= 2)) return;
    std::size_t w = 1;
    for (std::size_t r = 1; r < pairs_.size(); ++r) {
      const BAND_PAIR& a = pairs_[w - 1];
      const double dr = std::fabs(ref_.rsize[a.ref] - ref_.rsize[pairs_[r].ref]);
      const double dl = std::fabs(lsize[a.cand] - lsize[pairs_[r].cand]);
      if (ratio_score(dr, dl) < req_->spacing_tol && ++r == pairs_.size()) break;
      pairs_[w++] = pairs_[r];
    }
    pairs_.resize(w);
  }

  // Volume: a pair whose volumes differ by more than the tolerance is dropped.
  void drop_by_volume(const double* lvolume) {
    if (!(req_->volume_tol > 0)) return;
    std::size_t w = 0;
    for (std::size_t r = 0; r < pairs_.size(); ++r)
      if (!(ratio_score(ref_.rvolume[pairs_[r].ref], lvolume[pairs_[r].cand]) < req_->volume_tol))
        pairs_[w++] = pairs_[r];
    pairs_.resize(w);
  }

  struct Entry {
    double d;
    int i, j;
  };
  const MATCH_REQUEST* req_;
  const RefSide& ref_;
  std::vector<Entry> entries_;
  std::unique_ptr<Key[]> key_buf_;
  std::size_t key_room_ = 0;
  std::vector<BAND_PAIR> pairs_;
  std::vector<int> row_pair_;
  std::vector<Key> row_best_, col_best_;
  std::vector<char> col_used_;
};

// Whether a candidate image is the reference's own image, whose reference lane is not matched
// with itself: images are told apart by name (in any case), and two of the same name whose paths
// both hold a folder are one image only when the paths name one file (gels of one name are often
// kept a folder a day).
bool is_reference_image(const MATCH_IMAGE& img, const MATCH_REQUEST* req) {
  if (strcasecmp(img.name, req->name) != 0) return false;
  if (!std::strchr(img.path, '/') || !std::strchr(req->path, '/')) return true;
  std::error_code ec;  // a path that names no file is its own path alone
  return std::strcmp(img.path, req->path) == 0 || std::filesystem::equivalent(img.path, req->path, ec);
}

// Matches the reference against every candidate lane as vx_match_lanes describes; each lane
// kept is handed to keep(lane, image, bands, pairs, score), which returns false when memory
// ran out. The reference's bands go into the request. 0 or -1.
template <class Keep>
int match_core(MATCH_REQUEST* req, char** lane_sel, int sel_word, int start_lane,
               const MATCH_IMAGE* ref_image, const MATCH_IMAGE* images, int num_images,
               int sel_lanes_only, const CONTROL* ctl, int skip_unsized, VX_MATCH_CACHE* cache,
               Keep keep, std::vector<LANE_MATCH*>* made) {
  SLOG("vx_match_lanes", SLOG_ENTRY, "match %% = %.2lf", req->threshold);
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

  RefSide ref;
  ref.lane = ref_image ? find_lane(ref_image->lanes, req->ref_lane_number) : nullptr;
  if (ref.lane == nullptr) {
    SLOG("vx_match_lanes", SLOG_EXIT, "no reference lane %d", req->ref_lane_number);
    return -1;
  }
  char label[24];
  vx_lane_label(ref.lane, ctl, label, sizeof label);
  std::snprintf(req->ref_label, sizeof req->ref_label, "%.21s", label);
  prepare_reference(&ref, ref_image, table, size_tol);

  auto fail = [&](const char* what) {
    SLOG("vx_match_lanes", SLOG_EXIT, "%s", what);
    if (made) {
      for (LANE_MATCH* m : *made) vx_free_match(m);
      made->clear();
    }
    ks_free(ref.bands);
    return -1;
  };
  if (cache) refresh_cache(cache, size_tol, table);

  LaneMatcher matcher(req, ref);
  // Matches one candidate lane with its values; false when memory ran out.
  auto match_lane = [&](const MATCH_IMAGE& img, LANE* lane, const VX_MATCH_CACHE* store,
                        const VX_MATCH_CACHE::Lane* cand) -> bool {
    const int nb = cand->nb;
    if (nb <= 0) return true;
    bool skip = req->band_count_limit < 100 && std::abs(nb - ref.na) > req->band_count_limit;
    skip = skip || (cand->any_std && ctl->ignore_stds) || (skip_unsized && !cand->any_sized);
    if (skip) return true;
    const int score = matcher.score_lane(store, cand);
    if (score < req->threshold) return true;
    return keep(lane, img, cand->bands, matcher.pairs(), score);
  };

  VX_MATCH_CACHE scratch;  // the one lane at hand, without a cache
  for (int im = 0; im < num_images; ++im) {
    const MATCH_IMAGE& img = images[im];
    const bool same_image = is_reference_image(img, req);
    // Whether a lane (its number and flags as given) is one to match against.
    auto wanted = [&](LANE* lane, int32_t number, uint32_t f) {
      if (sel_lanes_only && !(f & LN_F_SELECTED)) return false;
      if (same_image && number == ref.lane->lane_number) return false;
      if ((lane_sel || sel_word) && !vx_lane_meets_selection(lane, lane_sel)) return false;
      return img.bands != nullptr;
    };
    const int first = im == 0 ? start_lane : 0;  // the lane number to start at, 0 for all
    if (cache) {
      const std::vector<VX_MATCH_CACHE::LaneRef>& refs = cached_lanes(cache, img, table, size_tol);
      std::size_t from = 0;
      if (first != 0)
        while (from < refs.size() && refs[from].number != first) ++from;
      for (std::size_t k = from; k < refs.size(); ++k) {
        const VX_MATCH_CACHE::LaneRef& r = refs[k];
        if (!wanted(r.lane, r.number, r.f)) continue;
        if (!match_lane(img, r.lane, cache, &cache->lanes[r.at])) return fail("match_result NULL");
      }
      continue;
    }
    LANE* lane = first != 0 ? find_lane(img.lanes, first) : img.lanes ? img.lanes->next : nullptr;
    for (; lane; lane = lane->next) {
      if (!wanted(lane, lane->lane_number, lane->f)) continue;
      scratch.lanes.assign(1, VX_MATCH_CACHE::Lane{});
      scratch.values.clear();
      scratch.orders.clear();
      prepare_lane(&scratch, &scratch.lanes[0], img.bands, lane, table, size_tol, false);
      if (!match_lane(img, lane, &scratch, &scratch.lanes[0])) return fail("match_result NULL");
    }
  }

  req->num_ref_bands = ref.na;
  req->ref_lane = ref.lane;
  req->ref_bands = ref.bands;
  return 0;
}

}  // namespace

int vx_match_lanes(MATCH_REQUEST* req, LANE_MATCH*** results, char** lane_sel, int sel_word,
                   int start_lane, const MATCH_IMAGE* ref_image, const MATCH_IMAGE* images,
                   int num_images, int sel_lanes_only, const CONTROL* ctl, int skip_unsized,
                   VX_MATCH_CACHE* cache) {
  *results = nullptr;
  std::vector<LANE_MATCH*> out;
  auto keep = [&](LANE* lane, const MATCH_IMAGE& img, const std::vector<SPOT*>& bands,
                  const std::vector<BAND_PAIR>& pairs, int score) {
    auto* r = ks_new_rec<LANE_MATCH>();
    if (!r) return false;
    const int m = static_cast<int>(pairs.size());
    const int nb = static_cast<int>(bands.size());
    if (m > 0) {
      r->pairs = static_cast<BAND_PAIR*>(ks_huge_alloc_msg(sizeof(BAND_PAIR) * m));
      if (!r->pairs) {
        ks_free(r);
        return false;
      }
      std::copy(pairs.begin(), pairs.end(), r->pairs);
    }
    r->bands = static_cast<SPOT**>(ks_alloc_msg(sizeof(SPOT*) * std::max(nb, 1)));
    if (!r->bands) {
      vx_free_match(r);
      return false;
    }
    std::copy(bands.begin(), bands.end(), r->bands);
    std::snprintf(r->path, sizeof r->path, "%s", img.path);
    std::snprintf(r->name, sizeof r->name, "%s", img.name);
    vx_lane_label(lane, ctl, r->label, sizeof r->label);
    r->num_pairs = m;
    r->num_bands = r->num_bands2 = nb;
    r->percent = static_cast<int16_t>(score);
    r->lane_number = lane->lane_number;
    r->lane = lane;
    r->image = img.image;
    out.push_back(r);
    return true;
  };
  const int rc = match_core(req, lane_sel, sel_word, start_lane, ref_image, images, num_images,
                            sel_lanes_only, ctl, skip_unsized, cache, keep, &out);
  if (rc != 0) return rc;
  auto** arr = static_cast<LANE_MATCH**>(ks_alloc_msg(sizeof(LANE_MATCH*) * std::max<std::size_t>(out.size(), 1)));
  if (!arr) {
    SLOG("vx_match_lanes", SLOG_EXIT, "%s", "realloc *match_results NULL");
    for (LANE_MATCH* m : out) vx_free_match(m);
    ks_free(req->ref_bands);
    req->ref_bands = nullptr;
    return -1;
  }
  std::copy(out.begin(), out.end(), arr);
  *results = arr;
  req->num_results = static_cast<int32_t>(out.size());
  SLOG("vx_match_lanes", SLOG_EXIT, "OK num lanes matched = %d", req->num_results);
  return 0;
}

int vx_match_scores(MATCH_REQUEST* req, std::vector<LANE_SCORE>* scores, char** lane_sel,
                    int sel_word, int start_lane, const MATCH_IMAGE* ref_image,
                    const MATCH_IMAGE* images, int num_images, int sel_lanes_only,
                    const CONTROL* ctl, int skip_unsized, VX_MATCH_CACHE* cache) {
  scores->clear();
  auto keep = [&](LANE* lane, const MATCH_IMAGE&, const std::vector<SPOT*>&,
                  const std::vector<BAND_PAIR>&, int score) {
    scores->push_back({lane, static_cast<int16_t>(score)});
    return true;
  };
  const int rc = match_core(req, lane_sel, sel_word, start_lane, ref_image, images, num_images,
                            sel_lanes_only, ctl, skip_unsized, cache, keep, nullptr);
  if (rc == 0) req->num_results = static_cast<int32_t>(scores->size());
  return rc;
}
