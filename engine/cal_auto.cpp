// Calibration sets and the automatic step-wedge calibration.
#include "engine/cal_auto.h"

#include "base/ks_ini.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "io/kes_image.h"
#include "toolkit/core/tk_image.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

CalData s_cal[2] = {};  // 0 reflective, 1 transmissive
BOOL s_bAutoCalibrate = FALSE;
BOOL s_bCalDataInit = FALSE;
BOOL s_init_result = FALSE;
BOOL s_bCalibrated = FALSE;  // a calibration has measured the boxes

struct Box {
  int left, top, right, bottom;
};
Box s_boxes[CAL_MAX_STEPS] = {};
int S_curr_box = 0;
int s_iNumWedges = 0;
int s_iBoxWidth = 0;

inline int round_i(double x) { return static_cast<int>(x + 0.5); }

// One data line: "%d, %lf, %d" (blanks allowed around the commas). False when it does not
// hold all three numbers.
bool parse_line(const char* s, double* od, int* width) {
  const char* end = s + std::strlen(s);
  auto ws = [&](const char*& p) {
    while (p < end && std::isspace(static_cast<unsigned char>(*p))) ++p;
  };
  auto integer = [&](const char*& p, int* v) {
    ws(p);
    if (p < end && *p == '+') ++p;
    auto r = std::from_chars(p, end, *v);
    if (r.ec != std::errc()) return false;
    p = r.ptr;
    return true;
  };
  auto comma = [&](const char*& p) {
    ws(p);
    if (p >= end || *p != ',') return false;
    ++p;
    ws(p);
    return true;
  };
  const char* p = s;
  int step = 0;
  if (!integer(p, &step) || !comma(p)) return false;
  if (p < end && *p == '+') ++p;
  auto r = std::from_chars(p, end, *od);
  if (r.ec != std::errc()) return false;
  p = r.ptr;
  return comma(p) && integer(p, width);
}

// The wedge image "<path>.kes" read whole.
struct Wedge {
  std::unique_ptr<TkImage> img;
  int bits = 0;
  int w = 0, h = 0;
};

}  // namespace

void SetAutoCalibrate(BOOL flag) { s_bAutoCalibrate = flag; }
BOOL GetAutoCalibrate() { return s_bAutoCalibrate; }

CalData* CurrentCalScanSet(int bTransmissive) { return &s_cal[bTransmissive ? 1 : 0]; }

void slg_caldata(const CalData* c) {
  static const char* fn = "slg_caldata";
  if (!c) return;
  SLOG(fn, SLOG_VALUE4, "pCalData 0p%p", static_cast<const void*>(c));
  SLOG(fn, SLOG_VALUE4, "iTotalLength %d", c->iTotalLength);
  for (int i = 0; i < c->iNumSteps && i < CAL_MAX_STEPS; ++i)
    SLOG(fn, SLOG_VALUE4, "[%2d] %3d %6.3f %6d", i, c->step_width[i], c->step_od[i],
         c->step_dig[i]);
}

int WedgeStepWidth(int bWantTransmissive, int iWhichStep) {
  static const char* fn = "WedgeStepWidth";
  const CalData* c = CurrentCalScanSet(bWantTransmissive);
  if (iWhichStep <= 0 || c->iNumSteps < 1) {
    SLOG(fn, SLOG_VALUE4, "%s", "bad iWhichStep, 0");
    return 0;
  }
  if (iWhichStep == 99) {
    SLOG(fn, SLOG_VALUE4, "Last step width %d", c->step_width[c->iNumSteps - 1]);
    return c->step_width[c->iNumSteps - 1];
  }
  if (iWhichStep > c->iNumSteps) return 0;
  return c->step_width[iWhichStep - 1];
}

