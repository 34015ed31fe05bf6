// The Camera Test page as the user and the server's events drive it:
// starting a test with the chosen camera and flash, the Please Wait dialog
// with its seconds and Cancel, the seven results, failures and refreshes.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/fake_camera_server.h"
#include "tests/support/hosted_control.h"
#include "tests/support/message_recorder.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"

namespace {

using Texts = std::vector<std::string>;

constexpr UINT kSetTestFlash = 0x8263;
constexpr UINT kSetTestCamera = 0x8264;
constexpr UINT kRefreshTestResults = 0x8262;
constexpr UINT_PTR kSecondsTimer = 5;
const char kWaitTitle[] = "Please Wait...";

const int kResultIds[] = {IDC_AVERAGE_BRIGHTNESS, IDC_AVERAGE_COLOUR_DIFFERENCE,
                          IDC_BLEMISH_CLUSTERS,   IDC_MAXIMUM_BLEMISH_SIZE,
                          IDC_DEAD_PIXELS,        IDC_WEAK_PIXELS,
                          IDC_CORNER_DARKENING};

const char kCameraTestTitle[] = "Error Performing Camera Test";
const char kCameraTestText[] =
    "The camera test couldn't be performed. Please check that the phone is on and there is a "
    "Lumadex connection to it. Also, please check that the camera is a Deactivated state.";
const char kNoServer[] =
    "A Component Couldn't Be Found|The Camera FN server component couldn't be found. This is an "
    "internal error. Please contact the BEX team.";

class CameraTestPage : public testing::Test {
 protected:
  void SetUp() override {
    host.Server().SetProductMode(2);
    ASSERT_EQ(host.Start(), S_OK);
    page = host.CurrentPage();
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_TEST)));
    host.Server().ClearCalls();
  }

  Texts Results() const {
    Texts texts;
    for (int id : kResultIds)
      texts.push_back(test::WindowText(GetDlgItem(page, id)));
    return texts;
  }
  void ClickTest() { host.Click(page, IDC_TEST); }
  // Clicks Test; the test "finishes" with `values` as soon as the Please
  // Wait dialog shows. Returns whether the dialog appeared.
  bool RunTestFinishingWith(const test::TestResults& values) {
    test::WhenDialog wait(kWaitTitle, [&](HWND) { host.Server().FireCameraTestFinished(values); });
    ClickTest();
    return wait.Handled() == 1;
  }
  bool RunTestAndCancel() {
    test::WhenDialog wait(kWaitTitle,
                          [](HWND dialog) { test::ClickButton(dialog, IDC_WAIT_CANCEL); });
    ClickTest();
    return wait.Handled() == 1;
  }
  std::string LastStart() {
    Texts starts = host.Server().CallStrings("StartCameraTest");
    return starts.empty() ? "" : starts.back();
  }

  test::HostedControl host;
  HWND page = nullptr;
};

TEST_F(CameraTestPage, StartsWithTheChosenCameraAndFlash) {
  ASSERT_TRUE(RunTestFinishingWith({}));
  EXPECT_EQ(host.Server().CallStrings(), (Texts{"StartCameraTest(1,2048,64,3,0)"}));

  struct Step {
    UINT message;
    WPARAM value;
    const char* expected;
  } steps[] = {
      {kSetTestCamera, 0, "StartCameraTest(1,2048,64,3,0)"},
      {kSetTestCamera, 9, "StartCameraTest(4,2048,64,3,0)"},
      {kSetTestCamera, 3, "StartCameraTest(3,2048,64,3,0)"},
      {kSetTestCamera, 5, "StartCameraTest(4,2048,64,3,0)"},
      {kSetTestCamera, 0x302, "StartCameraTest(2,2048,64,3,0)"},  // the low byte counts
      {kSetTestFlash, 2, "StartCameraTest(2,2048,64,3,2)"},
      {kSetTestFlash, 3, "StartCameraTest(2,2048,64,3,2)"},  // not a flash mode
      {kSetTestFlash, 1, "StartCameraTest(2,2048,64,3,1)"},
      {kSetTestFlash, 0, "StartCameraTest(2,2048,64,3,0)"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message() << std::hex << step.message << " " << step.value);
    EXPECT_EQ(SendMessageA(host.Sheet(), step.message, step.value, 0), 0);
    ASSERT_TRUE(RunTestFinishingWith({}));
    EXPECT_EQ(LastStart(), step.expected);
  }
  EXPECT_TRUE(test::ShownMessages().empty());
}

