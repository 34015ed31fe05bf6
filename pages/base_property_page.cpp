#include "pages/base_property_page.h"

#include "control/message_boxes.h"
#include "resources/resource.h"

CBasePropertyPage::~CBasePropertyPage() = default;

void CBasePropertyPage::SetServer(ICameraControlFN* newServer) {
  server = newServer;
}

bool CBasePropertyPage::ServerAvailable() const {
  if (server) return true;
  ShowError(IDS_ERR_NO_SERVER_TITLE, IDS_ERR_NO_SERVER);
  return false;
}

fw::ComPtr<ICameraControlFNTest> CBasePropertyPage::TestInterface() const {
  fw::ComPtr<ICameraControlFNTest> test;
  if (!server || FAILED(server.As(&test)) || !test) {
    test.Reset();
    ShowError(IDS_ERR_NO_SERVER_TITLE, IDS_ERR_NO_SERVER);
  }
  return test;
}
