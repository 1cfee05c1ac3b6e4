// Report files.
#include "analysis/rep_file.h"

#include <cstring>

#include "base/io_file.h"
#include "base/io_file_set.h"
#include "base/ks_alert.h"
#include "base/ks_choose.h"
#include "base/ks_msg.h"
#include "base/kstypes.h"
#include "base/slog.h"
#include "shell/ui_print.h"

std::string rep_csv(const std::vector<std::vector<std::string>>& grid, int cols) {
  std::string out;
  for (const auto& row : grid) {
    for (int c = 0; c < cols; ++c) {
      const std::string* cell = size_t(c) < row.size() ? &row[size_t(c)] : nullptr;
      if (cell == nullptr || cell->empty()) {
        out += ',';
        continue;
      }
      out += '"';
      // A quote inside a cell is doubled: CSV readers take a lone quote as the cell's end, so
      // a label or lane name holding one would split its cell and shift every cell after it.
      for (char ch : *cell) {
        if (ch == '"') out += '"';
        out += ch;
      }
      out += "\",";
    }
    out += '\n';
  }
  return out;
}

bool rep_write_file(const std::string& path, const std::string& content) {
  IoFileSet set;
  return set.put(path, content.data(), content.size()) && set.commit();
}

int rep_save_as(const std::string& content, bool csv, const char* folder, const char* what,
                bool add_ext) {
  static const char kText[] = "Text Files (*.txt)\0*.txt\0All Files (*.*)\0*.*\0";
  static const char kCsv[] = "CSV Files (*.csv)\0*.csv\0All Files (*.*)\0*.*\0";
  const char* ext = csv ? ".csv" : ".txt";
  char path[KS_PATH_LEN] = "";
  const std::string caption = what && *what ? std::string("Save ") + what : std::string("File...");
  if (!io_win32_savefile(path, sizeof path, caption.c_str(), folder ? folder : "", csv ? "*.csv" : "*.txt",
                         csv ? kCsv : kText, add_ext ? ext : nullptr))
    return 0;
  std::string target = path;
  if (add_ext && target.find(ext) == std::string::npos) target += ext;
  if (io_file_exists(target.c_str()) &&
      mh_send_msg(KS_ALERT_YESNO, ui_msg(270), target.c_str()) != 2)
    return 0;
  if (!rep_write_file(target, content)) {
    SLOG("rep_save_as", SLOG_ERROR, "cannot write <%s>", target.c_str());
    mh_send_msg(KS_ALERT_INFO, "%s", ks_gt_message(132));
    return 0;
  }
  return 1;
}

void rep_print(TK_OBJ widget, const char* folder) {
  TkPageSetup page = PRINT_GetDefaults();
  page.scale_x = page.scale_y = 0.9;
  ui_print(widget, folder, nullptr, &page);
}
