// The resolution dialog and the border dialog.
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "acquire/ui_dialogs.h"
#include "base/ks_choose.h"
#include "base/slog.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace {

// Numbers in the fields are written and read in the C locale, whatever the user's.
std::string c_format(const char* format, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, v);
  // snprintf follows LC_NUMERIC; the program keeps the C locale for numbers, but be sure.
  const char* point = std::localeconv()->decimal_point;
  std::string s(buf);
  if (point && point[0] && std::strcmp(point, ".") != 0) {
    const std::size_t at = s.find(point);
    if (at != std::string::npos) s.replace(at, std::strlen(point), ".");
  }
  return s;
}

double c_parse(const char* text) {
  // A plain decimal number ("-", digits, one '.'), read without the locale.
  double v = 0, scale = 0;
  bool neg = false;
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  if (*p == '-') {
    neg = true;
    ++p;
  }
  for (; *p; ++p) {
    if (*p == '.') {
      scale = 1;
      continue;
    }
    if (*p < '0' || *p > '9') break;
    if (scale > 0) {
      scale /= 10;
      v += (*p - '0') * scale;
    } else {
      v = v * 10 + (*p - '0');
    }
  }
  return neg ? -v : v;
}

// Resolution dialog statics, kept between uses.
std::string s_x_dpi_text, s_y_dpi_text;  // "%.1lf" after each use
std::string s_width_mm, s_height_mm;     // the image's size in millimetres
bool s_mm_mode = false;
bool s_image_visible = false;
int s_width = 0, s_height = 0;

// Border dialog static.
int s_percent = 10;

long res_winNfy(TK_OBJ win, int event) {
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    WIN_EndModal(win, 0);
    return 0;
  }
  return WIN_DefaultNfy(win, event);
}

// Shows the fields of the current mode from the stored texts.
void show_mode(TK_OBJ win) {
  TK_OBJ f0 = RES_GetSub(win, 0), f1 = RES_GetSub(win, 1);
  if (s_mm_mode) {
    WGT_SetLabel(RES_GetSub(win, 7), "Width in mm:");
    WGT_SetLabel(RES_GetSub(win, 8), "Height in mm:");
    WGT_SetLabel(RES_GetSub(win, 4), "Please specify the dimensions of the image\nin millimeters (mm)");
    WGT_SetText(f0, s_width_mm.c_str());
    WGT_SetText(f1, s_height_mm.c_str());
  } else {
    WGT_SetLabel(RES_GetSub(win, 7), "X dpi:");
    WGT_SetLabel(RES_GetSub(win, 8), "Y dpi:");
    WGT_SetLabel(RES_GetSub(win, 4),
                 "Please specify X-resolution and Y-resolution\nvalues in dots per inch (dpi)");
    WGT_SetText(f0, c_format("%.0lf", c_parse(s_x_dpi_text.c_str())).c_str());
    WGT_SetText(f1, c_format("%.0lf", c_parse(s_y_dpi_text.c_str())).c_str());
  }
}

// The field's text (at most 8 characters) into its stored text.
std::string field_text(TK_OBJ field) {
  const char* t = WGT_GetText(field);
  std::string s = t ? t : "";
  if (s.size() > 8) s.resize(8);
  return s;
}

long res_partNfy(TK_OBJ part, int event) {
  if (event == TK_EV_ACTIVATE) {
    TK_OBJ win = RES_GetOwnerWindow(part);
    switch (RES_GetIndex(part)) {
      case 2: WIN_EndModal(win, 1); break;
      case 3: WIN_EndModal(win, 0); break;
      case 5: {
        // Keep what was typed in the mode being left, then show the other mode's texts.
        const std::string a = field_text(RES_GetSub(win, 0)), b = field_text(RES_GetSub(win, 1));
        if (s_mm_mode) {
          s_width_mm = a;
          s_height_mm = b;
        } else {
          s_x_dpi_text = a;
          s_y_dpi_text = b;
        }
        s_mm_mode = WGT_GetValue(part) != 0;
        WGT_Show(RES_GetSub(win, 6), 0);
        WGT_Show(RES_GetSub(win, 4), 1);
        show_mode(win);
        break;
      }
      default: break;
    }
  }
  return WGT_DefaultNfy(part, event);
}

