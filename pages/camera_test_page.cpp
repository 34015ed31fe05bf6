#include "pages/camera_test_page.h"

#include <cstdio>

#include "control/camera_server.h"
#include "control/message_boxes.h"
#include "control/wait_cursor.h"
#include "framework/com_object.h"

namespace {

// The statics that show the results, in the order the server reports them.
constexpr int kResultFieldIds[CCameraTestPropPage::kResultCount] = {
    IDC_AVERAGE_BRIGHTNESS, IDC_AVERAGE_COLOUR_DIFFERENCE,
    IDC_BLEMISH_CLUSTERS,   IDC_MAXIMUM_BLEMISH_SIZE,
    IDC_DEAD_PIXELS,        IDC_WEAK_PIXELS,
    IDC_CORNER_DARKENING};

// Fixed test parameters the server expects with every camera test.
constexpr long kTestParameter1 = 2048;
constexpr long kTestParameter2 = 64;
constexpr long kTestParameter3 = 3;

}  // namespace

CCameraTestPropPage::CCameraTestPropPage() : fw::PropertyPage(IDD_CAMERA_TEST) {}

void CCameraTestPropPage::EnablePage(BOOL enable) {
  fw::EnableChildWindows(Hwnd(), enable);
}

LRESULT CCameraTestPropPage::OnInitDialog(const fw::Message&, bool&) {
  for (int i = 0; i < kResultCount; ++i)
    resultFields[i] = Item(kResultFieldIds[i]);
  return TRUE;
}

void CCameraTestPropPage::ShowResults(const long values[kResultCount]) {
  // The statics went with the page window, if it was destroyed.
  if (!Hwnd()) return;
  for (int i = 0; i < kResultCount; ++i) {
    char text[16];
    snprintf(text, sizeof text, "%d", static_cast<int>(values[i]));
    if (resultFields[i]) SetWindowTextA(resultFields[i], text);
  }
}

LRESULT CCameraTestPropPage::OnTest(const fw::Message&, bool&) {
  CUserAction action(ServerWork(), Hwnd(), ServerReference());
  if (action.Refused()) return 0;
  fw::ComPtr<ICameraControlFNTest> test = TestInterface(action.Server());
  if (!test) return 0;

  HRESULT hr = S_OK;
  {
    CWaitCursor wait;
    hr = test->StartCameraTest(cameraNumber, kTestParameter1, kTestParameter2, kTestParameter3,
                               static_cast<long>(flashMode));
  }
  if (!action.GoesOn()) return 0;
  if (FAILED(hr)) {
    if (hr == kServerTestRunning)
      ShowError(IDS_ERR_TEST_RUNNING_TITLE, IDS_ERR_TEST_RUNNING);
    else
      ShowError(IDS_ERR_CAMERA_TEST_TITLE, IDS_ERR_CAMERA_TEST);
    return 0;
  }

  // The result comes later as a server event (OnCameraTestFinished), which
  // ends the dialog. A cancelled wait does not stop the test on the phone;
  // its result is ignored.
  testStarted = true;
  // Events that came during the start, the result even, are handled from
  // the wait's message loop.
  action.Done();
  if (waitDialog.Run(GetActiveWindow()) == CTestWaitDialog::kCancelled) testStarted = false;
  return 0;
}

void CCameraTestPropPage::CancelWait() {
  waitDialog.Cancel();
}

void CCameraTestPropPage::OnCameraTestFinished(BYTE success, const long values[kResultCount]) {
  // No test of ours is waiting, or the user has just cancelled the wait.
  if (!testStarted || waitDialog.CancelPending()) return;
  waitDialog.Finish();
  if (success) ShowResults(values);
}

bool CCameraTestPropPage::RefreshTestResults() {
  CServerWork::Scope work(ServerWork(), Hwnd(), ServerReference());
  if (!work.Server() || !Hwnd()) {
    ShowError(IDS_ERR_NO_SERVER_TITLE, IDS_ERR_NO_SERVER);
    return false;
  }
  long values[kResultCount] = {};
  const HRESULT hr = work.Server()->GetCameraTestResults(
      &values[0], &values[1], &values[2], &values[3], &values[4], &values[5], &values[6]);
  if (!work.GoesOn() || FAILED(hr)) return false;
  ShowResults(values);
  return true;
}

void CCameraTestPropPage::SetFlashMode(UINT mode) {
  if (mode <= 2) flashMode = mode;
}

void CCameraTestPropPage::SetCameraNumber(BYTE number) {
  if (number == 0)
    cameraNumber = 1;
  else if (number >= 5)
    cameraNumber = 4;
  else
    cameraNumber = number;
}
