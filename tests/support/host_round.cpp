#include "tests/support/host_round.h"

#include <fstream>
#include <iterator>
#include <string>

#include "resources/resource.h"
#include "tests/support/hosted_control.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"

namespace test {

HostRound RunHostRound() {
  static const std::string picture = [] {
    std::ifstream file(KVR_SOURCE_DIR "/tests/fixtures/images/bitmap24_16x8.bmp", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }();
  HostRound round;
  HostedControl host;
  round.serverRefsAtStart = host.Server().RefCount();
  host.Server().SetCaptureContent(picture);

  HWND registers = OpenRegistersPage(host);
  host.Click(registers, IDC_READ);
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
