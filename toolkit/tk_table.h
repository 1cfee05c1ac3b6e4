// The table widget: a grid of rows and columns whose cell texts are asked for when they are
// shown (a virtual table), so that a table of many thousand rows costs nothing until it is
// seen. A group part is made a table by TABLE_Attach; the table fills the group.
//
// Rows and columns count from 0; the row header shows the row number from 1. The user selects
// one rectangular block of cells; the copy key (TK_KEY_COPY state in the key query) or
// TABLE_CopySelection puts the block on the clipboard: each cell's text and a tab, and a line
// end after each row.
#pragma once

#include <string>

#include "toolkit/tk_types.h"

// The text of one cell: row and column from 0. Null or empty for an empty cell.
using TkCellProc = const char* (*)(TK_OBJ table, int row, int col);

void TABLE_Attach(TK_OBJ group);                    // makes a group part a table
int TABLE_Is(TK_OBJ w);                             // 1 when the part is a table
void TABLE_SetCellProc(TK_OBJ table, TkCellProc proc);
// Called after the user clicked a cell (the click has already set the selection).
using TkClickProc = void (*)(TK_OBJ table, int row, int col);
void TABLE_SetClickProc(TK_OBJ table, TkClickProc proc);
// A click on a cell as the user makes it: the cell becomes the selection, then the click
// procedure runs (for the test driver).
void TABLE_Click(TK_OBJ table, int row, int col);
void TABLE_ClearSelection(TK_OBJ table);
// A list of text rows: no row or column headers, one column filling the width, whole rows
// selected by a click.
void TABLE_SetListStyle(TK_OBJ table);
void TABLE_SetSize(TK_OBJ table, int rows, int cols);  // and shows the texts afresh
int TABLE_Rows(TK_OBJ table);
int TABLE_Cols(TK_OBJ table);
void TABLE_SetColWidth(TK_OBJ table, int col, int chars);  // width in characters of the table's font
// The selected block: 1 with its first row and column and its size, 0 when nothing is selected.
int TABLE_GetSelection(TK_OBJ table, int* row, int* col, int* rows, int* cols);
void TABLE_Select(TK_OBJ table, int row, int col, int rows, int cols);
// The selected block's text (cells followed by a tab, a line end after each row).
std::string TABLE_SelectionText(TK_OBJ table);
// Puts the selected block's text on the clipboard; 0 when nothing is selected.
int TABLE_CopySelection(TK_OBJ table);
// The text a copy puts on the clipboard for the selected block (first row and column, row and
// column counts), when a table's owner makes it itself; without one the block's cells are copied.
using TkCopyProc = std::string (*)(TK_OBJ table, int row, int col, int rows, int cols);
void TABLE_SetCopyProc(TK_OBJ table, TkCopyProc proc);
// Gives a part (a multi-line text, a table) the system's fixed-pitch font, so that columns
// of padded texts line up.
void TK_SetFixedFont(TK_OBJ w);
// The clipboard's text (for tests and paste).
std::string TK_ClipboardText();
