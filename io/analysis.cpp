// The analysis container: header and tokens, record dispatch, the text part, and the reader
// and writer of a whole analysis list.
#include "io/analysis.h"

#include "base/io_file.h"
#include "base/ks_mem.h"
#include "base/slog.h"
#include "io/io_msg.h"

#include <cstring>
#include <string>

namespace {

// Largest analysis or text file read into memory.
constexpr std::size_t kMaxFileBytes = std::size_t(1) << 30;
// Bytes of the text part that are used.
constexpr std::size_t kMaxTextBytes = 32766;

bool is_text_type(int type) {
  return type >= 502 && type <= 509;
}

}  // namespace

int io_is_binary_type(int type) {
  return type >= 1 && type < 58 ? 1 : 0;
}

int io_text_type_for(int code) {
  switch (code) {
    case 404:
      return 502;
    case 405:
      return 503;
    case 406:
      return 504;
    case 407:
      return 505;
    case 408:
      return 506;
    case 409:
      return 507;
    case 410:
      return 509;
    case 411:
      return 508;
    default:
      return 0;
  }
}

const IoRecordKind* io_record_kind(int type) {
  for (const IoRecordKind* k = io_record_kinds(); k->types; ++k)
    for (const int* t = k->types; *t; ++t)
      if (*t == type) return k;
  return nullptr;
}

int io_take_record(ByteReader& file, const ANALYSIS_TOKEN* token, std::vector<uint8_t>& rec,
                   bool allow_short) {
  rec.clear();
  if (!token || token->analysis_length < 0) return IO_ERR_READ;
  const std::size_t len = static_cast<std::size_t>(token->analysis_length);
  std::size_t got = len;
  if (file.remaining() < len) {
    // A record exactly 24 bytes short at the end of the file is whole: the stored format's rule.
    if (!allow_short || len < 24 || file.remaining() != len - 24) return IO_ERR_READ;
    got = len - 24;
  }
  try {
    rec.assign(len, 0);
  } catch (...) {
    return IO_ERR_MEM;
  }
  if (!file.bytes(rec.data(), got)) {
    rec.clear();
    return IO_ERR_READ;
  }
  return IO_OK;
}

int io_read_analysis_hdr(ByteReader& file, ANALYSIS_HDR* hdr, int* swap) {
  ANALYSIS_HDR h{};
  if (!file.has(IO_ANALYSIS_HDR_BYTES)) return 0;
  file.bytes(h.mark, 2);
  // The mark's second byte decides: "MM" files hold every field big-endian.
  const bool big = h.mark[1] == 'M';
  file.set_big_endian(big);
  file.i16(h.word2);
  file.i32(h.reserved);
  file.i32(h.num_analysis);
  for (int32_t& w : h.reserved2) file.i32(w);
  if (hdr) *hdr = h;
  if (swap) *swap = big ? 1 : 0;
  return file.ok() ? 1 : 0;
}

int io_read_analysis_token(int swap, ByteReader& file, ANALYSIS_TOKEN* t) {
  if (!file.has(IO_ANALYSIS_TOKEN_BYTES)) return 0;
  file.set_big_endian(swap != 0);
  ANALYSIS_TOKEN k{};
  file.i32(k.analysis_type);
  file.i32(k.analysis_offset);
  file.i32(k.analysis_length);
  file.i32(k.version);
  file.i32(k.count);
  if (t) *t = k;
  return file.ok() ? 1 : 0;
}

void io_write_analysis_hdr(ByteWriter& file, const ANALYSIS_HDR* h) {
  const char m = file.big_endian() ? 'M' : 'I';
  file.u8(static_cast<uint8_t>(m));
  file.u8(static_cast<uint8_t>(m));
  file.i16(0);
  file.i32(0);
  file.i32(h ? h->num_analysis : 0);
  for (int i = 0; i < 4; ++i) file.i32(0);
}

void io_write_analysis_token(ByteWriter& file, const ANALYSIS_TOKEN* t) {
  file.i32(t->analysis_type);
  file.i32(t->analysis_offset);
  file.i32(t->analysis_length);
  file.i32(t->version);
  file.i32(t->count);
}

