// The file layer's user messages.
#include "io/io_msg.h"

#include "base/ks_alert.h"

#include <cstdio>

void io_ui_msg(int number) {
  const char* text;
  switch (number) {
    case 256: text = "There is nothing to save."; break;
    case 258: text = "The file cannot be opened for writing."; break;
    case 259: text = "Writing the file failed; the previous version is kept."; break;
    case 262: text = "The file holds no analysis."; break;
    case 263: text = "The file cannot be read: it is damaged or incomplete."; break;
    default: {
      static char buf[64];
      std::snprintf(buf, sizeof buf, "File message %d.", number);
      text = buf;
    }
  }
  ks_alert_show(1, text);
}
