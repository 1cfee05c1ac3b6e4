// Printing: the program-wide page set-up (the print defaults), print jobs that print one
// widget's picture on a printer through the print dialog or into a PostScript file, and the
// test driver's answers to the print dialog.
#pragma once

#include <string>

#include "toolkit/tk_types.h"

// Paper types of the page set-up.
enum TkPaper : int { TK_PAPER_PHOTO = 0, TK_PAPER_LETTER = 1, TK_PAPER_A4 = 15 };

// The page set-up. Letter is 612 x 792 points and A4 595 x 842, each with 36-point margins; the
// photo page takes its size and margins from the record. Orientation and the fields kept for
// other printers (right_or_feed, extra) are carried and traced but do not change the page: a
// print takes its orientation and margins from the print dialog.
struct TkPageSetup {
  int paper = TK_PAPER_A4;
  int orientation = 0;
  double width = 0, height = 0;          // photo page size in points
  double left = 0, top = 0;              // photo page margins in points
  double right_or_feed = 0;              // 72 on a roll printer, -108 on a sheet printer
  double bottom = 0;
  int extra = 0;
  // The share of the printable width and height that the picture may fill (above 0, at most
  // 1): a report printed at 0.9 keeps a tenth of the area free around it.
  double scale_x = 1.0, scale_y = 1.0;
};

TkPageSetup PRINT_GetDefaults();                 // the current print defaults
void PRINT_SetDefaults(const TkPageSetup& page); // new print defaults
// Page size and printable area of a set-up, in points (PostScript: origin bottom left).
void PRINT_PageGeometry(const TkPageSetup& page, double* width, double* height, TkRect* area);

// The printable area in the pixels of the print resolution (300 dots per inch): a picture
// larger than that is brought down to it.
void PRINT_PagePixels(const TkPageSetup& page, int* width, int* height);

struct TkPrintJob;
// A job printing the widget's picture: a drawing area prints what it shows (its backing image,
// overlays included); with a rectangle of its canvas, that part drawn afresh by the area's
// procedure (an expose at that scroll position and size, off the screen; a part beyond about
// 4000 x 4000 pixels is cut to what the area shows). Any other widget prints its whole
// picture. Null for a widget that is not alive.
TkPrintJob* PRINT_NewJob(TK_OBJ widget, const TkRect* rect, const TkPageSetup& page);
void PRINT_FreeJob(TkPrintJob* job);
// 1 when a printer is configured (the print dialog then offers it), 0 when the dialog can only
// print to a file.
int PRINT_HavePrinter();
// The print dialog, opened on the job's page set-up (paper, portrait, margins): 0 cancelled,
// 1 the user chose printing to a file, 2 a printer was chosen. The page, orientation and
// margins chosen in it are the job's page, except for the photo page, which keeps its own;
// its page properties start on the set-up's paper, and when the user never opened them the
// job keeps the set-up's page.
int PRINT_ShowDialog(TkPrintJob* job);
// Writes the job's pages as a PostScript file (through a temporary file beside it), pictures
// and text at 300 dots per inch: 0, or -1 when the file cannot be written (an existing file is
// then kept).
int PRINT_ToFile(TkPrintJob* job, const char* path);
// Prints the pages on the printer chosen in the dialog, text as text and pictures at the
// printer's resolution (300 to 600 dots per inch): 0, or -1 when the printer fails.
int PRINT_ToPrinter(TkPrintJob* job);

// A drawing surface of a print job (the print page's device context): what is drawn on it
// between PRINT_BeginDrawing and PRINT_EndDrawing becomes the job's picture, in place of the
// widget's. Coordinates are surface pixels, (0, 0) top left; the surface starts white.
struct TkPrintDC;
TkPrintDC* PRINT_BeginDrawing(TkPrintJob* job, int width, int height);
void PRINT_EndDrawing(TkPrintJob* job);
void PDC_TextOut(TkPrintDC* dc, int x, int y, const char* text);  // text with its top-left corner at (x, y)
void PDC_Line(TkPrintDC* dc, int x1, int y1, int x2, int y2);     // a black one-pixel line

// The PostScript text of one page holding an RGB picture (w x h pixels, rows top first, 3
// bytes a pixel) fitted into the printable area, kept in proportion and centred.
std::string PS_PageText(const TkPageSetup& page, int w, int h, const unsigned char* rgb,
                        const char* title);

// Test driver: the next print dialog takes the next answer: 0 cancel, 1 print to file, 2 the
// printer, whose output goes to the PDF file `pdf_path` in place of a queue. With a page, the
// answer first chooses that paper (points, portrait; none: the set-up's), orientation and
// margins (points; a negative left margin: the set-up's) in the dialog.
struct TktPrintPage {
  double width = 0, height = 0;
  bool landscape = false;
  double left = -1, top = -1, right = -1, bottom = -1;
  // The dialog put this page there itself (as Qt's dialog puts a CUPS printer's default paper)
  // and the user never opened the page's properties.
  bool by_dialog = false;
};
void TKT_AnswerPrint(int answer, const char* pdf_path = nullptr, const TktPrintPage* page = nullptr);
// Test driver: the next print dialog is Qt's own, answered as a user would: Print, after
// opening the page properties and pressing their OK when `open_properties`.
void TKT_AnswerPrintDialog(bool open_properties);
// Test driver: the number of printers PRINT_HavePrinter sees (1 until a test sets it).
void TKT_SetPrinters(int count);
