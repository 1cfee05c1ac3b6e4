#include "analysis/num_text.h"

#include <charconv>

std::string num_fixed(double v, int prec, int width) {
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, prec);
  std::string s(buf, r.ec == std::errc() ? r.ptr : buf);
  if (static_cast<int>(s.size()) < width) s.insert(0, width - s.size(), ' ');
  return s;
}
