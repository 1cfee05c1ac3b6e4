// The annotation tool driven as a user drives it: presses, moves and releases on the image.
#include <gtest/gtest.h>

#include <cstdlib>

#include "../shell/image_view_fixture.h"
#include "shell/ui_tools.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"
#include "tools/ui_illus.h"
#include "tools/ui_illus_obj.h"

namespace {

// Buttons of the tool group.
enum { B_SELECT = 0, B_BOX = 1, B_POLYLINE = 2, B_LINE = 3, B_FREE = 4, B_GRID = 5, B_POLYGON = 6, B_CIRCLE = 7, B_TEXT = 8 };

std::string g_answer;
std::string g_title;
std::string answer(const char* title, const char*) {
  g_title = title;
  return g_answer;
}

class IllusTool : public ::testing::Test {
 protected:
  void SetUp() override {
    shelltest::ensure_gui();
    for (const char* m : {"ui_illus", "ui_msg"})
      RES_OpenFile(m, (vxtest::source_dir() / "resources" / (std::string(m) + ".res")).c_str());
    TKT_Enable(true);
    TKT_SetImageMapping(true);
    v = std::make_unique<shelltest::ImageView>(240, 170);
    ui_tools_activate(nullptr, v->area, UI_TOOL_ANNOTATE, nullptr, disp(), nullptr);
    win = TKT_FindWindow("ui_illus", "ui_illus_win");
    ui_illus_set_text_runner(answer);
  }
  void TearDown() override {
    ui_tools_dismiss();
    ui_illus_set_text_runner(nullptr);
    io_free_commentary(static_cast<COMM_OBJ*>(disp()->annot_first));
    disp()->annot_first = disp()->annot_last = disp()->annot_selected = nullptr;
    v.reset();
    TKT_SetImageMapping(false);
    TKT_Enable(false);
  }
  IMG_DATA* disp() { return v->image->img_ptr; }
  void tool(int button) { TKT_Pick(RES_GetSub(win, 0), button); }
  // A press, moves through the points, and a release at the last.
  void drag(std::vector<TkPoint> pts) {
    TKT_Press(v->area, pts[0].x, pts[0].y);
    for (std::size_t i = 1; i < pts.size(); ++i) TKT_Drag(v->area, pts[i].x, pts[i].y);
    TKT_Release(v->area, pts.back().x, pts.back().y);
    EVENT_Flush();
  }
  void click(int x, int y) {
    TKT_Press(v->area, x, y);
    TKT_Release(v->area, x, y);
  }
  int count() { return ui_illus_obj_count(disp()); }
  COMM_OBJ* last() { return static_cast<COMM_OBJ*>(disp()->annot_last); }
  std::unique_ptr<shelltest::ImageView> v;
  TK_OBJ win = nullptr;
};

}  // namespace

TEST_F(IllusTool, BoxesCirclesLinesAndGridsKeepOnlyWhatIsLargeEnough) {
  ASSERT_NE(win, nullptr);
  tool(B_BOX);
  EXPECT_EQ(ui_illus_curr_state(), ILLUS_BOX);
  drag({{20, 20}, {22, 21}, {23, 22}});  // under 5 pixels
  drag({{20, 20}, {20, 30}, {20, 60}});  // one x
  EXPECT_EQ(count(), 0);
  drag({{20, 20}, {40, 30}, {60, 50}});
  ASSERT_EQ(count(), 1);
  EXPECT_EQ(std::vector<int>(static_cast<int*>(last()->data), static_cast<int*>(last()->data) + 4),
            (std::vector<int>{20, 20, 60, 50}));
  EXPECT_EQ(disp()->annot_selected, nullptr);
  EXPECT_EQ(ui_illus_curr_state(), ILLUS_BOX);

  tool(B_GRID);
  drag({{30, 80}, {35, 80}});  // 5 to the right on one row stays
  EXPECT_EQ(count(), 2);
  EXPECT_EQ(last()->type, COMM_T_GRID);
  tool(B_CIRCLE);
  drag({{100, 100}, {103, 100}});
  EXPECT_EQ(count(), 2);
  drag({{100, 100}, {112, 105}});
  EXPECT_EQ(static_cast<int*>(last()->data)[2], 13);
  tool(B_LINE);
  drag({{10, 150}, {13, 152}});
  EXPECT_EQ(count(), 3);
  drag({{10, 150}, {50, 150}});
  EXPECT_EQ(count(), 4);
  if (const char* dir = std::getenv("VX_GRAB_DIR")) {
    TKT_Grab(win, (std::string(dir) + "/annotate_tool.png").c_str());
    TKT_Grab(v->win, (std::string(dir) + "/annotate_image.png").c_str());
  }
}

