// Colour choosers.
#include "shell/ui_color.h"

#include <map>

#include "base/slog.h"
#include "toolkit/tk_draw.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_res.h"
#include "toolkit/tk_widget.h"

namespace {

const char* const kNames[UI_COLOR_COUNT] = {"Red",   "Yellow",     "Cyan",  "Blue",
                                            "Violet", "Green",     "Gray",  "Light Gray",
                                            "White",  "Black",     "None"};
// The toolkit's indexed colour of each entry's swatch; "None" is drawn gray.
constexpr int kSwatchIndex[UI_COLOR_COUNT] = {5, 8, 9, 7, 10, 6, 4, 11, 2, 3, 4};

constexpr int kGray = 6;
constexpr int kNone = 10;

std::map<TK_OBJ, UiColorProc> s_procs;

bool white_text(int code) { return code == 0 || code == 3 || code == 4 || code == 9 || code == 10; }

}  // namespace

unsigned ui_color_swatch(int code) {
  return code >= 0 && code < UI_COLOR_COUNT ? DRAW_IndexedColor(kSwatchIndex[code]) : 0;
}

unsigned ui_color_text(int code) { return white_text(code) ? 0xFFFFFFu : 0x000000u; }

void ui_color_init(TK_OBJ choice, UiColorProc proc) {
  if (choice == nullptr) {
    SLOG("ui_color_init", SLOG_ERROR, "no choice");
    return;
  }
  WGT_SetItems(choice, kNames, UI_COLOR_COUNT);
  for (int k = 0; k < UI_COLOR_COUNT; ++k)
    CHOICE_SetItemColors(choice, k, ui_color_swatch(k), ui_color_text(k));
  s_procs[choice] = proc;
}

short ui_color_get(TK_OBJ choice) { return WGT_GetShort(choice); }

void ui_color_set(TK_OBJ choice, int code) {
  if (code < 0 || code >= UI_COLOR_COUNT) {
    SLOG("ui_color_set", SLOG_VALUE4, "code %d outside the list", code);
    return;
  }
  WGT_SetChoice(choice, code);
  // The chooser's background is the drawing colour of the code; "None" shows gray.
  WGT_SetColors(choice, DRAW_StockColor(code == kNone ? kGray : code), ui_color_text(code));
  WGT_Redraw(choice);
}

long ui_color_notify(TK_OBJ choice, int event) {
  if (event != TK_EV_CHOICE) return WGT_DefaultNfy4(choice, event);
  ui_color_set(choice, ui_color_get(choice));
  auto it = s_procs.find(choice);
  if (it != s_procs.end() && it->second != nullptr) it->second(RES_GetOwnerWindow(choice));
  return 0;
}
