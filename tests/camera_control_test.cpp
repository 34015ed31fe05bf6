// The camera control as the user and the host see it: start-up, the sheet
// per product mode, the Camera Activation radio group, the server's events,
// help and the lifetime of what it holds.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/fake_camera_server.h"
#include "tests/support/hosted_control.h"
#include "tests/support/message_recorder.h"
#include "tests/support/modal.h"

using fw::ComPtr;
using Texts = std::vector<std::string>;

namespace {

// The control's dialog children that are enabled, by id.
std::vector<int> EnabledItems(HWND dialog) {
  std::vector<int> ids;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (IsWindowEnabled(child)) ids.push_back(GetDlgCtrlID(child));
  return ids;
}

RECT ClientRectIn(HWND window, HWND parent) {
  RECT rect;
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

TEST(StartUp, WithoutServerGoOnlyEnablesCloseAndHelp) {
  test::HostedControl host;
  ASSERT_NE(host.Dialog(), nullptr);
  EXPECT_EQ(host.Go(), S_OK);
  EXPECT_EQ(host.Sheet(), nullptr);  // no server, no sheet
  std::vector<int> enabled = EnabledItems(host.Dialog());
  EXPECT_EQ(enabled, (std::vector<int>{IDOK, IDHELP}));
  // Mode 2 is the start value: the radio group is shown, deactivated.
  EXPECT_TRUE(IsWindowVisible(host.Item(IDC_DEACTIVATE_ALL)));
  EXPECT_TRUE(host.IsChecked(IDC_DEACTIVATE_ALL));
  EXPECT_EQ(GetFocus(), host.Item(IDOK));
  EXPECT_TRUE(test::MessageRecorder::Messages().empty());
}

TEST(StartUp, GoReadsStateAndModeAndBuildsTheSheet) {
  test::HostedControl host;
  host.Server().SetProductMode(2);
  ASSERT_EQ(host.Start(), S_OK);
  EXPECT_EQ(host.Server().CallStrings(),
            (Texts{"GetConnectionState()", "GetProductConfiguration(0)"}));
  ASSERT_NE(host.Sheet(), nullptr);
  EXPECT_EQ(host.TabTexts(), (Texts{"Camera Test", "Picture Capture", "Picture Colours",
                                    "Picture Tests", "Registers"}));
  EXPECT_EQ(host.SelectedTab(), 0);

  // Placed 7 pixels up and left of the placeholder, ending at the bottom
  // of its tab area, with no OK, Cancel or Apply.
  RECT placeholder = ClientRectIn(host.Item(IDC_SHEET_PLACEHOLDER), host.Dialog());
  RECT sheet = ClientRectIn(host.Sheet(), host.Dialog());
  EXPECT_EQ(sheet.left, placeholder.left - 7);
  EXPECT_EQ(sheet.top, placeholder.top - 7);
  RECT tab = ClientRectIn(host.TabControl(), host.Dialog());
  EXPECT_EQ(sheet.bottom, tab.bottom);
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(host.Sheet(), IDOK)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(host.Sheet(), IDCANCEL)));
  HWND apply = GetDlgItem(host.Sheet(), 0x3021);
  EXPECT_TRUE(!apply || !IsWindowVisible(apply));
  EXPECT_FALSE(GetWindowLongPtrA(host.Sheet(), GWL_STYLE) & WS_CAPTION);
  EXPECT_TRUE(GetWindowLongPtrA(host.Sheet(), GWL_EXSTYLE) & WS_EX_CONTROLPARENT);

  // Connected in mode 2: everything usable, the radio group shown.
  EXPECT_TRUE(IsWindowEnabled(host.Item(IDC_CAMERA_ON)));
  EXPECT_TRUE(IsWindowVisible(host.Item(IDC_ACTIVATION_GROUP)));
  EXPECT_TRUE(IsWindowEnabled(host.Sheet()));
}

}  // namespace
