#include "base/ks_choose.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>

#include "base/io_file.h"
#include "base/ks_ini.h"
#include "base/ks_mem.h"
#include "base/ks_msg.h"
#include "base/slog.h"
#include "toolkit/core/tk_file.h"

const char KS_KES_FILTER[] = "KES Files (*.kes)\0*.kes\0All Files (*.*)\0*.*\0";

namespace {

KsChooseHooks s_hooks;

// Copies text into a caller's buffer; false (buffer emptied) when it does not fit.
bool copy_out(char* dst, std::size_t cap, const std::string& text) {
  if (!dst || cap == 0) return false;
  if (text.size() + 1 > cap) {
    dst[0] = '\0';
    return false;
  }
  std::memcpy(dst, text.c_str(), text.size() + 1);
  return true;
}

KsOpenFileRequest make_request(const char* caption, const char* init_dir, const char* init_file,
                               const char* filter_list) {
  KsOpenFileRequest req;
  req.caption = caption ? caption : "";
  req.folder = init_dir ? init_dir : "";
  req.file = init_file ? init_file : "";
  ks_split_filter(filter_list, &req.labels, &req.patterns);
  return req;
}

std::vector<std::string> run_open(const KsOpenFileRequest& req, int* filter_index) {
  if (!s_hooks.open_files) return {};
  return s_hooks.open_files(req, filter_index);
}

long nearest(double v) { return static_cast<long>(std::floor(v + 0.5)); }
int clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

void screen(int* w, int* h) {
  *w = *h = 0;
  if (s_hooks.screen_size) s_hooks.screen_size(w, h);
}

// The window's position and its outer size: the client size plus the frame's.
bool outer_rect(TkObject* win, int* x, int* y, int* w, int* h) {
  if (!win || !s_hooks.window_rect || !s_hooks.move_window) return false;
  BOOL framed = FALSE;
  s_hooks.window_rect(win, x, y, w, h, &framed);
  if (framed) {
    *w += KS_FRAME_SIDES;
    *h += KS_FRAME_TITLE;
  }
  return true;
}

// A window placed by percentages whose bottom (where its buttons are) would leave the screen's
// available area is moved up until it is inside, and one that would reach past the right edge
// by more than the placing rule's few pixels is moved left until it is inside; the window is
// measured again after the move, since it may have grown to what its layout needs. A window
// larger than the screen keeps its top left corner on the screen.
void keep_inside(TkObject* win, int W, int H) {
  int x, y, w, h;
  if (W <= 0 || H <= 0 || !outer_rect(win, &x, &y, &w, &h)) return;
  int nx = x, ny = y;
  ui_wpos_inside(W, H, w, h, &nx, &ny);
  if (nx != x || ny != y) s_hooks.move_window(win, nx, ny, -1, -1);
}

}  // namespace

void ks_choose_set_hooks(const KsChooseHooks& hooks) { s_hooks = hooks; }

void ks_split_filter(const char* filter_list, std::vector<std::string>* labels,
                     std::vector<std::string>* patterns) {
  labels->clear();
  patterns->clear();
  if (!filter_list) return;
  const char* p = filter_list;
  while (*p) {
    std::string label = p;
    p += label.size() + 1;
    if (!*p) break;  // a label without its pattern ends the list
    std::string pattern = p;
    p += pattern.size() + 1;
    labels->push_back(label);
    patterns->push_back(pattern);
  }
}

