// The program-wide colour map: how an 8-bit display index becomes a colour. A map is a
// value-to-colour conversion chosen by a code (0..14) and a contrast window given by a level
// and a width in per cent. Every displayed toolkit image gets its 256-entry colour table from
// the current map (ih_load_cmap); the bitmap display takes single entries (ih_get_rgb).
//
// Codes: 0 inverted grey, 1 grey, 2 two-tone, 3 blue tint, 4 multi-hue, 5 red tint, 6 green
// tint, 7 blend from blue to red in hue, 8 spectrum (takes the raw index, no window),
// 9..11 inverted gamma 2.2, 3.33, 5.0, 12..14 the same gammas of the inverted value.
// An unknown code selects grey.
#pragma once

class TkImage;

// A colour of 16 bits per channel (0..65535).
struct IhRgb16 {
  unsigned short red = 0, green = 0, blue = 0;
};

// Selects the current map. level and width are per cent; they are kept as 0..255
// (per cent * 255 / 100). With an image, its colour table is loaded (ih_load_cmap).
// Returns 0.
int ih_set_cmap(TkImage* image, int code, int level_pct, int width_pct);
// The current map: its code (from its conversion; 1 after an unknown code was set) and its
// level and width converted back to per cent (value * 100 / 256).
void ih_get_cmap(int* code, int* level_pct, int* width_pct);
// The colour of a table index under the current map; also written to *out when given.
IhRgb16 ih_get_rgb(IhRgb16* out, int index);
// Gives the image a 256-entry colour table filled from the current map (8 bits per channel:
// the high byte of each 16-bit value). A null image is ignored.
void ih_load_cmap(TkImage* image);

int ih_pct_to_255(int pct);    // pct * 255 / 100 (integer division)
int ih_255_to_pct(int value);  // value * 100 / 256 (integer division)
int ih_clamp16(int v);         // v held to 0..65535

// The conversion of one code applied to a stretched value v (0..65535; for code 8 the raw
// index 0..255). Unknown codes convert as grey.
IhRgb16 ih_cmap_convert(int code, int v);
