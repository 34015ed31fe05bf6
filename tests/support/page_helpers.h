// Driving the property pages as a user does: reaching a page, typing,
// clicking and double-clicking list cells, pasting, reading texts back.
//
//   test::HostedControl host;
//   HWND page = test::OpenRegistersPage(host);     // mode 2, camera on
//   HWND list = GetDlgItem(page, IDC_REGISTER_LIST);
//   test::DoubleClickCell(list, 12, 2);
//   test::Type(GetFocus(), "FF\r");
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "CameraControlFN.h"
#include "tests/support/hosted_control.h"

namespace test {

// Starts the control in mode 2, switches the camera on (activation mask 2)
// and selects the Registers tab. Returns the page window.
HWND OpenRegistersPage(HostedControl& host);
// The same for tab `tab` (2 Picture Colours, 3 Picture Tests).
HWND OpenCameraOnPage(HostedControl& host, int tab);

// Sends each character of `text` to `window` as typed (WM_CHAR).
void Type(HWND window, const std::string& text);
// Presses and releases a key (WM_KEYDOWN, WM_KEYUP) in `window`.
void PressKey(HWND window, WPARAM key);

// The item texts of a list box.
std::vector<std::string> ListItems(HWND listBox);

// Texts of a report-style list.
std::string CellText(HWND list, int row, int subItem);
std::vector<std::string> RowTexts(HWND list, int row);
RECT CellRect(HWND list, int row, int subItem);
// A left-button double-click, and a single click, in the middle of a cell
// (scrolled into view first).
void DoubleClickCell(HWND list, int row, int subItem);
void ClickCell(HWND list, int row, int subItem);
// State bits (LVIS_SELECTED, LVIS_FOCUSED) of a row.
UINT RowState(HWND list, int row);

// The texts of the error messages shown since the last Clear, as
// "title|text".
std::vector<std::string> ShownMessages();
// A string of the product's string table, and a message as ShownMessages
// lists it.
std::string ProductText(UINT id);
std::string Msg(UINT titleId, UINT textId);

// The seven result figures of the Camera Test page, as shown.
std::vector<std::string> TestResultTexts(HWND page);

}  // namespace test
