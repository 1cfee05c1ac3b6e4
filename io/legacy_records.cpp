// Spot, region and background records of older analysis programs.
#include "io/legacy_records.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/ks_mem.h"
#include "base/slog.h"

namespace {

// Words that are taken as they stand: the file's four bytes in the order they lie, which is
// the order of a little-endian file.
uint32_t get_raw32(ByteReader& r) {
  uint8_t b[4] = {};
  r.bytes(b, 4);
  return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

void put_raw32(ByteWriter& w, uint32_t v) {
  const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  w.bytes(b, 4);
}

// Takes the record; the spot and region readers accept one exactly 24 bytes short.
int take(const char* fn, ByteReader& file, const ANALYSIS_TOKEN* token,
         std::vector<uint8_t>& bytes, bool allow_short) {
  const int e = token != nullptr ? io_take_record(file, token, bytes, allow_short) : IO_ERR_READ;
  if (e != 0) {
    SLOG(fn, SLOG_EXIT, "read failed (%d), wanted %d", e, token ? token->analysis_length : 0);
    return e;
  }
  return IO_OK;
}

void put_chars(ByteWriter& w, const LANECHAR* chars, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    w.text(chars[i].name, sizeof chars[i].name);
    w.text(chars[i].value, sizeof chars[i].value);
  }
}

// Reads n characteristics into a new block; -5 when they are not there, -2 without memory.
int get_chars(ByteReader& r, int32_t n, LANECHAR** out) {
  *out = nullptr;
  if (n < 0 || !r.has(static_cast<std::size_t>(n) * LANECHAR_BYTES)) return IO_ERR_READ;
  if (n == 0) return IO_OK;
  *out = static_cast<LANECHAR*>(ks_alloc_msg(sizeof(LANECHAR) * static_cast<std::size_t>(n)));
  if (*out == nullptr) return IO_ERR_MEM;
  for (int32_t i = 0; i < n; ++i) {
    r.text((*out)[i].name, sizeof(*out)[i].name, sizeof(*out)[i].name);
    r.text((*out)[i].value, sizeof(*out)[i].value, sizeof(*out)[i].value);
  }
  return IO_OK;
}

// ---- spots ----

void put_spot_hdr(ByteWriter& w, const SPOT_HDR& h) {
  w.i32(h.version);
  w.i32(h.sens_level);
  w.f64(h.norm_band_ii);
  for (double d : h.hdr_d) w.f64(d);
  w.i32(h.hdr_w112);
  for (int32_t v : h.hdr_w116) w.i32(v);
  w.i32(h.hdr_w160);
  w.bytes(&h.hdr_f164, 4);
  w.i32(h.reclen);
  w.i32(h.nrec);
  w.i32(h.nadds);
  w.i32(h.ndels);
  w.i32(h.hdr_w184);
  w.i32(h.hdr_w188);
}

void get_spot_hdr(ByteReader& r, SPOT_HDR& h) {
  r.i32(h.version);
  r.i32(h.sens_level);
  r.f64(h.norm_band_ii);
  for (double& d : h.hdr_d) r.f64(d);
  r.i32(h.hdr_w112);
  for (int32_t& v : h.hdr_w116) r.i32(v);
  r.i32(h.hdr_w160);
  r.bytes(&h.hdr_f164, 4);
  r.i32(h.reclen);
  r.i32(h.nrec);
  r.i32(h.nadds);
  r.i32(h.ndels);
  r.i32(h.hdr_w184);
  r.i32(h.hdr_w188);
}

void put_spot(ByteWriter& w, const SPOT& s) {
  const int32_t n = s.spot_chars != nullptr && s.num_spot_chars > 0 ? s.num_spot_chars : 0;
  w.i32(s.number);
  w.f64(s.amount);
  w.f64(s.std_value);
  put_raw32(w, s.f1);
  put_raw32(w, s.f2 & ~SP_F2_SELECTED);
  w.f64(s.area);
  w.i32(s.x);
  w.i32(s.y);
  w.i32(s.thickness);
  w.i32(s.lane_width);
  w.u8(s.band_fw);
  w.u8(s.left_hw);
  w.u8(s.right_hw);
  w.i32(s.carried_int);
  w.f64(s.carried_dbl);
  w.f64(s.size);
  w.i32(s.od);
  w.i32(s.baseline);
  w.i32(s.extra_int);
  w.text(s.label, sizeof s.label);
  w.i32(n);
  put_chars(w, s.spot_chars, n);
  for (int32_t v : s.bound_x) w.i32(v);
  for (int32_t v : s.bound_y) w.i32(v);
  w.i32(s.extra1);
  w.i32(s.extra2);
}

int get_spot(ByteReader& r, SPOT& s) {
  if (!r.has(SPOT_BLOCK_BYTES)) return IO_ERR_READ;
  r.i32(s.number);
  r.f64(s.amount);
  r.f64(s.std_value);
  s.f1 = get_raw32(r);
  s.f2 = get_raw32(r);
  r.f64(s.area);
  r.i32(s.x);
  r.i32(s.y);
  r.i32(s.thickness);
  r.i32(s.lane_width);
  r.u8(s.band_fw);
  r.u8(s.left_hw);
  r.u8(s.right_hw);
  r.i32(s.carried_int);
  r.f64(s.carried_dbl);
  r.f64(s.size);
  r.i32(s.od);
  r.i32(s.baseline);
  r.i32(s.extra_int);
  r.text(s.label, sizeof s.label, sizeof s.label);
  int32_t n = 0;
  r.i32(n);
  // The block's fixed tail follows the characteristics.
  if (n < 0 || !r.has(static_cast<std::size_t>(n) * LANECHAR_BYTES + (SPOT_BLOCK_BYTES - 112))) {
    return IO_ERR_READ;
  }
  if (int e = get_chars(r, n, &s.spot_chars); e != 0) return e;
  s.num_spot_chars = n;
  for (int32_t& v : s.bound_x) r.i32(v);
  for (int32_t& v : s.bound_y) r.i32(v);
  r.i32(s.extra1);
  r.i32(s.extra2);
  return r.ok() ? IO_OK : IO_ERR_READ;
}

// ---- regions ----

std::vector<uint8_t> g_region_block;  // the region readers' one read block
bool g_region_big = false;

int count_regions(const SPOT_REGION* head) {
  int n = 0;
  for (const SPOT_REGION* r = head ? head->next : nullptr; r != nullptr; r = r->next) ++n;
  return n;
}

void put_region(ByteWriter& w, const SPOT_REGION& g) {
  const int32_t n = g.img_chars != nullptr && g.num_img_chars > 0 ? g.num_img_chars : 0;
  w.text(g.name, sizeof g.name);
  w.i32(g.region_type);
  w.i32(g.x_loc);
  w.i32(g.y_loc);
  w.i32(g.width_height);
  w.i32(g.region_number);
  w.i32(g.radius);
  w.i32(g.num_sel_spots);
  w.i32(g.num_spots);
  w.i32(g.min_spot_size);
  w.i32(g.min_spot_intensity);
  w.f64(g.area);
  w.text(g.old_ss_name, sizeof g.old_ss_name);
  w.u32(g.f);
  w.i32(n);
  put_chars(w, g.img_chars, n);
  for (double d : {g.min_ii, g.max_ii, g.min_i, g.max_i, g.min_area, g.max_area}) w.f64(d);
  w.i32(g.next_spot_num);
  w.i32(g.filter_count);
  w.i32(g.filter_exclude);
  w.i32(g.num_inactive);
}

// Parses one block of either layout.
int get_region(ByteReader& r, SPOT_REGION& g, bool old) {
  if (!r.has(REGION_BLOCK_BYTES)) return IO_ERR_READ;
  r.text(g.name, sizeof g.name, sizeof g.name);
  r.i32(g.region_type);
  r.i32(g.x_loc);
  r.i32(g.y_loc);
  if (old) {
    int32_t width = 0, height = 0, unused = 0;
    r.i32(width);
    r.i32(height);
    g.width_height = static_cast<int32_t>((static_cast<uint32_t>(width) & 0xFFFFu) |
                                          (static_cast<uint32_t>(height) << 16));
    r.i32(g.radius);
    r.i32(unused);
    g.num_sel_spots = 0;
  } else {
    r.i32(g.width_height);
    r.i32(g.region_number);
    r.i32(g.radius);
    r.i32(g.num_sel_spots);
  }
  r.i32(g.num_spots);
  r.i32(g.min_spot_size);
  r.i32(g.min_spot_intensity);
  r.f64(g.area);
  r.text(g.old_ss_name, sizeof g.old_ss_name, sizeof g.old_ss_name);
  r.u32(g.f);
  int32_t n = 0;
  r.i32(n);
  if (n < 0 || !r.has(static_cast<std::size_t>(n) * LANECHAR_BYTES + (REGION_BLOCK_BYTES - 99))) {
    return IO_ERR_READ;
  }
  if (int e = get_chars(r, n, &g.img_chars); e != 0) return e;
  g.num_img_chars = n;
  for (double* d : {&g.min_ii, &g.max_ii, &g.min_i, &g.max_i, &g.min_area, &g.max_area}) r.f64(*d);
  r.i32(g.next_spot_num);
  r.i32(g.filter_count);
  r.i32(g.filter_exclude);
  r.i32(g.num_inactive);
  SLOG("io_rd_spot_region", SLOG_VALUE5, "name <%.22s> region_type %d width_height %d", g.name,
       g.region_type, g.width_height);
  return r.ok() ? IO_OK : IO_ERR_READ;
}

// Parses `count` region blocks from `r` into a new chain; the entry receives it and `hdr`.
int parse_regions(const char* fn, ByteReader& r, int count, bool old, ANALYSIS_ENTRY* entry,
                  REGION_HDR* hdr) {
  // Every block takes at least 163 bytes: a count that the record cannot hold is refused.
  if (count < 0 || static_cast<std::size_t>(count) > r.remaining() / REGION_BLOCK_BYTES) {
    SLOG(fn, SLOG_EXIT, "%d regions do not fit %zu bytes", count, r.remaining());
    ks_free(hdr);
    return IO_ERR_READ;
  }
  SPOT_REGION* head = sp_make_region();
  if (head == nullptr) {
    SLOG(fn, SLOG_EXIT, "%s", "can't make start of list");
    ks_free(hdr);
    return IO_ERR_MEM;
  }
  SPOT_REGION* last = head;
  for (int i = 0; i < count; ++i) {
    SPOT_REGION* g = sp_make_region();
    if (g == nullptr) {
      SLOG(fn, SLOG_EXIT, "can't make region [%2d]", i);
      sp_free_regions(head);
      ks_free(hdr);
      return IO_ERR_MEM;
    }
    last->next = g;
    last = g;
    if (int e = get_region(r, *g, old); e != 0) {
      SLOG(fn, SLOG_EXIT, "region [%2d] failed (%d)", i, e);
      sp_free_regions(head);
      ks_free(hdr);
      return e;
    }
  }
  entry->record = head;
  entry->header = hdr;
  return IO_OK;
}

// ---- ".pz" regions ----

void put_pz(ByteWriter& w, const PZ_REGION& p) {
  const int32_t n = std::clamp(p.num_points, 0, PZ_MAX_POINTS);
  for (double d : p.d) w.f64(d);
  w.i32(p.w24);
  w.i32(p.w28);
  w.u32(p.f & ~1u);
  for (int32_t v : p.w36) w.i32(v);
  w.i32(n);
  for (int32_t i = 0; i < n; ++i) {
    w.i32(p.pts[i][0]);
    w.i32(p.pts[i][1]);
  }
}

int get_pz(ByteReader& r, PZ_REGION& p) {
  for (double& d : p.d) r.f64(d);
  r.i32(p.w24);
  r.i32(p.w28);
  r.u32(p.f);
  for (int32_t& v : p.w36) r.i32(v);
  r.i32(p.num_points);
  if (!r.ok()) return IO_ERR_READ;
  if (p.num_points < 0 || p.num_points > PZ_MAX_POINTS ||
      !r.has(static_cast<std::size_t>(p.num_points) * 8)) {
    SLOG("io_rd_region", SLOG_EXIT, "point count %d refused", p.num_points);
    return IO_ERR_READ;
  }
  for (int32_t i = 0; i < p.num_points; ++i) {
    r.i32(p.pts[i][0]);
    r.i32(p.pts[i][1]);
  }
  return r.ok() ? IO_OK : IO_ERR_READ;
}

}  // namespace

