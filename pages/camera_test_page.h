// The Camera Test page: starts the camera self-test and shows its seven
// result figures.
#pragma once

#include <windows.h>

#include "framework/property_page.h"
#include "pages/base_property_page.h"
#include "pages/test_wait_dialog.h"
#include "resources/resource.h"

class CCameraTestPropPage : public fw::PropertyPage, public virtual CBasePropertyPage {
 public:
  static constexpr int kResultCount = 7;

  CCameraTestPropPage();

  void EnablePage(BOOL enable) override;

  // From the server's test events, through the sheet: only while a test is
  // marked as started; closes the wait dialog and, on success, shows the
  // values.
  void OnCameraTestFinished(BYTE success, const long values[kResultCount]);
  // Fetches the last results from the server and shows them.
  bool RefreshTestResults();
  // Ends the Please Wait dialog, if it is open, as Cancel does (the
  // control is closing).
  void CancelWait();
  void SetFlashMode(UINT mode);
  void SetCameraNumber(BYTE number);

 protected:
  FW_BEGIN_MESSAGES(CCameraTestPropPage)
  FW_MESSAGE(WM_INITDIALOG, OnInitDialog)
  FW_COMMAND(IDC_TEST, BN_CLICKED, OnTest)
  FW_END_MESSAGES(fw::PropertyPage)

  LRESULT OnInitDialog(const fw::Message& m, bool& handled);
  // Starts a test on the phone and waits for its result in the Please
  // Wait dialog.
  LRESULT OnTest(const fw::Message& m, bool& handled);

 private:
  void ShowResults(const long values[kResultCount]);

  HWND resultFields[kResultCount] = {};
  CTestWaitDialog waitDialog;
  bool testStarted = false;
  UINT flashMode = 0;
  BYTE cameraNumber = 1;
};
