// The editing grid: a table of text cells that the user edits in place, with headings on the
// rows and the columns and an information line under it. A group part is made a grid by
// GRID_Attach; the grid fills the group.
//
// The cells are the caller's: the grid asks for their texts through the procedures it is given
// and hands an ended edit back, cut to the grid's length cap. Rows and columns count from 0.
// Moving to a cell or a heading shows the information text of that place (GRID_InfoText). The
// copy key puts the selected block on the clipboard: each selected cell's text and a tab, then
// a line end after each row; a selection started on the row headings covers whole rows, one
// started on the column headings whole columns.
#pragma once

#include <string>

#include "toolkit/tk_types.h"

struct TkGridProcs {
  // The text of a cell; null or empty for an empty cell. Required.
  const char* (*cell)(TK_OBJ grid, int row, int col) = nullptr;
  // An edit ended: the typed text, already cut to the length cap. Null: the grid is read-only.
  void (*store)(TK_OBJ grid, int row, int col, const char* text) = nullptr;
  // Whether an edit may begin on the cell (null: every cell).
  int (*can_edit)(TK_OBJ grid, int row, int col) = nullptr;
  // Heading texts: row -1 names column `col`, col -1 names row `row`. Null: numbers from 1.
  std::string (*heading)(TK_OBJ grid, int row, int col) = nullptr;
  // Information line text of a place: a cell, a column heading (row -1), a row heading (col -1)
  // or the corner (both -1). Null: the cell's text, a blank elsewhere.
  std::string (*info)(TK_OBJ grid, int row, int col) = nullptr;
};

void GRID_Attach(TK_OBJ group);                         // makes a group part an editing grid
int GRID_Is(TK_OBJ w);                                  // 1 when the part is a grid
// Enter (ending an edit, or on a cell) makes the cell below current, so that a column is
// typed in row after row; off by default (Enter ends the edit and stays).
void GRID_SetEnterMovesDown(TK_OBJ grid, int on);
int GRID_CurrentRow(TK_OBJ grid);                       // the current cell's row, -1 when none
void GRID_SetProcs(TK_OBJ grid, const TkGridProcs& procs);
void GRID_SetSize(TK_OBJ grid, int rows, int cols);     // and shows everything afresh
int GRID_Rows(TK_OBJ grid);
int GRID_Cols(TK_OBJ grid);
// The most bytes an edit stores (the typed text is cut there, never inside a character).
void GRID_SetMaxLen(TK_OBJ grid, int bytes);
void GRID_SetColWidth(TK_OBJ grid, int col, int chars);
// Client data of the grid, freed with `free_fn` when the grid is destroyed (or replaced).
void GRID_SetData(TK_OBJ grid, void* data, void (*free_fn)(void*));
void* GRID_GetData(TK_OBJ grid);
// Shows cells and headings afresh after the caller changed them.
void GRID_Redraw(TK_OBJ grid);
// Ends a cell edit in progress, storing its text; 1 when there was one.
int GRID_EndEdit(TK_OBJ grid);
int GRID_Editing(TK_OBJ grid);                          // 1 while a cell is being edited
// Moves to a place (row or col -1 for a heading, both for the corner) and shows its information.
void GRID_MoveTo(TK_OBJ grid, int row, int col);
const char* GRID_InfoText(TK_OBJ grid);                 // the information line; valid until the next call
// Selection: a block of cells, or (row or col -1) whole columns or whole rows from a heading.
void GRID_Select(TK_OBJ grid, int row, int col, int rows, int cols);
std::string GRID_SelectionText(TK_OBJ grid);            // empty when nothing is selected
int GRID_CopySelection(TK_OBJ grid);                    // 0 when nothing is selected

// Test driver: begins an edit on a cell as a double click does, types `text` and, with `end`,
// ends the edit with Enter. false when no edit could begin there.
bool TKT_GridEdit(TK_OBJ grid, int row, int col, const char* text, bool end = true);
// A key (Qt key code, TkKeyState modifiers) pressed in the grid's table.
void TKT_GridKey(TK_OBJ grid, int key, int mods = 0);
