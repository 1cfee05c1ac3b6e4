// The entry table and the readers and writer of the three ini files.
#include "base/ks_ini.h"

#include <strings.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/io_file.h"
#include "base/ks_profile.h"
#include "base/slog.h"

namespace {

constexpr BOOL Y = TRUE;
constexpr BOOL N = FALSE;

// code, name, device, scanner library, integer, writable, changeable, int default, text default.
// The rows of the required entries receive their values from the start-up ini.
KsIniEntry s_table[KS_INI_ENTRY_COUNT] = {
    {0, "AppTitle", N, N, N, Y, N, 0, ""},
    {1, "CharsPerReportLine", N, N, Y, Y, Y, 76, ""},
    {2, "ColonyThresh", N, N, Y, Y, N, 2, ""},
    {3, "Company", N, N, N, N, N, 0, ""},
    {4, "DBLocation", N, N, N, Y, N, 0, ""},
    {5, "DefaultDataSource", N, N, N, Y, N, 0, ""},
    {6, "DefaultResolution", N, N, Y, Y, Y, 85, ""},
    {7, "DefaultScaling", N, N, Y, Y, Y, -3, ""},
    {8, "EqualizationMaximum", N, N, Y, Y, N, 20, ""},
    {9, "ExcelHelperDir", N, N, N, Y, N, 0, ""},
    {10, "HelpDir", N, N, N, N, N, 0, ""},
    {11, "HomeDir", N, N, N, N, N, 0, ""},
    {12, "LinesPerReportPage", N, N, Y, Y, Y, 63, ""},
    {13, "Locale", N, N, N, Y, N, 0, "US"},
    {14, "PhotoPrinter", N, N, N, Y, Y, 0, "sheet"},
    {15, "VremOffsets", N, N, N, Y, N, 0, "vrem_offsets.csv"},
    {16, "VremPolling", N, N, N, Y, N, 0, "vrem_polling.txt"},
    {17, "ReportCustom", N, N, N, Y, N, 0, ""},
    {18, "SingleMode", N, N, N, Y, N, 0, ""},
    {19, "Splash", N, N, N, N, N, 0, ""},
    {20, "Title", N, N, N, N, N, 0, ""},
    {21, "TZ_DayName", N, N, N, Y, N, 0, ""},
    {22, "TZ_StdName", N, N, N, Y, N, 0, ""},
    {23, "User", N, N, N, N, N, 0, ""},
    {24, "WriteDir", N, N, N, N, N, 0, ""},
    {25, "AutoCalibrate", Y, N, N, Y, N, 0, ""},
    {26, "AutoCalTestImage", Y, N, N, Y, N, 0, ""},
    {27, "BitDepth", Y, N, Y, Y, N, 8, ""},
    {28, "CalStripArea", Y, N, N, Y, N, 0, ""},
    {29, "ColorCapability", Y, N, N, Y, N, 0, ""},
    {30, "DataSource", Y, N, N, Y, N, 0, ""},
    {31, "Camera", Y, N, N, Y, N, 0, ""},
    {32, "Scanner", Y, N, N, Y, N, 0, ""},
    {33, "ImageArea", Y, N, N, Y, N, 0, ""},
    {34, "ImageOrient", Y, N, N, Y, N, 0, ""},
    {35, "Model", Y, N, N, Y, N, 0, ""},
    {36, "Name", Y, N, N, Y, N, 0, ""},
    {37, "ShowGUIParams", Y, N, N, Y, N, 0, ""},
    {38, "TestImage", Y, N, N, Y, N, 0, ""},
    {39, "TwainHideGUI", Y, N, N, Y, N, 0, ""},
    {40, "Comments", N, Y, N, Y, Y, 0, ""},
    {41, "Config", N, Y, Y, Y, Y, 0, ""},
    {42, "Name", N, Y, N, Y, Y, 0, ""},
    {43, "Source", N, Y, N, Y, Y, 0, ""},
    {44, "XRes", N, Y, Y, Y, Y, 100, ""},
    {45, "YRes", N, Y, Y, Y, Y, 100, ""},
    {46, "PollingInitTimeout", N, N, Y, Y, N, 120, ""},
    {47, "PollingRunTimeout", N, N, Y, Y, N, 60, ""},
    {48, "VremExportDir", N, N, N, Y, N, 0, ""},
    {49, "ColonyImager", N, N, N, Y, N, 0, "notset"},
    {50, "ZebraBlack", N, N, Y, Y, Y, 130, ""},
    {51, "ZebraMaxLength", N, N, Y, Y, Y, 50, ""},
    {52, "ZebraMinLength", N, N, Y, Y, Y, 6, ""},
    {53, "ZebraAnnotation", N, N, N, Y, N, 0, "nondeleted"},
    {54, "ZebraDWFilterWidth", N, N, Y, Y, Y, 8, ""},
    {55, "ZebraDWMinimumWidth", N, N, Y, Y, Y, 8, ""},
    {56, "ZebraDWMinimumSize", N, N, Y, Y, Y, 20, ""},
    {57, "ZebraDWMinimumValue", N, N, Y, Y, Y, 40, ""},
    {58, "ZebraDWBlack", N, N, Y, Y, Y, 130, ""},
    {59, "CalscanTranFile", N, N, N, Y, N, 0, "transmissive.std"},
    {60, "CalscanReflFile", N, N, N, Y, N, 0, "reflective.std"},
    {61, "ZebraDebug", N, N, N, Y, N, 0, ""},
    {62, "FractionsReportInformation", N, N, N, Y, Y, 0, ""},
    {63, "FractionsReportTitle", N, N, N, Y, Y, 0, ""},
    {64, "DefaultLaneBackground", N, N, Y, Y, N, 30, ""},
    {65, "FractionsReportLanguage", N, N, N, Y, Y, 0, "english"},
    {66, "ElisaLayoutDB", N, N, N, Y, N, 0, "layoutDB.bdb"},
    {67, "ElisaReportTitle", N, N, N, Y, N, 0, "ELISA Report"},
    {68, "Developer", N, N, N, Y, N, 0, ""},
    {69, "VremImages", N, N, Y, Y, N, 0, ""},
    {70, "ElisaSerialNumberDB", N, N, N, Y, N, 0, "serialnumberDB.bdb"},
    {71, "ElisaHostFolder", N, N, N, Y, N, 0, "c:\\ProgramData\\ORVO Suite\\ORVO\\Host\\"},
    {72, "ElisaNormalizeBase", N, N, Y, Y, N, 100, ""},
    {73, "ElisaXMLOutFolder", N, N, N, Y, N, 0, "c:\\ProgramData\\ORVO Suite\\ORVO\\Kestrin\\"},
    {74, "ElisaImagesPerPage", N, N, Y, Y, N, 12, ""},
    {75, "GUILanguage", N, N, N, Y, N, 0, "English"},
    {76, "ElisaTooNew", N, N, Y, Y, N, 10, ""},
    {77, "ElisaTooOld", N, N, Y, Y, N, 120, ""},
    {78, "ElisaOverride", N, N, N, Y, N, 0, "no"},
    {79, "PrintPDFexe", N, N, N, Y, N, 0, "PDFFromTextFile.exe"},
    {80, "ElisaImageOutFolder", N, N, N, Y, N, 0, "c:\\ProgramData\\ORVO Suite\\ORVO\\Kestrin\\"},
    {81, "ElisaTextOutFolder", N, N, N, Y, N, 0, "c:\\ProgramData\\ORVO Suite\\ORVO\\Kestrin\\"},
};

// The required entries of the start-up ini, in the order they are checked.
constexpr int kRequired[] = {KS_INI_COMPANY, KS_INI_HELP_DIR, KS_INI_HOME_DIR,
                             KS_INI_SPLASH,  KS_INI_TITLE,    KS_INI_WRITE_DIR};

const char* const kLanguages[] = {"english", "francais"};

std::string s_app_code;
std::string s_version;
std::string s_section;
std::string s_write_dir;
std::string s_devices_path;
std::string s_writable_path;
std::string s_camera_name;
std::string s_scanner_name;

void clear_outputs(int* is_int, int* int_value, char* text) {
  if (is_int) *is_int = 0;
  if (int_value) *int_value = 0;
  if (text) text[0] = '\0';
}

void copy_text(char* dst, const std::string& src) {
  if (!dst) return;
  std::size_t n = src.size() < KS_INI_VALUE_LEN - 1 ? src.size() : KS_INI_VALUE_LEN - 1;
  std::memcpy(dst, src.data(), n);
  dst[n] = '\0';
}

// Leading blanks, an optional sign, then the leading digits; 0 when there are none.
int decimal_value(const std::string& s) {
  long v = std::strtol(s.c_str(), nullptr, 10);
  if (v > 2147483647L) return 2147483647;
  if (v < -2147483647L - 1) return -2147483647 - 1;
  return static_cast<int>(v);
}

// An integer or text value read under `key`, else the row's defaults (as in the writable ini).
int read_value(const KsIniEntry& row, const char* key, const std::string& file, int* is_int,
               int* int_value, char* text) {
  std::string value = ks_profile_get(s_section.c_str(), key, "", file.c_str());
  if (value.size() > KS_INI_VALUE_LEN - 1) value.resize(KS_INI_VALUE_LEN - 1);
  bool read = !value.empty();
  if (row.IsInt) {
    if (is_int) *is_int = 1;
    if (text) text[0] = '\0';
    if (int_value) *int_value = read ? decimal_value(value) : row.iDefault;
  } else {
    if (is_int) *is_int = 0;
    if (int_value) *int_value = 0;
    copy_text(text, read ? value : std::string(row.cDefault));
  }
  return read ? 1 : 0;
}

}  // namespace

