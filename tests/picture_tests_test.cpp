// The Picture Tests page as the user works it: test selection written bit
// by bit into the camera's test register, the binary colour fields with
// their key filter and arrows, and Write of the specific colour.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/hosted_control.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"

namespace {

using Texts = std::vector<std::string>;
using Ids = std::vector<int>;

// What only the specific value test makes usable, in the dialog's order.
const Ids kColourGroup = {
    IDC_SPECIFIC_VALUE_GROUP, IDC_RED_LABEL,  IDC_RED,  IDC_RED_SPIN,  IDC_GREEN_LABEL, IDC_GREEN,
    IDC_GREEN_SPIN,           IDC_BLUE_LABEL, IDC_BLUE, IDC_BLUE_SPIN, IDC_WRITE};
const char kRefused[] =
    "Invalid Value in Edit Box|The was an invalid value in the Specific Value Test edit box. "
    "Please enter binary digits only. ";

class PictureTestsPage : public testing::Test {
 protected:
  void SetUp() override {
    page = test::OpenCameraOnPage(host, 3);
    ASSERT_NE(page, nullptr);
    host.Server().ClearCalls();
  }

  HWND Item(int id) const { return GetDlgItem(page, id); }
  // The checked radio buttons.
  Ids Checked() const {
    Ids checked;
    for (int id = IDC_NO_TEST; id <= IDC_SPECIFIC_VALUE_TEST; ++id)
      if (SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED) checked.push_back(id);
    return checked;
  }
  Ids EnabledColourGroup() const {
    Ids enabled;
    for (int id : test::EnabledChildIds(page))
      if ((id >= IDC_SPECIFIC_VALUE_GROUP && id <= IDC_BLUE_LABEL) || id == IDC_WRITE)
        enabled.push_back(id);
    return enabled;
  }
  void SelectSpecificValueTest() { host.Click(page, IDC_SPECIFIC_VALUE_TEST); }
  // Sets the fields' texts (red unless null), clicks Write and gives the calls made.
  Texts WriteColour(const char* red, const char* green, const char* blue) {
    host.Server().ClearCalls();
    if (red) SetWindowTextA(Item(IDC_RED), red);
    SetWindowTextA(Item(IDC_GREEN), green);
    SetWindowTextA(Item(IDC_BLUE), blue);
    host.Click(page, IDC_WRITE);
    return host.Server().CallStrings();
  }

