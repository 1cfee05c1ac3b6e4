// Printing through the test driver: PostScript files rendered by Ghostscript on Letter, A4 and
// the photo page, the printer route through Qt's PDF output, the print defaults kept whatever
// happens, and the photo printer entry.
#include <gtest/gtest.h>

#include <QImage>
#include <QTimer>
#include <tuple>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/ks_ini.h"
#include "base/ks_msg.h"
#include "image_view_fixture.h"
#include "shell/gt_image_win.h"
#include "shell/ih_draw.h"
#include "shell/ui_print.h"
#include "shell_fixture.h"
#include "test_support.h"
#include "toolkit/tk_print.h"
#include "toolkit/tk_table.h"
#include "toolkit/tk_test.h"

namespace {

bool same(const TkPageSetup& a, const TkPageSetup& b) {
  return a.paper == b.paper && a.orientation == b.orientation && a.width == b.width &&
         a.height == b.height && a.left == b.left && a.top == b.top &&
         a.right_or_feed == b.right_or_feed && a.bottom == b.bottom && a.extra == b.extra;
}

// Renders a PostScript or PDF file at 72 dpi; the picture, or a null image when Ghostscript fails.
QImage render(const std::string& in, const std::string& png) {
  const std::string cmd = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r72 -o " + png + " " +
                          in + " >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) return QImage();
  return QImage(png.c_str());
}

class Print : public ::testing::Test {
 protected:
  void SetUp() override {
    shelltest::load_resources();
    TKT_Enable(true);
    saved_ = PRINT_GetDefaults();
    // A small gel: light background, three dark lanes with darker bands, a red overlay line.
    view_ = std::make_unique<shelltest::ImageView>(120, 90);
    TkImage* img = view_->image->img_ptr->disp_img;
    for (int y = 0; y < 90; ++y)
      for (int x = 0; x < 120; ++x) {
        const bool lane = (x / 20) % 2 == 1;
        const bool band = lane && (y % 30) < 5;
        img->row(y)[x] = band ? 10 : lane ? 120 : 230;
      }
    view_->image->img_ptr->cmap_changed = 1;
    view_->expose();
    DRAW_SetColors(view_->area, DRAW_StockColor(0), DRAW_StockColor(8));
    DRAW_Begin(view_->area, nullptr);
    DRAW_Line(view_->area, 0, 45, 119, 45);
    DRAW_End(view_->area);
  }
  void TearDown() override {
    view_.reset();
    PRINT_SetDefaults(saved_);
    TKT_Enable(false);
  }
  std::string file(const std::string& n) const { return dir_.file(n); }
  vxtest::TempDir dir_;
  TkPageSetup saved_;
  std::unique_ptr<shelltest::ImageView> view_;
};

TEST_F(Print, PostScriptOnEachPaper) {
  struct Case {
    int paper;
    int w, h;    // page in points
    int margin;  // points of white at the left edge at least
  } cases[] = {{TK_PAPER_LETTER, 612, 792, 36}, {TK_PAPER_A4, 595, 842, 36}, {TK_PAPER_PHOTO, 288, 432, 18}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.paper);
    TkPageSetup page = PRINT_GetDefaults();
    page.paper = c.paper;
    page.width = 288, page.height = 432, page.left = page.top = page.bottom = 18;
    PRINT_SetDefaults(page);
    const std::string ps = file("gel" + std::to_string(c.paper) + ".ps");
    TKT_AnswerPrint(1);
    TKT_AnswerChooser({ps});
    ui_print(view_->area, dir_.str().c_str(), nullptr, nullptr);
    EXPECT_TRUE(same(PRINT_GetDefaults(), page));
    const QImage out = render(ps, file("out.png"));
    ASSERT_FALSE(out.isNull()) << "Ghostscript cannot render " << ps;
    EXPECT_EQ(out.width(), c.w);
    EXPECT_EQ(out.height(), c.h);
    // Margins stay white; the picture holds the light gel, dark bands and the red line.
    for (int y = 0; y < c.h; y += 7)
      for (int x = 0; x < c.margin - 1; ++x) ASSERT_EQ(out.pixel(x, y) & 0xFFFFFF, 0xFFFFFFu);
    int red = 0, dark = 0, light = 0;
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) {
        const QRgb p = out.pixel(x, y);
        if (qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60) ++red;
        if (qRed(p) < 30 && qGreen(p) < 30) ++dark;
        if (qRed(p) > 215 && qRed(p) < 245 && qGreen(p) > 215 && qGreen(p) < 245) ++light;
      }
    EXPECT_GT(red, 50);
    EXPECT_GT(dark, 100);
    // Fitted to the printable width: the gel's 120 columns of the area's picture from the left
    // margin on.
    const double scale = std::min(double(c.w - 2 * c.margin) / view_->backing().width(),
                                  double(c.h - 2 * c.margin) / view_->backing().height());
    const double left = (c.w - view_->backing().width() * scale) / 2;
    const int row = int((c.h - view_->backing().height() * scale) / 2 + 10 * scale);
    int right = 0;
    for (int x = 0; x < c.w; ++x)
      if (qGreen(out.pixel(x, row)) < 245) right = x;
    EXPECT_NEAR(right, left + 120 * scale, 2);
    EXPECT_GT(light, 1000);
  }
}

