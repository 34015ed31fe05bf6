// The camera control as the user and the host see it: start-up, the sheet
// per product mode, the Camera Activation radio group, the server's events,
// help and the lifetime of what it holds.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "control/message_boxes.h"
#include "framework/module.h"
#include "control/wait_cursor.h"
#include "pages/sheet_messages.h"
#include "resources/resource.h"
#include "tests/support/fake_camera_server.h"
#include "tests/support/fake_help_resolver.h"
#include "tests/support/help_catcher.h"
#include "tests/support/product_dll.h"
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

// ---- helpers ----

constexpr HRESULT kFailure = static_cast<HRESULT>(0x80040409);

const char kNoServerTitle[] = "A Component Couldn't Be Found";
const char kNoServerText[] =
    "The Camera FN server component couldn't be found. This is an internal error. Please contact "
    "the BEX team.";
const char kNoConfigurationText[] =
    "Product specific configuration file for this component not found. Please check that product "
    "specific data package is installed.";
const char kTestFailedText[] =
    "The camera test couldn't be performed. Please check that the phone is on and there is a "
    "Lumadex connection to it. Also, please check that the camera is a Deactivated state.";

struct Message {
  std::string title;
  std::string text;
  long flags;
};

std::vector<Message> Messages() {
  std::vector<Message> result;
  for (const auto& m : test::MessageRecorder::Messages())
    result.push_back({m.title, m.text, m.flags});
  return result;
}

long SheetMask(const test::HostedControl& host) {
  return static_cast<long>(SendMessageA(host.Sheet(), SHM_GETACTIVATIONMASK, 0, 0));
}

// Whether every child of the page window is enabled (true) or disabled
// (false); fails the test if they differ. The capture pages' name on the
// product follows the location too (disabled for the PC) and is left out.
bool PageControlsEnabled(HWND page) {
  const int productName[] = {IDC_PRODUCT_NAME, IDC_PRODUCT_NAME_GROUP, IDC_EPOC_PRODUCT_NAME,
                             IDC_EPOC_PRODUCT_NAME_GROUP};
  int enabled = 0;
  int disabled = 0;
  for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (std::count(std::begin(productName), std::end(productName), GetDlgCtrlID(child)) == 0)
      (IsWindowEnabled(child) ? enabled : disabled)++;
  EXPECT_TRUE(enabled == 0 || disabled == 0) << enabled << " enabled, " << disabled << " disabled";
  return enabled > 0;
}

// Creates every page window by selecting each tab, then goes back to the
// first, so that enabling reaches all pages.
void VisitAllTabs(test::HostedControl& host) {
  int count = static_cast<int>(host.TabTexts().size());
  for (int i = count - 1; i >= 0; --i)
    host.SelectTab(i);
}

HWND PageWindow(test::HostedControl& host, int index) {
  host.SelectTab(index);
  return host.CurrentPage();
}

