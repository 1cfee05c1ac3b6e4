// Every message number the program uses has a text in the installed resource file, and each
// text's printf conversions are exactly the arguments its callers pass.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"
#include "toolkit/tk_res.h"

namespace {

// The conversions of a format, one letter each: s text, d int, l long; "" for none. Any other
// conversion gives "?".
std::string conversions(const std::string& f) {
  std::string out;
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (f[i] != '%') continue;
    if (++i < f.size() && f[i] == '%') continue;
    while (i < f.size() && std::string("-+ #0123456789.").find(f[i]) != std::string::npos) ++i;
    if (f.compare(i, 2, "ld") == 0) {
      out += 'l';
      ++i;
    } else if (i < f.size() && (f[i] == 's' || f[i] == 'd')) {
      out += f[i];
    } else {
      out += '?';
    }
  }
  return out;
}

struct Msg {
  const char* module;
  long number;
  const char* args;
};

// The numbers the program uses, with the arguments it passes.
const Msg kMessages[] = {
    {"gt_msg", 0, ""},    {"gt_msg", 2, "s"},   {"gt_msg", 10, ""},   {"gt_msg", 11, ""},
    {"gt_msg", 13, ""},   {"gt_msg", 14, ""},   {"gt_msg", 16, ""},   {"gt_msg", 17, ""},
    {"gt_msg", 22, ""},   {"gt_msg", 23, ""},   {"gt_msg", 24, ""},   {"gt_msg", 25, ""},
    {"gt_msg", 27, ""},   {"gt_msg", 28, ""},   {"gt_msg", 32, ""},   {"gt_msg", 33, ""},
    {"gt_msg", 34, ""},   {"gt_msg", 35, ""},   {"gt_msg", 36, ""},   {"gt_msg", 37, ""},
    {"gt_msg", 38, ""},   {"gt_msg", 39, ""},   {"gt_msg", 40, ""},   {"gt_msg", 41, ""},
    {"gt_msg", 42, ""},   {"gt_msg", 43, ""},   {"gt_msg", 46, ""},   {"gt_msg", 47, ""},
    {"gt_msg", 48, ""},   {"gt_msg", 50, ""},   {"gt_msg", 51, ""},   {"gt_msg", 52, ""},
    {"gt_msg", 53, ""},   {"gt_msg", 55, ""},   {"gt_msg", 57, ""},   {"gt_msg", 58, "s"},
    {"gt_msg", 59, "s"},  {"gt_msg", 60, ""},   {"gt_msg", 61, ""},   {"gt_msg", 62, ""},
    {"gt_msg", 63, ""},   {"gt_msg", 64, "s"},  {"gt_msg", 65, ""},   {"gt_msg", 67, ""},
    {"gt_msg", 73, "d"},  {"gt_msg", 75, "d"},  {"gt_msg", 78, ""},   {"gt_msg", 79, ""},
    {"gt_msg", 80, "s"},  {"gt_msg", 81, ""},   {"gt_msg", 82, ""},   {"gt_msg", 84, ""},
    {"gt_msg", 85, ""},   {"gt_msg", 86, ""},   {"gt_msg", 87, "s"},  {"gt_msg", 88, "s"},
    {"gt_msg", 89, "s"},  {"gt_msg", 90, ""},   {"gt_msg", 91, "d"},  {"gt_msg", 92, ""},
    {"gt_msg", 93, ""},   {"gt_msg", 94, "s"},  {"gt_msg", 95, ""},   {"gt_msg", 96, ""},
    {"gt_msg", 98, ""},   {"gt_msg", 99, ""},   {"gt_msg", 100, ""},  {"gt_msg", 101, ""},
    {"gt_msg", 102, ""},  {"gt_msg", 103, ""},  {"gt_msg", 104, ""},  {"gt_msg", 105, ""},
    {"gt_msg", 106, ""},  {"gt_msg", 107, ""},  {"gt_msg", 108, ""},  {"gt_msg", 109, ""},
    {"gt_msg", 110, ""},  {"gt_msg", 111, ""},  {"gt_msg", 112, ""},  {"gt_msg", 113, ""},
    {"gt_msg", 114, ""},  {"gt_msg", 115, ""},  {"gt_msg", 116, ""},  {"gt_msg", 117, ""},
    {"gt_msg", 118, ""},  {"gt_msg", 119, ""},  {"gt_msg", 120, ""},  {"gt_msg", 121, ""},
    {"gt_msg", 122, ""},  {"gt_msg", 123, ""},  {"gt_msg", 124, ""},  {"gt_msg", 125, ""},
    {"gt_msg", 126, ""},  {"gt_msg", 127, ""},  {"gt_msg", 128, ""},  {"gt_msg", 129, ""},
    {"gt_msg", 130, ""},  {"gt_msg", 131, "s"}, {"gt_msg", 132, ""},  {"gt_msg", 133, ""},
    {"gt_msg", 134, ""},  {"gt_msg", 136, ""},  {"gt_msg", 137, ""},  {"gt_msg", 138, ""},
    {"gt_msg", 139, ""},  {"gt_msg", 140, ""},  {"gt_msg", 141, ""},  {"gt_msg", 142, ""},
    {"gt_msg", 143, ""},  {"gt_msg", 144, ""},  {"gt_msg", 145, "s"}, {"gt_msg", 146, ""},
    {"gt_msg", 147, ""},  {"gt_msg", 149, ""},  {"gt_msg", 150, ""},  {"gt_msg", 151, ""},
    {"gt_msg", 152, ""},  {"gt_msg", 153, ""},  {"gt_msg", 154, "s"}, {"gt_msg", 155, ""},
    {"gt_msg", 156, ""},  {"gt_msg", 168, ""},  {"gt_msg", 169, ""},  {"gt_msg", 170, ""},
    {"gt_msg", 171, ""},  {"gt_msg", 172, ""},  {"gt_msg", 173, ""},  {"gt_msg", 174, ""},
    {"gt_msg", 175, "s"}, {"gt_msg", 176, "s"}, {"gt_msg", 177, ""},  {"gt_msg", 179, "s"},
    {"gt_msg", 180, ""},  {"gt_msg", 181, ""},  {"gt_msg", 182, ""},  {"gt_msg", 183, "s"},
    {"gt_msg", 185, ""},  {"gt_msg", 186, ""},  {"gt_msg", 188, ""},  {"gt_msg", 189, ""},
    {"gt_msg", 190, ""},  {"gt_msg", 191, ""},  {"gt_msg", 193, "s"}, {"gt_msg", 194, "s"}, {"gt_msg", 195, "s"},
    {"gt_msg", 196, ""},  {"gt_msg", 197, ""},  {"gt_msg", 198, "s"}, {"gt_msg", 199, "sd"},
    {"ui_msg", 1, ""},    {"ui_msg", 2, ""},    {"ui_msg", 3, ""},    {"ui_msg", 85, ""},
    {"ui_msg", 87, ""},   {"ui_msg", 89, "s"},  {"ui_msg", 94, "s"},  {"ui_msg", 119, ""},
    {"ui_msg", 130, ""},  {"ui_msg", 162, ""},  {"ui_msg", 182, ""},  {"ui_msg", 184, "s"},
    {"ui_msg", 204, "s"}, {"ui_msg", 243, ""},  {"ui_msg", 244, "s"}, {"ui_msg", 251, ""},
    {"ui_msg", 252, ""},  {"ui_msg", 253, ""},  {"ui_msg", 254, ""},  {"ui_msg", 255, "llls"},
    {"ui_msg", 256, ""},  {"ui_msg", 258, ""},  {"ui_msg", 259, ""},  {"ui_msg", 262, ""},
    {"ui_msg", 263, ""},  {"ui_msg", 265, "s"}, {"ui_msg", 268, "ss"}, {"ui_msg", 269, "ss"},
    {"ui_msg", 270, "s"}, {"ui_msg", 271, "s"}, {"ui_msg", 272, "s"}, {"ui_msg", 273, ""}, {"ui_msg", 283, "d"}, {"ui_msg", 284, ""},
    {"ui_msg", 312, "ss"}, {"ui_msg", 313, "s"}, {"ui_msg", 314, "ss"}, {"ui_msg", 315, "s"}, {"ui_msg", 318, ""},
    {"ui_msg", 319, ""},  {"ui_msg", 320, "s"}, {"ui_msg", 324, ""},  {"ui_msg", 325, "s"},
    {"ui_msg", 326, ""},  {"ui_msg", 327, "s"},
};