TEST_F(Print, DefaultsKeptAfterEveryEnding) {
  TkPageSetup page = PRINT_GetDefaults();
  page.paper = TK_PAPER_LETTER;
  PRINT_SetDefaults(page);
  const std::string ps = file("lanes.ps");
  vxtest::write_bytes(ps, {'o', 'l', 'd'});
  const auto old = vxtest::read_bytes(ps);

  // Cancelled dialog; refused name (chooser cancelled, then a no to replacing).
  TKT_AnswerPrint(0);
  ui_print(view_->area, nullptr, nullptr, nullptr);
  TKT_AnswerPrint(1);
  TKT_AnswerChooser({});
  ui_print(view_->area, nullptr, nullptr, nullptr);
  TKT_AnswerPrint(1);
  TKT_AnswerChooser({ps});
  TKT_AnswerAlert(1);
  ui_print(view_->area, dir_.str().c_str(), nullptr, nullptr);
  EXPECT_EQ(vxtest::read_bytes(ps), old);
  // A failed write: a file in a folder that does not exist.
  TKT_AnswerPrint(1);
  TKT_AnswerChooser({file("none/lanes.ps")});
  TKT_AnswerAlert(1);
  ui_print(view_->area, nullptr, nullptr, nullptr);
  EXPECT_EQ(TKT_LastAlertText(), ui_msg(243));
  // A print with its own page information (the whole-widget print).
  TKT_AnswerPrint(1);
  TKT_AnswerChooser({ps});
  TKT_AnswerAlert(2);
  ui_print_widget(view_->area, nullptr);
  EXPECT_NE(vxtest::read_bytes(ps), old);
  EXPECT_TRUE(same(PRINT_GetDefaults(), page));
  EXPECT_EQ(TKT_Unanswered(), 0);

  ui_print_pagesetup(FALSE);
  EXPECT_EQ(PRINT_GetDefaults().paper, TK_PAPER_A4);
  ui_print_pagesetup(TRUE);
  EXPECT_EQ(PRINT_GetDefaults().paper, TK_PAPER_LETTER);
}

TEST_F(Print, PrinterRouteThroughPdf) {
  ui_print_pagesetup(FALSE);
  WIN_SetTitle(view_->win, "gel (A).kes");
  const std::string pdf = file("queue.pdf");
  TKT_AnswerPrint(2, pdf.c_str());
  ui_print(view_->area, nullptr, nullptr, nullptr);
  // The job is named after the printed window: the PDF's title, in UTF-16 with its brackets
  // escaped.
  std::string title = "/Title (\xfe\xff";
  for (char c : std::string("gel (A).kes")) title += std::string(1, '\0') + (c == '(' || c == ')' ? "\\" : "") + c;
  EXPECT_NE(vxtest::read_text(pdf).find(title + ")"), std::string::npos);
  const QImage out = render(pdf, file("pdf.png"));
  if (std::getenv("VX_GRAB_DIR")) out.save((std::string(std::getenv("VX_GRAB_DIR")) + "/print_pdf.png").c_str());
  ASSERT_FALSE(out.isNull());
  // The picture fills the printable width of A4 (36-point margins); the red line shows.
  ASSERT_GE(view_->backing().width() * 842, view_->backing().height() * 595);
  EXPECT_EQ(out.width(), 595);
  int red = 0, left = out.width(), right = 0;
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x) {
      const QRgb p = out.pixel(x, y);
      if (qRed(p) > 150 && qGreen(p) < 100 && qBlue(p) < 100) ++red;
      if ((p & 0xFFFFFF) != 0xFFFFFF) left = std::min(left, x), right = std::max(right, x);
    }
  EXPECT_GT(red, 50);
  EXPECT_NEAR(left, 36, 2);
  // The area's picture is its viewport, the gel its left part (the PDF's compressed image
  // blurs the edge, so the PostScript test holds the exact geometry).
  EXPECT_GT(right, 250);
  EXPECT_LT(right, 595 - 34);
}

