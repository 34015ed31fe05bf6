// The Please Wait dialog shown while a camera test runs: counts the seconds
// since it opened and offers Cancel. Only Cancel and the page end it;
// Escape and other commands do not.
#pragma once

#include <windows.h>

#include "framework/dialog.h"
#include "resources/resource.h"

class CTestWaitDialog : public fw::Dialog {
 public:
  static constexpr INT_PTR kFinished = 1;   // ended by the page
  static constexpr INT_PTR kCancelled = 2;  // the user pressed Cancel

  // Shows the dialog modally, owned by `owner`. Returns kFinished,
  // kCancelled, or -1 when it could not be shown.
  INT_PTR Run(HWND owner);
  // Ends the dialog with kFinished if it is open and not already ending.
  void Finish();
  // Ends it with kCancelled, as the user's Cancel does.
  void Cancel() { End(kCancelled); }
  // Whether the user has cancelled and the dialog is on its way out.
  bool CancelPending() const { return Hwnd() && endResult == kCancelled; }

 protected:
  FW_BEGIN_MESSAGES(CTestWaitDialog)
  FW_MESSAGE(WM_INITDIALOG, OnInitDialog)
  FW_MESSAGE(WM_TIMER, OnTimer)
  FW_COMMAND(IDC_WAIT_CANCEL, BN_CLICKED, OnCancel)
  FW_END_MESSAGES(fw::Dialog)

  LRESULT OnInitDialog(const fw::Message& m, bool& handled);
  LRESULT OnTimer(const fw::Message& m, bool& handled);
  LRESULT OnCancel(const fw::Message& m, bool& handled);

 private:
  // Stops the timer and ends the dialog, once.
  void End(INT_PTR result);

  int elapsedSeconds = 0;
  INT_PTR endResult = 0;  // 0 while the dialog runs
};
