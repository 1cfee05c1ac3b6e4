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
#include "test_support.h"

namespace {

ANALYSIS_ENTRY* entry(int type, void* record, void* header = nullptr) {
  ANALYSIS_ENTRY* e = io_alloc_analysis_entry();
  e->type = type;
  e->record = record;
  e->header = header;
  return e;
}

// One entry of each kind, with a recognisable value.
ANALYSIS_ENTRY** make_list(int* n) {
  auto* chain = ks_new_rec<COMM_OBJ>();
  chain->next = ks_new_rec<COMM_OBJ>();
  chain->next->type = 99;
  chain->next->color = 7;

  auto* blot_hdr = ks_new_rec<BLOT_HDR>();
  blot_hdr->rows = 1;
  blot_hdr->cols = 2;
  auto* cells = static_cast<BLOT_CELL*>(ks_alloc_msg(2 * sizeof(BLOT_CELL)));
  cells[1].value2 = 4.5;

  GT_IMG_STATE* state = gt_state_alloc();
  state->cmap_level = 42;

  auto* kr = ks_new_rec<KR_IMG_STATE>();
  kr->s.w2244 = 13;
  auto* mj = ks_new_rec<MJ_IMG_STATE>();
  mj->d0 = 0.5;

  SPOT_REGION* regions = sp_make_region();
  regions->next = sp_make_region();
  regions->next->radius = 17;

  SPOT* spots = sp_make_spot();
  spots->next = sp_make_spot();
  spots->next->y = 123;

  auto* back = ks_new_rec<BACKGROUND>();
  back->bg = static_cast<int32_t*>(ks_alloc_msg(64 * sizeof(int32_t)));
  back->bg[1] = -3;

  auto* pz = ks_new_rec<PZ_REGION>();
  pz->next = ks_new_rec<PZ_REGION>();
  pz->next->w28 = 28;

  char* text = static_cast<char*>(ks_alloc_msg(8));
  std::strcpy(text, "comment");

  *n = 10;
  ANALYSIS_ENTRY** list = io_alloc_analysis_list(*n);
  list[0] = entry(26, chain);
  list[1] = entry(44, cells, blot_hdr);
  list[2] = entry(49, state);
  list[3] = entry(30, kr);
  list[4] = entry(50, mj);
  list[5] = entry(34, regions);
  list[6] = entry(35, spots);
  list[7] = entry(36, back);
  list[8] = entry(46, pz);
  list[9] = entry(505, text);
  return list;
}

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
  ANALYSIS_ENTRY** list = make_list(&n);
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