// ---- background ----

void io_free_back_entry(ANALYSIS_ENTRY* entry) {
  if (entry == nullptr) return;
  if (auto* b = static_cast<BACKGROUND*>(entry->record)) {
    ks_free(b->bg);
    ks_free(b);
  }
  entry->record = nullptr;
}

int io_rd_back(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int) {
  static const char* fn = "io_rd_back";
  if (entry == nullptr) return IO_ERR_READ;
  std::vector<uint8_t> bytes;
  if (int e = take(fn, file, token, bytes, false); e != 0) return e;
  if (bytes.size() < static_cast<std::size_t>(BACK_BYTES)) return IO_ERR_READ;
  auto* b = static_cast<BACKGROUND*>(ks_alloc_msg(sizeof(BACKGROUND)));
  if (b == nullptr) return IO_ERR_MEM;
  b->bg = static_cast<int32_t*>(ks_alloc_msg(64 * sizeof(int32_t)));
  if (b->bg == nullptr) {
    ks_free(b);
    return IO_ERR_MEM;
  }
  ByteReader r(bytes, file.big_endian());
  r.i32(b->w0);
  r.i32(b->w1);
  for (int i = 0; i < 64; ++i) r.i32(b->bg[i]);
  entry->record = b;
  return IO_OK;
}