TEST_F(CameraTestPage, FinishEventClosesTheWaitAndShowsTheSevenValuesInOrder) {
  EXPECT_EQ(Results(), Texts(7, ""));
  HWND active = GetActiveWindow();
  ASSERT_NE(active, nullptr);
  HWND owner = nullptr;
  bool waitCursor = false;
  host.Server().SetCallHook(
      [&](const test::ServerCall&) { waitCursor = GetCursor() == LoadCursor(nullptr, IDC_WAIT); });
  test::WhenDialog wait(kWaitTitle, [&](HWND dialog) {
    owner = GetWindow(dialog, GW_OWNER);
    host.Server().FireCameraTestFinished({12, -3, 0, 2147483647, 5, 66, 700});
  });
  ClickTest();
  EXPECT_EQ(wait.Handled(), 1u);
  EXPECT_EQ(owner, active);
  EXPECT_TRUE(IsWindowEnabled(active));
  EXPECT_TRUE(waitCursor);
  EXPECT_EQ(Results(), (Texts{"12", "-3", "0", "2147483647", "5", "66", "700"}));

  // The test stays marked as started: a later result still shows.
  host.Server().FireCameraTestFinished({1, 2, 3, 4, 5, 6, 7});
  EXPECT_EQ(Results(), (Texts{"1", "2", "3", "4", "5", "6", "7"}));
  EXPECT_TRUE(test::ShownMessages().empty());
}

TEST_F(CameraTestPage, WaitDialogCountsSecondsFromZeroEachTime) {
  std::vector<Texts> seen;
  auto countAndCancel = [&](HWND dialog) {
    HWND seconds = GetDlgItem(dialog, IDC_ELAPSED_SECONDS);
    Texts texts{test::WindowText(seconds)};
    for (int tick = 0; tick < 3; ++tick) {
      SendMessageA(dialog, WM_TIMER, kSecondsTimer, 0);
      texts.push_back(test::WindowText(seconds));
    }
    SendMessageA(dialog, WM_TIMER, kSecondsTimer + 1, 0);  // not its timer
    texts.push_back(test::WindowText(seconds));
    seen.push_back(texts);
    test::ClickButton(dialog, IDC_WAIT_CANCEL);
  };
  {
    test::WhenDialog wait(kWaitTitle, countAndCancel, 2);
    ClickTest();
    ClickTest();
  }
  EXPECT_EQ(seen, (std::vector<Texts>(2, Texts{"0", "1", "2", "3", "3"})));
}

TEST_F(CameraTestPage, WaitDialogTimerCountsEverySecondOnItsOwn) {
  std::string firstChange;
  DWORD waitedMs = 0;
  test::WhenDialog wait(kWaitTitle, [&](HWND dialog) {
    HWND seconds = GetDlgItem(dialog, IDC_ELAPSED_SECONDS);
    const DWORD start = GetTickCount();
    test::PumpUntil([&] { return test::WindowText(seconds) != "0"; }, 5000);
    waitedMs = GetTickCount() - start;
    firstChange = test::WindowText(seconds);
    test::ClickButton(dialog, IDC_WAIT_CANCEL);
  });
  ClickTest();
  EXPECT_EQ(firstChange, "1");
  EXPECT_GE(waitedMs, 500u);  // a one-second period, not a fast one
}

TEST_F(CameraTestPage, OnlyCancelEndsTheWait) {
  bool openAfterKeysAndCommands = false;
  test::WhenDialog wait(kWaitTitle, [&](HWND dialog) {
    // Escape as the modal loop hands it to the dialog manager.
    MSG escape = {GetDlgItem(dialog, IDC_WAIT_CANCEL), WM_KEYDOWN, VK_ESCAPE, 1, 0, {}};
    IsDialogMessageA(dialog, &escape);
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    test::PumpMessages(50);
    openAfterKeysAndCommands = IsWindowVisible(dialog) != FALSE;
    test::ClickButton(dialog, IDC_WAIT_CANCEL);
  });
  ClickTest();
  EXPECT_EQ(wait.Handled(), 1u);
  EXPECT_TRUE(openAfterKeysAndCommands);
}

TEST_F(CameraTestPage, AfterCancelOrBeforeAnyTestResultsAreIgnored) {
  // Before any test.
  host.Server().FireCameraTestFinished({1, 1, 1, 1, 1, 1, 1});
  EXPECT_EQ(Results(), Texts(7, ""));

  // After Cancel: no server call for it, and the result is ignored.
  ASSERT_TRUE(RunTestAndCancel());
  EXPECT_EQ(host.Server().CallStrings(), (Texts{"StartCameraTest(1,2048,64,3,0)"}));
  host.Server().FireCameraTestFinished({2, 2, 2, 2, 2, 2, 2});
  EXPECT_EQ(Results(), Texts(7, ""));

  // A result arriving between the click on Cancel and the end of the
  // dialog, and a second one after the first closed it, do no harm.
  test::WhenDialog cancelThenFinish(kWaitTitle, [&](HWND dialog) {
    test::ClickButton(dialog, IDC_WAIT_CANCEL);
    host.Server().FireCameraTestFinished({3, 3, 3, 3, 3, 3, 3});
  });
  ClickTest();
  EXPECT_EQ(Results(), Texts(7, ""));
  host.Server().FireCameraTestFinished({4, 4, 4, 4, 4, 4, 4});
  EXPECT_EQ(Results(), Texts(7, ""));

  test::WhenDialog twice(kWaitTitle, [&](HWND dialog) {
    host.Server().FireCameraTestFinished({5, 5, 5, 5, 5, 5, 5});
    test::ClickButton(dialog, IDC_WAIT_CANCEL);  // too late: the result came first
    host.Server().FireCameraTestFinished({6, 6, 6, 6, 6, 6, 6});
  });
  ClickTest();
  EXPECT_EQ(Results(), Texts(7, "6"));
  host.Server().FireCameraTestFinished({7, 7, 7, 7, 7, 7, 7});
  EXPECT_EQ(Results(), Texts(7, "7"));
}

