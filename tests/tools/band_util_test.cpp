// Band utilities: adding, marking axes and bounds, quantifying, selecting and deleting, on a
// synthetic gel analysed by the tools themselves.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <vector>

#include "base/ks_mem.h"
#include "base/par_lanes.h"
#include "engine/band_find.h"
#include "engine/lane_features.h"
#include "engine/lane_geometry.h"
#include "engine/lane_profile.h"
#include "engine/quant.h"
#include "gel_record.h"
#include "io/kes_image.h"
#include "model/control.h"
#include "model/std_list.h"
#include "shell/gt_image_win.h"
#include "test_support.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "tools/gt_band_util.h"
#include "shell/gt_open.h"
#include "tools/gt_lane_util.h"

using namespace toolstest;

namespace {


int count_bands_in(const IMAGE_REC* im) {
  int n = 0;
  for (SPOT* b = im->bands->next; b; b = b->next) ++n;
  return n;
}

// A 4-lane gel, its lanes divided evenly and confirmed with their bands found; the image is the
// current one, alerts are answered by the test driver.
class AnalysedGel : public GelTest {
 protected:
  void SetUp() override {
    GelTest::SetUp();
    found = analysed();
  }
  LANE* lane(int k) {
    LANE* l = im->lanes->next;
    while (k-- > 0 && l) l = l->next;
    return l;
  }
  SPOT* band_near(int x, int y) { return sp_nearest_spot(x, y, 4, im->bands, nullptr); }
  void set_marks(const std::vector<LN_POINT>& m) {
    ks_free(im->lane_coords);
    im->lane_coords = static_cast<int*>(ks_alloc_msg(sizeof(int) * 2 * (m.size() + 1)));
    for (size_t i = 0; i < m.size(); ++i) im->lane_coords[2 * i] = m[i].x, im->lane_coords[2 * i + 1] = m[i].y;
    im->num_lane_coords = static_cast<int>(m.size());
  }

  int found = 0;
};

}  // namespace

TEST_F(AnalysedGel, FindsEveryBand) {
  EXPECT_EQ(found, 4 * int(g.band_rows.size()));
}

TEST_F(AnalysedGel, AddBandRefusesWithinTwoRowsAndAddsThreeAway) {
  LANE* l = lane(1);
  const int before = count_bands_in(im.get());
  SPOT* a = gt_band_add_manual(im.get(), 145, l);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(count_bands_in(im.get()), before + 1);
  // Area: lane width (left + right + 1) x thickness x pixel area 1; amount: peak above baseline.
  EXPECT_EQ(a->lane_width, l->left_width + l->right_width + 1);
  EXPECT_DOUBLE_EQ(a->area, double(a->lane_width) * a->thickness);
  EXPECT_DOUBLE_EQ(a->amount, (ih_lookup_val(im->img_int_info, a->od) -
                               ih_lookup_val(im->img_int_info, a->baseline)) * a->area);
  EXPECT_TRUE(a->f1 & SP_F1_TOOL_MARK);
  for (int dy : {1, 2}) {
    TKT_AnswerAlert(1);
    EXPECT_EQ(gt_band_add_manual(im.get(), 145 + dy, l), a);
    EXPECT_EQ(TKT_LastAlertText(), gt_get_message(11));
  }
  EXPECT_EQ(count_bands_in(im.get()), before + 1);
  EXPECT_NE(gt_band_add_manual(im.get(), 148, l), a);
  EXPECT_EQ(count_bands_in(im.get()), before + 2);
  EXPECT_EQ(gt_band_add_manual(im.get(), 200, nullptr), nullptr);
}

