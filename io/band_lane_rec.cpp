// Band and lane records of the analysis file.
#include "base/ks_mem.h"
#include "base/slog.h"
#include "io/gt_records.h"
#include "model/lane.h"
#include "model/lanechar.h"
#include "model/spot.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void read_spot_hdr(ByteReader& r, SPOT_HDR* h) {
  r.i32(h->version);
  r.i32(h->sens_level);
  r.f64(h->norm_band_ii);
  for (double& d : h->hdr_d) r.f64(d);
  r.i32(h->hdr_w112);
  for (int32_t& w : h->hdr_w116) r.i32(w);
  r.i32(h->hdr_w160);
  r.f32(h->hdr_f164);
  r.i32(h->reclen);
  r.i32(h->nrec);
  r.i32(h->nadds);
  r.i32(h->ndels);
  r.i32(h->hdr_w184);
  r.i32(h->hdr_w188);
}

void write_spot_hdr(ByteWriter& w, const SPOT_HDR* h) {
  w.i32(h->version);
  w.i32(h->sens_level);
  w.f64(h->norm_band_ii);
  for (double d : h->hdr_d) w.f64(d);
  w.i32(h->hdr_w112);
  for (int32_t v : h->hdr_w116) w.i32(v);
  w.i32(h->hdr_w160);
  w.f32(h->hdr_f164);
  w.i32(h->reclen);
  w.i32(h->nrec);
  w.i32(h->nadds);
  w.i32(h->ndels);
  w.i32(h->hdr_w184);
  w.i32(h->hdr_w188);
}

void read_band(ByteReader& r, SPOT* s, bool has_number) {
  if (has_number) r.i32(s->number);
  r.f64(s->amount);
  r.f64(s->std_value);
  r.u32(s->f1);
  r.u32(s->f2);
  r.f64(s->area);
  r.i32(s->x);
  r.i32(s->y);
  r.i32(s->thickness);
  r.i32(s->lane_width);
  r.u8(s->band_fw);
  r.u8(s->left_hw);
  r.u8(s->right_hw);
  r.i32(s->carried_int);
  r.f64(s->carried_dbl);
  r.f64(s->size);
  r.i32(s->od);
  r.i32(s->baseline);
  r.text(s->label, sizeof s->label, 21);
  r.i32(s->extra1);
  r.i32(s->extra2);
  for (int32_t& v : s->bound_x) r.i32(v);
  for (int32_t& v : s->bound_y) r.i32(v);
}

void write_band(ByteWriter& w, const SPOT* s) {
  w.i32(s->number);
  w.f64(s->amount);
  w.f64(s->std_value);
  w.u32(s->f1);
  w.u32(s->f2 & ~SP_F2_SELECTED);  // the selection is not kept in the file
  w.f64(s->area);
  w.i32(s->x);
  w.i32(s->y);
  w.i32(s->thickness);
  w.i32(s->lane_width);
  w.u8(s->band_fw);
  w.u8(s->left_hw);
  w.u8(s->right_hw);
  w.i32(s->carried_int);
  w.f64(s->carried_dbl);
  w.f64(s->size);
  w.i32(s->od);
  w.i32(s->baseline);
  w.text(s->label, 21);
  w.i32(s->extra1);
  w.i32(s->extra2);
  for (int32_t v : s->bound_x) w.i32(v);
  for (int32_t v : s->bound_y) w.i32(v);
}

}  // namespace

void io_free_gt_band(ANALYSIS_ENTRY* e) {
  if (!e) return;
  ln_free_bands(static_cast<SPOT*>(e->record));
  ks_free(e->header);
  e->record = nullptr;
  e->header = nullptr;
}

