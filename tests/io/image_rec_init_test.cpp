// Setting up and releasing the image record.
#include <gtest/gtest.h>

#include "base/ks_mem.h"
#include "io/image_rec_init.h"
#include "model/control.h"

TEST(ImageRecInit, FreshRecordHoldsEveryListAndStartingValue) {
  CONTROL* ctl = gt_get_control();
  gt_control_init(ctl);
  ctl->size_interp = 4;
  ctl->conc_digits = 6;
  ctl->flags = CTL_F_SIZE_STDS | CTL_F_OLD_CHARS;
  ctl->disp_codes[3] = 9;

  auto* im = ks_new_rec<IMAGE_REC>();
  ASSERT_NE(im, nullptr);
  ASSERT_TRUE(gt_img_init(im));
  ASSERT_NE(im->img_int_info, nullptr);
  EXPECT_EQ(im->img_int_info->wedge_count, 0);  // cleared, not given lookup defaults
  ASSERT_NE(im->img_info, nullptr);
  ASSERT_NE(im->img_ptr, nullptr);
  EXPECT_EQ(im->img_ptr->zoom[0], im->img_ptr->zoom[1]);
  EXPECT_DOUBLE_EQ(im->img_ptr->scale, 1.0);
  ASSERT_NE(im->block_points, nullptr);
  ASSERT_NE(im->band_hdr, nullptr);
  ASSERT_NE(im->lane_hdr, nullptr);
  ASSERT_NE(im->bands, nullptr);
  EXPECT_EQ(im->bands->next, nullptr);
  ASSERT_NE(im->lanes, nullptr);
  EXPECT_EQ(im->lanes->next, nullptr);
  ASSERT_NE(im->conc_stdp, nullptr);
  EXPECT_EQ(*im->conc_stdp, nullptr);
  ASSERT_NE(im->pending_stds, nullptr);
  EXPECT_EQ(im->pending_stds_idx, -1);

  EXPECT_EQ(im->size_interp, 4);
  EXPECT_EQ(im->size_extrap, ctl->size_extrap);
  EXPECT_EQ(im->size_nstd, 2);
  EXPECT_EQ(im->size_stds_sw, 1);  // bit 0 of the flags word only
  EXPECT_EQ(im->conc_interp, 3);
  EXPECT_EQ(im->conc_digits, 6);
  EXPECT_EQ(im->disp_codes[0], 5);
  EXPECT_EQ(im->disp_codes[3], 9);
  EXPECT_EQ(im->min_top_band_thick, 7);

  EXPECT_DOUBLE_EQ(im->cur_std_value, -1.0);
  EXPECT_EQ(im->pt_now[0], -1);
  EXPECT_EQ(im->drag_pt[1], -1);
  EXPECT_EQ(im->mark_pts[2][1], -1);
  EXPECT_EQ(im->lane_ids[99], -1);
  EXPECT_EQ(im->lane_tiers[0], -1);
  EXPECT_EQ(im->lane_index[50], 0);
  EXPECT_EQ(im->drag_pt_idx, -1);
  EXPECT_EQ(im->modified, 0);
  gt_img_free(im);
  gt_control_init(ctl);
}

TEST(ImageRecInit, ReinitReplacesSubRecordsAndFreeReleasesLists) {
  auto* im = ks_new_rec<IMAGE_REC>();
  ASSERT_TRUE(gt_img_init(im));
  im->comment = static_cast<char*>(ks_alloc_msg(8));
  im->modified = 1;
  im->pt_now[0] = 5;
  ASSERT_TRUE(gt_img_init(im));  // a used record: the sanitizer checks nothing leaks
  EXPECT_EQ(im->comment, nullptr);
  EXPECT_EQ(im->modified, 0);
  EXPECT_EQ(im->pt_now[0], -1);

  // Lane and band data as the tools hang it on the record.
  LANE* lane = ln_make_lane();
  ASSERT_NE(lane, nullptr);
  im->lanes->next = lane;
  SPOT* band = sp_make_spot();
  sp_add_spot(band, im->bands);
  im->lane_hdr->num_tiers = 2;
  im->size_stdp = static_cast<STD_LIST**>(ks_alloc_msg(2 * sizeof(STD_LIST*)));
  im->size_stdp[0] = std_list_create();
  im->size_stdp[1] = std_list_create();
  *im->conc_stdp = std_list_create();
  im->band_std_coords = std_list_create();
  im->lane_coords = static_cast<int*>(ks_alloc_msg(16));
  im->save_lane_coords = static_cast<int*>(ks_alloc_msg(16));
  im->mod_lane_bands = static_cast<SPOT**>(ks_alloc_msg(sizeof(SPOT*)));
  gt_img_free_lists(im);
  EXPECT_EQ(im->lanes, nullptr);
  EXPECT_EQ(im->bands, nullptr);
  EXPECT_EQ(im->conc_stdp, nullptr);
  EXPECT_EQ(im->size_stdp, nullptr);
  gt_img_free_lists(im);  // a second call finds nothing to free
  gt_img_free(im);
  gt_img_free(nullptr);
}
