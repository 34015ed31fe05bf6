#include "control/camera_control_ui.h"

#include <cstdio>
#include <cstring>

#include "control/camera_server.h"
#include "control/help_file.h"
#include "control/message_boxes.h"
#include "control/wait_cursor.h"
#include "framework/bstr.h"
#include "resources/resource.h"

const char szHelpZEFfile[] = "cmn_camera_control.hlp";

namespace {

const char kRdHelpFile[] = "cmn_camera_control_rd.hlp";

// Moves the sheet this far left of and above the placeholder's corner, so
// that its page area lines up with the placeholder frame.
constexpr int kSheetInset = 7;
constexpr UINT kPlaceSheetFlags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;

// Text of a failed test: the message, two line feeds and the server's
// description, at most this long.
constexpr int kTestFailedTextLength = 511;

// The host's option for messages shown by this control.
constexpr long kHostOption = 1;

bool HidesActivationGroup(long mode) {
  return mode >= 3 && mode <= 6;
}

}  // namespace

CCameraControlUI::CCameraControlUI()
    : CComCompositeControl2(CLSID_CameraControlUI, IDD_CAMERACONTROLUI) {
  sheet.SetServerWork(this);
}

CCameraControlUI::~CCameraControlUI() = default;

void CCameraControlUI::FinalRelease() {
  // The window goes first, while the server is still there to switch the
  // camera off; then the server and its event connection, then the host's
  // context, all while the control is still whole.
  CComCompositeControl2::FinalRelease();
  ExchangeServer(nullptr);
  LeaveContext();
}

// ---- Host operations ----

STDMETHODIMP CCameraControlUI::SetServer(ICameraControlFN* newServer) {
  fw::CallScope call;
  if (newServer == Server()) return S_OK;
  {
    // Events the new server fires while it is connected wait for this work.
    CServerWork::Scope work(this, nullptr, ServerReference());
    ExchangeServer(newServer);
    // Once started, a new server (a phone plugged in again) reaches the
    // sheet and every page at once, and the control shows its state as Go
    // does; no part of the control keeps the old one.
    if (started) sheet.SetServer(Server());
  }
  if (started) RequestRefresh();
  return S_OK;
}

void CCameraControlUI::ReadProductMode(ICameraControlFN* server, long& productMode) {
  long reserved = 1;
  long formatMask = 0;
  long sizeMask = 0;
  server->GetProductConfiguration(&productMode, 0, &reserved, &formatMask, &sizeMask);
}

STDMETHODIMP CCameraControlUI::Go() {
  fw::CallScope call;
  started = true;
  RequestRefresh();
  return S_OK;
}

// The sheet belongs to the control's window: it is built when Go first
// finds a window, and again after an activation in place made a new one;
// every later refresh rebuilds its pages only for a new mode.
void CCameraControlUI::OnRefresh() {
  CServerWork::Scope work(this, Hwnd(), ServerReference());
  ICameraControlFN* server = work.Server();
  sheet.SetServer(server);
  if (server) {
    server->GetConnectionState(&connected);
    if (!work.GoesOn()) return;
    long newMode = mode;  // a server that writes nothing leaves the mode as it is
    ReadProductMode(server, newMode);
    if (!work.GoesOn()) return;
    if (!sheet.Hwnd()) {
      mode = newMode;
      if (Hwnd() && !BuildSheet(work)) return;
    } else if (newMode != mode) {
      mode = newMode;
      sheet.ChangeMode(newMode);
      if (!work.GoesOn()) return;
    }
    if (mode == 0) {
      ShowError(IDS_CAMERA_CONTROL_TITLE, IDS_ERR_NO_PRODUCT_CONFIGURATION);
      if (!work.GoesOn()) return;
    }
  }
  // Without a server the pages report the missing component.
  UpdateEnabled();
  ShowControlsForMode(mode);
  if (HWND close = Item(IDOK)) SetFocus(close);
}

bool CCameraControlUI::BuildSheet(CServerWork::Scope& work) {
  sheet.AddPagesForMode(mode);
  sheet.CreateSheet(Hwnd());
  if (!work.GoesOn()) return false;
  PlaceSheet();
  // The sheet lies above the radio group and the buttons: it comes first
  // in the dialog's tab order, as it does on the screen.
  SetWindowPos(sheet.Hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return true;
}

void CCameraControlUI::PlaceSheet() {
  HWND placeholder = Item(IDC_SHEET_PLACEHOLDER);
  if (!placeholder || !sheet.Hwnd()) return;
  RECT rect;
  GetWindowRect(placeholder, &rect);
  MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&rect), 2);
  SetWindowPos(sheet.Hwnd(), nullptr, rect.left - kSheetInset, rect.top - kSheetInset, 0, 0,
               kPlaceSheetFlags);
}

