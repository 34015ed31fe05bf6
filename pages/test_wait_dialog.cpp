#include "pages/test_wait_dialog.h"

#include <cstdio>

namespace {

constexpr UINT_PTR kSecondsTimer = 5;
constexpr UINT kSecondMs = 1000;

}  // namespace

INT_PTR CTestWaitDialog::Run(HWND owner) {
  return RunModal(IDD_TEST_WAIT, owner);
}

void CTestWaitDialog::Finish() {
  End(kFinished);
}

void CTestWaitDialog::End(INT_PTR result) {
  // An event and a click may both arrive before the modal loop ends; the
  // first one decides the result.
  if (!Hwnd() || endResult != 0) return;
  endResult = result;
  KillTimer(Hwnd(), kSecondsTimer);
  EndDialog(result);
}

LRESULT CTestWaitDialog::OnInitDialog(const fw::Message&, bool&) {
  elapsedSeconds = 0;
  endResult = 0;
  SetTimer(Hwnd(), kSecondsTimer, kSecondMs, nullptr);
  return TRUE;
}

LRESULT CTestWaitDialog::OnTimer(const fw::Message& m, bool& handled) {
  if (m.wParam != kSecondsTimer) {
    handled = false;
    return 0;
  }
  ++elapsedSeconds;
  char text[16];
  snprintf(text, sizeof text, "%d", elapsedSeconds);
  SetDlgItemTextA(Hwnd(), IDC_ELAPSED_SECONDS, text);
  return 0;
}

LRESULT CTestWaitDialog::OnCancel(const fw::Message&, bool&) {
  End(kCancelled);
  return 0;
}