int io_rd_gt_band(ByteReader& file, ANALYSIS_ENTRY* e, ANALYSIS_TOKEN* t, int swap) {
  static const char* fn = "io_rd_gt_band";
  std::vector<uint8_t> rec;
  int rc = io_take_record(file, t, rec, true);
  if (rc != 0) {
    SLOG(fn, SLOG_ERROR, "read file failed");
    return rc;
  }
  SPOT_HDR* hdr = ks_new_rec<SPOT_HDR>();
  SPOT* head = sp_make_spot();
  if (!hdr || !head) {
    ks_free(hdr);
    ln_free_bands(head);
    SLOG(fn, SLOG_ERROR, hdr ? "1st sp_make_spot failed" : "can't alloc SPOT_HDR");
    return IO_ERR_MEM;
  }
  e->record = head;
  e->header = hdr;
  if (rec.empty()) return IO_OK;  // no bands

  ByteReader r(rec, swap != 0);
  read_spot_hdr(r, hdr);
  if (!r.ok()) {
    io_free_gt_band(e);
    return IO_ERR_READ;
  }
  // A stored 0 at offset 188 reads as 2: the stored format's rule.
  if (hdr->hdr_w188 == 0) hdr->hdr_w188 = 2;
  const bool has_number = hdr->version > 3;
  const std::size_t band_bytes = has_number ? IO_BAND_REC_BYTES : IO_BAND_REC_BYTES - 4;
  if (hdr->nrec < 0 || static_cast<std::size_t>(hdr->nrec) > r.remaining() / band_bytes) {
    SLOG(fn, SLOG_ERROR, "nrec %d does not fit %zu bytes", hdr->nrec, r.remaining());
    io_free_gt_band(e);
    return IO_ERR_READ;
  }
  SLOG(fn, SLOG_VALUE4, "norm_band_ii %8.3f", hdr->norm_band_ii);
  SPOT* last = head;
  for (int i = 0; i < hdr->nrec; ++i) {
    SPOT* s = sp_make_spot();
    if (!s) {
      SLOG(fn, SLOG_ERROR, "sp_make_spot %d failed", i);
      io_free_gt_band(e);
      return IO_ERR_MEM;
    }
    read_band(r, s, has_number);
    last->next = s;
    last = s;
  }
  return r.ok() ? IO_OK : (io_free_gt_band(e), IO_ERR_READ);
}

int io_wr_gt_band(ByteWriter& file, ANALYSIS_ENTRY* e, ANALYSIS_TOKEN* t) {
  static const char* fn = "io_wr_gt_band";
  SPOT* head = e ? static_cast<SPOT*>(e->record) : nullptr;
  if (!head) {
    SLOG(fn, SLOG_VALUE4, "analysis_ptr NULL");
    return IO_OK;
  }
  int nrec = 0;
  for (SPOT* s = head->next; s; s = s->next) ++nrec;
  if (nrec == 0) {
    SLOG(fn, SLOG_VALUE4, "nrec 0");
    return IO_OK;
  }
  t->version = 4;
  t->count = nrec;
  SPOT_HDR* hdr = static_cast<SPOT_HDR*>(e->header);
  if (hdr) {
    hdr->version = 4;
    hdr->nrec = nrec;
    write_spot_hdr(file, hdr);
  } else {
    SPOT_HDR tmp{};
    tmp.version = 4;
    tmp.reclen = 488;  // the size of a band in memory, as older readers expect
    tmp.nrec = nrec;
    write_spot_hdr(file, &tmp);
  }
  for (SPOT* s = head->next; s; s = s->next) write_band(file, s);
  return IO_OK;
}

void io_free_gt_lane(ANALYSIS_ENTRY* e) {
  if (!e) return;
  ln_free_lanes(static_cast<LANE*>(e->record));
  ks_free(e->header);
  e->record = nullptr;
  e->header = nullptr;
}

