// Every record family of this module through the analysis container, in both byte orders.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/ks_mem.h"
#include "io/blot_grid.h"
#include "io/commentary.h"
#include "io/img_state.h"
#include "io/legacy_records.h"
#include "io/legacy_state.h"
#include "record_fixtures.h"
#include "test_support.h"

namespace {

void check_list(ANALYSIS_ENTRY** l, int n) {
  ASSERT_EQ(n, 10);
  EXPECT_EQ(static_cast<COMM_OBJ*>(l[0]->record)->next->color, 7);
  EXPECT_DOUBLE_EQ(static_cast<BLOT_CELL*>(l[1]->record)[1].value2, 4.5);
  EXPECT_EQ(static_cast<GT_IMG_STATE*>(l[2]->record)->cmap_level, 42);
  EXPECT_EQ(static_cast<KR_IMG_STATE*>(l[3]->record)->s.w2244, 13);
  EXPECT_DOUBLE_EQ(static_cast<MJ_IMG_STATE*>(l[4]->record)->d0, 0.5);
  EXPECT_EQ(static_cast<SPOT_REGION*>(l[5]->record)->next->radius, 17);
  EXPECT_EQ(static_cast<SPOT*>(l[6]->record)->next->y, 123);
  EXPECT_EQ(static_cast<BACKGROUND*>(l[7]->record)->bg[1], -3);
  EXPECT_EQ(static_cast<PZ_REGION*>(l[8]->record)->next->w28, 28);
  EXPECT_EQ(l[9]->type, 505);
  EXPECT_STREQ(static_cast<char*>(l[9]->record), "comment");
}

}  // namespace

TEST(RecordKinds, EveryFamilyRoundTripsThroughTheAnalysisFileInBothByteOrders) {
  int n = 0;
  ANALYSIS_ENTRY** list = iofix::every_family_list(&n);
  vxtest::TempDir dir;
  for (bool big : {false, true}) {
    ByteWriter bin(big), text;
    ASSERT_EQ(io_build_app(list, n, big, bin, text), 0) << big;
    const std::string base = dir.file(big ? "mm" : "ii");
    vxtest::write_bytes(base + ".gt", bin.buffer());
    vxtest::write_bytes(base + ".cmt", text.buffer());
    ANALYSIS_ENTRY** back = nullptr;
    const int got = io_read_app(base.c_str(), 407, &back, 0);
    ASSERT_EQ(got, 10) << big;
    check_list(back, got);
    io_free_analysis_list(back, got);
  }
  io_free_analysis_list(list, n);
}