int io_wr_back(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token) {
  if (token != nullptr) {
    token->version = 0;
    token->count = 1;
  }
  const auto* b = entry != nullptr ? static_cast<const BACKGROUND*>(entry->record) : nullptr;
  if (b == nullptr) return IO_OK;
  file.i32(b->w0);
  file.i32(b->w1);
  for (int i = 0; i < 64; ++i) file.i32(b->bg != nullptr ? b->bg[i] : 0);
  return IO_OK;
}

// ---- spot bins ----

int spb_get_stats(const SPOT_BINS* table, int* count, int32_t six[6]) {
  int n = 0;
  if (table != nullptr) {
    const int rows = std::clamp<int>(table->stats[4], 0, SPB_DIM);
    const int cols = std::clamp<int>(table->stats[5], 0, SPB_DIM);
    for (int row = 0; row < rows; ++row) {
      for (int col = 0; col < cols; ++col) {
        for (const SPOT* s = table->bins[row][col]; s != nullptr; s = s->next) ++n;
      }
    }
    if (six != nullptr) std::memcpy(six, table->stats, sizeof table->stats);
  }
  if (count != nullptr) *count = n;
  return 0;
}

int spb_walk(const SPOT_BINS* table, SPOT** chain, int* cursor) {
  if (chain != nullptr) *chain = nullptr;
  if (table == nullptr || cursor == nullptr) return SPB_END_OF_LIST;
  const int step = *cursor;
  if (step < 0 || step >= SPB_DIM * SPB_DIM) return SPB_END_OF_LIST;
  if (chain != nullptr) *chain = table->bins[step % SPB_DIM][step / SPB_DIM];
  *cursor = step + 1;
  return 1;
}