// Clicks a radio button of the activation group, hidden or not, as the
// button's click notification reaches the dialog.
void ClickRadio(test::HostedControl& host, int id) {
  SendMessageA(host.Dialog(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(host.Item(id)));
}

// Which of the three activation radios are checked, as "100", "010"...
std::string RadioChecks(const test::HostedControl& host) {
  std::string checks;
  for (int id : {IDC_DEACTIVATE_ALL, IDC_CAMERA_ON, IDC_VIEWFINDER_ON})
    checks += host.IsChecked(id) ? '1' : '0';
  return checks;
}

// Colours of the tab item's pixels, read back from the screen surface.
bool TabHasPixel(HWND tab, int index, COLORREF colour) {
  UpdateWindow(tab);
  RECT item;
  TabCtrl_GetItemRect(tab, index, &item);
  HDC dc = GetDC(tab);
  bool found = false;
  for (int y = item.top; y < item.bottom && !found; ++y)
    for (int x = item.left; x < item.right && !found; ++x)
      found = GetPixel(dc, x, y) == colour;
  ReleaseDC(tab, dc);
  return found;
}

// ---- pages per mode ----

struct ModePages {
  long mode;
  Texts tabs;
  bool radioGroupShown;
};

class PagesPerMode : public testing::TestWithParam<ModePages> {};

TEST_P(PagesPerMode, TabsInOrderAndRadioGroup) {
  const ModePages& expected = GetParam();
  test::HostedControl host;
  host.Server().SetProductMode(expected.mode);
  ASSERT_EQ(host.Start(), S_OK);
  EXPECT_EQ(host.TabTexts(), expected.tabs);
  EXPECT_EQ(host.SelectedTab(), 0);
  EXPECT_EQ(IsWindowVisible(host.Item(IDC_DEACTIVATE_ALL)) != FALSE, expected.radioGroupShown);
  EXPECT_EQ(IsWindowVisible(host.Item(IDC_ACTIVATION_GROUP)) != FALSE, expected.radioGroupShown);
  EXPECT_EQ(SheetMask(host), ActivationDeactivated);
}

const Texts kFullSet = {"Camera Test", "Picture Capture", "Picture Colours", "Picture Tests",
                        "Registers"};
const Texts kBasicSet = {"Camera Test", "Picture Capture"};
const Texts kProductSet = {"Camera Test", "Picture Capture  "};

INSTANTIATE_TEST_SUITE_P(
    Modes, PagesPerMode,
    testing::Values(ModePages{0, kBasicSet, true}, ModePages{1, kBasicSet, true},
                    ModePages{2, kFullSet, true}, ModePages{3, kProductSet, false},
                    ModePages{4, kProductSet, false}, ModePages{5, kProductSet, false},
                    ModePages{6, kProductSet, false}, ModePages{7, kBasicSet, true},
                    ModePages{-1, kBasicSet, true}));

TEST(Modes, ModeZeroDisablesEverythingButCloseAndHelpAndSaysSo) {
  test::HostedControl host;
  host.Server().SetProductMode(0);
  ASSERT_EQ(host.Start(), S_OK);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].title, "Camera Control");
  EXPECT_EQ(Messages()[0].text, kNoConfigurationText);
  EXPECT_EQ(Messages()[0].flags, MB_ICONHAND);
  EXPECT_EQ(test::MessageRecorder::Messages()[0].option, 1);
  EXPECT_EQ(test::MessageRecorder::Messages()[0].hr, S_OK);
  EXPECT_EQ(EnabledItems(host.Dialog()), (std::vector<int>{IDOK, IDHELP}));
  EXPECT_FALSE(PageControlsEnabled(PageWindow(host, 0)));
  EXPECT_FALSE(PageControlsEnabled(PageWindow(host, 1)));
  // The radio group is shown but cannot be used.
  EXPECT_TRUE(IsWindowVisible(host.Item(IDC_CAMERA_ON)));
  EXPECT_FALSE(IsWindowEnabled(host.Item(IDC_CAMERA_ON)));
}

TEST(Modes, GoWithoutConnectionKeepsEverythingButCloseAndHelpDisabled) {
  test::HostedControl host;
  host.Server().SetConnectionState(0);
  ASSERT_EQ(host.Start(), S_OK);
  EXPECT_EQ(EnabledItems(host.Dialog()), (std::vector<int>{IDOK, IDHELP}));
  EXPECT_FALSE(PageControlsEnabled(host.CurrentPage()));
}

// ---- enabling per activation mask ----

TEST(Enabling, CameraOnEnablesPicturePagesAndGreysCameraTest) {
  test::HostedControl host;
  ASSERT_EQ(host.Start(), S_OK);
  VisitAllTabs(host);
  EXPECT_TRUE(PageControlsEnabled(PageWindow(host, 0)));  // deactivated: camera test usable
  HWND tab = host.TabControl();
  COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
  COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
  EXPECT_TRUE(TabHasPixel(tab, 0, text));
  EXPECT_FALSE(TabHasPixel(tab, 1, text));
  EXPECT_TRUE(TabHasPixel(tab, 1, grey));

  host.Click(host.Dialog(), IDC_CAMERA_ON);
  EXPECT_EQ(SheetMask(host), ActivationCameraOn);
  EXPECT_FALSE(PageControlsEnabled(PageWindow(host, 0)));
  for (int i : {1, 2, 4})
    EXPECT_TRUE(PageControlsEnabled(PageWindow(host, i))) << i;
  // Picture Tests: the test choice is usable; the colour fields wait for
  // the specific value test.
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(PageWindow(host, 3), IDC_NO_TEST)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(PageWindow(host, 3), IDC_RED)));
  host.SelectTab(0);
  EXPECT_TRUE(TabHasPixel(tab, 0, grey));
  EXPECT_FALSE(TabHasPixel(tab, 0, text));
  for (int i = 1; i < 5; ++i)
    EXPECT_TRUE(TabHasPixel(tab, i, text)) << i;
}

