// The image state record and the preferences file.
#include "io/img_state.h"

#include <cstring>
#include <vector>

#include "base/ks_mem.h"
#include "base/slog.h"
#include "io/io_msg.h"
#include "io/legacy_state.h"

namespace {

void put_cfg(ByteWriter& w, const REPORT_CFG& c) {
  w.i32(c.num_hdr_ids);
  for (int32_t v : c.hdr_ids) w.i32(v);
  w.i32(c.titles);
  w.i32(c.datetime);
  w.i32(c.colheads);
  w.i32(c.dashes);
  w.i32(c.num_fld_ids);
  w.i32(c.max_fixed);
  for (int32_t v : c.fld_ids) w.i32(v);
  w.i32(c.num_lane_chars);
  w.bytes(c.lc_names, sizeof c.lc_names);
}

void get_cfg(ByteReader& r, REPORT_CFG& c) {
  r.i32(c.num_hdr_ids);
  for (int32_t& v : c.hdr_ids) r.i32(v);
  r.i32(c.titles);
  r.i32(c.datetime);
  r.i32(c.colheads);
  r.i32(c.dashes);
  r.i32(c.num_fld_ids);
  r.i32(c.max_fixed);
  for (int32_t& v : c.fld_ids) r.i32(v);
  r.i32(c.num_lane_chars);
  r.bytes(c.lc_names, sizeof c.lc_names);
  // The counts index the fixed slot arrays of the block: counts read from a file are held to
  // the slots there, so that no user of the configuration walks past them.
  rep_cfg_bound(&c);
}

template <std::size_t N>
void get_text(ByteReader& r, char (&dst)[N]) {
  r.text(dst, N, N);
}

}  // namespace

int io_wr_gt_img_state(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token) {
  static const char* fn = "io_wr_gt_img_state";
  if (token != nullptr) {
    token->version = GT_IMG_STATE_VERSION;
    token->count = 0;
  }
  const auto* s = entry != nullptr ? static_cast<const GT_IMG_STATE*>(entry->record) : nullptr;
  if (s == nullptr) {
    SLOG(fn, SLOG_EXIT, "%s", "no state, 0");
    return IO_OK;
  }
  ByteWriter w(file.big_endian());
  w.i32(s->sel_mode);
  w.i32(s->scan_word);
  w.i32(s->bnd_word);
  w.i32(s->fnd_auto);
  for (int32_t v : s->bnd_detect) w.i32(v);
  w.i32(s->prf_word);
  w.i16(s->prf_vals[0]);
  w.i16(s->prf_vals[1]);
  w.i32(s->calib_word);
  w.i32(s->calib_stdset);
  w.i32(s->calib_requant);
  w.i32(s->size_interp);
  w.i32(s->size_extrap);
  w.i32(s->size_stdset);
  w.i32(s->size_requant);
  w.i32(s->conc_interp);
  w.i32(s->conc_extrap);
  w.i32(s->conc_stdset);
  w.i32(s->cmap_code);
  w.i32(s->cmap_level);
  w.i32(s->cmap_width);
  for (const auto& t : s->stdset_paths) w.text(t, CTL_PATH);
  for (int32_t v : s->disp_codes) w.i32(v);
  w.text(s->size_unit, CTL_UNIT);
  w.text(s->conc_unit, CTL_UNIT);
  w.text(s->dist_unit, CTL_UNIT);
  w.text(s->other_unit, CTL_PATH);
  w.i32(s->size_digits);
  w.i32(s->conc_digits);
  w.i32(s->rep_word);
  for (const REPORT_CFG& c : s->rep_cfg) put_cfg(w, c);
  for (const auto& t : s->short_texts) w.text(t, CTL_SHORT);

  const int n = s->lane_chars != nullptr && s->num_lane_chars > 0 ? s->num_lane_chars : 0;
  w.i32(n);
  SLOG(fn, SLOG_VALUE4, "num_lane_chars %d", n);
  for (int i = 0; i < n; ++i) {
    // Each name is taken as a text and its first 20 bytes are stored.
    char name[CTL_LC_NAME] = {};
    if (s->lane_chars[i] != nullptr) std::strncpy(name, s->lane_chars[i], CTL_LC_NAME - 1);
    w.text(name, GT_IMG_STATE_NAME_LEN);
    SLOG(fn, SLOG_VALUE5, "[%2d] <%s>", i, name);
  }

  w.i32(s->match_word);
  for (double d : s->match_tol) w.f64(d);
  w.text(s->lane_sel_file, CTL_PATH);
  w.i32(s->size_nstd);
  w.i32(s->size_nstd_a);
  w.i32(s->size_nstd_b);
  for (const auto& t : s->folders) w.text(t, CTL_PATH);
  w.text(s->import_path, CTL_PATH);
  w.i32(s->dtool_word);
  w.i32(s->band_count_limit);
  w.text(s->image_list_file, CTL_PATH);
  w.i32(s->lane_label_idx);
  for (const auto& t : s->recent) w.text(t, CTL_PATH);
  w.i32(s->misc_word);
  w.bytes(s->misc_block, sizeof s->misc_block);
  w.i32(s->flags);
  w.i32(s->extra_words[0]);
  w.i32(s->extra_words[1]);
  w.text(s->extra_texts[0], CTL_PATH);
  w.text(s->extra_texts[1], CTL_PATH);

  file.bytes(w.data(), w.size());
  return IO_OK;
}

