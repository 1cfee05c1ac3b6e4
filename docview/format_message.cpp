#include "docview/format_message.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace docview {

namespace {

// Formats the text of a number with a printf conversion such as "d", "5d" or "lu".
std::string FormatNumber(const std::string& conversion, const std::string& arg) {
  std::string flags;
  char conv = 's';
  for (char ch : conversion) {
    if (std::strchr("diuxXoc", ch) && ch != '\0') {
      conv = ch;
      break;
    }
    if (std::strchr("-+ #0123456789.", ch) && ch != '\0') flags += ch;
    // length modifiers (l, h, I64, ...) are dropped: the number is formatted as long long
  }
  if (conv == 's') {
    std::string f = "%" + flags + "s";
    int n = std::snprintf(nullptr, 0, f.c_str(), arg.c_str());
    if (n < 0) return arg;
    std::string text(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(text.data(), text.size(), f.c_str(), arg.c_str());
    text.pop_back();
    return text;
  }
  long long v = std::strtoll(arg.c_str(), nullptr, 10);
  char buf[128];
  if (conv == 'c') {
    std::snprintf(buf, sizeof buf, ("%" + flags + "c").c_str(), static_cast<int>(v));
  } else if (conv == 'd' || conv == 'i') {
    std::snprintf(buf, sizeof buf, ("%" + flags + "lld").c_str(), v);
  } else {
    std::string f = "%" + flags + "ll" + conv;
    std::snprintf(buf, sizeof buf, f.c_str(), static_cast<unsigned long long>(v));
  }
  return buf;
}

}  // namespace

std::string FormatMessage(const std::string& pattern, const std::vector<std::string>& args) {
  std::string out;
  const std::size_t len = pattern.size();
  for (std::size_t p = 0; p < len; ++p) {
    char ch = pattern[p];
    if (ch != '%' || p + 1 >= len) {
      out += ch;
      continue;
    }
    char next = pattern[p + 1];
    if (next == 'n') {
      out += '\n';
      ++p;
    } else if (next == '.' || next == '%' || next == ' ' || next == '!') {
      out += next;
      ++p;
    } else if (next == '0') {
      break;
    } else if (std::isdigit(static_cast<unsigned char>(next))) {
      std::size_t q = p + 1;
      unsigned number = 0;
      while (q < len && std::isdigit(static_cast<unsigned char>(pattern[q])) && number < 100)
        number = number * 10 + static_cast<unsigned>(pattern[q++] - '0');
      std::string conversion;
      if (q < len && pattern[q] == '!') {
        std::size_t close = pattern.find('!', q + 1);
        if (close != std::string::npos) {
          conversion = pattern.substr(q + 1, close - q - 1);
          q = close + 1;
        }
      }
      if (number >= 1 && number <= args.size()) {
        const std::string& arg = args[number - 1];
        out += conversion.empty() ? arg : FormatNumber(conversion, arg);
      }
      p = q - 1;
    } else {
      out += ch;
    }
  }
  return out;
}

}  // namespace docview
