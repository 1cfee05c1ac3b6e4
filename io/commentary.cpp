// The commentary record and the text part.
#include "io/commentary.h"

#include <cstring>
#include <vector>

#include "base/ks_mem.h"
#include "base/slog.h"

namespace {

constexpr std::size_t kTextMax = 32766;  // bytes of the text part that are used

// Words of the fixed-size data of a type; 0 for the types with their own layout or none.
int fixed_words(int32_t type) {
  switch (type) {
    case COMM_T_BOX:
    case COMM_T_LINE:
    case COMM_T_LINE2:
    case COMM_T_ARC:
      return 4;
    case COMM_T_CIRCLE:
      return 3;
    case COMM_T_GRID:
      return 5;
    default:
      return 0;
  }
}

bool is_poly(int32_t type) { return type == COMM_T_POLYLINE || type == COMM_T_POLYGON || type == COMM_T_POLYGON2; }

void put_words(ByteWriter& w, const int32_t* v, int n) {
  for (int i = 0; i < n; ++i) w.i32(v != nullptr ? v[i] : 0);
}

void put_points(ByteWriter& w, const COMM_PT* pts, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    w.i32(pts[i].x);
    w.i32(pts[i].y);
  }
}


template <typename T>
T* alloc(const char* what, std::size_t size = sizeof(T)) {
  auto* p = static_cast<T*>(ks_alloc_msg(size));
  if (p == nullptr) SLOG("io_rd_commentary", SLOG_ERROR, "%s", what);
  return p;
}

// Reads `n` points when the record holds them; false (nothing made) otherwise.
int read_points(ByteReader& r, int32_t n, COMM_PT** out, const char* what) {
  *out = nullptr;
  if (n < 0 || !r.has(static_cast<std::size_t>(n) * 8)) return IO_ERR_READ;
  if (n == 0) return IO_OK;
  *out = alloc<COMM_PT>(what, sizeof(COMM_PT) * static_cast<std::size_t>(n));
  if (*out == nullptr) return IO_ERR_MEM;
  for (int32_t i = 0; i < n; ++i) {
    r.i32((*out)[i].x);
    r.i32((*out)[i].y);
  }
  return IO_OK;
}

// Parses one object into `o` (allocated and cleared by the caller).
int read_obj(ByteReader& r, COMM_OBJ* o) {
  int32_t ignored = 0;
  r.i32(o->type);
  r.i32(o->color);
  r.i32(ignored);
  r.i32(ignored);
  for (int32_t& p : o->place) r.i32(p);
  if (!r.ok()) return IO_ERR_READ;
  const int32_t type = o->type;
  if (type < COMM_T_TEXT || type > COMM_T_LINE2) return IO_OK;

  int32_t* style = alloc<int32_t>(type == COMM_T_TEXT ? "TExT alloc of font_style failed"
                                                    : "all the others, alloc of line_style failed",
                                  3 * sizeof(int32_t));
  if (style == nullptr) return IO_ERR_MEM;
  (type == COMM_T_TEXT ? o->font_style : o->line_style) = style;
  for (int i = 0; i < 3; ++i) r.i32(style[i]);

  if (type == COMM_T_TEXT) {
    auto* t = alloc<COMM_TEXT_DATA>("TEXT, alloc of lcl_text failed");
    if (t == nullptr) return IO_ERR_MEM;
    o->data = t;
    r.i32(t->x);
    r.i32(t->y);
    r.i32(t->len);
    r.i32(ignored);
    if (!r.ok() || t->len < 0 || !r.has(static_cast<std::size_t>(t->len))) return IO_ERR_READ;
    t->string = alloc<char>("TEXT, alloc of ->string failed", static_cast<std::size_t>(t->len) + 1);
    if (t->string == nullptr) return IO_ERR_MEM;
    r.bytes(t->string, static_cast<std::size_t>(t->len));
  } else if (is_poly(type)) {
    auto* p = alloc<COMM_POLY_DATA>("POLY, alloc of poly failed");
    if (p == nullptr) return IO_ERR_MEM;
    o->data = p;
    r.i32(p->count);
    r.i32(ignored);
    r.i32(p->open);
    if (!r.ok()) return IO_ERR_READ;
    if (int e = read_points(r, p->count, &p->points, "POLY, alloc of points failed"); e != 0) {
      return e;
    }
  } else if (type == COMM_T_FREE) {
    auto* f = alloc<COMM_FREE_DATA>("FREE, alloc of free failed");
    if (f == nullptr) return IO_ERR_MEM;
    o->data = f;
    r.i32(f->count);
    r.i32(ignored);
    if (!r.ok()) return IO_ERR_READ;
    if (int e = read_points(r, f->count, &f->points, "FREE, alloc of points failed"); e != 0) {
      return e;
    }
  } else {
    const int n = fixed_words(type);
    auto* d = alloc<int32_t>("alloc of object data failed", sizeof(int32_t) * n);
    if (d == nullptr) return IO_ERR_MEM;
    o->data = d;
    for (int i = 0; i < n; ++i) r.i32(d[i]);
  }
  return r.ok() ? IO_OK : IO_ERR_READ;
}

}  // namespace

