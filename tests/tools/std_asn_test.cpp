// Size and concentration standards assignment: set files, the value dialog, clicks in states 8
// and 9, and how the assignment windows commit or discard their points.
#include <gtest/gtest.h>

#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <string>

#include "base/ks_msg.h"
#include "engine/lane_geometry.h"
#include "model/spot.h"
#include "gel_record.h"
#include "model/control.h"
#include "model/std_list.h"
#include "model/task_state.h"
#include "shell/gt_image_win.h"
#include "test_support.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_band_mouse.h"
#include "tools/gt_std_tools.h"

using namespace toolstest;

namespace {

class StdAsn : public GelTest {
 protected:
  void TearDown() override {
    std_sasn_dismiss();
    std_casn_dismiss();
    ctl->size_stdset = ctl->conc_stdset = 0;
    ctl->size_stdset_path[0] = ctl->conc_stdset_path[0] = '\0';
    GelTest::TearDown();
  }
  std::string set_file(const std::string& text) {
    const std::string path = dir.file("ladder.std");
    FILE* f = std::fopen(path.c_str(), "w");
    std::fputs(text.c_str(), f);
    std::fclose(f);
    return path;
  }
  // Opens the size assignment window on the current image as the configuration's OK does.
  void open_size(const std::string& set_path, int auto_assign, int interp = 1) {
    ctl->size_stdset = set_path.empty() ? 0 : 1;
    std::snprintf(ctl->size_stdset_path, sizeof ctl->size_stdset_path, "%s", set_path.c_str());
    ctl->size_interp = interp;
    gt_set_state(TS_SIZE_STDS);
    gt_std_size_asgn_activate(nullptr, "ladder.std", nullptr, interp, 0, 0, 2, auto_assign);
  }
  void click(IMAGE_REC* at, int lane, int row, int modifier = 0) {
    at->click_pt[0] = g.lane_x(lane), at->click_pt[1] = row;
    gt_band_mouseclick(nullptr, nullptr, ctl, at, modifier);
  }
  int lane_number(int k) {
    LANE* l = im->lanes->next;
    for (int i = 0; i < k; ++i) l = l->next;
    return l->lane_number;
  }
  int points_of_lane(const STD_LIST* list, int lane_num) {
    int n = 0;
    for (int i = 0; i < list->count; ++i) n += list->records[i].lane_num == lane_num;
    return n;
  }
  // Answers the value dialog when it shows: typed text then OK, or Cancel for null.
  static void answer_value(const char* text) {
    QTimer::singleShot(0, [text] {
      TK_OBJ w = TKT_FindWindow("std_val", "std_val_win");
      if (!w) return;
      if (!text) return TKT_Click(RES_GetSub(w, 2));
      TKT_Type(RES_GetSub(w, 0), text);
      TKT_Click(RES_GetSub(w, 1));
    });
  }
  TK_OBJ sasn() { return TKT_FindWindow("std_sasn", "std_sasn_win"); }
};

TEST(StdValue, TextsGiveTheirNumberOrANoValueCode) {
  struct Case {
    const char* text;
    double want;
  } cases[] = {{"", GT_STD_NO_VALUE}, {"1.2.3", GT_STD_BAD_VALUE}, {"abc", GT_STD_BAD_VALUE},
               {"12.5", 12.5},        {"-1", -1.0},                {"500 ", GT_STD_BAD_VALUE}};
  for (const Case& c : cases) EXPECT_EQ(gt_std_parse_value(c.text), c.want) << c.text;
}

TEST_F(StdAsn, ValueDialogAnswersOkCancelAndBadText) {
  struct Case {
    const char* typed;  // null: Cancel
    double want;
  } cases[] = {{"250.5", 250.5}, {"", GT_STD_NO_VALUE}, {"1.2.3", GT_STD_BAD_VALUE}, {nullptr, GT_STD_NO_VALUE}};
  for (const Case& c : cases) {
    double v = 0;
    answer_value(c.typed);
    gt_std_val_activate(nullptr, &v);
    EXPECT_EQ(v, c.want) << (c.typed ? c.typed : "cancel");
  }
}

TEST_F(StdAsn, SizeSetFileWrapsWithMinusOneOnlyWithAutoAssign) {
  const std::string path = set_file("100\n200\n");
  for (int auto_assign : {1, 0}) {
    open_size(path, auto_assign);
    std::vector<std::string> got;
    for (int i = 0; i < 4; ++i) {
      char text[GT_STD_VALUE_LEN] = "";
      gt_std_size_set_val(text);
      got.push_back(text);
    }
    const std::vector<std::string> want =
        auto_assign ? std::vector<std::string>{"100", "200", "-1", "100"} : std::vector<std::string>{"100", "200", "", ""};
    EXPECT_EQ(got, want) << "auto " << auto_assign;
    std_sasn_dismiss();
  }
  EXPECT_EQ(ctl->task_state, TS_IDLE);
}

TEST_F(StdAsn, AutomaticAssignmentSkipsZerosAndEndsWhenTheSetIsGone) {
  ASSERT_GT(analysed(), 0);
  // Six bands per lane. The blank line skips the second band; the set's end ends the lane.
  const std::string path = set_file("600\n\n400\n");
  open_size(path, 1);
  click(im.get(), 0, 300);
  EXPECT_EQ(points_of_lane(im->pending_stds, lane_number(0)), 2);
  // The next lane starts at the set's first line again; a lane clicked again is replaced.
  click(im.get(), 1, 300);
  click(im.get(), 1, 300);
  EXPECT_EQ(points_of_lane(im->pending_stds, lane_number(1)), 2);
  // Values left over after a lane's last band are dropped.
  std_sasn_dismiss();
  set_file("600\n\n400\n300\n200\n100\n50\n");
  open_size(path, 1);
  click(im.get(), 2, 300);
  EXPECT_EQ(points_of_lane(im->pending_stds, lane_number(2)), 5);
  // Removed from disk, the set cannot start again (message 80): the lane being read ends with
  // the file, and a later lane takes no value instead of waiting for a -1 that never comes.
  std::filesystem::remove(path);
  click(im.get(), 3, 300);
  EXPECT_EQ(points_of_lane(im->pending_stds, lane_number(3)), 5);
  EXPECT_EQ(TKT_LastAlertText(), "The standard set file ladder.std cannot be opened.");
  click(im.get(), 2, 300);
  EXPECT_EQ(points_of_lane(im->pending_stds, lane_number(2)), 0);
}

TEST_F(StdAsn, AutomaticAssignmentChangesTheTierListOnlyAtOk) {
  ASSERT_GT(analysed(), 0);
  const std::string path = set_file("600\n500\n");
  open_size(path, 1);
  click(im.get(), 0, 300);
  TKT_Click(RES_GetSub(sasn(), 2));
  EVENT_Flush();
  STD_LIST* tier0 = im->size_stdp[0];
  ASSERT_EQ(points_of_lane(tier0, lane_number(0)), 2);
  // Assigning the lane again takes its points out while the assignment runs; Cancel puts
  // them back, OK replaces them.
  set_file("900\n");
  for (int ok : {0, 1}) {
    open_size(path, 1);
    click(im.get(), 0, 300);
    EXPECT_EQ(points_of_lane(tier0, lane_number(0)), 0);
    TKT_Click(RES_GetSub(sasn(), ok ? 2 : 3));
    EVENT_Flush();
    EXPECT_EQ(points_of_lane(tier0, lane_number(0)), ok ? 1 : 2) << "ok " << ok;
  }
}

TEST_F(StdAsn, ManualSizeClicksAskTheValueAndCheckTheOrder) {
  ASSERT_GT(analysed(), 0);
  open_size("", 0);
  answer_value("600");
  click(im.get(), 0, g.band_rows[0]);
  answer_value("300");
  click(im.get(), 0, g.band_rows[2]);
  ASSERT_EQ(im->pending_stds->count, 2);
  // A size growing downwards breaks the order (22); a band already taken gives 81; text that
  // is no number gives 23; the modifier takes back the last point.
  answer_value("900");
  click(im.get(), 0, g.band_rows[4]);
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(22));
  click(im.get(), 0, g.band_rows[2]);
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(81));
  answer_value("x");
  click(im.get(), 0, g.band_rows[4]);
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(23));
  EXPECT_EQ(im->pending_stds->count, 2);
  click(im.get(), 0, 0, 1);
  EXPECT_EQ(im->pending_stds->count, 1);
}

