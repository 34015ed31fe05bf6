// The Camera Test page: starts and refusals, the Please Wait dialog, results.
#include <windows.h>
#include <gtest/gtest.h>

#include <tuple>

#include "pages/sheet_messages.h"
#include "resources/resource.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"

namespace {

using Texts = std::vector<std::string>;
const Texts kCounted = {"0", "1", "2"};  // the wait's seconds over three ticks

class CameraTestPage : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(host.Start(), S_OK);
    page = host.CurrentPage();
    host.Server().ClearCalls();
  }
  // Clicks Test; reads the wait's seconds over three timer ticks, then runs `action`.
  Texts RunTest(std::function<void(HWND)> action) {
    Texts seconds;
    test::WhenDialog wait("Please Wait...", [&](HWND dialog) {
      for (int tick = 0; tick < 3; ++tick) {
        seconds.push_back(test::WindowText(GetDlgItem(dialog, IDC_ELAPSED_SECONDS)));
        SendMessageA(dialog, WM_TIMER, 5, 0);  // its one-second timer
      }
      action(dialog);
    });
    host.Click(page, IDC_TEST);
    return seconds;
  }
  Texts Finish(const test::TestResults& values) {
    return RunTest([&](HWND) { host.Server().FireCameraTestFinished(values); });
  }

  test::HostedControl host;
  HWND page = nullptr;
};

// Test starts the camera and flash the sheet was told (the low byte of the
// camera; no flash mode above 2), and is refused without the test interface.
TEST_F(CameraTestPage, StartsWithTheChosenCameraAndFlashOrSaysWhyNot) {
  const std::tuple<UINT, WPARAM, const char*> steps[] = {
      {0, 0, "StartCameraTest(1,2048,64,3,0)"},  // the defaults
      {SHM_SETTESTCAMERA, 9, "StartCameraTest(4,2048,64,3,0)"},
      {SHM_SETTESTCAMERA, 0x302, "StartCameraTest(2,2048,64,3,0)"},
      {SHM_SETTESTFLASH, 2, "StartCameraTest(2,2048,64,3,2)"},
      {SHM_SETTESTFLASH, 3, "StartCameraTest(2,2048,64,3,2)"},
  };
  for (const auto& [message, value, call] : steps) {
    if (message) SendMessageA(host.Sheet(), message, value, 0);
    EXPECT_EQ(Finish({}), kCounted);
    EXPECT_EQ(host.Server().CallStrings("StartCameraTest").back(), call) << value;
  }
  host.Server().Offer(IID_ICameraControlFNTest, false);
  host.Click(page, IDC_TEST);  // refused: no Please Wait, or the watchdog fails the test
  EXPECT_EQ(host.Server().CallCount("StartCameraTest"), 5u);
  EXPECT_EQ(test::ShownMessages(), Texts{test::Msg(IDS_ERR_NO_SERVER_TITLE, IDS_ERR_NO_SERVER)});
}

// The finish event shows the values; a failure (with the server's
// description) or Cancel ends the wait and keeps them; a refresh fetches them.
TEST_F(CameraTestPage, FinishShowsTheValuesFailureOrCancelEndTheWaitRefreshFetchesThem) {
  const Texts shown = {"12", "-2147483648", "0", "2147483647", "5", "66", "700"};
  EXPECT_EQ(Finish({12, -2147483647 - 1, 0, 2147483647, 5, 66, 700}), kCounted);
  EXPECT_EQ(test::TestResultTexts(page), shown);
  EXPECT_EQ(RunTest([&](HWND) { host.Server().FireCameraTestFailed(L"No sensor."); }), kCounted);
  EXPECT_EQ(test::TestResultTexts(page), shown);
  EXPECT_EQ(test::ShownMessages(),
            Texts{test::Msg(IDS_ERR_CAMERA_TEST_TITLE, IDS_ERR_CAMERA_TEST) + "\n\nNo sensor."});
  EXPECT_EQ(RunTest([](HWND dialog) { test::ClickButton(dialog, IDC_WAIT_CANCEL); }), kCounted);
  host.Server().FireCameraTestFinished({1, 2, 3, 4, 5, 6, 7});  // cancelled: ignored
  EXPECT_EQ(test::TestResultTexts(page), shown);
  host.Server().SetTestResults({21, 22, 23, 24, 25, 26, -27});
  SendMessageA(host.Sheet(), SHM_REFRESHTESTRESULTS, 0, 0);
  EXPECT_EQ(test::TestResultTexts(page), (Texts{"21", "22", "23", "24", "25", "26", "-27"}));
  EXPECT_EQ(host.Server().Calls().size(), 4u);  // three starts and the refresh: none for Cancel
}

}  // namespace