void io_free_gt_img_state(ANALYSIS_ENTRY* entry) {
  if (entry == nullptr) return;
  gt_state_free(static_cast<GT_IMG_STATE*>(entry->record));
  entry->record = nullptr;
}

int io_rd_gt_img_state(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap) {
  static const char* fn = "io_rd_gt_img_state";
  if (entry == nullptr || token == nullptr) return IO_ERR_READ;
  std::vector<uint8_t> bytes;
  if (int rc = io_take_record(file, token, bytes, false); rc != 0) {  // -2 or -5
    SLOG(fn, SLOG_EXIT, "can't take %d bytes (%d)", token->analysis_length, rc);
    return rc;
  }
  ByteReader r(bytes, file.big_endian());
  SLOG(fn, SLOG_ENTRY, "length %zu, swap %d", bytes.size(), swap);

  // The part before the names, then the names, then the part before T+304 must be there.
  if (bytes.size() < static_cast<std::size_t>(GT_IMG_STATE_NAMES)) {
    SLOG(fn, SLOG_EXIT, "%s", "record too short, -5");
    return IO_ERR_READ;
  }
  GT_IMG_STATE* s = gt_state_alloc();
  if (s == nullptr) return IO_ERR_MEM;

  r.i32(s->sel_mode);
  r.i32(s->scan_word);
  r.i32(s->bnd_word);
  r.i32(s->fnd_auto);
  for (int32_t& v : s->bnd_detect) r.i32(v);
  r.i32(s->prf_word);
  r.i16(s->prf_vals[0]);
  r.i16(s->prf_vals[1]);
  r.i32(s->calib_word);
  r.i32(s->calib_stdset);
  r.i32(s->calib_requant);
  r.i32(s->size_interp);
  r.i32(s->size_extrap);
  r.i32(s->size_stdset);
  r.i32(s->size_requant);
  r.i32(s->conc_interp);
  r.i32(s->conc_extrap);
  r.i32(s->conc_stdset);
  r.i32(s->cmap_code);
  r.i32(s->cmap_level);
  r.i32(s->cmap_width);
  for (auto& t : s->stdset_paths) get_text(r, t);
  for (int32_t& v : s->disp_codes) r.i32(v);
  get_text(r, s->size_unit);
  get_text(r, s->conc_unit);
  get_text(r, s->dist_unit);
  get_text(r, s->other_unit);
  r.i32(s->size_digits);
  r.i32(s->conc_digits);
  r.i32(s->rep_word);
  for (REPORT_CFG& c : s->rep_cfg) get_cfg(r, c);
  for (auto& t : s->short_texts) get_text(r, t);
  int32_t n = 0;
  r.i32(n);

  const int64_t t_off = GT_IMG_STATE_NAMES + int64_t{GT_IMG_STATE_NAME_LEN} * (n < 0 ? 0 : n);
  if (!r.ok() || n < 0 || t_off + 304 > static_cast<int64_t>(bytes.size())) {
    SLOG(fn, SLOG_EXIT, "num_lane_chars %d does not fit %zu bytes, -5", n, bytes.size());
    gt_state_free(s);
    return IO_ERR_READ;
  }
  if (n > 0) {
    s->lane_chars = static_cast<char**>(ks_alloc_msg(sizeof(char*) * static_cast<std::size_t>(n)));
    if (s->lane_chars == nullptr) {
      ks_dbg_null_ptr(fn, "lane_chars");
      gt_state_free(s);
      return IO_ERR_MEM;
    }
    for (int i = 0; i < n; ++i) {
      s->lane_chars[i] = static_cast<char*>(ks_alloc_msg(CTL_LC_NAME));
      if (s->lane_chars[i] == nullptr) {
        ks_dbg_null_ptr(fn, "lane_chars[i]");
        s->num_lane_chars = i;
        gt_state_free(s);
        return IO_ERR_MEM;
      }
      r.text(s->lane_chars[i], CTL_LC_NAME, GT_IMG_STATE_NAME_LEN);
    }
  }
  s->num_lane_chars = n;

  r.i32(s->match_word);
  for (double& d : s->match_tol) r.f64(d);
  get_text(r, s->lane_sel_file);
  r.i32(s->size_nstd);
  r.i32(s->size_nstd_a);
  r.i32(s->size_nstd_b);

  // From here on the record may end at any group start: a field is read only when it is
  // there whole, and the first one that is not ends the read.
  auto fits = [&r](std::size_t width) { return r.has(width); };
  bool more = true;
  auto text_field = [&](char* dst) {
    if (more && (more = fits(CTL_PATH))) r.text(dst, CTL_PATH, CTL_PATH);
  };
  auto int_field = [&](int32_t& v) {
    if (more && (more = fits(4))) r.i32(v);
  };
  for (auto& t : s->folders) text_field(t);
  text_field(s->import_path);
  int_field(s->dtool_word);
  int_field(s->band_count_limit);
  text_field(s->image_list_file);
  int_field(s->lane_label_idx);
  for (auto& t : s->recent) text_field(t);
  int_field(s->misc_word);
  if (more && (more = fits(sizeof s->misc_block))) r.bytes(s->misc_block, sizeof s->misc_block);
  s->flags = 0;
  s->extra_words[0] = s->extra_words[1] = 0;
  int_field(s->flags);
  int_field(s->extra_words[0]);
  int_field(s->extra_words[1]);
  text_field(s->extra_texts[0]);
  text_field(s->extra_texts[1]);

  if (!r.ok()) {
    gt_state_free(s);
    return IO_ERR_READ;
  }
  SLOG(fn, SLOG_EXIT, "num_lane_chars %d, OK", n);
  entry->record = s;
  return IO_OK;
}