namespace {

// Reads one lane's block and lists; 0, -2 or -5. The lane is left for the caller to free.
int read_lane(ByteReader& r, LANE* ln, int version) {
  static const char* fn = "io_rd_gt_lane";
  r.text(ln->lane_name, sizeof ln->lane_name, 22);
  if (version > 3) {
    r.i32(ln->lane_number);
  } else {
    ln->lane_number = static_cast<int32_t>(std::strtol(ln->lane_name, nullptr, 10));
  }
  int32_t num_base = 0;
  r.i32(num_base);
  r.i32(ln->left_width);
  r.i32(ln->right_width);
  r.i32(ln->max_angle);
  r.i32(ln->bckgrnd_type);
  r.i32(ln->min_top_band_thick);
  r.i32(ln->min_bot_band_thick);
  r.i32(ln->band_threshold);
  int32_t num_center = 0;
  r.i32(num_center);
  r.u32(ln->f);
  r.i32(ln->max_detect);
  r.i32(ln->pct_threshold);
  r.i32(ln->not_reported);
  r.i32(ln->num_alleles);
  r.i32(ln->tier_num);
  r.f64(ln->norm_ii);
  r.i32(ln->int_method);
  if (!r.ok()) return IO_ERR_READ;

  // Baseline points: each becomes a node of the baseline feature list, in file order.
  if (num_base < 0 || static_cast<std::size_t>(num_base) > r.remaining() / 8) return IO_ERR_READ;
  LN_FEAT* tail = ln->baseline;
  for (int i = 0; i < num_base; ++i) {
    LN_FEAT* node = ln_make_feat_node();
    if (!node) {
      SLOG(fn, SLOG_ERROR, "can't make next_feat");
      return IO_ERR_MEM;
    }
    r.i32(node->feat.x);
    r.i32(node->feat.y);
    tail->next = node;
    tail = node;
  }
  ln->num_base_ptrs = num_base;

  if (num_center < 0 || static_cast<std::size_t>(num_center) > r.remaining() / 8)
    return IO_ERR_READ;
  if (num_center > 0) {
    ln->center_coords = static_cast<LN_POINT*>(
        ks_alloc_msg(sizeof(LN_POINT) * static_cast<std::size_t>(num_center)));
    if (!ln->center_coords) {
      SLOG(fn, SLOG_ERROR, "can' make %d center_coords", num_center);
      return IO_ERR_MEM;
    }
    for (int i = 0; i < num_center; ++i) {
      r.i32(ln->center_coords[i].x);
      r.i32(ln->center_coords[i].y);
    }
  }
  ln->num_center_points = num_center;

  int32_t num_data = 0;
  r.i32(num_data);
  if (!r.ok() || num_data < 0 || static_cast<std::size_t>(num_data) > r.remaining() / 4)
    return IO_ERR_READ;
  if (num_data > 0) {
    ln->data_values =
        static_cast<int32_t*>(ks_alloc_msg(sizeof(int32_t) * static_cast<std::size_t>(num_data)));
    if (!ln->data_values) {
      SLOG(fn, SLOG_ERROR, "can't make %d data_values", num_data);
      return IO_ERR_MEM;
    }
    for (int i = 0; i < num_data; ++i) r.i32(ln->data_values[i]);
  }
  ln->num_data_values = num_data;

  int32_t num_chars = 0;
  r.i32(num_chars);
  if (!r.ok() || num_chars < 0) return IO_ERR_READ;
  if (version > 4) {
    int32_t num_labeled = 0;
    r.i32(num_labeled);
    if (!r.ok() || static_cast<std::size_t>(num_chars) > r.remaining() / 42) return IO_ERR_READ;
    if (num_labeled < 0) num_labeled = 0;
    if (num_labeled > num_chars) num_labeled = num_chars;
    if (num_chars > 0) {
      ln->lane_chars = static_cast<LANECHAR**>(
          ks_alloc_msg(sizeof(LANECHAR*) * static_cast<std::size_t>(num_chars)));
      if (!ln->lane_chars) {
        SLOG(fn, SLOG_ERROR, "can't make %d new_lane_chars", num_chars);
        return IO_ERR_MEM;
      }
      ln->num_lane_chars = num_chars;
      for (int i = 0; i < num_chars; ++i) {
        LANECHAR* c = ks_new_rec<LANECHAR>();
        if (!c) {
          SLOG(fn, SLOG_ERROR, "can't make new_lane_chars[%d] (%d)", i, num_chars);
          return IO_ERR_MEM;
        }
        ln->lane_chars[i] = c;
        r.text(c->name, sizeof c->name, 21);
        r.text(c->value, sizeof c->value, 21);
      }
    }
    ln->num_labeled_chars = num_labeled;
  } else if (num_chars >= 1) {
    // Older layout: ten texts of 20 bytes, kept as the lane's old characteristic table.
    if (!r.has(LN_OLD_CHARS * LN_OLD_CHAR_LEN)) return IO_ERR_READ;
    ln->old_lane_chars = static_cast<char**>(ks_alloc_msg(sizeof(char*) * LN_OLD_CHARS));
    if (!ln->old_lane_chars) {
      SLOG(fn, SLOG_ERROR, "can't make %d old_lane_chars", LN_OLD_CHARS);
      return IO_ERR_MEM;
    }
    for (int i = 0; i < LN_OLD_CHARS; ++i) {
      char* s = static_cast<char*>(ks_alloc_msg(LN_OLD_CHAR_LEN + 1));
      if (!s) {
        SLOG(fn, SLOG_ERROR, "can't make old_lane_char[%2d] (%d)", i, LN_OLD_CHARS);
        return IO_ERR_MEM;
      }
      ln->old_lane_chars[i] = s;
      r.text(s, LN_OLD_CHAR_LEN + 1, LN_OLD_CHAR_LEN);
    }
  }
  return r.ok() ? IO_OK : IO_ERR_READ;
}

}  // namespace

