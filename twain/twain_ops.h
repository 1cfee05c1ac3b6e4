// Image sources (scanners, cameras) for acquisition, over SANE. A source is a SANE device named
// by its vendor and model ("Noname frontend-tester"), cut to 32 characters, with " #2", " #3"
// added for further devices of the same name in enumeration order. One source is open at a time;
// its settings go straight to the device's options, and a setting the device lacks is refused (0)
// and leaves the device as it was.
//
// SANE starts on first use. Its configuration folder comes from SANE_CONFIG_DIR as usual.
//
// An acquisition delivers a packed device-independent bitmap: a 40-byte info header (image size
// and pixels per metre filled in), a grey table of 256 entries for 8 bits, then bottom-up rows
// (positive height) padded to 4 bytes; 16-bit samples little-endian, colour samples blue, green,
// red (24 or 48 bits). The block belongs to the caller.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/kstypes.h"

// Capability codes of the image-source standard that the callers use.
enum : unsigned {
  TWCAP_PIXELTYPE = 0x0101,
  TWCAP_BRIGHTNESS = 0x1101,
  TWCAP_EXPOSURETIME = 0x1105,
  TWCAP_LAMPSTATE = 0x110D,
  TWCAP_PHYSICALWIDTH = 0x1111,
  TWCAP_PHYSICALHEIGHT = 0x1112,
  TWCAP_XRESOLUTION = 0x1118,
  TWCAP_YRESOLUTION = 0x1119,
  TWCAP_LIGHTPATH = 0x111E,
  TWCAP_BITDEPTH = 0x112B,
};
// Item types of a one-value capability.
enum : unsigned { TWTY_BOOL = 6 };
// Pixel types.
enum : int { TWPT_GRAY = 1, TWPT_RGB = 2 };
// Transfer mechanisms: both deliver the same bitmap here.
enum : int { TWSX_NATIVE = 0, TWSX_MEMORY = 2 };

// Longest source name before " #n" is added.
constexpr int TWAIN_NAME_CUT = 32;
// A name buffer that holds every source name.
constexpr int TWAIN_NAME_BUF = 64;

using TwainDib = std::unique_ptr<std::vector<uint8_t>>;

BOOL TWAIN_IsAvailable();
// Restarts the enumeration of sources (reads the device list again). Non-zero when SANE is up.
BOOL TWAIN_GetSourceList();
// The next source name into `name` (TWAIN_NAME_BUF characters); 0 at the end.
BOOL TWAIN_GetNextSourceName(char* name);
// Opens the source of that name (closing one that is open). Non-zero when open.
BOOL TWAIN_OpenSource(const char* name);
void TWAIN_CloseSource();
BOOL TWAIN_IsSourceOpen();
// 1: acquisitions show no settings dialog. Kept across opens.
void TWAIN_SetHideUI(int hide);
int TWAIN_GetHideUI();
// The scan area reset to the device's full ranges.
void TWAIN_ResetImageLayout();
// Pixel type (TWPT_GRAY, TWPT_RGB): the device's "mode".
BOOL TWAIN_SetPixelType(int pixel_type);
int TWAIN_GetPixelType();
// Bits per pixel: 8 or 16 grey samples; 24 colour at 8 bits, 48 colour at 16.
BOOL TWAIN_SetBitDepth(int bits);
int TWAIN_GetBitDepth();
// One-value capabilities: the lamp (a boolean "lamp-switch" when the device has one).
BOOL TWAIN_SetCapOneValue(unsigned cap, unsigned item_type, long value);
// Fixed-point capabilities: the exposure time in seconds, on a device option whose name holds
// "exposure" and whose unit is a time.
BOOL TWAIN_SetCapFix32(unsigned cap, double value);
// The current value of a capability, or `fallback` when the source lacks it.
double TWAIN_GetCapValue(unsigned cap, double fallback);
// Dots per inch, the nearest value the device allows; -1.0 leaves it.
BOOL TWAIN_SetCurrentResolution(double dpi);
// The light path: transmissive (transparency, film or slides) or reflective. 0 when the device
// has no such choice.
BOOL TWAIN_SetLightPath(int transmissive);
// 1 transmissive, 0 reflective, -1 unknown.
int TWAIN_QueryLightPath();
// Chunky sample order, black as zero and inches are what the device gives: only those accepted.
BOOL TWAIN_SetPlanarChunky(int planar);
int TWAIN_GetPlanarChunky();
BOOL TWAIN_SetPixelFlavor(int flavor);
BOOL TWAIN_SetCurrentUnits(int units);
// The scan area in inches.
BOOL TWAIN_GetImageLayout(double* left, double* top, double* right, double* bottom);
BOOL TWAIN_SetImageLayout(double left, double top, double right, double bottom);
// -100 .. 100 onto the device's "brightness".
BOOL TWAIN_SetBrightness(double brightness);
BOOL TWAIN_SetXferMech(int mech);
// One image from the open source (or, when none is open, from the default source opened and
// closed around it). Null on any error or a cancelled settings dialog.
TwainDib TWAIN_AcquireNative(void* owner, unsigned pixel_types);
TwainDib TWAIN_AcquireMemory(void* owner);
// The application title the sources are told of.
void TWAIN_SetAppTitle(const char* title);

// The settings a settings dialog shows and may change.
struct TwainDialogSettings {
  std::vector<std::string> modes;     // the device's modes
  std::string mode;
  std::vector<int> depths;            // bits per sample
  int depth = 8;
  double resolution = 0;              // dpi
  double resolution_min = 0, resolution_max = 0;
  std::vector<std::string> sources;   // empty: no light path choice
  std::string source;
};
// Shows the settings before an acquisition whose settings dialog is not hidden: returns 0 for
// Cancel (no image) and 1 to go on with the settings as changed. Without a dialog the
// acquisition goes on.
using TwainSettingsDialog = int (*)(const char* source_name, TwainDialogSettings* settings);
void TWAIN_SetSettingsDialog(TwainSettingsDialog dialog);
// Runs pending user-interface events; called between reads when the transfer runs on the thread
// that installed it.
void TWAIN_SetEventPump(void (*pump)());

// Test seam: SANE's enumeration of devices and the device list are read again at the next use
// (tests that change the configuration folder).
void TWAIN_ResetForTests();