TEST_F(StdAsn, SizeCommitDropsDuplicatesOnceAndKeepsTheMethodsThen) {
  ASSERT_GT(analysed(), 0);
  STD_LIST* tier0 = im->size_stdp[0];
  const SPOT* b = sp_nearest_by_y(im->lanes->next, g.band_rows[1], -1, im->bands);
  ASSERT_NE(b, nullptr);
  STD_MARKER old;
  std_marker_clear(&old);
  old.x = b->x, old.y = b->y, old.value = 500, old.lane_num = lane_number(0), old.flags = STD_M_VALID;
  std_list_append(tier0, &old);
  tier0->int_method = 2;
  open_size("", 0, 3);
  for (double dx : {0.2, -0.3}) {
    STD_MARKER p = old;
    p.x += dx, p.value = 500 + dx;
    std_list_append(im->pending_stds, &p);
  }
  const int unanswered = TKT_Unanswered();
  TKT_Click(RES_GetSub(sasn(), 2));
  EVENT_Flush();
  EXPECT_EQ(TKT_Unanswered() - unanswered, 1);
  EXPECT_EQ(TKT_LastAlertText(), ui_msg(3));
  EXPECT_EQ(tier0->count, 1);
  EXPECT_EQ(tier0->int_method, 2);  // left as it was when a point failed
  EXPECT_EQ(im->pending_stds->count, 0);
  EXPECT_EQ(ctl->task_state, TS_IDLE);
  EXPECT_EQ(sasn(), nullptr);
}

