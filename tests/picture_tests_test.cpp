// The Picture Tests page: test selection, binary colour fields, RGB 565 Write
// (refused and normalised field texts: bad_text_test; enabling per camera
// state: camera_control_test).
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
  host.Click(page, IDC_SPECIFIC_VALUE_TEST);
  EXPECT_EQ(Enabled(page), "1111");

  HWND red = GetDlgItem(page, IDC_RED);
  SetWindowTextA(red, "");
  SetFocus(red);
  test::Type(red, "2a 100011");  // binary digits only, five at most
  EXPECT_EQ(test::WindowText(red), "10001");
  SetDlgItemTextA(page, IDC_GREEN, "100001");
  SetDlgItemTextA(page, IDC_BLUE, "10001");
  host.Server().ClearCalls();
  host.Click(page, IDC_WRITE);  // 10001 100001 10001, high byte first
  EXPECT_EQ(host.Server().CallStrings(), (Texts{"WriteRegister(29,140)", "WriteRegister(30,49)"}));

  auto arrow = [](HWND edit, const char* text, WPARAM key) {
    SetWindowTextA(edit, text);
    SetFocus(edit);
    test::PressKey(edit, key);
    return test::WindowText(edit);
  };
  EXPECT_EQ(arrow(red, "11111", VK_UP), "11111");
  EXPECT_EQ(arrow(red, "00000", VK_DOWN), "00000");
  EXPECT_EQ(arrow(red, "00110", VK_DOWN), "00101");
  EXPECT_EQ(arrow(GetDlgItem(page, IDC_GREEN), "11111", VK_UP), "100000");
}

// The radios show the camera's test, whatever was clicked: after a write
// that failed, and after a click that came while other work was running.
TEST(PictureTestsPage, RadiosShowTheCamerasTestAfterAFailedWriteOrAnIgnoredClick) {
  test::HostedControl host;
  HWND page = test::OpenCameraOnPage(host, 3);
  auto checked = [&] {
    std::string states;
    for (int id = IDC_NO_TEST; id <= IDC_SPECIFIC_VALUE_TEST; ++id)
      states += SendDlgItemMessageA(page, id, BM_GETCHECK, 0, 0) == BST_CHECKED ? '1' : '0';
    return states;
  };
  host.Click(page, IDC_COLOUR_BAR_TEST);
  host.Server().SetResult("WriteRegister", 0x80040402);
  host.Click(page, IDC_NO_TEST);
  EXPECT_EQ(checked(), "01000");
  host.Server().ClearScript();
  host.Click(page, IDC_SPECIFIC_VALUE_TEST);
  host.Server().DuringCall("WriteRegister", [&] { host.Click(page, IDC_NO_TEST); });
  host.Click(page, IDC_WRITE);  // the colour
  EXPECT_EQ(checked(), "00001");
  EXPECT_EQ(test::ShownMessages().size(), 1u);  // the failed write's
}

}  // namespace
