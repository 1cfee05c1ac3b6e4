// The viewer's chart library: translators between values and device coordinates, a distance
// scale drawn as an axis with evenly spaced ticks and turned labels, legends that give a tick's
// label, and a line with its angle.
#pragma once

#include <cmath>
#include <stdexcept>
#include <string>

#include "docview/dc.h"
#include "viewer/velto_dc.h"

namespace velto {

class ChartLibException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Rounds half away from zero to an int; results beyond a billion are held there (NaN gives 0),
// so a damaged value never overflows the arithmetic that follows.
int RoundToPixel(double p);

template <class V, class P>
class Translator {
 public:
  virtual ~Translator() = default;
  virtual P ToPixel(V value) const = 0;
  virtual V ToValue(P pixel) const = 0;
  virtual void ValueRange(V& low, V& high) const = 0;
  virtual void PixelRange(P& low, P& high) const = 0;
};

// Values from low to high onto pixels from pixel_low on, `scale` pixels per value unit. The
// owner sets the fields; the scale is (pixel_high - pixel_low) / (high - low), 0 for an empty range.
template <class V, class P>
class LinearTranslator : public Translator<V, P> {
 public:
  P ToPixel(V v) const override {
    return RoundToPixel((static_cast<double>(v) - low) * scale + pixel_low);
  }
  V ToValue(P p) const override {
    if (scale == 0) return low;
    return static_cast<V>(low + (p - pixel_low) / scale);
  }
  void ValueRange(V& lo, V& hi) const override {
    lo = low;
    hi = high;
  }
  void PixelRange(P& lo, P& hi) const override {
    lo = pixel_low;
    hi = pixel_high;
  }
  // Sets the range and the scale from it.
  void Set(V lo, V hi, P plo, P phi) {
    low = lo;
    high = hi;
    pixel_low = plo;
    pixel_high = phi;
    scale = hi == lo ? 0.0 : static_cast<double>(phi - plo) / (static_cast<double>(hi) - lo);
  }

  V low{}, high{};
  P pixel_low{}, pixel_high{};
  double scale = 0.0;
};

// As the linear translator, on the natural logarithms of the values (held as logarithms).
// Only values above zero have a place on it.
template <class V, class P>
class LogarithmicTranslator : public Translator<V, P> {
 public:
  P ToPixel(V v) const override {
    return RoundToPixel((std::log(static_cast<double>(v)) - log_low) * scale + pixel_low);
  }
  V ToValue(P p) const override {
    if (scale == 0) return static_cast<V>(std::exp(log_low));
    return static_cast<V>(std::exp(log_low + (p - pixel_low) / scale));
  }
  void ValueRange(V& lo, V& hi) const override {
    lo = static_cast<V>(std::exp(log_low));
    hi = static_cast<V>(std::exp(log_high));
  }
  void PixelRange(P& lo, P& hi) const override {
    lo = pixel_low;
    hi = pixel_high;
  }
  // Sets the range (both values above zero) and the scale; equal values give the scale 0.
  void Set(V lo, V hi, P plo, P phi) {
    log_low = std::log(static_cast<double>(lo));
    log_high = std::log(static_cast<double>(hi));
    pixel_low = plo;
    pixel_high = phi;
    scale = log_high == log_low ? 0.0 : (phi - plo) / (log_high - log_low);
  }

  double log_low = 0.0, log_high = 0.0;
  P pixel_low{}, pixel_high{};
  double scale = 0.0;
};

// Turns a tick's position into its label.
class ChartLegend {
 public:
  virtual ~ChartLegend() = default;
  virtual std::string Label(int pixel) const = 0;
};

template <class T>
class ReversibleChartLegend;

// The value at the pixel, rounded to a whole number; reversed, low + high minus it (with a
// range of 100 .. 0, the similarity of a distance).
template <>
class ReversibleChartLegend<LinearTranslator<float, int>> : public ChartLegend {
 public:
  ReversibleChartLegend() = default;
  ReversibleChartLegend(const LinearTranslator<float, int>* t, bool reversed)
      : translator(t), reversed(reversed) {}
  std::string Label(int pixel) const override;

  const LinearTranslator<float, int>* translator = nullptr;
  bool reversed = false;
};

struct Line {
  docview::CPoint a, b;
  // Direction from a to b in radians; throws ChartLibException for a line of length 0.
  double Angle() const;
};

extern const double kPi;

class ChartScale {
 public:
  virtual ~ChartScale() = default;
  virtual void Draw(VeltoDC& dc) = 0;
  virtual int TickLength(VeltoDC& dc) = 0;
  virtual void DrawLabel(VeltoDC& dc, int x, int y) = 0;
};

// An axis from the start point to the end point with `ticks` evenly spaced ticks across it and a
// label at each, turned 60 degrees clockwise.
class DistanceChartScale : public ChartScale {
 public:
  // `dc` gives the labels' font its size when the scale has none yet.
  void Set(VeltoDC& dc, int ticks, docview::CPoint start, docview::CPoint end, const ChartLegend* legend);
  void Draw(VeltoDC& dc) override;
  int TickLength(VeltoDC& dc) override;
  void DrawLabel(VeltoDC& dc, int x, int y) override;

  int ticks() const { return ticks_; }
  double angle() const { return angle_; }
  const docview::CFont& font() const { return font_; }

 private:
  int ticks_ = 2;
  docview::CPoint start_, end_;
  double angle_ = 0.0;
  bool angle_set_ = false;
  const ChartLegend* legend_ = nullptr;
  docview::CFont font_;
};

}  // namespace velto
