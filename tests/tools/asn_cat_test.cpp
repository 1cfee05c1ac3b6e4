// The category assignment dialog: the lists it opens with, the moves, and what OK, Cancel and
// the close box do to the selected lanes' characteristics.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "gel_record.h"
#include "grab.h"
#include "model/lanechar.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_asn_cat.h"

namespace {

using toolstest::GelTest;
using Chars = std::vector<std::pair<std::string, std::string>>;

// Parts: 0 available, 1 assigned, 4 Add Before, 5 Add After, 6 Remove, 7 OK, 8 Cancel.
class AssignCategories : public GelTest {
 protected:
  void SetUp() override {
    GelTest::SetUp();
    analysed();
    kept_ = {ctl->max_lane_chars, ctl->num_lane_chars, ctl->lane_chars};
    for (const char* n : {"A", "B", "C"}) std::snprintf(names_[count_++], CTL_LC_NAME, "%s", n);
    ctl->lane_chars = names_, ctl->max_lane_chars = ctl->num_lane_chars = 3;
    for (LANE* l = im->lanes->next; l; l = l->next) l->f &= ~uint32_t(LN_F_SELECTED);
    lane = im->lanes->next;
    other = lane->next;
    lane->f |= LN_F_SELECTED;
    im->num_sel_lanes = 1;
    set_chars(lane, {{"A", "x"}, {"B", "y"}});
    set_chars(other, {{"A", "p"}});
    im->modified = 0;
  }
  void TearDown() override {
    ctl->max_lane_chars = kept_.max, ctl->num_lane_chars = kept_.num, ctl->lane_chars = kept_.names;
    GelTest::TearDown();
  }
  static void set_chars(LANE* l, const Chars& c) {
    const int n = static_cast<int>(c.size());
    l->lane_chars = static_cast<LANECHAR**>(ks_alloc_msg(sizeof(LANECHAR*) * n));
    for (int k = 0; k < n; ++k) {
      l->lane_chars[k] = static_cast<LANECHAR*>(ks_alloc_msg(sizeof(LANECHAR)));
      std::snprintf(l->lane_chars[k]->name, 21, "%s", c[k].first.c_str());
      std::snprintf(l->lane_chars[k]->value, 21, "%s", c[k].second.c_str());
    }
    l->num_lane_chars = l->num_labeled_chars = n;
  }
  static Chars chars(const LANE* l) {
    Chars c;
    for (int k = 0; k < l->num_lane_chars; ++k) c.emplace_back(l->lane_chars[k]->name, l->lane_chars[k]->value);
    return c;
  }
  static std::vector<std::string> rows(TK_OBJ w, int part) {
    std::vector<std::string> r;
    for (int i = 0; i < LIST_Count(RES_GetSub(w, part)); ++i) r.emplace_back(LIST_Item(RES_GetSub(w, part), i));
    return r;
  }
  // Selects a row of each list, then presses the move button.
  static void move(TK_OBJ w, int avail_row, int asn_row, int button) {
    TKT_Pick(RES_GetSub(w, 0), avail_row);
    TKT_Pick(RES_GetSub(w, 1), asn_row);
    TKT_Click(RES_GetSub(w, button));
  }
  void run(std::function<void(TK_OBJ)> act) {
    opened_ = false;
    QTimer::singleShot(0, [=, this] {
      if (TK_OBJ w = TKT_FindWindow("asn_cat", "asncat_win")) {
        opened_ = true;
        act(w);
      }
    });
    gt_asn_cat_activate(nullptr, im.get());
    QCoreApplication::processEvents();  // a timer left when nothing opened fires here
  }
  // Remove A, then C after B: the assigned list B, C.
  static void assign_b_c(TK_OBJ w) {
    move(w, 0, 0, 6);
    move(w, 1, 0, 5);
  }

  LANE* lane = nullptr;
  LANE* other = nullptr;
  bool opened_ = false;

 private:
  struct {
    int max, num;
    char (*names)[CTL_LC_NAME];
  } kept_{};
  char names_[3][CTL_LC_NAME] = {};
  int count_ = 0;
};

TEST_F(AssignCategories, NewCategoryTakesTheDroppedValue) {
  std::vector<std::string> avail, asn, after;
  run([&](TK_OBJ w) {
    avail = rows(w, 0), asn = rows(w, 1);
    assign_b_c(w);
    after = rows(w, 1);
    EXPECT_TRUE(toolstest::grab(w, dir.str(), "asn_cat"));
    TKT_Click(RES_GetSub(w, 7));
  });
  EXPECT_EQ(avail, (std::vector<std::string>{"C", "", ""}));
  EXPECT_EQ(asn, (std::vector<std::string>{"A", "B", ""}));
  EXPECT_EQ(after, (std::vector<std::string>{"B", "C", ""}));
  EXPECT_EQ(chars(lane), (Chars{{"B", "y"}, {"C", "x"}}));
  EXPECT_EQ(lane->num_labeled_chars, 2);
  EXPECT_EQ(chars(other), (Chars{{"A", "p"}}));  // not selected
  EXPECT_EQ(im->modified, 1);
}

TEST_F(AssignCategories, CancelKeepsAndCloseBoxApplies) {
  run([&](TK_OBJ w) {
    assign_b_c(w);
    TKT_Click(RES_GetSub(w, 8));
  });
  EXPECT_EQ(chars(lane), (Chars{{"A", "x"}, {"B", "y"}}));
  EXPECT_EQ(im->modified, 0);
  run([&](TK_OBJ w) {
    assign_b_c(w);
    TKT_Close(w);
  });
  EXPECT_EQ(chars(lane), (Chars{{"B", "y"}, {"C", "x"}}));
}

// A lane carrying every assigned category is left as it is, removed categories included; so is
// every lane when nothing is assigned.
TEST_F(AssignCategories, LaneWithEveryAssignedCategoryIsUnchanged) {
  run([&](TK_OBJ w) {
    move(w, 0, 0, 6);  // remove A: B alone is assigned
    TKT_Click(RES_GetSub(w, 7));
  });
  EXPECT_EQ(chars(lane), (Chars{{"A", "x"}, {"B", "y"}}));
  run([&](TK_OBJ w) {
    move(w, 0, 0, 6);
    move(w, 0, 0, 6);
    EXPECT_EQ(rows(w, 1), (std::vector<std::string>{""}));
    TKT_Click(RES_GetSub(w, 7));
  });
  EXPECT_EQ(chars(lane), (Chars{{"A", "x"}, {"B", "y"}}));
}

TEST_F(AssignCategories, WithoutCategoriesNothingOpens) {
  ctl->num_lane_chars = 0;
  run([](TK_OBJ) {});
  EXPECT_FALSE(opened_);
  EXPECT_EQ(chars(lane), (Chars{{"A", "x"}, {"B", "y"}}));
}

}  // namespace
