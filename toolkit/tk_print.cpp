// Print defaults, print jobs over Qt's print dialog, and the PostScript writer.
#include "toolkit/tk_print.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTableView>
#include <QPrintDialog>
#include <QPrinter>
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
  int answer;
  std::string pdf;
};
std::deque<Answer> s_answers;

// Resolution the picture is brought to when it is larger than the printable area.
constexpr double kDotsPerPoint = 300.0 / 72.0;
// A text or table printed whole: at most this wide in pixels, at most this many cells.
constexpr int kMaxTextWidth = 6000;
constexpr qint64 kMaxTextCells = 1000000;
// The largest canvas part drawn afresh for a print (about a 4000 x 4000 picture).
constexpr qint64 kMaxRenderPixels = qint64(4000) * 4000;

// The factor that brings a w x h picture into the page's printable area, kept in proportion,
// filling no more than the set-up's share of the area's width and height.
double fit_scale(const TkPageSetup& page, const TkRect& area, int w, int h) {
  auto share = [](double v) { return v > 0 && v <= 1 ? v : 1.0; };
  return std::min(area.w * share(page.scale_x) / w, area.h * share(page.scale_y) / h);
}

// A text prints whole, page after page, rather than the lines its widget shows. Every page
// is a grey picture of one width, the widest line, whose height keeps the proportions of the
// area it fills on the paper, so every page is printed at one scale. Pages are drawn one at a
// time as they are written.
struct TextPages {
  QStringList lines;
  QFont font;
  int w = 0, h = 0, pad = 0, per_page = 1;