TEST_F(Print, RectangleAndTextWidget) {
  // The rectangle's part only: the left 20 columns hold no lane, so no dark pixel.
  const std::string ps = file("part.ps");
  TkRect r{0, 0, 20, 90};
  TKT_AnswerPrint(1);
  TKT_AnswerChooser({ps});
  ui_print(view_->area, nullptr, &r, nullptr);
  QImage out = render(ps, file("part.png"));
  ASSERT_FALSE(out.isNull());
  int dark = 0;
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x)
      if (qRed(out.pixel(x, y)) < 30 && qGreen(out.pixel(x, y)) < 30) ++dark;
  EXPECT_EQ(dark, 0);
}

// Rows of the rendered page that hold dark pixels, counted as runs: one per printed line.
int text_lines(const QImage& page) {
  int runs = 0;
  bool in = false;
  for (int y = 0; y < page.height(); ++y) {
    bool dark = false;
    for (int x = 0; x < page.width() && !dark; ++x) dark = qGray(page.pixel(x, y)) < 128;
    if (dark && !in) ++runs;
    in = dark;
  }
  return runs;
}

TEST_F(Print, ALongTextPrintsEveryLineOnPagesAfterEachOther) {
  static const int loaded =
      RES_OpenText("module pr_text\nwindow w { size 300 120; part 0 text { readonly } }\n");
  ASSERT_TRUE(loaded);
  TK_OBJ win = WIN_Load("pr_text", "w");
  ASSERT_NE(win, nullptr);
  WIN_Show(win);
  std::string text;
  const int n = 150;  // far more lines than the widget shows
  for (int i = 1; i <= n; ++i) text += "line " + std::to_string(i) + " of the report\n";
  text += "the last line";
  WGT_SetText(RES_GetSub(win, 0), text.c_str());
  const std::string ps = file("text.ps");
  TKT_AnswerPrint(1);
  TKT_AnswerChooser({ps});
  ui_print(RES_GetSub(win, 0), nullptr, nullptr, nullptr);
  WIN_Terminate(win);
  const std::string body = vxtest::read_text(ps);
  const auto at = body.find("%%Pages: ");
  ASSERT_NE(at, std::string::npos);
  const int pages = std::atoi(body.c_str() + at + 9);
  ASSERT_GT(pages, 1);
  // Every page rendered; the printed lines add up to the whole text, the last page holding
  // the rest.
  const std::string pattern = file("text-%d.png");
  const std::string cmd = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pnggray -r150 -o " + pattern +
                          " " + ps + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  int lines = 0, first = 0;
  for (int p = 1; p <= pages; ++p) {
    char name[32];
    std::snprintf(name, sizeof name, "text-%d.png", p);
    const QImage page(file(name).c_str());
    ASSERT_FALSE(page.isNull()) << name;
    if (std::getenv("VX_GRAB_DIR")) page.save((std::string(std::getenv("VX_GRAB_DIR")) + "/print_" + name).c_str());
    const int on_page = text_lines(page);
    if (p == 1) first = on_page;
    if (p < pages) {
      EXPECT_EQ(on_page, first) << "page " << p;
    }
    lines += on_page;
  }
  EXPECT_EQ(lines, n + 1);
}