// ---- spots ----

void io_free_nw_spot_entry(ANALYSIS_ENTRY* entry) {
  if (entry == nullptr) return;
  if (entry->extra == IO_SPOT_FORM_BINS) {
    if (auto* t = static_cast<SPOT_BINS*>(entry->record)) {
      for (auto& row : t->bins) {
        for (SPOT* s : row) {
          while (s != nullptr) {
            SPOT* next = s->next;
            s->next = nullptr;
            ln_free_bands(s);
            s = next;
          }
        }
      }
      ks_free(t);
    }
  } else {
    ln_free_bands(static_cast<SPOT*>(entry->record));
  }
  ks_free(entry->header);
  entry->record = nullptr;
  entry->header = nullptr;
}

int io_wr_nw_spot(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token) {
  static const char* fn = "io_wr_nw_spot";
  if (entry == nullptr) return IO_ERR_WRITE;
  SPOT_HDR fresh{};
  fresh.reclen = SPOT_RECLEN;
  SPOT_HDR* hdr = entry->header != nullptr ? static_cast<SPOT_HDR*>(entry->header) : &fresh;
  hdr->version = 5;
  if (token != nullptr) token->version = 5;

  // The spots in file order: a chain is written as it stands, a bin table bin by bin.
  std::vector<const SPOT*> spots;
  if (entry->extra == IO_SPOT_FORM_BINS) {
    const auto* table = static_cast<const SPOT_BINS*>(entry->record);
    int counted = 0;
    spb_get_stats(table, &counted, nullptr);
    SLOG(fn, SLOG_VALUE4, "spb_get_stats %d, spot_cnt %d", 0, counted);
    int cursor = 0;
    SPOT* chain = nullptr;
    int r = 0;
    while ((r = spb_walk(table, &chain, &cursor)) == 1) {
      for (const SPOT* s = chain; s != nullptr; s = s->next) spots.push_back(s);
    }
    if (r != SPB_END_OF_LIST) {
      SLOG(fn, SLOG_EXIT, "%s", "not at END_OF_LIST");
      return IO_ERR_WRITE;
    }
  } else {
    const auto* head = static_cast<const SPOT*>(entry->record);
    for (const SPOT* s = head ? head->next : nullptr; s != nullptr; s = s->next) spots.push_back(s);
  }
  const int count = static_cast<int>(spots.size());
  hdr->nrec = count;
  if (token != nullptr) token->count = count;
  put_spot_hdr(file, *hdr);
  if (count == 0) {
    SLOG(fn, SLOG_EXIT, "%s", "0 spots, OK");
    return IO_OK;
  }
  for (const SPOT* s : spots) put_spot(file, *s);
  SLOG(fn, SLOG_EXIT, "%d spots, OK", count);
  return IO_OK;
}