TEST_F(AnalysedGel, MarkAxesLevelVerticalAndParallel) {
  SPOT* b = band_near(g.lane_x(0), 230);
  ASSERT_NE(b, nullptr);
  const int bx = b->x, by = b->y;
  struct Case {
    std::vector<LN_POINT> marks;
    int result, msg;
  } cases[] = {
      // first axis level across the band, second vertical through it: the crossing is (bx, by)
      {{{bx - 12, by}, {bx + 14, by}, {bx, by - 4}, {bx, by + 5}}, 0, 0},
      {{{bx - 12, by - 3}, {bx - 12, by + 3}, {bx + 5, by - 4}, {bx, by + 5}}, -1, 37},  // vertical
      {{{bx - 12, by - 3}, {bx + 12, by + 3}, {bx - 5, by + 2}, {bx + 5, by + 2}}, -1, 38},  // level
      // both slanted with one slope: parallel, they never cross
      {{{bx - 10, by - 5}, {bx + 10, by + 5}, {bx - 10, by + 1}, {bx + 10, by + 11}}, -1, 39},
      {{{bx + 1, by - 4}, {bx + 9, by - 4}, {bx + 3, by - 8}, {bx + 4, by - 1}}, -1, 36},  // one side
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.msg);
    const SPOT saved = *b;
    im->axes_band = b;
    set_marks(c.marks);
    TKT_AnswerAlert(1);
    EXPECT_EQ(gt_band_apply_axes(), c.result);
    EXPECT_EQ(gt_get_control()->busy, 0);
    if (c.result == 0) {
      // The quantification that follows measures the band's width itself; the thickness is
      // the second axis's length.
      EXPECT_EQ(b->thickness, 9);
      EXPECT_EQ(b->f1 & SP_F1_TYPE_MASK, 11u);
    } else {
      EXPECT_EQ(TKT_LastAlertText(), gt_get_message(c.msg));
      EXPECT_EQ(b->thickness, saved.thickness);
      EXPECT_EQ(b->lane_width, saved.lane_width);
    }
  }
  im->axes_band = nullptr;
  EXPECT_EQ(gt_band_apply_axes(), -1);  // no band
}

TEST_F(AnalysedGel, MarkBoundsThinsToThirtySixAndRefusesWithoutChange) {
  SPOT* b = band_near(g.lane_x(2), 300);
  ASSERT_NE(b, nullptr);
  // 72 marks round the band: thinned to marks 0, 2, ..., 70.
  std::vector<LN_POINT> ring;
  for (int k = 0; k < 72; ++k) {
    const double a = k * 2 * M_PI / 72;
    ring.push_back({b->x + int(std::lround(14 * std::cos(a))), b->y + int(std::lround(6 * std::sin(a)))});
  }
  im->bounds_band = b;
  set_marks(ring);
  EXPECT_EQ(gt_band_apply_bounds(), 0);
  EXPECT_EQ(b->f1 & SP_F1_TYPE_MASK, 11u);
  for (int k = 0; k < 36; ++k) {
    EXPECT_EQ(b->bound_x[k], ring[2 * k].x) << k;
    EXPECT_EQ(b->bound_y[k], ring[2 * k].y) << k;
  }
  EXPECT_EQ(b->thickness, 13);
  EXPECT_EQ(b->lane_width, 29);
  // Marks on one side: refused, the band as it was, busy ended.
  const SPOT saved = *b;
  im->bounds_band = b;
  set_marks({{b->x + 2, b->y - 3}, {b->x + 9, b->y - 3}, {b->x + 5, b->y + 4}});
  TKT_AnswerAlert(1);
  EXPECT_EQ(gt_band_apply_bounds(), -1);
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(41));
  EXPECT_EQ(b->thickness, saved.thickness);
  EXPECT_EQ(b->lane_width, saved.lane_width);
  EXPECT_EQ(gt_get_control()->busy, 0);
  EXPECT_EQ(im->bounds_band, nullptr);
}

TEST_F(AnalysedGel, FailedQuantificationKeepsTheFailedTypeAndOldBounds) {
  SPOT* b = band_near(g.lane_x(3), 380);
  ASSERT_NE(b, nullptr);
  LANE* l = lane(3);
  ASSERT_EQ(gt_band_quant_lane(im.get(), l, &b, 1, -1), 1);
  EXPECT_EQ(b->f1 & SP_F1_TYPE_MASK, 2u);
  const double amount = b->amount;
  const std::vector<int> bx(b->bound_x, b->bound_x + SP_BOUNDS);
  // Moved out of its lane, the band cannot be quantified: it keeps its bounds and amount.
  b->x = 5;
  EXPECT_EQ(gt_band_quant_lane(im.get(), l, &b, 1, -1), 0);
  EXPECT_TRUE(b->f1 & SP_F1_QUANT_FAILED);
  EXPECT_EQ(std::vector<int>(b->bound_x, b->bound_x + SP_BOUNDS), bx);
  EXPECT_DOUBLE_EQ(b->amount, amount);
}

