// Print defaults, print jobs over Qt's print dialog, and the PostScript writer.
#include "toolkit/tk_print.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTableView>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <memory>
#include <vector>

#include "base/io_file_set.h"
#include "base/slog.h"
#include "toolkit/tk_area.h"
#include "toolkit/tk_qt.h"

namespace {

TkPageSetup s_defaults;

struct Answer {
  int answer = 0;
  std::string pdf;
  bool has_page = false;
  TktPrintPage page;
  int qt_dialog = -1;  // Qt's own dialog, driven: 0 Print, 1 Properties (OK) then Print
};
std::deque<Answer> s_answers;
int s_driver_printers = 1;  // printers the test driver reports

// Resolution of the pictures written into PostScript files, and the least (and, for pictures
// made as images, the most) a printer gets.
constexpr double kFileDpi = 300.0;
constexpr double kMaxImageDpi = 600.0;
constexpr double kDotsPerPoint = kFileDpi / 72.0;
// A text or table printed whole: at most this wide in pixels, at most this many cells.
constexpr int kMaxTextWidth = 6000;
constexpr qint64 kMaxTextCells = 1000000;
// The largest canvas part drawn afresh for a print (about a 4000 x 4000 picture).
constexpr qint64 kMaxRenderPixels = qint64(4000) * 4000;

// A page as the job prints it: its size and its printable area, in points with PostScript's
// origin (bottom left).
struct PageGeom {
  double pw = 595, ph = 842;
  QRectF area;
};

PageGeom setup_geometry(const TkPageSetup& page) {
  PageGeom g;
  TkRect a;
  PRINT_PageGeometry(page, &g.pw, &g.ph, &a);
  g.area = QRectF(a.x, a.y, a.w, a.h);
  return g;
}

double share(double v) { return v > 0 && v <= 1 ? v : 1.0; }

// Gives a picture `dpi` dots per inch, which fonts drawn on it are sized for.
void set_dpi(QImage& img, double dpi) {
  const int dpm = int(std::lround(dpi / 0.0254));
  img.setDotsPerMeterX(dpm);
  img.setDotsPerMeterY(dpm);
}

// The box (in points) of a w x h picture brought into the printable area, kept in proportion,
// filling no more than the set-up's share of the area's width and height, centred.
QRectF fit_box(const TkPageSetup& page, const PageGeom& g, double w, double h) {
  w = std::max(w, 1.0), h = std::max(h, 1.0);
  const double s = std::min(g.area.width() * share(page.scale_x) / w,
                            g.area.height() * share(page.scale_y) / h);
  const double iw = w * s, ih = h * s;
  return QRectF(g.area.x() + (g.area.width() - iw) / 2, g.area.y() + (g.area.height() - ih) / 2,
                iw, ih);
}

// A text prints whole, page after page, rather than the lines its widget shows, in its font at
// its point size (smaller only when the widest line would not fit the width). Pages are laid
// out for the box they fill on the paper and a resolution, and drawn one at a time.
struct TextPages {
  QStringList lines;
  QFont font;        // the widget's font, sized in points
  QFont page_font;   // as printed
  QSizeF box;        // the pages' box in points
  double dpi = kFileDpi;
  double pad = 0, spacing = 1, ascent = 0;
  int per_page = 1;