TEST(Enabling, ViewFinderOnDisablesBothBasicPages) {
  test::HostedControl host;
  host.Server().SetProductMode(1);
  ASSERT_EQ(host.Start(), S_OK);
  VisitAllTabs(host);
  host.Click(host.Dialog(), IDC_VIEWFINDER_ON);
  EXPECT_EQ(SheetMask(host), ActivationViewFinderOn);
  EXPECT_FALSE(PageControlsEnabled(PageWindow(host, 0)));
  EXPECT_FALSE(PageControlsEnabled(PageWindow(host, 1)));
  HWND tab = host.TabControl();
  EXPECT_FALSE(TabHasPixel(tab, 0, GetSysColor(COLOR_WINDOWTEXT)));
  EXPECT_FALSE(TabHasPixel(tab, 1, GetSysColor(COLOR_WINDOWTEXT)));
}

TEST(Enabling, ProductModePagesAreUsableInEveryState) {
  test::HostedControl host;
  host.Server().SetProductMode(4);
  ASSERT_EQ(host.Start(), S_OK);
  VisitAllTabs(host);
  for (int id : {IDC_CAMERA_ON, IDC_VIEWFINDER_ON, IDC_DEACTIVATE_ALL}) {
    ClickRadio(host, id);
    EXPECT_TRUE(PageControlsEnabled(PageWindow(host, 0))) << id;
    EXPECT_TRUE(PageControlsEnabled(PageWindow(host, 1))) << id;
  }
}

// ---- the activation radio group ----

TEST(ActivationRadio, EachButtonSwitchesInItsOrder) {
  test::HostedControl host;
  ASSERT_EQ(host.Start(), S_OK);
  host.Server().ClearCalls();

  host.Click(host.Dialog(), IDC_CAMERA_ON);
  EXPECT_EQ(host.Server().CallStrings(), (Texts{"ActivateViewFinder(0)", "ActivateCamera(1)"}));
  EXPECT_EQ(RadioChecks(host), "010");
  EXPECT_EQ(SheetMask(host), ActivationCameraOn);

  host.Server().ClearCalls();
  host.Click(host.Dialog(), IDC_VIEWFINDER_ON);
  EXPECT_EQ(host.Server().CallStrings(), (Texts{"ActivateCamera(0)", "ActivateViewFinder(1)"}));
  EXPECT_EQ(RadioChecks(host), "001");
  EXPECT_EQ(SheetMask(host), ActivationViewFinderOn);

  host.Server().ClearCalls();
  host.Click(host.Dialog(), IDC_DEACTIVATE_ALL);
  EXPECT_EQ(host.Server().CallStrings(), (Texts{"ActivateViewFinder(0)", "ActivateCamera(0)"}));
  EXPECT_EQ(RadioChecks(host), "100");
  EXPECT_EQ(SheetMask(host), ActivationDeactivated);
  EXPECT_TRUE(Messages().empty());
}

