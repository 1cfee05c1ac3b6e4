// The info file: header and lookup records, reader and writer.
#include "io/info_file.h"

#include "base/io_file.h"
#include "base/ks_mem.h"
#include "base/slog.h"
#include "io/io_msg.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kMaxInfoBytes = std::size_t(64) << 20;

uint32_t get_bits(uint32_t word, int first, int bits) {
  return (word >> first) & ((bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1));
}

void set_bits(uint32_t& word, int first, int bits, uint32_t value) {
  const uint32_t mask = (bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1);
  word = (word & ~(mask << first)) | ((value & mask) << first);
}

bool light_offset(int device) {
  return device == 30 || device == 31;
}

int read_record(int type, ByteReader& file, ANALYSIS_ENTRY* e, ANALYSIS_TOKEN* t, int swap) {
  switch (type) {
    case 1:
      return io_rd_img_head(file, e, t, swap);
    case 2:
      return io_rd_img_look(file, e, t, swap);
    default:
      return IO_ERR_TYPE;
  }
}

int write_record(int type, ByteWriter& file, ANALYSIS_ENTRY* e, ANALYSIS_TOKEN* t) {
  switch (type) {
    case 1:
      return io_wr_img_head(file, e, t);
    case 2:
      return io_wr_img_look(file, e, t);
    default:
      return IO_ERR_TYPE;
  }
}

void free_record(ANALYSIS_ENTRY* e) {
  if (!e || !e->record) return;
  if (e->type == 2)
    lookup_free(static_cast<IMG_INT_INFO*>(e->record));
  else
    ks_free(e->record);
  e->record = nullptr;
}

}  // namespace

int io_img_processed(int flags) {
  const uint32_t f = static_cast<uint32_t>(flags);
  return (f & 0x1FFu) || (f & (0x1Fu << 15)) ? 1 : 0;
}

int io_rd_img_head(ByteReader& file, ANALYSIS_ENTRY* e, ANALYSIS_TOKEN* t, int swap) {
  static const char* fn = "io_rd_img_head";
  std::vector<uint8_t> rec;
  int rc = io_take_record(file, t, rec, true);
  if (rc != 0) {
    SLOG(fn, SLOG_ERROR, "read failed (%d): want %d, got %zu", rc, t ? t->analysis_length : 0,
         file.remaining());
    return rc;
  }
  IMG_INFO* h = ks_new_rec<IMG_INFO>();
  if (!h) {
    SLOG(fn, SLOG_ERROR, "failed to alloc info struct (%d)", IO_ERR_MEM);
    return IO_ERR_MEM;
  }
  // Fields beyond the record's bytes (an older 36-byte record) read as 0.
  ByteReader r(rec, swap != 0);
  uint32_t dev = 0;
  r.i32(h->height);
  r.i32(h->width);
  r.i32(h->bytes_per_pixel);
  r.i32(h->x_res);
  r.i32(h->x_scale);
  r.i32(h->y_res);
  r.i32(h->y_scale);
  r.i32(h->min_value);
  r.i32(h->max_value);
  r.i32(h->flags);
  r.i32(h->device);
  r.i32(h->filter_type);
  r.u32(dev);
  r.i32(h->original_height);
  r.i32(h->original_width);
  h->DEV_Light = static_cast<int>(get_bits(dev, 1, 22));
  if (light_offset(h->device)) h->DEV_Light -= 100;
  h->DEV_BoolOne = static_cast<int>(get_bits(dev, 23, 1));
  h->DEV_BoolTwo = static_cast<int>(get_bits(dev, 24, 1));
  h->DEV_Color = static_cast<int>(get_bits(dev, 25, 3));
  h->DEV_Rotate = static_cast<int>(get_bits(dev, 28, 2));
  h->DEV_DPI = static_cast<int>(get_bits(dev, 30, 2));
  if (h->original_height == 0) h->original_height = h->height;
  if (h->original_width == 0) h->original_width = h->width;
  e->record = h;
  return IO_OK;
}