  TextPages(QStringList text, QFont f, const QWidget& w) : lines(std::move(text)), font(std::move(f)) {
    // A font sized in pixels takes the point size it has on the screen.
    if (font.pointSizeF() <= 0) font.setPointSizeF(font.pixelSize() * 72.0 / std::max(1, w.logicalDpiY()));
  }
  // Width in screen pixels of the widest line in the widget's font.
  int screen_width() const {
    const QFontMetrics fm(font);
    int widest = 0;
    for (const QString& l : lines) widest = std::max(widest, fm.horizontalAdvance(l));
    return widest;
  }
  // Lays the pages out for a box of w x h points printed at `res` dots per inch.
  void layout(double w, double h, double res) {
    box = QSizeF(std::max(w, 1.0), std::max(h, 1.0));
    dpi = res;
    page_font = font;
    QImage probe(1, 1, QImage::Format_Grayscale8);
    set_dpi(probe, dpi);
    const double bw = box.width() * dpi / 72, bh = box.height() * dpi / 72;
    for (int pass = 0; pass < 2; ++pass) {
      const QFontMetricsF fm(page_font, &probe);
      pad = fm.averageCharWidth();
      double widest = 0;
      for (const QString& l : lines) widest = std::max(widest, fm.horizontalAdvance(l));
      spacing = std::max(1.0, fm.lineSpacing());
      ascent = fm.ascent();
      if (pass == 0 && widest + 2 * pad > bw && widest > 0)
        page_font.setPointSizeF(font.pointSizeF() * (bw - 2 * pad) / widest * 0.99);
      else
        break;
    }
    per_page = std::max(1, int((bh - 2 * pad) / spacing));
  }
  int count() const { return std::max<int>(1, int((lines.size() + per_page - 1) / per_page)); }
  // Page `index` as a grey picture of the box at the layout's resolution.
  QImage draw(int index) const {
    QImage img(std::max(1, int(box.width() * dpi / 72)), std::max(1, int(box.height() * dpi / 72)),
               QImage::Format_Grayscale8);
    set_dpi(img, dpi);
    img.fill(Qt::white);
    QPainter painter(&img);
    paint(painter, index, QPointF(0, 0));
    painter.end();
    return img;
  }
  // Page `index` drawn with its top-left corner at `origin`, in the painter's device pixels
  // (whose resolution is the layout's).
  void paint(QPainter& painter, int index, QPointF origin) const {
    painter.setFont(page_font);
    painter.setPen(Qt::black);
    const qsizetype first = qsizetype(index) * per_page;
    const qsizetype end = std::min<qsizetype>(lines.size(), first + per_page);
    for (qsizetype i = first; i < end; ++i)
      painter.drawText(origin + QPointF(pad, pad + double(i - first) * spacing + ascent), lines[i]);
  }
};

// The cells of a table, row after row, each column as wide as its widest cell.
QStringList table_lines(const QAbstractItemModel& m) {
  const int rows = m.rowCount(), cols = m.columnCount();
  std::vector<QStringList> cells(std::size_t(std::max(rows, 0)));
  std::vector<qsizetype> width(std::size_t(std::max(cols, 0)), 0);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      QString t = m.data(m.index(r, c)).toString();
      width[std::size_t(c)] = std::max(width[std::size_t(c)], t.size());
      cells[std::size_t(r)].push_back(std::move(t));
    }
  QStringList lines;
  lines.reserve(rows);
  for (const QStringList& row : cells) {
    QString line;
    for (int c = 0; c < cols; ++c) {
      if (c > 0) line += QStringLiteral("  ");
      line += row[c].leftJustified(width[std::size_t(c)]);
    }
    while (line.endsWith(QLatin1Char(' '))) line.chop(1);
    lines.push_back(line);
  }
  return lines;
}

// PostScript's run-length encoding of bytes (text and charts are mostly white: long runs).
void run_length(const unsigned char* p, std::size_t n, std::string* out) {
  std::size_t i = 0;
  while (i < n) {
    std::size_t run = 1;
    while (i + run < n && run < 128 && p[i + run] == p[i]) ++run;
    if (run > 1) {
      out->push_back(char(257 - run));
      out->push_back(char(p[i]));
      i += run;
      continue;
    }
    std::size_t lit = 1;  // up to the next run of two or more
    while (i + lit < n && lit < 128 && !(i + lit + 1 < n && p[i + lit] == p[i + lit + 1])) ++lit;
    out->push_back(char(lit - 1));
    out->append(reinterpret_cast<const char*>(p + i), lit);
    i += lit;
  }
  out->push_back(char(128));
}