BOOL cal_readValues(const char* path, CalData* c) {
  static const char* fn = "cal_readValues";
  if (!c) return FALSE;
  SLOG(fn, SLOG_ENTRY, "pcFileName <%s> Transmissive %d", path ? path : "", c->bTransmissive);
  std::fill(c->step_width, c->step_width + CAL_MAX_STEPS, 0);
  std::fill(c->step_od, c->step_od + CAL_MAX_STEPS, 0.0);
  c->iNumSteps = -1;
  std::FILE* f = path ? std::fopen(path, "r") : nullptr;
  if (!f) {
    SLOG(fn, SLOG_EXIT, "%s", "Can't open file, FALSE");
    return FALSE;
  }
  int n = 0;
  char line[512];
  while (n < CAL_MAX_STEPS && std::fgets(line, sizeof line, f)) {
    // A line longer than the buffer: drop its rest.
    if (!std::strchr(line, '\n') && !std::feof(f)) {
      int ch;
      while ((ch = std::fgetc(f)) != EOF && ch != '\n') {
      }
    }
    const char* p = line;
    while (*p && std::isspace(static_cast<unsigned char>(*p))) ++p;
    if (!std::isdigit(static_cast<unsigned char>(*p))) continue;
    double od = 0.0;
    int width = 0;
    if (!parse_line(p, &od, &width)) {
      SLOG(fn, SLOG_WARN, "line not read <%s>", p);
      continue;
    }
    if (width < 0 || width > CAL_MAX_STEP_WIDTH) {
      // No real wedge has such a step; the sums and pixel sizes made from it would overflow.
      std::fclose(f);
      SLOG(fn, SLOG_EXIT, "step width %d out of range, FALSE", width);
      return FALSE;
    }
    SLOG(fn, SLOG_VALUE4, "<%s>", p);
    c->step_od[n] = od;
    c->step_width[n] = width;
    ++n;
  }
  std::fclose(f);
  c->iNumSteps = n;
  SLOG(fn, SLOG_VALUE4, "iNumValues %d", n);
  if (n < 2) {
    SLOG(fn, SLOG_EXIT, "too few values (%d), FALSE", n);
    return FALSE;
  }
  c->iTotalLength = 0;
  for (int i = 0; i < n; ++i) {
    c->iTotalLength += c->step_width[i];
    SLOG(fn, SLOG_VALUE4, "[%2d] %4d %6.3f", i, c->step_width[i], c->step_od[i]);
  }
  if (c->step_od[0] == c->step_od[1]) {
    SLOG(fn, SLOG_EXIT, "%s", "Only 2 values, not monotonic, FALSE");
    return FALSE;
  }
  const bool ascending = c->step_od[1] > c->step_od[0];
  SLOG(fn, SLOG_VALUE4, "bAscending %d", ascending);
  for (int i = 2; i < n; ++i) {
    const bool ok = ascending ? c->step_od[i] > c->step_od[i - 1] : c->step_od[i] < c->step_od[i - 1];
    if (!ok) {
      SLOG(fn, SLOG_EXIT, "%s, not monotonic at %d, FALSE", ascending ? "Ascending" : "Descending",
           i);
      return FALSE;
    }
  }
  SLOG(fn, SLOG_EXIT, "OK, iTotalLength %d", c->iTotalLength);
  return TRUE;
}

BOOL InitCalandEquData() {
  static const char* fn = "InitCalandEquData";
  if (s_bCalDataInit) return s_init_result;
  char path[KS_INI_VALUE_LEN];
  int is_int = 0, iv = 0;

  CalData* refl = &s_cal[0];
  refl->bTransmissive = 0;
  refl->bOK = 0;
  path[0] = '\0';
  if (ks_get_inientry(KS_INI_CALSCAN_REFL_FILE, &is_int, &iv, path) >= 0)
    refl->bOK = cal_readValues(path, refl);
  SLOG(fn, SLOG_VALUE4, "Reflective Filename <%s>b, Reflective OK %d", path, refl->bOK);

  CalData* tran = &s_cal[1];
  tran->bTransmissive = 1;
  tran->bOK = 0;
  path[0] = '\0';
  if (ks_get_inientry(KS_INI_CALSCAN_TRAN_FILE, &is_int, &iv, path) >= 0)
    tran->bOK = cal_readValues(path, tran);
  SLOG(fn, SLOG_VALUE4, "Transmissive Filename <%s>, Transmissive OK  %d", path, tran->bOK);

  s_bCalDataInit = TRUE;
  const int rc = (tran->bOK ? 1 : 0) + (refl->bOK ? 2 : 0);
  SLOG(fn, SLOG_VALUE4, "iNumODSetRC %d", rc);
  static const char* const tail = "\nYou must Exit the program, correct this problem, and Restart.";
  switch (rc) {
    case 3:
      SLOG(fn, SLOG_EXIT, "%s", "We're Happy... TRUE");
      s_init_result = TRUE;
      return TRUE;
    case 0:
      SLOG(fn, SLOG_VALUE4, "%s", "no CalScan sets");
      mh_send_msg(KS_ALERT_INFO, "There are no Calibrating Scanner OD Sets.%s", tail);
      break;
    case 2:
      SLOG(fn, SLOG_VALUE4, "%s", "no Trans set");
      mh_send_msg(KS_ALERT_INFO, "There must be a Transmissive Calibrating Scanner OD Set.%s",
                  tail);
      break;
    default:
      SLOG(fn, SLOG_VALUE4, "%s", "no Refl set");
      mh_send_msg(KS_ALERT_INFO, "There must be a Reflective Calibrating Scanner OD Set.%s",
                  tail);
      break;
  }
  s_init_result = FALSE;
  return FALSE;
}

