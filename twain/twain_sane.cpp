// Image sources over SANE: enumeration and names, settings on the device's options, and the
// transfer that assembles the frames SANE delivers into one bottom-up packed bitmap.
#include <sane/sane.h>
#include <sane/saneopts.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/slog.h"
#include "twain/twain_ops.h"

namespace {

struct Source {
  std::string name;    // what the user sees and devices.ini names
  std::string device;  // SANE's device name
};

bool s_sane_up = false;
std::vector<Source> s_sources;
std::size_t s_next = 0;
SANE_Handle s_handle = nullptr;
int s_hide_ui = 0;
TwainSettingsDialog s_dialog = nullptr;
void (*s_pump)() = nullptr;
std::thread::id s_pump_thread;
std::string s_title;
std::string s_open_name;

bool sane_up() {
  if (s_sane_up) return true;
  SANE_Int version = 0;
  const SANE_Status st = sane_init(&version, nullptr);
  if (st != SANE_STATUS_GOOD) {
    SLOG("twain", SLOG_ERROR, "SANE does not start: %s", sane_strstatus(st));
    return false;
  }
  s_sane_up = true;
  return true;
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool contains_nocase(const std::string& text, const char* part) {
  return lower(text).find(part) != std::string::npos;
}

// The device list with the names the user sees.
void read_sources() {
  s_sources.clear();
  const SANE_Device** list = nullptr;
  if (sane_get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || list == nullptr) return;
  std::vector<std::string> bases;
  for (int i = 0; list[i] != nullptr; ++i) {
    std::string base = std::string(list[i]->vendor ? list[i]->vendor : "") + " " +
                       (list[i]->model ? list[i]->model : "");
    if (base.size() > static_cast<std::size_t>(TWAIN_NAME_CUT)) base.resize(TWAIN_NAME_CUT);
    const long same = std::count(bases.begin(), bases.end(), base);
    bases.push_back(base);
    std::string name = same == 0 ? base : base + " #" + std::to_string(same + 1);
    s_sources.push_back({name, list[i]->name ? list[i]->name : ""});
  }
}

// ---- options ----

struct Opt {
  SANE_Int index = -1;
  const SANE_Option_Descriptor* d = nullptr;
  explicit operator bool() const { return d != nullptr; }
  const SANE_Option_Descriptor* operator->() const { return d; }
};

Opt find_opt_if(bool (*pred)(const SANE_Option_Descriptor*)) {
  if (s_handle == nullptr) return {};
  for (SANE_Int i = 1;; ++i) {
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(s_handle, i);
    if (d == nullptr) return {};
    if (d->name != nullptr && pred(d) && SANE_OPTION_IS_ACTIVE(d->cap)) return {i, d};
  }
}

Opt find_opt(const char* name) {
  if (s_handle == nullptr) return {};
  for (SANE_Int i = 1;; ++i) {
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(s_handle, i);
    if (d == nullptr) return {};
    if (d->name != nullptr && std::strcmp(d->name, name) == 0) {
      if (!SANE_OPTION_IS_ACTIVE(d->cap)) return {};
      return {i, d};
    }
  }
}

bool is_number(const Opt& o) {
  return o && (o->type == SANE_TYPE_INT || o->type == SANE_TYPE_FIXED) && o->size == sizeof(SANE_Word);
}

double word_value(const SANE_Option_Descriptor* d, SANE_Word w) {
  return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : static_cast<double>(w);
}

bool get_number(const Opt& o, double* out) {
  if (!is_number(o)) return false;
  SANE_Word w = 0;
  if (sane_control_option(s_handle, o.index, SANE_ACTION_GET_VALUE, &w, nullptr) !=
      SANE_STATUS_GOOD)
    return false;
  *out = word_value(o.d, w);
  return true;
}

// The value nearest to v that the option allows.
double nearest_allowed(const SANE_Option_Descriptor* d, double v) {
  if (d->constraint_type == SANE_CONSTRAINT_RANGE) {
    const SANE_Range* r = d->constraint.range;
    const double lo = word_value(d, r->min), hi = word_value(d, r->max);
    const double q = word_value(d, r->quant);
    v = std::clamp(v, lo, hi);
    if (q > 0) v = std::min(hi, lo + std::round((v - lo) / q) * q);
    return v;
  }
  if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
    const SANE_Word* list = d->constraint.word_list;
    double best = v, dist = -1;
    for (SANE_Word i = 1; i <= list[0]; ++i) {
      const double x = word_value(d, list[i]);
      if (dist < 0 || std::fabs(x - v) < dist) dist = std::fabs(x - v), best = x;
    }
    return best;
  }
  return v;
}

bool range_of(const Opt& o, double* lo, double* hi) {
  if (!is_number(o)) return false;
  if (o->constraint_type == SANE_CONSTRAINT_RANGE) {
    *lo = word_value(o.d, o->constraint.range->min);
    *hi = word_value(o.d, o->constraint.range->max);
    return true;
  }
  if (o->constraint_type == SANE_CONSTRAINT_WORD_LIST && o->constraint.word_list[0] > 0) {
    const SANE_Word* list = o->constraint.word_list;
    *lo = *hi = word_value(o.d, list[1]);
    for (SANE_Word i = 2; i <= list[0]; ++i) {
      *lo = std::min(*lo, word_value(o.d, list[i]));
      *hi = std::max(*hi, word_value(o.d, list[i]));
    }
    return true;
  }
  return false;
}

bool set_number(const Opt& o, double v) {
  if (!is_number(o) || !SANE_OPTION_IS_SETTABLE(o->cap)) return false;
  v = nearest_allowed(o.d, v);
  SANE_Word w = o->type == SANE_TYPE_FIXED ? SANE_FIX(v) : static_cast<SANE_Word>(std::lround(v));
  const SANE_Status st = sane_control_option(s_handle, o.index, SANE_ACTION_SET_VALUE, &w, nullptr);
  if (st != SANE_STATUS_GOOD) {
    SLOG("twain", SLOG_ERROR, "option %s refused %g: %s", o->name, v, sane_strstatus(st));
    return false;
  }
  return true;
}

bool set_string(const Opt& o, const std::string& v) {
  if (!o || o->type != SANE_TYPE_STRING || !SANE_OPTION_IS_SETTABLE(o->cap)) return false;
  std::vector<char> buf(std::max<std::size_t>(o->size, v.size() + 1), '\0');
  std::memcpy(buf.data(), v.c_str(), v.size());
  const SANE_Status st =
      sane_control_option(s_handle, o.index, SANE_ACTION_SET_VALUE, buf.data(), nullptr);
  if (st != SANE_STATUS_GOOD) {
    SLOG("twain", SLOG_ERROR, "option %s refused <%s>: %s", o->name, v.c_str(), sane_strstatus(st));
    return false;
  }
  return true;
}

std::string get_string(const Opt& o) {
  if (!o || o->type != SANE_TYPE_STRING || o->size <= 0) return "";
  std::vector<char> buf(o->size + 1, '\0');
  if (sane_control_option(s_handle, o.index, SANE_ACTION_GET_VALUE, buf.data(), nullptr) !=
      SANE_STATUS_GOOD)
    return "";
  return buf.data();
}

std::vector<std::string> string_choices(const Opt& o) {
  std::vector<std::string> out;
  if (o && o->type == SANE_TYPE_STRING && o->constraint_type == SANE_CONSTRAINT_STRING_LIST)
    for (const SANE_String_Const* s = o->constraint.string_list; *s != nullptr; ++s)
      out.emplace_back(*s);
  return out;
}

std::vector<int> word_choices(const Opt& o) {
  std::vector<int> out;
  if (is_number(o) && o->constraint_type == SANE_CONSTRAINT_WORD_LIST)
    for (SANE_Word i = 1; i <= o->constraint.word_list[0]; ++i)
      out.push_back(static_cast<int>(word_value(o.d, o->constraint.word_list[i])));
  return out;
}

// The device's mode entry for a pixel type: equal to "gray"/"color" without regard to case, else
// the first entry that speaks of grey or colour.
std::string mode_for(int pixel_type) {
  const std::vector<std::string> modes = string_choices(find_opt(SANE_NAME_SCAN_MODE));
  const char* exact = pixel_type == TWPT_RGB ? "color" : "gray";
  for (const auto& m : modes)
    if (lower(m) == exact) return m;
  for (const auto& m : modes)
    if (pixel_type == TWPT_RGB ? (contains_nocase(m, "color") || contains_nocase(m, "colour"))
                               : (contains_nocase(m, "gray") || contains_nocase(m, "grey")))
      return m;
  return "";
}

bool transmissive_entry(const std::string& s) {
  return contains_nocase(s, "transparen") || contains_nocase(s, "film") ||
         contains_nocase(s, "slide");
}

const char* const kLayout[4] = {SANE_NAME_SCAN_TL_X, SANE_NAME_SCAN_TL_Y, SANE_NAME_SCAN_BR_X,
                                SANE_NAME_SCAN_BR_Y};

bool layout_opt(int k, Opt* o) {
  *o = find_opt(kLayout[k]);
  return is_number(*o) && (*o)->unit == SANE_UNIT_MM;
}

void pump_events() {
  if (s_pump != nullptr && std::this_thread::get_id() == s_pump_thread) s_pump();
}

// ---- transfer ----

struct Frame {
  SANE_Parameters p{};
  std::vector<uint8_t> data;
};

// Reads one frame to its end. False on any device error.
bool read_frame(Frame* f) {
  SANE_Status st = sane_start(s_handle);
  if (st != SANE_STATUS_GOOD) {
    SLOG("twain", SLOG_ERROR, "start: %s", sane_strstatus(st));
    return false;
  }
  st = sane_get_parameters(s_handle, &f->p);
  if (st != SANE_STATUS_GOOD) {
    SLOG("twain", SLOG_ERROR, "parameters: %s", sane_strstatus(st));
    return false;
  }
  SLOG("twain", SLOG_VALUE4, "frame %d: %d pixels x %d lines, %d bytes per line, depth %d",
       f->p.format, f->p.pixels_per_line, f->p.lines, f->p.bytes_per_line, f->p.depth);
  if (f->p.lines > 0 && f->p.bytes_per_line > 0)
    f->data.reserve(static_cast<std::size_t>(f->p.lines) * f->p.bytes_per_line);
  std::vector<SANE_Byte> buf(1 << 16);
  std::size_t reads = 0;
  for (;;) {
    SANE_Int n = 0;
    st = sane_read(s_handle, buf.data(), static_cast<SANE_Int>(buf.size()), &n);
    if (st == SANE_STATUS_EOF) break;
    if (st != SANE_STATUS_GOOD) {
      SLOG("twain", SLOG_ERROR, "read: %s after %zu bytes", sane_strstatus(st), f->data.size());
      return false;
    }
    f->data.insert(f->data.end(), buf.data(), buf.data() + n);
    if (++reads % 64 == 0)
      SLOG("twain", SLOG_VALUE4, "read %zu bytes", f->data.size());
    pump_events();
  }
  SLOG("twain", SLOG_VALUE4, "frame done, %zu bytes", f->data.size());
  return true;
}

uint16_t sample16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);  // SANE gives 16-bit samples in the host's byte order
  return v;
}

