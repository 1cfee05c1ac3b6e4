#include "docview/dc.h"

#include <cmath>
#include <algorithm>
#include <cstdlib>

namespace docview {

int MulDiv(int a, int b, int c) {
  if (c == 0) return 0;
  long long num = static_cast<long long>(a) * b, den = c;
  if (den < 0) {
    num = -num;
    den = -den;
  }
  long long q = num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den);
  return static_cast<int>(q);
}

struct CDC::State {
  struct Saved {
    int map_mode = MM_TEXT;
    CPoint window_org, viewport_org;
    CSize window_ext{1, 1}, viewport_ext{1, 1};
    LOGFONT font;
    unsigned align = TA_LEFT | TA_TOP;
    bool clipped = false;
    DeviceRect clip;
  };
  Saved now;
  std::vector<Saved> stack;
  CPoint current;
};

CDC::CDC(std::shared_ptr<Device> device, std::shared_ptr<Device> attribute)
    : device_(std::move(device)),
      attribute_(attribute ? std::move(attribute) : device_),
      state_(std::make_shared<State>()) {
  state_->now.font.lfHeight = -12;
  state_->now.font.lfFaceName = "Arial";
}

CDC::CDC(const CDC& other)
    : device_(other.device_), attribute_(other.attribute_), state_(other.state_) {}

CDC::~CDC() = default;

int CDC::SaveDC() {
  state_->stack.push_back(state_->now);
  return static_cast<int>(state_->stack.size());
}

bool CDC::RestoreDC(int saved) {
  if (state_->stack.empty()) return false;
  std::size_t keep = saved < 0 ? state_->stack.size() - 1 : static_cast<std::size_t>(saved - 1);
  if (keep >= state_->stack.size()) return false;
  const bool clip_changed = state_->now.clipped || state_->stack[keep].clipped;
  state_->now = state_->stack[keep];
  state_->stack.resize(keep);
  if (clip_changed) device_->Clip(state_->now.clipped ? &state_->now.clip : nullptr);
  OnObjectSelected();
  OnMapModeSet();
  return true;
}

int CDC::SetMapMode(int mode) {
  int old = state_->now.map_mode;
  state_->now.map_mode = mode;
  if (mode == MM_LOMETRIC || mode == MM_TEXT) {
    state_->now.window_ext = {1, 1};
    state_->now.viewport_ext = {1, 1};
  }
  OnMapModeSet();
  return old;
}

int CDC::GetMapMode() const { return state_->now.map_mode; }

CPoint CDC::SetWindowOrg(int x, int y) {
  CPoint old = state_->now.window_org;
  state_->now.window_org = {x, y};
  return old;
}

CSize CDC::SetWindowExt(int cx, int cy) {
  CSize old = state_->now.window_ext;
  if (state_->now.map_mode == MM_ANISOTROPIC && cx != 0 && cy != 0)
    state_->now.window_ext = {cx, cy};
  return old;
}

CPoint CDC::SetViewportOrg(int x, int y) {
  CPoint old = state_->now.viewport_org;
  state_->now.viewport_org = {x, y};
  return old;
}

CSize CDC::SetViewportExt(int cx, int cy) {
  CSize old = state_->now.viewport_ext;
  if (state_->now.map_mode == MM_ANISOTROPIC && cx != 0 && cy != 0)
    state_->now.viewport_ext = {cx, cy};
  return old;
}

CPoint CDC::GetViewportOrg() const { return state_->now.viewport_org; }
CPoint CDC::GetWindowOrg() const { return state_->now.window_org; }

CSize CDC::GetWindowExt() const {
  if (state_->now.map_mode == MM_LOMETRIC) return {254, 254};
  return state_->now.window_ext;
}

CSize CDC::GetViewportExt() const {
  if (state_->now.map_mode == MM_LOMETRIC)
    return {GetDeviceCaps(LOGPIXELSX), -GetDeviceCaps(LOGPIXELSY)};
  return state_->now.viewport_ext;
}

void CDC::MapExact(double lx, double ly, double& dx, double& dy) const {
  CSize we = GetWindowExt(), ve = GetViewportExt();
  const auto& s = state_->now;
  dx = (lx - s.window_org.x) * ve.cx / we.cx + s.viewport_org.x;
  dy = (ly - s.window_org.y) * ve.cy / we.cy + s.viewport_org.y;
}

CPoint CDC::LPtoDP(CPoint p) const {
  double dx, dy;
  MapExact(p.x, p.y, dx, dy);
  return {static_cast<int>(std::lround(dx)), static_cast<int>(std::lround(dy))};
}

CPoint CDC::DPtoLP(CPoint p) const {
  CSize we = GetWindowExt(), ve = GetViewportExt();
  const auto& s = state_->now;
  double lx = static_cast<double>(p.x - s.viewport_org.x) * we.cx / ve.cx + s.window_org.x;
  double ly = static_cast<double>(p.y - s.viewport_org.y) * we.cy / ve.cy + s.window_org.y;
  return {static_cast<int>(std::lround(lx)), static_cast<int>(std::lround(ly))};
}

