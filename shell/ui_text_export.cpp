// Text report export.
#include "shell/ui_text_export.h"

#include <string>

#include "base/slog.h"
#include "shell/gt_chart.h"
#include "toolkit/tk_widget.h"

void ui_text_save_as(TK_OBJ text_widget, const char* folder) {
  SLOG("ui_text_save_as", SLOG_ENTRY, "folder <%s>", folder ? folder : "");
  const char* t = text_widget ? TEXT_GetText(text_widget) : nullptr;
  const std::string text = t ? t : "";
  const int ok = ks_save_text_as(folder, "denstmty.txt", "TXT Files (*.txt)\0*.txt\0", ".txt", text);
  SLOG("ui_text_save_as", SLOG_EXIT, "%s", ok ? "written" : "not written");
}
