// The intensity lookup: conversion of digital values (and its per-table cache), the record's
// set-up and release, the optical-density compatibility mode.
#include <gtest/gtest.h>

#include <cmath>

#include "base/ks_mem.h"
#include "model/img_info.h"

namespace {

// A lookup record with the given points, owned by the test.
struct Table {
  IMG_INT_INFO* t;
  Table(std::vector<std::pair<uint32_t, double>> pts, int interp) {
    t = ks_new_rec<IMG_INT_INFO>();
    t->interp_type = interp;
    t->wedge_count = static_cast<int>(pts.size());
    t->wedge_values = static_cast<double*>(ks_alloc_msg(sizeof(double) * pts.size()));
    t->dig_values = static_cast<int*>(ks_alloc_msg(sizeof(int) * pts.size()));
    for (std::size_t i = 0; i < pts.size(); ++i) {
      t->dig_values[i] = static_cast<int>(pts[i].first);
      t->wedge_values[i] = pts[i].second;
    }
  }
  ~Table() { lookup_free(t); }
};

double log_mid(double a, double b, double frac) {
  const double ta = std::pow(10.0, -a), tb = std::pow(10.0, -b);
  return -std::log10(ta + (tb - ta) * frac);
}

}  // namespace

TEST(Lookup, ConvertsThroughTheWedgeTable) {
  Table lin({{10, 0.1}, {20, 0.5}, {30, 1.0}}, 1);
  Table lg({{10, 0.1}, {20, 0.5}, {30, 1.0}}, 0);
  Table desc({{30, 1.0}, {20, 0.5}, {10, 0.1}}, 1);
  Table zero({{0, 0.2}, {100, 2.0}}, 1);
  struct Case {
    const char* what;
    const IMG_INT_INFO* t;
    uint32_t d;
    double want;
  };
  const Case cases[] = {
      {"on a point", lin.t, 20, 0.5},
      {"between points", lin.t, 15, 0.3},
      {"below the table, through zero", lin.t, 5, 0.05},
      {"above the table, through zero", lin.t, 60, 2.0},
      {"logarithmic between points", lg.t, 15, log_mid(0.1, 0.5, 0.5)},
      {"logarithmic on a point", lg.t, 30, 1.0},
      {"descending beyond the first point", desc.t, 35, 35.0 / 30.0},
      {"descending between points", desc.t, 15, 0.3},
      {"descending beyond the last point", desc.t, 5, 0.05},
      {"first digital value 0", zero.t, 0, 0.2},
      {"top bit set compares unsigned", lin.t, 0x80000000u, 2147483648.0 / 30.0},
      {"no table", nullptr, 4294967295u, 4294967295.0},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(ih_lookup_val(c.t, c.d), c.want) << c.what;
  Table one({{10, 0.3}}, 1);
  EXPECT_EQ(ih_lookup_val(one.t, 77), 77.0);
}

TEST(Lookup, CachedValuesEqualComputedOnesAndFollowChanges) {
  Table lg({{100, 0.05}, {9000, 0.8}, {40000, 2.5}}, 0);
  // The first pass computes every 16-bit value; later passes come from the cache.
  std::vector<double> first(65536);
  for (uint32_t v = 0; v < 65536; ++v) first[v] = ih_lookup_val(lg.t, v);
  for (uint32_t v = 0; v < 65536; v += 7) ASSERT_EQ(ih_lookup_val(lg.t, v), first[v]) << v;
  // The whole table for pixel loops holds the same values.
  const double* table = ih_lookup_table(lg.t);
  ASSERT_NE(table, nullptr);
  for (uint32_t v = 0; v < 65536; v += 5) ASSERT_EQ(table[v], first[v]) << v;
  Table one({{10, 0.3}}, 1);
  EXPECT_EQ(ih_lookup_table(one.t), nullptr);  // no table: values pass unchanged
  // A change of the record is seen at once: the mode forcing linear interpolation.
  lg.t->interp_type = 1;
  EXPECT_DOUBLE_EQ(ih_lookup_val(lg.t, 4550), 0.05 + 0.75 * 0.5);
  lg.t->interp_type = 0;
  lg.t->wedge_values[1] = 1.0;
  EXPECT_DOUBLE_EQ(ih_lookup_val(lg.t, 4550), log_mid(0.05, 1.0, 0.5));
  EXPECT_DOUBLE_EQ(ih_lookup_table(lg.t)[4550], log_mid(0.05, 1.0, 0.5));
}

TEST(Lookup, InitSetsDefaultsAndFreeReleasesEveryArray) {
  IMG_INT_INFO* t = ks_new_rec<IMG_INT_INFO>();
  ASSERT_EQ(lookup_init(t), TRUE);
  EXPECT_EQ(t->version, 1);
  EXPECT_EQ(t->wedge_count, 2);
  EXPECT_EQ(t->wedge_length, 105000);
  EXPECT_NE(t->wedge_values, nullptr);
  EXPECT_NE(t->dig_values, nullptr);
  // Boxes of a calibrated record are released too (the sanitizer reports a leak otherwise).
  t->bHaveCalib = 1;
  for (int** a : {&t->ori_x, &t->ori_y, &t->ext_x, &t->ext_y})
    *a = static_cast<int*>(ks_alloc_msg(2 * sizeof(int)));
  lookup_free(t);
  // A record whose count is 0 but which still holds arrays.
  t = ks_new_rec<IMG_INT_INFO>();
  t->wedge_values = static_cast<double*>(ks_alloc_msg(8));
  t->dig_values = static_cast<int*>(ks_alloc_msg(4));
  lookup_free(t);
  lookup_free(nullptr);
  EXPECT_EQ(lookup_init(nullptr), FALSE);
}

TEST(Lookup, CompatibilityModeFromExactTexts) {
  const std::pair<const char*, int> cases[] = {
      {"AlwaysLog", 1}, {"AlwaysLinear", 2}, {"none", 0}, {"alwayslog", 0}, {"AlwaysLog ", 0},
  };
  for (const auto& [text, mode] : cases) {
    ih_set_ODcompatabilty("AlwaysLinear");
    ih_set_ODcompatabilty(text);
    EXPECT_EQ(ih_get_ODcompatability(), mode) << text;
  }
  ih_set_ODcompatabilty(nullptr);
  EXPECT_EQ(ih_get_ODcompatability(), 0);
}
