// The match file, byte for byte and read back by the viewer's reader, and the viewer's start.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "analysis/lane_map.h"
#include "analysis/matr_launch.h"
#include "analysis/matr_velto.h"
#include "base/ks_alert.h"
#include "base/ks_msg.h"
#include "cluster_fixture.h"
#include "res_fixture.h"
#include "model/control.h"
#include "shell/gt_open.h"
#include "test_support.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "viewer/match_file.h"
#include "viewer/velto_doc.h"

using namespace clustertest;

namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A matrix of labels and similarities with the default match parameters.
Mr labelled(const std::vector<std::string>& labels, float similarity) {
  Mr m = matrix(static_cast<int>(labels.size()), [&](int, int) { return 100.0f - similarity; });
  for (std::size_t i = 0; i < labels.size(); ++i)
    ks_mr_set_entry(m.get(), static_cast<int>(i), labels[i].c_str(), "/gels/g.kes");
  m->method = 1;
  m->band_size_tol = 5;
  m->spacing_tol = 2.5;
  m->volume_tol = 0;
  m->match_threshold = 50;
  return m;
}

}  // namespace

TEST(MatchFile, GoldenTexts) {
  LANE_MAP* sized = lmap_new();
  lmap_add_lane(sized, "", "a", "1", 3);
  lmap_add_lane(sized, "", "b", "2", 0);
  sized->lanes[0]->size = {412.0, 0.0, -3.25};
  sized->has_sizes = 1;
  LANE_MAP* unsized = lmap_new();
  lmap_add_lane(unsized, "", "a", "1", 1);
  lmap_add_lane(unsized, "", "b", "2", 1);

  const std::string head = "VELTO, Dice, 5.000000, 2.500000, 0.000000, 50.000000, bp\n";
  struct Case {
    std::vector<std::string> labels;
    float similarity;
    const LANE_MAP* map;
    const char* unit;
    std::string want;
  } cases[] = {
      {{"gel:1:A"}, 0, nullptr, "bp", head + "1\n\"gel:1:A\", \n"},
      {{"gel, one:1:lane A", "g 2:2:"}, 45.25f, nullptr, "bp",
       head + "2\n\"gel, one:1:lane A\", \n\"g 2:2:\",  45.2,\n"},
      {{"a:1:", "b:2:"}, 100, sized, "bp",
       head + "2\n\"a:1:\", [412.000000 -3.250000 ]\n\"b:2:\", 100.0,[]\n"},
      {{"a:1:", "b:2:"}, 0, unsized, "bp", head + "2\n\"a:1:\", \n\"b:2:\",   0.0,\n"},
      {{"say \"hi\":1:"}, 0, nullptr, "k bp,\t", std::string(head).replace(head.size() - 3, 2,
                                                                         "k_bp__") +
                                                   "1\n\"say 'hi':1:\", \n"},
      {{"x:1:"}, 0, nullptr, "", std::string(head).replace(head.size() - 3, 2, "-") +
                                     "1\n\"x:1:\", \n"},
  };
  for (const Case& c : cases) {
    Mr m = labelled(c.labels, c.similarity);
    EXPECT_EQ(matr_match_file_text(m.get(), c.map, c.unit), c.want);
  }
  lmap_free(sized);
  lmap_free(unsized);
}

TEST(MatchFile, SameBytesUnderADecimalCommaLocale) {
  Mr m = labelled({"a:1:", "b:2:"}, 45.5f);
  const std::string c_text = matr_match_file_text(m.get(), nullptr, "bp");
  const char* found = nullptr;
  for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "nl_NL.UTF-8"})
    if (std::setlocale(LC_NUMERIC, name)) {
      found = name;
      break;
    }
  ASSERT_NE(found, nullptr) << "no decimal-comma locale installed (scripts/install-deps makes one)";
  const std::string local = matr_match_file_text(m.get(), nullptr, "bp");
  std::setlocale(LC_NUMERIC, "C");
  EXPECT_EQ(local, c_text);
}

TEST(MatchFile, ReadBackByTheViewer) {
  vxtest::TempDir dir;
  Mr m = labelled({"gel, one:1:lane A", "say \"x\":2:", "g:3:"}, 0);
  ks_mr_set_dist(m.get(), 1, 0, 12.5f);
  ks_mr_set_dist(m.get(), 2, 0, 100.0f);
  ks_mr_set_dist(m.get(), 2, 1, 0.0f);
  LANE_MAP* map = lmap_new();
  for (int i = 0; i < 3; ++i) lmap_add_lane(map, "", "g", "x", 2);
  map->lanes[0]->size = {100.5, 0.0};
  map->lanes[2]->size = {7.25, 2000.0};
  map->has_sizes = 1;
  const std::string path = dir.file("m.csv");
  const std::string text = matr_match_file_text(m.get(), map, "k bp");
  std::ofstream(path, std::ios::binary) << text;
  velto::CVeltoDoc doc;
  const velto::ReadResult r = velto::ReadMatchFile(doc, path);
  ASSERT_TRUE(r.ok) << r.message;
  ASSERT_EQ(doc.TaxonCount(), 3u);
  EXPECT_EQ(doc.Label(0), "gel, one:1:lane A");
  EXPECT_EQ(doc.Label(1), "say 'x':2:");
  EXPECT_EQ(doc.m_linkageMethod, "k_bp");
  EXPECT_EQ(doc.Distances(), (std::vector<float>{12.5f, 100.0f, 0.0f}));
  EXPECT_EQ(doc.Bands(0), std::vector<float>{100.5f});
  EXPECT_TRUE(doc.Bands(1).empty());
  EXPECT_EQ(doc.Bands(2), (std::vector<float>{7.25f, 2000.0f}));
  lmap_free(map);
}

