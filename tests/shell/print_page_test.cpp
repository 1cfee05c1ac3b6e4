// The page a print takes from the print dialog (paper, orientation, margins), checked on the
// PostScript it writes with Ghostscript's bounding box and a rendered page; the resolution of
// printed pictures and text; and the message when no printer is configured.
#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPlainTextEdit>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "base/ks_alert.h"
#include "base/ks_msg.h"
#include "gel_fixture.h"
#include "image_view_fixture.h"
#include "shell/gt_canvas.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "shell/ui_print.h"
#include "shell_fixture.h"
#include "test_support.h"
#include "toolkit/tk_print.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_test.h"
#include "toolkit/tk_workspace.h"

namespace {

struct Box {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  double w() const { return x1 - x0; }
  double h() const { return y1 - y0; }
};

// Ghostscript's bounding box of what the first page marks, in points.
bool gs_bbox(const std::string& ps, Box* box) {
  const std::string cmd = "gs -q -dSAFER -dBATCH -dNOPAUSE -dLastPage=1 -sDEVICE=bbox " + ps + " 2>&1";
  std::FILE* p = popen(cmd.c_str(), "r");
  if (!p) return false;
  std::string out;
  char buf[256];
  while (std::fgets(buf, sizeof buf, p)) out += buf;
  if (pclose(p) != 0) return false;
  std::smatch m;
  static const std::regex hi(R"(%%HiResBoundingBox: ([-\d.]+) ([-\d.]+) ([-\d.]+) ([-\d.]+))");
  if (!std::regex_search(out, m, hi)) return false;
  *box = {std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4])};
  return true;
}

// The first page rendered at `dpi`, or a null image when Ghostscript fails.
QImage gs_page(const std::string& in, const std::string& png, int dpi = 72) {
  const std::string cmd = "gs -q -dSAFER -dBATCH -dNOPAUSE -dLastPage=1 -sDEVICE=png16m -r" +
                          std::to_string(dpi) + " -o " + png + " " + in + " >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) return QImage();
  return QImage(png.c_str());
}

// The box of the pixels darker than light grey (the gel's corners are, the white around it and
// the blur of a compressed picture's edges are not).
Box ink(const QImage& img) {
  Box b{double(img.width()), double(img.height()), 0, 0};
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (qGray(img.pixel(x, y)) < 230) {
        b.x0 = std::min(b.x0, double(x)), b.y0 = std::min(b.y0, double(y));
        b.x1 = std::max(b.x1, double(x + 1)), b.y1 = std::max(b.y1, double(y + 1));
      }
  return b;
}

// The numbers after a key in the PostScript text ("/Width 1234").
int ps_int(const std::string& ps, const std::string& key) {
  const auto at = ps.find(key);
  return at == std::string::npos ? -1 : std::atoi(ps.c_str() + at + key.size());
}

// The first rows of the runs of rows that hold dark pixels: one per printed line.
std::vector<int> text_rows(const QImage& page) {
  std::vector<int> tops;
  bool in = false;
  for (int y = 0; y < page.height(); ++y) {
    bool dark = false;
    for (int x = 0; x < page.width() && !dark; ++x) dark = qGray(page.pixel(x, y)) < 128;
    if (dark && !in) tops.push_back(y);
    in = dark;
  }
  return tops;
}

class PrintPage : public ::testing::Test {
 protected:
  void SetUp() override {
    shelltest::load_resources();
    TKT_Enable(true);
    saved_ = PRINT_GetDefaults();
    ui_print_pagesetup(FALSE);
    // A gel twice as wide as high, with no white in it, in an area with white around it.
    view_ = std::make_unique<shelltest::ImageView>(200, 100);
    const QImage& b = view_->expose();
    pic_w_ = b.width(), pic_h_ = b.height();
  }
  void TearDown() override {
    view_.reset();
    PRINT_SetDefaults(saved_);
    TKT_SetPrinters(1);
    TKT_Enable(false);
  }
  std::string file(const std::string& n) const { return dir_.file(n); }
  // Prints the image window's area to a PostScript file with the dialog's page.
  std::string print_ps(const std::string& name, const TktPrintPage& page) {
    const std::string ps = file(name);
    TKT_AnswerPrint(1, nullptr, &page);
    TKT_AnswerChooser({ps});
    ui_print(view_->area, nullptr, nullptr, nullptr);
    return ps;
  }
  vxtest::TempDir dir_;
  TkPageSetup saved_;
  std::unique_ptr<shelltest::ImageView> view_;
  int pic_w_ = 0, pic_h_ = 0;
};

