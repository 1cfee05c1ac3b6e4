// The label editors as a user drives them: the label values of the selected lanes, the
// categories, lane selection files and standard sets, each with its grid, files and messages.
#include <gtest/gtest.h>

#include <QTimer>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "file_faults.h"
#include "test_support.h"
#include "gel_record.h"
#include "grab.h"
#include "model/lanechar.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "toolkit/tk_grid.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_label_dlgs.h"
#include "tools/gt_label_grid.h"

namespace {

using toolstest::GelTest;
using Row = std::vector<std::string>;

void when_open(const char* module, const char* window, std::function<void(TK_OBJ)> act) {
  QTimer::singleShot(0, [=] {
    if (TK_OBJ w = TKT_FindWindow(module, window)) act(w);
  });
}

Row grid_row(TK_OBJ grid, int r) {
  const LabelCells& c = lbl_grid(grid)->cells;
  Row out;
  for (int k = 0; k < c.cols; ++k) out.push_back(c.at(r, k));
  return out;
}

// The lane's characteristics, every one with a category: (name, value) pairs.
void give_chars(LANE* l, const std::vector<std::pair<std::string, std::string>>& chars) {
  for (int i = 0; i < l->num_lane_chars; ++i) ks_free(l->lane_chars[i]);
  ks_free(l->lane_chars);
  const int n = static_cast<int>(chars.size());
  l->lane_chars = static_cast<LANECHAR**>(ks_alloc_msg(sizeof(LANECHAR*) * std::max(n, 1)));
  for (int i = 0; i < n; ++i) {
    l->lane_chars[i] = ks_new_rec<LANECHAR>();
    std::snprintf(l->lane_chars[i]->name, sizeof l->lane_chars[i]->name, "%s", chars[i].first.c_str());
    std::snprintf(l->lane_chars[i]->value, sizeof l->lane_chars[i]->value, "%s", chars[i].second.c_str());
  }
  l->num_lane_chars = l->num_labeled_chars = n;
}

std::string value_of(const LANE* l, const char* name) {
  for (int i = 0; i < l->num_lane_chars; ++i)
    if (std::string(l->lane_chars[i]->name) == name) return l->lane_chars[i]->value;
  return "(none)";
}

class LabelValues : public GelTest {
 protected:
  void SetUp() override {
    GelTest::SetUp();
    analysed();
    for (LANE* l = im->lanes->next; l; l = l->next) lanes.push_back(l);
    ASSERT_EQ(lanes.size(), 4u);
    give_chars(lanes[0], {{"B", "b0"}, {"A", "a0"}});
    give_chars(lanes[1], {{"A", "a1"}});
    give_chars(lanes[2], {{"C", "c2"}, {"B", "b2"}});
    give_chars(lanes[3], {{"A", "a3"}});
    for (int i = 0; i < 4; ++i) {
      if (i < 3) lanes[i]->f |= LN_F_SELECTED;
      else lanes[i]->f &= ~uint32_t(LN_F_SELECTED);
    }
    std::snprintf(lanes[1]->lane_name, sizeof lanes[1]->lane_name, "wild");
    im->num_sel_lanes = 3;
    im->modified = 0;
  }
  std::vector<LANE*> lanes;
};

TEST_F(LabelValues, RowsAreTheSortedCategoriesAndOkWritesOnlyMatchingLanes) {
  std::vector<std::string> rows, heads;
  Row a, b;
  bool edit_a3 = false;
  when_open("ch_lane", "ch_lane_win", [&](TK_OBJ w) {
    TK_OBJ grid = RES_GetSub(w, 2);
    rows = lbl_grid(grid)->row_names;
    heads = lbl_grid(grid)->col_heads;
    a = grid_row(grid, 0), b = grid_row(grid, 1);
    edit_a3 = TKT_GridEdit(grid, 0, 2, "for nobody");
    TKT_GridEdit(grid, 1, 0, "b0 new");
    TKT_GridEdit(grid, 2, 2, "c2 typed past twenty chars", false);  // ended by OK
    GRID_MoveTo(grid, -1, 1);
    EXPECT_STREQ(GRID_InfoText(grid), "lane 'wild'");
    GRID_MoveTo(grid, 1, -1);
    EXPECT_STREQ(GRID_InfoText(grid), " 2:  B");
    EXPECT_EQ(WGT_IsEnabled(RES_GetSub(w, 9)), 0);  // row box 4: no fourth row
    EXPECT_TRUE(toolstest::grab(w, dir.str(), "ch_lane"));
    TKT_Click(RES_GetSub(w, 0));
  });
  gt_lane_chars(nullptr, im.get());
  EXPECT_EQ(rows, (Row{"A", "B", "C"}));
  EXPECT_EQ(heads, (Row{std::to_string(lanes[0]->lane_number), "wild", std::to_string(lanes[2]->lane_number)}));
  EXPECT_EQ(a, (Row{"a0", "a1", ""}));
  EXPECT_EQ(b, (Row{"b0", "", "b2"}));
  EXPECT_TRUE(edit_a3);  // the cell can be edited, but no lane takes it
  EXPECT_EQ(value_of(lanes[2], "A"), "(none)");
  EXPECT_EQ(lanes[2]->num_lane_chars, 2);
  EXPECT_EQ(value_of(lanes[0], "B"), "b0 new");
  EXPECT_EQ(value_of(lanes[2], "C"), "c2 typed past twenty");
  EXPECT_EQ(value_of(lanes[3], "A"), "a3");  // not selected
  EXPECT_EQ(im->modified, 1);
}

TEST_F(LabelValues, CancelChangesNothingAndUnlabelledCharacteristicsRefuse) {
  when_open("ch_lane", "ch_lane_win", [](TK_OBJ w) {
    TKT_GridEdit(RES_GetSub(w, 2), 0, 0, "changed");
    TKT_Close(w);
  });
  EXPECT_EQ(gt_char_lane_activate(nullptr, lanes[0], 0), 0);
  EXPECT_EQ(value_of(lanes[0], "A"), "a0");

  lanes[1]->num_labeled_chars = 0;
  TKT_AnswerAlert(1);
  EXPECT_EQ(gt_char_lane_activate(nullptr, lanes[0], 0), 0);
  EXPECT_EQ(TKT_LastAlertText(), ks_gt_message(186));
  EXPECT_EQ(TKT_Unanswered(), 0);
}

TEST_F(LabelValues, RowsPastTheTenthAreShownAndApplied) {
  std::vector<std::pair<std::string, std::string>> many;
  for (int i = 0; i < 12; ++i) many.push_back({"K" + std::to_string(10 + i), "v" + std::to_string(i)});
  give_chars(lanes[0], many);
  lanes[1]->f &= ~uint32_t(LN_F_SELECTED), lanes[2]->f &= ~uint32_t(LN_F_SELECTED);
  int rows = 0;
  when_open("ch_lane", "ch_lane_win", [&](TK_OBJ w) {
    rows = GRID_Rows(RES_GetSub(w, 2));
    TKT_GridEdit(RES_GetSub(w, 2), 11, 0, "last");
    TKT_Click(RES_GetSub(w, 0));
  });
  EXPECT_EQ(gt_char_lane_activate(nullptr, lanes[0], 0), 1);
  EXPECT_EQ(rows, 12);
  EXPECT_EQ(value_of(lanes[0], "K20"), "v10");
  EXPECT_EQ(value_of(lanes[0], "K21"), "last");
}

TEST_F(LabelValues, SaveAsAsksLeavesRemovedRowsOutAndLoadBringsCellsBack) {
  const std::string path = dir.file("lanechar.csv");
  std::ofstream(path) << "old\n";
  std::string declined, failed, after_load;
  when_open("ch_lane", "ch_lane_win", [&](TK_OBJ w) {
    TK_OBJ grid = RES_GetSub(w, 2);
    TKT_Pick(RES_GetSub(w, 7), 3);  // row B: "<remove>"
    TKT_AnswerChooser({path});
    TKT_AnswerAlert(1);  // do not replace
    TKT_Click(RES_GetSub(w, 3));
    declined = vxtest::read_text(path);
    {
      vxtest::FileFaults full({.write_budget = 0});
      TKT_AnswerChooser({path});
      TKT_AnswerAlert(2);
      TKT_AnswerAlert(1);
      TKT_Click(RES_GetSub(w, 3));
      failed = TKT_LastAlertText();
    }
    TKT_AnswerChooser({path});
    TKT_AnswerAlert(2);
    TKT_Click(RES_GetSub(w, 3));
    TKT_GridEdit(grid, 0, 0, "edited");
    TKT_GridEdit(grid, 1, 2, "edited");
    TKT_AnswerChooser({path});
    TKT_Click(RES_GetSub(w, 4));
    after_load = grid_row(grid, 0)[0] + "|" + grid_row(grid, 1)[2] + "|" + grid_row(grid, 2)[2];
    TKT_Click(RES_GetSub(w, 1));
  });
  gt_lane_chars(nullptr, im.get());
  EXPECT_EQ(declined, "old\n");
  EXPECT_EQ(failed, ui_msg(243));
  EXPECT_EQ(vxtest::read_text(path), "\"A\",\"a0\",\"a1\",\"\"\n\"C\",\"\",\"\",\"c2\"\n");
  EXPECT_EQ(after_load, "a0||c2");  // row B was not saved: loading empties it
  EXPECT_EQ(im->modified, 1);      // by Load
  EXPECT_EQ(TKT_Unanswered(), 0);
}

// Save As and Load through the dialog of "Labels: Values...": four lanes with doses, strains
// and a lot whose category name holds a blank and "&". Each line of the saved file comes back
// into the row of the category it names, however the row boxes left the file; a second line of
// one category is left out and named to the user, and OK gives the lanes what was loaded.
TEST_F(LabelValues, SavedLabelFileLoadsEachCategoryOnceIntoItsOwnRow) {
  const Row dose = {"10", "20", "30", "40"}, strain = {"wt", "mut", "wt", "mut"},
            lot = {"lot 7", "lot 7", "lot 9", "lot 9"}, none = {"", "", "", ""};
  // Rows in the dialog: "R&D lot", "dose", "strain"; each row box lists them and "<remove>".
  struct Case {
    const char* what;
    std::vector<std::pair<int, int>> picks;  // row box, entry
    Row lot, dose, strain;                   // the rows after Load
    std::string alert;
  };
  char two_doses[512];
  std::snprintf(two_doses, sizeof two_doses, ks_gt_message(198), "line 3: dose");
  const Case cases[] = {
      {"as shown", {}, lot, dose, strain, ""},
      {"a row removed", {{0, 3}}, none, dose, strain, ""},
      {"rows reordered", {{1, 2}, {2, 1}}, lot, strain, dose, ""},
      {"two rows under one name", {{2, 1}}, lot, dose, none, two_doses},
  };
  int k = 0;
  for (const Case& c : cases) {
    for (int i = 0; i < 4; ++i) {
      give_chars(lanes[i], {{"dose", dose[i]}, {"strain", strain[i]}, {"R&D lot", lot[i]}});
      lanes[i]->f |= LN_F_SELECTED;
    }
    im->num_sel_lanes = 4;
    const std::string path = dir.file("labels" + std::to_string(++k) + ".csv");
    std::vector<Row> loaded;
    std::string alert;
    when_open("ch_lane", "ch_lane_win", [&](TK_OBJ w) {
      TK_OBJ grid = RES_GetSub(w, 2);
      for (const auto& [box, entry] : c.picks) TKT_Pick(RES_GetSub(w, 6 + box), entry);
      TKT_AnswerChooser({path});
      TKT_Click(RES_GetSub(w, 3));
      for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 4; ++col) TKT_GridEdit(grid, r, col, "typed");
      if (!c.alert.empty()) TKT_AnswerAlert(1);
      TKT_AnswerChooser({path});
      TKT_Click(RES_GetSub(w, 4));
      alert = TKT_LastAlertText();
      for (int r = 0; r < 3; ++r) loaded.push_back(grid_row(grid, r));
      TKT_Click(RES_GetSub(w, 0));
    });
    gt_lane_chars(nullptr, im.get());
    ASSERT_EQ(loaded.size(), 3u) << c.what;
    EXPECT_EQ(loaded[0], c.lot) << c.what;
    EXPECT_EQ(loaded[1], c.dose) << c.what;
    EXPECT_EQ(loaded[2], c.strain) << c.what;
    if (!c.alert.empty()) {
      EXPECT_EQ(alert, c.alert) << c.what;
    }
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(value_of(lanes[i], "R&D lot"), c.lot[i]) << c.what << " lane " << i;
      EXPECT_EQ(value_of(lanes[i], "dose"), c.dose[i]) << c.what << " lane " << i;
      EXPECT_EQ(value_of(lanes[i], "strain"), c.strain[i]) << c.what << " lane " << i;
    }
    EXPECT_EQ(TKT_Unanswered(), 0) << c.what;
  }
}