int io_rd_nw_spot(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap,
                  int spots) {
  static const char* fn = "io_rd_nw_spot";
  if (entry == nullptr) return IO_ERR_READ;
  SLOG(fn, SLOG_ENTRY, "analysis_length %d, spots %d, swap %d", token ? token->analysis_length : 0,
       spots, swap);
  std::vector<uint8_t> bytes;
  if (int e = take(fn, file, token, bytes, true); e != 0) {
    SLOG(fn, SLOG_EXIT, "%s", "read hdr failed");
    return e;
  }
  ByteReader r(bytes, file.big_endian());
  SPOT_HDR h{};
  if (!r.has(SPOT_HDR_BYTES)) return IO_ERR_READ;
  get_spot_hdr(r, h);
  SLOG(fn, SLOG_VALUE4, "version %d, sens_level %d, reclen %d, nrec %d, nadds %d, ndels %d",
       h.version, h.sens_level, h.reclen, h.nrec, h.nadds, h.ndels);
  if (h.nrec < 0 || static_cast<std::size_t>(h.nrec) > r.remaining() / SPOT_BLOCK_BYTES) {
    SLOG(fn, SLOG_EXIT, "nrec %d does not fit %zu bytes", h.nrec, r.remaining());
    return IO_ERR_READ;
  }
  SPOT* head = sp_make_spot();
  if (head == nullptr) {
    SLOG(fn, SLOG_EXIT, "%s", "no memory for initial spot");
    return IO_ERR_MEM;
  }
  SPOT* last = head;
  int max_num = 0;
  for (int i = 0; i < h.nrec; ++i) {
    SPOT* s = sp_make_spot();
    if (s == nullptr) {
      ln_free_bands(head);
      return IO_ERR_MEM;
    }
    last->next = s;
    last = s;
    if (int e = get_spot(r, *s); e != 0) {
      SLOG(fn, SLOG_EXIT, "spot %d failed (%d)", i, e);
      ln_free_bands(head);
      return e;
    }
    max_num = std::max(max_num, s->number);
  }
  auto* hdr = static_cast<SPOT_HDR*>(entry->header);
  if (hdr == nullptr) {
    SLOG(fn, SLOG_VALUE4, "%s", "creating tmp_hdr");
    hdr = static_cast<SPOT_HDR*>(ks_alloc_msg(sizeof(SPOT_HDR)));
    if (hdr == nullptr) {
      SLOG(fn, SLOG_EXIT, "%s", "no memory for tmp_hdr");
      ln_free_bands(head);
      return IO_ERR_MEM;
    }
  }
  *hdr = h;
  entry->header = hdr;
  entry->record = head;
  entry->extra = 0;  // a chain
  SLOG(fn, SLOG_EXIT, "max_spot_num %d, # spots read %d", max_num, h.nrec);
  return IO_OK;
}