namespace {

int single_file(char* out_path, std::size_t out_cap, const char* caption, const char* init_dir,
                const char* init_file, const char* filter_list, const char* def_ext,
                BOOL hide_readonly, BOOL must_exist, bool save) {
  SLOG("io_win32_singlefile", SLOG_ENTRY, "caption <%s>%s", caption ? caption : "",
       save ? " (save)" : "");
  if (out_path && out_cap) out_path[0] = '\0';
  if (!filter_list) {
    SLOG("io_win32_singlefile", SLOG_EXIT, "filter_list NULL, arg error");
    return 0;
  }
  KsOpenFileRequest req = make_request(caption, init_dir, init_file, filter_list);
  req.hide_readonly = hide_readonly != FALSE;
  req.must_exist = must_exist != FALSE;
  req.save = save;
  std::vector<std::string> picks = run_open(req, nullptr);
  if (picks.empty()) {
    SLOG("io_win32_singlefile", SLOG_EXIT, "User canceled");
    return 0;
  }
  if (picks.size() != 1) {
    SLOG("io_win32_singlefile", SLOG_EXIT, "bad num_picks (%d)", static_cast<int>(picks.size()));
    return 0;
  }
  std::string path = picks[0];
  char stripped[KS_PATH_LEN];
  if (io_strip_extension(stripped, path.c_str()) == 0 && path == stripped && def_ext)
    path += def_ext;
  if (!copy_out(out_path, out_cap, path)) {
    SLOG("io_win32_singlefile", SLOG_EXIT, "path too long for the buffer, 0");
    return 0;
  }
  SLOG("io_win32_singlefile", SLOG_EXIT, "<%s>", out_path);
  return 1;
}

}  // namespace

int io_win32_singlefile(char* out_path, std::size_t out_cap, const char* caption,
                        const char* init_dir, const char* init_file, const char* filter_list,
                        const char* def_ext, BOOL hide_readonly, BOOL must_exist) {
  return single_file(out_path, out_cap, caption, init_dir, init_file, filter_list, def_ext,
                     hide_readonly, must_exist, false);
}

int io_win32_savefile(char* out_path, std::size_t out_cap, const char* caption,
                      const char* init_dir, const char* init_file, const char* filter_list,
                      const char* def_ext) {
  return single_file(out_path, out_cap, caption, init_dir, init_file, filter_list, def_ext, TRUE,
                     FALSE, true);
}

int io_win32_singlekes(char* out_path, std::size_t out_cap, const char* caption, char* init_dir,
                       std::size_t dir_cap, const char* init_file, BOOL must_exist) {
  if (init_dir && dir_cap && init_dir[0] == '\0') {
    int is_int = 0, value = 0;
    char write_dir[KS_INI_VALUE_LEN] = "";
    ks_get_inientry(KS_INI_WRITE_DIR, &is_int, &value, write_dir);
    const std::string images = std::string(write_dir) + "images";
    if (!copy_out(init_dir, dir_cap, images))
      SLOG("io_win32_singlekes", SLOG_WARN, "images folder does not fit the buffer");
    // The chooser opens in the default images folder, not in the nearest folder above it (the
    // write folder, which holds the program's temporary images): it is made when missing.
    else if (write_dir[0] && ::mkdir(images.c_str(), 0777) != 0 && errno != EEXIST)
      SLOG("io_win32_singlekes", SLOG_WARN, "images folder <%s> cannot be made", images.c_str());
  }
  if (out_path && out_cap) out_path[0] = '\0';
  KsOpenFileRequest req = make_request(caption, init_dir, init_file, KS_KES_FILTER);
  req.must_exist = must_exist != FALSE;
  // An image that need not exist is one to be written: the chooser's save form.
  req.save = must_exist == FALSE;
  std::vector<std::string> picks = run_open(req, nullptr);
  if (picks.size() != 1) {
    SLOG("io_win32_singlekes", SLOG_EXIT, picks.empty() ? "User canceled" : "bad num_picks");
    return 0;
  }
  std::string path = picks[0];
  char stripped[KS_PATH_LEN];
  if (io_strip_extension(stripped, path.c_str()) == 0 && path == stripped) path += ".kes";
  return copy_out(out_path, out_cap, path) ? 1 : 0;
}