TEST_F(IllusTool, StrokesAndPolylinesNeedEnoughPoints) {
  tool(B_FREE);
  std::vector<TkPoint> few{{10, 10}}, many{{10, 10}};
  for (int i = 1; i < 9; ++i) few.push_back({10 + 6 * i, 10});
  for (int i = 1; i < 12; ++i) many.push_back({10 + 6 * i, 40});
  drag(few);
  EXPECT_EQ(count(), 0);
  drag(many);
  ASSERT_EQ(count(), 1);
  EXPECT_EQ(static_cast<COMM_FREE_DATA*>(last()->data)->count, 12);

  tool(B_POLYLINE);
  click(20, 100);
  click(60, 100);
  click(62, 101);  // under 5 pixels from the last vertex: not a vertex
  TKT_DoubleClick(v->area, 62, 101);
  EXPECT_EQ(count(), 1);  // two vertices are not a polyline
  EXPECT_EQ(ui_illus_curr_state(), ILLUS_POLYLINE);
  tool(B_POLYGON);
  click(20, 100);
  click(60, 100);
  click(40, 140);
  TKT_DoubleClick(v->area, 40, 140);
  ASSERT_EQ(count(), 2);
  EXPECT_EQ(last()->type, COMM_T_POLYGON);
  EXPECT_EQ(static_cast<COMM_POLY_DATA*>(last()->data)->count, 3);
  EXPECT_EQ(ui_illus_curr_state(), ILLUS_POLYGON);
}

TEST_F(IllusTool, SelectingAndMovingAnObject) {
  tool(B_BOX);
  drag({{20, 20}, {60, 50}});
  drag({{150, 100}, {190, 140}});
  tool(B_SELECT);
  COMM_OBJ* first = static_cast<COMM_OBJ*>(disp()->annot_first)->next;
  // A press far from both selects the nearest; the pointer goes to its centre.
  TKT_Press(v->area, 0, 0);
  EXPECT_EQ(disp()->annot_selected, first);
  EXPECT_EQ(ui_illus_curr_state(), ILLUS_SELECTED);
  EXPECT_EQ(ui_illus_pointer().anchor.x, 40);
  EXPECT_EQ(ui_illus_pointer().anchor.y, 35);
  TKT_Release(v->area, 0, 0);

  // Under 10 pixels, or before the fifth move, nothing moves.
  drag({{40, 35}, {42, 37}, {44, 38}, {45, 39}, {46, 40}, {47, 40}, {47, 41}});
  drag({{40, 35}, {80, 60}, {90, 70}});
  EXPECT_EQ(static_cast<int*>(first->data)[0], 20);
  // Far enough after five moves: moved by the release minus the anchor.
  drag({{40, 35}, {45, 40}, {50, 45}, {55, 50}, {60, 55}, {65, 60}, {70, 65}});
  EXPECT_EQ(std::vector<int>(static_cast<int*>(first->data), static_cast<int*>(first->data) + 4),
            (std::vector<int>{50, 50, 90, 80}));
  // Dragged past the image's edge, it stops where its half width still fits.
  drag({{70, 65}, {80, 70}, {100, 80}, {200, 90}, {300, 100}, {400, 110}, {500, 120}});
  const int hw = (first->place[2] - first->place[0]) / 2;
  EXPECT_EQ((first->place[0] + first->place[2]) / 2, 240 - (hw) - 1);
  // The Delete key on the image takes the selected object only.
  TKT_Key(v->area, Qt::Key_Delete);
  EXPECT_EQ(count(), 1);
  EXPECT_EQ(disp()->annot_selected, nullptr);
}

