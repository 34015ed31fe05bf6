// The two picture capture pages: lists, Preview, saving, and the Camera Test's camera.
#include <windows.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "resources/resource.h"
#include "tests/support/message_recorder.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"

namespace {

using test::Msg;

using Texts = std::vector<std::string>;

const std::string kBitmap = [] {
  std::ifstream file(KVR_SOURCE_DIR "/tests/fixtures/images/bitmap24_16x8.bmp", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}();

class CapturePage : public testing::Test {
 protected:
  void Open(long mode) {
    host.Server().SetProductMode(mode);
    host.Start();
    host.Click(host.Dialog(), IDC_CAMERA_ON);
    host.SelectTab(1);
    page = host.CurrentPage();
  }
  Texts Items(int list) const { return test::ListItems(GetDlgItem(page, list)); }
  std::string LastCall() { return host.Server().Calls().back().ToString(); }
  // Clicks `button` and saves as temp + `name`; gives the filter and name
  // Save As offered, and keeps the folder it started in.
  std::string SaveAs(int button, const std::string& name) {
    std::string offered;
    test::WhenDialog saveAs("Save Camera Image As", [&](HWND dialog) {
      HWND file = test::FindChildById(dialog, 0x47c);
      offered = test::WindowText(test::FindChildById(dialog, 0x470)) + "|" + test::WindowText(file);
      char started[MAX_PATH] = "";
      SendMessageA(dialog, CDM_GETFOLDERPATH, sizeof started, reinterpret_cast<LPARAM>(started));
      folder = started;
      SetWindowTextA(file, (temp + name).c_str());
      test::ClickButton(dialog, IDOK);
    });
    host.Click(page, button);
    return offered;
  }

  test::HostedControl host;
  HWND page = nullptr;
  std::string temp = std::string(getenv("TEMP")) + "\\", folder;
};

TEST_F(CapturePage, PictureCapturePreviewsAndSaves) {
  host.Server().SetFormatMask(0x400 | 0x20 | 0x8 | 0x4);  // 0x8 is no format of this page
  Open(2);
  EXPECT_EQ(Items(IDC_FORMAT_LIST), (Texts{"JPEG", "RGB 565", "Bayer"}));

  // Preview's temporary file is deleted whether the picture can be shown or not.
  test::WhenDialog preview("Image Preview", [](HWND dialog) { test::ClickButton(dialog, IDOK); });
  for (const std::string& content : {kBitmap, std::string("not a picture")}) {
    host.Server().SetCaptureContent(content);
    host.Click(page, IDC_PREVIEW);
    const std::string path = host.Server().Calls().back().Text();
    EXPECT_EQ(LastCall(), "CaptureToFile(\"" + path + "\",4,2,0)");
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
  }
  EXPECT_EQ(preview.Handled(), 1u);

  EXPECT_EQ(SaveAs(IDC_SAVE, "shot"), "JPEG Images (*.jpg)|Image1");
  EXPECT_EQ(LastCall(), "CaptureToFile(\"" + temp + "shot.jpg\",4,2,0)");
  DeleteFileA((temp + "shot.jpg").c_str());
  SendDlgItemMessageA(page, IDC_FORMAT_LIST, LB_SETCURSEL, 1, 0);  // RGB 565
  host.Server().SetResult("CaptureToFile", 0x80040412);
  EXPECT_EQ(SaveAs(IDC_SAVE, "a.raw"), "RAW Images (*.raw)|shot");
  EXPECT_EQ(LastCall(), "CaptureToFile(\"" + temp + "a.raw\",32,2,0)");

  EXPECT_EQ(test::ShownMessages(), (Texts{Msg(148, 147), Msg(102, 220), Msg(146, 203)}));
}

TEST_F(CapturePage, ProductCaptureOnThePCAndTheCameraTestUseTheChosenCameraAndFlashlight) {
  host.Server().SetCameraCount(2);
  host.Server().SetCameraConfig(0, {0x2009, 0x8, 1});  // no flashlight
  host.Server().SetCameraConfig(2, {0x806, 0x40, 0});  // a flashlight
  host.Server().SetCaptureContent(kBitmap);
  Open(4);
  EXPECT_EQ(Items(IDC_FORMAT_LIST), (Texts{"Bitmap", "RAW", "Test Colour Bar"}));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_FLASH_ON)));
  SendDlgItemMessageA(page, IDC_CAMERA_NUMBER, CB_SETCURSEL, 1, 0);  // the second camera
  for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK})
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_CAMERA_NUMBER, code), 0);
  EXPECT_EQ(Items(IDC_FORMAT_LIST), (Texts{"YUV", "JPEG", "Test JBS28"}));
  EXPECT_EQ(Items(IDC_SIZE_LIST), Texts{"VGA"});
  host.Click(page, IDC_FLASH_ANTI_RED_EYE);  // enabled now

  // YUV with part of the data missing: the warning, then the picture.
  test::WhenDialog preview("Image Preview", [](HWND dialog) { test::ClickButton(dialog, IDOK); });
  host.Server().SetResult("CaptureCameraToFile", 0x00040401);
  EXPECT_EQ(SaveAs(IDC_EPOC_SAVE, "pic.bmp"), "Bitmap Images (*.bmp)|Image1");
  EXPECT_EQ(LastCall(), "CaptureCameraToFile(\"" + temp + "pic.bmp\",2,2,64,3,2,0)");
  EXPECT_EQ(preview.Handled(), 1u);
  // JBS28, not shown: the success message; the folder and name are remembered.
  host.Server().ClearScript();
  SendDlgItemMessageA(page, IDC_FORMAT_LIST, LB_SETCURSEL, 2, 0);
  host.Click(page, IDC_SHOW_IMAGE_AFTER_SAVE);
  EXPECT_EQ(SaveAs(IDC_EPOC_SAVE, "pic2.bmp"), "Bitmap Images (*.bmp)|pic");
  EXPECT_EQ(folder + "\\", temp);
  EXPECT_EQ(test::ShownMessages(), (Texts{Msg(165, 166), Msg(102, 220)}));
  for (const char* name : {"pic.bmp", "pic2.bmp"})
    EXPECT_TRUE(DeleteFileA((temp + name).c_str())) << name;

  host.SelectTab(0);
  test::WhenDialog wait("Please Wait...", [&](HWND) { host.Server().FireCameraTestFinished({}); });
  host.Click(host.CurrentPage(), IDC_TEST);
  EXPECT_EQ(host.Server().CallStrings("StartCameraTest"), Texts{"StartCameraTest(2,2048,64,3,2)"});
}