// The PostScript of one page: a picture of w x h pixels (`channels` bytes a pixel, rows top
// first) in the box, run-length encoded.
std::string ps_image_page(const QRectF& box, int number, int w, int h, int channels,
                          const unsigned char* data) {
  std::string packed;
  run_length(data, std::size_t(w) * h * channels, &packed);
  char buf[512];
  std::snprintf(buf, sizeof buf,
                "%%%%Page: %d %d\ngsave\n%.4f %.4f translate %.4f %.4f scale\n/%s setcolorspace\n"
                "<< /ImageType 1 /Width %d /Height %d /BitsPerComponent 8 "
                "/Decode [%s] /ImageMatrix [%d 0 0 %d 0 %d] "
                "/DataSource currentfile /ASCIIHexDecode filter /RunLengthDecode filter >> image\n",
                number, number, box.x(), box.y(), box.width(), box.height(),
                channels == 1 ? "DeviceGray" : "DeviceRGB", w, h,
                channels == 1 ? "0 1" : "0 1 0 1 0 1", w, -h, h);
  std::string out = buf;
  out.reserve(out.size() + packed.size() * 2 + packed.size() / 40 + 64);
  static const char hex[] = "0123456789abcdef";
  for (std::size_t i = 0; i < packed.size(); ++i) {
    const auto c = static_cast<unsigned char>(packed[i]);
    out += hex[c >> 4];
    out += hex[c & 15];
    if (i % 40 == 39) out += '\n';
  }
  out += ">\ngrestore\nshowpage\n";
  return out;
}

// A page's picture in the box: grey pictures one byte a pixel, the others RGB.
std::string ps_page(const QRectF& box, int number, const QImage& picture) {
  const bool grey = picture.format() == QImage::Format_Grayscale8;
  const QImage p = picture.convertToFormat(grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
  const int ch = grey ? 1 : 3;
  std::vector<unsigned char> bytes(std::size_t(p.width()) * p.height() * ch);
  for (int y = 0; y < p.height(); ++y)
    std::copy_n(p.constScanLine(y), std::size_t(p.width()) * ch,
                bytes.data() + std::size_t(y) * p.width() * ch);
  return ps_image_page(box, number, p.width(), p.height(), ch, bytes.data());
}

// The document's header: page size, page count and the box of the first page's picture.
std::string ps_header(const PageGeom& g, int pages, const QRectF& box, const char* title) {
  char buf[640];
  const int pw = int(std::lround(g.pw)), ph = int(std::lround(g.ph));
  std::snprintf(buf, sizeof buf,
                "%%!PS-Adobe-3.0\n%%%%Creator: vx\n%%%%Title: %s\n%%%%Pages: %d\n"
                "%%%%BoundingBox: %d %d %d %d\n%%%%DocumentMedia: Plain %d %d 0 () ()\n"
                "%%%%LanguageLevel: 2\n%%%%EndComments\n%%%%BeginSetup\n"
                "<< /PageSize [%d %d] >> setpagedevice\n%%%%EndSetup\n",
                title ? title : "vx", pages, int(std::floor(box.x())), int(std::floor(box.y())),
                int(std::ceil(box.right())), int(std::ceil(box.bottom())), pw, ph, pw, ph);
  return buf;
}

const char kPsTrailer[] = "%%Trailer\n%%EOF\n";

}  // namespace

struct TkPrintDC {
  QImage surface;
  QPainter painter;
};

struct TkPrintJob {
  QImage picture;                     // the picture (a widget's at screen resolution)
  QPointer<QWidget> source;           // a widget drawn afresh for the page, when alive
  std::unique_ptr<TextPages> text;    // a text or table printed whole: its pages
  TkPageSetup page;
  std::unique_ptr<QPrinter> printer;
  bool dialog_page = false;           // the printer holds the page chosen in the dialog
  std::string title = "vx";           // the job's name: the printed window's title
  std::unique_ptr<TkPrintDC> dc;
};

