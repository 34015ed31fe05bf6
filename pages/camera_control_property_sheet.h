// The tabbed page area of the camera control: a modeless system property
// sheet created as a child of the control's dialog. It owns the six page
// objects, chooses the pages for the product mode, enables them from the
// camera activation state, draws its tabs (grey for disabled pages), knows
// each page's help topic and relays the pages' private messages.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <array>
#include <vector>

#include "CameraControlFN.h"
#include "framework/window.h"
#include "pages/sheet_messages.h"
#include "pages/camera_test_page.h"
#include "pages/epoc_pic_capture_page.h"
#include "pages/picture_capture_page.h"
#include "pages/picture_colours_page.h"
#include "pages/picture_tests_page.h"
#include "pages/registers_page.h"

// One record per added page; found by its name (the tab text), never by
// position.
struct TabInfo {
  UINT flags;     // activation states in which the page is usable
  char name[32];  // the tab title, at most 30 characters
  UINT helpId;    // help context of the page
};

class CCameraControlPropertySheet : public fw::Window {
 public:
  static constexpr int kTabTextLength = 30;

  CCameraControlPropertySheet();
  ~CCameraControlPropertySheet() override;

  // Hands the server to all six pages.
  void SetServer(ICameraControlFN* server);
  // Tells all six pages the control's server work.
  void SetServerWork(CServerWork* work);
  // Creates the page handles and records of `newMode`; touches no window.
  // Before the sheet window exists they replace any made so far.
  void AddPagesForMode(long newMode);
  // Creates the sheet window in `parent` (the control's dialog).
  bool CreateSheet(HWND parent);
  // The control's overall enable state (0 or 1).
  void EnablePages(long enable);
  // The camera activation state (ActivationMask).
  bool SetActivationMask(long mask);
  // Replaces all pages by those of `newMode` and selects the first.
  void ChangeMode(long newMode);
  // The help id of the selected page; `helpId` stays as it is when no tab is
  // selected or no record matches.
  void GetCurrentHelpId(DWORD& helpId);
  // Passes the test results to the Camera Test page.
  void OnCameraTestFinished(BYTE success, const long values[CCameraTestPropPage::kResultCount]);
  // Ends the Camera Test page's Please Wait dialog, if it is open.
  void CancelCameraTestWait() { cameraTestPage.CancelWait(); }

  // Whether the system's sheet code is on the stack (creating the sheet or
  // a page, changing pages): the sheet must not be destroyed under it.
  bool InSystemCode() const { return HandlingMessage() || creating; }
  // Called when the control's window is being destroyed. While the system's
  // sheet code is on the stack (the host destroyed its window from inside a
  // page's creation), the sheet moves to a hidden window of its own, which
  // is destroyed when the outermost call returns (holding `keep` until
  // then): the system's code returns into a sheet that still exists.
  void OutliveParentWhileInUse(IUnknown* keep);

  HWND TabControl() const;
  const std::vector<TabInfo>& Tabs() const { return tabs; }
  long ActivationMaskValue() const { return activationMask; }

 protected:
  FW_BEGIN_MESSAGES(CCameraControlPropertySheet)
  FW_MESSAGE(WM_DRAWITEM, OnDrawItem)
  FW_MESSAGE(SHM_GETACTIVATIONMASK, OnGetActivationMask)
  FW_MESSAGE(SHM_REFRESHTESTRESULTS, OnRefreshTestResults)
  FW_MESSAGE(SHM_SETTESTFLASH, OnSetTestFlash)
  FW_MESSAGE(SHM_SETTESTCAMERA, OnSetTestCamera)
  FW_MESSAGE(WM_HELP, OnHelp)
  FW_MESSAGE(WM_NCDESTROY, OnNcDestroy)
  FW_END_MESSAGES(fw::Window)

  LRESULT OnDrawItem(const fw::Message& m, bool& handled);
  LRESULT OnGetActivationMask(const fw::Message& m, bool& handled);
  LRESULT OnRefreshTestResults(const fw::Message& m, bool& handled);
  LRESULT OnSetTestFlash(const fw::Message& m, bool& handled);
  LRESULT OnSetTestCamera(const fw::Message& m, bool& handled);
  LRESULT OnHelp(const fw::Message& m, bool& handled);

  // The sheet window is going (with the control's window): its pages go
  // with it, and a new window gets a new set.
  LRESULT OnNcDestroy(const fw::Message& m, bool& handled);

 private:
  static int CALLBACK SheetCallback(HWND window, UINT message, LPARAM lParam);

  void AddPage(fw::PropertyPage& page, UINT titleId, UINT flags, UINT helpId);
  const TabInfo* FindTab(const char* name) const;
  bool IsPageEnabled(HWND pageWindow) const;
  bool TabText(int index, char (&text)[kTabTextLength + 1]) const;
  void DestroyUnusedPageHandles();
  // The six page objects, whether or not the mode shows them.
  std::array<CBasePropertyPage*, 6> AllPages();

  std::vector<HPROPSHEETPAGE> pages;
  std::vector<TabInfo> tabs;
  long enabled = 1;
  long activationMask = ActivationDeactivated;
  long mode = 0;
  // Once the sheet window exists the system owns the page handles.
  bool handlesOwnedBySheet = false;
  bool creating = false;  // inside PropertySheetA

  CCameraTestPropPage cameraTestPage;
  CCameraRegsPropPage registersPage;
  CPictureCapturePropPage pictureCapturePage;
  CEpocPicCapturePropPage epocPicCapturePage;
  CPictureColoursPropPage pictureColoursPage;
  CPictureTestsPropPage pictureTestsPage;
};
