// Saving an image's analysis to its files and opening it again.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/ks_alert.h"
#include "base/ks_mem.h"
#include "io/analysis.h"
#include "io/analysis_io.h"
#include "io/commentary.h"
#include "io/gt_records.h"
#include "io/image_rec_init.h"
#include "io/img_state.h"
#include "model/control.h"
#include "model/spot.h"
#include "model/std_list.h"
#include "test_support.h"
#include "fixture.h"
#include "record_fixtures.h"

namespace fs = std::filesystem;

namespace {

struct Image {
  IMAGE_REC* im = ks_new_rec<IMAGE_REC>();
  Image() { EXPECT_TRUE(gt_img_init(im)); }
  ~Image() {
    gt_img_free(im);
  }
};

// Back to the defaults; the defaults do not release the category names.
void reset_control() {
  CONTROL* ctl = gt_get_control();
  ks_free(ctl->lane_chars);
  ctl->lane_chars = nullptr;
  gt_control_init(ctl);
}

int baselines_built = 0;
void count_baseline(LANE*) { ++baselines_built; }
int busy_depth = 0;
void busy_on() { ++busy_depth; }
void busy_off() { --busy_depth; }

class AnalysisIo : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_control();
    GtAnalysisHooks h;
    h.build_baseline = count_baseline;
    h.busy_begin = busy_on;
    h.busy_end = busy_off;
    old_ = gt_analysis_set_hooks(h);
    baselines_built = 0;
    busy_depth = 0;
  }
  void TearDown() override {
    gt_analysis_set_hooks(old_);
    reset_control();
  }
  std::string path(const char* name = "gel.kes") const { return dir_.file(name); }
  vxtest::TempDir dir_;
  GtAnalysisHooks old_;
};

TEST_F(AnalysisIo, SaveThenOpenBringsEveryItemBack) {
  Image a;
  ASSERT_TRUE(iofix::fill(a.im));
  ASSERT_TRUE(gt_prepare_and_write(path().c_str(), a.im->img_ptr, a.im));
  EXPECT_EQ(busy_depth, 0);
  EXPECT_TRUE(fs::exists(path("gel.gt")));
  EXPECT_EQ(vxtest::read_text(path("gel.cmt")), "gel of Tuesday");

  Image b;
  // The tools of the image being read into point at its present lanes and bands.
  const char* cats[] = {"x"};
  b.im->lanes->next = iofix::make_lane(9, cats, 1);
  SPOT* old_band = sp_make_spot();
  sp_add_spot(old_band, b.im->bands);
  b.im->cur_lane = b.im->lanes->next;
  b.im->cur_band = old_band;
  b.im->sel_list[0] = old_band;
  b.im->num_sel_bands = 1;
  ASSERT_EQ(gt_read_and_prepare(path().c_str(), b.im->img_ptr, b.im), 0);
  IMAGE_REC* im = b.im;
  EXPECT_EQ(im->cur_lane, nullptr);
  EXPECT_EQ(im->cur_band, nullptr);
  EXPECT_EQ(im->sel_list[0], nullptr);
  EXPECT_EQ(im->num_sel_bands, 0);
  EXPECT_EQ(im->modified, 0);
  EXPECT_EQ(im->has_lanes, 1);
  ASSERT_STREQ(im->comment, "gel of Tuesday");
  EXPECT_EQ(im->comment_len, 14);
  EXPECT_EQ(im->img_info->width, 120);
  EXPECT_EQ(im->img_int_info->wedge_count, 2);

  int n = 0;
  for (LANE* l = im->lanes->next; l; l = l->next, ++n) {
    EXPECT_EQ(l->lane_number, n + 1);
    EXPECT_EQ(l->center_coords[1].y, 90);
    EXPECT_EQ(l->data_values[2], 100 * (n + 1) + 2);
    EXPECT_EQ(l->f & LN_F_SELECTED, 0u);  // nothing selected after opening
    EXPECT_NE(l->f & LN_F_TOOL_MARK, 0u);
    ASSERT_EQ(l->num_lane_chars, 1);
    EXPECT_STREQ(l->lane_chars[0]->name, "dose");
  }
  EXPECT_EQ(n, 2);
  EXPECT_EQ(baselines_built, 2);  // profiles without a baseline get one

  ASSERT_NE(im->bands->next, nullptr);
  EXPECT_EQ(im->bands->next->x, 21);
  EXPECT_DOUBLE_EQ(im->bands->next->amount, 12.5);
  EXPECT_DOUBLE_EQ(im->band_hdr->norm_band_ii, 3.25);

  ASSERT_NE(im->size_stdp, nullptr);
  ASSERT_EQ(im->size_stdp[0]->count, 2);
  ASSERT_EQ(im->size_stdp[1]->count, 1);
  EXPECT_DOUBLE_EQ(im->size_stdp[0]->records[1].value, 500);
  EXPECT_EQ(im->size_stdp[1]->int_method, 3);
  EXPECT_EQ(im->size_stdp[0]->records[0].flags, STD_M_VALID);  // deletion marks cleared
  ASSERT_NE(*im->conc_stdp, nullptr);
  EXPECT_EQ((*im->conc_stdp)->count, 2);
  EXPECT_DOUBLE_EQ((*im->conc_stdp)->records[1].value, 5.0);

  EXPECT_EQ(im->mark_pts[1][0], 30);
  EXPECT_EQ(im->mark_pts[2][1], 60);

  auto* head = static_cast<COMM_OBJ*>(im->img_ptr->annot_first);
  ASSERT_NE(head, nullptr);
  ASSERT_NE(head->next, nullptr);
  EXPECT_EQ(head->next->type, COMM_T_BOX);
  EXPECT_EQ(static_cast<int32_t*>(head->next->data)[3], 21);
  EXPECT_EQ(im->img_ptr->annot_last, head->next);

  // Saving the opened image again writes the same files: nothing was lost on the way.
  ASSERT_TRUE(gt_prepare_and_write(path("again.kes").c_str(), im->img_ptr, im));
  for (const char* ext : {".gt", ".cmt", ".kei"}) {
    SCOPED_TRACE(ext);
    EXPECT_EQ(vxtest::read_bytes(path((std::string("again") + ext).c_str())),
              vxtest::read_bytes(path((std::string("gel") + ext).c_str())));
  }
}