  test::HostedControl host;
  HWND page = nullptr;
};

TEST_F(PictureTestsPage, SelectingATestWritesBit2ThenBit0ThenBit1OfRegister28) {
  const struct {
    int radio;
    BYTE before;
    std::vector<int> written;
  } cases[] = {
      {IDC_RAMP2_TEST, 0xF8, {0xFC, 0xFC, 0xFE}},
      {IDC_SPECIFIC_VALUE_TEST, 0x00, {0x04, 0x05, 0x07}},
      {IDC_COLOUR_BAR_TEST, 0x03, {0x07, 0x06, 0x04}},
      {IDC_NO_TEST, 0xFF, {0xFB, 0xFA, 0xF8}},
  };
  for (const auto& c : cases) {
    host.Server().SetRegister(28, c.before);
    host.Server().ClearCalls();
    host.Click(page, c.radio);
    Texts calls;
    for (int value : c.written)
      calls.insert(calls.end(),
                   {"ReadRegister(28)", "WriteRegister(28," + std::to_string(value) + ")"});
    EXPECT_EQ(host.Server().CallStrings(), calls) << c.radio;
    EXPECT_EQ(Checked(), Ids{c.radio});
    EXPECT_EQ(EnabledColourGroup(), c.radio == IDC_SPECIFIC_VALUE_TEST ? kColourGroup : Ids{});
  }
  EXPECT_TRUE(test::ShownMessages().empty());
}

TEST_F(PictureTestsPage, FailedSelectionStopsAtTheFailingStepAndKeepsTheRadios) {
  int writes = 0;
  host.Server().FailWhen(
      "WriteRegister", [&](const test::ServerCall&) { return ++writes == 2; }, 0x80040411);
  host.Click(page, IDC_SPECIFIC_VALUE_TEST);
  EXPECT_EQ(host.Server().CallStrings(), (Texts{"ReadRegister(28)", "WriteRegister(28,4)",
                                                "ReadRegister(28)", "WriteRegister(28,5)"}));
  EXPECT_EQ(test::ShownMessages(),
            (Texts{"Error Writing Phone Register|Unsupported parameter or register ID."}));
  EXPECT_EQ(Checked(), Ids{IDC_NO_TEST});
  EXPECT_EQ(EnabledColourGroup(), Ids{});
}

TEST_F(PictureTestsPage, WriteSendsTheRgb565WordHighByteFirst) {
  SelectSpecificValueTest();
  EXPECT_EQ(WriteColour("11111", "000000", "00000"),
            (Texts{"WriteRegister(29,248)", "WriteRegister(30,0)"}));
  EXPECT_EQ(WriteColour("00000", "111111", "11111"),
            (Texts{"WriteRegister(29,7)", "WriteRegister(30,255)"}));
}

// Typing is filtered and pasting is not; either text is normalised when
// the box loses the focus or Enter is pressed, and Write refuses it before.
TEST_F(PictureTestsPage, ColourFieldsTakeBinaryDigitsAndAreNormalised) {
  SelectSpecificValueTest();
  HWND red = Item(IDC_RED);
  SetWindowTextA(red, "");
  SetFocus(red);
  test::Type(red, "2a 101011");
  EXPECT_EQ(test::WindowText(red), "10101");
  SetWindowTextA(red, "1");
  test::Type(red, "\r");
  EXPECT_EQ(test::WindowText(red), "00001");
  EXPECT_EQ(GetFocus(), red);

  SetFocus(Item(IDC_GREEN));
  SetWindowTextA(red, "");
  ASSERT_TRUE(test::Paste(red, "12"));
  EXPECT_EQ(WriteColour(nullptr, "000000", "00000"), Texts{});
  EXPECT_EQ(test::ShownMessages(), Texts{kRefused});
  SetFocus(red);
  host.Click(page, IDC_WRITE);  // the click takes the focus first
  EXPECT_EQ(test::WindowText(red), "00001");
  EXPECT_EQ(host.Server().CallStrings(), (Texts{"WriteRegister(29,8)", "WriteRegister(30,0)"}));
}

TEST_F(PictureTestsPage, ArrowsStepTheNumberWithinItsRange) {
  SelectSpecificValueTest();
  const struct {
    int edit;
    const char* before;
    WPARAM key;
    const char* after;
  } cases[] = {
      {IDC_RED, "00011", VK_UP, "00100"},    {IDC_RED, "11111", VK_UP, "11111"},
      {IDC_RED, "00000", VK_DOWN, "00000"},  {IDC_RED, "111111", VK_DOWN, "11111"},
      {IDC_GREEN, "11111", VK_UP, "100000"}, {IDC_BLUE, "1", VK_DOWN, "00000"},
  };
  for (const auto& c : cases) {
    SetWindowTextA(Item(c.edit), c.before);
    SetFocus(Item(c.edit));
    test::PressKey(Item(c.edit), c.key);
    EXPECT_EQ(test::WindowText(Item(c.edit)), c.after) << c.edit << " " << c.before;
  }
}

TEST_F(PictureTestsPage, DisablingThePageKeepsTheColourGroupDisabled) {
  SelectSpecificValueTest();
  host.Click(host.Dialog(), IDC_DEACTIVATE_ALL);
  EXPECT_EQ(test::EnabledChildIds(page), Ids{});
  host.Click(host.Dialog(), IDC_CAMERA_ON);
  EXPECT_EQ(EnabledColourGroup(), kColourGroup);

  host.Click(page, IDC_NO_TEST);
  host.Click(host.Dialog(), IDC_DEACTIVATE_ALL);
  host.Click(host.Dialog(), IDC_CAMERA_ON);
  EXPECT_TRUE(IsWindowEnabled(Item(IDC_RAMP2_TEST)));
  EXPECT_EQ(EnabledColourGroup(), Ids{});
}

}  // namespace