TEST_F(AnalysedGel, StoredBoundsAreImageCoordinatesWhenRequantifiedFromThem) {
  SPOT* b = band_near(g.lane_x(1), 470);
  ASSERT_NE(b, nullptr);
  LANE* l = lane(1);
  ASSERT_EQ(gt_band_quant_lane(im.get(), l, &b, 1, -1), 1);
  for (int k = 0; k < SP_BOUNDS; ++k) {
    if (b->bound_x[k] == -1) continue;
    EXPECT_LT(std::abs(b->bound_x[k] - b->x), 40) << k;  // near the band in the image
    EXPECT_LT(std::abs(b->bound_y[k] - b->y), 40) << k;
  }
  const double amount = b->amount;
  const std::vector<int> bx(b->bound_x, b->bound_x + SP_BOUNDS);
  im->lanes->next->f &= ~uint32_t(LN_F_SELECTED);
  for (LANE* k = im->lanes->next; k; k = k->next) k->f &= ~uint32_t(LN_F_SELECTED);
  l->f |= LN_F_SELECTED;
  gt_xform_band_quantify(im.get());
  EXPECT_EQ(b->f1 & SP_F1_TYPE_MASK, 11u);
  EXPECT_EQ(std::vector<int>(b->bound_x, b->bound_x + SP_BOUNDS), bx);
  EXPECT_NEAR(b->amount, amount, 0.02 * amount);
}

TEST_F(AnalysedGel, SelectionListStaysCompactThroughTogglesAndDeletes) {
  gt_get_control()->sel_mode = 0;
  gt_select_all(nullptr, im.get());
  EXPECT_EQ(im->num_sel_bands, found);
  ASSERT_NE(im->sel_list[0], nullptr);
  SPOT* first = im->sel_list[0];
  gt_band_set_selected(im.get(), first, 0);
  EXPECT_EQ(im->num_sel_bands, found - 1);
  EXPECT_NE(im->sel_list[0], first);
  EXPECT_EQ(im->cur_band, im->sel_list[0]);
  // Delete the lanes 0 and 1: their bands leave the list, the rest stays listed.
  gt_get_control()->sel_mode = 1;
  gt_deselect_all(nullptr, im.get());
  lane(0)->f |= LN_F_SELECTED;
  lane(1)->f |= LN_F_SELECTED;
  gt_band_delete_selected(im.get(), 1);
  EXPECT_EQ(count_bands_in(im.get()), found / 2);
  EXPECT_EQ(im->num_sel_bands, found / 2 - 1);  // all but `first`
  for (int i = 0; i < im->num_sel_bands; ++i) {
    bool alive = false;
    for (SPOT* s = im->bands->next; s; s = s->next) alive |= s == im->sel_list[i];
    EXPECT_TRUE(alive) << i;
  }
  gt_get_control()->sel_mode = 0;
  gt_band_delete_selected(im.get(), 0);
  EXPECT_EQ(count_bands_in(im.get()), 1);
  EXPECT_EQ(im->bands->next, first);
  gt_select_all(nullptr, im.get());
  gt_band_delete_selected(im.get(), 0);
  EXPECT_EQ(count_bands_in(im.get()), 0);
  EXPECT_EQ(im->sel_list[0], nullptr);
  EXPECT_EQ(im->cur_band, nullptr);
}

TEST_F(AnalysedGel, SelectAllSizeStandardsCountsDistinctValues) {
  STD_LIST* list = im->size_stdp[0];
  for (double v : {10.0, 10.0, 20.0}) {
    STD_MARKER m{};
    m.x = 10, m.y = 10 + v, m.value = v, m.flags = STD_M_VALID, m.lane_num = 1;
    std_list_append(list, &m);
  }
  gt_get_control()->sel_mode = 2;
  gt_select_all(nullptr, im.get());
  EXPECT_EQ(im->num_sel_size, 3);
  EXPECT_EQ(im->num_std_rows, 2);
  gt_deselect_all(nullptr, im.get());
  EXPECT_EQ(im->num_sel_size, 0);
  gt_get_control()->sel_mode = 0;
}

TEST_F(AnalysedGel, NormalisationReferencesAndActiveMarks) {
  SPOT* a = im->bands->next;
  SPOT* b = a->next;
  a->amount = 50.0, b->amount = 0.0;
  gt_band_set_selected(im.get(), a, 1);
  gt_band_norm_image(im.get());
  EXPECT_DOUBLE_EQ(im->band_hdr->norm_band_ii, 50.0);
  EXPECT_TRUE(a->f2 & SP_F2_IMG_NORM);
  // A reference without an amount is refused and the former one stays.
  gt_band_set_selected(im.get(), a, 0);
  gt_band_set_selected(im.get(), b, 1);
  TKT_AnswerAlert(1);
  gt_band_norm_image(im.get());
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(90));
  EXPECT_DOUBLE_EQ(im->band_hdr->norm_band_ii, 50.0);
  EXPECT_TRUE(a->f2 & SP_F2_IMG_NORM);
  EXPECT_FALSE(b->f2 & SP_F2_IMG_NORM);

  gt_band_mark_active(im->bands, 1);
  EXPECT_EQ((b->f1 >> 6) & 3u, 1u);
  EXPECT_EQ((a->f1 >> 6) & 3u, 0u);
  gt_band_mark_active(im->bands, 0);
  EXPECT_EQ((b->f1 >> 6) & 3u, 0u);

  gt_band_clear_norm(im.get());
  EXPECT_DOUBLE_EQ(im->band_hdr->norm_band_ii, 0.0);
  EXPECT_FALSE(a->f2 & SP_F2_IMG_NORM);
}