TEST(ActivationRadio, FailuresFallBackToDeactivated) {
  test::HostedControl host;
  ASSERT_EQ(host.Start(), S_OK);
  host.Click(host.Dialog(), IDC_VIEWFINDER_ON);
  ASSERT_EQ(RadioChecks(host), "001");

  host.Server().FailWhen("ActivateCamera", test::ArgEquals(0, 1), kFailure);
  host.Click(host.Dialog(), IDC_CAMERA_ON);
  EXPECT_EQ(RadioChecks(host), "100");
  EXPECT_EQ(SheetMask(host), ActivationDeactivated);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].title, "Error Activating Camera");
  EXPECT_EQ(Messages()[0].text,
            "There was an error activating the camera. Please check that the phone is on and "
            "there is a Lumadex connection to it.");
  EXPECT_EQ(Messages()[0].flags, MB_ICONHAND);

  test::MessageRecorder::Clear();
  host.Server().FailWhen("ActivateViewFinder", test::ArgEquals(0, 1), kFailure);
  host.Click(host.Dialog(), IDC_VIEWFINDER_ON);
  EXPECT_EQ(RadioChecks(host), "100");
  EXPECT_EQ(SheetMask(host), ActivationDeactivated);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].title, "Error Activating ViewFinder");
  EXPECT_EQ(Messages()[0].text,
            "There was an error activating the viewfinder. Please check that the phone is on and "
            "there is a Lumadex connection to it.");

  // Switching everything off has no failure path.
  test::MessageRecorder::Clear();
  host.Server().SetResult("ActivateCamera", kFailure);
  host.Server().SetResult("ActivateViewFinder", kFailure);
  host.Click(host.Dialog(), IDC_DEACTIVATE_ALL);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(RadioChecks(host), "100");
}

TEST(ActivationRadio, WithoutServerOnlyTheMessage) {
  test::HostedControl host;
  ASSERT_EQ(host.Go(), S_OK);
  ClickRadio(host, IDC_CAMERA_ON);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].title, kNoServerTitle);
  EXPECT_EQ(Messages()[0].text, kNoServerText);
  EXPECT_EQ(RadioChecks(host), "100");  // unchanged
}

TEST(ActivationRadio, HiddenGroupMakesNoServerCalls) {
  test::HostedControl host;
  host.Server().SetProductMode(5);
  ASSERT_EQ(host.Start(), S_OK);
  host.Server().ClearCalls();
  ClickRadio(host, IDC_VIEWFINDER_ON);
  EXPECT_TRUE(host.Server().Calls().empty());
  EXPECT_EQ(SheetMask(host), ActivationViewFinderOn);
  ClickRadio(host, IDC_CAMERA_ON);
  EXPECT_EQ(SheetMask(host), ActivationCameraOn);
  EXPECT_TRUE(host.Server().Calls().empty());
}

TEST(ActivationRadio, WaitCursorShowsWhileTheServerWorks) {
  test::HostedControl host;
  ASSERT_EQ(host.Start(), S_OK);
  HCURSOR during = nullptr;
  host.Server().SetCallHook([&](const test::ServerCall& call) {
    if (call.name == "ActivateCamera") during = GetCursor();
  });
  HCURSOR before = SetCursor(LoadCursor(nullptr, IDC_ARROW));
  host.Click(host.Dialog(), IDC_CAMERA_ON);
  EXPECT_EQ(during, LoadCursor(nullptr, IDC_WAIT));
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
  SetCursor(before);
}

// ---- server events ----

TEST(Events, ConnectionLostLeavesOnlyCloseAndHelp) {
  test::HostedControl host;
  ASSERT_EQ(host.Start(), S_OK);
  host.Server().ClearCalls();
  host.Server().FireConnectionStateChanged(0);
  EXPECT_TRUE(host.Server().Calls().empty());
  EXPECT_EQ(EnabledItems(host.Dialog()), (std::vector<int>{IDOK, IDHELP}));
  EXPECT_FALSE(PageControlsEnabled(host.CurrentPage()));
  EXPECT_EQ(host.TabTexts(), kFullSet);  // the mode stays
}

TEST(Events, RegainedWithTheSameModeResetsTheRadioGroupOnly) {
  test::HostedControl host;
  ASSERT_EQ(host.Start(), S_OK);
  host.Click(host.Dialog(), IDC_CAMERA_ON);
  host.SelectTab(3);
  host.Server().FireConnectionStateChanged(0);
  host.Server().ClearCalls();
  host.Server().FireConnectionStateChanged(7);  // any nonzero value is "connected"
  EXPECT_EQ(host.Server().CallStrings(), (Texts{"GetProductConfiguration(0)"}));
  EXPECT_EQ(RadioChecks(host), "100");
  EXPECT_EQ(SheetMask(host), ActivationDeactivated);
  EXPECT_EQ(host.SelectedTab(), 3);  // no rebuild
  EXPECT_TRUE(IsWindowEnabled(host.Item(IDC_CAMERA_ON)));
}

