// The two picture capture pages: lists, Preview, saving, and the Camera Test's
// camera; a folder beyond ASCII end to end. (Saving on the product and the
// name box: bad_text_test.)
#include <windows.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>

#include "resources/resource.h"
#include "tests/support/message_recorder.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"

namespace {

using test::Msg;
using Texts = std::vector<std::string>;

std::string FileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}
const std::string kBitmap = FileBytes(KVR_SOURCE_DIR "/tests/fixtures/images/bitmap24_16x8.bmp");

class CapturePage : public testing::Test {
 protected:
  void Open(long mode) { page = test::OpenCameraOnPage(host, 1, mode); }
  Texts Items(int list) const { return test::ListItems(GetDlgItem(page, list)); }
  std::string LastCall() { return host.Server().Calls().back().ToString(); }
  // Clicks `button` of the page (or of `parent`) and saves as temp + `name`;
  // gives the filter and name Save As offered, keeps the folder it started in.
  std::string SaveAs(int button, const std::string& name, HWND parent = nullptr) {
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
    host.Click(parent ? parent : page, button);
    return offered;
  }

  test::HostedControl host;
  HWND page = nullptr;
  std::string temp = std::string(getenv("TEMP")) + "\\", folder;
};

// The page lists its formats only; Preview's temporary file goes whether or
// not the picture can be shown; Save As offers the format's type and the
// last name; a failed save gives the table's message.
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

// The product page lists the chosen camera's formats and sizes, offers the
// flashlight it has, and hands camera and flash to the capture and the test.
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

// A folder "Bilder-Jörg" (code page 1252) holds the preview's temporary file
// and the preview's copy; a PC save goes there and the next Save As starts there.
TEST_F(CapturePage, AFolderBeyondAsciiForPreviewCopyAndSave) {
  ASSERT_EQ(GetACP(), 1252u) << "the folder name is written in code page 1252";
  const std::string start = temp;
  temp += "Bilder-J\xf6rg\\";
  ASSERT_TRUE(CreateDirectoryA(temp.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  char previousTmp[MAX_PATH] = "";
  GetEnvironmentVariableA("TMP", previousTmp, sizeof previousTmp);
  SetEnvironmentVariableA("TMP", temp.c_str());
  host.Server().SetCaptureContent(kBitmap);
  Open(2);
  test::WhenDialog preview("Image Preview", [&](HWND dialog) {
    SaveAs(IDC_PREVIEW_SAVE, "copy.jpg", dialog);
    test::ClickButton(dialog, IDOK);
  });
  host.Click(page, IDC_PREVIEW);
  SetEnvironmentVariableA("TMP", previousTmp[0] ? previousTmp : nullptr);
  EXPECT_EQ(preview.Handled(), 1u);
  const std::string previewPath = host.Server().Calls().back().Text();
  EXPECT_EQ(previewPath.rfind(temp + "cc", 0), 0u) << previewPath;
  EXPECT_EQ(GetFileAttributesA(previewPath.c_str()), INVALID_FILE_ATTRIBUTES);

  SaveAs(IDC_SAVE, "shot.jpg");
  EXPECT_EQ(LastCall(), "CaptureToFile(\"" + temp + "shot.jpg\",4,2,0)");
  EXPECT_EQ(SaveAs(IDC_SAVE, "again.jpg"), "JPEG Images (*.jpg)|shot");
  EXPECT_EQ(folder + "\\", temp);
  EXPECT_EQ(test::ShownMessages(), (Texts(2, Msg(102, 220))));
  for (const char* name : {"copy.jpg", "shot.jpg"})
    EXPECT_EQ(FileBytes(temp + name), kBitmap) << name;
  SetCurrentDirectoryA(start.c_str());  // Save As made the folder current
  std::set<std::string> left;           // and removed, whatever it is
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((temp + "*.*").c_str(), &found);
  for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
    if (DeleteFileA((temp + found.cFileName).c_str())) left.insert(found.cFileName);
  FindClose(search);
  EXPECT_EQ(left, (std::set<std::string>{"again.jpg", "copy.jpg", "shot.jpg"}));
  EXPECT_TRUE(RemoveDirectoryA(temp.c_str()));
}

}  // namespace