// The control record's categories, put back after each test.
class LabelEditors : public GelTest {
 protected:
  void SetUp() override {
    GelTest::SetUp();
    saved_names = ctl->lane_chars, saved_n = ctl->num_lane_chars, saved_max = ctl->max_lane_chars;
    ctl->lane_chars = nullptr;
    set_categories({"Zeta", "Alpha"});
  }
  void TearDown() override {
    ks_free(ctl->lane_chars);
    ctl->lane_chars = saved_names, ctl->num_lane_chars = saved_n, ctl->max_lane_chars = saved_max;
    GelTest::TearDown();
  }
  void set_categories(const std::vector<std::string>& names) {
    ks_free(ctl->lane_chars);
    const int n = static_cast<int>(names.size());
    ctl->lane_chars = static_cast<char(*)[CTL_LC_NAME]>(ks_alloc_msg(std::max(n, 1) * CTL_LC_NAME));
    for (int i = 0; i < n; ++i) std::snprintf(ctl->lane_chars[i], CTL_LC_NAME, "%s", names[i].c_str());
    ctl->num_lane_chars = ctl->max_lane_chars = n;
  }
  std::vector<std::string> categories() const {
    std::vector<std::string> out;
    for (int i = 0; i < ctl->num_lane_chars; ++i) out.emplace_back(ctl->lane_chars[i]);
    return out;
  }
  char (*saved_names)[CTL_LC_NAME] = nullptr;
  int saved_n = 0, saved_max = 0;
};

