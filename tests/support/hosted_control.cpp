#include "tests/support/hosted_control.h"

#include <utility>

#include "tests/support/product_dll.h"

namespace test {

HostedControl::HostedControl() : HostedControl(CreateControl()) {}

HostedControl::HostedControl(fw::ComPtr<IUnknown> made)
    : server(fw::Make<FakeCameraServer>()), control(std::move(made)) {
  if (control) container.Activate(control.Get());
}

HostedControl::~HostedControl() {
  Release();
}

ICameraControlFN* HostedControl::ServerInterface() const {
  return static_cast<ICameraControlFN*>(server.Get());
}

HRESULT HostedControl::SetServer() {
  fw::ComPtr<ICameraControlFNClient> client;
  HRESULT hr = control.As(&client);
  return FAILED(hr) ? hr : client->SetServer(ServerInterface());
}

HRESULT HostedControl::Go() {
  fw::ComPtr<IGoClient> go;
  HRESULT hr = control.As(&go);
  return FAILED(hr) ? hr : go->Go();
}

HRESULT HostedControl::Start() {
  HRESULT hr = SetServer();
  return FAILED(hr) ? hr : Go();
}

void HostedControl::Release() {
  container.Deactivate();
  control.Reset();
}

HWND HostedControl::Sheet() const {
  return Dialog() ? FindWindowExA(Dialog(), nullptr, "#32770", nullptr) : nullptr;
}

HWND HostedControl::TabControl() const {
  HWND sheet = Sheet();
  return sheet ? PropSheet_GetTabControl(sheet) : nullptr;
}

std::vector<std::string> HostedControl::TabTexts() const {
  std::vector<std::string> texts;
  HWND tab = TabControl();
  int count = tab ? TabCtrl_GetItemCount(tab) : 0;
  for (int i = 0; i < count; ++i) {
    char text[64] = "";
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(tab, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
    texts.push_back(text);
  }
  return texts;
}

int HostedControl::SelectedTab() const {
  HWND tab = TabControl();
  return tab ? TabCtrl_GetCurSel(tab) : -1;
}

bool HostedControl::SelectTab(int index) {
  HWND sheet = Sheet();
  return sheet && SendMessageA(sheet, PSM_SETCURSEL, index, 0) != 0;
}

HWND HostedControl::CurrentPage() const {
  HWND sheet = Sheet();
  return sheet ? PropSheet_GetCurrentPageHwnd(sheet) : nullptr;
}

void HostedControl::Click(HWND parent, int id) const {
  SendMessageA(GetDlgItem(parent, id), BM_CLICK, 0, 0);
}

bool HostedControl::IsChecked(int id) const {
  return SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

}  // namespace test
