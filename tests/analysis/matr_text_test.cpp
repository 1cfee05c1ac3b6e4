// Match matrix texts, exports and copies; contigs of a leaf order.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/contig.h"
#include "analysis/matr_text.h"
#include "base/ks_alert.h"
#include "cluster_fixture.h"
#include "res_fixture.h"
#include "test_support.h"
#include "toolkit/tk_test.h"

using namespace clustertest;

namespace {
Mr params(Mr m) {
  m->method = 0;
  m->band_size_tol = 5;
  m->spacing_tol = 0;
  m->volume_tol = 12.5;
  m->match_threshold = 60;
  return m;
}
}  // namespace

TEST(MatrixText, OneLane) {
  Mr m = params(matrix(1, [](int, int) { return 0.0f; }));
  EXPECT_EQ(matr_param_lines(m.get()),
            (std::vector<std::string>{"Match Method:                    Jaccard",
                                      "Band Size % Tolerance:           5.000",
                                      "InterBand Spacing % Tolerance:   0.000",
                                      "Volume % Tolerance:              12.500",
                                      "Lane Match % Threshold:          60.000"}));
  EXPECT_EQ(matr_table_rows(m.get()), 8);
  EXPECT_EQ(matr_table_cols(m.get()), 3);
  EXPECT_EQ(matr_table_cell(m.get(), 7, 2), "100");
  EXPECT_EQ(matr_table_cell(m.get(), 7, 1), "gel:1:");
  EXPECT_EQ(matr_table_cell(m.get(), 7, 0), "1");
  EXPECT_EQ(matr_table_cell(m.get(), 0, 2), "1");
  EXPECT_EQ(matr_table_cell(m.get(), 1, 2), "Jaccard");
  EXPECT_EQ(matr_table_cell(m.get(), 6, 1), "");
  EXPECT_EQ(matr_text_view(m.get()).substr(matr_text_view(m.get()).size() - 9), "60.000\n\n\n");
  EXPECT_EQ(matr_export_text(m.get(), MATR_VIEW_PICTURE),
            "1\nVX 0 5.000000 0.000000 12.500000 60.000000\ngel:1:  \n");
}

TEST(MatrixText, RoundingAndSeparatorsByView) {
  Mr m = params(matrix(3, [](int i, int j) { return i == 1 ? 0.5f : j == 0 ? 10.0f : 50.25f; }));
  // Similarities: (1,0) 99.5, (2,0) 90, (2,1) 49.75.
  EXPECT_EQ(matr_table_cell(m.get(), 8, 2), "100");
  EXPECT_EQ(matr_table_cell(m.get(), 7, 3), "100");  // the table is the whole square
  EXPECT_EQ(matr_table_cell(m.get(), 9, 3), " 50");
  const std::string text = matr_text_view(m.get());
  EXPECT_NE(text.find("gel:2:               gel:1:                99.5\n"), std::string::npos)
      << text;
  const std::string head = "3\nVX 0 5.000000 0.000000 12.500000 60.000000\n";
  EXPECT_EQ(matr_export_text(m.get(), MATR_VIEW_PICTURE),
            head + "gel:1:  \ngel:2:   99.5\ngel:3:   90.0  49.8\n");
  EXPECT_EQ(matr_export_text(m.get(), MATR_VIEW_TABLE),
            head + "gel:1:, \ngel:2:,  99.5\ngel:3:,  90.0, 49.8\n");
  EXPECT_EQ(matr_export_text(m.get(), MATR_VIEW_TEXT),
            head + "              gel:2:               gel:1:  99.5\n"
                   "              gel:3:               gel:1:  90.0\n"
                   "              gel:3:               gel:2:  49.8\n");
  EXPECT_STREQ(matr_export_ext(MATR_VIEW_TABLE), ".txt");
  EXPECT_STREQ(matr_export_ext(MATR_VIEW_PICTURE), ".csv");
  EXPECT_STREQ(matr_export_ext(MATR_VIEW_TEXT), ".csv");
}

TEST(MatrixText, CopiesSelectionsWithTabsAndWholeRows) {
  Mr m = params(matrix(2, [](int, int) { return 25.0f; }));
  EXPECT_EQ(matr_copy_text(m.get(), 2, 7, 2, 2), "100\t 75\t\n 75\t100\t\n");
  EXPECT_EQ(matr_copy_text(m.get(), 0, 8, 0, 1), "gel:2:\t 75\t100\t\n");
  EXPECT_EQ(matr_copy_text(m.get(), 1, 1, 0, 0), "");
  // A large selection is copied whole.
  Mr big = params(matrix(400, [](int, int) { return 1.0f; }));
  const std::string all = matr_copy_text(big.get(), 0, 0, 1, 1);
  EXPECT_GT(all.size(), 32768u);
  EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 406);
}

TEST(MatrixText, ExportWritesWholeFilesAndReportsFailures) {
  analysistest::load_messages();
  vxtest::TempDir dir;
  TKT_Enable(true);
  Mr m = params(matrix(2, [](int, int) { return 25.0f; }));
  TKT_AnswerChooser({dir.file("m.txt")});
  ASSERT_EQ(matr_export(m.get(), MATR_VIEW_TABLE, dir.str().c_str()), 1);
  std::ifstream in(dir.file("m.txt"));
  std::stringstream s;
  s << in.rdbuf();
  EXPECT_EQ(s.str(), matr_export_text(m.get(), MATR_VIEW_TABLE));

  const std::string bad = dir.file("gone/m.csv");
  TKT_AnswerChooser({bad});
  TKT_AnswerAlert(1);
  EXPECT_EQ(matr_export(m.get(), MATR_VIEW_PICTURE, dir.str().c_str()), 0);
  EXPECT_NE(ks_alert_last_text().find(bad), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(bad));
  TKT_Enable(false);
}

TEST(Contigs, ThresholdsSplitAndOffsetTheLeafOrder) {
  // Leaf order 0,1,2,3: neighbour similarities 100, 70, 40.
  const float sim[4][4] = {{100, 100, 50, 10}, {100, 100, 70, 10}, {50, 70, 100, 40}, {10, 10, 40, 100}};
  Mr m = matrix(4, [&](int i, int j) { return 100.0f - sim[i][j]; });
  const std::vector<int32_t> order = {0, 1, 2, 3};
  struct Case {
    double t;
    std::vector<double> offsets;
    std::vector<int> contigs;
    double longest;
  } cases[] = {
      {0, {0, 0, 30, 90}, {0, 0, 0, 0}, 190},
      {50, {0, 0, 30, 0}, {0, 0, 0, 1}, 130},
      {101, {0, 0, 0, 0}, {0, 1, 2, 3}, 100},
  };
  for (const Case& c : cases) {
    const CNTG_LAYOUT l = cntg_build(m.get(), order, c.t);
    ASSERT_EQ(l.lanes.size(), 4u);
    for (int p = 0; p < 4; ++p) {
      EXPECT_EQ(l.lanes[p].offset, c.offsets[p]) << c.t << " at " << p;
      EXPECT_EQ(l.lanes[p].contig, c.contigs[p]) << c.t << " at " << p;
      EXPECT_EQ(l.lanes[p].starts, p == 0 || c.contigs[p] != c.contigs[p - 1]);
    }
    EXPECT_EQ(l.longest, c.longest) << c.t;
  }
}
