// The lane characteristics report in text, table and CSV.
#include <gtest/gtest.h>

#include <cstdlib>

#include "analysis/rep_file.h"
#include "analysis/replc.h"
#include "io/analysis_io.h"
#include "report_fixture.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"

namespace {

using vxtest::ReportTest;

TEST_F(ReportTest, LaneCharacteristicsOfTwoImagesWithTheSameLaneNumbers) {
  vxtest::TempDir dir;
  IMAGE_REC* a = gel();
  IMAGE_REC* b = gel();
  std::strcpy(a->image_name, "a.kes");
  std::snprintf(a->file_path, sizeof a->file_path, "%s", dir.file("a.kes").c_str());
  std::snprintf(b->file_path, sizeof b->file_path, "%s", dir.file("b.kes").c_str());
  add_char(a->lanes->next, "Host", "cow, \"old\"");
  add_char(a->lanes->next, "Breed", "");
  add_char(b->lanes->next->next, "Host", "pig");
  ASSERT_TRUE(gt_prepare_and_write(b->file_path, b->img_ptr, b));

  ReplcSwitches& sw = replc_switches();
  sw = ReplcSwitches();
  sw.show_values = 1;
  const ReplcReport r = replc_build({dir.file("a.kes"), b->file_path}, {a}, "d", "t");
  EXPECT_EQ(r.text,
            "Kestrin Lane Characteristics Report\n\n\nd\nt\n\n\n"
            "Lane #         Lane                Breed                 Host         \n"
            "====== ==================== ==================== ==================== \n"
            "    1                    L1                           cow, \"old\"      \n"
            "    2                                                                 \n"
            "    1                    L1                                           \n"
            "    2                                                    pig          \n");
  // The table holds the lanes, one cell per field, under the headings; the CSV reads back.
  ASSERT_EQ(r.grid.size(), 12u);
  EXPECT_EQ(r.grid[7], (std::vector<std::string>{"", "Lane #", "Lane Name", "Breed", "Host"}));
  EXPECT_EQ(r.grid[8], (std::vector<std::string>{"", "1", "L1", "", "cow, \"old\""}));
  EXPECT_NE(rep_csv(r.grid, r.cols).find(",\"1\",\"L1\",,\"cow, \"\"old\"\"\",\n"), std::string::npos);

  // Marks in place of values: a characteristic with an empty value is still marked.
  sw.show_values = 0;
  sw.lane_name = 0;
  const ReplcReport m = replc_build({dir.file("a.kes")}, {a}, "d", "t");
  EXPECT_NE(m.text.find("    1           X                    X           \n"), std::string::npos) << m.text;
  sw = ReplcSwitches();
}

}  // namespace

namespace {

using vxtest::ReportTest;

TEST_F(ReportTest, ASecondLaneCharacteristicsReportReplacesTheFirstWindow) {
  vxtest::TempDir dir;
  IMAGE_REC* im = gel();
  std::snprintf(im->file_path, sizeof im->file_path, "%s", dir.file("g.kes").c_str());
  add_char(im->lanes->next, "Host", "cow");
  ASSERT_TRUE(gt_prepare_and_write(im->file_path, im->img_ptr, im));
  TKT_Enable(true);
  replc_activate({im->file_path});
  TK_OBJ first = replc_window();
  ASSERT_NE(first, nullptr);
  EXPECT_NE(std::string(TEXT_GetText(RES_GetSub(first, 1))).find("Host"), std::string::npos);
  if (const char* d = std::getenv("VX_GRAB_DIR")) TKT_Grab(first, (std::string(d) + "/replc.png").c_str());
  replc_activate({im->file_path});
  EXPECT_EQ(TKT_FindWindow("replanecat", "replc_win"), replc_window());
  replc_dismiss();
  EXPECT_EQ(TKT_FindWindow("replanecat", "replc_win"), nullptr);
  TKT_Enable(false);
}

}  // namespace
