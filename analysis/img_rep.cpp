// The image information report.
#include "analysis/img_rep.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "analysis/rep_engine.h"
#include "analysis/rep_file.h"
#include "base/ks_choose.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "io/info_file.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "shell/gt_image_win.h"
#include "shell/ui_print.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_table.h"
#include "toolkit/tk_widget.h"

namespace {

TK_OBJ s_win = nullptr;

}  // namespace

long img_rep_dpi(double pixel_mm) {
  if (!(pixel_mm > 0)) return 0;
  return long(std::floor(25.4 / pixel_mm + 0.5));
}

std::string img_rep_text(const IMAGE_REC* image, const char* date, const char* time) {
  std::string out;
  if (image == nullptr) return out;
  out += rep_fmt("Image Information Report:  %s\n\n", image->image_name);
  out += rep_fmt("Date:     %s\nTime:     %s\n\n", date, time);
  out += rep_fmt("Image     : %s\n", image->image_name);
  if (image->comment) out += rep_fmt("Comments  : %.*s", 1023, image->comment);
  else out += "Comments  : [none]";
  out += "\n\n";
  static const IMG_INFO kNone{};
  const IMG_INFO& h = image->img_info ? *image->img_info : kNone;
  const double xmm = h.x_res * std::pow(10.0, h.x_scale);
  const double ymm = h.y_res * std::pow(10.0, h.y_scale);
  out += rep_fmt("Image width:     %6ld pixels, %7.3lf cm,  %7.3lf in\n", long(h.width),
      h.width * xmm / 10.0, h.width * xmm / 25.4);
  out += rep_fmt("Image height:    %6ld pixels, %7.3lf cm,  %7.3lf in\n", long(h.height),
      h.height * ymm / 10.0, h.height * ymm / 25.4);
  out += rep_fmt("Bytes per pixel: %ld\n", long(h.bytes_per_pixel));
  out += rep_fmt("File size:       %2.3lf MB\n",
      double(h.width) * h.height * h.bytes_per_pixel * 0.0009765625 * 0.0009765625);
  if (io_img_processed(h.flags)) {
    static const struct { int bit; const char* name; } kSteps[] = {
        {1, "Median Filtered"}, {64, "Histogram-Equalized"}, {128, "Decimated"},
        {2, "Inverted"},        {4, "Rotated"},              {8, "Flipped"},
        {16, "Equalized"},      {256, "Bordered"},           {32, "Cropped"}};
    out += "\nProcessing:      ";
    bool first = true;
    for (const auto& s : kSteps)
      if (h.flags & s.bit) {
        if (!first) out += ", ";
        out += s.name;
        first = false;
      }
  }
  out += "\n\n";
  out += rep_fmt("Min data value:  %ld\n", long(h.min_value));
  out += rep_fmt("Max data value:  %ld\n", long(h.max_value));
  out += rep_fmt("Dynamic range:   %ld\n\n", long(h.max_value) - long(h.min_value) + 1);
  out += rep_fmt("X resolution:    %.3lf millimeters per pixel (%ld dpi)\n", xmm, img_rep_dpi(xmm));
  out += rep_fmt("Y resolution:    %.3lf millimeters per pixel (%ld dpi)\n\n", ymm, img_rep_dpi(ymm));
  const IMG_INT_INFO* lut = image->img_int_info;
  const int n = lut ? lut->wedge_count : 0;
  out += rep_fmt("Number of lookup values:    %ld\n", long(n));
  if (n > 0 && lut->wedge_values && lut->dig_values) {
    out += rep_fmt("OD/Intensity Interpolation: %s\n\n", lut->interp_type == 0 ? "Logarithmic" : "Linear");
    out += "Intensity  Digital   Intensity\n  Step      Value      Value\n"
           "=========  =======  ===========\n";
    for (int i = 0; i < n; ++i)
      out += rep_fmt("%6ld %10ld  %12.3lf\n", long(i + 1), long(lut->dig_values[i]), lut->wedge_values[i]);
  }
  out += "\n";
  return out;
}

namespace {

long part_nfy(TK_OBJ part, int event) {
  if (event != TK_EV_ACTIVATE) return WGT_DefaultNfy(part, event);
  const CONTROL* ctl = gt_get_control();
  switch (RES_GetIndex(part)) {
    case 1: img_rep_dismiss(); break;
    case 2: ui_print(RES_GetSub(s_win, 0), ctl->folders[CTL_DIR_REPORTS], nullptr, nullptr); break;
    case 3: {
      const char* text = TEXT_GetText(RES_GetSub(s_win, 0));
      rep_save_as(text ? text : "", false, ctl->folders[CTL_DIR_REPORTS], WIN_GetTitle(s_win), false);
      break;
    }
    default: return WGT_DefaultNfy(part, event);
  }
  return 0;
}

long win_nfy(TK_OBJ win, int event) {
  if (event == TK_EV_WINDOW && EVENT_GetWinCode() == TK_WIN_CLOSE) {
    img_rep_dismiss();
    return 0;
  }
  if (event == TK_EV_TERMINATE && s_win == win) s_win = nullptr;
  return WIN_DefaultNfy(win, event);
}

}  // namespace

void img_rep_activate(const IMAGE_REC* image) {
  if (image == nullptr) return;
  if (s_win == nullptr) {
    TK_OBJ win = WIN_Load("img_rep", "img_rep_win");
    if (win == nullptr) return;
    RES_SetNfy(win, win_nfy);
    for (int i = 1; i <= 3; ++i) RES_SetNfy(RES_GetSub(win, i), part_nfy);
    WIN_SetOwner(win, gt_get_main_win());  // kept above the main window, as the tool windows are
    WIN_Init(win);
    TK_SetFixedFont(RES_GetSub(win, 0));
    ui_wpos_place(win, 100, 75, FALSE);
    s_win = win;
  }
  char date[32] = "", time[32] = "";
  ks_date(date);
  ks_time(time);
  TK_OBJ text = RES_GetSub(s_win, 0);
  WGT_SetText(text, img_rep_text(image, date, time).c_str());
  TEXT_SetInsertPos(text, 0);
  WIN_Show(s_win);
}

void img_rep_dismiss() {
  TK_OBJ win = s_win;
  s_win = nullptr;
  if (win) WIN_Terminate(win);
}

TK_OBJ img_rep_window() { return s_win; }
