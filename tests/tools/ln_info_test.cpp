// The lane info file: writing from an analysed gel, reading (comments, quotes, short and hostile
// files), applying to confirmed lanes, and the lane-definition dialog that picks the file.
#include <gtest/gtest.h>

#include <QTimer>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "engine/std_sort.h"
#include "file_faults.h"
#include "gel_record.h"
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

}  // namespace
