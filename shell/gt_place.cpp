#include "shell/gt_place.h"

#include <algorithm>

#include "base/ks_choose.h"
#include "model/image_rec.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace {

// The part of the screen that shows the current image: its window's rectangle, frame included,
// cut to the work area that holds it; else the work area (w 0 when neither shows).
TkRect image_area() {
  const TkRect ws = WGT_GetScreenRect(gt_get_workspace());
  IMAGE_REC* im = gt_get_image_ptr();
  TK_OBJ iw = im ? static_cast<TK_OBJ>(im->window) : nullptr;
  if (!iw || !WIN_IsShown(iw)) return ws;
  const TkRect c = WGT_GetScreenRect(iw);
  if (c.w <= 0) return ws;
  TkRect r{c.x - KS_FRAME_SIDES / 2, c.y - KS_FRAME_TITLE, c.w + KS_FRAME_SIDES, c.h + KS_FRAME_TITLE};
  if (ws.w > 0) {
    const int x0 = std::max(r.x, ws.x), x1 = std::min(r.x + r.w, ws.x + ws.w);
    r.x = x0;
    r.w = std::max(0, x1 - x0);
  }
  return r;
}

int overlap(int a, int aw, int b, int bw) { return std::max(0, std::min(a + aw, b + bw) - std::max(a, b)); }

}  // namespace

void gt_place_beside_main(TK_OBJ win) {
  TK_OBJ main_win = gt_get_main_win();
  if (!win || !main_win || win == main_win || !WIN_IsShown(main_win)) return;
  int sw = 0, sh = 0;
  WIN_GetScreenSize(&sw, &sh);
  const TkRect m = WIN_GetOuterRect(main_win), r = WIN_GetOuterRect(win);
  if (sw <= 0 || m.w <= 0 || r.w <= 0) return;
  const bool over = r.x < m.x + m.w && m.x < r.x + r.w && r.y < m.y + m.h && m.y < r.y + r.h;
  if (!over) return;
  if (m.x + m.w + r.w <= sw) {
    WIN_Move(win, m.x + m.w, r.y);
    return;
  }
  if (m.x - r.w >= 0) {
    WIN_Move(win, m.x - r.w, r.y);
    return;
  }
  // No room beside it: the window stays over the main window but below its title bar, menus,
  // toolbar and mode bar, which end where the work area starts, as far as the screen allows,
  // and across as little of the current image as the screen allows (beside its window when
  // there is room, else at the edge of the screen it covers least of), so that the lanes the
  // user judges stay in view. Before it is shown its position is that of its client area.
  const bool framed = !WIN_IsShown(win) && WIN_HasFrame(win);
  const int title = framed ? KS_FRAME_TITLE : 0, w = r.w + (framed ? KS_FRAME_SIDES : 0);
  const TkRect ws = WGT_GetScreenRect(gt_get_workspace());
  int x = r.x, y = r.y;
  if (ws.h > 0 && r.y - title < ws.y) y = std::max(r.y, std::min(ws.y + title, sh - r.h));
  if (const TkRect img = image_area(); img.w > 0) {
    for (const int cand : {img.x + img.w, img.x - w, sw - w, 0}) {
      if (cand < 0 || cand + w > sw) continue;
      if (overlap(cand, w, img.x, img.w) < overlap(x, w, img.x, img.w)) x = cand;
    }
  }
  if (x != r.x || y != r.y) WIN_Move(win, x, y);
}