// Assembles the frames into the bottom-up bitmap.
TwainDib assemble(const std::vector<Frame>& frames, double dpi) {
  const SANE_Parameters& p0 = frames.front().p;
  const int depth = p0.depth;
  if (depth != 8 && depth != 16) {
    SLOG("twain", SLOG_ERROR, "depth %d not delivered", depth);
    return nullptr;
  }
  const bool colour = p0.format != SANE_FRAME_GRAY;
  const int channels = colour ? 3 : 1;
  const int bytes = depth / 8;
  const int width = p0.pixels_per_line;
  const int in_ch = p0.format == SANE_FRAME_RGB ? 3 : 1;  // samples per pixel in one frame
  const int bpl = p0.bytes_per_line;
  if (width <= 0 || bpl < width * in_ch * bytes) {
    SLOG("twain", SLOG_ERROR, "bad line: %d pixels, %d bytes", width, bpl);
    return nullptr;
  }
  // The frames of a three-pass scan by channel (0 red, 1 green, 2 blue).
  const Frame* plane[3] = {nullptr, nullptr, nullptr};
  long lines = -1;
  for (const Frame& f : frames) {
    if (f.p.pixels_per_line != width || f.p.bytes_per_line != bpl || f.p.depth != depth) {
      SLOG("twain", SLOG_ERROR, "frames of different shapes");
      return nullptr;
    }
    const long l = static_cast<long>(f.data.size() / static_cast<std::size_t>(bpl));
    lines = lines < 0 ? l : std::min(lines, l);
    if (f.p.format == SANE_FRAME_RED) plane[0] = &f;
    if (f.p.format == SANE_FRAME_GREEN) plane[1] = &f;
    if (f.p.format == SANE_FRAME_BLUE) plane[2] = &f;
  }
  const bool three_pass = p0.format != SANE_FRAME_GRAY && p0.format != SANE_FRAME_RGB;
  if (three_pass && (plane[0] == nullptr || plane[1] == nullptr || plane[2] == nullptr)) {
    SLOG("twain", SLOG_ERROR, "three-pass scan without all three frames");
    return nullptr;
  }
  if (lines <= 0) {
    SLOG("twain", SLOG_ERROR, "no lines");
    return nullptr;
  }
  const int bits = channels * depth;
  const std::size_t row = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
  const int table = bits == 8 ? 256 : 0;
  const std::size_t offset = 40 + 4 * static_cast<std::size_t>(table);
  auto dib = std::make_unique<std::vector<uint8_t>>(offset + row * lines, 0);
  uint8_t* h = dib->data();
  auto put32 = [](uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
  };
  const int32_t ppm = dpi > 0 ? static_cast<int32_t>(std::lround(dpi / 0.0254)) : 0;
  put32(h + 0, 40);
  put32(h + 4, static_cast<uint32_t>(width));
  put32(h + 8, static_cast<uint32_t>(lines));
  h[12] = 1;
  h[14] = static_cast<uint8_t>(bits);
  put32(h + 20, static_cast<uint32_t>(row * lines));
  put32(h + 24, static_cast<uint32_t>(ppm));
  put32(h + 28, static_cast<uint32_t>(ppm));
  put32(h + 32, static_cast<uint32_t>(table));
  for (int i = 0; i < table; ++i) h[40 + 4 * i] = h[41 + 4 * i] = h[42 + 4 * i] = static_cast<uint8_t>(i);

  // DIB sample k of a colour pixel is blue, green, red: source channel 2 - k.
  for (long y = 0; y < lines; ++y) {
    uint8_t* out = h + offset + row * static_cast<std::size_t>(lines - 1 - y);
    for (int x = 0; x < width; ++x) {
      for (int k = 0; k < channels; ++k) {
        const int c = colour ? 2 - k : 0;
        const uint8_t* src;
        if (three_pass)
          src = plane[c]->data.data() + y * bpl + static_cast<std::size_t>(x) * bytes;
        else
          src = frames.front().data.data() + y * bpl +
                (static_cast<std::size_t>(x) * in_ch + c) * bytes;
        uint8_t* dst = out + (static_cast<std::size_t>(x) * channels + k) * bytes;
        if (bytes == 1) {
          *dst = *src;
        } else {
          const uint16_t v = sample16(src);
          dst[0] = static_cast<uint8_t>(v);
          dst[1] = static_cast<uint8_t>(v >> 8);
        }
      }
    }
  }
  return dib;
}