TEST_F(Print, ALongTablePrintsEveryRowInItsColumns) {
  static const int loaded =
      RES_OpenText("module pr_table\nwindow w { size 300 120; part 0 group { size 280 100 } }\n");
  ASSERT_TRUE(loaded);
  TK_OBJ win = WIN_Load("pr_table", "w");
  ASSERT_NE(win, nullptr);
  TK_OBJ table = RES_GetSub(win, 0);
  TABLE_Attach(table);
  TABLE_SetCellProc(table, [](TK_OBJ, int row, int col) -> const char* {
    static std::string cell;
    cell = col == 0 ? "row " + std::to_string(row + 1) : std::string(std::size_t(col) * 3, 'x');
    return cell.c_str();
  });
  const int n = 200;
  TABLE_SetSize(table, n, 3);
  WIN_Show(win);
  const std::string ps = file("table.ps");
  TKT_AnswerPrint(1);
  TKT_AnswerChooser({ps});
  ui_print(table, nullptr, nullptr, nullptr);
  WIN_Terminate(win);
  const std::string body = vxtest::read_text(ps);
  const auto at = body.find("%%Pages: ");
  ASSERT_NE(at, std::string::npos);
  const int pages = std::atoi(body.c_str() + at + 9);
  ASSERT_GT(pages, 1);
  const std::string cmd = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pnggray -r150 -o " +
                          file("table-%d.png") + " " + ps + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  int lines = 0;
  for (int p = 1; p <= pages; ++p) {
    const QImage page(file("table-" + std::to_string(p) + ".png").c_str());
    ASSERT_FALSE(page.isNull());
    if (std::getenv("VX_GRAB_DIR") && p == 1)
      page.save((std::string(std::getenv("VX_GRAB_DIR")) + "/print_table-1.png").c_str());
    lines += text_lines(page);
  }
  EXPECT_EQ(lines, n);
}

class PhotoPrint : public shelltest::MainWindowTest {
 protected:
  void run(const char* entry) {
    if (entry) {
      ASSERT_EQ(ks_put_inientry(14, 0, entry), 1);
    }
    gt_print_photo_activate();
  }
};

TEST_F(PhotoPrint, PrinterEntry) {
  shelltest::ImageView view(60, 40);
  gt_set_image_ptr(view.image);
  view.expose();
  vxtest::TempDir dir;
  const TkPageSetup before = PRINT_GetDefaults();
  // Missing from the ini: the alert.
  TKT_AnswerAlert(1);
  run(nullptr);
  EXPECT_NE(TKT_LastAlertText().find("PhotoPrinter must be set"), std::string::npos);
  // sheet, roll and another value print on the photo page.
  for (const char* e : {"sheet", "roll", "other"}) {
    const std::string ps = dir.file(std::string(e) + ".ps");
    TKT_AnswerPrint(1);
    TKT_AnswerChooser({ps});
    run(e);
    const QImage out = render(ps, dir.file("photo.png"));
    ASSERT_FALSE(out.isNull()) << e;
    EXPECT_EQ(out.width(), 288);
    EXPECT_EQ(out.height(), 432);
  }
  // none prints nothing and asks nothing.
  run("none");
  EXPECT_EQ(TKT_Unanswered(), 0);
  // An empty entry: the alert.
  TKT_AnswerAlert(1);
  run("");
  EXPECT_NE(TKT_LastAlertText().find("PhotoPrinter must be set"), std::string::npos);
  EXPECT_TRUE(same(PRINT_GetDefaults(), before));
  gt_set_image_ptr(nullptr);
}

}  // namespace

namespace {

// Lines and text on a print page's surface, and on the widget when there is none.
TEST_F(Print, NativeContextDrawing) {
  TkPageSetup page = PRINT_GetDefaults();
  page.paper = TK_PAPER_LETTER;
  TkPrintJob* job = PRINT_NewJob(view_->area, nullptr, page);
  ASSERT_NE(job, nullptr);
  TkPrintDC* dc = PRINT_BeginDrawing(job, 540, 720);  // the printable area at one pixel a point
  ASSERT_NE(dc, nullptr);
  ks_xdraw_line(dc, view_->area, 0, 100, 539, 100);
  ks_xdraw_text(dc, view_->area, 10, 300, 66, "Lane 1");
  short w = 0, h = 0;
  ks_xdraw_text_size(dc, view_->area, "Lane 1", &w, &h);
  EXPECT_GT(w, 10);
  EXPECT_GT(h, 5);
  PRINT_EndDrawing(job);
  const std::string ps = file("tree.ps");
  ASSERT_EQ(PRINT_ToFile(job, ps.c_str()), 0);
  PRINT_FreeJob(job);
  const QImage out = render(ps, file("tree.png"));
  ASSERT_FALSE(out.isNull());
  // Letter at 72 dpi: the surface fills the printable area from (36, 36) on.
  EXPECT_LT(qRed(out.pixel(300, 36 + 100)), 128);
  EXPECT_EQ(out.pixel(300, 36 + 90) & 0xFFFFFF, 0xFFFFFFu);
  int dark = 0;
  for (int y = 36 + 300; y < 36 + 300 + h; ++y)
    for (int x = 46; x < 46 + w; ++x) dark += qRed(out.pixel(x, y)) < 128;
  EXPECT_GT(dark, 10);

  // Without a surface: on the widget.
  const QImage before = view_->backing().copy();
  DRAW_SetColors(view_->area, DRAW_StockColor(9), DRAW_StockColor(8));
  ks_xdraw_line(nullptr, view_->area, 5, 150, 100, 150);
  EXPECT_EQ(view_->px(50, 150), 0u);
  EXPECT_NE(view_->backing(), before);
}

}  // namespace

