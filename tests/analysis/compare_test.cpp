// The compare report: rows, header block, headings, Clear, the chart near a profile's end, and
// an image that goes away while it is in hand.
#include <gtest/gtest.h>

#include "analysis/compare.h"
#include "report_fixture.h"

namespace {

using vxtest::ReportTest;

void set_compare(std::initializer_list<int> hdr, std::initializer_list<int> fld) {
  REPORT_CFG& c = gt_get_control()->compare_cfg;
  int i = 0;
  for (int& v : c.hdr_ids) v = -1;
  for (int v : hdr) c.hdr_ids[i++] = v;
  c.num_hdr_ids = i;
  i = 0;
  for (int& v : c.fld_ids) v = -1;
  for (int v : fld) c.fld_ids[i++] = v;
  c.num_fld_ids = i;
  c.colheads = c.dashes = 1;
}

TEST_F(ReportTest, CompareRowsHeaderAndClear) {
  IMAGE_REC* im = gel();
  SPOT* b1 = im->bands->next;
  SPOT* b2 = b1->next;
  b2->f2 |= SP_F2_SELECTED;
  b2->std_value = 7.0;
  b2->size = 0.00001;
  set_compare({0, 8}, {0, 2, 5, 8, 6, 15});
  compare_full({im}, true, false);
  EXPECT_EQ(compare_text(),
            "Image:   \n"  // no image in hand before the first rows
            "# of Bands:   \n"
            "\n"
            "        Image Lane # Band #      Vol.      Size     Conc. \n"
            "============= ====== ====== ========= ========= ========= \n"
            "         gelA      1      2    *50.00         *      7.00 \n");
  compare_clear();
  EXPECT_EQ(compare_text().substr(0, 31), "Image:   gelA\n# of Bands:   2\n\n");

  // The clicked band is appended; a band outside every lane adds nothing.
  im->cur_band = b1;
  compare_append_band(im);
  EXPECT_NE(compare_text().find("gelA      1      1    100.00     500.0         *"), std::string::npos);
  const std::string before = compare_text();
  SPOT* stray = add_band(im, 400, 50, 1, 1);
  im->cur_band = stray;
  compare_append_band(im);
  EXPECT_EQ(compare_text(), before);

  // The image closes: Clear then reads nothing of it.
  compare_forget_image(im);
  compare_clear();
  EXPECT_EQ(compare_text().substr(0, 9), "Image:   ");
}

TEST_F(ReportTest, CompareChartPadsPastTheProfileEnd) {
  IMAGE_REC* im = gel();
  LANE* lane = im->lanes->next;
  lane->num_data_values = 201;
  lane->data_values = static_cast<int32_t*>(ks_alloc_msg(201 * sizeof(int32_t)));
  for (int i = 0; i < 201; ++i) lane->data_values[i] = i;
  SPOT* near_end = add_band(im, 50, 199, 1, 1, 1, SP_F2_SELECTED);
  near_end->thickness = 4;
  SPOT* mid = im->bands->next;
  mid->f2 |= SP_F2_SELECTED;
  mid->thickness = 4;
  compare_build_chart({im});
  const auto& rows = compare_chart_rows();
  // The widest window: rows 46..53 of the middle band (8 rows); the band near the end reaches
  // past the profile's last row 200 and gets 0 there.
  ASSERT_EQ(rows.size(), 8u);
  EXPECT_EQ(rows[0], (std::vector<double>{0, 46, 195}));
  EXPECT_EQ(rows[7], (std::vector<double>{7, 53, 0}));
  EXPECT_EQ(rows[5][2], 200);
}

TEST_F(ReportTest, NoSelectedBandGivesOnlyTheHeaderAndHeadings) {
  IMAGE_REC* im = gel();
  set_compare({}, {2});
  compare_full({im}, true, false);
  EXPECT_EQ(compare_text(), "\nLane # \n====== \n");
}

}  // namespace
