// Hosts that call back into the control from inside its own calls, in the
// scenarios the long stress runs (tests/stress_test.cpp) found faults in,
// and a user choosing a camera while an action is still at work. Servers
// taken away or exchanged during a pass or while Save As is open, and events
// during Unadvise or a sheet rebuild, are the stress run's everyday fare.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/hosted_control.h"
#include "tests/support/modal.h"

namespace {

using Texts = std::vector<std::string>;
using test::HostedControl;

// Containers deactivate a control when its view is hidden and activate it
// again when it is shown, also from inside the control's own work: the
// sheet comes back when the work is done.
TEST(CallsBack, DeactivatedAndActivatedAgainInPlace) {
  HostedControl host;
  host.Server().SetProductMode(1);
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
  const auto activate = [&] {
    return object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), 0, siteWindow, &area);
  };
  const Texts kPages = {"Camera Test", "Picture Capture"};
  ASSERT_EQ(inPlace->InPlaceDeactivate(), S_OK);
  EXPECT_EQ(host.Dialog(), nullptr);
  ASSERT_EQ(activate(), S_OK);
  EXPECT_EQ(host.TabTexts(), kPages);
  EXPECT_TRUE(IsWindowVisible(host.Item(IDC_ACTIVATION_GROUP)));

  // Inside Camera On, and inside the camera switched off as the window goes.
  for (int times : {1, 2}) {
    int calls = 0;
    host.Server().DuringCall("ActivateCamera", [&, times] {
      if (++calls == times) host.Server().ClearScript();
      inPlace->InPlaceDeactivate();
      activate();
    });
    host.Click(host.Dialog(), IDC_CAMERA_ON);
    test::PumpMessages(50);
    EXPECT_EQ(calls, times);
    EXPECT_TRUE(IsWindowVisible(host.Dialog()));
    EXPECT_EQ(host.TabTexts(), kPages);
    EXPECT_TRUE(host.IsChecked(IDC_DEACTIVATE_ALL));
  }

  // Inside a page's creation, under the system's sheet code: the window goes
  // once that code is done (the heap tiers see freed memory read otherwise),
  // and not at all when the control is active again first.
  for (bool again : {false, true}) {
    host.Server().DuringCall("GetProductConfiguration", [&, again] {
      host.Server().ClearScript();
      inPlace->InPlaceDeactivate();
      if (again) activate();
    });
    host.Click(host.Dialog(), IDC_CAMERA_ON);
    host.SelectTab(1);  // Picture Capture asks for the configuration when it is made
    EXPECT_EQ(host.Dialog() != nullptr, again);
    if (!again) activate();  // a new sheet whose pages are still to be made
  }
  EXPECT_EQ(host.TabTexts(), kPages);
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
