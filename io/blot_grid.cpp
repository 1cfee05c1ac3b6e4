// The blot grid record.
#include "io/blot_grid.h"

#include <cstring>
#include <vector>

#include "base/ks_mem.h"
#include "base/slog.h"

int IsLegacyBlot(int num_cells, int file_size) {
  static const char* fn = "IsLegacyBlot";
  const int64_t legacy = BLOT_OLD_HDR_BYTES + int64_t{BLOT_OLD_CELL_BYTES} * num_cells;
  SLOG(fn, SLOG_VALUE4, "iNumCells %d, file_size %d", num_cells, file_size);
  SLOG(fn, SLOG_VALUE4, "size_of_legacy %lld, size_of_old_cells %d", static_cast<long long>(legacy),
       BLOT_OLD_CELL_BYTES);
  const int legacy_flag = num_cells >= 0 && legacy == file_size ? 1 : 0;
  SLOG(fn, SLOG_VALUE4, "bLegacy %d", legacy_flag);
  return legacy_flag;
}

void io_free_blot_entry(ANALYSIS_ENTRY* entry) {
  if (entry == nullptr) return;
  ks_free(entry->record);
  ks_free(entry->header);
  entry->record = nullptr;
  entry->header = nullptr;
}

int io_wr_blot(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token) {
  static const char* fn = "io_wr_blot";
  if (token != nullptr) token->version = 1;
  if (entry == nullptr) return IO_OK;
  BLOT_HDR zero{};
  auto* hdr = entry->header != nullptr ? static_cast<BLOT_HDR*>(entry->header) : &zero;
  hdr->version = 1;
  auto* cells = static_cast<BLOT_CELL*>(entry->record);
  if (cells == nullptr) {
    SLOG(fn, SLOG_EXIT, "%s", "no cells, 0");
    return IO_OK;
  }
  if (hdr->rows < 0 || hdr->cols < 0) {
    SLOG(fn, SLOG_EXIT, "bad grid %d R x %d C, -6", hdr->rows, hdr->cols);
    return IO_ERR_WRITE;
  }
  const int64_t n = int64_t{hdr->rows} * hdr->cols;
  SLOG(fn, SLOG_VALUE4, "%d R x %d C = %lld cells", hdr->rows, hdr->cols,
       static_cast<long long>(n));

  file.f64(hdr->grid_d);
  file.i32(hdr->hdr_w8);
  file.i32(hdr->hdr_w12);
  file.i32(hdr->hdr_w16);
  file.i32(hdr->cols);
  file.i32(hdr->rows);
  file.i32(hdr->version);
  file.text(hdr->name, sizeof hdr->name);
  file.i32(hdr->shape);
  file.i32(hdr->type);
  file.i32(hdr->f);
  file.i32(hdr->res2);
  file.i32(hdr->res3);
  file.i32(hdr->res4);
  for (int32_t g : hdr->geom) file.i32(g);
  for (int64_t i = 0; i < n; ++i) {
    const BLOT_CELL& c = cells[i];
    file.f64(c.value1);
    file.f64(c.value2);
    file.u32(c.flags & ~1u);  // a selected cell is stored unselected
    file.i32(c.cell_w20);
    for (int32_t v : c.corner) file.i32(v);
    file.text(c.name, sizeof c.name);
    file.bytes(c.cell_bytes, sizeof c.cell_bytes);
    SLOG(fn, SLOG_VALUE5, "[%2lld] %7.3f %7.3f r  (%4d %4d) (%4d %4d) (%4d %4d) (%4d %4d)",
         static_cast<long long>(i), c.value1, c.value2, c.corner[0], c.corner[1], c.corner[2],
         c.corner[3], c.corner[4], c.corner[5], c.corner[6], c.corner[7]);
  }
  return IO_OK;
}