BOOL GetCalScanODSet(int bWantTransmissive, IMG_INT_INFO* t) {
  static const char* fn = "GetCalScanODSet";
  const CalData* c = CurrentCalScanSet(bWantTransmissive);
  if (!c->bOK || !t) {
    SLOG(fn, SLOG_EXIT, "CalData not OK, or IntTable NULL (0p%p), FALSE", static_cast<void*>(t));
    return FALSE;
  }
  t->interp_type = c->bTransmissive ? 0 : 1;
  t->wedge_length = c->iTotalLength;
  t->wedge_material = c->bTransmissive ? 0 : 1;
  if (c->iNumSteps < 1 || c->iNumSteps > CAL_MAX_STEPS) {
    SLOG(fn, SLOG_EXIT, "iNumSteps bad (%d), FALSE", c->iNumSteps);
    return FALSE;
  }
  const int n = c->iNumSteps;
  lookup_free_arrays(t);
  t->wedge_count = 0;
  t->bIsNotStouffer = 0;
  t->wedge_values = static_cast<double*>(ks_alloc_msg(sizeof(double) * n));
  t->dig_values = static_cast<int*>(ks_alloc_msg(sizeof(int) * n));
  if (!t->wedge_values || !t->dig_values) {
    lookup_free_arrays(t);
    SLOG(fn, SLOG_EXIT, "%s", "wedge_values or dig_values NULL, FALSE");
    return FALSE;
  }
  t->ori_x = static_cast<int*>(ks_alloc_msg(sizeof(int) * n));
  t->ori_y = static_cast<int*>(ks_alloc_msg(sizeof(int) * n));
  t->ext_x = static_cast<int*>(ks_alloc_msg(sizeof(int) * n));
  t->ext_y = static_cast<int*>(ks_alloc_msg(sizeof(int) * n));
  if (!t->ori_x || !t->ori_y || !t->ext_x || !t->ext_y) {
    lookup_free_arrays(t);
    SLOG(fn, SLOG_EXIT, "%s", "one of the box arrays is NULL, FALSE");
    return FALSE;
  }
  t->wedge_count = n;
  t->bHaveCalib = 1;
  t->calib_image_path[0] = '\0';
  t->equal_image_path[0] = '\0';
  SLOG(fn, SLOG_EXIT, "%s", "OK");
  return TRUE;
}

int cal_auto_num_boxes() { return S_curr_box; }
int cal_auto_box_width() { return s_iBoxWidth; }
int cal_auto_num_wedges() { return s_iNumWedges; }
BOOL cal_auto_box(int k, int box[4]) {
  if (k < 0 || k >= S_curr_box || !box) return FALSE;
  box[0] = s_boxes[k].left;
  box[1] = s_boxes[k].top;
  box[2] = s_boxes[k].right;
  box[3] = s_boxes[k].bottom;
  return TRUE;
}

