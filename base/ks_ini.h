// Program configuration: the start-up ini "kestrin7.ini" in the current folder (read only), and
// in the write folder the writable "kestrinw.ini" (user-changeable entries) and "devices.ini"
// (scanner and camera entries). All three use one section, the application code followed by the
// version ("VX43"). Every entry has a fixed code and a row in the entry table.
#pragma once

#include "base/kstypes.h"

constexpr int KS_INI_NAME_LEN = 64;    // entry name field (63 characters)
constexpr int KS_INI_VALUE_LEN = 256;  // text value field (255 characters)
constexpr int KS_INI_ENTRY_COUNT = 82;

// One row of the entry table.
struct KsIniEntry {
  int code;
  char name[KS_INI_NAME_LEN];
  BOOL IsDevice;     // a device entry of "devices.ini"
  BOOL IsEZT;        // an entry of the scanner library's own configuration
  BOOL IsInt;        // the value is a decimal integer
  BOOL IsWriteable;  // read from the writable ini
  BOOL changeable;   // may be written to the writable ini
  int iDefault;
  char cDefault[KS_INI_VALUE_LEN];
};

// Entry codes.
enum KsIniCode : int {
  KS_INI_APP_TITLE = 0,
  KS_INI_CHARS_PER_REPORT_LINE = 1,
  KS_INI_COLONY_THRESH = 2,
  KS_INI_COMPANY = 3,
  KS_INI_DB_LOCATION = 4,
  KS_INI_DEFAULT_DATA_SOURCE = 5,
  KS_INI_DEFAULT_RESOLUTION = 6,
  KS_INI_DEFAULT_SCALING = 7,
  KS_INI_EQUALIZATION_MAXIMUM = 8,
  KS_INI_EXCEL_HELPER_DIR = 9,
  KS_INI_HELP_DIR = 10,
  KS_INI_HOME_DIR = 11,
  KS_INI_LINES_PER_REPORT_PAGE = 12,
  KS_INI_LOCALE = 13,
  KS_INI_PHOTO_PRINTER = 14,
  KS_INI_VREM_OFFSETS = 15,
  KS_INI_VREM_POLLING = 16,
  KS_INI_REPORT_CUSTOM = 17,
  KS_INI_SINGLE_MODE = 18,
  KS_INI_SPLASH = 19,
  KS_INI_TITLE = 20,
  KS_INI_TZ_DAY_NAME = 21,
  KS_INI_TZ_STD_NAME = 22,
  KS_INI_USER = 23,
  KS_INI_WRITE_DIR = 24,
  KS_INI_AUTO_CALIBRATE = 25,
  KS_INI_AUTO_CAL_TEST_IMAGE = 26,
  KS_INI_BIT_DEPTH = 27,
  KS_INI_CAL_STRIP_AREA = 28,
  KS_INI_COLOR_CAPABILITY = 29,
  KS_INI_DATA_SOURCE = 30,
  KS_INI_CAMERA = 31,
  KS_INI_SCANNER = 32,
  KS_INI_IMAGE_AREA = 33,
  KS_INI_IMAGE_ORIENT = 34,
  KS_INI_MODEL = 35,
  KS_INI_NAME = 36,
  KS_INI_SHOW_GUI_PARAMS = 37,
  KS_INI_TEST_IMAGE = 38,
  KS_INI_TWAIN_HIDE_GUI = 39,
  KS_INI_EZT_COMMENTS = 40,
  KS_INI_EZT_CONFIG = 41,
  KS_INI_EZT_NAME = 42,
  KS_INI_EZT_SOURCE = 43,
  KS_INI_EZT_XRES = 44,
  KS_INI_EZT_YRES = 45,
  KS_INI_POLLING_INIT_TIMEOUT = 46,
  KS_INI_POLLING_RUN_TIMEOUT = 47,
  KS_INI_VREM_EXPORT_DIR = 48,
  KS_INI_COLONY_IMAGER = 49,
  KS_INI_ZEBRA_BLACK = 50,
  KS_INI_ZEBRA_MAX_LENGTH = 51,
  KS_INI_ZEBRA_MIN_LENGTH = 52,
  KS_INI_ZEBRA_ANNOTATION = 53,
  KS_INI_ZEBRA_DW_FILTER_WIDTH = 54,
  KS_INI_ZEBRA_DW_MINIMUM_WIDTH = 55,
  KS_INI_ZEBRA_DW_MINIMUM_SIZE = 56,
  KS_INI_ZEBRA_DW_MINIMUM_VALUE = 57,
  KS_INI_ZEBRA_DW_BLACK = 58,
  KS_INI_CALSCAN_TRAN_FILE = 59,
  KS_INI_CALSCAN_REFL_FILE = 60,
  KS_INI_ZEBRA_DEBUG = 61,
  KS_INI_FRACTIONS_REPORT_INFORMATION = 62,
  KS_INI_FRACTIONS_REPORT_TITLE = 63,
  KS_INI_DEFAULT_LANE_BACKGROUND = 64,
  KS_INI_FRACTIONS_REPORT_LANGUAGE = 65,
  KS_INI_ELISA_LAYOUT_DB = 66,
  KS_INI_ELISA_REPORT_TITLE = 67,
  KS_INI_DEVELOPER = 68,
  KS_INI_VREM_IMAGES = 69,
  KS_INI_ELISA_SERIAL_NUMBER_DB = 70,
  KS_INI_ELISA_HOST_FOLDER = 71,
  KS_INI_ELISA_NORMALIZE_BASE = 72,
  KS_INI_ELISA_XML_OUT_FOLDER = 73,
  KS_INI_ELISA_IMAGES_PER_PAGE = 74,
  KS_INI_GUI_LANGUAGE = 75,
  KS_INI_ELISA_TOO_NEW = 76,
  KS_INI_ELISA_TOO_OLD = 77,
  KS_INI_ELISA_OVERRIDE = 78,
  KS_INI_PRINT_PDF_EXE = 79,
  KS_INI_ELISA_IMAGE_OUT_FOLDER = 80,
  KS_INI_ELISA_TEXT_OUT_FOLDER = 81,
};

