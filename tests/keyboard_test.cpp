// The keyboard as a user uses it, real key input read by a host's message
// loop, on every page of every page set: Tab and Shift+Tab, Return and
// Escape, the mnemonics, the Please Wait dialog's keys, and what the control
// tells its host about keys.
#include <windows.h>
#include <olectl.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/help_catcher.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"

namespace {

// Presses and releases `key` with `modifier` (VK_SHIFT, VK_MENU or 0) held:
// keybd_event puts them into the input of the foreground thread, where they
// reach the focused window. Then runs this thread's messages, each through
// `filter` first (true: it used it), until the keys and what they posted
// are handled.
void PressRealKey(BYTE key, BYTE modifier, const std::function<bool(MSG&)>& filter) {
  if (modifier) keybd_event(modifier, 0, 0, 0);
  keybd_event(key, 0, 0, 0);
  keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
  if (modifier) keybd_event(modifier, 0, KEYEVENTF_KEYUP, 0);
  MSG msg;
  do {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (filter(msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  } while (HIWORD(GetQueueStatus(QS_KEY | QS_POSTMESSAGE | QS_SENDMESSAGE)));
}

using HandedOn = std::vector<std::pair<WPARAM, DWORD>>;  // key and modifiers (1 Shift)
constexpr int D = 0x10000;  // with an id: a control of the control's dialog, not of the page

// Each page where it can be used: what Tab reaches after the tab strip and
// before Close and Help, as the page lays it out (rows from the top, each
// from the left, a column before what lies to its right), then the Camera
// Activation group where the mode shows it; a radio group is entered at its
// checked button, greyed controls are passed over. Then Alt and each letter
// in turn from the tab strip (a letter again goes on from where the first
// left the focus): where the focus goes (for a label or group box, the
// control after it), and the dialogs opened.
struct Page {
  long mode;
  int tab;
  bool cameraOn;
  std::vector<int> walk;
  const char* letters = "";
  std::vector<int> reached = {};
  const char* opened = "";
};
// clang-format off
const Page kPages[] = {
    {1, 0, false, {IDC_TEST, D | IDC_DEACTIVATE_ALL}, "TDOVHC",
     {IDC_TEST, D | IDC_DEACTIVATE_ALL, D | IDC_CAMERA_ON, D | IDC_VIEWFINDER_ON, D | IDHELP,
      D | IDOK}, "Please Wait...|open open ended "},
    {1, 1, true, {IDC_LOCATION_PC, IDC_FORMAT_LIST, IDC_SIZE_LIST, IDC_PREVIEW, IDC_SAVE,
                  D | IDC_CAMERA_ON}, "RNPFSSE",
     {IDC_LOCATION_PRODUCT, IDC_PRODUCT_NAME, IDC_LOCATION_PC, IDC_FORMAT_LIST, IDC_SIZE_LIST,
      IDC_SAVE, IDC_PREVIEW}, "Save Camera Image As|"},
    {4, 0, true, {IDC_TEST}},
    // Product: the page takes the focus on to the name.
    {4, 1, false, {IDC_LOCATION_PC, IDC_FLASH_OFF, IDC_SHOW_IMAGE_AFTER_SAVE, IDC_FORMAT_LIST,
                   IDC_SIZE_LIST, IDC_CAMERA_NUMBER, IDC_EPOC_SAVE}, "RAPNYFISS",
     {IDC_EPOC_PRODUCT_NAME, IDC_EPOC_PRODUCT_NAME, IDC_LOCATION_PC, IDC_FLASH_ON,
      IDC_FLASH_ANTI_RED_EYE, IDC_FLASH_OFF, IDC_SHOW_IMAGE_AFTER_SAVE, IDC_SIZE_LIST,
      IDC_EPOC_SAVE}, "Save Camera Image As|"},
    // Mode 2 adds three pages (its Camera Test and Picture Capture are mode 1's).
    {2, 2, true, {IDC_ANALOG_GAIN, IDC_SHARPNESS_V, IDC_SHARPNESS_H, IDC_CONTRAST, IDC_BRIGHTNESS,
                  IDC_HUE, IDC_SATURATION, IDC_LUMINANCE_AUTO, IDC_LUMINANCE,
                  IDC_WHITE_BALANCE_AUTO, IDC_WHITE_BALANCE, IDC_BLEMISH_CORRECTION, IDC_READ,
                  IDC_WRITE, D | IDC_CAMERA_ON}, "ABRW",
     {IDC_LUMINANCE_AUTO, IDC_BLEMISH_CORRECTION, IDC_READ, IDC_WRITE}},
    {2, 3, true, {IDC_NO_TEST, D | IDC_CAMERA_ON}, "B12SERUWN",  // the colours need Specific Value
     {IDC_COLOUR_BAR_TEST, IDC_RAMP1_TEST, IDC_RAMP2_TEST, IDC_SPECIFIC_VALUE_TEST, IDC_RED,
      IDC_GREEN, IDC_BLUE, IDC_WRITE, IDC_NO_TEST}},
    {2, 4, true, {IDC_REGISTER_LIST, IDC_FIRST_REGISTER, IDC_LAST_REGISTER, IDC_READ, IDC_WRITE,
                  D | IDC_CAMERA_ON}, "EFLRW",
     {IDC_REGISTER_LIST, IDC_FIRST_REGISTER, IDC_LAST_REGISTER, IDC_READ, IDC_WRITE}},
    {2, 4, false, {D | IDC_DEACTIVATE_ALL}},  // the page greyed while the camera is off
};
// clang-format on

// From the last control and the first, Tab goes on to the host, and so do
// Return and Escape: the control tells the host of no accelerator table
// (the dialog takes its keys through TranslateAccelerator) and that it eats
// neither. Please Wait stays on Escape and on Return (it has no default
// button) and ends on Space, which presses its Cancel.
TEST(Keyboard, TabReturnEscapeAndEveryMnemonicOnEveryPage) {
  test::HelpCatcher help;
  for (const Page& page : kPages) {
    SCOPED_TRACE(testing::Message() << "mode " << page.mode << ", tab " << page.tab);
    test::HostedControl host;
    host.Server().SetProductMode(page.mode);
    ASSERT_EQ(host.Start(), S_OK);
    fw::ComPtr<IOleInPlaceActiveObject> active;
    fw::ComPtr<IOleControl> control;
    host.Control()->QueryInterface(IID_PPV_ARGS(&active));
    ASSERT_EQ(host.Control()->QueryInterface(IID_PPV_ARGS(&control)), S_OK);
    CONTROLINFO info = {sizeof info, reinterpret_cast<HACCEL>(-1), 7, CTRLINFO_EATS_RETURN};
    ASSERT_EQ(control->GetControlInfo(&info), S_OK);
    EXPECT_TRUE(info.hAccel == nullptr && info.cAccel == 0 && info.dwFlags == 0);
    SetForegroundWindow(GetAncestor(host.Dialog(), GA_ROOT));
    if (page.cameraOn) host.Click(host.Dialog(), IDC_CAMERA_ON);
    host.SelectTab(page.tab);
    auto name = [](HWND window) {
      return std::to_string(GetDlgCtrlID(window)) + " " + test::WindowText(window);
    };
    auto named = [&](int id) {
      return name(id & D ? host.Item(id & ~D) : GetDlgItem(host.CurrentPage(), id));
    };
    // Presses `key` through the host's loop; names the window then focused.
    auto press = [&](BYTE key, BYTE modifier) {
      PressRealKey(key, modifier,
                   [&](MSG& msg) { return active && active->TranslateAccelerator(&msg) == S_OK; });
      return name(GetFocus());
    };

    std::vector<std::string> order = {name(host.TabControl())};
    for (int id : page.walk)
      order.push_back(named(id));
    order.insert(order.end(), {named(D | IDOK), named(D | IDHELP)});
    SetFocus(host.TabControl());
    std::vector<std::string> forward, backward;
    for (size_t i = 0; i < order.size(); ++i)
      forward.push_back(press(VK_TAB, 0));
    for (size_t i = 0; i < order.size(); ++i)
      backward.push_back(press(VK_TAB, VK_SHIFT));
    std::vector<std::string> expected(order.begin() + 1, order.end());
    expected.push_back(order.back());
    EXPECT_EQ(forward, expected);
    expected.assign(order.rbegin() + 1, order.rend());
    expected.push_back(order.front());
    EXPECT_EQ(backward, expected);
    SetFocus(host.Item(IDOK));
    press(VK_RETURN, 0);
    press(VK_ESCAPE, 0);
    HandedOn handed;
    for (const host::AcceleratorSeen& seen : host.Container().AcceleratorsSeen())
      if (seen.message == WM_KEYDOWN) handed.push_back({seen.key, seen.modifiers});
    EXPECT_EQ(handed, (HandedOn{{VK_TAB, 0}, {VK_TAB, 1}, {VK_RETURN, 0}, {VK_ESCAPE, 0}}));

    std::string opened;
    test::WhenDialog closer(
        "",
        [&](HWND dialog) {
          opened += test::WindowText(dialog) + "|";
          if (!GetDlgItem(dialog, IDC_WAIT_CANCEL))
            return (void)PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
          for (BYTE key : {VK_ESCAPE, VK_RETURN, VK_SPACE}) {
            PressRealKey(key, 0, [&](MSG& msg) { return IsDialogMessageA(dialog, &msg) != FALSE; });
            opened += IsWindowVisible(dialog) ? "open " : "ended ";
          }
        },
        9);
    for (size_t i = 0; page.letters[i]; ++i) {
      if (i == 0 || page.letters[i] != page.letters[i - 1]) SetFocus(host.TabControl());
      EXPECT_EQ(press(page.letters[i], VK_MENU), named(page.reached[i])) << page.letters[i];
    }
    EXPECT_EQ(opened, page.opened);
    EXPECT_EQ(host.CloseRequests(), page.mode == 1 && page.tab == 0);  // Alt+C only
  }
  EXPECT_EQ(help.Requests().size(), 1u);  // Alt+H
}

}  // namespace