TEST_F(AnalysedGel, MarkCommandsOpenOnlyWithASelectedBand) {
  gt_band_mark_axes(nullptr, im.get());
  EXPECT_EQ(TKT_FindWindow("bd_axe", "bd_axe_win"), nullptr);
  EXPECT_EQ(gt_get_state(), 0);
  gt_band_set_selected(im.get(), im->bands->next, 1);
  gt_band_mark_bounds(nullptr, im.get());
  EXPECT_NE(TKT_FindWindow("bd_mrk", "bd_mrk_win"), nullptr);
  EXPECT_EQ(im->bounds_band, im->bands->next);
  EXPECT_EQ(gt_get_state(), 10);
  gt_dismiss_all();
  EXPECT_EQ(gt_get_state(), 0);
  EXPECT_EQ(im->bounds_band, nullptr);
}

namespace {

// A noisy 4-lane gel with its lanes drawn and not yet confirmed.
class NoisyGel : public GelTest {
 protected:
  void SetUp() override {
    g.noise = 400;
    GelTest::SetUp();
    pending_lanes();
  }
};

struct BandResult {
  unsigned f1_failed;
  double amount, area;
  bool operator==(const BandResult&) const = default;
};

}  // namespace

// Find Bands with quantification takes its profiles and lane images from one read of the
// image's pixels, or with the image's window open from the pixels its load kept: either way it
// finds the same bands with the same amounts and areas, bit for bit, as the engine's chain
// reading each lane's rows from the file.
class NoisyGelWindow : public NoisyGel, public ::testing::WithParamInterface<bool> {};

TEST_P(NoisyGelWindow, FindBandsFindsAndQuantifiesAsTheChainReadingTheFile) {
  if (GetParam()) {
    ASSERT_EQ(io_load_image(im->img_ptr, 0, im->file_path), 0);
    ASSERT_NE(io_kept_pixels(im->file_path), nullptr);
  }
  ctl->fnd_bnd_quant = 1;
  ASSERT_GT(gt_band_find_start(im.get(), 1), 0);
  std::map<std::pair<int, int>, BandResult> got;
  for (SPOT* b = im->bands->next; b; b = b->next)
    got[{b->x, b->y}] = {b->f1 & SP_F1_QUANT_FAILED, b->amount, b->area};

  // The chain on copies of the command's lanes, with their settings, reading the file.
  LANE* head = ln_make_lane();
  std::vector<LANE*> lanes;
  LANE** link = &head->next;
  for (LANE* l = im->lanes->next; l; l = l->next) {
    LANE* c = ln_clone_lane(l);
    ASSERT_NE(c, nullptr);
    ks_free(c->data_values);
    ks_free(c->baseline_values);
    c->data_values = c->baseline_values = nullptr;
    c->num_data_values = 0;
    *link = c;
    link = &c->next;
    lanes.push_back(c);
  }
  const int n = static_cast<int>(lanes.size());
  ASSERT_EQ(ln_load_data_values(im->file_path, lanes.data(), n, 50), 1);
  ln_calc_lane_baselines(lanes.data(), n, LN_ANALYSIS_STD);
  SPOT* chain = sp_make_spot();
  ln_find_bands(lanes.data(), n, -1, -1, chain, nullptr, LN_ANALYSIS_STD, im->img_int_info, 1);
  std::map<std::pair<int, int>, BandResult> want;
  for (LANE* l : lanes) {
    SPOT** arr = nullptr;
    const int k = ln_find_bands_in_lane(chain, &arr, l, nullptr, nullptr);
    LANE_IMAGE img{};
    ASSERT_EQ(ln_read_lane_image(l, &img, im->img_info, im->file_path, -1), 0);
    for (int i = 0; i < k; ++i) {
      mj_doquant(arr[i], l, &img, im->img_int_info, 1);
      mj_res_free(&arr[i]->result);
      want[{arr[i]->x, arr[i]->y}] = {arr[i]->f1 & SP_F1_QUANT_FAILED, arr[i]->amount,
                                      arr[i]->area};
    }
    ln_free_lane_image(&img);
    ks_free(arr);
  }
  ln_free_bands(chain);
  ln_free_lanes(head);
  // A band whose quantification fails keeps the box amount the command gave it first.
  int quantified = 0;
  for (const auto& [at, r] : want) {
    const auto it = got.find(at);
    ASSERT_NE(it, got.end()) << "no band at " << at.first << ", " << at.second;
    EXPECT_EQ(it->second.f1_failed, r.f1_failed) << at.first << ", " << at.second;
    if (r.f1_failed) continue;
    ++quantified;
    EXPECT_TRUE(it->second == r) << "band at " << at.first << ", " << at.second << ": amount "
                                 << it->second.amount << " for " << r.amount;
  }
  EXPECT_EQ(got.size(), want.size());
  EXPECT_GE(quantified, int(4 * g.band_rows.size()));
}