// One answer: 300 unless the text is a number; dpi or millimetres; held to 1.0 ... 4799.5.
double answer(const std::string& text, bool mm, int pixels) {
  double v = 300.0;
  if (!text.empty() && ks_valok(text.c_str())) {
    const double n = c_parse(text.c_str());
    v = mm ? (n != 0 ? pixels * 25.4 / n : 0) : n;
  }
  if (!(v >= 1.0)) v = 1.0;
  if (v > 4799.5) v = 4799.5;
  return v;
}

// Border dialog.
long edge_partNfy(TK_OBJ part, int event) {
  if (event == TK_EV_ACTIVATE) {
    TK_OBJ win = RES_GetOwnerWindow(part);
    const int index = RES_GetIndex(part);
    if (index == 11) {
      s_percent = WGT_GetInt(part);
      WGT_SetText(RES_GetSub(win, 0), std::to_string(s_percent).c_str());
    } else if (index == 9 || index == 10) {
      // The two choices exclude each other.
      WGT_SetValue(RES_GetSub(win, 9), index == 9);
      WGT_SetValue(RES_GetSub(win, 10), index == 10);
    } else if (index == 1) {
      bool any = false;
      for (int i = 5; i <= 8; ++i) any = any || WGT_GetValue(RES_GetSub(win, i)) != 0;
      if (any) WIN_EndModal(win, 1);
    } else if (index == 2) {
      WIN_EndModal(win, 0);
    }
  }
  return WGT_DefaultNfy(part, event);
}

}  // namespace

