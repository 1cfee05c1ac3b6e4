#include "viewer/velto_dc.h"

#include <cstdlib>

namespace velto {

using docview::CSize;

VeltoDC VeltoDC::Display() {
  return VeltoDC(docview::CDC(docview::MakeInfoDevice(docview::DeviceKind::Display)));
}

CSize VeltoDC::PageSize() {
  if (page_.cx < 0) {
    CSize px{GetDeviceCaps(docview::HORZRES), GetDeviceCaps(docview::VERTRES)};
    CSize lp = DPtoLP(px);
    page_ = {std::abs(lp.cx), std::abs(lp.cy)};
  }
  return page_;
}

int VeltoDC::LineHeight() {
  if (line_height_ < 0) {
    docview::TEXTMETRIC tm;
    GetTextMetrics(tm);
    line_height_ = tm.tmHeight + tm.tmExternalLeading;
  }
  return line_height_;
}

int VeltoDC::LogicalUnitsPerInch(bool horizontal) {
  if (upi_x_ < 0) {
    SaveDC();
    SetWindowOrg(0, 0);
    CSize lp = DPtoLP(CSize{GetDeviceCaps(docview::LOGPIXELSX), GetDeviceCaps(docview::LOGPIXELSY)});
    RestoreDC();
    upi_x_ = std::abs(lp.cx);
    upi_y_ = std::abs(lp.cy);
  }
  return horizontal ? upi_x_ : upi_y_;
}

namespace {
std::shared_ptr<docview::Device> PrinterOrDisplay() {
  auto dev = docview::MakeInfoDevice(docview::DeviceKind::DefaultPrinter);
  return dev ? dev : docview::MakeInfoDevice(docview::DeviceKind::Display);
}
}  // namespace

DefaultPrinterDC::DefaultPrinterDC(int map_mode) : VeltoDC(docview::CDC(PrinterOrDisplay())) {
  SetMapMode(map_mode);
}

}  // namespace velto
