// Device contexts of the framework: a drawing state (mapping mode, window and viewport origins
// and extents, selected font, text alignment) over a device that draws in device pixels.
//
// The context maps logical coordinates to device pixels itself, y included: in mapping mode 2
// (0.1 mm per unit) logical y grows upward and is turned into a downward device y here, so the
// device never flips its picture and text stays upright. Fonts are described in logical units
// and sized in device pixels at the moment they are used.
//
// A context may hand its measuring to another (the attribute context), as a print preview
// measures on the printer while it draws on the screen; by default both are the same device.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace docview {

struct CPoint {
  int x = 0;
  int y = 0;
  bool operator==(const CPoint&) const = default;
};

struct CSize {
  int cx = 0;
  int cy = 0;
  bool operator==(const CSize&) const = default;
};

struct CRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

// Mapping modes the viewer draws in.
enum MapMode : int { MM_TEXT = 1, MM_LOMETRIC = 2, MM_ANISOTROPIC = 8 };

// Device capability indexes.
enum DeviceCap : int { HORZRES = 8, VERTRES = 10, LOGPIXELSX = 88, LOGPIXELSY = 90 };

// Text alignment flags.
enum TextAlign : unsigned {
  TA_LEFT = 0,
  TA_RIGHT = 2,
  TA_CENTER = 6,
  TA_TOP = 0,
  TA_BOTTOM = 8,
  TA_BASELINE = 24,
};

// Font pitch and family bits.
enum : unsigned char { FIXED_PITCH = 1, VARIABLE_PITCH = 2, FF_SWISS = 0x20, FF_MODERN = 0x30 };

// A font described in the logical units of the context it is made for. A negative height is the
// character height, a positive one the cell height; the escapement is in tenths of a degree,
// counter-clockwise on the page.
struct LOGFONT {
  int lfHeight = 0;
  int lfWidth = 0;
  int lfEscapement = 0;
  int lfOrientation = 0;
  int lfWeight = 400;
  bool lfItalic = false;
  unsigned char lfCharSet = 0;
  unsigned char lfOutPrecision = 0;
  unsigned char lfClipPrecision = 0;
  unsigned char lfQuality = 0;
  unsigned char lfPitchAndFamily = 0;
  std::string lfFaceName;
};

// Text metrics in logical units.
struct TEXTMETRIC {
  int tmHeight = 0;
  int tmAscent = 0;
  int tmDescent = 0;
  int tmExternalLeading = 0;
  int tmAveCharWidth = 0;
};

// Metrics a device reports for a font sized in device pixels.
struct DeviceFontMetrics {
  double ascent = 0;
  double descent = 0;
  double leading = 0;
  double average_width = 0;
};

// A rectangle in device pixels.
struct DeviceRect {
  double left = 0, top = 0, right = 0, bottom = 0;
  bool Intersects(const DeviceRect& o) const {
    return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
  }
};

// What a context draws on. Coordinates are device pixels; the logical ones are passed along for
// devices that record rather than draw.
class Device {
 public:
  virtual ~Device() = default;
  virtual int Caps(int index) const = 0;
  virtual bool IsPrinting() const { return false; }
  // Metrics and text width of `font` at a character height of `pixels`.
  virtual DeviceFontMetrics Metrics(const LOGFONT& font, double pixels) = 0;
  virtual double TextWidth(const LOGFONT& font, double pixels, const std::string& text) = 0;
  virtual void Polyline(const std::vector<CPoint>& /*logical*/, const std::vector<double>& /*device_xy*/) {}
  // Text whose reference point is (x, y) in device pixels, aligned by `align` and turned by the
  // font's escapement about that point; `stretch` widens it across (a picture stretched unevenly
  // stretches its text with it).
  virtual void Text(CPoint /*logical*/, double /*x*/, double /*y*/, unsigned /*align*/,
                    const LOGFONT& /*font*/, double /*pixels*/, const std::string& /*text*/,
                    double /*stretch*/) {}
  // Limits drawing to `area` (device pixels), or lifts the limit when `area` is null.
  virtual void Clip(const DeviceRect* /*area*/) {}
};

// The box in device pixels that a text drawn as Device::Text draws it covers, measured on
// `measure`: its advance across and its ascent and descent down, turned by the escapement.
DeviceRect TextBox(Device& measure, double x, double y, unsigned align, const LOGFONT& font,
                   double pixels, const std::string& text, double stretch);

class CFont {
 public:
  bool CreateFontIndirect(const LOGFONT& lf) {
    lf_ = lf;
    made_ = true;
    return true;
  }
  // A font of `tenths` tenths of a point for the context `dc` (its logical units), as the
  // context's vertical pixels per inch give it.
  bool CreatePointFont(int tenths, const std::string& face, class CDC* dc);
  bool CreatePointFontIndirect(const LOGFONT& lf_in_tenths, class CDC* dc);
  bool IsCreated() const { return made_; }
  void DeleteObject() { made_ = false; }
  const LOGFONT& GetLogFont() const { return lf_; }

 private:
  LOGFONT lf_;
  bool made_ = false;
};