int io_wr_img_head(ByteWriter& file, ANALYSIS_ENTRY* e, ANALYSIS_TOKEN* t) {
  static const char* fn = "io_wr_img_head";
  if (!e) {
    SLOG(fn, SLOG_ERROR, "incoming analysis ptr NULL (%d)", IO_ERR_MEM);
    return IO_ERR_MEM;
  }
  t->version = 0;
  t->count = 1;
  const IMG_INFO* h = static_cast<const IMG_INFO*>(e->record);
  if (!h) return IO_OK;  // nothing to write: a token of length 0
  uint32_t dev = 0;
  const int light = h->DEV_Light + (light_offset(h->device) ? 100 : 0);
  set_bits(dev, 1, 22, static_cast<uint32_t>(light));
  set_bits(dev, 23, 1, static_cast<uint32_t>(h->DEV_BoolOne));
  set_bits(dev, 24, 1, static_cast<uint32_t>(h->DEV_BoolTwo));
  set_bits(dev, 25, 3, static_cast<uint32_t>(h->DEV_Color));
  set_bits(dev, 28, 2, static_cast<uint32_t>(h->DEV_Rotate));
  set_bits(dev, 30, 2, static_cast<uint32_t>(h->DEV_DPI));
  file.i32(h->height);
  file.i32(h->width);
  file.i32(h->bytes_per_pixel);
  file.i32(h->x_res);
  file.i32(h->x_scale);
  file.i32(h->y_res);
  file.i32(h->y_scale);
  file.i32(h->min_value);
  file.i32(h->max_value);
  file.i32(h->flags);
  file.i32(h->device);
  file.i32(h->filter_type);
  file.u32(dev);
  file.i32(h->original_height);
  file.i32(h->original_width);
  return IO_OK;
}

int io_rd_img_look(ByteReader& file, ANALYSIS_ENTRY* e, ANALYSIS_TOKEN* t, int swap) {
  static const char* fn = "io_rd_img_look";
  std::vector<uint8_t> rec;
  int rc = io_take_record(file, t, rec, true);
  if (rc != 0) {
    SLOG(fn, SLOG_ERROR, "can't read file");
    return rc;
  }
  IMG_INT_INFO* k = ks_new_rec<IMG_INT_INFO>();
  if (!k) {
    SLOG(fn, SLOG_ERROR, "can't alloc struct %d", IO_ERR_MEM);
    return IO_ERR_MEM;
  }
  ByteReader r(rec, swap != 0);
  uint32_t packed = 0;
  int32_t n = 0;
  r.i32(k->interp_type);
  r.i32(k->dig_val_range);
  r.u32(packed);
  r.i32(k->wedge_length);
  r.i32(k->wedge_material);
  r.i32(k->reserved3);
  r.i32(n);
  k->version = static_cast<int>(packed & 7u);
  k->bHaveCalib = (packed >> 3) & 1;
  k->bHaveEqual = (packed >> 4) & 1;
  k->bIsNotStouffer = (packed >> 5) & 1;
  if (n == 0) {
    k->wedge_length = 0;
    k->wedge_material = 0;
    k->bHaveCalib = 0;
  }
  // The count must fit the bytes there: 12 bytes a step, 16 more with boxes.
  const std::size_t per_step = k->bHaveCalib ? 28 : 12;
  if (!r.ok() || n < 0 || static_cast<std::size_t>(n) > r.remaining() / per_step) {
    SLOG(fn, SLOG_ERROR, "wedge_count %d does not fit the record", n);
    lookup_free(k);
    return IO_ERR_READ;
  }
  k->wedge_count = n;
  if (n > 0) {
    k->wedge_values = static_cast<double*>(ks_alloc_msg(sizeof(double) * std::size_t(n)));
    k->dig_values = static_cast<int*>(ks_alloc_msg(sizeof(int) * std::size_t(n)));
    if (!k->wedge_values || !k->dig_values) {
      lookup_free(k);
      return IO_ERR_MEM;
    }
    for (int i = 0; i < n; ++i) r.f64(k->wedge_values[i]);
    for (int i = 0; i < n; ++i) r.i32(k->dig_values[i]);
  }
  if (k->bHaveCalib) {
    SLOG(fn, SLOG_VALUE4, "Creating boxes...");
    int** arrays[4] = {&k->ori_x, &k->ori_y, &k->ext_x, &k->ext_y};
    for (int** a : arrays) {
      *a = static_cast<int*>(ks_alloc_msg(sizeof(int) * std::size_t(n)));
      if (!*a) {
        lookup_free(k);
        return IO_ERR_MEM;
      }
    }
    for (int i = 0; i < n; ++i) {
      r.i32(k->ori_x[i]);
      r.i32(k->ori_y[i]);
      r.i32(k->ext_x[i]);
      r.i32(k->ext_y[i]);
    }
  }
  if (k->version > 0) {
    r.text(k->calib_image_path, sizeof k->calib_image_path, 256);
    r.text(k->equal_image_path, sizeof k->equal_image_path, 256);
    if (n == 0) {
      k->calib_image_path[0] = 0;
      k->equal_image_path[0] = 0;
    }
  }
  if (!r.ok()) {
    SLOG(fn, SLOG_ERROR, "record shorter than its fields");
    lookup_free(k);
    return IO_ERR_READ;
  }
  if (n == 2 && t->version == 0) {
    SLOG(fn, SLOG_VALUE4, "Quirk table");
    k->interp_type = 1;
  }
  e->record = k;
  return IO_OK;
}

