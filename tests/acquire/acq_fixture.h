// Helpers of the import and export tests: running the outside tools that make fixtures and
// decode them as references, reading the pixel file and info file an import wrote, and
// loading the resource modules of the dialogs.
#pragma once

#include <gtest/gtest.h>

#include <QTimer>
#include <algorithm>
#include <functional>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "io/analysis.h"
#include "io/byte_io.h"
#include "io/info_file.h"
#include "model/img_info.h"
#include "test_support.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"

namespace acqtest {

inline std::string q(const std::string& s) { return "'" + s + "'"; }

inline void write_file(const std::string& path, const std::vector<uint8_t>& b) {
  vxtest::write_bytes(path, std::vector<unsigned char>(b.begin(), b.end()));
}

// Runs a shell command; fails the test when it does not succeed.
inline bool run(const std::string& cmd) {
  const int r = std::system((cmd + " >/dev/null 2>&1").c_str());
  EXPECT_EQ(r, 0) << cmd;
  return r == 0;
}

inline void load_resources() {
  if (RES_HasWindow("ui_tifsav", "WinTifsav")) return;
  for (const auto& e : std::filesystem::directory_iterator(vxtest::source_dir() / "resources"))
    if (e.path().extension() == ".res") RES_OpenFile("gt", e.path().c_str());
  ASSERT_TRUE(RES_HasWindow("ui_tifsav", "WinTifsav"));
}

// Runs `act` on the window once it shows (the modal loop that shows it runs the timer).
inline void when_shown(const char* module, const char* window, std::function<void(TK_OBJ)> act) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, module, window, act] {
    TK_OBJ win = TKT_FindWindow(module, window);
    if (win == nullptr) return;
    timer->stop();
    timer->deleteLater();
    act(win);
  });
  timer->start();
}

// A pixel file: its header and its values (2-byte values little-endian).
struct Kes {
  int bpp = 0;
  int width = 0, height = 0;
  std::vector<int> v;
};

inline Kes read_kes(const std::string& path) {
  Kes k;
  std::vector<uint8_t> f;
  if (!io_read_whole_file(path.c_str(), f) || f.size() < 12) {
    ADD_FAILURE() << "cannot read " << path;
    return k;
  }
  ByteReader r(f);
  uint16_t bpp = 0;
  int32_t w = 0, h = 0;
  r.skip(2);
  r.u16(bpp);
  r.i32(w);
  r.i32(h);
  k.bpp = bpp;
  k.width = w;
  k.height = h;
  const std::size_t n = std::size_t(w) * h;
  EXPECT_EQ(f.size(), 12 + n * bpp) << path;
  for (std::size_t i = 0; i < n && r.ok(); ++i) {
    if (bpp == 2) {
      uint16_t v = 0;
      r.u16(v);
      k.v.push_back(v);
    } else {
      uint8_t v = 0;
      r.u8(v);
      k.v.push_back(v);
    }
  }
  return k;
}

// The info file beside a pixel file: its header and its lookup's points.
struct Info {
  IMG_INFO h{};
  int interp = -1;
  int range = -1;
  std::vector<int> dig;
  std::vector<double> val;
};

inline Info read_info(const std::string& kes_path) {
  Info info;
  ANALYSIS_ENTRY** list = nullptr;
  const int n = io_read_inf(kes_path.c_str(), &list, 0);
  EXPECT_GT(n, 0) << kes_path;
  for (int i = 0; i < n; ++i) {
    if (list[i]->type == 1 && list[i]->record) info.h = *static_cast<IMG_INFO*>(list[i]->record);
    if (list[i]->type == 2 && list[i]->record) {
      const auto* l = static_cast<IMG_INT_INFO*>(list[i]->record);
      info.interp = l->interp_type;
      info.range = l->dig_val_range;
      for (int k = 0; k < l->wedge_count; ++k) {
        info.dig.push_back(l->dig_values[k]);
        info.val.push_back(l->wedge_values[k]);
      }
    }
  }
  if (list) io_free_analysis_list(list, n);
  return info;
}

// The SHORT and LONG values of every tag of a TIFF's first directory, in the file's byte order.
inline std::map<int, std::vector<uint32_t>> tiff_tags(const std::vector<uint8_t>& f) {
  std::map<int, std::vector<uint32_t>> tags;
  ByteReader r(f, !f.empty() && f[0] == 'M');
  uint32_t ifd = 0;
  uint16_t n = 0;
  r.seek(4);
  r.u32(ifd);
  r.seek(ifd);
  r.u16(n);
  for (int i = 0; i < n && r.ok(); ++i) {
    uint16_t tag = 0, type = 0;
    uint32_t count = 0, value = 0;
    r.u16(tag);
    r.u16(type);
    r.u32(count);
    const std::size_t at = r.pos();
    r.u32(value);
    if (type != 3 && type != 4) continue;
    const int w = type == 3 ? 2 : 4;
    ByteReader a(f, r.big_endian());
    a.seek(uint64_t(count) * w <= 4 ? at : value);
    std::vector<uint32_t>& dst = tags[tag];
    for (uint32_t k = 0; k < count && a.ok(); ++k) {
      uint32_t v = 0;
      if (w == 2) {
        uint16_t s = 0;
        a.u16(s);
        v = s;
      } else {
        a.u32(v);
      }
      dst.push_back(v);
    }
  }
  return tags;
}

