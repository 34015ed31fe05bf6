// A camera control as a host runs it: made by the DLL's class factory,
// active in place in a TestContainer, with a FakeCameraServer at hand.
//
//   test::HostedControl host;
//   host.Server().SetProductMode(2);
//   host.Start();                                  // SetServer, then Go
//   host.Click(host.Dialog(), IDC_CAMERA_ON);
//   host.SelectTab(4);                             // "Registers"
//   HWND page = host.CurrentPage();
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "CameraControlFN.h"
#include "HostFramework.h"
#include "framework/com_object.h"
#include "tests/support/fake_camera_server.h"
#include "tests/support/test_container.h"

namespace test {

class HostedControl {
 public:
  // Creates the control and activates it in place (not yet started).
  HostedControl();
  // Activates a control made elsewhere (through CoCreateInstance) instead.
  explicit HostedControl(fw::ComPtr<IUnknown> made);
  ~HostedControl();
  HostedControl(const HostedControl&) = delete;
  HostedControl& operator=(const HostedControl&) = delete;

  FakeCameraServer& Server() { return *server.Get(); }
  ICameraControlFN* ServerInterface() const;
  IUnknown* Control() const { return control.Get(); }

  // Hands the fake server to the control.
  HRESULT SetServer();
  HRESULT Go();
  // SetServer then Go.
  HRESULT Start();
  // Deactivates and releases the control (the server stays).
  void Release();

  HWND Dialog() const { return container.ControlWindow(); }
  HWND Item(int id) const { return GetDlgItem(Dialog(), id); }
  HWND Sheet() const;
  HWND TabControl() const;
  std::vector<std::string> TabTexts() const;
  int SelectedTab() const;
  // Selects tab `index` as a user's click on it would (the page window is
  // created on first selection).
  bool SelectTab(int index);
  HWND CurrentPage() const;
  // Clicks button `id` of `parent` as a user would (BM_CLICK).
  void Click(HWND parent, int id) const;
  // Check state of button `id` in the control's dialog.
  bool IsChecked(int id) const;
  // WM_CLOSE messages that reached the container's frame.
  int CloseRequests() const { return container.CloseRequests(); }

 private:
  TestContainer container;
  fw::ComPtr<fw::ComObject<FakeCameraServer>> server;
  fw::ComPtr<IUnknown> control;
};

}  // namespace test