int io_wr_img_look(ByteWriter& file, ANALYSIS_ENTRY* e, ANALYSIS_TOKEN* t) {
  static const char* fn = "io_wr_img_look";
  if (!e) {
    SLOG(fn, SLOG_ERROR, "incoming analysis ptr NULL (%d)", IO_ERR_MEM);
    return IO_ERR_MEM;
  }
  const IMG_INT_INFO* k = static_cast<const IMG_INT_INFO*>(e->record);
  if (!k) return IO_OK;
  const int n = k->wedge_count > 0 ? k->wedge_count : 0;
  t->version = 1;
  t->count = n;
  uint32_t packed = static_cast<uint32_t>(k->version) & 7u;
  if (k->bHaveCalib) packed |= 1u << 3;
  if (k->bHaveEqual) packed |= 1u << 4;
  if (k->bIsNotStouffer) packed |= 1u << 5;
  file.i32(k->interp_type);
  file.i32(k->dig_val_range);
  file.u32(packed);
  file.i32(k->wedge_length);
  file.i32(k->wedge_material);
  file.i32(k->reserved3);
  file.i32(n);
  for (int i = 0; i < n; ++i) file.f64(k->wedge_values ? k->wedge_values[i] : 0.0);
  for (int i = 0; i < n; ++i) file.i32(k->dig_values ? k->dig_values[i] : 0);
  if (k->bHaveCalib) {
    const bool boxes = k->ori_x && k->ori_y && k->ext_x && k->ext_y;
    for (int i = 0; i < n; ++i) {
      file.i32(boxes ? k->ori_x[i] : 0);
      file.i32(boxes ? k->ori_y[i] : 0);
      file.i32(boxes ? k->ext_x[i] : 0);
      file.i32(boxes ? k->ext_y[i] : 0);
    }
  }
  if (k->version > 0) {
    file.text(k->calib_image_path, 256);
    file.text(k->equal_image_path, 256);
  }
  return IO_OK;
}

int io_stage_inf(IoFileSet& set, const char* image_path, ANALYSIS_ENTRY** list, int num) {
  static const char* fn = "io_write_inf";
  SLOG(fn, SLOG_ENTRY, "<%s>, %d entries", image_path ? image_path : "", num);
  if (num <= 0 || !list) {
    io_ui_msg(256);
    SLOG(fn, SLOG_EXIT, "nothing to write, -3");
    return IO_ERR_TYPE;
  }
  const std::string name = io_base_name(image_path) + ".kei";
  int num_binary = 0;
  for (int i = 0; i < num; ++i)
    if (list[i] && io_is_binary_type(list[i]->type)) ++num_binary;

  ByteWriter w;
  ANALYSIS_HDR hdr{};
  hdr.num_analysis = num_binary;
  io_write_analysis_hdr(w, &hdr);
  std::vector<ANALYSIS_TOKEN> tokens(static_cast<std::size_t>(num_binary));
  for (const ANALYSIS_TOKEN& t : tokens) io_write_analysis_token(w, &t);
  int k = 0;
  for (int i = 0; i < num; ++i) {
    ANALYSIS_ENTRY* e = list[i];
    if (!e || !io_is_binary_type(e->type)) continue;
    ANALYSIS_TOKEN& t = tokens[static_cast<std::size_t>(k++)];
    t.analysis_type = e->type;
    t.analysis_offset = static_cast<int32_t>(w.size());
    int r = write_record(e->type, w, e, &t);
    if (r != 0) {
      io_ui_msg(259);
      SLOG(fn, SLOG_EXIT, "record %d (type %d) failed %d, -6", i, e->type, r);
      return IO_ERR_WRITE;
    }
    t.analysis_length = static_cast<int32_t>(w.size()) - t.analysis_offset;
  }
  ByteWriter tok;
  for (const ANALYSIS_TOKEN& t : tokens) io_write_analysis_token(tok, &t);
  if (tok.size()) std::memcpy(w.buffer().data() + IO_ANALYSIS_HDR_BYTES, tok.data(), tok.size());
  if (!set.put(name, w.data(), w.size())) {
    io_ui_msg(258);
    SLOG(fn, SLOG_EXIT, "can't write <%s>, -1", name.c_str());
    return IO_ERR_OPEN;
  }
  return IO_OK;
}