TEST_F(LabelEditors, CategoriesAreSortedSavedWithoutGapsAndTakenOver) {
  const std::string path = dir.file("cats.csv");
  Row shown;
  when_open("crt_cat", "crt_cat_win", [&](TK_OBJ w) {
    TK_OBJ grid = RES_GetSub(w, 1);
    shown = {grid_row(grid, 0)[0], grid_row(grid, 1)[0], grid_row(grid, 2)[0]};
    TKT_GridEdit(grid, 4, 0, "Beta");  // after a gap
    EXPECT_TRUE(toolstest::grab(w, dir.str(), "crt_cat"));
    TKT_AnswerChooser({path});
    TKT_Click(RES_GetSub(w, 2));
  });
  gt_crt_cat_activate(nullptr);
  EXPECT_EQ(shown, (Row{"Alpha", "Zeta", ""}));
  EXPECT_EQ(vxtest::read_text(path), "\"Alpha\"\n\"Zeta\"\n\"Beta\"\n");
  EXPECT_EQ(categories(), (Row{"Alpha", "Zeta", "Beta"}));
  when_open("crt_cat", "crt_cat_win", [&](TK_OBJ w) {
    TK_OBJ grid = RES_GetSub(w, 1);
    shown = {grid_row(grid, 0)[0], grid_row(grid, 1)[0], grid_row(grid, 2)[0]};
    TKT_Click(RES_GetSub(w, 0));
  });
  gt_crt_cat_activate(nullptr);
  EXPECT_EQ(shown, (Row{"Alpha", "Beta", "Zeta"}));
}