void io_free_comm_obj(COMM_OBJ* o) {
  if (o == nullptr) return;
  ks_free(o->font_style);
  ks_free(o->line_style);
  if (o->data != nullptr) {
    if (o->type == COMM_T_TEXT) {
      ks_free(static_cast<COMM_TEXT_DATA*>(o->data)->string);
    } else if (is_poly(o->type)) {
      ks_free(static_cast<COMM_POLY_DATA*>(o->data)->points);
    } else if (o->type == COMM_T_FREE) {
      ks_free(static_cast<COMM_FREE_DATA*>(o->data)->points);
    }
    ks_free(o->data);
  }
  ks_free(o);
}

void io_free_commentary(COMM_OBJ* head) {
  while (head != nullptr) {
    COMM_OBJ* next = head->next;
    io_free_comm_obj(head);
    head = next;
  }
}

void io_free_commentary_entry(ANALYSIS_ENTRY* entry) {
  if (entry == nullptr) return;
  io_free_commentary(static_cast<COMM_OBJ*>(entry->record));
  entry->record = nullptr;
}

int io_wr_commentary(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token) {
  static const char* fn = "io_wr_commentary";
  auto* head = entry != nullptr ? static_cast<COMM_OBJ*>(entry->record) : nullptr;
  if (head == nullptr) {
    SLOG(fn, SLOG_EXIT, "data_ptr NULL, (%d)", -1);
    return IO_ERR_OPEN;
  }
  int count = 0;
  for (COMM_OBJ* o = head->next; o != nullptr; o = o->next) ++count;
  SLOG(fn, SLOG_VALUE4, "obj_count %d", count);
  if (token != nullptr) {
    token->version = 1;
    token->count = count;
  }
  int i = 0;
  for (COMM_OBJ* o = head->next; o != nullptr; o = o->next, ++i) {
    SLOG(fn, SLOG_VALUE5, "[%2d]", i);
    SLOG(fn, SLOG_VALUE5, "type %d", o->type);
    SLOG(fn, SLOG_VALUE5, "color %d", o->color);
    file.i32(o->type);
    file.i32(o->color);
    file.i32(0);
    file.i32(0);
    for (int32_t p : o->place) file.i32(p);
    if (o->type < COMM_T_TEXT || o->type > COMM_T_LINE2) continue;
    put_words(file, o->type == COMM_T_TEXT ? o->font_style : o->line_style, 3);

    if (o->type == COMM_T_TEXT) {
      const auto* t = static_cast<const COMM_TEXT_DATA*>(o->data);
      // The stored length never runs past the text's terminator.
      const int32_t len =
          t != nullptr && t->string != nullptr && t->len > 0
              ? static_cast<int32_t>(strnlen(t->string, static_cast<std::size_t>(t->len)))
              : 0;
      file.i32(t != nullptr ? t->x : 0);
      file.i32(t != nullptr ? t->y : 0);
      file.i32(len);
      file.i32(0);
      if (len > 0) file.bytes(t->string, static_cast<std::size_t>(len));
      SLOG(fn, SLOG_VALUE5, "%2d strlen (%d) <%.*s>", i, len, len, len > 0 ? t->string : "");
    } else if (is_poly(o->type)) {
      const auto* p = static_cast<const COMM_POLY_DATA*>(o->data);
      const int32_t n = p != nullptr && p->points != nullptr && p->count > 0 ? p->count : 0;
      file.i32(n);
      file.i32(0);
      file.i32(p != nullptr ? p->open : 0);
      if (n > 0) put_points(file, p->points, n);
    } else if (o->type == COMM_T_FREE) {
      const auto* f = static_cast<const COMM_FREE_DATA*>(o->data);
      const int32_t n = f != nullptr && f->points != nullptr && f->count > 0 ? f->count : 0;
      file.i32(n);
      file.i32(0);
      if (n > 0) put_points(file, f->points, n);
    } else {
      put_words(file, static_cast<const int32_t*>(o->data), fixed_words(o->type));
    }
  }
  return IO_OK;
}

