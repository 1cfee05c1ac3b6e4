#include "tools/ln_info.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/io_file.h"
#include "base/io_file_set.h"
#include "base/ks_choose.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "engine/lane_geometry.h"
#include "engine/std_interp.h"
#include "engine/std_numeric.h"
#include "engine/std_sort.h"
#include "model/control.h"
#include "model/std_list.h"
#include "shell/gt_canvas.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"
#include "tools/gt_band_util.h"
#include "tools/gt_dlg_nfy.h"
#include "tools/gt_lane_util.h"

namespace {

struct InfoLabel {
  std::string category, value;
};

struct InfoLane {
  std::vector<InfoLabel> labels;
  std::string name;
  int bg_angle = 0;
  int det[5] = {0, 0, 0, 0, 0};  // top, bottom, intensity, maximum detect, quantify
  std::vector<double> sizes;
  std::vector<double> concs;
};

struct InfoObject {
  int auto_flag = 0;
  int size_interp = 0, size_extrap = 0, conc_interp = 0, conc_extrap = 0;
  std::vector<InfoLane> lanes;
  int loaded = 0;
};

InfoObject s_info;

InfoLane* entry(int i) {
  if (!ln_info_loaded() || i < 0 || i >= static_cast<int>(s_info.lanes.size())) return nullptr;
  return &s_info.lanes[static_cast<std::size_t>(i)];
}

// Fields of a line, split at every comma, double quotes dropped.
std::vector<std::string> fields(const char* line) {
  std::vector<std::string> out(1);
  for (const char* p = line; *p; ++p) {
    if (*p == ',')
      out.emplace_back();
    else if (*p != '"')
      out.back() += *p;
  }
  return out;
}

std::string unquoted(const char* line) {
  std::string s;
  for (const char* p = line; *p; ++p)
    if (*p != '"') s += *p;
  return s;
}

int to_int(const std::string& s) {
  const long v = std::strtol(s.c_str(), nullptr, 10);
  return static_cast<int>(std::clamp<long>(v, -2147483647L, 2147483647L));
}

// Reads one line of values: count = commas + 1, an empty field is 0.0, an empty line none.
std::vector<double> values_line(const char* line) {
  std::vector<double> v;
  if (!*line) return v;
  for (const std::string& f : fields(line)) v.push_back(std::strtod(f.c_str(), nullptr));
  return v;
}

struct LineSource {
  std::FILE* file;
  char* line = nullptr;
  bool next() {
    ks_free(line);
    line = ln_info_get_line(file);
    return line != nullptr;
  }
  ~LineSource() { ks_free(line); }
};

bool is_size_std(const SPOT* b) { return (b->f2 & SP_F2_SIZE_STD) != 0; }
bool is_conc_std(const SPOT* b) { return (b->f2 & SP_F2_CONC_STD) != 0; }

STD_LIST* size_list(IMAGE_REC* im) {
  return im->size_stdp && im->lane_hdr && im->lane_hdr->num_tiers > 0 ? im->size_stdp[0] : nullptr;
}
STD_LIST* conc_list(IMAGE_REC* im) { return im->conc_stdp ? *im->conc_stdp : nullptr; }

// One lane's standards line: a field per band, the standard's value for a standard band.
std::string std_line(IMAGE_REC* im, LANE* lane, STD_LIST* list, bool sizes) {
  SPOT** bands = nullptr;
  const int n = ln_find_bands_in_lane(im->bands, &bands, lane, nullptr, nullptr);
  std::string line;
  const int digits = list ? std::clamp(list->precision, 0, 20) : 3;
  for (int j = 0; j < n; ++j) {
    if (j) line += ',';
    SPOT* b = bands[j];
    if (!(sizes ? is_size_std(b) : is_conc_std(b))) continue;
    double v = sizes ? b->size : b->std_value;
    if (list && list->int_method == 4 && list->count > 0) {
      const int k = sizes ? std_find_nearest(list, b->x, b->y) : std_find_nearest_int(list, b->x, b->y);
      if (k >= 0) v = list->records[k].value;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", digits, v);
    line += buf;
  }
  ks_free(bands);
  return line;
}

int lane_quantified(IMAGE_REC* im, LANE* lane) {
  SPOT** bands = nullptr;
  const int n = ln_find_bands_in_lane(im->bands, &bands, lane, nullptr, nullptr);
  int q = 0;
  for (int j = 0; j < n && !q; ++j) q = (bands[j]->f1 & SP_F1_TYPE_MASK) != 0;
  ks_free(bands);
  return q;
}

std::string folder_of(const char* path) {
  const char* slash = std::strrchr(path, '/');
  if (!slash) return ".";
  if (slash == path) return "/";
  return std::string(path, static_cast<std::size_t>(slash - path));
}

}  // namespace

// Writing --------------------------------------------------------------------------------------

int ln_info_write(IMAGE_REC* im, const char* path) {
  if (!im || !path || !*path) return -1;
  int n = 0;
  for (LANE* l = im->lanes ? im->lanes->next : nullptr; l; l = l->next) ++n;
  if (n == 0) {
    mh_send_msg(1, "%s", gt_get_message(156));
    return -1;
  }
  if (access(folder_of(path).c_str(), W_OK) != 0) {
    mh_send_msg(1, gt_get_message(154), path);
    return -1;
  }
  const CONTROL* ctl = gt_get_control();
  std::string out;
  auto line = [&out](const std::string& s) { out += s, out += '\n'; };
  auto num = [](long v) { return std::to_string(v); };
  line("# Kestrin Lane Info File");
  line("# Number of lanes, automatic-detection flag");
  line(num(n) + "," + num(ctl->fnd_auto ? 1 : 0));
  line("# Lane labels (multiple lines per lane, first line is the number of following lines)");
  line("# Each following line has a comma-separated Category, Value pair)");
  for (LANE* l = im->lanes->next; l; l = l->next) {
    const int labels = l->lane_chars ? std::max(0, l->num_lane_chars) : 0;
    line(num(labels));
    for (int k = 0; k < labels; ++k) {
      const LANECHAR* c = l->lane_chars[k];
      line(c ? std::string(c->name) + "," + c->value : std::string());
    }
  }
  line("# Lane names (one line for each lane, one value per line)");
  for (LANE* l = im->lanes->next; l; l = l->next)
    line(std::string(l->lane_name, strnlen(l->lane_name, sizeof l->lane_name)));
  line("# Lane background angles (-1 means no bg) (one line for each lane, one value per line)");
  for (LANE* l = im->lanes->next; l; l = l->next) line(num(l->bckgrnd_type == 0 ? -1 : l->max_angle));
  line("# Band-detection parameters (one line for each lane, five values per line)");
  const int d = gt_band_value_range(im);
  for (LANE* l = im->lanes->next; l; l = l->next)
    line(num(l->min_top_band_thick) + "," + num(l->min_bot_band_thick) + "," +
         num(l->band_threshold / d) + "," + num(l->max_detect) + "," + num(lane_quantified(im, l)));
  STD_LIST* sizes = size_list(im);
  STD_LIST* concs = conc_list(im);
  line("# Band sizes (one line per lane, values per bands); last line interp/extrap");
  for (LANE* l = im->lanes->next; l; l = l->next) line(std_line(im, l, sizes, true));
  line(sizes ? num(sizes->int_method) + "," + num(sizes->extrap_method) : "0,0");
  line("# Band concs (one line per lane, values per bands); last line interp/extrap");
  for (LANE* l = im->lanes->next; l; l = l->next) line(std_line(im, l, concs, false));
  line(concs ? num(concs->int_method) + "," + num(concs->extrap_method) : "0,0");
  line("# End of file");

  IoFileSet set;
  if (!set.put(path, out.data(), out.size()) || !set.commit()) {
    mh_send_msg(1, "%s", ui_msg(243));
    return -1;
  }
  return 0;
}

// Reading --------------------------------------------------------------------------------------

char* ln_info_get_line(std::FILE* file) {
  if (!file) return nullptr;
  for (;;) {
    std::string s;
    int c;
    bool any = false;
    while ((c = std::fgetc(file)) != EOF) {
      any = true;
      if (c == '\n') break;
      s += static_cast<char>(c);
    }
    if (!any) return nullptr;
    if (!s.empty() && s.back() == '\r') s.pop_back();
    if (!s.empty() && s[0] == '#') continue;
    char* out = static_cast<char*>(ks_alloc_msg(s.size() + 1));
    if (!out) {
      ks_dbg_null_ptr("ln_info_get_line", "file_ptr");
      return nullptr;
    }
    std::memcpy(out, s.c_str(), s.size() + 1);
    return out;
  }
}

void ln_info_done() {
  const int loaded = s_info.loaded;
  s_info = InfoObject{};
  s_info.loaded = loaded;
}

int ln_info_loaded() { return s_info.loaded == 1 && !s_info.lanes.empty() ? 1 : 0; }

int ln_info_init(const char* path) {
  ln_info_done();
  std::FILE* f = path ? std::fopen(path, "rb") : nullptr;
  if (!f) {
    SLOG("ln_info_init", SLOG_VALUE4, "open failed");
    return -1;
  }
  LineSource src{f};
  auto fail = [&] {
    std::fclose(f);
    ln_info_done();
    return -1;
  };
  if (!src.next()) return fail();
  std::vector<std::string> first = fields(src.line);
  const long n = std::strtol(first[0].c_str(), nullptr, 10);
  if (n < 1 || n > LN_INFO_MAX_LANES) return fail();
  s_info.auto_flag = first.size() > 1 ? to_int(first[1]) : 0;
  s_info.lanes.resize(static_cast<std::size_t>(n));
  s_info.loaded = 1;
  auto done = [&] {
    std::fclose(f);
    return 0;
  };
  for (InfoLane& e : s_info.lanes) {
    if (!src.next()) return done();
    const long l = std::strtol(unquoted(src.line).c_str(), nullptr, 10);
    if (l < 0 || l > LN_INFO_MAX_LABELS) return fail();
    e.labels.resize(static_cast<std::size_t>(l));
    for (InfoLabel& lab : e.labels) {
      if (!src.next()) return done();
      const std::string s = unquoted(src.line);
      if (s.empty()) continue;
      const std::size_t comma = s.find(',');
      lab.category = s.substr(0, std::min(comma, std::size_t(LN_INFO_LABEL_LEN)));
      if (comma != std::string::npos) lab.value = s.substr(comma + 1, LN_INFO_LABEL_LEN);
    }
  }
  for (InfoLane& e : s_info.lanes) {
    if (!src.next()) return done();
    if (*src.line) e.name = fields(src.line)[0].substr(0, LN_INFO_NAME_LEN);
  }
  for (InfoLane& e : s_info.lanes) {
    if (!src.next()) return done();
    if (*src.line) e.bg_angle = to_int(fields(src.line)[0]);
  }
  for (InfoLane& e : s_info.lanes) {
    if (!src.next()) return done();
    if (!*src.line) continue;
    const std::vector<std::string> v = fields(src.line);
    for (std::size_t k = 0; k < 5; ++k) e.det[k] = k < v.size() ? to_int(v[k]) : 0;
  }
  for (int pass = 0; pass < 2; ++pass) {
    for (InfoLane& e : s_info.lanes) {
      if (!src.next()) return done();
      (pass == 0 ? e.sizes : e.concs) = values_line(src.line);
    }
    if (!src.next()) return done();
    const std::vector<std::string> m = fields(src.line);
    (pass == 0 ? s_info.size_interp : s_info.conc_interp) = to_int(m[0]);
    (pass == 0 ? s_info.size_extrap : s_info.conc_extrap) = m.size() > 1 ? to_int(m[1]) : 0;
  }
  return done();
}

int ln_info_get_num_lanes() { return static_cast<int>(s_info.lanes.size()); }
int ln_info_get_auto() { return s_info.auto_flag; }
int ln_info_get_size_interp() { return s_info.size_interp; }
int ln_info_get_size_extrap() { return s_info.size_extrap; }
int ln_info_get_conc_interp() { return s_info.conc_interp; }
int ln_info_get_conc_extrap() { return s_info.conc_extrap; }

const char* ln_info_get_name(int i) {
  const InfoLane* e = entry(i);
  return e ? e->name.c_str() : nullptr;
}

int ln_info_get_bg_angle(int i) {
  const InfoLane* e = entry(i);
  return e ? e->bg_angle : -1;
}

int ln_info_get_det_parms(int i, int* top, int* bottom, int* intensity, int* max_detect,
                          int* quantify) {
  const InfoLane* e = entry(i);
  if (!e || !top || !bottom || !intensity || !max_detect || !quantify) return -1;
  *top = e->det[0], *bottom = e->det[1], *intensity = e->det[2];
  *max_detect = e->det[3], *quantify = e->det[4];
  return 0;
}

static double band_value(const std::vector<double>* v, int band) {
  if (!v || band < 0 || band >= static_cast<int>(v->size())) return -1.0;
  return (*v)[static_cast<std::size_t>(band)];
}
double ln_info_get_band_size(int i, int band) {
  const InfoLane* e = entry(i);
  return band_value(e ? &e->sizes : nullptr, band);
}
double ln_info_get_band_conc(int i, int band) {
  const InfoLane* e = entry(i);
  return band_value(e ? &e->concs : nullptr, band);
}

void ln_info_assign_lane_labels(int i, LANE* lane) {
  const InfoLane* e = entry(i);
  if (!e || !lane) return;
  const int n = static_cast<int>(e->labels.size());
  LANECHAR** chars = nullptr;
  if (n > 0) {
    chars = static_cast<LANECHAR**>(ks_alloc_msg(sizeof(LANECHAR*) * static_cast<std::size_t>(n)));
    if (!chars) {
      ks_dbg_null_ptr("ln_info_assign_lane_labels", "lane->lane_chars");
      return;
    }
    std::memset(chars, 0, sizeof(LANECHAR*) * static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
      chars[k] = static_cast<LANECHAR*>(ks_alloc_msg(sizeof(LANECHAR)));
      if (!chars[k]) {
        ks_dbg_null_ptr("ln_info_assign_lane_labels", "lane->lane_chars[char_i]");
        for (int j = 0; j < k; ++j) ks_free(chars[j]);
        ks_free(chars);
        return;
      }
      std::memset(chars[k], 0, sizeof(LANECHAR));
      const InfoLabel& lab = e->labels[static_cast<std::size_t>(k)];
      std::snprintf(chars[k]->name, sizeof chars[k]->name, "%s", lab.category.c_str());
      std::snprintf(chars[k]->value, sizeof chars[k]->value, "%s", lab.value.c_str());
    }
  }
  if (lane->lane_chars) {
    for (int k = 0; k < lane->num_lane_chars; ++k) ks_free(lane->lane_chars[k]);
    ks_free(lane->lane_chars);
  }
  lane->lane_chars = chars;
  lane->num_lane_chars = lane->num_labeled_chars = n;
}

// Standards ------------------------------------------------------------------------------------

namespace {

// The list in *cell, made when missing; null without memory.
STD_LIST* ensure_list(STD_LIST** cell) {
  if (!*cell) *cell = std_list_create();
  return *cell;
}

int conc_std_filter(const SPOT*) { return 1; }

}  // namespace

void ln_info_assign_std(LANE* lane, int i, IMAGE_REC* im) {
  if (!entry(i) || !lane || !im) return;
  // Every tier's size list and the concentration list, made when missing. Tier 0's list
  // carries the methods of every tier; the lane's markers go to its own tier's list.
  if (!gt_lane_ensure_tier_lists(im)) return;
  if (!im->conc_stdp) {
    im->conc_stdp = static_cast<STD_LIST**>(ks_alloc_msg(sizeof(STD_LIST*)));
    if (!im->conc_stdp) return;
    im->conc_stdp[0] = nullptr;
  }
  STD_LIST* tier0 = size_list(im);
  const int tier = lane->tier_num >= 0 && lane->tier_num < im->lane_hdr->num_tiers ? lane->tier_num : 0;
  STD_LIST* sizes = im->size_stdp[tier];
  STD_LIST* concs = ensure_list(im->conc_stdp);
  if (!tier0 || !sizes || !concs) return;
  tier0->int_method = s_info.size_interp, tier0->extrap_method = s_info.size_extrap;
  concs->int_method = s_info.conc_interp, concs->extrap_method = s_info.conc_extrap;

  SPOT** bands = nullptr;
  const int n = ln_find_bands_in_lane(im->bands, &bands, lane, nullptr, nullptr);
  if (n <= 0) return;
  STD_LIST* work = std_list_create();
  if (!work) {
    ks_free(bands);
    return;
  }
  bool error = false;

  // One pass over the lane's bands for sizes (pass 0) or concentrations (pass 1). A rejected
  // pass takes the standard mark back from every band it gave one.
  for (int pass = 0; pass < 2; ++pass) {
    STD_LIST* list = pass == 0 ? sizes : concs;
    const uint32_t mark = pass == 0 ? SP_F2_SIZE_STD : SP_F2_CONC_STD;
    std::vector<SPOT*> marked;
    bool rejected = false;
    work->count = 0, work->clean = 0;
    for (int j = 0; j < n; ++j) {
      const double v = pass == 0 ? ln_info_get_band_size(i, j) : ln_info_get_band_conc(i, j);
      if (v == -1.0) break;
      if (v == 0.0) continue;
      SPOT* b = bands[j];
      const bool had = (b->f2 & mark) != 0;
      b->f2 |= mark;
      STD_MARKER m;
      std_marker_clear(&m);
      if (pass == 0) {
        m.x = b->x, m.y = b->y, m.lane_num = lane->lane_number;
      } else {
        m.x = 0.0, m.y = b->amount, m.lane_num = 1;
      }
      m.ix = b->x, m.iy = b->y;
      m.value = v;
      m.flags = STD_M_VALID;
      if ((pass == 0 ? tier0 : concs)->int_method != 4) {
        const int r = std_check_monotonic(list, work, &m);
        if (r != 0 && r != 4) {
          if (!had) b->f2 &= ~mark;
          rejected = true;
          continue;
        }
      }
      if (!had) marked.push_back(b);
      std_list_append(work, &m);
    }
    if (rejected) {
      for (SPOT* b : marked) b->f2 &= ~mark;
      mh_send_msg(0, "%s", gt_get_message(22));
      continue;
    }
    if (work->count == 0) continue;
    bool stored = true;
    for (int k = 0; k < work->count; ++k) {
      STD_MARKER m = work->records[k];
      m.flags = STD_M_VALID;
      m.next_val = m.next_y = m.prev_val = m.prev_y = nullptr;
      if (pass == 0) {
        // Only a marker that stands for a band makes a duplicate: the placeholders that the
        // list's sort adds for values a lane lacks are invalid and are replaced by the put.
        const int near = std_find_nearest_valid(list, m.x, m.y, STD_BIGGER_FLOAT);
        if (near >= 0 && list->records[near].ix == m.ix && list->records[near].iy == m.iy) {
          error = true;
          continue;
        }
      }
      if (!std_list_put(list, &m)) {
        error = true;
        stored = false;
        continue;
      }
      if (pass == 1 && stored)
        if (SPOT* near = sp_nearest_spot(m.ix, m.iy, 2, im->bands, conc_std_filter)) near->f2 |= SP_F2_CONC_STD;
    }
    if (pass == 0) {
      std_list_drop_invalid(list);
      std_lane_spots_calc(im->img_info, im->lanes, im->bands, im->size_stdp,
                          im->lane_hdr ? im->lane_hdr->num_tiers : -1);
    } else {
      std_conc_calc(im->bands, list);
    }
    if (error) mh_send_msg(1, "%s", ui_msg(3));
    error = false;
  }
  std_list_free(work);
  ks_free(bands);
}

void ln_info_apply(IMAGE_REC* im) {
  if (!im || !im->lanes) return;
  mh_status_message(gt_get_status_bar(), 1, "%s", gt_get_message(14));
  gt_busy_begin();
  // A work copy of the record whose lane list holds one lane at a time, so that the band
  // finder sees only that lane.
  IMAGE_REC work = *im;
  work.window = work.draw_area = nullptr;
  LANE* head = ln_make_lane();
  if (!head) {
    gt_busy_end();
    return;
  }
  work.lanes = head;
  const CONTROL* ctl = gt_get_control();
  const int described = ln_info_get_num_lanes();
  int sel = 0;
  for (LANE *prev = im->lanes, *l = im->lanes->next; l; prev = l, l = l->next) {
    if (!(l->f & LN_F_SELECTED)) continue;
    prev->next = l->next;
    LANE* after = l->next;
    l->next = nullptr;
    head->next = l;
    int top, bottom, intensity, max_detect, quantify;
    const bool from_file = sel < described;
    if (from_file) {
      ln_info_assign_lane_labels(sel, l);
      ln_info_get_det_parms(sel, &top, &bottom, &intensity, &max_detect, &quantify);
    } else {
      top = im->min_top_band_thick, bottom = im->min_bot_band_thick;
      intensity = im->band_threshold, max_detect = im->band_threshold2;
      quantify = ctl->fnd_bnd_quant;
    }
    gt_band_do_find(&work, top, bottom, intensity, max_detect, quantify, 0, 1);
    head->next = nullptr;
    l->next = after;
    prev->next = l;
    if (from_file) ln_info_assign_std(l, sel, im);
    l->f &= ~uint32_t(LN_F_SELECTED);
    ++sel;
  }
  ln_free_lane(head);
  // The file's set-up is one act: once every lane has its bands and standards, every lane is
  // sized and every band's concentration worked out against the lists, as the standards
  // tools do when they end. Lanes whose bands were found after a ladder would stay unsized.
  if (im->lanes && im->bands)
    std_lane_spots_calc(im->img_info, im->lanes, im->bands, im->size_stdp,
                        im->lane_hdr ? im->lane_hdr->num_tiers : 0);
  if (im->conc_stdp && *im->conc_stdp && im->bands) std_conc_calc(im->bands, *im->conc_stdp);
  im->modified = 1;
  im->std_present = 1;
  im->num_sel_bands = 0, im->num_sel_lanes = 0, im->cur_lane = nullptr;
  std::fill(std::begin(im->lane_index), std::end(im->lane_index), 0);
  if (im->window) gt_redraw_img(im);
  ln_info_done();
  mh_clear_status(gt_get_status_bar(), 0);
  gt_busy_end();
}

// The lane-definition dialog ---------------------------------------------------------------------

namespace {

std::string s_path;           // the chosen info file, "" none
bool s_opened_once = false;   // the path is forgotten at the first opening of a run

void forget_file(TK_OBJ win) {
  ln_info_done();
  s_path.clear();
  WGT_SetValue(RES_GetSub(win, 5), 0);
  WGT_SetLabel(RES_GetSub(win, 5), gt_get_message(155));
}

// A loaded file fixes the mode (a block of lanes), the lane count and the automatic toggle;
// without one the lane count and the toggle are offered only for a block of lanes.
void refresh(TK_OBJ win) {
  if (!s_path.empty() && ln_info_init(s_path.c_str()) == -1) {
    mh_send_msg(1, gt_get_message(154), s_path.c_str());
    forget_file(win);
  }
  TK_OBJ field = RES_GetSub(win, 0), choice = RES_GetSub(win, 3), autom = RES_GetSub(win, 4);
  TK_OBJ toggle = RES_GetSub(win, 5);
  if (ln_info_loaded()) {
    WGT_SetValue(toggle, 1);
    const char* slash = std::strrchr(s_path.c_str(), '/');
    const std::string label =
        std::string(gt_get_message(155)) + ":  " + (slash ? slash + 1 : s_path.c_str());
    WGT_SetLabel(toggle, label.c_str());
    WGT_SetValue(choice, 1);
    WGT_Enable(choice, 0);
    WGT_SetText(field, std::to_string(ln_info_get_num_lanes()).c_str());
    WGT_Enable(field, 0);
    WGT_SetValue(autom, ln_info_get_auto() == 1 ? 1 : 0);
    WGT_Enable(autom, 0);
    return;
  }
  WGT_SetValue(toggle, 0);
  WGT_Enable(choice, 1);
  const bool block = WGT_GetValue(choice) != 0;
  WGT_Enable(field, block ? 1 : 0);
  WGT_Enable(autom, block ? 1 : 0);
}

long S_ln_info_choiceNfy(TK_OBJ choice, int event) {
  const long r = WGT_DefaultNfy(choice, event);
  if (event == TK_EV_ACTIVATE) refresh(RES_GetOwnerWindow(choice));
  return r;
}

// The info-file toggle: on asks for a file and reads it; off (or a cancelled chooser) forgets it.
long S_CBut2Nfy(TK_OBJ toggle, int event) {
  const long r = WGT_DefaultNfy(toggle, event);
  if (event != TK_EV_ACTIVATE) return r;
  TK_OBJ win = RES_GetOwnerWindow(toggle);
  CONTROL* ctl = gt_get_control();
  char path[KS_PATH_LEN] = "";
  if (WGT_GetValue(toggle) == 0 ||
      !io_win32_singlefile(path, sizeof path, "Select a Lane Info file...",
                           ctl->folders[CTL_DIR_LANEINFO], "", "Lane Info Files (*.inf)\0*.inf\0",
                           ".inf", TRUE, TRUE)) {
    forget_file(win);
  } else if (ln_info_init(path) == -1) {
    mh_send_msg(1, gt_get_message(154), path);
    forget_file(win);
  } else {
    s_path = path;
  }
  refresh(win);
  return r;
}

}  // namespace

const char* gt_fd_lane_info_path() { return s_path.c_str(); }

int gt_fd_lane_info_activate(TK_OBJ owner, IMAGE_REC* im) {
  if (!im) return -1;
  if (!s_opened_once) {
    s_opened_once = true;
    s_path.clear();
  }
  CONTROL* ctl = gt_get_control();
  const GtPartNfy parts[] = {{1, S_OK_PButNfy}, {2, S_Cancel_PButNfy}, {3, S_ln_info_choiceNfy},
                             {4, S_swallow_activateNfy}, {5, S_CBut2Nfy}};
  TK_OBJ win = gt_tool_win_load("ln_info", owner, S_modal_winNfy, parts, 5);
  if (!win) return -1;
  WGT_SetValue(RES_GetSub(win, 3), ctl->lane_def_mode ? 1 : 0);
  WGT_SetText(RES_GetSub(win, 0),
              std::to_string(ctl->lane_count == -1 ? 7 : ctl->lane_count).c_str());
  WGT_SetValue(RES_GetSub(win, 4), ctl->lane_count == -1 ? 0 : ctl->fnd_auto);
  WGT_SetLabel(RES_GetSub(win, 5), gt_get_message(155));
  refresh(win);
  ui_wpos_place(win, 80, 50, 0);
  if (WIN_DoModal(win) != 1) {
    WIN_Terminate(win);
    return -1;
  }
  im->num_block_points = 1;
  if (im->block_points)
    for (int i = 0; i < 8; ++i) im->block_points[i] = -1;
  im->marker_w[0] = im->marker_w[1] = -1;
  im->num_lane_coords = 0;
  const bool block = WGT_GetValue(RES_GetSub(win, 3)) != 0;
  const char* text = WGT_GetText(RES_GetSub(win, 0));
  const int asked = text ? std::atoi(text) : 0;
  const int automatic = static_cast<int>(WGT_GetValue(RES_GetSub(win, 4)));
  int mode = 1;
  if (block) {
    mode = automatic ? 0 : 2;
    gt_deselect_all(nullptr, im);
    im->num_sel_lanes = asked;
    if (im->num_sel_lanes > LN_INFO_MAX_LANES) {
      mh_send_msg(0, gt_get_message(73), LN_INFO_MAX_LANES);
      im->num_sel_lanes = LN_INFO_MAX_LANES;
    }
    if (im->num_sel_lanes < 2) {
      mh_send_msg(0, gt_get_message(75), 2);
      im->num_sel_lanes = 2;
    }
  } else {
    ks_free(im->lane_coords);
    im->lane_coords = static_cast<int*>(ks_alloc_msg(sizeof(int) * 2));
    if (im->lane_coords) im->lane_coords[0] = im->lane_coords[1] = -1;
  }
  ctl->lane_def_mode = block ? 1 : 0;
  ctl->lane_count = asked;
  ctl->fnd_auto = automatic;
  WIN_Terminate(win);
  return mode;
}