int cal_auto_bounds(const char* path, int width, int height, int depth, int resolution,
                    const IMG_INT_INFO* table) {
  static const char* fn = "cal_auto_bounds";
  SLOG(fn, SLOG_ENTRY, "<%s> %d x %d, depth %d", path ? path : "", width, height, depth);
  int wedge_y = height / 2;
  int fudge = 16;
  switch (resolution) {
    case 100: wedge_y = 8; fudge = 3; break;
    case 150: wedge_y = 17; fudge = 4; break;
    case 300: wedge_y = 35; fudge = 8; break;
    default: break;
  }
  SLOG(fn, SLOG_VALUE4, "wedge_y starts %d", wedge_y);
  SLOG(fn, SLOG_VALUE4, "wedge_y ends   %d", wedge_y);
  SLOG(fn, SLOG_VALUE4, "wedge_length %d, iResolution %d, threshhold %d",
       table ? table->wedge_length : 0, resolution, CAL_THRESHOLD);
  if (!path || !table || table->bIsNotStouffer || width < 1 || height < 1 || resolution < 1) {
    SLOG(fn, SLOG_EXIT, "%s", "can't find bounds");
    return CAL_BOUNDS_FAIL;
  }
  const CalData* tc = CurrentCalScanSet(1);
  const int n = table->wedge_count;
  if (n < 2 || n > CAL_MAX_STEPS || n > tc->iNumSteps) {
    SLOG(fn, SLOG_EXIT, "%d steps for a set of %d, can't find bounds", n, tc->iNumSteps);
    return CAL_BOUNDS_FAIL;
  }
  auto px = [&](double x) { return x * resolution / 2.54 / 1000.0; };
  const int s1 = round_i(px(tc->step_width[0]));
  const double w = px(tc->step_width[1]);
  const int sN = round_i(px(tc->step_width[n - 1]));
  const int total = round_i((n - 2) * w) + sN + s1;
  SLOG(fn, SLOG_VALUE4, "iExpectedStep1Width %d", s1);
  SLOG(fn, SLOG_VALUE4, "just a single Most step iExpectedStepWidth %7.3f %d", w, round_i(w));
  SLOG(fn, SLOG_VALUE4, "iExpectedStepNWidth %d", sN);
  SLOG(fn, SLOG_VALUE4, "iExpectedTotal %d, s_iNumWedges %d", total, n);

  std::vector<int> deriv;
  try {
    deriv.assign(static_cast<std::size_t>(width), 0);
  } catch (const std::bad_alloc&) {
    ks_dbg_null_ptr(fn, "derivative");
    SLOG(fn, SLOG_EXIT, "%s", "allocation failed");
    return CAL_BOUNDS_MEM;
  }
  int white_left = 0;
  if (cal_auto_ReadSlice(path, &white_left, deriv.data(), wedge_y, width, depth) != 0) {
    SLOG(fn, SLOG_EXIT, "%s", "can't read slice / find WhiteEnd");
    return CAL_BOUNDS_FAIL;
  }
  int wedge_end = 0;
  if (!cal_find_DarkEnd(white_left, width, CAL_THRESHOLD, deriv.data(), &wedge_end)) {
    SLOG(fn, SLOG_EXIT, "%s", "dark end not found");
    return CAL_BOUNDS_FAIL;
  }

  // Step boundaries, from the dark end towards the white end.
  std::vector<int> b(static_cast<std::size_t>(n) + 1);
  const int f = white_left ? -fudge : fudge;
  b[n] = wedge_end;
  b[n - 1] = white_left ? wedge_end - sN : wedge_end + sN;
  for (int k = n - 2; k >= 1; --k) {
    const int j = n - 1 - k;
    b[k] = white_left ? b[n - 1] - round_i(j * w) + f : b[n - 1] + round_i(j * w) + f;
  }
  b[0] = white_left ? b[1] - s1 + f : b[1] + s1 + f;
  for (int k = 0; k <= n; ++k) SLOG(fn, SLOG_VALUE4, "[%2d] %4d", k, b[k]);

  const int box_w = static_cast<int>(round_i(w) * 0.5);
  const int width0 = white_left ? b[1] - b[0] : b[0] - b[1];
  const int box_h = static_cast<int>(width0 * 3.0 * 0.25);
  const int cell = static_cast<int>(box_w * 0.5);
  SLOG(fn, SLOG_VALUE4, "cell_width %d, iExpectedBoxHeight %d", cell, box_h);
  Box found[CAL_MAX_STEPS];
  for (int k = 0; k < n; ++k) {
    Box& bx = found[k];
    // With the white end on the right the last box sits one cell further in: the procedure's rule.
    bx.left = white_left ? b[k] + cell : b[k + 1] + cell + (k == n - 1 ? cell : 0);
    bx.right = bx.left + box_w;
    bx.top = std::max(2, wedge_y - box_h);
    // The bottom is the box height taken as a row, not top + height: the procedure's rule.
    bx.bottom = box_h;
    // Boxes are measured inside the image only; one that has nothing left there means the
    // wedge was not where the search expected it.
    bx.left = std::clamp(bx.left, 0, width);
    bx.right = std::clamp(bx.right, 0, width);
    bx.top = std::clamp(bx.top, 0, height);
    bx.bottom = std::clamp(bx.bottom, 0, height);
    SLOG(fn, SLOG_VALUE4, "[%2d] (%4d, %4d) (%4d, %4d)", k, bx.left, bx.top, bx.right, bx.bottom);
    if (bx.right <= bx.left || bx.bottom <= bx.top) {
      SLOG(fn, SLOG_EXIT, "box %d is empty or inverted, can't find bounds", k);
      return CAL_BOUNDS_FAIL;
    }
  }
  std::copy(found, found + n, s_boxes);
  S_curr_box = n;
  s_iNumWedges = n;
  s_iBoxWidth = box_w;
  SLOG(fn, SLOG_EXIT, "%s", "0");
  return CAL_BOUNDS_OK;
}