TEST_F(StdAsn, AssignmentBelongsToItsImageAndEndsWithItsWindow) {
  ASSERT_GT(analysed(), 0);
  auto other = gel_record(g, dir.file("gel.kes"));
  gt_set_image_ptr(im.get());
  open_size("", 0, 4);
  answer_value("600");
  click(im.get(), 0, g.band_rows[0]);
  // Another image becomes current: its presses are ignored, OK commits into the first image.
  gt_set_image_ptr(other.get());
  click(other.get(), 0, g.band_rows[2]);
  EXPECT_EQ(other->pending_stds->count, 0);
  TKT_Click(RES_GetSub(sasn(), 2));
  EVENT_Flush();
  EXPECT_EQ(im->size_stdp[0]->count, 1);
  EXPECT_EQ(im->size_stdp[0]->int_method, 4);
  EXPECT_TRUE(!other->size_stdp || !other->size_stdp[0] || other->size_stdp[0]->count == 0);
  // Each ending that is not OK discards the points and returns to state 0; so does the
  // closing of the assignment's image.
  for (int how = 0; how < 4; ++how) {
    SCOPED_TRACE(how);
    gt_set_image_ptr(im.get());
    open_size("", 0, 4);
    answer_value("300");
    click(im.get(), 0, g.band_rows[2]);
    ASSERT_EQ(im->pending_stds->count, 1);
    gt_set_image_ptr(other.get());
    if (how == 0) TKT_Click(RES_GetSub(sasn(), 3));
    if (how == 1) TKT_Close(sasn());
    if (how == 2) gt_tool_wins_dismiss_all();
    if (how == 3) gt_std_image_closing(im.get());
    EVENT_Flush();
    EXPECT_EQ(sasn(), nullptr);
    EXPECT_EQ(im->pending_stds->count, 0);
    EXPECT_EQ(im->size_stdp[0]->count, 1);
    EXPECT_EQ(ctl->task_state, TS_IDLE);
  }
  gt_set_image_ptr(im.get());
}

