// Standards and marker records of the analysis file.
#include "base/ks_mem.h"
#include "base/slog.h"
#include "io/gt_records.h"
#include "model/std_list.h"

#include <vector>

void io_free_stnd(ANALYSIS_ENTRY* e) {
  if (!e) return;
  STD_LIST** lists = static_cast<STD_LIST**>(e->record);
  const STD_REC_HDR* hdr = static_cast<const STD_REC_HDR*>(e->header);
  if (lists) {
    const int n = hdr ? hdr->num_lists : 0;
    for (int i = 0; i < n; ++i)
      if (lists[i]) std_list_free(lists[i]);
    ks_free(lists);
  }
  ks_free(e->header);
  e->record = nullptr;
  e->header = nullptr;
}

namespace {

void write_list(ByteWriter& w, const STD_LIST* l) {
  STD_LIST empty{};
  if (!l) {
    // A missing list is stored as a new, empty one.
    empty.extrap_method = 1;
    empty.precision = 3;
    l = &empty;
  }
  const int count = l->records && l->count > 0 ? l->count : 0;
  w.i32(l->int_method);
  w.i32(l->extrap_method);
  w.i32(l->precision);
  w.bytes(l->hdr_rest, sizeof l->hdr_rest);
  w.bytes(l->hdr_rest2, sizeof l->hdr_rest2);
  w.i32(count);
  for (int i = 0; i < count; ++i) {
    const STD_MARKER& m = l->records[i];
    w.f64(m.x);
    w.f64(m.y);
    w.f64(m.value);
    w.i32(m.lane_num);
    w.i32(m.flags & ~STD_M_DELETE);  // the deletion mark is not kept in the file
    w.i32(m.ix);
    w.i32(m.iy);
  }
}

}  // namespace

int io_wr_stnd(ByteWriter& file, ANALYSIS_ENTRY* e, ANALYSIS_TOKEN* t) {
  if (!e) return IO_OK;
  STD_REC_HDR tmp{};
  STD_REC_HDR* hdr = static_cast<STD_REC_HDR*>(e->header);
  if (!hdr) {
    tmp.num_lists = e->record ? 1 : 0;
    hdr = &tmp;
  }
  hdr->version = 5;
  const int num_lists = hdr->num_lists > 0 ? hdr->num_lists : 0;
  t->version = 5;
  t->count = hdr->num_lists;
  file.i32(hdr->version);
  file.i32(hdr->num_lists);
  for (int32_t w : hdr->words) file.i32(w);
  STD_LIST** lists = static_cast<STD_LIST**>(e->record);
  if (!lists) return IO_OK;
  for (int i = 0; i < num_lists; ++i) write_list(file, lists[i]);
  return IO_OK;
}

int io_rd_stnd(ByteReader& file, ANALYSIS_ENTRY* e, ANALYSIS_TOKEN* t, int swap) {
  static const char* fn = "io_rd_stnd";
  std::vector<uint8_t> rec;
  int rc = io_take_record(file, t, rec, false);
  if (rc != 0) return rc;
  ByteReader r(rec, swap != 0);
  STD_REC_HDR h{};
  r.i32(h.version);
  r.i32(h.num_lists);
  for (int32_t& w : h.words) r.i32(w);
  if (!r.ok() || h.num_lists < 0 || h.num_lists > IO_STD_MAX_LISTS) {
    SLOG(fn, SLOG_ERROR, "bad standards header (%d lists)", h.num_lists);
    return IO_ERR_READ;
  }
  if (h.num_lists == 0) h.num_lists = 1;  // a stored count of 0 means one list: the format's rule

  STD_REC_HDR* hdr = ks_new_rec<STD_REC_HDR>();
  STD_LIST** lists = static_cast<STD_LIST**>(
      ks_alloc_msg(sizeof(STD_LIST*) * static_cast<std::size_t>(h.num_lists)));
  if (!hdr || !lists) {
    ks_dbg_null_ptr(fn, hdr ? "list" : "*list");
    ks_free(hdr);
    ks_free(lists);
    return IO_ERR_MEM;
  }
  *hdr = h;
  e->header = hdr;
  e->record = lists;

  for (int i = 0; i < h.num_lists; ++i) {
    STD_LIST* l = std_list_create();
    if (!l) {
      io_free_stnd(e);
      return IO_ERR_OPEN;
    }
    lists[i] = l;
    // A record that ends before all its lists: the remaining lists stay empty.
    if (r.at_end()) continue;
    int32_t count = 0;
    r.i32(l->int_method);
    r.i32(l->extrap_method);
    r.i32(l->precision);
    r.bytes(l->hdr_rest, sizeof l->hdr_rest);
    r.bytes(l->hdr_rest2, sizeof l->hdr_rest2);
    r.i32(count);
    if (!r.ok() || count < 0 ||
        static_cast<std::size_t>(count) > r.remaining() / IO_STD_MARKER_BYTES) {
      SLOG(fn, SLOG_ERROR, "list %d: %d markers do not fit", i, count);
      io_free_stnd(e);
      return IO_ERR_READ;
    }
    for (int k = 0; k < count; ++k) {
      STD_MARKER m{};
      r.f64(m.x);
      r.f64(m.y);
      r.f64(m.value);
      r.i32(m.lane_num);
      r.i32(m.flags);
      r.i32(m.ix);
      r.i32(m.iy);
      if (!std_list_append(l, &m)) {
        io_free_stnd(e);
        return IO_ERR_MEM;
      }
    }
    std_list_drop_invalid(l);
    l->clean = 0;
    std_slgstd(l);
  }
  return IO_OK;
}

int io_wr_gt_marker(ByteWriter& file, ANALYSIS_ENTRY* e, ANALYSIS_TOKEN* /*t*/) {
  const int32_t* pts = e ? static_cast<const int32_t*>(e->record) : nullptr;
  if (!pts) return IO_OK;
  for (int i = 0; i < 6; ++i) file.i32(pts[i]);
  return IO_OK;
}

int io_rd_gt_marker(ByteReader& file, ANALYSIS_ENTRY* e, ANALYSIS_TOKEN* t, int swap) {
  std::vector<uint8_t> rec;
  int rc = io_take_record(file, t, rec, false);
  if (rc != 0) return rc;
  if (rec.size() < IO_MARKER_REC_BYTES) return IO_ERR_READ;
  int32_t* pts = static_cast<int32_t*>(ks_alloc_msg(IO_MARKER_REC_BYTES));
  if (!pts) return IO_ERR_MEM;
  ByteReader r(rec, swap != 0);
  for (int i = 0; i < 6; ++i) r.i32(pts[i]);
  e->record = pts;
  return IO_OK;
}