int io_write_misc_file(ANALYSIS_TOKEN* token, ByteWriter& file, ANALYSIS_ENTRY* entry) {
  if (token == nullptr) return IO_ERR_TYPE;
  switch (token->analysis_type) {
    case 30:
      return io_wr_kr_img_state(file, entry, token);
    case GT_IMG_STATE_TYPE:
      return io_wr_gt_img_state(file, entry, token);
    case 50:
    case 56:
      return io_wr_mj_img_state(file, entry, token);
    case 55:
      return io_wr_kr_prf_state(file, entry, token);
    default:
      SLOG("io_write_misc_file", SLOG_ERROR, "bad type %d", token->analysis_type);
      return IO_ERR_TYPE;
  }
}

int io_read_misc_file(ANALYSIS_ENTRY* entry, ByteReader& file, ANALYSIS_TOKEN* token, int swap) {
  if (token == nullptr) return IO_ERR_TYPE;
  switch (token->analysis_type) {
    case 30:
      return io_rd_kr_img_state(file, entry, token, swap);
    case GT_IMG_STATE_TYPE:
      return io_rd_gt_img_state(file, entry, token, swap);
    case 50:
    case 56:
      return io_rd_mj_img_state(file, entry, token, swap);
    case 55:
      return io_rd_kr_prf_state(file, entry, token, swap);
    default:
      SLOG("io_read_misc_file", SLOG_ERROR, "bad type %d", token->analysis_type);
      return IO_ERR_TYPE;
  }
}

