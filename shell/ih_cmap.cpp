// Colour maps: fifteen conversions and the program-wide contrast window.
#include "shell/ih_cmap.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/slog.h"
#include "toolkit/core/tk_image.h"

namespace {

using ConvertFn = IhRgb16 (*)(int v);

IhRgb16 rgb(int r, int g, int b) {
  IhRgb16 c;
  c.red = static_cast<unsigned short>(ih_clamp16(r));
  c.green = static_cast<unsigned short>(ih_clamp16(g));
  c.blue = static_cast<unsigned short>(ih_clamp16(b));
  return c;
}

IhRgb16 inverted_grey(int v) { return rgb(65535 - v, 65535 - v, 65535 - v); }
IhRgb16 grey(int v) { return rgb(v, v, v); }
IhRgb16 two_tone(int v) { return rgb(v, 65535 - v, v); }
IhRgb16 blue_tint(int v) { return rgb(65535 - v, 65535 - v, 65535); }
IhRgb16 red_tint(int v) { return rgb(65535, 65535 - v, 65535 - v); }
IhRgb16 green_tint(int v) { return rgb(65535 - v, 65535, 65535 - v); }

IhRgb16 multi_hue(int v) {
  return rgb(ih_clamp16((49152 - v) * 3 / 2), ih_clamp16((32768 - v) * 2),
             ih_clamp16((16384 - v) * 4));
}

// Hue, saturation and value of 16 bits each (hue 0..65535 for a full turn).
struct Hsv16 {
  unsigned short h = 0, s = 0, v = 0;
};

Hsv16 rgb_to_hsv(IhRgb16 c) {
  const double r = c.red / 65535.0, g = c.green / 65535.0, b = c.blue / 65535.0;
  const double mx = std::fmax(r, std::fmax(g, b)), mn = std::fmin(r, std::fmin(g, b));
  const double d = mx - mn;
  double h = 0.0;
  if (d > 0.0) {
    if (mx == r)
      h = std::fmod((g - b) / d, 6.0);
    else if (mx == g)
      h = (b - r) / d + 2.0;
    else
      h = (r - g) / d + 4.0;
    if (h < 0.0) h += 6.0;
  }
  Hsv16 out;
  out.h = static_cast<unsigned short>(std::lround(h / 6.0 * 65535.0));
  out.s = static_cast<unsigned short>(mx > 0.0 ? std::lround(d / mx * 65535.0) : 0);
  out.v = static_cast<unsigned short>(std::lround(mx * 65535.0));
  return out;
}

IhRgb16 hsv_to_rgb(Hsv16 c) {
  const double h = c.h / 65535.0 * 6.0, s = c.s / 65535.0, v = c.v / 65535.0;
  const int sector = static_cast<int>(h) % 6;
  const double f = h - std::floor(h);
  const double p = v * (1.0 - s), q = v * (1.0 - s * f), t = v * (1.0 - s * (1.0 - f));
  double r = v, g = t, b = p;
  switch (sector) {
    case 0: r = v; g = t; b = p; break;
    case 1: r = q; g = v; b = p; break;
    case 2: r = p; g = v; b = t; break;
    case 3: r = p; g = q; b = v; break;
    case 4: r = t; g = p; b = v; break;
    default: r = v; g = p; b = q; break;
  }
  return rgb(static_cast<int>(std::lround(r * 65535.0)), static_cast<int>(std::lround(g * 65535.0)),
             static_cast<int>(std::lround(b * 65535.0)));
}

// Walks the hue from blue (v = 0) to red (v = 65535) at full saturation and value.
IhRgb16 blend(int v) {
  const Hsv16 a = rgb_to_hsv(rgb(0, 0, 65535));
  const Hsv16 b = rgb_to_hsv(rgb(65535, 0, 0));
  Hsv16 mix;
  const double step = (static_cast<double>(b.h) - a.h) * v / 65535.0 + 0.5;
  mix.h = static_cast<unsigned short>(a.h + static_cast<int>(step));  // 16-bit wrap-around
  mix.s = 65535;
  mix.v = 65535;
  return hsv_to_rgb(mix);
}

int frac16(double f) { return static_cast<int>(f * 65535.0); }

// v is the raw index 0..255: red through yellow, green and blue to white.
IhRgb16 spectrum(int v) {
  if (v >= 255) return rgb(0, 0, 0);
  const double t = 255.0 - v;
  if (t <= 38.4) return rgb(65535, frac16(std::pow(t / 38.4, 0.7)), 0);
  if (t <= 128.0) return rgb(frac16(std::pow((128.0 - t) / 89.6, 0.7)), 65535, 0);
  if (t <= 243.2)
    return rgb(0, frac16(std::pow((243.2 - t) / 115.2, 0.8)),
               frac16(std::pow((t - 128.0) / 115.2, 0.8)));
  const int w = frac16((t - 243.2) / 11.8);
  return rgb(w, w, 65535);
}

IhRgb16 gamma_grey(int x, double gamma) {
  const int g = 65535 - static_cast<int>(std::pow(x / 65535.0, gamma) * 65535.0);
  return rgb(g, g, g);
}
IhRgb16 inv_gamma_22(int v) { return gamma_grey(v, 2.2); }
IhRgb16 inv_gamma_333(int v) { return gamma_grey(v, 3.33); }
IhRgb16 inv_gamma_50(int v) { return gamma_grey(v, 5.0); }
IhRgb16 gamma_22(int v) { return gamma_grey(65535 - v, 2.2); }
IhRgb16 gamma_333(int v) { return gamma_grey(65535 - v, 3.33); }
IhRgb16 gamma_50(int v) { return gamma_grey(65535 - v, 5.0); }

struct CmapEntry {
  int code;
  ConvertFn fn;
};

// Searched in this order; a code that is not here converts as grey.
constexpr CmapEntry kTable[] = {
    {0, inverted_grey}, {1, grey},          {2, two_tone},      {3, blue_tint},
    {6, green_tint},    {4, multi_hue},     {5, red_tint},      {7, blend},
    {8, spectrum},      {9, inv_gamma_22},  {10, inv_gamma_333}, {11, inv_gamma_50},
    {12, gamma_22},     {13, gamma_333},    {14, gamma_50},
};

ConvertFn fn_of_code(int code) {
  for (const CmapEntry& e : kTable)
    if (e.code == code) return e.fn;
  return grey;
}

int code_of_fn(ConvertFn fn) {
  for (const CmapEntry& e : kTable)
    if (e.fn == fn) return e.code;
  return 0;
}

// The current map: inverted grey, level 50 %, width 100 %.
ConvertFn s_fn = inverted_grey;
int s_level = 127;
int s_width = 255;
int s_offset = -1;
double s_scale = 257.0;

}  // namespace

