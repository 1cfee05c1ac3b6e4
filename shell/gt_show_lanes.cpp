#include "shell/gt_show_lanes.h"

#include <strings.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/io_file.h"
#include "base/slog.h"
#include "shell/gt_image_win.h"
#include "shell/gt_open.h"
#include "shell/gt_overlay.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace {

uint16_t s_shown = 0;
int32_t s_next_x = GT_SHOW_GAP;

// Display factor of an image: the zoom (1 : |z| for a reduction) divided by the display scale.
double display_factor(const IMAGE_REC* image) {
  const IMG_DATA* d = image->img_ptr;
  if (!d) return 1.0;
  const int z = d->zoom[0];
  double f = z >= 0 ? z : -1.0 / z;
  if (d->scale != 0.0) f /= d->scale;
  return f;
}

int scaled(double v, double f) { return static_cast<int>(v * f); }

// The window of the image that the entry (path, name) names.
TK_OBJ find_window(const char* path, const char* name) {
  for (int i = 0; i < gt_get_num_img_windows(); ++i) {
    TK_OBJ win = gt_get_img_window(i);
    if (gt_image_is_entry(static_cast<IMAGE_REC*>(RES_GetData(win)), path, name)) return win;
  }
  return nullptr;
}

// The text names the lane when it is the number, or the number followed by ':'.
bool names_lane(const char* text, long number) {
  char num[24];
  const int len = std::snprintf(num, sizeof num, "%ld", number);
  return std::strncmp(text, num, static_cast<std::size_t>(len)) == 0 &&
         (text[len] == '\0' || text[len] == ':');
}

}  // namespace

bool gt_image_is_entry(const IMAGE_REC* image, const char* path, const char* name) {
  if (image == nullptr) return false;
  if (path != nullptr && std::strchr(path, '/') != nullptr) {
    std::error_code ec;  // a file that is gone is its own path alone
    return std::strcmp(image->file_path, path) == 0 ||
           std::filesystem::equivalent(image->file_path, path, ec);
  }
  char a[KS_PATH_LEN], b[KS_PATH_LEN];
  if (name == nullptr || io_strip_extension(a, image->image_name) != 0 ||
      io_strip_extension(b, name) != 0)
    return false;
  return strcasecmp(a, b) == 0;
}

void gt_show_reset() {
  s_shown = 0;
  s_next_x = GT_SHOW_GAP;
}

int gt_show_count() { return s_shown; }
int gt_show_next_x() { return s_next_x; }

TK_OBJ gt_find_image_window(const char* name) { return find_window(nullptr, name); }

TK_OBJ gt_show_find_or_open(const char* path, const char* name) {
  if (TK_OBJ win = find_window(path, name)) return win;
  gt_load_image_path(path);
  return find_window(path, name);
}

LANE* gt_show_find_lane(IMAGE_REC* image, const char* text) {
  if (!image || !image->lanes || !text) return nullptr;
  for (LANE* l = image->lanes->next; l; l = l->next)
    if (names_lane(text, l->lane_number)) return l;
  return nullptr;
}

void gt_show_select_lane(IMAGE_REC* image, LANE* lane) {
  TK_OBJ area = static_cast<TK_OBJ>(image->draw_area);
  for (LANE* l = image->lanes ? image->lanes->next : nullptr; l; l = l->next) {
    if (l == lane || !(l->f & LN_F_SELECTED)) continue;
    l->f &= ~LN_F_SELECTED;
    gt_lane_draw(area, image, l);
  }
  if (!(lane->f & LN_F_SELECTED)) {
    lane->f |= LN_F_SELECTED;
    gt_lane_draw(area, image, lane);
  }
  image->num_sel_lanes = 1;
  image->cur_lane = lane;
}

