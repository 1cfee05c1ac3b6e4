// Marker lists: capacity rules, replace-or-append, deletion and compaction.
#include <gtest/gtest.h>

#include <vector>

#include "model/std_list.h"

namespace {

STD_MARKER marker(double value, int lane, int flags = STD_M_VALID, double x = 0, double y = 0) {
  STD_MARKER m{};
  m.value = value;
  m.lane_num = lane;
  m.flags = flags;
  m.x = x;
  m.y = y;
  return m;
}

std::vector<double> values(const STD_LIST* l) {
  std::vector<double> v;
  for (int i = 0; i < l->count; ++i) v.push_back(l->records[i].value);
  return v;
}

}  // namespace

TEST(MarkerList, NewListDefaults) {
  STD_LIST* l = std_list_create();
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->capacity, 1024);
  EXPECT_EQ(l->count, 0);
  EXPECT_EQ(l->clean, 0);
  EXPECT_EQ(l->int_method, 0);
  EXPECT_EQ(l->extrap_method, 1);
  EXPECT_EQ(l->precision, 3);
  EXPECT_EQ(l->repeat_length, 0);
  EXPECT_EQ(std_list_free(l), 1);
  STD_LIST bare{};
  EXPECT_EQ(std_list_free(&bare), 0);
}

TEST(MarkerList, CapacityGrowsWhenFullAndShrinksBelowAQuarter) {
  STD_LIST* l = std_list_create();
  for (int i = 0; i < 1024; ++i) {
    STD_MARKER m = marker(i, 1);
    ASSERT_EQ(std_list_append(l, &m), 1);
  }
  EXPECT_EQ(l->capacity, 1024);
  STD_MARKER m = marker(1024, 1);
  l->clean = 1;
  EXPECT_EQ(std_list_append(l, &m), 1);  // the 1025th
  EXPECT_EQ(l->capacity, 2048);
  EXPECT_EQ(l->count, 1025);
  EXPECT_EQ(l->clean, 0);
  EXPECT_EQ(l->records[1024].value, 1024);
  EXPECT_EQ(l->records[0].value, 0);

  // Delete from the front down to 512 records: no shrink yet (512 is a quarter of 2048).
  while (l->count > 512) ASSERT_EQ(std_list_delete(l, 0), 1);
  EXPECT_EQ(l->capacity, 2048);
  ASSERT_EQ(std_list_delete(l, 0), 1);  // 511 records
  EXPECT_EQ(l->capacity, 512);
  EXPECT_EQ(l->records[0].value, 514);
  EXPECT_EQ(l->records[510].value, 1024);

  m = marker(2000, 1);
  EXPECT_EQ(std_list_append(l, &m), 1);  // 512 records, full
  EXPECT_EQ(l->capacity, 512);
  EXPECT_EQ(std_list_append(l, &m), 1);
  EXPECT_EQ(l->capacity, 1024);
  EXPECT_EQ(l->count, 513);

  // At 1024 the array never shrinks.
  while (l->count > 1) ASSERT_EQ(std_list_delete(l, l->count - 1), 1);
  EXPECT_EQ(l->capacity, 1024);
  std_list_free(l);
}

