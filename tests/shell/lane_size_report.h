// The band report as a sizing test reads it: Report > Active Image with the columns lane, Y and
// size, run through the command with the report parameters' OK pressed, and its rows read back.
#pragma once

#include <gtest/gtest.h>

#include <QTimer>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/band_rep.h"
#include "analysis/rep_cfg.h"
#include "model/report_cfg.h"
#include "shell/gt_cmd.h"
#include "shell/gt_dispatch.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_test.h"

namespace shelltest {

// A reported band: its lane number, row and size text ("*" for a band without a size).
struct ReportedSize {
  int lane = 0, y = 0;
  std::string size;
};

// Runs the report through the main window's command; the report window stays open. Returns its
// text.
inline std::string run_lane_y_size_report(TK_OBJ main_win) {
  REPORT_CFG* cfg = rep_family_cfg(REP_ACTIVE_IMAGE);
  const int fields[] = {2, 17, 6};
  for (int& c : cfg->hdr_ids) c = -1;
  cfg->num_hdr_ids = 0;
  for (int& c : cfg->fld_ids) c = -1;
  for (int i = 0; i < 3; ++i) cfg->fld_ids[i] = fields[i];
  cfg->num_fld_ids = 3;
  cfg->num_lane_chars = 0;
  cfg->titles = 0, cfg->datetime = 0, cfg->colheads = 1, cfg->dashes = 1;
  QTimer::singleShot(0, [] {
    if (TK_OBJ w = TKT_FindWindow("rparm", "rparm_win")) TKT_Click(RES_GetSub(w, 0));
  });
  main_winNfySelMenuBar(main_win, GT_CMD_REPORT_ACTIVE_IMAGE);
  EXPECT_NE(band_rep_window(), nullptr);
  return band_rep_window() ? band_rep_text() : std::string();
}

// The report's head: the lines above the row of "=".
inline std::string lane_y_size_head(const std::string& text) {
  const std::size_t end = text.find("\n===");
  return end == std::string::npos ? text : text.substr(0, end);
}

// The rows under the head.
inline std::vector<ReportedSize> lane_y_size_rows(const std::string& text) {
  std::vector<ReportedSize> out;
  std::istringstream in(text);
  std::string line;
  bool body = false;
  while (std::getline(in, line)) {
    if (!body) {
      body = line.rfind("===", 0) == 0;
      continue;
    }
    std::istringstream cells(line);
    ReportedSize r;
    if (!(cells >> r.lane >> r.y)) continue;
    cells >> r.size;
    out.push_back(r);
  }
  return out;
}

}  // namespace shelltest