int io_rd_nw_spot_rec(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap) {
  const int spots = token != nullptr && token->analysis_type == 41 ? 0 : 1;
  return io_rd_nw_spot(file, entry, token, swap, spots);
}

// ---- regions ----

int io_open_spot_region(ByteReader& file, int length, int swap) {
  static const char* fn = "io_open_spot_region";
  g_region_block.clear();
  ANALYSIS_TOKEN t{};
  t.analysis_length = length;
  if (const int e = io_take_record(file, &t, g_region_block, true); e != 0) {
    if (e == IO_ERR_MEM) {
      SLOG(fn, SLOG_EXIT, "can't alloc sReadHeap %d", length);
    } else {
      SLOG(fn, SLOG_EXIT, "can't read hdr %zu, should be %d", g_region_block.size(), length);
    }
    g_region_block.clear();
    return e;
  }
  g_region_big = file.big_endian();
  SLOG(fn, SLOG_VALUE4, "length %d, swap %d", length, swap);
  return IO_OK;
}

BOOL io_is_old_spot_region(int) {
  // An empty record has no header, so it can only be the old layout (with no regions).
  if (g_region_block.empty()) {
    SLOG("io_is_old_spot_region", SLOG_EXIT, "%s", "empty, Version 3.2, TRUE");
    return TRUE;
  }
  ByteReader r(g_region_block, g_region_big);
  int32_t first = 0;
  r.i32(first);
  if (first != 0) {
    SLOG("io_is_old_spot_region", SLOG_EXIT, "%s", "Version 3.2, TRUE");
    return TRUE;
  }
  SLOG("io_is_old_spot_region", SLOG_EXIT, "%s", "Not 3.2, FALSE");
  return FALSE;
}

int io_rd_spot_region(ByteReader&, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int, int) {
  static const char* fn = "io_rd_spot_region";
  if (entry == nullptr || token == nullptr) return IO_ERR_READ;
  ByteReader r(g_region_block, g_region_big);
  if (!r.has(REGION_HDR_BYTES)) return IO_ERR_READ;
  auto* hdr = static_cast<REGION_HDR*>(ks_alloc_msg(sizeof(REGION_HDR)));
  if (hdr == nullptr) {
    SLOG(fn, SLOG_EXIT, "can't alloc Hdr %zu", sizeof(REGION_HDR));
    return IO_ERR_MEM;
  }
  r.i32(hdr->version);
  r.i32(hdr->num_regions);
  for (int32_t& v : hdr->res) r.i32(v);
  SLOG(fn, SLOG_VALUE4, "anal_toke #objs %d, hdr %d", token->count, hdr->num_regions);
  return parse_regions(fn, r, token->count, false, entry, hdr);
}

int io_rd_old_spot_region(ByteReader&, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int, int) {
  static const char* fn = "io_rd_old_spot_region";
  if (entry == nullptr || token == nullptr) return IO_ERR_READ;
  ByteReader r(g_region_block, g_region_big);
  auto* hdr = static_cast<REGION_HDR*>(ks_alloc_msg(sizeof(REGION_HDR)));
  if (hdr == nullptr) {
    SLOG(fn, SLOG_EXIT, "can't alloc Hdr %zu", sizeof(REGION_HDR));
    return IO_ERR_MEM;
  }
  hdr->num_regions = token->count;
  return parse_regions(fn, r, token->count, true, entry, hdr);
}

