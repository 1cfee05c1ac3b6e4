// The lane info file: writing from an analysed gel, reading (comments, quotes, short and hostile
// files), applying to confirmed lanes, and the lane-definition dialog that picks the file.
#include <gtest/gtest.h>

#include <QTimer>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "engine/std_sort.h"
#include "file_faults.h"
#include "gel_record.h"
#include "grab.h"
#include "model/std_list.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_widget.h"
#include "tools/ln_info.h"

namespace {

using toolstest::GelTest;

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

[[maybe_unused]] void spit(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::vector<SPOT*> bands_of(IMAGE_REC* im, LANE* l) {
  SPOT** arr = nullptr;
  const int n = ln_find_bands_in_lane(im->bands, &arr, l, nullptr, nullptr);
  std::vector<SPOT*> v(arr, arr + std::max(n, 0));
  ks_free(arr);
  return v;
}

LANE* lane_at(IMAGE_REC* im, int k) {
  LANE* l = im->lanes->next;
  while (l && k-- > 0) l = l->next;
  return l;
}

void give_labels(LANE* l, std::vector<std::pair<const char*, const char*>> pairs) {
  l->lane_chars = static_cast<LANECHAR**>(ks_alloc_msg(sizeof(LANECHAR*) * pairs.size()));
  for (std::size_t k = 0; k < pairs.size(); ++k) {
    l->lane_chars[k] = static_cast<LANECHAR*>(ks_alloc_msg(sizeof(LANECHAR)));
    std::memset(l->lane_chars[k], 0, sizeof(LANECHAR));
    std::snprintf(l->lane_chars[k]->name, 21, "%s", pairs[k].first);
    std::snprintf(l->lane_chars[k]->value, 21, "%s", pairs[k].second);
  }
  l->num_lane_chars = l->num_labeled_chars = static_cast<int>(pairs.size());
}

STD_LIST* make_list(STD_LIST** cell, int precision, int interp, int extrap) {
  if (!*cell) *cell = std_list_create();
  (*cell)->precision = precision, (*cell)->int_method = interp, (*cell)->extrap_method = extrap;
  return *cell;
}

const char kGolden[] =
    "# Kestrin Lane Info File\n"
    "# Number of lanes, automatic-detection flag\n"
    "3,0\n"
    "# Lane labels (multiple lines per lane, first line is the number of following lines)\n"
    "# Each following line has a comma-separated Category, Value pair)\n"
    "2\n"
    "Species,E. coli, K12\n"
    "Dye,\"blue\"\n"
    "0\n"
    "1\n"
    "Species,B. subtilis\n"
    "# Lane names (one line for each lane, one value per line)\n"
    "Ladder\n"
    "\n"
    "Sample 3\n"
    "# Lane background angles (-1 means no bg) (one line for each lane, one value per line)\n"
    "30\n"
    "-1\n"
    "45\n"
    "# Band-detection parameters (one line for each lane, five values per line)\n"
    "7,0,0,0,0\n"
    "7,0,0,0,1\n"
    "5,4,12,9,0\n"
    "# Band sizes (one line per lane, values per bands); last line interp/extrap\n"
    "1000.0,,500.0,,,\n"
    ",,,,,\n"
    ",,,,,\n"
    "1,2\n"
    "# Band concs (one line per lane, values per bands); last line interp/extrap\n"
    ",,,,,\n"
    ",,,,,\n"
    ",25.50,,,,\n"
    "3,0\n"
    "# End of file\n";

class LaneInfo : public GelTest {
 protected:
  void SetUp() override {
    GelTest::SetUp();
    g_bSuppress = TRUE;
    ln_info_done();
  }
  void TearDown() override {
    ln_info_done();
    g_bSuppress = FALSE;
    GelTest::TearDown();
  }
  // Three analysed lanes with labels, names, background angles, a quantified band, two size
  // standards in lane 1 and a concentration standard in lane 3.
  void three_lanes() {
    g.lanes = 3;
    analysed();
    LANE *a = lane_at(im.get(), 0), *b = lane_at(im.get(), 1), *c = lane_at(im.get(), 2);
    ASSERT_TRUE(a && b && c && !c->next);
    give_labels(a, {{"Species", "E. coli, K12"}, {"Dye", "\"blue\""}});
    give_labels(c, {{"Species", "B. subtilis"}});
    std::snprintf(a->lane_name, sizeof a->lane_name, "Ladder");
    std::snprintf(c->lane_name, sizeof c->lane_name, "Sample 3");
    a->bckgrnd_type = 1, a->max_angle = 30;
    b->bckgrnd_type = 0, b->max_angle = 55;
    c->bckgrnd_type = 1, c->max_angle = 45;
    c->min_top_band_thick = 5, c->min_bot_band_thick = 4, c->max_detect = 9;
    c->band_threshold = 12 * gt_band_value_range(im.get()) + 3;  // written as a percentage
    const auto bb = bands_of(im.get(), b);
    ASSERT_FALSE(bb.empty());
    bb[0]->f1 = (bb[0]->f1 & ~SP_F1_TYPE_MASK) | 2;
    ASSERT_TRUE(im->size_stdp && im->lane_hdr->num_tiers >= 1);
    make_list(&im->size_stdp[0], 1, 1, 2);
    const auto ab = bands_of(im.get(), a);
    ASSERT_GE(ab.size(), 3u);
    ab[0]->f2 |= SP_F2_SIZE_STD, ab[0]->size = 1000.0;
    ab[2]->f2 |= SP_F2_SIZE_STD, ab[2]->size = 500.0;
    if (!im->conc_stdp) {
      im->conc_stdp = static_cast<STD_LIST**>(ks_alloc_msg(sizeof(STD_LIST*)));
      im->conc_stdp[0] = nullptr;
    }
    make_list(im->conc_stdp, 2, 3, 0);
    const auto cb = bands_of(im.get(), c);
    ASSERT_GE(cb.size(), 2u);
    cb[1]->f2 |= SP_F2_CONC_STD, cb[1]->std_value = 25.5;
  }
};

TEST_F(LaneInfo, WritesTheGoldenFileAndReadsItBack) {
  three_lanes();
  const std::string path = dir.file("gel.inf");
  ASSERT_EQ(ln_info_write(im.get(), path.c_str()), 0);
  EXPECT_EQ(slurp(path), kGolden);
  ASSERT_EQ(ln_info_init(path.c_str()), 0);
  EXPECT_EQ(ln_info_loaded(), 1);
  EXPECT_EQ(ln_info_get_num_lanes(), 3);
  EXPECT_EQ(ln_info_get_size_interp(), 1);
  EXPECT_EQ(ln_info_get_size_extrap(), 2);
  EXPECT_EQ(ln_info_get_conc_interp(), 3);
  EXPECT_EQ(ln_info_get_conc_extrap(), 0);
  int k = 0;
  for (LANE* l = im->lanes->next; l; l = l->next, ++k) {
    SCOPED_TRACE(k);
    EXPECT_STREQ(ln_info_get_name(k), l->lane_name);
    EXPECT_EQ(ln_info_get_bg_angle(k), l->bckgrnd_type ? l->max_angle : -1);
    int p[5];
    ASSERT_EQ(ln_info_get_det_parms(k, &p[0], &p[1], &p[2], &p[3], &p[4]), 0);
    EXPECT_EQ(p[0], l->min_top_band_thick);
    EXPECT_EQ(p[1], l->min_bot_band_thick);
    EXPECT_EQ(p[2], l->band_threshold / gt_band_value_range(im.get()));
    EXPECT_EQ(p[3], l->max_detect);
    EXPECT_EQ(p[4], k == 1 ? 1 : 0);
    const auto bands = bands_of(im.get(), l);
    for (std::size_t j = 0; j < bands.size(); ++j) {
      const SPOT* b = bands[j];
      const int jj = static_cast<int>(j);
      EXPECT_DOUBLE_EQ(ln_info_get_band_size(k, jj), (b->f2 & SP_F2_SIZE_STD) ? b->size : 0.0);
      EXPECT_DOUBLE_EQ(ln_info_get_band_conc(k, jj), (b->f2 & SP_F2_CONC_STD) ? b->std_value : 0.0);
    }
    EXPECT_EQ(ln_info_get_band_size(k, static_cast<int>(bands.size())), -1.0);
    LANE* copy = ln_make_lane();
    ln_info_assign_lane_labels(k, copy);
    ASSERT_EQ(copy->num_lane_chars, l->num_lane_chars);
    EXPECT_EQ(copy->num_labeled_chars, l->num_lane_chars);
    for (int c = 0; c < l->num_lane_chars; ++c) {
      EXPECT_STREQ(copy->lane_chars[c]->name, l->lane_chars[c]->name);
      // Double quotes are dropped on reading.
      std::string v = l->lane_chars[c]->value;
      std::erase(v, '"');
      EXPECT_EQ(copy->lane_chars[c]->value, v);
    }
    ln_free_lane(copy);
  }
}

// A file in the writer's layout with the given sections (each line already LF-ended).
std::string info_file(const std::string& head, const std::string& labels, const std::string& names,
                      const std::string& angles, const std::string& det, const std::string& sizes,
                      const std::string& concs) {
  return "# Kestrin Lane Info File\n" + head + "# labels\n" + labels + "# names\n" + names +
         "# angles\n" + angles + "# detection\n" + det + "# sizes\n" + sizes + "# concs\n" + concs +
         "# End of file\n";
}

TEST_F(LaneInfo, ReadsCommentsQuotesCommasAndEmptyFields) {
  const std::string path = dir.file("read.inf");
  // Comments inside sections, quotes anywhere, CRLF line ends, a value with a comma, and a sizes
  // line whose first and third fields are empty.
  spit(path,
       "# Kestrin Lane Info File\r\n\"2\",1\r\n# comment\r\n1\r\nStrain,\"K12, wild\"\r\n0\r\n"
       "Lane \"one\",extra\r\n# between names\r\n\r\n-1\r\n20\r\n1,2,3\r\n# c\r\n4,5,6,7,1\r\n"
       ",100.000,,50.000\r\n\r\n# inside\r\n4,1\r\n\r\n,7.5\r\n0,0\r\n");
  ASSERT_EQ(ln_info_init(path.c_str()), 0);
  EXPECT_EQ(ln_info_get_num_lanes(), 2);
  EXPECT_EQ(ln_info_get_auto(), 1);
  LANE* l = ln_make_lane();
  ln_info_assign_lane_labels(0, l);
  ASSERT_EQ(l->num_lane_chars, 1);
  EXPECT_STREQ(l->lane_chars[0]->name, "Strain");
  EXPECT_STREQ(l->lane_chars[0]->value, "K12, wild");
  ln_info_assign_lane_labels(1, l);
  EXPECT_EQ(l->num_lane_chars, 0);
  EXPECT_EQ(l->lane_chars, nullptr);
  ln_free_lane(l);
  EXPECT_STREQ(ln_info_get_name(0), "Lane one");
  EXPECT_STREQ(ln_info_get_name(1), "");
  EXPECT_EQ(ln_info_get_bg_angle(0), -1);
  EXPECT_EQ(ln_info_get_bg_angle(1), 20);
  int p[5];
  ASSERT_EQ(ln_info_get_det_parms(0, &p[0], &p[1], &p[2], &p[3], &p[4]), 0);
  EXPECT_EQ((std::vector<int>{p, p + 5}), (std::vector<int>{1, 2, 3, 0, 0}));
  ASSERT_EQ(ln_info_get_det_parms(1, &p[0], &p[1], &p[2], &p[3], &p[4]), 0);
  EXPECT_EQ((std::vector<int>{p, p + 5}), (std::vector<int>{4, 5, 6, 7, 1}));
  EXPECT_EQ(ln_info_get_det_parms(2, &p[0], &p[1], &p[2], &p[3], &p[4]), -1);
  EXPECT_EQ(ln_info_get_det_parms(0, nullptr, &p[1], &p[2], &p[3], &p[4]), -1);
  const double sizes[] = {0.0, 100.0, 0.0, 50.0, -1.0};
  for (int j = 0; j < 5; ++j) EXPECT_DOUBLE_EQ(ln_info_get_band_size(0, j), sizes[j]) << j;
  EXPECT_EQ(ln_info_get_band_size(1, 0), -1.0);  // an empty line gives no values
  EXPECT_EQ(ln_info_get_size_interp(), 4);
  EXPECT_EQ(ln_info_get_size_extrap(), 1);
  EXPECT_EQ(ln_info_get_band_conc(0, 0), -1.0);
  EXPECT_DOUBLE_EQ(ln_info_get_band_conc(1, 1), 7.5);
  EXPECT_EQ(ln_info_get_name(-1), nullptr);
  EXPECT_EQ(ln_info_get_name(2), nullptr);
}

TEST_F(LaneInfo, AShortFileKeepsWhatWasRead) {
  const std::string path = dir.file("short.inf");
  spit(path, "3,0\n0\n0\n0\nA\nB\n");
  ASSERT_EQ(ln_info_init(path.c_str()), 0);
  EXPECT_EQ(ln_info_get_num_lanes(), 3);
  EXPECT_STREQ(ln_info_get_name(1), "B");
  EXPECT_STREQ(ln_info_get_name(2), "");
  EXPECT_EQ(ln_info_get_bg_angle(0), 0);
  EXPECT_EQ(ln_info_get_band_size(0, 0), -1.0);
}

TEST_F(LaneInfo, RefusesOrCutsHostileFiles) {
  const std::string path = dir.file("bad.inf");
  struct Case {
    const char* what;
    std::string text;
  };
  const Case refused[] = {
      {"no lanes", "0,1\n"},
      {"negative lanes", "-1,0\n"},
      {"a billion lanes", "1000000000,0\n"},
      {"501 lanes", "501,0\n"},
      {"empty file", ""},
      {"comments only", "# a\n# b\n"},
      {"huge label count", "2,0\n0\n99999999999\n"},
      {"negative label count", "1,0\n-4\n"},
      {"201 labels", "1,0\n201\n"},
      {"binary", std::string("\x01\x02\xff\x00\x7f", 5) + "\n\x80\x81"},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.what);
    // A good file first, so that a refusal must empty the object.
    spit(path, "1,0\n0\nkept\n");
    ASSERT_EQ(ln_info_init(path.c_str()), 0);
    spit(path, c.text);
    EXPECT_EQ(ln_info_init(path.c_str()), -1);
    EXPECT_EQ(ln_info_loaded(), 0);
    EXPECT_EQ(ln_info_get_num_lanes(), 0);
    EXPECT_EQ(ln_info_get_name(0), nullptr);
  }
  EXPECT_EQ(ln_info_init(dir.file("missing.inf").c_str()), -1);

  // Long texts are cut to their fields; very long lines are read whole.
  const std::string long_name(300, 'n'), long_text(40, 'c');
  std::string sizes;
  for (int k = 0; k < 10000; ++k) sizes += (k ? "," : "") + std::to_string(k);
  auto lines = [](const std::string& line, int n) {
    std::string out;
    for (int k = 0; k < n; ++k) out += line + "\n";
    return out;
  };
  spit(path, info_file("500,0\n", "1\n" + long_text + "," + long_text + "\n" + lines("0", 499),
                       long_name + "\n" + lines("", 499), lines("-1", 500), lines("", 500),
                       sizes + "\n" + lines("", 499) + "0,0\n", lines("", 500) + "0,0\n"));
  ASSERT_EQ(ln_info_init(path.c_str()), 0);
  EXPECT_EQ(ln_info_get_num_lanes(), 500);
  EXPECT_EQ(std::string(ln_info_get_name(0)), long_name.substr(0, 19));
  LANE* l = ln_make_lane();
  ln_info_assign_lane_labels(0, l);
  ASSERT_EQ(l->num_lane_chars, 1);
  EXPECT_EQ(std::string(l->lane_chars[0]->name), long_text.substr(0, 20));
  EXPECT_EQ(std::string(l->lane_chars[0]->value), long_text.substr(0, 20));
  ln_free_lane(l);
  EXPECT_DOUBLE_EQ(ln_info_get_band_size(0, 9999), 9999.0);
  EXPECT_EQ(ln_info_get_band_size(0, 10000), -1.0);
}

TEST_F(LaneInfo, AFailedWriteKeepsTheOldFile) {
  const std::string path = dir.file("keep.inf");
  spit(path, "old");
  EXPECT_EQ(ln_info_write(im.get(), path.c_str()), -1);  // no lanes yet
  EXPECT_EQ(slurp(path), "old");
  three_lanes();
  {
    vxtest::FileFaults faults({.write_budget = 100});
    EXPECT_EQ(ln_info_write(im.get(), path.c_str()), -1);
  }
  EXPECT_EQ(slurp(path), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.str()), {}), 2);  // gel + inf
  EXPECT_EQ(ln_info_write(im.get(), dir.file("no/such/folder.inf").c_str()), -1);
  EXPECT_EQ(ln_info_write(im.get(), path.c_str()), 0);
  EXPECT_EQ(slurp(path), kGolden);
}

