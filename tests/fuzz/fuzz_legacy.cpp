// Records of older analysis programs, one record at a time: backgrounds, spots and colonies,
// their regions in either layout, ".pz" regions, and the older state records of analysis and
// preferences files.
//
// Input: a type choice, a flag byte (bit 0 big-endian, bit 1 the record announced 24 bytes
// longer than it is, as some writers left it), the token's version and count (32-bit, little-
// endian), then the record's bytes.
#include <cstdint>

#include "fuzz_support.h"
#include "io/analysis.h"
#include "io/img_state.h"

namespace {
const int kTypes[] = {36, 47, 35, 41, 34, 40, 46, 30, 50, 55, 56};
constexpr int kTypeCount = sizeof kTypes / sizeof kTypes[0];
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  vxfuzz::Input in(data, size);
  const int type = kTypes[in.byte() % kTypeCount];
  const uint8_t flags = in.byte();
  ANALYSIS_TOKEN token{};
  token.analysis_type = type;
  token.version = static_cast<int32_t>(in.u32());
  token.count = static_cast<int32_t>(in.u32());
  token.analysis_length = static_cast<int32_t>(in.rest_size() + ((flags & 2) ? 24 : 0));
  const bool big = flags & 1;

  ANALYSIS_ENTRY* entry = io_alloc_analysis_entry();
  if (!entry) return 0;
  entry->type = type;
  ByteReader file(in.rest(), in.rest_size(), big);
  // The preferences file's reader takes the state types of preferences files; the record
  // table those of analysis files.
  if (type == 55 || type == 56)
    io_read_misc_file(entry, file, &token, big);
  else
    io_read_binary(big, file, entry, &token);
  if (entry->record) {
    ByteWriter out(big);
    ANALYSIS_TOKEN again = token;
    if (type == 55 || type == 56)
      io_write_misc_file(&again, out, entry);
    else
      io_write_binary(&again, out, entry);
  }
  io_free_analysis_entry(entry);
  return 0;
}