  TextPages(QStringList text, const QFont& f, int min_width, const TkPageSetup& page)
      : lines(std::move(text)), font(f) {
    TkRect a;
    PRINT_PageGeometry(page, nullptr, nullptr, &a);
    auto share = [](double v) { return v > 0 && v <= 1 ? v : 1.0; };
    const double aw = a.w * share(page.scale_x), ah = a.h * share(page.scale_y);
    const QFontMetrics fm(font);
    pad = fm.averageCharWidth();
    int widest = 0;
    for (const QString& l : lines) widest = std::max(widest, fm.horizontalAdvance(l));
    // At least as wide as the widget and as 80 characters: short lines keep a reading size.
    w = std::max({widest, min_width, 80 * pad}) + 2 * pad;
    h = std::max(int(std::lround(w * (aw > 0 ? ah / aw : 1.0))), fm.lineSpacing() + 2 * pad);
    per_page = std::max(1, (h - 2 * pad) / fm.lineSpacing());
  }
  int count() const { return std::max<int>(1, int((lines.size() + per_page - 1) / per_page)); }
  QImage draw(int index) const {
    QImage img(w, h, QImage::Format_Grayscale8);
    img.fill(Qt::white);
    QPainter painter(&img);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetrics fm(font);
    const qsizetype first = qsizetype(index) * per_page;
    const qsizetype end = std::min<qsizetype>(lines.size(), first + per_page);
    for (qsizetype i = first; i < end; ++i)
      painter.drawText(QPoint(pad, pad + int(i - first) * fm.lineSpacing() + fm.ascent()), lines[i]);
    painter.end();
    return img;
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

// The PostScript of one page: the picture fitted into the printable area, centred.
std::string ps_page(const TkPageSetup& page, int number, int w, int h, const unsigned char* rgb) {
  TkRect a;
  PRINT_PageGeometry(page, nullptr, nullptr, &a);
  w = std::max(w, 1), h = std::max(h, 1);
  const double s = fit_scale(page, a, w, h);
  const double iw = w * s, ih = h * s;
  const double x = a.x + (a.w - iw) / 2, y = a.y + (a.h - ih) / 2;
  char buf[512];
  std::string out;
  out.reserve(std::size_t(w) * h * 6 + 1024);
  std::snprintf(buf, sizeof buf,
                "%%%%Page: %d %d\ngsave\n%.4f %.4f translate %.4f %.4f scale\n/DeviceRGB setcolorspace\n"
                "<< /ImageType 1 /Width %d /Height %d /BitsPerComponent 8 "
                "/Decode [0 1 0 1 0 1] /ImageMatrix [%d 0 0 %d 0 %d] "
                "/DataSource currentfile /ASCIIHexDecode filter >> image\n",
                number, number, x, y, iw, ih, w, h, w, -h, h);
  out += buf;
  static const char hex[] = "0123456789abcdef";
  const std::size_t n = std::size_t(w) * h * 3;
  for (std::size_t i = 0; i < n; ++i) {
    out += hex[rgb[i] >> 4];
    out += hex[rgb[i] & 15];
    if (i % 40 == 39) out += '\n';
  }
  out += ">\ngrestore\nshowpage\n";
  return out;
}

// PostScript's run-length encoding of bytes (a text page is mostly white: long runs).
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

// The PostScript of one grey page (a page of text): like ps_page, one byte a pixel, run-length
// encoded.
std::string ps_gray_page(const TkPageSetup& page, int number, const QImage& img) {
  TkRect a;
  PRINT_PageGeometry(page, nullptr, nullptr, &a);
  const int w = std::max(img.width(), 1), h = std::max(img.height(), 1);
  const double s = fit_scale(page, a, w, h);
  const double iw = w * s, ih = h * s;
  const double x = a.x + (a.w - iw) / 2, y = a.y + (a.h - ih) / 2;
  std::string packed;
  std::string data;
  for (int r = 0; r < img.height(); ++r)
    data.append(reinterpret_cast<const char*>(img.constScanLine(r)), std::size_t(img.width()));
  run_length(reinterpret_cast<const unsigned char*>(data.data()), data.size(), &packed);
  char buf[512];
  std::snprintf(buf, sizeof buf,
                "%%%%Page: %d %d\ngsave\n%.4f %.4f translate %.4f %.4f scale\n/DeviceGray setcolorspace\n"
                "<< /ImageType 1 /Width %d /Height %d /BitsPerComponent 8 "
                "/Decode [0 1] /ImageMatrix [%d 0 0 %d 0 %d] "
                "/DataSource currentfile /ASCIIHexDecode filter /RunLengthDecode filter >> image\n",
                number, number, x, y, iw, ih, w, h, w, -h, h);
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

// The document's header: page size, page count and the box of the first page's picture.
std::string ps_header(const TkPageSetup& page, int pages, int w, int h, const char* title) {
  double pw, ph;
  TkRect a;
  PRINT_PageGeometry(page, &pw, &ph, &a);
  w = std::max(w, 1), h = std::max(h, 1);
  const double s = fit_scale(page, a, w, h);
  const double iw = w * s, ih = h * s;
  const double x = a.x + (a.w - iw) / 2, y = a.y + (a.h - ih) / 2;
  char buf[512];
  std::snprintf(buf, sizeof buf,
                "%%!PS-Adobe-3.0\n%%%%Creator: vx\n%%%%Title: %s\n%%%%Pages: %d\n"
                "%%%%BoundingBox: %d %d %d %d\n%%%%DocumentMedia: Plain %d %d 0 () ()\n"
                "%%%%LanguageLevel: 2\n%%%%EndComments\n%%%%BeginSetup\n"
                "<< /PageSize [%d %d] >> setpagedevice\n%%%%EndSetup\n",
                title ? title : "vx", pages, int(std::floor(x)), int(std::floor(y)),
                int(std::ceil(x + iw)), int(std::ceil(y + ih)), int(pw), int(ph), int(pw), int(ph));
  return buf;
}

const char kPsTrailer[] = "%%Trailer\n%%EOF\n";

}  // namespace

struct TkPrintDC {
  QImage surface;
  QPainter painter;
};

struct TkPrintJob {
  QImage picture;                     // the picture, or the first page of a text
  std::unique_ptr<TextPages> text;    // a text or table printed whole: its pages
  TkPageSetup page;
  std::unique_ptr<QPrinter> printer;
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
  return ps_header(page, 1, w, h, title) + ps_page(page, 1, w, h, rgb) + kPsTrailer;
}

TkPrintJob* PRINT_NewJob(TK_OBJ widget, const TkRect* rect, const TkPageSetup& page) {
  QWidget* w = tk::widget(widget);
  if (!w) return nullptr;
  auto* job = new TkPrintJob;
  job->page = page;
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
    job->text = std::make_unique<TextPages>(t->toPlainText().split(QLatin1Char('\n')), t->font(),
                                            t->viewport()->width(), page);
  } else if (auto* v = w->findChild<QTableView*>(QString(), Qt::FindDirectChildrenOnly);
             v && v->model() &&
             qint64(v->model()->rowCount()) * v->model()->columnCount() <= kMaxTextCells) {
    job->text = std::make_unique<TextPages>(table_lines(*v->model()), v->font(),
                                            v->viewport()->width(), page);
  }
  // A text too wide to read on paper (a huge matrix) prints as its widget shows it.
  if (job->text && job->text->w > kMaxTextWidth) job->text.reset();
  if (job->text)
    job->picture = job->text->draw(0);
  else if (!tk::area(widget))
    job->picture = w->grab().toImage();
  if (job->picture.isNull()) {
    job->picture = QImage(1, 1, QImage::Format_RGB888);
    job->picture.fill(Qt::white);
  }
  // Not finer than the page can use.
  int mw = 0, mh = 0;
  PRINT_PagePixels(page, &mw, &mh);
  auto fit = [mw, mh](QImage* img) {
    // Pages of text stay grey, pictures become RGB.
    const QImage::Format f =
        img->format() == QImage::Format_Grayscale8 ? QImage::Format_Grayscale8 : QImage::Format_RGB888;
    *img = img->convertToFormat(f);
    if (img->width() > mw || img->height() > mh)
      *img = img->scaled(mw, mh, Qt::KeepAspectRatio, Qt::SmoothTransformation).convertToFormat(f);
  };
  fit(&job->picture);
  SLOG("PRINT_NewJob", SLOG_VALUE4, "picture %d x %d, %d pages, paper %d, orient %d, fields %g %d",
       job->picture.width(), job->picture.height(), job->text ? job->text->count() : 1, page.paper,
       page.orientation, page.right_or_feed, page.extra);
  return job;
}

namespace {

int page_count(const TkPrintJob& job) { return job.text ? job.text->count() : 1; }

// Page i of the job, no finer than the page can use.
QImage page_image(const TkPrintJob& job, int i) {
  if (i == 0 || !job.text) return job.picture;
  QImage img = job.text->draw(i);
  int mw = 0, mh = 0;
  PRINT_PagePixels(job.page, &mw, &mh);
  if (img.width() > mw || img.height() > mh)
    img = img.scaled(mw, mh, Qt::KeepAspectRatio, Qt::SmoothTransformation)
              .convertToFormat(QImage::Format_Grayscale8);
  return img;
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

int PRINT_ShowDialog(TkPrintJob* job) {
  if (!job) return 0;
  job->printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  if (tk::driver_on()) {
    if (s_answers.empty()) {
      tk::note_unanswered();
      return 0;
    }
    const Answer a = s_answers.front();
    s_answers.pop_front();
    if (a.answer == 2) {
      job->printer->setOutputFormat(QPrinter::PdfFormat);
      job->printer->setOutputFileName(tk::qs(a.pdf.c_str()));
    }
    return a.answer;
  }
  QPrintDialog dlg(job->printer.get());
  tk::hide_print_file_field(&dlg);
  if (dlg.exec() != QDialog::Accepted) return 0;
  // Qt's own print-to-file writes PDF: the program writes PostScript itself instead.
  if (job->printer->outputFormat() == QPrinter::PdfFormat ||
      !job->printer->outputFileName().isEmpty())
    return 1;
  return 2;
}

int PRINT_ToFile(TkPrintJob* job, const char* path) {
  if (!job || !path) return -1;
  const int pages = page_count(*job);
  std::string text = ps_header(job->page, pages, job->picture.width(), job->picture.height(), "vx");
  for (int i = 0; i < pages; ++i) {
    const QImage p = page_image(*job, i);
    if (p.format() == QImage::Format_Grayscale8) {
      text += ps_gray_page(job->page, i + 1, p);
      continue;
    }
    std::vector<unsigned char> rgb(std::size_t(p.width()) * p.height() * 3);
    for (int y = 0; y < p.height(); ++y)
      std::copy_n(p.constScanLine(y), std::size_t(p.width()) * 3,
                  rgb.data() + std::size_t(y) * p.width() * 3);
    text += ps_page(job->page, i + 1, p.width(), p.height(), rgb.data());
  }
  text += kPsTrailer;
  IoFileSet set;
  return set.put(path, text.data(), text.size()) && set.commit() ? 0 : -1;
}

int PRINT_ToPrinter(TkPrintJob* job) {
  if (!job || !job->printer) return -1;
  QPrinter& pr = *job->printer;
  double pw, ph;
  TkRect a;
  PRINT_PageGeometry(job->page, &pw, &ph, &a);
  pr.setPageSize(QPageSize(QSizeF(pw, ph), QPageSize::Point));
  pr.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
  pr.setFullPage(true);
  QPainter painter;
  if (!painter.begin(&pr)) return -1;
  // Drawn in points on the whole page; PostScript's area is measured from the bottom.
  painter.setViewport(pr.pageLayout().fullRectPixels(pr.resolution()));
  painter.setWindow(QRect(0, 0, int(pw), int(ph)));
  const int pages = page_count(*job);
  for (int i = 0; i < pages; ++i) {
    const QImage p = page_image(*job, i);
    if (i > 0 && !pr.newPage()) {
      painter.end();
      return -1;
    }
    const double s = fit_scale(job->page, a, std::max(1, p.width()), std::max(1, p.height()));
    const double iw = p.width() * s, ih = p.height() * s;
    const double x = a.x + (a.w - iw) / 2, top = ph - (a.y + (a.h - ih) / 2) - ih;
    painter.drawImage(QRectF(x, top, iw, ih), p);
  }
  return painter.end() ? 0 : -1;
}

void TKT_AnswerPrint(int answer, const char* pdf_path) {
  s_answers.push_back(Answer{answer, pdf_path ? pdf_path : ""});
}
