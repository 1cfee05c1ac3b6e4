// Inner operations of the TIFF importer that its tests, fuzz targets and benchmarks reach.
#pragma once

#include <cstdint>

#include "base/kstypes.h"

// Decodes one strip into `output`. Compression 1 copies min(input_length, output_length)
// bytes; compression 5 decodes LZW (a negative length gives -1). 0 when the strip
// filled the output; 80 when it did not (a short strip, or an LZW stream that failed or ended
// early); 78 for another compression. The compression is the current import's.
int io_tiff_decompress(long input_length, uint8_t* output, long output_length,
                       const uint8_t* input);
// The same with the compression given (the importer's form calls this with its state).
int io_tiff_decompress_as(int compression, long input_length, uint8_t* output,
                          long output_length, const uint8_t* input);

// TIFF LZW (codes of 9 to 12 bits, most significant bit first, clear 256, end 257, the width
// growing one code early). TRUE when the stream ended on the end code; *produced (when given)
// receives the bytes written. A code that the table cannot hold, a stream that runs out, or
// output that would run past output_length give FALSE; once the output is full, a clear code
// followed by the end code still ends the stream properly.
BOOL lzw_decompress(uint8_t* output, long output_length, const uint8_t* input,
                    long input_length, BOOL trace, long* produced = nullptr);

// Test seam: the resolution question asked for files without resolution tags (the form of
// ui_res_activate). Null restores the dialog. Returns the previous procedure.
struct TkObject;
using IoResQuery = long (*)(TkObject* owner, double* x_dpi, double* y_dpi, int convert, int width,
                            int height, int image_visible, int* default_res);
IoResQuery io_tiff_set_res_query(IoResQuery query);