int io_read_binary(int swap, ByteReader& file, ANALYSIS_ENTRY* entry, ANALYSIS_TOKEN* token) {
  static const char* fn = "io_read_binary";
  if (!entry || !token) return IO_ERR_TYPE;
  SLOG(fn, SLOG_VALUE4, "analysis_type %d", entry->type);
  if (entry->type < 3 || entry->type >= 55) return IO_ERR_TYPE;
  const IoRecordKind* k = io_record_kind(entry->type);
  if (!k || !k->read) {
    SLOG(fn, SLOG_WARN, "bad type %d", entry->type);
    return IO_ERR_TYPE;
  }
  file.set_big_endian(swap != 0);
  const std::size_t start = file.pos();
  int r = k->read(file, entry, token, swap);
  if (r == 0 && token->analysis_length >= 0) {
    // The next record starts right after this one, however much of it the reader used.
    const std::size_t end = start + static_cast<std::size_t>(token->analysis_length);
    file.seek(end < file.size() ? end : file.size());
  }
  SLOG(fn, SLOG_VALUE4, "%s stat %d", k->tag, r);
  return r;
}

int io_write_binary(ANALYSIS_TOKEN* token, ByteWriter& file, ANALYSIS_ENTRY* entry) {
  static const char* fn = "io_write_binary";
  if (!entry || !token) return IO_ERR_TYPE;
  SLOG(fn, SLOG_VALUE4, "analysis_type %d", token->analysis_type);
  const IoRecordKind* k = io_record_kind(token->analysis_type);
  if (!k || !k->write) {
    SLOG(fn, SLOG_WARN, "bad type %d", token->analysis_type);
    return IO_ERR_TYPE;
  }
  int r = k->write(file, entry, token);
  SLOG(fn, SLOG_VALUE4, "%s stat %d", k->tag, r);
  return r;
}

int io_read_text(ANALYSIS_ENTRY* entry, ByteReader& text_file) {
  if (!entry || !is_text_type(entry->type)) return IO_ERR_TYPE;
  const IoRecordKind* k = io_record_kind(entry->type);
  if (!k || !k->read) return IO_ERR_TYPE;
  return k->read(text_file, entry, nullptr, 0);
}

int io_write_text(ANALYSIS_ENTRY* entry, ByteWriter& text_file) {
  if (!entry || !is_text_type(entry->type)) return IO_ERR_TYPE;
  const IoRecordKind* k = io_record_kind(entry->type);
  if (!k || !k->write) return IO_ERR_TYPE;
  return k->write(text_file, entry, nullptr);
}

void io_free_analysis_entry(ANALYSIS_ENTRY* e) {
  if (!e) return;
  const IoRecordKind* k = io_record_kind(e->type);
  if (k && k->free) {
    k->free(e);
  } else {
    ks_free(e->record);
  }
  ks_free(e);
}

void io_free_analysis_list(ANALYSIS_ENTRY** list, int n) {
  if (!list) return;
  for (int i = 0; i < n; ++i) io_free_analysis_entry(list[i]);
  ks_free(list);
}