int io_rd_gt_lane(ByteReader& file, ANALYSIS_ENTRY* e, ANALYSIS_TOKEN* t, int swap) {
  static const char* fn = "io_rd_gt_lane";
  std::vector<uint8_t> rec;
  int rc = io_take_record(file, t, rec, true);
  if (rc != 0) {
    SLOG(fn, SLOG_ERROR, "read failed, is %zu, should be %d", file.remaining(),
         t ? t->analysis_length : 0);
    return rc;
  }
  LANE_HDR* hdr = ks_new_rec<LANE_HDR>();
  LANE* head = ln_make_lane();
  if (!hdr || !head) {
    ks_free(hdr);
    ln_free_lanes(head);
    SLOG(fn, SLOG_ERROR, "Cannot make lane ptr");
    return IO_ERR_MEM;
  }
  e->record = head;
  e->header = hdr;

  ByteReader r(rec, swap != 0);
  r.i32(hdr->repeat_length);
  r.i32(hdr->version_number);
  r.i32(hdr->num_lanes);
  r.i32(hdr->allele_size);
  r.i32(hdr->num_tiers);
  r.u32(hdr->f);
  r.i32(hdr->dna_res_3);
  r.i32(hdr->dna_res_4);
  // The image keeps one size-standards list per tier, and a standards record holds at most
  // IO_STD_MAX_LISTS of them: a larger tier count is a damaged header.
  if (!r.ok() || hdr->num_lanes < 0 || hdr->num_tiers > IO_STD_MAX_LISTS) {
    io_free_gt_lane(e);
    return IO_ERR_READ;
  }
  const int version = hdr->version_number;
  if (version > 4)
    hdr->f &= ~LANE_HDR_OLD_CHARS;
  else
    hdr->f |= LANE_HDR_OLD_CHARS;
  SLOG(fn, SLOG_VALUE4, "bNewLaneChars %d, f.old_chars %d", version > 4,
       (hdr->f & LANE_HDR_OLD_CHARS) ? 1 : 0);

  LANE* last = head;
  for (int i = 0; i < hdr->num_lanes; ++i) {
    LANE* ln = ln_make_lane();
    if (!ln) {
      SLOG(fn, SLOG_ERROR, "cannot make next_lane ptr");
      io_free_gt_lane(e);
      return IO_ERR_MEM;
    }
    last->next = ln;
    last = ln;
    int lr = read_lane(r, ln, version);
    if (lr != 0) {
      io_free_gt_lane(e);
      return lr;
    }
  }
  return IO_OK;
}

