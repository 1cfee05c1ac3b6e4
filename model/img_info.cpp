// The intensity lookup record: set-up, release, trace dump, and the conversion of digital values
// into calibrated values with its per-table cache; the optical-density compatibility mode.
#include "model/img_info.h"

#include "base/ks_mem.h"
#include "base/slog.h"

#include <cmath>
#include <cstring>
#include <vector>

BOOL lookup_init(IMG_INT_INFO* info) {
  static const char* fn = "lookup_init";
  SLOG(fn, SLOG_ENTRY, "info 0p%p", static_cast<void*>(info));
  if (!info) {
    SLOG(fn, SLOG_EXIT, "NULL ptr, trouble!!, FALSE");
    return FALSE;
  }
  info->version = 1;
  info->bHaveCalib = 0;
  info->bHaveEqual = 0;
  info->bIsNotStouffer = 0;
  info->wedge_length = 105000;
  info->wedge_material = 0;
  info->reserved3 = 0;
  info->wedge_count = 2;
  info->equal_image_path[0] = 0;
  info->calib_image_path[0] = 0;
  info->wedge_values = static_cast<double*>(ks_alloc_msg(2 * sizeof(double)));
  info->dig_values = static_cast<int*>(ks_alloc_msg(2 * sizeof(int)));
  if (!info->wedge_values || !info->dig_values) {
    ks_free(info->wedge_values);
    ks_free(info->dig_values);
    info->wedge_values = nullptr;
    info->dig_values = nullptr;
    info->wedge_count = 0;
    SLOG(fn, SLOG_EXIT, "alloc failure, FALSE");
    return FALSE;
  }
  SLOG(fn, SLOG_EXIT, "TRUE");
  return TRUE;
}

