#include "pages/base_property_page.h"

CBasePropertyPage::~CBasePropertyPage() = default;

void CBasePropertyPage::SetServer(ICameraControlFN* newServer) {
  server = newServer;
}
