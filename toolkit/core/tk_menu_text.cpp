#include "toolkit/core/tk_menu_text.h"

std::string MENU_Literal(const char* text) {
  std::string out;
  for (const char* p = text ? text : ""; *p; ++p) {
    if (*p == '&') out += '&';
    out += *p;
  }
  return out;
}
