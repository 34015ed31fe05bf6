// The keyboard as a user uses it, with real key input read by a host's
// message loop: Tab and Shift+Tab through the control's dialog and every
// page of every page set, the mnemonics, the Please Wait dialog's keys, and
// what the control tells its host about keys.
#include <windows.h>
#include <olectl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/help_catcher.h"
#include "tests/support/keys.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"

namespace {

// A started control in `mode` showing tab `tab`, the camera on or off, its
// frame in front; keys go through the host's loop.
struct Keyboard {
  Keyboard(long mode, int tab, bool cameraOn) {
    host.Server().SetProductMode(mode);
    EXPECT_EQ(host.Start(), S_OK);
    loop = test::HostLoop(host.Control());
    SetForegroundWindow(GetAncestor(host.Dialog(), GA_ROOT));
    if (cameraOn) host.Click(host.Dialog(), IDC_CAMERA_ON);
    host.SelectTab(tab);
  }
  // Presses `key` and names the window that then has the focus.
  std::string Press(BYTE key, BYTE modifier = 0) {
    test::PressRealKey(key, modifier, loop);
    return Name(GetFocus());
  }
  // A control of the page shown, or with kDialog of the control's dialog.
  HWND Item(int id) const {
    return id & kDialog ? host.Item(id & ~kDialog) : GetDlgItem(host.CurrentPage(), id);
  }
  static constexpr int kDialog = 0x10000;
  static std::string Name(HWND window) {
    return std::to_string(GetDlgCtrlID(window)) + " " + test::WindowText(window);
  }
  // The keys the control handed on to the host's IOleControlSite, with
  // their modifiers (1 Shift).
  std::vector<std::pair<WPARAM, DWORD>> HandedOn() const {
    std::vector<std::pair<WPARAM, DWORD>> keys;
    for (const host::AcceleratorSeen& seen : host.Container().AcceleratorsSeen())
      if (seen.message == WM_KEYDOWN) keys.push_back({seen.key, seen.modifiers});
    return keys;
  }