TkPageSetup PRINT_GetDefaults() { return s_defaults; }
void PRINT_SetDefaults(const TkPageSetup& page) { s_defaults = page; }

void PRINT_PagePixels(const TkPageSetup& page, int* width, int* height) {
  TkRect area;
  PRINT_PageGeometry(page, nullptr, nullptr, &area);
  if (width) *width = int(area.w * kDotsPerPoint);
  if (height) *height = int(area.h * kDotsPerPoint);
}

void PRINT_PageGeometry(const TkPageSetup& page, double* width, double* height, TkRect* area) {
  double w = 595, h = 842, l = 36, t = 36, r = 36, b = 36;
  if (page.paper == TK_PAPER_LETTER) {
    w = 612, h = 792;
  } else if (page.paper == TK_PAPER_PHOTO) {
    w = page.width > 0 ? page.width : 288;
    h = page.height > 0 ? page.height : 432;
    l = std::max(0.0, page.left), t = std::max(0.0, page.top);
    r = l, b = std::max(0.0, page.bottom);
  }
  if (width) *width = w;
  if (height) *height = h;
  if (area) {
    *area = TkRect{int(std::ceil(l)), int(std::ceil(b)), int(std::floor(w - l - r)),
                   int(std::floor(h - t - b))};
    area->w = std::max(area->w, 1), area->h = std::max(area->h, 1);
  }
}

std::string PS_PageText(const TkPageSetup& page, int w, int h, const unsigned char* rgb,
                        const char* title) {
  const PageGeom g = setup_geometry(page);
  const QRectF box = fit_box(page, g, std::max(w, 1), std::max(h, 1));
  std::string out = ps_header(g, 1, box, title);
  if (w > 0 && h > 0 && rgb)
    out += ps_image_page(box, 1, w, h, 3, rgb);
  else
    out += "%%Page: 1 1\nshowpage\n";
  return out + kPsTrailer;
}

TkPrintJob* PRINT_NewJob(TK_OBJ widget, const TkRect* rect, const TkPageSetup& page) {
  QWidget* w = tk::widget(widget);
  if (!w) return nullptr;
  auto* job = new TkPrintJob;
  job->page = page;
  // The title of the window that holds the widget names what is printed (an image, a report);
  // the print queue and the file's title show it. That window may be a child window inside
  // the main window (an image window): its own title, not the main window's. A window without
  // a title takes the title of the top-level window around it. It is kept on one line.
  QString t;
  if (QWidget* own = tk::widget(widget->window))
    t = own->windowTitle().simplified();
  if (t.isEmpty()) t = w->window()->windowTitle().simplified();
  if (!t.isEmpty()) {
    job->title = t.toStdString();
    for (char& c : job->title)
      if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  }
  if (TkArea* a = tk::area(widget)) {
    job->picture = a->backing().copy();
    if (rect) {
      // That part of the canvas, drawn afresh by the area's procedure; a part too large to be
      // drawn whole is cut to what the area shows.
      const QSize size(std::max(rect->w, 0), std::max(rect->h, 0));
      if (qint64(size.width()) * size.height() <= kMaxRenderPixels) {
        job->picture = a->render_canvas(QPoint(rect->x, rect->y), size);
      } else {
        const QPoint s = a->scroll();
        const QRect part = QRect(rect->x - s.x(), rect->y - s.y(), rect->w, rect->h)
                               .intersected(job->picture.rect());
        job->picture = part.isEmpty() ? QImage() : job->picture.copy(part);
      }
    }
  } else if (auto* t = qobject_cast<QPlainTextEdit*>(w)) {
    job->text = std::make_unique<TextPages>(t->toPlainText().split(QLatin1Char('\n')), t->font(), *t);
  } else if (auto* v = w->findChild<QTableView*>(QString(), Qt::FindDirectChildrenOnly);
             v && v->model() &&
             qint64(v->model()->rowCount()) * v->model()->columnCount() <= kMaxTextCells) {
    job->text = std::make_unique<TextPages>(table_lines(*v->model()), v->font(), *v);
  }
  // A text too wide to read on paper (a huge matrix) prints as its widget shows it.
  if (job->text && job->text->screen_width() > kMaxTextWidth) job->text.reset();
  if (!job->text && !tk::area(widget)) {
    job->picture = w->grab().toImage();
    job->source = w;
  }
  if (job->picture.isNull() && !job->text) {
    job->picture = QImage(1, 1, QImage::Format_RGB888);
    job->picture.fill(Qt::white);
  }
  SLOG("PRINT_NewJob", SLOG_VALUE4, "picture %d x %d, %s, paper %d, orient %d, fields %g %d",
       job->picture.width(), job->picture.height(), job->text ? "text" : "picture", page.paper,
       page.orientation, page.right_or_feed, page.extra);
  return job;
}

