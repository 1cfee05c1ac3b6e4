// Band report engine: field tables and value routines.
#include "analysis/rep_engine.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/slog.h"
#include "engine/lane_geometry.h"
#include "engine/std_numeric.h"
#include "model/control.h"
#include "model/image_rec.h"
#include "model/lanechar.h"
#include "toolkit/tk_res.h"

const RepColumn kRepBandColumns[REP_NUM_BAND_FIELDS] = {
    {"Image", "Image", 13},
    {"Lane Name", "Lane", 15},
    {"Lane #", "Lane #", 6},
    {"Lane Vol.", "Lane Vol.", 9},
    {"Lane Size", "Lane Size", 9},
    {"Band #", "Band #", 6},
    {"Band Size", "Size", 9},
    {"Band Intensity", "Int.", 6},
    {"Band Vol.", "Vol.", 12},
    {"Band % of Lane Vol.", "% Vol.", 6},
    {"Band Vol/Size", "Vol/Size", 8},
    {"Band Area", "Area", 6},
    {"Band Bkgd.", "Bkgd.", 6},
    {"Band Rf", "Rf", 5},
    {"Band Position (mm)", "Pos.(mm)", 8},
    {"Band Conc.", "Conc.", 9},
    {"Band X Location", "X", 4},
    {"Band Y Location", "Y", 4},
    {"User-added Band", "Added", 5},
    {"Size Std. Band", "Std", 3},
    {"Conc Std Band", "Std", 3},
    {"Band Comments", "Comments", 21},
    {"Lane Norm Vol.", "Ln Norm Vol", 13},
    {"Image Norm Vol.", "Img Norm Vol", 13},
};

const RepColumn kRepLMatchColumns[REP_NUM_LMATCH_FIELDS] = {
    {"Lane #", "Lane #", 6},
    {"# Bands", "# Bands", 7},
    {"# Matched Bands", "# Matched Bands", 9},
    {"# Unmatched Bands", "# Unmatched Bands", 11},
    {"Match %", "Match %", 7},
    {"Pattern", "Pattern", 2},
    {"Zeros and Ones", "Zeros and Ones", 2},
    {"Image Name", "Image", 13},
};

const char* const kRepHdrLabels[REP_NUM_HDR_FIELDS] = {
    "Image",
    "Image Comments",
    "Min. Band Thickness",
    "Min. Band Intensity",
    "Size Interp. Method",
    "Size Extrap. Method",
    "Conc. Interp. Method",
    "Conc. Extrap. Method",
    "# of Bands",
    "Lane Selection File",
    "OD/Intensity Interp.",
    "Match Method",
    "Band Size Tolerance",
    "InterBand Spacing",
    "Band Volume Tol.",
    "Lane Match Threshold",
    "Match Lane Sel. File",
    "Reference Lane #",
    "Band Count Tolerance",
};

namespace {

RepState s_state;

constexpr uint32_t kUserAdded = 0x80000000u;


// At most `cut` characters of a text.
std::string cut_text(const char* text, size_t cut) {
  if (text == nullptr) return {};
  return std::string(text, strnlen(text, cut));
}

// The size-standard list of the image's first tier, and its concentration list.
const STD_LIST* size_list(const IMAGE_REC* image) {
  return image && image->size_stdp ? image->size_stdp[0] : nullptr;
}
const STD_LIST* conc_list(const IMAGE_REC* image) {
  return image && image->conc_stdp ? image->conc_stdp[0] : nullptr;
}

// Calibrated value of a profile value.
double od_value(const IMG_INT_INFO* table, int value) {
  return ih_lookup_val(table, uint32_t(value < 0 ? 0 : value));
}

// A text of the string list "StrL..." of module rep_fld, or the built-in text when the
// resource lacks it.
std::string rep_fld_text(const char* list, long number, const char* fallback) {
  const char* s = RES_GetString("rep_fld", list, number);
  return s ? std::string(s) : std::string(fallback ? fallback : "");
}

void lane_match_value(int code, std::string& out) {
  const RepState& st = s_state;
  const RepMatchLane* m = st.match_lane;
  if (m == nullptr) return;
  const int nref = st.match ? int(st.match->ref_bands.size()) : 0;
  switch (code) {
    case 0: out = rep_fmt("%ld", long(m->lane_number)); break;
    case 1: out = rep_fmt("%d", int(m->bands.size())); break;
    case 2: out = rep_fmt("%d", int(m->pairs.size())); break;
    case 3: out = rep_fmt("%d", int(m->bands.size()) - int(m->pairs.size())); break;
    case 4: out = rep_fmt("%d", m->percent); break;
    case 5: rep_pattern(nref, m->pairs, out); break;
    case 6: rep_zeros_ones(nref, m->pairs, out); break;
    case 7:
      out.clear();
      if (st.match && st.match->ref_kind != 0) out = "<n/a>";
      else if (st.image != nullptr) out = st.row_image_name;
      break;
    default: out.clear(); break;
  }
}

// Value of lane characteristic column k: the lane's value for the k-th name of the control
// record; empty when the lane has none.
void lane_char_value(int k, std::string& out) {
  out.clear();
  const CONTROL* ctl = gt_get_control();
  const LANE* lane = s_state.lane;
  if (lane == nullptr || k < 0 || k >= ctl->num_lane_chars || ctl->lane_chars == nullptr) return;
  const char* name = ctl->lane_chars[k];
  for (int i = 0; i < lane->num_lane_chars; ++i) {
    const LANECHAR* c = lane->lane_chars ? lane->lane_chars[i] : nullptr;
    if (c != nullptr && std::strncmp(c->name, name, CTL_LC_NAME) == 0) {
      out = cut_text(c->value, sizeof c->value);
      return;
    }
  }
}

}  // namespace

