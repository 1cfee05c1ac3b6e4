// The viewer's measuring contexts. VeltoDC works on another context's devices and state and
// adds three cached measurements: the printable page in logical units, the line height of the
// selected font and the logical units per inch. DefaultPrinterDC is an information context on the
// default printer, or on the display when no printer context can be made.
#pragma once

#include "docview/dc.h"

namespace velto {

class VeltoDC : public docview::CDC {
 public:
  explicit VeltoDC(const docview::CDC& dc) : docview::CDC(dc) {}
  // An information context on the display.
  static VeltoDC Display();

  // Width and height of the printable page in logical units (both positive).
  docview::CSize PageSize();
  // Character height plus external leading of the selected font.
  int LineHeight();
  // Logical units per inch across (`horizontal`) or down.
  int LogicalUnitsPerInch(bool horizontal);

 protected:
  void OnObjectSelected() override { line_height_ = -1; }
  void OnMapModeSet() override { upi_x_ = upi_y_ = -1; }

 private:
  int line_height_ = -1;
  int upi_x_ = -1, upi_y_ = -1;
  docview::CSize page_{-1, -1};
};

class DefaultPrinterDC : public VeltoDC {
 public:
  explicit DefaultPrinterDC(int map_mode);
};

}  // namespace velto