INSTANTIATE_TEST_SUITE_P(ImageFile, NoisyGelWindow, ::testing::Values(false));
INSTANTIATE_TEST_SUITE_P(WindowOpen, NoisyGelWindow, ::testing::Values(true));

namespace {

// A band as the commands leave it: position, size, flags, amount and area (bit for bit) and
// bounds.
struct BandState {
  int x, y, thickness, lane_width;
  uint32_t f1;
  double amount, area;
  std::vector<int> bounds;
  bool operator==(const BandState&) const = default;
};

// The image's bands in chain order.
std::vector<BandState> bands_of(const IMAGE_REC* im) {
  std::vector<BandState> v;
  for (SPOT* b = im->bands->next; b; b = b->next) {
    BandState s{b->x, b->y, b->thickness, b->lane_width, b->f1, b->amount, b->area, {}};
    s.bounds.assign(b->bound_x, b->bound_x + SP_BOUNDS);
    s.bounds.insert(s.bounds.end(), b->bound_y, b->bound_y + SP_BOUNDS);
    v.push_back(s);
  }
  return v;
}

// Caps the threads of the parallel loops for its lifetime.
struct ThreadCap {
  int before;
  explicit ThreadCap(int n) : before(par_set_max_threads(n)) {}
  ~ThreadCap() { par_set_max_threads(before); }
};

}  // namespace

// Find Bands with quantification and finding the bands again with it give the same bands,
// amounts and bounds on one thread as on four. Finding the bands of all lanes and then
// quantifying them all at once leaves what finding and quantifying lane after lane leaves, also
// where the lanes overlap, so that a lane finds bands inside its neighbour and removes the
// neighbour's bands that lie inside it.
TEST_F(NoisyGel, FindBandsGivesTheSameBandsOnOneThreadAsOnFour) {
  const std::string path = im->file_path;
  auto run = [&](int threads, bool overlap, bool lane_by_lane) {
    ThreadCap cap(threads);
    gt_set_image_ptr(nullptr);
    im = gel_record(g, path);
    gt_set_image_ptr(im.get());
    pending_lanes();
    ctl->fnd_bnd_quant = 1;
    EXPECT_GT(gt_band_find_start(im.get(), 1), 0);
    std::vector<LANE*> lanes;
    for (LANE* l = im->lanes->next; l; l = l->next) lanes.push_back(l);
    if (overlap)
      for (LANE* l : lanes) l->left_width += g.pitch / 2, l->right_width += g.pitch / 2;
    auto find_again = [&] {
      gt_band_do_find(im.get(), im->min_top_band_thick, im->min_bot_band_thick, im->band_threshold,
                      im->band_threshold2, 1, 0, 1);
    };
    if (lane_by_lane) {
      for (LANE* one : lanes) {
        for (LANE* l : lanes) l->f &= ~uint32_t(LN_F_SELECTED);
        one->f |= LN_F_SELECTED;
        find_again();
      }
    } else {
      for (LANE* l : lanes) l->f |= LN_F_SELECTED;
      find_again();
    }
    return bands_of(im.get());
  };
  const std::vector<BandState> one = run(1, false, false);
  int quantified = 0;
  for (const BandState& b : one) quantified += !(b.f1 & SP_F1_QUANT_FAILED) && b.bounds[0] != -1;
  EXPECT_GE(quantified, int(4 * g.band_rows.size()));
  EXPECT_TRUE(run(4, false, false) == one);

  const std::vector<BandState> overlapped = run(1, true, true);
  ASSERT_FALSE(overlapped.empty());
  EXPECT_TRUE(run(1, true, false) == overlapped);
  EXPECT_TRUE(run(4, true, false) == overlapped);
}
