// The viewer's match file, read into a document from the bytes as they stand.
#include <cstdint>
#include <sstream>
#include <string>

#include "viewer/match_file.h"
#include "viewer/velto_doc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  velto::CVeltoDoc doc;
  velto::ReadMatchStream(doc, in, "fuzz.txt", size);
  float lo = 0, hi = 0;
  doc.PositiveBandRange(lo, hi);
  return 0;
}