TEST_F(AnalysisIo, DeletingEveryItemLeavesNothingStaleOnDisk) {
  Image a;
  ASSERT_TRUE(iofix::fill(a.im));
  ASSERT_TRUE(gt_prepare_and_write(path().c_str(), a.im->img_ptr, a.im));

  // The user deletes the comment, the annotation, the lanes and everything with them.
  Image empty;
  empty.im->img_info->width = 120;
  ASSERT_TRUE(gt_prepare_and_write(path().c_str(), empty.im->img_ptr, empty.im));
  EXPECT_EQ(fs::file_size(path("gel.cmt")), 0u);
  EXPECT_EQ(fs::file_size(path("gel.gt")), static_cast<uintmax_t>(IO_ANALYSIS_HDR_BYTES));

  const long alerts = ks_alert_count();
  Image b;
  EXPECT_EQ(gt_read_and_prepare_app(path().c_str(), b.im->img_ptr, b.im), -1);
  EXPECT_EQ(ks_alert_count(), alerts);  // an emptied analysis is not a damaged file
  EXPECT_EQ(b.im->comment, nullptr);
  EXPECT_EQ(b.im->has_lanes, 0);
  EXPECT_EQ(b.im->lanes->next, nullptr);
  EXPECT_EQ(b.im->mark_pts[0][0], -1);
  auto* annot = static_cast<COMM_OBJ*>(b.im->img_ptr->annot_first);
  EXPECT_TRUE(annot == nullptr || annot->next == nullptr);
}

TEST_F(AnalysisIo, FailedAnalysisWriteIsReportedAndTheInfoFileNotWritten) {
  Image a;
  ASSERT_TRUE(iofix::fill(a.im));
  fs::create_directory(path("gel.gt"));  // nothing can be renamed over a folder
  const long alerts = ks_alert_count();
  EXPECT_FALSE(gt_prepare_and_write(path().c_str(), a.im->img_ptr, a.im));
  EXPECT_GT(ks_alert_count(), alerts);
  EXPECT_FALSE(fs::exists(path("gel.kei")));
  EXPECT_EQ(busy_depth, 0);
}

TEST_F(AnalysisIo, OlderAnalysisFileIsReadWhenTheAnalysisFileHoldsNothing) {
  // A ".kr" file with two lanes, and an emptied ".gt".
  Image src;
  ASSERT_TRUE(iofix::fill(src.im));
  ANALYSIS_ENTRY lanes{32, src.im->lanes, src.im->lane_hdr, 0};
  ANALYSIS_ENTRY* list[] = {&lanes};
  ASSERT_EQ(io_write_app(path().c_str(), list, 1, IO_PROG_KR), 0);
  Image empty;
  ASSERT_TRUE(gt_prepare_and_write(path().c_str(), empty.im->img_ptr, empty.im));

  Image b;
  ASSERT_EQ(gt_read_and_prepare_app(path().c_str(), b.im->img_ptr, b.im), 0);
  EXPECT_EQ(b.im->modified, 1);
  EXPECT_EQ(b.im->has_lanes, 1);
  ASSERT_NE(b.im->lanes->next, nullptr);
  EXPECT_EQ(b.im->lanes->next->next->lane_number, 2);
  EXPECT_EQ(b.im->lanes->next->f & LN_F_SELECTED, 0u);
}

