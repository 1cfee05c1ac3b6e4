// Lane names written into open images and into images read from their files.
#include <gtest/gtest.h>

#include "analysis/lanename.h"
#include "analysis/wr_match.h"
#include "file_faults.h"
#include "io/analysis_io.h"
#include "report_fixture.h"

namespace {

using vxtest::ReportTest;

TEST_F(ReportTest, LaneNamesReachOpenAndUnopenedImages) {
  vxtest::TempDir dir;
  IMAGE_REC* open = gel();
  IMAGE_REC* shut = gel();
  std::snprintf(open->file_path, sizeof open->file_path, "%s", dir.file("open.kes").c_str());
  std::strcpy(open->image_name, "open.kes");
  std::snprintf(shut->file_path, sizeof shut->file_path, "%s", dir.file("shut.kes").c_str());
  std::strcpy(shut->image_name, "shut.kes");
  // Two lanes of number 2 in the unopened image.
  add_lane(shut, 150, 2, "old name that is long");
  ASSERT_TRUE(gt_prepare_and_write(shut->file_path, shut->img_ptr, shut));

  const std::string long_name(25, 'N');
  const std::vector<LaneNameEntry> entries = {
      {0, 1, "first"}, {1, 2, "twin"}, {1, 1, long_name}, {2, 1, "gone"}};
  const int failed = lanename_activate(
      {open->file_path, shut->file_path, dir.file("missing.kes")}, entries, {open});
  EXPECT_EQ(failed, 1);
  ASSERT_EQ(s_alerts.size(), 1u);
  EXPECT_STREQ(open->lanes->next->lane_name, "first");
  EXPECT_EQ(open->modified, 0);

  WrImage e;
  std::snprintf(e.path, sizeof e.path, "%s", shut->file_path);
  std::strcpy(e.name, "shut.kes");
  ASSERT_EQ(wr_read_match_image(&e, 1), 0);
  LANE* l1 = e.image->lanes->next;
  EXPECT_EQ(std::string(l1->lane_name), std::string(20, 'N')) << "cut and terminated";
  EXPECT_STREQ(l1->next->lane_name, "twin");
  EXPECT_STREQ(l1->next->next->lane_name, "twin");
  wr_free_match_image(&e);
}

TEST_F(ReportTest, AFailedSaveKeepsTheImageModified) {
  vxtest::TempDir dir;
  IMAGE_REC* open = gel();
  std::snprintf(open->file_path, sizeof open->file_path, "%s", dir.file("open.kes").c_str());
  std::strcpy(open->image_name, "open.kes");
  vxtest::FileFaults faults({.write_budget = 0});
  EXPECT_EQ(lanename_activate({open->file_path}, {{0, 1, "x"}}, {open}), 1);
  EXPECT_EQ(open->modified, 1);
}

}  // namespace
