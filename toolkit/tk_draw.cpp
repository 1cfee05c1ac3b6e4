// The drawing area and the drawing operations that paint into its backing image.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <vector>

#include "toolkit/core/tk_image.h"
#include "toolkit/tk_area.h"
#include "toolkit/tk_qt.h"
#include "toolkit/tk_res.h"

namespace {

QColor qcolor(TkColor c) { return QColor::fromRgb((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

// A painter scope for one primitive: opens on the area's backing image, ends with a repaint.
struct Paint {
  explicit Paint(TK_OBJ obj, bool fill = false) : area(tk::area(obj)) {
    if (area) area->begin_paint(&p, fill);
  }
  ~Paint() {
    if (area) {
      p.end();
      area->finish_paint();
    }
  }
  explicit operator bool() const { return area != nullptr; }
  TkArea* area;
  QPainter p;
};

}  // namespace

// TkArea ------------------------------------------------------------------------------------

TkArea::TkArea(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAutoFillBackground(false);
  backing_ = QImage(1, 1, QImage::Format_RGB32);
  backing_.fill(qcolor(bg));
}

void TkArea::set_extent(int w, int h) {
  if (render_on_) return;
  extent_ = QSize(std::max(0, w), std::max(0, h));
  update_bars();
}

QPoint TkArea::scroll() const {
  if (render_on_) return render_origin_;
  return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void TkArea::scroll_to(int x, int y) {
  if (render_on_) return;
  horizontalScrollBar()->setValue(x);
  verticalScrollBar()->setValue(y);
}

void TkArea::update_bars() {
  QSize v = viewport()->size();
  // Shown scroll bars take room from the viewport; when the whole extent fits in the viewport
  // the area has without them, neither is needed (else they would keep each other shown).
  QSize bare = v;
  if (verticalScrollBar()->isVisible()) bare.rwidth() += verticalScrollBar()->width();
  if (horizontalScrollBar()->isVisible()) bare.rheight() += horizontalScrollBar()->height();
  if (extent_.width() <= bare.width() && extent_.height() <= bare.height()) v = bare;
  horizontalScrollBar()->setPageStep(v.width());
  verticalScrollBar()->setPageStep(v.height());
  horizontalScrollBar()->setRange(0, std::max(0, extent_.width() - v.width()));
  verticalScrollBar()->setRange(0, std::max(0, extent_.height() - v.height()));
}

void TkArea::begin_paint(QPainter* p, bool fill) {
  p->begin(&backing_);
  p->setRenderHint(QPainter::Antialiasing, false);
  if (in_bracket && clip.isValid()) p->setClipRect(clip);
  const bool xor_mode = fg & TK_COLOR_XOR;
  if (xor_mode) p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  QPen pen(qcolor(fg));
  pen.setWidth(pen_w <= 1 ? 0 : pen_w);  // width 0: exact one-pixel lines
  pen.setCapStyle(Qt::FlatCap);
  pen.setJoinStyle(Qt::MiterJoin);
  p->setPen(pen);
  p->setBrush(fill ? QBrush(qcolor(fg)) : Qt::NoBrush);
  p->setFont(font);
}

void TkArea::finish_paint() { viewport()->update(); }

QSize TkArea::view_size() const { return render_on_ ? render_size_ : viewport()->size(); }

QImage TkArea::render_canvas(QPoint origin, QSize size) {
  if (render_on_ || size.isEmpty()) return QImage();
  QImage screen;
  std::swap(screen, backing_);
  render_on_ = true;
  render_origin_ = origin;
  render_size_ = size;
  expose();
  render_on_ = false;
  QImage out;
  std::swap(out, backing_);
  backing_ = std::move(screen);
  return out;
}

void TkArea::expose() {
  const QSize v = view_size().expandedTo(QSize(1, 1));
  if (backing_.size() != v) backing_ = QImage(v, QImage::Format_RGB32);
  backing_.fill(qcolor(bg));
  if (TK_OBJ obj = tk::object_of(this)) tk::deliver(obj, TK_EV_EXPOSE);
  viewport()->update();
}

void TkArea::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  update_bars();
  if (TK_OBJ obj = tk::object_of(this)) tk::deliver(obj, TK_EV_RESIZE);
  expose();
}

void TkArea::scrollContentsBy(int, int) {
  if (TK_OBJ obj = tk::object_of(this)) tk::deliver(obj, TK_EV_SCROLL);
  expose();
}

void TkArea::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  p.drawImage(0, 0, backing_);
}

void TkArea::mouse(QMouseEvent* e, int event, int state, int dbl) {
  TK_OBJ obj = tk::object_of(this);
  if (!obj) return;
  TkEventState st;
  st.button_state = state;
  st.primary = e->button() == Qt::LeftButton || (e->button() == Qt::NoButton &&
                                                 (e->buttons() & Qt::LeftButton))
                   ? 1
                   : 0;
  st.dbl = dbl;
  st.key_state = tk::modifiers_to_state(e->modifiers());
  st.pos = {static_cast<int>(e->position().x()), static_cast<int>(e->position().y())};
  tk::deliver(obj, event, st);
}

void TkArea::mousePressEvent(QMouseEvent* e) { mouse(e, TK_EV_MOUSE, 1, 0); }
void TkArea::mouseReleaseEvent(QMouseEvent* e) { mouse(e, TK_EV_MOUSE, 0, 0); }
void TkArea::mouseDoubleClickEvent(QMouseEvent* e) { mouse(e, TK_EV_MOUSE, 1, 1); }
void TkArea::mouseMoveEvent(QMouseEvent* e) {
  // Without a button only an area that tracks the pointer (a chart's readout) hears of it.
  if (e->buttons() != Qt::NoButton)
    mouse(e, TK_EV_MOTION, 1, 0);
  else if (viewport()->hasMouseTracking())
    mouse(e, TK_EV_MOTION, 0, 0);
}

void TkArea::keyPressEvent(QKeyEvent* e) {
  TK_OBJ obj = tk::object_of(this);
  if (!obj) return;
  TkEventState st;
  st.win_code = tk::key_to_code(e->key(), e->modifiers(), e->text(), &st.key_char);
  st.key_state = tk::modifiers_to_state(e->modifiers());
  tk::deliver(obj, TK_EV_WINDOW, st);
  // Escape and Return go on to the window as well: an area that has the focus in a dialog must
  // not keep them from its Cancel and OK.
  const bool plain = (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  if (plain && (e->key() == Qt::Key_Escape || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter))
    e->ignore();
}

// Colours, pens, modes and fonts ---------------------------------------------------------------

TkColor DRAW_StockColor(int code) {
  static const TkColor table[12] = {
      0xFF0000, 0xFFFF00, 0x00FFFF, 0x0000FF, 0xEE82EE, 0x00FF00,
      0x808080, 0xD3D3D3, 0xFFFFFF, 0x000000, 0xFFFFFF, TK_COLOR_XOR | 0xFFFFFF};
  return code >= 0 && code < 12 ? table[code] : 0x000000;
}

TkColor DRAW_IndexedColor(int index) {
  static const TkColor table[12] = {0x000000, 0x000000, 0xFFFFFF, 0x000000, 0x808080, 0xFF0000,
                                    0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xEE82EE, 0xD3D3D3};
  return index >= 0 && index < 12 ? table[index] : 0x000000;
}

namespace {
TkColor tkcolor(const QColor& c) { return static_cast<TkColor>(c.rgb() & 0xFFFFFF); }
}  // namespace

void WGT_SetColors(TK_OBJ w, TkColor background, TkColor text) {
  QWidget* q = tk::widget(w);
  if (!q) return;
  QPalette pal = q->palette();
  for (QPalette::ColorRole role : {QPalette::Button, QPalette::Base, QPalette::Window})
    pal.setColor(role, qcolor(background));
  for (QPalette::ColorRole role : {QPalette::ButtonText, QPalette::Text, QPalette::WindowText})
    pal.setColor(role, qcolor(text));
  q->setPalette(pal);
  q->setAutoFillBackground(true);
  q->setProperty("tk_bg", QVariant::fromValue(background & 0xFFFFFFu));
  q->setProperty("tk_fg", QVariant::fromValue(text & 0xFFFFFFu));
  q->update();
}

void WGT_GetColors(TK_OBJ w, TkColor* background, TkColor* text) {
  QWidget* q = tk::widget(w);
  if (background) *background = q ? q->property("tk_bg").toUInt() : 0;
  if (text) *text = q ? q->property("tk_fg").toUInt() : 0;
}

void CHOICE_SetItemColors(TK_OBJ choice, int index, TkColor background, TkColor text) {
  auto* c = qobject_cast<QComboBox*>(tk::widget(choice));
  if (!c || index < 0 || index >= c->count()) return;
  c->setItemData(index, QBrush(qcolor(background)), Qt::BackgroundRole);
  c->setItemData(index, QBrush(qcolor(text)), Qt::ForegroundRole);
}

void CHOICE_GetItemColors(TK_OBJ choice, int index, TkColor* background, TkColor* text) {
  auto* c = qobject_cast<QComboBox*>(tk::widget(choice));
  const bool ok = c && index >= 0 && index < c->count();
  if (background)
    *background = ok ? tkcolor(c->itemData(index, Qt::BackgroundRole).value<QBrush>().color()) : 0;
  if (text)
    *text = ok ? tkcolor(c->itemData(index, Qt::ForegroundRole).value<QBrush>().color()) : 0;
}

void DRAW_SetColors(TK_OBJ obj, TkColor fg, TkColor bg) {
  if (TkArea* a = tk::area(obj)) {
    a->fg = fg;
    a->bg = bg & 0xFFFFFF;
  }
}

TkColor DRAW_GetForeground(TK_OBJ obj) {
  TkArea* a = tk::area(obj);
  return a ? a->fg : 0;
}

TkColor DRAW_GetBackground(TK_OBJ obj) {
  TkArea* a = tk::area(obj);
  return a ? a->bg : 0;
}

TK_OBJ PEN_New() { return tk::new_object(TK_CLASS_PEN); }

TK_OBJ PEN_Default() {
  static TK_OBJ pen = PEN_New();
  return pen;
}

void PEN_SetSize(TK_OBJ pen, int w, int h) {
  if (tk::alive(pen) && pen->cls == TK_CLASS_PEN && pen != PEN_Default()) {
    pen->pen_w = std::max(1, w);
    pen->pen_h = std::max(1, h);
  }
}

TkPoint PEN_GetSize(TK_OBJ pen) {
  if (!tk::alive(pen) || pen->cls != TK_CLASS_PEN) return {};
  return {pen->pen_w, pen->pen_h};
}

void DRAW_SetPen(TK_OBJ obj, TK_OBJ pen) {
  TkArea* a = tk::area(obj);
  if (a && tk::alive(pen) && pen->cls == TK_CLASS_PEN) a->pen_w = std::max(pen->pen_w, pen->pen_h);
}

int DRAW_StockMode() { return 0; }

void DRAW_SetMode(TK_OBJ obj, int mode) {
  if (TkArea* a = tk::area(obj)) a->mode = mode;
}

void DRAW_SetFont(TK_OBJ obj, TK_OBJ font) {
  TkArea* a = tk::area(obj);
  if (a && tk::alive(font) && font->cls == TK_CLASS_FONT) a->font = font->font;
}

void DRAW_TextMetrics(TK_OBJ obj, const char* text, int* width, int* ascent, int* descent) {
  TkArea* a = tk::area(obj);
  QFontMetrics fm(a ? a->font : QFont());
  if (width) *width = fm.horizontalAdvance(tk::qs(text));
  if (ascent) *ascent = fm.ascent();
  if (descent) *descent = fm.descent();
}

bool FONT_CharMetrics(TK_OBJ font, unsigned char c, int* advance, int* ascent, int* descent) {
  int a = 0, up = 0, down = 0;
  const bool ok = tk::alive(font) && font->cls == TK_CLASS_FONT;
  if (ok) {
    QFontMetrics fm(font->font);
    const QChar ch(static_cast<ushort>(c));
    a = fm.horizontalAdvance(ch);
    const QRect r = fm.boundingRect(ch);
    up = std::max(0, -r.top());
    down = std::max(0, r.bottom() + 1);
  }
  if (advance) *advance = a;
  if (ascent) *ascent = up;
  if (descent) *descent = down;
  return ok;
}

// Canvas -------------------------------------------------------------------------------------

void CANVAS_SetExtent(TK_OBJ obj, int w, int h) {
  if (TkArea* a = tk::area(obj)) a->set_extent(w, h);
}

TkRect CANVAS_GetExtent(TK_OBJ obj) {
  TkArea* a = tk::area(obj);
  if (!a) return {};
  return {0, 0, a->extent().width(), a->extent().height()};
}

TkRect CANVAS_GetVisible(TK_OBJ obj) {
  TkArea* a = tk::area(obj);
  if (!a) return {};
  const QPoint s = a->scroll();
  return {s.x(), s.y(), a->view_size().width(), a->view_size().height()};
}

void CANVAS_ScrollTo(TK_OBJ obj, int x, int y) {
  if (TkArea* a = tk::area(obj)) a->scroll_to(x, y);
}

int CANVAS_PixelsPerInch(TK_OBJ obj) {
  TkArea* a = tk::area(obj);
  const int dpi = a ? a->logicalDpiX() : 0;
  return dpi > 0 ? dpi : 96;
}

int DRAW_CopyToClipboard(TK_OBJ obj) {
  TkArea* a = tk::area(obj);
  if (!a) return 0;
  a->expose();
  QApplication::clipboard()->setImage(a->backing().copy());
  return 1;
}

bool TK_ClipboardImageSize(int* width, int* height) {
  const QImage img = QApplication::clipboard()->image();
  *width = img.width();
  *height = img.height();
  return !img.isNull();
}

void CANVAS_TrackPointer(TK_OBJ obj, int on) {
  if (TkArea* a = tk::area(obj)) a->viewport()->setMouseTracking(on != 0);
}

TkRect CANVAS_FitWindow(TK_OBJ obj, int w, int h) {
  TkArea* a = tk::area(obj);
  QWidget* win = a ? tk::widget(obj->window) : nullptr;
  if (!win) return {};
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  QWidget* frame = tk::frame_of(win);
  const bool top = frame->isWindow();
  const QSize outer = top ? frame->frameGeometry().size() : frame->size();
  // What the window adds around the viewport when no scroll bar shows.
  QSize chrome = outer - a->viewport()->size();
  if (a->verticalScrollBar()->isVisible()) chrome.rwidth() -= a->verticalScrollBar()->width();
  if (a->horizontalScrollBar()->isVisible()) chrome.rheight() -= a->horizontalScrollBar()->height();
  const QRect room = tk::room_of(win);
  QSize want = QSize(std::max(1, w), std::max(1, h)) + chrome;
  // Content cut in one direction brings that direction's scroll bar, which takes room from the
  // other direction.
  bool hbar = false, vbar = false;
  for (int i = 0; i < 2; ++i) {
    if (!hbar && want.width() > room.width()) {
      want.rheight() += a->horizontalScrollBar()->sizeHint().height();
      hbar = true;
    }
    if (!vbar && want.height() > room.height()) {
      want.rwidth() += a->verticalScrollBar()->sizeHint().width();
      vbar = true;
    }
  }
  want = want.boundedTo(room.size()).expandedTo(QSize(1, 1));
  const QPoint at = top ? frame->frameGeometry().topLeft() : frame->pos();
  const int x = std::max(room.left(), std::min(at.x(), room.left() + room.width() - want.width()));
  const int y = std::max(room.top(), std::min(at.y(), room.top() + room.height() - want.height()));
  WIN_MoveSize(obj->window, x, y, want.width(), want.height());
  return {x, y, want.width(), want.height()};
}

int CANVAS_Map(TK_OBJ obj, TkRect extent, int, TkPoint* origin, TkRect* clip) {
  TkArea* a = tk::area(obj);
  const QPoint s = a ? a->scroll() : QPoint();
  if (origin) *origin = {extent.x - s.x(), extent.y - s.y()};
  if (clip) *clip = a ? TkRect{0, 0, a->view_size().width(), a->view_size().height()} : TkRect{};
  return 1;
}

// Drawing --------------------------------------------------------------------------------------

int DRAW_Begin(TK_OBJ obj, const TkRect* clip) {
  TkArea* a = tk::area(obj);
  if (!a) return 0;
  a->in_bracket = true;
  a->clip = clip ? QRect(clip->x, clip->y, clip->w, clip->h) : QRect();
  return 1;
}

void DRAW_End(TK_OBJ obj) {
  if (TkArea* a = tk::area(obj)) {
    a->in_bracket = false;
    a->viewport()->update();
  }
}

void DRAW_Rect(TK_OBJ obj, TkRect r) {
  if (r.w <= 0 || r.h <= 0) return;
  if (Paint p{obj}) {
    // The outline lies inside the box: a w by h box covers w by h pixels.
    if (p.area->pen_w <= 1)
      p.p.drawRect(r.x, r.y, r.w - 1, r.h - 1);
    else
      p.p.drawRect(QRectF(r.x + p.area->pen_w / 2.0, r.y + p.area->pen_w / 2.0,
                          r.w - p.area->pen_w, r.h - p.area->pen_w));
  }
}

void DRAW_FillRect(TK_OBJ obj, TkRect r) {
  if (r.w <= 0 || r.h <= 0) return;
  if (Paint p{obj, true}) p.p.fillRect(QRect(r.x, r.y, r.w, r.h), p.p.brush());
}

void DRAW_Oval(TK_OBJ obj, TkRect r) {
  if (r.w <= 0 || r.h <= 0) return;
  if (Paint p{obj}) p.p.drawEllipse(QRect(r.x, r.y, r.w - 1, r.h - 1));
}

void DRAW_Arc(TK_OBJ obj, TkRect r, double start, double end) {
  if (r.w <= 0 || r.h <= 0) return;
  if (Paint p{obj})
    p.p.drawArc(QRect(r.x, r.y, r.w - 1, r.h - 1), static_cast<int>(start * 16),
                static_cast<int>((end - start) * 16));
}

void DRAW_Line(TK_OBJ obj, int x1, int y1, int x2, int y2) {
  if (Paint p{obj}) p.p.drawLine(x1, y1, x2, y2);
}

void DRAW_Poly(TK_OBJ obj, int n, const std::int16_t* points, int mode) {
  if (n <= 0 || !points) return;
  QPolygon poly(n);
  for (int i = 0; i < n; ++i) poly.setPoint(i, points[2 * i], points[2 * i + 1]);
  if (Paint p{obj}) {
    if ((mode & 6) == 4) {
      // Filled with the background first, so that what lies behind is hidden.
      const QPen pen = p.p.pen();
      p.p.setPen(Qt::NoPen);
      p.p.setBrush(QBrush(qcolor(p.area->bg)));
      p.p.drawPolygon(poly);
      p.p.setBrush(Qt::NoBrush);
      p.p.setPen(pen);
    }
    if (mode & 1)
      p.p.drawPolygon(poly);
    else
      p.p.drawPolyline(poly);
  }
}

void DRAW_TextInBox(TK_OBJ obj, TkRect box, int flags, const char* text) {
  if (!text) return;
  if (Paint p{obj}) {
    const int align = flags == 1 ? (Qt::AlignLeft | Qt::AlignTop) : Qt::AlignCenter;
    p.p.drawText(QRect(box.x, box.y, std::max(box.w, 1), std::max(box.h, 1)),
                 align | Qt::TextDontClip, tk::qs(text));
  }
}

void DRAW_Clear(TK_OBJ obj) {
  if (TkArea* a = tk::area(obj)) {
    a->backing().fill(qcolor(a->bg));
    a->viewport()->update();
  }
}

void DRAW_Image(TK_OBJ obj, int x, int y, const TkImage& img) {
  if (img.empty()) return;
  // Pixels go through the image's colour table; a 2-byte pixel uses its high byte.
  QImage q(img.width(), img.height(), QImage::Format_Indexed8);
  QList<QRgb> table(256);
  for (int i = 0; i < 256; ++i) table[i] = img.colours()[i] | 0xFF000000u;
  q.setColorTable(table);
  for (int row = 0; row < img.height(); ++row) {
    uchar* dst = q.scanLine(row);
    const std::uint8_t* src = img.row(row);
    if (img.bytes_per_pixel() == 1)
      std::copy(src, src + img.width(), dst);
    else
      for (int i = 0; i < img.width(); ++i) dst[i] = src[2 * i + 1];
  }
  if (Paint p{obj}) {
    p.p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.p.drawImage(x, y, q);
  }
}

int DRAW_StretchImage(TK_OBJ obj, TkRect dest, const TkImage& img, TkRect src) {
  if (img.empty() || dest.w <= 0 || dest.h <= 0 || src.w <= 0 || src.h <= 0 || src.x < 0 ||
      src.y < 0 || src.x + src.w > img.width() || src.y + src.h > img.height())
    return 0;
  QImage q(src.w, src.h, QImage::Format_Indexed8);
  QList<QRgb> table(256);
  for (int i = 0; i < 256; ++i) table[i] = img.colours()[i] | 0xFF000000u;
  q.setColorTable(table);
  for (int row = 0; row < src.h; ++row) {
    uchar* dst = q.scanLine(row);
    const std::uint8_t* from = img.row(src.y + row);
    for (int i = 0; i < src.w; ++i)
      dst[i] = img.bytes_per_pixel() == 1 ? from[src.x + i] : from[2 * (src.x + i) + 1];
  }
  Paint p{obj};
  if (!p) return 0;
  p.p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.p.setRenderHint(QPainter::SmoothPixmapTransform, true);
  p.p.drawImage(QRect(dest.x, dest.y, dest.w, dest.h), q);
  return src.h;
}