TEST_F(LabelEditors, CategoriesEmptyGridCancelledChooserAndFailedWriteKeepTheList) {
  const std::string path = dir.file("cats.csv");
  std::ofstream(path) << "old\n";
  struct Case {
    const char* what;
    std::function<void(TK_OBJ grid)> act;
    std::string alert;
  } cases[] = {
      {"empty grid", [](TK_OBJ grid) {
         TKT_GridEdit(grid, 0, 0, "");
         TKT_GridEdit(grid, 1, 0, "");
         TKT_AnswerAlert(1);
       }, ks_gt_message(152)},
      {"chooser cancelled", [](TK_OBJ grid) { TKT_GridEdit(grid, 0, 0, "New"); TKT_AnswerChooser({}); }, ""},
      {"overwrite declined", [&](TK_OBJ grid) {
         TKT_GridEdit(grid, 0, 0, "New");
         TKT_AnswerChooser({path});
         TKT_AnswerAlert(1);
         TKT_AnswerAlert(1);
       }, ui_msg(243)},
  };
  for (const Case& c : cases) {
    when_open("crt_cat", "crt_cat_win", [&](TK_OBJ w) {
      c.act(RES_GetSub(w, 1));
      TKT_Click(RES_GetSub(w, 2));
    });
    gt_crt_cat_activate(nullptr);
    EXPECT_EQ(categories(), (Row{"Zeta", "Alpha"})) << c.what;
    EXPECT_EQ(vxtest::read_text(path), "old\n") << c.what;
    if (!c.alert.empty()) {
      EXPECT_EQ(TKT_LastAlertText(), c.alert) << c.what;
    }
    EXPECT_EQ(TKT_Unanswered(), 0) << c.what;
  }
  vxtest::FileFaults full({.write_budget = 0});
  when_open("crt_cat", "crt_cat_win", [&](TK_OBJ w) {
    TKT_AnswerChooser({path});
    TKT_AnswerAlert(2);
    TKT_AnswerAlert(1);
    TKT_Click(RES_GetSub(w, 2));
  });
  gt_crt_cat_activate(nullptr);
  EXPECT_EQ(categories(), (Row{"Zeta", "Alpha"}));
  EXPECT_EQ(vxtest::read_text(path), "old\n");
  EXPECT_EQ(TKT_LastAlertText(), ui_msg(243));
}

