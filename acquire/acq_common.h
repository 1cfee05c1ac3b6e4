// Helpers shared by the importers and the exporters: the output file with its write checks,
// the info-file writer, the pixel size in the stored mantissa-and-exponent form, and the
// default lookup.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/img_info.h"

// The pixel size of an image that says nothing of its resolution: 85 × 10^-3 mm.
constexpr int ACQ_DEFAULT_RES = 85;
constexpr int ACQ_DEFAULT_SCALE = -3;
// The resolution an imported file that gives none in dots per inch is offered or given: 300.
constexpr int ACQ_DEFAULT_DPI = 300;

// An output file written in pieces, through the file calls in use (base/io_file_set.h). Every
// write is checked; once one fails the file stays failed. Closed by its destructor; close()
// reports whether everything was written.
class AcqOut {
 public:
  AcqOut() = default;
  ~AcqOut();
  AcqOut(const AcqOut&) = delete;
  AcqOut& operator=(const AcqOut&) = delete;

  bool open(const char* path);
  bool write(const void* data, std::size_t n);
  bool ok() const { return fd_ >= 0 && ok_; }
  bool close();

 private:
  int fd_ = -1;
  bool ok_ = true;
};

// Writes the 12-byte little-endian pixel file header.
bool acq_write_kes_header(AcqOut& out, int bytes_per_pixel, int32_t width, int32_t height);

// A pixel size of v millimetres as mantissa × 10^exponent: with e = log10 v truncated toward
// zero, exponent e - 4 and mantissa v × 10^(4 - e) truncated (0.0846667 mm: 8466 × 10^-5).
// v of 0 or less, or not finite, gives the default size.
void acq_res_from_mm(double v, int* mantissa, int* exponent);
// The same from dots per inch (v = 25.4 / dpi); dpi of 0 or less gives the default size.
void acq_res_from_dpi(double dpi, int* mantissa, int* exponent);

// The two-point lookup of 8-bit imports: interpolation 0, range 255, digital 0 at 0.0 and 255
// at 2.3. FALSE when the lookup cannot be set up.
BOOL acq_default_lookup(IMG_INT_INFO* lookup);

// Writes the info file of data_file_name with the header and the lookup. 0, or 20 after the
// message "The file could not be written.".
int acq_write_info(const IMG_INFO* info, const IMG_INT_INFO* lookup, const char* data_file_name);
// The same without the message, for the importers, whose caller tells the user (0 or 20).
int acq_put_info(const IMG_INFO* info, const IMG_INT_INFO* lookup, const char* data_file_name);

// A new lookup record from lookup_init, or null (released with lookup_free).
IMG_INT_INFO* acq_new_lookup();

// The end of an 8-bit import: the pixel file's header and its width x height pixels through
// out (already open on data_file_name), then the info file with the header and the two-point
// default lookup. 0, IO_IMPORT_WRITE_FAILED (nothing said) or IO_IMPORT_NO_MEMORY.
int acq_write_grey8_pair(AcqOut& out, const IMG_INFO& info, const uint8_t* pixels,
                         const char* data_file_name);
