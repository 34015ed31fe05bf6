// Hosts and servers that call back into the control at any moment: the
// server taken away in the middle of an action, an event while the control
// lets go of its server, the control deactivated and activated again in
// place, events that come while the sheet is being rebuilt.
#include <windows.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/hosted_control.h"
#include "tests/support/message_recorder.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"

namespace {

using Texts = std::vector<std::string>;
using test::HostedControl;
using test::Msg;

fw::ComPtr<ICameraControlFNClient> ClientOf(HostedControl& host) {
  fw::ComPtr<ICameraControlFNClient> client;
  host.Control()->QueryInterface(IID_PPV_ARGS(&client));
  return client;
}

const std::string kNoServer = Msg(IDS_ERR_NO_SERVER_TITLE, IDS_ERR_NO_SERVER);

// The host hears from the server that the phone went away and lets go of
// it at once, from inside the third register's read.
TEST(CallsBack, ServerTakenAwayDuringARegistersPass) {
  HostedControl host;
  HWND page = test::OpenRegistersPage(host);
  auto client = ClientOf(host);
  for (int reg = 0; reg < 8; ++reg)
    host.Server().SetRegister(reg, 0x40 + reg);
  host.Server().DuringCall("ReadRegister", [&] {
    if (host.Server().CallCount("ReadRegister") == 3) client->SetServer(nullptr);
  });
  SetDlgItemTextA(page, IDC_FIRST_REGISTER, "0");
  SetDlgItemTextA(page, IDC_LAST_REGISTER, "7");
  host.Click(page, IDC_READ);

  EXPECT_EQ(host.Server().CallCount("ReadRegister"), 3u);
  EXPECT_EQ(test::ShownMessages(), Texts{kNoServer});
  HWND list = GetDlgItem(page, IDC_REGISTER_LIST);
  EXPECT_EQ(test::CellText(list, 1, 3), "065");  // read before the server went
  EXPECT_EQ(test::CellText(list, 2, 3), "000");
  test::MessageRecorder::Clear();
  host.Click(page, IDC_READ);  // and the next pass knows there is none
  EXPECT_EQ(test::ShownMessages(), Texts{kNoServer});
}

// The user sits in Save As while the host changes the server, then saves.
TEST(CallsBack, ServerTakenAwayWhileSaveAsIsOpen) {
  HostedControl host;
  HWND page = test::OpenCameraOnPage(host, 1);
  auto client = ClientOf(host);
  const std::string path = std::string(getenv("TEMP")) + "\\taken-away.jpg";
  test::WhenDialog saveAs("Save Camera Image As", [&](HWND dialog) {
    client->SetServer(nullptr);
    SetWindowTextA(test::FindChildById(dialog, 0x47c), path.c_str());
    test::ClickButton(dialog, IDOK);
  });
  host.Click(page, IDC_SAVE);
  EXPECT_EQ(saveAs.Handled(), 1u);
  EXPECT_EQ(host.Server().CallCount("CaptureToFile"), 0u);
  EXPECT_EQ(test::ShownMessages(), Texts{kNoServer});
  EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

// A server in another process may fire an event that crosses the control's
// last call, Unadvise, at an exchange and when the control closes.
TEST(CallsBack, EventsWhileTheControlLetsGoOfItsServer) {
  auto host = std::make_unique<HostedControl>();
  host->Start();
  auto other = fw::Make<test::FakeCameraServer>();
  host->Server().DuringUnadvise([&] {
    host->Server().SetProductMode(4);
    host->Server().FireConnectionStateChanged(1);
  });
  ASSERT_EQ(ClientOf(*host)->SetServer(other.Get()), S_OK);
  test::PumpMessages(50);
  EXPECT_EQ(host->TabTexts(), (Texts{"Camera Test", "Picture Capture", "Picture Colours",
                                     "Picture Tests", "Registers"}));
  EXPECT_EQ(host->Server().RefCount(), 1u);  // only the test's own

  other->DuringUnadvise([&] { other->FireCameraTestFailed(L"late"); });
  host->Release();
  test::PumpMessages(50);
  EXPECT_EQ(other->RefCount(), 1u);
  EXPECT_EQ(other->AdvisedSinkCount(), 0u);
  EXPECT_EQ(test::ShownMessages(), Texts{});
}

// Containers deactivate a control when its view is hidden and activate it
// again when it is shown.
TEST(CallsBack, DeactivatedAndActivatedAgainInPlace) {
  HostedControl host;
  host.Server().SetProductMode(4);
  host.Start();
  fw::ComPtr<IOleInPlaceObject> inPlace;
  fw::ComPtr<IOleObject> object;
  fw::ComPtr<IOleClientSite> site;
  ASSERT_EQ(host.Control()->QueryInterface(IID_PPV_ARGS(&inPlace)), S_OK);
  ASSERT_EQ(host.Control()->QueryInterface(IID_PPV_ARGS(&object)), S_OK);
  object->GetClientSite(&site);
  HWND siteWindow = GetParent(host.Dialog());
  RECT area;
  GetClientRect(siteWindow, &area);
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(inPlace->InPlaceDeactivate(), S_OK);
    EXPECT_EQ(host.Dialog(), nullptr);
    ASSERT_EQ(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), 0, siteWindow, &area),
              S_OK);
    EXPECT_EQ(host.TabTexts(), (Texts{"Camera Test", "Picture Capture  "}));
    EXPECT_FALSE(IsWindowVisible(host.Item(IDC_ACTIVATION_GROUP)));
  }
  host.Server().SetProductMode(1);
  ASSERT_EQ(host.Go(), S_OK);
  EXPECT_EQ(host.TabTexts(), (Texts{"Camera Test", "Picture Capture"}));
  EXPECT_TRUE(IsWindowVisible(host.Item(IDC_ACTIVATION_GROUP)));

  // The same from inside the control's own work: the sheet comes back when
  // the work is done.
  host.Server().DuringCall("ActivateCamera", [&] {
    host.Server().ClearScript();
    inPlace->InPlaceDeactivate();
    object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), 0, siteWindow, &area);
  });
  host.Click(host.Dialog(), IDC_CAMERA_ON);
  test::PumpMessages(50);
  EXPECT_EQ(host.TabTexts(), (Texts{"Camera Test", "Picture Capture"}));
  EXPECT_TRUE(host.IsChecked(IDC_DEACTIVATE_ALL));

  // And from inside the window's own going (the control switches the
  // camera off as its window goes): active again, with a new window.
  int calls = 0;
  host.Server().DuringCall("ActivateCamera", [&] {
    if (++calls == 2) host.Server().ClearScript();
    inPlace->InPlaceDeactivate();
    object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), 0, siteWindow, &area);
  });
  host.Click(host.Dialog(), IDC_CAMERA_ON);
  test::PumpMessages(50);
  ASSERT_EQ(calls, 2);
  EXPECT_TRUE(IsWindowVisible(host.Dialog()));
  EXPECT_EQ(host.TabTexts(), (Texts{"Camera Test", "Picture Capture"}));

  // And from inside a page's creation, under the system's sheet code: the
  // window goes once that code is done (the heap tiers see freed memory
  // read otherwise), and not at all when the control is active again first.
  for (bool again : {false, true}) {
    host.Server().DuringCall("GetProductConfiguration", [&, again] {
      host.Server().ClearScript();
      inPlace->InPlaceDeactivate();
      if (again)
        object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), 0, siteWindow, &area);
    });
    host.Click(host.Dialog(), IDC_CAMERA_ON);
    host.SelectTab(1);  // Picture Capture asks for the configuration when it is made
    EXPECT_EQ(host.Dialog() != nullptr, again);
    if (!again)  // active again, with a new sheet whose pages are still to be made
      object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), 0, siteWindow, &area);
  }
  EXPECT_EQ(host.TabTexts(), (Texts{"Camera Test", "Picture Capture"}));
  EXPECT_EQ(host.SelectedTab(), 1);
}