namespace {

// Reads "<path>.kes" whole. 0, 2 (cannot be queried) or 5 (cannot be created or read).
int read_wedge(const char* path, Wedge& wd) {
  static const char* fn = "cal_auto_ReadSlice";
  const std::string kes = std::string(path) + ".kes";
  int32_t ext[2] = {0, 0};
  if (!io_query_image(kes.c_str(), &wd.bits, ext)) {
    SLOG(fn, SLOG_EXIT, "%s", "io_query_image fails");
    return 2;
  }
  wd.w = ext[0];
  wd.h = ext[1];
  if (!io_image_complete(kes.c_str())) {
    SLOG(fn, SLOG_EXIT, "file shorter than its %d x %d header", ext[0], ext[1]);
    return 5;
  }
  wd.img.reset(io_create_image(ext, wd.bits));
  const int32_t rect[4] = {0, 0, ext[0], ext[1]};
  if (!wd.img || !io_read_kestrin(kes.c_str(), wd.img.get(), rect, 1.0)) {
    SLOG(fn, SLOG_EXIT, "%s", "io_read_kestrin failed");
    return 5;
  }
  return 0;
}

}  // namespace

int cal_auto_ReadSlice(const char* path, int* white_left, int* derivative, int wedge_y,
                       int width, int depth) {
  static const char* fn = "cal_auto_ReadSlice";
  SLOG(fn, SLOG_ENTRY, "<%s> wedge_y %d, width %d, depth %d", path ? path : "", wedge_y, width,
       depth);
  if (!path || !white_left || !derivative || width < 1) return 2;
  Wedge wd;
  if (int r = read_wedge(path, wd)) return r;
  if (width > wd.w) {
    SLOG(fn, SLOG_EXIT, "profile of %d columns in a %d-column image", width, wd.w);
    return 2;
  }
  std::vector<unsigned char> line;
  std::vector<long> sum;
  try {
    line.assign(static_cast<std::size_t>(width), 0);
    sum.assign(static_cast<std::size_t>(width), 0);
  } catch (const std::bad_alloc&) {
    ks_dbg_null_ptr(fn, "uchar_line");
    return 5;
  }
  const int y0 = std::max(0, wedge_y - 4);
  const int y1 = std::min(wd.h - 1, wedge_y + 4);
  if (y1 < y0) {
    SLOG(fn, SLOG_EXIT, "wedge row %d outside the image", wedge_y);
    return 2;
  }
  const int rows = y1 - y0 + 1;
  for (int y = y0; y <= y1; ++y)
    for (int x = 0; x < width; ++x) sum[x] += wd.img->pixel(x, y);
  wd.img.reset();
  const bool wide = wd.bits > 8;
  for (int x = 0; x < width; ++x) {
    const long mean = sum[x] / rows;
    line[x] = static_cast<unsigned char>(wide ? (mean >> 8) & 0xFF : mean & 0xFF);
  }
  const int half = width / 2, quarter = width / 4;
  long left = 0, right = 0;
  int nl = 0, nr = 0;
  for (int x = half - quarter; x < half; ++x, ++nl) left += line[x];
  for (int x = half; x < half + quarter; ++x, ++nr) right += line[x];
  if (nl) left /= nl;
  if (nr) right /= nr;
  SLOG(fn, SLOG_VALUE4, "ulLeft %ld, ulRight %ld", left, right);
  *white_left = left < right ? 1 : 0;
  cal_running_median_byte(3, width, line.data(), 0);
  cal_get_derivative(derivative, line.data(), 1, width);
  SLOG(fn, SLOG_EXIT, "*pbWhiteEndOnLeft %d", *white_left);
  return 0;
}

