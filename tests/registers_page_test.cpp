// The Registers page as the user works it: the register list and its
// texts, the range boxes, Read and Write passes against the server, and
// editing values in place in binary, hexadecimal and decimal.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/fake_camera_server.h"
#include "tests/support/hosted_control.h"
#include "tests/support/message_recorder.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"

namespace {

using Texts = std::vector<std::string>;

constexpr int kRegisterCount = 160;
constexpr UINT kInPlaceEditReturn = 0x8067;
const char kRangeTitle[] = "An Invalid Register Number Was Entered";
const char kRangeText[] = "Please enter a register number in the range 0-159";
const char kOrderText[] =
    "The first register number had a greater number than the last. Please make sure that the "
    "first register number is less than or equal to the last.";

// A value for every register that differs from its neighbours'.
BYTE Pattern(int reg) {
  return static_cast<BYTE>(reg * 37 + 11);
}

Texts Range(const char* name, int first, int last) {
  Texts calls;
  for (int reg = first; reg <= last; ++reg)
    calls.push_back(std::string(name) + "(" + std::to_string(reg) + ")");
  return calls;
}

std::string Binary(BYTE value) {
  std::string text;
  for (int bit = 7; bit >= 0; --bit)
    text += (value >> bit) & 1 ? '1' : '0';
  return text;
}

Texts ValueRow(int reg, BYTE value) {
  char number[8];
  char hex[4];
  char decimal[4];
  snprintf(number, sizeof number, "%04d", reg);
  snprintf(hex, sizeof hex, "%02x", value);
  snprintf(decimal, sizeof decimal, "%03d", value);
  return {number, Binary(value), hex, decimal};
}

class RegistersPage : public testing::Test {
 protected:
  void SetUp() override {
    for (int reg = 0; reg < kRegisterCount; ++reg)
      host.Server().SetRegister(reg, Pattern(reg));
    page = test::OpenRegistersPage(host);
    ASSERT_NE(page, nullptr);
    list = GetDlgItem(page, IDC_REGISTER_LIST);
    first = GetDlgItem(page, IDC_FIRST_REGISTER);
    last = GetDlgItem(page, IDC_LAST_REGISTER);
    edit = FindWindowExA(list, nullptr, "Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    host.Server().ClearCalls();
  }

  void SetRange(const char* firstText, const char* lastText) {
    SetWindowTextA(first, firstText);
    SetWindowTextA(last, lastText);
  }
  void ReadRange(const char* firstText, const char* lastText) {
    SetRange(firstText, lastText);
    host.Click(page, IDC_READ);
  }
  void WriteRange(const char* firstText, const char* lastText) {
    SetRange(firstText, lastText);
    host.Click(page, IDC_WRITE);
  }
  int TopRow() const { return ListView_GetTopIndex(list); }
  bool EditShown() const { return IsWindowVisible(edit) != FALSE; }
  // Lets the edit box's posted value reach the list.
  void Settle() const { test::PumpMessages(20); }
  // Clears the open edit box as a user would: End, then backspaces.
  void ClearEdit() const {
    test::PressKey(edit, VK_END);
    test::Type(edit, std::string(8, '\b'));
  }

  test::HostedControl host;
  HWND page = nullptr;
  HWND list = nullptr;
  HWND first = nullptr;
  HWND last = nullptr;
  HWND edit = nullptr;
};

TEST_F(RegistersPage, ShowsEveryRegisterInFourColumnsWithFullRangeReady) {
  EXPECT_TRUE(IsWindowEnabled(list));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_READ)));
  ASSERT_EQ(ListView_GetItemCount(list), kRegisterCount);
  EXPECT_EQ(test::RowTexts(list, 0), (Texts{"0000", "00000000", "00", "000"}));
  EXPECT_EQ(test::RowTexts(list, 159), (Texts{"0159", "00000000", "00", "000"}));

  HWND header = ListView_GetHeader(list);
  ASSERT_EQ(Header_GetItemCount(header), 4);
  Texts headings;
  for (int i = 0; i < 4; ++i) {
    char text[32] = "";
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT;
    column.pszText = text;
    column.cchTextMax = sizeof text;
    ListView_GetColumn(list, i, &column);
    headings.push_back(text);
  }
  EXPECT_EQ(headings, (Texts{"Register Number", "Binary", "Hexadecimal", "Decimal"}));
  RECT rect;
  GetWindowRect(list, &rect);
  const int quarter = (rect.right - rect.left) / 4;
  EXPECT_EQ(ListView_GetColumnWidth(list, 0), quarter);
  EXPECT_EQ(ListView_GetColumnWidth(list, 2), quarter);
  EXPECT_EQ(ListView_GetColumnWidth(list, 3), quarter - GetSystemMetrics(SM_CXVSCROLL) - 5);
  EXPECT_TRUE(ListView_GetExtendedListViewStyle(list) & LVS_EX_FULLROWSELECT);

  EXPECT_EQ(test::WindowText(first), "0");
  EXPECT_EQ(test::WindowText(last), "159");
  EXPECT_FALSE(EditShown());
  EXPECT_TRUE(host.Server().Calls().empty());
}

