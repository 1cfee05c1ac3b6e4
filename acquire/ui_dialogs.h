// The small modal dialogs of import and export: the export settings (module "ui_tifsav",
// window "WinTifsav"), the resolution dialog (module "ui_res", window "ui_res_win") and the
// border dialog (module "ui_edge", window "ui_edge_win"). Each returns the modal result, 1 for
// OK. Numbers in their fields are written and read in the C locale.
#pragma once

struct TkObject;

// Export kinds (the save_as code).
enum : int {
  EXPORT_NONE = 0,
  EXPORT_TIFF_PALETTE = 1,  // 8-bit palette TIFF with the display colour table
  EXPORT_TIFF_GREY8 = 2,    // 8-bit grey TIFF
  EXPORT_TIFF_GREY16 = 3,   // 16-bit grey TIFF
  EXPORT_JPEG = 4,          // grey JPEG of the chosen quality
  EXPORT_TIFF_AUTO = 5,     // 16-bit grey TIFF for 2-byte images, else 8-bit grey
};

// Arguments of ui_export_dialog (which choices it offers).
enum : int {
  EXPORT_DLG_8BIT = 1,     // an 8-bit image: no 16-bit choice, the palette preselected
  EXPORT_DLG_1BYTE = 2,    // a 1-byte image: no 16-bit choice, 8-bit grey preselected
  EXPORT_DLG_2BYTE = 3,    // a 2-byte image: 16-bit grey preselected
  EXPORT_DLG_FOLDER = 5,   // the folder export: "Auto Gray-Scale" preselected
};

// Export settings: *save_as receives the kind (EXPORT_*) and *quality the JPEG quality.
long ui_export_dialog(int type, int* save_as, int* quality);

// Resolution dialog. With image_visible 0 it asks for the default resolution alone (a value
// below 1 keeps the previous one); otherwise for the X and Y resolution in dpi, or with convert
// set, starting from 300 dpi with the image's size in millimetres at hand. The answers are
// clamped to 1.0 ... 4799.5 dpi.
long ui_res_activate(TkObject* owner, double* x_dpi, double* y_dpi, int convert, int width,
                     int height, int image_visible, int* default_res);

// Border dialog: *border receives percentage × width (or height) / 100 rounded, and the four
// side switches 1 or 0. Cancelled: the outs stay as they are.
long ui_edge_activate(TkObject* owner, int width, int height, int* border, int* side1,
                      int* side2, int* side3, int* side4);