TEST_F(PrintPage, ThePictureKeepsItsProportionsOnEveryPaperAndOrientation) {
  struct Case {
    const char* what;
    double w, h;
    bool landscape;
  } cases[] = {{"A4", 595, 842, false},     {"A4_landscape", 595, 842, true},
               {"Letter", 612, 792, false}, {"Letter_landscape", 612, 792, true},
               {"A5_landscape", 420, 595, true}};
  const double aspect = double(pic_w_) / pic_h_;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TktPrintPage page;
    page.width = c.w, page.height = c.h, page.landscape = c.landscape;
    page.left = page.top = page.right = page.bottom = 36;
    const std::string name = std::string(c.what) + ".ps";
    const std::string ps = print_ps(name, page);
    const QImage out = gs_page(ps, file(name + ".png"));
    ASSERT_FALSE(out.isNull());
    const int pw = int(c.landscape ? c.h : c.w), ph = int(c.landscape ? c.w : c.h);
    EXPECT_EQ(out.width(), pw);
    EXPECT_EQ(out.height(), ph);
    Box b;
    ASSERT_TRUE(gs_bbox(ps, &b));
    EXPECT_NEAR(b.w() / b.h(), aspect, 0.02);
    // Inside the printable area, filling its width or its height, centred.
    EXPECT_GE(b.x0, 35);
    EXPECT_GE(b.y0, 35);
    EXPECT_LE(b.x1, pw - 35);
    EXPECT_LE(b.y1, ph - 35);
    EXPECT_NEAR(std::max(b.w() / (pw - 72), b.h() / (ph - 72)), 1.0, 0.01);
    EXPECT_NEAR(b.x0 - 36, pw - 36 - b.x1, 1);
    EXPECT_NEAR(b.y0 - 36, ph - 36 - b.y1, 1);
    // The gel itself, 200 x 100 pixels, is twice as wide as high on the paper.
    const Box gel = ink(out);
    EXPECT_NEAR(gel.w() / gel.h(), 2.0, 0.04);
  }
}

TEST_F(PrintPage, ThePrinterPageInLandscapeKeepsTheProportions) {
  // Through the printer route (Qt's PDF output in place of a queue).
  TktPrintPage page;
  page.landscape = true;
  const std::string pdf = file("landscape.pdf");
  TKT_AnswerPrint(2, pdf.c_str(), &page);
  ui_print(view_->area, nullptr, nullptr, nullptr);
  const QImage out = gs_page(pdf, file("landscape.png"));
  if (const char* g = std::getenv("VX_GRAB_DIR")) out.save((std::string(g) + "/print_landscape_pdf.png").c_str());
  ASSERT_FALSE(out.isNull());
  EXPECT_EQ(out.width(), 842);
  EXPECT_EQ(out.height(), 595);
  const Box gel = ink(out);
  EXPECT_NEAR(gel.w() / gel.h(), 2.0, 0.04);
}

TEST_F(PrintPage, TheDialogsMarginsAreTheAreaAndThePhotoPageKeepsItsOwn) {
  TktPrintPage page;
  page.width = 612, page.height = 792;
  page.left = 90, page.top = 100, page.right = 50, page.bottom = 20;
  const TkPageSetup before = PRINT_GetDefaults();
  Box b;
  ASSERT_TRUE(gs_bbox(print_ps("margins.ps", page), &b));
  EXPECT_NEAR(b.x0, 90, 1);
  EXPECT_NEAR(b.x1, 612 - 50, 1);
  // Centred between the bottom margin (20) and the top one (792 - 100).
  EXPECT_NEAR((b.y0 + b.y1) / 2, (20 + 692) / 2.0, 1);
  EXPECT_EQ(PRINT_GetDefaults().paper, before.paper);

  // The photo page: its own size and 18-point margins, whatever the dialog chose.
  page.landscape = true;
  TkPageSetup photo = PRINT_GetDefaults();
  photo.paper = TK_PAPER_PHOTO;
  photo.width = 288, photo.height = 432, photo.left = photo.top = photo.bottom = 18;
  const std::string ps = file("photo.ps");
  TKT_AnswerPrint(1, nullptr, &page);
  TKT_AnswerChooser({ps});
  ui_print(view_->area, nullptr, nullptr, &photo);
  ASSERT_TRUE(gs_bbox(ps, &b));
  EXPECT_NEAR(b.x0, 18, 1);
  EXPECT_NEAR(b.x1, 288 - 18, 1);
  const QImage out = gs_page(ps, file("photo.png"));
  EXPECT_EQ(out.width(), 288);
  EXPECT_EQ(out.height(), 432);
  EXPECT_EQ(PRINT_GetDefaults().paper, before.paper);
}