KsIniEntry* ks_find_inientry(int code) {
  for (KsIniEntry& row : s_table)
    if (row.code == code) return &row;
  return nullptr;
}

BOOL ks_init_inifiles(const char* app_code, const char* version, char* write_dir) {
  SLOG("ks_init_inifiles", SLOG_ENTRY, "app <%s> version <%s>", app_code ? app_code : "",
       version ? version : "");
  if (write_dir) write_dir[0] = '\0';
  s_app_code = app_code ? app_code : "";
  s_version = version ? version : "";
  s_section = s_app_code + s_version;
  s_write_dir.clear();
  s_devices_path.clear();
  s_writable_path.clear();

  for (int i = 0; i < static_cast<int>(std::size(kRequired)); ++i) {
    KsIniEntry* row = ks_find_inientry(kRequired[i]);
    if (!row) {
      SLOG("ks_init_inifiles", SLOG_ERROR, "invalid required kestrin.ini entry %d [%d]",
           kRequired[i], i);
      return FALSE;
    }
    std::string value = ks_profile_get(s_section.c_str(), row->name, "", KS_INI_STARTUP_FILE);
    if (value.empty()) {
      SLOG("ks_init_inifiles", SLOG_ERROR, "cannot find required entry [%d] %d <%s>", i, row->code,
           row->name);
      return FALSE;
    }
    if (row->code == KS_INI_HELP_DIR || row->code == KS_INI_HOME_DIR ||
        row->code == KS_INI_WRITE_DIR) {
      if (value.size() <= 1) {
        SLOG("ks_init_inifiles", SLOG_ERROR, "Dir buff too short (%d) <%s>",
             static_cast<int>(value.size()), value.c_str());
        return FALSE;
      }
      if (value.back() != '/') value += '/';
    }
    // The value must fit the row's text field whole: a cut folder would name another folder.
    if (value.size() > KS_INI_VALUE_LEN - 1) {
      SLOG("ks_init_inifiles", SLOG_ERROR, "entry %d <%s> too long (%d)", row->code, row->name,
           static_cast<int>(value.size()));
      return FALSE;
    }
    if (row->IsInt) row->iDefault = decimal_value(value);
    copy_text(row->cDefault, value);
  }

  s_write_dir = ks_find_inientry(KS_INI_WRITE_DIR)->cDefault;
  io_set_temp_folder(s_write_dir.c_str());
  s_devices_path = s_write_dir + KS_INI_DEVICES_FILE;
  s_writable_path = s_write_dir + KS_INI_WRITABLE_FILE;
  copy_text(write_dir, s_write_dir);
  SLOG("ks_init_inifiles", SLOG_EXIT, "write dir <%s>", s_write_dir.c_str());
  return TRUE;
}

