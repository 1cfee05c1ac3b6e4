#include <gtest/gtest.h>

#include "base/ks_mem.h"
#include "base/slog.h"

TEST(BaseSmoke, AllocationIsCleared) {
  auto* p = static_cast<unsigned char*>(ks_alloc_msg(64));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(p[i], 0);
  ks_free(p);
}