int io_read_app(const char* base_path, int program_code, ANALYSIS_ENTRY*** list_io, int count) {
  static const char* fn = "io_read_app";
  SLOG(fn, SLOG_ENTRY, "base_image_name <%s>", base_path ? base_path : "");
  if (!base_path || !list_io) {
    SLOG(fn, SLOG_EXIT, "no path or list, -1");
    return IO_ERR_OPEN;
  }
  const char* ext = io_analysis_ext(program_code);
  const std::string bin_name = std::string(base_path) + (ext ? ext : "");
  const std::string txt_name = std::string(base_path) + ".cmt";
  SLOG(fn, SLOG_VALUE4, "binary_filename <%s>", bin_name.c_str());
  SLOG(fn, SLOG_VALUE4, "text_filename <%s>", txt_name.c_str());

  std::vector<uint8_t> bin, txt;
  bool binary_exists =
      io_file_exists(bin_name.c_str()) && io_read_whole_file(bin_name.c_str(), bin, kMaxFileBytes);
  bool text_exists =
      io_file_exists(txt_name.c_str()) && io_read_whole_file(txt_name.c_str(), txt, kMaxFileBytes);
  if (text_exists && txt.empty()) {
    SLOG(fn, SLOG_VALUE4, "size of text is 0");
    text_exists = false;
  }
  SLOG(fn, SLOG_VALUE4, "text_exists %d, binary_exists %d", text_exists, binary_exists);
  if (!text_exists && !binary_exists) {
    SLOG(fn, SLOG_EXIT, "neither exists");
    return IO_ERR_OPEN;
  }

  ByteReader file(bin);
  ANALYSIS_HDR hdr{};
  int swap = 0;
  if (binary_exists && !io_read_analysis_hdr(file, &hdr, &swap)) binary_exists = false;
  const long num_binary = binary_exists ? hdr.num_analysis : 0;
  // Every token must be there in full before anything is allocated for it.
  if (num_binary < 0 || static_cast<unsigned long>(num_binary) > file.remaining() / 20) {
    io_ui_msg(263);
    SLOG(fn, SLOG_EXIT, "num_analysis %ld does not fit the file, -1", num_binary);
    return IO_ERR_OPEN;
  }
  const int num_tokens = static_cast<int>(num_binary) + (text_exists ? 1 : 0);
  SLOG(fn, SLOG_VALUE4, "num_analysis_tokens %d", num_tokens);
  if (num_tokens == 0) {
    io_ui_msg(262);
    SLOG(fn, SLOG_EXIT, "num_analysis_tokens = 0");
    return IO_ERR_OPEN;
  }

  std::vector<ANALYSIS_TOKEN> tokens(static_cast<std::size_t>(num_tokens));
  for (long i = 0; i < num_binary; ++i) {
    if (!io_read_analysis_token(swap, file, &tokens[i])) {
      io_ui_msg(263);
      SLOG(fn, SLOG_EXIT, "read of token %ld failed", i);
      return IO_ERR_OPEN;
    }
  }
  if (text_exists) {
    tokens[num_binary] = ANALYSIS_TOKEN{io_text_type_for(program_code), 0, 0, 0, 0};
    SLOG(fn, SLOG_VALUE4, "last_token %ld", num_binary);
  }

  ANALYSIS_ENTRY** list = io_alloc_analysis_list(num_tokens);
  if (!list) {
    ks_dbg_null_ptr(fn, "analysis_list");
    SLOG(fn, SLOG_EXIT, "-1");
    return IO_ERR_OPEN;
  }
  ByteReader text_file(txt.data(), txt.size() < kMaxTextBytes ? txt.size() : kMaxTextBytes);
  for (int i = 0; i < num_tokens; ++i) {
    ANALYSIS_ENTRY* e = io_alloc_analysis_entry();
    if (!e) {
      ks_dbg_null_ptr(fn, "analysis_list[loop]");
      io_free_analysis_list(list, num_tokens);
      return IO_ERR_OPEN;
    }
    list[i] = e;
    e->type = tokens[i].analysis_type;
    int r;
    const bool is_bin = i < num_binary;
    if (is_bin) {
      e->record = nullptr;
      e->header = nullptr;
      e->extra = 0;
      // Records follow one another in token order; only binary types belong in the file.
      r = io_is_binary_type(e->type) ? io_read_binary(swap, file, e, &tokens[i]) : IO_ERR_TYPE;
    } else {
      r = io_read_text(e, text_file);
    }
    if (r != 0) {
      io_ui_msg(263);
      SLOG(fn, SLOG_EXIT, "read %s analysis_list[%2d] failed (%d)", is_bin ? "binary" : "text", i,
           r);
      io_free_analysis_list(list, num_tokens);
      return IO_ERR_OPEN;
    }
  }
  *list_io = list;
  SLOG(fn, SLOG_EXIT, "at bottom, ret %d", num_tokens);
  (void)count;
  return num_tokens;
}