TEST_F(IllusTool, TextWindowToolChangesAndDeleteAll) {
  tool(B_TEXT);
  g_answer = std::string(1, '\x01');  // cancelled
  click(30, 30);
  EXPECT_EQ(g_title, "New Text");
  EXPECT_EQ(count(), 0);
  EXPECT_EQ(ui_illus_curr_state(), ILLUS_TEXT);
  g_answer = "Hello";
  click(30, 30);
  ASSERT_EQ(count(), 1);
  EXPECT_STREQ(static_cast<COMM_TEXT_DATA*>(last()->data)->string, "Hello");
  tool(B_SELECT);
  click(31, 31);
  g_answer = "";
  TKT_DoubleClick(v->area, 31, 31);
  EXPECT_EQ(g_title, "Edit Text");
  EXPECT_EQ(count(), 0);  // an emptied text goes
  EXPECT_EQ(ui_illus_curr_state(), ILLUS_SELECT);

  // Another tool mid-drag drops the half-made box.
  tool(B_BOX);
  TKT_Press(v->area, 20, 20);
  TKT_Drag(v->area, 50, 50);
  EXPECT_EQ(count(), 1);
  tool(B_SELECT);
  EXPECT_EQ(count(), 0);
  TKT_Release(v->area, 50, 50);

  tool(B_BOX);
  drag({{20, 20}, {60, 50}});
  drag({{80, 20}, {120, 50}});
  TK_OBJ edit = RES_GetSub(win, 8);
  TKT_AnswerAlert(1);
  TKT_Pick(edit, 3);
  EXPECT_EQ(count(), 2);  // answered no
  EXPECT_EQ(TKT_LastAlertText(), "Delete every annotation of this image?");
  TKT_AnswerAlert(2);
  TKT_Pick(edit, 3);
  EXPECT_EQ(count(), 0);
  EXPECT_EQ(ui_illus_curr_state(), ILLUS_SELECT);
  EXPECT_EQ(TKT_Unanswered(), 0);
}

TEST_F(IllusTool, EditMenuEntriesFollowTheState) {
  TK_OBJ edit = RES_GetSub(win, 8);
  auto entries = [&] {
    return std::vector<int>{CHOICE_IsItemEnabled(edit, 1), CHOICE_IsItemEnabled(edit, 2),
                            CHOICE_IsItemEnabled(edit, 3)};
  };
  TKT_Pick(edit, 3);  // no object: Delete All is greyed out and asks nothing
  EXPECT_EQ(entries(), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(TKT_Unanswered(), 0);
  tool(B_BOX);
  drag({{20, 20}, {60, 50}});
  TKT_Pick(edit, 1);  // an object but none selected
  EXPECT_EQ(entries(), (std::vector<int>{0, 0, 1}));
  EXPECT_EQ(count(), 1);
  tool(B_SELECT);
  click(40, 35);
  TKT_Pick(edit, 1);
  EXPECT_EQ(entries(), (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(count(), 2);
  TKT_Pick(edit, 2);
  EXPECT_EQ(count(), 1);
  EXPECT_EQ(ui_illus_curr_state(), ILLUS_SELECT);
  TKT_Pick(edit, 2);  // the deleted object's entries are greyed out again
  EXPECT_EQ(entries(), (std::vector<int>{0, 0, 1}));
  EXPECT_EQ(count(), 1);
}

TEST_F(IllusTool, ClosingTheToolEndsTheImageToolsAnnotating) {
  ASSERT_EQ(ui_tools_annotate_on(), 1);
  TKT_Click(RES_GetSub(win, 10));
  EXPECT_EQ(TKT_FindWindow("ui_illus", "ui_illus_win"), nullptr);
  EXPECT_EQ(ui_illus_curr_state(), ILLUS_CLOSED);
  // The image's clicks go back to the image window.
  EXPECT_EQ(ui_tools_annotate_on(), 0);
  EXPECT_EQ(ui_tools_any_on(), 0);
}
