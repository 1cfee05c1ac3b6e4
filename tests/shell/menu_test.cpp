// The menu bar: entry rules over a state snapshot, the pull-downs' states and labels through the
// test driver, the keys that follow the entries, and the walk that finds every entry and
// toolbar button reaching its handler.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "gel_fixture.h"
#include "menu_keys.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/gt_menu.h"
#include "shell/gt_toolbar.h"
#include "toolkit/tk_widget.h"

namespace {

using shelltest::OpenImagesTest;

// The entry rules over state snapshots: what the state allows.
TEST(MenuRules, EntryStatesFollowTheSnapshot) {
  GtMenuSnapshot none;  // idle, no image
  GtMenuSnapshot busy = none;
  busy.busy = true;
  GtMenuSnapshot img;
  img.image = img.loaded = img.lanes = true;
  img.windows = 1;
  GtMenuSnapshot tool = img;
  tool.idle = false;

  struct Case {
    const char* what;
    GtMenuSnapshot s;
    int id;
    int want;
  };
  auto with = [](GtMenuSnapshot s, auto change) {
    change(s);
    return s;
  };
  const Case cases[] = {
      // No image: only what needs no image.
      {"open, no image", none, GT_CMD_OPEN, 1},
      {"import, no image", none, GT_MENU_IMPORT, 1},
      {"acquire, no image", none, GT_MENU_ACQUIRE, 1},
      {"page setup, no image", none, GT_CMD_PAGE_SETUP, 1},
      {"close, no image", none, GT_CMD_CLOSE, 0},
      {"save all, no image", none, GT_CMD_SAVE_ALL, 0},
      {"std sets, no image", none, GT_CMD_STD_SETS, 1},
      {"all lanes, no image", none, GT_CMD_REPORT_ALL_LANES, 1},
      {"match all lanes, no image", none, GT_CMD_MATCH_ALL_LANES, 1},
      {"vrem, no image", none, GT_CMD_VREM_SIZE, 0},
      {"cascade, no window", none, GT_CMD_CASCADE, 0},
      {"zoom in, no image", none, GT_CMD_ZOOM_IN, 0},
      // Busy: only Import Matrix stays.
      {"busy open", busy, GT_CMD_OPEN, 0},
      {"busy quit", busy, GT_CMD_QUIT, 0},
      {"busy about", busy, GT_CMD_ABOUT, 0},
      {"busy import matrix", busy, GT_CMD_IMPORT_MATRIX, 1},
      // Zoom does not need idle, but stops at the ends.
      {"zoom in at 9 in a tool", with(tool, [](auto& s) { s.zoom = 9; }), GT_CMD_ZOOM_IN, 1},
      {"zoom in at 10", with(img, [](auto& s) { s.zoom = 10; }), GT_CMD_ZOOM_IN, 0},
      {"zoom out at -10", with(img, [](auto& s) { s.zoom = -10; }), GT_CMD_ZOOM_OUT, 0},
      {"zoom out at -9", with(img, [](auto& s) { s.zoom = -9; }), GT_CMD_ZOOM_OUT, 1},
      {"zoom factor in a tool", tool, GT_CMD_ZOOM_FACTOR_FIRST + 3, 1},
      // Page Setup follows the idle state at every opening, also during a tool.
      {"page setup during a tool", tool, GT_CMD_PAGE_SETUP, 0},
      {"open during a tool", tool, GT_CMD_OPEN, 0},
      {"quit during a tool", tool, GT_CMD_QUIT, 1},
      // Add: in lane mode an image is enough, in the other modes it needs lanes.
      {"add lanes without lanes", with(img, [](auto& s) { s.lanes = false; s.mode = 1; }), GT_CMD_ADD, 1},
      {"add bands without lanes", with(img, [](auto& s) { s.lanes = false; s.mode = 0; }), GT_CMD_ADD, 0},
      {"add size stds with lanes", with(img, [](auto& s) { s.mode = 2; }), GT_CMD_ADD, 1},
      // Delete by mode.
      {"delete size stds, second count", with(img, [](auto& s) { s.mode = 2; s.sel_size2 = 1; }), GT_CMD_DELETE, 1},
      {"delete lanes, none selected", with(img, [](auto& s) { s.mode = 1; s.sel_bands = 3; }), GT_CMD_DELETE, 0},
      // Save follows the modified flag; Save All any image's.
      {"save unmodified", img, GT_CMD_SAVE, 0},
      {"save modified", with(img, [](auto& s) { s.modified = true; }), GT_CMD_SAVE, 1},
      {"save all, another modified", with(img, [](auto& s) { s.any_modified = true; }), GT_CMD_SAVE_ALL, 1},
      // Photo print by printer kind.
      {"photo, sheet", with(img, [](auto& s) { s.photo_printer = 1; }), GT_CMD_PRINT_PHOTO, 1},
      {"photo, roll", with(img, [](auto& s) { s.photo_printer = 2; }), GT_CMD_PRINT_PHOTO, 1},
      {"photo, other", img, GT_CMD_PRINT_PHOTO, 0},
      // Fraction reports: usable file, one selected lane.
      {"hb usable", with(img, [](auto& s) { s.hb_fractions = true; s.sel_lanes = 1; }), GT_CMD_REPORT_HB_FRACTIONS, 1},
      {"hb unusable", with(img, [](auto& s) { s.sel_lanes = 1; }), GT_CMD_REPORT_HB_FRACTIONS, 0},
      {"protein, two lanes", with(img, [](auto& s) { s.protein_fractions = true; s.sel_lanes = 2; }), GT_CMD_REPORT_PROTEIN_FRACTIONS, 0},
      // A few band and lane rules.
      {"copy bounds, band not quantified", with(img, [](auto& s) { s.sel_bands = 2; }), GT_CMD_COPY_BOUNDS, 0},
      {"copy bounds, quantified", with(img, [](auto& s) { s.sel_bands = 2; s.last_band_quantified = true; }), GT_CMD_COPY_BOUNDS, 1},
      {"find in band mode", with(img, [](auto& s) { s.sel_lanes = 1; }), GT_CMD_FIND_BANDS, 0},
      {"find in lane mode", with(img, [](auto& s) { s.sel_lanes = 1; s.mode = 1; }), GT_CMD_FIND_BANDS, 1},
      {"lane pull-down when idle", none, GT_MENU_LANES, 1},
      {"lane categories never", img, GT_CMD_REPORT_LANE_CATEGORIES, 0},
      {"label values need characteristics", with(img, [](auto& s) { s.sel_lanes = 1; }), GT_CMD_LABEL_VALUES, 0},
      {"no rule for a window entry", img, GT_WIN_MENU_FIRST, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(gt_menu_rule(c.s, c.id), c.want) << c.what;
}

TEST(MenuRules, LabelsFollowModeAndPrinter) {
  GtMenuSnapshot s;
  const char* add[] = {"&Add Bands...", "&Add Lanes...", "&Add Size Standards...",
                       "&Add Conc. Standards..."};
  const char* del[] = {"&Delete Bands", "&Delete Lanes", "&Delete Size Standards",
                       "&Delete Conc. Standards"};
  for (int mode = 0; mode < 4; ++mode) {
    s.mode = mode;
    EXPECT_STREQ(gt_menu_label(s, GT_CMD_ADD), add[mode]);
    EXPECT_STREQ(gt_menu_label(s, GT_CMD_DELETE), del[mode]);
  }
  s.photo_printer = 1;
  EXPECT_STREQ(gt_menu_label(s, GT_CMD_PRINT_PHOTO), "Print P&hoto");
  s.photo_printer = 2;
  EXPECT_STREQ(gt_menu_label(s, GT_CMD_PRINT_PHOTO), "Print &Video");
  s.photo_printer = 0;
  EXPECT_EQ(gt_menu_label(s, GT_CMD_PRINT_PHOTO), nullptr);
  EXPECT_STREQ(gt_menu_label(s, GT_CMD_QUIT), "E&xit");
}

class MenuBar : public OpenImagesTest {
 protected:
  TktMenuEntry entry(long id) { return TKT_MenuEntry(win_, id); }
  void open_all_menus() {
    for (int m = GT_MENU_FILE; m <= GT_MENU_MATCH; ++m) TKT_OpenMenu(win_, m);
    for (int m : {GT_MENU_IMPORT, GT_MENU_ACQUIRE, GT_MENU_IMAGE_ROTATE, GT_MENU_IMAGE_FLIP,
                  GT_MENU_BANDS, GT_MENU_LANES, GT_MENU_STDS, GT_MENU_ZOOM, GT_MENU_LABELS,
                  GT_MENU_ZOOM_FACTORS})
      TKT_OpenMenu(win_, m);
  }
  // Every entry sends a command that a row of the dispatcher's table runs, or opens a pull-down
  // and sends none; every toolbar button is enabled and its command has a row in every mode.
  void expect_every_entry_handled(const char* when) {
    open_all_menus();
    const std::vector<long> ids = TKT_MenuCommands(win_);
    ASSERT_GT(ids.size(), 100u);
    for (long id : ids) {
      const int c = static_cast<int>(id);
      EXPECT_NE(gt_menu_is_pulldown(c), gt_dispatch_handles(c))
          << when << ": entry " << id << " " << entry(id).label;
    }
    for (int k = 0; k < GT_TOOLBAR_BUTTONS; ++k) {
      EXPECT_TRUE(WGT_IsEnabled(RES_GetSub(part(GT_MAIN_TOOLBAR), k))) << when << ": button " << k;
      for (int mode = 0; mode < 4; ++mode)
        EXPECT_TRUE(gt_dispatch_handles(gt_toolbar_command(k, mode)))
            << when << ": button " << k << " mode " << mode;
    }
  }
  IMAGE_REC* open_analysed() {
    IMAGE_REC* im = open(shelltest::write_gel(dir, "gel", 200, 150));
    if (im) shelltest::add_lane_and_band(im, 60, 10, 140, 70);
    return im;
  }
};

TEST_F(MenuBar, EveryEntryAndButtonReachesAHandler) {
  expect_every_entry_handled("no image");
  ASSERT_NE(open_analysed(), nullptr);
  // The analysed image adds its Window-menu entry.
  expect_every_entry_handled("analysed image");
  // Button 13 sends Copy Lanes in lane mode and Copy Bounds in the others: both have rows.
  EXPECT_EQ(gt_toolbar_command(13, SEL_LANES), GT_CMD_COPY_LANES);
  EXPECT_EQ(gt_toolbar_command(13, SEL_BANDS), GT_CMD_COPY_BOUNDS);
  EXPECT_TRUE(gt_dispatch_handles(GT_CMD_COPY_LANES));
  EXPECT_TRUE(gt_dispatch_handles(GT_CMD_COPY_BOUNDS));
  // Identifiers outside the table have no row.
  for (int c : {0, 1, 102, 999, 1064, 1068, 1077, 1103, 10019, 19999, 30004})
    EXPECT_FALSE(gt_dispatch_handles(c)) << c;
}

TEST_F(MenuBar, PullDownsShowTheRulesStatesAndLabels) {
  // The Acquire pull-down has its own entry, apart from Save All.
  EXPECT_TRUE(entry(GT_CMD_SAVE_ALL).found);
  EXPECT_EQ(entry(GT_CMD_SAVE_ALL).label, "Save All...");
  open_all_menus();
  struct Want {
    long id;
    bool enabled;
  };
  for (Want w : {Want{GT_CMD_OPEN, true}, {GT_CMD_CLOSE, false}, {GT_CMD_SAVE, false},
                 {GT_CMD_QUIT, true}, {GT_CMD_ABOUT, true}, {GT_CMD_CASCADE, false},
                 {GT_CMD_ZOOM_IN, false}, {GT_CMD_HELP, true}})
    EXPECT_EQ(entry(w.id).enabled, w.enabled) << "no image, entry " << w.id;
  EXPECT_FALSE(entry(GT_CMD_MARK_ACTIVE).found);
  EXPECT_EQ(entry(GT_CMD_QUIT).label, "E&xit");
  EXPECT_EQ(entry(GT_CMD_OPEN).key, "Ctrl-O");
  EXPECT_EQ(entry(GT_CMD_HELP).key, "F1");
  // No PhotoPrinter entry: the photo entry is hidden.
  EXPECT_FALSE(entry(GT_CMD_PRINT_PHOTO).visible);
  // Fraction files missing: their entries are gone for the run.
  EXPECT_FALSE(entry(GT_CMD_REPORT_HB_FRACTIONS).found);

  IMAGE_REC* im = open_analysed();
  ASSERT_NE(im, nullptr);
  gt_get_control()->sel_mode = SEL_LANES;
  open_all_menus();
  for (Want w : {Want{GT_CMD_CLOSE, true}, {GT_CMD_SAVE, true}, {GT_CMD_SAVE_ALL, true},
                 {GT_CMD_CASCADE, true}, {GT_CMD_ZOOM_IN, true}, {GT_CMD_ANNOTATION, true},
                 {GT_CMD_DELETE_IMAGE, true}})
    EXPECT_EQ(entry(w.id).enabled, w.enabled) << "analysed image, entry " << w.id;
  EXPECT_EQ(entry(GT_CMD_ADD).label, "&Add Lanes...");
  EXPECT_EQ(entry(GT_CMD_DELETE).label, "&Delete Lanes");
  EXPECT_EQ(entry(GT_CMD_ADD).key, "Ctrl-A");  // the key text stays with the new label

  // During a tool only zoom and the always entries stay.
  gt_get_control()->task_state = TS_ADD_BAND;
  open_all_menus();
  EXPECT_FALSE(entry(GT_CMD_OPEN).enabled);
  EXPECT_FALSE(entry(GT_CMD_SAVE).enabled);
  EXPECT_TRUE(entry(GT_CMD_ZOOM_IN).enabled);
  EXPECT_TRUE(entry(GT_CMD_QUIT).enabled);
  gt_get_control()->task_state = TS_IDLE;

  const std::string shots = ws_->dir().str();
  EXPECT_TRUE(TKT_Grab(win_, (shots + "/menubar.png").c_str()));
  for (int m = GT_MENU_FILE; m <= GT_MENU_MATCH; ++m)
    EXPECT_TRUE(TKT_GrabMenu(win_, m, (shots + "/menu" + std::to_string(m) + ".png").c_str())) << m;
}

// Fraction definition files in the write folder are checked at start-up: a usable file keeps
// its entry with the file's title; an untitled one takes the default label.
class MenuFractions : public MenuBar {
 protected:
  std::string writable() override { return "PhotoPrinter=roll"; }
};

TEST_F(MenuFractions, UsableFilesKeepTheirEntriesAndTitles) {
  std::ofstream(ws_->write_dir() + "hemoglobin_fractions.txt")
      << "Hb Panel\n0, 10, 5, 0, 10, A\n10, 20, 15, 10, 20, S\n";
  std::ofstream(ws_->write_dir() + "protein_fractions.txt") << "0, 10, 5, 0, 10, Albumin\n";
  // The files are checked once when the main window starts.
  WIN_Terminate(win_);
  win_ = gt_main_activate();
  ASSERT_NE(win_, nullptr);
  const TktMenuEntry hb = entry(GT_CMD_REPORT_HB_FRACTIONS);
  const TktMenuEntry prot = entry(GT_CMD_REPORT_PROTEIN_FRACTIONS);
  ASSERT_TRUE(hb.found && prot.found);
  TKT_OpenMenu(win_, GT_MENU_REPORT);
  EXPECT_EQ(entry(GT_CMD_REPORT_HB_FRACTIONS).label, "Hb Panel");
  EXPECT_EQ(entry(GT_CMD_REPORT_PROTEIN_FRACTIONS).label, "Protein Fractions");
  EXPECT_EQ(entry(GT_CMD_REPORT_HB_FRACTIONS).key, "Ctrl-K");
  EXPECT_EQ(entry(GT_CMD_REPORT_PROTEIN_FRACTIONS).key, "");  // Ctrl-F is Find's
  TKT_OpenMenu(win_, GT_MENU_FILE);
  EXPECT_TRUE(entry(GT_CMD_PRINT_PHOTO).visible);
  EXPECT_EQ(entry(GT_CMD_PRINT_PHOTO).label, "Print &Video");
}

// A title that holds "&" reads in the menu as the file writes it, with no access key of its own.
TEST_F(MenuFractions, ATitleShowsAsItIsWritten) {
  std::ofstream(ws_->write_dir() + "hemoglobin_fractions.txt") << "R&D Hb Panel\n0, 10, 5, 0, 10, A\n";
  WIN_Terminate(win_);
  win_ = gt_main_activate();
  ASSERT_NE(win_, nullptr);
  TKT_OpenMenu(win_, GT_MENU_REPORT);
  const QString label = QString::fromStdString(entry(GT_CMD_REPORT_HB_FRACTIONS).label);
  QAction shown(label);
  EXPECT_EQ(shown.iconText().toStdString(), "R&D Hb Panel");  // the text as the menu shows it
  EXPECT_EQ(vxtest::access_key(label), 0);
}

TEST_F(MenuBar, KeysFollowTheEntryStateAtThePress) {
  // Each key is bound once; Ctrl-F is Find's alone.
  int n = 0;
  EXPECT_EQ(TKT_KeyCommand(win_, "Ctrl+F", &n), GT_CMD_FIND_BANDS);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(TKT_KeyCommand(win_, "Ctrl+G", &n), GT_CMD_REPORT_LANE_CATEGORIES);

  // Ctrl-O opens the chooser only when idle.
  const int unanswered = TKT_Unanswered();
  ASSERT_TRUE(TKT_BoundKey(win_, "Ctrl+O"));
  EXPECT_EQ(TKT_Unanswered(), unanswered + 1);  // the chooser came up and was cancelled
  gt_get_control()->task_state = TS_ADD_BAND;
  TKT_BoundKey(win_, "Ctrl+O");
  EXPECT_EQ(TKT_Unanswered(), unanswered + 1);
  gt_get_control()->task_state = TS_IDLE;

  // Ctrl-G's entry is never enabled: nothing reaches the dispatcher.
  main_winNfySelMenuBar(win_, GT_CMD_IMPORT_MATRIX);
  TKT_BoundKey(win_, "Ctrl+G");
  EXPECT_EQ(gt_dispatch_last_command(), GT_CMD_IMPORT_MATRIX);

  // Save was enabled at the last opening; once the changes are gone its key does nothing.
  IMAGE_REC* im = open_analysed();
  ASSERT_NE(im, nullptr);
  TKT_OpenMenu(win_, GT_MENU_FILE);
  ASSERT_TRUE(entry(GT_CMD_SAVE).enabled);
  gt_image_clear_modified(im);
  main_winNfySelMenuBar(win_, GT_CMD_IMPORT_MATRIX);
  TKT_BoundKey(win_, "Ctrl+S");
  EXPECT_EQ(gt_dispatch_last_command(), GT_CMD_IMPORT_MATRIX);
  im->modified = 1;
  TKT_BoundKey(win_, "Ctrl+S");
  EXPECT_EQ(gt_dispatch_last_command(), GT_CMD_SAVE);
  EXPECT_FALSE(gt_image_modified(im));
}

}  // namespace