// Saving on the product from either page: the name box follows the location,
// the product page proposes its folder as the name, an empty name is refused.
TEST(ProductSave, TheNameBoxFollowsTheLocationAndAnEmptyNameIsRefused) {
  const std::tuple<long, int, int, int, std::string> pages[] = {
      {2, IDC_LOCATION_PRODUCT, IDC_PRODUCT_NAME, IDC_SAVE, ""},
      {4, IDC_EPOC_LOCATION_PRODUCT, IDC_EPOC_PRODUCT_NAME, IDC_EPOC_SAVE, "C:\\Orvik\\Images\\"}};
  for (const auto& [mode, product, nameId, save, proposed] : pages) {
    test::MessageRecorder::Clear();
    test::HostedControl host;
    host.Server().SetProductMode(mode);
    host.Start();
    host.Click(host.Dialog(), IDC_CAMERA_ON);
    host.SelectTab(1);
    HWND page = host.CurrentPage(), name = GetDlgItem(page, nameId);
    std::string enabled;
    for (int radio : {product, IDC_LOCATION_PC, product}) {  // from the PC
      enabled += IsWindowEnabled(name) ? '1' : '0';
      host.Click(page, radio);
    }
    EXPECT_EQ(enabled + (IsWindowEnabled(name) ? '1' : '0'), "0101");
    EXPECT_EQ(test::WindowText(name), proposed);
    host.Click(page, save);
    SetWindowTextA(name, "");
    host.Click(page, save);
    EXPECT_EQ(GetFocus(), name);
    EXPECT_EQ(test::ShownMessages(),
              (Texts{proposed.empty() ? Msg(158, 157) : Msg(102, 220), Msg(158, 157)}));
    Texts names;  // the names the server was given
    for (const test::ServerCall& call : host.Server().Calls())
      if (call.hasText) names.push_back(call.Text());
    EXPECT_EQ(names, proposed.empty() ? Texts{} : Texts{proposed});
  }
}

}  // namespace