int io_write_inf(const char* image_path, ANALYSIS_ENTRY** list, int num) {
  IoFileSet set;
  int r = io_stage_inf(set, image_path, list, num);
  return r != IO_OK ? r : io_commit_files(set, "io_write_inf");
}

int io_read_inf(const char* image_path, ANALYSIS_ENTRY*** list_io, int num) {
  static const char* fn = "io_read_inf";
  SLOG(fn, SLOG_ENTRY, "<%s>", image_path ? image_path : "");
  if (!list_io) return IO_ERR_OPEN;
  const std::string name = io_base_name(image_path) + ".kei";
  std::vector<uint8_t> bytes;
  if (!io_file_exists(name.c_str()) || !io_read_whole_file(name.c_str(), bytes, kMaxInfoBytes)) {
    SLOG(fn, SLOG_EXIT, "can't open <%s>, -1", name.c_str());
    return IO_ERR_OPEN;
  }
  ByteReader file(bytes);
  ANALYSIS_HDR hdr{};
  int swap = 0;
  if (!io_read_analysis_hdr(file, &hdr, &swap)) {
    io_ui_msg(263);
    SLOG(fn, SLOG_EXIT, "short header, -1");
    return IO_ERR_OPEN;
  }
  if (hdr.num_analysis == 0) {
    io_ui_msg(262);
    SLOG(fn, SLOG_EXIT, "no records, -1");
    return IO_ERR_OPEN;
  }
  const int n = hdr.num_analysis;
  if (n < 0 || static_cast<std::size_t>(n) > file.remaining() / IO_ANALYSIS_TOKEN_BYTES) {
    io_ui_msg(263);
    SLOG(fn, SLOG_EXIT, "%d tokens do not fit the file, -1", n);
    return IO_ERR_OPEN;
  }
  std::vector<ANALYSIS_TOKEN> tokens(static_cast<std::size_t>(n));
  for (ANALYSIS_TOKEN& t : tokens) io_read_analysis_token(swap, file, &t);
  const std::size_t records_start = file.pos();

  if (!*list_io) {
    // Every record, one after another straight after the tokens.
    ANALYSIS_ENTRY** list = io_alloc_analysis_list(n);
    if (!list) return IO_ERR_OPEN;
    for (int i = 0; i < n; ++i) {
      ANALYSIS_ENTRY* e = io_alloc_analysis_entry();
      if (!e) {
        io_free_analysis_list(list, n);
        return IO_ERR_OPEN;
      }
      list[i] = e;
      e->type = tokens[i].analysis_type;
      int r = read_record(e->type, file, e, &tokens[i], swap);
      if (r != 0) {
        io_ui_msg(263);
        SLOG(fn, SLOG_EXIT, "record %d (type %d) failed %d, -1", i, e->type, r);
        io_free_analysis_list(list, n);
        return IO_ERR_OPEN;
      }
    }
    *list_io = list;
    SLOG(fn, SLOG_EXIT, "%d", n);
    return n;
  }

  // Selective: each wanted entry takes the record of each token of its type, found at the
  // token's own place (the record of another type may come before it).
  ANALYSIS_ENTRY** want = *list_io;
  int got = 0;
  for (int w = 0; w < num; ++w) {
    ANALYSIS_ENTRY* e = want[w];
    if (!e || !io_is_binary_type(e->type)) continue;
    for (int i = 0; i < n; ++i) {
      if (tokens[i].analysis_type != e->type) continue;
      // Records lie after the tokens; an offset elsewhere is not a record of this file.
      if (tokens[i].analysis_offset < 0 ||
          static_cast<std::size_t>(tokens[i].analysis_offset) < records_start ||
          !file.seek(static_cast<std::size_t>(tokens[i].analysis_offset))) {
        io_ui_msg(263);
        SLOG(fn, SLOG_EXIT, "token %d offset %d outside the file, -1", i,
             tokens[i].analysis_offset);
        return IO_ERR_OPEN;
      }
      ANALYSIS_ENTRY tmp{};
      tmp.type = e->type;
      int r = read_record(e->type, file, &tmp, &tokens[i], swap);
      if (r != 0) {
        io_ui_msg(263);
        SLOG(fn, SLOG_EXIT, "record %d (type %d) failed %d, -1", i, e->type, r);
        return IO_ERR_OPEN;
      }
      free_record(e);
      e->record = tmp.record;
      e->header = nullptr;
      e->extra = 0;
      ++got;
    }
  }
  SLOG(fn, SLOG_EXIT, "%d", got);
  return got;
}