long ui_res_activate(TkObject* owner, double* x_dpi, double* y_dpi, int convert, int width,
                     int height, int image_visible, int* default_res) {
  static const char* fn = "ui_res_activate";
  TK_OBJ win = WIN_Load("ui_res", "ui_res_win");
  if (win == nullptr) {
    SLOG(fn, SLOG_ERROR, "no window ui_res_win");
    return 0;
  }
  double dummy_x = 0, dummy_y = 0;
  int dummy_def = 100;
  if (!x_dpi) x_dpi = &dummy_x;
  if (!y_dpi) y_dpi = &dummy_y;
  if (!default_res) default_res = &dummy_def;
  s_image_visible = image_visible != 0;
  s_width = width;
  s_height = height;
  if (owner) WIN_SetOwner(win, owner);
  RES_SetNfy(win, res_winNfy);
  for (int i : {2, 3, 5}) RES_SetNfy(RES_GetSub(win, i), res_partNfy);
  WIN_Init(win);
  TK_OBJ f0 = RES_GetSub(win, 0);
  WGT_SetLabel(RES_GetSub(win, 7), "X dpi:");
  WGT_SetLabel(RES_GetSub(win, 6),
               "Please specify\nX-resolution and Y-resolution\nvalues in dots per inch (dpi)");
  const std::string def_text = std::to_string(*default_res);
  if (!s_image_visible) {
    WGT_Show(RES_GetSub(win, 1), 0);
    WGT_Show(RES_GetSub(win, 8), 0);
    WGT_Show(RES_GetSub(win, 4), 0);
    WGT_Show(RES_GetSub(win, 5), 0);
    WGT_SetLabel(RES_GetSub(win, 6), "Please specify\n default resolution in dots per inch (dpi)");
    WGT_SetLabel(RES_GetSub(win, 7), "dpi:");
    WGT_SetText(f0, def_text.c_str());
  } else if (convert) {
    // A new image: 300 dpi offered, the size in millimetres at hand; Cancel keeps the default.
    s_mm_mode = false;
    WGT_SetValue(RES_GetSub(win, 5), 0);
    s_x_dpi_text = s_y_dpi_text = "300";
    s_width_mm = c_format("%.1lf", width * 25.4 / 300);
    s_height_mm = c_format("%.1lf", height * 25.4 / 300);
    WGT_Show(RES_GetSub(win, 4), 0);
    WGT_SetText(f0, "300");
    WGT_SetText(RES_GetSub(win, 1), "300");
    WGT_SetLabel(RES_GetSub(win, 3), "Default");
  } else {
    s_x_dpi_text = c_format("%.1lf", *x_dpi);
    s_y_dpi_text = c_format("%.1lf", *y_dpi);
    if (s_width_mm.empty() || s_height_mm.empty()) {
      s_width_mm = *x_dpi > 0 ? c_format("%.1lf", width * 25.4 / *x_dpi) : "";
      s_height_mm = *y_dpi > 0 ? c_format("%.1lf", height * 25.4 / *y_dpi) : "";
    }
    WGT_Show(RES_GetSub(win, 6), 0);
    WGT_SetValue(RES_GetSub(win, 5), s_mm_mode ? 1 : 0);
    WGT_SetLabel(RES_GetSub(win, 3), "Cancel");
    show_mode(win);
  }
  WIN_Show(win);
  ui_wpos_place(win, 75, 50, FALSE);
  const long result = WIN_DoModal(win);
  if (result == 1) {
    if (s_image_visible) {
      const std::string a = field_text(f0), b = field_text(RES_GetSub(win, 1));
      const bool mm = s_mm_mode;
      if (mm) {
        s_width_mm = a;
        s_height_mm = b;
      }
      *x_dpi = answer(a, mm, width);
      *y_dpi = answer(b, mm, height);
    } else {
      // The default resolution: a value below 1 keeps the previous one (it divides later).
      const std::string a = field_text(f0);
      const int v = ks_valok(a.c_str()) ? static_cast<int>(c_parse(a.c_str())) : 0;
      if (v >= 1) *default_res = v;
    }
  }
  s_x_dpi_text = c_format("%.1lf", *x_dpi);
  s_y_dpi_text = c_format("%.1lf", *y_dpi);
  WIN_Terminate(win);
  return result;
}

long ui_edge_activate(TkObject* owner, int width, int height, int* border, int* side1,
                      int* side2, int* side3, int* side4) {
  TK_OBJ win = WIN_Load("ui_edge", "ui_edge_win");
  if (win == nullptr) {
    SLOG("ui_edge_activate", SLOG_ERROR, "no window ui_edge_win");
    return 0;
  }
  if (owner) WIN_SetOwner(win, owner);
  RES_SetNfy(win, res_winNfy);
  for (int i : {1, 2, 9, 10, 11}) RES_SetNfy(RES_GetSub(win, i), edge_partNfy);
  WIN_Init(win);
  for (int i = 5; i <= 8; ++i) WGT_SetValue(RES_GetSub(win, i), 1);
  WGT_SetValue(RES_GetSub(win, 11), s_percent);
  WGT_SetText(RES_GetSub(win, 0), std::to_string(s_percent).c_str());
  WGT_SetValue(RES_GetSub(win, 9), 1);
  WGT_SetValue(RES_GetSub(win, 10), 0);
  WIN_Show(win);
  ui_wpos_place(win, 75, 50, FALSE);
  const long result = WIN_DoModal(win);
  if (result == 1) {
    const int size = WGT_GetValue(RES_GetSub(win, 9)) ? width : height;
    const int b = static_cast<int>(std::floor(s_percent * double(size) / 100 + 0.5));
    if (border) *border = b;
    int* sides[4] = {side1, side2, side3, side4};
    for (int i = 0; i < 4; ++i)
      if (sides[i]) *sides[i] = WGT_GetValue(RES_GetSub(win, 5 + i)) ? 1 : 0;
  }
  WIN_Terminate(win);
  return result;
}