// Shows the settings dialog and applies its answer. False: cancelled.
bool settings_dialog() {
  if (s_hide_ui || s_dialog == nullptr) return true;
  TwainDialogSettings s;
  const Opt mode = find_opt(SANE_NAME_SCAN_MODE);
  s.modes = string_choices(mode);
  s.mode = get_string(mode);
  const Opt depth = find_opt(SANE_NAME_BIT_DEPTH);
  s.depths = word_choices(depth);
  double v = 8;
  get_number(depth, &v);
  s.depth = static_cast<int>(v);
  const Opt res = find_opt(SANE_NAME_SCAN_RESOLUTION);
  get_number(res, &s.resolution);
  range_of(res, &s.resolution_min, &s.resolution_max);
  const Opt src = find_opt(SANE_NAME_SCAN_SOURCE);
  s.sources = string_choices(src);
  s.source = get_string(src);
  const TwainDialogSettings before = s;
  if (s_dialog(s_open_name.c_str(), &s) == 0) {
    SLOG("twain", SLOG_VALUE4, "settings dialog cancelled");
    return false;
  }
  // Only what the user changed goes to the device.
  if (s.mode != before.mode) set_string(find_opt(SANE_NAME_SCAN_MODE), s.mode);
  if (s.depth != before.depth) set_number(find_opt(SANE_NAME_BIT_DEPTH), s.depth);
  if (s.resolution != before.resolution && s.resolution > 0)
    set_number(find_opt(SANE_NAME_SCAN_RESOLUTION), s.resolution);
  if (s.source != before.source) set_string(find_opt(SANE_NAME_SCAN_SOURCE), s.source);
  return true;
}