class LaneInfoApply : public LaneInfo {
 protected:
  // Two confirmed, selected lanes without bands, and a file for one lane with the given sizes
  // line, at most `max_detect` bands and size interpolation 1 (the order of the sizes is checked).
  void apply_file(const std::string& sizes, int max_detect) {
    g.lanes = 2;
    pending_lanes();
    gt_band_find_start(im.get(), 0);
    for (LANE* l = im->lanes->next; l; l = l->next) l->f |= LN_F_SELECTED;
    const std::string path = dir.file("apply.inf");
    spit(path, info_file("1,0\n", "1\nSpecies,E. coli\n", "Ladder\n", "-1\n",
                         "7,0,0," + std::to_string(max_detect) + ",0\n", sizes + "\n1,0\n",
                         "\n0,0\n"));
    ASSERT_EQ(ln_info_init(path.c_str()), 0);
    ln_info_apply(im.get());
  }
  std::vector<SPOT*> lane_bands(int k) { return bands_of(im.get(), lane_at(im.get(), k)); }
  int size_markers() {
    STD_LIST* l = im->size_stdp ? im->size_stdp[0] : nullptr;
    return l ? l->count : 0;
  }
};

TEST_F(LaneInfoApply, GivesLabelsBandsAndSizeStandards) {
  apply_file("500,400,,300", 0);
  const auto a = lane_bands(0);
  ASSERT_EQ(a.size(), 6u);
  const uint32_t want[6] = {SP_F2_SIZE_STD, SP_F2_SIZE_STD, 0, SP_F2_SIZE_STD, 0, 0};
  for (int j = 0; j < 6; ++j) EXPECT_EQ(a[j]->f2 & SP_F2_SIZE_STD, want[j]) << j;
  EXPECT_EQ(size_markers(), 3);
  EXPECT_EQ(im->size_stdp[0]->int_method, 1);
  LANE* l0 = lane_at(im.get(), 0);
  ASSERT_EQ(l0->num_lane_chars, 1);
  EXPECT_STREQ(l0->lane_chars[0]->value, "E. coli");
  // The second lane lies beyond the file and is found with the image's own settings.
  EXPECT_EQ(lane_bands(1).size(), 6u);
  EXPECT_EQ(lane_at(im.get(), 1)->num_lane_chars, 0);
  for (LANE* l = im->lanes->next; l; l = l->next) EXPECT_FALSE(l->f & LN_F_SELECTED);
  EXPECT_EQ(im->num_sel_lanes, 0);
  EXPECT_EQ(im->std_present, 1);
  EXPECT_EQ(ln_info_loaded(), 0);
}