TEST_F(AnalysisIo, StandardsReadAgainstTheLaneHeadersTierCount) {
  // A robust-fit list is switched to method 1 and the standards marked changed.
  Image a;
  ASSERT_TRUE(iofix::fill(a.im));
  a.im->size_stdp[0]->int_method = 2;
  ASSERT_TRUE(gt_prepare_and_write(path().c_str(), a.im->img_ptr, a.im));
  Image b;
  ASSERT_EQ(gt_read_and_prepare(path().c_str(), b.im->img_ptr, b.im), 0);
  EXPECT_EQ(b.im->size_stdp[0]->int_method, 1);
  EXPECT_EQ(b.im->std_changed, 1);

  // A size-standards record whose list count differs from the lane header's tier count: the
  // image gets exactly one list per tier (the sanitizer checks the frees that walk the tiers).
  for (int tiers : {3, 1}) {
    SCOPED_TRACE(tiers);
    Image src;
    const char* cats[] = {"dose"};
    src.im->lanes->next = iofix::make_lane(1, cats, 1);
    src.im->lane_hdr->num_tiers = tiers;
    STD_LIST* lists[2] = {iofix::make_std_list(1, {7}), iofix::make_std_list(1, {8, 9})};
    STD_REC_HDR hdr{};
    hdr.num_lists = 2;
    ANALYSIS_ENTRY lanes{17, src.im->lanes, src.im->lane_hdr, 0};
    ANALYSIS_ENTRY stds{20, lists, &hdr, 0};
    ANALYSIS_ENTRY* list[] = {&lanes, &stds};
    ASSERT_EQ(io_write_app(path("tiers.kes").c_str(), list, 2, IO_PROG_GT), 0);
    std_list_free(lists[0]);
    std_list_free(lists[1]);

    Image c;
    ASSERT_EQ(gt_read_and_prepare_app(path("tiers.kes").c_str(), nullptr, c.im), 0);
    ASSERT_NE(c.im->size_stdp, nullptr);
    EXPECT_EQ(c.im->size_stdp[0]->count, 1);
    for (int t = 1; t < tiers; ++t) ASSERT_NE(c.im->size_stdp[t], nullptr);
    if (tiers == 3) {
      EXPECT_EQ(c.im->size_stdp[1]->count, 2);
      EXPECT_EQ(c.im->size_stdp[2]->count, 0);
    }
  }
}

TEST_F(AnalysisIo, CategoriesMergeSortedWithOneMessageForMissingOnes) {
  CONTROL* ctl = gt_get_control();
  Image a;
  const char* c1[] = {"dose", "", "Strain"};
  const char* c2[] = {"strain", "", "dose"};
  a.im->lanes->next = iofix::make_lane(1, c1, 3);
  a.im->lanes->next->next = iofix::make_lane(2, c2, 3);
  a.im->has_lanes = 1;
  ASSERT_TRUE(gt_prepare_and_write(path().c_str(), nullptr, a.im));

  const long alerts = ks_alert_count();
  Image b;
  ASSERT_EQ(gt_read_and_prepare_app(path().c_str(), nullptr, b.im), 0);
  EXPECT_EQ(ks_alert_count(), alerts + 1);
  ASSERT_EQ(ctl->num_lane_chars, 3);
  EXPECT_STREQ(ctl->lane_chars[0], "Strain");
  EXPECT_STREQ(ctl->lane_chars[1], "dose");
  EXPECT_STREQ(ctl->lane_chars[2], "strain");

  // A full list grows by 100 slots and keeps its names.
  Image c;
  const char* many[120];
  std::vector<std::string> names;
  for (int i = 0; i < 120; ++i) names.push_back("c" + std::to_string(1000 + i));
  for (int i = 0; i < 120; ++i) many[i] = names[i].c_str();
  c.im->lanes->next = iofix::make_lane(1, many, 120);
  c.im->has_lanes = 1;
  ASSERT_TRUE(gt_prepare_and_write(path("many.kes").c_str(), nullptr, c.im));
  Image d;
  ASSERT_EQ(gt_read_and_prepare_app(path("many.kes").c_str(), nullptr, d.im), 0);
  EXPECT_EQ(ctl->num_lane_chars, 123);
  EXPECT_GE(ctl->max_lane_chars, 123);
  EXPECT_STREQ(ctl->lane_chars[0], "Strain");
  EXPECT_STREQ(ctl->lane_chars[122], "strain");
}

TEST_F(AnalysisIo, PreferencesFileRoundTripAndForeignOrMissingFilesChangeNothing) {
  CONTROL* ctl = gt_get_control();
  EXPECT_FALSE(gt_read_and_prep_prefs(path("none.prf").c_str(), ctl));

  ctl->size_interp = 4;
  ctl->cmap_level = 70;
  ASSERT_TRUE(gt_prep_prefs_and_write(path("gt_init.prf").c_str(), ctl));
  reset_control();
  ASSERT_NE(ctl->size_interp, 4);
  ASSERT_TRUE(gt_read_and_prep_prefs(path("gt_init.prf").c_str(), ctl));
  EXPECT_EQ(ctl->size_interp, 4);
  EXPECT_EQ(ctl->cmap_level, 70);

  // Another program's state record is a different layout: it is not taken as a snapshot.
  reset_control();
  const int before = ctl->size_interp;
  auto bytes = iofix::container({iofix::Rec{50, std::vector<uint8_t>(1420, 0x7F), 2, 0}});
  vxtest::write_bytes(path("old.prf"), bytes);
  EXPECT_FALSE(gt_read_and_prep_prefs(path("old.prf").c_str(), ctl));
  EXPECT_EQ(ctl->size_interp, before);
}

}  // namespace
