#include "viewer/chart.h"

#include <cstdio>

namespace velto {

const double kPi = 4.0 * std::atan(1.0);

int RoundToPixel(double p) {
  // A billion units is far beyond any page, and leaves room for the offsets the views add.
  constexpr double kFar = 1e9;
  if (std::isnan(p)) return 0;
  if (p >= kFar) return static_cast<int>(kFar);
  if (p <= -kFar) return -static_cast<int>(kFar);
  return p > 0 ? static_cast<int>(p + 0.5) : static_cast<int>(p - 0.5);
}

std::string ReversibleChartLegend<LinearTranslator<float, int>>::Label(int pixel) const {
  if (!translator) return {};
  double v = std::trunc(static_cast<double>(translator->ToValue(pixel)) + 0.5);
  if (reversed) v = std::trunc(static_cast<double>(translator->low) + translator->high - v);
  char buf[21];
  std::snprintf(buf, sizeof buf, "%.0f", v);
  return buf;
}

double Line::Angle() const {
  if (a == b) throw ChartLibException("Line::Angle(): result is undefined when length is 0");
  if (a.y == b.y) return a.x < b.x ? 0.0 : kPi;
  if (a.x == b.x) return a.y < b.y ? kPi * 0.5 : kPi * 1.5;
  return std::atan2(static_cast<double>(b.y - a.y), static_cast<double>(b.x - a.x));
}

void DistanceChartScale::Set(VeltoDC& dc, int ticks, docview::CPoint start, docview::CPoint end,
                             const ChartLegend* legend) {
  ticks_ = ticks < 2 ? 2 : ticks;
  start_ = start;
  end_ = end;
  legend_ = legend;
  angle_ = Line{start, end}.Angle() + kPi / 2;
  angle_set_ = true;
  if (!font_.IsCreated()) {
    docview::LOGFONT lf;
    lf.lfHeight = -docview::MulDiv(10, dc.LogicalUnitsPerInch(true), 72);
    lf.lfEscapement = -600;
    lf.lfOrientation = -600;
    lf.lfCharSet = 0;
    lf.lfOutPrecision = 7;
    lf.lfClipPrecision = 48;
    lf.lfQuality = 0;
    lf.lfPitchAndFamily = docview::VARIABLE_PITCH | docview::FF_SWISS;
    lf.lfFaceName = "Arial";
    font_.CreateFontIndirect(lf);
  }
}

int DistanceChartScale::TickLength(VeltoDC& dc) { return dc.LogicalUnitsPerInch(true) * 5 / 72; }

void DistanceChartScale::Draw(VeltoDC& dc) {
  dc.MoveTo(start_);
  dc.LineTo(end_);
  int half = TickLength(dc) / 2;
  double a = std::cos(angle_) * half, b = std::sin(angle_) * half;
  docview::CPoint p{static_cast<int>(start_.x + a), static_cast<int>(start_.y + b)};
  docview::CPoint q{static_cast<int>(start_.x - a), static_cast<int>(start_.y - b)};
  double step_x = static_cast<double>(end_.x - start_.x) / (ticks_ - 1);
  double step_y = static_cast<double>(end_.y - start_.y) / (ticks_ - 1);
  for (int i = 0; i < ticks_; ++i) {
    int ox = static_cast<int>(i * step_x + 0.5), oy = static_cast<int>(i * step_y + 0.5);
    docview::CPoint p1{p.x + ox, p.y + oy}, p2{q.x + ox, q.y + oy};
    dc.MoveTo(p1);
    dc.LineTo(p2);
    DrawLabel(dc, (p1.x + p2.x) / 2, (p1.y + p2.y) / 2);
  }
}

void DistanceChartScale::DrawLabel(VeltoDC& dc, int x, int y) {
  dc.SaveDC();
  dc.SetTextAlign(docview::TA_BOTTOM);
  dc.SelectObject(font_);
  std::string text = legend_ ? legend_->Label(x) : std::string();
  dc.TextOut(x + TickLength(dc) / 2, y, text);
  dc.RestoreDC();
}

}  // namespace velto
