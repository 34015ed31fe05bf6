// The two picture capture pages: lists, Preview, saving, and the Camera Test's camera.
#include <windows.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"
#include "tests/support/product_dll.h"

namespace {

using Texts = std::vector<std::string>;

// "title|text" of the message with these string ids.
std::string Msg(UINT titleId, UINT textId) {
  char title[64] = "", text[512] = "";
  LoadStringA(test::ProductModule(), titleId, title, sizeof title);
  LoadStringA(test::ProductModule(), textId, text, sizeof text);
  return std::string(title) + "|" + text;
}

class CapturePage : public testing::Test {
 protected:
  void Open(long mode) {
    host.Server().SetProductMode(mode);
    host.Start();
    host.Click(host.Dialog(), IDC_CAMERA_ON);
    host.SelectTab(1);
    page = host.CurrentPage();
  }
  Texts Items(int list) const {
    Texts items;
    char text[64];
    for (int i = 0; SendDlgItemMessageA(page, list, LB_GETTEXT, i, (LPARAM)text) >= 0; ++i)
      items.push_back(text);
    return items;
  }
  std::string LastCall() { return host.Server().Calls().back().ToString(); }
  // Clicks `button` and saves as temp + `name`; gives the filter and name Save As offered.
  std::string SaveAs(int button, const std::string& name) {
    std::string offered;
    test::WhenDialog saveAs("Save Camera Image As", [&](HWND dialog) {
      HWND file = test::FindChildById(dialog, 0x47c);
      offered = test::WindowText(test::FindChildById(dialog, 0x470)) + "|" + test::WindowText(file);
      SetWindowTextA(file, (temp + name).c_str());
      test::ClickButton(dialog, IDOK);
    });
    host.Click(page, button);
    return offered;
  }

  test::HostedControl host;
  HWND page = nullptr;
  std::string temp = std::string(getenv("TEMP")) + "\\";
};

TEST_F(CapturePage, PictureCapturePreviewsAndSaves) {
  host.Server().SetFormatMask(0x400 | 0x20 | 0x8 | 0x4);  // 0x8 is no format of this page
  Open(2);
  EXPECT_EQ(Items(IDC_FORMAT_LIST), (Texts{"JPEG", "RGB 565", "Bayer"}));

  // Preview's temporary file is deleted whether the picture can be shown or not.
  test::WhenDialog preview("Image Preview", [](HWND dialog) { test::ClickButton(dialog, IDOK); });
  std::ifstream file(KVR_SOURCE_DIR "/tests/fixtures/images/bitmap24_16x8.bmp", std::ios::binary);
  const std::string bitmap(std::istreambuf_iterator<char>(file), {});
  for (const std::string& content : {bitmap, std::string("not a picture")}) {
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

TEST_F(CapturePage, ProductCaptureAndCameraTestUseTheChosenCameraAndFlashlight) {
  host.Server().SetCameraCount(2);
  host.Server().SetCameraConfig(0, {0x2009, 0x8, 1});  // no flashlight
  host.Server().SetCameraConfig(2, {0x4, 0x40, 0});    // a flashlight
  Open(4);
  EXPECT_EQ(Items(IDC_FORMAT_LIST), (Texts{"Bitmap", "RAW", "Test Colour Bar"}));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_FLASH_ON)));
  SendDlgItemMessageA(page, IDC_CAMERA_NUMBER, CB_SETCURSEL, 1, 0);  // the second camera
  for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK})
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_CAMERA_NUMBER, code), 0);
  EXPECT_EQ(Items(IDC_SIZE_LIST), Texts{"VGA"});
  host.Click(page, IDC_FLASH_ANTI_RED_EYE);  // enabled now
  host.Server().SetResult("CaptureCameraToFile", 0x8004041F);
  SaveAs(IDC_EPOC_SAVE, "pic");
  EXPECT_EQ(LastCall(), "CaptureCameraToFile(\"" + temp + "pic.jpg\",2,4,64,3,2,0)");
  EXPECT_EQ(test::ShownMessages(), Texts{Msg(146, 184)});

  host.SelectTab(0);
  test::WhenDialog wait("Please Wait...", [&](HWND) { host.Server().FireCameraTestFinished({}); });
  host.Click(host.CurrentPage(), IDC_TEST);
  EXPECT_EQ(host.Server().CallStrings("StartCameraTest"), Texts{"StartCameraTest(2,2048,64,3,2)"});
}

}  // namespace
