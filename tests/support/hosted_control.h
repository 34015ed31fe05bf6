// A camera control as a host runs it: made by the DLL's class factory,
// active in place in a TestContainer, with a FakeCameraServer at hand.
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

// The tab texts of a property sheet, in order.
std::vector<std::string> TabTexts(HWND sheet);

class HostedControl {
 public:
  // Creates the control (or takes one made elsewhere) and activates it in
  // place, not yet started.
  HostedControl();
  explicit HostedControl(fw::ComPtr<IUnknown> made);
  ~HostedControl() { Release(); }
  HostedControl(const HostedControl&) = delete;
  HostedControl& operator=(const HostedControl&) = delete;

  FakeCameraServer& Server() { return *server.Get(); }
  ICameraControlFN* ServerInterface() const { return server.Get(); }
  IUnknown* Control() const { return control.Get(); }

  HRESULT SetServer();  // hands the fake server to the control
  HRESULT Go();
  HRESULT Start() {
    HRESULT hr = SetServer();
    return FAILED(hr) ? hr : Go();
  }
  // Deactivates and releases the control (the server stays).
  void Release() {
    container.Deactivate();
    control.Reset();
  }

  HWND Dialog() const { return container.ControlWindow(); }
  HWND Item(int id) const { return GetDlgItem(Dialog(), id); }
  HWND Sheet() const {
    return Dialog() ? FindWindowExA(Dialog(), nullptr, "#32770", nullptr) : nullptr;
  }
  HWND TabControl() const { return PropSheet_GetTabControl(Sheet()); }
  std::vector<std::string> TabTexts() const { return test::TabTexts(Sheet()); }
  int SelectedTab() const { return TabControl() ? TabCtrl_GetCurSel(TabControl()) : -1; }
  // Selects tab `index` as a click on it would (a page is made when first shown).
  bool SelectTab(int index) { return SendMessageA(Sheet(), PSM_SETCURSEL, index, 0) != 0; }
  HWND CurrentPage() const { return PropSheet_GetCurrentPageHwnd(Sheet()); }
  // Clicks button `id` of `parent` as a user would.
  void Click(HWND parent, int id) const { SendMessageA(GetDlgItem(parent, id), BM_CLICK, 0, 0); }
  bool IsChecked(int id) const { return SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  // WM_CLOSE messages that reached the container's frame.
  int CloseRequests() const { return container.CloseRequests(); }
  const TestContainer& Container() const { return container; }

 private:
  TestContainer container;
  fw::ComPtr<fw::ComObject<FakeCameraServer>> server;
  fw::ComPtr<IUnknown> control;
};

}  // namespace test