TEST(RegistersPageState, IsDisabledWhenOpenedWithTheCameraOff) {
  test::HostedControl host;
  host.Server().SetProductMode(2);
  ASSERT_EQ(host.Start(), S_OK);
  ASSERT_TRUE(host.SelectTab(4));
  HWND page = host.CurrentPage();
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_REGISTER_LIST)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_READ)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_FIRST_REGISTER)));
  // The list is built all the same.
  EXPECT_EQ(ListView_GetItemCount(GetDlgItem(page, IDC_REGISTER_LIST)), kRegisterCount);
}

TEST_F(RegistersPage, ReadOfAllRegistersAsksInAscendingOrderAndSelectsTheFirst) {
  host.Server().SetRegister(7, 165);
  const HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
  SetCursor(arrow);
  std::vector<bool> waitCursorDuringCalls;
  host.Server().SetCallHook([&](const test::ServerCall&) {
    waitCursorDuringCalls.push_back(GetCursor() == LoadCursor(nullptr, IDC_WAIT));
  });
  host.Click(page, IDC_READ);
  EXPECT_EQ(host.Server().CallStrings(), Range("ReadRegister", 0, 159));
  EXPECT_EQ(waitCursorDuringCalls, std::vector<bool>(kRegisterCount, true));
  EXPECT_EQ(GetCursor(), arrow);

  EXPECT_EQ(test::RowTexts(list, 7), (Texts{"0007", "10100101", "a5", "165"}));
  for (int reg = 0; reg < kRegisterCount; ++reg) {
    if (reg == 7) continue;
    ASSERT_EQ(test::RowTexts(list, reg), ValueRow(reg, Pattern(reg))) << reg;
  }
  EXPECT_EQ(test::RowState(list, 0), UINT{LVIS_SELECTED | LVIS_FOCUSED});
  EXPECT_EQ(TopRow(), 0);
  EXPECT_TRUE(test::ShownMessages().empty());
}

TEST_F(RegistersPage, ReadOfOneRegisterScrollsItIntoView) {
  ReadRange("159", "159");
  EXPECT_EQ(host.Server().CallStrings(), (Texts{"ReadRegister(159)"}));
  EXPECT_EQ(test::RowTexts(list, 159), ValueRow(159, Pattern(159)));
  EXPECT_EQ(test::RowTexts(list, 158), ValueRow(158, 0));
  EXPECT_EQ(test::RowState(list, 159), UINT{LVIS_SELECTED | LVIS_FOCUSED});
  const int visible = ListView_GetCountPerPage(list);
  EXPECT_GT(TopRow(), 0);
  EXPECT_LE(TopRow(), 159);
  EXPECT_GE(TopRow() + visible - 1, 159);
}

TEST_F(RegistersPage, InvalidRangesAreExplainedWithTheFocusOnTheBoxToCorrect) {
  struct Case {
    const char* first;
    const char* last;
    const char* text;
    HWND* focus;
  } cases[] = {
      {"160", "159", kRangeText, &first}, {"0", "160", kRangeText, &last},
      {"999", "999", kRangeText, &first}, {"10", "5", kOrderText, &first},
      {"159", "0", kOrderText, &first},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.first) + ".." + c.last);
    test::MessageRecorder::Clear();
    SetFocus(list);
    ReadRange(c.first, c.last);
    EXPECT_EQ(test::ShownMessages(), (Texts{std::string(kRangeTitle) + "|" + c.text}));
    EXPECT_EQ(GetFocus(), *c.focus);
    test::MessageRecorder::Clear();
    host.Click(page, IDC_WRITE);
    EXPECT_EQ(test::ShownMessages(), (Texts{std::string(kRangeTitle) + "|" + c.text}));
  }
  EXPECT_TRUE(host.Server().Calls().empty());
}