// File names of the three ini files.
constexpr const char* KS_INI_STARTUP_FILE = "kestrin7.ini";
constexpr const char* KS_INI_WRITABLE_FILE = "kestrinw.ini";
constexpr const char* KS_INI_DEVICES_FILE = "devices.ini";

// Start-up check: reads the required entries Company, HelpDir, HomeDir, Splash, Title and
// WriteDir from "kestrin7.ini" in the current folder into the table, forms the paths of the
// writable and devices ini files in the write folder and sets the file layer's temporary folder
// to it. TRUE on success, with the write folder (ending in '/') copied into `write_dir` (at least
// KS_INI_VALUE_LEN characters; empty on failure). FALSE when an entry is missing, empty, too long
// for its field, or a folder entry has one character or less.
BOOL ks_init_inifiles(const char* app_code, const char* version, char* write_dir);

// The value of a program entry. `text` must hold KS_INI_VALUE_LEN characters.
// 1: read from the writable ini, or a row that is not writable (its table values);
// 0: a writable entry the writable ini does not hold (the row's defaults);
// -1: no row for the code, or a device or scanner-library row (outputs cleared).
int ks_get_inientry(int code, int* is_int, int* int_value, char* text);

// Writes a changeable program entry into the writable ini (an integer row as its decimal text).
// 1 on success; -1 for a code with no row, a row that is not changeable, a device or
// scanner-library row, or when the writable ini cannot be written.
int ks_put_inientry(int code, int int_value, const char* text);

// The value of a device entry from "devices.ini" for the camera (is_camera TRUE) or the scanner.
// Codes 31 (Camera) and 32 (Scanner) read the device's name, upper-cased, and make it the
// current camera or scanner name; every other device entry is read under the key
// "<current name>_<entry name>", so the name must be read first. 1 read, 0 defaults, -1 not a
// device entry.
int ks_get_deventry(int code, BOOL is_camera, int* is_int, int* int_value, char* text);

// The write folder with its trailing '/' (empty before ks_init_inifiles).
const char* ks_get_writeable_path();
// Paths of the writable and devices ini files (empty before ks_init_inifiles).
const char* ks_get_writable_ini_path();
const char* ks_get_devices_ini_path();
// The section name, e.g. "VX43" (empty before ks_init_inifiles).
const char* ks_get_ini_section();

// Place of `name` in the language table ("english", "francais"), compared without regard to
// case; 0 when absent.
int ks_language_index(const char* name);

// The table row of a code, or null.
KsIniEntry* ks_find_inientry(int code);