std::string rep_fmt(const char* f, ...) {
  va_list ap;
  va_start(ap, f);
  va_list ap2;
  va_copy(ap2, ap);
  const int n = std::vsnprintf(nullptr, 0, f, ap);
  va_end(ap);
  std::string s(n > 0 ? size_t(n) : 0, '\0');
  if (n > 0) std::vsnprintf(s.data(), size_t(n) + 1, f, ap2);
  va_end(ap2);
  return s;
}

bool rep_fld_is_column(int32_t code, int max_fixed) {
  if (code >= 0 && code < max_fixed) return true;
  return code >= REP_LC_BASE && code - REP_LC_BASE < REP_LC_LIMIT;
}

int rep_digits(int digits) { return std::clamp(digits, 0, REP_DIGITS_MAX); }

RepState::RepState() {
  for (auto& h : hdr) h = -1;
  for (auto& f : fld) f = -1;
}

RepState& rep_state() { return s_state; }
void rep_state_reset() { s_state = RepState(); }

const char* rep_type_title(int type) {
  static const char* const titles[REP_NUM_TYPES] = {
      "Kestrin Selected Bands Report", "Kestrin Selected Lanes Report",
      "Kestrin All Lanes Report",      "Kestrin Band Match Report",
      "Kestrin Lane Match Report",     "Kestrin Active Image Report"};
  return type >= 0 && type < REP_NUM_TYPES ? titles[type] : "";
}

void rep_pattern(int num_ref, const std::vector<RepPair>& pairs, std::string& out) {
  out.clear();
  for (int k = 0; k < num_ref; ++k) {
    char c = '_';
    for (const RepPair& p : pairs)
      if (p.ref == k) {
        c = p.key;
        break;
      }
    if (k > 0) out += ' ';
    out += c;
  }
}

void rep_zeros_ones(int num_ref, const std::vector<RepPair>& pairs, std::string& out) {
  out.clear();
  for (int k = 0; k < num_ref; ++k) {
    bool hit = false;
    for (const RepPair& p : pairs) hit = hit || p.ref == k;
    if (k > 0) out += ' ';
    out += hit ? '1' : '0';
  }
}

void rep_lane_totals(SPOT* const* bands, int n) {
  RepState& st = s_state;
  if (st.type == REP_BAND_MATCH) {
    st.lane_vol = 1000.0;
    st.lane_size = 500.0;
    return;
  }
  st.lane_vol = 0;
  st.lane_size = 0;
  for (int i = 0; i < n; ++i) {
    st.lane_vol += bands[i]->amount;
    if (bands[i]->size > 0) st.lane_size += bands[i]->size;
  }
}

long count_image_bands() {
  const RepState& st = s_state;
  if (st.type == REP_BAND_MATCH || st.type == REP_LANE_MATCH)
    return st.match ? long(st.match->ref_bands.size()) : 0;
  if (st.image == nullptr || st.image->bands == nullptr) return 0;
  long n = 0;
  for (const SPOT* b = st.image->bands->next; b != nullptr; b = b->next) ++n;
  return n;
}