namespace {

// The page the job prints on: the photo page and a job without a dialog's choice keep the
// set-up's page; otherwise the page, orientation and margins chosen in the print dialog.
PageGeom job_geometry(const TkPrintJob& job) {
  if (job.page.paper == TK_PAPER_PHOTO || !job.dialog_page || !job.printer)
    return setup_geometry(job.page);
  const QPageLayout layout = job.printer->pageLayout();
  const QRectF full = layout.fullRect(QPageLayout::Point);
  const QRectF paint = layout.paintRect(QPageLayout::Point);
  PageGeom g;
  g.pw = full.width(), g.ph = full.height();
  g.area = QRectF(paint.left(), g.ph - paint.bottom(), paint.width(), paint.height());
  if (g.area.width() < 1 || g.area.height() < 1) g.area = QRectF(0, 0, g.pw, g.ph);
  return g;
}

// The picture of a job that is no text, at `dpi` dots per inch on the page: a widget is drawn
// afresh at the size it takes on the paper, so its text and lines are as fine as the output
// allows; other pictures are brought down to the box's pixels when they are larger.
QImage job_picture(const TkPrintJob& job, const PageGeom& g, double dpi) {
  const double dpp = dpi / 72.0;
  if (job.source && !job.dc) {
    QWidget& w = *job.source;
    const QRectF box = fit_box(job.page, g, std::max(1, w.width()), std::max(1, w.height()));
    const double ratio = std::clamp(box.width() * dpp / std::max(1, w.width()), 1.0, 16.0);
    QImage img(QSize(int(w.width() * ratio), int(w.height() * ratio)), QImage::Format_RGB888);
    if (!img.isNull()) {
      img.setDevicePixelRatio(ratio);
      img.fill(Qt::white);
      w.render(&img);
      img.setDevicePixelRatio(1.0);
      return img;
    }
  }
  QImage p = job.picture;
  const QRectF box = fit_box(job.page, g, std::max(1, p.width()), std::max(1, p.height()));
  const int mw = std::max(1, int(box.width() * dpp)), mh = std::max(1, int(box.height() * dpp));
  if (p.width() > mw || p.height() > mh)
    p = p.scaled(mw, mh, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  return p;
}

// Lays a text job out in its box at `dpi`; the box in points.
QRectF layout_text(const TkPrintJob& job, const PageGeom& g, double dpi) {
  const QRectF box = fit_box(job.page, g, g.area.width(), g.area.height());
  job.text->layout(box.width(), box.height(), dpi);
  return box;
}

}  // namespace

void PRINT_FreeJob(TkPrintJob* job) {
  if (job && job->dc) job->dc->painter.end();
  delete job;
}

TkPrintDC* PRINT_BeginDrawing(TkPrintJob* job, int width, int height) {
  if (!job || width <= 0 || height <= 0 || job->dc) return nullptr;
  auto dc = std::make_unique<TkPrintDC>();
  dc->surface = QImage(width, height, QImage::Format_RGB888);
  if (dc->surface.isNull()) return nullptr;
  dc->surface.fill(Qt::white);
  if (!dc->painter.begin(&dc->surface)) return nullptr;
  dc->painter.setPen(QPen(Qt::black, 0));
  job->dc = std::move(dc);
  return job->dc.get();
}

void PRINT_EndDrawing(TkPrintJob* job) {
  if (!job || !job->dc) return;
  job->dc->painter.end();
  job->picture = job->dc->surface;
  job->source = nullptr;
  job->text.reset();
  job->dc.reset();
}

void PDC_TextOut(TkPrintDC* dc, int x, int y, const char* text) {
  if (!dc || !text) return;
  const QFontMetrics fm(dc->painter.font());
  dc->painter.drawText(QPoint(x, y + fm.ascent()), tk::qs(text));
}

void PDC_Line(TkPrintDC* dc, int x1, int y1, int x2, int y2) {
  if (dc) dc->painter.drawLine(x1, y1, x2, y2);
}

namespace {

// The paper of a set-up.
QPageSize setup_paper(const TkPageSetup& page) {
  if (page.paper == TK_PAPER_LETTER) return QPageSize(QPageSize::Letter);
  if (page.paper == TK_PAPER_A4) return QPageSize(QPageSize::A4);
  const PageGeom g = setup_geometry(page);
  return QPageSize(QSizeF(g.pw, g.ph), QPageSize::Point);
}

// The printer starts with the set-up's page: its paper, portrait, and its margins.
void start_printer(TkPrintJob& job) {
  QPrinter& pr = *job.printer;
  const PageGeom g = setup_geometry(job.page);
  pr.setPageSize(setup_paper(job.page));
  pr.setPageOrientation(QPageLayout::Portrait);
  pr.setPageMargins(QMarginsF(g.area.x(), g.ph - g.area.bottom(), g.pw - g.area.right(), g.area.y()),
                    QPageLayout::Point);
}

// The test driver's page choice, as a user makes it in the dialog.
void choose_page(QPrinter& pr, const TktPrintPage& p) {
  if (p.width > 0 && p.height > 0)
    pr.setPageSize(QPageSize(QSizeF(p.width, p.height), QPageSize::Point));
  pr.setPageOrientation(p.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
  if (p.left >= 0)
    pr.setPageMargins(QMarginsF(p.left, p.top, p.right, p.bottom), QPageLayout::Point);
}

}  // namespace

int PRINT_HavePrinter() {
  if (tk::driver_on()) return s_driver_printers > 0 ? 1 : 0;
  return QPrinterInfo::availablePrinterNames().isEmpty() ? 0 : 1;
}

namespace {

// Qt's print dialog on the job's printer (`drive`: the test driver's answer, -1 a person's):
// 0 cancelled, 1 printing to a file, 2 a printer.
int qt_print_dialog(TkPrintJob& job, int drive, bool* page_chosen) {
  if (!tk::run_print_dialog(job.printer.get(), setup_paper(job.page), page_chosen, drive)) return 0;
  // Qt's own print-to-file writes PDF: the program writes PostScript itself instead.
  if (job.printer->outputFormat() == QPrinter::PdfFormat ||
      !job.printer->outputFileName().isEmpty())
    return 1;
  return 2;
}

}  // namespace

int PRINT_ShowDialog(TkPrintJob* job) {
  if (!job) return 0;
  job->printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  job->printer->setDocName(tk::qs(job->title.c_str()));
  start_printer(*job);
  int answer = 0;
  bool page_chosen = false;
  if (!tk::driver_on()) {
    answer = qt_print_dialog(*job, -1, &page_chosen);
  } else if (s_answers.empty()) {
    tk::note_unanswered();
    return 0;
  } else {
    const Answer a = s_answers.front();
    s_answers.pop_front();
    if (a.qt_dialog >= 0) {
      answer = qt_print_dialog(*job, a.qt_dialog, &page_chosen);
    } else {
      answer = a.answer;
      if (a.answer == 2) {
        job->printer->setOutputFormat(QPrinter::PdfFormat);
        job->printer->setOutputFileName(tk::qs(a.pdf.c_str()));
      }
      if (a.has_page) choose_page(*job->printer, a.page);
      page_chosen = a.has_page && !a.page.by_dialog;
    }
  }
  if (answer == 0) return 0;
  job->dialog_page = true;
  // A page the user did not choose in the dialog is the set-up's: a paper that the dialog put
  // there itself (a printer's default) does not replace the paper chosen in Page Setup.
  if (!page_chosen) start_printer(*job);
  return answer;
}

int PRINT_ToFile(TkPrintJob* job, const char* path) {
  if (!job || !path) return -1;
  const PageGeom g = job_geometry(*job);
  std::string text;
  if (job->text) {
    const QRectF box = layout_text(*job, g, kFileDpi);
    const int pages = job->text->count();
    text = ps_header(g, pages, box, job->title.c_str());
    for (int i = 0; i < pages; ++i) text += ps_page(box, i + 1, job->text->draw(i));
  } else {
    const QImage p = job_picture(*job, g, kFileDpi);
    const QRectF box = fit_box(job->page, g, std::max(1, p.width()), std::max(1, p.height()));
    text = ps_header(g, 1, box, job->title.c_str()) + ps_page(box, 1, p);
  }
  text += kPsTrailer;
  IoFileSet set;
  return set.put(path, text.data(), text.size()) && set.commit() ? 0 : -1;
}

int PRINT_ToPrinter(TkPrintJob* job) {
  if (!job || !job->printer) return -1;
  QPrinter& pr = *job->printer;
  if (job->page.paper == TK_PAPER_PHOTO) {
    // The photo page keeps its own size and margins whatever the dialog chose.
    const PageGeom g = setup_geometry(job->page);
    pr.setPageOrientation(QPageLayout::Portrait);
    pr.setPageSize(QPageSize(QSizeF(g.pw, g.ph), QPageSize::Point));
    pr.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
  }
  const PageGeom g = job_geometry(*job);
  // Drawn on the whole page in the printer's pixels; PostScript's area is measured from the
  // bottom.
  pr.setFullPage(true);
  const double res = pr.resolution();
  const double dpp = res / 72.0;
  auto to_device = [&](const QRectF& box) {
    return QRectF(box.x() * dpp, (g.ph - box.bottom()) * dpp, box.width() * dpp, box.height() * dpp);
  };
  QPainter painter;
  if (!painter.begin(&pr)) return -1;
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  if (job->text) {
    // Text goes to the printer as text, at its own resolution.
    const QRectF box = layout_text(*job, g, res);
    const QRectF at = to_device(box);
    for (int i = 0; i < job->text->count(); ++i) {
      if (i > 0 && !pr.newPage()) {
        painter.end();
        return -1;
      }
      job->text->paint(painter, i, at.topLeft());
    }
  } else {
    const QImage p = job_picture(*job, g, std::clamp(res, kFileDpi, kMaxImageDpi));
    painter.drawImage(to_device(fit_box(job->page, g, std::max(1, p.width()), std::max(1, p.height()))), p);
  }
  return painter.end() ? 0 : -1;
}

void TKT_AnswerPrint(int answer, const char* pdf_path, const TktPrintPage* page) {
  Answer a;
  a.answer = answer;
  a.pdf = pdf_path ? pdf_path : "";
  if (page) a.has_page = true, a.page = *page;
  s_answers.push_back(a);
}

void TKT_AnswerPrintDialog(bool open_properties) {
  Answer a;
  a.qt_dialog = open_properties ? 1 : 0;
  s_answers.push_back(a);
}

void TKT_SetPrinters(int count) { s_driver_printers = count; }
