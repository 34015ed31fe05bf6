// The Picture Colours page: slider labels, Read and Write passes, box bits
// (failing passes: server_faults_test).
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"

namespace {

using Texts = std::vector<std::string>;

// Registers and the label or check box (bit 7) showing each; 19 follows 18.
const int kRegisters[] = {9, 11, 7, 15, 14, 16, 17, 18, 20, 5, 10, 27};
const int kShown[] = {IDC_LUMINANCE_VALUE,   IDC_WHITE_BALANCE_VALUE, IDC_ANALOG_GAIN_VALUE,
                      IDC_SHARPNESS_V_VALUE, IDC_SHARPNESS_H_VALUE,   IDC_CONTRAST_VALUE,
                      IDC_BRIGHTNESS_VALUE,  IDC_HUE_VALUE,           IDC_SATURATION_VALUE,
                      IDC_LUMINANCE_AUTO,    IDC_WHITE_BALANCE_AUTO,  IDC_BLEMISH_CORRECTION};

Texts Shown(HWND page) {
  Texts texts;
  for (int i = 0; i < 12; ++i)
    texts.push_back(i < 9 ? test::WindowText(GetDlgItem(page, kShown[i]))
                          : std::to_string(IsDlgButtonChecked(page, kShown[i])));
  return texts;
}

TEST(PictureColoursPage, ReadAndWritePasses) {
  test::HostedControl host;
  HWND page = test::OpenCameraOnPage(host, 2);
  const BYTE values[] = {5, 64, 250, 255, 1, 2, 200, 100, 33, 0x7F, 0x15, 0x80};  // 3 out of range
  for (int i = 0; i < 12; ++i)
    host.Server().SetRegister(kRegisters[i], values[i]);
  host.Click(page, IDC_READ);
  EXPECT_EQ(Shown(page), (Texts{"12%", "1.000000", "+0 dB", "7.96875", "0.03125", "0.01563", "200",
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
