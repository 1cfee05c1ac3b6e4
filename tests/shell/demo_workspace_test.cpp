// The demo workspace that scripts/make-demo prepares: its gel's bands are quantified, so the band
// report shows their amounts; its standard set gives one size to each band of the ladder lane;
// the preferences open the standard set choosers in its folder; its help folder holds the help
// files; and a user who follows the Tutorial makes the same image and numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "analysis/matr_launch.h"
#include "analysis/matr_win.h"
#include "analysis/mparm.h"
#include "analysis/rep_engine.h"
#include "gel_fixture.h"
#include "base/io_file.h"
#include "base/ks_mem.h"
#include "io/analysis_io.h"
#include "model/control.h"
#include "model/lane.h"
#include "model/spot.h"
#include "model/task_state.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_open.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_table.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_band_mouse.h"
#include "tools/gt_std_tools.h"
#include "when_shown.h"

namespace {

namespace fs = std::filesystem;

class DemoWorkspace : public shelltest::OpenImagesTest {
 protected:
  void TearDown() override {
    if (TK_OBJ w = TKT_FindWindow("gt_matrx", "WinMatrix")) WIN_Terminate(w);
    matr_set_viewer_program(nullptr);
    gt_close_windows_by_title("Dendrogram");  // the stand-in viewer a match started
    TKT_SetImageMapping(false);
    std_sasn_dismiss();
    CONTROL* ctl = gt_get_control();
    ctl->size_stdset = 0;
    ctl->size_stdset_path[0] = '\0';
    OpenImagesTest::TearDown();
  }
  // The demo's gel: the TIFF in the shared data folder.
  static fs::path gel_path() {
    fs::path gel = vxtest::shared_data_dir() / "gels" / "ladder_reference_gel.tif";
    if (!fs::exists(gel))
      gel = vxtest::source_dir().parent_path().parent_path() / "shared/data/gels/ladder_reference_gel.tif";
    return gel;
  }
  // Makes the workspace in the test's folder; false (with a failure) when it cannot be made.
  bool make() {
    const fs::path gel = gel_path();
    if (!fs::exists(gel)) {
      ADD_FAILURE() << "the demo gel is missing: " << gel;
      return false;
    }
    demo = dir + "/demo";
    const std::string cmd = "'" + (vxtest::source_dir() / "scripts/make-demo").string() + "' '" +
                            demo + "' '" + vxtest::bin_dir().string() + "' '" + gel.string() +
                            "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return fs::exists(demo + "/images/ladder_reference_gel.gt");
  }
  // The Tutorial's sizing through the driver: Size Stds, Add, Logarithmic, the standard set
  // chosen and assigned automatically, OK, a click in the middle of the first lane at image
  // coordinates, OK in Assign Size Standards. Returns the standard set's path.
  std::string size_the_ladder(IMAGE_REC* im) {
    const std::string set = demo + "/stdsets/ladder_1kb_plus.std";
    TKT_Click(mode_button(2));  // Size Stds
    EXPECT_EQ(gt_get_control()->sel_mode, SEL_SIZE_STDS);
    TKT_AnswerChooser({set});
    const auto asked = vxtest::when_shown("std_size", "std_size_win", [](TK_OBJ d) {
      TKT_Pick(RES_GetSub(d, 5), 1);  // Logarithmic
      TKT_Click(RES_GetSub(d, 7));    // Use a standard set: the chooser gives the set
      TKT_Click(RES_GetSub(d, 8));    // Assign the set automatically
      TKT_Click(RES_GetSub(d, 3));    // OK
    });
    TKT_Click(RES_GetSub(part(GT_MAIN_TOOLBAR), 8));  // Add
    EVENT_Flush();
    EXPECT_TRUE(*asked);
    EXPECT_EQ(gt_get_state(), TS_SIZE_STDS);
    TK_OBJ sasn = TKT_FindWindow("std_sasn", "std_sasn_win");
    if (!sasn) {
      ADD_FAILURE() << "no Assign Size Standards window";
      return set;
    }
    const LANE* first = im->lanes->next;
    const auto& mid = first->center_coords[first->num_center_points / 2];
    TKT_SetImageMapping(true, im->img_ptr->zoom[0], im->img_ptr->scale);
    TKT_Press(static_cast<TK_OBJ>(im->draw_area), static_cast<int>(mid.x), static_cast<int>(mid.y));
    TKT_Release(static_cast<TK_OBJ>(im->draw_area), static_cast<int>(mid.x), static_cast<int>(mid.y));
    TKT_Click(RES_GetSub(sasn, 2));  // OK
    EVENT_Flush();
    EXPECT_EQ(gt_get_state(), TS_IDLE);
    return set;
  }
  std::string demo;
};

std::vector<std::string> lines_of(const std::string& path) {
  std::vector<std::string> v;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) v.push_back(line);
  return v;
}

