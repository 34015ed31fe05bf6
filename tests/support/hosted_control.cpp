#include "tests/support/hosted_control.h"

#include <utility>

#include "tests/support/product_dll.h"

namespace test {

HostedControl::HostedControl() : HostedControl(CreateControl()) {}

HostedControl::HostedControl(fw::ComPtr<IUnknown> made)
    : server(fw::Make<FakeCameraServer>()), control(std::move(made)) {
  if (control) container.Activate(control.Get());
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

std::vector<std::string> TabTexts(HWND sheet) {
  std::vector<std::string> texts;
  HWND tab = sheet ? PropSheet_GetTabControl(sheet) : nullptr;
  for (int i = 0; tab && i < TabCtrl_GetItemCount(tab); ++i) {
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

}  // namespace test
