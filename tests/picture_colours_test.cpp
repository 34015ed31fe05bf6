// The Picture Colours page as the user works it: the texts beside the
// sliders, Read and Write passes against the server, the check boxes'
// register bits, one message per pass however many registers fail.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "resources/resource.h"
#include "tests/support/hosted_control.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"

namespace {

using Texts = std::vector<std::string>;
using Checks = std::vector<bool>;

// Slider and label, in the order of registers 9, 11, 7, 15, 14, 16, 17,
// 18 (and 19), 20.
const std::pair<int, int> kSliders[] = {
    {IDC_LUMINANCE, IDC_LUMINANCE_VALUE},     {IDC_WHITE_BALANCE, IDC_WHITE_BALANCE_VALUE},
    {IDC_ANALOG_GAIN, IDC_ANALOG_GAIN_VALUE}, {IDC_SHARPNESS_V, IDC_SHARPNESS_V_VALUE},
    {IDC_SHARPNESS_H, IDC_SHARPNESS_H_VALUE}, {IDC_CONTRAST, IDC_CONTRAST_VALUE},
    {IDC_BRIGHTNESS, IDC_BRIGHTNESS_VALUE},   {IDC_HUE, IDC_HUE_VALUE},
    {IDC_SATURATION, IDC_SATURATION_VALUE}};
const int kBoxes[] = {IDC_LUMINANCE_AUTO, IDC_WHITE_BALANCE_AUTO, IDC_BLEMISH_CORRECTION};

class PictureColoursPage : public testing::Test {
 protected:
  void SetUp() override {
    page = test::OpenCameraOnPage(host, 2);
    ASSERT_NE(page, nullptr);
    host.Server().ClearCalls();
  }

  HWND Item(int id) const { return GetDlgItem(page, id); }
  LRESULT Position(int slider) const { return SendMessageA(Item(slider), TBM_GETPOS, 0, 0); }
  Texts Labels() const {
    Texts texts;
    for (const auto& [slider, label] : kSliders)
      texts.push_back(test::WindowText(Item(label)));
    return texts;
  }
  Checks Boxes() const {
    Checks checked;
    for (int id : kBoxes)
      checked.push_back(SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED);
    return checked;
  }
  void SetControls(const std::vector<int>& positions, const Checks& checked) const {
    for (size_t i = 0; i < positions.size(); ++i)
      SendMessageA(Item(kSliders[i].first), TBM_SETPOS, TRUE, positions[i]);
    for (int i = 0; i < 3; ++i)
      SendMessageA(Item(kBoxes[i]), BM_SETCHECK, checked[i] ? BST_CHECKED : BST_UNCHECKED, 0);
  }