TEST_F(DemoWorkspace, BandsAreQuantifiedAndTheLadderHasItsStandardSet) {
  ASSERT_TRUE(make());
  IMAGE_REC* im = open(demo + "/images/ladder_reference_gel.kes");
  ASSERT_NE(im, nullptr);

  // Every band reads an intensity and a volume above 0, the volume without the mark of a band
  // that was never quantified.
  rep_state_reset();  // an active-image report, whatever report ran before
  RepState& st = rep_state();
  st.image = im;
  int bands = 0;
  for (LANE* l = im->lanes->next; l; l = l->next) {
    st.lane = l;
    for (SPOT* b = im->bands->next; b; b = b->next) {
      if (!ln_xyinlane(b->x, b->y, l)) continue;
      ++bands;
      std::string intensity, volume;
      get_band_fld_val_str(7, -1, b, intensity);
      get_band_fld_val_str(8, -1, b, volume);
      ASSERT_FALSE(intensity.empty());
      EXPECT_GT(std::atof(intensity.c_str()), 0.0) << "band at row " << b->y << ": " << intensity;
      ASSERT_FALSE(volume.empty());
      EXPECT_NE(volume[0], '*') << "band at row " << b->y;
      EXPECT_GT(std::atof(volume.c_str()), 0.0) << "band at row " << b->y << ": " << volume;
    }
  }
  rep_state_reset();
  EXPECT_GT(bands, 60);

  // The standard set: one size for each band of the first lane, top to bottom, in falling order,
  // with the 3, 1 and 0.5 kb bands (the ladder's brightest) where the first lane's brightest
  // bands are.
  const std::vector<std::string> set = lines_of(demo + "/stdsets/ladder_1kb_plus.std");
  LANE* first = im->lanes->next;
  SPOT** arr = nullptr;
  const int n = ln_find_bands_in_lane(im->bands, &arr, first, nullptr, nullptr);
  ASSERT_EQ(n, static_cast<int>(set.size()));
  std::vector<std::pair<double, double>> by_volume;  // volume, size
  for (int i = 0; i < n; ++i) {
    if (i > 0) {
      EXPECT_LT(std::stod(set[i]), std::stod(set[i - 1])) << "line " << i + 1;
    }
    by_volume.push_back({arr[i]->amount, std::stod(set[i])});
  }
  ks_free(arr);
  std::sort(by_volume.rbegin(), by_volume.rend());
  std::vector<double> brightest = {by_volume[0].second, by_volume[1].second, by_volume[2].second};
  std::sort(brightest.begin(), brightest.end());
  EXPECT_EQ(brightest, (std::vector<double>{500, 1000, 3000}));

  // The preferences open the standard set choosers in the set's folder.
  CONTROL ctl{};
  gt_control_init(&ctl);
  ASSERT_TRUE(gt_read_and_prep_prefs((demo + "/write/gt_init.prf").c_str(), &ctl));
  EXPECT_EQ(fs::path(ctl.folders[CTL_DIR_STDSETS]), fs::path(demo + "/stdsets/"));
  ks_free(ctl.lane_chars);

  // The help folder that the start-up ini file names holds the built help files.
  std::string help;
  for (const std::string& line : lines_of(demo + "/kestrin7.ini"))
    if (line.rfind("HelpDir=", 0) == 0) help = line.substr(8);
  ASSERT_FALSE(help.empty());
  for (const char* file : {"VX_User_Guide.chm", "VX_Tutorial.chm"}) {
    ASSERT_TRUE(fs::exists(fs::path(help) / file)) << file;
    EXPECT_EQ(vxtest::read_text(fs::path(help) / file), vxtest::read_text(fs::path(VX_HELP_DIR) / file));
  }
}