int io_rd_blot(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap) {
  static const char* fn = "io_rd_blot";
  if (entry == nullptr || token == nullptr) return IO_ERR_READ;
  SLOG(fn, SLOG_ENTRY, "swap_flag %d", swap);
  SLOG(fn, SLOG_VALUE4, "file_size %d", token->analysis_length);
  std::vector<uint8_t> bytes;
  // -2 when the record cannot be held in memory, -5 when it is short.
  if (int rc = io_take_record(file, token, bytes, false); rc != 0) {
    if (rc == IO_ERR_MEM) {
      SLOG(fn, SLOG_ERROR, "Can't alloc heap, (%d)", rc);
    } else {
      SLOG(fn, SLOG_EXIT, "Can't read %d bytes, (%d)", token->analysis_length, rc);
    }
    return rc;
  }
  ByteReader r(bytes, file.big_endian());
  BLOT_HDR h{};
  r.f64(h.grid_d);
  r.i32(h.hdr_w8);
  r.i32(h.hdr_w12);
  r.i32(h.hdr_w16);
  r.i32(h.cols);
  r.i32(h.rows);
  if (!r.ok() || h.rows < 0 || h.cols < 0) return IO_ERR_READ;
  const int64_t n = int64_t{h.rows} * h.cols;
  const int64_t len = static_cast<int64_t>(bytes.size());
  const bool legacy =
      n <= INT32_MAX && IsLegacyBlot(static_cast<int>(n), token->analysis_length) == 1;
  const int64_t head = legacy ? BLOT_OLD_HDR_BYTES : BLOT_HDR_BYTES;
  const int64_t cell = legacy ? BLOT_OLD_CELL_BYTES : BLOT_CELL_BYTES;
  // Compared by division: the cell count of a damaged record may be too large to multiply.
  if (len < head || n > (len - head) / cell) {
    SLOG(fn, SLOG_EXIT, "%lld cells do not fit the record's %lld bytes, -5",
         static_cast<long long>(n), static_cast<long long>(len));
    return IO_ERR_READ;
  }
  if (!legacy) {
    r.i32(h.version);
    r.text(h.name, sizeof h.name, sizeof h.name);
    r.i32(h.shape);
    r.i32(h.type);
    r.i32(h.f);
    r.i32(h.res2);
    r.i32(h.res3);
    r.i32(h.res4);
    SLOG(fn, SLOG_VALUE4, "version %d", h.version);
    SLOG(fn, SLOG_VALUE4, "name <%s>", h.name);
    SLOG(fn, SLOG_VALUE4, "shape %d", h.shape);
    SLOG(fn, SLOG_VALUE4, "type %d", h.type);
    SLOG(fn, SLOG_VALUE4, "f %d", h.f);
    SLOG(fn, SLOG_VALUE4, "res2 %d", h.res2);
    SLOG(fn, SLOG_VALUE4, "res3 %d", h.res3);
    SLOG(fn, SLOG_VALUE4, "res4 %d", h.res4);
  }
  for (int32_t& g : h.geom) r.i32(g);

  auto* hdr = static_cast<BLOT_HDR*>(entry->header);
  bool made_hdr = false;
  if (hdr == nullptr) {
    SLOG(fn, SLOG_VALUE4, "%s", "creating tmp_hdr");
    hdr = static_cast<BLOT_HDR*>(ks_alloc_msg(sizeof(BLOT_HDR)));
    if (hdr == nullptr) {
      SLOG(fn, SLOG_EXIT, "%s", "no memory for tmp_hdr");
      return IO_ERR_MEM;
    }
    made_hdr = true;
  }
  auto* cells = static_cast<BLOT_CELL*>(
      ks_alloc_msg(sizeof(BLOT_CELL) * static_cast<std::size_t>(n > 0 ? n : 1)));
  if (cells == nullptr) {
    SLOG(fn, SLOG_EXIT, "Can't alloc blot (size %lld), (%d)", static_cast<long long>(n), -2);
    if (made_hdr) ks_free(hdr);
    return IO_ERR_MEM;
  }
  *hdr = h;
  for (int64_t i = 0; i < n; ++i) {
    BLOT_CELL& c = cells[i];
    r.f64(c.value1);
    r.f64(c.value2);
    r.u32(c.flags);
    r.i32(c.cell_w20);
    if (!legacy) {
      for (int32_t& v : c.corner) r.i32(v);
    } else {
      int* k = c.corner;
      yc_get_coords(hdr, cells, static_cast<int>(i), &k[0], &k[1], &k[2], &k[3], &k[4], &k[5],
                    &k[6], &k[7]);
    }
    r.text(c.name, sizeof c.name, sizeof c.name);
    r.bytes(c.cell_bytes, sizeof c.cell_bytes);
    SLOG(fn, SLOG_VALUE5, "   %d %d %d %d", (c.flags >> 10) & 1, (c.flags >> 6) & 1,
         (c.flags >> 1) & 1, c.flags & 1);
    SLOG(fn, SLOG_VALUE5, "%c  (%4d %4d) (%4d %4d) (%4d %4d) (%4d %4d)", legacy ? 'c' : 'r',
         c.corner[0], c.corner[1], c.corner[2], c.corner[3], c.corner[4], c.corner[5],
         c.corner[6], c.corner[7]);
    SLOG(fn, SLOG_VALUE5, "   <%s>", c.name);
  }
  if (!r.ok()) {
    ks_free(cells);
    if (made_hdr) ks_free(hdr);
    return IO_ERR_READ;
  }
  entry->header = hdr;
  entry->record = cells;
  return IO_OK;
}
