// Printing and the page set-up.
#include "shell/ui_print.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "base/io_file.h"
#include "base/ks_alert.h"
#include "base/ks_ini.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "model/control.h"
#include "shell/gt_canvas.h"
#include "shell/gt_chart.h"
#include "shell/gt_image_win.h"
#include "shell/gt_overlay.h"
#include "shell/ih_draw.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace {

char s_print_file[KS_PATH_LEN];

// Puts the print defaults back when the print ends, by whatever path.
class KeepDefaults {
 public:
  KeepDefaults() : saved_(PRINT_GetDefaults()) {}
  ~KeepDefaults() { PRINT_SetDefaults(saved_); }
  KeepDefaults(const KeepDefaults&) = delete;
  KeepDefaults& operator=(const KeepDefaults&) = delete;

 private:
  TkPageSetup saved_;
};

// A part of an image window's canvas is drawn afresh for the page at the largest zoom, not
// above the window's own, whose picture of that part fits the page's print resolution: a large
// image is never drawn whole at full size. The window's zoom is back before anything is shown.
TkPrintJob* canvas_job(TK_OBJ area, const TkRect& rect, const TkPageSetup& page) {
  IMAGE_REC* image = RES_GetNfy(area) == gt_canvas_notify ? gt_area_image(area) : nullptr;
  IMG_DATA* d = image ? image->img_ptr : nullptr;
  if (!d) return PRINT_NewJob(area, &rect, page);
  const int zoom = d->zoom[0] ? d->zoom[0] : 1;
  const double f = ih_zoom_factor(zoom);
  const double ix = rect.x / f, iy = rect.y / f, iw = rect.w / f, ih = rect.h / f;
  int mw = 0, mh = 0;
  PRINT_PagePixels(page, &mw, &mh);
  int pz = -10;
  for (int z = 10; z >= -10; --z) {
    if (z == 0 || z == -1 || ih_zoom_factor(z) > f) continue;
    if (iw * ih_zoom_factor(z) <= mw && ih * ih_zoom_factor(z) <= mh) {
      pz = z;
      break;
    }
  }
  int saved[3];
  std::copy(d->zoom, d->zoom + 3, saved);
  d->zoom[0] = d->zoom[2] = pz;
  d->cmap_changed = 1;
  const double pf = ih_zoom_factor(pz);
  const TkRect part{static_cast<int>(ix * pf), static_cast<int>(iy * pf),
                    std::max(1, static_cast<int>(iw * pf)), std::max(1, static_cast<int>(ih * pf))};
  SLOG("ui_print", SLOG_VALUE4, "canvas part drawn at zoom %d: %d x %d", pz, part.w, part.h);
  TkPrintJob* job = PRINT_NewJob(area, &part, page);
  std::copy(saved, saved + 3, d->zoom);
  d->cmap_changed = 1;
  WGT_Redraw(area);
  return job;
}

}  // namespace

void ui_print(TK_OBJ widget, const char* folder, const TkRect* rect, const TkPageSetup* page) {
  static const char* fn = "ui_print";
  SLOG(fn, SLOG_ENTRY, "widget %p, folder <%s>, rect %s", static_cast<void*>(widget),
       folder ? folder : "", rect ? "given" : "NULL");
  if (page) SLOG(fn, SLOG_VALUE4, "orient %d", page->orientation);
  KeepDefaults keep;
  const std::string dir = folder ? folder : "";
  const TkPageSetup setup = page ? *page : PRINT_GetDefaults();
  // A page description in mode 2 prints the whole picture fitted to the page: a drawing area
  // gives its whole canvas, not only the part its window shows.
  TkRect whole;
  if (!rect && page && page->extra == 2) {
    whole = CANVAS_GetExtent(widget);
    if (whole.w > 0 && whole.h > 0) rect = &whole;
  }
  TkPrintJob* job = rect ? canvas_job(widget, *rect, setup) : PRINT_NewJob(widget, nullptr, setup);
  if (!job) {
    SLOG(fn, SLOG_EXIT, "%s", "can't display print dialog");
    return;
  }
  // Without a printer the dialog offers only a file: the user learns why first.
  if (!PRINT_HavePrinter()) {
    SLOG(fn, SLOG_VALUE4, "%s", "no printer configured");
    mh_send_msg(KS_ALERT_INFO, "%s", ui_msg(273));
  }
  const int choice = PRINT_ShowDialog(job);
  if (choice == 1) {
    SLOG(fn, SLOG_VALUE4, "%s", "printing to file...");
    const char* name = ui_get_filename(dir.c_str());
    if (name && PRINT_ToFile(job, name) != 0) mh_send_msg(KS_ALERT_INFO, "%s", ui_msg(243));
  } else if (choice == 2) {
    if (PRINT_ToPrinter(job) != 0) mh_send_msg(KS_ALERT_INFO, "%s", ui_msg(243));
  }
  PRINT_FreeJob(job);
  SLOG(fn, SLOG_EXIT, "%s", choice ? "done" : "cancelled");
}

