// Drawing in a drawing area ("area" parts). Every drawing area owns a backing image the size of
// its viewport; the operations below paint into it at once (inside or outside an expose) and
// schedule a repaint, and the widget's paint handler only copies the backing image to the
// screen. Coordinates are widget (viewport) pixels. The scrollable content (the canvas) has an
// extent; CANVAS_Map tells where content point (0, 0) lands in the viewport.
// Colours are 0xRRGGBB values; the highlight colour (code 11) draws by XOR, so drawing the same
// figure twice in it restores every pixel (rubber bands).
#pragma once

#include <cstdint>

#include "toolkit/tk_types.h"

using TkColor = std::uint32_t;
constexpr TkColor TK_COLOR_XOR = 0x01000000u;   // flag bit: the colour is drawn by XOR

// Colour codes of the system: 0 red, 1 yellow, 2 cyan, 3 blue, 4 violet, 5 green, 6 gray,
// 7 light gray, 8 white, 9 black, 10 none (background of overlay drawing), 11 highlight (XOR).
TkColor DRAW_StockColor(int code);                      // colour of a code; other codes: black
// The toolkit's indexed colours: 2 white, 3 black, 4 gray, 5 red, 6 green, 7 blue, 8 yellow,
// 9 cyan, 10 violet, 11 light gray; other indices: black.
TkColor DRAW_IndexedColor(int index);
// Background and text colour of a widget (a choice, button or label), and of one entry of a
// choice's drop-down list; the getters give what was set (0 when nothing was).
void WGT_SetColors(TK_OBJ w, TkColor background, TkColor text);
void WGT_GetColors(TK_OBJ w, TkColor* background, TkColor* text);
void CHOICE_SetItemColors(TK_OBJ choice, int index, TkColor background, TkColor text);
void CHOICE_GetItemColors(TK_OBJ choice, int index, TkColor* background, TkColor* text);
void DRAW_SetColors(TK_OBJ area, TkColor fg, TkColor bg);  // foreground and background colour
TkColor DRAW_GetForeground(TK_OBJ area);                // current foreground
TkColor DRAW_GetBackground(TK_OBJ area);                // current background

// Pens and drawing modes -------------------------------------------------------------------
TK_OBJ PEN_New();                                       // new pen: 1 by 1 pixel, solid
TK_OBJ PEN_Default();                                   // the toolkit's default pen (1 by 1)
void PEN_SetSize(TK_OBJ pen, int w, int h);             // pen size in pixels (the larger is used)
TkPoint PEN_GetSize(TK_OBJ pen);                        // pen size
void DRAW_SetPen(TK_OBJ area, TK_OBJ pen);              // pen used by the area's line drawing
int DRAW_StockMode();                                   // the normal drawing mode (copy)
void DRAW_SetMode(TK_OBJ area, int mode);               // drawing mode of the area

// Fonts (RES_LoadFont gives them) ------------------------------------------------------------
void DRAW_SetFont(TK_OBJ area, TK_OBJ font);            // font of the area's text drawing
// Metrics of a text in the area's font: its width and the two heights (ascent, descent).
void DRAW_TextMetrics(TK_OBJ area, const char* text, int* width, int* ascent, int* descent);
// Metrics of one character (a Latin-1 byte) of a font: its advance width and how far its ink
// reaches above and below the baseline. False (all 0) for a null or dead font.
bool FONT_CharMetrics(TK_OBJ font, unsigned char c, int* advance, int* ascent, int* descent);

// Canvas: scrollable extent and the visible part ------------------------------------------
void CANVAS_SetExtent(TK_OBJ area, int w, int h);       // scrollable content size (viewport at least)
TkRect CANVAS_GetExtent(TK_OBJ area);                   // {0, 0, content width, content height}
TkRect CANVAS_GetVisible(TK_OBJ area);                  // {scroll x, scroll y, viewport w, viewport h}
void CANVAS_ScrollTo(TK_OBJ area, int x, int y);        // scroll position (clamped to the extent)
// An area that tracks the pointer also hears of its moves with no button held (TK_EV_MOTION
// with button state 0), for readouts and previews that follow the pointer.
void CANVAS_TrackPointer(TK_OBJ area, int on);
// Sizes the shown window that holds the drawing area so that the area's viewport is w x h
// pixels, as far as the window's room allows (its workspace's visible area, or the screen's
// available area), with scroll bars where the content is cut; the window moves as little as
// it must to lie in the room. Returns the window's outer rectangle (as WIN_MoveSize takes it).
TkRect CANVAS_FitWindow(TK_OBJ area, int w, int h);
// Where content point (extent.x, extent.y) lands in the viewport for the given extent, and the
// viewport rectangle to clip to; returns 1.
int CANVAS_Map(TK_OBJ area, TkRect extent, int mode, TkPoint* origin, TkRect* clip);

// The area's pixels per inch across (its screen's logical resolution; 96 when unknown).
int CANVAS_PixelsPerInch(TK_OBJ area);

// The clipboard's picture ---------------------------------------------------------------------
// Draws the area afresh (its procedure's expose, at once) and puts what it shows on the
// clipboard as an image. 0 when the part is no drawing area.
int DRAW_CopyToClipboard(TK_OBJ area);
// The size of the clipboard's image; false when the clipboard holds none.
bool TK_ClipboardImageSize(int* width, int* height);

// Drawing bracket and primitives ---------------------------------------------------------
int DRAW_Begin(TK_OBJ area, const TkRect* clip);        // start drawing (clip may be null); 0: cannot draw
void DRAW_End(TK_OBJ area);                             // end drawing and schedule the repaint
void DRAW_Rect(TK_OBJ area, TkRect r);                  // outline of a rectangle
void DRAW_FillRect(TK_OBJ area, TkRect r);              // rectangle filled with the foreground
void DRAW_Oval(TK_OBJ area, TkRect r);                  // ellipse inside the rectangle
void DRAW_Arc(TK_OBJ area, TkRect r, double start, double end);  // elliptical arc, degrees counter-clockwise from 3 o'clock
void DRAW_Line(TK_OBJ area, int x1, int y1, int x2, int y2);     // line between two points
// Polyline of n points (x, y pairs); mode bit 0 (value 1) closes it; modes 4 and 5 first fill the
// polygon with the area's background colour (nearer shapes hide farther ones); other bits change
// nothing.
void DRAW_Poly(TK_OBJ area, int n, const std::int16_t* points, int mode);
// Text in a box: flags 1 puts it at the box's top-left corner, 0 centres it in the box.
void DRAW_TextInBox(TK_OBJ area, TkRect box, int flags, const char* text);
void DRAW_Clear(TK_OBJ area);                           // fill the backing image with the background

// Image at a point: draws a plain toolkit image (toolkit/core/tk_image.h) unscaled with its
// colour table, its top-left corner at (x, y). A 2-byte image shows the high byte of a pixel.
class TkImage;
void DRAW_Image(TK_OBJ area, int x, int y, const TkImage& img);
// Draws the rectangle `src` of the image scaled into `dest`. Returns the number of source rows
// drawn (src.h), or 0 when nothing could be drawn (no drawing area, an empty image or rectangle,
// or a source rectangle outside the image).
int DRAW_StretchImage(TK_OBJ area, TkRect dest, const TkImage& img, TkRect src);