int io_build_app(ANALYSIS_ENTRY** list, int num_analysis, bool big_endian, ByteWriter& binary,
                 ByteWriter& text) {
  static const char* fn = "io_build_app";
  binary = ByteWriter(big_endian);
  text = ByteWriter(false);
  if (num_analysis <= 0 || !list) return IO_ERR_TYPE;
  int num_binary = 0;
  for (int i = 0; i < num_analysis; ++i)
    if (list[i] && io_is_binary_type(list[i]->type)) ++num_binary;
  SLOG(fn, SLOG_VALUE4, "num_analysis %d", num_binary);

  ANALYSIS_HDR hdr{};
  hdr.num_analysis = num_binary;
  io_write_analysis_hdr(binary, &hdr);
  std::vector<ANALYSIS_TOKEN> tokens(static_cast<std::size_t>(num_binary));
  for (const ANALYSIS_TOKEN& t : tokens) io_write_analysis_token(binary, &t);

  int k = 0;
  for (int i = 0; i < num_analysis; ++i) {
    ANALYSIS_ENTRY* e = list[i];
    if (!e) continue;
    if (io_is_binary_type(e->type)) {
      ANALYSIS_TOKEN& t = tokens[static_cast<std::size_t>(k++)];
      t.analysis_type = e->type;
      t.analysis_offset = static_cast<int32_t>(binary.size());
      int r = io_write_binary(&t, binary, e);
      SLOG(fn, SLOG_VALUE4, "[%d] is binary,  io_write_binary stat %d", i, r);
      if (r != 0) {
        SLOG(fn, SLOG_ERROR, "write_binary %d failed", i);
        return IO_ERR_WRITE;
      }
      if (binary.size() > 0x7FFFFFFF) return IO_ERR_WRITE;
      t.analysis_length = static_cast<int32_t>(binary.size()) - t.analysis_offset;
    } else {
      int r = io_write_text(e, text);
      SLOG(fn, SLOG_VALUE4, "[%d] is not binary,  io_write_text stat %d", i, r);
      if (r != 0) {
        SLOG(fn, SLOG_ERROR, "write text %d failed", i);
        return IO_ERR_WRITE;
      }
    }
  }
  // Fill in the tokens now that offsets and lengths are known.
  ByteWriter tok(big_endian);
  for (const ANALYSIS_TOKEN& t : tokens) io_write_analysis_token(tok, &t);
  if (tok.size())
    std::memcpy(binary.buffer().data() + IO_ANALYSIS_HDR_BYTES, tok.data(), tok.size());
  return IO_OK;
}

int io_stage_app(IoFileSet& set, const char* image_path, ANALYSIS_ENTRY** list,
                 int num_analysis, int program_code) {
  static const char* fn = "io_write_app";
  const std::string base = io_base_name(image_path);
  SLOG(fn, SLOG_ENTRY, "base_image_name <%s>, num_analysis %d", base.c_str(), num_analysis);
  if (num_analysis <= 0 || !list) {
    io_ui_msg(256);
    SLOG(fn, SLOG_EXIT, "num_analysis is 0");
    return IO_ERR_TYPE;
  }
  ByteWriter bin, txt;
  int r = io_build_app(list, num_analysis, false, bin, txt);
  if (r != IO_OK) {
    // Nothing has been written: the files on disk keep their previous analysis.
    io_ui_msg(259);
    SLOG(fn, SLOG_EXIT, "build failed %d, -6", r);
    return IO_ERR_WRITE;
  }
  const char* ext = io_analysis_ext(program_code);
  if (!set.put(base + (ext ? ext : ""), bin.buffer().data(), bin.size())) {
    io_ui_msg(258);
    SLOG(fn, SLOG_EXIT, "can't open file");
    return IO_ERR_OPEN;
  }
  if (!set.put(base + ".cmt", txt.buffer().data(), txt.size())) {
    io_ui_msg(258);
    SLOG(fn, SLOG_EXIT, "can't open txt file");
    return IO_ERR_OPEN;
  }
  return IO_OK;
}

int io_write_app(const char* image_path, ANALYSIS_ENTRY** list, int num_analysis,
                 int program_code) {
  IoFileSet set;
  int r = io_stage_app(set, image_path, list, num_analysis, program_code);
  if (r != IO_OK) return r;
  // The analysis file and its text part replace the old pair together, or neither does.
  return io_commit_files(set, "io_write_app");
}

int io_commit_files(IoFileSet& set, const char* fn) {
  if (!set.commit()) {
    io_ui_msg(258);
    SLOG(fn, SLOG_EXIT, "%s", "can't replace the files, -1");
    return IO_ERR_OPEN;
  }
  SLOG(fn, SLOG_EXIT, "%s", "OK");
  return IO_OK;
}
