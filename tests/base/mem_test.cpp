#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/ks_alert.h"
#include "base/ks_mem.h"

namespace {

int g_foreign_calls = 0;
int foreign_proc(int) {
  ++g_foreign_calls;
  return 0;
}

TEST(KsMem, BlocksAreClearedAndZeroSizeGivesABlock) {
  auto* p = static_cast<unsigned char*>(ks_alloc_msg(4096));
  auto* h = static_cast<unsigned char*>(ks_huge_alloc_msg(1 << 20));
  ASSERT_NE(p, nullptr);
  ASSERT_NE(h, nullptr);
  for (int i = 0; i < 4096; ++i) ASSERT_EQ(p[i], 0) << i;
  for (int i = 0; i < (1 << 20); i += 4093) ASSERT_EQ(h[i], 0) << i;
  void* z = ks_alloc_msg(0);
  EXPECT_NE(z, nullptr);
  ks_free(p);
  ks_huge_free_msg(h);
  ks_free(z);
}

TEST(KsMem, FailedAllocationAlertsReturnsNullAndRestoresTheFailureProcedure) {
  KsMemErrorProc before = ks_mem_set_error_proc(foreign_proc);
  g_foreign_calls = 0;
  long alerts = ks_alert_count();
  EXPECT_EQ(ks_alloc_msg(SIZE_MAX), nullptr);
  EXPECT_EQ(ks_alert_count(), alerts + 1);
  EXPECT_EQ(ks_alert_last_kind(), KS_ALERT_ERROR);
  EXPECT_EQ(ks_alert_last_text(),
            "ks_alloc_err(): Program requested invalid size for memory allocation.");
  EXPECT_EQ(ks_huge_alloc_msg(SIZE_MAX), nullptr);
  // The wrappers' own procedure reported the failure; the one installed before is back.
  EXPECT_EQ(g_foreign_calls, 0);
  EXPECT_EQ(ks_mem_get_error_proc(), &foreign_proc);
  void* ok = ks_alloc_msg(16);
  EXPECT_EQ(ks_mem_get_error_proc(), &foreign_proc);
  ks_free(ok);
  ks_mem_set_error_proc(before);
}

TEST(KsMem, FailureTexts) {
  const struct {
    int code;
    const char* text;
  } cases[] = {
      {0, "Insufficient memory."},
      {1, "ks_alloc_err(): Program requested invalid size for memory allocation."},
      {2, "ks_alloc_err(): Program passed NULL value to PTR_Dispose() or PTR_SetSize()."},
      {3, "ks_alloc_err(): Memory may have been overwritten."},
      {4, "ks_alloc_err(): Memory may have been overwritten."},
      {5, "ks_alloc_err(): Program attempted to free same block of memory twice."},
      {9, "ks_alloc_err(): failCode = 9."},
      {-2147483647 - 1, "ks_alloc_err(): failCode = -2147483648."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ks_alloc_err(c.code), 0);
    EXPECT_EQ(ks_alert_last_text(), c.text) << c.code;
    EXPECT_EQ(ks_alert_last_kind(), KS_ALERT_ERROR);
  }
}

TEST(KsMem, NullPointerReportNamesFunctionAndVariable) {
  ks_dbg_null_ptr("io_delete", "fd");
  EXPECT_EQ(ks_alert_last_kind(), KS_ALERT_ERROR);
  EXPECT_EQ(ks_alert_last_text(),
            "io_delete(): fd == NULL.  Program may become unstable.  Please report this problem "
            "to K.S. Technical Support.");
  // Long names are cut to the report's text field, not written past it.
  std::string longname(400, 'f');
  ks_dbg_null_ptr(longname.c_str(), "v");
  EXPECT_EQ(ks_alert_last_text().size(), 255u);
}

TEST(KsMem, ReleasesIgnoreNullAndFreeListFreesEveryBlock) {
  ks_free(nullptr);
  ks_huge_free_msg(nullptr);
  ks_freelist_msg(nullptr, 5);
  // n = 0 releases only the array; null entries are skipped. Leaks would fail under ASan.
  ks_freelist_msg(static_cast<void**>(ks_alloc_msg(4 * sizeof(void*))), 0);
  auto** list = static_cast<void**>(ks_alloc_msg(3 * sizeof(void*)));
  list[0] = ks_alloc_msg(10);
  list[2] = ks_alloc_msg(20);
  ks_freelist_msg(list, 3);
}

}  // namespace