int io_win32_filelist(char*** out_list, const char* caption, const char* init_dir,
                      const char* init_file, const char* filter_list, int filter_index,
                      BOOL hide_readonly, BOOL several, BOOL must_exist, int* out_filter) {
  SLOG("io_win32_filelist", SLOG_ENTRY, "caption <%s>", caption ? caption : "");
  if (out_list) *out_list = nullptr;
  if (!out_list) return 0;
  KsOpenFileRequest req = make_request(caption, init_dir, init_file, filter_list);
  if (filter_list) req.filter_index = filter_index;
  req.hide_readonly = hide_readonly != FALSE;
  req.several = several != FALSE;
  req.must_exist = must_exist != FALSE;
  int chosen = req.filter_index;
  std::vector<std::string> picks = run_open(req, &chosen);
  if (picks.empty()) {
    SLOG("io_win32_filelist", SLOG_EXIT, "1st failure");
    return 0;
  }
  const int n = static_cast<int>(picks.size());
  auto** list = static_cast<char**>(ks_alloc_msg(sizeof(char*) * picks.size()));
  if (!list) {
    if (n == 1)
      SLOG("io_win32_filelist", SLOG_EXIT, "can't alloc space for 1 file");
    else
      SLOG("io_win32_filelist", SLOG_EXIT, "can't alloc space for %d picks", n);
    return 0;
  }
  for (int i = 0; i < n; ++i) {
    list[i] = static_cast<char*>(ks_alloc_msg(picks[i].size() + 1));
    if (!list[i]) {
      SLOG("io_win32_filelist", SLOG_EXIT, "file [%d] NULL", i);
      ks_freelist_msg(reinterpret_cast<void**>(list), i);
      return 0;
    }
    std::memcpy(list[i], picks[i].c_str(), picks[i].size() + 1);
  }
  if (out_filter) *out_filter = chosen;
  *out_list = list;
  SLOG("io_win32_filelist", SLOG_EXIT, "%d", n);
  return n;
}

int io_win32_browse_folder(const char* title, char* out_path, std::size_t out_cap) {
  return io_win32_browse_folder_at(title, "", out_path, out_cap);
}

int io_win32_browse_folder_at(const char* title, const char* start, char* out_path,
                              std::size_t out_cap) {
  if (out_path && out_cap) out_path[0] = '\0';
  if (!s_hooks.choose_folder) return 0;
  std::string folder = s_hooks.choose_folder(title ? title : "", start ? start : "", false);
  if (folder.empty()) return 0;
  return copy_out(out_path, out_cap, folder) ? 1 : 0;
}

char* io_dirname_new(const char* start_dir, const char* title) {
  SLOG("io_dirname_new", SLOG_ENTRY, "start <%s>", start_dir ? start_dir : "");
  if (!s_hooks.choose_folder) {
    SLOG("io_dirname_new", SLOG_EXIT, "FILEW_Create failed, NULL");
    return nullptr;
  }
  const char* t = title && *title ? title : "Select a directory...";
  std::string path = s_hooks.choose_folder(t, start_dir ? start_dir : "", true);
  if (path.empty()) {
    SLOG("io_dirname_new", SLOG_EXIT, "Chooser returns NULL");
    return nullptr;
  }
  int kind = FILE_PathKind(path.c_str());
  if (kind == TK_PATH_FILE) {
    mh_send_msg(KS_ALERT_INFO, ui_msg(320), path.c_str());
    SLOG("io_dirname_new", SLOG_EXIT, "<%s> not a directory", path.c_str());
    return nullptr;
  }
  if (kind != TK_PATH_DIR && !FILE_MakeDir(path.c_str())) {
    mh_send_msg(KS_ALERT_INFO, "Failed to create \"%s\"", path.c_str());
    SLOG("io_dirname_new", SLOG_EXIT, "Cannot create dir <%s>", path.c_str());
    return nullptr;
  }
  auto* out = static_cast<char*>(ks_alloc_msg(path.size() + 1));
  if (!out) {
    ks_dbg_null_ptr("io_dirname_new", "out");
    return nullptr;
  }
  std::memcpy(out, path.c_str(), path.size() + 1);
  SLOG("io_dirname_new", SLOG_EXIT, "OK, dirname <%s>", out);
  return out;
}

