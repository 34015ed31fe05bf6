#include "pages/registers_list_view.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "pages/diagnostics.h"

namespace {

// The longest cell text read back when an edit opens.
constexpr int kMaxCellText = 14;
// Room left beside the last column for the vertical scroll bar.
constexpr int kScrollBarMargin = 5;

void SetCellText(HWND list, int row, int subItem, const char* text) {
  LVITEMA item = {};
  item.iSubItem = subItem;
  item.pszText = const_cast<char*>(text);
  SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// Eight '0'/'1' characters, the most significant bit first.
void FormatBinary(BYTE value, char (&text)[9]) {
  for (int bit = 0; bit < 8; ++bit)
    text[bit] = (value & (0x80 >> bit)) ? '1' : '0';
  text[8] = '\0';
}

}  // namespace

void CRegistersListView::InsertColumns() {
  while (SendMessageA(Hwnd(), LVM_DELETECOLUMN, 0, 0)) {
  }
  RECT rect = {};
  GetWindowRect(Hwnd(), &rect);
  const int width = (rect.right - rect.left) / 4;
  const struct {
    const char* heading;
    int width;
  } columns[] = {
      {"Register Number", width},
      {"Binary", width},
      {"Hexadecimal", width},
      {"Decimal", width - (GetSystemMetrics(SM_CXVSCROLL) + kScrollBarMargin)},
  };
  int index = 0;
  for (const auto& column : columns) {
    LVCOLUMNA description = {};
    description.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    description.fmt = LVCFMT_LEFT;
    description.cx = column.width;
    description.pszText = const_cast<char*>(column.heading);
    description.iSubItem = index;
    SendMessageA(Hwnd(), LVM_INSERTCOLUMNA, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&description));
    ++index;
  }
}

void CRegistersListView::Initialise(BYTE first, BYTE last) {
  SendMessageA(Hwnd(), LVM_DELETEALLITEMS, 0, 0);
  SendMessageA(Hwnd(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  InsertColumns();

  registers.clear();
  for (int number = first; number <= last; ++number)
    registers.push_back({static_cast<BYTE>(number), 0});

  for (size_t row = 0; row < registers.size(); ++row) {
    char text[8];
    snprintf(text, sizeof text, "%04d", registers[row].number);
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(row);
    item.pszText = text;
    int inserted =
        static_cast<int>(SendMessageA(Hwnd(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (inserted >= 0) WriteValueTexts(inserted, registers[row].value);
  }

  inPlaceEdit.CreateEditBox(Hwnd());
}

void CRegistersListView::WriteValueTexts(int row, BYTE value) {
  char binary[9];
  FormatBinary(value, binary);
  char hexadecimal[4];
  snprintf(hexadecimal, sizeof hexadecimal, "%02x", value);
  char decimal[4];
  snprintf(decimal, sizeof decimal, "%03d", value);
  SetCellText(Hwnd(), row, ColumnBinary, binary);
  SetCellText(Hwnd(), row, ColumnHexadecimal, hexadecimal);
  SetCellText(Hwnd(), row, ColumnDecimal, decimal);
}

int CRegistersListView::RowOf(BYTE number) const {
  if (number > kLastRegister) return -1;
  // After Initialise(0, ...) the row is the number itself.
  if (number < registers.size() && registers[number].number == number) return number;
  auto found =
      std::find_if(registers.begin(), registers.end(),
                   [number](const RegisterEntry& entry) { return entry.number == number; });
  return found == registers.end() ? -1 : static_cast<int>(found - registers.begin());
}

bool CRegistersListView::SetRegValue(BYTE number, BYTE value) {
  DiagnosticTrace("SetRegValue num = %d, value = %d\n", number, value);
  int row = RowOf(number);
  if (row < 0) return false;
  registers[static_cast<size_t>(row)].value = value;
  WriteValueTexts(row, value);
  return true;
}

bool CRegistersListView::GetRegisterValue(BYTE number, BYTE& value) const {
  int row = RowOf(number);
  if (row < 0) return false;
  value = registers[static_cast<size_t>(row)].value;
  DiagnosticTrace("GetRegisterValue, register num = %d, register value = %d.\n", number, value);
  return true;
}

bool CRegistersListView::SelectRegister(BYTE number) {
  int row = RowOf(number);
  if (row < 0) return false;
  SendMessageA(Hwnd(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(Hwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return true;
}

bool CRegistersListView::EditSubItem(int row, int subItem) {
  if (subItem < ColumnBinary || subItem > ColumnDecimal) return false;
  int rows = static_cast<int>(SendMessageA(Hwnd(), LVM_GETITEMCOUNT, 0, 0));
  if (row < 0 || row >= rows || !inPlaceEdit.Hwnd()) return false;
  // The columns are in the order of the edit modes.
  const int mode = subItem;

  RECT cell = {};
  cell.top = subItem;
  cell.left = LVIR_BOUNDS;
  SendMessageA(Hwnd(), LVM_GETSUBITEMRECT, static_cast<WPARAM>(row),
               reinterpret_cast<LPARAM>(&cell));
  const int height =
      std::max(inPlaceEdit.GetTextHeight(), static_cast<int>(cell.bottom - cell.top));

  char text[kMaxCellText + 1] = "";
  LVITEMA item = {};
  item.iSubItem = subItem;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(Hwnd(), LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));

  HWND edit = inPlaceEdit.Hwnd();
  inPlaceEdit.SetItem(static_cast<BYTE>(row));
  SetWindowTextA(edit, text);
  inPlaceEdit.SetMode(mode);
  MoveWindow(edit, cell.left, cell.top, cell.right - cell.left, height, TRUE);
  ShowWindow(edit, SW_SHOW);
  SetFocus(edit);
  return true;
}

CRegistersListView::DeferredRedraw::DeferredRedraw(CRegistersListView& view) : list(view.Hwnd()) {
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
}

CRegistersListView::DeferredRedraw::~DeferredRedraw() {
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

bool CRegistersListView::HideInPlaceEdit() {
  if (inPlaceEdit.Hwnd()) ShowWindow(inPlaceEdit.Hwnd(), SW_HIDE);
  return true;
}

LRESULT CRegistersListView::OnInPlaceEditReturnValue(const fw::Message& m, bool&) {
  const WPARAM value = m.wParam;
  const LPARAM row = m.lParam;
  DiagnosticTrace("CRegistersListView::OnInPlaceEditReturnValue, value = %d, item = %d\n",
                  static_cast<int>(value), static_cast<int>(row));
  const LPARAM rows = SendMessageA(Hwnd(), LVM_GETITEMCOUNT, 0, 0);
  if (row < 0 || row >= rows || static_cast<size_t>(row) >= registers.size() || value > 255)
    return 0;
  registers[static_cast<size_t>(row)].value = static_cast<BYTE>(value);
  WriteValueTexts(static_cast<int>(row), static_cast<BYTE>(value));
  return 0;
}

LRESULT CRegistersListView::OnVScroll(const fw::Message&, bool& handled) {
  HideInPlaceEdit();
  handled = false;  // the list scrolls as usual
  return 0;
}