// Samples of a TIFF as libtiff decodes them: tiffcp rewrites it little-endian, uncompressed,
// in one strip, and the strip is read from there (values per sample, row by row).
inline std::vector<int> libtiff_samples(const std::string& tif, const std::string& work,
                                        int* bits_out = nullptr, int* spp_out = nullptr) {
  const std::string plain = work + ".plain.tif";
  std::vector<int> out;
  if (!run("tiffcp -L -c none -r 1000000 " + q(tif) + " " + q(plain))) return out;
  std::vector<uint8_t> f;
  io_read_whole_file(plain.c_str(), f);
  auto tags = tiff_tags(f);
  auto first = [&](int tag, uint32_t dflt) { return tags[tag].empty() ? dflt : tags[tag][0]; };
  const uint32_t w = first(256, 0), h = first(257, 0), bits = first(258, 8), spp = first(277, 1);
  ByteReader p(f);
  p.seek(first(273, 0));
  for (uint64_t i = 0; i < uint64_t(w) * h * spp; ++i) {
    if (bits == 16) {
      uint16_t v = 0;
      p.u16(v);
      out.push_back(v);
    } else {
      uint8_t v = 0;
      p.u8(v);
      out.push_back(v);
    }
  }
  EXPECT_TRUE(p.ok()) << tif;
  if (bits_out) *bits_out = static_cast<int>(bits);
  if (spp_out) *spp_out = static_cast<int>(spp);
  return out;
}

// The strips of a TIFF's first directory (offset and byte count), read for the tests that
// hand single strips to the decoder.
inline std::vector<std::pair<uint32_t, uint32_t>> tiff_strips(const std::vector<uint8_t>& f) {
  auto tags = tiff_tags(f);
  std::vector<std::pair<uint32_t, uint32_t>> strips;
  for (std::size_t k = 0; k < tags[273].size() && k < tags[279].size(); ++k)
    strips.emplace_back(tags[273][k], tags[279][k]);
  return strips;
}

// Writes `w` x `h` 8-bit grey samples as the LZW TIFF `tif` (libtiff's encoder, `rows` rows a
// strip), by way of a raw file and an uncompressed TIFF beside it. false when a tool failed.
inline bool write_lzw_grey_tiff(const std::string& tif, int w, int h,
                                const std::vector<uint8_t>& px, int rows) {
  const std::string size = std::to_string(w) + "x" + std::to_string(h);
  write_file(tif + ".gray", px);
  return run("convert -size " + size + " -depth 8 gray:" + q(tif + ".gray") + " -compress none " +
             q(tif + ".src.tif")) &&
         run("tiffcp -c lzw -r " + std::to_string(rows) + " " + q(tif + ".src.tif") + " " + q(tif));
}

// A binary PGM or PPM (as djpeg writes them): size, samples per pixel and the samples.
struct Pnm {
  int width = 0, height = 0, channels = 0;
  std::vector<int> v;
};

inline Pnm read_pnm(const std::string& path) {
  Pnm p;
  std::vector<uint8_t> f;
  if (!io_read_whole_file(path.c_str(), f) || f.size() < 2 || f[0] != 'P') {
    ADD_FAILURE() << "cannot read " << path;
    return p;
  }
  p.channels = f[1] == '6' ? 3 : 1;
  std::size_t pos = 2;
  auto number = [&]() {
    while (pos < f.size() && (f[pos] == ' ' || f[pos] == '\n' || f[pos] == '\r' || f[pos] == '\t' || f[pos] == '#')) {
      if (f[pos] == '#') while (pos < f.size() && f[pos] != '\n') ++pos;
      else ++pos;
    }
    int v = 0;
    while (pos < f.size() && f[pos] >= '0' && f[pos] <= '9') v = v * 10 + (f[pos++] - '0');
    return v;
  };
  p.width = number();
  p.height = number();
  number();  // maximum value
  ++pos;
  for (std::size_t i = pos; i < f.size(); ++i) p.v.push_back(f[i]);
  EXPECT_EQ(p.v.size(), std::size_t(p.width) * p.height * p.channels) << path;
  return p;
}

inline void write_pnm(const std::string& path, int w, int h, int channels,
                      const std::vector<uint8_t>& samples) {
  std::string head = (channels == 3 ? "P6\n" : "P5\n") + std::to_string(w) + " " +
                     std::to_string(h) + "\n255\n";
  std::vector<uint8_t> b(head.begin(), head.end());
  b.insert(b.end(), samples.begin(), samples.end());
  write_file(path, b);
}