void ui_print_widget(TK_OBJ widget, const char* folder) {
  TkPageSetup page = PRINT_GetDefaults();
  page.orientation = 1;
  page.extra = 2;
  ui_print(widget, folder, nullptr, &page);
}

void ui_print_pagesetup(BOOL us_letter) {
  TkPageSetup page = PRINT_GetDefaults();
  SLOG("ui_print_pagesetup", SLOG_VALUE4, "PaperType starts %d", page.paper);
  page.paper = us_letter ? TK_PAPER_LETTER : TK_PAPER_A4;
  PRINT_SetDefaults(page);
  SLOG("ui_print_pagesetup", SLOG_VALUE4, "PaperType ends %d", page.paper);
}

BOOL ui_print_us_letter() { return PRINT_GetDefaults().paper == TK_PAPER_LETTER; }

const char* ui_get_filename(const char* folder) {
  char path[KS_PATH_LEN];
  if (!ks_ask_save_name(path, sizeof path, folder, "lanes.ps", "PostScript Files (*.ps)\0*.ps\0",
                        ".ps"))
    return nullptr;
  std::strcpy(s_print_file, path);
  SLOG("ui_get_filename", SLOG_VALUE4, "s_cPrintFile <%s>", s_print_file);
  return s_print_file;
}

void gt_print_photo_activate() {
  int is_int = 0, value = 0;
  char text[KS_INI_VALUE_LEN] = "";
  if (ks_get_inientry(14, &is_int, &value, text) != 1 || !text[0]) {
    mh_send_msg(KS_ALERT_ERROR, "%s", "PhotoPrinter must be set to \"sheet\", \"roll\", or \"none\"");
    return;
  }
  if (std::strcmp(text, "none") == 0) {
    SLOG("gt_print_photo_activate", SLOG_VALUE4, "%s", "bad photo printer");
    return;
  }
  ks_photo_print(std::strcmp(text, "roll") == 0 ? 1 : 0, 0);
}

void ks_photo_print(int roll, int orientation) {
  TkPageSetup page = PRINT_GetDefaults();
  page.paper = TK_PAPER_PHOTO;
  page.orientation = orientation;
  page.width = 288.0;
  page.height = 432.0;
  page.left = 18.0;
  page.top = 18.0;
  page.right_or_feed = roll ? 72.0 : -108.0;
  page.bottom = 18.0;
  page.extra = 2;
  IMAGE_REC* image = gt_get_image_ptr();
  if (!image || !image->draw_area) return;
  ui_print(static_cast<TK_OBJ>(image->draw_area), gt_get_control()->folders[CTL_DIR_REPORTS], nullptr, &page);
}

namespace {
long psetup_buttonNfy(TK_OBJ button, int event) {
  if (event == 150) WIN_EndModal(RES_GetOwnerWindow(button), RES_GetIndex(button) == 1 ? 1 : 0);
  return 0;
}
}  // namespace

BOOL ui_page_setup_activate(TK_OBJ owner) {
  TK_OBJ win = WIN_Load("ui_psetup", "ui_psetup_win");
  if (!win) return FALSE;
  RES_SetNfy(RES_GetSub(win, 1), psetup_buttonNfy);
  RES_SetNfy(RES_GetSub(win, 2), psetup_buttonNfy);
  if (owner) WIN_SetOwner(win, owner);
  WIN_Init(win);
  TkPageSetup page = PRINT_GetDefaults();
  TK_OBJ paper = RES_GetSub(win, 0);
  WGT_SetChoice(paper, page.paper == TK_PAPER_LETTER ? 0 : page.paper == TK_PAPER_A4 ? 1 : 2);
  const long ok = WIN_DoModal(win);
  const int choice = WGT_GetChoice(paper);
  WIN_Terminate(win);
  if (ok != 1) return FALSE;
  const int papers[] = {TK_PAPER_LETTER, TK_PAPER_A4, TK_PAPER_PHOTO};
  page.paper = papers[choice >= 0 && choice <= 2 ? choice : 1];
  if (page.paper == TK_PAPER_PHOTO && page.width <= 0) {
    page.width = 288, page.height = 432, page.left = page.top = page.bottom = 18;
  }
  PRINT_SetDefaults(page);
  SLOG("ui_page_setup_activate", SLOG_VALUE4, "paper %d", page.paper);
  return TRUE;
}