CSize CDC::LPtoDP(CSize sz) const {
  CSize we = GetWindowExt(), ve = GetViewportExt();
  return {static_cast<int>(std::lround(static_cast<double>(sz.cx) * ve.cx / we.cx)),
          static_cast<int>(std::lround(static_cast<double>(sz.cy) * ve.cy / we.cy))};
}

CSize CDC::DPtoLP(CSize sz) const {
  CSize we = GetWindowExt(), ve = GetViewportExt();
  return {static_cast<int>(std::lround(static_cast<double>(sz.cx) * we.cx / ve.cx)),
          static_cast<int>(std::lround(static_cast<double>(sz.cy) * we.cy / ve.cy))};
}

int CDC::GetDeviceCaps(int index) const { return attribute_->Caps(index); }
bool CDC::IsPrinting() const { return device_->IsPrinting(); }

LOGFONT CDC::SelectObject(const CFont& font) {
  LOGFONT old = state_->now.font;
  state_->now.font = font.GetLogFont();
  OnObjectSelected();
  return old;
}

const LOGFONT& CDC::GetCurrentFont() const { return state_->now.font; }

unsigned CDC::SetTextAlign(unsigned align) {
  unsigned old = state_->now.align;
  state_->now.align = align;
  return old;
}

unsigned CDC::GetTextAlign() const { return state_->now.align; }

// The font's character height in device pixels on the output device: its logical height
// through the vertical scale of the mapping.
double CDC::FontPixels(const LOGFONT& font) const {
  CSize we = GetWindowExt(), ve = GetViewportExt();
  double scale = std::fabs(static_cast<double>(ve.cy) / we.cy);
  double h = std::fabs(static_cast<double>(font.lfHeight)) * scale;
  return h > 0 ? h : 12.0;
}

double CDC::HorizontalStretch() const {
  CSize we = GetWindowExt(), ve = GetViewportExt();
  double sx = std::fabs(static_cast<double>(ve.cx) / we.cx);
  double sy = std::fabs(static_cast<double>(ve.cy) / we.cy);
  return sy > 0 ? sx / sy : 1.0;
}

bool CDC::GetTextMetrics(TEXTMETRIC& tm) const {
  const LOGFONT& f = state_->now.font;
  DeviceFontMetrics m = attribute_->Metrics(f, FontPixels(f));
  CSize we = GetWindowExt(), ve = GetViewportExt();
  double sy = std::fabs(static_cast<double>(we.cy) / ve.cy);
  tm.tmAscent = static_cast<int>(std::lround(m.ascent * sy));
  tm.tmDescent = static_cast<int>(std::lround(m.descent * sy));
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmExternalLeading = static_cast<int>(std::lround(m.leading * sy));
  tm.tmAveCharWidth = static_cast<int>(std::lround(m.average_width * sy));  // stretched with the picture
  return true;
}

CSize CDC::GetTextExtent(const std::string& text) const {
  const LOGFONT& f = state_->now.font;
  double px = FontPixels(f);
  DeviceFontMetrics m = attribute_->Metrics(f, px);
  double w = attribute_->TextWidth(f, px, text);
  CSize we = GetWindowExt(), ve = GetViewportExt();
  // Text is stretched with the picture, so its width in logical units is the one it has at
  // the vertical scale.
  return {static_cast<int>(std::lround(w * std::fabs(static_cast<double>(we.cy) / ve.cy))),
          static_cast<int>(
              std::lround((m.ascent + m.descent) * std::fabs(static_cast<double>(we.cy) / ve.cy)))};
}

bool CDC::TextOut(int x, int y, const std::string& text) {
  double dx, dy;
  MapExact(x, y, dx, dy);
  const LOGFONT& f = state_->now.font;
  const double px = FontPixels(f), stretch = HorizontalStretch();
  if (state_->now.clipped) {
    // A text cut by the top or bottom edge goes to the slice that holds its middle, so that a
    // picture printed in slices shows it once.
    const DeviceRect box = TextBox(*attribute_, dx, dy, state_->now.align, f, px, text, stretch);
    const DeviceRect& clip = state_->now.clip;
    const double middle = (box.top + box.bottom) / 2;
    if (!box.Intersects(clip) || middle < clip.top || middle >= clip.bottom) return true;
  }
  device_->Text({x, y}, dx, dy, state_->now.align, f, px, text, stretch);
  return true;
}