  test::HostedControl host;
  test::KeyFilter loop;
};

// Each page in a state in which it can be used, and the controls a user
// reaches with Tab there, as the page lays them out (rows from the top, each
// from the left; a column before what lies to its right). A radio group is
// entered at its checked button; greyed controls are passed over.
struct Walk {
  long mode;
  int tab;
  bool cameraOn;
  std::vector<int> page;
};
const std::vector<int> kCapture = {IDC_LOCATION_PC, IDC_FORMAT_LIST, IDC_SIZE_LIST, IDC_PREVIEW,
                                   IDC_SAVE};
const Walk kWalks[] = {
    {1, 0, false, {IDC_TEST}},
    {1, 1, true, kCapture},
    {4, 0, true, {IDC_TEST}},
    {4,
     1,
     false,
     {IDC_LOCATION_PC, IDC_FLASH_OFF, IDC_SHOW_IMAGE_AFTER_SAVE, IDC_FORMAT_LIST, IDC_SIZE_LIST,
      IDC_CAMERA_NUMBER, IDC_EPOC_SAVE}},
    {2, 0, false, {IDC_TEST}},
    {2, 1, true, kCapture},
    {2,
     2,
     true,
     {IDC_ANALOG_GAIN, IDC_SHARPNESS_V, IDC_SHARPNESS_H, IDC_CONTRAST, IDC_BRIGHTNESS, IDC_HUE,
      IDC_SATURATION, IDC_LUMINANCE_AUTO, IDC_LUMINANCE, IDC_WHITE_BALANCE_AUTO, IDC_WHITE_BALANCE,
      IDC_BLEMISH_CORRECTION, IDC_READ, IDC_WRITE}},
    {2, 3, true, {IDC_NO_TEST}},  // the colour fields only with Specific Value Test
    {2, 4, true, {IDC_REGISTER_LIST, IDC_FIRST_REGISTER, IDC_LAST_REGISTER, IDC_READ, IDC_WRITE}},
    {2, 4, false, {}},  // greyed while the camera is off
};

TEST(Keyboard, TabAndShiftTabGoThroughEveryPageAsItIsLaidOut) {
  for (const Walk& walk : kWalks) {
    SCOPED_TRACE(testing::Message() << "mode " << walk.mode << ", tab " << walk.tab);
    Keyboard keys(walk.mode, walk.tab, walk.cameraOn);
    // The tab strip, the page, the Camera Activation group where the mode
    // shows it, Close and Help; from either end the key goes to the host.
    std::vector<std::string> order = {Keyboard::Name(keys.host.TabControl())};
    for (int id : walk.page)
      order.push_back(Keyboard::Name(keys.Item(id)));
    if (walk.mode < 3 || walk.mode > 6)
      order.push_back(
          Keyboard::Name(keys.host.Item(walk.cameraOn ? IDC_CAMERA_ON : IDC_DEACTIVATE_ALL)));
    order.insert(order.end(),
                 {Keyboard::Name(keys.host.Item(IDOK)), Keyboard::Name(keys.host.Item(IDHELP))});
    SetFocus(keys.host.TabControl());
    std::vector<std::string> forward, backward;
    for (size_t i = 0; i < order.size(); ++i)
      forward.push_back(keys.Press(VK_TAB));
    for (size_t i = 0; i < order.size(); ++i)
      backward.push_back(keys.Press(VK_TAB, VK_SHIFT));
    std::vector<std::string> expected(order.begin() + 1, order.end());
    expected.push_back(order.back());
    EXPECT_EQ(forward, expected);
    expected.assign(order.rbegin() + 1, order.rend());
    expected.push_back(order.front());
    EXPECT_EQ(backward, expected);
    EXPECT_EQ(keys.HandedOn(), (std::vector<std::pair<WPARAM, DWORD>>{{VK_TAB, 0}, {VK_TAB, 1}}));
  }
}

// Alt and each letter of a page, in turn, from the tab strip (a letter
// pressed again goes on from where the first took the focus): where the
// focus goes (for a label or group box the control after it) and the
// dialog the control opens. The dialogs are closed as they come.
struct Mnemonic {
  char letter;
  int id;
  const char* opens = "";
};
struct Mnemonics {
  long mode;
  int tab;
  bool cameraOn;
  std::vector<Mnemonic> letters;
};
const char kSaveAs[] = "Save Camera Image As";
const std::string kBitmap(
    std::istreambuf_iterator<char>(
        std::ifstream(KVR_SOURCE_DIR "/tests/fixtures/images/bitmap24_16x8.bmp", std::ios::binary)
            .rdbuf()),
    {});
const Mnemonics kMnemonics[] = {
    {1,
     0,
     false,
     {{'T', IDC_TEST, "Please Wait..."},
      {'D', Keyboard::kDialog | IDC_DEACTIVATE_ALL},
      {'O', Keyboard::kDialog | IDC_CAMERA_ON},
      {'V', Keyboard::kDialog | IDC_VIEWFINDER_ON},
      {'H', Keyboard::kDialog | IDHELP},
      {'C', Keyboard::kDialog | IDOK}}},
    {1,
     1,
     true,
     {{'R', IDC_LOCATION_PRODUCT},
      {'N', IDC_PRODUCT_NAME},
      {'P', IDC_LOCATION_PC},
      {'F', IDC_FORMAT_LIST},
      {'S', IDC_SIZE_LIST},
      {'S', IDC_SAVE, kSaveAs},
      {'E', IDC_PREVIEW, "Image Preview"}}},
    {4,
     1,
     false,
     {{'R', IDC_EPOC_PRODUCT_NAME},  // the page takes the focus to the name
      {'A', IDC_EPOC_PRODUCT_NAME},
      {'P', IDC_LOCATION_PC},
      {'N', IDC_FLASH_ON},
      {'Y', IDC_FLASH_ANTI_RED_EYE},
      {'F', IDC_FLASH_OFF},
      {'I', IDC_SHOW_IMAGE_AFTER_SAVE},
      {'S', IDC_SIZE_LIST},
      {'S', IDC_EPOC_SAVE, kSaveAs}}},
    {2,
     2,
     true,
     {{'A', IDC_LUMINANCE_AUTO}, {'B', IDC_BLEMISH_CORRECTION}, {'R', IDC_READ}, {'W', IDC_WRITE}}},
    {2,
     3,
     true,
     {{'B', IDC_COLOUR_BAR_TEST},
      {'1', IDC_RAMP1_TEST},
      {'2', IDC_RAMP2_TEST},
      {'S', IDC_SPECIFIC_VALUE_TEST},
      {'E', IDC_RED},
      {'R', IDC_GREEN},
      {'U', IDC_BLUE},
      {'W', IDC_WRITE},
      {'N', IDC_NO_TEST}}},
    {2,
     4,
     true,
     {{'E', IDC_REGISTER_LIST},
      {'F', IDC_FIRST_REGISTER},
      {'L', IDC_LAST_REGISTER},
      {'R', IDC_READ},
      {'W', IDC_WRITE}}},
};

TEST(Keyboard, EveryMnemonicReachesItsControl) {
  test::HelpCatcher help;
  for (const Mnemonics& page : kMnemonics) {
    SCOPED_TRACE(testing::Message() << "mode " << page.mode << ", tab " << page.tab);
    Keyboard keys(page.mode, page.tab, page.cameraOn);
    keys.host.Server().SetCaptureContent(kBitmap);  // a picture to preview
    std::string opened;
    test::WhenDialog close(
        "",
        [&](HWND dialog) {
          opened = test::WindowText(dialog);
          if (!GetDlgItem(dialog, IDC_WAIT_CANCEL))
            PostMessageA(dialog, WM_CLOSE, 0, 0);
          else
            test::ClickButton(dialog, IDC_WAIT_CANCEL);  // Please Wait ends only so
        },
        99);
    char last = 0;
    for (const Mnemonic& m : page.letters) {
      if (m.letter != last) SetFocus(keys.host.TabControl());
      last = m.letter;
      opened.clear();
      EXPECT_EQ(keys.Press(m.letter, VK_MENU), Keyboard::Name(keys.Item(m.id))) << m.letter;
      EXPECT_EQ(opened, m.opens) << m.letter;
    }
    EXPECT_EQ(keys.host.CloseRequests(), page.mode == 1 && page.tab == 0);  // Alt+C
  }
  EXPECT_EQ(help.Requests().size(), 1u);  // Alt+H
}

}  // namespace

namespace {

TEST(Keyboard, PleaseWaitEndsNeitherOnEscapeNorEnterButOnCancel) {
  Keyboard keys(1, 0, false);
  std::string seen;
  test::WhenDialog wait("Please Wait...", [&](HWND dialog) {
    for (BYTE key : {VK_ESCAPE, VK_RETURN, VK_SPACE}) {
      test::PressRealKey(key, 0, test::DialogLoop(dialog));
      seen += IsWindowVisible(dialog) ? "open " : "ended ";
    }
  });
  EXPECT_EQ(keys.Press('T', VK_MENU), Keyboard::Name(keys.Item(IDC_TEST)));
  EXPECT_EQ(seen, "open open ended ");
}

// A host reads the control's keys from GetControlInfo: no accelerator table
// (the dialog takes its keys through TranslateAccelerator), and neither
// Return nor Escape eaten: the control hands both on to the host.
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
  EXPECT_EQ(keys.HandedOn(),
            (std::vector<std::pair<WPARAM, DWORD>>{{VK_RETURN, 0}, {VK_ESCAPE, 0}}));
  EXPECT_EQ(keys.host.CloseRequests(), 0);
}

}  // namespace