TEST_F(CameraTestPage, FailedTestClosesTheWaitAndKeepsTheValues) {
  ASSERT_TRUE(RunTestFinishingWith({9, 8, 7, 6, 5, 4, 3}));
  test::WhenDialog wait(kWaitTitle,
                        [&](HWND) { host.Server().FireCameraTestFailed(L"Lens cover closed"); });
  ClickTest();
  EXPECT_EQ(wait.Handled(), 1u);
  EXPECT_EQ(Results(), (Texts{"9", "8", "7", "6", "5", "4", "3"}));
  // The control reports the failure with the server's description.
  EXPECT_EQ(test::ShownMessages(), (Texts{std::string(kCameraTestTitle) + "|" + kCameraTestText +
                                          "\n\nLens cover closed"}));
}

TEST_F(CameraTestPage, RefusedStartsAreExplainedAndShowNoWait) {
  ASSERT_TRUE(RunTestFinishingWith({1, 2, 3, 4, 5, 6, 7}));
  const HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
  SetCursor(arrow);
  struct Case {
    DWORD code;
    std::string shown;
  } cases[] = {
      {0x80040406,
       "Camera Test Error|A camera test is already running on the phone. Please wait for this to "
       "finish before starting another one."},
      {0x80004005, std::string(kCameraTestTitle) + "|" + kCameraTestText},
      {0x80040408, std::string(kCameraTestTitle) + "|" + kCameraTestText},
  };
  test::WhenDialog wait(kWaitTitle, [](HWND dialog) { EndDialog(dialog, IDCANCEL); });
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.code);
    host.Server().SetResult("StartCameraTest", static_cast<HRESULT>(c.code));
    test::MessageRecorder::Clear();
    ClickTest();
    EXPECT_EQ(test::ShownMessages(), (Texts{c.shown}));
  }
  EXPECT_EQ(wait.Handled(), 0u);
  EXPECT_EQ(Results(), (Texts{"1", "2", "3", "4", "5", "6", "7"}));
  EXPECT_EQ(GetCursor(), arrow);
}

TEST_F(CameraTestPage, ServerWithoutTheTestInterfaceIsAMissingComponent) {
  host.Server().Offer(IID_ICameraControlFNTest, false);
  ClickTest();
  EXPECT_EQ(test::ShownMessages(), (Texts{kNoServer}));
  EXPECT_TRUE(host.Server().Calls().empty());
}

TEST_F(CameraTestPage, RefreshShowsTheServersLastResultsAndFailsSilently) {
  host.Server().SetTestResults({21, 22, 23, 24, 25, 26, -27});
  EXPECT_EQ(SendMessageA(host.Sheet(), kRefreshTestResults, 0, 0), 0);
  EXPECT_EQ(host.Server().CallStrings(), (Texts{"GetCameraTestResults()"}));
  EXPECT_EQ(Results(), (Texts{"21", "22", "23", "24", "25", "26", "-27"}));

  host.Server().SetTestResults({0, 0, 0, 0, 0, 0, 0});
  host.Server().SetResult("GetCameraTestResults", E_FAIL);
  SendMessageA(host.Sheet(), kRefreshTestResults, 0, 0);
  EXPECT_EQ(Results(), (Texts{"21", "22", "23", "24", "25", "26", "-27"}));
  EXPECT_TRUE(test::ShownMessages().empty());
}

TEST(CameraTestWithoutServer, ReportsTheMissingComponent) {
  test::StandaloneSheet sheet(nullptr, 2, 1);
  HWND page = sheet.SelectPage(0);
  ASSERT_NE(page, nullptr);
  SendMessageA(GetDlgItem(page, IDC_TEST), BM_CLICK, 0, 0);
  EXPECT_EQ(test::ShownMessages(), (Texts{kNoServer}));
  test::MessageRecorder::Clear();
  sheet.Sheet().OnCameraTestFinished(1, std::vector<long>(7, 5).data());
  SendMessageA(sheet.Sheet().Hwnd(), kRefreshTestResults, 0, 0);
  EXPECT_EQ(test::ShownMessages(), (Texts{kNoServer}));
  EXPECT_EQ(test::WindowText(GetDlgItem(page, IDC_AVERAGE_BRIGHTNESS)), "");
}

}  // namespace
