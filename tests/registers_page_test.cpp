// The Registers page: Read and Write passes, range checks, and values
// edited in place in binary, hexadecimal and decimal.
#include <windows.h>
#include <gtest/gtest.h>

#include <tuple>

#include "resources/resource.h"
#include "tests/support/message_recorder.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"

namespace {

using Texts = std::vector<std::string>;

class RegistersPage : public testing::Test {
 protected:
  void SetUp() override {
    page = test::OpenRegistersPage(host);
    list = GetDlgItem(page, IDC_REGISTER_LIST);
    edit = FindWindowExA(list, nullptr, "Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    host.Server().ClearCalls();
  }
  void Click(int button, const char* first, const char* last) {
    SetDlgItemTextA(page, IDC_FIRST_REGISTER, first);
    SetDlgItemTextA(page, IDC_LAST_REGISTER, last);
    host.Click(page, button);
  }

  test::HostedControl host;
  HWND page = nullptr, list = nullptr, edit = nullptr;
};

// Read asks every register of the range in order and shows each in all bases.
TEST_F(RegistersPage, ReadOfTheFullRangeAsksInOrderAndShowsEveryBase) {
  Texts reads;
  for (int reg = 0; reg < 160; ++reg) {
    host.Server().SetRegister(reg, reg == 7 ? 165 : reg);
    reads.push_back("ReadRegister(" + std::to_string(reg) + ")");
  }
  host.Click(page, IDC_READ);  // the boxes start at 0 and 159
  EXPECT_EQ(host.Server().CallStrings(), reads);
  EXPECT_EQ(test::RowText(list, 7), "0007 10100101 a5 165");
  EXPECT_EQ(test::RowText(list, 159), "0159 10011111 9f 159");
  EXPECT_TRUE(test::ShownMessages().empty());
}

// Read and Write refuse a range out of 0-159 or reversed, with the focus on
// the box to correct; a page without a server says so before that.
TEST_F(RegistersPage, InvalidRangesAreExplainedWithTheFocusOnTheBoxToCorrect) {
  const std::string title = "An Invalid Register Number Was Entered|",
                    range = title + "Please enter a register number in the range 0-159",
                    order = title +
                            "The first register number had a greater number than the last. Please "
                            "make sure that the first register number is less than or equal to "
                            "the last.";
  const std::tuple<const char*, const char*, std::string, int> cases[] = {
      {"160", "159", range, IDC_FIRST_REGISTER},
      {"0", "160", range, IDC_LAST_REGISTER},
      {"10", "5", order, IDC_FIRST_REGISTER}};
  for (const auto& [first, last, text, focus] : cases)
    for (int button : {IDC_READ, IDC_WRITE}) {
      test::MessageRecorder::Clear();
      SetFocus(list);
      Click(button, first, last);
      EXPECT_EQ(test::ShownMessages(), Texts{text});
      EXPECT_EQ(GetFocus(), GetDlgItem(page, focus)) << first << ".." << last;
    }
  EXPECT_TRUE(host.Server().Calls().empty());

  fw::ComPtr<ICameraControlFNClient> client;
  ASSERT_EQ(host.Control()->QueryInterface(IID_PPV_ARGS(&client)), S_OK);
  ASSERT_EQ(client->SetServer(nullptr), S_OK);
  test::MessageRecorder::Clear();
  SetDlgItemTextA(page, IDC_FIRST_REGISTER, "999");
  for (int button : {IDC_READ, IDC_WRITE})  // disabled now, as if clicked
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  EXPECT_EQ(test::ShownMessages(), Texts(2, test::Msg(IDS_ERR_NO_SERVER_TITLE, IDS_ERR_NO_SERVER)));
}

// A cell is edited in place in its base, committed by Return, focus loss or
// a scroll, thrown away by Escape, and written only by Write.
TEST_F(RegistersPage, CellsAreEditedInPlaceInEachBaseAndWrittenLater) {
  const struct {
    int column;
    const char *keys, *end, *boxText, *row;  // end "": the focus moves away; "v": a scroll
  } cases[] = {
      {1, "2a10+1010101", "\r", "10101010", "0003 10101010 aa 170"},  // binary, eight digits
      {2, "xgFFa", "\r", "FF", "0003 11111111 ff 255"},               // two hexadecimal digits
      {3, "3a0f0", "\r", "300", "0003 11111111 ff 255"},              // above 255: ignored
      {3, "1234", "\r", "123", "0003 01111011 7b 123"},               // three decimal digits
      {3, "77", "\x1b", "77", "0003 01111011 7b 123"},                // Escape throws it away
      {3, "77", "", "77", "0003 01001101 4d 077"},                    // losing the focus commits
      {2, "0c", "v", "0c", "0003 00001100 0c 012"},                   // so does scrolling
  };
  for (const auto& c : cases) {
    test::DoubleClickCell(list, 3, c.column);
    test::PressKey(edit, VK_END);
    test::Type(edit, std::string(8, '\b') + c.keys);
    EXPECT_EQ(test::WindowText(edit), c.boxText);
    if (*c.end == 'v')
      SendMessageA(list, WM_VSCROLL, SB_LINEDOWN, 0);
    else if (*c.end)
      test::Type(edit, c.end);
    else
      SetFocus(list);
    test::PumpMessages(20);  // the box posts its value to the list
    EXPECT_FALSE(IsWindowVisible(edit));
    EXPECT_EQ(test::RowText(list, 3), c.row) << c.keys;
  }
  EXPECT_TRUE(host.Server().Calls().empty());
  Click(IDC_WRITE, "3", "3");
  EXPECT_EQ(host.Server().CallStrings(), Texts{"WriteRegister(3,12)"});
}

}  // namespace
