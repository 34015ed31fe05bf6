// The camera control as the user and the host see it: start-up and the sheet
// per mode, the activation radio group, server events, two controls in one
// host, exchanged servers, help, messages, the wait cursor.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>

#include "control/message_boxes.h"
#include "control/wait_cursor.h"
#include "framework/module.h"
#include "resources/resource.h"
#include "tests/support/fake_help_resolver.h"
#include "tests/support/help_catcher.h"
#include "tests/support/message_recorder.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"
#include "tests/support/product_dll.h"

namespace {

using Texts = std::vector<std::string>;
using test::HostedControl;
using test::Msg;

const Texts kFullSet = {"Camera Test", "Picture Capture", "Picture Colours", "Picture Tests",
                        "Registers"};
const Texts kBasicSet = {"Camera Test", "Picture Capture"};
const Texts kProductSet = {"Camera Test", "Picture Capture  "};
const long kNoServer = 99;

bool OnlyCloseAndHelp(HWND dialog) {
  std::vector<int> ids;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (IsWindowEnabled(child)) ids.push_back(GetDlgCtrlID(child));
  return ids == std::vector<int>{IDOK, IDHELP};
}

// "radio pages inks": checks of the three radios; per tab, page controls all
// enabled (1), all disabled (0) or mixed (x), bar the product name (it follows
// the capture location); per tab, label in the text colour (1) or grey (0).
std::string State(HostedControl& host) {
  const COLORREF text = GetSysColor(COLOR_WINDOWTEXT), grey = GetSysColor(COLOR_GRAYTEXT);
  std::string radio, pages, inks;
  for (int id : {IDC_DEACTIVATE_ALL, IDC_CAMERA_ON, IDC_VIEWFINDER_ON})
    radio += host.IsChecked(id) ? '1' : '0';
  HWND tab = host.TabControl();
  HDC dc = GetDC(tab);
  for (int i = 0; tab && i < TabCtrl_GetItemCount(tab); ++i) {
    host.SelectTab(i);
    int on = 0, off = 0;
    for (HWND c = GetWindow(host.CurrentPage(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      int id = GetDlgCtrlID(c);
      if (id != IDC_PRODUCT_NAME && id != IDC_PRODUCT_NAME_GROUP && id != IDC_EPOC_PRODUCT_NAME &&
          id != IDC_EPOC_PRODUCT_NAME_GROUP)
        ++(IsWindowEnabled(c) ? on : off);
    }
    pages += off == 0 ? '1' : on == 0 ? '0' : 'x';
    UpdateWindow(tab);
    RECT r;
    TabCtrl_GetItemRect(tab, i, &r);
    char ink = '?';
    for (int y = r.top; y < r.bottom && ink != '1'; ++y)
      for (int x = r.left; x < r.right && ink != '1'; ++x) {
        COLORREF c = GetPixel(dc, x, y);
        ink = c == text ? '1' : c == grey ? '0' : ink;
      }
    inks += ink;
  }
  ReleaseDC(tab, dc);
  return radio + " " + pages + " " + inks;
}

// Per mode, and without a server: the tabs, the radio group, the pages, the
// message. Any mode but 0, 2 and 3 to 6 is the basic set; in 3 to 6 both
// pages are always usable and the radios, hidden, switch nothing on the
// phone. Without a server or a configuration only Close and Help work.
TEST(StartUp, TabsRadioGroupPagesAndMessagePerMode) {
  const Texts noConfiguration = {Msg(IDS_CAMERA_CONTROL_TITLE, IDS_ERR_NO_PRODUCT_CONFIGURATION)};
  const std::tuple<long, Texts, const char*, Texts> cases[] = {
      {0, kBasicSet, "100 00 10", noConfiguration},
      {1, kBasicSet, "100 10 10", {}},
      {-1, kBasicSet, "100 10 10", {}},
      {3, kProductSet, "100 11 11", {}},
      {2, kFullSet, "100 10000 10000", {}},
      {6, kProductSet, "100 11 11", {}},
      {kNoServer, {}, "100  ", {}}};
  for (const auto& [mode, tabs, state, shown] : cases) {
    SCOPED_TRACE(mode);
    test::MessageRecorder::Clear();
    HostedControl host;
    host.Server().SetProductMode(mode);
    ASSERT_EQ(mode == kNoServer ? host.Go() : host.Start(), S_OK);
    const Texts started = {"GetConnectionState()", "GetProductConfiguration(0)"};
    EXPECT_EQ(host.Server().CallStrings(), mode == kNoServer ? Texts() : started);
    EXPECT_EQ(host.TabTexts(), tabs);
    const bool productMode = mode >= 3 && mode <= 6;
    EXPECT_EQ(IsWindowVisible(host.Item(IDC_ACTIVATION_GROUP)) != FALSE, !productMode);
    EXPECT_EQ(OnlyCloseAndHelp(host.Dialog()), mode == 0 || mode == kNoServer);
    EXPECT_EQ(State(host), state);
    EXPECT_EQ(test::ShownMessages(), shown);
    if (!productMode && mode != kNoServer) continue;
    host.Server().ClearCalls();
    for (int id : {IDC_VIEWFINDER_ON, IDC_CAMERA_ON})  // as if clicked, even when disabled
      SendMessageA(host.Dialog(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    EXPECT_TRUE(host.Server().Calls().empty());
    EXPECT_EQ(State(host), productMode ? "010 11 11" : "100  ");
    EXPECT_EQ(test::ShownMessages(),
              Texts(productMode ? 0 : 2, Msg(IDS_ERR_NO_SERVER_TITLE, IDS_ERR_NO_SERVER)));
  }
}

// Two phones in one host, whichever control was made, started or destroyed
// first: each radio switches the other device off first and enables the
// pages it allows on its own control only (the product modes only switch the
// pages); the sheet's own buttons are hidden; Close asks the host's frame.
TEST(Hosts, TwoControlsDrivenAlternately) {
  auto first = std::make_unique<HostedControl>();
  HostedControl second;  // made last, started first
  second.Server().SetProductMode(4);
  ASSERT_EQ(second.Start(), S_OK);
  ASSERT_EQ(first->Start(), S_OK);
  SetWindowPos(GetAncestor(second.Dialog(), GA_ROOT), nullptr, 720, 0, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);  // side by side on the screen
  for (int id : {IDOK, IDCANCEL, 0x3021})                    // 0x3021: Apply
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(first->Sheet(), id))) << id;

  const std::tuple<HostedControl*, int, Texts, const char*, const char*> steps[] = {
      {first.get(),
       IDC_CAMERA_ON,
       {"ActivateViewFinder(0)", "ActivateCamera(1)"},
       "010 011x1 01111",
       "100 11 11"},
      {&second, IDC_CAMERA_ON, {}, "010 011x1 01111", "010 11 11"},
      {first.get(),
       IDC_VIEWFINDER_ON,
       {"ActivateCamera(0)", "ActivateViewFinder(1)"},
       "001 00000 00000",
       "010 11 11"},
      {first.get(),
       IDC_DEACTIVATE_ALL,
       {"ActivateViewFinder(0)", "ActivateCamera(0)"},
       "100 10000 10000",
       "010 11 11"}};
  for (const auto& [host, id, calls, firstState, secondState] : steps) {
    first->Server().ClearCalls();
    second.Server().ClearCalls();
    host->Click(host->Dialog(), id);
    EXPECT_EQ(host->Server().CallStrings(), calls) << id;
    EXPECT_EQ(State(*first), firstState) << id;
    EXPECT_EQ(State(second), secondState) << id;
  }
  first->Server().SetProductMode(1);
  first->Server().FireConnectionStateChanged(1);
  EXPECT_EQ(first->TabTexts(), kBasicSet);
  EXPECT_EQ(second.TabTexts(), kProductSet);
  first->Click(first->Dialog(), IDOK);  // Close: the host's frame decides
  test::PumpMessages(20);
  EXPECT_EQ(first->CloseRequests(), 1);

  first.reset();  // the first one goes; the second and a newer one work on
  HostedControl third;
  ASSERT_EQ(third.Start(), S_OK);
  third.Click(third.Dialog(), IDC_CAMERA_ON);
  second.Click(second.Dialog(), IDC_DEACTIVATE_ALL);
  EXPECT_EQ(State(third), "010 011x1 01111");
  EXPECT_EQ(State(second), "100 11 11");
}

// A phone unplugged and plugged in again gives the host a new server: before
// Go only exchanged, after it refreshing the control like Go, on one sheet,
// and the old server let go. The server's connection events enable, disable
// or rebuild; a failed test is reported with the server's text cut to 511
// characters; malformed events are dropped. Go may come again; without a
// server every page says so.
TEST(Events, ServerExchangedConnectionTestFailedAndMalformedEvents) {
  HostedControl host;
  auto second = fw::Make<test::FakeCameraServer>();
  const ULONG firstRefs = host.Server().RefCount(), freshRefs = second->RefCount();
  fw::ComPtr<ICameraControlFNClient> client;
  ASSERT_EQ(host.Control()->QueryInterface(IID_PPV_ARGS(&client)), S_OK);
  ASSERT_EQ(client->SetServer(second.Get()), S_OK);
  EXPECT_EQ(second->CallStrings(), Texts{});
  ASSERT_EQ(host.Start(), S_OK);
  const HWND sheet = host.Sheet();
  host.Click(host.Dialog(), IDC_CAMERA_ON);
  host.SelectTab(4);
  const Texts refresh = {"GetConnectionState()", "GetProductConfiguration(0)"};
  ASSERT_EQ(client->SetServer(second.Get()), S_OK);
  EXPECT_EQ(host.Server().RefCount(), firstRefs);
  EXPECT_EQ(host.Server().AdvisedSinkCount(), 0u);
  EXPECT_EQ(second->CallStrings(), refresh);
  EXPECT_EQ(host.SelectedTab(), 4);  // same mode: the pages stay
  host.Server().ClearCalls();
  host.Click(host.Dialog(), IDC_CAMERA_ON);
  host.Click(host.CurrentPage(), IDC_READ);
  EXPECT_EQ(host.Server().CallStrings(), Texts{});
  EXPECT_EQ(second->CallCount("ReadRegister"), 160u);

  second->ClearCalls();
  second->FireConnectionStateChanged(0);
  EXPECT_TRUE(OnlyCloseAndHelp(host.Dialog()));
  second->FireConnectionStateChanged(7);  // any nonzero state is connected
  EXPECT_EQ(second->CallStrings(), (Texts{"GetProductConfiguration(0)"}));
  EXPECT_EQ(host.SelectedTab(), 4);  // same mode: no rebuild
  EXPECT_EQ(State(host), "100 10000 10000");
  // Dropped: an unknown dispid, a text for a number, numbers for a text.
  second->FireEvent(99, {test::LongArg(0)});
  second->FireEvent(1, {test::TextArg(L"not a number")});
  second->FireEvent(3, {test::LongArg(5), test::LongArg(5)});
  EXPECT_TRUE(IsWindowEnabled(host.Item(IDC_CAMERA_ON)));         // still connected
  second->FireCameraTestFailed(std::wstring(600, L'x').c_str());  // cut to 511 characters
  const std::string text = test::ProductText(IDS_ERR_CAMERA_TEST) + "\n\n" + std::string(600, 'x');
  EXPECT_EQ(test::ShownMessages(),
            Texts{test::ProductText(IDS_ERR_CAMERA_TEST_TITLE) + "|" + text.substr(0, 511)});
  second->SetProductMode(3);  // a new mode: rebuilt, first tab selected
  second->FireConnectionStateChanged(1);
  EXPECT_EQ(host.TabTexts(), kProductSet);
  EXPECT_EQ(host.SelectedTab(), 0);
  EXPECT_FALSE(IsWindowVisible(host.Item(IDC_ACTIVATION_GROUP)));
  test::MessageRecorder::Clear();
  second->SetProductMode(0);  // no configuration: the group is back, disabled
  second->FireConnectionStateChanged(1);
  EXPECT_EQ(test::ShownMessages(),
            Texts{Msg(IDS_CAMERA_CONTROL_TITLE, IDS_ERR_NO_PRODUCT_CONFIGURATION)});
  EXPECT_EQ(State(host), "100 00 10");

  second->ClearCalls();
  second->SetProductMode(2);
  ASSERT_EQ(host.Go(), S_OK);  // Go again: the same refresh, still one sheet
  Texts calls = second->CallStrings();
  calls.resize(2);  // what the pages of the new mode ask follows
  EXPECT_EQ(calls, refresh);
  EXPECT_EQ(host.Sheet(), sheet);
  EXPECT_EQ(FindWindowExA(host.Dialog(), sheet, "#32770", nullptr), nullptr);
  EXPECT_EQ(host.TabTexts(), kFullSet);
  test::MessageRecorder::Clear();
  ASSERT_EQ(client->SetServer(nullptr), S_OK);
  EXPECT_EQ(second->RefCount(), freshRefs);
  EXPECT_EQ(second->AdvisedSinkCount(), 0u);
  host.SelectTab(0);
  host.Click(host.CurrentPage(), IDC_TEST);
  EXPECT_EQ(test::ShownMessages(), Texts{Msg(IDS_ERR_NO_SERVER_TITLE, IDS_ERR_NO_SERVER)});
}

// Help opens the file of the mode on the page's topic (context 1 from
// WM_HELP), through the host's resolver when there is one.
TEST(Help, FileAndTopicPerModeAndPageContextOneAndTheResolver) {
  HostedControl host;
  ASSERT_EQ(host.Start(), S_OK);
  test::HelpCatcher catcher;
  for (long mode : {2, 4, 1}) {  // changed by reconnections
    host.Server().SetProductMode(mode);
    host.Server().FireConnectionStateChanged(1);
    for (int tab = 0; host.SelectTab(tab); ++tab)
      host.Click(host.Dialog(), IDHELP);
  }
  HELPINFO info = {sizeof info, HELPINFO_WINDOW, 0, nullptr, 1, {0, 0}};
  SendMessageA(host.Dialog(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  test::FakeHelpResolver resolver;
  resolver.ResolveTo(L"C:\\help\\moved.hlp");
  host.Click(host.Dialog(), IDHELP);

  std::string rd = test::ProductPath(), plain;
  rd = rd.substr(0, rd.find_last_of('\\') + 1) + "cmn_camera_control_rd.hlp";
  plain = rd.substr(0, rd.size() - 7) + ".hlp";
  EXPECT_EQ(resolver.Asked(), Texts{plain});
  Texts log;
  for (const test::HelpRequest& r : catcher.Requests()) {
    EXPECT_TRUE(r.command == HELP_CONTEXT && r.owner == host.Dialog());
    log.push_back(r.file + " " + std::to_string(r.data));
  }
  EXPECT_EQ(
      log, (Texts{rd + " 4", rd + " 5", rd + " 6", rd + " 7", rd + " 8", plain + " 4", plain + " 5",
                  plain + " 4", plain + " 5", plain + " 1", "C:\\help\\moved.hlp 5"}));
}

// The host's component gets the flags, option 1, the answer preset -1 and
// the description of the pending COM error; without it a system box shows
// the result code. Only the outermost wait
// cursor sets and restores the cursor.
TEST(Messages, HostComponentPlainBoxFallbackAndWaitCursor) {
  fw::Module::SetResourceInstance(test::ProductModule());
  fw::ComPtr<ICreateErrorInfo> error;
  fw::ComPtr<IErrorInfo> info;
  ASSERT_EQ(CreateErrorInfo(&error), S_OK);
  error->SetDescription(const_cast<LPOLESTR>(L"Sensor offline"));
  error.As(&info);
  SetErrorInfo(0, info.Get());
  EXPECT_EQ(ShowError(IDS_ERR_NO_SERVER_TITLE, IDS_ERR_NO_SERVER), IDOK);
  ShowInfo(IDS_CAMERA_TEST_TITLE, IDS_CAPTURE_SUCCESS);
  std::vector<std::tuple<long, long, long, HRESULT, std::string>> calls;
  for (const test::RecordedMessage& m : test::MessageRecorder::Messages())
    calls.emplace_back(m.flags, m.option, m.resultPreset, m.hr, m.description);
  EXPECT_EQ(calls, (decltype(calls){{MB_ICONHAND, 1, -1, S_OK, "Sensor offline"},
                                    {MB_ICONASTERISK, 1, -1, S_OK, ""}}));
  {
    test::MessageRecorder::Unavailable off;
    std::string box;
    test::WhenDialog shown("", [&](HWND dialog) {
      box = test::WindowText(dialog) + "|" + test::WindowText(GetDlgItem(dialog, 0xFFFF));
      test::ClickButton(dialog, IDOK);
    });
    ShowError(IDS_ERR_NO_SERVER_TITLE, IDS_ERR_NO_SERVER);
    EXPECT_EQ(box, Msg(IDS_ERR_NO_SERVER_TITLE, IDS_ERR_NO_SERVER) + "\r\nHRESULT 0x00000000 (0)");
  }

  HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW), cross = LoadCursor(nullptr, IDC_CROSS);
  SetCursor(arrow);
  {
    CWaitCursor outer;
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_WAIT));
    SetCursor(cross);
    { CWaitCursor inner; }  // nested: changes nothing, restores nothing
    EXPECT_EQ(GetCursor(), cross);
  }
  EXPECT_EQ(GetCursor(), arrow);
}

}  // namespace