TwainDib acquire() {
  if (s_handle == nullptr) {
    SLOG("twain", SLOG_ERROR, "no source open");
    return nullptr;
  }
  if (!settings_dialog()) return nullptr;
  double dpi = 0;
  get_number(find_opt(SANE_NAME_SCAN_RESOLUTION), &dpi);
  std::vector<Frame> frames;
  for (;;) {
    frames.emplace_back();
    if (!read_frame(&frames.back())) {
      // A read can fail while the backend's reader thread is still starting. Some backends
      // end that thread with an asynchronous cancel, which leaves the memory allocator locked
      // when it lands inside an allocation, and every later allocation of that size then
      // waits for ever. A short pause lets the reader get past its start before the cancel.
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      sane_cancel(s_handle);
      return nullptr;
    }
    if (frames.back().p.last_frame || frames.size() >= 3) break;
  }
  sane_cancel(s_handle);
  return assemble(frames, dpi);
}

}  // namespace

BOOL TWAIN_IsAvailable() { return sane_up() ? TRUE : FALSE; }

BOOL TWAIN_GetSourceList() {
  if (!sane_up()) return FALSE;
  read_sources();
  s_next = 0;
  return TRUE;
}

BOOL TWAIN_GetNextSourceName(char* name) {
  if (name == nullptr || s_next >= s_sources.size()) return FALSE;
  std::snprintf(name, TWAIN_NAME_BUF, "%s", s_sources[s_next++].name.c_str());
  return TRUE;
}