TEST_F(RegistersPage, EmptyAndOverlongRangeTextsAreReadAsTheUserWouldExpect) {
  // An empty First box counts as 0.
  ReadRange("", "3");
  EXPECT_EQ(host.Server().CallStrings(), Range("ReadRegister", 0, 3));

  // Typed and pasted text stops at three characters.
  SetRange("", "");
  test::Type(first, "1234");
  EXPECT_EQ(test::WindowText(first), "123");
  ASSERT_TRUE(test::Paste(last, "15999999999999999999999999999999999999"));
  EXPECT_EQ(test::WindowText(last), "159");
  host.Server().ClearCalls();
  host.Click(page, IDC_READ);
  EXPECT_EQ(host.Server().CallStrings(), Range("ReadRegister", 123, 159));

  // A longer text put in by other means is read to six characters only.
  host.Server().ClearCalls();
  ReadRange(("000000" + std::string(2000, '9')).c_str(), "0000002");
  EXPECT_EQ(host.Server().CallStrings(), (Texts{"ReadRegister(0)"}));
  test::MessageRecorder::Clear();
  ReadRange(std::string(5000, '1').c_str(), "1");
  EXPECT_EQ(test::ShownMessages(), (Texts{std::string(kRangeTitle) + "|" + kRangeText}));
}

TEST_F(RegistersPage, ReadFailureKeepsEarlierValuesAndLeavesLaterRowsAndTheViewAlone) {
  host.Server().FailWhen("ReadRegister", test::ArgEquals(0, 20), 0x80040411);
  host.Click(page, IDC_READ);
  EXPECT_EQ(host.Server().CallStrings(), Range("ReadRegister", 0, 20));
  EXPECT_EQ(test::ShownMessages(),
            (Texts{"Error Reading Phone Register|Unsupported parameter or register ID."}));
  for (int reg = 0; reg < 20; ++reg)
    EXPECT_EQ(test::RowTexts(list, reg), ValueRow(reg, Pattern(reg))) << reg;
  for (int reg = 20; reg < kRegisterCount; ++reg)
    ASSERT_EQ(test::RowTexts(list, reg), ValueRow(reg, 0)) << reg;
  EXPECT_EQ(test::RowState(list, 0), 0u);

  // Far down the list: a full pass would scroll there, a failed one not.
  host.Server().ClearCalls();
  host.Server().FailWhen("ReadRegister", test::ArgEquals(0, 130), 0x80004005);
  ReadRange("120", "150");
  EXPECT_EQ(host.Server().CallStrings(), Range("ReadRegister", 120, 130));
  EXPECT_EQ(TopRow(), 0);
  EXPECT_EQ(test::RowState(list, 120), 0u);
  EXPECT_EQ(test::RowTexts(list, 129), ValueRow(129, Pattern(129)));
  EXPECT_EQ(test::RowTexts(list, 131), ValueRow(131, 0));

  // The list still repaints what changes after the failed pass.
  UpdateWindow(list);
  RECT dirty;
  ASSERT_FALSE(GetUpdateRect(list, &dirty, FALSE));
  SendMessageA(list, kInPlaceEditReturn, 9, 1);
  EXPECT_TRUE(IsWindowVisible(list));
  EXPECT_TRUE(GetUpdateRect(list, &dirty, FALSE));
  EXPECT_EQ(test::RowTexts(list, 1), ValueRow(1, 9));
}

TEST_F(RegistersPage, WriteSendsTheListsValuesAndZeroForRegistersNeverRead) {
  for (int reg = 0; reg < kRegisterCount; ++reg)
    host.Server().SetRegister(reg, 0xEE);
  WriteRange("5", "9");
  EXPECT_EQ(host.Server().CallStrings(),
            (Texts{"WriteRegister(5,0)", "WriteRegister(6,0)", "WriteRegister(7,0)",
                   "WriteRegister(8,0)", "WriteRegister(9,0)"}));
  EXPECT_EQ(host.Server().Register(9), 0);
  EXPECT_EQ(test::RowState(list, 5), UINT{LVIS_SELECTED | LVIS_FOCUSED});

  for (int reg = 0; reg < kRegisterCount; ++reg)
    host.Server().SetRegister(reg, Pattern(reg));
  ReadRange("0", "159");
  for (int reg = 0; reg < kRegisterCount; ++reg)
    host.Server().SetRegister(reg, 0);
  host.Server().ClearCalls();
  WriteRange("0", "159");
  ASSERT_EQ(host.Server().CallCount("WriteRegister"), size_t{kRegisterCount});
  for (int reg = 0; reg < kRegisterCount; ++reg) {
    EXPECT_EQ(host.Server().Calls()[reg].Number(0), reg);
    ASSERT_EQ(host.Server().Register(reg), Pattern(reg)) << reg;
  }
  EXPECT_TRUE(test::ShownMessages().empty());
}