BOOL cal_find_DarkEnd(int white_left, int length, int threshold, const int* d, int* index) {
  static const char* fn = "cal_find_DarkEnd";
  if (!d || !index || length < 2) return FALSE;
  const int m = length / 8;
  const int look = length / 2 - m;
  SLOG(fn, SLOG_VALUE4, "max_len %d, look at %d pixels", length, look);
  if (white_left) {
    SLOG(fn, SLOG_VALUE4, "%s", "looking right");
    for (int i = length / 2 + m, k = 0; k < look && i + 1 < length; ++i, ++k) {
      if (d[i] <= -threshold && d[i + 1] <= -threshold) {
        *index = i + 1;
        SLOG(fn, SLOG_EXIT, "Dark-end %d, TRUE", *index);
        return TRUE;
      }
    }
  } else {
    SLOG(fn, SLOG_VALUE4, "%s", "looking left");
    for (int i = length / 2 - m, k = 0; k < look && i >= 0; --i, ++k) {
      if (i + 1 < length && d[i] >= threshold && d[i + 1] >= threshold) {
        *index = i + 1;
        SLOG(fn, SLOG_EXIT, "Dark-end %d, TRUE", *index);
        return TRUE;
      }
    }
  }
  SLOG(fn, SLOG_EXIT, "%s", "Black-end not found, FALSE");
  return FALSE;
}

BOOL cal_auto_calibrate(const char* path, int bTrans, int bODflat_fixup_msg) {
  static const char* fn = "cal_auto_calibrate";
  if (!path) return FALSE;
  CalData* c = CurrentCalScanSet(bTrans);
  slg_caldata(c);
  s_bCalibrated = TRUE;
  SLOG(fn, SLOG_VALUE4, "%d boxes", S_curr_box);
  Wedge wd;
  const int r = read_wedge(path, wd);
  if (r != 0) {
    SLOG(fn, SLOG_EXIT, "%s", r == 2 ? "io_query_image fails" : "can't read image");
    return FALSE;
  }
  if (S_curr_box < 1) {
    SLOG(fn, SLOG_EXIT, "%s", "no boxes, FALSE");
    return FALSE;
  }
  // Every box is measured over the rows of the first box: the procedure's rule.
  const Box& first = s_boxes[0];
  int dig[CAL_MAX_STEPS];
  for (int k = 0; k < S_curr_box; ++k) {
    const Box& bx = s_boxes[k];
    // The boxes were found in this image's extent; another image may not hold them.
    if (bx.left < 0 || bx.right > wd.w || first.top < 0 || first.bottom > wd.h ||
        bx.right <= bx.left || first.bottom <= first.top) {
      SLOG(fn, SLOG_EXIT, "box %d outside the %d x %d image, FALSE", k, wd.w, wd.h);
      return FALSE;
    }
    double sum = 0.0;
    for (int y = first.top; y < first.bottom; ++y)
      for (int x = bx.left; x < bx.right; ++x) sum += wd.img->pixel(x, y);
    const double area = double(bx.right - bx.left) * (first.bottom - first.top);
    dig[k] = static_cast<int>(std::floor(sum / area + 0.5));
    SLOG(fn, SLOG_VALUE4, "[%2d] %4d %7.2f %d", k, bx.left, sum / area, dig[k]);
  }
  for (int k = 0; k < S_curr_box; ++k) {
    c->box_left[k] = s_boxes[k].left;
    c->box_top[k] = s_boxes[k].top;
    c->box_right[k] = s_boxes[k].right;
    c->box_bottom[k] = s_boxes[k].bottom;
  }
  if (FixupValues(dig, S_curr_box)) {
    SLOG(fn, SLOG_VALUE4, "%s", "need to FixupValues...");
    if (bODflat_fixup_msg)
      mh_send_msg(KS_ALERT_ERROR, "%s",
                  "Your calibration data was corrected to make it consistent.\nThis was likely "
                  "done to correct for saturation in the\ncalibration image you acquired.");
  }
  std::copy(dig, dig + S_curr_box, c->step_dig);
  c->max_dig = *std::max_element(dig, dig + S_curr_box);
  c->min_dig = *std::min_element(dig, dig + S_curr_box);
  c->interp_type = 0;
  c->iNumSteps = S_curr_box;
  SLOG(fn, SLOG_EXIT, "%s", "OK");
  return TRUE;
}

