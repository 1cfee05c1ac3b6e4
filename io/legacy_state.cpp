// State records of older analysis programs.
#include "io/legacy_state.h"

#include <cstring>
#include <vector>

#include "base/ks_mem.h"
#include "base/slog.h"

namespace {

// Reads and writes fields in the stored order; a reader and a writer share each layout.
struct In {
  ByteReader& r;
  void operator()(int32_t& v) { r.i32(v); }
  void operator()(double& v) { r.f64(v); }
  template <std::size_t N>
  void operator()(char (&t)[N]) { r.bytes(t, N); }
};
struct Out {
  ByteWriter& w;
  void operator()(const int32_t& v) { w.i32(v); }
  void operator()(const double& v) { w.f64(v); }
  template <std::size_t N>
  void operator()(const char (&t)[N]) { w.bytes(t, N); }
};

template <typename F, typename T, std::size_t N>
void each(F& f, T (&a)[N]) {
  for (auto& x : a) f(x);
}

template <typename F, typename S>
void mj_fields(F& f, S& s) {
  f(s.d0);
  each(f, s.w8);
  each(f, s.w64);
  each(f, s.w80);
  each(f, s.t140);
  f(s.t1164);
}

template <typename F, typename S>
void kr_v1_fields(F& f, S& s) {
  f(s.d0);
  each(f, s.w8);
  f(s.w120);
  each(f, s.w124);
}

template <typename F, typename S>
void kr_v2_fields(F& f, S& s) {
  each(f, s.w184);
  each(f, s.t292);
  each(f, s.t1572);
  each(f, s.t1732);
  f(s.w2244);
  f(s.t2248);
}

template <typename F, typename S>
void prf_v3_fields(F& f, S& p) {
  f(p.w2504);
  each(f, p.d2508);
  for (auto& g : p.g2604) {
    f(g.w);
    each(f, g.d);
  }
  f(p.w2804);
  each(f, p.d2808);
  for (auto& g : p.g2904) {
    f(g.w);
    each(f, g.w2);
    each(f, g.t);
  }
}

template <typename F, typename S>
void prf_v4_fields(F& f, S& p) {
  each(f, p.w6024);
  f(p.bltnewflags);
  f(p.blttooclose);
  f(p.bltres1);
  f(p.bltres2);
  f(p.colnewflags);
  f(p.coltooclose);
  f(p.colres1);
  f(p.colres2);
}

// Defaults of the version 2 part of a record that lacks it. The image state also resets the
// integer at offset 32 to 1 (see io_rd_kr_img_state); the preference state keeps it as stored.
void kr_v2_defaults(KR_STATE_V2& s) {
  s.w184[0] = 0;
  s.w184[1] = 50;
  s.w184[2] = 100;
  for (int i = 3; i < 24; ++i) s.w184[i] = -1;
  s.w184[24] = 1;
  s.w184[25] = -1;
  s.w184[26] = -1;
  std::memset(s.t292, 0, sizeof s.t292);
  std::memset(s.t1572, 0, sizeof s.t1572);
  std::memset(s.t1732, 0, sizeof s.t1732);
  s.w2244 = 0;
  std::memset(s.t2248, 0, sizeof s.t2248);
}

// Takes the record's bytes; -5 when they are not all there, -2 when they cannot be held.
int take(const char* fn, ByteReader& file, ANALYSIS_TOKEN* token, std::vector<uint8_t>& bytes) {
  const int e = token != nullptr ? io_take_record(file, token, bytes, false) : IO_ERR_READ;
  if (e != 0) {
    SLOG(fn, SLOG_EXIT, "read size wrong %zu should be %d", bytes.size(),
         token ? token->analysis_length : 0);
    return e;
  }
  return IO_OK;
}

template <typename T>
T* alloc_rec(const char* fn, const char* what) {
  auto* p = static_cast<T*>(ks_alloc_msg(sizeof(T)));
  if (p == nullptr) SLOG(fn, SLOG_EXIT, "alloc %s failed", what);
  return p;
}

int too_short(const char* fn, std::size_t have, int need) {
  SLOG(fn, SLOG_EXIT, "read size wrong %zu should be %d", have, need);
  return IO_ERR_READ;
}

}  // namespace

int io_rd_mj_img_state(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int) {
  static const char* fn = "io_rd_mj_img_state";
  std::vector<uint8_t> bytes;
  if (entry == nullptr) return IO_ERR_READ;
  if (int r = take(fn, file, token, bytes); r != 0) return r;
  if (bytes.size() < MJ_IMG_STATE_BYTES) return too_short(fn, bytes.size(), MJ_IMG_STATE_BYTES);
  auto* s = alloc_rec<MJ_IMG_STATE>(fn, "heap");
  if (s == nullptr) return IO_ERR_MEM;
  ByteReader r(bytes, file.big_endian());
  In in{r};
  mj_fields(in, *s);
  entry->record = s;
  return IO_OK;
}

