// The Picture Tests page: test selection, binary colour fields, RGB 565 Write.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"

namespace {

using Texts = std::vector<std::string>;

// Which of Ramp 2, the colour group's frame, Red and Write are enabled.
std::string Enabled(HWND page) {
  std::string states;
  for (int id : {IDC_RAMP2_TEST, IDC_SPECIFIC_VALUE_GROUP, IDC_RED, IDC_WRITE})
    states += IsWindowEnabled(GetDlgItem(page, id)) ? '1' : '0';
  return states;
}

TEST(PictureTestsPage, SelectionColourFieldsAndWrite) {
  test::HostedControl host;
  HWND page = test::OpenCameraOnPage(host, 3);
  host.Server().SetRegister(28, 0xF9);
  host.Server().ClearCalls();
  host.Click(page, IDC_RAMP2_TEST);  // bit 2 set, bit 0 cleared, bit 1 set
  EXPECT_EQ(host.Server().CallStrings(),
            (Texts{"ReadRegister(28)", "WriteRegister(28,253)", "ReadRegister(28)",
                   "WriteRegister(28,252)", "ReadRegister(28)", "WriteRegister(28,254)"}));
  EXPECT_EQ(Enabled(page), "1000");
  host.Click(host.Dialog(), IDC_DEACTIVATE_ALL);
  EXPECT_EQ(Enabled(page), "0000");
  host.Click(host.Dialog(), IDC_CAMERA_ON);
  EXPECT_EQ(Enabled(page), "1000");
  host.Click(page, IDC_SPECIFIC_VALUE_TEST);
  EXPECT_EQ(Enabled(page), "1111");

  HWND red = GetDlgItem(page, IDC_RED);
  SetWindowTextA(red, "12");  // text not typed is not filtered, and Write refuses it
  host.Server().ClearCalls();
  host.Click(page, IDC_WRITE);
  EXPECT_TRUE(host.Server().Calls().empty());
  EXPECT_EQ(test::ShownMessages(),
            (Texts{"Invalid Value in Edit Box|The was an invalid value in the Specific Value "
                   "Test edit box. Please enter binary digits only. "}));
  SetWindowTextA(red, "");
  SetFocus(red);
  test::Type(red, "2a 100011");  // binary digits only, five at most
  EXPECT_EQ(test::WindowText(red), "10001");
  SetDlgItemTextA(page, IDC_GREEN, "100001");
  SetDlgItemTextA(page, IDC_BLUE, "10001");
  host.Click(page, IDC_WRITE);  // 10001 100001 10001, high byte first
  EXPECT_EQ(host.Server().CallStrings(), (Texts{"WriteRegister(29,140)", "WriteRegister(30,49)"}));
  SetWindowTextA(red, "1");
  SetFocus(red);
  test::Type(red, "\r");  // Return fills in the leading zeros
  EXPECT_EQ(test::WindowText(red), "00001");

  auto arrow = [](HWND edit, const char* text, WPARAM key) {
    SetWindowTextA(edit, text);
    SetFocus(edit);
    test::PressKey(edit, key);
    return test::WindowText(edit);
  };
  EXPECT_EQ(arrow(red, "11111", VK_UP), "11111");
  EXPECT_EQ(arrow(red, "00000", VK_DOWN), "00000");
  EXPECT_EQ(arrow(GetDlgItem(page, IDC_GREEN), "11111", VK_UP), "100000");
}

}  // namespace