TEST_F(LaneInfoApply, ARejectedPassLeavesNoStandardMark) {
  // 500 then 400 fall down the lane; 600 breaks the order and the whole pass is refused.
  apply_file("500,400,600", 0);
  for (SPOT* b : lane_bands(0)) EXPECT_EQ(b->f2 & SP_F2_SIZE_STD, 0u) << b->y;
  EXPECT_EQ(size_markers(), 0);
}

TEST_F(LaneInfoApply, TheFilesMaximumDetectLimitsOnlyItsLanes) {
  apply_file("", 3);
  EXPECT_EQ(lane_bands(0).size(), 3u);
  EXPECT_EQ(lane_bands(1).size(), 6u);
}

// The lane-definition dialog run with `answer` acting on it while it is open.
int define(IMAGE_REC* im, std::function<void(TK_OBJ)> answer) {
  QTimer::singleShot(0, [answer] {
    if (TK_OBJ d = TKT_FindWindow("ln_info", "ln_info_win")) answer(d);
  });
  return gt_fd_lane_info_activate(nullptr, im);
}

TEST_F(LaneInfo, TheDefineDialogsModesAndLaneCountClamps) {
  g_bSuppress = FALSE;
  struct Case {
    int choice;
    const char* count;
    bool automatic;
    int mode, lanes;
    const char* alert;  // expected text of the last alert ("" none)
  };
  const Case cases[] = {
      {0, "4", false, 1, -1, ""},
      {1, "4", false, 2, 4, ""},
      {1, "4", true, 0, 4, ""},
      {1, "73", false, 2, 73, ""},
      {1, "900", false, 2, 500, "At most 500 lanes can be found."},
      {1, "1", true, 0, 2, "At least 2 lanes are needed."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    im->num_sel_lanes = -1;
    TKT_AnswerAlert(1);
    const int mode = define(im.get(), [&c](TK_OBJ d) {
      TKT_Pick(RES_GetSub(d, 3), c.choice);
      if (c.choice == 1) {
        TKT_Type(RES_GetSub(d, 0), c.count);
        if ((WGT_GetValue(RES_GetSub(d, 4)) != 0) != c.automatic) TKT_Click(RES_GetSub(d, 4));
      }
      TKT_Click(RES_GetSub(d, 1));
    });
    EXPECT_EQ(mode, c.mode);
    if (c.lanes >= 0) {
      EXPECT_EQ(im->num_sel_lanes, c.lanes);
    }
    EXPECT_EQ(ctl->lane_def_mode, c.choice);
    if (c.choice == 1) {
      EXPECT_EQ(ctl->lane_count, std::atoi(c.count));  // kept unclamped
    }
    if (*c.alert) {
      EXPECT_EQ(TKT_LastAlertText(), c.alert);
    }
  }
  EXPECT_EQ(define(im.get(), [](TK_OBJ d) { TKT_Click(RES_GetSub(d, 2)); }), -1);
}

TEST_F(LaneInfo, TheDefineDialogPicksAnInfoFile) {
  const std::string path = dir.file("pick.inf");
  spit(path, "3,1\n0\n0\n0\nA\nB\nC\n");
  const std::string bad = dir.file("bad.inf");
  spit(bad, "0,0\n");
  TKT_AnswerChooser({bad});
  TKT_AnswerChooser({path});
  int shown_lanes = 0;
  bool fixed = false;
  std::string label;
  const int mode = define(im.get(), [&](TK_OBJ d) {
    TKT_Click(RES_GetSub(d, 5));  // the refused file: toggle off again
    EXPECT_EQ(WGT_GetValue(RES_GetSub(d, 5)), 0);
    EXPECT_EQ(ln_info_loaded(), 0);
    TKT_Click(RES_GetSub(d, 5));
    shown_lanes = std::atoi(WGT_GetText(RES_GetSub(d, 0)));
    EXPECT_TRUE(toolstest::grab(d, dir.str(), "ln_info"));
    fixed = !WGT_IsEnabled(RES_GetSub(d, 0)) && !WGT_IsEnabled(RES_GetSub(d, 3)) &&
            WGT_GetValue(RES_GetSub(d, 4)) == 1;
    TKT_Click(RES_GetSub(d, 1));
  });
  EXPECT_EQ(mode, 0);  // a block of lanes found automatically, as the file says
  EXPECT_EQ(shown_lanes, 3);
  EXPECT_TRUE(fixed);
  EXPECT_EQ(im->num_sel_lanes, 3);
  EXPECT_EQ(ln_info_loaded(), 1);
  EXPECT_STREQ(ln_info_get_name(2), "C");
  EXPECT_EQ(std::string(gt_fd_lane_info_path()), path);
  // Switching the toggle off forgets the file.
  define(im.get(), [](TK_OBJ d) {
    TKT_Click(RES_GetSub(d, 5));
    TKT_Click(RES_GetSub(d, 2));
  });
  EXPECT_EQ(ln_info_loaded(), 0);
  EXPECT_STREQ(gt_fd_lane_info_path(), "");
}

}  // namespace
