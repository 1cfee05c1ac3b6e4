#include "shell/gt_place.h"

#include <algorithm>

#include "base/ks_choose.h"
#include "shell/gt_image_win.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

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
  } else if (m.x - r.w >= 0) {
    WIN_Move(win, m.x - r.w, r.y);
  } else {
    // No room beside it: the window stays over the main window but below its title bar,
    // menus, toolbar and mode bar, which end where the work area starts, as far as the
    // screen allows. Before it is shown its position is that of its client area.
    const int title = !WIN_IsShown(win) && WIN_HasFrame(win) ? KS_FRAME_TITLE : 0;
    const TkRect ws = WGT_GetScreenRect(gt_get_workspace());
    if (ws.h <= 0 || r.y - title >= ws.y) return;
    WIN_Move(win, r.x, std::max(r.y, std::min(ws.y + title, sh - r.h)));
  }
}