TEST(Messages, EveryNumberHasATextTakingItsArguments) {
  if (!RES_GetString("ui_msg", "StrL1", 1)) {
    ASSERT_TRUE(RES_OpenFile("gt", (vxtest::bin_dir() / "gt.dat").c_str()));
  }
  for (const Msg& m : kMessages) {
    const char* text = RES_GetString(m.module, "StrL1", m.number);
    ASSERT_NE(text, nullptr) << m.module << " " << m.number;
    EXPECT_GT(std::string(text).size(), 3u) << m.module << " " << m.number;
    EXPECT_EQ(conversions(text), m.args) << m.module << " " << m.number << ": " << text;
  }
}

TEST(Messages, TheNamedFontsAreInstalled) {
  if (!RES_GetString("ui_msg", "StrL1", 1)) {
    ASSERT_TRUE(RES_OpenFile("gt", (vxtest::bin_dir() / "gt.dat").c_str()));
  }
  for (const char* family : {"cour", "helv", "times"})
    for (const char* size : {"12", "24", "36", "48"})
      for (const char* style : {"", "_bold", "_ital"}) {
        const std::string name = std::string("ui_font_") + family + "_" + size + style;
        EXPECT_NE(RES_LoadFont("ui_font", name.c_str()), nullptr) << name;
      }
}

}  // namespace