  test::HostedControl host;
  HWND page = nullptr;
};

TEST(PicturePagesState, EveryControlIsDisabledWhenOpenedWithTheCameraOff) {
  test::HostedControl host;
  host.Server().SetProductMode(2);
  ASSERT_EQ(host.Start(), S_OK);
  for (int tab : {2, 3}) {
    ASSERT_TRUE(host.SelectTab(tab));
    EXPECT_EQ(test::EnabledChildIds(host.CurrentPage()), std::vector<int>{}) << tab;
  }
}

TEST_F(PictureColoursPage, ReadClampsIntoTheRangesShowsTheValuesAndSetsTheBoxes) {
  EXPECT_EQ(Labels(), (Texts{"12%", "0.000000", "+24 dB", "0.00000", "0.00000", "0.00000", "0",
                             "0.00000", "0.00000"}));
  SetControls({}, {false, true, false});
  const int regs[] = {9, 11, 7, 15, 14, 16, 17, 18, 20, 5, 10, 27};
  const BYTE values[] = {17, 64, 250, 255, 1, 2, 200, 100, 33, 0x7F, 0x80, 0x80};
  Texts reads;
  for (int i = 0; i < 12; ++i) {
    host.Server().SetRegister(regs[i], values[i]);
    reads.push_back("ReadRegister(" + std::to_string(regs[i]) + ")");
  }
  host.Click(page, IDC_READ);
  EXPECT_EQ(host.Server().CallStrings(), reads);
  EXPECT_EQ(Position(IDC_ANALOG_GAIN), 192);
  EXPECT_EQ(Position(IDC_HUE), 63);
  EXPECT_EQ(Labels(), (Texts{"13%", "1.000000", "+0 dB", "7.96875", "0.03125", "0.01563", "200",
                             "1.96875", "1.03125"}));
  EXPECT_EQ(Boxes(), (Checks{true, false, true}));  // the Auto bits are inverted

  host.Server().SetRegister(9, 5);
  host.Click(page, IDC_READ);
  EXPECT_EQ(Position(IDC_LUMINANCE), 16);
  EXPECT_EQ(test::WindowText(Item(IDC_LUMINANCE_VALUE)), "12%");
  EXPECT_TRUE(test::ShownMessages().empty());
}

TEST_F(PictureColoursPage, ReadWhereEveryRegisterFailsShowsOneMessageAndMarksEveryLabel) {
  SetControls({20, 30}, {true, false, true});
  host.Server().SetResult("ReadRegister", 0x80040410);
  host.Click(page, IDC_READ);
  EXPECT_EQ(host.Server().CallCount("ReadRegister"), 12u);
  const std::string message =
      "Error Reading Phone Register|Camera not activated. Activate the camera and try again.";
  EXPECT_EQ(test::ShownMessages(), Texts{message});
  EXPECT_EQ(Labels(), Texts(9, "Read Failed."));
  EXPECT_EQ(Position(IDC_WHITE_BALANCE), 30);
  EXPECT_EQ(Boxes(), (Checks{true, false, true}));
  host.Click(page, IDC_READ);  // each pass reports once
  EXPECT_EQ(test::ShownMessages(), (Texts{message, message}));
}

TEST_F(PictureColoursPage, WriteSendsEverySliderThenTheBoxBitsByReadModifyWrite) {
  SetControls({17, 64, 100, 255, 1, 2, 200, 33, 63}, {false, true, false});
  host.Server().SetRegister(10, 0x95);
  host.Server().SetRegister(27, 0xFF);
  const Texts labels = Labels();
  host.Click(page, IDC_WRITE);
  EXPECT_EQ(host.Server().CallStrings(),
            (Texts{"WriteRegister(9,17)", "WriteRegister(11,64)", "WriteRegister(7,100)",
                   "WriteRegister(15,255)", "WriteRegister(14,1)", "WriteRegister(16,2)",
                   "WriteRegister(17,200)", "WriteRegister(18,33)", "WriteRegister(19,33)",
                   "WriteRegister(20,63)", "ReadRegister(5)", "WriteRegister(5,128)",
                   "ReadRegister(10)", "WriteRegister(10,21)", "ReadRegister(10)",
                   "WriteRegister(10,85)", "ReadRegister(27)", "WriteRegister(27,127)"}));
  EXPECT_EQ(Labels(), labels);
  EXPECT_TRUE(test::ShownMessages().empty());
}

TEST_F(PictureColoursPage, FailedWritesMarkTheirLabelsAndHueStopsBeforeItsSecondRegister) {
  host.Server().FailWhen("WriteRegister", test::ArgEquals(0, 9), 0x80004005);
  host.Server().FailWhen("WriteRegister", test::ArgEquals(0, 18), 0x80004005);
  host.Click(page, IDC_WRITE);
  const Texts writes = host.Server().CallStrings("WriteRegister");
  ASSERT_EQ(writes.size(), 13u);  // 9 sliders without 19, 4 bits
  EXPECT_EQ(writes[8], "WriteRegister(20,0)");
  EXPECT_EQ(test::ShownMessages(),
            (Texts{"Error Writing Phone Register|The register operation failed. Please check that "
                   "the phone is on and there is a Lumadex connection to it. Also, please check "
                   "that the camera is activated. "}));
  EXPECT_EQ(Labels(), (Texts{"Write Failed.", "0.000000", "+24 dB", "0.00000", "0.00000", "0.00000",
                             "0", "Write Failed.", "0.00000"}));
}

TEST_F(PictureColoursPage, LabelChangesWhenTheKeyIsReleasedNotWhileTheThumbMoves) {
  SendMessageA(Item(IDC_LUMINANCE), WM_KEYDOWN, VK_RIGHT, 1);
  EXPECT_EQ(Position(IDC_LUMINANCE), 17);
  EXPECT_EQ(test::WindowText(Item(IDC_LUMINANCE_VALUE)), "12%");
  SendMessageA(Item(IDC_LUMINANCE), WM_KEYUP, VK_RIGHT, 0xC0000001);
  EXPECT_EQ(test::WindowText(Item(IDC_LUMINANCE_VALUE)), "13%");
}

}  // namespace
