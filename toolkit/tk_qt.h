// Inside of the toolkit (Qt side): the object record behind every TK_OBJ, the current-event
// state that the EVENT_ getters read, and helpers shared by the toolkit's source files.
// Only the toolkit's own .cpp files and its tests include this header.
#pragma once

#include <QFont>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <map>
#include <string>

#include "toolkit/tk_draw.h"
#include "toolkit/tk_event.h"
#include "toolkit/tk_types.h"

class QAction;
class QDialog;
class QEventLoop;
class QMenu;
class QMenuBar;
class QPageSize;
class QPrinter;
class TkArea;

struct TkObject {
  TkClass cls = TK_CLASS_NONE;
  std::string module, name;           // module and layout name
  int index = -1;                     // index in the container, -1 for a window
  TkObject* parent = nullptr;         // container part or window; null for a window
  TkObject* window = nullptr;         // the window that holds the object (itself for a window)
  std::map<int, TkObject*> subs;      // parts by index
  TkNfy nfy = nullptr;
  void* data = nullptr;
  QPointer<QWidget> widget;
  std::string text;                   // text handed out by WGT_GetText and friends

  // Window state.
  TkObject* owner = nullptr;
  TkObject* workspace = nullptr;      // the workspace part that holds the window (WIN_SetWorkspace)
  TkObject* menubar = nullptr;
  bool terminating = false;
  bool inited = false;
  bool activation_ok = false;         // set by the default procedure of TK_EV_ACTIVATE_WIN
  QEventLoop* modal_loop = nullptr;
  bool modal_ended = false;
  long modal_value = 0;

  // Menus: the bar or pull-down, its number, and the entry chosen by MENU_SelectItem.
  QMenuBar* qbar = nullptr;
  QMenu* qmenu = nullptr;
  int number = 0;
  QAction* chosen = nullptr;

  // Pens and fonts.
  int pen_w = 1, pen_h = 1;
  QFont font;
};

// Current event details (a stack: procedures may send events while handling one).
struct TkEventState {
  int win_code = 0;
  int key_char = 0;
  int key_state = 0;
  int button_state = 0;
  int primary = 0;
  int dbl = 0;
  TkPoint pos;
  long menu_id = 0;
  TK_OBJ menu = nullptr;
};

namespace tk {

// Delivers an event to an object: its procedure, or the class default when it has none.
long deliver(TK_OBJ obj, int event, const TkEventState& st = TkEventState());
const TkEventState& current_event();

bool alive(TK_OBJ obj);               // the handle names a live object
TK_OBJ object_of(const QObject* w);   // the object behind a widget, null if none
TK_OBJ new_object(TkClass cls);       // registered new object (freed with its window)
void bind(TK_OBJ obj, QWidget* w);    // tie object and widget
QWidget* widget(TK_OBJ obj);          // the widget of a live object, null otherwise
TkArea* area(TK_OBJ obj);             // the drawing area of an "area" part, null otherwise
bool driver_on();                     // test driver mode
int modifiers_to_state(Qt::KeyboardModifiers m);  // Qt modifiers -> TkKeyState bits
int key_to_code(int qt_key, Qt::KeyboardModifiers m, const QString& text, int* ch);
QString qs(const char* s);            // UTF-8 text, null as empty

// The driver's queued answers (tk_test.cpp); false when none is queued.
bool take_alert_answer(int* code);
bool take_chooser_answer(std::vector<std::string>* paths, int* filter_index);
void note_unanswered();
// The driver's record of the last chooser opened (caption, save form, must the file exist).
void note_chooser(const std::string& caption, bool save, bool must_exist, const std::string& folder);
void note_alert(int kind, const char* text);
bool screen_override(int* w, int* h);
// Hides the output file field of Qt's print dialog `dialog` (tk_print_dialog.cpp); the number
// of its parts found.
int hide_print_file_field(QWidget* dialog);
// Runs Qt's print dialog on `printer`, prepared as the program shows it: its file field hidden,
// its page properties starting on `paper`. 1 when accepted, else 0; `page_opened` tells
// whether the user opened the page properties (and so chose the paper there). With `drive` 0
// or 1 the test driver answers it: Print, after opening the properties and pressing their OK
// when 1.
int run_print_dialog(QPrinter* printer, const QPageSize& paper, bool* page_opened, int drive = -1);

// Workspaces (tk_workspace.cpp): the widget of a "workspace" part; showing a child window in
// its workspace (false when the widget is not in one); removing it from its workspace.
QWidget* make_workspace(TK_OBJ ws);
bool show_in_workspace(QWidget* w);
void leave_workspace(QWidget* w);
// The widget that frames a window: its sub-window in a workspace, else the window itself. The
// room is where that frame may lie, in its parent's coordinates: the workspace's visible area,
// or the screen's available area for a top-level window.
QWidget* frame_of(QWidget* w);
QRect room_of(QWidget* w);

// Builds a menu bar from its layout for a window (tk_menu.cpp).
TK_OBJ build_menubar(TK_OBJ win, const std::string& module, const std::string& bar);

// A key (Qt key code, TkKeyState modifiers) pressed on a widget as a keyboard gives it (test driver).
void send_key(QWidget* w, int key, int mods);
// Runs one of Qt's own dialogs (alert, chooser) modally; when it has gone, the window that had
// the keyboard focus before gets it back, as a window manager would give it.
int exec_dialog(QDialog& dlg);

}  // namespace tk