TEST(Events, RegainedWithANewModeRebuildsTheSheet) {
  test::HostedControl host;
  ASSERT_EQ(host.Start(), S_OK);
  host.SelectTab(2);
  host.Server().SetProductMode(3);
  host.Server().FireConnectionStateChanged(1);
  EXPECT_EQ(host.TabTexts(), kProductSet);
  EXPECT_EQ(host.SelectedTab(), 0);
  EXPECT_FALSE(IsWindowVisible(host.Item(IDC_CAMERA_ON)));
  EXPECT_FALSE(IsWindowVisible(host.Item(IDC_ACTIVATION_GROUP)));

  // From a product mode to 0: the message, and the group shown but disabled.
  host.Server().SetProductMode(0);
  host.Server().FireConnectionStateChanged(1);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].text, kNoConfigurationText);
  EXPECT_EQ(host.TabTexts(), kBasicSet);
  EXPECT_TRUE(IsWindowVisible(host.Item(IDC_CAMERA_ON)));
  EXPECT_EQ(EnabledItems(host.Dialog()), (std::vector<int>{IDOK, IDHELP}));

  // And back to the full set.
  host.Server().SetProductMode(2);
  host.Server().FireConnectionStateChanged(1);
  EXPECT_EQ(host.TabTexts(), kFullSet);
  EXPECT_TRUE(IsWindowEnabled(host.Item(IDC_CAMERA_ON)));
}

TEST(Events, TestFailureShowsTheServersDescription) {
  test::HostedControl host;
  ASSERT_EQ(host.Start(), S_OK);
  host.Server().FireCameraTestFailed(L"Sensor did not answer.");
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].title, "Error Performing Camera Test");
  EXPECT_EQ(Messages()[0].text, std::string(kTestFailedText) + "\n\nSensor did not answer.");
  EXPECT_EQ(Messages()[0].flags, MB_ICONHAND);

  // A long description is cut so that the whole text is 511 characters.
  test::MessageRecorder::Clear();
  host.Server().FireCameraTestFailed(std::wstring(2000, L'x').c_str());
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].text.size(), 511u);
  EXPECT_EQ(Messages()[0].text.substr(0, sizeof kTestFailedText + 1),
            std::string(kTestFailedText) + "\n\n");
}

TEST(Events, MalformedEventsAreDropped) {
  test::HostedControl host;
  ASSERT_EQ(host.Start(), S_OK);
  host.Server().ClearCalls();
  EXPECT_EQ(host.Server().FireEvent(99, {test::LongArg(0)}), S_OK);
  EXPECT_EQ(host.Server().FireEvent(1, {}), S_OK);
  EXPECT_EQ(host.Server().FireEvent(1, {test::LongArg(0), test::LongArg(0)}), S_OK);
  EXPECT_EQ(host.Server().FireEvent(1, {test::TextArg(L"not a number")}), S_OK);
  EXPECT_EQ(host.Server().FireEvent(2, {test::LongArg(1), test::LongArg(2)}), S_OK);
  EXPECT_EQ(host.Server().FireEvent(3, {test::LongArg(5), test::LongArg(5)}), S_OK);
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(IsWindowEnabled(host.Item(IDC_CAMERA_ON)));  // still connected
  EXPECT_TRUE(host.Server().Calls().empty());

  // A number that arrives as text is converted to the declared type.
  host.Server().FireEvent(1, {test::TextArg(L"0")});
  EXPECT_EQ(EnabledItems(host.Dialog()), (std::vector<int>{IDOK, IDHELP}));
}

// ---- help ----

std::string ModuleFolder() {
  std::string path = test::ProductPath();
  return path.substr(0, path.find_last_of('\\') + 1);
}

