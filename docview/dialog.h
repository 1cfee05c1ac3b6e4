// Modal dialogs built from a template of controls, with data exchange between the controls and
// the dialog's members; the grid the matrix dialog shows; and the common choosers (open file,
// font).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "docview/document.h"

namespace docview {

// One control of a dialog template; positions and sizes in dialog units.
struct DialogControl {
  enum Kind { GroupBox, RadioFirst, Radio, Label, NumberEdit, Check, Button, DefButton, Grid, Icon };
  Kind kind;
  int id;  // 0 for a control no code refers to
  std::string text;
  int x, y, w, h;
};

struct DialogTemplate {
  std::string title;
  int w = 200, h = 100;  // dialog units
  bool resizable = false;
  std::vector<DialogControl> controls;
};

// A grid of text cells whose texts are made on demand, so a large table costs nothing until it
// is shown. Row 0 and column 0 are its header row and column.
class CGridCtrl {
 public:
  using CellSource = std::function<std::string(int row, int col)>;
  void SetRows(int n);
  void SetCols(int n);
  int GetRows() const { return rows_; }
  int GetCols() const { return cols_; }
  void SetCellSource(CellSource source);
  std::string GetText(int row, int col) const;
  // The header row as shown: by default row 0's texts; a header source shows its own text for
  // column col (from 1) instead, while GetText(0, col) stays the cell's text.
  using HeaderSource = std::function<std::string(int col)>;
  void SetColumnHeaderSource(HeaderSource source);
  std::string GetColumnHeader(int col) const;
  // Every column as wide as the widest column header as shown, up to the width of
  // kHeaderChars average characters, or as `widest_cell` when that is wider, in the grid's font
  // (plus the cell margins). A longer header shows its two ends with the middle left out, and
  // the whole text as its tooltip; the user may still widen a column. Row headers show whole.
  static constexpr int kHeaderChars = 24;
  void FitColumnWidth(const std::string& widest_cell);
  int GetColumnWidth() const;  // in pixels
  // The width in pixels that shows the header column and `cols` columns whole.
  int WidthToShow(int cols) const;
  // The header column as shown, likewise: row 0's texts or the row header source's.
  void SetRowHeaderSource(HeaderSource source);
  std::string GetRowHeader(int row) const;
  // Places the grid at (x, y) with the size w by h, in pixels of the dialog's client area.
  void MoveWindow(int x, int y, int w, int h);
  // Internal: the widget behind the grid.
  void* widget = nullptr;
  void Refresh();

 private:
  int rows_ = 2, cols_ = 2;
  CellSource source_;
  HeaderSource header_, row_header_;
};

class CDialog;

// Data exchange: from the controls to the members (save) or back.
struct CDataExchange {
  bool m_bSaveAndValidate = false;
  CDialog* m_pDlg = nullptr;
  bool failed = false;
};
// A radio group starting at `first_id`: the index of the checked button (-1 for none).
void DDX_Radio(CDataExchange* dx, int first_id, int& value);
void DDX_Check(CDataExchange* dx, int id, int& value);
// A digits-only field; a text that is no number fails with a message.
void DDX_Text(CDataExchange* dx, int id, unsigned& value);
// Fails with the range message when `value` is outside min..max.
void DDV_MinMaxUInt(CDataExchange* dx, unsigned value, unsigned min, unsigned max);
// The text of the range message.
std::string RangeMessage(unsigned min, unsigned max);

struct DialogWindow;

class CDialog : public CCmdTarget {
 public:
  explicit CDialog(DialogTemplate tmpl);
  ~CDialog() override;
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Shows the dialog modally; IDOK (1) or IDCANCEL (2).
  int DoModal();
  virtual bool OnInitDialog();
  virtual void DoDataExchange(CDataExchange* /*dx*/) {}
  virtual void OnOK();
  virtual void OnCancel();
  // After the dialog's size changed (client area in pixels).
  virtual void OnSize(int /*w*/, int /*h*/) {}
  // Carries the data over; false when a check failed (its message has been shown).
  bool UpdateData(bool save = true);
  void EndDialog(int result);
  bool IsEnded() const { return ended_; }

  std::string GetDlgItemText(int id) const;
  void SetDlgItemText(int id, const std::string& text);
  bool IsDlgButtonChecked(int id) const;
  void CheckDlgButton(int id, bool on);
  // Presses a button as the user does (OK, Cancel, or one of the dialog's own).
  void ClickButton(int id);
  void SetWindowText(const std::string& title);
  std::string GetWindowText() const;
  CGridCtrl* GetGrid(int id);
  void Resize(int w, int h);
  // Widens the dialog to `w` pixels, no wider than the screen's free room; never narrows it.
  void WidenTo(int w);
  bool Grab(const std::string& png_path);

 private:
  DialogTemplate tmpl_;
  std::unique_ptr<DialogWindow> window_;
  std::vector<std::unique_ptr<CGridCtrl>> grids_;
  int result_ = 2;
  bool ended_ = false;
};

// The open-file chooser; `filter` as "Name (*.x)|*.x|All Files (*.*)|*.*||". False on cancel.
bool ChooseOpenFile(const std::string& filter, std::string& path);
// The font chooser, opened on `face` at `tenths` tenths of a point; on OK the chosen face and
// size. It lists the system's fonts.
bool ChooseFont(std::string& face, int& tenths);

}  // namespace docview