TEST_F(LabelEditors, SelectionRowsAreTheCategoriesAndLoadNeedsNoImage) {
  const std::string path = dir.file("pick.sel");
  std::vector<std::string> heads;
  bool edit_undef = true;
  Row loaded;
  when_open("crt_sel", "crt_sel_win", [&](TK_OBJ w) {
    TK_OBJ grid = RES_GetSub(w, 1);
    heads = lbl_grid(grid)->row_heads;
    edit_undef = TKT_GridEdit(grid, 2, 0, "x");
    TKT_AnswerAlert(1);
    TKT_Click(RES_GetSub(w, 2));  // nothing to save yet
    TKT_GridEdit(grid, 1, 0, "Alpha");
    TKT_GridEdit(grid, 1, 2, "high");
    TKT_AnswerChooser({path});
    TKT_Click(RES_GetSub(w, 2));
    TKT_GridEdit(grid, 1, 2, "");
    gt_set_image_ptr(nullptr);  // no image open: Load marks nothing
    TKT_AnswerChooser({path});
    TKT_Click(RES_GetSub(w, 3));
    loaded = grid_row(grid, 1);
    EXPECT_TRUE(toolstest::grab(w, dir.str(), "crt_sel"));
    TKT_Click(RES_GetSub(w, 0));
  });
  gt_ctr_sel_activate(nullptr);
  EXPECT_EQ(heads[0], " 1:  Zeta");
  EXPECT_EQ(heads[2], " 3:  <undef>");
  EXPECT_FALSE(edit_undef);
  EXPECT_EQ(vxtest::read_text(path), "\n\"Alpha\",\"\",\"high\"\n");
  EXPECT_EQ(loaded, (Row{"Alpha", "", "high", "", ""}));
  EXPECT_EQ(TKT_Unanswered(), 0);

  set_categories({});
  TKT_AnswerAlert(1);
  gt_ctr_sel_activate(nullptr);
  EXPECT_EQ(TKT_LastAlertText(), ks_gt_message(149));
}

