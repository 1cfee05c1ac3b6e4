// Band report walk and layout.
#include "analysis/rep_walk.h"

#include <algorithm>
#include <cstring>

#include "analysis/rep_cfg.h"
#include "analysis/wr_match.h"
#include "base/io_file.h"
#include "base/ks_alert.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "engine/std_interp.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "model/lanechar.h"

void RepBuffer::clear() {
  text.clear();
  grid.clear();
}

void RepBuffer::set_cell(int row, int col, const std::string& s) {
  if (row < 0 || col < 0) return;
  if (size_t(row) >= grid.size()) grid.resize(size_t(row) + 1);
  auto& r = grid[size_t(row)];
  if (size_t(col) >= r.size()) r.resize(size_t(col) + 1);
  r[size_t(col)] = s;
}

std::string rep_cell(const std::string& s, int width) {
  std::string out = s.substr(0, size_t(std::max(width, 0)));
  if (int(out.size()) < width) out.insert(0, size_t(width) - out.size(), ' ');
  return out + ' ';
}

std::string rep_col(const std::string& s, int width) {
  std::string out = s;
  if (int(out.size()) < width) out.insert(0, size_t(width) - out.size(), ' ');
  return out + ' ';
}

std::vector<SPOT*> rep_lane_bands(IMAGE_REC* image, LANE* lane) {
  std::vector<SPOT*> out;
  if (image == nullptr || image->bands == nullptr) return out;
  SPOT** arr = nullptr;
  const int n = ln_find_bands_in_lane(image->bands, &arr, lane, nullptr, nullptr);
  for (int i = 0; i < n; ++i) out.push_back(arr[i]);
  ks_free(arr);
  return out;
}

