// Bad text in every edit box: thousands of characters set directly and
// pasted from the clipboard, characters beyond ASCII, signs, blanks,
// hexadecimal prefixes and empty text. Each case ends in the product's
// message or its silent correction; a write past one of the product's
// fixed buffers would stop the program (stack protector) or fail the heap
// tiers. (A folder beyond ASCII end to end: picture_capture_test.)
#include <windows.h>
#include <gtest/gtest.h>

#include <tuple>

#include "resources/resource.h"
#include "tests/support/message_recorder.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"

namespace {

using test::Msg;
using Texts = std::vector<std::string>;

const std::string kLongOnes(5000, '1');  // thousands of characters
const char kJoerg[] = "J\xf6rg";         // "Jörg" in code page 1252

// How the text gets into the box: set as a whole (WM_SETTEXT, no limit
// applies), or pasted with Ctrl+V as a user types it (the box's limit and
// key filter apply as they do to a user).
enum How { Set, Paste };

void PutText(HWND box, How how, const std::string& text) {
  if (how == Set) {
    SetWindowTextA(box, text.c_str());
    return;
  }
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

// The start of each message ("title|text") and each server call since the
// last time, as one string; then starts afresh.
std::string Outcome(test::HostedControl& host) {
  std::string outcome;
  for (const std::string& message : test::ShownMessages())
    outcome += message.substr(0, 60) + ";";
  for (const std::string& call : host.Server().CallStrings())
    outcome += call + ";";
  test::MessageRecorder::Clear();
  host.Server().ClearCalls();
  return outcome;
}

// The start of a message as Outcome lists it.
std::string Shown(UINT titleId, UINT textId) {
  return Msg(titleId, textId).substr(0, 60) + ";";
}

// First and Last read six characters as a signed decimal number; a paste
// takes three characters at most.
TEST(BadText, RegisterRangeBoxesReadSixCharactersAsASignedDecimalNumber) {
  test::HostedControl host;
  HWND page = test::OpenRegistersPage(host);
  HWND first = GetDlgItem(page, IDC_FIRST_REGISTER), last = GetDlgItem(page, IDC_LAST_REGISTER);
  // The outcome of Read with First and Last as given: a message and the box
  // with the focus, or the first and last register read.
  auto read = [&](How how, const std::string& firstText, const std::string& lastText) {
    Outcome(host);
    PutText(first, how, firstText);
    PutText(last, how, lastText);
    host.Click(page, IDC_READ);
    const Texts calls = host.Server().CallStrings();
    std::string outcome = Outcome(host);
    if (!calls.empty()) return calls.front() + ".." + calls.back();
    return outcome + (GetFocus() == first ? "First" : GetFocus() == last ? "Last" : "?");
  };
  const std::string all = "ReadRegister(0)..ReadRegister(159)";
  const std::string kRangeMessage = Shown(161, 159), kOrderMessage = Shown(161, 160);
  EXPECT_EQ(read(Set, kLongOnes, "159"), kRangeMessage + "First");  // "111111"
  EXPECT_EQ(read(Set, "0", "15" + std::string(5000, '9')), kRangeMessage + "Last");
  EXPECT_EQ(read(Set, "1" + std::string(5000, ' '), "2"), "ReadRegister(1)..ReadRegister(2)");
  EXPECT_EQ(read(Set, kJoerg, "159"), all);  // no digits: 0
  EXPECT_EQ(read(Set, "0x10", "159"), all);
  EXPECT_EQ(read(Set, "", "159"), all);
  EXPECT_EQ(read(Set, "-5", "159"), kRangeMessage + "First");
  EXPECT_EQ(read(Set, " +7", "\t9"), "ReadRegister(7)..ReadRegister(9)");
  EXPECT_EQ(read(Set, "10", ""), kOrderMessage + "First");
  EXPECT_EQ(read(Set, "-000000000001", "5"), "ReadRegister(0)..ReadRegister(5)");  // "-00000"
  EXPECT_EQ(read(Set, "0", "0001599"), all);                                       // "000159"

  // Pasted: three characters at most go in.
  EXPECT_EQ(read(Paste, kLongOnes, kLongOnes), "ReadRegister(111)..ReadRegister(111)");
  EXPECT_EQ(test::WindowText(first), "111");
  EXPECT_EQ(read(Paste, std::string(kJoerg) + "12", "1 5"), "ReadRegister(0)..ReadRegister(1)");
}

// A list cell's box takes the leading digits of its base, or 0.
TEST(BadText, InPlaceEditsTakeTheLeadingDigitsOfTheirBaseOrNothing) {
  test::HostedControl host;
  HWND page = test::OpenRegistersPage(host);
  HWND list = GetDlgItem(page, IDC_REGISTER_LIST);
  HWND edit = FindWindowExA(list, nullptr, "Edit", nullptr);
  for (int reg = 0; reg < 160; ++reg)
    host.Server().SetRegister(reg, 0xA5);
  host.Click(page, IDC_READ);  // every row 165 to start with

  const struct {
    int column;  // 1 binary, 2 hexadecimal, 3 decimal
    How how;
    std::string text, decimalShown;  // "165": the value was refused
  } cases[] = {
      {1, Set, kLongOnes, "165"},    // 30 ones read: above 255
      {1, Paste, kLongOnes, "255"},  // eight go in
      {1, Set, "2", "000"},
      {2, Set, "0x1F", "000"},  // the prefix stops the number at 0
      {2, Paste, "fF" + std::string(5000, 'f'), "255"},
      {2, Set, "-1", "000"},
      {2, Set, kJoerg, "000"},
      {3, Set, std::string(5000, '0') + "9", "000"},  // 30 characters read
      {3, Set, std::string(29, '0') + "19", "001"},
      {3, Set, " 7", "000"},
      {3, Set, "7 ", "007"},
      {3, Set, "+25", "000"},
      {3, Set, "25\xf6", "025"},
      {3, Paste, "2" + std::string(5000, '5'), "255"},
      {3, Set, "", "000"},
  };
  int row = 0;
  for (const auto& c : cases) {
    test::DoubleClickCell(list, row, c.column);
    ASSERT_EQ(GetFocus(), edit);
    PutText(edit, c.how, c.text);
    test::Type(edit, "\r");
    test::PumpMessages(20);  // the box posts its value to the list
    EXPECT_EQ(test::CellText(list, row, 3), c.decimalShown)
        << c.column << " " << c.text.substr(0, 9);
    ++row;
  }
  EXPECT_TRUE(test::ShownMessages().empty());
}

// The Picture Tests colour fields: Write refuses what is not binary, Return
// normalises the field.
TEST(BadText, BinaryColourFieldsAreRefusedByWriteAndNormalisedOnReturn) {
  test::HostedControl host;
  HWND page = test::OpenCameraOnPage(host, 3);
  host.Click(page, IDC_SPECIFIC_VALUE_TEST);
  HWND red = GetDlgItem(page, IDC_RED), green = GetDlgItem(page, IDC_GREEN);
  const std::string refused = Shown(156, 155);
  const struct {
    HWND field;
    How how;
    std::string text, written, normalised;  // written: what Write did
  } cases[] = {
      // 33 ones read: the largest value, of which the word keeps five bits.
      {red, Set, kLongOnes, "WriteRegister(29,248);WriteRegister(30,0);", "11111"},
      {red, Paste, kLongOnes, "WriteRegister(29,248);WriteRegister(30,0);", "11111"},
      {green, Set, kLongOnes, "WriteRegister(29,7);WriteRegister(30,224);", "111111"},
      // Only 33 characters are read: what follows them does not count.
      {red, Set, std::string(33, '1') + "2", "WriteRegister(29,248);WriteRegister(30,0);", "11111"},
      {red, Set, "", "WriteRegister(29,0);WriteRegister(30,0);", "00000"},
      {red, Set, "-1", refused, "00000"},
      {red, Set, "+11", refused, "00011"},
      {red, Set, " 101", refused, "00101"},
      {red, Set, "0x1", refused, "00000"},
      {red, Set, "1\xf6", refused, "00001"},
      {green, Set, "10" + std::string(5000, ' '), refused, "000010"},
      // A paste is not filtered, but clicking Write takes the focus from the
      // box, which normalises it first: "12" is written as 00001.
      {red, Paste, "12", "WriteRegister(29,8);WriteRegister(30,0);", "00001"},
  };
  for (const auto& c : cases) {
    SetFocus(GetDlgItem(page, IDC_NO_TEST));  // no field has the focus
    for (HWND field : {red, green, GetDlgItem(page, IDC_BLUE)})
      SetWindowTextA(field, field == green ? "000000" : "00000");
    Outcome(host);
    PutText(c.field, c.how, c.text);
    host.Click(page, IDC_WRITE);
    EXPECT_EQ(Outcome(host), c.written) << c.text.substr(0, 9);
    SetFocus(c.field);
    test::Type(c.field, "\r");
    EXPECT_EQ(test::WindowText(c.field), c.normalised) << c.text.substr(0, 9);
  }
}

// Saving on the product from either capture page: the name box follows the
// location radios, the product page proposes its folder, an empty name is
// refused. Other names go as typed up to the limits: the Picture Capture
// page's box does not scroll, so a paste stops where it is full; the product
// page's box scrolls up to its limit of 100. Set text is read to 127.
TEST(BadText, ProductNamesArePassedAsTypedUpToTheirLimitsAndEmptyOnesRefused) {
  const std::string longName = "Folder\\" + std::string(5000, 'n');
  const std::wstring longWide(longName.begin(), longName.end());
  const std::tuple<long, int, int, int, std::string> pages[] = {
      {2, IDC_LOCATION_PRODUCT, IDC_PRODUCT_NAME, IDC_SAVE, ""},
      {4, IDC_EPOC_LOCATION_PRODUCT, IDC_EPOC_PRODUCT_NAME, IDC_EPOC_SAVE, "C:\\Orvik\\Images\\"}};
  for (const auto& [mode, product, nameId, save, proposed] : pages) {
    test::MessageRecorder::Clear();
    test::HostedControl host;
    HWND page = test::OpenCameraOnPage(host, 1, mode), name = GetDlgItem(page, nameId);
    std::string enabled;
    for (int radio : {product, IDC_LOCATION_PC, product}) {  // from the PC
      enabled += IsWindowEnabled(name) ? '1' : '0';
      host.Click(page, radio);
    }
    EXPECT_EQ(enabled + (IsWindowEnabled(name) ? '1' : '0'), "0101");
    EXPECT_EQ(test::WindowText(name), proposed);
    Texts shown;
    size_t pasted = 0;
    for (auto [how, text] : {std::pair<How, std::string>{Set, proposed},
                             {Set, longName},
                             {Paste, longName},
                             {Set, "   "},
                             {Set, std::string("Bilder-") + kJoerg + "\\Bild 1"},
                             {Set, ""}}) {
      PutText(name, how, text);
      if (how == Paste) pasted = test::WindowText(name).size();
      host.Click(page, save);
      shown.push_back(text.empty() ? Msg(158, 157) : Msg(102, 220));
    }
    EXPECT_EQ(GetFocus(), name);  // back on the empty box
    EXPECT_TRUE(mode == 2 ? pasted > 8 && pasted < 100 : pasted == 100) << pasted;
    std::vector<std::wstring> given, sent = {longWide.substr(0, 127), longWide.substr(0, pasted),
                                             L"   ", L"Bilder-J\u00f6rg\\Bild 1"};
    if (!proposed.empty())
      sent.insert(sent.begin(), std::wstring(proposed.begin(), proposed.end()));
    for (const test::ServerCall& call : host.Server().Calls())
      if (call.hasText) given.push_back(call.text);
    EXPECT_EQ(given, sent) << mode;
    EXPECT_EQ(test::ShownMessages(), shown);
  }
}

}  // namespace