// ---- Enabling ----

void CCameraControlUI::UpdateEnabled() {
  if (!Hwnd()) return;
  BOOL enable = connected != 0 && mode != 0;
  fw::EnableChildWindows(Hwnd(), enable);
  sheet.EnablePages(connected);
  // Close and Help stay usable in every state.
  EnableWindow(Item(IDHELP), TRUE);
  EnableWindow(Item(IDOK), TRUE);
}

void CCameraControlUI::ShowActivation(int checkedId, long mask) {
  SendMessageA(radioDeactivate, BM_SETCHECK, checkedId == IDC_DEACTIVATE_ALL, 0);
  SendMessageA(radioCameraOn, BM_SETCHECK, checkedId == IDC_CAMERA_ON, 0);
  SendMessageA(radioViewFinderOn, BM_SETCHECK, checkedId == IDC_VIEWFINDER_ON, 0);
  sheet.SetActivationMask(mask);
}

void CCameraControlUI::ShowControlsForMode(long m) {
  if (Hwnd()) {
    int show = HidesActivationGroup(m) ? SW_HIDE : SW_SHOW;
    ShowWindow(radioDeactivate, show);
    ShowWindow(radioCameraOn, show);
    ShowWindow(radioViewFinderOn, show);
    ShowWindow(Item(IDC_ACTIVATION_GROUP), show);
    if (!HidesActivationGroup(m)) {
      SendMessageA(radioDeactivate, BM_SETCHECK, BST_CHECKED, 0);
      SendMessageA(radioCameraOn, BM_SETCHECK, BST_UNCHECKED, 0);
      SendMessageA(radioViewFinderOn, BM_SETCHECK, BST_UNCHECKED, 0);
    }
  }
  sheet.SetActivationMask(ActivationDeactivated);
}

// ---- Dialog messages ----

