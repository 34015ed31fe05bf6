// The camera control: the ActiveX composite control a phone service tool
// embeds to examine and drive the camera of a connected phone. The host
// hands it the camera function server and calls Go; the control then reads
// the connection state and the product mode, builds the property sheet for
// the mode, switches the camera and the viewfinder with the Camera
// Activation radio group and reacts to the server's events.
#pragma once

#include <windows.h>

#include "CameraControlFN.h"
#include "HostFramework.h"
#include "KVRCmnCameraControlUI.h"
#include "control/composite_control_with_help.h"
#include "control/context_member.h"
#include "control/server_link.h"
#include "control/user_action.h"
#include "framework/module_type_info.h"
#include "pages/camera_control_property_sheet.h"
#include "resources/resource.h"

// The help file the host framework opens by default.
extern const char szHelpZEFfile[];

// Posted to the control's dialog when its work has ended with server events
// or a refresh waiting: they are handled from the message loop.
constexpr UINT UM_HELDSERVEREVENTS = WM_APP + 0x101;

class CCameraControlUI : public CComCompositeControl2<CCameraControlUI, 3, szHelpZEFfile>,
                         public fw::DualInterface<ICameraControlUI>,
                         public CContextMember,
                         public IGoClient,
                         public ICameraControlFNClient,
                         public CServerLink {
 public:
  CCameraControlUI();
  ~CCameraControlUI() override;

  void FinalRelease() override;

  FW_BEGIN_INTERFACES(CCameraControlUI)
  FW_INTERFACE(ICameraControlUI)
  FW_INTERFACE_VIA(IDispatch, ICameraControlUI)
  FW_COMPOSITE_CONTROL_INTERFACES()
  FW_INTERFACE(IContextMember)
  FW_INTERFACE(IGoClient)
  FW_INTERFACE(ICameraControlFNClient)
  FW_END_INTERFACES

  // ICameraControlFNClient
  STDMETHODIMP SetServer(ICameraControlFN* newServer) override;
  // IGoClient
  STDMETHODIMP Go() override;

  using CComCompositeControl2::ShowHelp;
  void ShowHelp(HWND window, DWORD context) override;

  bool WindowInUse() const override { return sheet.InSystemCode(); }
  bool HasWindow() const override { return Hwnd() != nullptr; }

  long Connected() const { return connected; }
  long Mode() const { return mode; }

 protected:
  FW_BEGIN_MESSAGES(CCameraControlUI)
  FW_MESSAGE(WM_INITDIALOG, OnInitDialog)
  FW_COMMAND(IDOK, BN_CLICKED, OnCloseButton)
  FW_COMMAND(IDC_DEACTIVATE_ALL, BN_CLICKED, OnActivationRadio)
  FW_COMMAND(IDC_CAMERA_ON, BN_CLICKED, OnActivationRadio)
  FW_COMMAND(IDC_VIEWFINDER_ON, BN_CLICKED, OnActivationRadio)
  FW_MESSAGE(WM_DESTROY, OnDestroy)
  FW_MESSAGE(UM_HELDSERVEREVENTS, OnHeldServerEvents)
  FW_END_MESSAGES(CComCompositeControl2)

  LRESULT OnInitDialog(const fw::Message& m, bool& handled);
  LRESULT OnCloseButton(const fw::Message& m, bool& handled);
  LRESULT OnActivationRadio(const fw::Message& m, bool& handled);
  LRESULT OnDestroy(const fw::Message& m, bool& handled);
  LRESULT OnHeldServerEvents(const fw::Message& m, bool& handled);

 private:
  void OnServerEvent(DISPID id, const VARIANT* arguments, UINT count) override;
  void ScheduleWaiting() override;
  void ConnectionStateChanged(CServerWork::Scope& work, long value);
  void CameraTestFinished(const long values[CCameraTestPropPage::kResultCount]);
  void CameraTestFailed(BSTR description);

  // What Go does (and SetServer after Go, and an activation in place after
  // Go): read the server's state, build the sheet in the control's window or
  // bring its pages to the mode, enable and show the controls.
  void OnRefresh() override;
  // Builds the sheet for `mode` in the control's window; false when the
  // work cannot go on.
  bool BuildSheet(CServerWork::Scope& work);
  void UpdateEnabled();
  void ShowControlsForMode(long m);
  void PlaceSheet();
  // Checks one radio button of the activation group and sets the mask.
  void ShowActivation(int checkedId, long mask);
  static void ReadProductMode(ICameraControlFN* server, long& productMode);
  using ServerSwitch = HRESULT (STDMETHODCALLTYPE ICameraControlFN::*)(long);
  // False when the action ended before the switch was done.
  bool SwitchOn(CUserAction& action, ServerSwitch off, ServerSwitch on, UINT titleId, UINT textId);

  long connected = 0;
  CCameraControlPropertySheet sheet;
  HWND radioDeactivate = nullptr;
  HWND radioCameraOn = nullptr;
  HWND radioViewFinderOn = nullptr;
  long mode = 2;
  // Go has run: a new server, or a new window after an activation in
  // place, is then taken up at once.
  bool started = false;
};