int ih_clamp16(int v) { return v < 0 ? 0 : (v > 65535 ? 65535 : v); }
namespace {
// Level and width come from stored preferences: wide arithmetic, held to the int range.
int clamp_int(long long v) {
  return static_cast<int>(std::clamp<long long>(v, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
}
}  // namespace

int ih_pct_to_255(int pct) { return clamp_int(static_cast<long long>(pct) * 255 / 100); }
int ih_255_to_pct(int value) { return clamp_int(static_cast<long long>(value) * 100 / 256); }

IhRgb16 ih_cmap_convert(int code, int v) { return fn_of_code(code)(v); }

int ih_set_cmap(TkImage* image, int code, int level_pct, int width_pct) {
  SLOG("ih_set_cmap", SLOG_ENTRY, "code %d, level %d, width %d", code, level_pct, width_pct);
  s_level = ih_pct_to_255(level_pct);
  s_width = ih_pct_to_255(width_pct);
  if (code == 8) {
    s_offset = 0;
    s_scale = 1.0;
  } else {
    const int w = s_width == 0 ? 1 : s_width;
    s_offset = clamp_int(static_cast<long long>(s_level) -
                         static_cast<long long>(s_width * 0.5 + 0.5));
    s_scale = 65535.0 / w;
  }
  s_fn = fn_of_code(code);
  if (image != nullptr) ih_load_cmap(image);
  SLOG("ih_set_cmap", SLOG_EXIT, "offset %d, scale %f", s_offset, s_scale);
  return 0;
}

void ih_get_cmap(int* code, int* level_pct, int* width_pct) {
  if (code) *code = code_of_fn(s_fn);
  if (level_pct) *level_pct = ih_255_to_pct(s_level);
  if (width_pct) *width_pct = ih_255_to_pct(s_width);
}

IhRgb16 ih_get_rgb(IhRgb16* out, int index) {
  // Double arithmetic first: an index far outside 0..255 must not overflow the int.
  const double stretched = (static_cast<double>(index) - s_offset) * s_scale + 0.5;
  const int v = stretched <= 0.0 ? 0 : (stretched >= 65535.0 ? 65535 : static_cast<int>(stretched));
  const IhRgb16 c = s_fn(v);
  if (out) *out = c;
  return c;
}

void ih_load_cmap(TkImage* image) {
  if (image == nullptr) return;
  auto& table = image->colours();
  for (int i = 0; i < 256; ++i) {
    const IhRgb16 c = ih_get_rgb(nullptr, i);
    table[static_cast<std::size_t>(i)] = 0xFF000000u | (static_cast<unsigned>(c.red >> 8) << 16) |
                                         (static_cast<unsigned>(c.green >> 8) << 8) |
                                         static_cast<unsigned>(c.blue >> 8);
  }
}
