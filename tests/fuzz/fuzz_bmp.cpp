// BMP files and bare DIB headers: the file reader, the header reader on the bytes as they
// stand, and the conversions that scanned and grabbed images go through.
#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "io/byte_io.h"
#include "shell/dib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  ByteReader bare(data, size);
  HDIB header = ReadDibBitmapInfo(bare);

  const std::string path = vxfuzz::write_file("frame.bmp", data, size);
  HDIB dib;
  if (OpenDIBFile(path.c_str(), &dib) != 0 || !dib) return 0;
  BITMAPINFOHEADER bi;
  if (!DibInfo(dib.get(), &bi)) return 0;
  std::vector<uint8_t> pixels;
  GetPixelsFromDIB("fuzz", dib.get(), &pixels);
  HDIB shown = MakeDisplayDib("fuzz", dib.get());
  HDIB turned = MakeRotatedDib(dib.get(), 0);
  HDIB grey = MakeGrayScaleDibFromColor("fuzz", dib.get(), 4);
  HDIB clip = ClipDib(dib.get(), "fuzz", bi.biHeight < 0, 0, 0, 2, 2);
  return 0;
}