// The sizing of the worked example: Size Stds, Add, the set chosen and assigned automatically, a
// click on the first lane and OK give the first lane's bands the set's sizes, and the bands of the
// other lanes sizes from them: the brightest bands of every lane size within 10 % of 3, 1 and
// 0.5 kb.
TEST_F(DemoWorkspace, TheStandardSetSizesTheLadder) {
  ASSERT_TRUE(make());
  IMAGE_REC* im = open(demo + "/images/ladder_reference_gel.kes");
  ASSERT_NE(im, nullptr);
  const std::string set = size_the_ladder(im);

  const std::vector<std::string> sizes = lines_of(set);
  int k = 0;
  for (LANE* l = im->lanes->next; l; l = l->next, ++k) {
    SCOPED_TRACE("lane " + std::to_string(k + 1));
    SPOT** arr = nullptr;
    const int n = ln_find_bands_in_lane(im->bands, &arr, l, nullptr, nullptr);
    std::vector<std::pair<double, double>> by_volume;  // volume, size
    for (int i = 0; i < n; ++i) {
      if (k == 0 && i < static_cast<int>(sizes.size())) {
        EXPECT_NEAR(arr[i]->size, std::stod(sizes[i]), 0.5) << "band " << i + 1;
      }
      // A band above the first lane's 10 kb band is outside the standards and has no size
      // (no extrapolation); every other size falls down the lane.
      if (i > 0 && arr[i - 1]->size > 0) {
        EXPECT_LT(arr[i]->size, arr[i - 1]->size) << "band " << i + 1;
      }
      by_volume.push_back({arr[i]->amount, arr[i]->size});
    }
    ks_free(arr);
    ASSERT_GE(by_volume.size(), 3u);
    std::sort(by_volume.rbegin(), by_volume.rend());
    std::vector<double> brightest = {by_volume[0].second, by_volume[1].second, by_volume[2].second};
    std::sort(brightest.begin(), brightest.end());
    const double want[3] = {500, 1000, 3000};
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(brightest[i], want[i], want[i] * 0.1) << i;
  }
  EXPECT_EQ(k, 4);
}

// The Tutorial's sizing and match, step by step as a user takes them: Size Stds, Add, Logarithmic,
// the set chosen and assigned automatically, OK, a click on the first lane, OK; then Match All
// Lanes with the default parameters, OK, and the demo gel. The Tutorial quotes the similarity of
// lanes 1 and 2 that the Match Results Matrix's table then shows; this is that number.
TEST_F(DemoWorkspace, TheTutorialsMatchGivesLanesOneAndTwoTheSimilarityItQuotes) {
  constexpr int kTutorialLanes12 = 46;
  // The number as the Tutorial's match step gives it (its lines joined).
  std::string step = vxtest::read_text(vxtest::source_dir() / "resources/help/tutorial/step6.html");
  std::replace(step.begin(), step.end(), '\n', ' ');
  EXPECT_NE(step.find("lanes 1 and 2 of the demo gel match at " + std::to_string(kTutorialLanes12) + "%"),
            std::string::npos);
  ASSERT_TRUE(make());
  const std::string gel = demo + "/images/ladder_reference_gel.kes";
  IMAGE_REC* im = open(gel);
  ASSERT_NE(im, nullptr);
  // The dendrogram viewer that the match starts: a stand-in that ends at once.
  const std::string viewer = dir + "/viewer";
  std::ofstream(viewer) << "#!/bin/sh\nexit 0\n";
  fs::permissions(viewer, fs::perms::owner_all);
  matr_set_viewer_program(viewer.c_str());
  const int unanswered = TKT_Unanswered();

  size_the_ladder(im);
  EXPECT_EQ(TKT_Unanswered(), unanswered) << TKT_LastAlertText();

  // Match All Lanes: the parameters as they are, OK, the demo gel.
  const auto asked = vxtest::when_shown("mparm", "mparm_win",
                                        [](TK_OBJ d) { TKT_Click(RES_GetSub(d, MPARM_OK)); });
  TKT_AnswerChooser({gel});
  TKT_AnswerChooser({});  // Save Match Results...: Cancel, the results go to a temporary file
  ASSERT_TRUE(TKT_ChooseMenu(win_, GT_CMD_MATCH_ALL_LANES));
  EVENT_Flush();
  ASSERT_TRUE(*asked);
  // No question or warning came that the Tutorial does not tell of.
  EXPECT_EQ(TKT_Unanswered(), unanswered) << TKT_LastAlertText();
  // The one chooser besides the images', which the Tutorial tells the user how to answer.
  EXPECT_EQ(TKT_LastChooser().caption, "Save Match Results...");
  EXPECT_NE(step.find(TKT_LastChooser().caption), std::string::npos);

  TK_OBJ matrix = TKT_FindWindow("gt_matrx", "WinMatrix");
  ASSERT_NE(matrix, nullptr);
  TKT_Pick(RES_GetSub(matrix, 0), 2);  // View: Table
  TK_OBJ table = RES_GetSub(matrix, 6);
  ASSERT_TRUE(WGT_IsShown(table));
  // Rows from 7 are the lanes (their labels in column 1), columns from 2 the lanes again; a
  // selected cell's text is what the user copies.
  ASSERT_EQ(TABLE_Rows(table), 7 + 4);
  const auto cell = [&](int row, int col) {
    TABLE_Select(table, row, col, 1, 1);
    std::string t = TABLE_SelectionText(table);
    while (!t.empty() && (t.back() == '\n' || t.back() == '\t' || t.back() == ' ')) t.pop_back();
    return t;
  };
  EXPECT_EQ(cell(7, 1), "ladder_reference_gel:1:");
  EXPECT_EQ(cell(8, 1), "ladder_reference_gel:2:");
  EXPECT_EQ(std::atoi(cell(8, 2).c_str()), kTutorialLanes12) << "lanes 1 and 2: " << cell(8, 2);
}