namespace {

constexpr const char* kFn = "report_bands";

struct Walk {
  const RepRun& run;
  RepSink& sink;
  RepState& st;
  std::vector<int> width;
  int row = 0;             // next grid row
  int images_done = 0;     // image sections written
  std::vector<WrImage> entries;
  char** lanesel = nullptr;
  bool table() const { return st.format == FMT_HORZ_TABLE; }
};

LANE* first_lane(IMAGE_REC* image) { return image && image->lanes ? image->lanes->next : nullptr; }

void refresh_standards(IMAGE_REC* image) {
  if (image && image->bands && image->bands->next && first_lane(image) && image->size_stdp &&
      image->std_changed) {
    std_lane_spots_calc(image->img_info, image->lanes, image->bands, image->size_stdp);
    image->std_changed = 0;
  }
}

void do_master_hdr(Walk& w) {
  char date[32] = "", time[32] = "";
  ks_date(date);
  ks_time(time);
  const char* title = rep_type_title(w.st.type);
  if (!w.table()) {
    if (w.st.titles) w.sink.append(std::string(title) + "\n\n\n");
    if (w.st.datetime) w.sink.append(std::string(date) + "\n" + time + "\n\n\n");
    return;
  }
  if (w.st.titles) w.sink.set_cell(0, 0, title);
  if (w.st.datetime) {
    const int r = w.st.titles ? 3 : 0;
    w.sink.set_cell(r, 0, date);
    w.sink.set_cell(r + 1, 0, time);
  }
  w.row = 3 * (w.st.titles ? 1 : 0) + 4 * (w.st.datetime ? 1 : 0);
}

void do_band_hdr(Walk& w) {
  const RepState& st = w.st;
  const int n = st.num_fld;
  int widest = 32;
  for (int c : w.width) widest = std::max(widest, c);
  const std::string dashes(size_t(widest), '=');
  if (!w.table()) {
    std::string line;
    if (st.colheads)
      for (int i = 0; i < n; ++i) line += rep_cell(rep_fld_heading(st.fld[i]), w.width[size_t(i)]);
    if (st.dashes) {
      if (st.colheads) line += "\n";
      for (int i = 0; i < n; ++i) line += rep_cell(dashes, w.width[size_t(i)]);
    }
    if (st.colheads || st.dashes) w.sink.append(line + "\n");
    return;
  }
  if (st.colheads)
    for (int i = 0; i < n; ++i)
      w.sink.set_cell(w.row, i, rep_cell(rep_fld_heading(st.fld[i]), w.width[size_t(i)]));
  if (st.dashes)
    for (int i = 0; i < n; ++i)
      w.sink.set_cell(w.row + (st.colheads ? 1 : 0), i, rep_cell(dashes, w.width[size_t(i)]));
  w.row += (st.colheads ? 1 : 0) + (st.dashes ? 1 : 0);
}

void do_img_hdr(Walk& w) {
  const RepState& st = w.st;
  if (st.num_hdr > 0) {
    std::string value;
    if (!w.table()) {
      std::string block = w.images_done > 0 ? "\n" : "";
      for (int i = 0; i < st.num_hdr; ++i) {
        get_hdr_fld_val_str(st.hdr[i], value);
        std::string label = rep_hdr_label(st.hdr[i]);
        if (label.size() < 20) label.append(20 - label.size(), ' ');
        block += label + ":" + value + "\n";
      }
      w.sink.append(block + "\n");
    } else {
      if (w.images_done > 0) ++w.row;
      for (int i = 0; i < st.num_hdr; ++i) {
        get_hdr_fld_val_str(st.hdr[i], value);
        w.sink.set_cell(w.row, 0, rep_hdr_label(st.hdr[i]));
        w.sink.set_cell(w.row, 1, value);
        ++w.row;
      }
      ++w.row;
    }
  }
  ++w.images_done;
  do_band_hdr(w);
}

// One row: every column's value for the band (null and -1 for a row without a band).
void do_row(Walk& w, int band_no, const SPOT* band) {
  const RepState& st = w.st;
  std::string value;
  if (!w.table()) {
    std::string line;
    for (int i = 0; i < st.num_fld; ++i) {
      get_band_fld_val_str(st.fld[i], band_no, band, value);
      line += rep_col(value, w.width[size_t(i)]);
    }
    w.sink.append(line + "\n");
    return;
  }
  for (int i = 0; i < st.num_fld; ++i) {
    get_band_fld_val_str(st.fld[i], band_no, band, value);
    w.sink.set_cell(w.row, i, rep_cell(value, w.width[size_t(i)]));
  }
  ++w.row;
}

// Ends a Band Match group or a Lane Match report: a blank line, or an empty row.
void blank_row(Walk& w) {
  if (w.table()) ++w.row;
  else w.sink.append("\n");
}

void walk_lane(Walk& w, IMAGE_REC* image, LANE* lane) {
  RepState& st = w.st;
  st.lane = lane;
  const std::vector<SPOT*> bands = rep_lane_bands(image, lane);
  rep_lane_totals(bands.data(), int(bands.size()));
  st.band_level = false;
  if (bands.empty() && st.empty_lanes) do_row(w, -1, nullptr);
  for (size_t i = 0; i < bands.size(); ++i) {
    if (st.type == REP_SEL_BANDS && (bands[i]->f2 & SP_F2_SELECTED) == 0) continue;
    do_row(w, int(i) + 1, bands[i]);
    if (!st.band_level) break;  // no column needs a band: one row per lane
  }
}

void walk_image(Walk& w, IMAGE_REC* image, const char* name) {
  RepState& st = w.st;
  refresh_standards(image);
  st.image = image;
  st.row_image_name = name;
  do_img_hdr(w);
  for (LANE* lane = first_lane(image); lane != nullptr; lane = lane->next) {
    if (st.type == REP_SEL_LANES && (lane->f & 2u) == 0) continue;
    if (st.type == REP_ALL_LANES && w.lanesel != nullptr &&
        !(lane->num_labeled_chars == lane->num_lane_chars && ln_meet_lanesel(lane, w.lanesel)))
      continue;
    walk_lane(w, image, lane);
  }
}

bool image_passes(const Walk& w, const IMAGE_REC* image, bool apply_active) {
  if (image == nullptr) return false;
  if (apply_active && w.st.active_only && image != w.run.current) return false;
  if (w.st.type == REP_SEL_BANDS) return image->num_sel_bands != 0;
  return image->num_sel_lanes != 0;
}

long count_lane_bands(IMAGE_REC* image, LANE* lane, bool selected_only) {
  long n = 0;
  for (SPOT* b : rep_lane_bands(image, lane))
    if (!selected_only || (b->f2 & SP_F2_SELECTED)) ++n;
  return n;
}

// All Lanes: gathers the listed images and counts their rows; -1 when cancelled.
long count_report_bands(Walk& w) {
  const CONTROL* ctl = gt_get_control();
  if (w.run.paths.empty()) {
    SLOG(kFn, SLOG_VALUE4, "%s", "S_num_img 0");
    return 0;
  }
  if (ctl->lane_sel_file[0] != '\0') {
    const bool read = ln_read_lanesel(ctl->lane_sel_file, &w.lanesel) == 0;
    bool empty = true;
    for (int i = 0; w.lanesel && i < LN_SEL_SLOTS; ++i) empty = empty && w.lanesel[i] == nullptr;
    if (!read || empty) {
      ln_free_lanesel(w.lanesel);
      w.lanesel = nullptr;
      // Yes goes on without a selection, No cancels.
      if (mh_send_msg(KS_ALERT_YESNO, ks_gt_message(145), ctl->lane_sel_file) == 1) return -1;
    }
  }
  for (const std::string& path : w.run.paths) {
    WrImage e;
    std::snprintf(e.path, sizeof e.path, "%s", path.c_str());
    io_path_filename(e.path, e.name);
    if (wr_disp_get_data(w.run.windows, e.path, e.name, &e.image) != 0 && wr_read_match_image(&e, 1) != 0) {
      mh_send_msg(KS_ALERT_INFO, ks_gt_message(131), e.name);
      continue;
    }
    w.entries.push_back(e);
  }
  long rows = 0;
  bool unlabelled = false;
  for (const WrImage& e : w.entries)
    for (LANE* lane = first_lane(e.image); lane != nullptr; lane = lane->next) {
      if (w.lanesel != nullptr) {
        if (lane->num_labeled_chars != lane->num_lane_chars) {
          unlabelled = true;
          continue;
        }
        if (!ln_meet_lanesel(lane, w.lanesel)) continue;
      }
      rows += count_lane_bands(e.image, lane, false);
    }
  if (unlabelled) mh_send_msg(KS_ALERT_INFO, "%s", ks_gt_message(185));
  return rows;
}

long count_rows(Walk& w) {
  const RepRun& run = w.run;
  long rows = 0;
  switch (w.st.type) {
    case REP_SEL_BANDS: case REP_SEL_LANES:
      for (IMAGE_REC* im : run.windows) {
        if (!image_passes(w, im, false)) continue;
        for (LANE* lane = first_lane(im); lane != nullptr; lane = lane->next)
          if (w.st.type == REP_SEL_BANDS) rows += count_lane_bands(im, lane, true);
          else if (lane->f & 2u) rows += count_lane_bands(im, lane, false);
      }
      break;
    case REP_ACTIVE_IMAGE:
      for (LANE* lane = first_lane(run.current); lane != nullptr; lane = lane->next)
        rows += count_lane_bands(run.current, lane, false);
      break;
    case REP_ALL_LANES: rows = count_report_bands(w); break;
    default:
      if (run.match) {
        rows = long(run.match->ref_bands.size());
        for (const RepMatchLane& m : run.match->lanes) rows += long(m.pairs.size());
      }
      break;
  }
  return rows;
}

void walk_band_match(Walk& w) {
  RepState& st = w.st;
  const RepMatch& m = *w.run.match;
  st.image = m.ref_image;
  st.row_image_name = m.ref_image_name;
  st.lane = m.ref_lane;
  do_img_hdr(w);
  for (size_t k = 0; k < m.ref_bands.size(); ++k) {
    st.image = m.ref_image;
    st.lane = m.ref_lane;
    st.row_image_name = m.ref_image_name;
    rep_lane_totals(nullptr, 0);
    do_row(w, int(k) + 1, m.ref_bands[k]);
    for (const RepMatchLane& ml : m.lanes)
      for (const RepPair& p : ml.pairs) {
        if (p.ref != int(k)) continue;
        if (p.cand < 0 || size_t(p.cand) >= ml.bands.size()) break;
        st.image = ml.image;
        st.lane = ml.lane;
        st.row_image_name = ml.image_name;
        do_row(w, p.cand + 1, ml.bands[size_t(p.cand)]);
        break;
      }
    blank_row(w);
  }
}

void walk_lane_match(Walk& w) {
  RepState& st = w.st;
  const RepMatch& m = *w.run.match;
  st.image = m.ref_image;
  st.lane = m.ref_lane;
  st.row_image_name = m.ref_image_name;
  do_img_hdr(w);
  for (const RepMatchLane& ml : m.lanes) {
    st.match_lane = &ml;
    st.image = ml.image;
    st.lane = ml.lane;
    st.row_image_name = ml.image_name;
    do_row(w, -1, nullptr);
  }
  st.match_lane = nullptr;
  if (!w.table()) w.sink.append("\n");
}

}  // namespace