void CDC::IntersectClipRect(const CRect& logical) {
  double x0, y0, x1, y1;
  MapExact(logical.left, logical.top, x0, y0);
  MapExact(logical.right, logical.bottom, x1, y1);
  DeviceRect r{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
  State::Saved& now = state_->now;
  if (now.clipped) {
    r.left = std::max(r.left, now.clip.left);
    r.top = std::max(r.top, now.clip.top);
    r.right = std::max(r.left, std::min(r.right, now.clip.right));
    r.bottom = std::max(r.top, std::min(r.bottom, now.clip.bottom));
  }
  now.clipped = true;
  now.clip = r;
  device_->Clip(&now.clip);
}

DeviceRect TextBox(Device& measure, double x, double y, unsigned align, const LOGFONT& font,
                   double pixels, const std::string& text, double stretch) {
  const DeviceFontMetrics m = measure.Metrics(font, pixels);
  const double w = measure.TextWidth(font, pixels, text) * (stretch > 0 ? stretch : 1.0);
  double left = 0;
  if ((align & TA_CENTER) == TA_CENTER)
    left = -w / 2;
  else if (align & TA_RIGHT)
    left = -w;
  double top = 0;  // below the reference point: the device's y runs downward
  if ((align & TA_BASELINE) == TA_BASELINE)
    top = -m.ascent;
  else if (align & TA_BOTTOM)
    top = -(m.ascent + m.descent);
  const double bottom = top + m.ascent + m.descent;
  if (font.lfEscapement == 0) return {x + left, y + top, x + left + w, y + bottom};
  // Turned counter-clockwise on the page about the reference point.
  const double a = font.lfEscapement / 10.0 * 3.14159265358979323846 / 180.0;
  const double c = std::cos(a), s = std::sin(a);
  DeviceRect r{1e300, 1e300, -1e300, -1e300};
  for (double cx : {left, left + w})
    for (double cy : {top, bottom}) {
      const double px = x + cx * c + cy * s, py = y - cx * s + cy * c;
      r.left = std::min(r.left, px), r.right = std::max(r.right, px);
      r.top = std::min(r.top, py), r.bottom = std::max(r.bottom, py);
    }
  return r;
}

CPoint CDC::MoveTo(int x, int y) {
  CPoint old = state_->current;
  state_->current = {x, y};
  return old;
}

bool CDC::LineTo(int x, int y) {
  CPoint pts[2] = {state_->current, {x, y}};
  state_->current = {x, y};
  return Polyline(pts, 2);
}

bool CDC::Polyline(const CPoint* points, int count) {
  if (count < 2) return false;
  std::vector<CPoint> logical(points, points + count);
  std::vector<double> xy;
  xy.reserve(static_cast<std::size_t>(count) * 2);
  for (const CPoint& p : logical) {
    double dx, dy;
    MapExact(p.x, p.y, dx, dy);
    xy.push_back(dx);
    xy.push_back(dy);
  }
  device_->Polyline(logical, xy);
  return true;
}

bool CFont::CreatePointFont(int tenths, const std::string& face, CDC* dc) {
  LOGFONT lf;
  lf.lfHeight = tenths;
  lf.lfFaceName = face;
  return CreatePointFontIndirect(lf, dc);
}

bool CFont::CreatePointFontIndirect(const LOGFONT& lf_in_tenths, CDC* dc) {
  LOGFONT lf = lf_in_tenths;
  if (dc) {
    CPoint pt{0, MulDiv(dc->GetDeviceCaps(LOGPIXELSY), lf.lfHeight, 720)};
    CPoint p = dc->DPtoLP(pt);
    CPoint o = dc->DPtoLP(CPoint{0, 0});
    lf.lfHeight = -std::abs(p.y - o.y);
  } else {
    lf.lfHeight = -MulDiv(96, lf.lfHeight, 720);
  }
  return CreateFontIndirect(lf);
}

// ---- Recording device ----

int RecordingDevice::Caps(int index) const {
  switch (index) {
    case HORZRES:
      return m_.page_w;
    case VERTRES:
      return m_.page_h;
    case LOGPIXELSX:
    case LOGPIXELSY:
      return m_.dpi;
    default:
      return 0;
  }
}

DeviceFontMetrics RecordingDevice::Metrics(const LOGFONT&, double) {
  DeviceFontMetrics m;
  double h = m_.line_height - m_.leading;
  m.ascent = h * 0.75;
  m.descent = h - m.ascent;
  m.leading = m_.leading;
  m.average_width = m_.char_width;
  return m;
}

double RecordingDevice::TextWidth(const LOGFONT&, double, const std::string& text) {
  return static_cast<double>(text.size()) * m_.char_width;
}

void RecordingDevice::Polyline(const std::vector<CPoint>& logical, const std::vector<double>& xy) {
  lines.push_back({logical, xy});
}

void RecordingDevice::Clip(const DeviceRect* area) {
  clipped = area != nullptr;
  if (area) clip = *area;
}

void RecordingDevice::Text(CPoint logical, double x, double y, unsigned align, const LOGFONT& font,
                           double, const std::string& text, double) {
  texts.push_back({logical, x, y, align, font.lfEscapement, font.lfFaceName, text});
}

}  // namespace docview
