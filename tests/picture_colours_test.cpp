// The Picture Colours page: slider labels, Read and Write passes, box bits
// (failing passes: server_faults_test).
#include <windows.h>
#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"

namespace {

using Texts = std::vector<std::string>;

// Read shows each register in its label or check box (bit 7), out of range
// values included; Write writes them back, 19 after 18, and the boxes into
// the bits of the registers they share.
TEST(PictureColoursPage, ReadAndWritePasses) {
  const std::pair<int, int> shown[] = {
      {9, IDC_LUMINANCE_VALUE},    {11, IDC_WHITE_BALANCE_VALUE}, {7, IDC_ANALOG_GAIN_VALUE},
      {15, IDC_SHARPNESS_V_VALUE}, {14, IDC_SHARPNESS_H_VALUE},   {16, IDC_CONTRAST_VALUE},
      {17, IDC_BRIGHTNESS_VALUE},  {18, IDC_HUE_VALUE},           {20, IDC_SATURATION_VALUE},
      {5, IDC_LUMINANCE_AUTO},     {10, IDC_WHITE_BALANCE_AUTO},  {27, IDC_BLEMISH_CORRECTION}};
  const BYTE values[] = {5, 64, 250, 255, 1, 2, 200, 100, 33, 0x7F, 0x15, 0x80};  // 3 out of range
  test::HostedControl host;
  HWND page = test::OpenCameraOnPage(host, 2);
  for (int i = 0; i < 12; ++i)
    host.Server().SetRegister(shown[i].first, values[i]);
  host.Click(page, IDC_READ);
  Texts texts;
  for (int i = 0; i < 12; ++i)
    texts.push_back(i < 9 ? test::WindowText(GetDlgItem(page, shown[i].second))
                          : std::to_string(IsDlgButtonChecked(page, shown[i].second)));
  EXPECT_EQ(texts, (Texts{"12%", "1.000000", "+0 dB", "7.96875", "0.03125", "0.01563", "200",
                          "1.96875", "1.03125", "1", "1", "1"}));
  host.Server().ClearCalls();
  host.Click(page, IDC_WRITE);
  EXPECT_EQ(host.Server().CallStrings(),
            (Texts{"WriteRegister(9,16)", "WriteRegister(11,64)", "WriteRegister(7,192)",
                   "WriteRegister(15,255)", "WriteRegister(14,1)", "WriteRegister(16,2)",
                   "WriteRegister(17,200)", "WriteRegister(18,63)", "WriteRegister(19,63)",
                   "WriteRegister(20,33)", "ReadRegister(5)", "WriteRegister(5,127)",
                   "ReadRegister(10)", "WriteRegister(10,21)", "ReadRegister(10)",
                   "WriteRegister(10,85)", "ReadRegister(27)", "WriteRegister(27,128)"}));
}

}  // namespace