TEST_F(StdAsn, ConcentrationCommitMarksTheBandAndRecomputes) {
  ASSERT_GT(analysed(), 0);
  gt_set_state(TS_CONC_STDS);
  gt_std_conc_asgn_activate(nullptr, "", nullptr, 3, 0, 0);
  SPOT* b = sp_nearest_by_y(im->lanes->next, g.band_rows[1], -1, im->bands);
  ASSERT_NE(b, nullptr);
  b->amount = b->amount > 0 ? b->amount : 10.0;
  answer_value("5");
  click(im.get(), 0, g.band_rows[1]);
  ASSERT_EQ(im->pending_stds->count, 1);
  click(im.get(), 0, g.band_rows[1]);  // already pending: 25
  EXPECT_EQ(TKT_LastAlertText(), gt_get_message(25));
  SPOT* c = sp_nearest_by_y(im->lanes->next, g.band_rows[3], -1, im->bands);
  c->amount = 2 * b->amount;
  answer_value("10");
  click(im.get(), 0, g.band_rows[3]);
  TKT_Click(RES_GetSub(TKT_FindWindow("std_casn", "std_casn_win"), 2));
  EVENT_Flush();
  ASSERT_NE(im->conc_stdp, nullptr);
  EXPECT_EQ((*im->conc_stdp)->count, 2);
  EXPECT_TRUE(b->f2 & SP_F2_CONC_STD);
  EXPECT_TRUE(c->f2 & SP_F2_CONC_STD);
  EXPECT_EQ((*im->conc_stdp)->int_method, 3);
  EXPECT_EQ(ctl->task_state, TS_IDLE);
  EXPECT_NEAR(c->std_value, 10.0, 1e-3);
}

}  // namespace

namespace {

class StdConfig : public StdAsn {};

TEST_F(StdConfig, SizeDialogStartsFromTheListAndStoresTheMappedMethod) {
  ASSERT_GT(analysed(), 0);
  STD_LIST* tier0 = im->size_stdp[0];
  STD_MARKER m;
  std_marker_clear(&m);
  m.x = m.y = 5, m.value = 100, m.lane_num = lane_number(0), m.flags = STD_M_VALID;
  std_list_append(tier0, &m);
  tier0->int_method = 2;  // Robust: not offered, shown as Logarithmic
  tier0->use_repeats = 0, tier0->repeat_length = 0;
  ctl->size_interp = 3;
  int shown = -1, len_enabled = -1, auto_enabled = -1, set_value = -1;
  std::string len_text = "?";
  QTimer::singleShot(0, [&] {
    TK_OBJ w = TKT_FindWindow("std_size", "std_size_win");
    if (!w) return;
    shown = WGT_GetChoice(RES_GetSub(w, 5));
    const char* t = WGT_GetText(RES_GetSub(w, 10));
    len_text = t ? t : "";
    len_enabled = WGT_IsEnabled(RES_GetSub(w, 10));
    // The set switch turned on with the chooser cancelled goes off again, auto-assign greyed.
    TKT_Click(RES_GetSub(w, 7));
    set_value = static_cast<int>(WGT_GetValue(RES_GetSub(w, 7)));
    auto_enabled = WGT_IsEnabled(RES_GetSub(w, 8));
    TKT_Click(RES_GetSub(w, 3));
  });
  gt_std_size_config_activate(nullptr);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(len_text, "");
  EXPECT_EQ(len_enabled, 0);
  EXPECT_EQ(set_value, 0);
  EXPECT_EQ(auto_enabled, 0);
  EXPECT_EQ(ctl->task_state, TS_SIZE_STDS);
  ASSERT_NE(sasn(), nullptr);
  TKT_Click(RES_GetSub(sasn(), 2));
  EVENT_Flush();
  EXPECT_EQ(tier0->int_method, 1);
  EXPECT_EQ(ctl->task_state, TS_IDLE);
}

TEST_F(StdConfig, CancelReturnsToStateZeroWithoutAWindow) {
  ASSERT_GT(analysed(), 0);
  QTimer::singleShot(0, [] {
    if (TK_OBJ w = TKT_FindWindow("std_conc", "std_conc_win")) TKT_Click(RES_GetSub(w, 6));
  });
  gt_std_conc_config_activate(nullptr);
  EXPECT_EQ(ctl->task_state, TS_IDLE);
  EXPECT_EQ(TKT_FindWindow("std_casn", "std_casn_win"), nullptr);
  ASSERT_NE(im->conc_stdp, nullptr);  // the list is made when missing
  EXPECT_NE(*im->conc_stdp, nullptr);
}

}  // namespace