int ks_get_inientry(int code, int* is_int, int* int_value, char* text) {
  clear_outputs(is_int, int_value, text);
  KsIniEntry* row = ks_find_inientry(code);
  if (!row) {
    SLOG("ks_get_inientry", SLOG_ERROR, "invalid entry, %d", code);
    return -1;
  }
  if (row->IsDevice || row->IsEZT) {
    SLOG("ks_get_inientry", SLOG_ERROR, "want device or EZT, not allowed here, %d", code);
    return -1;
  }
  if (row->IsWriteable)
    return read_value(*row, row->name, s_writable_path, is_int, int_value, text);
  if (is_int) *is_int = row->IsInt;
  if (int_value) *int_value = row->iDefault;
  copy_text(text, row->cDefault);
  return 1;
}

int ks_put_inientry(int code, int int_value, const char* text) {
  KsIniEntry* row = ks_find_inientry(code);
  if (!row) {
    SLOG("ks_put_inientry", SLOG_ERROR, "invalid entry, %d", code);
    return -1;
  }
  if (!row->changeable) {
    SLOG("ks_put_inientry", SLOG_ERROR, "cannot change entry, %d", code);
    return -1;
  }
  if (row->IsDevice || row->IsEZT) {
    SLOG("ks_put_inientry", SLOG_ERROR, "cannot put dev/EZT entry, %d", code);
    return -1;
  }
  char number[16];
  const char* value = text ? text : "";
  if (row->IsInt) {
    std::snprintf(number, sizeof number, "%d", int_value);
    value = number;
  }
  if (s_writable_path.empty() ||
      !ks_profile_write_string(s_section.c_str(), row->name, value, s_writable_path.c_str())) {
    SLOG("ks_put_inientry", SLOG_ERROR, "cannot write entry %d <%s> to <%s>", code, row->name,
         s_writable_path.c_str());
    return -1;
  }
  return 1;
}