namespace {

// The cache of converted 16-bit values for the tables in use. A table's cache is used only
// while the table's contents equal the snapshot taken with it, so changing a record (new
// calibration, the compatibility mode forcing its interpolation type) is always seen. The
// full table is built only after a table has served kBuildAfter values unchanged, so a table
// that is changed between a few lookups never pays for building it.
struct LookupCache {
  const IMG_INT_INFO* key = nullptr;
  int interp_type = 0;
  int count = 0;
  std::vector<double> wedge;
  std::vector<int> dig;
  unsigned long uses = 0;
  std::vector<double> values;  // 65536 entries once built
};

constexpr unsigned long kBuildAfter = 65536;
constexpr std::size_t kCacheSlots = 8;

thread_local std::vector<LookupCache> t_cache;
thread_local std::size_t t_next_slot = 0;

bool same_contents(const LookupCache& c, const IMG_INT_INFO* t) {
  if (c.interp_type != t->interp_type || c.count != t->wedge_count) return false;
  std::size_t n = static_cast<std::size_t>(c.count);
  return std::memcmp(c.wedge.data(), t->wedge_values, n * sizeof(double)) == 0 &&
         std::memcmp(c.dig.data(), t->dig_values, n * sizeof(int)) == 0;
}

void take_snapshot(LookupCache& c, const IMG_INT_INFO* t) {
  std::size_t n = static_cast<std::size_t>(t->wedge_count);
  c.key = t;
  c.interp_type = t->interp_type;
  c.count = t->wedge_count;
  c.wedge.assign(t->wedge_values, t->wedge_values + n);
  c.dig.assign(t->dig_values, t->dig_values + n);
  c.uses = 0;
  std::vector<double>().swap(c.values);
}

// The cache slot of a table, holding a snapshot of its present contents (a slot whose snapshot
// differs is taken anew, dropping its values).
LookupCache* cache_for(const IMG_INT_INFO* t) {
  LookupCache* c = nullptr;
  for (auto& e : t_cache)
    if (e.key == t) c = &e;
  if (!c) {
    if (t_cache.size() < kCacheSlots) {
      t_cache.emplace_back();
      c = &t_cache.back();
    } else {
      c = &t_cache[t_next_slot];
      t_next_slot = (t_next_slot + 1) % kCacheSlots;
    }
    take_snapshot(*c, t);
  } else if (!same_contents(*c, t)) {
    take_snapshot(*c, t);
  }
  return c;
}

double lookup_compute(const IMG_INT_INFO* t, uint32_t d, bool trace);

// Converts every 16-bit value into the slot; false (and no values) when memory runs out.
bool build_values(LookupCache& c, const IMG_INT_INFO* t) {
  try {
    c.values.resize(0x10000);
    for (uint32_t v = 0; v <= 0xFFFF; ++v) c.values[v] = lookup_compute(t, v, false);
    return true;
  } catch (...) {
    std::vector<double>().swap(c.values);
    c.uses = 0;
    return false;
  }
}

void drop_cache(const IMG_INT_INFO* t) {
  for (auto& c : t_cache)
    if (c.key == t) c = LookupCache();
}

// The conversion itself, for a table of at least two points.
double lookup_compute(const IMG_INT_INFO* t, uint32_t d, bool trace) {
  static const char* fn = "ih_lookup_val";
  const int n = t->wedge_count;
  const double* W = t->wedge_values;
  auto D = [t](int i) { return static_cast<uint32_t>(t->dig_values[i]); };
  const double dd = static_cast<double>(d);
  // Ascending unless the second calibrated value is below the first (NaN counts as ascending).
  const bool asc = !(W[1] < W[0]);
  if (trace)
    SLOG(fn, SLOG_VALUE1, "ascending %d, dig_v[0] %d, [1] %d", asc ? 1 : 0, t->dig_values[0],
         t->dig_values[1]);

  const uint32_t d0 = D(0), dn = D(n - 1);
  const bool low = asc ? d <= d0 : d >= d0;
  const bool high = asc ? d >= dn : d <= dn;
  double r;
  if (low) {
    r = d0 == 0 ? W[0] : dd * W[0] / static_cast<double>(d0);
  } else if (high) {
    r = dn == 0 ? W[n - 1] : dd * W[n - 1] / static_cast<double>(dn);
  } else {
    if (trace) SLOG(fn, SLOG_VALUE4, "in loop");
    int i = 0;
    while (i < n - 1 && !(asc ? d <= D(i) : d >= D(i))) ++i;
    if (trace) SLOG(fn, SLOG_VALUE4, "index %d", i);
    if (d == D(i)) {
      r = W[i];
    } else {
      // Every earlier point lies strictly on the other side of d, so i >= 1 and the two
      // digital values of the bracket differ.
      const int ui = asc ? i : i - 1;
      const int li = asc ? i - 1 : i;
      const double u_dv = D(ui), l_dv = D(li), u_in = W[ui], l_in = W[li];
      if (trace) {
        SLOG(fn, SLOG_VALUE4, "u_dv, l_dv %6.1f %6.1f", u_dv, l_dv);
        SLOG(fn, SLOG_VALUE4, "u_in, l_in %8.3f %8.3f", u_in, l_in);
      }
      if (t->interp_type == 0) {
        if (trace) SLOG(fn, SLOG_VALUE0, "_LOG");
        const double tl = std::pow(10.0, -l_in), tu = std::pow(10.0, -u_in);
        r = -std::log10(tl + (tu - tl) * (l_dv - dd) / (l_dv - u_dv));
      } else {
        r = l_in + (u_in - l_in) * (dd - l_dv) / (u_dv - l_dv);
      }
    }
  }
  if (trace) SLOG(fn, SLOG_EXIT, "%8.3f", r);
  return r;
}

}  // namespace

void lookup_free_arrays(IMG_INT_INFO* info) {
  if (!info) return;
  drop_cache(info);
  ks_free(info->wedge_values);
  ks_free(info->dig_values);
  ks_free(info->ori_x);
  ks_free(info->ori_y);
  ks_free(info->ext_x);
  ks_free(info->ext_y);
  info->wedge_values = nullptr;
  info->dig_values = nullptr;
  info->ori_x = info->ori_y = info->ext_x = info->ext_y = nullptr;
}