BOOL TWAIN_OpenSource(const char* name) {
  TWAIN_CloseSource();
  if (name == nullptr || !sane_up()) return FALSE;
  if (s_sources.empty()) read_sources();
  for (int pass = 0; pass < 2; ++pass) {
    for (const Source& s : s_sources) {
      if (s.name != name) continue;
      const SANE_Status st = sane_open(s.device.c_str(), &s_handle);
      if (st != SANE_STATUS_GOOD) {
        SLOG("twain", SLOG_ERROR, "cannot open <%s> (%s): %s", name, s.device.c_str(),
             sane_strstatus(st));
        s_handle = nullptr;
        return FALSE;
      }
      s_open_name = s.name;
      SLOG("twain", SLOG_VALUE4, "opened <%s> as %s", name, s.device.c_str());
      return TRUE;
    }
    read_sources();  // plugged in since the last enumeration
  }
  SLOG("twain", SLOG_ERROR, "no source <%s>", name);
  return FALSE;
}

void TWAIN_CloseSource() {
  if (s_handle != nullptr) sane_close(s_handle);
  s_handle = nullptr;
  s_open_name.clear();
}

BOOL TWAIN_IsSourceOpen() { return s_handle != nullptr ? TRUE : FALSE; }

void TWAIN_SetHideUI(int hide) { s_hide_ui = hide; }
int TWAIN_GetHideUI() { return s_hide_ui; }

void TWAIN_ResetImageLayout() {
  for (int k = 0; k < 4; ++k) {
    Opt o;
    double lo = 0, hi = 0;
    if (layout_opt(k, &o) && range_of(o, &lo, &hi)) set_number(o, k < 2 ? lo : hi);
  }
}