TEST(MatchFile, SaveWritesTheChosenOrATemporaryFile) {
  vxtest::TempDir dir;
  TKT_Enable(true);
  CONTROL* ctl = gt_get_control();
  const int keep = ctl->keep_match_results;
  Mr m = labelled({"a:1:"}, 0);
  char path[300];

  // Kept: the chosen file.
  ctl->keep_match_results = 1;
  TKT_AnswerChooser({dir.file("kept.csv")});
  ASSERT_TRUE(save_match_results_for_velto(m.get(), path, sizeof path, nullptr));
  EXPECT_EQ(std::string(path), dir.file("kept.csv"));
  EXPECT_EQ(slurp(path), matr_match_file_text(m.get(), nullptr, ctl->size_unit));

  // Not kept (or cancelled): a new "Match*.csv" in the temporary folder; the pick is untouched.
  ctl->keep_match_results = 0;
  TKT_AnswerChooser({dir.file("ignored.csv")});
  ASSERT_TRUE(save_match_results_for_velto(m.get(), path, sizeof path, nullptr));
  const std::filesystem::path tmp(path);
  EXPECT_EQ(tmp.parent_path(), std::filesystem::temp_directory_path());
  EXPECT_EQ(tmp.filename().string().rfind("Match", 0), 0u);
  EXPECT_EQ(tmp.extension(), ".csv");
  EXPECT_FALSE(std::filesystem::exists(dir.file("ignored.csv")));
  char second[300];
  TKT_AnswerChooser({});
  ASSERT_TRUE(save_match_results_for_velto(m.get(), second, sizeof second, nullptr));
  EXPECT_NE(std::string(second), std::string(path));
  std::filesystem::remove(path);
  std::filesystem::remove(second);
  ctl->keep_match_results = keep;
  TKT_Enable(false);
}

TEST(MatchFile, FailedWriteReportsThePathAndStartsNothing) {
  analysistest::load_messages();
  vxtest::TempDir dir;
  TKT_Enable(true);
  CONTROL* ctl = gt_get_control();
  const int keep = ctl->keep_match_results;
  ctl->keep_match_results = 1;
  Mr m = labelled({"a:1:"}, 0);
  const std::string bad = dir.file("no such folder/m.csv");
  TKT_AnswerChooser({bad});
  TKT_AnswerAlert(1);
  const int viewers = gt_viewer_count();
  char path[300] = "stale";
  EXPECT_FALSE(save_match_results_for_velto(m.get(), path, sizeof path, nullptr));
  EXPECT_STREQ(path, "");
  EXPECT_NE(ks_alert_last_text().find(bad), std::string::npos) << ks_alert_last_text();
  EXPECT_EQ(gt_viewer_count(), viewers);
  ctl->keep_match_results = keep;
  TKT_Enable(false);
}

TEST(ViewerStart, PassesThePathAsItsOneArgument) {
  vxtest::TempDir dir;
  const std::string out = dir.file("args.txt");
  setenv("VX_STANDIN_OUT", out.c_str(), 1);
  matr_set_viewer_program(VX_STANDIN);
  const std::string odd = dir.file("a b \"q\" ; $(touch x) 'y'.csv");
  const int viewers = gt_viewer_count();
  EXPECT_TRUE(matr_launch_velto(odd.c_str()));
  EXPECT_EQ(gt_viewer_count(), viewers + 1);
  // Closing ends (or reaps) the started viewers; wait for the stand-in's record first.
  for (int i = 0; i < 200 && slurp(out).find(".csv\n") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  gt_close_windows_by_title("Dendrogram");
  EXPECT_EQ(gt_viewer_count(), viewers);
  EXPECT_EQ(slurp(out), "1\n" + odd + "\n");
  EXPECT_FALSE(std::filesystem::exists(dir.file("x")));
  matr_set_viewer_program(nullptr);
  unsetenv("VX_STANDIN_OUT");
}

TEST(ViewerStart, MissingProgramShowsTheSystemError) {
  analysistest::load_messages();
  vxtest::TempDir dir;
  TKT_Enable(true);
  matr_set_viewer_program(dir.file("no-viewer-here").c_str());
  TKT_AnswerAlert(1);
  const long alerts = ks_alert_count();
  const int viewers = gt_viewer_count();
  EXPECT_FALSE(matr_launch_velto(dir.file("m.csv").c_str()));
  EXPECT_EQ(ks_alert_count(), alerts + 1);
  EXPECT_NE(ks_alert_last_text().find("No such file"), std::string::npos) << ks_alert_last_text();
  EXPECT_EQ(gt_viewer_count(), viewers);
  matr_set_viewer_program(nullptr);
  TKT_Enable(false);
}