int ks_get_deventry(int code, BOOL is_camera, int* is_int, int* int_value, char* text) {
  clear_outputs(is_int, int_value, text);
  KsIniEntry* row = ks_find_inientry(code);
  if (!row || !row->IsDevice) {
    SLOG("ks_get_deventry", SLOG_ERROR, "not a Device entry");
    return -1;
  }
  std::string& device = is_camera ? s_camera_name : s_scanner_name;
  if (code == KS_INI_CAMERA || code == KS_INI_SCANNER) {
    std::string value = ks_profile_get(s_section.c_str(), row->name, "", s_devices_path.c_str());
    bool read = !value.empty();
    if (!read) value = row->cDefault;
    if (value.size() > KS_INI_VALUE_LEN - 1) value.resize(KS_INI_VALUE_LEN - 1);
    for (char& c : value) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    copy_text(text, value);
    device = value;
    return read ? 1 : 0;
  }
  std::string key = device + "_" + row->name;
  return read_value(*row, key.c_str(), s_devices_path, is_int, int_value, text);
}

const char* ks_get_writeable_path() {
  return s_write_dir.c_str();
}
const char* ks_get_writable_ini_path() {
  return s_writable_path.c_str();
}
const char* ks_get_devices_ini_path() {
  return s_devices_path.c_str();
}
const char* ks_get_ini_section() {
  return s_section.c_str();
}

int ks_language_index(const char* name) {
  if (!name) return 0;
  for (int i = 0; i < static_cast<int>(std::size(kLanguages)); ++i)
    if (strcasecmp(name, kLanguages[i]) == 0) return i;
  return 0;
}