TEST_F(LabelEditors, StandardSetRefusesTextAndLoadsIntoTheCurrentImage) {
  const std::string path = dir.file("ladder.std");
  std::string refused;
  Row loaded;
  im->modified = 0;
  when_open("crt_std", "crt_std_win", [&](TK_OBJ w) {
    TK_OBJ grid = RES_GetSub(w, 1);
    TKT_GridEdit(grid, 0, 0, "1000");
    TKT_GridEdit(grid, 3, 0, "1-2");
    TKT_AnswerAlert(1);
    TKT_Click(RES_GetSub(w, 2));
    refused = TKT_LastAlertText();
    TKT_GridEdit(grid, 3, 0, "250.5", false);  // Save ends the edit
    TKT_AnswerChooser({path});
    TKT_Click(RES_GetSub(w, 2));
    TKT_GridEdit(grid, 0, 0, "");
    TKT_AnswerChooser({path});
    TKT_Click(RES_GetSub(w, 3));
    loaded = {grid_row(grid, 0)[0], grid_row(grid, 3)[0]};
    GRID_MoveTo(grid, 4, -1);
    EXPECT_STREQ(GRID_InfoText(grid), " 5:  Marker 005");
    EXPECT_TRUE(toolstest::grab(w, dir.str(), "crt_std"));
    TKT_Close(w);
  });
  gt_crt_std_activate(nullptr);
  EXPECT_EQ(refused, ks_gt_message(153));
  EXPECT_EQ(vxtest::read_text(path), "1000\n\n\n250.5\n");
  EXPECT_EQ(loaded, (Row{"1000", "250.5"}));
  EXPECT_EQ(im->modified, 1);
  EXPECT_EQ(TKT_Unanswered(), 0);
}

TEST_F(LabelEditors, MenuCommandsOpenTheEditors) {
  for (int c : {GT_CMD_LABEL_VALUES, GT_CMD_LABEL_CATEGORIES, GT_CMD_SELECTION_FILES, GT_CMD_STD_SETS})
    EXPECT_TRUE(gt_dispatch_handles(c)) << c;
  // Selection files and standard sets open without an image.
  const std::pair<int, const char*> opened[] = {{GT_CMD_SELECTION_FILES, "crt_sel"}, {GT_CMD_STD_SETS, "crt_std"}};
  for (const auto& [command, module] : opened) {
    bool seen = false;
    const std::string win = std::string(module) + "_win";
    when_open(module, win.c_str(), [&](TK_OBJ w) {
      seen = true;
      TKT_Close(w);
    });
    main_winNfySelMenuBar(nullptr, command);
    EXPECT_TRUE(seen) << module;
  }
}

}  // namespace