void get_band_fld_val_str(int code, int band_no, const SPOT* band, std::string& out) {
  RepState& st = s_state;
  out = "*";
  if (st.type == REP_LANE_MATCH) {
    if (code >= REP_LC_BASE) lane_char_value(code - REP_LC_BASE, out);
    else lane_match_value(code, out);
    return;
  }
  if (code >= REP_LC_BASE) {
    lane_char_value(code - REP_LC_BASE, out);
    return;
  }
  const CONTROL* ctl = gt_get_control();
  const IMAGE_REC* image = st.image;
  const LANE* lane = st.lane;
  if (code >= 5 && code <= 23) {
    st.band_level = true;
    if (band == nullptr) return;
  }
  switch (code) {
    case 0:
      out.clear();
      if (st.type == REP_BAND_MATCH && st.match && st.match->ref_kind != 0) out = "<n/a>";
      else if (image != nullptr) out = st.row_image_name;
      break;
    case 1:
      if (lane == nullptr) break;
      if (lane->lane_name[0] != '\0') out = cut_text(lane->lane_name, sizeof lane->lane_name);
      else out = rep_fmt("%ld", long(lane->lane_number));
      break;
    case 2:
      if (lane != nullptr) out = rep_fmt("%ld", long(lane->lane_number));
      break;
    case 3: out = rep_fmt("%.3f", st.lane_vol); break;
    case 4:
      if (st.lane_size > 0.0001) out = rep_fmt("%.3f", st.lane_size);
      break;
    case 5:
      if (band_no != -1) out = rep_fmt("%d", band_no);
      break;
    case 6:
      if (band->size > 0.0001) out = rep_fmt("%.*lf", rep_digits(ctl->size_digits), band->size);
      break;
    case 7:
      out = "n/a";
      if (image && image->img_int_info) {
        double d = od_value(image->img_int_info, band->od) -
                   od_value(image->img_int_info, band->baseline);
        out = rep_fmt("%.2lf", d < 0 ? 0.0 : d);
      }
      break;
    case 8:
      out = rep_fmt((band->f1 & 0xFu) == 0 ? "*%.*lf" : "%.*lf", rep_digits(ctl->conc_digits), band->amount);
      break;
    case 9:
      if (st.lane_vol > 0.0001) out = rep_fmt("%.2lf", band->amount / st.lane_vol * 100.0);
      break;
    case 10:
      if (band->size > 0) out = rep_fmt("%.3lf", band->amount / band->size);
      break;
    case 11: out = rep_fmt("%.2lf", band->area); break;
    case 12:
      if (image && image->img_int_info) {
        const double d = od_value(image->img_int_info, band->baseline);
        out = rep_fmt("%.2lf", d < 0 ? 0.0 : d);
      } else {
        out = "n/a";
      }
      break;
    case 13:
      if (lane != nullptr) out = rep_fmt("%.3lf", ln_y_to_rf(band->y, lane));
      break;
    case 14:
      out.clear();
      if (image && image->img_info && lane && lane->num_center_points > 0 && lane->center_coords) {
        const IMG_INFO* h = image->img_info;
        const double mm = double(band->y - lane->center_coords[0].y + 1) * h->y_res *
                          std::pow(10.0, h->y_scale);
        out = rep_fmt("%.2lf", mm);
      }
      break;
    case 15:
      if (band->std_value > 0.00001) out = rep_fmt("%.*lf", rep_digits(ctl->conc_digits), band->std_value);
      break;
    case 16: out = rep_fmt("%d", band->x); break;
    case 17: out = rep_fmt("%d", band->y); break;
    case 18: out = (band->f1 & kUserAdded) ? "Y" : "N"; break;
    case 19: out = (band->f2 & 8u) ? "Y" : "N"; break;
    case 20: out = (band->f2 & 64u) ? "Y" : "N"; break;
    case 21: out = cut_text(band->label, std::min<size_t>(REP_CUT, sizeof band->label)); break;
    case 22:
      if (lane && lane->norm_ii > 0.001) out = rep_fmt("%.3lf", band->amount / lane->norm_ii);
      break;
    case 23:
      out.clear();
      if (image && image->band_hdr && image->band_hdr->norm_band_ii > 0.001)
        out = rep_fmt("%.3lf", band->amount / image->band_hdr->norm_band_ii);
      break;
    default: out.clear(); break;  // a code without a column of its own
  }
}

