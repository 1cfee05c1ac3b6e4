// A SANE configuration folder of the test's own with only the test backend, whose test.conf the
// test writes, and a direct SANE read to compare the sources' bitmaps with.
#pragma once

#include <dlfcn.h>
#include <sane/sane.h>
#include <sane/saneopts.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "test_support.h"
#include "twain/twain_ops.h"

#ifndef SANE_TEST_BACKEND
#define SANE_TEST_BACKEND "/usr/lib/x86_64-linux-gnu/sane/libsane-test.so.1"
#endif

namespace vxtest {

// Writes dll.conf and test.conf (the project's tests/sane/test.conf with `changes` applied:
// option name -> value text) and points SANE at them. SANE starts afresh at the next use. SANE
// keeps the configuration folder it first found for the whole process, so every configuration
// of a test program lives in one folder of its own, removed when the program ends.
using SaneConf = std::map<std::string, std::string>;

class SaneConfig {
 public:
  explicit SaneConfig(const SaneConf& changes = {}) { write(changes); }
  SaneConfig(const SaneConfig&) = delete;
  SaneConfig& operator=(const SaneConfig&) = delete;
  ~SaneConfig() { TWAIN_ResetForTests(); }

  // `backends`: the lines of dll.conf (empty: no device at all).
  void write(const SaneConf& changes, const std::string& backends = "test\n") {
    TWAIN_ResetForTests();
    std::ofstream(dir_.file("dll.conf")) << backends;
    std::ifstream in(source_dir() / "tests/sane/test.conf");
    std::ofstream out(dir_.file("test.conf"));
    std::map<std::string, std::string> left = changes;
    for (std::string line; std::getline(in, line);) {
      const std::string key = line.substr(0, line.find(' '));
      auto it = left.find(key);
      if (it != left.end()) {
        out << key << ' ' << it->second << '\n';
        left.erase(it);
      } else {
        out << line << '\n';
      }
    }
    for (const auto& [k, v] : left) out << k << ' ' << v << '\n';
    out.close();
    setenv("SANE_CONFIG_DIR", dir_.str().c_str(), 1);
  }

 private:
  static TempDir& folder() {
    static TempDir dir;
    // SANE unloads its backends at exit; kept loaded, the test backend stays named in the leak
    // checker's reports (see lsan_sane.cpp).
    static void* backend = dlopen(SANE_TEST_BACKEND, RTLD_NOW | RTLD_LOCAL);
    (void)backend;
    return dir;
  }
  TempDir& dir_ = folder();
};

// One frame of a direct read.
struct RawFrame {
  SANE_Parameters p{};
  std::vector<uint8_t> data;
};

// Reads device `dev` directly with the options given (name -> string or number), SANE already
// started (the sources' use starts it). Empty on any error.
inline std::vector<RawFrame> direct_read(const char* dev,
                                         const std::vector<std::pair<std::string, std::string>>& opts) {
  std::vector<RawFrame> frames;
  SANE_Handle h = nullptr;
  if (sane_open(dev, &h) != SANE_STATUS_GOOD) return {};
  for (const auto& [name, value] : opts) {
    for (SANE_Int i = 1;; ++i) {
      const SANE_Option_Descriptor* d = sane_get_option_descriptor(h, i);
      if (d == nullptr) break;
      if (d->name == nullptr || name != d->name) continue;
      if (d->type == SANE_TYPE_STRING) {
        std::vector<char> buf(d->size + value.size() + 1, '\0');
        std::memcpy(buf.data(), value.c_str(), value.size());
        sane_control_option(h, i, SANE_ACTION_SET_VALUE, buf.data(), nullptr);
      } else {
        SANE_Word w = d->type == SANE_TYPE_FIXED ? SANE_FIX(std::atof(value.c_str()))
                                                 : std::atoi(value.c_str());
        sane_control_option(h, i, SANE_ACTION_SET_VALUE, &w, nullptr);
      }
      break;
    }
  }
  for (;;) {
    RawFrame f;
    if (sane_start(h) != SANE_STATUS_GOOD || sane_get_parameters(h, &f.p) != SANE_STATUS_GOOD) {
      frames.clear();
      break;
    }
    std::vector<SANE_Byte> buf(4096);
    SANE_Status st;
    SANE_Int n = 0;
    while ((st = sane_read(h, buf.data(), static_cast<SANE_Int>(buf.size()), &n)) == SANE_STATUS_GOOD)
      f.data.insert(f.data.end(), buf.data(), buf.data() + n);
    frames.push_back(f);
    if (st != SANE_STATUS_EOF) {
      frames.clear();
      break;
    }
    if (f.p.last_frame) break;
  }
  sane_cancel(h);
  sane_close(h);
  return frames;
}

// Sample c (0 red, 1 green, 2 blue; 0 for grey) of pixel (x, y), y counted from the top.
inline unsigned raw_sample(const std::vector<RawFrame>& frames, int x, int y, int c) {
  const SANE_Parameters& p = frames.front().p;
  const int bytes = p.depth / 8;
  const uint8_t* at;
  if (p.format == SANE_FRAME_GRAY || p.format == SANE_FRAME_RGB) {
    const int ch = p.format == SANE_FRAME_RGB ? 3 : 1;
    at = frames.front().data.data() + static_cast<std::size_t>(y) * p.bytes_per_line +
         (static_cast<std::size_t>(x) * ch + c) * bytes;
  } else {
    const SANE_Frame want = c == 0 ? SANE_FRAME_RED : c == 1 ? SANE_FRAME_GREEN : SANE_FRAME_BLUE;
    const RawFrame* f = nullptr;
    for (const auto& fr : frames)
      if (fr.p.format == want) f = &fr;
    at = f->data.data() + static_cast<std::size_t>(y) * p.bytes_per_line +
         static_cast<std::size_t>(x) * bytes;
  }
  if (bytes == 1) return *at;
  uint16_t v;
  std::memcpy(&v, at, 2);
  return v;
}

}  // namespace vxtest