int io_write_misc(const char* path, ANALYSIS_ENTRY** list) {
  static const char* fn = "io_write_misc";
  SLOG(fn, SLOG_ENTRY, "<%s>", path ? path : "");
  if (path == nullptr || list == nullptr || list[0] == nullptr) {
    SLOG(fn, SLOG_EXIT, "%s", "nothing to write, -1");
    return IO_ERR_OPEN;
  }
  ANALYSIS_ENTRY* entry = list[0];
  ByteWriter w;
  ANALYSIS_HDR hdr{};
  hdr.mark[0] = hdr.mark[1] = 'I';
  hdr.num_analysis = 1;
  io_write_analysis_hdr(w, &hdr);
  ANALYSIS_TOKEN token{};
  io_write_analysis_token(w, &token);
  token.analysis_type = entry->type;
  token.analysis_offset = static_cast<int32_t>(w.size());
  const int r = io_write_misc_file(&token, w, entry);
  if (r != 0) {
    io_ui_msg(259);
    SLOG(fn, SLOG_EXIT, "record writer %d, -6", r);
    return IO_ERR_WRITE;
  }
  token.analysis_length = static_cast<int32_t>(w.size()) - token.analysis_offset;
  ByteWriter head;
  io_write_analysis_hdr(head, &hdr);
  io_write_analysis_token(head, &token);
  std::memcpy(w.buffer().data(), head.data(), head.size());
  if (!io_write_file_replace(path, w.buffer())) {
    io_ui_msg(258);
    SLOG(fn, SLOG_EXIT, "%s", "can't write file, -1");
    return IO_ERR_OPEN;
  }
  SLOG(fn, SLOG_EXIT, "type %d, length %d, OK", token.analysis_type, token.analysis_length);
  return IO_OK;
}

int io_read_misc(const char* path, ANALYSIS_ENTRY*** list) {
  static const char* fn = "io_read_misc";
  SLOG(fn, SLOG_ENTRY, "<%s>", path ? path : "");
  if (path == nullptr || list == nullptr) return IO_ERR_OPEN;
  if (!io_file_exists(path)) {
    SLOG(fn, SLOG_EXIT, "<%s> does not exist", path);
    return IO_ERR_OPEN;
  }
  std::vector<uint8_t> bytes;
  if (!io_read_whole_file(path, bytes)) {
    SLOG(fn, SLOG_EXIT, "%s", "Open binary read failed");
    return IO_ERR_OPEN;
  }
  ByteReader file(bytes);
  ANALYSIS_HDR hdr{};
  int swap = 0;
  if (io_read_analysis_hdr(file, &hdr, &swap) != 1) {
    SLOG(fn, SLOG_EXIT, "%s", "read_analysis_hdr failed");
    return IO_ERR_OPEN;
  }
  if (hdr.num_analysis <= 0) {
    io_ui_msg(262);
    SLOG(fn, SLOG_EXIT, "num_analysis = %d", hdr.num_analysis);
    return IO_ERR_OPEN;
  }
  ANALYSIS_TOKEN token{};
  if (io_read_analysis_token(swap, file, &token) != 1) {
    io_ui_msg(263);
    SLOG(fn, SLOG_EXIT, "%s", "read_analysis_token failed");
    return IO_ERR_OPEN;
  }
  if (token.analysis_type == 30) token.analysis_type = 55;
  SLOG(fn, SLOG_VALUE4, "analysis_type %d", token.analysis_type);
  SLOG(fn, SLOG_VALUE4, "verion %d", token.version);

  // The records follow the token table: skip the tokens of any further records.
  const int64_t first = IO_ANALYSIS_HDR_BYTES + int64_t{IO_ANALYSIS_TOKEN_BYTES} * hdr.num_analysis;
  if (first > static_cast<int64_t>(file.size()) || !file.seek(static_cast<std::size_t>(first))) {
    io_ui_msg(263);
    SLOG(fn, SLOG_EXIT, "%s", "token table runs past the file");
    return IO_ERR_OPEN;
  }

  ANALYSIS_ENTRY** l = io_alloc_analysis_list(1);
  if (l == nullptr) {
    ks_dbg_null_ptr(fn, "analysis_list");
    return IO_ERR_OPEN;
  }
  l[0] = io_alloc_analysis_entry();
  if (l[0] == nullptr) {
    ks_dbg_null_ptr(fn, "analysis_list[0]");
    ks_free(l);
    return IO_ERR_OPEN;
  }
  l[0]->type = token.analysis_type;
  if (io_is_binary_type(token.analysis_type)) {
    if (io_read_misc_file(l[0], file, &token, swap) != 0) {
      io_ui_msg(263);
      SLOG(fn, SLOG_EXIT, "%s", "read_misc_file failed");
      io_free_analysis_list(l, 1);
      return IO_ERR_OPEN;
    }
  }
  *list = l;
  SLOG(fn, SLOG_EXIT, "%s", "OK");
  return 1;
}