TEST(Help, HelpButtonOpensTheSelectedPagesTopic) {
  test::HostedControl host;
  ASSERT_EQ(host.Start(), S_OK);
  test::HelpCatcher catcher;
  host.SelectTab(2);  // Picture Colours
  host.Click(host.Dialog(), IDHELP);
  host.SelectTab(3);  // Picture Tests
  host.Click(host.Dialog(), IDHELP);
  ASSERT_EQ(catcher.Requests().size(), 2u);
  EXPECT_EQ(catcher.Requests()[0].file, ModuleFolder() + "cmn_camera_control_rd.hlp");
  EXPECT_EQ(catcher.Requests()[0].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(catcher.Requests()[0].data, 6);
  EXPECT_EQ(catcher.Requests()[0].owner, host.Dialog());
  EXPECT_EQ(catcher.Requests()[1].data, 7);
}

TEST(Help, FileAndTopicPerMode) {
  struct Case {
    long mode;
    int tab;
    long topic;
  } cases[] = {{2, 0, 4}, {2, 1, 5}, {2, 4, 8}, {4, 0, 4}, {4, 1, 5}, {1, 1, 5}};
  for (const Case& c : cases) {
    test::HostedControl host;
    host.Server().SetProductMode(c.mode);
    ASSERT_EQ(host.Start(), S_OK);
    host.SelectTab(c.tab);
    test::HelpCatcher catcher;
    host.Click(host.Dialog(), IDHELP);
    ASSERT_EQ(catcher.Requests().size(), 1u) << c.mode;
    EXPECT_EQ(
        catcher.Requests()[0].file,
        ModuleFolder() + (c.mode == 2 ? "cmn_camera_control_rd.hlp" : "cmn_camera_control.hlp"))
        << c.mode;
    EXPECT_EQ(catcher.Requests()[0].data, c.topic) << c.mode << "/" << c.tab;
  }
}

TEST(Help, WithoutSheetTheDefaultTopicAndContextOneStaysOne) {
  test::HostedControl host;
  test::HelpCatcher catcher;
  host.Click(host.Dialog(), IDHELP);  // before Go: no sheet, no tab
  ASSERT_EQ(catcher.Requests().size(), 1u);
  EXPECT_EQ(catcher.Requests()[0].data, 3);

  ASSERT_EQ(host.Start(), S_OK);
  host.SelectTab(4);
  HELPINFO info = {sizeof info, HELPINFO_WINDOW, 0, nullptr, 1, {0, 0}};
  SendMessageA(host.Dialog(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  info.dwContextId = 0;  // F1 without a topic: the page's
  SendMessageA(host.Dialog(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  info.dwContextId = 2;  // any other topic: the page's too
  SendMessageA(host.Dialog(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  ASSERT_EQ(catcher.Requests().size(), 4u);
  EXPECT_EQ(catcher.Requests()[1].data, 1);
  EXPECT_EQ(catcher.Requests()[2].data, 8);
  EXPECT_EQ(catcher.Requests()[3].data, 8);
}

TEST(Help, PagesHelpRequestsReachTheControl) {
  test::HostedControl host;
  ASSERT_EQ(host.Start(), S_OK);
  host.SelectTab(1);
  test::HelpCatcher catcher;
  HELPINFO info = {sizeof info, HELPINFO_WINDOW, 0, nullptr, 0, {0, 0}};
  SendMessageA(host.Sheet(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  ASSERT_EQ(catcher.Requests().size(), 1u);
  EXPECT_EQ(catcher.Requests()[0].data, 5);
}

TEST(Help, TheHostsResolverIsAskedFirst) {
  test::HostedControl host;
  ASSERT_EQ(host.Start(), S_OK);
  test::FakeHelpResolver resolver;
  ASSERT_TRUE(resolver.Registered());
  resolver.ResolveTo(L"C:\\help\\moved.hlp");
  test::HelpCatcher catcher;
  host.Click(host.Dialog(), IDHELP);
  EXPECT_EQ(resolver.Asked(), (Texts{ModuleFolder() + "cmn_camera_control_rd.hlp"}));
  resolver.ResolveToEmpty();
  host.Click(host.Dialog(), IDHELP);
  resolver.Fail(E_FAIL);
  host.Click(host.Dialog(), IDHELP);
  ASSERT_EQ(catcher.Requests().size(), 3u);
  EXPECT_EQ(catcher.Requests()[0].file, "C:\\help\\moved.hlp");
  EXPECT_EQ(catcher.Requests()[1].file, ModuleFolder() + "cmn_camera_control_rd.hlp");
  EXPECT_EQ(catcher.Requests()[2].file, ModuleFolder() + "cmn_camera_control_rd.hlp");
}

// ---- messages, cursor, close ----

TEST(Messages, WithoutTheHostComponentAPlainBoxShowsTheResultCode) {
  test::MessageRecorder::Unavailable off;
  fw::Module::SetResourceInstance(test::ProductModule());
  test::ExpectMessageBox box;
  ShowError(IDS_ERR_NO_SERVER_TITLE, IDS_ERR_NO_SERVER);
  ASSERT_EQ(box.Count(), 1u);
  EXPECT_EQ(box.Last().caption, kNoServerTitle);
  EXPECT_EQ(box.Last().text, std::string(kNoServerText) + "\r\nHRESULT 0x00000000 (0)");
  EXPECT_EQ(box.Last().icon, static_cast<UINT>(MB_ICONHAND));
  EXPECT_EQ(box.Last().owner, nullptr);
}

TEST(Messages, AFailingHostComponentFallsBackAndMissingTextsShowNothing) {
  test::MessageRecorder::SetFailure(E_FAIL);
  {
    test::ExpectMessageBox box;
    EXPECT_EQ(ShowMessage("text", "title", static_cast<HRESULT>(0x80040410), MB_ICONASTERISK, 1),
              IDOK);
    ASSERT_EQ(box.Count(), 1u);
    EXPECT_EQ(box.Last().text, "text\r\nHRESULT 0x80040410 (-2147220464)");
    EXPECT_EQ(box.Last().icon, static_cast<UINT>(MB_ICONASTERISK));
  }
  test::MessageRecorder::SetFailure(S_OK);
  test::MessageRecorder::Clear();
  EXPECT_EQ(ShowMessage(nullptr, "title", S_OK, MB_ICONHAND, 1), -1);
  EXPECT_EQ(ShowMessage("text", nullptr, S_OK, MB_ICONHAND, 1), -1);
  EXPECT_TRUE(test::MessageRecorder::Messages().empty());

  // The host's answer is returned, and the pending error description goes
  // with the message.
  test::MessageRecorder::SetAnswer(7);
  fw::ComPtr<ICreateErrorInfo> create;
  ASSERT_EQ(CreateErrorInfo(&create), S_OK);
  create->SetDescription(const_cast<LPOLESTR>(L"described"));
  fw::ComPtr<IErrorInfo> error;
  create.As(&error);
  SetErrorInfo(0, error.Get());
  EXPECT_EQ(ShowMessage("text", "title", S_OK, MB_ICONHAND, 1), 7);
  ASSERT_EQ(test::MessageRecorder::Messages().size(), 1u);
  EXPECT_EQ(test::MessageRecorder::Messages()[0].description, "described");
  EXPECT_EQ(test::MessageRecorder::Messages()[0].resultPreset, -1);
}

TEST(WaitCursor, NestedCursorsRestoreTheOutermostSavedOne) {
  HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
  HCURSOR wait = LoadCursor(nullptr, IDC_WAIT);
  HCURSOR before = SetCursor(arrow);
  {
    CWaitCursor outer;
    EXPECT_EQ(GetCursor(), wait);
    SetCursor(LoadCursor(nullptr, IDC_CROSS));  // someone changes it meanwhile
    {
      CWaitCursor inner;
      EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_CROSS));  // nested: no change
      EXPECT_EQ(CWaitCursor::NestingCount(), 2);
    }
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_CROSS));
  }
  EXPECT_EQ(GetCursor(), arrow);
  EXPECT_EQ(CWaitCursor::NestingCount(), 0);
  SetCursor(before);
}

TEST(Close, AsksTheHostsFrameToClose) {
  test::HostedControl host;
  ASSERT_EQ(host.Start(), S_OK);
  host.Click(host.Dialog(), IDOK);
  test::PumpMessages(50);
  EXPECT_EQ(host.Container().CloseRequests(), 1);
  EXPECT_TRUE(IsWindow(host.Dialog()));  // the control does nothing more
}

// ---- server link and lifetime ----

TEST(Lifetime, ReleasingTheControlGivesBackTheServer) {
  auto server = fw::Make<test::FakeCameraServer>();
  ULONG before = server->RefCount();
  {
    test::TestContainer container;
    fw::ComPtr<IUnknown> control = test::CreateControl();
    ASSERT_EQ(container.Activate(control.Get()), S_OK);
    fw::ComPtr<ICameraControlFNClient> client;
    control.As(&client);
    fw::ComPtr<IGoClient> go;
    control.As(&go);
    ASSERT_EQ(client->SetServer(server.Get()), S_OK);
    EXPECT_EQ(server->AdvisedSinkCount(), 1u);
    ASSERT_EQ(go->Go(), S_OK);
    EXPECT_GT(server->RefCount(), before);
    server->ClearCalls();
    container.Deactivate();  // destroys the window: the camera goes off
    EXPECT_EQ(server->CallStrings(), (Texts{"ActivateCamera(0)"}));
  }
  EXPECT_EQ(server->RefCount(), before);
  EXPECT_EQ(server->AdvisedSinkCount(), 0u);
}

TEST(Lifetime, ReleasedWhileActiveStillSwitchesTheCameraOff) {
  auto server = fw::Make<test::FakeCameraServer>();
  ULONG before = server->RefCount();
  {
    test::HostedControl host;
    fw::ComPtr<ICameraControlFNClient> client;
    ASSERT_EQ(fw::ComPtr<IUnknown>(host.Control()).As(&client), S_OK);
    client->SetServer(server.Get());
    client.Reset();
    ASSERT_EQ(host.Go(), S_OK);
    server->ClearCalls();
  }
  EXPECT_EQ(server->CallStrings(), (Texts{"ActivateCamera(0)"}));
  EXPECT_EQ(server->RefCount(), before);
  EXPECT_EQ(server->AdvisedSinkCount(), 0u);
}

TEST(Lifetime, ExchangingServersMovesTheSink) {
  auto first = fw::Make<test::FakeCameraServer>();
  auto second = fw::Make<test::FakeCameraServer>();
  auto client = test::CreateControlAs<ICameraControlFNClient>();
  ASSERT_EQ(client->SetServer(first.Get()), S_OK);
  ASSERT_EQ(client->SetServer(first.Get()), S_OK);  // the same one: nothing changes
  EXPECT_EQ(first->AdvisedSinkCount(), 1u);
  ASSERT_EQ(client->SetServer(second.Get()), S_OK);
  EXPECT_EQ(first->AdvisedSinkCount(), 0u);
  EXPECT_EQ(second->AdvisedSinkCount(), 1u);
  EXPECT_EQ(first->RefCount(), 1u);
  ASSERT_EQ(client->SetServer(nullptr), S_OK);
  EXPECT_EQ(second->AdvisedSinkCount(), 0u);
  EXPECT_EQ(second->RefCount(), 1u);
  EXPECT_TRUE(first->Calls().empty());  // SetServer alone calls nothing
}

// ---- bad servers ----

TEST(BadServers, AServerThatAnswersNothingLeavesTheDefaults) {
  test::HostedControl host;
  host.Server().SetAnswersNothing(true);
  ASSERT_EQ(host.Start(), S_OK);
  EXPECT_EQ(host.TabTexts(), kFullSet);  // mode stays 2
  // Nothing said the phone is connected.
  EXPECT_EQ(EnabledItems(host.Dialog()), (std::vector<int>{IDOK, IDHELP}));
  EXPECT_TRUE(Messages().empty());
}

TEST(BadServers, AServerThatFailsEverythingShowsOneMessagePerAction) {
  test::HostedControl host;
  for (const char* name :
       {"GetConnectionState", "GetProductConfiguration", "ActivateCamera", "ActivateViewFinder"})
    host.Server().SetResult(name, E_FAIL);
  ASSERT_EQ(host.Start(), S_OK);
  EXPECT_TRUE(Messages().empty());
  ClickRadio(host, IDC_CAMERA_ON);
  EXPECT_EQ(Messages().size(), 1u);
  EXPECT_EQ(RadioChecks(host), "100");
}

TEST(BadServers, AServerWithoutEventsStillWorks) {
  test::HostedControl host;
  host.Server().Offer(IID_IConnectionPointContainer, false);
  ASSERT_EQ(host.Start(), S_OK);
  EXPECT_EQ(host.TabTexts(), kFullSet);
  host.Click(host.Dialog(), IDC_CAMERA_ON);
  EXPECT_EQ(RadioChecks(host), "010");
}

}  // namespace