long report_bands(const RepRun& run, RepSink& sink) {
  RepState& st = rep_state();
  SLOG(kFn, SLOG_ENTRY, "type %d format %d", run.type, run.format);
  st.type = run.type;
  st.format = run.format;
  st.match = run.match;
  st.match_lane = nullptr;
  st.image = nullptr;
  st.lane = nullptr;
  get_cfg_report(run.type);
  Walk w{run, sink, st, {}, 0, 0, {}, nullptr};

  long rows = count_rows(w);
  if (rows < 0 || (rows < 1 && !st.empty_lanes)) {
    if (rows == 0) SLOG(kFn, SLOG_VALUE4, "%s", "no bands");
    for (WrImage& e : w.entries) wr_free_match_image(&e);
    ln_free_lanesel(w.lanesel);
    return rows;
  }
  sink.clear();
  do_master_hdr(w);
  const int nref = run.match ? int(run.match->ref_bands.size()) : 0;
  for (int i = 0; i < st.num_fld; ++i) {
    int width = rep_fld_width(st.fld[i]);
    if (st.type == REP_LANE_MATCH && (st.fld[i] == 5 || st.fld[i] == 6)) width *= nref;
    w.width.push_back(width);
  }

  switch (st.type) {
    case REP_SEL_BANDS: case REP_SEL_LANES:
      for (IMAGE_REC* im : run.windows)
        if (image_passes(w, im, true)) walk_image(w, im, im->image_name);
      break;
    case REP_ACTIVE_IMAGE:
      if (run.current == nullptr) SLOG(kFn, SLOG_VALUE4, "%s", "S_curr_image NULL");
      else walk_image(w, run.current, run.current->image_name);
      break;
    case REP_ALL_LANES:
      for (const WrImage& e : w.entries) walk_image(w, e.image, e.name);
      break;
    case REP_BAND_MATCH:
      if (run.match) walk_band_match(w);
      break;
    case REP_LANE_MATCH:
      if (run.match) walk_lane_match(w);
      break;
    default: break;
  }
  st.image = nullptr;
  st.lane = nullptr;
  for (WrImage& e : w.entries) wr_free_match_image(&e);
  ln_free_lanesel(w.lanesel);
  SLOG(kFn, SLOG_EXIT, "rows %ld", rows);
  return rows;
}