// Deterministic test pixels.
inline std::vector<uint8_t> pattern(std::size_t n, uint32_t seed) {
  std::vector<uint8_t> b(n);
  uint32_t s = seed;
  for (std::size_t i = 0; i < n; ++i) {
    s = s * 1103515245u + 12345u;
    b[i] = static_cast<uint8_t>((i % 7) * 30 + ((s >> 16) & 15));
  }
  return b;
}

// A little-endian TIFF built entry by entry: values that do not fit the entry go to a data
// area after the directory; the pixels go last.
struct TiffBuilder {
  struct E {
    int tag, type;
    std::vector<uint32_t> values;  // SHORT/LONG values, or RATIONAL pairs
  };
  std::vector<E> entries;
  std::vector<uint8_t> pixels;
  std::vector<int> strip_rows;  // rows of each strip (for StripOffsets/StripByteCounts)
  int row_bytes = 0;
  bool auto_strips = true;

  TiffBuilder& tag(int t, int type, std::vector<uint32_t> v) {
    entries.push_back({t, type, std::move(v)});
    return *this;
  }
  std::vector<uint8_t> build() const {
    std::vector<E> es = entries;
    std::sort(es.begin(), es.end(), [](const E& a, const E& b) { return a.tag < b.tag; });
    const uint32_t ifd = 8, n = static_cast<uint32_t>(es.size());
    uint32_t data = ifd + 2 + 12 * n + 4;
    std::vector<uint8_t> head(data), area;
    auto p16 = [](std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
      b[at] = uint8_t(v);
      b[at + 1] = uint8_t(v >> 8);
    };
    auto p32 = [&](std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
      p16(b, at, v);
      p16(b, at + 2, v >> 16);
    };
    head[0] = head[1] = 'I';
    p16(head, 2, 42);
    p32(head, 4, ifd);
    p16(head, ifd, n);
    // The pixel data starts after the header and the data area: compute the area first.
    std::vector<std::pair<std::size_t, std::vector<uint8_t>>> blobs;
    for (std::size_t i = 0; i < es.size(); ++i) {
      const E& e = es[i];
      const std::size_t at = ifd + 2 + 12 * i;
      const int w = e.type == 3 ? 2 : e.type == 5 ? 4 : 4;
      const uint32_t count = e.type == 5 ? uint32_t(e.values.size() / 2) : uint32_t(e.values.size());
      p16(head, at, e.tag);
      p16(head, at + 2, e.type);
      p32(head, at + 4, count);
      std::vector<uint8_t> bytes(e.values.size() * w);
      for (std::size_t k = 0; k < e.values.size(); ++k)
        w == 2 ? p16(bytes, k * 2, e.values[k]) : p32(bytes, k * 4, e.values[k]);
      if (bytes.size() <= 4) {
        for (std::size_t k = 0; k < bytes.size(); ++k) head[at + 8 + k] = bytes[k];
      } else {
        p32(head, at + 8, data + static_cast<uint32_t>(area.size()));
        area.insert(area.end(), bytes.begin(), bytes.end());
      }
    }
    std::vector<uint8_t> f = head;
    f.insert(f.end(), area.begin(), area.end());
    f.insert(f.end(), pixels.begin(), pixels.end());
    return f;
  }
  // Offset the pixels will have (header, directory and data area before them).
  uint32_t pixel_offset() const {
    TiffBuilder copy = *this;
    copy.pixels.clear();
    return static_cast<uint32_t>(copy.build().size());
  }
};

// An 8-bit black-is-zero image of w x h with `strips` strips of rps rows, uncompressed.
inline TiffBuilder grey8(int w, int h, int rps, std::vector<uint8_t> px) {
  TiffBuilder b;
  b.pixels = std::move(px);
  b.tag(256, 4, {uint32_t(w)}).tag(257, 4, {uint32_t(h)}).tag(258, 3, {8}).tag(259, 3, {1});
  b.tag(262, 3, {1}).tag(277, 3, {1}).tag(278, 4, {uint32_t(rps)});
  const int strips = (h + rps - 1) / rps;
  std::vector<uint32_t> offs(strips, 0), counts;
  for (int s = 0; s < strips; ++s) counts.push_back(uint32_t(std::min(rps, h - s * rps) * w));
  b.tag(273, 4, offs).tag(279, 4, counts);
  // Fix the offsets now that the layout is known (their count does not change it).
  const uint32_t base = b.pixel_offset();
  for (auto& e : b.entries)
    if (e.tag == 273)
      for (int s = 0; s < strips; ++s) e.values[s] = base + uint32_t(s * rps * w);
  return b;
}

inline void set_tag(TiffBuilder& b, int tag, int type, std::vector<uint32_t> v) {
  for (auto& e : b.entries)
    if (e.tag == tag) {
      e.type = type;
      e.values = std::move(v);
      return;
    }
  b.tag(tag, type, std::move(v));
}

inline void drop_tag(TiffBuilder& b, int tag) {
  b.entries.erase(std::remove_if(b.entries.begin(), b.entries.end(),
                                 [tag](const TiffBuilder::E& e) { return e.tag == tag; }),
                  b.entries.end());
}

}  // namespace acqtest