int io_rd_spot_regions(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap) {
  if (token == nullptr) return IO_ERR_READ;
  const int spots = token->analysis_type == 40 ? 0 : 1;
  if (int e = io_open_spot_region(file, token->analysis_length, swap); e != 0) return e;
  const int r = io_is_old_spot_region(spots)
                    ? io_rd_old_spot_region(file, entry, token, swap, spots)
                    : io_rd_spot_region(file, entry, token, swap, spots);
  g_region_block.clear();
  return r;
}

int io_wr_spot_region(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token) {
  static const char* fn = "io_wr_spot_region";
  if (entry == nullptr) return IO_ERR_WRITE;
  const auto* head = static_cast<const SPOT_REGION*>(entry->record);
  const int n = count_regions(head);
  REGION_HDR fresh{};
  auto* hdr = entry->header != nullptr ? static_cast<REGION_HDR*>(entry->header) : &fresh;
  SLOG(fn, SLOG_VALUE4, "# regions %d %d", entry->header ? hdr->num_regions : n, n);
  // The count that readers use must match the blocks written.
  hdr->num_regions = n;
  hdr->version = 0;
  if (token != nullptr) {
    token->version = 0;
    token->count = n;
  }
  file.i32(hdr->version);
  file.i32(hdr->num_regions);
  for (int32_t v : hdr->res) file.i32(v);
  for (const SPOT_REGION* g = head ? head->next : nullptr; g != nullptr; g = g->next) {
    put_region(file, *g);
  }
  SLOG(fn, SLOG_EXIT, "OK, %d regions", n);
  return IO_OK;
}

void io_free_spot_region_entry(ANALYSIS_ENTRY* entry) {
  if (entry == nullptr) return;
  sp_free_regions(static_cast<SPOT_REGION*>(entry->record));
  ks_free(entry->header);
  entry->record = nullptr;
  entry->header = nullptr;
}

// ---- ".pz" regions ----

void io_free_pz_regions(PZ_REGION* head) {
  while (head != nullptr) {
    PZ_REGION* next = head->next;
    ks_free(head);
    head = next;
  }
}

void io_free_region_entry(ANALYSIS_ENTRY* entry) {
  if (entry == nullptr) return;
  io_free_pz_regions(static_cast<PZ_REGION*>(entry->record));
  entry->record = nullptr;
}

int io_rd_region(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int) {
  static const char* fn = "io_rd_region";
  if (entry == nullptr) return IO_ERR_READ;
  std::vector<uint8_t> bytes;
  if (int e = take(fn, file, token, bytes, true); e != 0) return e;
  const int count = token->count;
  if (count < 0 || static_cast<std::size_t>(count) > bytes.size() / PZ_BLOCK_BYTES) {
    SLOG(fn, SLOG_EXIT, "%d regions do not fit %zu bytes", count, bytes.size());
    return IO_ERR_READ;
  }
  auto* head = static_cast<PZ_REGION*>(ks_alloc_msg(sizeof(PZ_REGION)));
  if (head == nullptr) return IO_ERR_MEM;
  ByteReader r(bytes, file.big_endian());
  PZ_REGION* last = head;
  for (int i = 0; i < count; ++i) {
    auto* p = static_cast<PZ_REGION*>(ks_alloc_msg(sizeof(PZ_REGION)));
    if (p == nullptr) {
      io_free_pz_regions(head);
      return IO_ERR_MEM;
    }
    last->next = p;
    last = p;
    if (int e = get_pz(r, *p); e != 0) {
      io_free_pz_regions(head);
      return e;
    }
  }
  entry->record = head;
  return IO_OK;
}

int io_wr_region(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token) {
  const auto* head = entry != nullptr ? static_cast<const PZ_REGION*>(entry->record) : nullptr;
  int n = 0;
  for (const PZ_REGION* p = head ? head->next : nullptr; p != nullptr; p = p->next) ++n;
  if (token != nullptr) {
    token->version = 0;
    token->count = n;
  }
  for (const PZ_REGION* p = head ? head->next : nullptr; p != nullptr; p = p->next) put_pz(file, *p);
  return IO_OK;
}
