// Checks and converters of the foreign image formats, and the colour channel question, in their
// least form: every check refuses the file, so no import goes ahead; the converters fail.
#pragma once

// 1 when the TIFF can be imported; *cancelled is 1 when the user cancelled the colour choice.
int io_tiff_check(const char* path, void* info, int* cancelled, int channel);
// 0 on success; 17 a file cannot be opened or created, 19 a bad header, 20 a failed write.
int io_tiff_convert(const char* source, const char* dest, int* out_word, int interp);
// 1 when the JPEG can be read, with its component count (1 grey, 3 colour), size and resolution.
int io_jpeg_check(const char* path, int* components, int* width, double* x_res, int* height,
                  double* y_res);
int io_jpeg_convert(const char* source, const char* dest, int colour, int channel, double x_res,
                    double y_res, int interp, int mode1, int mode2);
// 1 when the Windows bitmap can be read (components 3 for 24 bits, else 1).
int io_bmp_check(const char* path, int* components, int* width, double* x_res, int* height,
                 double* y_res);
int io_bmp_convert(const char* source, const char* dest, int colour, int channel, double x_res,
                   double y_res, int interp);
// 0 on success, -1 on failure.
int io_fuji_convert(const char* source, const char* dest);
// The colour channel of a colour image to import (1 red, 2 green, 3 blue), 0 when cancelled.
int ui_rgbcolor_dialog(int file_type);