BOOL TWAIN_SetPixelType(int pixel_type) {
  const std::string m = mode_for(pixel_type);
  if (m.empty()) {
    SLOG("twain", SLOG_ERROR, "pixel type %d refused", pixel_type);
    return FALSE;
  }
  return set_string(find_opt(SANE_NAME_SCAN_MODE), m) ? TRUE : FALSE;
}

int TWAIN_GetPixelType() {
  const std::string m = get_string(find_opt(SANE_NAME_SCAN_MODE));
  if (m.empty()) return -1;
  if (m == mode_for(TWPT_RGB)) return TWPT_RGB;
  if (m == mode_for(TWPT_GRAY)) return TWPT_GRAY;
  return 0;
}

BOOL TWAIN_SetBitDepth(int bits) {
  int per_sample = bits;
  if (bits == 24 || bits == 48) {
    if (!TWAIN_SetPixelType(TWPT_RGB)) return FALSE;
    per_sample = bits / 3;
  } else if (bits != 8 && bits != 16) {
    return FALSE;
  }
  const Opt o = find_opt(SANE_NAME_BIT_DEPTH);
  if (!is_number(o)) return FALSE;
  const std::vector<int> allowed = word_choices(o);
  if (!allowed.empty() && std::find(allowed.begin(), allowed.end(), per_sample) == allowed.end()) {
    SLOG("twain", SLOG_ERROR, "bit depth %d refused", bits);
    return FALSE;
  }
  return set_number(o, per_sample) ? TRUE : FALSE;
}

int TWAIN_GetBitDepth() {
  double d = 0;
  if (!get_number(find_opt(SANE_NAME_BIT_DEPTH), &d)) return -1;
  return static_cast<int>(d) * (TWAIN_GetPixelType() == TWPT_RGB ? 3 : 1);
}

BOOL TWAIN_SetCapOneValue(unsigned cap, unsigned item_type, long value) {
  if (cap != TWCAP_LAMPSTATE || item_type != TWTY_BOOL) return FALSE;
  const Opt o = find_opt("lamp-switch");
  if (!o || o->type != SANE_TYPE_BOOL || !SANE_OPTION_IS_SETTABLE(o->cap)) {
    SLOG("twain", SLOG_VALUE4, "no lamp switch: lamp state ignored");
    return FALSE;
  }
  SANE_Word w = value ? SANE_TRUE : SANE_FALSE;
  return sane_control_option(s_handle, o.index, SANE_ACTION_SET_VALUE, &w, nullptr) ==
                 SANE_STATUS_GOOD
             ? TRUE
             : FALSE;
}

BOOL TWAIN_SetCapFix32(unsigned cap, double value) {
  if (cap != TWCAP_EXPOSURETIME) return FALSE;
  const Opt o = find_opt_if([](const SANE_Option_Descriptor* d) {
    return std::strstr(d->name, "exposure") != nullptr && d->unit == SANE_UNIT_MICROSECOND;
  });
  if (!is_number(o)) {
    SLOG("twain", SLOG_VALUE4, "no exposure time option: %.4f s ignored", value);
    return FALSE;
  }
  return set_number(o, value * 1e6) ? TRUE : FALSE;
}

double TWAIN_GetCapValue(unsigned cap, double fallback) {
  double v = 0, lo = 0, hi = 0;
  Opt o;
  switch (cap) {
    case TWCAP_PHYSICALWIDTH:
    case TWCAP_PHYSICALHEIGHT:
      if (layout_opt(cap == TWCAP_PHYSICALWIDTH ? 2 : 3, &o) && range_of(o, &lo, &hi))
        return hi / 25.4;
      break;
    case TWCAP_XRESOLUTION:
    case TWCAP_YRESOLUTION:
      if (get_number(find_opt(SANE_NAME_SCAN_RESOLUTION), &v)) return v;
      break;
    case TWCAP_BITDEPTH: {
      const int d = TWAIN_GetBitDepth();
      if (d > 0) return d;
      break;
    }
    case TWCAP_PIXELTYPE: {
      const int t = TWAIN_GetPixelType();
      if (t > 0) return t;
      break;
    }
    case TWCAP_LIGHTPATH: {
      const int l = TWAIN_QueryLightPath();
      if (l >= 0) return l;
      break;
    }
    case TWCAP_BRIGHTNESS:
      o = find_opt(SANE_NAME_BRIGHTNESS);
      if (get_number(o, &v) && range_of(o, &lo, &hi) && hi > lo)
        return -100.0 + 200.0 * (v - lo) / (hi - lo);
      break;
    default:
      break;
  }
  return fallback;
}