TEST_F(RegistersPage, WriteStopsAtTheFirstFailure) {
  ReadRange("0", "159");
  host.Server().ClearCalls();
  host.Server().FailWhen("WriteRegister", test::ArgAtLeast(0, 20), 0x80040410);
  WriteRange("18", "40");
  EXPECT_EQ(host.Server().CallStrings(),
            (Texts{"WriteRegister(18," + std::to_string(Pattern(18)) + ")",
                   "WriteRegister(19," + std::to_string(Pattern(19)) + ")",
                   "WriteRegister(20," + std::to_string(Pattern(20)) + ")"}));
  EXPECT_EQ(test::ShownMessages(),
            (Texts{"Error Writing Phone Register|"
                   "Camera not activated. Activate the camera and try again."}));
}

TEST_F(RegistersPage, HexadecimalCellIsEditedInPlaceAndWrittenLater) {
  test::DoubleClickCell(list, 12, 2);
  ASSERT_TRUE(EditShown());
  EXPECT_EQ(GetFocus(), edit);
  EXPECT_EQ(test::WindowText(edit), "00");
  // The box lies over the cell.
  RECT cell = test::CellRect(list, 12, 2);
  RECT box;
  GetWindowRect(edit, &box);
  MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&box), 2);
  EXPECT_EQ(box.left, cell.left);
  EXPECT_EQ(box.top, cell.top);
  EXPECT_EQ(box.right, cell.right);
  EXPECT_GE(box.bottom - box.top, cell.bottom - cell.top);
  // The page's dialog leaves Return and Escape to the box.
  EXPECT_EQ(SendMessageA(edit, WM_GETDLGCODE, VK_RETURN, 0), DLGC_WANTALLKEYS);

  ClearEdit();
  test::Type(edit, "xgFF");  // x and g are no hexadecimal digits
  EXPECT_EQ(test::WindowText(edit), "FF");
  test::Type(edit, "a");  // two digits at most
  EXPECT_EQ(test::WindowText(edit), "FF");
  test::Type(edit, "\r");
  EXPECT_FALSE(EditShown());
  Settle();
  EXPECT_EQ(test::RowTexts(list, 12), (Texts{"0012", "11111111", "ff", "255"}));
  EXPECT_TRUE(host.Server().Calls().empty());  // nothing goes to the phone yet

  WriteRange("11", "12");
  EXPECT_EQ(host.Server().CallStrings(), (Texts{"WriteRegister(11,0)", "WriteRegister(12,255)"}));
}

TEST_F(RegistersPage, BinaryCellTakesOnlyEightBinaryDigits) {
  test::DoubleClickCell(list, 3, 1);
  ASSERT_TRUE(EditShown());
  EXPECT_EQ(test::WindowText(edit), "00000000");
  ClearEdit();
  EXPECT_EQ(test::WindowText(edit), "");
  test::Type(edit, "2a10+1010101");
  EXPECT_EQ(test::WindowText(edit), "10101010");
  test::Type(edit, "\r");
  Settle();
  EXPECT_EQ(test::RowTexts(list, 3), (Texts{"0003", "10101010", "aa", "170"}));
}

TEST_F(RegistersPage, DecimalCellIgnoresValuesAbove255AndEmptyTextStoresZero) {
  ReadRange("40", "40");
  const Texts before = ValueRow(40, Pattern(40));
  ASSERT_EQ(test::RowTexts(list, 40), before);

  test::DoubleClickCell(list, 40, 3);
  ClearEdit();
  test::Type(edit, "3a0f0");
  EXPECT_EQ(test::WindowText(edit), "300");
  test::Type(edit, "\r");
  Settle();
  EXPECT_EQ(test::RowTexts(list, 40), before);

  test::DoubleClickCell(list, 40, 3);
  ClearEdit();
  test::Type(edit, "255\r");
  Settle();
  EXPECT_EQ(test::RowTexts(list, 40), (Texts{"0040", "11111111", "ff", "255"}));

  test::DoubleClickCell(list, 40, 3);
  ClearEdit();
  test::Type(edit, "\r");
  Settle();
  EXPECT_EQ(test::RowTexts(list, 40), ValueRow(40, 0));
}