// The Tutorial followed to the letter with the demo workspace's gel open: the TIFF imported
// under the name step 1 gives, the Resolution dialog's offer kept, Image > Invert, the lanes
// found in the block of step 2, the bands found and quantified as step 3 has it and sized as step
// 4 has it, then saved as step 7 has it. The image, every number of the band report (size,
// intensity, volume) and the saved analysis file are the demo's.
TEST_F(DemoWorkspace, TheTutorialFollowedStepByStepGivesTheDemosImageAndNumbers) {
  std::string step1 = vxtest::read_text(vxtest::source_dir() / "resources/help/tutorial/step1.html");
  std::replace(step1.begin(), step1.end(), '\n', ' ');
  std::smatch named;
  ASSERT_TRUE(std::regex_search(step1, named, std::regex(R"(Type (\w+\.kes) in its place)"))) << step1;
  ASSERT_TRUE(make());
  const std::string tif = gel_path().string();
  EXPECT_NE(step1.find(fs::path(tif).filename().string()), std::string::npos);
  IMAGE_REC* demo_gel = open(demo + "/images/ladder_reference_gel.kes");
  ASSERT_NE(demo_gel, nullptr);
  const int unanswered = TKT_Unanswered();
  // A command chosen as the user does: its pull-downs opened in turn, then the entry.
  const auto choose = [this](std::initializer_list<int> pulldowns, int command) {
    for (int m : pulldowns) TKT_OpenMenu(win_, m);
    return TKT_ChooseMenu(win_, command);
  };

  // Step 1: File > Import > TIFF/MD..., the TIFF, the Resolution dialog's OK, the new name; then
  // Image > Invert, Yes.
  const std::string mine = demo + "/images/" + named[1].str();
  TKT_AnswerChooser({tif});
  const auto resolution =
      vxtest::when_shown("ui_res", "ui_res_win", [](TK_OBJ d) { TKT_Click(RES_GetSub(d, 2)); });
  TKT_AnswerChooser({mine});
  ASSERT_TRUE(choose({GT_MENU_FILE, GT_MENU_IMPORT}, GT_CMD_IMPORT_TIFF));
  EVENT_Flush();
  EXPECT_TRUE(*resolution);
  ASSERT_EQ(TKT_Unanswered(), unanswered) << TKT_LastAlertText();
  ASSERT_EQ(gt_get_num_img_windows(), 2) << TKT_LastAlertText();
  EXPECT_NE(step1.find(TKT_LastChooser().caption), std::string::npos) << TKT_LastChooser().caption;
  ASSERT_EQ(fs::path(gt_get_image_ptr()->file_path), fs::path(mine));
  TKT_AnswerAlert(2);
  ASSERT_TRUE(choose({GT_MENU_IMAGE}, GT_CMD_INVERT));
  EVENT_Flush();
  IMAGE_REC* im = gt_get_image_ptr();
  ASSERT_NE(im, nullptr);
  ASSERT_EQ(fs::path(im->file_path), fs::path(mine));
  for (const char* ext : {".kes", ".kei"})
    EXPECT_EQ(vxtest::read_text(io_base_name(mine.c_str()) + ext),
              vxtest::read_text(demo + "/images/ladder_reference_gel" + ext)) << ext;

  // Step 2: Define..., 4 lanes in a block found automatically, the block's corners clicked.
  const auto defined = vxtest::when_shown("ln_info", "ln_info_win", [](TK_OBJ d) {
    TKT_Pick(RES_GetSub(d, 3), 1);
    TKT_Type(RES_GetSub(d, 0), "4");
    if (!WGT_GetValue(RES_GetSub(d, 4))) TKT_Click(RES_GetSub(d, 4));
    TKT_Click(RES_GetSub(d, 1));
  });
  ASSERT_TRUE(choose({GT_MENU_ANALYSIS, GT_MENU_LANES}, GT_CMD_DEFINE_LANES));
  EVENT_Flush();
  ASSERT_TRUE(*defined);
  TK_OBJ area = static_cast<TK_OBJ>(im->draw_area);
  TKT_SetImageMapping(true, im->img_ptr->zoom[0], im->img_ptr->scale);
  std::vector<std::string> readouts;
  for (auto [x, y] : {std::pair{275, 170}, {1185, 170}, {1185, 610}, {275, 610}}) {
    TKT_Press(area, x, y);
    readouts.push_back(WGT_GetText(gt_get_status2()));
    TKT_Release(area, x, y);
  }
  EVENT_Flush();
  // The status line at the first corner reads as step 2 and the User Guide's example quote it.
  for (const char* page : {"tutorial/step2.html", "guide/window.html"}) {
    const std::string text = vxtest::read_text(vxtest::source_dir() / "resources/help" / page);
    std::smatch quoted;
    ASSERT_TRUE(std::regex_search(text, quoted, std::regex("<code>([^<]*)</code>"))) << page;
    EXPECT_EQ(std::regex_replace(quoted[1].str(), std::regex("&nbsp;"), " "), readouts[0]) << page;
  }

  // Step 3: Find Bands OK; in Refine Band Detection the settings kept, "Quantify the bands when
  // found" ticked, Apply, OK.
  TK_OBJ fd_bnd = TKT_FindWindow("fd_bnd", "fd_bnd_win");
  ASSERT_NE(fd_bnd, nullptr);
  const auto refined = vxtest::when_shown("refd_bnd", "refd_bnd_win", [](TK_OBJ d) {
    TKT_Click(RES_GetSub(d, 19));
    TKT_Click(RES_GetSub(d, 2));
    TKT_Click(RES_GetSub(d, 0));
  });
  TKT_Click(RES_GetSub(fd_bnd, 0));
  EVENT_Flush();
  ASSERT_TRUE(*refined);

  // Step 4.
  size_the_ladder(im);
  EXPECT_EQ(TKT_Unanswered(), unanswered) << TKT_LastAlertText();

  // The band report's size, intensity and volume of every band, lane by lane, top to bottom.
  const auto report = [](IMAGE_REC* image) {
    std::vector<std::string> rows;
    rep_state_reset();
    RepState& st = rep_state();
    st.image = image;
    for (LANE* l = image->lanes->next; l; l = l->next) {
      st.lane = l;
      SPOT** arr = nullptr;
      const int n = ln_find_bands_in_lane(image->bands, &arr, l, nullptr, nullptr);
      for (int i = 0; i < n; ++i) {
        std::string row = std::to_string(l->lane_number) + ":" + std::to_string(i + 1), cell;
        for (int code : {6, 7, 8}) {
          get_band_fld_val_str(code, i + 1, arr[i], cell);
          row += " " + cell;
        }
        rows.push_back(row);
      }
      ks_free(arr);
    }
    rep_state_reset();
    return rows;
  };
  const std::vector<std::string> users = report(im), demos = report(demo_gel);
  EXPECT_GT(users.size(), 60u);
  EXPECT_EQ(users, demos);
  // Every band is sized but the top band of lanes 2 to 4, which lies above the ladder lane's top
  // band, as step 4 says.
  std::vector<std::string> unsized;
  for (const std::string& row : demos)
    if (row.find(" * ") != std::string::npos) unsized.push_back(row.substr(0, row.find(' ')));
  EXPECT_EQ(unsized, (std::vector<std::string>{"2:1", "3:1", "4:1"}));

  // Step 7: File > Save writes the same analysis file as the demo's, byte for byte.
  ASSERT_EQ(gt_get_image_ptr(), im);
  ASSERT_TRUE(choose({GT_MENU_FILE}, GT_CMD_SAVE));
  EVENT_Flush();
  EXPECT_EQ(TKT_Unanswered(), unanswered) << TKT_LastAlertText();
  const std::string saved = vxtest::read_text(io_base_name(mine.c_str()) + ".gt");
  const std::string demos_file = vxtest::read_text(demo + "/images/ladder_reference_gel.gt");
  ASSERT_FALSE(saved.empty());
  ASSERT_EQ(saved.size(), demos_file.size());
  std::vector<size_t> differ;
  for (size_t i = 0; i < saved.size(); ++i)
    if (saved[i] != demos_file[i]) differ.push_back(i);
  EXPECT_TRUE(differ.empty()) << differ.size() << " bytes differ, the first at offset " << differ[0];
}

}  // namespace