LRESULT CCameraControlUI::OnInitDialog(const fw::Message&, bool&) {
  radioDeactivate = Item(IDC_DEACTIVATE_ALL);
  radioCameraOn = Item(IDC_CAMERA_ON);
  radioViewFinderOn = Item(IDC_VIEWFINDER_ON);
  SendMessageA(radioDeactivate, BM_SETCHECK, BST_CHECKED, 0);
  SendMessageA(radioCameraOn, BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageA(radioViewFinderOn, BM_SETCHECK, BST_UNCHECKED, 0);
  UpdateEnabled();
  // A new window after Go (activated in place again): the sheet is built
  // again, with the server's state.
  if (started) RequestRefresh();
  return 0;
}

LRESULT CCameraControlUI::OnCloseButton(const fw::Message&, bool&) {
  // The host's frame decides what closing means.
  HWND parent = GetParent(Hwnd());
  HWND frame = parent ? GetParent(parent) : nullptr;
  if (parent && frame) PostMessageA(frame, WM_CLOSE, 0, 0);
  return 0;
}

// Switches one device on after switching the other off (camera and
// viewfinder are never on together). A failure to switch on is reported and
// the group falls back to "Deactivate All".
bool CCameraControlUI::SwitchOn(CUserAction& action, ServerSwitch off, ServerSwitch on,
                                UINT titleId, UINT textId) {
  CWaitCursor wait;
  ICameraControlFN* server = action.Server();
  (server->*off)(0);
  if (!action.GoesOn()) return false;
  const HRESULT hr = (server->*on)(1);
  if (!action.GoesOn()) return false;
  if (SUCCEEDED(hr)) return true;
  ShowError(titleId, textId);
  if (!action.GoesOn()) return false;
  ShowActivation(IDC_DEACTIVATE_ALL, ActivationDeactivated);
  return false;
}

LRESULT CCameraControlUI::OnActivationRadio(const fw::Message& m, bool&) {
  CUserAction action(this, Hwnd(), ServerReference());
  if (action.Refused() || !action.HasServer()) return 0;
  // With the group hidden the phone is not switched; the pages still follow.
  const bool switchPhone = !HidesActivationGroup(mode);
  switch (m.CommandId()) {
    case IDC_DEACTIVATE_ALL:
      if (switchPhone) {
        CWaitCursor wait;
        action.Server()->ActivateViewFinder(0);
        if (!action.GoesOn()) return 0;
        action.Server()->ActivateCamera(0);
        if (!action.GoesOn()) return 0;
      }
      ShowActivation(IDC_DEACTIVATE_ALL, ActivationDeactivated);
      break;
    case IDC_CAMERA_ON:
      if (switchPhone && !SwitchOn(action, &ICameraControlFN::ActivateViewFinder,
                                   &ICameraControlFN::ActivateCamera, IDS_ERR_ACTIVATE_CAMERA_TITLE,
                                   IDS_ERR_ACTIVATE_CAMERA))
        break;
      ShowActivation(IDC_CAMERA_ON, ActivationCameraOn);
      break;
    case IDC_VIEWFINDER_ON:
      if (switchPhone && !SwitchOn(action, &ICameraControlFN::ActivateCamera,
                                   &ICameraControlFN::ActivateViewFinder,
                                   IDS_ERR_ACTIVATE_VIEWFINDER_TITLE, IDS_ERR_ACTIVATE_VIEWFINDER))
        break;
      ShowActivation(IDC_VIEWFINDER_ON, ActivationViewFinderOn);
      break;
  }
  return 0;
}

LRESULT CCameraControlUI::OnDestroy(const fw::Message&, bool& handled) {
  sheet.OutliveParentWhileInUse(ControllingUnknown());
  // A test still waited for ends with the window it belongs to.
  sheet.CancelCameraTestWait();
  CServerWork::Scope work(this, nullptr, ServerReference());
  if (work.Server()) work.Server()->ActivateCamera(0);
  handled = false;
  return 0;
}

LRESULT CCameraControlUI::OnHeldServerEvents(const fw::Message&, bool&) {
  HandleWaiting();
  return 0;
}

// ---- Server events ----

void CCameraControlUI::ScheduleWaiting() {
  if (!Hwnd() || !PostMessageA(Hwnd(), UM_HELDSERVEREVENTS, 0, 0)) HandleWaiting();
}

void CCameraControlUI::OnServerEvent(DISPID id, const VARIANT* arguments, UINT count) {
  CServerWork::Scope work(this, Hwnd(), ServerReference());
  switch (id) {
    case kEventConnectionStateChanged:
      if (count == 1 && arguments[0].vt == VT_I4) ConnectionStateChanged(work, arguments[0].lVal);
      break;
    case kEventCameraTestFinished:
      if (count == CCameraTestPropPage::kResultCount) {
        long values[CCameraTestPropPage::kResultCount];
        for (UINT i = 0; i < count; ++i) {
          if (arguments[i].vt != VT_I4) return;
          values[i] = arguments[i].lVal;
        }
        CameraTestFinished(values);
      }
      break;
    case kEventCameraTestFailed:
      if (count == 1 && arguments[0].vt == VT_BSTR) CameraTestFailed(arguments[0].bstrVal);
      break;
    default:
      break;  // not an event of ours
  }
}

void CCameraControlUI::ConnectionStateChanged(CServerWork::Scope& work, long value) {
  connected = value != 0 ? 1 : 0;
  if (connected == 1 && work.Server()) {
    long newMode = 2;
    ReadProductMode(work.Server(), newMode);
    if (!work.GoesOn()) return;
    if (newMode != mode) {
      mode = newMode;
      sheet.ChangeMode(newMode);
      if (!work.GoesOn()) return;
      if (mode == 0) {
        ShowError(IDS_CAMERA_CONTROL_TITLE, IDS_ERR_NO_PRODUCT_CONFIGURATION);
        if (!work.GoesOn()) return;
      }
    }
    ShowControlsForMode(newMode);
  }
  UpdateEnabled();
}

void CCameraControlUI::CameraTestFinished(const long values[CCameraTestPropPage::kResultCount]) {
  sheet.OnCameraTestFinished(1, values);
}

void CCameraControlUI::CameraTestFailed(BSTR description) {
  const long zeros[CCameraTestPropPage::kResultCount] = {};
  sheet.OnCameraTestFinished(0, zeros);

  char title[kMaxTitleLength + 1] = "";
  LoadStringA(fw::Module::ResourceInstance(), IDS_ERR_CAMERA_TEST_TITLE, title, sizeof title);
  char text[kTestFailedTextLength + 1] = "";
  int length = LoadStringA(fw::Module::ResourceInstance(), IDS_ERR_CAMERA_TEST, text, sizeof text);
  length += snprintf(text + length, sizeof text - length, "\n\n");
  if (length < kTestFailedTextLength)
    fw::WideToAnsi(description, text + length, static_cast<int>(sizeof text) - length);
  ShowMessage(text, title, S_OK, MB_ICONHAND, kHostOption);
}

// ---- Help ----

void CCameraControlUI::ShowHelp(HWND, DWORD context) {
  // Topic 1 is the preview dialog's; any other request opens the topic of
  // the selected page.
  if (context != 1) sheet.GetCurrentHelpId(context);
  char folder[MAX_PATH];
  GetModuleFolder(folder);
  char path[512];
  snprintf(path, sizeof path, "%s%s", folder, mode == 2 ? kRdHelpFile : szHelpZEFfile);
  ShowHelpFile(Hwnd(), path, HELP_CONTEXT, context);
}
