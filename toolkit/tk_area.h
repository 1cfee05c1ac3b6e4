// The drawing area widget: a scroll area whose viewport shows a backing image of the viewport's
// size. Drawing goes into the backing image; painting copies it to the screen. Resizing and
// scrolling ask the system's code to redraw (events 110 / 111, then 109 expose).
#pragma once

#include <QAbstractScrollArea>
#include <QImage>

#include "toolkit/tk_draw.h"
#include "toolkit/tk_types.h"

class QPainter;

class TkArea : public QAbstractScrollArea {
 public:
  explicit TkArea(QWidget* parent = nullptr);

  QImage& backing() { return backing_; }
  // Drawing a part of the canvas off the screen (printing): while on, the area reports
  // `origin` as its scroll position and `size` as its view, its backing image has that size,
  // and scrolling and extent changes are ignored. render_canvas draws the part through the
  // area's procedure (expose) and gives the picture; the screen's picture is kept.
  QImage render_canvas(QPoint origin, QSize size);
  bool rendering() const { return render_on_; }
  QSize view_size() const;  // the view's size: the viewport's, or the part being rendered
  void set_extent(int w, int h);
  QSize extent() const { return extent_; }
  QPoint scroll() const;
  void scroll_to(int x, int y);
  // Clears the backing image to the background, asks the area's procedure to draw (109) and
  // shows the result.
  void expose();

  // Opens a painter on the backing image set up with the area's colours, pen, font and clip;
  // xor: the foreground draws by XOR. Ends with finish_paint.
  void begin_paint(QPainter* p, bool fill);
  void finish_paint();

  TkColor fg = 0x000000, bg = 0xFFFFFF;
  int pen_w = 1;
  QFont font;
  int mode = 0;
  bool in_bracket = false;
  QRect clip;

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void scrollContentsBy(int dx, int dy) override;
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void update_bars();
  void mouse(QMouseEvent* e, int event, int state, int dbl);

  QImage backing_;
  QSize extent_{0, 0};
  bool render_on_ = false;
  QPoint render_origin_;
  QSize render_size_;
};
