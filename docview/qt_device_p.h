// The framework's devices over Qt: a paint device (a widget, an image, a printer) with an optional
// painter that draws on it. Only the framework's own sources include this header.
#pragma once

#include <QtGui/QFont>
#include <QtGui/QPaintDevice>
#include <QtGui/QPainter>
#include <memory>

#include "docview/dc.h"

namespace docview {

// The Qt font for a logical font at a character height of `pixels` on `device`.
QFont MakeQFont(const LOGFONT& lf, double pixels, const QPaintDevice* device);

class QtDevice : public Device {
 public:
  // Draws with `painter` (may be null: an information context) on `device`.
  QtDevice(QPaintDevice* device, QPainter* painter, bool printing)
      : device_(device), painter_(painter), printing_(printing) {}
  // Keeps `owned` (the paint device) alive as long as the context.
  void Own(std::shared_ptr<void> owned) { owned_ = std::move(owned); }
  // A page size other than the paint device's (a printer's printable page).
  void SetPage(int w, int h) {
    page_w_ = w;
    page_h_ = h;
  }

  int Caps(int index) const override;
  bool IsPrinting() const override { return printing_; }
  DeviceFontMetrics Metrics(const LOGFONT& font, double pixels) override;
  double TextWidth(const LOGFONT& font, double pixels, const std::string& text) override;
  void Polyline(const std::vector<CPoint>& logical, const std::vector<double>& device_xy) override;
  void Text(CPoint logical, double x, double y, unsigned align, const LOGFONT& font, double pixels,
            const std::string& text, double stretch) override;
  void Clip(const DeviceRect* area) override;

  QPaintDevice* paint_device() const { return device_; }

 private:
  QPaintDevice* device_;
  QPainter* painter_;
  bool printing_;
  int page_w_ = 0, page_h_ = 0;
  std::shared_ptr<void> owned_;
};

}  // namespace docview