int io_rd_commentary(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int swap) {
  static const char* fn = "io_rd_commentary";
  if (entry == nullptr || token == nullptr) return IO_ERR_READ;
  SLOG(fn, SLOG_ENTRY, "count %d, swap %d", token->count, swap);
  std::vector<uint8_t> bytes;
  // -2 when the record cannot be held in memory, -5 when it is short.
  if (int rc = io_take_record(file, token, bytes, false); rc != 0) {
    if (rc == IO_ERR_MEM) {
      SLOG(fn, SLOG_ERROR, "alloc of %d failed", token->analysis_length);
    } else {
      SLOG(fn, SLOG_EXIT, "read failed, read %zu, wanted %d", file.remaining(),
           token->analysis_length);
    }
    return rc;
  }
  // Every object takes at least 32 bytes: a count that the record cannot hold is refused.
  if (token->count < 0 || static_cast<std::size_t>(token->count) > bytes.size() / 32) {
    SLOG(fn, SLOG_EXIT, "object count %d does not fit %zu bytes", token->count, bytes.size());
    return IO_ERR_READ;
  }
  auto* head = alloc<COMM_OBJ>("alloc of header object failed");
  if (head == nullptr) return IO_ERR_MEM;
  ByteReader r(bytes, file.big_endian());
  COMM_OBJ* last = head;
  for (int i = 0; i < token->count; ++i) {
    auto* o = alloc<COMM_OBJ>("alloc of next object failed");
    if (o == nullptr) {
      io_free_commentary(head);
      return IO_ERR_MEM;
    }
    last->next = o;
    last = o;
    if (int e = read_obj(r, o); e != 0) {
      SLOG(fn, SLOG_EXIT, "object %d failed (%d)", i, e);
      io_free_commentary(head);
      return e;
    }
  }
  entry->record = head;
  SLOG(fn, SLOG_EXIT, "%d objects, OK", token->count);
  return IO_OK;
}

int io_wr_ascii(ByteWriter& text_file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN*) {
  static const char* fn = "io_wr_ascii";
  const char* text = entry != nullptr ? static_cast<const char*>(entry->record) : nullptr;
  SLOG(fn, SLOG_ENTRY, "analysis_ptr 0p%p", static_cast<const void*>(text));
  if (text == nullptr) {
    SLOG(fn, SLOG_EXIT, "analysis_ptr NULL, %d", -1);
    return IO_ERR_OPEN;
  }
  const std::size_t len = std::strlen(text);
  SLOG(fn, SLOG_VALUE4, "byte_count %zu", len);
  if (len >= kTextMax + 1) {
    // The stored text part holds 32,766 bytes: the first 32,765 characters and a NUL. The
    // caller's text is not touched.
    text_file.bytes(text, kTextMax - 1);
    text_file.u8(0);
  } else {
    text_file.bytes(text, len);
  }
  return IO_OK;
}

int io_rd_ascii(ByteReader& text_file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN*, int) {
  if (entry == nullptr) return IO_ERR_READ;
  const std::size_t size = text_file.remaining();
  if (size == 0) return IO_OK;
  const std::size_t n = size < kTextMax ? size : kTextMax;
  auto* text = static_cast<char*>(ks_alloc_msg(n + 1));
  if (text == nullptr) {
    ks_dbg_null_ptr("io_rd_ascii", "text");
    return IO_ERR_MEM;
  }
  text_file.bytes(text, n);
  text_file.skip(text_file.remaining());
  entry->record = text;
  return IO_OK;
}