TEST_F(PrintPage, TextPrintsAtItsPointSizeAndPicturesAtThreeHundredDpi) {
  static const int loaded = RES_OpenText(
      "module pr_res\nwindow w { size 300 120; part 0 text { readonly } }\n"
      "window pic { size 240 120; layout vbox; part 0 label { label \"Lane 1 of the gel\" } }\n");
  ASSERT_TRUE(loaded);
  TK_OBJ win = WIN_Load("pr_res", "w");
  ASSERT_NE(win, nullptr);
  QWidget* text = tk::widget(RES_GetSub(win, 0));
  QFont font(QStringLiteral("Courier"));
  font.setPointSizeF(12);
  text->setFont(font);
  WIN_Show(win);
  WGT_SetText(RES_GetSub(win, 0), "first line\nsecond line\nthird line");
  const std::string ps = file("text.ps");
  TKT_AnswerPrint(1);
  TKT_AnswerChooser({ps});
  ui_print(RES_GetSub(win, 0), nullptr, nullptr, nullptr);
  // On a printer the text goes out as text: every line shows on the page.
  const std::string pdf = file("text.pdf");
  TKT_AnswerPrint(2, pdf.c_str());
  ui_print(RES_GetSub(win, 0), nullptr, nullptr, nullptr);
  WIN_Terminate(win);

  // The page's picture has 300 dots for each inch of its box on the paper.
  const std::string body = vxtest::read_text(ps);
  Box b;
  ASSERT_TRUE(gs_bbox(ps, &b));
  const int w = ps_int(body, "/Width ");
  ASSERT_GT(w, 0);
  EXPECT_NEAR(w / ((b.w()) / 72.0), 300, 3);
  // The lines follow each other at the font's line spacing in points.
  const QImage page = gs_page(ps, file("text.png"), 144);
  ASSERT_FALSE(page.isNull());
  const std::vector<int> tops = text_rows(page);
  ASSERT_EQ(tops.size(), 3u);
  const QImage printed = gs_page(pdf, file("text_pdf.png"), 144);
  ASSERT_FALSE(printed.isNull());
  const std::vector<int> rows = text_rows(printed);
  ASSERT_EQ(rows.size(), tops.size());
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_NEAR(rows[i], tops[i], 2) << i;
  QImage probe(1, 1, QImage::Format_Grayscale8);
  probe.setDotsPerMeterX(int(72 / 0.0254)), probe.setDotsPerMeterY(int(72 / 0.0254));
  const double spacing = QFontMetricsF(font, &probe).lineSpacing();  // points
  EXPECT_NEAR((tops[2] - tops[0]) / 2.0 * 72 / 144, spacing, 1.0);

  // A widget's picture is drawn afresh at 300 dots per inch of the paper.
  TK_OBJ pic = WIN_Load("pr_res", "pic");
  ASSERT_NE(pic, nullptr);
  WIN_Show(pic);
  const std::string ps2 = file("widget.ps");
  TKT_AnswerPrint(1);
  TKT_AnswerChooser({ps2});
  ui_print(pic, nullptr, nullptr, nullptr);
  WIN_Terminate(pic);
  ASSERT_TRUE(gs_bbox(ps2, &b));
  const int w2 = ps_int(vxtest::read_text(ps2), "/Width ");
  EXPECT_NEAR(w2 / (b.w() / 72.0), 300, 3);
}

