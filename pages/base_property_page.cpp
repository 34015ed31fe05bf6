#include "pages/base_property_page.h"

#include "control/message_boxes.h"
#include "resources/resource.h"

CBasePropertyPage::~CBasePropertyPage() = default;

void CBasePropertyPage::SetServer(ICameraControlFN* newServer) {
  server = newServer;
}

fw::ComPtr<ICameraControlFNTest> CBasePropertyPage::TestInterface(ICameraControlFN* server) {
  fw::ComPtr<ICameraControlFNTest> test;
  if (!server || FAILED(server->QueryInterface(IID_PPV_ARGS(&test))) || !test) {
    test.Reset();
    ShowError(IDS_ERR_NO_SERVER_TITLE, IDS_ERR_NO_SERVER);
  }
  return test;
}