TEST(MarkerList, PutReplacesTheLastOfTheSameLaneAndValueElseAppends) {
  STD_LIST* l = std_list_create();
  STD_MARKER a = marker(100, 2, STD_M_VALID | STD_M_KEPT, 1, 1);
  STD_MARKER b = marker(100, 2, STD_M_VALID, 2, 2);
  std_list_append(l, &a);
  std_list_append(l, &b);
  l->records[1].row_num = 5;

  STD_MARKER n = marker(100, 2, STD_M_VALID, 9, 8);
  n.ix = 9;
  n.iy = 8;
  l->clean = 1;
  EXPECT_EQ(std_list_put(l, &n), 1);
  EXPECT_EQ(l->count, 2);
  EXPECT_EQ(l->clean, 0);
  EXPECT_EQ(l->records[0].x, 1);  // the earlier one is untouched
  EXPECT_EQ(l->records[1].x, 9);  // the later one takes position and flags
  EXPECT_EQ(l->records[1].iy, 8);
  EXPECT_EQ(l->records[1].row_num, 5);  // row and value stay
  EXPECT_EQ(n.flags & STD_M_KEPT, 0);

  // The kept bit of the replaced record carries into the caller's record too.
  l->records[1].flags |= STD_M_KEPT;
  STD_MARKER k = marker(100, 2, STD_M_VALID, 3, 3);
  EXPECT_EQ(std_list_put(l, &k), 1);
  EXPECT_NE(k.flags & STD_M_KEPT, 0);
  EXPECT_NE(l->records[1].flags & STD_M_KEPT, 0);

  // Lane 0, another lane or another value: appended.
  STD_MARKER z = marker(100, 0);
  STD_MARKER o = marker(100, 3);
  STD_MARKER v = marker(100.0001, 2);
  EXPECT_EQ(std_list_put(l, &z), 1);
  EXPECT_EQ(std_list_put(l, &z), 1);
  EXPECT_EQ(std_list_put(l, &o), 1);
  EXPECT_EQ(std_list_put(l, &v), 1);
  EXPECT_EQ(l->count, 6);
  std_list_free(l);
}

TEST(MarkerList, GetDeleteAndClear) {
  STD_LIST* l = std_list_create();
  STD_MARKER m = marker(7, 1);
  std_list_append(l, &m);
  STD_MARKER out = marker(-1, -1);
  EXPECT_EQ(std_list_get(l, 1, &out), 0);  // index == count
  EXPECT_EQ(out.value, -1);
  EXPECT_EQ(std_list_get(l, -1, &out), 0);
  EXPECT_EQ(std_list_get(l, 0, &out), 1);
  EXPECT_EQ(out.value, 7);
  EXPECT_EQ(std_list_delete(l, 1), 0);
  EXPECT_EQ(std_list_delete(l, -1), 0);
  EXPECT_EQ(std_list_delete(l, 0), 1);
  EXPECT_EQ(l->count, 0);
  EXPECT_EQ(l->records[0].value, 0);
  EXPECT_EQ(l->records[0].lane_num, 0);
  EXPECT_EQ(l->records[0].flags, 0);
  std_list_free(l);
}

TEST(MarkerList, CompactRemovesMarkedThenInvalidRecordsIncludingRuns) {
  const int V = STD_M_VALID, D = STD_M_VALID | STD_M_DELETE, I = 0;
  const int flags[] = {V, D, D, I, V, I, I, D, V};
  STD_LIST* l = std_list_create();
  for (int i = 0; i < 9; ++i) {
    STD_MARKER m = marker(i, 1, flags[i]);
    std_list_append(l, &m);
  }
  l->clean = 1;
  EXPECT_EQ(std_list_compact(l), 3);
  EXPECT_EQ(values(l), (std::vector<double>{0, 4, 8}));
  EXPECT_EQ(l->clean, 0);
  EXPECT_EQ(l->records[3].flags, 0);  // freed slots are cleared

  STD_MARKER bad = marker(9, 1, I);
  std_list_append(l, &bad);
  std_list_append(l, &bad);
  EXPECT_EQ(std_list_drop_invalid(l), 0);
  EXPECT_EQ(values(l), (std::vector<double>{0, 4, 8}));
  std_list_free(l);
}

TEST(MarkerList, AFailedAppendIsReportedAndLeavesTheListAlone) {
  // A full list whose capacity cannot double any further: put has to append and must say that
  // it could not.
  STD_MARKER store[2]{};
  STD_LIST l{};
  l.records = store;
  l.capacity = l.count = (1 << 29) + 2;
  l.clean = 1;
  STD_MARKER m = marker(5, 0);
  EXPECT_EQ(std_list_put(&l, &m), 0);
  EXPECT_EQ(std_list_append(&l, &m), 0);
  EXPECT_EQ(l.count, (1 << 29) + 2);
  EXPECT_EQ(l.clean, 1);
  EXPECT_EQ(l.records, store);
}