BOOL ks_valok(const char* text) {
  if (!text) return FALSE;
  while (*text == ' ' || *text == '\t') ++text;
  const std::size_t n = std::strlen(text);
  if (n == 0) return FALSE;
  int points = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') continue;
    if (c == '.') {
      if (++points > 1) return FALSE;
    } else if (c == '-') {
      if (i != 0) return FALSE;
    } else {
      return FALSE;
    }
  }
  if (n == 1 && (text[0] == '.' || text[0] == '-')) return FALSE;
  if (n == 2 && text[0] == '-' && !(text[1] >= '0' && text[1] <= '9')) return FALSE;
  return TRUE;
}

void ui_wpos_point(int W, int H, int w, int h, int x_pct, int y_pct, BOOL centred, int* px_out,
                   int* py_out) {
  const double px = clamp(x_pct, 0, 100) / 100.0, py = clamp(y_pct, 0, 100) / 100.0;
  long x, y;
  if (!centred) {
    x = nearest((W - w) * px);
    y = nearest((H - h) * py);
    if (y < 18) y += 18;
    if (x_pct > 95) x += 4;
  } else {
    const int hh = h / 2;
    x = nearest(W * px - w / 2.0);
    y = static_cast<long>(std::floor((H - hh) * py + hh + 18 - h / 2.0 + 0.5));
  }
  *px_out = static_cast<int>(x);
  *py_out = static_cast<int>(y);
}

void ui_wpos_inside(int W, int H, int w, int h, int* x, int* y) {
  if (W <= 0 || H <= 0) return;
  if (static_cast<long>(*y) + h > H) *y = static_cast<int>(std::max(0L, static_cast<long>(H) - h));
  if (static_cast<long>(*x) + w > W + 4L)
    *x = static_cast<int>(std::max(0L, static_cast<long>(W) - w));
  // A window larger than the screen keeps its top left corner (title and menus) on it.
  if (w > W && *x < 0) *x = 0;
  if (h > H && *y < 0) *y = 0;
}

void ui_wpos_place(TkObject* win, int x_pct, int y_pct, BOOL centred) {
  int x0, y0, w, h;
  if (!outer_rect(win, &x0, &y0, &w, &h)) return;
  int W, H;
  screen(&W, &H);
  int x, y;
  ui_wpos_point(W, H, w, h, x_pct, y_pct, centred, &x, &y);
  s_hooks.move_window(win, x, y, -1, -1);
  keep_inside(win, W, H);
}

void ui_wpos_place_size(TkObject* win, int x_pct, int y_pct, BOOL centred, int w_pct, int h_pct) {
  int x0, y0, w, h;
  if (!outer_rect(win, &x0, &y0, &w, &h)) return;
  int W, H;
  screen(&W, &H);
  const double px = clamp(x_pct, 0, 100) / 100.0, py = clamp(y_pct, 0, 100) / 100.0;
  const long nw = nearest(W * (clamp(w_pct, 0, 100) / 100.0));
  const long nh = nearest(H * (clamp(h_pct, 0, 100) / 100.0));
  long x, y;
  if (!centred) {
    x = nearest((W - nw) * px);
    y = nearest((H - nh) * py);
    if (y < 18) y += 18;
    if (x_pct > 95) x += 4;
  } else {
    const int hh = h / 2;  // half the window's current outer height
    x = nearest(W * px - nw / 2.0);
    y = static_cast<long>(std::floor((H - hh) * py + hh + 18 - nh / 2.0 + 0.5));
  }
  s_hooks.move_window(win, static_cast<int>(x), static_cast<int>(y), static_cast<int>(nw),
                      static_cast<int>(nh));
  keep_inside(win, W, H);
}

void ui_wpos_shift(TkObject* win, int dx_pct, int dy_pct) {
  int x, y, w, h;
  if (!outer_rect(win, &x, &y, &w, &h)) return;
  int W, H;
  screen(&W, &H);
  const int dx = clamp(dx_pct, -99, 99), dy = clamp(dy_pct, -99, 99);
  x += static_cast<int>(nearest(dx * W / 100.0));
  y += static_cast<int>(nearest(dy * H / 100.0));
  s_hooks.move_window(win, x, y, -1, -1);
}