void gt_show_lane_rect(IMAGE_REC* image, LANE* lane, int rect[4]) {
  const double f = display_factor(image);
  const LN_POINT* p = lane->center_coords;
  const int n = lane->num_center_points;
  if (!p || n < 1) {  // a lane without a centre line has no rectangle
    rect[0] = rect[1] = rect[2] = rect[3] = 0;
    return;
  }
  int min_x = p[0].x, max_x = p[0].x;
  for (int i = 1; i < n; ++i) {
    if (p[i].x < min_x) min_x = p[i].x;
    if (p[i].x > max_x) max_x = p[i].x;
  }
  const double left = static_cast<double>(min_x) - lane->left_width;
  const double right = static_cast<double>(max_x) + lane->right_width;
  rect[0] = scaled(left, f);
  rect[1] = scaled(p[0].y, f);
  rect[2] = scaled(right - left, f);
  rect[3] = scaled(static_cast<double>(p[n - 1].y) - p[0].y, f);
  const int client_h = WGT_GetRect(gt_get_workspace()).h;
  if (rect[3] > client_h) rect[3] = client_h - GT_SHOW_HEIGHT_CUT;
}

void gt_show_place_window(TK_OBJ window, LANE* lane, IMAGE_REC* image) {
  if (s_shown++ % GT_SHOW_PER_ROW == 0) s_next_x = GT_SHOW_GAP;
  int r[4];
  gt_show_lane_rect(image, lane, r);
  const int w = r[2] + GT_SHOW_BORDER, h = r[3] + GT_SHOW_BORDER;
  WIN_MoveSize(window, s_next_x, GT_SHOW_TOP, w, h);
  s_next_x += w + GT_SHOW_GAP;
}

void gt_show_scroll_to_lane(const char* lane_text, TK_OBJ window) {
  auto* image = static_cast<IMAGE_REC*>(RES_GetData(window));
  LANE* lane = gt_show_find_lane(image, lane_text);
  if (!lane || lane->num_center_points < 1 || !lane->center_coords) {
    SLOG("gt_show_scroll_to_lane", SLOG_EXIT, "no lane <%s>", lane_text ? lane_text : "");
    return;
  }
  gt_show_select_lane(image, lane);
  gt_show_place_window(window, lane, image);
  // Bring the lane's top left corner into view; its width stays in view when it fits.
  const double f = display_factor(image);
  const LN_POINT& p = lane->center_coords[0];
  const int x = scaled(static_cast<double>(p.x) - lane->left_width, f);
  const int y = scaled(static_cast<double>(p.y) - lane->left_width, f);
  const int w = scaled(static_cast<double>(lane->left_width) + lane->right_width, f);
  TK_OBJ area = static_cast<TK_OBJ>(image->draw_area);
  const TkRect vis = CANVAS_GetVisible(area);
  int sx = vis.x, sy = vis.y;
  if (x < vis.x || x + w > vis.x + vis.w) sx = x;
  if (y < vis.y || y + 1 > vis.y + vis.h) sy = y;
  CANVAS_ScrollTo(area, sx, sy);
  WGT_Redraw(area);
}

void gt_show_lane_1(const char* path, const char* name, const char* lane_text) {
  TK_OBJ win = gt_show_find_or_open(path, name);
  if (!win) return;
  WIN_Show(win);
  gt_show_scroll_to_lane(lane_text, win);
}

void gt_show_images(IMAGE_REC* const* images, int count) {
  gt_show_reset();
  for (int i = 0; i < count; ++i) {
    if (!images[i]) continue;
    if (i > 0 && gt_image_is_entry(images[i - 1], images[i]->file_path, images[i]->image_name))
      continue;
    char lane[24];
    std::snprintf(lane, sizeof lane, "%ld", static_cast<long>(images[i]->lane_field));
    gt_show_lane_1(images[i]->file_path, images[i]->image_name, lane);
  }
}

void gt_show_matrix_row(const MATCH_MATRIX* matrix, int row) {
  const char* label = ks_mr_label(matrix, row);
  if (!label) return;
  char name[257], lane[21];
  // The lane text is the rest of the label ("3:ladder"), which names lane 3.
  const char* rest = gt_show_split_token(':', label, sizeof name, name);
  std::snprintf(lane, sizeof lane, "%s", rest);
  gt_show_lane_1(ks_mr_path(matrix, row), name, lane);
}

const char* gt_show_split_token(char separator, const char* source, int size, char* out) {
  int k = 0;
  const char* p = source;
  while (*p && *p != separator) {
    if (k < size - 1) out[k++] = *p;
    ++p;
  }
  out[k] = '\0';
  return *p == separator ? p + 1 : p;
}
