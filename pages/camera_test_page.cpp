#include "pages/camera_test_page.h"

#include <cstdio>

#include "control/message_boxes.h"
#include "resources/resource.h"

namespace {

// The statics that show the results, in the order the server reports them.
constexpr int kResultFieldIds[CCameraTestPropPage::kResultCount] = {
    IDC_AVERAGE_BRIGHTNESS, IDC_AVERAGE_COLOUR_DIFFERENCE,
    IDC_BLEMISH_CLUSTERS,   IDC_MAXIMUM_BLEMISH_SIZE,
    IDC_DEAD_PIXELS,        IDC_WEAK_PIXELS,
    IDC_CORNER_DARKENING};

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
  for (int i = 0; i < kResultCount; ++i) {
    char text[16];
    snprintf(text, sizeof text, "%d", static_cast<int>(values[i]));
    if (resultFields[i]) SetWindowTextA(resultFields[i], text);
  }
}

void CCameraTestPropPage::OnCameraTestFinished(BYTE success, const long values[kResultCount]) {
  if (!testStarted) return;
  if (success) ShowResults(values);
}

bool CCameraTestPropPage::RefreshTestResults() {
  if (!Server() || !Hwnd()) {
    ShowError(IDS_ERR_NO_SERVER_TITLE, IDS_ERR_NO_SERVER);
    return false;
  }
  long values[kResultCount] = {};
  if (FAILED(Server()->GetCameraTestResults(&values[0], &values[1], &values[2], &values[3],
                                            &values[4], &values[5], &values[6])))
    return false;
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