TEST_F(PrintPage, WithoutAPrinterTheUserIsToldBeforeTheDialog) {
  TKT_SetPrinters(0);
  TKT_AnswerAlert(1);
  TKT_AnswerPrint(0);
  ui_print(view_->area, nullptr, nullptr, nullptr);
  EXPECT_EQ(TKT_LastAlertText(), ui_msg(273));
  EXPECT_EQ(TKT_Unanswered(), 0);
  // With one, nothing is said.
  TKT_SetPrinters(1);
  TKT_AnswerAlert(1);
  mh_send_msg(KS_ALERT_INFO, "%s", "marker");
  TKT_AnswerPrint(0);
  ui_print(view_->area, nullptr, nullptr, nullptr);
  EXPECT_EQ(TKT_LastAlertText(), "marker");
  EXPECT_EQ(TKT_Unanswered(), 0);
}

// Qt's own print dialog, answered as a user would: its page properties open on the paper of
// Page Setup, and Print keeps that paper whether they were opened or not (with a CUPS printer
// the dialog puts the printer's own default paper there by itself).
TEST_F(PrintPage, QtsOwnDialogKeepsThePaperOfPageSetup) {
  ui_print_pagesetup(TRUE);
  for (bool open_properties : {false, true}) {
    SCOPED_TRACE(open_properties ? "properties opened" : "Print at once");
    TkPrintJob* job = PRINT_NewJob(view_->area, nullptr, PRINT_GetDefaults());
    ASSERT_NE(job, nullptr);
    TKT_AnswerPrintDialog(open_properties);
    EXPECT_NE(PRINT_ShowDialog(job), 0);
    const std::string ps = file(open_properties ? "qt_props.ps" : "qt_print.ps");
    ASSERT_EQ(PRINT_ToFile(job, ps.c_str()), 0);
    PRINT_FreeJob(job);
    const QImage out = gs_page(ps, ps + ".png");
    ASSERT_FALSE(out.isNull());
    EXPECT_EQ(out.width(), 612);
    EXPECT_EQ(out.height(), 792);
  }
}

// Print Image from the menu of a workspace whose locale is US.
class PrintImageCommand : public shelltest::OpenImagesTest {
 protected:
  void SetUp() override {
    saved_ = PRINT_GetDefaults();
    OpenImagesTest::SetUp();
  }
  void TearDown() override {
    OpenImagesTest::TearDown();
    PRINT_SetDefaults(saved_);
  }
  std::string writable() override { return "Locale=US"; }
  // Runs the print command with the dialog's answer `page` and returns the first page as
  // rendered at 72 dpi: a PostScript file, or with `printer` the PDF that stands for the queue.
  QImage print(int command, const std::string& name, const TktPrintPage* page = nullptr,
               bool printer = false) {
    const std::string out = dir + "/" + name;
    if (printer) {
      TKT_AnswerPrint(2, out.c_str(), page);
    } else {
      TKT_AnswerPrint(1, nullptr, page);
      TKT_AnswerChooser({out});
    }
    main_winNfySelMenuBar(win_, command);
    EXPECT_EQ(TKT_Unanswered(), 0);
    const QImage img = gs_page(out, out + ".png");
    if (const char* g = std::getenv("VX_GRAB_DIR")) img.save((std::string(g) + "/" + name + ".png").c_str());
    return img;
  }
  TkPageSetup saved_;
};

// The whole gel fitted to the page, as Print Image Window prints it, whatever the window shows:
// a gel taller than its window is not cut to the rows in view, and one zoomed 1:2 fills the page
// rather than sitting small in the white around it.
TEST_F(PrintImageCommand, PrintsTheWholeImageFittedToThePage) {
  const int w = 150, h = 1200;
  IMAGE_REC* im = open(shelltest::write_gel(dir, "tall", w, h));
  ASSERT_NE(im, nullptr);
  TK_OBJ area = static_cast<TK_OBJ>(im->draw_area);
  for (int zoom : {1, -2}) {
    SCOPED_TRACE("zoom " + std::to_string(zoom));
    gt_zoom_set(im, zoom);
    CANVAS_ScrollTo(area, 0, 40);
    EVENT_Flush();
    const std::string z = zoom == 1 ? "1" : "half";
    const QImage image = print(GT_CMD_PRINT_IMAGE, "image_" + z + ".ps");
    const QImage window = print(GT_CMD_PRINT_WINDOW, "window_" + z + ".ps");
    ASSERT_FALSE(image.isNull());
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(image.size(), QSize(612, 792));  // the Letter paper of Page Setup
    const Box b = ink(image), bw = ink(window);
    // The gel's proportions, as tall as Letter's printable area (792 less two 36-point margins).
    EXPECT_NEAR(b.w() / b.h(), double(w) / h, 0.01);
    EXPECT_NEAR(b.h(), 720, 2);
    EXPECT_NEAR(b.x0, bw.x0, 1);
    EXPECT_NEAR(b.y0, bw.y0, 1);
    EXPECT_NEAR(b.x1, bw.x1, 1);
    EXPECT_NEAR(b.y1, bw.y1, 1);
  }
}

