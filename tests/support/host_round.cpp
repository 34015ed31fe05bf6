#include "tests/support/host_round.h"

#include "resources/resource.h"
#include "tests/support/hosted_control.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"

namespace test {

HostRound RunHostRound() {
  static const std::string picture = FileBytes(kImages + "bitmap24_16x8.bmp");
  HostRound round;
  HostedControl host;
  round.serverRefsAtStart = host.Server().RefCount();
  host.Server().SetCaptureContent(picture);

  host.Click(OpenRegistersPage(host), IDC_READ);
  round.registersRead = host.Server().CallCount("ReadRegister");

  host.SelectTab(1);
  WhenDialog preview("Image Preview", [](HWND dialog) { ClickButton(dialog, IDOK); });
  host.Click(host.CurrentPage(), IDC_PREVIEW);
  round.previewsShown = preview.Handled();

  host.Server().SetProductMode(4);
  host.Server().FireConnectionStateChanged(1);
  round.tabsAfterModeChange = host.TabTexts().size();

  host.Release();
  round.serverRefsAtEnd = host.Server().RefCount();
  return round;
}

}  // namespace test