void cal_auto_setBoxDisplay(int iRotate, int iStartH, int Hh, int Ww) {
  static const char* fn = "cal_auto_setBoxDisplay";
  SLOG(fn, SLOG_ENTRY, "rotate %d, start %d, %d x %d", iRotate, iStartH, Ww, Hh);
  if (!s_bCalibrated) {
    SLOG(fn, SLOG_EXIT, "%s", "Trouble in Paradise, CalData struct not initialized");
    return;
  }
  CalData* c = CurrentCalScanSet(1);
  const int n = std::min(std::max(c->iNumSteps, 0), S_curr_box);
  for (int k = 0; k < n; ++k) {
    const Box& b = s_boxes[k];
    Box t = b;
    switch (iRotate) {
      case 90: t = {Hh - b.top, b.left, Hh - b.bottom, b.right}; break;
      case 180: t = {Ww - b.left, Hh - b.top, Ww - b.right, Hh - b.bottom}; break;
      case 270: t = {b.top, Ww - b.left, b.bottom, Ww - b.right}; break;
      default: break;
    }
    c->box_left[k] = t.left;
    c->box_top[k] = t.top;
    c->box_right[k] = t.right;
    c->box_bottom[k] = t.bottom;
  }
}

BOOL cal_auto_setCalData(IMG_INT_INFO* t, int bTransmissive) {
  static const char* fn = "cal_auto_setCalData";
  if (!t) {
    SLOG(fn, SLOG_EXIT, "%s", "NULL input int table");
    return FALSE;
  }
  const CalData* c = CurrentCalScanSet(bTransmissive);
  if (c->iNumSteps < 1 || c->iNumSteps > CAL_MAX_STEPS) {
    SLOG(fn, SLOG_EXIT, "%s", "0 values!");
    return FALSE;
  }
  const int n = c->iNumSteps;
  t->interp_type = c->interp_type;
  t->version = 1;
  t->dig_val_range = c->max_dig - c->min_dig;
  t->wedge_length = c->iTotalLength;
  t->wedge_material = bTransmissive ? 0 : 1;
  SLOG(fn, SLOG_VALUE4, "->wedge_length %d", t->wedge_length);
  lookup_free_arrays(t);
  t->wedge_count = 0;
  t->dig_values = static_cast<int*>(ks_alloc_msg(sizeof(int) * n));
  t->wedge_values = static_cast<double*>(ks_alloc_msg(sizeof(double) * n));
  t->ori_x = static_cast<int*>(ks_alloc_msg(sizeof(int) * n));
  t->ori_y = static_cast<int*>(ks_alloc_msg(sizeof(int) * n));
  t->ext_x = static_cast<int*>(ks_alloc_msg(sizeof(int) * n));
  t->ext_y = static_cast<int*>(ks_alloc_msg(sizeof(int) * n));
  if (!t->dig_values || !t->wedge_values || !t->ori_x || !t->ori_y || !t->ext_x || !t->ext_y) {
    lookup_free_arrays(t);
    t->bHaveCalib = 0;
    SLOG(fn, SLOG_EXIT, "%s", "ks_alloc failed");
    return FALSE;
  }
  t->wedge_count = n;
  for (int k = 0; k < n; ++k) {
    t->dig_values[k] = c->step_dig[k];
    t->wedge_values[k] = c->step_od[k];
    SLOG(fn, SLOG_VALUE4, "[%2d] %4d %7.2f", k, c->step_dig[k], c->step_od[k]);
    t->ori_x[k] = c->box_left[k];
    t->ori_y[k] = c->box_top[k];
    t->ext_x[k] = c->box_right[k] - c->box_left[k];
    t->ext_y[k] = c->box_bottom[k] - c->box_top[k];
  }
  t->bHaveEqual = 0;
  t->bHaveCalib = 1;
  t->bIsNotStouffer = 0;
  t->calib_image_path[0] = '\0';
  t->equal_image_path[0] = '\0';
  SLOG(fn, SLOG_EXIT, "%s", "OK");
  return TRUE;
}