namespace {

// Page Setup edits the paper of the print defaults; Cancel keeps them.
TEST_F(Print, PageSetupDialog) {
  ui_print_pagesetup(FALSE);
  for (auto [choice, ok, want] : {std::tuple{0, true, int(TK_PAPER_LETTER)}, std::tuple{2, false, int(TK_PAPER_LETTER)},
                                  std::tuple{2, true, int(TK_PAPER_PHOTO)}, std::tuple{1, true, int(TK_PAPER_A4)}}) {
    QTimer::singleShot(50, [choice = choice, ok = ok] {
      TK_OBJ win = TKT_FindWindow("ui_psetup", "ui_psetup_win");
      ASSERT_NE(win, nullptr);
      if (const char* dir = std::getenv("VX_GRAB_DIR")) {
        TKT_Grab(win, (std::string(dir) + "/page_setup.png").c_str());
      }
      TKT_Pick(RES_GetSub(win, 0), choice);
      TKT_Click(RES_GetSub(win, ok ? 1 : 2));
    });
    EXPECT_EQ(ui_page_setup_activate(nullptr), ok ? TRUE : FALSE);
    EXPECT_EQ(PRINT_GetDefaults().paper, want);
  }
  EXPECT_EQ(PRINT_GetDefaults().width, 288.0);
}

}  // namespace

namespace {

// The whole canvas of an image window larger than its view, zoomed 3 and scrolled: the page
// shows all of the image, drawn afresh, and the window's own picture stays as it was.
TEST(PrintCanvas, WholeCanvasDrawnAfresh) {
  shelltest::load_resources();
  TKT_Enable(true);
  vxtest::TempDir dir;
  const TkPageSetup saved = PRINT_GetDefaults();
  ui_print_pagesetup(FALSE);
  {
    shelltest::ImageView view(200, 150);
    view.zoom(3);
    view.scroll(100, 80);
    const QImage shown = view.expose().copy();
    const TkRect before = view.visible();
    const TkRect ext = CANVAS_GetExtent(view.area);
    ASSERT_EQ(ext.w, 600);
    const std::string ps = dir.file("canvas.ps");
    TKT_AnswerPrint(1);
    TKT_AnswerChooser({ps});
    ui_print(view.area, nullptr, &ext, nullptr);
    EVENT_Flush();
    EXPECT_EQ(view.visible().x, before.x);
    EXPECT_EQ(view.visible().y, before.y);
    EXPECT_EQ(view.image->img_ptr->zoom[0], 3);
    EXPECT_EQ(view.backing(), shown);

    const QImage out = render(ps, dir.file("canvas.png"));
    ASSERT_FALSE(out.isNull());
    // A4 at 72 dpi: 523 points wide for 600 canvas pixels (200 image pixels), centred.
    const double s = 523.0 / 200, top = (842 - 150 * s) / 2;
    for (auto [x, y] : {std::pair{5, 5}, std::pair{190, 10}, std::pair{20, 140}, std::pair{195, 145}}) {
      const QRgb p = out.pixel(int(36 + (x + 0.5) * s), int(top + (y + 0.5) * s));
      EXPECT_NEAR(qGreen(p), int(shelltest::grey_of(x, y)), 3) << x << "," << y;
    }
  }
  PRINT_SetDefaults(saved);
  TKT_Enable(false);
}

}  // namespace