int io_wr_gt_lane(ByteWriter& file, ANALYSIS_ENTRY* e, ANALYSIS_TOKEN* t) {
  static const char* fn = "io_wr_gt_lane";
  if (!e) return IO_ERR_MEM;
  LANE* head = static_cast<LANE*>(e->record);
  int num_lanes = 0;
  if (head)
    for (LANE* ln = head->next; ln; ln = ln->next) ++num_lanes;
  LANE_HDR tmp{};
  LANE_HDR* hdr = e->header ? static_cast<LANE_HDR*>(e->header) : &tmp;
  hdr->version_number = 5;
  hdr->num_lanes = num_lanes;
  t->version = 5;
  t->count = num_lanes;
  file.i32(hdr->repeat_length);
  file.i32(hdr->version_number);
  file.i32(hdr->num_lanes);
  file.i32(hdr->allele_size);
  file.i32(hdr->num_tiers);
  file.u32(hdr->f);
  file.i32(hdr->dna_res_3);
  file.i32(hdr->dna_res_4);
  if (num_lanes == 0) return IO_OK;

  for (LANE* ln = head->next; ln; ln = ln->next) {
    int num_base = 0;
    if (ln->baseline)
      for (LN_FEAT* f = ln->baseline->next; f; f = f->next) ++num_base;
    // Counts are written as what is really there, so the file never announces missing data.
    const int num_center =
        ln->center_coords && ln->num_center_points > 0 ? ln->num_center_points : 0;
    const int num_data = ln->data_values && ln->num_data_values > 0 ? ln->num_data_values : 0;
    const int num_chars = ln->lane_chars && ln->num_lane_chars > 0 ? ln->num_lane_chars : 0;
    SLOG(fn, SLOG_VALUE4, "  flags f %u, sel_flag %d", ln->f, (ln->f & LN_F_SELECTED) ? 1 : 0);

    file.text(ln->lane_name, 22);
    file.i32(ln->lane_number);
    file.i32(num_base);
    file.i32(ln->left_width);
    file.i32(ln->right_width);
    file.i32(ln->max_angle);
    file.i32(ln->bckgrnd_type);
    file.i32(ln->min_top_band_thick);
    file.i32(ln->min_bot_band_thick);
    file.i32(ln->band_threshold);
    file.i32(num_center);
    file.u32(ln->f & ~LN_F_SELECTED);  // the selection is not kept in the file
    file.i32(ln->max_detect);
    file.i32(ln->pct_threshold);
    file.i32(ln->not_reported);
    file.i32(ln->num_alleles);
    file.i32(ln->tier_num);
    file.f64(ln->norm_ii);
    file.i32(ln->int_method);
    if (ln->baseline)
      for (LN_FEAT* f = ln->baseline->next; f; f = f->next) {
        file.i32(f->feat.x);
        file.i32(f->feat.y);
      }
    for (int i = 0; i < num_center; ++i) {
      file.i32(ln->center_coords[i].x);
      file.i32(ln->center_coords[i].y);
    }
    file.i32(num_data);
    for (int i = 0; i < num_data; ++i) file.i32(ln->data_values[i]);
    int num_labeled = ln->num_labeled_chars;
    if (num_labeled < 0) num_labeled = 0;
    if (num_labeled > num_chars) num_labeled = num_chars;
    file.i32(num_chars);
    file.i32(num_labeled);
    for (int i = 0; i < num_chars; ++i) {
      const LANECHAR* c = ln->lane_chars[i];
      file.text(c ? c->name : "", 21);
      file.text(c ? c->value : "", 21);
    }
  }
  return IO_OK;
}