void lookup_free(IMG_INT_INFO* info) {
  static const char* fn = "lookup_free";
  SLOG(fn, SLOG_ENTRY, "info 0p%p", static_cast<void*>(info));
  if (!info) {
    SLOG(fn, SLOG_EXIT, "NULL input pointer");
    return;
  }
  lookup_free_arrays(info);
  ks_free(info);
  SLOG(fn, SLOG_EXIT, "done");
}

void slg_lookup(const char* title, const IMG_INT_INFO* t) {
  static const char* fn = "slg_lookup";
  if (!slog_should_call()) return;
  SLOG(fn, SLOG_ENTRY, "<%s>", title ? title : "");
  if (!t) {
    SLOG(fn, SLOG_EXIT, "NULL lookup");
    return;
  }
  SLOG(fn, SLOG_VALUE5, "interp_type %d, dig_val_range %d, version %d", t->interp_type,
       t->dig_val_range, t->version);
  SLOG(fn, SLOG_VALUE5, "bHaveCalib %d, bHaveEqual %d, bIsNotStouffer %d", t->bHaveCalib,
       t->bHaveEqual, t->bIsNotStouffer);
  SLOG(fn, SLOG_VALUE5, "wedge_length %d, wedge_material %d, reserved3 %d, wedge_count %d",
       t->wedge_length, t->wedge_material, t->reserved3, t->wedge_count);
  if (t->wedge_values && t->dig_values)
    for (int i = 0; i < t->wedge_count; ++i)
      SLOG(fn, SLOG_VALUE5, "[%2d] %6d %7.3f", i, t->dig_values[i], t->wedge_values[i]);
  if (t->bHaveCalib && t->ori_x && t->ori_y && t->ext_x && t->ext_y)
    for (int i = 0; i < t->wedge_count; ++i)
      SLOG(fn, SLOG_VALUE5, "[%2d] (%4d %4d) -- (%4d %4d)", i, t->ori_x[i], t->ori_y[i],
           t->ext_x[i], t->ext_y[i]);
  SLOG(fn, SLOG_VALUE5, "calib_image_path <%s>", t->calib_image_path);
  SLOG(fn, SLOG_EXIT, "equal_image_path <%s>", t->equal_image_path);
}

double ih_lookup_val(const IMG_INT_INFO* t, uint32_t d) {
  static const char* fn = "ih_lookup_val";
  if (!t) {
    SLOG(fn, SLOG_EXIT, "no table, %6.1f", static_cast<double>(d));
    return static_cast<double>(d);
  }
  if (t->wedge_count <= 1 || !t->wedge_values || !t->dig_values) {
    SLOG(fn, SLOG_EXIT, "%d vals, %6.1f", t->wedge_count, static_cast<double>(d));
    return static_cast<double>(d);
  }
  if (d > 0xFFFF || slog_enabled.load(std::memory_order_relaxed)) return lookup_compute(t, d, true);

  LookupCache* c = cache_for(t);
  if (!c->values.empty()) return c->values[d];
  if (++c->uses >= kBuildAfter && build_values(*c, t)) return c->values[d];
  return lookup_compute(t, d, true);
}

const double* ih_lookup_table(const IMG_INT_INFO* t) {
  if (!t || t->wedge_count <= 1 || !t->wedge_values || !t->dig_values) return nullptr;
  if (slog_enabled.load(std::memory_order_relaxed)) return nullptr;
  LookupCache* c = cache_for(t);
  if (c->values.empty() && !build_values(*c, t)) return nullptr;
  return c->values.data();
}

namespace {
int s_od_compat = 0;
}

void ih_set_ODcompatabilty(const char* text) {
  static const char* fn = "ih_set_ODcompatabilty";
  SLOG(fn, SLOG_ENTRY, "buf <%s>", text ? text : "");
  if (text && std::strcmp(text, "AlwaysLog") == 0)
    s_od_compat = 1;
  else if (text && std::strcmp(text, "AlwaysLinear") == 0)
    s_od_compat = 2;
  else
    s_od_compat = 0;
  SLOG(fn, SLOG_EXIT, "%d", s_od_compat);
}

int ih_get_ODcompatability() {
  return s_od_compat;
}
