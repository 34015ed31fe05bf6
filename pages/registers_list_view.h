// The register list of the Registers page: a report-style list control
// (subclassed) with one row per camera register, each value shown in
// binary, hexadecimal and decimal. It owns the register values; a value is
// changed in place by the edit box laid over one of its cells.
#pragma once

#include <windows.h>

#include <vector>

#include "framework/window.h"
#include "pages/in_place_edit.h"

// One row of the list.
struct RegisterEntry {
  BYTE number;
  BYTE value;
};

class CRegistersListView : public fw::Window {
 public:
  static constexpr BYTE kLastRegister = 159;
  // Sub-items (columns) of a row.
  enum Column : int { ColumnNumber = 0, ColumnBinary, ColumnHexadecimal, ColumnDecimal };

  // Columns, one row per register from `first` to `last` with value 0, and
  // the hidden edit box.
  void Initialise(BYTE first, BYTE last);
  // Stores a register's value and rewrites its row's value texts.
  bool SetRegValue(BYTE number, BYTE value);
  // The stored value of a register; `value` stays as it is on failure.
  bool GetRegisterValue(BYTE number, BYTE& value) const;
  // Scrolls the register's row fully into view, selected and focused.
  bool SelectRegister(BYTE number);
  // Opens the edit box over a value cell (sub-item 1 to 3) of `row`.
  bool EditSubItem(int row, int subItem);
  bool HideInPlaceEdit();

  // Holds back the list's repainting while it lives (a pass over many
  // registers); the list repaints once at the end. The texts change at
  // once all the same.
  class DeferredRedraw {
   public:
    explicit DeferredRedraw(CRegistersListView& view);
    ~DeferredRedraw();
    DeferredRedraw(const DeferredRedraw&) = delete;
    DeferredRedraw& operator=(const DeferredRedraw&) = delete;

   private:
    HWND list;
  };

 protected:
  FW_BEGIN_MESSAGES(CRegistersListView)
  FW_MESSAGE(UM_INPLACEEDITRETURN, OnInPlaceEditReturnValue)
  FW_MESSAGE(WM_VSCROLL, OnVScroll)
  FW_END_MESSAGES(fw::Window)

  // A value from the edit box: wParam = value, lParam = row.
  LRESULT OnInPlaceEditReturnValue(const fw::Message& m, bool& handled);
  // Closes (and so commits) the edit box before the rows move.
  LRESULT OnVScroll(const fw::Message& m, bool& handled);

 private:
  void InsertColumns();
  // Rewrites the Binary, Hexadecimal and Decimal texts of `row`.
  void WriteValueTexts(int row, BYTE value);
  // The row (and entry) of a register; -1 if it has none.
  int RowOf(BYTE number) const;

  CInPlaceEdit inPlaceEdit;
  std::vector<RegisterEntry> registers;
};