int FixupValues(int* v, int n) {
  if (!v || n < 2) return 0;
  int rises = 0, falls = 0, equal = 0;
  for (int i = 0; i + 1 < n; ++i) {
    if (v[i + 1] > v[i]) ++rises;
    else if (v[i + 1] < v[i]) ++falls;
    else ++equal;
  }
  int dir;
  if (falls == 0 && rises > 0) dir = 1;
  else if (rises == 0 && falls > 0) dir = -1;
  else if (n < 5 || equal > rises + falls) dir = 0;
  else dir = rises > falls ? 1 : (falls > rises ? -1 : 0);
  if (dir == 0) return 0;
  int changed = 0;
  for (int i = 0; i + 1 < n; ++i) {
    if ((v[i + 1] - v[i]) * dir >= 0) continue;
    int j = i + 2;
    while (j < n && (v[j] - v[i]) * dir < 0) ++j;
    if (j < n) {
      const int step = (v[j] - v[i]) / (j - i);
      for (int m = i + 1; m < j; ++m) v[m] = v[i] + step * (m - i);
    } else {
      for (int m = i + 1; m < n; ++m) v[m] = v[i];
    }
    changed = 1;
  }
  return changed;
}

void cal_get_derivative(int* out, const unsigned char* in, int h, int length) {
  SLOG("cal_get_derivative", SLOG_VALUE5, "width = %d, length = %d", h, length);
  if (!out || !in || length <= 0 || h < 0) return;
  for (int i = 0; i < length; ++i)
    out[i] = (i >= h && i < length - h) ? int(in[i + h]) - int(in[i - h]) : 0;
}

namespace {

template <typename T>
int median_of(int k, const T* values) {
  if (k <= 0 || !values) return 0;
  std::vector<T> copy(values, values + k);
  std::nth_element(copy.begin(), copy.begin() + k / 2, copy.end());
  return static_cast<int>(copy[k / 2]);
}

template <typename T>
BOOL running_median(int k, int length, T* values, int fill_ends) {
  if (!values || length <= 0 || length <= k || k < 1) return FALSE;
  const std::vector<T> copy(values, values + length);
  const int half = k / 2;
  for (int i = half; i < length - half; ++i)
    values[i] = static_cast<T>(median_of<T>(k, copy.data() + i - half));
  if (fill_ends) {
    for (int i = 0; i < half; ++i) values[i] = values[half];
    for (int i = length - half; i < length; ++i) values[i] = values[length - half - 1];
  }
  return TRUE;
}

}  // namespace

int cal_median_byte(int k, const unsigned char* values) { return median_of(k, values); }
int cal_median_int(int k, const int* values) { return median_of(k, values); }
BOOL cal_running_median_byte(int k, int length, unsigned char* values, int fill_ends) {
  return running_median(k, length, values, fill_ends);
}
int cal_running_median_int(int k, int length, int* values, int fill_ends) {
  return running_median(k, length, values, fill_ends) ? 1 : 0;
}