// Page Setup shows Letter in a US workspace, and the print comes out on Letter, on a printer and
// in a file, when the print dialog put its printer's own paper (A4) there itself; a paper the
// user chooses in the dialog is still the one printed on.
TEST_F(PrintImageCommand, ThePaperOfPageSetupReachesThePrinter) {
  QTimer::singleShot(50, [] {
    TK_OBJ setup = TKT_FindWindow("ui_psetup", "ui_psetup_win");
    ASSERT_NE(setup, nullptr);
    EXPECT_EQ(WGT_GetChoice(RES_GetSub(setup, 0)), 0);  // Letter
    TKT_Click(RES_GetSub(setup, 1));
  });
  main_winNfySelMenuBar(win_, GT_CMD_PAGE_SETUP);
  ASSERT_TRUE(ui_print_us_letter());
  ASSERT_NE(open(shelltest::write_gel(dir, "gel", 120, 80)), nullptr);
  TktPrintPage a4;
  a4.width = 595, a4.height = 842;
  a4.by_dialog = true;
  EXPECT_EQ(print(GT_CMD_PRINT_IMAGE, "printer.pdf", &a4, true).size(), QSize(612, 792));
  EXPECT_EQ(print(GT_CMD_PRINT_IMAGE, "file.ps", &a4).size(), QSize(612, 792));
  a4.by_dialog = false;
  EXPECT_EQ(print(GT_CMD_PRINT_IMAGE, "chosen.pdf", &a4, true).size(), QSize(595, 842));
}

// Print Image and Print Image Window name the job after the image, not after the main window
// that holds its window: the PostScript file's title, and the title of the PDF that stands for
// the printer's queue.
TEST_F(PrintImageCommand, TheJobIsNamedAfterTheImage) {
  IMAGE_REC* im = open(shelltest::write_gel(dir, "gel (A)", 120, 80));
  ASSERT_NE(im, nullptr);
  ASSERT_STREQ(im->image_name, "gel (A).kes");
  ASSERT_NE(WIN_GetWorkspace(static_cast<TK_OBJ>(im->window)), nullptr);  // a child window
  const std::string main_title = tk::widget(win_)->windowTitle().toStdString();
  ASSERT_FALSE(main_title.empty());
  // The PDF writes its title in UTF-16 with its brackets escaped.
  auto pdf_title = [](const std::string& t) {
    std::string out = "/Title (\xfe\xff";
    for (char c : t) out += std::string(1, '\0') + (c == '(' || c == ')' ? "\\" : "") + c;
    return out + ")";
  };
  for (int command : {GT_CMD_PRINT_IMAGE, GT_CMD_PRINT_WINDOW}) {
    SCOPED_TRACE(command);
    const std::string n = std::to_string(command);
    ASSERT_FALSE(print(command, n + ".ps").isNull());
    const std::string ps = vxtest::read_text(dir + "/" + n + ".ps");
    EXPECT_NE(ps.find("\n%%Title: gel (A).kes\n"), std::string::npos);
    EXPECT_EQ(ps.find(main_title), std::string::npos);
    ASSERT_FALSE(print(command, n + ".pdf", nullptr, true).isNull());
    const std::string pdf = vxtest::read_text(dir + "/" + n + ".pdf");
    EXPECT_NE(pdf.find(pdf_title("gel (A).kes")), std::string::npos);
    EXPECT_EQ(pdf.find(pdf_title(main_title)), std::string::npos);
  }
}

}  // namespace