// The host closes the control and destroys its window from inside a page's
// creation, under the system's sheet code: the sheet outlives that code
// (the heap tiers see freed memory read otherwise), then goes too.
TEST(CallsBack, ContainerDestroyedWhileAPageIsMade) {
  HostedControl host;
  host.Server().SetProductMode(4);
  ASSERT_EQ(host.Start(), S_OK);
  HWND frame = GetAncestor(host.Dialog(), GA_ROOT), sheet = host.Sheet();
  host.Server().DuringCall("GetCameraConfiguration", [&] {
    host.Server().ClearScript();
    host.Release();
    DestroyWindow(frame);
  });
  host.Click(host.Dialog(), IDC_CAMERA_ON);
  SendMessageA(sheet, PSM_SETCURSEL, 1, 0);
  EXPECT_FALSE(IsWindow(frame));
  EXPECT_FALSE(IsWindow(sheet));
  EXPECT_EQ(host.Server().CallStrings("GetCameraConfiguration").size(), 1u);
}

// Mode 1 arrives while the Camera Test page is shown; removing that page
// shows Picture Capture, whose creation asks the server for its
// configuration, and the server reports mode 4 from inside that call.
TEST(CallsBack, EventsDuringASheetRebuild) {
  int callsSinceModeOne = -1;  // before the host: its actions outlive it
  HostedControl host;
  host.Start();
  host.Server().DuringCall("GetProductConfiguration", [&] {
    // The first call is the control's own question, the second the page's.
    if (callsSinceModeOne < 0 || ++callsSinceModeOne != 2) return;
    host.Server().SetProductMode(4);
    host.Server().FireConnectionStateChanged(1);
  });
  host.Server().SetProductMode(1);
  callsSinceModeOne = 0;
  host.Server().FireConnectionStateChanged(1);
  test::PumpMessages(50);
  EXPECT_GE(callsSinceModeOne, 2);
  EXPECT_EQ(host.TabTexts(), (Texts{"Camera Test", "Picture Capture  "}));
  EXPECT_FALSE(IsWindowVisible(host.Item(IDC_ACTIVATION_GROUP)));
}

// While Save As is open the product page's Save is still at work: a camera
// chosen then is not taken, not even by the Camera Test page.
TEST(CallsBack, ACameraChosenWhileBusyIsNotTaken) {
  HostedControl host;
  host.Server().SetProductMode(4);
  host.Server().SetCameraCount(2);
  host.Start();
  host.SelectTab(1);
  HWND page = host.CurrentPage();
  test::WhenDialog saveAs("Save Camera Image As", [&](HWND dialog) {
    SendDlgItemMessageA(page, IDC_CAMERA_NUMBER, CB_SETCURSEL, 1, 0);
    for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK})
      SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_CAMERA_NUMBER, code), 0);
    test::ClickButton(dialog, IDCANCEL);
  });
  host.Click(page, IDC_EPOC_SAVE);
  EXPECT_EQ(saveAs.Handled(), 1u);
  EXPECT_EQ(SendDlgItemMessageA(page, IDC_CAMERA_NUMBER, CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(host.Server().CallStrings("GetCameraConfiguration"),
            Texts{"GetCameraConfiguration(0)"});
  host.SelectTab(0);
  test::WhenDialog wait("Please Wait...", [&](HWND) { host.Server().FireCameraTestFinished({}); });
  host.Click(host.CurrentPage(), IDC_TEST);
  EXPECT_EQ(host.Server().Calls().back().ToString(), "StartCameraTest(1,2048,64,3,0)");
}

}  // namespace
