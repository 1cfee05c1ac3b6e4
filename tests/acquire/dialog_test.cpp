// The export, channel, resolution and border dialogs driven as a user would, and grabbed.
#include <gtest/gtest.h>

#include <QTimer>
#include <cstdlib>
#include <string>

#include "acq_fixture.h"
#include "acquire/io_import.h"
#include "acquire/ui_dialogs.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_widget.h"

namespace {

using namespace acqtest;

class Dialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    load_resources();
    TKT_Enable(true);
  }
  // Grabs go to VX_GRAB_DIR when it is set (to look at them), else to the test's folder.
  std::string grab_path(const std::string& name) {
    const char* d = std::getenv("VX_GRAB_DIR");
    return (d && *d ? std::string(d) + "/" : dir.str() + "/") + name + ".png";
  }
  void grab(TK_OBJ win, const std::string& name) {
    EVENT_Flush();
    EXPECT_TRUE(TKT_Grab(win, grab_path(name).c_str()));
  }
  vxtest::TempDir dir;
};

std::string text_of(TK_OBJ w) {
  const char* t = WGT_GetText(w);
  return t ? t : "";
}

TEST_F(Dialogs, ExportDialogKindsAndQuality) {
  struct Case {
    int type;
    int pick;       // TIFF choice to pick, -1: keep the preselection
    bool jpeg;      // switch to JPEG and set the quality to 55
    int preselect;  // the choice shown at start
    int items;      // choices offered
    int save_as;
  };
  const Case cases[] = {
      {EXPORT_DLG_8BIT, -1, false, 0, 2, 1},  {EXPORT_DLG_1BYTE, -1, false, 1, 2, 2},
      {EXPORT_DLG_2BYTE, -1, false, 2, 3, 3}, {EXPORT_DLG_FOLDER, -1, false, 2, 3, 5},
      {EXPORT_DLG_2BYTE, 0, false, 2, 3, 1},  {EXPORT_DLG_1BYTE, -1, true, 1, 2, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    int shown_choice = -9, shown_items = -9;
    std::string third;
    when_shown("ui_tifsav", "WinTifsav", [&](TK_OBJ win) {
      TK_OBJ choices = RES_GetSub(RES_GetSub(win, 0), 0);
      shown_choice = WGT_GetChoice(choices);
      shown_items = 0;
      EXPECT_STREQ(WIN_GetTitle(win), "Save As TIFF...");
      if (c.type == EXPORT_DLG_FOLDER) grab(win, "export_dialog_tiff");
      if (c.pick >= 0) TKT_Pick(choices, c.pick);
      if (c.jpeg) {
        TKT_Click(RES_GetSub(win, 5));
        EXPECT_STREQ(WIN_GetTitle(win), "Save As JPEG...");
        TK_OBJ slider = RES_GetSub(RES_GetSub(win, 1), 0);
        WGT_SetValue(slider, 55);
        TKT_Send(slider, TK_EV_ACTIVATE);
        EXPECT_EQ(text_of(RES_GetSub(RES_GetSub(win, 1), 5)), "55");
        grab(win, "export_dialog_jpeg");
      }
      TKT_Click(RES_GetSub(win, 2));
    });
    int save_as = -1, quality = -1;
    EXPECT_EQ(ui_export_dialog(c.type, &save_as, &quality), 1);
    EXPECT_EQ(shown_choice, c.preselect);
    EXPECT_EQ(save_as, c.save_as);
    EXPECT_EQ(quality, c.jpeg ? 55 : 100);
    (void)shown_items;
  }
  // The next use starts on TIFF again and keeps the last quality; cancel gives nothing.
  when_shown("ui_tifsav", "WinTifsav", [](TK_OBJ win) {
    EXPECT_STREQ(WIN_GetTitle(win), "Save As TIFF...");
    EXPECT_EQ(WGT_GetValue(RES_GetSub(RES_GetSub(win, 1), 0)), 55);
    TKT_Click(RES_GetSub(win, 3));
  });
  int save_as = -1, quality = -1;
  EXPECT_EQ(ui_export_dialog(EXPORT_DLG_2BYTE, &save_as, &quality), 0);
  EXPECT_EQ(save_as, 0);
}

TEST_F(Dialogs, ReturnConfirmsTheExportDialogAsItOpens) {
  bool stuck = false;
  // The check below runs only while this test does: once Return has ended the dialog, the test
  // returns before the timer fires and the guard drops it.
  QObject guard;
  when_shown("ui_tifsav", "WinTifsav", [&](TK_OBJ win) {
    TKT_KeyAtFocus(win, Qt::Key_Return);
    QTimer::singleShot(0, &guard, [&, win] {  // still open: Cancel ends it
      stuck = TKT_FindWindow("ui_tifsav", "WinTifsav") == win;
      if (stuck) TKT_Click(RES_GetSub(win, 3));
    });
  });
  int save_as = -1, quality = -1;
  EXPECT_EQ(ui_export_dialog(EXPORT_DLG_2BYTE, &save_as, &quality), 1);
  EXPECT_FALSE(stuck);
  EXPECT_EQ(save_as, 3);
}

TEST_F(Dialogs, ChannelDialog) {
  for (int button = 1; button <= 5; ++button) {
    SCOPED_TRACE(button);
    std::string text;
    when_shown("ui_tifsav", "rgb_color", [&](TK_OBJ win) {
      text = text_of(RES_GetSub(win, 0));
      if (button == 1) grab(win, "channel_dialog");
      TKT_Click(RES_GetSub(win, button));
    });
    EXPECT_EQ(ui_rgbcolor_dialog(button % 4), button == 5 ? 0 : button);
    EXPECT_EQ(text.find("This is a color "), 0u);
  }
  EXPECT_EQ(ui_rgbcolor_dialog(7), 0);  // no dialog for another file type
  // A colour TIFF whose channel question is cancelled: FALSE, is-colour 1 and channel 0.
  write_file(dir.file("c.rgb"), pattern(4 * 3 * 3, 1));
  ASSERT_TRUE(run("convert -size 4x3 -depth 8 rgb:" + q(dir.file("c.rgb")) + " " + q(dir.file("c.tif"))));
  when_shown("ui_tifsav", "rgb_color", [](TK_OBJ win) { TKT_Click(RES_GetSub(win, 5)); });
  int is_color = -1, channel = -1;
  EXPECT_FALSE(io_tiff_check(dir.file("c.tif").c_str(), &is_color, &channel, 0));
  EXPECT_EQ(is_color, 1);
  EXPECT_EQ(channel, 0);
  when_shown("ui_tifsav", "rgb_color", [](TK_OBJ win) { TKT_Click(RES_GetSub(win, 3)); });
  EXPECT_TRUE(io_tiff_check(dir.file("c.tif").c_str(), &is_color, &channel, 0));
  EXPECT_EQ(channel, 3);
}

TEST_F(Dialogs, ResolutionDialogModes) {
  struct Case {
    const char* what;
    int convert, visible;
    bool mm;                // switch to millimetres first
    const char* x_text;     // typed into field 0 (null: leave)
    const char* y_text;
    double x, y;            // results
    const char* grab_name;
  };
  const Case cases[] = {
      {"new image, offered 300", 1, 1, false, nullptr, nullptr, 300, 300, "res_dialog_new"},
      {"dpi typed", 0, 1, false, "150", "75.5", 150, 75.5, "res_dialog_dpi"},
      {"empty and not a number: 300", 0, 1, false, "", "1e3", 300, 300, nullptr},
      {"clamped", 0, 1, false, "0.5", "5000", 1.0, 4799.5, nullptr},
      {"84.7 mm wide for 1000 pixels", 0, 1, true, "84.7", "84.7", 1000 * 25.4 / 84.7,
       800 * 25.4 / 84.7, "res_dialog_mm"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    when_shown("ui_res", "ui_res_win", [&](TK_OBJ win) {
      if (c.convert) {
        EXPECT_EQ(text_of(RES_GetSub(win, 0)), "300");
        EXPECT_EQ(std::string(WGT_GetText(RES_GetSub(win, 3)) ? WGT_GetText(RES_GetSub(win, 3)) : ""),
                  "Default");
      }
      if (c.mm) {
        TKT_Click(RES_GetSub(win, 5));
        EXPECT_EQ(text_of(RES_GetSub(win, 7)), "Width in mm:");
      }
      if (c.x_text) TKT_Type(RES_GetSub(win, 0), c.x_text);
      if (c.y_text) TKT_Type(RES_GetSub(win, 1), c.y_text);
      if (c.grab_name) grab(win, c.grab_name);
      TKT_Click(RES_GetSub(win, 2));
    });
    double x = 200, y = 200;
    int def = 100;
    EXPECT_EQ(ui_res_activate(nullptr, &x, &y, c.convert, 1000, 800, c.visible, &def), 1);
    EXPECT_NEAR(x, c.x, 1e-9);
    EXPECT_NEAR(y, c.y, 1e-9);
    EXPECT_EQ(def, 100);
    if (c.mm) {
      // Leave millimetre mode for the next case.
      when_shown("ui_res", "ui_res_win", [](TK_OBJ win) {
        TKT_Click(RES_GetSub(win, 5));
        TKT_Click(RES_GetSub(win, 3));
      });
      ui_res_activate(nullptr, &x, &y, 0, 1000, 800, 1, &def);
    }
  }
  // Cancel in the new-image form keeps the values given.
  when_shown("ui_res", "ui_res_win", [](TK_OBJ win) { TKT_Click(RES_GetSub(win, 3)); });
  double x = 0, y = 0;
  int def = 100;
  EXPECT_EQ(ui_res_activate(nullptr, &x, &y, 1, 10, 10, 1, &def), 0);
  EXPECT_EQ(x, 0.0);
  // Without an image: only the default resolution; below 1 keeps the previous one.
  for (const char* typed : {"240", "0", "-3", "abc"}) {
    SCOPED_TRACE(typed);
    when_shown("ui_res", "ui_res_win", [&](TK_OBJ win) {
      EXPECT_EQ(text_of(RES_GetSub(win, 7)), "dpi:");
      if (std::string(typed) == "240") grab(win, "res_dialog_default");
      TKT_Type(RES_GetSub(win, 0), typed);
      TKT_Click(RES_GetSub(win, 2));
    });
    ui_res_activate(nullptr, &x, &y, 0, 100, 100, 0, &def);
    EXPECT_EQ(def, 240);
  }
}

TEST_F(Dialogs, BorderDialog) {
  // 10 % of a 512-pixel-wide image is 51 pixels; all four sides start on.
  when_shown("ui_edge", "ui_edge_win", [this](TK_OBJ win) {
    grab(win, "border_dialog");
    TKT_Click(RES_GetSub(win, 2 + 4));  // one side off
    TKT_Click(RES_GetSub(win, 1));
  });
  int border = -1, s[4] = {-1, -1, -1, -1};
  EXPECT_EQ(ui_edge_activate(nullptr, 512, 300, &border, &s[0], &s[1], &s[2], &s[3]), 1);
  EXPECT_EQ(border, 51);
  EXPECT_EQ(s[0] + s[1] + s[2] + s[3], 3);
  EXPECT_EQ(s[1], 0);
  // Of the height, 25 %; OK with every side off does nothing until one is back on.
  when_shown("ui_edge", "ui_edge_win", [](TK_OBJ win) {
    TK_OBJ slider = RES_GetSub(win, 11);
    WGT_SetValue(slider, 25);
    TKT_Send(slider, TK_EV_ACTIVATE);
    EXPECT_EQ(text_of(RES_GetSub(win, 0)), "25");
    TKT_Click(RES_GetSub(win, 10));
    EXPECT_EQ(WGT_GetValue(RES_GetSub(win, 9)), 0);
    for (int i = 5; i <= 8; ++i) TKT_Click(RES_GetSub(win, i));
    TKT_Click(RES_GetSub(win, 1));
    EXPECT_NE(TKT_FindWindow("ui_edge", "ui_edge_win"), nullptr);
    TKT_Click(RES_GetSub(win, 8));
    TKT_Click(RES_GetSub(win, 1));
  });
  EXPECT_EQ(ui_edge_activate(nullptr, 512, 300, &border, &s[0], &s[1], &s[2], &s[3]), 1);
  EXPECT_EQ(border, 75);
  EXPECT_EQ(s[3], 1);
  EXPECT_EQ(s[0] + s[1] + s[2], 0);
  // Cancel leaves the outs alone; the percentage is kept for the next use.
  when_shown("ui_edge", "ui_edge_win", [](TK_OBJ win) {
    EXPECT_EQ(WGT_GetValue(RES_GetSub(win, 11)), 25);
    TKT_Click(RES_GetSub(win, 2));
  });
  border = -7;
  EXPECT_EQ(ui_edge_activate(nullptr, 512, 300, &border, &s[0], &s[1], &s[2], &s[3]), 0);
  EXPECT_EQ(border, -7);
}

}  // namespace
