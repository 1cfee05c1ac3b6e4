// The widgets behind the framework's views and frame, for the framework's own sources.
#pragma once

#include <QtWidgets/QAbstractScrollArea>
#include <QtWidgets/QLabel>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QToolBar>
#include <map>
#include <vector>

#include "docview/framework.h"

namespace docview {

struct ViewWindow : QAbstractScrollArea {
  explicit ViewWindow(CView* view);
  CView* view;
  // The scrolled picture's size in device pixels (0: nothing to scroll).
  QSize total;
  void UpdateScrollBars();
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void scrollContentsBy(int, int) override { viewport()->update(); }
};

struct FrameWindow : QMainWindow {
  explicit FrameWindow(CFrameWnd* owner);
  CFrameWnd* owner;
  std::map<unsigned, std::vector<QAction*>> actions;
  std::map<unsigned, std::string> prompts;
  QMenu* mru_menu = nullptr;
  QAction* mru_before = nullptr;  // the entry the recent files stand before
  std::vector<QAction*> mru_actions;
  QToolBar* toolbar = nullptr;
  QLabel* message = nullptr;
  QAction* MakeAction(unsigned id, const QString& text);
  void FillRecent();
  void changeEvent(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  bool event(QEvent* e) override;
};

// Places a top-level window at x_pct, y_pct per cent of the screen's free room by the rule of
// the tool windows of vx, moved up or left until it lies inside the screen.
void PlaceWindow(QWidget* w, int x_pct, int y_pct);
// Moves a window just shown inside the free room once its real frame is known.
void KeepFrameOnScreen(QWidget* w);
// The screen's free room for the window (the test screen's size when tests set one).
QRect FreeRoom(QWidget* w);

}  // namespace docview
