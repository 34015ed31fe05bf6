// The keyboard as a user uses it, real key input read by a host's message
// loop: Tab and Shift+Tab through the control's dialog and every page of
// every page set, the mnemonics, the Please Wait dialog's keys, and what the
// control tells its host about keys.
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

// Takes a message before TranslateMessage and DispatchMessage; true when it
// used it: a host's loop (the control's TranslateAccelerator sees every
// message first) or a modal dialog's (IsDialogMessage).
using KeyFilter = std::function<bool(MSG& msg)>;
KeyFilter DialogLoop(HWND dialog) {
  return [dialog](MSG& msg) { return IsDialogMessageA(dialog, &msg) != FALSE; };
}

// Presses and releases `key` with `modifier` (VK_SHIFT, VK_MENU or 0) held:
// keybd_event puts them into the input of the foreground thread, where they
// reach the focused window. Runs this thread's messages through `filter`
// until the keys and what they posted are handled.
void PressRealKey(BYTE key, BYTE modifier, const KeyFilter& filter) {
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

// The control started in `mode` on tab `tab`, the camera on or off, its
// frame in front; keys go through the host's loop.
struct Keyboard {
  Keyboard(long mode, int tab, bool cameraOn) {
    host.Server().SetProductMode(mode);
    EXPECT_EQ(host.Start(), S_OK);
    host.Control()->QueryInterface(IID_PPV_ARGS(&active));
    SetForegroundWindow(GetAncestor(host.Dialog(), GA_ROOT));
    if (cameraOn) host.Click(host.Dialog(), IDC_CAMERA_ON);
    host.SelectTab(tab);
  }
  // Presses `key` and names the window that then has the focus.
  std::string Press(BYTE key, BYTE modifier = 0) {
    PressRealKey(key, modifier,
                 [this](MSG& msg) { return active && active->TranslateAccelerator(&msg) == S_OK; });
    return Name(GetFocus());
  }
  static std::string Name(HWND window) {
    return std::to_string(GetDlgCtrlID(window)) + " " + test::WindowText(window);
  }
  std::string Name(int id) const {
    return Name(id & D ? host.Item(id & ~D) : GetDlgItem(host.CurrentPage(), id));
  }
  // The keys the control handed on to the host's IOleControlSite.
  HandedOn Host() const {
    HandedOn keys;
    for (const host::AcceleratorSeen& seen : host.Container().AcceleratorsSeen())
      if (seen.message == WM_KEYDOWN) keys.push_back({seen.key, seen.modifiers});
    return keys;
  }

  test::HostedControl host;
  fw::ComPtr<IOleInPlaceActiveObject> active;
};

// Each page where it can be used, and what Tab reaches after the tab strip
// and before Close and Help, as the page lays it out (rows from the top,
// each from the left, a column before what lies to its right), then the
// Camera Activation group where the mode shows it. A radio group is entered
// at its checked button; greyed controls are passed over.
struct Page {
  long mode;
  int tab;
  bool cameraOn;
  std::vector<int> ids;
  const char* letters = "";  // with the ids they reach
  const char* opened = "";   // the dialogs the letters open
};
// clang-format off
const Page kWalks[] = {
    {1, 0, false, {IDC_TEST, D | IDC_DEACTIVATE_ALL}},
    {1, 1, true, {IDC_LOCATION_PC, IDC_FORMAT_LIST, IDC_SIZE_LIST, IDC_PREVIEW, IDC_SAVE,
                  D | IDC_CAMERA_ON}},
    {4, 0, true, {IDC_TEST}},
    {4, 1, false, {IDC_LOCATION_PC, IDC_FLASH_OFF, IDC_SHOW_IMAGE_AFTER_SAVE, IDC_FORMAT_LIST,
                   IDC_SIZE_LIST, IDC_CAMERA_NUMBER, IDC_EPOC_SAVE}},
    {2, 0, false, {IDC_TEST, D | IDC_DEACTIVATE_ALL}},
    {2, 1, true, {IDC_LOCATION_PC, IDC_FORMAT_LIST, IDC_SIZE_LIST, IDC_PREVIEW, IDC_SAVE,
                  D | IDC_CAMERA_ON}},
    {2, 2, true, {IDC_ANALOG_GAIN, IDC_SHARPNESS_V, IDC_SHARPNESS_H, IDC_CONTRAST, IDC_BRIGHTNESS,
                  IDC_HUE, IDC_SATURATION, IDC_LUMINANCE_AUTO, IDC_LUMINANCE,
                  IDC_WHITE_BALANCE_AUTO, IDC_WHITE_BALANCE, IDC_BLEMISH_CORRECTION, IDC_READ,
                  IDC_WRITE, D | IDC_CAMERA_ON}},
    {2, 3, true, {IDC_NO_TEST, D | IDC_CAMERA_ON}},  // the colour fields need Specific Value
    {2, 4, true, {IDC_REGISTER_LIST, IDC_FIRST_REGISTER, IDC_LAST_REGISTER, IDC_READ, IDC_WRITE,
                  D | IDC_CAMERA_ON}},
    {2, 4, false, {D | IDC_DEACTIVATE_ALL}},  // the page greyed while the camera is off
};
// clang-format on

TEST(Keyboard, TabAndShiftTabGoThroughEveryPageAsItIsLaidOut) {
  for (const Page& walk : kWalks) {
    SCOPED_TRACE(testing::Message() << "mode " << walk.mode << ", tab " << walk.tab);
    Keyboard keys(walk.mode, walk.tab, walk.cameraOn);
    std::vector<std::string> order = {Keyboard::Name(keys.host.TabControl())};
    for (int id : walk.ids)
      order.push_back(keys.Name(id));
    order.insert(order.end(), {keys.Name(D | IDOK), keys.Name(D | IDHELP)});
    SetFocus(keys.host.TabControl());
    std::vector<std::string> forward, backward;
    for (size_t i = 0; i < order.size(); ++i)
      forward.push_back(keys.Press(VK_TAB));
    for (size_t i = 0; i < order.size(); ++i)
      backward.push_back(keys.Press(VK_TAB, VK_SHIFT));
    // From the last and the first the key goes on to the host.
    std::vector<std::string> expected(order.begin() + 1, order.end());
    expected.push_back(order.back());
    EXPECT_EQ(forward, expected);
    expected.assign(order.rbegin() + 1, order.rend());
    expected.push_back(order.front());
    EXPECT_EQ(backward, expected);
    EXPECT_EQ(keys.Host(), (HandedOn{{VK_TAB, 0}, {VK_TAB, 1}}));
  }
}

// Alt and each letter of a page in turn, from the tab strip (a letter again
// goes on from where the first left the focus): where the focus goes (for a
// label or group box, the control after it) and the dialogs opened, which
// are closed as they come.
// clang-format off
const Page kMnemonics[] = {
    {1, 0, false, {IDC_TEST, D | IDC_DEACTIVATE_ALL, D | IDC_CAMERA_ON, D | IDC_VIEWFINDER_ON,
                   D | IDHELP, D | IDOK}, "TDOVHC", "Please Wait...|open open ended "},
    {1, 1, true, {IDC_LOCATION_PRODUCT, IDC_PRODUCT_NAME, IDC_LOCATION_PC, IDC_FORMAT_LIST,
                  IDC_SIZE_LIST, IDC_SAVE, IDC_PREVIEW}, "RNPFSSE", "Save Camera Image As|"},
    // Product: the page takes the focus on to the name.
    {4, 1, false, {IDC_EPOC_PRODUCT_NAME, IDC_EPOC_PRODUCT_NAME, IDC_LOCATION_PC, IDC_FLASH_ON,
                   IDC_FLASH_ANTI_RED_EYE, IDC_FLASH_OFF, IDC_SHOW_IMAGE_AFTER_SAVE, IDC_SIZE_LIST,
                   IDC_EPOC_SAVE}, "RAPNYFISS", "Save Camera Image As|"},
    {2, 2, true, {IDC_LUMINANCE_AUTO, IDC_BLEMISH_CORRECTION, IDC_READ, IDC_WRITE}, "ABRW"},
    {2, 3, true, {IDC_COLOUR_BAR_TEST, IDC_RAMP1_TEST, IDC_RAMP2_TEST, IDC_SPECIFIC_VALUE_TEST,
                  IDC_RED, IDC_GREEN, IDC_BLUE, IDC_WRITE, IDC_NO_TEST}, "B12SERUWN"},
    {2, 4, true, {IDC_REGISTER_LIST, IDC_FIRST_REGISTER, IDC_LAST_REGISTER, IDC_READ, IDC_WRITE},
     "EFLRW"},
};
// clang-format on

TEST(Keyboard, EveryMnemonicReachesItsControl) {
  test::HelpCatcher help;
  for (const Page& page : kMnemonics) {
    SCOPED_TRACE(testing::Message() << "mode " << page.mode << ", tab " << page.tab);
    Keyboard keys(page.mode, page.tab, page.cameraOn);
    std::string opened;
    auto close = [&](HWND dialog) {
      opened += test::WindowText(dialog) + "|";
      if (!GetDlgItem(dialog, IDC_WAIT_CANCEL))
        return (void)PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
      // Please Wait stays on Escape and on Return (no default button to
      // press); Space presses Cancel, which has the focus.
      for (BYTE key : {VK_ESCAPE, VK_RETURN, VK_SPACE}) {
        PressRealKey(key, 0, DialogLoop(dialog));
        opened += IsWindowVisible(dialog) ? "open " : "ended ";
      }
    };
    test::WhenDialog closer("", close, 9);
    for (size_t i = 0; page.letters[i]; ++i) {
      if (i == 0 || page.letters[i] != page.letters[i - 1]) SetFocus(keys.host.TabControl());
      EXPECT_EQ(keys.Press(page.letters[i], VK_MENU), keys.Name(page.ids[i])) << page.letters[i];
    }
    EXPECT_EQ(opened, page.opened);
    EXPECT_EQ(keys.host.CloseRequests(), page.mode == 1 && page.tab == 0);  // Alt+C
  }
  EXPECT_EQ(help.Requests().size(), 1u);  // Alt+H
}

// What a host reads from GetControlInfo: no accelerator table (the dialog
// takes its keys through TranslateAccelerator) and neither Return nor Escape
// eaten: the control hands both on to the host.
TEST(Keyboard, TheHostIsToldOfNoAcceleratorsAndGetsReturnAndEscape) {
  Keyboard keys(1, 0, false);
  fw::ComPtr<IOleControl> control;
  ASSERT_EQ(keys.host.Control()->QueryInterface(IID_PPV_ARGS(&control)), S_OK);
  CONTROLINFO info = {sizeof info, reinterpret_cast<HACCEL>(-1), 7, CTRLINFO_EATS_RETURN};
  ASSERT_EQ(control->GetControlInfo(&info), S_OK);
  EXPECT_TRUE(info.hAccel == nullptr && info.cAccel == 0 && info.dwFlags == 0)
      << info.hAccel << " " << info.cAccel << " " << info.dwFlags;
  SetFocus(keys.host.Item(IDOK));
  keys.Press(VK_RETURN);
  keys.Press(VK_ESCAPE);
  EXPECT_EQ(keys.Host(), (HandedOn{{VK_RETURN, 0}, {VK_ESCAPE, 0}}));
  EXPECT_EQ(keys.host.CloseRequests(), 0);
}

}  // namespace
