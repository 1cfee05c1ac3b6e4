#include "docview/qt_device_p.h"

#include <QtGui/QFontMetricsF>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QPageLayout>
#include <QtGui/QScreen>
#include <QtPrintSupport/QPrinter>
#include <QtPrintSupport/QPrinterInfo>
#include <cmath>

#include "docview/printer_p.h"

namespace docview {

namespace {
DeviceFactory g_factory = nullptr;
}

QFont MakeQFont(const LOGFONT& lf, double pixels, const QPaintDevice* device) {
  QFont f(QString::fromStdString(lf.lfFaceName.empty() ? std::string("Arial") : lf.lfFaceName));
  double dpi = device ? device->logicalDpiY() : 96.0;
  if (dpi <= 0) dpi = 96.0;
  f.setPointSizeF(std::max(0.1, pixels * 72.0 / dpi));
  QString face = QString::fromStdString(lf.lfFaceName).toLower();
  bool fixed = (lf.lfPitchAndFamily & 3) == FIXED_PITCH || (lf.lfPitchAndFamily & 0xF0) == FF_MODERN ||
               face.contains("courier") || face.contains("mono");
  if (fixed) {
    // Columns padded with blanks must line up whatever face the name resolves to.
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
  } else {
    f.setStyleHint(QFont::SansSerif);
  }
  if (lf.lfWeight >= 600) f.setBold(true);
  f.setItalic(lf.lfItalic);
  return f;
}

int QtDevice::Caps(int index) const {
  switch (index) {
    case HORZRES:
      return page_w_ > 0 ? page_w_ : device_->width();
    case VERTRES:
      return page_h_ > 0 ? page_h_ : device_->height();
    case LOGPIXELSX:
      return device_->logicalDpiX();
    case LOGPIXELSY:
      return device_->logicalDpiY();
    default:
      return 0;
  }
}

DeviceFontMetrics QtDevice::Metrics(const LOGFONT& font, double pixels) {
  QFontMetricsF fm(MakeQFont(font, pixels, device_), device_);
  DeviceFontMetrics m;
  m.ascent = fm.ascent();
  m.descent = fm.descent();
  m.leading = std::max(0.0, fm.leading());
  m.average_width = fm.averageCharWidth();
  return m;
}

double QtDevice::TextWidth(const LOGFONT& font, double pixels, const std::string& text) {
  QFontMetricsF fm(MakeQFont(font, pixels, device_), device_);
  return fm.horizontalAdvance(QString::fromUtf8(text.c_str()));
}

namespace {
double PenWidth(const QPaintDevice* device) {
  return std::max(1.0, device->logicalDpiX() / 150.0);
}
}  // namespace

void QtDevice::Polyline(const std::vector<CPoint>&, const std::vector<double>& xy) {
  if (!painter_) return;
  std::vector<QPointF> pts;
  pts.reserve(xy.size() / 2);
  for (std::size_t i = 0; i + 1 < xy.size(); i += 2) pts.emplace_back(xy[i], xy[i + 1]);
  painter_->setPen(QPen(Qt::black, PenWidth(device_), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
  painter_->drawPolyline(pts.data(), static_cast<int>(pts.size()));
}

void QtDevice::Text(CPoint, double x, double y, unsigned align, const LOGFONT& font, double pixels,
                    const std::string& text, double stretch) {
  if (!painter_) return;
  QFont f = MakeQFont(font, pixels, device_);
  QFontMetricsF fm(f, device_);
  QString s = QString::fromUtf8(text.c_str());
  double w = fm.horizontalAdvance(s);
  double dx = 0;
  if ((align & TA_CENTER) == TA_CENTER)
    dx = -w / 2;
  else if (align & TA_RIGHT)
    dx = -w;
  double dy = fm.ascent();  // top
  if ((align & TA_BASELINE) == TA_BASELINE)
    dy = 0;
  else if (align & TA_BOTTOM)
    dy = -fm.descent();
  painter_->save();
  painter_->setFont(f);
  painter_->setPen(Qt::black);
  painter_->translate(x, y);
  if (stretch > 0 && stretch != 1.0) painter_->scale(stretch, 1.0);
  // The escapement turns counter-clockwise on the page; the device's y runs downward.
  if (font.lfEscapement != 0) painter_->rotate(-font.lfEscapement / 10.0);
  painter_->drawText(QPointF(dx, dy), s);
  painter_->restore();
}

void QtDevice::Clip(const DeviceRect* area) {
  if (!painter_) return;
  if (area)
    painter_->setClipRect(QRectF(QPointF(area->left, area->top), QPointF(area->right, area->bottom)));
  else
    painter_->setClipping(false);
}

DeviceFactory SetDeviceFactory(DeviceFactory factory) {
  DeviceFactory old = g_factory;
  g_factory = factory;
  return old;
}

std::shared_ptr<Device> MakeInfoDevice(DeviceKind kind) {
  if (g_factory) return g_factory(kind);
  if (kind == DeviceKind::DefaultPrinter) {
    std::shared_ptr<QPrinter> printer = MakeDefaultPrinter();
    if (!printer) return nullptr;
    auto dev = std::make_shared<QtDevice>(printer.get(), nullptr, false);
    dev->Own(printer);
    return dev;
  }
  auto image = std::make_shared<QImage>(1, 1, QImage::Format_ARGB32);
  double dpi = 96.0;
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    if (QScreen* screen = app->primaryScreen()) dpi = screen->logicalDotsPerInch();
  }
  int dpm = static_cast<int>(std::lround(dpi / 0.0254));
  image->setDotsPerMeterX(dpm);
  image->setDotsPerMeterY(dpm);
  auto dev = std::make_shared<QtDevice>(image.get(), nullptr, false);
  dev->Own(image);
  QSize screen(1024, 768);
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    if (QScreen* s = app->primaryScreen()) screen = s->size();
  }
  dev->SetPage(screen.width(), screen.height());
  return dev;
}

}  // namespace docview