BOOL TWAIN_SetCurrentResolution(double dpi) {
  if (dpi == -1.0) return TRUE;
  return set_number(find_opt(SANE_NAME_SCAN_RESOLUTION), dpi) ? TRUE : FALSE;
}

BOOL TWAIN_SetLightPath(int transmissive) {
  const Opt o = find_opt(SANE_NAME_SCAN_SOURCE);
  for (const auto& s : string_choices(o))
    if (transmissive_entry(s) == (transmissive != 0)) return set_string(o, s) ? TRUE : FALSE;
  SLOG("twain", SLOG_VALUE4, "light path %d refused", transmissive);
  return FALSE;
}

int TWAIN_QueryLightPath() {
  const Opt o = find_opt(SANE_NAME_SCAN_SOURCE);
  if (!o) return -1;
  return transmissive_entry(get_string(o)) ? 1 : 0;
}

BOOL TWAIN_SetPlanarChunky(int planar) { return planar == 0 ? TRUE : FALSE; }
int TWAIN_GetPlanarChunky() { return 0; }
BOOL TWAIN_SetPixelFlavor(int flavor) { return flavor == 0 ? TRUE : FALSE; }
BOOL TWAIN_SetCurrentUnits(int units) { return units == 0 ? TRUE : FALSE; }

BOOL TWAIN_GetImageLayout(double* left, double* top, double* right, double* bottom) {
  double* out[4] = {left, top, right, bottom};
  for (int k = 0; k < 4; ++k) {
    Opt o;
    double v = 0;
    if (!layout_opt(k, &o) || !get_number(o, &v)) return FALSE;
    if (out[k] != nullptr) *out[k] = v / 25.4;
  }
  return TRUE;
}

BOOL TWAIN_SetImageLayout(double left, double top, double right, double bottom) {
  const double in[4] = {left, top, right, bottom};
  Opt o[4];
  for (int k = 0; k < 4; ++k)
    if (!layout_opt(k, &o[k])) return FALSE;
  // The bottom-right corner first when the area grows, so that tl never passes br.
  bool ok = true;
  for (int k : {2, 3, 0, 1}) ok = set_number(o[k], in[k] * 25.4) && ok;
  return ok ? TRUE : FALSE;
}

BOOL TWAIN_SetBrightness(double brightness) {
  const Opt o = find_opt(SANE_NAME_BRIGHTNESS);
  double lo = 0, hi = 0;
  if (!range_of(o, &lo, &hi)) {
    SLOG("twain", SLOG_VALUE4, "no brightness option");
    return FALSE;
  }
  const double b = std::clamp(brightness, -100.0, 100.0);
  return set_number(o, lo + (b + 100.0) / 200.0 * (hi - lo)) ? TRUE : FALSE;
}

BOOL TWAIN_SetXferMech(int mech) {
  return mech == TWSX_NATIVE || mech == TWSX_MEMORY ? TRUE : FALSE;
}

TwainDib TWAIN_AcquireNative(void* /*owner*/, unsigned /*pixel_types*/) { return acquire(); }
TwainDib TWAIN_AcquireMemory(void* /*owner*/) { return acquire(); }

void TWAIN_SetAppTitle(const char* title) {
  s_title = title ? title : "";
  SLOG("twain", SLOG_VALUE4, "application title <%s>", s_title.c_str());
}

void TWAIN_SetSettingsDialog(TwainSettingsDialog dialog) { s_dialog = dialog; }

void TWAIN_SetEventPump(void (*pump)()) {
  s_pump = pump;
  s_pump_thread = std::this_thread::get_id();
}

void TWAIN_ResetForTests() {
  TWAIN_CloseSource();
  if (s_sane_up) sane_exit();
  s_sane_up = false;
  s_sources.clear();
  s_next = 0;
}
