// The chart (x-y graph) widget. A chart is a drawing area part made a chart by CHART_Attach;
// it keeps its data description, ranges, series, titles and plot rectangle, and paints itself
// into the area's backing image on CHART_Paint (and on every expose handed to CHART_DefaultNfy).
//
// Data: a block of `count` points of `per_point` values each, point by point, of one type:
//   1 or 4 unsigned 8-bit, 2 or 5 unsigned 16-bit, 3 or 6 signed 32-bit, 7 double.
// With per_point of 2 or more a point's first value is its x and the others its series
// (series 1 .. per_point - 1); with per_point 1 the x is the position 1 .. count and the value is
// series 1. The block stays the caller's and must live while the chart shows it.
//
// Events to the chart's procedure (what it does not handle it passes to CHART_DefaultNfy):
//   157 a point is being drawn (CHART_EventPoint); the default draws the series' marker
//   151 an axis label is being written (CHART_EventLabel); the default writes the value
//   104 a press in the chart (EVENT_GetPos; CHART_GetPlotRect gives the plot rectangle)
//   109 expose: the default paints the chart
// While the pointer is over the plot, the readout label (CHART_SetReadout) shows the point's
// values; after each paint it shows the text set with CHART_SetReadoutIdle.
#pragma once

#include "toolkit/tk_types.h"

enum TkChartEvent : int {
  TK_EV_CHART_LABEL = 151,   // an axis label is being written
  TK_EV_CHART_POINT = 157,   // a point is being drawn
};

enum TkChartType : int {
  TK_CHART_U8 = 1, TK_CHART_U16 = 2, TK_CHART_I32 = 3,
  TK_CHART_U8B = 4, TK_CHART_U16B = 5, TK_CHART_I32B = 6, TK_CHART_DOUBLE = 7,
};

// Series styles: bit 0 a line through the points, bit 1 a marker at each point (event 157),
// bit 2 bars from the x axis.
enum TkChartStyle : int { TK_CHART_LINE = 1, TK_CHART_MARKERS = 2, TK_CHART_BARS = 4 };

void CHART_Attach(TK_OBJ area);                     // makes a drawing area a chart (procedure: CHART_DefaultNfy unless set)
int CHART_Is(TK_OBJ w);                             // 1 when the part is a chart
void CHART_SetData(TK_OBJ chart, const void* block, int type, int per_point, int count);
const void* CHART_GetData(TK_OBJ chart);            // the data block, null when none
int CHART_GetType(TK_OBJ chart);                    // its type code, 0 when none
int CHART_GetPerPoint(TK_OBJ chart);                // values per point, 0 when none
int CHART_GetCount(TK_OBJ chart);                   // number of points, 0 when none
double CHART_Value(TK_OBJ chart, int point, int k); // value k of a point as a double (0 out of range)
// Axis ranges with their major (labelled) and minor tick steps; a step of 0 draws no ticks, and
// any other step on a logarithmic axis ticks its decades.
void CHART_SetXRange(TK_OBJ chart, double min, double max, double major, double minor);
void CHART_SetYRange(TK_OBJ chart, double min, double max, double major, double minor);
void CHART_SetYLog(TK_OBJ chart, int on);           // logarithmic y (natural logarithm; range above 0)
void CHART_SetView(TK_OBJ chart, double x0, double x1);  // x range shown (x0 >= x1: the whole range)
void CHART_SetSeries(TK_OBJ chart, int series, int colour_code, const char* label, int style);
void CHART_SetTitle(TK_OBJ chart, const char* line1, const char* line2);  // second line may be null
// A y title with line breaks is written line by line down the left edge.
void CHART_SetAxisTitles(TK_OBJ chart, const char* x_title, const char* y_title);
const char* CHART_GetAxisTitle(TK_OBJ chart, int axis);  // 0 horizontal, 1 vertical; "" when none
void CHART_SetPlotRect(TK_OBJ chart, TkRect r);     // plot rectangle in widget pixels (w 0: automatic)
TkRect CHART_GetPlotRect(TK_OBJ chart);             // the plot rectangle of the last paint
void CHART_Paint(TK_OBJ chart);                     // paints the chart into its area now
long CHART_DefaultNfy(TK_OBJ chart, int event);     // the chart's class default
// Widget pixel of a value, and value of a pixel, on the last paint's axes.
int CHART_XToPixel(TK_OBJ chart, double x);
int CHART_YToPixel(TK_OBJ chart, double y);
double CHART_PixelToX(TK_OBJ chart, int px);
double CHART_PixelToY(TK_OBJ chart, int py);
// Details of event 157: series (1 ..), point index and the point's widget pixel.
void CHART_EventPoint(int* series, int* point, int* px, int* py);
// Details of event 151: axis (0 x, 1 y) and value; CHART_SetLabelText replaces the text written.
void CHART_EventLabel(int* axis, double* value);
void CHART_SetLabelText(const char* text);
void CHART_SetReadout(TK_OBJ chart, TK_OBJ label);  // the label that shows readouts (null: none)
// Moves the pointer to a widget pixel of the chart (best effort: a platform may refuse).
void CHART_MovePointer(TK_OBJ chart, int x, int y);
void CHART_SetReadoutIdle(TK_OBJ chart, const char* text);  // readout shown after each paint
// The readout's wording: when set, the chart asks it for the text of each coordinate of the
// pointer (axis 0 x, 1 y; text of `size` bytes, empty at the call) and shows "x text, y text";
// without it the values are written with "%.4g".
using TkChartReadoutText = void (*)(TK_OBJ chart, int axis, double value, char* text, int size);
void CHART_SetReadoutText(TK_OBJ chart, TkChartReadoutText fn);
