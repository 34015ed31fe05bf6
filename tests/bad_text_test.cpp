// Bad text in the edit boxes, set whole (WM_SETTEXT: no limit applies) or
// pasted with Ctrl+V (the box's limit applies as it does to a user): each
// box reads only as far as its fixed buffer and takes no more than its limit,
// and a refused text gives the page's message with the focus on the box to
// correct. A write past a buffer would stop the program (stack protector) or
// fail the heap tiers. What the texts mean: native/portable_test.
#include <windows.h>
#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/support/message_recorder.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"

namespace {

using test::Msg;
const std::string kOnes(5000, '1');
enum How { Set, Paste };

void PutText(HWND box, How how, const std::string& text) {
  if (how == Set) return (void)SetWindowTextA(box, text.c_str());
  ASSERT_TRUE(OpenClipboard(box));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
  GlobalUnlock(memory);
  SetClipboardData(CF_TEXT, memory);  // the clipboard owns it now
  CloseClipboard();
  SetFocus(box);
  SendMessageA(box, EM_SETSEL, 0, -1);  // the paste replaces the text
  test::Type(box, "\x16");              // Ctrl+V
}

// Each message shown and each server call since the last time, then the
// box with the focus; starts afresh.
std::string Outcome(test::HostedControl& host, HWND page) {
  std::string outcome;
  for (const std::string& text : test::ShownMessages())
    outcome += text + ";";
  for (const std::string& call : host.Server().CallStrings())
    outcome += call + ";";
  test::MessageRecorder::Clear();
  host.Server().ClearCalls();
  return outcome + (GetParent(GetFocus()) == page ? std::to_string(GetDlgCtrlID(GetFocus())) : "");
}

// First and Last read six characters and take three; Read gives the first
// and last register read, or the message with the focus on the box. A list
// cell's box reads 30 characters and takes 8 binary, 2 hexadecimal or 3
// decimal digits; a value above 255 is refused silently.
TEST(BadText, RegisterBoxesReadAsFarAsTheirBuffersAndTakeTheirLimits) {
  test::HostedControl host;
  HWND page = test::OpenRegistersPage(host), list = GetDlgItem(page, IDC_REGISTER_LIST);
  const std::string range = Msg(161, 159) + ";", first = std::to_string(IDC_FIRST_REGISTER);
  const struct {
    How how;
    std::string first, last, outcome;
  } ranges[] = {
      {Set, kOnes, "159", range + first},  // "111111"
      {Set, "0", "15" + std::string(5000, '9'), range + std::to_string(IDC_LAST_REGISTER)},
      {Set, "10", "", Msg(161, 160) + ";" + first},
      {Set, "-000000000001", "5", "0..5"},  // "-00000"
      {Set, "0", "0001599", "0..159"},      // "000159"
      {Paste, kOnes, kOnes, "111..111"},
  };
  Outcome(host, page);
  for (const auto& c : ranges) {
    PutText(GetDlgItem(page, IDC_FIRST_REGISTER), c.how, c.first);
    PutText(GetDlgItem(page, IDC_LAST_REGISTER), c.how, c.last);
    SetFocus(GetDlgItem(page, IDC_READ));
    host.Click(page, IDC_READ);
    const auto calls = host.Server().Calls();
    const std::string outcome = Outcome(host, page);
    EXPECT_EQ(calls.empty() ? outcome
                            : std::to_string(calls.front().Number(0)) + ".." +
                                  std::to_string(calls.back().Number(0)),
              c.outcome)
        << c.first.substr(0, 9);
  }

  for (int reg = 0; reg < 160; ++reg)
    host.Server().SetRegister(reg, 0xA5);
  SetDlgItemTextA(page, IDC_FIRST_REGISTER, "0");
  host.Click(page, IDC_READ);  // every row 165 to start with
  Outcome(host, page);
  const struct {
    int column;  // 1 binary, 2 hexadecimal, 3 decimal
    How how;
    std::string text, decimalShown;
  } cells[] = {
      {1, Set, kOnes, "165"},  // 30 ones: above 255
      {1, Paste, kOnes, "255"},
      {2, Paste, "fF" + std::string(5000, 'f'), "255"},
      {3, Set, std::string(5000, '0') + "9", "000"},
      {3, Set, std::string(29, '0') + "19", "001"},
      {3, Paste, "2" + std::string(5000, '5'), "255"},
  };
  for (size_t row = 0; row < std::size(cells); ++row) {
    test::DoubleClickCell(list, row, cells[row].column);
    HWND edit = GetFocus();
    PutText(edit, cells[row].how, cells[row].text);
    test::Type(edit, "\r");
    test::PumpMessages(20);  // the box posts its value to the list
    EXPECT_EQ(test::CellText(list, row, 3), cells[row].decimalShown) << row;
  }
  EXPECT_EQ(Outcome(host, page), std::to_string(IDC_REGISTER_LIST));  // no message
}

// The Picture Tests colour fields read 33 characters: Write refuses what is
// not binary, Return normalises the field (a paste is not filtered, but
// Write takes the focus from the field, which normalises it first).
TEST(BadText, BinaryColourFieldsAreRefusedByWriteAndNormalisedOnReturn) {
  test::HostedControl host;
  HWND page = test::OpenCameraOnPage(host, 3);
  host.Click(page, IDC_SPECIFIC_VALUE_TEST);
  const std::string refused = Msg(156, 155) + ";";
  const std::string full = "WriteRegister(29,248);WriteRegister(30,0);";
  const struct {
    How how;
    std::string text, written, normalised;  // written: what Write did
  } cases[] = {
      {Set, kOnes, full, "11111"},  // the largest value, of which the word keeps five bits
      {Paste, kOnes, full, "11111"},
      {Set, std::string(33, '1') + "2", full, "11111"},
      {Set, "", "WriteRegister(29,0);WriteRegister(30,0);", "00000"},
      {Set, "-1", refused, "00000"},
      {Set, "+11", refused, "00011"},
      {Set, " 101", refused, "00101"},
      {Set, "0x1", refused, "00000"},
      {Paste, "12", "WriteRegister(29,8);WriteRegister(30,0);", "00001"},
  };
  for (const auto& c : cases) {
    for (int field : {IDC_RED, IDC_GREEN, IDC_BLUE})
      SetDlgItemTextA(page, field, field == IDC_GREEN ? "000000" : "00000");
    SetFocus(GetDlgItem(page, IDC_NO_TEST));
    Outcome(host, page);
    PutText(GetDlgItem(page, IDC_RED), c.how, c.text);
    host.Click(page, IDC_WRITE);
    EXPECT_EQ(Outcome(host, page), c.written + std::to_string(IDC_WRITE)) << c.text.substr(0, 9);
    SetFocus(GetDlgItem(page, IDC_RED));
    test::Type(GetDlgItem(page, IDC_RED), "\r");
    EXPECT_EQ(test::WindowText(GetDlgItem(page, IDC_RED)), c.normalised) << c.text.substr(0, 9);
  }
}

// Product names from either capture page: the box follows the location
// radios, the product page proposes its folder, an empty name is refused
// with the focus on the box. Others go as typed up to the limits: the
// Picture Capture page's box does not scroll, so a paste stops where it is
// full; the product page's box scrolls up to 100. Set text is read to 127.
TEST(BadText, ProductNamesArePassedAsTypedUpToTheirLimitsAndEmptyOnesRefused) {
  const std::string longName = "Folder\\" + std::string(5000, 'n');
  const std::wstring longWide(longName.begin(), longName.end());
  const std::tuple<long, int, int, int, std::string> pages[] = {
      {2, IDC_LOCATION_PRODUCT, IDC_PRODUCT_NAME, IDC_SAVE, ""},
      {4, IDC_EPOC_LOCATION_PRODUCT, IDC_EPOC_PRODUCT_NAME, IDC_EPOC_SAVE, "C:\\Orvik\\Images\\"}};
  for (const auto& [mode, product, nameId, save, proposed] : pages) {
    test::HostedControl host;
    HWND page = test::OpenCameraOnPage(host, 1, mode), name = GetDlgItem(page, nameId);
    std::string enabled;
    for (int radio : {product, IDC_LOCATION_PC, product}) {  // from the PC
      enabled += IsWindowEnabled(name) ? '1' : '0';
      host.Click(page, radio);
    }
    EXPECT_EQ(enabled + (IsWindowEnabled(name) ? '1' : '0'), "0101");
    EXPECT_EQ(test::WindowText(name), proposed);
    test::MessageRecorder::Clear();
    std::string shown;
    size_t pasted = 0;
    for (auto [how, text] : {std::pair<How, std::string>{Set, proposed},
                             {Set, longName},
                             {Paste, longName},
                             {Set, "   "},
                             {Set, "Bilder-J\xf6rg\\Bild 1"},
                             {Set, ""}}) {
      PutText(name, how, text);
      if (how == Paste) pasted = test::WindowText(name).size();
      host.Click(page, save);
      shown += (text.empty() ? Msg(158, 157) : Msg(102, 220)) + ";";
    }
    EXPECT_TRUE(mode == 2 ? pasted > 8 && pasted < 100 : pasted == 100) << pasted;
    std::vector<std::wstring> given, sent = {longWide.substr(0, 127), longWide.substr(0, pasted),
                                             L"   ", L"Bilder-J\u00f6rg\\Bild 1"};
    if (!proposed.empty())
      sent.insert(sent.begin(), std::wstring(proposed.begin(), proposed.end()));
    for (const test::ServerCall& call : host.Server().Calls())
      if (call.hasText) given.push_back(call.text);
    EXPECT_EQ(given, sent) << mode;
    host.Server().ClearCalls();
    EXPECT_EQ(Outcome(host, page), shown + std::to_string(nameId));  // back on the empty box
  }
}

}  // namespace