class CDC {
 public:
  // A context over `device`; with `attribute`, measuring goes to that device instead.
  explicit CDC(std::shared_ptr<Device> device, std::shared_ptr<Device> attribute = nullptr);
  // A second context on the same devices and the same drawing state, as attaching the same
  // device handles does.
  CDC(const CDC& other);
  CDC& operator=(const CDC&) = delete;
  virtual ~CDC();

  int SaveDC();
  bool RestoreDC(int saved = -1);

  int SetMapMode(int mode);
  int GetMapMode() const;
  CPoint SetWindowOrg(int x, int y);
  CSize SetWindowExt(int cx, int cy);
  CPoint SetViewportOrg(int x, int y);
  CSize SetViewportExt(int cx, int cy);
  CPoint GetViewportOrg() const;
  CPoint GetWindowOrg() const;
  CSize GetWindowExt() const;
  CSize GetViewportExt() const;

  // Conversions between logical units and device pixels (rounded to the nearest pixel).
  CPoint LPtoDP(CPoint p) const;
  CPoint DPtoLP(CPoint p) const;
  CSize LPtoDP(CSize s) const;  // as lengths, without origins
  CSize DPtoLP(CSize s) const;

  int GetDeviceCaps(int index) const;
  bool IsPrinting() const;

  // Selects a font; returns the previous one.
  LOGFONT SelectObject(const CFont& font);
  const LOGFONT& GetCurrentFont() const;
  unsigned SetTextAlign(unsigned align);
  unsigned GetTextAlign() const;

  bool GetTextMetrics(TEXTMETRIC& tm) const;
  CSize GetTextExtent(const std::string& text) const;
  bool TextOut(int x, int y, const std::string& text);
  CPoint MoveTo(int x, int y);
  CPoint MoveTo(CPoint p) { return MoveTo(p.x, p.y); }
  bool LineTo(int x, int y);
  bool LineTo(CPoint p) { return LineTo(p.x, p.y); }
  bool Polyline(const CPoint* points, int count);
  // Narrows the area drawn in to its part inside `logical` (kept by SaveDC and RestoreDC). A
  // text wholly outside the area, or whose middle lies above or below it, is not drawn at all.
  void IntersectClipRect(const CRect& logical);

  Device& device() const { return *device_; }
  Device& attribute() const { return *attribute_; }

 protected:
  // Called whenever an object is selected or the mapping mode is set, for contexts that cache
  // measurements.
  virtual void OnObjectSelected() {}
  virtual void OnMapModeSet() {}

 private:
  struct State;
  double FontPixels(const LOGFONT& font) const;
  double HorizontalStretch() const;
  void MapExact(double lx, double ly, double& dx, double& dy) const;

  std::shared_ptr<Device> device_;
  std::shared_ptr<Device> attribute_;
  std::shared_ptr<State> state_;
};

// Records what is drawn in logical units, with page and font metrics the owner fixes: a page of
// `page_w` by `page_h` pixels at `dpi` pixels per inch, and every font `char_height` logical units
// high (its character height, or its cell height when given positive), with `leading` logical units
// of external leading and each character `char_width` wide. At 254 pixels per inch one pixel is one
// logical unit of mapping mode 2.
class RecordingDevice : public Device {
 public:
  struct Metrics_ {
    int page_w = 1900;
    int page_h = 2770;
    int dpi = 254;
    int line_height = 40;  // character height plus leading, in pixels
    int leading = 4;
    int char_width = 20;
    bool printing = false;
  };
  struct Line {
    std::vector<CPoint> points;
    std::vector<double> device;  // x, y pairs in device pixels
  };
  struct TextItem {
    CPoint at;
    double device_x, device_y;
    unsigned align;
    int escapement;
    std::string face;
    std::string text;
  };

  explicit RecordingDevice(Metrics_ m) : m_(m) {}
  RecordingDevice() = default;

  int Caps(int index) const override;
  bool IsPrinting() const override { return m_.printing; }
  DeviceFontMetrics Metrics(const LOGFONT& font, double pixels) override;
  double TextWidth(const LOGFONT& font, double pixels, const std::string& text) override;
  void Polyline(const std::vector<CPoint>& logical, const std::vector<double>& device_xy) override;
  void Text(CPoint logical, double x, double y, unsigned align, const LOGFONT& font, double pixels,
            const std::string& text, double stretch) override;
  void Clip(const DeviceRect* area) override;

  Metrics_ m_;
  bool clipped = false;
  DeviceRect clip;  // the last limit set, while `clipped`
  std::vector<Line> lines;
  std::vector<TextItem> texts;
};

// Which devices a program measures and lays out on. Tests replace them with recording devices
// of fixed metrics, so that layouts come out the same on every machine.
enum class DeviceKind { Display, DefaultPrinter };
using DeviceFactory = std::shared_ptr<Device> (*)(DeviceKind kind);
// Installs a factory (null: the real devices); returns the previous one.
DeviceFactory SetDeviceFactory(DeviceFactory factory);
// An information context's device: the display, or the default printer (null when none can be
// made).
std::shared_ptr<Device> MakeInfoDevice(DeviceKind kind);

// Rounds a * b / c to the nearest integer with a 64-bit product (0 when c is 0).
int MulDiv(int a, int b, int c);

}  // namespace docview
