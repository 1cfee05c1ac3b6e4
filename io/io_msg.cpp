// The file layer's user messages: the text of "ui_msg" from the resource file, or, when the
// resource file is not there (tests, tools without a GUI), our own wording.
#include "io/io_msg.h"

#include "base/ks_msg.h"

void io_ui_msg(int number) {
  const char* text = ui_msg(number);
  if (!text || !*text) {
    switch (number) {
      case 256:
        text = "There is nothing to save.";
        break;
      case 258:
        text = "The file cannot be opened for writing.";
        break;
      case 259:
        text = "Writing the file failed; the previous version is kept.";
        break;
      case 262:
        text = "The file holds no analysis.";
        break;
      case 263:
        text = "The file cannot be read: it is damaged or incomplete.";
        break;
      default:
        text = "A file operation failed.";
        break;
    }
  }
  mh_send_msg(KS_ALERT_INFO, "%s", text);
}