TEST_F(RegistersPage, EscapeThrowsTheTypedTextAway) {
  test::DoubleClickCell(list, 8, 3);
  ClearEdit();
  test::Type(edit, "77");
  test::Type(edit, "\x1b");
  EXPECT_FALSE(EditShown());
  EXPECT_EQ(GetFocus(), list);
  Settle();
  EXPECT_EQ(test::RowTexts(list, 8), ValueRow(8, 0));

  // The next edit commits again.
  test::DoubleClickCell(list, 8, 3);
  ClearEdit();
  test::Type(edit, "77");
  SetFocus(first);
  Settle();
  EXPECT_FALSE(EditShown());
  EXPECT_EQ(test::RowTexts(list, 8), ValueRow(8, 77));
}

TEST_F(RegistersPage, ClickAndVerticalScrollCloseTheBoxAndCommit) {
  test::DoubleClickCell(list, 2, 2);
  ClearEdit();
  test::Type(edit, "3c");
  test::ClickCell(list, 5, 0);
  EXPECT_FALSE(EditShown());
  Settle();
  EXPECT_EQ(test::RowTexts(list, 2), ValueRow(2, 0x3c));

  test::DoubleClickCell(list, 4, 1);
  ClearEdit();
  test::Type(edit, "11");
  SendMessageA(list, WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_FALSE(EditShown());
  Settle();
  EXPECT_EQ(TopRow(), 1);
  EXPECT_EQ(test::RowTexts(list, 4), ValueRow(4, 3));
}

TEST_F(RegistersPage, DoubleClickOnTheNumberColumnOpensNothing) {
  test::DoubleClickCell(list, 6, 0);
  EXPECT_FALSE(EditShown());
  EXPECT_NE(GetFocus(), edit);
}

TEST_F(RegistersPage, OverlongPastedOrSetTextIsReadToThirtyCharacters) {
  // Pasting obeys the base's limit.
  test::DoubleClickCell(list, 9, 1);
  ClearEdit();
  ASSERT_TRUE(test::Paste(edit, "111111111111111111111111"));
  EXPECT_EQ(test::WindowText(edit), "11111111");
  test::Type(edit, "\r");
  Settle();
  EXPECT_EQ(test::RowTexts(list, 9), ValueRow(9, 255));

  // Text beyond 30 characters is not looked at: 29 zeros and a one make 1.
  test::DoubleClickCell(list, 9, 1);
  SetWindowTextA(edit, (std::string(29, '0') + std::string(3000, '1')).c_str());
  test::Type(edit, "\r");
  Settle();
  EXPECT_EQ(test::RowTexts(list, 9), ValueRow(9, 1));
  // Text that does not start with a digit of the base gives 0.
  test::DoubleClickCell(list, 9, 3);
  SetWindowTextA(edit, ".5");
  test::Type(edit, "\r");
  Settle();
  EXPECT_EQ(test::RowTexts(list, 9), ValueRow(9, 0));
}

TEST_F(RegistersPage, ListTakesOnlyValidValuesFromTheEditBox) {
  PostMessageA(list, kInPlaceEditReturn, 7, 5);
  PostMessageA(list, kInPlaceEditReturn, 256, 6);
  PostMessageA(list, kInPlaceEditReturn, 9, kRegisterCount);
  PostMessageA(list, kInPlaceEditReturn, 9, -1);
  Settle();
  EXPECT_EQ(test::RowTexts(list, 5), ValueRow(5, 7));
  EXPECT_EQ(test::RowTexts(list, 6), ValueRow(6, 0));
  EXPECT_EQ(test::RowTexts(list, 159), ValueRow(159, 0));
}

TEST(RegistersWithoutServer, ReportTheMissingComponentBeforeLookingAtTheRange) {
  test::StandaloneSheet sheet(nullptr, 2, 2);
  HWND page = sheet.SelectPage(4);
  ASSERT_NE(page, nullptr);
  SetDlgItemTextA(page, IDC_FIRST_REGISTER, "999");
  const Texts missing = {
      "A Component Couldn't Be Found|The Camera FN server component couldn't be found. This is an "
      "internal error. Please contact the BEX team."};
  SendMessageA(GetDlgItem(page, IDC_READ), BM_CLICK, 0, 0);
  EXPECT_EQ(test::ShownMessages(), missing);
  test::MessageRecorder::Clear();
  SendMessageA(GetDlgItem(page, IDC_WRITE), BM_CLICK, 0, 0);
  EXPECT_EQ(test::ShownMessages(), missing);
}

}  // namespace