void get_hdr_fld_val_str(int code, std::string& out) {
  const RepState& st = s_state;
  const CONTROL* ctl = gt_get_control();
  const IMAGE_REC* image = st.image;
  const RepMatch* m = st.match;
  const bool table = st.format == FMT_HORZ_TABLE;
  out.clear();
  char buf[256] = "";
  switch (code) {
    case 0:
      if (image) out = cut_text(image->image_name, sizeof image->image_name);
      break;
    case 1:
      if (image && image->comment) out = cut_text(image->comment, table ? REP_CUT : 1023);
      break;
    case 2:
      if (image) out = rep_fmt("%ld", long((image->min_top_band_thick + image->min_bot_band_thick) / 2));
      break;
    case 3:
      if (image) out = rep_fmt("%ld", long(image->band_threshold));
      break;
    case 4: case 6: {
      const STD_LIST* l = code == 4 ? size_list(image) : conc_list(image);
      if (l) {
        std_get_interp_str(l->int_method, buf, "", sizeof buf);
        out = buf;
      }
      break;
    }
    case 5: case 7: {
      const STD_LIST* l = code == 5 ? size_list(image) : conc_list(image);
      if (l) {
        std_get_marker_str(l->extrap_method, buf, sizeof buf);
        out = buf;
      }
      break;
    }
    case 8: out = rep_fmt("%ld", count_image_bands()); break;
    case 9: out = cut_text(ctl->lane_sel_file, table ? REP_CUT : sizeof ctl->lane_sel_file); break;
    case 10:
      if (image && image->img_int_info)
        out = image->img_int_info->interp_type == 0 ? "Logarithmic" : "Linear";
      break;
    case 11:
      if (m) {
        const char* name = m->method == 0 ? "Jaccard" : m->method == 1 ? "Dice"
                                                                       : "Percent of Reference";
        out = cut_text(name, table ? REP_CUT : 64);
      }
      break;
    case 12: if (m) out = rep_fmt("%.2lf %%", m->size_tol); break;
    case 13: if (m) out = rep_fmt("%.2lf %%", m->spacing_tol); break;
    case 14: if (m) out = rep_fmt("%.2lf %%", m->volume_tol); break;
    case 15: if (m) out = rep_fmt("%.2lf %%", m->threshold); break;
    case 16:
      if (m) out = cut_text(m->match_lanesel_file.c_str(), table ? REP_CUT : 256);
      break;
    case 17:
      if (m) out = m->ref_kind != 0 ? std::string("<n/a>") : rep_fmt("%ld", long(m->ref_lane_number));
      break;
    case 18:
      if (m)
        out = m->band_count_limit == 100 ? rep_fmt("%ld (no limit)", long(m->band_count_limit))
                                         : rep_fmt("%ld", long(m->band_count_limit));
      break;
    default: break;
  }
}

std::string rep_hdr_label(int code) {
  if (code < 0 || code >= REP_NUM_HDR_FIELDS) return {};
  return rep_fld_text("StrLBandReportHdrFields", code, kRepHdrLabels[code]);
}

std::string rep_fld_heading(int code) {
  const RepState& st = s_state;
  const CONTROL* ctl = gt_get_control();
  if (code >= REP_LC_BASE) {
    const int k = code - REP_LC_BASE;
    if (ctl->num_lane_chars <= 0 || ctl->lane_chars == nullptr) return "(null)";
    if (k >= ctl->num_lane_chars) return {};
    return cut_text(ctl->lane_chars[k], CTL_LC_NAME);
  }
  if (code < 0) return {};
  if (st.type == REP_LANE_MATCH)
    return code < REP_NUM_LMATCH_FIELDS ? kRepLMatchColumns[code].heading : "";
  if (code >= REP_NUM_BAND_FIELDS) return {};
  if (code == 6 && ctl->size_unit[0] != '\0') return cut_text(ctl->size_unit, CTL_UNIT);
  if (code == 15 && ctl->conc_unit[0] != '\0') return cut_text(ctl->conc_unit, CTL_UNIT);
  return rep_fld_text("StrLBandReportTableFields", 2L * code + 1, kRepBandColumns[code].heading);
}

int rep_fld_width(int code) {
  if (code >= REP_LC_BASE || code < 0) return REP_LC_WIDTH;
  if (s_state.type == REP_LANE_MATCH)
    return code < REP_NUM_LMATCH_FIELDS ? kRepLMatchColumns[code].width : 1;
  return code < REP_NUM_BAND_FIELDS ? kRepBandColumns[code].width : 1;
}
