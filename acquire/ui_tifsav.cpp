// The export settings dialog and the colour channel question.
#include <cstdio>

#include "acquire/io_import.h"
#include "acquire/ui_dialogs.h"
#include "base/ks_choose.h"
#include "base/slog.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace {

// Export dialog state, kept for the whole run.
TK_OBJ s_export_win = nullptr;
int s_shown = 4;            // 4 TIFF, 5 JPEG: which settings the dialog shows
bool s_auto = false;        // opened for the folder export
int s_quality = 100;        // kept from one use to the next

// The channel question's answer.
short s_uiRGBColor = 0;

enum { SHOWN_TIFF = 4, SHOWN_JPEG = 5 };

TK_OBJ tiff_choices(TK_OBJ win) { return RES_GetSub(RES_GetSub(win, 0), 0); }

void show_quality(TK_OBJ win) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", s_quality);
  WGT_SetLabel(RES_GetSub(RES_GetSub(win, 1), 5), text);
}

// Enables the settings of one kind and greys out the other's.
void show_kind(TK_OBJ win, int shown) {
  s_shown = shown;
  const int tiff = shown == SHOWN_TIFF;
  TK_OBJ tg = RES_GetSub(win, 0);
  WGT_Enable(tg, tiff);
  WGT_Enable(RES_GetSub(tg, 0), tiff);
  TK_OBJ jg = RES_GetSub(win, 1);
  WGT_Enable(jg, !tiff);
  for (int i = 0; i <= 5; ++i)
    if (TK_OBJ p = RES_GetSub(jg, i)) WGT_Enable(p, !tiff);
  WIN_SetTitle(win, tiff ? "Save As TIFF..." : "Save As JPEG...");
}

long export_partNfy(TK_OBJ part, int event) {
  if (event == TK_EV_ACTIVATE) {
    TK_OBJ win = RES_GetOwnerWindow(part);
    const int index = RES_GetIndex(part);
    if (RES_GetClass(part) == TK_CLASS_SLIDER) {
      s_quality = WGT_GetInt(part);
      show_quality(win);
    } else if (index == 2) {
      WIN_EndModal(win, 1);
    } else if (index == 3) {
      WIN_EndModal(win, 0);
    } else if (index == 4) {
      show_kind(win, SHOWN_TIFF);
    } else if (index == 5) {
      show_kind(win, SHOWN_JPEG);
    }
  }
  return WGT_DefaultNfy(part, event);
}

long dialog_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    WIN_EndModal(win, 0);
    return 0;
  }
  return WIN_DefaultNfy(win, event);
}

long rgb_buttonNfy(TK_OBJ button, int event) {
  if (event == TK_EV_ACTIVATE) {
    const int index = RES_GetIndex(button);
    s_uiRGBColor = static_cast<short>(index >= 1 && index <= 4 ? index : 0);
    WIN_EndModal(RES_GetOwnerWindow(button), s_uiRGBColor != 0 ? 1 : 0);
  }
  return WGT_DefaultNfy(button, event);
}

}  // namespace

long ui_export_dialog(int type, int* save_as, int* quality) {
  static const char* fn = "ui_export_dialog";
  int dummy_kind = 0, dummy_quality = 0;
  if (!save_as) save_as = &dummy_kind;
  if (!quality) quality = &dummy_quality;
  *save_as = 0;
  *quality = 100;
  TK_OBJ win = WIN_Load("ui_tifsav", "WinTifsav");
  if (win == nullptr) {
    SLOG(fn, SLOG_ERROR, "no window WinTifsav");
    return 0;
  }
  s_export_win = win;
  s_auto = type == EXPORT_DLG_FOLDER;
  RES_SetNfy(win, dialog_winNfy);
  for (int i = 2; i <= 5; ++i) RES_SetNfy(RES_GetSub(win, i), export_partNfy);
  TK_OBJ slider = RES_GetSub(RES_GetSub(win, 1), 0);
  RES_SetNfy(slider, export_partNfy);
  WIN_Init(win);
  WGT_SetValue(slider, s_quality);
  show_quality(win);
  show_kind(win, SHOWN_TIFF);

  // The kinds offered: no 16-bit choice for 1-byte images.
  TK_OBJ choices = tiff_choices(win);
  const char* three[3] = {"8-Bit Color Palette", "8-Bit Gray-Scale",
                          s_auto ? "Auto Gray-Scale" : "16-Bit Gray-Scale"};
  const bool offer16 = type != EXPORT_DLG_8BIT && type != EXPORT_DLG_1BYTE;
  WGT_SetItems(choices, three, offer16 ? 3 : 2);
  WGT_SetChoice(choices, type == EXPORT_DLG_8BIT ? 0 : type == EXPORT_DLG_1BYTE ? 1 : 2);

  WIN_Show(win);
  ui_wpos_place(win, 75, 50, FALSE);
  const long result = WIN_DoModal(win);
  if (result == 1) {
    if (s_shown == SHOWN_JPEG) {
      *save_as = 4;
      *quality = s_quality;
    } else {
      const int c = WGT_GetChoice(choices);
      *save_as = c == 2 ? (s_auto ? 5 : 3) : c == 1 ? 2 : c == 0 ? 1 : 0;
    }
  }
  WIN_Terminate(win);
  s_export_win = nullptr;
  return result;
}

int ui_rgbcolor_dialog(int rgb_file_type) {
  static const char* texts[4] = {
      "This is a color TIFF image.\nYou must either import one of the colors,",
      "This is a color JPEG image.\nYou must either import one of the colors,",
      "This is a color TWAIN image.\nYou must either import one of the colors,",
      "This is a color BMP image.\nYou must either import one of the colors,"};
  s_uiRGBColor = 0;
  if (rgb_file_type < 0 || rgb_file_type > 3) return 0;
  TK_OBJ win = WIN_Load("ui_tifsav", "rgb_color");
  if (win == nullptr) {
    SLOG("ui_rgbcolor_dialog", SLOG_ERROR, "no window rgb_color");
    return 0;
  }
  RES_SetNfy(win, dialog_winNfy);
  for (int i = 1; i <= 5; ++i) RES_SetNfy(RES_GetSub(win, i), rgb_buttonNfy);
  WIN_Init(win);
  WGT_SetLabel(RES_GetSub(win, 0), texts[rgb_file_type]);
  WIN_Show(win);
  ui_wpos_place(win, 50, 50, FALSE);
  if (WIN_DoModal(win) != 1) s_uiRGBColor = 0;
  WIN_Terminate(win);
  return s_uiRGBColor;
}