int io_rd_kr_img_state(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int) {
  static const char* fn = "io_rd_kr_img_state";
  std::vector<uint8_t> bytes;
  if (entry == nullptr) return IO_ERR_READ;
  if (int r = take(fn, file, token, bytes); r != 0) return r;
  const int version = token->version;
  const int need = version < 2 ? KR_STATE_V1_BYTES : KR_IMG_STATE_BYTES;
  SLOG(fn, SLOG_VALUE4, "version %d, VER2 %d", version, 2);
  if (bytes.size() < static_cast<std::size_t>(need)) return too_short(fn, bytes.size(), need);
  auto* s = alloc_rec<KR_IMG_STATE>(fn, "KR_IMG_STATE");
  if (s == nullptr) return IO_ERR_MEM;
  ByteReader r(bytes, file.big_endian());
  In in{r};
  kr_v1_fields(in, s->s);
  if (version < 2) {
    s->s.w8[6] = 1;  // the integer at offset 32
    kr_v2_defaults(s->s);
  } else {
    kr_v2_fields(in, s->s);
  }
  entry->record = s;
  return IO_OK;
}

int io_rd_kr_prf_state(ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token, int) {
  static const char* fn = "io_rd_kr_prf_state";
  std::vector<uint8_t> bytes;
  if (entry == nullptr) return IO_ERR_READ;
  if (int r = take(fn, file, token, bytes); r != 0) return r;
  const int version = token->version;
  SLOG(fn, SLOG_VALUE4, "version %d, current write version %d", version, 5);
  const int need = version < 2   ? KR_STATE_V1_BYTES
                   : version < 3 ? KR_IMG_STATE_BYTES
                   : version < 4 ? 6024
                   : version < 5 ? 6088
                                 : KR_PRF_STATE_BYTES;
  if (bytes.size() < static_cast<std::size_t>(need)) return too_short(fn, bytes.size(), need);
  auto* p = alloc_rec<KR_PRF_STATE>(fn, "KR_PRF_STATE");
  if (p == nullptr) return IO_ERR_MEM;
  ByteReader r(bytes, file.big_endian());
  In in{r};
  kr_v1_fields(in, p->s);
  if (version < 2) {
    kr_v2_defaults(p->s);
  } else {
    SLOG(fn, SLOG_VALUE4, "%s", "reading Version 2 preferences...");
    kr_v2_fields(in, p->s);
  }
  if (version < 3) {
    // The new block is cleared: the integers are 0 already, the doubles become -1.0.
    for (double& d : p->d2508) d = -1.0;
    for (auto& g : p->g2604)
      for (double& d : g.d) d = -1.0;
    for (double& d : p->d2808) d = -1.0;
  } else {
    SLOG(fn, SLOG_VALUE4, "%s", "reading Ver 3 preferences...");
    prf_v3_fields(in, *p);
  }
  if (version >= 4) {
    SLOG(fn, SLOG_VALUE4, "%s", "reading Ver 4 preferences...");
    prf_v4_fields(in, *p);
  }
  if (version >= 5) {
    in(p->loc_repdir);
    p->loc_repdir[sizeof p->loc_repdir - 1] = '\0';
    SLOG(fn, SLOG_VALUE4, "reading Ver 5 preferences... loc_repdir <%s>", p->loc_repdir);
  }
  entry->record = p;
  return IO_OK;
}

int io_wr_mj_img_state(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token) {
  if (token != nullptr) {
    token->version = 2;
    token->count = 0;
  }
  const auto* s = entry != nullptr ? static_cast<const MJ_IMG_STATE*>(entry->record) : nullptr;
  if (s == nullptr) return IO_OK;
  SLOG("io_wr_mj_img_state", SLOG_VALUE4, "version %d", 2);
  Out out{file};
  mj_fields(out, *s);
  return IO_OK;
}

int io_wr_kr_img_state(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token) {
  if (token != nullptr) {
    token->version = 2;
    token->count = 0;
  }
  const auto* s = entry != nullptr ? static_cast<const KR_IMG_STATE*>(entry->record) : nullptr;
  if (s == nullptr) return IO_OK;
  SLOG("io_wr_kr_img_state", SLOG_VALUE4, "version %d", 2);
  Out out{file};
  kr_v1_fields(out, s->s);
  kr_v2_fields(out, s->s);
  return IO_OK;
}

int io_wr_kr_prf_state(ByteWriter& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token) {
  static const char* fn = "io_wr_kr_prf_state";
  if (token != nullptr) {
    token->version = 5;
    token->count = 0;
  }
  const auto* p = entry != nullptr ? static_cast<const KR_PRF_STATE*>(entry->record) : nullptr;
  if (p == nullptr) return IO_OK;
  SLOG(fn, SLOG_VALUE4, "version %d", 5);
  SLOG(fn, SLOG_VALUE4, "blt %d %d %d %d, col %d %d %d %d", p->bltnewflags, p->blttooclose,
       p->bltres1, p->bltres2, p->colnewflags, p->coltooclose, p->colres1, p->colres2);
  SLOG(fn, SLOG_VALUE4, "loc_repdir <%s>", p->loc_repdir);
  Out out{file};
  kr_v1_fields(out, p->s);
  kr_v2_fields(out, p->s);
  prf_v3_fields(out, *p);
  prf_v4_fields(out, *p);
  out(p->loc_repdir);
  return IO_OK;
}
